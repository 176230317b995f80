#include "core/changereport.h"

#include "core/codepage.h"
#include "core/emptyvalue.h"
#include "core/lines.h"
#include "core/orderedwork.h"
#include "core/shortdate.h"
#include "core/sourcelines.h"
#include "core/textfile.h"

#include <vector>

namespace lorvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kNoHeader = QStringLiteral("Ошибка: нет заголовка.");
const QString kBadFormat = QStringLiteral("Ошибка: неверный формат заголовка.");
const QString kBadDate = QStringLiteral("Ошибка: дата в строке %1]");
const QString kBadFirstYear = QStringLiteral("Ошибка в Copyright: год начала не %1.");
const QString kBadLastYear = QStringLiteral("Ошибка в Copyright: год последнего изменения не %1.");
constexpr QStringView kChangesHeading = u"Изменения:";
constexpr QStringView kIdentification = u"CVS: $Id:";
constexpr QStringView kCopyright = u"Copyright";
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

// Whether the marker stands anywhere in the line. Most lines do not hold
// the marker's first character at all, which a vectorised search finds out
// fast.
bool holds(QStringView line, QStringView marker)
{
    for (qsizetype at = line.indexOf(marker.front()); at >= 0; at = line.indexOf(marker.front(), at + 1)) {
        if (line.sliced(at).startsWith(marker))
            return true;
    }
    return false;
}

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// What one file gives a report: its block, its header problems in order,
// and what a wider window could change.
struct FileOutcome
{
    struct Problem
    {
        qsizetype line;
        QString message;
    };

    QStringList items;
    QList<Problem> errors;
    // The block's pieces, when the file has a block.
    bool hasBlock = false;
    QStringList description;
    QList<ReportEntry> entries;
    // The date that ended the walk down the change list by lying before
    // Start: a start on or before it lets the walk go further.
    std::optional<QDate> stoppedBefore;
    std::optional<QDate> oldest;
    // Where the lines that were read stand.
    bool hasHeader = false;
    std::optional<qsizetype> heading;
    std::optional<QDate> firstDate;
    bool firstDateUnread = false;
    qsizetype walkEnd = 0;
    QList<qsizetype> copyrightLines;
    QList<HeaderReading::DatedLine> datedLines; // with the block's pieces
};

// Reads one file's header for one window: the file steps from the header
// test to the file block.
class HeaderReader
{
public:
    // `withContent`: the outcome also holds the block's pieces, for callers
    // that present the report in another form.
    HeaderReader(QDate start, QDate end, const ReportOptions &options, const DateFormat &format, QDate today,
                 bool withContent = false)
        : m_start(start), m_end(end), m_options(options), m_format(format), m_today(today),
          m_withContent(withContent)
    {
    }

    FileOutcome read(const QString &name, SourceLines &lines);

private:
    QStringView line(qsizetype index) { return m_lines->line(index); }
    std::optional<QDate> dateField(QStringView text) const
    {
        return ReadShortDate(trimmed(columns(text, 3, 10)), m_format, m_today);
    }
    void readEntries(qsizetype index);
    void walk(qsizetype &index);
    void scan(qsizetype index);
    void appendEntry(const QString &text);
    void addFileBlock(const QString &name);

    const QDate m_start;
    const QDate m_end;
    const ReportOptions &m_options;
    const DateFormat &m_format;
    const QDate m_today;
    const bool m_withContent;

    SourceLines *m_lines = nullptr;
    FileOutcome m_outcome;
    QString m_description;
    QString m_entries;
    QDate m_current;
    QDate m_first;
    QDate m_oldest;
};

