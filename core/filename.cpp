#include "filename.h"

#include "utf8.h"

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
            name += QString::fromUtf8(reinterpret_cast<const char *>(p + i), length);
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

} // namespace lorvane
