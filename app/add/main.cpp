#include "app/add/arguments.h"
#include "core/changeentry.h"
#include "core/changereport.h"
#include "core/codepage.h"
#include "app/commandline/commandline.h"
#include "core/dateformat.h"
#include "core/error.h"
#include "core/filename.h"
#include "core/savefile.h"
#include "core/textfile.h"
#include "core/unicodetext.h"
#include "core/unifieddiff.h"
#include "version/versionstamp.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>

using namespace lorvane;

namespace {

// One line on standard error that names the file, with its name's own
// bytes.
void printAbout(const QString &path, const QString &message)
{
    const QByteArray line = FileNameToBytes(path) + ": " + DisplayText(message).toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

void addEntry(const QString &path, const AddArguments &args)
{
    const QByteArray bytes = ReadFileBytes(path);
    const EntryEdit edit = AddChangeEntry(QFileInfo(path).fileName(), bytes, args.entry);
    for (const QString &note : edit.notes)
        printAbout(path, note);
    if (args.dryRun) {
        // The diff is UTF-8 throughout, the name too.
        const QByteArray name = WithReplacementCharacters(path).toUtf8();
        WriteStdout(UnifiedDiff(name, name, DecodeText(bytes), DecodeText(edit.bytes)));
    } else {
        WriteFileBytes(path, edit.bytes);
    }
}

// A file named twice (by a glob and a link, say) gets its entry once; the
// later names are said to be left alone. Identities are taken before any
// save, which may give a file a new one.
QStringList distinctFiles(const QStringList &paths)
{
    QList<std::pair<FileIdentity, QString>> named;
    QStringList files;
    for (const QString &path : paths) {
        const std::optional<FileIdentity> identity = IdentityOfFile(path);
        if (identity) {
            const auto same = std::find_if(named.cbegin(), named.cend(),
                                           [&](const auto &seen) { return seen.first == *identity; });
            if (same != named.cend()) {
                printAbout(path, QStringLiteral("The same file as \"%1\"; left alone").arg(same->second));
                continue;
            }
            named.append({*identity, path});
        }
        files << path;
    }
    return files;
}

// How the first dates of the files read, for the hint when every file was
// refused; a file that cannot be read counts for nothing.
FirstDateCount firstDatesOf(const QStringList &paths, QDate day)
{
    FirstDateCount firstDates;
    for (const QString &path : paths) {
        try {
            const HeaderReading reading = ReadHeader(QFileInfo(path).fileName(), ReadFileBytes(path), day, day, {});
            firstDates.read += reading.firstDate.has_value();
            firstDates.unread += reading.firstDateUnread;
        } catch (const Error &) {
        }
    }
    return firstDates;
}

int run(const QStringList &arguments)
{
    CodePage::System();
    const AddArguments args = ParseAddArguments(arguments, QDate::currentDate());
    DateFormatInForce();
    if (args.mode == AddArguments::Mode::Help) {
        WriteStdout(AddUsage().toLocal8Bit());
        return 0;
    }
    if (args.mode == AddArguments::Mode::Version) {
        WriteStdout((VersionLine(QStringLiteral("Версия ")) + u'\n').toLocal8Bit());
        return 0;
    }
    QStringList refused;
    const QStringList files = distinctFiles(args.files);
    for (const QString &path : files) {
        try {
            addEntry(path, args);
        } catch (const Error &e) {
            printAbout(path, e.message());
            refused << path;
        }
    }
    if (!refused.isEmpty() && refused.size() == files.size())
        PrintDateFormatHint(firstDatesOf(refused, args.entry.date));
    return refused.isEmpty() ? 0 : 2;
}

} // namespace

int main(int argc, char **argv)
{
    return RunCommandLine(argc, argv, run);
}
