#include "filename.h"

namespace lorvane {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence at p, or 0 when it is not one.
int validSequenceLength(const unsigned char *p, qsizetype left)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int length;
    unsigned min;
    unsigned code;
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        min = 0x80;
        code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        min = 0x800;
        code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        min = 0x10000;
        code = c & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

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
        const int length = validSequenceLength(p + i, size - i);
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
