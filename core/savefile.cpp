#include "core/savefile.h"

#include "core/error.h"
#include "core/filedescriptor.h"
#include "core/filename.h"
#include "core/textfile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvane {

namespace {

// The system's own limit on links followed in one path; a chain longer than
// this is a loop.
constexpr int kMaxLinks = 40;

// A reader of a FIFO that goes away must fail the save, not end the
// program: SIGPIPE is held back while writing and a pending one dropped.
class NoBrokenPipeSignal
{
public:
    NoBrokenPipeSignal()
    {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe, &m_previous);
    }
    ~NoBrokenPipeSignal()
    {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        const timespec now{0, 0};
        if (!m_wasPending)
            while (sigtimedwait(&pipe, nullptr, &now) == SIGPIPE) {
            }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    NoBrokenPipeSignal(const NoBrokenPipeSignal &) = delete;
    NoBrokenPipeSignal &operator=(const NoBrokenPipeSignal &) = delete;

private:
    sigset_t m_previous;
    bool m_wasPending = false;
};

[[noreturn]] void throwCannotCreate(const QString &path, int errorCode)
{
    throw CannotCreateFileError(path, SystemErrorText(errorCode));
}

[[noreturn]] void throwWriteError()
{
    throw Error(QStringLiteral("Stream write error"));
}

// Writes all bytes, retrying a short write for as long as each attempt
// makes progress.
bool writeAll(int fd, const QByteArray &bytes)
{
    NoBrokenPipeSignal noSignal;
    const char *data = bytes.constData();
    size_t size = size_t(bytes.size());
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
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

// A short name, so that the temporary file fits wherever the target's
// name does.
QByteArray temporaryName(const QByteArray &folder)
{
    constexpr quint32 kFiveDigits = 36 * 36 * 36 * 36 * 36;
    return folder + ".lv" + QByteArray::number(QRandomGenerator::global()->generate() % kFiveDigits, 36) + ".tmp";
}

// A file to write beside the target: unnamed where the file system allows,
// so that nothing outlives a kill, else under a short hidden name.
struct TemporaryFile
{
    int fd = -1;
    QByteArray name; // empty while unnamed
};

TemporaryFile createTemporary(const QByteArray &target, mode_t mode)
{
    TemporaryFile temp;
    temp.fd = ::open(folderToOpen(target).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (temp.fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return temp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp.name = temporaryName(folderPart(target));
        temp.fd = ::open(temp.name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (temp.fd >= 0 || errno != EEXIST)
            break;
    }
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

enum class Outcome { Done, WriteInPlace, TargetAppeared };

// Writes the bytes to a temporary file beside `target` and moves it into
// place: over the old file, which keeps its content until then, or as a new
// file. A new file keeps the mode the umask gives; a replaced one the old
// file's owner, group and mode. Gives way to writing in place when the new
// file could not belong to the old file's owner or the folder refuses it.
Outcome writeBeside(const QString &path, const QByteArray &target, const struct stat *old, const QByteArray &bytes)
{
    TemporaryFile temp = createTemporary(target, old ? 0600 : 0666);
    if (temp.fd < 0) {
        if (old && (errno == EACCES || errno == EPERM))
            return Outcome::WriteInPlace;
        throwCannotCreate(path, errno);
    }
    FileDescriptor fd(temp.fd);
    auto discard = [&] {
        if (!temp.name.isEmpty())
            ::unlink(temp.name.constData());
    };

    if (old) {
        struct stat own;
        if (::fstat(fd.get(), &own) != 0 || ((own.st_uid != old->st_uid || own.st_gid != old->st_gid)
                                             && ::fchown(fd.get(), old->st_uid, old->st_gid) != 0)) {
            discard();
            return Outcome::WriteInPlace;
        }
        if (::fchmod(fd.get(), old->st_mode & 07777) != 0) {
            const int error = errno;
            discard();
            throwCannotCreate(path, error);
        }
    }
    if (!writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
        discard();
        throwWriteError();
    }

    if (temp.name.isEmpty()) {
        if (!old) {
            // Linking fails rather than replace a file made meanwhile.
            if (linkUnnamed(fd.get(), target))
                return Outcome::Done;
            if (errno == EEXIST)
                return Outcome::TargetAppeared;
            throwCannotCreate(path, errno);
        }
        for (int attempt = 0; temp.name.isEmpty(); ++attempt) {
            const QByteArray name = temporaryName(folderPart(target));
            if (linkUnnamed(fd.get(), name))
                temp.name = name;
            else if (errno != EEXIST || attempt == 100)
                throwCannotCreate(path, errno);
        }
    }
    if (::close(fd.release()) != 0) {
        discard();
        throwWriteError();
    }
    if (::rename(temp.name.constData(), target.constData()) != 0) {
        const int error = errno;
        discard();
        // A sticky folder refuses to replace another user's file.
        if (old && (error == EACCES || error == EPERM))
            return Outcome::WriteInPlace;
        throwCannotCreate(path, error);
    }
    return Outcome::Done;
}

// Truncates and writes the existing file itself, as a shell redirection
// does: a device or FIFO stays what it is, hard links and owner stay.
void writeInPlace(const QString &path, const QByteArray &native, const QByteArray &bytes)
{
    FileDescriptor fd(::open(native.constData(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        throwCannotCreate(path, errno);
    struct stat info;
    const bool regular = ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode);
    if (!writeAll(fd.get(), bytes) || (regular && ::fsync(fd.get()) != 0) || ::close(fd.release()) != 0)
        throwWriteError();
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
    if (::stat(real.constData(), &again) != 0 || again.st_dev != info.st_dev || again.st_ino != info.st_ino)
        return {};
    return real;
}

} // namespace

void WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    const QByteArray native = FileNameToBytes(path);
    if (native.isEmpty())
        throwCannotCreate(path, ENOENT);
    if (native.contains('\0'))
        throwCannotCreate(path, EINVAL);

    // A file made by someone else between the test and the creation is
    // looked at again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        struct stat info;
        if (::stat(native.constData(), &info) != 0) {
            if (errno != ENOENT)
                throwCannotCreate(path, errno);
            if (writeBeside(path, nameToCreate(path, native), nullptr, bytes) == Outcome::Done)
                return;
            continue;
        }
        if (S_ISDIR(info.st_mode))
            throwCannotCreate(path, EISDIR);
        if (S_ISREG(info.st_mode)) {
            // A read-only file is refused even for a user whom the system
            // would let write it.
            if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
                throwCannotCreate(path, EACCES);
            if (::access(native.constData(), W_OK) != 0)
                throwCannotCreate(path, errno);
            const QByteArray real = info.st_nlink == 1 ? realTarget(native, info) : QByteArray();
            if (!real.isEmpty() && ::access(folderToOpen(real).constData(), W_OK) == 0
                && writeBeside(path, real, &info, bytes) == Outcome::Done)
                return;
        }
        writeInPlace(path, native, bytes);
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
