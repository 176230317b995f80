#include "lines.h"

namespace lorvane {

QStringList SplitText(QStringView text)
{
    QStringList lines;
    const qsizetype size = text.size();
    qsizetype pos = 0;
    while (pos < size && text[pos] != u'\0') {
        const qsizetype start = pos;
        while (pos < size) {
            const char16_t c = text[pos].unicode();
            if (c == u'\r' || c == u'\n' || c == u'\0')
                break;
            ++pos;
        }
        lines.append(text.sliced(start, pos - start).toString());
        if (pos < size && text[pos] == u'\r')
            ++pos;
        if (pos < size && text[pos] == u'\n')
            ++pos;
    }
    return lines;
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

} // namespace lorvane
