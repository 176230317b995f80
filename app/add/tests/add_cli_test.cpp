#include "core/codepage.h"
#include "core/filename.h"
#include "core/tests/pricing_header.h"
#include "testsupport/program.h"
#include "testsupport/testfiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "testsupport/testing.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

// What must not change when a file is left alone: its bytes, its inode and
// its modification time.
struct FileState
{
    QByteArray bytes;
    ino_t inode = 0;
    timespec modified{};

    static FileState of(const QString &path)
    {
        FileState state;
        state.bytes = readBytes(path);
        struct stat info;
        if (::stat(FileNameToBytes(path).constData(), &info) == 0) {
            state.inode = info.st_ino;
            state.modified = info.st_mtim;
        }
        return state;
    }
    bool operator==(const FileState &other) const
    {
        return bytes == other.bytes && inode == other.inode && modified.tv_sec == other.modified.tv_sec
               && modified.tv_nsec == other.modified.tv_nsec;
    }
};

const QString kPricing = QString::fromUtf8(kPricingHeader);

class AddCliTest : public testing::Test
{
protected:
    Outcome run(const QStringList &arguments,
                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        return RunProgram(QStringLiteral(LORVANE_ADD_EXE), arguments, {}, environment);
    }
    QString file(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        writeBytes(path, bytes);
        return path;
    }
    static QByteArray cp1251(const QString &text) { return CodePage(QStringLiteral("CP1251")).encode(text); }

    QTemporaryDir dir;
};

const QString kAddedPricing = QString(kPricing)
                                  .replace("  ----------\r\n", "  ----------\r\n  10.12.2026 [*] Новое €\r\n"
                                                               "             [*] Ещё\r\n")
                                  .replace("© 2017…2019", "© 2017…2026");

TEST_F(AddCliTest, WritesEveryFileItCanAndNamesEachOneItRefuses)
{
    const QString good = file("Pricing.pas", encode(kPricing, Encoding::Utf16BeBom));
    const QString old = file("Old.pas", cp1251(QString(kPricing).replace("05.03.2019", "05.03.2027").replace("…2019", "…2027")));
    const QString missing = dir.filePath("Missing.pas");
    const FileState oldBefore = FileState::of(old);
    Outcome outcome = run({"--date", "2026-12-10", "--marker", "*", "--text", "Новое €", "--text", "Ещё", old, good,
                           missing});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_EQ(outcome.err, QStringLiteral("%1: the date 2026-12-10 is earlier than the newest entry, 2027-03-05.\n"
                                          "%2: Cannot open file \"%2\". No such file or directory.\n")
                               .arg(old, missing));
    EXPECT_EQ(readBytes(good), encode(kAddedPricing, Encoding::Utf16BeBom));
    EXPECT_TRUE(FileState::of(old) == oldBefore);
}

TEST_F(AddCliTest, DryRunPrintsTheDiffInUtf8AndWritesNothing)
{
    const QString path = file("Pricing.pas", cp1251(kPricing));
    const FileState before = FileState::of(path);
    Outcome outcome = run({"--dry-run", "--date", "2026-12-10", "--marker", "*", "--text", "Новое €", "--text", "Ещё",
                           path});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(outcome.out), QStringLiteral("--- %1\n+++ %1\n"
                                                             "@@ -7,13 +7,15 @@\n"
                                                             " \n"
                                                             "   Изменения:\n"
                                                             "   ----------\n"
                                                             "+  10.12.2026 [*] Новое €\n"
                                                             "+             [*] Ещё\n"
                                                             "   05.03.2019 [+] Учёт наценки поставщика.\n"
                                                             "              [*] Исправлено округление цены.\n"
                                                             "   12.11.2018 [+] Скидки по группам товаров.\n"
                                                             " \n"
                                                             "   14.06.2017 [+] Создание проекта.\n"
                                                             " ===============================================================================\n"
                                                             "-Copyright © 2017…2019\n"
                                                             "+Copyright © 2017…2026\n"
                                                             "   CVS: $Id: Pricing.pas,v 1.7 2019/03/05 $\n"
                                                             " ==============================================================================}\n"
                                                             " unit Pricing;\n")
                                                  .arg(path));
    EXPECT_TRUE(FileState::of(path) == before);
}

