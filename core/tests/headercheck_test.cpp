#include "core/changereport.h"
#include "core/headercheck.h"
#include "core/shortdate.h"
#include "testsupport/headertext.h"
#include "testsupport/testfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <tuple>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

const QDate kToday(2024, 6, 15);

// Each problem as "line: message".
QStringList described(const QList<HeaderProblem> &problems)
{
    QStringList lines;
    for (const HeaderProblem &problem : problems) {
        EXPECT_EQ(problem.name, "Name.pas");
        lines << QStringLiteral("%1: %2").arg(problem.line).arg(problem.message);
    }
    return lines;
}

QByteArray cp1251(const QString &text)
{
    return encode(text, Encoding::Cp1251);
}

const QStringList kBaseChanges{"  05.03.2019 [+] Учёт наценки.", "             [*] Округление.",
                               "  14.06.2017 [+] Создание."};
const QString kBase = HeaderText(kBaseChanges, "Copyright © 2017…2019");
const QString kNoNewEntry = "6: Ошибка: нет новой записи в списке изменений.";

QString withChanges(const QStringList &top, const QString &lastYear, QStringList rest = kBaseChanges)
{
    return HeaderText(top + rest, "Copyright © 2017…" + lastYear);
}

struct ChangeCase
{
    const char *name;
    std::optional<QByteArray> base;
    QByteArray now;
    QStringList problems;
};

void PrintTo(const ChangeCase &c, std::ostream *os)
{
    *os << c.name;
}

class ChangedHeader : public testing::TestWithParam<ChangeCase>
{
};

TEST_P(ChangedHeader, NeedsAnEntryTheBaseDidNotHave)
{
    const ChangeCase &c = GetParam();
    EXPECT_EQ(described(CheckChangedHeader("Name.pas", c.now, c.base, kToday)), c.problems);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangedHeader,
    testing::Values(
        ChangeCase{"EntryOnTop", cp1251(kBase), cp1251(withChanges({"  01.06.2024 [+] Новое."}, "2024")), {}},
        ChangeCase{"CodeOnly", cp1251(kBase), cp1251(kBase + "  x := 1;\r\n"), {kNoNewEntry}},
        ChangeCase{"EntryRemoved", cp1251(kBase),
                   cp1251(HeaderText({kBaseChanges[0], kBaseChanges[2]}, "Copyright © 2017…2019")), {kNoNewEntry}},
        ChangeCase{"EntryRedated", cp1251(kBase),
                   cp1251(withChanges({"  06.03.2019 [+] Учёт наценки."}, "2019", kBaseChanges.mid(1))), {}},
        ChangeCase{"SameEntryOnceMore", cp1251(kBase),
                   cp1251(withChanges({kBaseChanges[0], "             [+] Учёт наценки."}, "2019",
                                      kBaseChanges.mid(1))),
                   {}},
        ChangeCase{"OtherEncodingAndLineBreaks", cp1251(kBase),
                   encode(QString(kBase).replace("\r\n", "\n"), Encoding::Utf8Bom), {kNoNewEntry}},
        ChangeCase{"NewFileWithEntries", std::nullopt, cp1251(kBase), {}},
        ChangeCase{"NewFileWithoutEntries", std::nullopt, cp1251(HeaderText({""}, "")), {kNoNewEntry}},
        ChangeCase{"NewFileWithoutHeader", std::nullopt, cp1251("unit Name;\r\n"),
                   {"0: Ошибка: нет заголовка."}},
        ChangeCase{"NoChangeList", cp1251(kBase), cp1251("{==\r\n1\r\n2\r\n3\r\n  Описание\r\n\r\nno heading\r\n"),
                   {"0: Ошибка: нет новой записи в списке изменений."}},
        ChangeCase{"BaseThatDoesNotDecode", QByteArray("\xEF\xBB\xBF{==\xFF\xFE\r\n"), cp1251(kBase), {}},
        ChangeCase{"FutureEntry", cp1251(kBase), cp1251(withChanges({"  01.06.2062 [+] Новое."}, "2062")),
                   {"8: Ошибка: дата записи 01.06.2062 позже сегодняшней."}},
        ChangeCase{"FutureDateWithoutText", cp1251(kBase),
                   cp1251(withChanges({"  01.06.2024 [+] Новое.", "   1.7.2024 moves the date only"}, "2024")),
                   {"9: Ошибка: дата записи 1.7.2024 позже сегодняшней."}},
        // The window ends today: the walk stops at the future date, and the
        // scan below it tests an entry that holds "Copyright", as the
        // report does.
        ChangeCase{"FutureDateEndsTheWalk", cp1251(kBase),
                   cp1251(withChanges({"  01.06.2062 [+] Новое.", "  05.04.2019 [+] Copyright в окне."}, "2062")),
                   {"8: Ошибка: дата записи 01.06.2062 позже сегодняшней.",
                    "9: Ошибка в Copyright: год начала не 2062."}},
        ChangeCase{"ReportProblemsBesideTheMissingEntry", cp1251(kBase),
                   cp1251(HeaderText(kBaseChanges, "Copyright © 2016…2019")),
                   {kNoNewEntry, "12: Ошибка в Copyright: год начала не 2017."}}),
    [](const testing::TestParamInfo<ChangeCase> &info) { return info.param.name; });

