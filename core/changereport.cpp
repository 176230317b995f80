#include "core/changereport.h"

#include "core/codepage.h"
#include "core/emptyvalue.h"
#include "core/lines.h"
#include "core/orderedwork.h"
#include "core/shortdate.h"
#include "core/sourcelines.h"
#include "core/textfile.h"

#include <algorithm>
#include <array>
#include <deque>
#include <queue>
#include <set>
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
        friend bool operator==(const Problem &, const Problem &) = default;
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

// What the reader learns of one line whatever the window, each fact when
// first asked for, kept for a file that is read again for other windows.
struct LineFacts
{
    enum Fact : quint8 { Date = 1, ChangesHeading = 2, Identification = 4, Copyright = 8 };
    quint8 known = 0;
    quint8 holds = 0; // the markers the line holds
    std::optional<QDate> date; // of the date field
};
// By line index.
using HeaderFacts = std::vector<LineFacts>;

// Reads one file's header for one window: the file steps from the header
// test to the file block. Until the walk down the change list stops at a
// date before the start, what the reader does depends on the start in no
// way, so a reader can move its start back and walk on as a reading with
// that start from the top would.
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

    FileOutcome read(const QString &name, SourceLines &lines)
    {
        open(name, lines);
        return outcome();
    }

    // Reads the header as far as the walk goes for the window. `facts`,
    // when given, keeps what the reader learns of the lines for later
    // reads; the lines and the facts stay the reader's until the next open.
    void open(const QString &name, SourceLines &lines, HeaderFacts *facts = nullptr);
    // Moves the start back and walks on.
    void moveStart(QDate start);
    // What the file gives a report of the window as it stands.
    FileOutcome outcome();

private:
    QStringView line(qsizetype index) { return m_lines->line(index); }
    std::optional<QDate> readDateField(qsizetype index)
    {
        return ReadShortDate(trimmed(columns(line(index), 3, 10)), m_format, m_today);
    }
    LineFacts &factsOf(qsizetype index);
    std::optional<QDate> dateField(qsizetype index);
    bool holdsAt(qsizetype index, QStringView marker, LineFacts::Fact fact);
    // What the scan after the walk finds: the copyright lines and their
    // problems, the oldest date, and where it began and ended (the
    // identification line, or past the last line).
    struct Scan
    {
        QList<FileOutcome::Problem> errors;
        QList<qsizetype> copyrightLines;
        QDate oldest;
        qsizetype from = 0;
        qsizetype end = 0;
    };

    void readEntries(qsizetype index);
    void walk();
    void scan();
    void appendEntry(const QString &text);
    void addFileBlock(FileOutcome &outcome) const;
    // The year written with four digits; a reader read again and again asks
    // for the same few years.
    const QString &yearText(QDate date);

    QDate m_start;
    const QDate m_end;
    const ReportOptions &m_options;
    const DateFormat &m_format;
    const QDate m_today;
    const bool m_withContent;

    QString m_nameItem;
    QString m_descriptionItem;
    SourceLines *m_lines = nullptr;
    HeaderFacts *m_facts = nullptr;
    // What the header gives up to where the walk stands.
    FileOutcome m_outcome;
    QString m_description;
    QString m_entries;
    // The walk: whether the header has one, the line it stands at, and the
    // dates it has come by.
    bool m_walks = false;
    qsizetype m_index = 0;
    QDate m_current;
    QDate m_first;
    QDate m_oldest;
    // Whether the walk stopped at a date, with its last line's date read,
    // rather than at the end of the change list.
    bool m_stoppedAtDate = false;
    std::optional<Scan> m_scan;
    std::array<std::pair<int, QString>, 2> m_years{};
};

LineFacts &HeaderReader::factsOf(qsizetype index)
{
    if (size_t(index) >= m_facts->size())
        m_facts->resize(size_t(index) + 1);
    return (*m_facts)[size_t(index)];
}

