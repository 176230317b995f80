#include "core/changeentry.h"
#include "core/changereport.h"
#include "core/error.h"
#include "core/tests/generated_project.h"
#include "core/lines.h"
#include "core/unifieddiff.h"
#include "testsupport/testfiles.h"
#include "core/textfile.h"

#include <QTemporaryDir>

#include <cstring>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

const QDate kNewest(2019, 3, 5);

QString header(const QStringList &changes, const QString &copyright = QStringLiteral("Copyright © 2018…2019"))
{
    QStringList lines{"{==========", "  Name.pas", "", "", "  Описание «€».", "", "  Изменения:", "  ----------"};
    lines += changes;
    lines += {"==========", copyright, "  CVS: $Id: x $", "==========}", "unit Name;", ""};
    return lines.join("\r\n");
}

const QStringList kChanges{"  05.03.2019 [+] Учёт наценки.", "             [*] Округление.",
                           "  12.11.2018 [+] Скидки."};

QString errorOf(const QString &text, const ChangeEntry &entry, Encoding encoding = Encoding::Cp1251)
{
    const QByteArray bytes = encode(text, encoding);
    try {
        AddChangeEntry("Name.pas", bytes, entry);
    } catch (const Error &e) {
        return e.message();
    }
    return {};
}

QString added(const QString &text, const ChangeEntry &entry, QStringList *notes = nullptr)
{
    const EntryEdit edit = AddChangeEntry("Name.pas", encode(text, Encoding::Cp1251), entry);
    if (notes)
        *notes = edit.notes;
    return DecodeText(edit.bytes);
}

class ChangeEntryTest : public testing::Test
{
protected:
    // The report that BuildChangeReport gives for a file holding the bytes.
    QStringList reportOf(const QByteArray &bytes, QDate start, QDate end, ReportKind *kind = nullptr)
    {
        const QString path = dir.filePath(QStringLiteral("%1/Name.pas").arg(counter++));
        QDir().mkpath(QFileInfo(path).path());
        writeBytes(path, bytes);
        SilentProgress progress;
        QStringList result;
        const ReportKind got = BuildChangeReport({path}, start, end, {}, progress, result);
        if (kind)
            *kind = got;
        return result;
    }

    QTemporaryDir dir;
    int counter = 0;
};

struct TableCase
{
    Encoding encoding;
    const char *lineBreak;
    bool sameDate;
    bool extendsCopyright;
};

class ChangeEntryTable : public ChangeEntryTest, public testing::WithParamInterface<TableCase>
{
};

// Each case with its exact bytes: a new date goes on top, the same date gets
// continuation lines under its lines; a range ends at the entry's year, a
// single year that ends its line becomes a range.
TEST_P(ChangeEntryTable, WritesTheExactBytesThatReadBackAsTheNewItems)
{
    const TableCase c = GetParam();
    const QDate day = c.sameDate ? kNewest : c.extendsCopyright ? QDate(2020, 1, 15) : QDate(2019, 3, 6);
    const QString dayText = day.toString("dd.MM.yyyy");
    const QString copyright = c.sameDate && c.extendsCopyright ? "Copyright © 2018" : "Copyright © 2018…2019";
    const QString newCopyright = !c.extendsCopyright ? copyright
                                 : c.sameDate        ? "Copyright © 2018…2019"
                                                     : "Copyright © 2018…2020";
    QStringList changes = kChanges;
    if (c.sameDate)
        changes = kChanges.mid(0, 2) + QStringList{"             [+] Первый €", "             [+] Второй"} + kChanges.mid(2);
    else
        changes = QStringList{"  " + dayText + " [+] Первый €", "             [+] Второй"} + changes;
    const auto withBreaks = [&](QString text) { return text.replace("\r\n", c.lineBreak); };

    const ChangeEntry entry{day, u'+', {"Первый €", "Второй"}};
    const EntryEdit edit = AddChangeEntry("Name.pas", encode(withBreaks(header(kChanges, copyright)), c.encoding), entry);
    EXPECT_EQ(edit.bytes, encode(withBreaks(header(changes, newCopyright)), c.encoding));
    EXPECT_TRUE(edit.notes.isEmpty());

    const QString heading = dayText + " - " + dayText;
    const QString items = c.sameDate ? "[+] Учёт наценки.\r\n[*] Округление.\r\n[+] Первый €\r\n[+] Второй"
                                     : "[+] Первый €\r\n[+] Второй";
    ReportKind kind = ReportKind::ErrorList;
    EXPECT_EQ(reportOf(edit.bytes, day, day, &kind), (QStringList{heading, "\r\nName.pas", items}));
    EXPECT_EQ(kind, ReportKind::Report);
}