TEST(HeaderCheck, UndecodableBytesFail)
{
    EXPECT_THROW(CheckHeader("Name.pas", "\xEF\xBB\xBF{==\xFF\xFE\r\n", kToday), Error);
    EXPECT_THROW(CheckChangedHeader("Name.pas", "\xEF\xBB\xBF{==\xFF\xFE\r\n", cp1251(kBase), kToday), Error);
}

TEST(HeaderCheck, CountsHowTheFirstDatesRead)
{
    FirstDateCount count;
    CheckHeader("Name.pas", cp1251(kBase), kToday, &count);
    CheckHeader("Name.pas", cp1251(HeaderText({"  32.13.2019 [+] a"}, "Copyright © 2019")), kToday, &count);
    CheckHeader("Name.pas", "no header", kToday, &count);
    CheckChangedHeader("Name.pas", cp1251(kBase), std::nullopt, kToday, &count);
    EXPECT_EQ(count.read, 2);
    EXPECT_EQ(count.unread, 1);
}

// A file on its own gets what the report gives for the window from the
// first day to today, and the dates after today: checked against the
// builder itself on today's real date.
TEST(HeaderCheck, PlainFileGetsTheReportsProblemsUpToTodayAndFutureDates)
{
    const QDate today = QDate::currentDate();
    const DateFormat format = SystemDateFormat();
    const QString future = FormatFullDate(today.addYears(1), format);
    const QString past = FormatFullDate(today.addYears(-1), format);
    const QString thisYear = QString::number(today.year());
    const QString nextYear = QString::number(today.year() + 1);
    struct Case
    {
        QString text;
        QStringList extra; // beside the builder's problems
    };
    const QList<Case> cases{
        {HeaderText({"  " + past + " [+] a"}, "Copyright © " + QString::number(today.year() - 1)), {}},
        {HeaderText({"  " + future + " [+] a", "  " + past + " [+] Copyright b"},
                    "Copyright © " + thisYear + "…" + nextYear),
         {"8: Ошибка: дата записи " + future + " позже сегодняшней."}},
        {HeaderText({"  32.13.2019 [+] a", "  " + future + " [+] b"}, "Copyright © 2019"),
         {"9: Ошибка: дата записи " + future + " позже сегодняшней."}},
        {"no header", {}},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        const QString path = QDir(dir.path()).filePath("Name.pas");
        writeBytes(path, cp1251(c.text));
        QStringList report;
        ReportContent content;
        SilentProgress progress;
        BuildChangeReport({path}, QDate(1, 1, 1), today, {}, progress, report, &content);
        QList<HeaderProblem> expected = content.problems;
        QStringList lines = described(expected);
        lines += c.extra;
        std::stable_sort(lines.begin(), lines.end(), [](const QString &a, const QString &b) {
            return a.section(u':', 0, 0).toInt() < b.section(u':', 0, 0).toInt();
        });
        EXPECT_EQ(described(CheckHeader("Name.pas", cp1251(c.text), today)), lines) << c.text.toStdString();
    }
}

TEST(HeaderCheck, ErrorListLinesAreTheBuildersErrorList)
{
    QTemporaryDir dir;
    QStringList files;
    for (const auto &[folder, name, text] :
         std::initializer_list<std::tuple<QString, QString, QString>>{
             {"a", "Bad.pas", "no header"},
             {"b", "Bad.pas", "none either"},
             {"c", "Good.pas", kBase},
             {"d", "Year.pas", HeaderText(kBaseChanges, "Copyright © 2016…2018")},
             {"e", "Bad.pas", ""}}) {
        QDir(dir.path()).mkpath(folder);
        files << QDir(dir.path()).filePath(folder + "/" + name);
        writeBytes(files.last(), cp1251(text));
    }
    QStringList report;
    ReportContent content;
    SilentProgress progress;
    ASSERT_EQ(BuildChangeReport(files, QDate(2019, 1, 1), QDate(2019, 12, 31), {}, progress, report, &content),
              ReportKind::ErrorList);
    EXPECT_EQ(ErrorListLines(content.problems), report);
    EXPECT_EQ(ErrorListLines({}), QStringList());
}

} // namespace
