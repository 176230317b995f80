#include "app/commandline/commandline.h"

#include "core/dateformat.h"
#include "core/error.h"
#include "core/filedescriptor.h"
#include "core/filename.h"
#include "core/savefile.h"
#include "core/textfile.h"
#include "discovery/search.h"

#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace lorvane {

QDate ParseIsoDate(const QString &option, const QString &text)
{
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch match = iso.match(text);
    const QDate date = match.hasMatch()
                           ? QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt())
                           : QDate();
    if (!date.isValid())
        throw Error(QStringLiteral("Invalid date \"%1\" for %2: expected an existing date as YYYY-MM-DD")
                        .arg(text, option));
    return date;
}

void WriteStdout(const QByteArray &bytes)
{
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
        || std::fflush(stdout) != 0)
        throw StandardOutputWriteError(errno);
}

// Names that are not UTF-8 are given back as the bytes they are on disk.
void PrintError(const QString &message)
{
    std::fprintf(stderr, "%s\n", FileNameToBytes(DisplayText(message)).constData());
}

void PrintDateFormatHint(const FirstDateCount &firstDates)
{
    const DateFormatSetting &setting = DateFormatInForce();
    if (!firstDates.noneRead() || setting.format.readsLike(DateFormat()))
        return;
    PrintError(QStringLiteral("No file's first date reads in the date format \"%1\" of %2; give the format of the "
                              "headers with --date-format or LORVANE_DATE_FORMAT, such as --date-format dd.MM.yyyy")
                   .arg(setting.format.pattern, setting.origin));
}

QByteArray ReadListFile(const QString &path)
{
    // Blocking: a FIFO is read once its writer comes.
    const FileDescriptor fd(::open(FileNameToBytes(path).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw CannotOpenFileError(path, SystemErrorText(errno));
    QByteArray bytes;
    ReadFileToEnd(fd, path, bytes, 4096);
    return bytes;
}

QStringList SearchSourceFolder(const QString &folder, const QString &exclude, bool strict)
{
    if (!IsFolder(folder)) {
        if (IdentityOfFile(folder))
            throw Error(QStringLiteral("\"%1\" is not a folder").arg(AbsoluteFileName(folder)));
        throw Error(QStringLiteral("Folder \"%1\" does not exist").arg(AbsoluteFileName(folder)));
    }
    const QString top = folder.endsWith(u'/') ? folder : folder + u'/';
    int topError = 0;
    int skipped = 0;
    const SkippedFolderSink onSkipped = [&](const QString &path, int errorCode) {
        if (path == top) {
            topError = errorCode;
            return;
        }
        ++skipped;
        PrintError(QStringLiteral("Skipped folder \"%1\". %2")
                         .arg(AbsoluteFileName(path), SystemErrorText(errorCode)));
    };
    const QStringList files = FindSourceFiles(folder, onSkipped, exclude);
    if (topError != 0)
        throw Error(QStringLiteral("Cannot list folder \"%1\". %2")
                        .arg(AbsoluteFileName(folder), SystemErrorText(topError)));
    if (strict && skipped > 0)
        throw Error(skipped == 1 ? QStringLiteral("Stopped by --strict: 1 folder could not be listed")
                                 : QStringLiteral("Stopped by --strict: %1 folders could not be listed").arg(skipped));
    return files;
}

int RunCommandLine(int argc, char **argv, int (*run)(const QStringList &arguments))
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << FileNameFromBytes(QByteArray(argv[i]));
    try {
        return run(arguments);
    } catch (const std::exception &e) {
        PrintError(ExceptionMessage(e));
    }
    return 2;
}

} // namespace lorvane
