#include "core/lines.h"

namespace lorvane {

namespace {

// Finds the line that starts at `pos`, if one does: it runs up to the next
// CR, LF or NUL; CR, then LF, are stepped over; a NUL ends the text.
bool nextLine(QStringView text, qsizetype pos, LineSpan &span)
{
    const qsizetype size = text.size();
    if (pos >= size || text[pos] == u'\0')
        return false;
    span.start = pos;
    while (pos < size) {
        const char16_t c = text[pos].unicode();
        if (c == u'\r' || c == u'\n' || c == u'\0')
            break;
        ++pos;
    }
    span.length = pos - span.start;
    if (pos < size && text[pos] == u'\r')
        ++pos;
    if (pos < size && text[pos] == u'\n')
        ++pos;
    span.next = pos;
    return true;
}

} // namespace

QStringList SplitText(QStringView text)
{
    QStringList lines;
    LineSpan span;
    for (qsizetype pos = 0; nextLine(text, pos, span); pos = span.next)
        lines.append(text.sliced(span.start, span.length).toString());
    return lines;
}

QList<LineSpan> SplitTextSpans(QStringView text)
{
    QList<LineSpan> spans;
    LineSpan span;
    for (qsizetype pos = 0; nextLine(text, pos, span); pos = span.next)
        spans.append(span);
    return spans;
}

qsizetype CountLines(QStringView text)
{
    qsizetype count = 0;
    LineSpan span;
    for (qsizetype pos = 0; nextLine(text, pos, span); pos = span.next)
        ++count;
    return count;
}

void ForEachLine(QStringView text, const std::function<void(QStringView)> &line)
{
    LineSpan span;
    for (qsizetype pos = 0; nextLine(text, pos, span); pos = span.next)
        line(text.sliced(span.start, span.length));
}

QString JoinLines(const QStringList &lines)
{
    qsizetype total = 0;
    for (const QString &line : lines)
        total += line.size() + 2;
    QString text;
    text.reserve(total);
    for (const QString &line : lines) {
        text += line;
        text += u"\r\n";
    }
    return text;
}

QString NormalizeLineBreaks(QStringView text)
{
    QString result;
    result.reserve(text.size() + text.size() / 16);
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            result += u"\r\n";
            if (i + 1 < size && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            result += u"\r\n";
        } else {
            result += c;
        }
    }
    return result;
}

bool HasOnlyCrLfBreaks(QStringView text)
{
    for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1)) {
        if (at == 0 || text[at - 1] != u'\r')
            return false;
    }
    for (qsizetype at = text.indexOf(u'\r'); at >= 0; at = text.indexOf(u'\r', at + 1)) {
        if (at + 1 == text.size() || text[at + 1] != u'\n')
            return false;
    }
    return true;
}

} // namespace lorvane
