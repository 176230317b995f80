#include "core/error.h"
#include "testsupport/testfiles.h"
#include "core/textfile.h"

#include <QDir>
#include <QTemporaryDir>

#include "testsupport/testing.h"

#include <csignal>
#include <cstring>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

// The file is named, as it is absolute.
const QString kNoMapping = QStringLiteral(
    "No mapping for the Unicode character exists in the target multi-byte code page. File \"%1\"");

class TextFileTest : public testing::Test
{
protected:
    QString path(const QString &name) const { return dir.filePath(name); }
    QStringList readBytesAsLines(const QByteArray &bytes)
    {
        writeBytes(path("f.pas"), bytes);
        QStringList lines;
        ReadLines(path("f.pas"), lines);
        return lines;
    }
    QString readError(const QString &file)
    {
        QStringList lines{"kept"};
        try {
            ReadLines(file, lines);
        } catch (const Error &e) {
            EXPECT_EQ(lines, QStringList{"kept"});
            return e.message();
        }
        return {};
    }

    QTemporaryDir dir;
};

struct ReadCase
{
    const char *name;
    QByteArray bytes;
    QStringList lines;
};

class ReadLinesCases : public TextFileTest, public testing::WithParamInterface<ReadCase>
{
};

TEST_P(ReadLinesCases, DecodesByMark)
{
    EXPECT_EQ(readBytesAsLines(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, ReadLinesCases,
    testing::Values(
        ReadCase{"empty", QByteArray(), {}}, ReadCase{"utf8_mark_only", "\xEF\xBB\xBF", {}},
        ReadCase{"utf16_mark_only", "\xFF\xFE", {}}, ReadCase{"crlf_only", "\r\n", {""}},
        ReadCase{"cp1251", "\xCF\xF0\xE8\xE2\xE5\xF2\r\nx", {QStringLiteral("Привет"), "x"}},
        ReadCase{"cp1251_undefined_byte", "a\x98z", {QStringLiteral("a\u0098z")}},
        ReadCase{"unmarked_utf8_through_code_page", "\xD0\x9F", {QStringLiteral("Рџ")}},
        ReadCase{"utf8", "\xEF\xBB\xBF\xD0\x9F\xD0\xB8\n\xE2\x80\xA6", {QStringLiteral("Пи"), QStringLiteral("…")}},
        ReadCase{"utf8_second_mark_kept", "\xEF\xBB\xBF\xEF\xBB\xBFx", {QStringLiteral("\uFEFFx")}},
        ReadCase{"utf16le", QByteArray("\xFF\xFE\x1F\x04\x0D\x00\x0A\x00\x41\x00", 10), {QStringLiteral("П"), "A"}},
        ReadCase{"utf16be", QByteArray("\xFE\xFF\x04\x1F\x00\x0A\x00\x41", 8), {QStringLiteral("П"), "A"}},
        ReadCase{"utf16_odd_byte_dropped", QByteArray("\xFF\xFE\x41\x00\x42", 5), {"A"}},
        ReadCase{"nul_ends_text", QByteArray("ab\r\ncd\0ef\r\ngh", 13), {"ab", "cd"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TextFileTest, InvalidUtf8AfterMarkFailsAndKeepsLines)
{
    writeBytes(path("bad.pas"), "\xEF\xBB\xBFgood\r\nbad \xC3\x28");
    EXPECT_EQ(readError(path("bad.pas")), kNoMapping.arg(path("bad.pas")));
}

TEST_F(TextFileTest, SingleByteAfterUtf16MarkFails)
{
    writeBytes(path("one.pas"), "\xFF\xFE\x41");
    EXPECT_EQ(readError(path("one.pas")), kNoMapping.arg(path("one.pas")));
}

TEST_F(TextFileTest, MissingFileNamesAbsolutePathAndSystemReason)
{
    EXPECT_EQ(readError(path("gone.pas")),
              QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path("gone.pas")));
}

TEST_F(TextFileTest, NonRegularFilesAreRefusedWithoutBlocking)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.pas")).constData(), 0644), 0);
    EXPECT_EQ(readError(path("fifo.pas")),
              QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path("fifo.pas")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.pas"));
    EXPECT_EQ(readError(path("folder.pas")),
              QStringLiteral("Cannot open file \"%1\". Is a directory").arg(path("folder.pas")));
}

TEST_F(TextFileTest, SocketIsRefused)
{
    const QByteArray socketPath = QFile::encodeName(path("sock.pas"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    EXPECT_TRUE(readError(path("sock.pas")).startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(path("sock.pas"))));
    ::close(fd);
}

TEST_F(TextFileTest, WritesCodePageWithBestFitAndNoMark)
{
    WriteText(path("out.txt"), QStringLiteral("Отчёт é → 中\r\n"));
    EXPECT_EQ(readBytes(path("out.txt")), QByteArray("\xCE\xF2\xF7\xB8\xF2 e -> ?\r\n"));
}

TEST_F(TextFileTest, OverwritingLongerFileLeavesNoTail)
{
    writeBytes(path("out.txt"), QByteArray(1000, 'x'));
    WriteText(path("out.txt"), "short");
    EXPECT_EQ(readBytes(path("out.txt")), "short");
    WriteText(path("out.txt"), "");
    EXPECT_EQ(readBytes(path("out.txt")), "");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

TEST_F(TextFileTest, ReadOnlyFileIsRefusedAndKept)
{
    writeBytes(path("ro.txt"), "old");
    QFile::setPermissions(path("ro.txt"), QFile::ReadOwner | QFile::ReadGroup);
    try {
        WriteText(path("ro.txt"), "new");
        FAIL() << "a read-only file was written";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot create file \"%1\". Permission denied").arg(path("ro.txt")));
    }
    EXPECT_EQ(readBytes(path("ro.txt")), "old");
}

TEST_F(TextFileTest, MissingFolderCannotBeCreated)
{
    try {
        WriteText(path("no/such/out.txt"), "x");
        FAIL();
    } catch (const Error &e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(path("no/such/out.txt")));
    }
}

// A save that fails part-way must keep what the file held before.
TEST_F(TextFileTest, FailedWriteKeepsPreviousContent)
{
    writeBytes(path("report.txt"), "previous report");
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 8;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    QString message;
    try {
        WriteText(path("report.txt"), QString(100, u'x'));
    } catch (const Error &e) {
        message = e.message();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(message, "Stream write error");
    EXPECT_EQ(readBytes(path("report.txt")), "previous report");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"report.txt"});
}

TEST_F(TextFileTest, WritePreservesPermissionsOfExistingFile)
{
    writeBytes(path("p.txt"), "old");
    ::chmod(QFile::encodeName(path("p.txt")).constData(), 0640);
    WriteText(path("p.txt"), "new");
    struct stat info{};
    ::stat(QFile::encodeName(path("p.txt")).constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

} // namespace
