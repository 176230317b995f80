// WriteFileBytes on what users really have as a target: plain files, links,
// devices, FIFOs, hard links, folders they cannot write, other users' files,
// long names, full disks and kills in the middle of a save.

#include "core/error.h"
#include "core/filename.h"
#include "core/savefile.h"
#include "core/tests/nativefiles.h"
#include "testsupport/testfiles.h"
#include "core/textfile.h"

#include <QDir>
#include <QTemporaryDir>

#include "testsupport/testing.h"

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <functional>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

const QByteArray kReport = "01.03.2019 - 31.03.2019\r\n\r\nPricing.pas\r\n[+] new\r\n";

// Users that exist nowhere, to own files as another user would.
constexpr uid_t kUser = 12345;
constexpr uid_t kOtherUser = 12346;

bool IsRoot()
{
    return ::geteuid() == 0;
}

int RemoveEntry(const char *path, const struct stat *, int, FTW *)
{
    return ::remove(path);
}

// The message of the save, or empty when it succeeded; run in a child
// process that is the ordinary user `uid` when that is not the tester.
QString SaveAs(uid_t uid, const QByteArray &path, const QByteArray &bytes)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (uid != ::geteuid() && (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0
                                   || ::setresuid(uid, uid, uid) != 0))
            ::_exit(3);
        QByteArray message;
        try {
            WriteFileBytes(FileNameFromBytes(path), bytes);
        } catch (const Error &error) {
            message = error.message().toUtf8();
        }
        const bool sent = message.isEmpty() || ::write(channel[1], message.constData(), size_t(message.size())) > 0;
        ::_exit(sent ? 0 : 4);
    }
    ::close(channel[1]);
    QByteArray message;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("the saving process failed with status %1").arg(status);
    return QString::fromUtf8(message);
}

