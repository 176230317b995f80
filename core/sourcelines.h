#pragma once

#include "core/filedescriptor.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <vector>

namespace lorvane {

class CodePage;

// The lines of one source file, found and decoded only as far as they are
// asked for. The lines are exactly those of ReadLines; a header sits at the
// top of a file, so most of a large file is never decoded. A file in a
// single-byte code page decodes whatever its bytes, so it is read only as
// far as the lines asked for reach, and stays open for that until the next
// read or keepFoundLinesOnly(); any other file is read whole at once, and a
// UTF-8 one checked whole, so reading fails exactly when ReadLines fails.
class SourceLines
{
public:
    // Replaces the content with the file's; throws Error as ReadLines does.
    void read(const QString &path);
    // The same for bytes already at hand, as if a file held them.
    void read(QByteArray bytes);

    bool has(qsizetype index);
    // The line, or an empty text beyond the last line. The view stays valid
    // until the next call of read() or keepFoundLinesOnly(), or of has() or
    // line() for a line not found yet.
    QStringView line(qsizetype index);

    // Drops the file's bytes and keeps only the lines found so far, to be
    // asked again later. Should a later question go past them, the file is
    // read again.
    void keepFoundLinesOnly();

    // One more than the highest index that has() or line() was asked for
    // since the last read(): how many of the file's lines a reading looked
    // at, the one that told it the lines had ended included.
    qsizetype linesAsked() const { return m_asked; }

private:
    enum class Kind { SingleByte, Utf8, Decoded, Kept };
    enum class Unit { Text, Cr, Lf, Nul };

    struct Span
    {
        qsizetype start;
        qsizetype length;
    };

    void start(QByteArray bytes, FileDescriptor file, qsizetype expectedSize, const QString &path);
    bool findNext();
    bool findNextDecoded();
    // Reads more of a file that is still open; false when it has ended.
    bool readMore();
    // Reads until the bytes reach `size` or the file ends.
    void readUpTo(qsizetype size);
    Unit unitOfByte(qsizetype pos) const { return m_units->unit[static_cast<unsigned char>(m_bytes[pos])]; }
    static Unit classify(char16_t c);

    // What each byte is to the line breaks.
    struct ByteUnits
    {
        std::array<Unit, 256> unit{};
        bool asciiBreaks = true; // only NUL, LF and CR break lines, and ASCII is itself
    };
    // Made once for UTF-8 (no code page) and once for the system code page.
    static const ByteUnits &byteUnits(const CodePage *codePage);

    QString m_path;
    Kind m_kind = Kind::Decoded;
    const ByteUnits *m_units = &byteUnits(nullptr);
    const CodePage *m_codePage = nullptr;
    QByteArray m_bytes;      // the file's bytes as far as they are read
    QByteArray m_spare;      // an earlier file's buffer, to read the next into
    FileDescriptor m_file{-1}; // open while the file may hold more bytes
    qsizetype m_begin = 0;   // first unit after the mark
    qsizetype m_scan = 0;    // where the next line starts
    bool m_finished = true;  // no line follows
    QString m_text;          // the decoded lines, or the whole decoded text
    std::vector<Span> m_lines;
    qsizetype m_asked = 0;
};

} // namespace lorvane
