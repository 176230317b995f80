#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace lorvane {

// Breaks a text into lines at CR LF, a lone CR and a lone LF; a break at the
// very end adds no empty line, and a NUL ends the text.
QStringList SplitText(QStringView text);

// Every line followed by CR LF, the last one included.
QString JoinLines(const QStringList &lines);

// Every line break (CR LF, lone CR, lone LF) becomes CR LF.
QString NormalizeLineBreaks(QStringView text);

} // namespace lorvane
