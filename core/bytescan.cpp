#include "core/bytescan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lorvane {

#if defined(__SSE2__)
namespace {

// Whether `value` has none of the bits of `mask`.
bool noBitOf(__m128i mask, __m128i value)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(value, mask), _mm_setzero_si128())) == 0xFFFF;
}

} // namespace
#endif

qsizetype FindLineBreakByte(const char *bytes, qsizetype from, qsizetype size)
{
    qsizetype pos = from;
#if defined(__SSE2__)
    const __m128i nul = _mm_setzero_si128();
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; pos + 16 <= size; pos += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + pos));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, nul), _mm_cmpeq_epi8(chunk, lf)),
                                          _mm_cmpeq_epi8(chunk, cr));
        if (const int mask = _mm_movemask_epi8(hits))
            return pos + __builtin_ctz(unsigned(mask));
    }
#endif
    for (; pos < size; ++pos) {
        const char c = bytes[pos];
        if (c == '\0' || c == '\n' || c == '\r')
            return pos;
    }
    return size;
}

qsizetype AsciiPrefixLength(const char *bytes, qsizetype size)
{
    qsizetype pos = 0;
#if defined(__SSE2__)
    // Sixty-four bytes a step through the long ASCII runs of a file's body.
    for (; pos + 64 <= size; pos += 64) {
        const auto *block = reinterpret_cast<const __m128i *>(bytes + pos);
        const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(block), _mm_loadu_si128(block + 1)),
                                         _mm_or_si128(_mm_loadu_si128(block + 2), _mm_loadu_si128(block + 3)));
        if (_mm_movemask_epi8(any))
            break;
    }
    for (; pos + 16 <= size; pos += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + pos));
        if (const int mask = _mm_movemask_epi8(chunk))
            return pos + __builtin_ctz(unsigned(mask));
    }
#endif
    while (pos < size && static_cast<unsigned char>(bytes[pos]) < 0x80)
        ++pos;
    return pos;
}

void WidenAscii(const char *bytes, qsizetype count, QChar *out)
{
    qsizetype pos = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; pos + 16 <= count; pos += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + pos));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + pos), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + pos + 8), _mm_unpackhi_epi8(chunk, zero));
    }
#endif
    for (; pos < count; ++pos)
        out[pos] = QLatin1Char(bytes[pos]);
}

qsizetype NarrowAscii(const QChar *text, qsizetype size, char *out)
{
    const auto *units = reinterpret_cast<const char16_t *>(text);
    qsizetype pos = 0;
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(short(0xFF80));
    for (; pos + 16 <= size; pos += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + pos));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + pos + 8));
        if (!noBitOf(high, _mm_or_si128(a, b)))
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + pos), _mm_packus_epi16(a, b));
    }
#endif
    for (; pos < size && units[pos] < 0x80; ++pos)
        out[pos] = char(units[pos]);
    return pos;
}

} // namespace lorvane
