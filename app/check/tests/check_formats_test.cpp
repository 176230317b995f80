// lorvane-check's formats over the same problems, read back as editors,
// GitHub and scripts read them, and the dates they are found under.

#include "core/codepage.h"
#include "core/filename.h"
#include "formats/tests/problemparsing.h"
#include "testsupport/gitfixture.h"
#include "testsupport/program.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

const QString kNoNewEntry = "Ошибка: нет новой записи в списке изменений.";
const QString kBadFirstYear = "Ошибка в Copyright: год начала не 2017.";
const QString kBadYearHeader = HeaderText(kOldChanges, "Copyright © 2016…2019");

class CheckFormats : public GitFixture
{
public:
    Outcome check(const QString &folder, const QStringList &arguments,
                  const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        return RunProgram(QStringLiteral(LORVANE_CHECK_EXE), arguments, {}, environment, folder);
    }

    // A branch that changes files whose names hold what the formats must
    // escape, each without a new entry: "%", ":" and "," (and a blank), a
    // CR, an LF, and bytes that are not UTF-8.
    QString oddNames()
    {
        const QString r = init("r");
        const QStringList names{"50%, a:b.pas", "dir/cr\rname.pas", "line\nbreak.pas", FileNameFromBytes(kOddName)};
        for (const QString &name : names)
            write(r + "/" + name, kOldHeader);
        commitAll(r, "start");
        git(r, {"checkout", "-q", "-b", "feature"});
        for (const QString &name : names)
            write(r + "/" + name, name.startsWith("dir/") ? kBadYearHeader : kChangedBody);
        commitAll(r);
        return r;
    }
};

QList<ParsedProblem> jsonProblems(const QJsonArray &errors)
{
    QList<ParsedProblem> problems;
    for (const QJsonValue &error : errors)
        problems << ParsedProblem{error["path"].toString(), error["line"].toInt(), error["message"].toString()};
    return problems;
}

TEST_F(CheckFormats, EachFormatGivesTheSameProblemsAtTheirPathsAndLines)
{
    const QString r = oddNames();
    const QString odd = QString(6, QChar(0xFFFD)) + ".pas";
    // In the order of the paths' bytes, as the comparison lists them.
    const QList<ParsedProblem> exact{{"50%, a:b.pas", 7, kNoNewEntry},
                                     {"dir/cr\rname.pas", 7, kNoNewEntry},
                                     {"dir/cr\rname.pas", 12, kBadFirstYear},
                                     {"line\nbreak.pas", 7, kNoNewEntry},
                                     {odd, 7, kNoNewEntry}};
    QList<ParsedProblem> onOneLine = exact;
    onOneLine[1].path = onOneLine[2].path = "dir/cr name.pas";
    onOneLine[3].path = "line break.pas";

    const Outcome gnu = check(r, {"--since", "main", "--format", "gnu"});
    EXPECT_EQ(gnu.exitCode, 1);
    EXPECT_EQ(ParseGnuLines(gnu.out), onOneLine) << gnu.out.toStdString();

    const Outcome github = check(r, {"--since", "main", "--format", "github"});
    EXPECT_EQ(github.exitCode, 1);
    EXPECT_EQ(ParseGithubLines(github.out), exact) << github.out.toStdString();
    EXPECT_TRUE(github.out.startsWith("::error file=50%25%2C a%3Ab.pas,line=7::")) << github.out.toStdString();

    const Outcome json = check(r, {"--since", "main", "--format", "json"});
    EXPECT_EQ(json.exitCode, 1);
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(jsonProblems(object["errors"].toArray()), exact) << json.out.toStdString();
    EXPECT_EQ(object["errors"][4]["pathBytes"].toString(), QString::fromLatin1(kOddName.toBase64()));
    EXPECT_EQ(object["errors"][1]["name"].toString(), "cr\rname.pas");
    EXPECT_EQ(object["kind"], "errors");
    EXPECT_EQ(object["mode"], "since");
    EXPECT_EQ(object["ref"], "main");
    EXPECT_EQ(object["from"], "0001-01-01");
    EXPECT_EQ(object["to"], QDate::currentDate().toString(Qt::ISODate));

    const Outcome text = check(r, {"--since", "main"});
    EXPECT_EQ(text.exitCode, 1);
    const QString expected = "50%, a:b.pas\r\n" + kNoNewEntry + "\r\n\r\ncr\rname.pas\r\n" + kNoNewEntry + "\r\n"
                             + kBadFirstYear + "\r\n\r\nline\nbreak.pas\r\n" + kNoNewEntry + "\r\n\r\n"
                             + FileNameFromBytes(kOddName) + "\r\n" + kNoNewEntry + "\r\n";
    // The report's error list breaks a name's CR or LF into lines.
    const QString lines = QString(expected).replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    EXPECT_EQ(text.out, CodePage(QStringLiteral("CP1251")).encode(lines));
}

