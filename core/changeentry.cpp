#include "core/changeentry.h"

#include "core/changereport.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/lines.h"
#include "core/shortdate.h"
#include "core/textfile.h"
#include "core/utf8.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace lorvane {

namespace {

constexpr qsizetype kDateFieldEnd = 12;      // the date field is columns 3 to 12
constexpr qsizetype kHouseTextColumn = 14;   // the date, a blank, then "["
const QString kLeader = QStringLiteral("  "); // columns 1 and 2 of a new dated line
constexpr char16_t kEllipsis = u'\u2026';
// The lines of context that a unified diff shows after a change.
constexpr qsizetype kContextLines = 3;

[[noreturn]] void refuse(const QString &reason)
{
    throw Error(reason);
}

bool isBreak(QChar c)
{
    return c == u'\r' || c == u'\n' || c == u'\0';
}

// A line or text of nothing but characters of code 32 or below.
bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 32; });
}

bool isYear(QStringView text)
{
    return text.size() == 4 && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QString fourDigitYear(int year)
{
    return QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
}

QString isoDate(QDate date)
{
    return date.toString(Qt::ISODate);
}

// The problems of an error list of one file, after its name line.
QString problemsOf(const QStringList &errorList)
{
    return errorList.mid(1).join(u' ');
}

// Text in the encoding of one file: what the file's mark chooses, or the
// system code page.
class FileEncoder
{
public:
    explicit FileEncoder(const QByteArray &bytes) : m_detected(DetectEncoding(bytes)) {}

    // The bytes of `text`, when they decode to exactly that text again.
    std::optional<QByteArray> encode(QStringView text) const
    {
        switch (m_detected.encoding) {
        case FileEncoding::Utf8: {
            QByteArray bytes = text.toUtf8();
            return QString::fromUtf8(bytes) == text ? std::optional(bytes) : std::nullopt;
        }
        case FileEncoding::Utf16LittleEndian:
        case FileEncoding::Utf16BigEndian:
            return EncodeUtf16(text, m_detected.encoding == FileEncoding::Utf16BigEndian);
        case FileEncoding::CodePage:
            break;
        }
        // The code page gives a best fit or "?" for what it lacks; only an
        // exact round trip is written.
        const CodePage &page = CodePage::System();
        QByteArray bytes = page.encode(text);
        return page.decode(bytes) == text ? std::optional(bytes) : std::nullopt;
    }

    // Throws Error naming the first character that the encoding lacks.
    QByteArray encodeExactly(QStringView text) const
    {
        if (auto bytes = encode(text))
            return *bytes;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QStringView character = text.sliced(i, length);
            if (!encode(character))
                refuse(QStringLiteral("\"%1\" cannot be written in the file's encoding, %2").arg(character, name()));
            i += length - 1;
        }
        refuse(QStringLiteral("the new lines cannot be written in the file's encoding, %1").arg(name()));
    }

    // Where in `bytes` the character at `at` of their decoded `text` begins.
    qsizetype byteOffset(const QByteArray &bytes, QStringView text, qsizetype at) const
    {
        const qsizetype mark = m_detected.markLength;
        switch (m_detected.encoding) {
        case FileEncoding::Utf16LittleEndian:
        case FileEncoding::Utf16BigEndian:
            return mark + 2 * at;
        case FileEncoding::Utf8: {
            const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
            qsizetype pos = mark;
            for (qsizetype units = 0; units < at;) {
                const int length = Utf8SequenceLength(data + pos, bytes.size() - pos);
                if (length == 0)
                    break;
                units += length == 4 ? 2 : 1; // four bytes make a surrogate pair
                pos += length;
            }
            return pos;
        }
        case FileEncoding::CodePage:
            break;
        }
        if (CodePage::System().isSingleByte())
            return at;
        const std::optional<QByteArray> prefix = encode(text.first(at));
        if (!prefix || !bytes.startsWith(*prefix))
            refuse(QStringLiteral("the file cannot be changed in its encoding, %1, without changing other bytes")
                       .arg(name()));
        return prefix->size();
    }

    QString name() const
    {
        switch (m_detected.encoding) {
        case FileEncoding::Utf8:
            return QStringLiteral("UTF-8");
        case FileEncoding::Utf16LittleEndian:
            return QStringLiteral("UTF-16LE");
        case FileEncoding::Utf16BigEndian:
            return QStringLiteral("UTF-16BE");
        case FileEncoding::CodePage:
            break;
        }
        return CodePage::System().name();
    }

private:
    DetectedEncoding m_detected;
};

