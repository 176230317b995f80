// Adds a change entry to arbitrary bytes as lorvane-add does, with the
// entry's date, marker and text taken from the input's first bytes. Either
// the entry is refused, and nothing is written, or the new bytes read back
// with exactly the new items added and no problems, their mark kept and no
// other line changed but a copyright line's years. The first bytes alone,
// cut wherever a line starts, give the same or ask for more.

#include "core/changeentry.h"
#include "core/changereport.h"
#include "core/error.h"
#include "core/lines.h"
#include "core/textfile.h"
#include "core/utf8.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace lorvane;

namespace {

QString sourcePath()
{
    static QTemporaryDir dir;
    return dir.filePath("Fuzz.pas");
}

QStringList reportOf(const QByteArray &bytes, QDate day, ReportKind &kind)
{
    QFile file(sourcePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
    file.close();
    SilentProgress progress;
    QStringList report;
    kind = BuildChangeReport({sourcePath()}, day, day, {}, progress, report);
    return report;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// What the entry makes of the bytes: the edit, or the refusal's message.
struct Outcome
{
    std::optional<EntryEdit> edit;
    QString refusal;
};

// Where the first bytes may end, from the last line start backwards.
QList<qsizetype> lineStarts(const QByteArray &bytes)
{
    QList<qsizetype> starts;
    for (qsizetype end = bytes.size() - 1; end > 0;) {
        const qsizetype cut = LastLineStart(QByteArray::fromRawData(bytes.constData(), end));
        if (cut <= 0)
            break;
        starts << cut;
        end = cut - 1;
    }
    return starts;
}

// A few of the places where a read may end, spread over the file. A UTF-8
// file that does not decode to its end is refused before its first bytes
// are looked at.
void checkFirstBytes(const QByteArray &bytes, const ChangeEntry &entry, const Outcome &whole)
{
    if (DetectEncoding(bytes).encoding == FileEncoding::Utf8 && !IsValidUtf8(bytes.constData() + 3, bytes.size() - 3))
        return;
    constexpr qsizetype kCuts = 6;
    const QList<qsizetype> starts = lineStarts(bytes);
    for (qsizetype i = 0; i < starts.size(); i += qMax<qsizetype>(1, starts.size() / kCuts)) {
        const qsizetype cut = starts[i];
        try {
            const std::optional<EntryEdit> edit =
                AddChangeEntryToHead(QStringLiteral("Fuzz.pas"), bytes.left(cut), false, entry);
            check(!edit || (whole.edit && edit->bytes + bytes.mid(cut) == whole.edit->bytes
                            && edit->notes == whole.edit->notes));
        } catch (const Error &e) {
            check(!whole.edit && e.message() == whole.refusal);
        }
    }
}

// The old lines in order in the new ones, with the new items' lines in one
// place and copyright lines that keep their first 16 columns.
bool onlyEntryAndCopyrightChanged(const QStringList &before, const QStringList &after, qsizetype added)
{
    if (after.size() != before.size() + added)
        return false;
    qsizetype i = 0;
    qsizetype j = 0;
    bool skipped = false;
    while (i < before.size()) {
        if (before[i] == after[j]) {
            ++i;
            ++j;
        } else if (!skipped) {
            j += added;
            skipped = true;
        } else if (before[i].contains(u"Copyright") && after[j].startsWith(before[i].left(16))) {
            ++i;
            ++j;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4 || size_t(4 + data[3]) > size)
        return 0;
    const QDate day = QDate(2015, 1, 1).addDays(data[0] * 17 + data[1]);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 4), data[3]);
    const ChangeEntry entry{day, QChar(char16_t(data[2] < 0x20 ? u'+' : data[2])), {text, QStringLiteral("второй")}};
    const QByteArray bytes(reinterpret_cast<const char *>(data + 4 + data[3]), qsizetype(size - 4 - data[3]));

    Outcome whole;
    try {
        whole.edit = AddChangeEntry(QStringLiteral("Fuzz.pas"), bytes, entry);
    } catch (const Error &e) {
        whole.refusal = e.message();
    }
    checkFirstBytes(bytes, entry, whole);
    if (!whole.edit)
        return 0; // refused: nothing to write
    const EntryEdit &edit = *whole.edit;
    ReportKind kind = ReportKind::ErrorList;
    QStringList expected = reportOf(bytes, day, kind);
    check(kind == ReportKind::Report);
    const QString items = QStringLiteral("[%1] %2\r\n[%1] второй").arg(entry.marker, text);
    if (expected.size() > 2)
        expected.last() += QStringLiteral("\r\n") + items;
    else
        expected << items;
    check(reportOf(edit.bytes, day, kind) == expected && kind == ReportKind::Report);
    check(DetectEncoding(edit.bytes).encoding == DetectEncoding(bytes).encoding);
    check(onlyEntryAndCopyrightChanged(SplitText(DecodeText(bytes)), SplitText(DecodeText(edit.bytes)), 2));
    return 0;
}
