#include "changereport.h"

#include "emptyvalue.h"
#include "lines.h"
#include "shortdate.h"
#include "sourcelines.h"

namespace lorvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kNoHeader = QStringLiteral("Ошибка: нет заголовка.");
const QString kBadFormat = QStringLiteral("Ошибка: неверный формат заголовка.");
const QString kBadDate = QStringLiteral("Ошибка: дата в строке %1]");
const QString kBadFirstYear = QStringLiteral("Ошибка в Copyright: год начала не %1.");
const QString kBadLastYear = QStringLiteral("Ошибка в Copyright: год последнего изменения не %1.");
const QString kChangesHeading = QStringLiteral("Изменения:");
const QString kIdentification = QStringLiteral("CVS: $Id:");
const QString kCopyright = QStringLiteral("Copyright");
constexpr char16_t kEllipsis = u'\u2026';

// Removes every character of code 32 or below from both ends.
QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

// Columns first..first+count-1, counted from 1, as far as the line has them.
QStringView columns(QStringView line, qsizetype first, qsizetype count)
{
    const qsizetype start = first - 1;
    if (start >= line.size())
        return {};
    return line.sliced(start, qMin(count, line.size() - start));
}

QString fourDigitYear(QDate date)
{
    return QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

class ReportRun
{
public:
    ReportRun(QDate start, QDate end, const ReportOptions &options, QStringList &result)
        : m_start(start), m_end(end), m_options(options), m_result(result),
          m_format(SystemDateFormat()), m_today(QDate::currentDate())
    {
    }

    void handleFile(const QString &path, ReportProgress &progress);
    const QString &errors() const { return m_errors; }

private:
    QStringView line(qsizetype index) { return m_lines.line(index); }
    std::optional<QDate> dateField(QStringView text) const
    {
        return ReadShortDate(trimmed(columns(text, 3, 10)), m_format, m_today);
    }
    void readEntries(qsizetype index);
    void walk(qsizetype &index);
    void scan(qsizetype index);
    void appendEntry(const QString &text);
    void appendError(const QString &message);
    void addFileBlock();

    const QDate m_start;
    const QDate m_end;
    const ReportOptions &m_options;
    QStringList &m_result;
    const DateFormat m_format;
    const QDate m_today;

    QString m_errors;
    QString m_lastErrorFile;
    SourceLines m_lines;

    QString m_name;
    QString m_description;
    QString m_entries;
    QDate m_current;
    QDate m_first;
    QDate m_oldest;
};

void ReportRun::appendEntry(const QString &text)
{
    m_entries += ChooseValue(m_entries.isEmpty(), QString(), kCrLf) + text;
}

void ReportRun::appendError(const QString &message)
{
    if (m_lastErrorFile != m_name) {
        m_errors += ChooseValue(m_errors.isEmpty(), QString(), QStringLiteral("\r\n\r\n")) + m_name;
        m_lastErrorFile = m_name;
    }
    m_errors += kCrLf + message;
}

void ReportRun::handleFile(const QString &path, ReportProgress &progress)
{
    m_name = path.mid(path.lastIndexOf(u'/') + 1);
    m_description.clear();
    progress.FileStarted(m_name);
    m_lines.read(path);

    if (!line(0).startsWith(u"{==")) {
        appendError(kNoHeader);
        progress.FileDone();
        return;
    }

    qsizetype index = 4;
    if (!line(4).startsWith(u"==")) {
        m_description = trimmed(line(4)).toString();
        index = 5;
        while (!IsEmptyValue(line(index))) {
            m_description += kCrLf;
            m_description += trimmed(line(index));
            ++index;
        }
    }
    m_entries.clear();
    while (m_lines.has(index) && !line(index).contains(kChangesHeading))
        ++index;
    if (!m_lines.has(index)) {
        m_description.clear();
        appendEntry(kBadFormat);
    } else {
        readEntries(index + 2);
    }
    addFileBlock();
    progress.FileDone();
}

// Dates the file by its first entry line, then walks and scans. A first
// entry line without a date means no entries and no copyright check.
void ReportRun::readEntries(qsizetype index)
{
    const QStringView field = trimmed(columns(line(index), 3, 10));
    if (field.isEmpty())
        return;
    if (const auto date = ReadShortDate(field, m_format, m_today)) {
        m_current = *date;
    } else {
        m_current = m_today;
        appendError(kBadDate.arg(index));
    }
    m_first = m_current;
    m_oldest = m_current;
    walk(index);
    scan(index);
}

void ReportRun::walk(qsizetype &index)
{
    for (;;) {
        if (m_current < m_start || m_current > m_end)
            return;
        const QStringView text = line(index);
        const qsizetype bracket = text.indexOf(u'[');
        if (bracket >= 0) {
            const QString entry = text.sliced(bracket).toString();
            appendEntry(m_options.Html ? QStringLiteral("<p>") + entry + QStringLiteral("</p>") : entry);
        }
        ++index;
        if (!m_lines.has(index) || line(index).startsWith(u'='))
            return;
        if (const auto date = dateField(line(index)))
            m_current = *date;
        m_oldest = qMin(m_oldest, m_current);
    }
}

void ReportRun::scan(qsizetype index)
{
    while (m_lines.has(index + 1)) {
        ++index;
        const QStringView text = line(index);
        if (text.contains(kIdentification))
            return;
        if (text.contains(kCopyright)) {
            const QString firstYear = fourDigitYear(m_oldest);
            if (columns(text, 13, 4) != firstYear)
                appendError(kBadFirstYear.arg(firstYear));
            const QString lastYear = fourDigitYear(m_first);
            if (text.size() >= 17 && text[16] == kEllipsis && columns(text, 18, 4) != lastYear)
                appendError(kBadLastYear.arg(lastYear));
        }
        if (const auto date = dateField(text))
            m_current = *date;
        m_oldest = qMin(m_oldest, m_current);
    }
}

void ReportRun::addFileBlock()
{
    if (m_options.OnlyChanges && IsEmptyValue(m_entries))
        return;
    m_result.append(m_options.Html ? QStringLiteral("\r\n<h3 class=\"filename\">") + m_name + QStringLiteral("</h3>")
                                   : kCrLf + m_name);
    if (m_options.WithDescription && !m_description.isEmpty())
        m_result.append(m_options.Html
                            ? QStringLiteral("<p class=\"filedescrip\">") + m_description + QStringLiteral("</p>")
                            : m_description);
    if (!IsEmptyValue(m_entries))
        m_result.append(m_entries);
}

} // namespace

ReportKind BuildChangeReport(const QStringList &files, QDate start, QDate end,
                             const ReportOptions &options, ReportProgress &progress,
                             QStringList &resultText)
{
    ReportRun run(start, end, options, resultText);
    const DateFormat format = SystemDateFormat();
    resultText = SplitText(FormatShortDate(start, format) + QStringLiteral(" - ") + FormatShortDate(end, format));
    for (const QString &path : files)
        run.handleFile(path, progress);
    if (run.errors().isEmpty())
        return ReportKind::Report;
    resultText = SplitText(run.errors());
    return ReportKind::ErrorList;
}

} // namespace lorvane
