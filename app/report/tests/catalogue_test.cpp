// Runs lorvane-report over a tree of hostile inputs: links that loop or lead
// nowhere, files that are not regular, names that are not UTF-8, a path near
// the length limit, huge files and every encoding defect. Every run must
// end, report each problem as the program specifies, keep its memory
// bounded and change no file.

#include "codepage.h"
#include "test_files.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

const QByteArray kHeader = "{==\r\n  Unit\r\n\r\n\r\n  Описание.\r\n\r\n  Изменения:\r\n  ----\r\n"
                           "  05.03.2019 [+] Изменение.\r\n  14.06.2017 [+] Создание проекта.\r\n====\r\n"
                           "Copyright © 2017…2019\r\n  CVS: $Id: x $\r\n";

QByteArray cp1251(const QByteArray &utf8)
{
    return CodePage(QStringLiteral("CP1251")).encode(QString::fromUtf8(utf8));
}

struct RunResult
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

class CatalogueTest : public testing::Test
{
protected:
    // One tree for all the tests of the program, removed at its end.
    static void SetUpTestSuite()
    {
        if (root)
            return;
        root = new QTemporaryDir;
        build(root->path());
        testing::AddGlobalTestEnvironment(new Cleanup);
    }

    class Cleanup : public testing::Environment
    {
    public:
        void TearDown() override
        {
            // Non-UTF-8 names and the deep path are beyond QDir's removal.
            QProcess::execute("rm", {"-rf", root->path()});
        }
    };

    static QString path(const QString &name) { return root->filePath(name); }

    static void build(const QString &top)
    {
        const QByteArray base = QFile::encodeName(top);
        QDir dir(top);
        dir.mkpath("safe/loop");
        dir.mkpath("fatal");
        writeBytes(path("safe/Plain.pas"), cp1251(kHeader));
        ::symlink("..", QFile::encodeName(path("safe/loop/back")).constData());
        ::symlink(QFile::encodeName(path("safe")).constData(), QFile::encodeName(path("safe/loop/again")).constData());
        // A name that is not UTF-8.
        writeFile(base + "/safe/caf\xE9.pas", cp1251(kHeader));
        ::mkdir((base + "/safe/d\xFF\xFE").constData(), 0755);
        writeFile(base + "/safe/d\xFF\xFE/Inner.pas", cp1251(kHeader));
        // A path near the length limit.
        QByteArray deep = base + "/safe/deep";
        while (deep.size() < PATH_MAX - 300) {
            ::mkdir(deep.constData(), 0755);
            deep += "/" + QByteArray(200, 'd');
        }
        ::mkdir(deep.constData(), 0755);
        writeFile(deep + "/Deep.pas", cp1251(kHeader));
        // A 200 MB source file: the header, then a body of NUL bytes.
        writeBytes(path("safe/Huge.pas"), cp1251(kHeader));
        ::truncate(QFile::encodeName(path("safe/Huge.pas")).constData(), 200LL << 20);
        // A million change lines, and a header line of 1 MB.
        QByteArray million = "{==\r\n\r\n\r\n\r\n==\r\n  Изменения:\r\n  --\r\n";
        QDate date(2026, 12, 1);
        for (int i = 0; i < 1000000; ++i) {
            million += "  " + date.toString("dd.MM.yyyy").toLatin1() + " [+] line\r\n";
            if (i % 500 == 499)
                date = date.addDays(-1);
        }
        writeBytes(path("safe/Million.pas"), cp1251(million + "====\r\n"));
        writeBytes(path("safe/LongLine.pas"), cp1251(kHeader).replace("Описание", QByteArray(1 << 20, 'w')));
        // Encodings and their defects that still read.
        writeBytes(path("safe/Utf8.pas"), "\xEF\xBB\xBF" + kHeader);
        writeBytes(path("safe/Utf16.pas"), encode(QString::fromUtf8(kHeader), Encoding::Utf16LeBom) + "x");
        writeBytes(path("safe/Utf16Be.pas"), encode(QString::fromUtf8(kHeader), Encoding::Utf16BeBom));
        writeBytes(path("safe/MarkOnly.pas"), "\xEF\xBB\xBF");
        writeBytes(path("safe/Empty.sql"), "");
        writeBytes(path("safe/Binary.dpr"), QByteArray("\x7F" "ELF\x02\x01\x01\0\0\0\xFF\xFE\x00\x0D\x0A\x00", 17));
        writeBytes(path("safe/Nul.dpk"), cp1251(kHeader).insert(20, '\0'));

        // Inputs that stop a run with a message.
        ::symlink(QFile::encodeName(path("nowhere")).constData(), QFile::encodeName(path("fatal/Dangling.pas")).constData());
        ::mkfifo(QFile::encodeName(path("fatal/Pipe.pas")).constData(), 0644);
        bindSocket(QFile::encodeName(path("fatal/Sock.pas")));
        writeBytes(path("fatal/BadUtf8.pas"), "\xEF\xBB\xBF" + kHeader + "\xC3\x28");
        writeBytes(path("fatal/OneByte.pas"), "\xFF\xFE\x41");
        dir.mkpath("fatal/Locked");
        writeBytes(path("fatal/Locked/Hidden.pas"), cp1251(kHeader));
        ::chmod(QFile::encodeName(path("fatal/Locked")).constData(), 0);
        writeBytes(path("fatal/Secret.pas"), cp1251(kHeader));
        ::chmod(QFile::encodeName(path("fatal/Secret.pas")).constData(), 0);
    }

