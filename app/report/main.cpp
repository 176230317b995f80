#include "arguments.h"
#include "changereport.h"
#include "codepage.h"
#include "error.h"
#include "filename.h"
#include "lines.h"
#include "search.h"
#include "textfile.h"
#include "versionstamp.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace lorvane;

namespace {

class NoProgress : public ReportProgress
{
public:
    void FileStarted(const QString &) override {}
    void FileDone() override {}
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
    NoProgress progress;
    const ReportKind kind = BuildChangeReport(files, start, args.to, args.options, progress, report);

    const QString text = NormalizeLineBreaks(JoinLines(report));
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
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", DisplayText(e.message()).toLocal8Bit().constData());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", DisplayText(QString::fromLocal8Bit(e.what())).toLocal8Bit().constData());
    }
    return 2;
}