std::vector<TableCase> tableCases()
{
    std::vector<TableCase> cases;
    for (Encoding encoding : {Encoding::Cp1251, Encoding::Utf8Bom, Encoding::Utf16LeBom, Encoding::Utf16BeBom})
        for (const char *lineBreak : {"\r\n", "\n"})
            for (bool sameDate : {false, true})
                for (bool extendsCopyright : {false, true})
                    cases.push_back({encoding, lineBreak, sameDate, extendsCopyright});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EncodingsBreaksDatesCopyrights, ChangeEntryTable, testing::ValuesIn(tableCases()));

struct Refusal
{
    const char *name;
    QString text;
    ChangeEntry entry;
    QString message;
};

class Refusals : public testing::TestWithParam<Refusal>
{
};

TEST_P(Refusals, ThrowTheReason)
{
    EXPECT_EQ(errorOf(GetParam().text, GetParam().entry), GetParam().message);
}

const ChangeEntry kEntry{QDate(2019, 4, 1), u'+', {"Пункт"}};

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    testing::Values(
        Refusal{"no_header", " {==\r\n" + header(kChanges), kEntry,
                "it has no header: its first line does not begin with \"{==\""},
        Refusal{"no_heading", QString(header(kChanges)).replace("Изменения:", "Changes:"), kEntry,
                "its header has no change list: no line holds \"Изменения:\""},
        Refusal{"heading_on_the_last_line_but_one", "{==\r\n\r\n\r\n\r\n==\r\n  Изменения:\r\n  ---", kEntry,
                "its header has no change list: no line follows \"Изменения:\" and the line under it"},
        Refusal{"copyright_problem", header(kChanges, "Copyright © 2017…2019"), kEntry,
                "its header already has problems: Ошибка в Copyright: год начала не 2018."},
        Refusal{"bad_first_date", header({"  32.03.2019 [+] x"}, ""), kEntry,
                "its header already has problems: Ошибка: дата в строке 8]"},
        Refusal{"older_date", header(kChanges), ChangeEntry{QDate(2019, 3, 4), u'+', {"x"}},
                "the date 2019-03-04 is earlier than the newest entry, 2019-03-05"},
        Refusal{"emoji_in_cp1251", header(kChanges), ChangeEntry{QDate(2019, 4, 1), u'+', {"ok € 😀"}},
                "\"😀\" cannot be written in the file's encoding, CP1251"},
        Refusal{"best_fit_is_not_exact", header(kChanges), ChangeEntry{QDate(2019, 4, 1), u'+', {"café"}},
                "\"é\" cannot be written in the file's encoding, CP1251"},
        Refusal{"empty_list_with_an_older_copyright", header({""}, "Copyright © 2017"), kEntry,
                "the header would then have problems: Ошибка в Copyright: год начала не 2019."},
        Refusal{"empty_list_over_an_undated_item", header({"", "             [+] orphan"}, "Copyright © 2019"), kEntry,
                "the new lines would not read back as the entry's items under 2019-04-01"},
        Refusal{"same_date_without_an_end_line",
                "{==\r\n\r\n\r\n\r\n==\r\n  Изменения:\r\n  ---\r\n  05.03.2019 [+] a\r\nunit X;\r\n",
                ChangeEntry{kNewest, u'+', {"b"}},
                "the entries of 2019-03-05 run to the end of the file: the change list has no end line"},
        Refusal{"no_text", header(kChanges), ChangeEntry{QDate(2019, 4, 1), u'+', {}}, "The entry has no text"},
        Refusal{"blank_text", header(kChanges), ChangeEntry{QDate(2019, 4, 1), u'+', {"a", " \t"}},
                "An entry text is empty"},
        Refusal{"text_with_a_break", header(kChanges), ChangeEntry{QDate(2019, 4, 1), u'+', {"a\nb"}},
                "An entry text holds a line break"},
        Refusal{"lone_surrogate", header(kChanges), ChangeEntry{QDate(2019, 4, 1), u'+', {QString(QChar(0xDC80))}},
                "An entry text is not valid Unicode"},
        Refusal{"marker_is_a_break", header(kChanges), ChangeEntry{QDate(2019, 4, 1), u'\r', {"a"}},
                "The marker must be one character that is not a line break"}),
    [](const testing::TestParamInfo<Refusal> &info) { return std::string(info.param.name); });