class SaveFixture : public testing::Test
{
public:
    QByteArray folder() const { return FileNameToBytes(dir.path()); }
    QByteArray at(const QByteArray &name) const { return folder() + '/' + name; }

protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // Other users must reach the folders made below.
        ::chmod(folder().constData(), 0755);
    }
    void TearDown() override
    {
        // A folder made unwritable by a case must not stop the clean-up;
        // names that are not UTF-8 are beyond QTemporaryDir's removal.
        ::chmod(at("locked").constData(), 0755);
        ::nftw(folder().constData(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

    QTemporaryDir dir;
};

// How a case prepares its target and what it expects afterwards.
struct SaveCase
{
    const char *name;
    bool needsRoot;
    // Prepares the tree; returns the path to save to.
    std::function<QByteArray(SaveFixture &)> prepare;
    // Who saves.
    std::function<uid_t()> saver;
    // The message of the save: empty for success; "%1" stands for the
    // absolute path saved to.
    const char *message;
    std::function<void(SaveFixture &, const QByteArray &path)> check;
};

void PrintTo(const SaveCase &c, std::ostream *os)
{
    *os << c.name;
}

class SaveCases : public SaveFixture, public testing::WithParamInterface<SaveCase>
{
};

TEST_P(SaveCases, WriteTheTargetAsItsKindDemands)
{
    const SaveCase &c = GetParam();
    if (c.needsRoot && !IsRoot())
        GTEST_SKIP() << "needs root to make another user's files or device nodes; skipped as an ordinary user";
    const QByteArray path = c.prepare(*this);
    const uid_t saver = c.saver ? c.saver() : ::geteuid();
    const QString message = SaveAs(saver, path, kReport);
    QString expected = QString::fromUtf8(c.message);
    if (expected.contains(u"%1"))
        expected = expected.arg(FileNameFromBytes(path));
    EXPECT_EQ(message, expected);
    c.check(*this, path);
}

uid_t Tester()
{
    return ::geteuid();
}

// The user whose saves a case tries: an ordinary one where the tests can
// make one (as root), else the tester.
uid_t OrdinaryUser()
{
    return IsRoot() ? kUser : ::geteuid();
}

// The case's folder holds exactly these names: no temporary file is left.
void ExpectOnly(const QByteArray &folder, QList<QByteArray> names)
{
    std::sort(names.begin(), names.end());
    EXPECT_EQ(NamesIn(folder), names);
}

const QByteArray kOld = "old content that is longer than the report, so a tail would show ............";

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveCases,
    testing::Values(
        SaveCase{"new_file_appears_complete_with_the_umask_mode", false,
                 [](SaveFixture &f) { return f.at("new.txt"); }, Tester, "",
                 [](SaveFixture &f, const QByteArray &path) {
                     EXPECT_EQ(ReadNative(path), kReport);
                     const mode_t mask = ::umask(0);
                     ::umask(mask);
                     EXPECT_EQ(StatOf(path).st_mode & 07777, 0666 & ~mask);
                     ExpectOnly(f.folder(), {"new.txt"});
                 }},
        SaveCase{"plain_file_is_replaced_keeping_its_mode", false,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at("plain.txt");
                     WriteNative(path, kOld);
                     ::chmod(path.constData(), 0640);
                     return path;
                 },
                 Tester, "",
                 [](SaveFixture &f, const QByteArray &path) {
                     EXPECT_EQ(ReadNative(path), kReport);
                     EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
                     ExpectOnly(f.folder(), {"plain.txt"});
                 }},
        SaveCase{"another_users_file_keeps_owner_group_and_mode_when_root_replaces_it", true,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at("theirs.txt");
                     WriteNative(path, kOld);
                     EXPECT_EQ(::chown(path.constData(), kUser, kOtherUser), 0);
                     ::chmod(path.constData(), 0604);
                     return path;
                 },
                 Tester, "",
                 [](SaveFixture &, const QByteArray &path) {
                     EXPECT_EQ(ReadNative(path), kReport);
                     const struct stat info = StatOf(path);
                     EXPECT_EQ(info.st_uid, kUser);
                     EXPECT_EQ(info.st_gid, kOtherUser);
                     EXPECT_EQ(info.st_mode & 07777, 0604u);
                 }},
        SaveCase{"another_users_file_is_written_in_place_by_an_ordinary_user", true,
                 [](SaveFixture &f) {
                     const QByteArray folder = f.at("shared");
                     ::mkdir(folder.constData(), 0777);
                     ::chmod(folder.constData(), 0777);
                     const QByteArray path = folder + "/theirs.txt";
                     WriteNative(path, kOld);
                     EXPECT_EQ(::chown(path.constData(), kOtherUser, kOtherUser), 0);
                     ::chmod(path.constData(), 0666);
                     return path;
                 },
                 OrdinaryUser, "",
                 [](SaveFixture &f, const QByteArray &path) {
                     EXPECT_EQ(ReadNative(path), kReport);
                     EXPECT_EQ(StatOf(path).st_uid, kOtherUser);
                     ExpectOnly(f.at("shared"), {"theirs.txt"});
                 }},
        SaveCase{"writable_file_in_a_folder_that_cannot_be_written_is_written_in_place", false,
                 [](SaveFixture &f) {
                     const QByteArray folder = f.at("locked");
                     ::mkdir(folder.constData(), 0755);
                     const QByteArray path = folder + "/report.txt";
                     WriteNative(path, kOld);
                     EXPECT_EQ(::chown(path.constData(), OrdinaryUser(), OrdinaryUser()), 0);
                     // Root writes any folder: as root the ordinary user
                     // saves, who cannot write root's folder.
                     if (!IsRoot())
                         ::chmod(folder.constData(), 0555);
                     return path;
                 },
                 OrdinaryUser, "",
                 [](SaveFixture &, const QByteArray &path) { EXPECT_EQ(ReadNative(path), kReport); }},
        SaveCase{"new_file_in_a_folder_that_cannot_be_written_is_refused", false,
                 [](SaveFixture &f) {
                     const QByteArray folder = f.at("locked");
                     ::mkdir(folder.constData(), 0755);
                     if (!IsRoot())
                         ::chmod(folder.constData(), 0555);
                     return folder + "/new.txt";
                 },
                 OrdinaryUser, "Cannot create file \"%1\". Permission denied",
                 [](SaveFixture &f, const QByteArray &) {
                     ExpectOnly(f.at("locked"), {});
                 }},
        SaveCase{"hard_linked_file_keeps_its_links", false,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at("one.txt");
                     WriteNative(path, kOld);
                     ::link(path.constData(), f.at("two.txt").constData());
                     return path;
                 },
                 Tester, "",
                 [](SaveFixture &f, const QByteArray &path) {
                     const QByteArray other = f.at("two.txt");
                     EXPECT_EQ(ReadNative(path), kReport);
                     EXPECT_EQ(ReadNative(other), kReport);
                     EXPECT_EQ(StatOf(path).st_ino, StatOf(other).st_ino);
                     EXPECT_EQ(StatOf(path).st_nlink, 2u);
                     ExpectOnly(f.folder(), {"one.txt", "two.txt"});
                 }},
        SaveCase{"character_device_stays_a_device", true,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at("null");
                     EXPECT_EQ(::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
                     return path;
                 },
                 Tester, "",
                 [](SaveFixture &, const QByteArray &path) {
                     const struct stat info = LstatOf(path);
                     EXPECT_TRUE(S_ISCHR(info.st_mode));
                     EXPECT_EQ(info.st_rdev, makedev(1, 3));
                 }},
        SaveCase{"device_that_refuses_the_bytes_fails_the_save_and_stays", true,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at("full");
                     EXPECT_EQ(::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 7)), 0);
                     return path;
                 },
                 Tester, "Stream write error. File \"%1\". No space left on device",
                 [](SaveFixture &f, const QByteArray &path) {
                     EXPECT_TRUE(S_ISCHR(LstatOf(path).st_mode));
                     ExpectOnly(f.folder(), {"full"});
                 }},
        SaveCase{"dangling_link_creates_its_target_and_stays_a_link", false,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at("link.txt");
                     ::symlink("middle.txt", path.constData());
                     ::symlink("target.txt", f.at("middle.txt").constData());
                     return path;
                 },
                 Tester, "",
                 [](SaveFixture &f, const QByteArray &path) {
                     EXPECT_TRUE(S_ISLNK(LstatOf(path).st_mode));
                     EXPECT_TRUE(S_ISLNK(LstatOf(f.at("middle.txt")).st_mode));
                     EXPECT_EQ(ReadNative(f.at("target.txt")), kReport);
                 }},
        SaveCase{"link_to_a_file_writes_the_file_and_stays_a_link", false,
                 [](SaveFixture &f) {
                     const QByteArray folder = f.at("real");
                     ::mkdir(folder.constData(), 0755);
                     WriteNative(folder + "/target.txt", kOld);
                     const QByteArray path = f.at("link.txt");
                     ::symlink("real/target.txt", path.constData());
                     return path;
                 },
                 Tester, "",
                 [](SaveFixture &f, const QByteArray &path) {
                     EXPECT_TRUE(S_ISLNK(LstatOf(path).st_mode));
                     EXPECT_EQ(ReadNative(f.at("real/target.txt")), kReport);
                     ExpectOnly(f.at("real"), {"target.txt"});
                 }},
        SaveCase{"link_in_a_folder_whose_name_is_not_utf8_is_written_through", false,
                 [](SaveFixture &f) {
                     const QByteArray folder = f.at("caf\xE9");
                     ::mkdir(folder.constData(), 0755);
                     WriteNative(folder + "/\xCE\xF2\xF7\xB8\xF2.txt", kOld);
                     ::symlink("\xCE\xF2\xF7\xB8\xF2.txt", (folder + "/link.txt").constData());
                     return folder + "/link.txt";
                 },
                 Tester, "",
                 [](SaveFixture &f, const QByteArray &path) {
                     const QByteArray folder = f.at("caf\xE9");
                     EXPECT_TRUE(S_ISLNK(LstatOf(path).st_mode));
                     EXPECT_EQ(ReadNative(folder + "/\xCE\xF2\xF7\xB8\xF2.txt"), kReport);
                     ExpectOnly(folder, {"\xCE\xF2\xF7\xB8\xF2.txt", "link.txt"});
                 }},
        SaveCase{"loop_of_links_gives_the_systems_error", false,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at("a");
                     ::symlink("b", path.constData());
                     ::symlink("a", f.at("b").constData());
                     return path;
                 },
                 Tester, "Cannot create file \"%1\". Too many levels of symbolic links",
                 [](SaveFixture &f, const QByteArray &) {
                     ExpectOnly(f.folder(), {"a", "b"});
                 }},
        SaveCase{"folder_is_refused", false,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at("sub");
                     ::mkdir(path.constData(), 0755);
                     return path;
                 },
                 Tester, "Cannot create file \"%1\". Is a directory",
                 [](SaveFixture &, const QByteArray &path) { EXPECT_TRUE(S_ISDIR(LstatOf(path).st_mode)); }},
        SaveCase{"read_only_file_is_refused_and_kept", false,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at("ro.txt");
                     WriteNative(path, kOld);
                     ::chmod(path.constData(), 0444);
                     return path;
                 },
                 Tester, "Cannot create file \"%1\". Permission denied",
                 [](SaveFixture &, const QByteArray &path) { EXPECT_EQ(ReadNative(path), kOld); }},
        SaveCase{"longest_name_the_file_system_accepts_is_saved_and_replaced", false,
                 [](SaveFixture &f) {
                     const QByteArray path = f.at(QByteArray(251, 'n') + ".txt");
                     WriteNative(path, kOld);
                     return path;
                 },
                 Tester, "",
                 [](SaveFixture &f, const QByteArray &path) {
                     EXPECT_EQ(ReadNative(path), kReport);
                     ExpectOnly(f.folder(), {QByteArray(251, 'n') + ".txt"});
                 }},
        SaveCase{"longest_cyrillic_name_is_saved", false,
                 [](SaveFixture &f) {
                     return f.at(QString(127, QChar(u'ж')).toUtf8());
                 },
                 Tester, "",
                 [](SaveFixture &, const QByteArray &path) { EXPECT_EQ(ReadNative(path), kReport); }},
        SaveCase{"name_longer_than_the_file_system_accepts_is_refused", false,
                 [](SaveFixture &f) { return f.at(QByteArray(256, 'n')); }, Tester,
                 "Cannot create file \"%1\". File name too long",
                 [](SaveFixture &f, const QByteArray &) { ExpectOnly(f.folder(), {}); }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SaveFixture, FifoStaysAFifoAndItsReaderReceivesTheReport)
{
    const QByteArray path = at("pipe");
    ASSERT_EQ(::mkfifo(path.constData(), 0644), 0);
    QByteArray received;
    std::thread reader([&] {
        const int fd = ::open(path.constData(), O_RDONLY);
        char buffer[256];
        for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0;)
            received.append(buffer, got);
        ::close(fd);
    });
    WriteFileBytes(FileNameFromBytes(path), kReport);
    reader.join();
    EXPECT_EQ(received, kReport);
    EXPECT_TRUE(S_ISFIFO(LstatOf(path).st_mode));
}

