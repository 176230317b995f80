#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace lorvane {

struct ReportOptions
{
    bool Html = false;
    bool WithDescription = false;
    bool OnlyChanges = false;
};

// How a run tells its caller which file it is on.
class ReportProgress
{
public:
    virtual ~ReportProgress() = default;
    virtual void FileStarted(const QString &name) = 0;
    virtual void FileDone() = 0;
};

// Progress that nobody watches, for runs without a window.
class SilentProgress : public ReportProgress
{
public:
    void FileStarted(const QString &) override {}
    void FileDone() override {}
};

enum class ReportKind { Report, ErrorList };

// One entry of a report, as text without any HTML wrapping, with the date of
// the dated line it belongs to. The text that stands in for the entries of a
// header without a change list has no date.
struct ReportEntry
{
    std::optional<QDate> date;
    QString text;
    friend bool operator==(const ReportEntry &, const ReportEntry &) = default;
};

// One file block of a report as data.
struct ReportBlock
{
    qsizetype file = 0; // index in the list of files given to the builder
    QString name;
    // The description's lines when the block shows it, else none.
    QStringList description;
    QList<ReportEntry> entries;
    friend bool operator==(const ReportBlock &, const ReportBlock &) = default;
};

// One problem of the error list, with the 0-based index of the line where
// it was found: the marker line for a missing header.
struct HeaderProblem
{
    qsizetype file = 0;
    QString name;
    qsizetype line = 0;
    QString message;
    friend bool operator==(const HeaderProblem &, const HeaderProblem &) = default;
};

// What a report's lines are made of, for callers that present it in another
// form: the blocks of the report and the problems of the error list, each in
// the order in which the report and the error list show them.
struct ReportContent
{
    QList<ReportBlock> blocks;
    QList<HeaderProblem> problems;
};

// How the first entry lines of a run's files read: each file whose first
// entry line carries a date field counts once.
struct FirstDateCount
{
    qsizetype read = 0;
    qsizetype unread = 0;
    // Some first dates and none of them read: the sign of headers written
    // in another date format than the one in force.
    bool noneRead() const { return unread > 0 && read == 0; }
};

// The heading line of a report: both dates in the user's short date format.
QString ReportHeading(QDate start, QDate end);

// Replaces `resultText` with the change report of `files` for the window
// Start..End, or with the error list when any header check failed. A file
// that cannot be read throws Error; `resultText` then holds the heading and
// the blocks of the files before it. `content`, when given, receives the
// pieces of the report and of the error list; `firstDates`, how the files'
// first dates read.
ReportKind BuildChangeReport(const QStringList &files, QDate start, QDate end,
                             const ReportOptions &options, ReportProgress &progress,
                             QStringList &resultText, ReportContent *content = nullptr,
                             FirstDateCount *firstDates = nullptr);

// What saving the report of a run writes, and which kind it is.
struct EncodedReport
{
    ReportKind kind = ReportKind::Report;
    QByteArray bytes;
    FirstDateCount firstDates;
};

// The bytes that WriteText writes for NormalizeLineBreaks(JoinLines(report))
// of the report that BuildChangeReport builds for the same arguments, made
// without holding the report as text. Throws Error as BuildChangeReport does.
EncodedReport BuildChangeReportBytes(const QStringList &files, QDate start, QDate end,
                                     const ReportOptions &options, ReportProgress &progress);

// What the builder reads in one file's header for one window, with the
// places of the lines it reads: for callers that change a header and must
// know how it will read. Line indices count from 0.
struct HeaderReading
{
    ReportKind kind = ReportKind::Report;
    // What BuildChangeReport gives for this one file.
    QStringList resultText;
    // Whether line 0 opens a header.
    bool hasHeader = false;
    // The line that holds "Изменения:"; none when the header has none.
    std::optional<qsizetype> heading;
    // The first entry line's date, when its date field reads as a date.
    std::optional<QDate> firstDate;
    // Whether the first entry line's date field holds what is no date.
    bool firstDateUnread = false;
    // With a first date: the first line after those the walk down the
    // change list took.
    qsizetype walkEnd = 0;
    // The lines that were tested as copyright lines.
    QList<qsizetype> copyrightLines;
    // The problems of the error list, with their lines (`file` is 0).
    QList<HeaderProblem> problems;
    // The entries the walk took, without HTML, and the text that stands in
    // for a missing change list (without a date).
    QList<ReportEntry> entries;
    // The lines whose own date field the walk read as a date, in order: from
    // the first entry line to the line where the walk stopped, that line
    // included when a date outside the window stopped it. The window from
    // the first to the last day a header can name takes the whole change
    // list.
    struct DatedLine
    {
        qsizetype line = 0;
        QDate date;
        QString field; // the date field trimmed, as the header shows it
        friend bool operator==(const DatedLine &, const DatedLine &) = default;
    };
    QList<DatedLine> datedLines;
};

// Reads one file, given by its bare name and its content, exactly as
// BuildChangeReport reads a file that holds these bytes on the day `today`
// (which dates without a year, two-digit years and a first date that does
// not read take). Throws Error when they do not decode.
HeaderReading ReadHeader(const QString &name, const QByteArray &bytes, QDate start, QDate end,
                         const ReportOptions &options, QDate today = QDate::currentDate());

// The error list that BuildChangeReport shows for these problems, in their
// order: a group per file name, a name line and a line per problem, groups
// separated by an empty line; a problem of the file named as the one that
// opened the last group adds to that group. Empty for no problems.
QStringList ErrorListLines(const QList<HeaderProblem> &problems);

// Builds the report of one file list again and again with the same end date
// and earlier start dates, as the line limit does, with results identical to
// BuildChangeReport. Each file is read by the first build only; a file whose
// walk down its change list cannot go further gives what it gave before.
class RepeatedChangeReport
{
public:
    RepeatedChangeReport(const QStringList &files, QDate end, const ReportOptions &options,
                         ReportProgress &progress);
    ~RepeatedChangeReport();

    ReportKind Build(QDate start, QStringList &resultText);

    // After a build: the latest start date before the build's own at which
    // the report may differ from it in more than its heading; none when no
    // earlier start changes anything but the heading.
    std::optional<QDate> NextChangeAt() const;
    // After a build: the oldest date that any header carries.
    std::optional<QDate> OldestDate() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace lorvane
