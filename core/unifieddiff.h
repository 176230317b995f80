#pragma once

#include <QByteArray>
#include <QStringView>

namespace lorvane {

// The lines that differ between two texts as a unified diff in UTF-8, the
// form of "diff -u": the two names as they are given, then hunks with three
// lines of context. Lines are those of SplitText; a last line without a
// line break is marked. Empty when the texts have the same lines.
QByteArray UnifiedDiff(const QByteArray &oldName, const QByteArray &newName, QStringView oldText,
                       QStringView newText);

} // namespace lorvane
