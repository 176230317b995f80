#include "core/codepage.h"

#include "core/bytescan.h"
#include "core/error.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <locale.h>

namespace lorvane {

namespace {

constexpr const char *kDefaultCodePage = "CP1251";
constexpr const char *kUtf16 = "UTF-16LE";

class Iconv
{
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (ok())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }
    // Returns 0 on success or the errno of the stop.
    int convert(const char *&in, size_t &inLeft, char *&out, size_t &outLeft)
    {
        char *src = const_cast<char *>(in);
        size_t rc = iconv(m_cd, &src, &inLeft, &out, &outLeft);
        in = src;
        return rc == static_cast<size_t>(-1) ? errno : 0;
    }

private:
    iconv_t m_cd;
};

// glibc's transliteration follows LC_CTYPE; run it under C.UTF-8 so the same
// text gives the same bytes whatever the user's locale.
class Utf8CtypeScope
{
public:
    Utf8CtypeScope()
        : m_locale(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr)))
    {
        if (m_locale)
            m_previous = uselocale(m_locale);
    }
    ~Utf8CtypeScope()
    {
        if (m_locale) {
            uselocale(m_previous);
            freelocale(m_locale);
        }
    }
    Utf8CtypeScope(const Utf8CtypeScope &) = delete;
    Utf8CtypeScope &operator=(const Utf8CtypeScope &) = delete;

private:
    locale_t m_locale;
    locale_t m_previous = nullptr;
};

// Every character of these takes one byte in an 8-bit code page; in UTF-16
// or UCS-4 it does not, and line breaks could not be found in the bytes.
constexpr char kAsciiProbe[] = "\t\n\r !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                               "abcdefghijklmnopqrstuvwxyz{|}~";

bool writesAsciiAsSingleBytes(const QByteArray &iconvName)
{
    Iconv cd(iconvName.constData(), kUtf16);
    const QString probe = QString::fromLatin1(kAsciiProbe);
    const char *in = reinterpret_cast<const char *>(probe.utf16());
    size_t inLeft = size_t(probe.size()) * sizeof(char16_t);
    char buffer[4 * sizeof kAsciiProbe + 16];
    char *out = buffer;
    size_t outLeft = sizeof buffer;
    return cd.ok() && cd.convert(in, inLeft, out, outLeft) == 0 && inLeft == 0
           && sizeof buffer - outLeft == size_t(probe.size());
}

bool isUtf8Name(const QString &name)
{
    const QString upper = name.toUpper();
    return upper == u"UTF-8" || upper == u"UTF8" || upper == u"CP65001";
}

} // namespace

CodePage::CodePage(const QString &name)
    : m_name(name), m_iconvName(name.toLatin1()), m_utf8(isUtf8Name(name))
{
    Iconv probe(kUtf16, m_iconvName.constData());
    // iconv takes a blank name for the locale's own character set.
    if (!probe.ok() || name.trimmed().isEmpty())
        throw Error(QStringLiteral("Unknown code page \"%1\"").arg(name));
    if (!writesAsciiAsSingleBytes(m_iconvName))
        throw Error(QStringLiteral("Not an 8-bit code page \"%1\"").arg(name));
    if (m_utf8)
        return;

    m_singleByte = true;
    std::array<bool, 256> defined{};
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const char *in = &byte;
        size_t inLeft = 1;
        char16_t units[4] = {};
        char *out = reinterpret_cast<char *>(units);
        size_t outLeft = sizeof units;
        const int err = probe.convert(in, inLeft, out, outLeft);
        probe.reset();
        if (err == EINVAL) { // a lead byte: the code page is multi-byte
            m_singleByte = false;
            break;
        }
        const bool oneUnit = err == 0 && outLeft == sizeof units - sizeof(char16_t);
        // A byte that the code page leaves undefined is the character of
        // the same value.
        m_table[b] = oneUnit ? units[0] : char16_t(b);
        defined[b] = oneUnit;
    }
    if (!m_singleByte)
        return;
    buildEncodeTable(defined);
    m_asciiIdentity = true;
    for (char16_t c = 0; c < 128 && m_asciiIdentity; ++c)
        m_asciiIdentity = m_encodeTable[c] == c;
}

// Asks iconv, without best fit, for the byte of every character that a
// byte stands for. A character that converts by itself converts the same
// wherever it stands, so the table answers exactly as iconv would.
void CodePage::buildEncodeTable(const std::array<bool, 256> &defined)
{
    m_encodeTable.assign(0x10000, kUnmapped);
    Iconv cd(m_iconvName.constData(), kUtf16);
    for (int b = 0; b < 256 && cd.ok(); ++b) {
        const char16_t c = m_table[b];
        if (!defined[b] || QChar::isSurrogate(c))
            continue;
        const char *in = reinterpret_cast<const char *>(&c);
        size_t inLeft = sizeof c;
        char bytes[8];
        char *out = bytes;
        size_t outLeft = sizeof bytes;
        const int err = cd.convert(in, inLeft, out, outLeft);
        cd.reset();
        if (err == 0 && inLeft == 0 && outLeft == sizeof bytes - 1)
            m_encodeTable[c] = static_cast<unsigned char>(bytes[0]);
    }
}

CodePage::~CodePage() = default;

