#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace lorvane {

// The system 8-bit code page: Windows-1251 unless LORVANE_CODEPAGE names
// another iconv code page. Decoding never fails; encoding gives the best-fit
// character where there is one and "?" otherwise.
class CodePage
{
public:
    // Throws Error when the name is not a code page that iconv knows, or is
    // one that does not write each ASCII character as one byte (UTF-16, UCS-4).
    explicit CodePage(const QString &name);
    ~CodePage();
    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

    // The code page of this process; throws Error for an unknown
    // LORVANE_CODEPAGE on every call, so start-up can report it.
    static const CodePage &System();

    const QString &name() const { return m_name; }
    bool isUtf8() const { return m_utf8; }
    // True when each byte is one character (a table maps it).
    bool isSingleByte() const { return m_singleByte; }
    // For a single-byte code page: the character of a byte.
    char16_t charOf(unsigned char byte) const { return m_table[byte]; }

    QString decode(const char *data, qsizetype size) const;
    QString decode(const QByteArray &bytes) const { return decode(bytes.constData(), bytes.size()); }
    QByteArray encode(QStringView text) const;
    // Whether the bytes of a text are those of its lines, each encoded on
    // its own: true unless the code page keeps a state from one character
    // to the next, as some multi-byte ones do.
    bool encodesLineByLine() const { return m_utf8 || m_singleByte; }
    // Appends what encode() gives for `text` to `bytes`.
    void encodeTo(QStringView text, QByteArray &bytes) const;

private:
    void buildEncodeTable(const std::array<bool, 256> &defined);
    void encodeSingleByteTo(QStringView text, QByteArray &bytes) const;
    QString decodeMultiByte(const char *data, qsizetype size) const;
    void encodeWithIconv(QStringView text, QByteArray &bytes) const;

    QString m_name;
    QByteArray m_iconvName;
    bool m_utf8 = false;
    bool m_singleByte = false;
    bool m_asciiIdentity = false;
    std::array<char16_t, 256> m_table{};
    // For a single-byte code page: the byte of each character that converts
    // by itself, or kUnmapped. Characters without a byte of their own go
    // through iconv, whose best fit may look at what follows them.
    static constexpr std::uint16_t kUnmapped = 0xFFFF;
    std::vector<std::uint16_t> m_encodeTable;
};

} // namespace lorvane
