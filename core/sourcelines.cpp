#include "core/sourcelines.h"

#include "core/bytescan.h"
#include "core/codepage.h"
#include "core/textfile.h"
#include "core/utf8.h"

namespace lorvane {

void SourceLines::read(const QString &path)
{
    QString kept = path; // `path` may be m_path itself, which read() clears
    try {
        read(ReadFileBytes(kept));
    } catch (const std::bad_alloc &) {
        throw NotEnoughMemoryError(kept);
    }
    m_path = std::move(kept);
}

void SourceLines::read(QByteArray bytes)
{
    const DetectedEncoding detected = DetectEncoding(bytes);
    const CodePage *codePage = nullptr;
    Kind kind = Kind::Decoded;
    QString text;
    if (detected.encoding == FileEncoding::Utf8) {
        if (!IsValidUtf8(bytes.constData() + 3, bytes.size() - 3))
            throw NoMappingError();
        kind = Kind::Utf8;
    } else if (detected.encoding == FileEncoding::CodePage && CodePage::System().isSingleByte()) {
        codePage = &CodePage::System();
        kind = Kind::SingleByte;
    } else {
        text = DecodeText(bytes);
    }

    m_path.clear();
    const bool sameUnits = kind == m_kind && codePage == m_codePage;
    m_kind = kind;
    m_codePage = codePage;
    m_begin = kind == Kind::Decoded ? 0 : detected.markLength;
    m_bytes = std::move(bytes);
    if (kind == Kind::Decoded)
        m_text = std::move(text);
    else
        m_text.resize(0); // keeps the capacity for the next file
    m_lines.clear();
    m_scan = m_begin;
    if (kind == Kind::Decoded) {
        m_finished = m_text.isEmpty() || m_text.front() == u'\0';
    } else {
        // Decoded lines go here; one unit per byte at most, so the text never
        // moves and views into it stay valid.
        m_text.reserve(m_bytes.size());
        if (!sameUnits) {
            m_asciiBreaks = true;
            for (int byte = 0; byte < 256; ++byte) {
                const char16_t c = codePage ? codePage->charOf(byte) : char16_t(byte);
                m_unitOfByte[byte] = classify(c);
                const bool isBreakByte = byte == 0 || byte == '\n' || byte == '\r';
                if ((m_unitOfByte[byte] != Unit::Text) != isBreakByte || (byte < 0x80 && c != byte))
                    m_asciiBreaks = false;
            }
        }
        m_finished = m_scan >= m_bytes.size()
                     || m_unitOfByte[static_cast<unsigned char>(m_bytes[m_scan])] == Unit::Nul;
    }
}

bool SourceLines::has(qsizetype index)
{
    if (index < qsizetype(m_lines.size()))
        return true;
    if (m_kind == Kind::Kept) {
        if (m_finished)
            return false;
        read(m_path);
    }
    while (qsizetype(m_lines.size()) <= index) {
        if (!findNext())
            return false;
    }
    return true;
}

void SourceLines::keepFoundLinesOnly()
{
    qsizetype total = 0;
    for (const Span &span : m_lines)
        total += span.length;
    QString kept;
    kept.reserve(total);
    for (Span &span : m_lines) {
        const qsizetype at = kept.size();
        kept += QStringView(m_text).sliced(span.start, span.length);
        span.start = at;
    }
    m_text = std::move(kept);
    m_bytes = QByteArray();
    m_kind = Kind::Kept;
}

QStringView SourceLines::line(qsizetype index)
{
    if (!has(index))
        return {};
    const Span span = m_lines[size_t(index)];
    return QStringView(m_text).sliced(span.start, span.length);
}

SourceLines::Unit SourceLines::classify(char16_t c)
{
    switch (c) {
    case u'\r':
        return Unit::Cr;
    case u'\n':
        return Unit::Lf;
    case u'\0':
        return Unit::Nul;
    default:
        return Unit::Text;
    }
}

// Finds the line that starts at m_scan, as SplitText does: it runs up to the
// next CR, LF or NUL; CR, then LF, are stepped over; a NUL ends the text.
template<typename T, typename Classify, typename FindBreak>
bool SourceLines::findNextIn(const T *units, qsizetype size, Classify unitOf, FindBreak findBreak, qsizetype &start,
                             qsizetype &end)
{
    if (m_finished)
        return false;
    start = m_scan;
    qsizetype pos = findBreak(start);
    end = pos;
    if (pos < size && unitOf(units[pos]) == Unit::Cr)
        ++pos;
    if (pos < size && unitOf(units[pos]) == Unit::Lf)
        ++pos;
    m_scan = pos;
    m_finished = pos >= size || unitOf(units[pos]) == Unit::Nul;
    return true;
}

bool SourceLines::findNext()
{
    qsizetype start = 0;
    qsizetype end = 0;
    if (m_kind == Kind::Kept)
        return false;
    if (m_kind == Kind::Decoded) {
        const QChar *text = m_text.constData();
        const qsizetype size = m_text.size();
        auto unitOf = [](QChar c) { return classify(c.unicode()); };
        auto findBreak = [&](qsizetype pos) {
            while (pos < size && unitOf(text[pos]) == Unit::Text)
                ++pos;
            return pos;
        };
        if (!findNextIn(text, size, unitOf, findBreak, start, end))
            return false;
        m_lines.push_back({start, end - start});
        return true;
    }
    const char *bytes = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    auto unitOf = [this](char byte) { return m_unitOfByte[static_cast<unsigned char>(byte)]; };
    auto findBreak = [&](qsizetype pos) {
        if (m_asciiBreaks)
            return FindLineBreakByte(bytes, pos, size);
        while (pos < size && unitOf(bytes[pos]) == Unit::Text)
            ++pos;
        return pos;
    };
    if (!findNextIn(bytes, size, unitOf, findBreak, start, end))
        return false;

    // Decode in place at the end of the reserved text; ASCII, the bulk of
    // source text, is widened directly where it means itself.
    const qsizetype at = m_text.size();
    const qsizetype length = end - start;
    m_text.resize(at + length);
    QChar *out = m_text.data() + at;
    const char *line = bytes + start;
    const qsizetype ascii = m_asciiBreaks ? AsciiPrefixLength(line, length) : 0;
    WidenAscii(line, ascii, out);
    out += ascii;
    if (m_kind == Kind::Utf8) {
        out = DecodeUtf8(line + ascii, length - ascii, out);
    } else {
        for (qsizetype i = ascii; i < length; ++i)
            *out++ = QChar(m_codePage->charOf(static_cast<unsigned char>(line[i])));
    }
    m_text.resize(out - m_text.constData());
    m_lines.push_back({at, m_text.size() - at});
    return true;
}

} // namespace lorvane