TEST_F(SaveFixture, FifoWhoseReaderLeavesFailsTheSaveWithoutEndingTheProgram)
{
    const QByteArray path = at("pipe");
    ASSERT_EQ(::mkfifo(path.constData(), 0644), 0);
    std::thread reader([&] { ::close(::open(path.constData(), O_RDONLY)); });
    QString message;
    try {
        WriteFileBytes(FileNameFromBytes(path), QByteArray(1 << 20, 'x'));
    } catch (const Error &error) {
        message = error.message();
    }
    reader.join();
    EXPECT_EQ(message, QStringLiteral("Stream write error. File \"%1\". Broken pipe").arg(FileNameFromBytes(path)));
    EXPECT_TRUE(S_ISFIFO(LstatOf(path).st_mode));
}

// The descriptor paths of /proc, such as /dev/stdout, are written through.
TEST_F(SaveFixture, DescriptorPathOfAPipeIsWrittenThrough)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    WriteFileBytes(QStringLiteral("/proc/self/fd/%1").arg(ends[1]), kReport);
    ::close(ends[1]);
    QByteArray received(kReport.size() + 16, '\0');
    received.truncate(::read(ends[0], received.data(), size_t(received.size())));
    ::close(ends[0]);
    EXPECT_EQ(received, kReport);
}

