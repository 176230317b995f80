#include "core/codepage.h"
#include "core/tests/mixed_project.h"
#include "core/tests/pricing_header.h"
#include "testsupport/program.h"
#include "testsupport/testfiles.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

class ReportCliTest : public testing::Test
{
protected:
    Outcome run(const QStringList &arguments, const QByteArray &input = {},
                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        return RunProgram(QStringLiteral(LORVANE_REPORT_EXE), arguments, input, environment);
    }
    QString fileList(const QStringList &files)
    {
        const QString list = dir.filePath("files.txt");
        writeBytes(list, files.join('\n').toUtf8() + "\n");
        return list;
    }
    QString pricing(Encoding encoding, const QString &text = QString::fromUtf8(kPricingHeader))
    {
        QDir().mkpath(dir.filePath("src"));
        const QString path = dir.filePath("src/Pricing.pas");
        writeBytes(path, encode(text, encoding));
        return path;
    }
    static QByteArray cp1251(const char *utf8) { return CodePage(QStringLiteral("CP1251")).encode(QString::fromUtf8(utf8)); }

    QTemporaryDir dir;
    const QStringList window{"--from", "2019-01-01", "--to", "2019-03-31", "--description"};
};

class PricingCli : public ReportCliTest, public testing::WithParamInterface<Encoding>
{
};

TEST_P(PricingCli, GivesTheWorkedExamplesByteForByte)
{
    const QString list = fileList({pricing(GetParam())});
    Outcome plain = run(window + QStringList{"--files-from", list});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, cp1251(kPricingPlainReport));

    Outcome html = run(window + QStringList{"--html", "--only-changes", "--files-from", list});
    EXPECT_EQ(html.exitCode, 0);
    EXPECT_EQ(html.out, cp1251(kPricingHtmlReport));

    pricing(GetParam(), QString::fromUtf8(kPricingHeader).replace(QStringLiteral("© 2017"), QStringLiteral("© 2016")));
    Outcome errors = run(window + QStringList{"--files-from", list});
    EXPECT_EQ(errors.exitCode, 1);
    EXPECT_EQ(errors.out, cp1251(kPricingCopyrightErrors));
}

INSTANTIATE_TEST_SUITE_P(Encodings, PricingCli,
                         testing::Values(Encoding::Cp1251, Encoding::Utf8Bom, Encoding::Utf16LeBom));

TEST_F(ReportCliTest, OutputFileHoldsTheSameBytesAsStandardOutput)
{
    const QString source = pricing(Encoding::Utf8Bom);
    const QString target = dir.filePath("Pricing.change.txt");
    Outcome written = run(window + QStringList{"--output", target, "--files-from", "-"}, source.toUtf8() + "\n");
    EXPECT_EQ(written.exitCode, 0) << written.err.toStdString();
    EXPECT_TRUE(written.out.isEmpty());
    EXPECT_EQ(readBytes(target), cp1251(kPricingPlainReport));
}

class OutputToStandardOutput : public ReportCliTest, public testing::WithParamInterface<const char *>
{
};

