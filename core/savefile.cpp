#include "core/savefile.h"

#include "core/error.h"
#include "core/filedescriptor.h"
#include "core/filename.h"
#include "core/filewrite.h"
#include "core/leftovers.h"
#include "core/textfile.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace lorvane {

namespace {

// The system's own limit on links followed in one path; a chain longer than
// this is a loop.
constexpr int kMaxLinks = 40;

[[noreturn]] void throwCannotCreate(const QString &path, int errorCode)
{
    throw CannotCreateFileError(path, SystemErrorText(errorCode));
}

[[noreturn]] void throwWriteError(const QString &path, int errorCode)
{
    throw StreamWriteError(path, errorCode);
}

// The folder part of a native path, "/" ended, or empty for a bare name.
QByteArray folderPart(const QByteArray &path)
{
    return path.left(path.lastIndexOf('/') + 1);
}

QByteArray folderToOpen(const QByteArray &path)
{
    const QByteArray folder = folderPart(path);
    if (folder.isEmpty())
        return ".";
    return folder.size() == 1 ? folder : folder.chopped(1);
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Waits for the lock until `deadline`. True when it is held, or when the
// file system has no such locks, where only the checks before a write are
// left to guard an edit.
bool takeLock(int fd, std::chrono::steady_clock::time_point deadline)
{
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

// A file to write beside the target, locked while it is written so that no
// later save takes it for a leftover: unnamed where the file system allows,
// so that nothing outlives a kill, else under a temporary name.
struct TemporaryFile
{
    FileDescriptor fd{-1};
    QByteArray folder;
    QByteArray name; // empty while unnamed

    void discard()
    {
        if (!name.isEmpty())
            ::unlink((folder + name).constData());
        name.clear();
    }
};

TemporaryFile createTemporary(const QByteArray &folder, mode_t mode)
{
    TemporaryFile temp;
    temp.folder = folder;
    temp.fd = FileDescriptor(::open(folder.isEmpty() ? "." : folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode));
    if (temp.fd.get() < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = TemporaryName();
            temp.fd = FileDescriptor(
                ::open((folder + name).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
            if (temp.fd.get() >= 0) {
                temp.name = name;
                break;
            }
            if (errno != EEXIST)
                break;
        }
    }
    if (temp.fd.get() >= 0)
        ::flock(temp.fd.get(), LOCK_EX | LOCK_NB);
    return temp;
}

// Gives an unnamed temporary file the name `name`; fails with EEXIST when
// that name is taken.
bool linkUnnamed(int fd, const QByteArray &name)
{
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, procPath, AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    // Without /proc, only a privileged process can link by descriptor.
    return errno == ENOENT && ::linkat(fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0;
}

// Gives the temporary file the name `name` in its folder, whether it has a
// name yet or not.
bool nameTemporary(TemporaryFile &temp, const QByteArray &name)
{
    const QByteArray path = temp.folder + name;
    if (temp.name.isEmpty() ? !linkUnnamed(temp.fd.get(), path)
                            : ::rename((temp.folder + temp.name).constData(), path.constData()) != 0)
        return false;
    temp.name = name;
    return true;
}

// What a save writes: `head`, then, for an edit, the bytes of the file
// `tail` from `tailFrom` to its end as it was read.
struct Content
{
    const QByteArray &head;
    int tail = -1;
    qint64 tailFrom = 0;
    qint64 tailLength = 0;

    qint64 size() const { return head.size() + tailLength; }
};

// Writes the content into a new, empty file. A tail that ends early is
// left for the check before the file takes the target's place.
bool writeContent(int fd, const Content &content)
{
    return ReserveRoom(fd, content.size()) && WriteAll(fd, content.head.constData(), content.head.size(), 0)
           && (content.tailLength == 0
               || CopyBytes(content.tail, content.tailFrom, fd, content.head.size(), content.tailLength) >= 0);
}

enum class Outcome { Done, WriteInPlace, TargetAppeared, Changed };

// Writes the content to a temporary file beside `target` and moves it into
// place: over the old file, which keeps its content until then, and only
// while `unchanged` holds, or as a new file. A new file keeps the mode the
// umask gives; a replaced one the old file's owner, group and mode. Gives
// way to writing in place when the new file could not belong to the old
// file's owner or the folder refuses it.
template<typename Unchanged>
Outcome writeBeside(const QString &path, const QByteArray &target, const struct stat *old, const Content &content,
                    Unchanged unchanged)
{
    TemporaryFile temp = createTemporary(folderPart(target), old ? 0600 : 0666);
    if (temp.fd.get() < 0) {
        if (old && (errno == EACCES || errno == EPERM))
            return Outcome::WriteInPlace;
        throwCannotCreate(path, errno);
    }
    const int fd = temp.fd.get();
    if (old) {
        struct stat own;
        if (::fstat(fd, &own) != 0 || ((own.st_uid != old->st_uid || own.st_gid != old->st_gid)
                                       && ::fchown(fd, old->st_uid, old->st_gid) != 0)) {
            temp.discard();
            return Outcome::WriteInPlace;
        }
        if (::fchmod(fd, old->st_mode & 07777) != 0) {
            const int error = errno;
            temp.discard();
            throwCannotCreate(path, error);
        }
    }
    if (!writeContent(fd, content) || ::fsync(fd) != 0) {
        const int error = errno;
        temp.discard();
        throwWriteError(path, error);
    }
    if (!unchanged()) {
        temp.discard();
        return Outcome::Changed;
    }

    if (!old && temp.name.isEmpty()) {
        // Linking fails rather than replace a file made meanwhile.
        if (linkUnnamed(fd, target))
            return Outcome::Done;
        if (errno == EEXIST)
            return Outcome::TargetAppeared;
        throwCannotCreate(path, errno);
    }
    for (int attempt = 0; temp.name.isEmpty(); ++attempt) {
        if (!nameTemporary(temp, TemporaryName()) && (errno != EEXIST || attempt == 100))
            throwCannotCreate(path, errno);
    }
    if (::rename((temp.folder + temp.name).constData(), target.constData()) != 0) {
        const int error = errno;
        temp.discard();
        // A sticky folder refuses to replace another user's file.
        if (old && (error == EACCES || error == EPERM))
            return Outcome::WriteInPlace;
        throwCannotCreate(path, error);
    }
    return Outcome::Done;
}

// Truncates and writes a file that is not a regular one, as a shell
// redirection does: a device or FIFO stays what it is.
void writeToDevice(const QString &path, const QByteArray &native, const QByteArray &bytes)
{
    FileDescriptor fd(::open(native.constData(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        throwCannotCreate(path, errno);
    if (!WriteAll(fd.get(), bytes.constData(), bytes.size()) || ::close(fd.release()) != 0)
        throwWriteError(path, errno);
}

// The name that a save to a missing path creates: a dangling link's target,
// followed through any further links, else the path itself.
QByteArray nameToCreate(const QString &path, const QByteArray &native)
{
    QByteArray current = native;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat info;
        if (::lstat(current.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        QByteArray text(PATH_MAX, '\0');
        const ssize_t length = ::readlink(current.constData(), text.data(), size_t(text.size()));
        if (length < 0)
            throwCannotCreate(path, errno);
        if (length == text.size())
            throwCannotCreate(path, ENAMETOOLONG);
        text.truncate(length);
        current = text.startsWith('/') ? text : folderPart(current) + text;
    }
    throwCannotCreate(path, ELOOP);
}

// The file behind the links of `native`, when the path that names it is
// still that file.
QByteArray realTarget(const QByteArray &native, const struct stat &info)
{
    char *resolved = ::realpath(native.constData(), nullptr);
    if (!resolved)
        return {};
    const QByteArray real(resolved);
    std::free(resolved);
    struct stat again;
    if (::stat(real.constData(), &again) != 0 || !sameFile(again, info))
        return {};
    return real;
}

// A complete copy of a file's old content beside it, on disk under its
// backup name, while the file is written in place.
class Backup
{
public:
    // Copies the `size` bytes of `source`; none when the folder takes no
    // new file. Throws the save's write error when the copy cannot be made.
    // None, with `refusal` set, where the folder takes no new file.
    static std::optional<Backup> make(const QString &path, const QByteArray &folder, int source,
                                      const struct stat &info, int &refusal)
    {
        TemporaryFile temp = createTemporary(folder, 0600);
        if (temp.fd.get() < 0) {
            refusal = errno;
            if (refusal == EACCES || refusal == EPERM || refusal == EROFS)
                return std::nullopt;
            throwCannotCreate(path, refusal);
        }
        const qint64 size = qint64(info.st_size);
        const qint64 copied = ReserveRoom(temp.fd.get(), size) ? CopyBytes(source, 0, temp.fd.get(), 0, size) : -1;
        if (copied != size || ::fsync(temp.fd.get()) != 0 || !nameTemporary(temp, BackupName(info.st_ino))
            || !SyncFolder(folder)) {
            const int error = copied >= 0 && copied < size ? EIO : errno;
            temp.discard();
            throwWriteError(path, error);
        }
        return Backup(std::move(temp));
    }

    int fd() const { return m_temp.fd.get(); }
    QByteArray path() const { return m_temp.folder + m_temp.name; }
    void remove()
    {
        m_temp.discard();
        SyncFolder(m_temp.folder);
    }

private:
    explicit Backup(TemporaryFile temp) : m_temp(std::move(temp)) {}
    TemporaryFile m_temp;
};

} // namespace

LockedFile::LockedFile(const QString &path, LockUse use) : m_path(path), m_native(FileNameToBytes(path))
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kLockWaitSeconds);
    // A save before ours may have put a new file in the place of the one we
    // waited for: then it is that one's turn to be locked.
    for (;;) {
        if (use == LockUse::Save) {
            m_fd = FileDescriptor(::open(m_native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
            // A file that can be written but not read is still locked.
            if (m_fd.get() < 0 && errno == EACCES)
                m_fd = FileDescriptor(::open(m_native.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
            if (m_fd.get() < 0 && errno == ENOENT)
                return;
            if (m_fd.get() < 0)
                throwCannotCreate(path, errno);
        } else {
            qint64 size = 0;
            m_fd = OpenFileForReading(path, size);
        }
        if (::fstat(m_fd.get(), &m_info) != 0)
            throwCannotCreate(path, errno);
        if (!S_ISREG(m_info.st_mode)) {
            m_fd = FileDescriptor(-1);
            return;
        }
        if (!takeLock(m_fd.get(), deadline))
            throw CannotCreateFileError(path, QStringLiteral("Another program kept it locked for %1 seconds")
                                                  .arg(kLockWaitSeconds));
        struct stat named;
        if (::stat(m_native.constData(), &named) == 0 && sameFile(named, m_info))
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            throw CannotCreateFileError(path, QStringLiteral("It was replaced again and again for %1 seconds")
                                                  .arg(kLockWaitSeconds));
    }
    const QByteArray real = realTarget(m_native, m_info);
    if (!real.isEmpty()) {
        TidyFolder(folderPart(real), SaveTarget{{m_info.st_dev, m_info.st_ino}, real}, use != LockUse::Preview);
        ::fstat(m_fd.get(), &m_info);
    }
}

QByteArray LockedFile::read(qint64 offset, qsizetype size) const
{
    QByteArray bytes(size, Qt::Uninitialized);
    bytes.truncate(readInto(offset, bytes.data(), size));
    return bytes;
}

qsizetype LockedFile::readInto(qint64 offset, char *data, qsizetype size) const
{
    qsizetype filled = 0;
    while (filled < size) {
        const ssize_t got = ::pread(m_fd.get(), data + filled, size_t(size - filled), offset + filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw CannotOpenFileError(m_path, SystemErrorText(errno));
        if (got == 0)
            break;
        filled += got;
    }
    return filled;
}

bool LockedFile::replaceIfUnchanged(const QByteArray &head, qint64 from, const QByteArray &readHead)
{
    return write(head, from, &readHead);
}

bool LockedFile::replace(const QByteArray &bytes)
{
    return write(bytes, size(), nullptr);
}

bool LockedFile::unchanged(const QByteArray *readHead) const
{
    if (!readHead)
        return true;
    struct stat now;
    struct stat named;
    return ::fstat(m_fd.get(), &now) == 0 && ::stat(m_native.constData(), &named) == 0 && sameFile(named, m_info)
           && now.st_size == m_info.st_size && sameTime(now.st_mtim, m_info.st_mtim)
           && sameTime(now.st_ctim, m_info.st_ctim) && read(0, readHead->size()) == *readHead;
}

bool LockedFile::write(const QByteArray &head, qint64 from, const QByteArray *readHead)
{
    // A read-only file is refused even for a user whom the system would let
    // write it.
    if ((m_info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        throwCannotCreate(m_path, EACCES);
    if (::access(m_native.constData(), W_OK) != 0)
        throwCannotCreate(m_path, errno);
    const QByteArray real = m_info.st_nlink == 1 ? realTarget(m_native, m_info) : QByteArray();
    if (!real.isEmpty() && ::access(folderToOpen(real).constData(), W_OK) == 0) {
        const Content content{head, m_fd.get(), from, size() - from};
        switch (writeBeside(m_path, real, &m_info, content, [&] { return unchanged(readHead); })) {
        case Outcome::Done:
            return true;
        case Outcome::Changed:
            return false;
        case Outcome::WriteInPlace:
        case Outcome::TargetAppeared:
            break;
        }
    }
    return writeInPlace(head, from, readHead);
}

// Writes the file itself, so that its links, owner and place stay: the room
// is set aside first, and a copy of the old content is kept beside it until
// the new content is on disk. Where no copy can be made (a folder that
// takes no new file, a file that cannot be read) a save writes it without
// one, while an edit, which would risk a source file, writes nothing.
bool LockedFile::writeInPlace(const QByteArray &head, qint64 from, const QByteArray *readHead)
{
    FileDescriptor fd(::open(m_native.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0 && errno == EACCES)
        fd = FileDescriptor(::open(m_native.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        throwCannotCreate(m_path, errno);
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !sameFile(info, m_info) || !unchanged(readHead))
        return false;

    const QByteArray real = realTarget(m_native, m_info);
    const bool readable = (::fcntl(fd.get(), F_GETFL) & O_ACCMODE) == O_RDWR;
    int refusal = EACCES;
    std::optional<Backup> backup =
        readable && !real.isEmpty() ? Backup::make(m_path, folderPart(real), fd.get(), m_info, refusal) : std::nullopt;
    if (!backup && readHead && size() > 0)
        throw CannotCreateFileError(m_path, QStringLiteral("No copy of its content can be kept beside it while it is "
                                                           "written in place, so it was left as it was: %1")
                                                .arg(SystemErrorText(refusal)));
    // The copy was made from what is there now.
    if (backup && !unchanged(readHead)) {
        backup->remove();
        return false;
    }
    // Without a copy, the rest is taken before the file is written over.
    const qint64 tailLength = size() - from;
    const QByteArray tailInMemory = backup || tailLength == 0 ? QByteArray() : read(from, tailLength);
    if (!ReserveRoom(fd.get(), head.size() + tailLength)) {
        const int error = errno;
        if (backup)
            backup->remove();
        throwWriteError(m_path, error);
    }
    const bool written =
        WriteAll(fd.get(), head.constData(), head.size(), 0)
        && (!backup || CopyBytes(backup->fd(), from, fd.get(), head.size(), tailLength) == tailLength)
        && WriteAll(fd.get(), tailInMemory.constData(), tailInMemory.size(), head.size())
        && ::ftruncate(fd.get(), head.size() + tailLength) == 0 && ::fsync(fd.get()) == 0;
    if (!written) {
        const int error = errno;
        if (!backup)
            throwWriteError(m_path, error);
        if (!OverwriteWith(fd.get(), backup->fd(), size()))
            throw Error(QStringLiteral("%1. Its old content is in \"%2\"")
                            .arg(StreamWriteError(m_path, error).message(),
                                 AbsoluteFileName(FileNameFromBytes(backup->path()))));
        backup->remove();
        throwWriteError(m_path, error);
    }
    if (backup)
        backup->remove();
    return true;
}

void WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    const QByteArray native = FileNameToBytes(path);
    if (native.isEmpty())
        throwCannotCreate(path, ENOENT);
    if (native.contains('\0'))
        throwCannotCreate(path, EINVAL);

    // A file made, removed or replaced by someone else meanwhile is looked
    // at again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        struct stat info;
        if (::stat(native.constData(), &info) != 0) {
            if (errno != ENOENT)
                throwCannotCreate(path, errno);
            const QByteArray target = nameToCreate(path, native);
            TidyFolder(folderPart(target), std::nullopt, true);
            if (writeBeside(path, target, nullptr, Content{bytes}, [] { return true; }) == Outcome::Done)
                return;
            continue;
        }
        if (S_ISDIR(info.st_mode))
            throwCannotCreate(path, EISDIR);
        if (!S_ISREG(info.st_mode)) {
            writeToDevice(path, native, bytes);
            return;
        }
        LockedFile file(path, LockUse::Save);
        if (file.isOpen() && file.replace(bytes))
            return;
    }
    throwCannotCreate(path, EEXIST);
}

std::optional<FileIdentity> IdentityOfFile(const QString &path)
{
    const QByteArray native = FileNameToBytes(path);
    struct stat info;
    if (native.isEmpty() || native.contains('\0') || ::stat(native.constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

std::optional<FileIdentity> IdentityOfDescriptor(int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

void RefuseOverwritingSource(const QString &output, const QStringList &inputs)
{
    const std::optional<FileIdentity> target = IdentityOfFile(output);
    if (!target)
        return;
    for (const QString &input : inputs)
        if (IdentityOfFile(input) == target)
            throw CannotCreateFileError(output, QStringLiteral("It is the source file \"%1\"").arg(
                                                    AbsoluteFileName(input)));
}

} // namespace lorvane
