// lorvane-report's formats, exclusions and errors-only mode, run as a
// script runs them.

#include "core/codepage.h"
#include "core/filename.h"
#include "core/tests/pricing_header.h"
#include "testsupport/program.h"
#include "testsupport/testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

const QString kGoodHeader = QString::fromUtf8(kPricingHeader);
const QString kBadHeader = QString::fromUtf8(kPricingHeader).replace(QStringLiteral("© 2017"), QStringLiteral("© 2016"));

class FormatsCliTest : public testing::Test
{
protected:
    Outcome run(const QStringList &arguments, const char *codePage = "CP1251")
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LORVANE_CODEPAGE", codePage);
        return RunProgram(QStringLiteral(LORVANE_REPORT_EXE), arguments, {}, environment);
    }
    // Writes a header in UTF-8 with its mark, which any code page reads the
    // same, under the project folder, by bytes.
    QString source(const QByteArray &relative, const QString &text = kGoodHeader)
    {
        const QByteArray path = FileNameToBytes(project()) + "/" + relative;
        const QByteArray folder = path.left(path.lastIndexOf('/'));
        QDir().mkpath(FileNameFromBytes(folder));
        const QByteArray bytes = encode(text, Encoding::Utf8Bom);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
        m_written << path;
        return FileNameFromBytes(path);
    }
    ~FormatsCliTest() override
    {
        // The temporary folder cannot remove names that are not UTF-8 itself.
        for (const QByteArray &path : m_written)
            ::unlink(path.constData());
    }
    QString project() const { return dir.filePath("project"); }

    QTemporaryDir dir;
    const QStringList window{"--from", "2019-01-01", "--to", "2019-03-31", "--description"};

private:
    QList<QByteArray> m_written;
};

QJsonObject parsedJson(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << bytes.toStdString();
    return document.object();
}

struct FormatCase
{
    const char *format;
    bool errors;
};

class EachFormat : public FormatsCliTest, public testing::WithParamInterface<FormatCase>
{
};