TEST(ChangeEntry, UndecodableUtf8IsRefusedWithTheReadersMessage)
{
    try {
        AddChangeEntry("Name.pas", "\xEF\xBB\xBF" + header(kChanges).toUtf8() + "\xFF", kEntry);
        FAIL() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "No mapping for the Unicode character exists in the target multi-byte code page");
    }
}

TEST(ChangeEntry, TextColumnIsTheOneMostItemsUseAndOnATieTheNewestOnes)
{
    const ChangeEntry entry{QDate(2019, 4, 1), u'*', {"a", "b"}};
    // Two items at column 16 against one at 14, the newest.
    const QString most = added(header({"  05.03.2019 [+] x", "               [+] y", "  12.11.2018   [+] z"}), entry);
    EXPECT_TRUE(most.contains("Изменения:\r\n  ----------\r\n  01.04.2019   [*] a\r\n               [*] b\r\n  05.03.2019 [+] x"))
        << most.toStdString();
    // One each: the newest decides.
    const QString tie = added(header({"  05.03.2019  [+] x", "  12.11.2018 [+] z"}), entry);
    EXPECT_TRUE(tie.contains("  01.04.2019  [*] a\r\n              [*] b\r\n  05.03.2019  [+] x")) << tie.toStdString();
    // No item clear of the date field: the house column 14.
    const QString none = added(header({"  05.03.2019", "  [+] inside the date field"}, "Copyright © 2019…2019"), entry);
    EXPECT_TRUE(none.contains("  01.04.2019 [*] a\r\n             [*] b\r\n  05.03.2019\r\n")) << none.toStdString();
}

TEST(ChangeEntry, DateIsWrittenInFullWhateverFormTheEntriesUse)
{
    const QString text = added(header({"  5.3.19     [+] x", "  12.11.2018 [+] z"}), kEntry);
    EXPECT_TRUE(text.contains("  ----------\r\n  01.04.2019 [+] Пункт\r\n  5.3.19     [+] x")) << text.toStdString();
}

TEST(ChangeEntry, SameDateItemsFollowTheLastLineOfThatDateBeforeBlankLines)
{
    const ChangeEntry entry{kNewest, u'+', {"new"}};
    const QString text = added(header({"  05.03.2019 [+] a long item", "                 that wraps", "",
                                       "  01.01.2018 [+] older"}),
                               entry);
    EXPECT_TRUE(text.contains("                 that wraps\r\n             [+] new\r\n\r\n  01.01.2018")) << text.toStdString();
}

TEST(ChangeEntry, NewLinesTakeTheBreakOfTheLineAboveThem)
{
    QString text = header(kChanges).replace("\r\n", "\r");
    text.replace("  ----------\r", "  ----------\n");
    EXPECT_TRUE(added(text, kEntry).contains("  ----------\n  01.04.2019 [+] Пункт\n  05.03.2019"));
}