TEST_P(OutputToStandardOutput, WritesThroughIt)
{
    const QStringList arguments = window + QStringList{"--output", GetParam(), "--files-from", "-"};
    const QByteArray list = pricing(Encoding::Utf8Bom).toUtf8() + "\n";
    Outcome piped = run(arguments, list);
    EXPECT_EQ(piped.exitCode, 0) << piped.err.toStdString();
    EXPECT_EQ(piped.out, cp1251(kPricingPlainReport));

    // Standard output sent to a file: the file receives the report, and no
    // file is named after the option's value.
    const QString file = dir.filePath("stdout.txt");
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.setStandardOutputFile(file);
    process.start(QStringLiteral(LORVANE_REPORT_EXE), arguments);
    process.write(list);
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(readBytes(file), cp1251(kPricingPlainReport));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(Names, OutputToStandardOutput, testing::Values("/dev/stdout", "-"),
                         [](const testing::TestParamInfo<const char *> &info) {
                             return std::string(info.index == 0 ? "DevStdout" : "Dash");
                         });

TEST_F(ReportCliTest, FolderModeSearchesTheFourExtensionsInOrder)
{
    QDir().mkpath(dir.filePath("proj/sub"));
    const QString body = QString::fromUtf8(kPricingHeader);
    for (const char *name : {"proj/b.sql", "proj/sub/a.pas", "proj/z.pas", "proj/x.dpk", "proj/y.dpr", "proj/n.txt"})
        writeBytes(dir.filePath(name), encode(QString(body).replace("Pricing.pas", "Unit"), Encoding::Cp1251));
    Outcome outcome = run({"--from", "2019-03-01", "--to", "2019-03-31", "--only-changes", dir.filePath("proj")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    QStringList names;
    for (const QString &line : QString::fromLatin1(outcome.out).split("\r\n"))
        if (line.contains('.') && !line.startsWith('['))
            names << line;
    EXPECT_EQ(names, (QStringList{"01.03.2019 - 31.03.2019", "a.pas", "z.pas", "b.sql", "y.dpr", "x.dpk"}));

    const QList<std::pair<QString, QString>> notFolders{
        {dir.filePath("nowhere"), QStringLiteral("Folder \"%1\" does not exist.\n")},
        {dir.filePath("proj/z.pas"), QStringLiteral("\"%1\" is not a folder.\n")}};
    for (const auto &[path, message] : notFolders) {
        Outcome outcome = run({"--from", "2019-03-01", "--to", "2019-03-31", path});
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.err, message.arg(path));
    }
}

TEST_F(ReportCliTest, LimitNarrowsTheWindowToTheMostRecentDays)
{
    const QString list = fileList({pricing(Encoding::Cp1251)});
    const QStringList wide{"--from", "2010-01-01", "--to", "2019-03-31", "--files-from", list};
    Outcome full = run(wide);
    EXPECT_EQ(full.exitCode, 0);
    // Five lines reach the limit once the window reaches 05.03.2019.
    Outcome five = run(wide + QStringList{"--limit", "5"});
    EXPECT_EQ(five.exitCode, 0) << five.err.toStdString();
    EXPECT_EQ(five.out, "05.03.2019 - 31.03.2019\r\n\r\nPricing.pas\r\n[+] \xD3\xF7\xB8\xF2 \xED\xE0\xF6\xE5\xED\xEA\xE8 "
                        "\xEF\xEE\xF1\xF2\xE0\xE2\xF9\xE8\xEA\xE0.\r\n[*] \xC8\xF1\xEF\xF0\xE0\xE2\xEB\xE5\xED\xEE "
                        "\xEE\xEA\xF0\xF3\xE3\xEB\xE5\xED\xE8\xE5 \xF6\xE5\xED\xFB.\r\n");
    Outcome six = run(wide + QStringList{"--limit", "6"});
    EXPECT_TRUE(six.out.startsWith("12.11.2018 - 31.03.2019\r\n")) << six.out.toStdString();
    EXPECT_EQ(run(wide + QStringList{"--limit", "100"}).out, full.out);
}

TEST_F(ReportCliTest, LimitThatEndsInAnErrorListExitsWithOne)
{
    // At the limit's first start the walk stops above this entry, so the
    // copyright check reads it and fails.
    const QString header = QString::fromUtf8(kPricingHeader)
                               .replace(QStringLiteral("[*] Исправлено"), QStringLiteral("[*] Copyright: исправлено"));
    const QString list = fileList({pricing(Encoding::Cp1251, header)});
    const QStringList wide{"--from", "2010-01-01", "--to", "2019-03-31", "--files-from", list};
    Outcome full = run(wide);
    EXPECT_EQ(full.exitCode, 0) << full.out.toStdString();
    for (const char *format : {"text", "json"}) {
        Outcome limited = run(wide + QStringList{"--limit", "1", "--format", format});
        EXPECT_EQ(limited.exitCode, 1) << format << ": " << limited.out.toStdString();
        EXPECT_TRUE(limited.out.contains("2019.")) << format << ": " << limited.out.toStdString();
    }
}

TEST_F(ReportCliTest, StartAfterEndBecomesTheEnd)
{
    Outcome outcome = run({"--from", "2020-05-01", "--to", "2019-03-31", "--files-from", "-"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "31.03.2019 - 31.03.2019\r\n");
}

TEST_F(ReportCliTest, UnreadableFileIsAFailureWithNothingOnStandardOutput)
{
    const QString missing = dir.filePath("missing.pas");
    Outcome outcome = run(window + QStringList{"--files-from", fileList({pricing(Encoding::Cp1251), missing})});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_EQ(outcome.err, QStringLiteral("Cannot open file \"%1\". No such file or directory.\n").arg(missing));
}

// The environment of a user whose locale variables are these and no others.
QProcessEnvironment LocaleEnvironment(const QList<std::pair<QString, QString>> &variables)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LC_ALL", "LC_TIME", "LC_MESSAGES", "LANG", "LANGUAGE", "LORVANE_DATE_FORMAT"})
        environment.remove(name);
    for (const auto &[name, value] : variables)
        environment.insert(name, value);
    return environment;
}

struct SampleCase
{
    const char *lang;
    bool houseFormat; // LORVANE_DATE_FORMAT=dd.MM.yyyy
    int exitCode;
    const char *firstLine; // of standard output
    const char *hint;      // the line on standard error, or empty
};

class SampleUnderLocales : public ReportCliTest, public testing::WithParamInterface<SampleCase>
{
};

// The sample project is written in dd.MM.yyyy: a locale that reads dates
// otherwise fails it, says why and how to read it, and the project's own
// format reads it the same everywhere.
TEST_P(SampleUnderLocales, ReadsAsTheDateFormatInForceReadsItsHeaders)
{
    const SampleCase &c = GetParam();
    QList<std::pair<QString, QString>> variables{{"LANG", c.lang}};
    if (c.houseFormat)
        variables.append(std::pair<QString, QString>("LORVANE_DATE_FORMAT", "dd.MM.yyyy"));
    const Outcome outcome = run({"--from", "2000-01-01", "--to", "2030-12-31", LORVANE_SAMPLES "/Warehouse"}, {},
                                LocaleEnvironment(variables));
    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err.toStdString();
    EXPECT_EQ(QString::fromLatin1(outcome.out.left(outcome.out.indexOf("\r\n"))), c.firstLine);
    EXPECT_EQ(outcome.err, *c.hint ? QString::fromUtf8(c.hint) + "\n" : QString());
}

INSTANTIATE_TEST_SUITE_P(
    Locales, SampleUnderLocales,
    testing::Values(SampleCase{"C.UTF-8", false, 0, "01.01.2000 - 31.12.2030", ""},
                    SampleCase{"C.UTF-8", true, 0, "01.01.2000 - 31.12.2030", ""},
                    SampleCase{"ru_RU.UTF-8", false, 0, "01.01.2000 - 31.12.2030", ""},
                    SampleCase{"ru_RU.UTF-8", true, 0, "01.01.2000 - 31.12.2030", ""},
                    SampleCase{"en_US.UTF-8", false, 1, "Pricing.pas",
                               "No file's first date reads in the date format \"M/d/yy\" of LANG=en_US.UTF-8; give "
                               "the format of the headers with --date-format or LORVANE_DATE_FORMAT, such as "
                               "--date-format dd.MM.yyyy."},
                    SampleCase{"en_US.UTF-8", true, 0, "01.01.2000 - 31.12.2030", ""},
                    SampleCase{"de_DE.UTF-8", false, 0, "01.01.00 - 31.12.30", ""},
                    SampleCase{"de_DE.UTF-8", true, 0, "01.01.2000 - 31.12.2030", ""}),
    [](const testing::TestParamInfo<SampleCase> &info) {
        return QString::fromLatin1(info.param.lang).remove('.').remove('-').toStdString()
               + (info.param.houseFormat ? "HouseFormat" : "");
    });

struct HeadingCase
{
    const char *name;
    QList<std::pair<QString, QString>> variables;
    QStringList options;
    const char *heading;
};

class HeadingDateFormat : public ReportCliTest, public testing::WithParamInterface<HeadingCase>
{
};

TEST_P(HeadingDateFormat, ComesFromTheOptionTheVariableOrTheLocaleOfDates)
{
    const HeadingCase &c = GetParam();
    const Outcome outcome = run(c.options + QStringList{"--from", "2019-03-05", "--to", "2019-03-31", "--files-from", "-"},
                                {}, LocaleEnvironment(c.variables));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(outcome.out, QByteArray(c.heading) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Settings, HeadingDateFormat,
    testing::Values(
        HeadingCase{"NoLocale", {}, {}, "05.03.2019 - 31.03.2019"},
        HeadingCase{"MessagesAreNotDates", {{"LC_MESSAGES", "en_US.UTF-8"}}, {}, "05.03.2019 - 31.03.2019"},
        HeadingCase{"TimeBeforeLang", {{"LC_TIME", "en_US.UTF-8"}, {"LANG", "ru_RU.UTF-8"}}, {}, "3/5/19 - 3/31/19"},
        HeadingCase{"AllBeforeTime", {{"LC_ALL", "ru_RU.UTF-8"}, {"LC_TIME", "en_US.UTF-8"}}, {},
                    "05.03.2019 - 31.03.2019"},
        HeadingCase{"VariableBeforeLocale", {{"LORVANE_DATE_FORMAT", "yyyy-MM-dd"}, {"LC_ALL", "en_US.UTF-8"}}, {},
                    "2019-03-05 - 2019-03-31"},
        HeadingCase{"OptionBeforeVariable", {{"LORVANE_DATE_FORMAT", "yyyy-MM-dd"}}, {"--date-format", "MM/dd/yyyy"},
                    "03/05/2019 - 03/31/2019"},
        HeadingCase{"OptionBeforeBadVariable", {{"LORVANE_DATE_FORMAT", "dd.mm.yyyy"}}, {"--date-format", "d.M.yy"},
                    "5.3.19 - 31.3.19"}),
    [](const testing::TestParamInfo<HeadingCase> &info) { return std::string(info.param.name); });

struct BadCommandLine
{
    QStringList arguments;
    const char *message;
};

class BadCommandLines : public ReportCliTest, public testing::WithParamInterface<BadCommandLine>
{
};

TEST_P(BadCommandLines, AreFailures)
{
    Outcome outcome = run(GetParam().arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_TRUE(outcome.err.contains(QString::fromUtf8(GetParam().message))) << outcome.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadCommandLines,
    testing::Values(BadCommandLine{{"--from", "2019-02-31", "--to", "2019-03-01", "-"}, "Invalid date \"2019-02-31\""},
                    BadCommandLine{{"--from", "2019-2-3", "--to", "2019-03-01", "-"}, "Invalid date \"2019-2-3\""},
                    BadCommandLine{{"--to", "2019-03-01", "--files-from", "-"}, "--from and --to are required"},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01"}, "either --files-from or one FOLDER"},
                    BadCommandLine{{"--bogus"}, "Unknown option --bogus"},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--limit", "x", "-"},
                                   "Invalid line limit"},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--limit", "0", "-"},
                                   "Invalid line limit \"0\": expected a whole number of 1 or more."},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--limit", "-3", "-"},
                                   "Invalid line limit \"-3\""},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--output", "", "-"},
                                   "Option --output needs a value."},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--output", "--html", "-"},
                                   "Option --output needs a value."},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--files-from", ""},
                                   "Option --files-from needs a value."},
                    BadCommandLine{{"--from", "2019-01-01", "--from", "2019-01-02", "--to", "2019-03-01", "-"},
                                   "Option --from given twice."},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--output", "a", "--output", "b", "-"},
                                   "Option --output given twice."},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--strict", "--strict", "-"},
                                   "Option --strict given twice."},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--limit", "5", "--limit", "5", "-"},
                                   "Option --limit given twice."},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", ""},
                                   "FOLDER is empty; give \".\" for the current folder."},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--", "--strict"},
                                   "Folder \""},
                    BadCommandLine{{"--date-format", "dd.mm.yyyy", "--from", "2019-01-01", "--to", "2019-03-01", "-"},
                                   "Invalid date format \"dd.mm.yyyy\" for --date-format: expected a day, a month "
                                   "and a year field"},
                    BadCommandLine{{"--date-format", "dd.MM.yyyy", "--date-format", "dd.MM.yyyy", "--from",
                                    "2019-01-01", "--to", "2019-03-01", "-"},
                                   "Option --date-format given twice."},
                    BadCommandLine{{"--from", "2019-01-01", "--to", "2019-03-01", "--date-format", "", "-"},
                                   "Option --date-format needs a value."}));

