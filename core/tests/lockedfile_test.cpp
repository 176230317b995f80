// The lock that makes saves and edits of one file take turns, the check
// that an edit writes only over what it read, and what a save does with
// the files that a stopped save left beside its target.

#include "core/error.h"
#include "core/filename.h"
#include "core/savefile.h"
#include "core/tests/nativefiles.h"
#include "core/textfile.h"

#include <QTemporaryDir>

#include "testsupport/ordinaryuser.h"
#include "testsupport/testing.h"

#include <chrono>
#include <functional>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>

using namespace lorvane;
using namespace lorvane::test;

namespace {

const QByteArray kOld = "old content\r\nof the file\r\n";
const QByteArray kHalf = "new cont";

// A process's id and start time, as the names of a save's files give them.
struct Maker
{
    quint64 pid;
    quint64 start;

    QByteArray name(quint64 number, const char *suffix) const
    {
        return ".lv" + QByteArray::number(pid, 36) + '.' + QByteArray::number(start, 36) + '.'
               + QByteArray::number(number, 36) + suffix;
    }
};

quint64 startOf(pid_t pid)
{
    const QByteArray stat = ReadNative("/proc/" + QByteArray::number(pid) + "/stat");
    return stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(19).toULongLong();
}

// A process that ran and ended.
Maker stoppedProcess()
{
    int gate[2];
    if (::pipe(gate) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        char byte;
        ::close(gate[1]);
        (void)!::read(gate[0], &byte, 1);
        ::_exit(0);
    }
    ::close(gate[0]);
    const Maker maker{quint64(child), startOf(child)};
    ::close(gate[1]);
    ::waitpid(child, nullptr, 0);
    return maker;
}

Maker thisProcess()
{
    return {quint64(::getpid()), startOf(::getpid())};
}

class LockedFileTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QByteArray at(const QByteArray &name) const { return FileNameToBytes(dir.path()) + '/' + name; }
    QString path(const QByteArray &name) const { return FileNameFromBytes(at(name)); }
    // A file with a second name, so that it is written in place.
    void hardLinked(const QByteArray &name, const QByteArray &other, const QByteArray &bytes) const
    {
        WriteNative(at(name), bytes);
        ::link(at(name).constData(), at(other).constData());
    }
    QString shown(const QByteArray &name) const { return AbsoluteFileName(path(name)); }

    QTemporaryDir dir;
};