TEST_F(AddCliTest, DateDefaultsToTodayAndTheCopyrightNoteGoesToStandardError)
{
    const QString path = file("Unit.pas", cp1251(QString(kPricing).replace("© 2017…2019", "© 2017 Tessivar")));
    Outcome outcome = run({"--text", "Сегодня", path});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.err, path + ": the copyright line \"Copyright © 2017 Tessivar\" is left as it is: it is neither "
                                  "a range with \"…\" in column 17 nor a single year that ends the line.\n");
    const QString today = QDate::currentDate().toString("dd.MM.yyyy");
    EXPECT_TRUE(readBytes(path).contains(cp1251("  ----------\r\n  " + today + " [+] Сегодня\r\n  05.03.2019")));
}

struct BadCommandLine
{
    QStringList arguments;
    const char *message;
};

class BadCommandLines : public AddCliTest, public testing::WithParamInterface<BadCommandLine>
{
};

TEST_P(BadCommandLines, FailBeforeAnyFileIsTouched)
{
    const QString path = file("Pricing.pas", cp1251(kPricing));
    const FileState before = FileState::of(path);
    Outcome outcome = run(QStringList{path} + GetParam().arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_EQ(outcome.err, QString::fromUtf8(GetParam().message) + "\n");
    EXPECT_TRUE(FileState::of(path) == before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadCommandLines,
    testing::Values(BadCommandLine{{}, "At least one --text is required; see --help."},
                    BadCommandLine{{"--text", "a", "--date", "2026-02-30"},
                                   "Invalid date \"2026-02-30\" for --date: expected an existing date as YYYY-MM-DD."},
                    BadCommandLine{{"--text", "a", "--marker", "++"},
                                   "Invalid marker \"++\" for --marker: expected one character."},
                    BadCommandLine{{"--text", "  "}, "An entry text is empty."},
                    BadCommandLine{{"--text", ""}, "Option --text needs a value."},
                    BadCommandLine{{"--text", "a\r\nb"}, "An entry text holds a line break."},
                    BadCommandLine{{"--text", "a", "--bogus"}, "Unknown option --bogus; see --help."},
                    BadCommandLine{{"--text"}, "Option --text needs a value."},
                    BadCommandLine{{"--text", "--dry-run"}, "Option --text needs a value."},
                    BadCommandLine{{"--text", "a", "--marker", ""}, "Option --marker needs a value."},
                    BadCommandLine{{"--text", "a", "--date", "2026-12-10", "--date", "2026-12-11"},
                                   "Option --date given twice."},
                    BadCommandLine{{"--text", "a", "--marker", "*", "--marker", "+"}, "Option --marker given twice."},
                    BadCommandLine{{"--text", "a", "--dry-run", "--dry-run"}, "Option --dry-run given twice."},
                    BadCommandLine{{"--text", QChar(QChar::ByteOrderMark) + QString("a")},
                                   "An entry text begins with U+FEFF, a byte-order mark."},
                    BadCommandLine{{"--text", "a", "--date-format", "MM/dd"},
                                   "Invalid date format \"MM/dd\" for --date-format: expected a day, a month and a "
                                   "year field (d or dd, M or MM, yy or yyyy) as day-month-year, month-day-year or "
                                   "year-month-day with one separator, such as dd.MM.yyyy, MM/dd/yyyy or yyyy-MM-dd."}));

TEST_F(AddCliTest, NoFileIsAFailure)
{
    Outcome outcome = run({"--text", "a"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err, "Give at least one FILE; see --help.\n");
}

TEST_F(AddCliTest, LinkIsWrittenThroughAndKept)
{
    const QString target = file("Pricing.pas", cp1251(kPricing));
    const QString link = dir.filePath("Link.pas");
    ASSERT_TRUE(QFile::link(target, link));
    Outcome outcome = run({"--date", "2026-12-10", "--marker", "*", "--text", "Новое €", "--text", "Ещё", link});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_EQ(readBytes(target), cp1251(kAddedPricing));
}

TEST_F(AddCliTest, FileNamedTwiceOrThroughALinkGetsItsEntryOnce)
{
    const QString target = file("Pricing.pas", cp1251(kPricing));
    const QString link = dir.filePath("Link.pas");
    ASSERT_TRUE(QFile::link(target, link));
    Outcome outcome = run({"--date", "2026-12-10", "--marker", "*", "--text", "Новое €", "--text", "Ещё", target,
                           target, link});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(outcome.err, QStringLiteral("%1: The same file as \"%1\"; left alone.\n"
                                          "%2: The same file as \"%1\"; left alone.\n")
                               .arg(target, link));
    EXPECT_EQ(readBytes(target), cp1251(kAddedPricing));
}

TEST_F(AddCliTest, DevicesFifosAndReadOnlyFilesAreRefusedAndLeftAlone)
{
    const QString fifo = dir.filePath("Fifo.pas");
    ASSERT_EQ(::mkfifo(FileNameToBytes(fifo).constData(), 0644), 0);
    const QString readOnly = file("ReadOnly.pas", cp1251(kPricing));
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup);
    const FileState before = FileState::of(readOnly);
    Outcome outcome = run({"--date", "2026-12-10", "--text", "a", fifo, "/dev/null", readOnly});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err, QStringLiteral("%1: Cannot open file \"%1\". Not a regular file.\n"
                                          "/dev/null: Cannot open file \"/dev/null\". Not a regular file.\n"
                                          "%2: Cannot create file \"%2\". Permission denied.\n")
                               .arg(fifo, readOnly));
    EXPECT_TRUE(FileState::of(readOnly) == before);
}

TEST_F(AddCliTest, NameThatIsNotUtf8IsWrittenAndItsDiffStaysUtf8)
{
    const QByteArray folder = FileNameToBytes(dir.filePath("names"));
    QDir().mkpath(FileNameFromBytes(folder));
    const QByteArray name = "\xCF\xF0\xE0\xE9\xF1.pas"; // not UTF-8
    const QByteArray path = folder + "/" + name;
    const QByteArray content = cp1251(kPricing);
    FILE *out = std::fopen(path.constData(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fwrite(content.constData(), 1, size_t(content.size()), out), size_t(content.size()));
    std::fclose(out);
    // The shell hands the name over as its bytes.
    const QStringList command{"-c", "cd \"$0\" && exec \"$@\" *.pas", FileNameFromBytes(folder), LORVANE_ADD_EXE,
                              "--date", "2026-12-10", "--text", "a"};
    QProcess dry;
    dry.start("/bin/sh", command + QStringList{"--dry-run"});
    ASSERT_TRUE(dry.waitForFinished(60000));
    EXPECT_EQ(dry.exitCode(), 0) << dry.readAllStandardError().toStdString();
    // U+FFFD for each of the five bytes that are not UTF-8.
    const QByteArray shown = QString(5, QChar::ReplacementCharacter).toUtf8() + ".pas";
    EXPECT_TRUE(dry.readAllStandardOutput().startsWith("--- " + shown + "\n+++ " + shown + "\n"));
    QProcess write;
    write.start("/bin/sh", command);
    ASSERT_TRUE(write.waitForFinished(60000));
    EXPECT_EQ(write.exitCode(), 0) << write.readAllStandardError().toStdString();
    char written[4096] = {};
    FILE *in = std::fopen(path.constData(), "rb");
    ASSERT_NE(in, nullptr);
    const size_t size = std::fread(written, 1, sizeof written, in);
    std::fclose(in);
    EXPECT_TRUE(QByteArray(written, qsizetype(size)).contains("  10.12.2026 [+] a\r\n"));
    ::unlink(path.constData()); // a name that QDir cannot remove
}

struct FormatCase
{
    const char *format;
    const char *newest; // 05.03.2019 in the format
    const char *written; // 10.12.2026 in full in the format
};

class AddDateFormat : public AddCliTest, public testing::WithParamInterface<FormatCase>
{
};

// Headers written in another date format get their entries in it, by the
// option or the variable, and the report reads them back.
TEST_P(AddDateFormat, WritesEntriesThatReadBack)
{
    const FormatCase &c = GetParam();
    const QString header = QString(kPricing)
                               .replace("05.03.2019", c.newest)
                               .replace("12.11.2018", "          ")
                               .replace("14.06.2017", "          ")
                               .replace("© 2017…2019", "© 2019");
    const QString path = file("Pricing.pas", cp1251(header));
    QProcessEnvironment withVariable = QProcessEnvironment::systemEnvironment();
    withVariable.insert("LORVANE_DATE_FORMAT", c.format);
    for (const auto &[options, environment] :
         {std::pair{QStringList{"--date-format", c.format}, QProcessEnvironment::systemEnvironment()},
          std::pair{QStringList{}, withVariable}}) {
        writeBytes(path, cp1251(header));
        const Outcome added = run(options + QStringList{"--date", "2026-12-10", "--text", "x", path}, environment);
        EXPECT_EQ(added.exitCode, 0) << added.err.toStdString();
        EXPECT_TRUE(readBytes(path).contains(QByteArray("  ----------\r\n  ") + c.written + " [+] x\r\n  " + c.newest))
            << readBytes(path).toStdString();
        const Outcome report = RunProgram(QStringLiteral(LORVANE_REPORT_EXE),
                                          options + QStringList{"--from", "2026-12-01", "--to", "2026-12-31",
                                                                "--only-changes", "--files-from", "-"},
                                          path.toUtf8() + "\n", environment);
        EXPECT_EQ(report.exitCode, 0) << report.out.toStdString();
        EXPECT_TRUE(report.out.endsWith("\r\nPricing.pas\r\n[+] x\r\n")) << report.out.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, AddDateFormat,
                         testing::Values(FormatCase{"MM/dd/yyyy", "03/05/2019", "12/10/2026"},
                                         FormatCase{"yyyy-MM-dd", "2019-03-05", "2026-12-10"},
                                         FormatCase{"M/d/yy", "3/5/19    ", "12/10/2026"}),
                         [](const testing::TestParamInfo<FormatCase> &info) {
                             return QString::fromLatin1(info.param.format).remove('/').remove('-').toStdString();
                         });

TEST_F(AddCliTest, DoubleDashEndsTheOptions)
{
    file("-x.pas", cp1251(kPricing));
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(LORVANE_ADD_EXE), {"--date", "2026-12-10", "--text", "a", "--", "-x.pas"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(readBytes(dir.filePath("-x.pas")).contains("  10.12.2026 [+] a\r\n"));
}

TEST_F(AddCliTest, MultiByteCodePageKeepsEveryOtherByte)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LORVANE_CODEPAGE", "CP932");
    const CodePage sjis(QStringLiteral("CP932"));
    const QString text = QString(kPricing).replace("Copyright ©", "Copyright c");
    const QString path = file("Pricing.pas", sjis.encode(text));
    Outcome outcome = run({"--date", "2026-12-10", "--text", "Новое", path}, environment);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(readBytes(path), sjis.encode(QString(text)
                                               .replace("  ----------\r\n", "  ----------\r\n  10.12.2026 [+] Новое\r\n")
                                               .replace("c 2017…2019", "c 2017…2026")));
    Outcome refused = run({"--date", "2026-12-10", "--text", "€", path}, environment);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, path + ": \"€\" cannot be written in the file's encoding, CP932.\n");
}

TEST_F(AddCliTest, HelpNamesEveryOptionAndVersionPrintsTheVersionLine)
{
    Outcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *option : {"--date", "--marker", "--text", "--dry-run", "FILE", "--version", "--help"})
        EXPECT_TRUE(help.out.contains(option)) << option;
    Outcome version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(QString::fromUtf8(version.out).startsWith(QStringLiteral("Версия 1.0.00000001 от ")));
}

} // namespace