FileOutcome HeaderReader::read(const QString &name, SourceLines &lines)
{
    m_lines = &lines;
    m_outcome = FileOutcome();
    m_description.clear();
    m_entries.clear();

    if (!line(0).startsWith(u"{==")) {
        m_outcome.errors.append({0, kNoHeader});
        return std::move(m_outcome);
    }
    m_outcome.hasHeader = true;

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
    while (m_lines->has(index) && !holds(line(index), kChangesHeading))
        ++index;
    if (!m_lines->has(index)) {
        m_description.clear();
        appendEntry(kBadFormat);
        if (m_withContent)
            m_outcome.entries.append({std::nullopt, kBadFormat});
    } else {
        m_outcome.heading = index;
        readEntries(index + 2);
    }
    addFileBlock(name);
    return std::move(m_outcome);
}

void HeaderReader::appendEntry(const QString &text)
{
    m_entries += ChooseValue(m_entries.isEmpty(), QString(), kCrLf) + text;
}

// Dates the file by its first entry line, then walks and scans. A first
// entry line without a date means no entries and no copyright check.
void HeaderReader::readEntries(qsizetype index)
{
    const QStringView field = trimmed(columns(line(index), 3, 10));
    if (field.isEmpty())
        return;
    if (const auto date = ReadShortDate(field, m_format, m_today)) {
        m_current = *date;
        m_outcome.firstDate = *date;
        if (m_withContent)
            m_outcome.datedLines.append({index, *date, field.toString()});
    } else {
        m_current = m_today;
        m_outcome.firstDateUnread = true;
        m_outcome.errors.append({index, kBadDate.arg(index)});
    }
    m_first = m_current;
    m_oldest = m_current;
    walk(index);
    m_outcome.walkEnd = index;
    scan(index);
    m_outcome.oldest = m_oldest;
}

void HeaderReader::walk(qsizetype &index)
{
    for (;;) {
        if (m_current < m_start) {
            m_outcome.stoppedBefore = m_current;
            return;
        }
        if (m_current > m_end)
            return;
        const QStringView text = line(index);
        const qsizetype bracket = text.indexOf(u'[');
        if (bracket >= 0) {
            const QString entry = text.sliced(bracket).toString();
            appendEntry(m_options.Html ? QStringLiteral("<p>") + entry + QStringLiteral("</p>") : entry);
            if (m_withContent)
                m_outcome.entries.append({m_current, entry});
        }
        ++index;
        if (!m_lines->has(index) || line(index).startsWith(u'='))
            return;
        if (const auto date = dateField(line(index))) {
            m_current = *date;
            if (m_withContent)
                m_outcome.datedLines.append({index, *date, trimmed(columns(line(index), 3, 10)).toString()});
        }
        m_oldest = qMin(m_oldest, m_current);
    }
}

void HeaderReader::scan(qsizetype index)
{
    while (m_lines->has(index + 1)) {
        ++index;
        const QStringView text = line(index);
        if (holds(text, kIdentification))
            return;
        if (holds(text, kCopyright)) {
            m_outcome.copyrightLines << index;
            const QString firstYear = fourDigitYear(m_oldest);
            if (columns(text, 13, 4) != firstYear)
                m_outcome.errors.append({index, kBadFirstYear.arg(firstYear)});
            const QString lastYear = fourDigitYear(m_first);
            if (text.size() >= 17 && text[16] == kEllipsis && columns(text, 18, 4) != lastYear)
                m_outcome.errors.append({index, kBadLastYear.arg(lastYear)});
        }
        if (const auto date = dateField(text))
            m_current = *date;
        m_oldest = qMin(m_oldest, m_current);
    }
}

void HeaderReader::addFileBlock(const QString &name)
{
    if (m_options.OnlyChanges && IsEmptyValue(m_entries))
        return;
    m_outcome.hasBlock = true;
    QStringList &items = m_outcome.items;
    items << (m_options.Html ? QStringLiteral("\r\n<h3 class=\"filename\">") + name + QStringLiteral("</h3>")
                             : kCrLf + name);
    if (m_options.WithDescription && !m_description.isEmpty()) {
        items << (m_options.Html ? QStringLiteral("<p class=\"filedescrip\">") + m_description + QStringLiteral("</p>")
                                 : m_description);
        if (m_withContent)
            m_outcome.description = m_description.split(kCrLf);
    }
    if (!IsEmptyValue(m_entries))
        items << m_entries;
}