// A kill in the middle of a save leaves the old file whole and no
// temporary file behind, whether the save replaces a file or makes one.
class KilledSave : public SaveFixture, public testing::WithParamInterface<bool>
{
};

TEST_P(KilledSave, LeavesNothingBehind)
{
    const bool existing = GetParam();
    const QByteArray path = at("report.txt");
    if (existing)
        WriteNative(path, kOld);
    const QByteArray big(64 << 20, 'r');
    for (int kill = 0; kill < 3; ++kill) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (;;)
                WriteFileBytes(FileNameFromBytes(path), big);
        }
        // Wait until the child writes into a file of the folder, then kill it.
        const QByteArray fds = "/proc/" + QByteArray::number(child) + "/fd";
        bool writing = false;
        for (int poll = 0; poll < 20000 && !writing; ++poll) {
            for (const QByteArray &fd : NamesIn(fds)) {
                char target[4096];
                const ssize_t length = ::readlink((fds + '/' + fd).constData(), target, sizeof target);
                if (length > 0 && QByteArray(target, length).startsWith(folder() + '/'))
                    writing = true;
            }
            ::usleep(100);
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        EXPECT_TRUE(writing) << "the save was never seen under way";
        // Fails if the temporary file outlived the kill.
        const QList<QByteArray> names = NamesIn(folder());
        if (existing) {
            EXPECT_EQ(names, QList<QByteArray>{"report.txt"});
            const QByteArray content = ReadNative(path);
            EXPECT_TRUE(content == kOld || content == big) << content.size();
        } else {
            EXPECT_TRUE(names.isEmpty() || (names == QList<QByteArray>{"report.txt"} && ReadNative(path) == big));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, KilledSave, testing::Values(false, true),
                         [](const auto &info) { return info.param ? "existing_file" : "new_file"; });

// A disk that fills up during the save: a small file system of its own.
class FullDisk : public SaveFixture
{
protected:
    void SetUp() override
    {
        SaveFixture::SetUp();
        disk = at("disk");
        ::mkdir(disk.constData(), 0755);
        if (::mount("tmpfs", disk.constData(), "tmpfs", 0, "size=256k") != 0)
            GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno)
                         << "); the full disk is covered by the file size limit test";
        mounted = true;
    }
    void TearDown() override
    {
        if (mounted)
            ::umount(disk.constData());
        SaveFixture::TearDown();
    }
    QString failure(const QByteArray &path, const QByteArray &bytes)
    {
        try {
            WriteFileBytes(FileNameFromBytes(path), bytes);
        } catch (const Error &error) {
            return error.message();
        }
        return {};
    }
    static QString noSpace(const QByteArray &path)
    {
        return QStringLiteral("Stream write error. File \"%1\". No space left on device").arg(FileNameFromBytes(path));
    }

    QByteArray disk;
    bool mounted = false;
    const QByteArray tooBig = QByteArray(1 << 20, 'b');
};