const CodePage &CodePage::System()
{
    static const QString name = [] {
        const QByteArray env = qgetenv("LORVANE_CODEPAGE");
        return env.isEmpty() ? QString::fromLatin1(kDefaultCodePage) : QString::fromLocal8Bit(env);
    }();
    static QString failure;
    static const std::unique_ptr<CodePage> page = [] {
        try {
            return std::make_unique<CodePage>(name);
        } catch (const Error &error) {
            failure = error.message() + QStringLiteral(" in LORVANE_CODEPAGE");
            return std::unique_ptr<CodePage>();
        }
    }();
    if (!page)
        throw Error(failure);
    return *page;
}

QString CodePage::decode(const char *data, qsizetype size) const
{
    if (m_utf8)
        return QString::fromUtf8(data, size);
    if (!m_singleByte)
        return decodeMultiByte(data, size);
    QString text(size, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(data);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = m_table[in[i]];
    return text;
}

QString CodePage::decodeMultiByte(const char *data, qsizetype size) const
{
    Iconv cd(kUtf16, m_iconvName.constData());
    QString text;
    text.reserve(size);
    const char *in = data;
    size_t inLeft = static_cast<size_t>(size);
    char16_t buffer[1024];
    while (inLeft > 0) {
        char *out = reinterpret_cast<char *>(buffer);
        size_t outLeft = sizeof buffer;
        const int err = cd.convert(in, inLeft, out, outLeft);
        text.append(reinterpret_cast<const QChar *>(buffer),
                    qsizetype((sizeof buffer - outLeft) / sizeof(char16_t)));
        if (err == EILSEQ || err == EINVAL) {
            // Decoding never fails: an undefined byte is its own character.
            text.append(QChar(char16_t(static_cast<unsigned char>(*in))));
            ++in;
            --inLeft;
            cd.reset();
        } else if (err != 0 && err != E2BIG) {
            break;
        }
    }
    return text;
}

QByteArray CodePage::encode(QStringView text) const
{
    QByteArray bytes;
    encodeTo(text, bytes);
    return bytes;
}

void CodePage::encodeTo(QStringView text, QByteArray &bytes) const
{
    if (m_utf8)
        bytes += text.toUtf8();
    else if (m_singleByte)
        encodeSingleByteTo(text, bytes);
    else
        encodeWithIconv(text, bytes);
}

// Through the table up to the first character it does not map; from there
// iconv takes the rest of the line, so that a best fit sees the characters
// after that one as it would in the whole text. Conversion starts afresh at
// a line's start either way, since a single-byte code page keeps no state.
void CodePage::encodeSingleByteTo(QStringView text, QByteArray &bytes) const
{
    const QChar *in = text.data();
    const qsizetype size = text.size();
    qsizetype done = bytes.size();
    bytes.resize(done + size);
    char *out = bytes.data();
    qsizetype i = 0;
    while (i < size) {
        const char16_t c = in[i].unicode();
        // Long ASCII runs go sixteen at a time; words between blanks do not
        // pay for the call.
        if (m_asciiIdentity && c < 0x80 && i + 16 <= size && in[i + 15].unicode() < 0x80) {
            const qsizetype run = NarrowAscii(in + i, size - i, out + done);
            i += run;
            done += run;
            continue;
        }
        const std::uint16_t byte = m_encodeTable[c];
        if (byte != kUnmapped) {
            out[done++] = char(byte);
            ++i;
            continue;
        }
        const qsizetype lineEnd = text.indexOf(u'\n', i);
        const qsizetype end = lineEnd < 0 ? size : lineEnd + 1;
        bytes.truncate(done);
        encodeWithIconv(text.sliced(i, end - i), bytes);
        i = end;
        done = bytes.size();
        bytes.resize(done + size - i);
        out = bytes.data();
    }
    bytes.truncate(done);
}

void CodePage::encodeWithIconv(QStringView text, QByteArray &bytes) const
{
    Utf8CtypeScope scope;
    Iconv cd((m_iconvName + "//TRANSLIT").constData(), kUtf16);
    if (!cd.ok())
        throw Error(QStringLiteral("Unknown code page \"%1\"").arg(m_name));
    bytes.reserve(bytes.size() + text.size());
    const char *in = reinterpret_cast<const char *>(text.utf16());
    size_t inLeft = static_cast<size_t>(text.size()) * sizeof(char16_t);
    char buffer[4096];
    while (inLeft > 0) {
        char *out = buffer;
        size_t outLeft = sizeof buffer;
        const int err = cd.convert(in, inLeft, out, outLeft);
        bytes.append(buffer, qsizetype(sizeof buffer - outLeft));
        if (err == EILSEQ || err == EINVAL) {
            // No best fit: the default character. Step over a whole
            // surrogate pair, or one lone code unit.
            bytes.append('?');
            const char16_t unit = *reinterpret_cast<const char16_t *>(in);
            size_t step = sizeof(char16_t);
            if (QChar::isHighSurrogate(unit) && inLeft >= 2 * sizeof(char16_t)
                && QChar::isLowSurrogate(*reinterpret_cast<const char16_t *>(in + 2)))
                step *= 2;
            in += step;
            inLeft -= step;
            cd.reset();
        } else if (err != 0 && err != E2BIG) {
            break;
        }
    }
}

} // namespace lorvane
