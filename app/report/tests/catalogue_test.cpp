// Runs lorvane-report over a tree of hostile inputs: links that loop or lead
// nowhere, files that are not regular, names that are not UTF-8, a path near
// the length limit, huge files and every encoding defect. Every run must
// end, report each problem as the program specifies, keep its memory
// bounded and change no file.

#include "core/codepage.h"
#include "core/filename.h"
#include "testsupport/ordinaryuser.h"
#include "testsupport/testfiles.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

#include "testsupport/testing.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
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

// How a run is started beyond its arguments.
struct RunSetup
{
    QByteArray input;
    uid_t user = ::geteuid();           // another user where the tests may switch (as root)
    rlim_t addressSpace = RLIM_INFINITY; // limit of the run's memory
    QList<std::pair<QByteArray, QByteArray>> environment; // added variables
};

// Runs lorvane-report with arguments given as file names: names that are
// not UTF-8 reach it as the bytes they are, which QProcess cannot pass.
RunResult RunReport(const QStringList &arguments, const RunSetup &setup)
{
    QList<QByteArray> bytes{LORVANE_REPORT_EXE};
    for (const QString &argument : arguments)
        bytes << FileNameToBytes(argument);
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            ::close(fd);
        for (const auto &[name, value] : setup.environment)
            ::setenv(name.constData(), value.constData(), 1);
        const rlimit limit{setup.addressSpace, setup.addressSpace};
        if (setup.addressSpace != RLIM_INFINITY)
            ::setrlimit(RLIMIT_AS, &limit);
        if (setup.user != ::geteuid()
            && (::setgroups(0, nullptr) != 0 || ::setresgid(setup.user, setup.user, setup.user) != 0
                || ::setresuid(setup.user, setup.user, setup.user) != 0))
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    // Input, output and errors at once, so that no pipe fills up.
    RunResult result;
    QByteArray errors;
    qsizetype written = 0;
    if (setup.input.isEmpty())
        ::close(in[1]);
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {setup.input.isEmpty() ? -1 : in[1], POLLOUT, 0}};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (::poll(fds, 3, 120000) <= 0) {
            ADD_FAILURE() << "the run did not end";
            ::kill(child, SIGKILL);
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                (i == 0 ? result.out : errors).append(buffer, got);
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
            }
        }
        if (fds[2].fd >= 0 && fds[2].revents != 0) {
            const ssize_t sent =
                (fds[2].revents & POLLOUT)
                    ? ::write(in[1], setup.input.constData() + written, size_t(setup.input.size() - written))
                    : -1;
            written += qMax<ssize_t>(sent, 0);
            if (sent < 0 || written == setup.input.size()) {
                ::close(in[1]);
                fds[2].fd = -1;
            }
        }
    }
    if (fds[2].fd >= 0)
        ::close(in[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = FileNameFromBytes(errors);
    return result;
}

class CatalogueTest : public testing::Test
{
protected:
    // One tree for all the tests of the program, removed at its end.
    static void SetUpTestSuite()
    {
        if (root)
            return;
        root = new QTemporaryDir;
        // An ordinary user must reach the tree; root reads any file.
        ::chmod(QFile::encodeName(root->path()).constData(), 0755);
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

    static QByteArray readBytesAt(const QByteArray &nativePath)
    {
        QByteArray bytes;
        const int fd = ::open(nativePath.constData(), O_RDONLY);
        char buffer[65536];
        for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, got);
        ::close(fd);
        return bytes;
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
        RunSetup setup;
        setup.input = input;
        return RunReport(arguments, setup);
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
        if (extra.isEmpty()) {
            EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
            for (const char *name : {"Plain.pas", "caf", "Inner.pas", "Deep.pas", "Huge.pas", "Million.pas",
                                     "LongLine.pas", "Utf8.pas", "Utf16.pas", "Utf16Be.pas", "Nul.dpk"})
                EXPECT_TRUE(result.out.contains(name)) << name;
        } else if (extra.last() == "40") {
            EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
            // The million change lines fill the limit within the last day.
            EXPECT_TRUE(result.out.startsWith("30.12.2026 - 31.12.2026\r\n") || result.out.startsWith("01.12.2026"))
                << result.out.left(40).toStdString();
        } else {
            // A limit of no lines would empty the report without a word.
            EXPECT_EQ(result.exitCode, 2);
            EXPECT_TRUE(result.out.isEmpty());
            EXPECT_EQ(result.err, "Invalid line limit \"0\": expected a whole number of 1 or more.\n");
        }
    }
    EXPECT_EQ(snapshot(), before);
}

struct FatalCase
{
    const char *file;
    const char *message; // "%1" is the file's path
};

class CatalogueFatal : public CatalogueTest, public testing::WithParamInterface<FatalCase>
{
};

// Run by an ordinary user, for whom permissions hold.
TEST_P(CatalogueFatal, StopsTheRunWithItsMessage)
{
    const QString file = path(GetParam().file);
    RunSetup setup;
    setup.input = QFile::encodeName(file) + "\n";
    setup.user = OrdinaryUser();
    const RunResult result = RunReport(window + QStringList{"--files-from", "-"}, setup);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(result.err, QString::fromUtf8(GetParam().message).arg(file) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, CatalogueFatal,
    testing::Values(FatalCase{"fatal/Dangling.pas", "Cannot open file \"%1\". No such file or directory."},
                    FatalCase{"fatal/Pipe.pas", "Cannot open file \"%1\". Not a regular file."},
                    FatalCase{"fatal/Sock.pas", "Cannot open file \"%1\". No such device or address."},
                    FatalCase{"fatal/BadUtf8.pas", "No mapping for the Unicode character exists in the target "
                                                   "multi-byte code page. File \"%1\""},
                    FatalCase{"fatal/OneByte.pas", "No mapping for the Unicode character exists in the target "
                                                   "multi-byte code page. File \"%1\""},
                    FatalCase{"fatal/Secret.pas", "Cannot open file \"%1\". Permission denied."}));

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

// An output that is one of the inputs is refused before anything is read:
// the folder holds a file that would fail the run if it were read.
struct InputAsOutput
{
    const char *name;
    bool listMode;       // --files-from the list, else the folder
    const char *output;  // relative to the tree of the case
    const char *reason;  // "%1" is the tree
};

class CatalogueInputAsOutput : public CatalogueTest, public testing::WithParamInterface<InputAsOutput>
{
};

TEST_P(CatalogueInputAsOutput, IsRefusedAndNothingIsWritten)
{
    const QString tree = path("inputs");
    QDir().mkpath(tree + "/P");
    writeBytes(tree + "/P/Pricing.pas", cp1251(kHeader));
    writeBytes(tree + "/P/Broken.pas", "\xEF\xBB\xBF\xC3\x28");
    writeBytes(tree + "/list.txt", (tree + "/P/Broken.pas\n" + tree + "/P/Pricing.pas\n").toUtf8());
    QFile::link("P/Pricing.pas", tree + "/alias.txt");
    const QStringList before = snapshot();

    const QString output = tree + '/' + GetParam().output;
    const QStringList source =
        GetParam().listMode ? QStringList{"--files-from", tree + "/list.txt"} : QStringList{tree + "/P"};
    const RunResult result = run(window + QStringList{"--output", output} + source);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(result.err, QStringLiteral("Cannot create file \"%1\". %2\n")
                              .arg(output, QString::fromUtf8(GetParam().reason).arg(tree)));
    EXPECT_EQ(snapshot(), before);
    QProcess::execute("rm", {"-rf", tree});
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, CatalogueInputAsOutput,
    testing::Values(
        InputAsOutput{"SourceOfTheFolder", false, "P/Pricing.pas", "It is the source file \"%1/P/Pricing.pas\""},
        InputAsOutput{"LinkToASourceOfTheFolder", false, "alias.txt", "It is the source file \"%1/P/Pricing.pas\""},
        InputAsOutput{"SourceOfTheList", true, "alias.txt", "It is the source file \"%1/P/Pricing.pas\""},
        InputAsOutput{"TheListItself", true, "list.txt", "It is the file list \"%1/list.txt\""}),
    [](const auto &info) { return std::string(info.param.name); });

// Names that are not UTF-8 work wherever a name is taken: a folder given on
// the command line, a file listed on standard input, by /dev/stdin or
// through a FIFO, and a link saved through.
enum class NameKind { Utf8, NotUtf8 };
enum class NameUse { FolderArgument, FilesFrom, FilesFromDevStdin, FilesFromFifo, SaveThroughLink };

class CatalogueNames : public CatalogueTest, public testing::WithParamInterface<std::tuple<NameKind, NameUse>>
{
};

TEST_P(CatalogueNames, WorkLikeAnyOther)
{
    const auto [kind, use] = GetParam();
    const QByteArray folderName = kind == NameKind::Utf8 ? QByteArray("Проект") : QByteArray("caf\xE9");
    const QByteArray folder = QFile::encodeName(path("names")) + '/' + folderName;
    QProcess::execute("rm", {"-rf", path("names")});
    QDir().mkpath(path("names"));
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    writeFile(folder + "/Unit.pas", cp1251(kHeader));
    writeFile(folder + "/report.txt", "old");
    ASSERT_EQ(::symlink("report.txt", (folder + "/out.txt").constData()), 0);

    const QString folderText = FileNameFromBytes(folder);
    QStringList arguments = window;
    if (use == NameUse::SaveThroughLink)
        arguments << "--output" << folderText + "/out.txt";
    const QByteArray list = folder + "/Unit.pas\n";
    const QString fifo = path("names/list");
    std::thread writer;
    if (use == NameUse::FilesFromFifo) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        writer = std::thread([&] { writeBytes(fifo, list); });
    }
    RunResult result;
    if (use == NameUse::FilesFrom)
        result = run(arguments + QStringList{"--files-from", "-"}, list);
    else if (use == NameUse::FilesFromDevStdin)
        result = run(arguments + QStringList{"--files-from", "/dev/stdin"}, list);
    else if (use == NameUse::FilesFromFifo)
        result = run(arguments + QStringList{"--files-from", fifo});
    else
        result = run(arguments + QStringList{folderText});
    if (writer.joinable()) {
        // Should the run not have read the FIFO, this lets the writer end.
        const int release = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        writer.join();
        ::close(release);
    }
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QByteArray report = use == NameUse::SaveThroughLink ? readBytesAt(folder + "/report.txt") : result.out;
    EXPECT_TRUE(report.startsWith("01.01.2019 - 31.12.2026\r\n") && report.contains("\r\nUnit.pas\r\n"))
        << report.left(60).toStdString();
    struct stat link{};
    ASSERT_EQ(::lstat((folder + "/out.txt").constData(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    QProcess::execute("rm", {"-rf", path("names")});
}

std::string NameCaseName(const testing::TestParamInfo<std::tuple<NameKind, NameUse>> &info)
{
    static const char *const kinds[] = {"Utf8Folder", "NotUtf8Folder"};
    static const char *const uses[] = {"FolderArgument", "FilesFrom", "FilesFromDevStdin", "FilesFromFifo",
                                       "SaveThroughLink"};
    return std::string(kinds[int(std::get<0>(info.param))]) + uses[int(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Cases, CatalogueNames,
                         testing::Combine(testing::Values(NameKind::Utf8, NameKind::NotUtf8),
                                          testing::Values(NameUse::FolderArgument, NameUse::FilesFrom,
                                                          NameUse::FilesFromDevStdin, NameUse::FilesFromFifo,
                                                          NameUse::SaveThroughLink)),
                         NameCaseName);

// Folders that cannot be listed, seen by an ordinary user: one without
// permission and one beyond the longest path, 3,000 levels down.
class CatalogueSkipped : public CatalogueTest
{
protected:
    // A tree of its own, so that the runs over the whole catalogue do not
    // meet these folders.
    static void SetUpTestSuite()
    {
        skipRoot = new QTemporaryDir;
        // An ordinary user must reach the tree; root lists any folder.
        ::chmod(QFile::encodeName(skipRoot->path()).constData(), 0755);
    }
    static void TearDownTestSuite()
    {
        QProcess::execute("rm", {"-rf", skipRoot->path()});
        delete skipRoot;
        skipRoot = nullptr;
    }

    void SetUp() override
    {
        tree = skipRoot->path() + "/skips";
        if (QFileInfo::exists(tree))
            return;
        QDir().mkpath(tree + "/Open");
        QDir().mkpath(tree + "/Locked");
        writeBytes(tree + "/Open/Unit.pas", cp1251(kHeader));
        writeBytes(tree + "/Locked/Hidden.pas", cp1251(QByteArray(kHeader).replace("Unit", "Hidden")));
        ::chmod(QFile::encodeName(tree + "/Locked").constData(), 0);
        int fd = ::open(QFile::encodeName(tree).constData(), O_DIRECTORY);
        for (int level = 0; level < 3000 && fd >= 0; ++level) {
            ::mkdirat(fd, level == 0 ? "Deep" : "d", 0755);
            const int next = ::openat(fd, level == 0 ? "Deep" : "d", O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        ASSERT_GE(fd, 0);
        ::close(::openat(fd, "Deep.pas", O_CREAT | O_WRONLY, 0644));
        ::close(fd);
    }

    RunResult runAsUser(const QStringList &arguments)
    {
        RunSetup setup;
        setup.user = OrdinaryUser();
        return RunReport(arguments, setup);
    }

    static inline QTemporaryDir *skipRoot = nullptr;
    QString tree;
};

TEST_F(CatalogueSkipped, AreNamedOnceOnStandardErrorAndStrictMakesThemAFailure)
{
    const QString locked = QStringLiteral("Skipped folder \"%1/Locked\". Permission denied.").arg(tree);
    const QString deepStart = QStringLiteral("Skipped folder \"%1/Deep/d/d/").arg(tree);
    for (const bool strict : {false, true}) {
        const QStringList option = strict ? QStringList{"--strict"} : QStringList{};
        const RunResult result = runAsUser(window + option + QStringList{tree});
        QStringList lines = result.err.split(u'\n');
        EXPECT_EQ(lines.takeLast(), "");
        if (strict) {
            EXPECT_EQ(result.exitCode, 2);
            EXPECT_TRUE(result.out.isEmpty());
            EXPECT_EQ(lines.takeLast(), "Stopped by --strict: 2 folders could not be listed.");
        } else {
            EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
            EXPECT_TRUE(result.out.contains("Unit.pas"));
            EXPECT_FALSE(result.out.contains("Hidden"));
        }
        ASSERT_EQ(lines.size(), 2) << result.err.toStdString();
        EXPECT_TRUE(lines[0].startsWith(deepStart) && lines[0].endsWith("\". File name too long."))
            << lines[0].left(200).toStdString();
        EXPECT_EQ(lines[1], locked);
    }
}

TEST_F(CatalogueSkipped, TopFolderThatCannotBeListedIsAFailure)
{
    const RunResult result = runAsUser(window + QStringList{tree + "/Locked"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(result.err, QStringLiteral("Cannot list folder \"%1/Locked\". Permission denied.\n").arg(tree));
}

TEST_F(CatalogueTest, OutOfMemoryNamesTheFileBeingRead)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit in a limited address space";
#endif
    // Room for the program, not for the 200 MB file.
    RunSetup setup;
    setup.input = QFile::encodeName(path("safe/Huge.pas")) + "\n";
    setup.addressSpace = 120 << 20;
    const RunResult result = RunReport(window + QStringList{"--files-from", "-"}, setup);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(result.err, QStringLiteral("Not enough memory to read %1.\n").arg(path("safe/Huge.pas")));
}

TEST_F(CatalogueTest, CodePageOrDateFormatThatCannotBeUsedStopsTheStartAndWritesNothing)
{
    const QString badFormat = QStringLiteral(
        "Invalid date format \"%1\" in LORVANE_DATE_FORMAT: expected a day, a month and a year field (d or dd, "
        "M or MM, yy or yyyy) as day-month-year, month-day-year or year-month-day with one separator, such as "
        "dd.MM.yyyy, MM/dd/yyyy or yyyy-MM-dd.\n");
    const QList<std::tuple<QByteArray, QByteArray, QString>> cases = {
        {"LORVANE_CODEPAGE", "   ", QStringLiteral("Unknown code page \"   \" in LORVANE_CODEPAGE.\n")},
        {"LORVANE_CODEPAGE", "UTF-16", QStringLiteral("Not an 8-bit code page \"UTF-16\" in LORVANE_CODEPAGE.\n")},
        {"LORVANE_CODEPAGE", "UCS-4", QStringLiteral("Not an 8-bit code page \"UCS-4\" in LORVANE_CODEPAGE.\n")},
        {"LORVANE_DATE_FORMAT", "dd.mm.yyyy", badFormat.arg("dd.mm.yyyy")},
        {"LORVANE_DATE_FORMAT", "dd/MM", badFormat.arg("dd/MM")},
        {"LORVANE_DATE_FORMAT", "yyyy-dd-MM", badFormat.arg("yyyy-dd-MM")}};
    const QString output = path("codepage.txt");
    for (const auto &[variable, value, message] : cases) {
        RunSetup setup;
        setup.environment = {{variable, value}};
        const RunResult result = RunReport(window + QStringList{"--output", output, path("safe")}, setup);
        EXPECT_EQ(result.exitCode, 2) << value.constData();
        EXPECT_EQ(result.err, message);
        EXPECT_FALSE(QFileInfo::exists(output));
    }
}

} // namespace
