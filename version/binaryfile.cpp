#include "version/binaryfile.h"

#include "core/filename.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvane {

BinaryFile::BinaryFile(const QString &path)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    m_fd = ::open(FileNameToBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return;
    struct stat info;
    // Devices and pipes have no size to bound the reads by: treat them as empty.
    if (::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode))
        m_size = quint64(info.st_size);
}

BinaryFile::~BinaryFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<QByteArray> BinaryFile::read(quint64 offset, quint64 length) const
{
    if (offset > m_size || length > m_size - offset)
        return std::nullopt;
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    quint64 filled = 0;
    while (filled < length) {
        const ssize_t got = ::pread(m_fd, bytes.data() + filled, size_t(length - filled),
                                    off_t(offset + filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        filled += quint64(got);
    }
    return bytes;
}

} // namespace lorvane