// The error list as text: a group per file name; a file named as the one
// that opened the last group adds its problems to that group.
class ErrorList
{
public:
    void append(const QString &name, const QString &message)
    {
        if (m_lastErrorFile != name) {
            m_text += ChooseValue(m_text.isEmpty(), QString(), QStringLiteral("\r\n\r\n")) + name;
            m_lastErrorFile = name;
        }
        m_text += kCrLf + message;
    }

    const QString &text() const { return m_text; }

private:
    QString m_text;
    QString m_lastErrorFile;
};

// Puts the files' outcomes together: the heading, the blocks, and the error
// list that replaces them when it is not empty.
class ReportAssembly
{
public:
    ReportAssembly(QDate start, QDate end, QStringList &result, ReportContent *content = nullptr)
        : m_result(result), m_content(content)
    {
        m_result = SplitText(ReportHeading(start, end));
        if (m_content)
            *m_content = ReportContent();
    }

    // Called once for every file, in the order of the files.
    void add(const QString &name, const FileOutcome &outcome)
    {
        for (const FileOutcome::Problem &problem : outcome.errors) {
            m_errors.append(name, problem.message);
            if (m_content)
                m_content->problems.append({m_file, name, problem.line, problem.message});
        }
        m_result += outcome.items;
        if (m_content && outcome.hasBlock)
            m_content->blocks.append({m_file, name, outcome.description, outcome.entries});
        m_firstDates.read += outcome.firstDate.has_value();
        m_firstDates.unread += outcome.firstDateUnread;
        ++m_file;
    }

    const FirstDateCount &firstDates() const { return m_firstDates; }

    ReportKind finish()
    {
        if (m_errors.text().isEmpty())
            return ReportKind::Report;
        m_result = SplitText(m_errors.text());
        return ReportKind::ErrorList;
    }

private:
    QStringList &m_result;
    ReportContent *m_content;
    qsizetype m_file = 0;
    FirstDateCount m_firstDates;
    ErrorList m_errors;
};

// Reads the files of a run on a few threads, each with a reader and a line
// list of its own, and hands their outcomes out in the order of the files.
// `Outcome` is what `finish` makes of a file's outcome on its thread.
template<typename Outcome>
class ParallelReading
{
public:
    using Finish = std::function<Outcome(FileOutcome &&)>;

    ParallelReading(const QStringList &files, QDate start, QDate end, const ReportOptions &options, bool withContent,
                    Finish finish)
        : m_files(files), m_format(SystemDateFormat()), m_today(QDate::currentDate()), m_finish(std::move(finish)),
          m_workers(OrderedWork<Outcome>::WorkersFor(files.size())), m_lines(size_t(std::max(1, m_workers))),
          m_work(files.size(), m_workers, [this, start, end, &options, withContent](int worker, qsizetype item) {
              HeaderReader reader(start, end, options, m_format, m_today, withContent);
              SourceLines &lines = m_lines[size_t(worker)];
              const QString &path = m_files[item];
              lines.read(path);
              return m_finish(reader.read(fileName(path), lines));
          })
    {
    }

    Outcome next() { return m_work.next(); }

private:
    const QStringList &m_files;
    const DateFormat m_format;
    const QDate m_today;
    const Finish m_finish;
    const int m_workers;
    std::vector<SourceLines> m_lines;
    OrderedWork<Outcome> m_work; // last: its threads use the members above
};

// A file's outcome with its block already as the bytes that saving the
// report writes.
struct EncodedOutcome
{
    FileOutcome outcome; // without its items
    QByteArray block;
};