// Only regular files of this user whose maker has ended and whose lock
// nobody holds are taken for leftovers, and only by their exact names.
TEST_F(LockedFileTest, SaveRemovesOnlyTheTemporaryFilesOfStoppedSaves)
{
    const Maker gone = stoppedProcess();
    const QByteArray removed = gone.name(7, ".tmp");
    WriteNative(at(removed), "a stopped save's new content");
    const QList<QByteArray> kept{thisProcess().name(7, ".tmp"), gone.name(8, ".tmp"), ".lv12345.tmp",
                                 gone.name(9, ".tmp.txt"), ".lv0" + gone.name(9, ".tmp").mid(3),
                                 gone.name(10, ".TMP"), ".lvZZ.1.2.tmp"};
    for (const QByteArray &name : kept)
        WriteNative(at(name), "kept");
    const int held = ::open(at(gone.name(8, ".tmp")).constData(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    ::mkdir(at(gone.name(12, ".tmp")).constData(), 0755);
    ::symlink("report.txt", at(gone.name(13, ".tmp")).constData());
    QList<QByteArray> expected = kept + QList<QByteArray>{gone.name(12, ".tmp"), gone.name(13, ".tmp"), "report.txt"};
    if (::geteuid() == 0) {
        WriteNative(at(gone.name(14, ".tmp")), "another user's");
        ASSERT_EQ(::chown(at(gone.name(14, ".tmp")).constData(), 12345, 12345), 0);
        expected << gone.name(14, ".tmp");
    }

    const QByteArray said = StandardErrorOf([&] { WriteFileBytes(path("report.txt"), kOld); });
    ::close(held);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(NamesIn(at("")), expected);
    EXPECT_EQ(said, "");
    EXPECT_EQ(ReadNative(at("report.txt")), kOld);
}

TEST_F(LockedFileTest, EditPutsBackTheOldContentThatAStoppedSaveKeptAndSaysSo)
{
    hardLinked("Unit.pas", "Other.pas", kHalf);
    const Maker gone = stoppedProcess();
    const QByteArray backup = gone.name(StatOf(at("Unit.pas")).st_ino, ".old");
    WriteNative(at(backup), kOld);
    QByteArray read;
    const QByteArray said = StandardErrorOf([&] {
        const LockedFile file(path("Unit.pas"), LockUse::Edit);
        read = file.read(0, 4096);
    });
    EXPECT_EQ(QString::fromUtf8(said),
              QStringLiteral("Restored \"%1\" from \"%2\": a save that was stopped (process %3) may have left it "
                             "half-written.\n")
                  .arg(shown("Unit.pas"), shown(backup))
                  .arg(gone.pid));
    EXPECT_EQ(read, kOld);
    EXPECT_EQ(ReadNative(at("Other.pas")), kOld);
    EXPECT_EQ(NamesIn(at("")), (QList<QByteArray>{"Other.pas", "Unit.pas"}));
}

// Nothing is put back but into the file that is to be written, and only
// into the file that the copy was made of; a preview puts nothing back.
TEST_F(LockedFileTest, CopiesThatAreNotPutBackAreNamed)
{
    const Maker gone = stoppedProcess();
    hardLinked("Unit.pas", "Unit2.pas", kHalf);
    WriteNative(at("Other.pas"), kHalf);
    // Made before the file that now has the inode it names.
    WriteNative(at("copy"), kOld);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteNative(at("Newer.pas"), kHalf);
    const QByteArray preview = gone.name(StatOf(at("Unit.pas")).st_ino, ".old");
    const QByteArray other = gone.name(StatOf(at("Other.pas")).st_ino, ".old");
    const QByteArray orphan = gone.name(1, ".old");
    const QByteArray older = gone.name(StatOf(at("Newer.pas")).st_ino, ".old");
    for (const QByteArray &name : {preview, other, orphan})
        WriteNative(at(name), kOld);
    // A run that writes nothing removes nothing either.
    WriteNative(at(gone.name(5, ".tmp")), "a stopped save's new content");
    ::rename(at("copy").constData(), at(older).constData());

    const QByteArray said = StandardErrorOf([&] { LockedFile(path("Unit.pas"), LockUse::Preview); });
    for (const QString &line :
         {QStringLiteral("\"%1\" may be half-written: a save of it was stopped (process %3); its old content is in "
                         "\"%2\"")
              .arg(shown("Unit.pas"), shown(preview))
              .arg(gone.pid),
          QStringLiteral("\"%1\" may be half-written: a save of it was stopped (process %3); its old content is in "
                         "\"%2\"")
              .arg(shown("Other.pas"), shown(other))
              .arg(gone.pid),
          QStringLiteral("\"%1\" holds the old content of a file whose save was stopped (process %2); no file in its "
                         "folder is that file now.")
              .arg(shown(orphan))
              .arg(gone.pid),
          QStringLiteral("\"%1\" holds the old content of a file whose save was stopped (process %2); no file in its "
                         "folder is that file now.")
              .arg(shown(older))
              .arg(gone.pid)})
        EXPECT_TRUE(QString::fromUtf8(said).split('\n').contains(line)) << said.toStdString() << line.toStdString();
    EXPECT_EQ(said.count('\n'), 4);
    for (const QByteArray name : {"Unit.pas", "Other.pas", "Newer.pas"})
        EXPECT_EQ(ReadNative(at(name)), kHalf) << name.constData();
    EXPECT_EQ(NamesIn(at("")).size(), 9);
}

TEST_F(LockedFileTest, CopiesOfARunningSaveAreLeftAlone)
{
    hardLinked("Unit.pas", "Unit2.pas", kHalf);
    const QByteArray running = thisProcess().name(StatOf(at("Unit.pas")).st_ino, ".old");
    WriteNative(at(running), kOld);
    const QByteArray said = StandardErrorOf([&] { LockedFile(path("Unit.pas"), LockUse::Edit); });
    EXPECT_EQ(said, "");
    EXPECT_EQ(ReadNative(at("Unit.pas")), kHalf);
    EXPECT_EQ(ReadNative(at(running)), kOld);
}

QList<QByteArray> namesOf(bool linked)
{
    return linked ? QList<QByteArray>{"Unit.pas", "Unit2.pas"} : QList<QByteArray>{"Unit.pas"};
}

// What another program does to the file between an edit's read and its
// write.
struct Meddling
{
    const char *name;
    std::function<void(const QByteArray &path)> act;
    QByteArray result;
};

class EditOfAChangedFile : public LockedFileTest,
                           public testing::WithParamInterface<std::tuple<bool, Meddling>>
{
};

TEST_P(EditOfAChangedFile, WritesNothing)
{
    const auto &[linked, meddling] = GetParam();
    if (linked)
        hardLinked("Unit.pas", "Unit2.pas", kOld);
    else
        WriteNative(at("Unit.pas"), kOld);
    LockedFile file(path("Unit.pas"), LockUse::Edit);
    const QByteArray head = file.read(0, 13);
    meddling.act(at("Unit.pas"));
    EXPECT_FALSE(file.replaceIfUnchanged("{entry}" + head, head.size(), head));
    EXPECT_EQ(ReadNative(at("Unit.pas")), meddling.result);
    EXPECT_EQ(NamesIn(at("")), namesOf(linked));
}

INSTANTIATE_TEST_SUITE_P(
    Meddlings, EditOfAChangedFile,
    testing::Combine(
        testing::Bool(),
        testing::Values(Meddling{"appended",
                                 [](const QByteArray &path) {
                                     const int fd = ::open(path.constData(), O_WRONLY | O_APPEND);
                                     (void)!::write(fd, "more\r\n", 6);
                                     ::close(fd);
                                 },
                                 kOld + "more\r\n"},
                        Meddling{"first_bytes_changed_in_place",
                                 [](const QByteArray &path) {
                                     const int fd = ::open(path.constData(), O_WRONLY);
                                     (void)!::pwrite(fd, "OLD", 3, 0);
                                     ::close(fd);
                                 },
                                 "OLD" + kOld.mid(3)},
                        Meddling{"replaced", [](const QByteArray &path) {
                                     WriteNative(path + ".new", "another file");
                                     ::rename((path + ".new").constData(), path.constData());
                                 },
                                 "another file"})),
    [](const auto &info) {
        return std::string(std::get<0>(info.param) ? "hard_link_" : "single_link_") + std::get<1>(info.param).name;
    });

TEST_F(LockedFileTest, EditOfAnUnchangedFileWritesTheFirstBytesBeforeTheRest)
{
    for (const bool linked : {false, true}) {
        if (linked)
            hardLinked("Unit.pas", "Unit2.pas", kOld);
        else
            WriteNative(at("Unit.pas"), kOld);
        LockedFile file(path("Unit.pas"), LockUse::Edit);
        const QByteArray head = file.read(0, 13);
        EXPECT_TRUE(file.replaceIfUnchanged("{entry}\r\n" + head, head.size(), head));
        EXPECT_EQ(ReadNative(at("Unit.pas")), "{entry}\r\n" + kOld);
        EXPECT_EQ(NamesIn(at("")), namesOf(linked));
        ::unlink(at("Unit.pas").constData());
        ::unlink(at("Unit2.pas").constData());
    }
}

// Where no copy of the old content can be kept beside the file, a kill
// during an in-place write would cut a source file short: an edit refuses
// the file and leaves it as it was. A save of a report still writes it.
TEST_F(LockedFileTest, EditWhereNoCopyCanBeKeptWritesNothing)
{
    const QByteArray folder = at("locked");
    ::chmod(at("").constData(), 0755);
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const QByteArray file = folder + "/Unit.pas";
    WriteNative(file, kOld);
    ASSERT_EQ(::chown(file.constData(), OrdinaryUser(), OrdinaryUser()), 0);
    // As root the folder is root's, which the ordinary user cannot write.
    if (::geteuid() != 0)
        ::chmod(folder.constData(), 0555);
    const QString path = FileNameFromBytes(file);
    const std::optional<QByteArray> message = AsOrdinaryUser([&path] {
        QString text;
        try {
            LockedFile edit(path, LockUse::Edit);
            const QByteArray head = edit.read(0, 13);
            edit.replaceIfUnchanged("{entry}\r\n" + head, head.size(), head);
        } catch (const Error &error) {
            text = error.message();
        }
        return text.toUtf8();
    });
    ::chmod(folder.constData(), 0755);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(QString::fromUtf8(*message),
              QStringLiteral("Cannot create file \"%1\". No copy of its content can be kept beside it while it is "
                             "written in place, so it was left as it was: Permission denied")
                  .arg(AbsoluteFileName(path)));
    EXPECT_EQ(ReadNative(file), kOld);
    EXPECT_EQ(NamesIn(folder), QList<QByteArray>{"Unit.pas"});
}

// Holds the lock on a file as another save would.
class Holder
{
public:
    explicit Holder(const QByteArray &path) : m_fd(::open(path.constData(), O_RDONLY))
    {
        EXPECT_EQ(::flock(m_fd, LOCK_EX), 0);
    }
    ~Holder() { release(); }
    void release()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

TEST_F(LockedFileTest, SaveWaitsWhileAnotherHoldsTheLock)
{
    for (const bool linked : {false, true}) {
        const QByteArray name = linked ? "linked.txt" : "single.txt";
        if (linked)
            hardLinked(name, "second.txt", kOld);
        else
            WriteNative(at(name), kOld);
        Holder holder(at(name));
        std::thread save([&] { WriteFileBytes(path(name), "the report"); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(ReadNative(at(name)), kOld) << name.constData();
        holder.release();
        save.join();
        EXPECT_EQ(ReadNative(at(name)), "the report") << name.constData();
    }
}

TEST_F(LockedFileTest, SaveGivesUpWhenTheLockIsNotReleasedInTime)
{
    hardLinked("report.txt", "second.txt", kOld);
    Holder holder(at("report.txt"));
    const auto started = std::chrono::steady_clock::now();
    QString message;
    try {
        WriteFileBytes(path("report.txt"), "the report");
    } catch (const Error &error) {
        message = error.message();
    }
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(kLockWaitSeconds));
    EXPECT_EQ(message, QStringLiteral("Cannot create file \"%1\". Another program kept it locked for 10 seconds")
                           .arg(shown("report.txt")));
    EXPECT_EQ(ReadNative(at("report.txt")), kOld);
}

// A save that waited while the file it found was replaced writes the file
// that the path names now, not the one it waited for.
TEST_F(LockedFileTest, SaveThatWaitedWritesTheFileThatThePathNamesNow)
{
    hardLinked("report.txt", "first.txt", kOld);
    Holder holder(at("report.txt"));
    std::thread save([&] { WriteFileBytes(path("report.txt"), "the report"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    hardLinked("replacement", "second.txt", "another save's report");
    ::rename(at("replacement").constData(), at("report.txt").constData());
    holder.release();
    save.join();
    EXPECT_EQ(ReadNative(at("report.txt")), "the report");
    EXPECT_EQ(ReadNative(at("second.txt")), "the report");
    EXPECT_EQ(ReadNative(at("first.txt")), kOld);
}

} // namespace
