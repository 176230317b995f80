#include "app/report/arguments.h"
#include "core/changereport.h"
#include "core/codepage.h"
#include "app/commandline/commandline.h"
#include "core/dateformat.h"
#include "core/error.h"
#include "core/filename.h"
#include "core/linelimit.h"
#include "core/lines.h"
#include "core/savefile.h"
#include "formats/jsonreport.h"
#include "formats/markdownreport.h"
#include "core/textfile.h"
#include "version/versionstamp.h"

#include <QFile>

#include <optional>
#include <unistd.h>

using namespace lorvane;

namespace {

// The line limit on a report as text: every line of the text is one line,
// with no wrapping.
class TextLineLimit : public LineLimitTarget
{
public:
    TextLineLimit(const ReportArguments &args, QDate start, const QStringList &files, const QStringList &report)
        : m_limit(args.limit.value_or(0)), m_limitOn(args.limit.has_value()), m_start(start), m_end(args.to),
          m_files(files), m_options(args.options), m_report(report), m_text(JoinLines(report))
    {
    }

    bool LimitOn() const override { return m_limitOn; }
    QString LimitText() const override { return QString::number(m_limit); }
    QDate StartDate() const override { return m_start; }
    QDate EndDate() const override { return m_end; }
    void SetStartDate(QDate date) override { m_start = date; }
    QStringList Files() const override { return m_files; }
    ReportOptions Options() const override { return m_options; }
    ReportProgress &Progress() override { return m_progress; }
    void SetResultText(const QStringList &report) override { m_report = report; }
    int PaneLineCount() const override { return int(CountLines(m_text)); }
    int ShownLines(QStringView) const override { return 1; }
    void SetPaneText(const QString &text) override { m_text = text; }

    const QString &text() const { return m_text; }

private:
    int m_limit;
    bool m_limitOn;
    QDate m_start;
    QDate m_end;
    QStringList m_files;
    ReportOptions m_options;
    SilentProgress m_progress;
    QStringList m_report;
    QString m_text;
};

// One path per line, as bytes, so that any file name can be given.
QStringList readFileList(const QString &source)
{
    QByteArray bytes;
    if (source == u"-") {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            throw Error(QStringLiteral("Cannot read the file list from standard input"));
        bytes = in.readAll();
    } else {
        bytes = ReadListFile(source);
    }
    QStringList files;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            files << FileNameFromBytes(line);
    }
    return files;
}

// Nothing is read before the output is known not to be the file list.
void refuseOverwritingList(const ReportArguments &args)
{
    if (args.output.isEmpty() || args.filesFrom.isEmpty())
        return;
    const std::optional<FileIdentity> output = IdentityOfFile(args.output);
    if (!output)
        return;
    if (args.filesFrom == u"-") {
        if (IdentityOfDescriptor(STDIN_FILENO) == output)
            throw CannotCreateFileError(args.output, QStringLiteral("It is the standard input"));
    } else if (IdentityOfFile(args.filesFrom) == output) {
        throw CannotCreateFileError(args.output, QStringLiteral("It is the file list \"%1\"")
                                                     .arg(AbsoluteFileName(args.filesFrom)));
    }
}

void writeReportBytes(const ReportArguments &args, const QByteArray &bytes)
{
    if (args.output.isEmpty())
        WriteStdout(bytes);
    else
        WriteFileBytes(args.output, bytes);
}

// The report as text or HTML, written as saving it in the window writes it.
// Without a line limit the report is built as those bytes directly. The
// status tells what is written: a later start can give an error list where
// the first report had none, as the copyright check then reads entry lines
// that the walk no longer takes.
ReportKind writeTextReport(const ReportArguments &args, const QStringList &files, QDate start,
                           FirstDateCount &firstDates)
{
    SilentProgress progress;
    // The limit shapes a report; an error list asked for alone is the first.
    if (!args.limit || args.errorsOnly) {
        const EncodedReport report = BuildChangeReportBytes(files, start, args.to, args.options, progress);
        firstDates = report.firstDates;
        // A clean check still empties an --output file, so that it never
        // shows the problems of an earlier run.
        writeReportBytes(args, args.errorsOnly && report.kind == ReportKind::Report ? QByteArray() : report.bytes);
        return report.kind;
    }
    QStringList report;
    ReportKind kind = BuildChangeReport(files, start, args.to, args.options, progress, report, nullptr, &firstDates);
    TextLineLimit limited(args, start, files, report);
    if (const std::optional<ReportKind> limitedKind = ApplyLineLimit(limited))
        kind = *limitedKind;
    writeReportBytes(args, EncodeText(NormalizeLineBreaks(limited.text())));
    return kind;
}

// Markdown and JSON are rendered from the content of the report that the
// line limit settled on: the first build's, or a build at the limit's start.
ReportKind writeRenderedReport(const ReportArguments &args, const QStringList &files, QDate start,
                               FirstDateCount &firstDates)
{
    QStringList report;
    SilentProgress progress;
    ReportContent content;
    ReportKind kind = BuildChangeReport(files, start, args.to, args.options, progress, report, &content, &firstDates);
    if (args.errorsOnly && kind == ReportKind::Report) {
        writeReportBytes(args, {});
        return kind;
    }
    QDate shownStart = start;
    if (!args.errorsOnly) {
        TextLineLimit limited(args, start, files, report);
        ApplyLineLimit(limited);
        shownStart = limited.StartDate();
    }
    if (shownStart != start)
        kind = BuildChangeReport(files, shownStart, args.to, args.options, progress, report, &content);
    const ReportDocument document{kind, shownStart, args.to, files, std::move(content)};
    writeReportBytes(args, args.format == ReportFormat::Markdown ? MarkdownReport(document) : JsonReport(document));
    return kind;
}

int run(const QStringList &arguments)
{
    CodePage::System();
    const ReportArguments args = ParseReportArguments(arguments);
    DateFormatInForce();
    if (args.mode == ReportArguments::Mode::Help) {
        WriteStdout(ReportUsage().toLocal8Bit());
        return 0;
    }
    if (args.mode == ReportArguments::Mode::Version) {
        WriteStdout((VersionLine(QStringLiteral("Версия ")) + u'\n').toLocal8Bit());
        return 0;
    }

    refuseOverwritingList(args);
    const QStringList files =
        args.folder.isEmpty() ? readFileList(args.filesFrom) : SearchSourceFolder(args.folder, args.exclude, args.strict);
    if (!args.output.isEmpty())
        RefuseOverwritingSource(args.output, files);
    // As the dialog's Run button does: a start not before the end is the end.
    const QDate start = args.from < args.to ? args.from : args.to;
    const bool rendered = args.format == ReportFormat::Markdown || args.format == ReportFormat::Json;
    FirstDateCount firstDates;
    const ReportKind kind = rendered ? writeRenderedReport(args, files, start, firstDates)
                                     : writeTextReport(args, files, start, firstDates);
    PrintDateFormatHint(firstDates);
    return kind == ReportKind::ErrorList ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    return RunCommandLine(argc, argv, run);
}