TEST_F(FullDisk, ReplacingKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    WriteNative(disk + "/report.txt", kOld);
    EXPECT_EQ(failure(disk + "/report.txt", tooBig), noSpace(disk + "/report.txt"));
    EXPECT_EQ(ReadNative(disk + "/report.txt"), kOld);
    EXPECT_EQ(NamesIn(disk), QList<QByteArray>{"report.txt"});
    // The space of the failed attempt is free again.
    EXPECT_EQ(failure(disk + "/report.txt", QByteArray(128 << 10, 'c')), "");
}

TEST_F(FullDisk, NewFileDoesNotAppear)
{
    EXPECT_EQ(failure(disk + "/new.txt", tooBig), noSpace(disk + "/new.txt"));
    EXPECT_TRUE(NamesIn(disk).isEmpty());
}

// The room is set aside before the file is touched: not even its
// modification time changes.
TEST_F(FullDisk, FileWrittenInPlaceIsLeftUntouched)
{
    WriteNative(disk + "/one.txt", kOld);
    ::link((disk + "/one.txt").constData(), (disk + "/two.txt").constData());
    const struct stat before = StatOf(disk + "/one.txt");
    EXPECT_EQ(failure(disk + "/one.txt", tooBig), noSpace(disk + "/one.txt"));
    EXPECT_EQ(ReadNative(disk + "/two.txt"), kOld);
    const struct stat after = StatOf(disk + "/one.txt");
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(NamesIn(disk), (QList<QByteArray>{"one.txt", "two.txt"}));
    EXPECT_EQ(failure(disk + "/one.txt", QByteArray(100 << 10, 'c')), "");
    EXPECT_EQ(ReadNative(disk + "/two.txt"), QByteArray(100 << 10, 'c'));
}

// Writing in place needs room for a copy of the old content too.
TEST_F(FullDisk, FileWrittenInPlaceWithoutRoomForItsOldContentIsLeftUntouched)
{
    WriteNative(disk + "/one.txt", QByteArray(160 << 10, 'o'));
    ::link((disk + "/one.txt").constData(), (disk + "/two.txt").constData());
    EXPECT_EQ(failure(disk + "/one.txt", kReport), noSpace(disk + "/one.txt"));
    EXPECT_EQ(ReadNative(disk + "/two.txt"), QByteArray(160 << 10, 'o'));
    EXPECT_EQ(NamesIn(disk), (QList<QByteArray>{"one.txt", "two.txt"}));
}

TEST_F(SaveFixture, SourceFileIsRefusedAsOutputThroughAnyLink)
{
    const QByteArray source = at("Pricing.pas");
    WriteNative(source, kOld);
    ::symlink("Pricing.pas", at("alias.txt").constData());
    ::link(source.constData(), at("hard.pas").constData());
    const QStringList inputs{FileNameFromBytes(at("Other.pas")), FileNameFromBytes(source)};
    for (const QByteArray &output : {source, at("alias.txt"), at("hard.pas")}) {
        try {
            RefuseOverwritingSource(FileNameFromBytes(output), inputs);
            ADD_FAILURE() << "not refused: " << output.constData();
        } catch (const Error &error) {
            EXPECT_EQ(error.message(), QStringLiteral("Cannot create file \"%1\". It is the source file \"%2\"")
                                           .arg(FileNameFromBytes(output), FileNameFromBytes(source)));
        }
    }
    EXPECT_NO_THROW(RefuseOverwritingSource(FileNameFromBytes(at("report.txt")), inputs));
    EXPECT_EQ(ReadNative(source), kOld);
}

} // namespace