TEST_F(ReportCliTest, CodePageComesFromTheEnvironment)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LORVANE_CODEPAGE", "UTF-8");
    const QString list = fileList({pricing(Encoding::Utf8Bom)});
    Outcome utf8 = run(window + QStringList{"--files-from", list}, {}, environment);
    EXPECT_EQ(utf8.out, "\xEF\xBB\xBF" + QByteArray(kPricingPlainReport));

    environment.insert("LORVANE_CODEPAGE", "NO-SUCH-PAGE");
    Outcome unknown = run({"--help"}, {}, environment);
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.err, "Unknown code page \"NO-SUCH-PAGE\" in LORVANE_CODEPAGE.\n");
}

TEST_F(ReportCliTest, VersionPrintsTheVersionLineOfTheExecutable)
{
    Outcome outcome = run({"--version"});
    EXPECT_EQ(outcome.exitCode, 0);
    const QString line = QString::fromUtf8(outcome.out);
    EXPECT_TRUE(line.startsWith(QStringLiteral("Версия 1.0.00000001 от "))) << line.toStdString();
    EXPECT_TRUE(QDate::fromString(line.trimmed().right(10), "dd.MM.yyyy").isValid()) << line.toStdString();
}

TEST_F(ReportCliTest, HelpNamesEveryOption)
{
    Outcome outcome = run({"--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    for (const char *option : {"--from", "--to", "--html", "--description", "--only-changes", "--limit", "--output",
                               "--files-from", "FOLDER", "--version"})
        EXPECT_TRUE(outcome.out.contains(option)) << option;
}