// Appends the bytes that saving the report writes for `item`, one line of
// it: its line breaks made CR LF, then CR LF, in the system code page.
void appendItemBytes(const CodePage &page, const QString &item, QByteArray &bytes)
{
    // Entries are joined with CR LF; other breaks are rare.
    const bool crLfOnly = [&] {
        for (qsizetype at = item.indexOf(u'\n'); at >= 0; at = item.indexOf(u'\n', at + 1)) {
            if (at == 0 || item[at - 1] != u'\r')
                return false;
        }
        for (qsizetype at = item.indexOf(u'\r'); at >= 0; at = item.indexOf(u'\r', at + 1)) {
            if (at + 1 == item.size() || item[at + 1] != u'\n')
                return false;
        }
        return true;
    }();
    page.encodeTo(crLfOnly ? QStringView(item) : QStringView(NormalizeLineBreaks(item)), bytes);
    page.encodeTo(kCrLf, bytes);
}

} // namespace

QString ReportHeading(QDate start, QDate end)
{
    const DateFormat format = SystemDateFormat();
    return FormatShortDate(start, format) + QStringLiteral(" - ") + FormatShortDate(end, format);
}

HeaderReading ReadHeader(const QString &name, const QByteArray &bytes, QDate start, QDate end,
                         const ReportOptions &options, QDate today)
{
    const DateFormat format = SystemDateFormat();
    HeaderReader reader(start, end, options, format, today, true);
    HeaderReading reading;
    ReportContent content;
    ReportAssembly report(start, end, reading.resultText, &content);
    SourceLines lines;
    lines.read(bytes);
    FileOutcome outcome = reader.read(name, lines);
    report.add(name, outcome);
    reading.kind = report.finish();
    reading.hasHeader = outcome.hasHeader;
    reading.heading = outcome.heading;
    reading.firstDate = outcome.firstDate;
    reading.firstDateUnread = outcome.firstDateUnread;
    reading.walkEnd = outcome.walkEnd;
    reading.copyrightLines = std::move(outcome.copyrightLines);
    reading.problems = std::move(content.problems);
    reading.entries = std::move(outcome.entries);
    reading.datedLines = std::move(outcome.datedLines);
    return reading;
}

QStringList ErrorListLines(const QList<HeaderProblem> &problems)
{
    ErrorList list;
    for (const HeaderProblem &problem : problems)
        list.append(problem.name, problem.message);
    return SplitText(list.text());
}

ReportKind BuildChangeReport(const QStringList &files, QDate start, QDate end,
                             const ReportOptions &options, ReportProgress &progress,
                             QStringList &resultText, ReportContent *content, FirstDateCount *firstDates)
{
    ReportAssembly report(start, end, resultText, content);
    ParallelReading<FileOutcome> reading(files, start, end, options, content != nullptr,
                                         [](FileOutcome &&outcome) { return std::move(outcome); });
    for (const QString &path : files) {
        const QString name = fileName(path);
        progress.FileStarted(name);
        report.add(name, reading.next());
        progress.FileDone();
    }
    if (firstDates)
        *firstDates = report.firstDates();
    return report.finish();
}

