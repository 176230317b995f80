#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <vector>

namespace lorvane {

class CodePage;

// The lines of one source file, found and decoded only as far as they are
// asked for. The lines are exactly those of ReadLines; a header sits at the
// top of a file, so most of a large file is never decoded. The file is
// still read whole and a UTF-8 file is still checked whole, so reading fails
// exactly when ReadLines fails.
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

private:
    enum class Kind { SingleByte, Utf8, Decoded, Kept };
    enum class Unit { Text, Cr, Lf, Nul };

    struct Span
    {
        qsizetype start;
        qsizetype length;
    };

    bool findNext();
    template<typename T, typename Classify, typename FindBreak>
    bool findNextIn(const T *units, qsizetype size, Classify unitOf, FindBreak findBreak, qsizetype &start,
                    qsizetype &end);
    static Unit classify(char16_t c);

    QString m_path;
    Kind m_kind = Kind::Decoded;
    std::array<Unit, 256> m_unitOfByte{};
    bool m_asciiBreaks = false; // only NUL, LF and CR break lines, and ASCII is itself
    const CodePage *m_codePage = nullptr;
    QByteArray m_bytes;
    qsizetype m_begin = 0;   // first unit after the mark
    qsizetype m_scan = 0;    // where the next line starts
    bool m_finished = true;  // no line follows
    QString m_text;          // the decoded lines, or the whole decoded text
    std::vector<Span> m_lines;
};

} // namespace lorvane