std::optional<QDate> HeaderReader::dateField(qsizetype index)
{
    if (!m_facts)
        return readDateField(index);
    LineFacts &facts = factsOf(index);
    if (!(facts.known & LineFacts::Date)) {
        facts.date = readDateField(index);
        facts.known |= LineFacts::Date;
    }
    return facts.date;
}

bool HeaderReader::holdsAt(qsizetype index, QStringView marker, LineFacts::Fact fact)
{
    if (!m_facts)
        return holds(line(index), marker);
    LineFacts &facts = factsOf(index);
    if (!(facts.known & fact)) {
        if (holds(line(index), marker))
            facts.holds |= fact;
        facts.known |= fact;
    }
    return facts.holds & fact;
}

void HeaderReader::open(const QString &name, SourceLines &lines, HeaderFacts *facts)
{
    m_lines = &lines;
    m_facts = facts;
    m_outcome = FileOutcome();
    m_description.clear();
    m_entries.clear();
    m_walks = false;
    m_scan.reset();

    if (!line(0).startsWith(u"{==")) {
        m_outcome.errors.append({0, kNoHeader});
        return;
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
    while (m_lines->has(index) && !holdsAt(index, kChangesHeading, LineFacts::ChangesHeading))
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
    // Made once, for every window the reader moves on to.
    m_nameItem = m_options.Html ? QStringLiteral("\r\n<h3 class=\"filename\">") + name + QStringLiteral("</h3>")
                                : kCrLf + name;
    m_descriptionItem = m_options.Html && !m_description.isEmpty()
                            ? QStringLiteral("<p class=\"filedescrip\">") + m_description + QStringLiteral("</p>")
                            : m_description;
}

void HeaderReader::moveStart(QDate start)
{
    m_start = start;
    if (m_outcome.stoppedBefore) {
        m_outcome.stoppedBefore.reset();
        walk();
    }
}

FileOutcome HeaderReader::outcome()
{
    FileOutcome outcome = m_outcome;
    if (m_walks) {
        outcome.walkEnd = m_index;
        scan();
        outcome.errors += m_scan->errors;
        outcome.copyrightLines = m_scan->copyrightLines;
        outcome.oldest = m_scan->oldest;
    }
    if (outcome.hasHeader)
        addFileBlock(outcome);
    return outcome;
}

void HeaderReader::appendEntry(const QString &text)
{
    if (!m_entries.isEmpty())
        m_entries += kCrLf;
    m_entries += text;
}

const QString &HeaderReader::yearText(QDate date)
{
    for (const auto &[year, text] : m_years) {
        if (year == date.year() && !text.isEmpty())
            return text;
    }
    std::swap(m_years[0], m_years[1]);
    m_years[0] = {date.year(), fourDigitYear(date)};
    return m_years[0].second;
}

// Dates the file by its first entry line, then walks. A first entry line
// without a date means no entries and no copyright check.
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
    m_walks = true;
    m_index = index;
    walk();
}

void HeaderReader::walk()
{
    for (;;) {
        m_stoppedAtDate = true;
        if (m_current < m_start) {
            m_outcome.stoppedBefore = m_current;
            return;
        }
        if (m_current > m_end)
            return;
        m_stoppedAtDate = false;
        const QStringView text = line(m_index);
        const qsizetype bracket = text.indexOf(u'[');
        if (bracket >= 0) {
            const QString entry = text.sliced(bracket).toString();
            appendEntry(m_options.Html ? QStringLiteral("<p>") + entry + QStringLiteral("</p>") : entry);
            if (m_withContent)
                m_outcome.entries.append({m_current, entry});
        }
        ++m_index;
        if (!m_lines->has(m_index) || line(m_index).startsWith(u'='))
            return;
        if (const auto date = dateField(m_index)) {
            m_current = *date;
            if (m_withContent)
                m_outcome.datedLines.append({m_index, *date, trimmed(columns(line(m_index), 3, 10)).toString()});
        }
        m_oldest = qMin(m_oldest, m_current);
    }
}