    static void writeFile(const QByteArray &nativePath, const QByteArray &bytes)
    {
        const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << nativePath.size();
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    }

    static void bindSocket(const QByteArray &socketPath)
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::close(fd);
    }

    // Size, time and, for files up to 2 MB, content of every file below.
    static QStringList snapshot()
    {
        QStringList state;
        QProcess find;
        find.start("find", {root->path(), "-printf", "%p %y %s %T@\\n"});
        find.waitForFinished(60000);
        state = QString::fromLocal8Bit(find.readAllStandardOutput()).split('\n');
        state.sort();
        return state;
    }

    static RunResult run(const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess process;
        process.start(QStringLiteral(LORVANE_REPORT_EXE), arguments);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(120000)) << "the run did not end";
        return {process.exitCode(), process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
    }

    static inline QTemporaryDir *root = nullptr;
    const QStringList window{"--from", "2019-01-01", "--to", "2026-12-31"};
};

TEST_F(CatalogueTest, SurvivableTreeGivesTheErrorListOfItsHeaderlessFiles)
{
    const QStringList before = snapshot();
    const QByteArray errors = cp1251("MarkOnly.pas\r\nОшибка: нет заголовка.\r\n\r\n"
                                     "Empty.sql\r\nОшибка: нет заголовка.\r\n\r\n"
                                     "Binary.dpr\r\nОшибка: нет заголовка.\r\n");
    for (const QStringList &extra : {QStringList{}, QStringList{"--limit", "50"}}) {
        const RunResult result = run(window + extra + QStringList{"--description", path("safe")});
        EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
        EXPECT_EQ(result.out, errors);
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(CatalogueTest, ReadableHostileFilesAreReported)
{
    const QStringList before = snapshot();
    QProcess find;
    find.start("find", {path("safe"), "-type", "f", "(", "-name", "*.pas", "-o", "-name", "Nul.dpk", ")", "!", "-name",
                        "MarkOnly.pas"});
    ASSERT_TRUE(find.waitForFinished(60000));
    const QByteArray list = find.readAllStandardOutput();
    for (const QStringList &extra : {QStringList{}, QStringList{"--limit", "40"}, QStringList{"--limit", "0"}}) {
        const RunResult result = run(window + extra + QStringList{"--description", "--files-from", "-"}, list);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        if (extra.isEmpty()) {
            for (const char *name : {"Plain.pas", "caf", "Inner.pas", "Deep.pas", "Huge.pas", "Million.pas",
                                     "LongLine.pas", "Utf8.pas", "Utf16.pas", "Utf16Be.pas", "Nul.dpk"})
                EXPECT_TRUE(result.out.contains(name)) << name;
        } else if (extra.last() == "40") {
            // The million change lines fill the limit within the last day.
            EXPECT_TRUE(result.out.startsWith("30.12.2026 - 31.12.2026\r\n") || result.out.startsWith("01.12.2026"))
                << result.out.left(40).toStdString();
        } else {
            EXPECT_TRUE(result.out.isEmpty());
        }
    }
    EXPECT_EQ(snapshot(), before);
}

struct FatalCase
{
    const char *file;
    const char *message; // empty: the file is read (as root, permissions do not stop reading)
};

class CatalogueFatal : public CatalogueTest, public testing::WithParamInterface<FatalCase>
{
};

TEST_P(CatalogueFatal, StopsTheRunWithItsMessage)
{
    const QString file = path(GetParam().file);
    QString message = QString::fromUtf8(GetParam().message);
    if (message.isEmpty())
        message = ::geteuid() == 0 ? QString() : QStringLiteral("Cannot open file \"%1\". Permission denied.");
    const RunResult result = run(window + QStringList{"--files-from", "-"}, QFile::encodeName(file) + "\n");
    if (message.isEmpty()) {
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        return;
    }
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(result.err, (message.contains("%1") ? message.arg(file) : message) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, CatalogueFatal,
    testing::Values(FatalCase{"fatal/Dangling.pas", "Cannot open file \"%1\". No such file or directory."},
                    FatalCase{"fatal/Pipe.pas", "Cannot open file \"%1\". Not a regular file."},
                    FatalCase{"fatal/Sock.pas", "Cannot open file \"%1\". No such device or address."},
                    FatalCase{"fatal/BadUtf8.pas",
                              "No mapping for the Unicode character exists in the target multi-byte code page."},
                    FatalCase{"fatal/OneByte.pas",
                              "No mapping for the Unicode character exists in the target multi-byte code page."},
                    FatalCase{"fatal/Secret.pas", ""}));

TEST_F(CatalogueTest, WholeTreeEndsAndStopsAtTheFirstBadFile)
{
    const QStringList before = snapshot();
    for (const QStringList &extra : {QStringList{}, QStringList{"--limit", "10"}}) {
        const RunResult result = run(window + extra + QStringList{root->path()});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_TRUE(result.err.startsWith("Cannot open file \"") || result.err.startsWith("No mapping"))
            << result.err.toStdString();
    }
    EXPECT_EQ(snapshot(), before);

    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("peak memory of the largest run: %ld MB\n", usage.ru_maxrss / 1024);
    EXPECT_LT(usage.ru_maxrss, 1024L * 1024) << "KB";
}

} // namespace
