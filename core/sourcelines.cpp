#include "core/sourcelines.h"

#include "core/bytescan.h"
#include "core/codepage.h"
#include "core/textfile.h"
#include "core/utf8.h"

namespace lorvane {

namespace {

// What the first read of a file takes: more than most headers need.
constexpr qsizetype kFirstRead = 8 * 1024;

} // namespace

void SourceLines::read(const QString &path)
{
    const QString kept = path; // `path` may be m_path itself, which start() replaces
    try {
        qint64 size = 0;
        FileDescriptor file = OpenFileForReading(kept, size);
        QByteArray bytes = std::move(m_spare);
        bytes.resize(0);
        // The first read takes as much whatever size the file claims: a
        // file that grows or that tells no size still shows its mark.
        bool more = ReadFileInto(file, kept, bytes, kFirstRead);
        // One byte more than the file holds, so that the read which finds
        // the end does not have to grow the buffer.
        const qsizetype whole = qMax(qsizetype(size) + 1, kFirstRead + 1);
        const FileEncoding encoding = DetectEncoding(bytes).encoding;
        // Only a file in a single-byte code page can fail nowhere in its rest.
        if (more && (encoding != FileEncoding::CodePage || !CodePage::System().isSingleByte())) {
            ReadFileToEnd(file, kept, bytes, whole);
            more = false;
        }
        start(std::move(bytes), more ? std::move(file) : FileDescriptor(-1), whole, kept);
    } catch (const std::bad_alloc &) {
        throw NotEnoughMemoryError(kept);
    }
}

void SourceLines::read(QByteArray bytes)
{
    start(std::move(bytes), FileDescriptor(-1), 0, QString());
}

void SourceLines::start(QByteArray bytes, FileDescriptor file, qsizetype expectedSize, const QString &path)
{
    const DetectedEncoding detected = DetectEncoding(bytes);
    const CodePage *codePage = nullptr;
    Kind kind = Kind::Decoded;
    QString text;
    if (detected.encoding == FileEncoding::Utf8) {
        if (!IsValidUtf8(bytes.constData() + 3, bytes.size() - 3))
            throw NoMappingError(path);
        kind = Kind::Utf8;
    } else if (detected.encoding == FileEncoding::CodePage && CodePage::System().isSingleByte()) {
        codePage = &CodePage::System();
        kind = Kind::SingleByte;
    } else {
        text = DecodeText(bytes, path);
    }

    m_kind = kind;
    m_codePage = codePage;
    m_begin = kind == Kind::Decoded ? 0 : detected.markLength;
    m_spare = std::move(m_bytes);
    m_bytes = std::move(bytes);
    m_file = std::move(file);
    m_path = path;
    if (kind == Kind::Decoded)
        m_text = std::move(text);
    else
        m_text.resize(0); // keeps the capacity for the next file
    m_lines.clear();
    m_scan = m_begin;
    if (kind == Kind::Decoded) {
        m_finished = m_text.isEmpty() || m_text.front() == u'\0';
        return;
    }
    // Decoded lines go here; one unit per byte at most, so the text of a
    // file that does not grow while it is read never moves and views into
    // it stay valid.
    m_text.reserve(qMax(m_bytes.size(), expectedSize));
    m_units = &byteUnits(codePage);
    readUpTo(m_scan + 1);
    m_finished = m_scan >= m_bytes.size() || unitOfByte(m_scan) == Unit::Nul;
}

bool SourceLines::readMore()
{
    if (m_file.get() < 0)
        return false;
    const qsizetype before = m_bytes.size();
    try {
        if (!ReadFileInto(m_file, m_path, m_bytes, before + qMax<qsizetype>(kFirstRead, before)))
            m_file = FileDescriptor(-1);
    } catch (const std::bad_alloc &) {
        throw NotEnoughMemoryError(m_path);
    }
    return m_bytes.size() > before;
}

void SourceLines::readUpTo(qsizetype size)
{
    while (m_bytes.size() < size && readMore()) {
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
    m_spare = QByteArray();
    m_file = FileDescriptor(-1);
    m_kind = Kind::Kept;
}

QStringView SourceLines::line(qsizetype index)
{
    if (!has(index))
        return {};
    const Span span = m_lines[size_t(index)];
    return QStringView(m_text).sliced(span.start, span.length);
}

const SourceLines::ByteUnits &SourceLines::byteUnits(const CodePage *codePage)
{
    auto make = [](const CodePage *page) {
        ByteUnits units;
        for (int byte = 0; byte < 256; ++byte) {
            const char16_t c = page ? page->charOf(byte) : char16_t(byte);
            units.unit[byte] = classify(c);
            const bool isBreakByte = byte == 0 || byte == '\n' || byte == '\r';
            if ((units.unit[byte] != Unit::Text) != isBreakByte || (byte < 0x80 && c != byte))
                units.asciiBreaks = false;
        }
        return units;
    };
    static const ByteUnits utf8 = make(nullptr);
    if (!codePage)
        return utf8;
    // Files without a mark are always read in the system code page.
    static const ByteUnits system = make(&CodePage::System());
    return system;
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
bool SourceLines::findNextDecoded()
{
    if (m_finished)
        return false;
    const QChar *text = m_text.constData();
    const qsizetype size = m_text.size();
    const qsizetype start = m_scan;
    qsizetype pos = start;
    while (pos < size && classify(text[pos].unicode()) == Unit::Text)
        ++pos;
    m_lines.push_back({start, pos - start});
    if (pos < size && text[pos] == u'\r')
        ++pos;
    if (pos < size && text[pos] == u'\n')
        ++pos;
    m_scan = pos;
    m_finished = pos >= size || text[pos] == u'\0';
    return true;
}

// The same on bytes, read as far as the line and the break after it reach.
bool SourceLines::findNext()
{
    if (m_kind == Kind::Kept || m_finished)
        return false;
    if (m_kind == Kind::Decoded)
        return findNextDecoded();

    const qsizetype start = m_scan;
    qsizetype end = start;
    for (;;) {
        const qsizetype size = m_bytes.size();
        if (m_units->asciiBreaks) {
            end = FindLineBreakByte(m_bytes.constData(), end, size);
        } else {
            while (end < size && unitOfByte(end) == Unit::Text)
                ++end;
        }
        if (end < size || !readMore())
            break;
    }
    // The break, an LF after a CR, and the unit that follows them.
    readUpTo(end + 3);
    const qsizetype size = m_bytes.size();
    qsizetype pos = end;
    if (pos < size && unitOfByte(pos) == Unit::Cr)
        ++pos;
    if (pos < size && unitOfByte(pos) == Unit::Lf)
        ++pos;
    m_scan = pos;
    m_finished = pos >= size || unitOfByte(pos) == Unit::Nul;

    // Decode in place at the end of the reserved text; ASCII, the bulk of
    // source text, is widened directly where it means itself.
    const qsizetype at = m_text.size();
    const qsizetype length = end - start;
    m_text.resize(at + length);
    QChar *out = m_text.data() + at;
    const char *line = m_bytes.constData() + start;
    const qsizetype ascii = m_units->asciiBreaks ? AsciiPrefixLength(line, length) : 0;
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
