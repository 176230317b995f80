#include "core/filewrite.h"

#include "core/filedescriptor.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace lorvane {

namespace {

// What a copy moves through user memory at a time where the kernel cannot
// copy by itself.
constexpr qint64 kCopyBuffer = 1 << 20;

// SIGPIPE is held back while writing and a pending one dropped.
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

qint64 copyThroughBuffer(int from, qint64 fromOffset, int to, qint64 toOffset, qint64 length)
{
    const qint64 bufferSize = qMin(length, kCopyBuffer);
    const std::unique_ptr<char[]> buffer(new char[size_t(bufferSize)]);
    qint64 copied = 0;
    while (copied < length) {
        const ssize_t got = ::pread(from, buffer.get(), size_t(qMin(bufferSize, length - copied)), fromOffset + copied);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        if (!WriteAll(to, buffer.get(), got, toOffset + copied))
            return -1;
        copied += got;
    }
    return copied;
}

} // namespace

bool WriteAll(int fd, const char *data, qint64 size, qint64 offset)
{
    bool written = true;
    int error = 0;
    {
        // Its end may change errno.
        NoBrokenPipeSignal noSignal;
        while (size > 0) {
            const ssize_t got =
                offset < 0 ? ::write(fd, data, size_t(size)) : ::pwrite(fd, data, size_t(size), offset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                written = false;
                error = got == 0 ? ENOSPC : errno;
                break;
            }
            data += got;
            size -= got;
            if (offset >= 0)
                offset += got;
        }
    }
    errno = error;
    return written;
}

qint64 CopyBytes(int from, qint64 fromOffset, int to, qint64 toOffset, qint64 length)
{
    qint64 copied = 0;
    while (copied < length) {
        loff_t in = fromOffset + copied;
        loff_t out = toOffset + copied;
        const ssize_t moved = ::copy_file_range(from, &in, to, &out, size_t(length - copied), 0);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0) {
            // File systems and kernels that cannot copy between these files.
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) {
                const qint64 rest = copyThroughBuffer(from, fromOffset + copied, to, toOffset + copied, length - copied);
                return rest < 0 ? -1 : copied + rest;
            }
            return -1;
        }
        if (moved == 0)
            break;
        copied += moved;
    }
    return copied;
}

bool ReserveRoom(int fd, qint64 size)
{
    if (size <= 0)
        return true;
    for (;;) {
        if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) == 0)
            return true;
        if (errno != EINTR)
            break;
    }
    return errno == EOPNOTSUPP || errno == ENOSYS;
}

bool OverwriteWith(int to, int from, qint64 size)
{
    if (!ReserveRoom(to, size))
        return false;
    const qint64 copied = CopyBytes(from, 0, to, 0, size);
    if (copied != size) {
        if (copied >= 0)
            errno = EIO; // the copy to put back is shorter than it was made
        return false;
    }
    return ::ftruncate(to, size) == 0 && ::fsync(to) == 0;
}

bool SyncFolder(const QByteArray &folder)
{
    const FileDescriptor fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

} // namespace lorvane