// Goes on from where the walk stopped to the identification line: reports
// nothing, tests the copyright lines, and folds every date into the oldest.
// The walk folds the dates of the lines it takes as the scan does, so when
// it has gone on from where the last scan began and stopped at a date
// before that scan's end, this scan is the last one without its first lines.
void HeaderReader::scan()
{
    if (m_scan && m_stoppedAtDate && m_index < m_scan->end) {
        const auto taken = [this](qsizetype line) { return line <= m_index; };
        m_scan->errors.removeIf([&](const FileOutcome::Problem &problem) { return taken(problem.line); });
        m_scan->copyrightLines.removeIf(taken);
        m_scan->from = m_index;
        return;
    }
    Scan scan;
    scan.from = m_index;
    QDate current = m_current;
    QDate oldest = m_oldest;
    qsizetype index = m_index + 1;
    for (; m_lines->has(index); ++index) {
        if (holdsAt(index, kIdentification, LineFacts::Identification))
            break;
        if (holdsAt(index, kCopyright, LineFacts::Copyright)) {
            const QStringView text = line(index);
            scan.copyrightLines << index;
            const QString &firstYear = yearText(oldest);
            if (columns(text, 13, 4) != firstYear)
                scan.errors.append({index, kBadFirstYear.arg(firstYear)});
            const QString &lastYear = yearText(m_first);
            if (text.size() >= 17 && text[16] == kEllipsis && columns(text, 18, 4) != lastYear)
                scan.errors.append({index, kBadLastYear.arg(lastYear)});
        }
        if (const auto date = dateField(index))
            current = *date;
        oldest = qMin(oldest, current);
    }
    scan.end = index;
    scan.oldest = oldest;
    m_scan = std::move(scan);
}

