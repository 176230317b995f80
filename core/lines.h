#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

namespace lorvane {

// Breaks a text into lines at CR LF, a lone CR and a lone LF; a break at the
// very end adds no empty line, and a NUL ends the text.
QStringList SplitText(QStringView text);

// Where one line of SplitText stands in its text: the line runs from
// `start` for `length` characters, and its line break ends at `next`.
struct LineSpan
{
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype next = 0;
};

// The places of the lines that SplitText gives, in the same order.
QList<LineSpan> SplitTextSpans(QStringView text);

// How many lines SplitText gives, without making them.
qsizetype CountLines(QStringView text);

// Calls `line` with each line that SplitText gives, without making them.
void ForEachLine(QStringView text, const std::function<void(QStringView)> &line);

// Every line followed by CR LF, the last one included.
QString JoinLines(const QStringList &lines);

// Every line break (CR LF, lone CR, lone LF) becomes CR LF.
QString NormalizeLineBreaks(QStringView text);

// Whether every line break of the text is a CR LF already, so that
// NormalizeLineBreaks would change nothing.
bool HasOnlyCrLfBreaks(QStringView text);

} // namespace lorvane