// The format changes neither the exit status nor the window the limit
// settles on; Markdown and JSON do not depend on the code page.
TEST_P(EachFormat, KeepsTheExitStatusAndTheLimitsWindow)
{
    source("Pricing.pas", GetParam().errors ? kBadHeader : kGoodHeader);
    const QStringList wide{"--from", "2010-01-01", "--to", "2019-03-31", "--limit", "5", project()};
    const Outcome text = run(wide);
    const Outcome formatted = run(wide + QStringList{"--format", GetParam().format});
    EXPECT_EQ(formatted.exitCode, text.exitCode);
    EXPECT_EQ(formatted.exitCode, GetParam().errors ? 1 : 0) << formatted.err.toStdString();
    EXPECT_EQ(run(wide + QStringList{"--format", GetParam().format}, "UTF-8").out, formatted.out);
    EXPECT_FALSE(formatted.out.contains('\r'));
    const QString shown = QString::fromUtf8(formatted.out);
    if (GetParam().errors) {
        EXPECT_TRUE(shown.contains(QStringLiteral("Ошибка в Copyright: год начала не 2017."))) << shown.toStdString();
    } else if (QByteArray(GetParam().format) == "json") {
        EXPECT_EQ(parsedJson(formatted.out)["from"], "2019-03-05");
    } else {
        EXPECT_TRUE(shown.startsWith("# 05.03.2019 - 31.03.2019\n")) << shown.toStdString();
        EXPECT_TRUE(text.out.startsWith("05.03.2019 - 31.03.2019\r\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EachFormat,
                         testing::Values(FormatCase{"markdown", false}, FormatCase{"markdown", true},
                                         FormatCase{"json", false}, FormatCase{"json", true}));

TEST_F(FormatsCliTest, TextAndHtmlFormatsAreTheWindowsBytes)
{
    source("Pricing.pas");
    const CodePage cp1251(QStringLiteral("CP1251"));
    EXPECT_EQ(run(window + QStringList{"--format", "text", project()}).out,
              cp1251.encode(QString::fromUtf8(kPricingPlainReport)));
    const QByteArray html = cp1251.encode(QString::fromUtf8(kPricingHtmlReport));
    EXPECT_EQ(run(window + QStringList{"--format", "html", project()}).out, html);
    EXPECT_EQ(run(window + QStringList{"--html", "--format", "html", project()}).out, html);
}

struct BadArguments
{
    QStringList arguments; // after the window, before --output
    const char *option;
};

class BadFormatArguments : public FormatsCliTest, public testing::WithParamInterface<BadArguments>
{
};

TEST_P(BadFormatArguments, FailWithOneLineAndLeaveTheOutputAlone)
{
    source("Pricing.pas");
    const QString existing = dir.filePath("existing.txt");
    writeBytes(existing, "kept");
    const QString absent = dir.filePath("absent.txt");
    QStringList arguments = GetParam().arguments;
    arguments.replaceInStrings("PROJECT", project());
    for (const QString &output : {existing, absent}) {
        const Outcome outcome = run(window + QStringList{"--output", output} + arguments);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_EQ(outcome.err.count('\n'), 1) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(GetParam().option)) << outcome.err.toStdString();
    }
    EXPECT_EQ(readBytes(existing), "kept");
    EXPECT_FALSE(QFileInfo::exists(absent));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadFormatArguments,
    testing::Values(BadArguments{{"--format", "xml", "PROJECT"}, "--format"},
                    BadArguments{{"--format", "JSON", "PROJECT"}, "--format"},
                    BadArguments{{"--format", "json", "--format", "json", "PROJECT"}, "--format"},
                    BadArguments{{"--format", "text", "--format", "html", "PROJECT"}, "--format"},
                    BadArguments{{"--html", "--format", "json", "PROJECT"}, "--html"},
                    BadArguments{{"--format", "markdown", "--html", "PROJECT"}, "--html"},
                    BadArguments{{"--format", "text", "--html", "PROJECT"}, "--html"},
                    BadArguments{{"--format"}, "--format"},
                    BadArguments{{"PROJECT", "--exclude"}, "--exclude"},
                    BadArguments{{"--exclude", "", "PROJECT"}, "--exclude"},
                    BadArguments{{"--exclude", "--strict", "PROJECT"}, "--exclude"},
                    BadArguments{{"--format", "--html", "PROJECT"}, "--format"},
                    BadArguments{{"--exclude", "tmp", "--files-from", "-"}, "--exclude"},
                    BadArguments{{"--exclude", "|Sql", "PROJECT"}, "Bar list \"|Sql\" for --exclude"},
                    BadArguments{{"--exclude", "|tmp|old", "PROJECT"}, "Bar list \"|tmp|old\" for --exclude"},
                    BadArguments{{"--output", "PROJECT/other.txt", "PROJECT"}, "Option --output given twice"}));

class ErrorsOnly : public FormatsCliTest, public testing::WithParamInterface<FormatCase>
{
};

TEST_P(ErrorsOnly, PrintsNothingForACleanProjectElseTheErrorList)
{
    source("Pricing.pas", GetParam().errors ? kBadHeader : kGoodHeader);
    const QStringList plain = window + QStringList{"--format", GetParam().format, project()};
    const QString target = dir.filePath("problems.out");
    // An earlier run's problems must not survive a clean run.
    writeBytes(target, "Pricing.pas\r\nold problem\r\n");
    const Outcome toFile = run(plain + QStringList{"--errors-only", "--output", target});
    const Outcome outcome = run(plain + QStringList{"--errors-only"});
    EXPECT_EQ(outcome.exitCode, GetParam().errors ? 1 : 0) << outcome.err.toStdString();
    EXPECT_EQ(toFile.exitCode, outcome.exitCode);
    EXPECT_TRUE(outcome.err.isEmpty());
    if (GetParam().errors) {
        // The same error list as without the option.
        EXPECT_FALSE(outcome.out.isEmpty());
        EXPECT_EQ(outcome.out, run(plain).out);
        EXPECT_EQ(readBytes(target), outcome.out);
    } else {
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(target));
        EXPECT_EQ(readBytes(target), QByteArray());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ErrorsOnly,
                         testing::Values(FormatCase{"text", false}, FormatCase{"text", true},
                                         FormatCase{"markdown", false}, FormatCase{"markdown", true},
                                         FormatCase{"json", false}, FormatCase{"json", true}));

TEST_F(FormatsCliTest, ErrorsOnlyIgnoresTheLimitAndGivesEveryProblemItsLine)
{
    source("Pricing.pas", kBadHeader);
    source("sub/None.pas", QStringLiteral(" {== no marker"));
    const Outcome outcome =
        run(window + QStringList{"--errors-only", "--limit", "1", "--format", "json", project()});
    EXPECT_EQ(outcome.exitCode, 1);
    const QJsonObject report = parsedJson(outcome.out);
    EXPECT_EQ(report["kind"], "errors");
    EXPECT_EQ(report["from"], "2019-01-01");
    const QJsonArray errors = report["errors"].toArray();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[0]["name"], "Pricing.pas");
    EXPECT_EQ(errors[0]["line"], 16);
    EXPECT_EQ(errors[1]["path"], project() + "/sub/None.pas");
    EXPECT_EQ(errors[1]["line"], 1);
}

struct ExcludeCase
{
    const char *pattern;
    QStringList names; // the files reported, in report order
};

class Exclude : public FormatsCliTest, public testing::WithParamInterface<ExcludeCase>
{
};

TEST_P(Exclude, SkipsTheNamesThatThePatternCatches)
{
    for (const char *file : {"a.pas", "tmp/b.pas", "old.pas", "keep/c.pas", "TMP/d.pas", "x.tmp.sql"})
        source(file);
    const Outcome outcome = run(window + QStringList{"--format", "json", "--exclude", GetParam().pattern, project()});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    QStringList names;
    for (const QJsonValue &file : parsedJson(outcome.out)["files"].toArray())
        names << file["name"].toString();
    EXPECT_EQ(names, GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, Exclude,
    testing::Values(ExcludeCase{"tmp", {"d.pas", "a.pas", "c.pas", "old.pas"}},
                    ExcludeCase{"|tmp|old|", {"d.pas", "a.pas", "c.pas"}},
                    ExcludeCase{"|tmp||old|", {"d.pas", "a.pas", "c.pas", "old.pas"}},
                    ExcludeCase{"keep", {"d.pas", "a.pas", "old.pas", "b.pas", "x.tmp.sql"}}));

TEST_F(FormatsCliTest, NamesThatAreNotUtf8StayValidAndKeepTheirBytes)
{
    const QString path = source("caf\xE9.pas");
    for (const char *format : {"json", "markdown"}) {
        const Outcome outcome = run(window + QStringList{"--format", format, project()});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(outcome.out).toUtf8(), outcome.out) << format;
        EXPECT_TRUE(QString::fromUtf8(outcome.out).contains(QStringLiteral("caf\uFFFD.pas"))) << format;
    }
    const QJsonObject file = parsedJson(run(window + QStringList{"--format", "json", project()}).out)["files"][0].toObject();
    EXPECT_EQ(QByteArray::fromBase64(file["pathBytes"].toString().toLatin1()), FileNameToBytes(path));
}

TEST_F(FormatsCliTest, JsonGoesThroughALinkAndIntoAFifo)
{
    source("Pricing.pas");
    const QStringList arguments = window + QStringList{"--format", "json", project()};
    const QByteArray expected = run(arguments).out;
    ASSERT_FALSE(expected.isEmpty());

    const QString target = dir.filePath("report.json");
    const QString link = dir.filePath("link.json");
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    EXPECT_EQ(run(arguments + QStringList{"--output", link}).exitCode, 0);
    EXPECT_EQ(readBytes(target), expected);
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    QByteArray received;
    std::thread reader([&] { received = readBytes(fifo); });
    const Outcome piped = run(arguments + QStringList{"--output", fifo});
    // Should the run not have opened the FIFO, this lets the reader end.
    const int release = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (release >= 0)
        ::close(release);
    reader.join();
    EXPECT_EQ(piped.exitCode, 0) << piped.err.toStdString();
    EXPECT_EQ(received, expected);
}

TEST_F(FormatsCliTest, FullDiskIsAFailure)
{
    source("Pricing.pas");
    for (const char *format : {"json", "markdown"}) {
        const Outcome outcome = run(window + QStringList{"--format", format, "--output", "/dev/full", project()});
        EXPECT_EQ(outcome.exitCode, 2) << format;
        EXPECT_EQ(outcome.err, "Stream write error.\n") << format;
    }
}

TEST_F(FormatsCliTest, HelpNamesTheFormatsAndHowOddNamesAreShown)
{
    const Outcome outcome = run({"--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    for (const char *text : {"--format FORMAT", "--exclude PATTERN", "--errors-only", "markdown", "json", "|tmp|old|",
                             "U+FFFD", "pathBytes"})
        EXPECT_TRUE(outcome.out.contains(text)) << text;
}

} // namespace