TEST(ChangeEntry, EmptyChangeListGetsItsFirstDatedLine)
{
    const QString text = header({""}, "Copyright © 2019");
    const QString result = added(text, kEntry);
    EXPECT_EQ(result, QString(text).replace("  ----------\r\n\r\n", "  ----------\r\n  01.04.2019 [+] Пункт\r\n\r\n"));
}

TEST(ChangeEntry, OtherCopyrightFormsAreLeftAsTheyAreWithANote)
{
    for (const QString copyright : {"Copyright © 2018 Tessivar", "Copyright © 2018...2019"}) {
        const QString text = header(kChanges, copyright);
        QStringList notes;
        const QString result = added(text, ChangeEntry{QDate(2020, 1, 1), u'+', {"x"}}, &notes);
        EXPECT_TRUE(result.contains("\r\n" + copyright + "\r\n")) << result.toStdString();
        EXPECT_EQ(notes, QStringList{QStringLiteral("the copyright line \"%1\" is left as it is: it is neither a range "
                                                    "with \"…\" in column 17 nor a single year that ends the line")
                                         .arg(copyright)});
    }
    QStringList notes;
    added(header({"  05.03.2019 [+] x"}, "Copyright © 2019 Tessivar"), ChangeEntry{QDate(2019, 6, 1), u'+', {"x"}}, &notes);
    EXPECT_TRUE(notes.isEmpty()) << "the year the line holds needs no note";
}

TEST(ChangeEntry, BytesThatTheCodePageLeavesUndefinedStayAsTheyWere)
{
    QByteArray bytes = encode(header(kChanges), Encoding::Cp1251);
    bytes.replace("unit Name;", "unit \x98\xFF;");
    const EntryEdit edit = AddChangeEntry("Name.pas", bytes, kEntry);
    EXPECT_TRUE(edit.bytes.endsWith("unit \x98\xFF;\r\n"));
    EXPECT_EQ(edit.bytes.size(), bytes.size() + qsizetype(strlen("  01.04.2019 [+] \xCF\xF3\xED\xEA\xF2\r\n")));
}

// Every generated file that reads without problems takes an entry of a new
// date and one of its newest date; each reads back as exactly what it read
// before with the new items, and its problems stay as they were over a
// wider window too. A file with problems is refused.
TEST_F(ChangeEntryTest, GeneratedHeadersReadBackWithExactlyTheNewItems)
{
    QRandomGenerator random(1616);
    const QDate end(2026, 6, 30);
    const QStringList files = GenerateProject(random, 200, end, dir.filePath("g"));
    int added = 0;
    int refused = 0;
    for (const QString &path : files) {
        const QByteArray bytes = readBytes(path);
        QStringList lines = SplitText(DecodeText(bytes));
        const QDate newest = lines.size() > 8 ? QDate::fromString(lines[8].mid(2, 10), "dd.MM.yyyy") : QDate();
        for (const QDate day : {end.addDays(31 + random.bounded(800)), newest}) {
            if (!day.isValid())
                continue;
            const ChangeEntry entry{day, u'+', {"first", "second"}};
            ReportKind kind = ReportKind::Report;
            const QStringList before = reportOf(bytes, day, day, &kind);
            const QDate wideStart = day.addDays(-3000);
            ReportKind wideKind = ReportKind::Report;
            const QStringList wideBefore = reportOf(bytes, wideStart, day, &wideKind);
            EntryEdit edit;
            try {
                edit = AddChangeEntry(QFileInfo(path).fileName(), bytes, entry);
            } catch (const Error &e) {
                EXPECT_EQ(kind, ReportKind::ErrorList) << path.toStdString() << ": " << e.message().toStdString();
                ++refused;
                continue;
            }
            ASSERT_EQ(kind, ReportKind::Report) << path.toStdString();
            ++added;
            QStringList expected = before;
            if (expected.size() > 2)
                expected.last() += "\r\n[+] first\r\n[+] second";
            else
                expected << "[+] first\r\n[+] second";
            ReportKind newKind = ReportKind::ErrorList;
            EXPECT_EQ(reportOf(edit.bytes, day, day, &newKind), expected) << path.toStdString();
            EXPECT_EQ(newKind, ReportKind::Report);

            ReportKind newWideKind = ReportKind::ErrorList;
            QStringList wideAfter = reportOf(edit.bytes, wideStart, day, &newWideKind);
            EXPECT_EQ(newWideKind, wideKind) << path.toStdString();
            ASSERT_EQ(wideAfter.size(), 3) << path.toStdString();
            const QString items = "[+] first\r\n[+] second";
            if (day == newest)
                wideAfter.last().replace(wideAfter.last().indexOf(items) - 2, items.size() + 2, "");
            else
                wideAfter.last().remove(0, items.size() + (wideBefore.size() > 2 ? 2 : 0));
            if (wideBefore.size() == 2)
                wideAfter.removeLast();
            EXPECT_EQ(wideAfter, wideBefore) << path.toStdString();
        }
    }
    EXPECT_GT(added, 150);
    EXPECT_GT(refused, 15);
}