TEST_F(CheckFormats, NothingFoundGivesNothingButAJsonObject)
{
    const QString r = project();
    write(r + "/A.pas", kNewEntryHeader);
    for (const char *format : {"text", "gnu", "github"}) {
        const Outcome outcome = check(r, {"--staged", "--format", format});
        EXPECT_EQ(outcome.exitCode, 0) << format;
        EXPECT_EQ(outcome.out, QByteArray()) << format;
    }
    const Outcome json = check(r, {"--format", "json", "--staged"});
    EXPECT_EQ(json.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(object["errors"], QJsonArray());
    EXPECT_EQ(object["mode"], "staged");
    EXPECT_EQ(object["ref"], QJsonValue());
    EXPECT_TRUE(check(r, {"--format", "json"}).out.contains("\"mode\": \"all\""));
}

// Without --since or --staged the text is byte for byte what the report's
// error list is for the window from the first day to today.
TEST_F(CheckFormats, TextIsTheReportsErrorList)
{
    const QString p = root + "plain";
    write(p + "/a/Same.pas", kBadYearHeader);
    write(p + "/b/Same.pas", "no header\r\n");
    write(p + "/Good.pas", kOldHeader);
    write(p + "/Year.sql", kBadYearHeader);
    const Outcome checked = check(p, {});
    const Outcome reported = RunProgram(QStringLiteral(LORVANE_REPORT_EXE),
                                        {"--errors-only", "--from", "0001-01-01", "--to",
                                         QDate::currentDate().toString(Qt::ISODate), p});
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_EQ(reported.exitCode, 1);
    EXPECT_EQ(checked.out, reported.out);
    EXPECT_TRUE(checked.out.contains("Same.pas\r\n")) << checked.out.toStdString();
}

// On a terminal the text is UTF-8 with LF line breaks (the terminal shows
// each LF as CR LF).
TEST_F(CheckFormats, TextOnATerminalIsUtf8)
{
    const QString p = root + "plain";
    write(p + "/Year.pas", kBadYearHeader);
    const Outcome outcome = RunProgram("script", {"-qec", "'" LORVANE_CHECK_EXE "' " + p, "/dev/null"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, ("Year.pas\r\n" + kBadFirstYear + "\r\n").toUtf8());
}

struct DatesCase
{
    const char *name;
    QStringList environment; // NAME=VALUE
    QStringList arguments;   // beside the folder
    QString header;
    int exitCode;
    QList<ParsedProblem> problems;
    QString error; // what standard error holds
};

void PrintTo(const DatesCase &c, std::ostream *os)
{
    *os << c.name;
}

class Dates : public CheckFormats, public testing::WithParamInterface<DatesCase>
{
};

TEST_P(Dates, AreReadInTheFormatInForce)
{
    const DatesCase &c = GetParam();
    const QString p = root + "plain";
    write(p + "/A.pas", c.header);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : c.environment)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    const Outcome outcome = check(p, c.arguments + QStringList{"--format", "github", "."}, environment);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err.toStdString();
    EXPECT_EQ(ParseGithubLines(outcome.out), c.problems) << outcome.out.toStdString();
    EXPECT_TRUE(outcome.err.contains(c.error)) << outcome.err.toStdString();
}

const QString kFuture = "Ошибка: дата записи 01.06.2062 позже сегодняшней.";

INSTANTIATE_TEST_SUITE_P(
    Cases, Dates,
    testing::Values(
        DatesCase{"RussianLocale", {"LC_ALL=ru_RU.UTF-8"}, {}, kFutureHeader, 1, {{"A.pas", 9, kFuture}}, ""},
        DatesCase{"GermanTimeLocale", {"LC_ALL=", "LC_TIME=de_DE.UTF-8"}, {}, kFutureHeader, 1,
                  {{"A.pas", 9, kFuture}}, ""},
        DatesCase{"EnglishLocaleReadsNoDateAndSaysSo",
                  {"LC_ALL=en_US.UTF-8"},
                  {},
                  kOldHeader,
                  1,
                  {{"A.pas", 9, "Ошибка: дата в строке 8]"},
                   {"A.pas", 12, "Ошибка в Copyright: год начала не " + QString::number(QDate::currentDate().year()) + "."},
                   {"A.pas", 12, "Ошибка в Copyright: год последнего изменения не "
                                     + QString::number(QDate::currentDate().year()) + "."}},
                  "No file's first date reads in the date format"},
        DatesCase{"EnglishLocaleWithTheOption", {"LC_ALL=en_US.UTF-8"}, {"--date-format", "dd.MM.yyyy"},
                  kFutureHeader, 1, {{"A.pas", 9, kFuture}}, ""},
        DatesCase{"VariableWithIsoDates", {"LORVANE_DATE_FORMAT=yyyy-MM-dd"}, {},
                  HeaderText({"  2062-06-01 [+] a", "  2017-06-14 [+] b"}, "Copyright © 2017…2062"), 1,
                  {{"A.pas", 9, "Ошибка: дата записи 2062-06-01 позже сегодняшней."}}, ""},
        DatesCase{"PercentAsTheSeparator", {}, {"--date-format", "dd%MM%yyyy"},
                  HeaderText({"  01%06%2062 [+] a", "  14%06%2017 [+] b"}, "Copyright © 2017…2062"), 1,
                  {{"A.pas", 9, "Ошибка: дата записи 01%06%2062 позже сегодняшней."}}, ""}),
    [](const testing::TestParamInfo<DatesCase> &info) { return info.param.name; });

} // namespace
