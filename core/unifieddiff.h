#pragma once

#include <QString>
#include <QStringView>

namespace lorvane {

// The lines that differ between two texts as a unified diff, the form of
// "diff -u": the two names, then hunks with three lines of context. Lines
// are those of SplitText; a last line without a line break is marked.
// Empty when the texts have the same lines.
QString UnifiedDiff(const QString &oldName, const QString &newName, QStringView oldText, QStringView newText);

} // namespace lorvane
