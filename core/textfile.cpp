#include "core/textfile.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/filedescriptor.h"
#include "core/filename.h"
#include "core/lines.h"
#include "core/utf8.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvane {

namespace {

[[noreturn]] void throwCannotOpen(const QString &path, const QString &reason)
{
    throw CannotOpenFileError(path, reason);
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

} // namespace

Error CannotOpenFileError(const QString &path, const QString &reason)
{
    return Error(QStringLiteral("Cannot open file \"%1\". %2").arg(AbsoluteFileName(path), reason));
}

Error CannotCreateFileError(const QString &path, const QString &reason)
{
    return Error(QStringLiteral("Cannot create file \"%1\". %2").arg(AbsoluteFileName(path), reason));
}

Error NotEnoughMemoryError(const QString &path)
{
    return Error(QStringLiteral("Not enough memory to read %1").arg(AbsoluteFileName(path)));
}

QString SystemErrorText(int errorCode)
{
    QString text = QString::fromLocal8Bit(std::strerror(errorCode));
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'.' || text.back() == u'\r'
                               || text.back() == u'\n'))
        text.chop(1);
    return text;
}

FileDescriptor OpenFileForReading(const QString &path, qint64 &size)
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
    size = qint64(info.st_size);
    return fd;
}

bool ReadFileInto(const FileDescriptor &fd, const QString &path, QByteArray &bytes, qsizetype want)
{
    qsizetype filled = bytes.size();
    bytes.resize(want);
    while (filled < want) {
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, size_t(want - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            bytes.truncate(filled);
            throwCannotOpen(path, SystemErrorText(errno));
        }
        if (got == 0) {
            bytes.truncate(filled);
            return false;
        }
        filled += got;
    }
    return true;
}

void ReadFileToEnd(const FileDescriptor &fd, const QString &path, QByteArray &bytes, qsizetype want)
{
    while (ReadFileInto(fd, path, bytes, want))
        want += qMax<qsizetype>(4096, want / 2);
}

QByteArray ReadFileBytes(const QString &path)
{
    qint64 size = 0;
    const FileDescriptor fd = OpenFileForReading(path, size);
    // One byte more than the file holds, so that the read which finds the
    // end does not have to grow the buffer.
    QByteArray bytes;
    ReadFileToEnd(fd, path, bytes, qsizetype(size) + 1);
    return bytes;
}

Error NoMappingError(const QString &path)
{
    const QString message =
        QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page");
    if (path.isEmpty())
        return Error(message);
    return Error(message + QStringLiteral(". File \"%1\"").arg(AbsoluteFileName(path)));
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

QByteArray EncodeUtf16(QStringView text, bool bigEndian)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8);
        const char lo = char(c.unicode() & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

QString DecodeText(const QByteArray &bytes, const QString &path)
{
    const DetectedEncoding detected = DetectEncoding(bytes);
    const char *data = bytes.constData() + detected.markLength;
    const qsizetype size = bytes.size() - detected.markLength;
    switch (detected.encoding) {
    case FileEncoding::Utf8:
        // Strict: any invalid sequence fails the whole read.
        if (!IsValidUtf8(data, size))
            throw NoMappingError(path);
    {
        QString text(size, Qt::Uninitialized);
        text.truncate(DecodeUtf8(data, size, text.data()) - text.constData());
        return text;
    }
    case FileEncoding::Utf16LittleEndian:
    case FileEncoding::Utf16BigEndian:
        if (size == 1)
            throw NoMappingError(path);
        return decodeUtf16(data, size, detected.encoding == FileEncoding::Utf16BigEndian);
    case FileEncoding::CodePage:
        break;
    }
    return CodePage::System().decode(data, size);
}

void ReadLines(const QString &path, QStringList &lines)
{
    try {
        lines = SplitText(DecodeText(ReadFileBytes(path), path));
    } catch (const std::bad_alloc &) {
        throw NotEnoughMemoryError(path);
    }
}

QByteArray EncodedTextMark()
{
    return CodePage::System().isUtf8() ? QByteArray("\xEF\xBB\xBF") : QByteArray();
}

QByteArray EncodeText(const QString &text)
{
    QByteArray bytes = EncodedTextMark();
    CodePage::System().encodeTo(text, bytes);
    return bytes;
}

void WriteText(const QString &path, const QString &text)
{
    WriteFileBytes(path, EncodeText(text));
}

} // namespace lorvane