// A file's decoded text with the places of its lines, as the builder
// splits it.
struct FileLines
{
    explicit FileLines(QString decoded) : text(std::move(decoded)), spans(SplitTextSpans(text)) {}

    qsizetype count() const { return spans.size(); }
    QStringView line(qsizetype index) const
    {
        return QStringView(text).sliced(spans[index].start, spans[index].length);
    }
    qsizetype lineEnd(qsizetype index) const { return spans[index].start + spans[index].length; }
    // The CR LF, CR or LF that ends the line; empty for a last line.
    QStringView breakAfter(qsizetype index) const
    {
        return QStringView(text).sliced(lineEnd(index), spans[index].next - lineEnd(index));
    }

    QString text;
    QList<LineSpan> spans;
};

// A change of the text: `length` characters at `at` become `replacement`.
struct TextEdit
{
    qsizetype at;
    qsizetype length;
    QString replacement;
};

// Applies edits that do not overlap to the text and, in the file's own
// encoding, to the bytes it was decoded from; no other byte changes.
void applyEdits(std::vector<TextEdit> edits, const FileEncoder &encoder, QString &text, QByteArray &bytes)
{
    std::sort(edits.begin(), edits.end(), [](const TextEdit &a, const TextEdit &b) { return a.at > b.at; });
    struct ByteEdit
    {
        qsizetype at;
        qsizetype length;
        QByteArray replacement;
    };
    std::vector<ByteEdit> byteEdits;
    for (const TextEdit &edit : edits) {
        const qsizetype start = encoder.byteOffset(bytes, text, edit.at);
        const qsizetype end = encoder.byteOffset(bytes, text, edit.at + edit.length);
        byteEdits.push_back({start, end - start, encoder.encodeExactly(edit.replacement)});
    }
    for (size_t i = 0; i < edits.size(); ++i) {
        text.replace(edits[i].at, edits[i].length, edits[i].replacement);
        bytes.replace(byteEdits[i].at, byteEdits[i].length, byteEdits[i].replacement);
    }
}

// The column of "[" that most items of the change list use, clear of the
// date field; on a tie the one that the newest of them uses; without such
// items the house column.
qsizetype textColumnOf(const FileLines &lines, qsizetype first, qsizetype end)
{
    struct Use
    {
        qsizetype column;
        int count;
    };
    std::vector<Use> uses; // in the order in which each column first appears
    for (qsizetype index = first; index < end && index < lines.count(); ++index) {
        const qsizetype column = lines.line(index).indexOf(u'[') + 1;
        if (column <= kDateFieldEnd)
            continue;
        auto use = std::find_if(uses.begin(), uses.end(), [&](const Use &u) { return u.column == column; });
        if (use == uses.end())
            uses.push_back({column, 1});
        else
            ++use->count;
    }
    // max_element keeps the first of equal counts, the newest line's column.
    const auto best =
        std::max_element(uses.begin(), uses.end(), [](const Use &a, const Use &b) { return a.count < b.count; });
    return best == uses.end() ? kHouseTextColumn : best->column;
}

// Carries the copyright lines that the builder tests up to the entry's
// year: the last year of a range after "…" in column 17, or a lone year that
// ends its line becomes a range. Other lines are noted and left alone.
std::vector<TextEdit> copyrightEdits(const FileLines &lines, const QList<qsizetype> &copyrightLines, int year,
                                     QStringList &notes)
{
    const QString newYear = fourDigitYear(year);
    std::vector<TextEdit> edits;
    for (qsizetype index : copyrightLines) {
        const QStringView line = lines.line(index);
        if (line.size() >= 21 && line[16] == kEllipsis && isYear(line.sliced(17, 4))) {
            if (line.sliced(17, 4).toInt() < year)
                edits.push_back({lines.spans[index].start + 17, 4, newYear});
        } else if (line.size() == 16 && isYear(line.sliced(12, 4))) {
            if (line.sliced(12, 4).toInt() < year)
                edits.push_back({lines.lineEnd(index), 0, QChar(kEllipsis) + newYear});
        } else if (line.size() < 16 || line.sliced(12, 4) != newYear) {
            notes << QStringLiteral("the copyright line \"%1\" is left as it is: it is neither a range with \"…\" "
                                    "in column 17 nor a single year that ends the line")
                         .arg(line);
        }
    }
    return edits;
}

} // namespace

