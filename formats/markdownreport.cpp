#include "formats/markdownreport.h"

#include "core/changereport.h"
#include "core/unicodetext.h"

#include <QHash>
#include <QString>

namespace lorvane {

namespace {

// Characters that start inline constructs anywhere in a line: escapes, code,
// emphasis, links, raw HTML and autolinks, entities, and the strikethrough
// and table cells of the common extensions; "#" also closes a heading.
constexpr QStringView kInlineSpecials = u"\\`*_[]<>&~|#";

bool isBlank(QChar c)
{
    return c == u' ';
}

// The length of the digits of an ordered-list marker at the start of the
// line ("1." or "1)" followed by a blank or the end), or 0.
qsizetype orderedMarkerDigits(QStringView line)
{
    qsizetype digits = 0;
    while (digits < line.size() && digits < 9 && line[digits].isDigit() && line[digits].unicode() < 128)
        ++digits;
    if (digits == 0 || digits >= line.size() || (line[digits] != u'.' && line[digits] != u')'))
        return 0;
    if (digits + 1 < line.size() && line[digits + 1] != u' ' && line[digits + 1] != u'\t')
        return 0;
    return digits;
}

// One line of text from a header or a file name, written so that it renders
// as typed wherever a line of inline text stands: in a heading, a paragraph
// or a list item.
QString literalLine(QStringView raw)
{
    const QString text = WithReplacementCharacters(raw);
    const QStringView line = text;
    qsizetype leading = 0;
    while (leading < line.size() && isBlank(line[leading]))
        ++leading;
    qsizetype trailing = line.size();
    while (trailing > leading && isBlank(line[trailing - 1]))
        --trailing;
    const qsizetype marker = orderedMarkerDigits(line.sliced(leading));

    QString result;
    result.reserve(line.size() + 8);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        const ushort code = c.unicode();
        // Blanks at either end would be dropped, and control characters
        // (tabs, line breaks of a file name) would break the line.
        if ((isBlank(c) && (i < leading || i >= trailing)) || code < 32 || code == 127) {
            result += QStringLiteral("&#%1;").arg(code);
            continue;
        }
        const bool lineStart = i == leading;
        if (kInlineSpecials.contains(c) || (lineStart && (c == u'-' || c == u'+' || c == u'=')) ||
            (marker > 0 && i == leading + marker))
            result += u'\\';
        result += c;
    }
    return result;
}

QString heading(int level, QStringView text)
{
    return QString(level, u'#') + u' ' + literalLine(text) + u'\n';
}

QString bulletList(const QStringList &items)
{
    QString result;
    for (const QString &item : items)
        result += QStringLiteral("- ") + literalLine(item) + u'\n';
    return result;
}

// A paragraph whose lines end with a hard break, so that it keeps them. An
// empty line is a line that holds the break alone; trailing ones are left
// out, since a paragraph cannot end with a break.
QString paragraph(QStringList lines)
{
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QString result;
    for (qsizetype i = 0; i < lines.size(); ++i)
        result += literalLine(lines[i]) + (i + 1 < lines.size() ? QStringLiteral("\\\n") : QStringLiteral("\n"));
    return result;
}

QString reportMarkdown(const ReportDocument &document)
{
    QString result = heading(1, ReportHeading(document.start, document.end));
    for (const ReportBlock &block : document.content.blocks) {
        result += u'\n' + heading(2, block.name);
        const QString description = paragraph(block.description);
        if (!description.isEmpty())
            result += u'\n' + description;
        QStringList entries;
        for (const ReportEntry &entry : block.entries)
            entries << entry.text;
        if (!entries.isEmpty())
            result += u'\n' + bulletList(entries);
    }
    return result;
}

// A group per file, headed by its name, or by its path where another file
// of the run has the same name: the text error list would put both under
// one name.
QString errorsMarkdown(const ReportDocument &document)
{
    QHash<QString, int> namesakes;
    for (const QString &path : document.files)
        ++namesakes[path.mid(path.lastIndexOf(u'/') + 1)];
    QString result;
    const QList<HeaderProblem> &problems = document.content.problems;
    for (qsizetype first = 0; first < problems.size();) {
        const HeaderProblem &problem = problems[first];
        qsizetype next = first;
        QStringList messages;
        while (next < problems.size() && problems[next].file == problem.file)
            messages << problems[next++].message;
        const QString shown = namesakes.value(problem.name) > 1 ? document.files.value(problem.file) : problem.name;
        result += (result.isEmpty() ? QString() : QStringLiteral("\n")) + heading(2, shown) + u'\n' +
                  bulletList(messages);
        first = next;
    }
    return result;
}

} // namespace

QByteArray MarkdownReport(const ReportDocument &document)
{
    return (document.kind == ReportKind::ErrorList ? errorsMarkdown(document) : reportMarkdown(document)).toUtf8();
}

} // namespace lorvane
