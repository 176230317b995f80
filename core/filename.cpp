#include "core/filename.h"

#include "core/utf8.h"

#include <QDir>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvane {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// An escaped byte is a lone surrogate of the escape range; the low half of a
// real surrogate pair can fall in that range too and is left alone.
bool isEscape(const QString &name, qsizetype i)
{
    const char16_t c = name[i].unicode();
    if (c < kEscapeBase + 0x80 || c > kEscapeBase + 0xFF)
        return false;
    return i == 0 || !name[i - 1].isHighSurrogate();
}

} // namespace

QString FileNameFromBytes(const QByteArray &bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const int length = Utf8SequenceLength(p + i, size - i);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + p[i]));
            ++i;
        } else {
            // Not QString::fromUtf8, which drops U+FEFF at the start of what it decodes.
            QChar units[2];
            name.append(units, DecodeUtf8(reinterpret_cast<const char *>(p + i), length, units) - units);
            i += length;
        }
    }
    return name;
}

QByteArray FileNameToBytes(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    const qsizetype size = name.size();
    qsizetype i = 0;
    while (i < size) {
        if (isEscape(name, i)) {
            bytes += char(name[i].unicode() - kEscapeBase);
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < size && !isEscape(name, end))
            ++end;
        bytes += QStringView(name).sliced(i, end - i).toUtf8();
        i = end;
    }
    return bytes;
}

QString AbsoluteFileName(const QString &path)
{
    if (path.startsWith(u'/'))
        return QDir::cleanPath(path);
    QByteArray folder(4096, '\0');
    while (!::getcwd(folder.data(), size_t(folder.size()))) {
        if (errno != ERANGE)
            return QDir::cleanPath(path);
        folder.resize(folder.size() * 2);
    }
    folder.truncate(qstrlen(folder.constData()));
    return QDir::cleanPath(FileNameFromBytes(folder) + u'/' + path);
}

bool IsFolder(const QString &path)
{
    const QByteArray native = FileNameToBytes(path);
    struct stat info;
    return !native.isEmpty() && !native.contains('\0') && ::stat(native.constData(), &info) == 0
           && S_ISDIR(info.st_mode);
}

} // namespace lorvane