void CheckChangeEntry(const ChangeEntry &entry)
{
    if (!entry.date.isValid() || entry.date.year() < 1 || entry.date.year() > 9999)
        throw Error(QStringLiteral("The entry's date must be a date of the years 1 to 9999"));
    if (isBreak(entry.marker) || entry.marker.isSurrogate())
        throw Error(QStringLiteral("The marker must be one character that is not a line break"));
    if (entry.texts.isEmpty())
        throw Error(QStringLiteral("The entry has no text"));
    for (const QString &text : entry.texts) {
        if (std::any_of(text.begin(), text.end(), isBreak))
            throw Error(QStringLiteral("An entry text holds a line break"));
        if (isBlank(text))
            throw Error(QStringLiteral("An entry text is empty"));
        if (!QStringView(text).isValidUtf16())
            throw Error(QStringLiteral("An entry text is not valid Unicode"));
    }
}

std::optional<EntryEdit> AddChangeEntryToHead(const QString &name, const QByteArray &bytes, bool whole,
                                              const ChangeEntry &entry)
{
    CheckChangeEntry(entry);
    const QDate day = entry.date;
    const FileEncoder encoder(bytes);
    const FileLines lines(DecodeText(bytes));
    // Of the first lines of a file, those the readings may look at: all but
    // the last ones, so that a diff still finds its context after the lines
    // that change.
    const qsizetype known = whole ? std::numeric_limits<qsizetype>::max() : lines.count() - kContextLines;
    const auto beyond = [&](qsizetype asked) { return !whole && asked > known; };

    const HeaderReading before = ReadHeader(name, bytes, day, day, {});
    if (beyond(before.linesAsked))
        return std::nullopt;
    if (!before.hasHeader)
        refuse(QStringLiteral("it has no header: its first line does not begin with \"{==\""));
    if (!before.heading)
        refuse(QStringLiteral("its header has no change list: no line holds \"Изменения:\""));
    if (before.kind == ReportKind::ErrorList)
        refuse(QStringLiteral("its header already has problems: %1").arg(problemsOf(before.resultText)));
    const qsizetype first = *before.heading + 2;
    if (beyond(first + 1))
        return std::nullopt;
    if (first >= lines.count())
        refuse(QStringLiteral("its header has no change list: "
                              "no line follows \"Изменения:\" and the line under it"));
    if (before.firstDate && day < *before.firstDate)
        refuse(QStringLiteral("the date %1 is earlier than the newest entry, %2")
                   .arg(isoDate(day), isoDate(*before.firstDate)));
    const bool sameDate = before.firstDate == day;

    qsizetype column = kHouseTextColumn;
    if (before.firstDate) {
        const HeaderReading allDates = ReadHeader(name, bytes, QDate(1, 1, 1), QDate(9999, 12, 31), {});
        if (beyond(allDates.linesAsked))
            return std::nullopt;
        column = textColumnOf(lines, first, allDates.walkEnd);
    }
    QStringList items;
    QStringList newLines;
    for (const QString &text : entry.texts) {
        items << QStringLiteral("[%1] %2").arg(entry.marker, text);
        if (newLines.isEmpty() && !sameDate)
            newLines << kLeader + FormatFullDate(day, SystemDateFormat()) + QString(column - 1 - kDateFieldEnd, u' ')
                            + items.last();
        else
            newLines << QString(column - 1, u' ') + items.last();
    }

    // A new date goes on top of the list; the same date gets continuation
    // lines below its last line that holds anything. New lines take the
    // line break of the line above them.
    TextEdit insertion{0, 0, {}};
    if (!sameDate) {
        insertion.at = lines.spans[first].start;
        for (const QString &line : newLines)
            insertion.replacement += line + lines.breakAfter(first - 1).toString();
    } else {
        // Without a line that ends them, that date's lines would take in
        // whatever follows the header.
        if (beyond(before.walkEnd + 1))
            return std::nullopt;
        if (before.walkEnd >= lines.count())
            refuse(QStringLiteral("the entries of %1 run to the end of the file: the change list has no end line")
                       .arg(isoDate(day)));
        qsizetype last = first;
        for (qsizetype index = first + 1; index < before.walkEnd; ++index) {
            if (!isBlank(lines.line(index)))
                last = index;
        }
        insertion.at = lines.spans[last].next;
        for (const QString &line : newLines)
            insertion.replacement += line + lines.breakAfter(last).toString();
    }
    QString text = lines.text;
    QByteArray result = bytes;
    applyEdits({insertion}, encoder, text, result);

    // The new lines move the lines below them down.
    const auto beyondInResult = [&](qsizetype asked) { return beyond(asked - newLines.size()); };
    EntryEdit edit;
    const HeaderReading inserted = ReadHeader(name, result, day, day, {});
    if (beyondInResult(inserted.linesAsked))
        return std::nullopt;
    applyEdits(copyrightEdits(FileLines(text), inserted.copyrightLines, day.year(), edit.notes), encoder, text, result);

    // The proof: the bytes decode to the intended text, and the report
    // over the entry's day gives what it gave before with the new items
    // added, and no problems.
    if (DecodeText(result) != text)
        refuse(QStringLiteral("the file cannot be changed in its encoding, %1, without changing other bytes")
                   .arg(encoder.name()));
    const HeaderReading after = ReadHeader(name, result, day, day, {});
    if (beyondInResult(after.linesAsked))
        return std::nullopt;
    if (after.kind == ReportKind::ErrorList)
        refuse(QStringLiteral("the header would then have problems: %1").arg(problemsOf(after.resultText)));
    QStringList expected = before.resultText;
    const QString added = items.join(QStringLiteral("\r\n"));
    if (expected.size() > 2)
        expected.last() += QStringLiteral("\r\n") + added;
    else
        expected << added;
    if (after.resultText != expected)
        refuse(QStringLiteral("the new lines would not read back as the entry's items under %1").arg(isoDate(day)));
    edit.bytes = std::move(result);
    return edit;
}

