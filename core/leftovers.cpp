#include "core/leftovers.h"

#include "core/error.h"
#include "core/filedescriptor.h"
#include "core/filename.h"
#include "core/filewrite.h"
#include "core/textfile.h"

#include <QList>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvane {

namespace {

constexpr char kPrefix[] = ".lv";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr char kBackupSuffix[] = ".old";
constexpr qsizetype kMostDigits = 13; // 36^13 > 2^64

QByteArray base36(quint64 value)
{
    return QByteArray::number(value, 36);
}

// A number as base36() writes it, and only that.
std::optional<quint64> readBase36(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > kMostDigits || (text.size() > 1 && text.front() == '0'))
        return std::nullopt;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return std::nullopt;
    bool ok = false;
    const quint64 value = text.toULongLong(&ok, 36);
    return ok && base36(value) == text ? std::optional(value) : std::nullopt;
}

// When the process started, in clock ticks after boot: the 22nd field of
// its stat line, counted after the name in parentheses, which may hold
// anything. None when no such process runs.
std::optional<quint64> startOfProcess(const QByteArray &pid)
{
    const FileDescriptor fd(::open(("/proc/" + pid + "/stat").constData(), O_RDONLY | O_CLOEXEC));
    char line[1024];
    const ssize_t got = fd.get() < 0 ? -1 : ::read(fd.get(), line, sizeof line - 1);
    if (got <= 0)
        return std::nullopt;
    const QByteArray text(line, got);
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // The state is the 3rd field, the start the 22nd.
    bool ok = false;
    const quint64 start = fields.size() > 19 ? fields[19].toULongLong(&ok) : 0;
    return ok ? std::optional(start) : std::nullopt;
}

struct Process
{
    quint64 pid;
    quint64 start;
};

// This process, as the names give it; a start of 0 where /proc cannot say.
// Found again in a child that a fork made.
Process thisProcess()
{
    static std::mutex guard;
    static Process self{0, 0};
    const std::lock_guard lock(guard);
    const quint64 pid = quint64(::getpid());
    if (self.pid != pid)
        self = {pid, startOfProcess(QByteArray::number(pid)).value_or(0)};
    return self;
}

// Whether the process may still run: without /proc nobody can tell.
bool mayRun(const Process &process)
{
    if (thisProcess().start == 0)
        return true;
    const std::optional<quint64> start = startOfProcess(QByteArray::number(process.pid));
    return start && *start == process.start;
}

QByteArray processPart(const Process &process)
{
    return kPrefix + base36(process.pid) + '.' + base36(process.start) + '.';
}

struct Leftover
{
    Process maker;
    quint64 number; // the inode of a copy's file
    bool isBackup;
};

std::optional<Leftover> parseName(const QByteArray &name)
{
    const bool backup = name.endsWith(kBackupSuffix);
    if (!name.startsWith(kPrefix) || (!backup && !name.endsWith(kTemporarySuffix)))
        return std::nullopt;
    const QList<QByteArray> fields = name.sliced(3, name.size() - 7).split('.');
    if (fields.size() != 3)
        return std::nullopt;
    const auto pid = readBase36(fields[0]);
    const auto start = readBase36(fields[1]);
    const auto number = readBase36(fields[2]);
    if (!pid || !start || !number)
        return std::nullopt;
    return Leftover{{*pid, *start}, *number, backup};
}

void tell(const QString &message)
{
    const QByteArray line = FileNameToBytes(DisplayText(message)) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

QString shown(const QByteArray &path)
{
    return AbsoluteFileName(FileNameFromBytes(path));
}

// When the file was made, where the file system keeps it.
std::optional<statx_timestamp> birthOf(int dirFd, const char *path, int flags)
{
    struct statx info;
    if (::statx(dirFd, path, flags, STATX_BTIME, &info) != 0 || !(info.stx_mask & STATX_BTIME))
        return std::nullopt;
    return info.stx_btime;
}

bool isBefore(const statx_timestamp &a, const statx_timestamp &b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec <= b.tv_nsec);
}

