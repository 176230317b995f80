#include "arguments.h"
#include "changereport.h"
#include "codepage.h"
#include "error.h"
#include "filename.h"
#include "linelimit.h"
#include "lines.h"
#include "search.h"
#include "textfile.h"
#include "versionstamp.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

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
    int PaneLineCount() const override { return int(SplitText(m_text).size()); }
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
        bytes = ReadFileBytes(source);
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

QStringList searchFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        throw Error(QStringLiteral("Folder \"%1\" does not exist").arg(info.absoluteFilePath()));
    return FindSourceFiles(folder);
}

void writeStdout(const QByteArray &bytes)
{
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
        || std::fflush(stdout) != 0)
        throw Error(QStringLiteral("Stream write error"));
}

int run(const QStringList &arguments)
{
    CodePage::System();
    const ReportArguments args = ParseReportArguments(arguments);
    if (args.mode == ReportArguments::Mode::Help) {
        writeStdout(ReportUsage().toLocal8Bit());
        return 0;
    }
    if (args.mode == ReportArguments::Mode::Version) {
        writeStdout((VersionLine(QStringLiteral("Версия ")) + u'\n').toLocal8Bit());
        return 0;
    }

    const QStringList files = args.folder.isEmpty() ? readFileList(args.filesFrom) : searchFolder(args.folder);
    // As the dialog's Run button does: a start not before the end is the end.
    const QDate start = args.from < args.to ? args.from : args.to;
    QStringList report;
    SilentProgress progress;
    const ReportKind kind = BuildChangeReport(files, start, args.to, args.options, progress, report);
    TextLineLimit limited(args, start, files, report);
    ApplyLineLimit(limited);

    const QString text = NormalizeLineBreaks(limited.text());
    if (args.output.isEmpty())
        writeStdout(EncodeText(text));
    else
        WriteText(args.output, text);
    return kind == ReportKind::ErrorList ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << FileNameFromBytes(QByteArray(argv[i]));
    try {
        return run(arguments);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", DisplayText(ExceptionMessage(e)).toLocal8Bit().constData());
    }
    return 2;
}