EntryEdit AddChangeEntry(const QString &name, const QByteArray &bytes, const ChangeEntry &entry)
{
    return *AddChangeEntryToHead(name, bytes, true, entry);
}

qsizetype LastLineStart(const QByteArray &bytes)
{
    const DetectedEncoding detected = DetectEncoding(bytes);
    const qsizetype mark = detected.markLength;
    const auto scan = [&](qsizetype width, auto unitAt) -> qsizetype {
        const qsizetype units = (bytes.size() - mark) / width;
        for (qsizetype i = units - 1; i >= 0; --i) {
            const char16_t unit = unitAt(mark + i * width);
            // Scanning back, an LF after a CR would have been found first.
            if (unit == u'\n' || (unit == u'\r' && i + 1 < units))
                return mark + (i + 1) * width;
        }
        return 0;
    };
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    switch (detected.encoding) {
    case FileEncoding::Utf16LittleEndian:
        return scan(2, [&](qsizetype at) { return char16_t(data[at] | data[at + 1] << 8); });
    case FileEncoding::Utf16BigEndian:
        return scan(2, [&](qsizetype at) { return char16_t(data[at] << 8 | data[at + 1]); });
    case FileEncoding::Utf8:
        break;
    case FileEncoding::CodePage: {
        const CodePage &page = CodePage::System();
        if (page.isSingleByte())
            return scan(1, [&](qsizetype at) { return page.charOf(data[at]); });
        if (!page.isUtf8())
            return -1;
        break;
    }
    }
    return scan(1, [&](qsizetype at) { return char16_t(data[at]); });
}

} // namespace lorvane
