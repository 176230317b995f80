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

// The heading line of a report: both dates in the user's short date format.
QString ReportHeading(QDate start, QDate end);

// Replaces `resultText` with the change report of `files` for the window
// Start..End, or with the error list when any header check failed. A file
// that cannot be read throws Error; `resultText` then holds the heading and
// the blocks of the files before it.
ReportKind BuildChangeReport(const QStringList &files, QDate start, QDate end,
                             const ReportOptions &options, ReportProgress &progress,
                             QStringList &resultText);

// What saving the report of a run writes, and which kind it is.
struct EncodedReport
{
    ReportKind kind = ReportKind::Report;
    QByteArray bytes;
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
    // With a first date: the first line after those the walk down the
    // change list took.
    qsizetype walkEnd = 0;
    // The lines that were tested as copyright lines.
    QList<qsizetype> copyrightLines;
};

// Reads one file, given by its bare name and its content, exactly as
// BuildChangeReport reads a file that holds these bytes. Throws Error when
// they do not decode.
HeaderReading ReadHeader(const QString &name, const QByteArray &bytes, QDate start, QDate end,
                         const ReportOptions &options);

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