// The name in `folder` of the regular file with `inode`, made before the
// copy `backup` was: an inode number that a newer file took over is not
// that file.
std::optional<QByteArray> fileWithInode(const QByteArray &folder, DIR *dir, ino_t inode, int backup)
{
    ::rewinddir(dir);
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_ino != inode)
            continue;
        const QByteArray path = folder + entry->d_name;
        struct stat info;
        if (::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_ino != inode)
            continue;
        const auto born = birthOf(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW);
        const auto copied = birthOf(backup, "", AT_EMPTY_PATH);
        if (born && copied && !isBefore(*born, *copied))
            continue;
        return path;
    }
    return std::nullopt;
}

// Puts the copy back into the target, whose lock the caller holds, and
// removes it.
void putBack(const SaveTarget &target, const QByteArray &backupPath, int backup, const Leftover &leftover)
{
    struct stat copy;
    FileDescriptor fd(::open(target.path.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0 || ::fstat(backup, &copy) != 0 || !OverwriteWith(fd.get(), backup, qint64(copy.st_size)))
        throw CannotCreateFileError(FileNameFromBytes(target.path),
                                    QStringLiteral("A save that was stopped (process %1) may have left it "
                                                   "half-written, and its old content in \"%2\" could not be put "
                                                   "back: %3")
                                        .arg(leftover.maker.pid)
                                        .arg(shown(backupPath), SystemErrorText(errno)));
    ::unlink(backupPath.constData());
    SyncFolder(backupPath.left(backupPath.lastIndexOf('/') + 1));
    tell(QStringLiteral("Restored \"%1\" from \"%2\": a save that was stopped (process %3) may have left it "
                        "half-written")
             .arg(shown(target.path), shown(backupPath))
             .arg(leftover.maker.pid));
}

} // namespace

QByteArray TemporaryName()
{
    static std::atomic<quint64> next{0};
    return processPart(thisProcess()) + base36(next++) + kTemporarySuffix;
}

QByteArray BackupName(ino_t inode)
{
    return processPart(thisProcess()) + base36(quint64(inode)) + kBackupSuffix;
}

void TidyFolder(const QByteArray &folder, const std::optional<SaveTarget> &target, bool mayWrite)
{
    DIR *dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
    if (!dir)
        return;
    const std::unique_ptr<DIR, int (*)(DIR *)> closer(dir, ::closedir);
    struct Found
    {
        QByteArray path;
        FileDescriptor fd; // holds the lock
        Leftover leftover;
    };
    std::vector<Found> backups;
    while (const dirent *entry = ::readdir(dir)) {
        const std::optional<Leftover> leftover = parseName(entry->d_name);
        if (!leftover || mayRun(leftover->maker))
            continue;
        const QByteArray path = folder + entry->d_name;
        FileDescriptor fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info;
        struct stat named;
        if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()
            || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || ::lstat(path.constData(), &named) != 0
            || named.st_ino != info.st_ino || named.st_dev != info.st_dev)
            continue;
        if (leftover->isBackup)
            backups.push_back({path, std::move(fd), *leftover});
        else if (mayWrite)
            ::unlink(path.constData());
    }
    for (const Found &found : backups) {
        const std::optional<QByteArray> file = fileWithInode(folder, dir, ino_t(found.leftover.number), found.fd.get());
        struct stat info;
        const bool isTarget = file && target && ::stat(file->constData(), &info) == 0
                              && FileIdentity{info.st_dev, info.st_ino} == target->identity;
        if (isTarget && mayWrite)
            putBack(*target, found.path, found.fd.get(), found.leftover);
        else if (file)
            tell(QStringLiteral("\"%1\" may be half-written: a save of it was stopped (process %3); its old "
                                "content is in \"%2\"")
                     .arg(shown(isTarget ? target->path : *file), shown(found.path))
                     .arg(found.leftover.maker.pid));
        else
            tell(QStringLiteral("\"%1\" holds the old content of a file whose save was stopped (process %2); no "
                                "file in its folder is that file now")
                     .arg(shown(found.path))
                     .arg(found.leftover.maker.pid));
    }
}

} // namespace lorvane