class CodePageCli : public ReportCliTest, public testing::WithParamInterface<const char *>
{
};

// A limit the report never reaches keeps the report as text until it is
// written; without one it is built as the bytes it is written as.
TEST_P(CodePageCli, WritesTheSameBytesWithAndWithoutAnUnreachedLimit)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LORVANE_CODEPAGE", GetParam());
    QRandomGenerator random(7);
    GenerateMixedProject(random, dir.filePath("tree"), 120, QDate(2026, 12, 10), false);
    for (const QStringList &options : {QStringList{}, QStringList{"--html", "--description"}}) {
        const QStringList arguments = QStringList{"--from", "2026-10-01", "--to", "2026-12-10", dir.filePath("tree")} + options;
        const Outcome bytes = run(arguments, {}, environment);
        const Outcome text = run(arguments + QStringList{"--limit", "100000000"}, {}, environment);
        EXPECT_NE(bytes.exitCode, 2) << bytes.err.toStdString();
        EXPECT_EQ(bytes.exitCode, text.exitCode);
        EXPECT_FALSE(bytes.out.isEmpty());
        EXPECT_EQ(bytes.out, text.out);
    }
}

// IBM037 does not write ASCII as itself, so the headers read as missing and
// the error list is written; CP932 is multi-byte.
INSTANTIATE_TEST_SUITE_P(CodePages, CodePageCli, testing::Values("CP1251", "UTF-8", "IBM037", "CP932"));

} // namespace