EncodedReport BuildChangeReportBytes(const QStringList &files, QDate start, QDate end,
                                     const ReportOptions &options, ReportProgress &progress)
{
    const CodePage &page = CodePage::System();
    EncodedReport encoded;
    if (!page.encodesLineByLine()) {
        QStringList report;
        encoded.kind = BuildChangeReport(files, start, end, options, progress, report, nullptr, &encoded.firstDates);
        encoded.bytes = EncodeText(NormalizeLineBreaks(JoinLines(report)));
        return encoded;
    }

    QStringList result;
    ReportAssembly report(start, end, result);
    encoded.bytes = EncodedTextMark();
    for (const QString &line : result)
        appendItemBytes(page, line, encoded.bytes);
    bool problems = false;
    ParallelReading<EncodedOutcome> reading(files, start, end, options, false, [&page](FileOutcome &&outcome) {
        EncodedOutcome encodedOutcome;
        for (const QString &item : outcome.items)
            appendItemBytes(page, item, encodedOutcome.block);
        outcome.items.clear();
        encodedOutcome.outcome = std::move(outcome);
        return encodedOutcome;
    });
    // Room for twice what the first files promise, up to a bound, taken at
    // once: memory that is never written costs nothing, and the report is
    // not copied as it grows.
    constexpr qsizetype kSampleFiles = 64;
    constexpr qsizetype kMostRoom = qsizetype(1) << 28;
    for (qsizetype at = 0; at < files.size(); ++at) {
        if (at == kSampleFiles && !problems)
            encoded.bytes.reserve(qMin(kMostRoom, 2 * encoded.bytes.size() / kSampleFiles * files.size()));
        const QString name = fileName(files[at]);
        progress.FileStarted(name);
        const EncodedOutcome outcome = reading.next();
        report.add(name, outcome.outcome);
        // Once a header problem is found the error list replaces the blocks.
        problems = problems || !outcome.outcome.errors.isEmpty();
        if (!problems)
            encoded.bytes += outcome.block;
        progress.FileDone();
    }
    encoded.kind = report.finish();
    encoded.firstDates = report.firstDates();
    if (encoded.kind == ReportKind::ErrorList)
        encoded.bytes = EncodeText(NormalizeLineBreaks(JoinLines(result)));
    return encoded;
}

struct RepeatedChangeReport::State
{
    State(QDate end, const ReportOptions &options, ReportProgress &progress)
        : end(end), options(options), progress(progress)
    {
    }

    struct File
    {
        QString path;
        QString name;
        SourceLines lines;
        std::optional<FileOutcome> outcome;
    };

    QDate end;
    ReportOptions options;
    ReportProgress &progress;
    DateFormat format = SystemDateFormat();
    QDate today = QDate::currentDate();
    std::vector<File> files;
    std::optional<QDate> nextChange;
    std::optional<QDate> oldest;
};

RepeatedChangeReport::RepeatedChangeReport(const QStringList &files, QDate end, const ReportOptions &options,
                                           ReportProgress &progress)
    : m_state(std::make_unique<State>(end, options, progress))
{
    m_state->files.reserve(size_t(files.size()));
    for (const QString &path : files)
        m_state->files.push_back({path, fileName(path), {}, {}});
}

RepeatedChangeReport::~RepeatedChangeReport() = default;

ReportKind RepeatedChangeReport::Build(QDate start, QStringList &resultText)
{
    State &state = *m_state;
    HeaderReader reader(start, state.end, state.options, state.format, state.today);
    ReportAssembly report(start, state.end, resultText);
    state.nextChange.reset();
    state.oldest.reset();
    for (State::File &file : state.files) {
        state.progress.FileStarted(file.name);
        // A walk that stopped at a date before an earlier start stops at the
        // same line now, so the file gives what it gave then.
        const bool unchanged = file.outcome && (!file.outcome->stoppedBefore || *file.outcome->stoppedBefore < start);
        if (!unchanged) {
            if (!file.outcome)
                file.lines.read(file.path);
            file.outcome = reader.read(file.name, file.lines);
            file.lines.keepFoundLinesOnly();
        }
        const FileOutcome &outcome = *file.outcome;
        report.add(file.name, outcome);
        if (outcome.stoppedBefore && (!state.nextChange || *outcome.stoppedBefore > *state.nextChange))
            state.nextChange = outcome.stoppedBefore;
        if (outcome.oldest && (!state.oldest || *outcome.oldest < *state.oldest))
            state.oldest = outcome.oldest;
        state.progress.FileDone();
    }
    return report.finish();
}

std::optional<QDate> RepeatedChangeReport::NextChangeAt() const
{
    return m_state->nextChange;
}

std::optional<QDate> RepeatedChangeReport::OldestDate() const
{
    return m_state->oldest;
}

} // namespace lorvane