// The first bytes of a file, cut wherever a read may end, give exactly what
// the whole file gives, diff included, or ask for more of it; in each
// encoding and line-break style, with the header ending before the file
// does or running to its end.
TEST_F(ChangeEntryTest, FirstBytesGiveWhatTheWholeFileGivesOrAskForMore)
{
    QRandomGenerator random(2020);
    const QStringList files = GenerateProject(random, 48, QDate(2026, 6, 30), dir.filePath("h"));
    const Encoding encodings[] = {Encoding::Cp1251, Encoding::Utf8Bom, Encoding::Utf16LeBom, Encoding::Utf16BeBom};
    const char *breaks[] = {"\r\n", "\n", "\r"};
    int cuts = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        QString text = DecodeText(readBytes(files[i]));
        if (i % 4 != 0) {
            text += "\r\n  CVS: $Id: Unit.pas,v 1.1 $\r\n==}\r\nunit Unit;\r\n";
            for (int line = 0; line < 12; ++line)
                text += QStringLiteral("  Value%1 := Копия(Value%1);\r\n").arg(line);
        }
        text.replace("\r\n", breaks[i % 3]);
        const QByteArray bytes = encode(text, encodings[i % 4]);
        const QDate newest = QDate::fromString(SplitText(text).value(8).mid(2, 10), "dd.MM.yyyy");
        for (const QDate day : {QDate(2027, 1, 1), newest}) {
            if (!day.isValid())
                continue;
            const ChangeEntry entry{day, u'+', {"first", "second"}};
            std::optional<EntryEdit> whole;
            QString refusal;
            try {
                whole = AddChangeEntry("Unit.pas", bytes, entry);
            } catch (const Error &e) {
                refusal = e.message();
            }
            const QByteArray diff = whole ? UnifiedDiff("a", "a", DecodeText(bytes), DecodeText(whole->bytes)) : "";
            qsizetype lastCut = 0;
            for (qsizetype read = 1; read < bytes.size(); ++read) {
                const qsizetype cut = LastLineStart(bytes.left(read));
                if (cut <= lastCut)
                    continue;
                lastCut = cut;
                const QByteArray head = bytes.left(cut);
                std::optional<EntryEdit> edit;
                try {
                    edit = AddChangeEntryToHead("Unit.pas", head, false, entry);
                } catch (const Error &e) {
                    EXPECT_EQ(e.message(), refusal) << files[i].toStdString() << " cut at " << cut;
                    continue;
                }
                if (!edit)
                    continue;
                ++cuts;
                ASSERT_TRUE(whole) << files[i].toStdString() << " cut at " << cut << ": " << refusal.toStdString();
                EXPECT_EQ(edit->bytes + bytes.mid(cut), whole->bytes) << files[i].toStdString() << " cut at " << cut;
                EXPECT_EQ(edit->notes, whole->notes);
                EXPECT_EQ(UnifiedDiff("a", "a", DecodeText(head), DecodeText(edit->bytes)), diff);
            }
        }
    }
    EXPECT_GT(cuts, 300);
}

} // namespace
