#include "core/utf8.h"

#include "core/bytescan.h"

namespace lorvane {

int Utf8SequenceLength(const unsigned char *p, qsizetype left)
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

bool IsValidUtf8(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    while (i < size) {
        // Source text is mostly ASCII: skip it in runs.
        if (p[i] < 0x80) {
            i += AsciiPrefixLength(data + i, size - i);
            continue;
        }
        // Two-byte sequences (Cyrillic) are the common non-ASCII case.
        if (p[i] >= 0xC2 && p[i] < 0xE0 && i + 1 < size && (p[i + 1] & 0xC0) == 0x80) {
            i += 2;
            continue;
        }
        const int length = Utf8SequenceLength(p + i, size - i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

QChar *DecodeUtf8(const char *data, qsizetype size, QChar *out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    while (i < size) {
        const unsigned c = p[i];
        if (c < 0x80) {
            const qsizetype run = AsciiPrefixLength(data + i, size - i);
            WidenAscii(data + i, run, out);
            out += run;
            i += run;
        } else if (c < 0xE0) {
            *out++ = QChar(char16_t(((c & 0x1F) << 6) | (p[i + 1] & 0x3F)));
            i += 2;
        } else if (c < 0xF0) {
            *out++ = QChar(char16_t(((c & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F)));
            i += 3;
        } else {
            const char32_t code = ((c & 0x07) << 18) | ((p[i + 1] & 0x3F) << 12) | ((p[i + 2] & 0x3F) << 6)
                                  | (p[i + 3] & 0x3F);
            *out++ = QChar(QChar::highSurrogate(code));
            *out++ = QChar(QChar::lowSurrogate(code));
            i += 4;
        }
    }
    return out;
}

} // namespace lorvane
