#include "textfile.h"

#include "codepage.h"
#include "error.h"
#include "filename.h"
#include "lines.h"
#include "utf8.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvane {

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

QString absolutePath(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

[[noreturn]] void throwCannotOpen(const QString &path, const QString &reason)
{
    throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(absolutePath(path), reason));
}

[[noreturn]] void throwCannotCreate(const QString &path, int errorCode)
{
    throw Error(QStringLiteral("Cannot create file \"%1\". %2")
                    .arg(absolutePath(path), SystemErrorText(errorCode)));
}

QString decodeUtf16(const char *data, qsizetype size, bool bigEndian)
{
    const qsizetype units = size / 2;
    QString text(units, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(data);
    for (qsizetype i = 0; i < units; ++i) {
        const unsigned hi = in[2 * i + (bigEndian ? 0 : 1)];
        const unsigned lo = in[2 * i + (bigEndian ? 1 : 0)];
        out[i] = char16_t((hi << 8) | lo);
    }
    return text;
}

bool startsWith(const QByteArray &bytes, const char *mark, qsizetype length)
{
    return bytes.size() >= length && std::memcmp(bytes.constData(), mark, size_t(length)) == 0;
}

// Writes all bytes, retrying a short write for as long as each attempt
// makes progress.
bool writeAll(int fd, const char *data, size_t size)
{
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

} // namespace

QString SystemErrorText(int errorCode)
{
    QString text = QString::fromLocal8Bit(std::strerror(errorCode));
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'.' || text.back() == u'\r'
                               || text.back() == u'\n'))
        text.chop(1);
    return text;
}

QByteArray ReadFileBytes(const QString &path)
{
    const QByteArray native = FileNameToBytes(path);
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    FileDescriptor fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        throwCannotOpen(path, SystemErrorText(errno));
    struct stat info;
    if (::fstat(fd.get(), &info) != 0)
        throwCannotOpen(path, SystemErrorText(errno));
    if (S_ISDIR(info.st_mode))
        throwCannotOpen(path, SystemErrorText(EISDIR));
    if (!S_ISREG(info.st_mode))
        throwCannotOpen(path, QStringLiteral("Not a regular file"));

    // One byte more than the file holds, so that the read which finds the
    // end does not have to grow the buffer; a file that grows meanwhile is
    // read to its new end.
    QByteArray bytes;
    bytes.resize(qsizetype(info.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(filled + qMax<qsizetype>(4096, filled / 2));
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throwCannotOpen(path, SystemErrorText(errno));
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

Error NoMappingError()
{
    return Error(QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page"));
}

DetectedEncoding DetectEncoding(const QByteArray &bytes)
{
    if (startsWith(bytes, "\xEF\xBB\xBF", 3))
        return {FileEncoding::Utf8, 3};
    if (startsWith(bytes, "\xFF\xFE", 2))
        return {FileEncoding::Utf16LittleEndian, 2};
    if (startsWith(bytes, "\xFE\xFF", 2))
        return {FileEncoding::Utf16BigEndian, 2};
    return {FileEncoding::CodePage, 0};
}

QString DecodeText(const QByteArray &bytes)
{
    const DetectedEncoding detected = DetectEncoding(bytes);
    const char *data = bytes.constData() + detected.markLength;
    const qsizetype size = bytes.size() - detected.markLength;
    switch (detected.encoding) {
    case FileEncoding::Utf8:
        // Strict: any invalid sequence fails the whole read.
        if (!IsValidUtf8(data, size))
            throw NoMappingError();
    {
        QString text(size, Qt::Uninitialized);
        text.truncate(DecodeUtf8(data, size, text.data()) - text.constData());
        return text;
    }
    case FileEncoding::Utf16LittleEndian:
    case FileEncoding::Utf16BigEndian:
        if (size == 1)
            throw NoMappingError();
        return decodeUtf16(data, size, detected.encoding == FileEncoding::Utf16BigEndian);
    case FileEncoding::CodePage:
        break;
    }
    return CodePage::System().decode(data, size);
}

void ReadLines(const QString &path, QStringList &lines)
{
    lines = SplitText(DecodeText(ReadFileBytes(path)));
}

QByteArray EncodeText(const QString &text)
{
    const CodePage &codePage = CodePage::System();
    QByteArray bytes = codePage.encode(text);
    if (codePage.isUtf8())
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

void WriteText(const QString &path, const QString &text)
{
    WriteFileBytes(path, EncodeText(text));
}

void WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    // Write through a link to its target, keeping the link.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink() && info.exists())
        target = info.canonicalFilePath();
    const QByteArray nativeTarget = FileNameToBytes(target);

    struct stat existing;
    const bool exists = ::stat(nativeTarget.constData(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode))
            throwCannotCreate(path, EISDIR);
        // A read-only file is refused even for a user whom the system
        // would let write it.
        if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            throwCannotCreate(path, EACCES);
        if (::access(nativeTarget.constData(), W_OK) != 0)
            throwCannotCreate(path, errno);
    }

    // The new content goes to a temporary file beside the target, which
    // replaces the target only when every byte is written: a failed save
    // never destroys what the file held.
    const qsizetype slash = nativeTarget.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : nativeTarget.left(slash + 1);
    const QByteArray base = slash < 0 ? nativeTarget : nativeTarget.mid(slash + 1);
    QByteArray temp;
    int fdValue = -1;
    for (int attempt = 0; attempt < 100 && fdValue < 0; ++attempt) {
        temp = folder + '.' + base + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36)
               + ".tmp";
        fdValue = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fdValue < 0 && errno != EEXIST)
            break;
    }
    if (fdValue < 0)
        throwCannotCreate(path, errno);
    FileDescriptor fd(fdValue);

    const bool written = (!exists || ::fchmod(fd.get(), existing.st_mode & 07777) == 0)
                         && writeAll(fd.get(), bytes.constData(), size_t(bytes.size()))
                         && ::fsync(fd.get()) == 0;
    const int closeResult = ::close(fd.release());
    if (!written || closeResult != 0) {
        ::unlink(temp.constData());
        throw Error(QStringLiteral("Stream write error"));
    }
    if (::rename(temp.constData(), nativeTarget.constData()) != 0) {
        const int renameError = errno;
        ::unlink(temp.constData());
        throwCannotCreate(path, renameError);
    }
}

} // namespace lorvane