void HeaderReader::addFileBlock(FileOutcome &outcome) const
{
    if (m_options.OnlyChanges && IsEmptyValue(m_entries))
        return;
    outcome.hasBlock = true;
    QStringList &items = outcome.items;
    items << m_nameItem;
    if (m_options.WithDescription && !m_description.isEmpty()) {
        items << m_descriptionItem;
        if (m_withContent)
            outcome.description = m_description.split(kCrLf);
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
    page.encodeTo(HasOnlyCrLfBreaks(item) ? QStringView(item) : QStringView(NormalizeLineBreaks(item)), bytes);
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
    reading.linesAsked = lines.linesAsked();
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

namespace {

// One item of a report with its measure.
struct MeasuredItem
{
    QString text;
    qint64 lines = 0;
    bool marked = false;
};

// The item's paragraphs in JoinLines' text are those of the item followed
// by CR LF: a text that ends in a line break splits apart from whatever
// follows it, and no line of a file holds the NUL that would end a split.
// They are the lines of the item, and an empty one after a break at its
// very end or for an empty item. An entry list that only grew since
// `before` is measured by its new entries alone.
void measureItem(const QString &item, MeasuredItem &measured, const ParagraphMeasure &measure)
{
    // An item not measured before holds no text at all.
    const bool before = !measured.text.isNull();
    if (before && (measured.text.isSharedWith(item) || measured.text == item))
        return;
    const qsizetype kept = measured.text.size();
    qsizetype from = 0;
    if (before && item.size() > kept + 2 && item.startsWith(measured.text)
        && QStringView(item).sliced(kept, 2) == kCrLf) {
        from = kept + 2;
    } else {
        measured.lines = 0;
        measured.marked = false;
    }
    measured.text = item;
    const auto add = [&](QStringView paragraph) {
        measured.lines += measure.lines(paragraph);
        measured.marked = measured.marked || measure.marked(paragraph);
    };
    const QStringView tail = QStringView(item).sliced(from);
    ForEachLine(tail, add);
    if (tail.isEmpty() || tail.back() == u'\r' || tail.back() == u'\n')
        add({});
}

} // namespace

struct RepeatedChangeReport::State
{
    State(QDate end, const ReportOptions &options, ReportProgress &progress, ParagraphMeasure measure)
        : end(end), options(options), progress(progress), measure(std::move(measure))
    {
    }

    struct File
    {
        QString path;
        QString name;
        SourceLines lines;
        HeaderFacts facts;
        // Reads the file's lines, and walks on as the start moves back.
        std::optional<HeaderReader> reader;
        std::optional<FileOutcome> outcome;
        // The outcome's items, measured.
        QList<MeasuredItem> items;
        qint64 shownLines = 0;
        bool marked = false;
    };
    // Outcomes read for a start, by the index of their file, in file order.
    using Outcomes = std::vector<std::pair<qsizetype, FileOutcome>>;

    void readAll(QDate start, Outcomes &read);
    void readAgain(QDate start, Outcomes &read);
    void readFailed(QDate start, const Outcomes &read, qsizetype failing);
    void take(Outcomes &read);
    void measureErrorList();
    ReportMeasure measureAt(QDate start) const;

    const QDate end;
    const ReportOptions options;
    ReportProgress &progress;
    const ParagraphMeasure measure;
    const DateFormat format = SystemDateFormat();
    const QDate today = QDate::currentDate();
    // A deque: the readers point into their files.
    std::deque<File> files;
    bool built = false;
    QDate start;
    // The files whose walk stopped at a date before the start, by that date,
    // latest first: a start on or before it lets the walk go further.
    std::priority_queue<std::pair<QDate, qsizetype>> waiting;
    qint64 blockLines = 0;
    qsizetype markedFiles = 0;
    std::set<qsizetype> withErrors;
    ReportMeasure errorList{ReportKind::ErrorList};
    std::optional<QDate> oldest;
    QStringList failed;
};

void RepeatedChangeReport::State::readAll(QDate start, Outcomes &read)
{
    const qsizetype count = qsizetype(files.size());
    OrderedWork<FileOutcome> work(count, OrderedWork<FileOutcome>::WorkersFor(count), [this, start](int, qsizetype item) {
        File &file = files[size_t(item)];
        file.lines.read(file.path);
        file.reader.emplace(start, end, options, format, today);
        file.reader->open(file.name, file.lines, &file.facts);
        FileOutcome outcome = file.reader->outcome();
        file.lines.keepFoundLinesOnly();
        return outcome;
    });
    for (qsizetype item = 0; item < count; ++item) {
        progress.FileStarted(files[size_t(item)].name);
        try {
            read.emplace_back(item, work.next());
        } catch (const Error &) {
            readFailed(start, read, item);
            throw;
        }
        progress.FileDone();
    }
}

void RepeatedChangeReport::State::readAgain(QDate start, Outcomes &read)
{
    std::vector<std::pair<QDate, qsizetype>> taken;
    std::vector<qsizetype> due;
    while (!waiting.empty() && waiting.top().first >= start) {
        taken.push_back(waiting.top());
        due.push_back(waiting.top().second);
        waiting.pop();
    }
    std::sort(due.begin(), due.end());
    for (const qsizetype item : due) {
        File &file = files[size_t(item)];
        progress.FileStarted(file.name);
        try {
            file.reader->moveStart(start);
            read.emplace_back(item, file.reader->outcome());
        } catch (const Error &) {
            readFailed(start, read, item);
            for (const auto &entry : taken)
                waiting.push(entry);
            throw;
        }
        // A walk past the lines kept has read the file again.
        file.lines.keepFoundLinesOnly();
        progress.FileDone();
    }
}

// What BuildChangeReport leaves when the file `failing` cannot be read.
void RepeatedChangeReport::State::readFailed(QDate start, const Outcomes &read, qsizetype failing)
{
    failed.clear();
    ReportAssembly report(start, end, failed);
    auto next = read.begin();
    for (qsizetype item = 0; item < failing; ++item) {
        const bool readNow = next != read.end() && next->first == item;
        report.add(files[size_t(item)].name, readNow ? (next++)->second : *files[size_t(item)].outcome);
    }
}

void RepeatedChangeReport::State::take(Outcomes &read)
{
    bool errorsChanged = false;
    for (auto &[item, outcome] : read) {
        File &file = files[size_t(item)];
        // A file read again was taken off the waiting list when it fell due.
        if (outcome.stoppedBefore)
            waiting.emplace(*outcome.stoppedBefore, item);

        // Each item is measured where it stands; a new one from nothing.
        file.items.resize(outcome.items.size());
        qint64 shownLines = 0;
        bool marked = false;
        for (qsizetype at = 0; at < outcome.items.size(); ++at) {
            measureItem(outcome.items[at], file.items[at], measure);
            shownLines += file.items[at].lines;
            marked = marked || file.items[at].marked;
        }
        blockLines += shownLines - file.shownLines;
        markedFiles += qsizetype(marked) - qsizetype(file.marked);
        file.shownLines = shownLines;
        file.marked = marked;

        const bool hadErrors = file.outcome && !file.outcome->errors.isEmpty();
        if (hadErrors || !outcome.errors.isEmpty()) {
            errorsChanged = errorsChanged || !hadErrors || file.outcome->errors != outcome.errors;
            if (outcome.errors.isEmpty())
                withErrors.erase(item);
            else
                withErrors.insert(item);
        }
        if (outcome.oldest && (!oldest || *outcome.oldest < *oldest))
            oldest = outcome.oldest;
        file.outcome = std::move(outcome);
    }
    if (errorsChanged)
        measureErrorList();
}

// The error list is made of the files with problems alone.
void RepeatedChangeReport::State::measureErrorList()
{
    QStringList list;
    ReportAssembly report(start, end, list);
    for (const qsizetype item : withErrors)
        report.add(files[size_t(item)].name, *files[size_t(item)].outcome);
    report.finish();
    errorList = ReportMeasure{ReportKind::ErrorList};
    // Each line of the list is a paragraph of its own.
    for (const QString &paragraph : std::as_const(list)) {
        errorList.lines += measure.lines(paragraph);
        errorList.marked = errorList.marked || measure.marked(paragraph);
    }
}

ReportMeasure RepeatedChangeReport::State::measureAt(QDate start) const
{
    if (!withErrors.empty())
        return errorList;
    ReportMeasure report{ReportKind::Report, blockLines, markedFiles > 0};
    for (const QString &paragraph : SplitText(ReportHeading(start, end))) {
        report.lines += measure.lines(paragraph);
        report.marked = report.marked || measure.marked(paragraph);
    }
    return report;
}

RepeatedChangeReport::RepeatedChangeReport(const QStringList &files, QDate end, const ReportOptions &options,
                                           ReportProgress &progress, ParagraphMeasure measure)
    : m_state(std::make_unique<State>(end, options, progress, std::move(measure)))
{
    for (const QString &path : files)
        m_state->files.push_back({path, fileName(path), {}, {}, {}, {}, {}, 0, false});
}

RepeatedChangeReport::~RepeatedChangeReport() = default;

ReportMeasure RepeatedChangeReport::MoveStart(QDate start)
{
    State &state = *m_state;
    State::Outcomes read;
    if (state.built)
        state.readAgain(start, read);
    else
        state.readAll(start, read);
    state.start = start;
    state.built = true;
    state.take(read);
    return state.measureAt(start);
}

ReportKind RepeatedChangeReport::Report(QStringList &resultText) const
{
    const State &state = *m_state;
    ReportAssembly report(state.start, state.end, resultText);
    for (const State::File &file : state.files)
        report.add(file.name, *file.outcome);
    return report.finish();
}

const QStringList &RepeatedChangeReport::FailedReport() const
{
    return m_state->failed;
}

std::optional<QDate> RepeatedChangeReport::OldestDate() const
{
    return m_state->oldest;
}

} // namespace lorvane
