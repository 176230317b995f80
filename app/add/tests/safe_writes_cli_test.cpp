// What the two commands that write files leave when something runs beside
// them: a second run at once, another program writing the file, a full
// disk, a kill at any step. The file holds its old bytes or exactly the new
// ones (for lorvane-add: the old bytes with the entries of the runs that
// succeeded), and nothing else stays in its folder.
//
// Runs are stopped or killed at chosen system calls by strace, not by
// timing.

#include "core/changeentry.h"
#include "core/filename.h"
#include "core/tests/nativefiles.h"
#include "core/tests/pricing_header.h"
#include "testsupport/program.h"
#include "testsupport/testfiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "testsupport/testing.h"

#include <csignal>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>

using namespace lorvane;
using namespace lorvane::test;

namespace {

constexpr qsizetype kPage = 4096;
const QDate kDay(2026, 12, 10);

bool stracePermitted()
{
    QProcess strace;
    strace.start("strace", {"-qq", "-o", "/dev/null", "true"});
    return strace.waitForFinished(30000) && strace.exitStatus() == QProcess::NormalExit && strace.exitCode() == 0;
}

// strace, set up to run a command: in a sanitizer build without the leak
// check, which cannot work under a tracer.
void startStrace(QProcess &strace, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString asan = environment.value("ASAN_OPTIONS");
    environment.insert("ASAN_OPTIONS", (asan.isEmpty() ? QString() : asan + ':') + "detect_leaks=0");
    strace.setProcessEnvironment(environment);
    strace.start("strace", arguments);
}

// A source file of exactly `size` bytes: the Pricing header and a body.
QByteArray sourceOfSize(qsizetype size)
{
    QByteArray bytes = CodePage(QStringLiteral("CP1251")).encode(QString::fromUtf8(kPricingHeader));
    const QByteArray line = "  Result := Price * (1 + Margin / 100);\r\n";
    while (bytes.size() + line.size() <= size - 8)
        bytes += line;
    bytes += "{" + QByteArray(size - bytes.size() - 4, ' ') + "}\r\n";
    return bytes;
}

// How the test names the target: one name, or two hard links.
enum class Links { Single, Hard };

// One of the commands that write a file, with its runs told apart by a
// variant: their texts, or their reports.
class Command
{
public:
    virtual ~Command() = default;
    virtual QString program() const = 0;
    virtual QStringList arguments(int variant, const QString &target) const = 0;
    // The target's bytes after the variants ran in this order from `old`.
    virtual QByteArray after(const QByteArray &old, const QList<int> &variants) const = 0;
    // What a run that fails because of the file says on standard error.
    virtual QString failure(const QString &target, const QString &message) const = 0;
    // The strace options that stop a run once it has read what it needs,
    // before it writes.
    virtual QStringList stopAfterRead(const QString &target) const = 0;
};

class AddCommand : public Command
{
public:
    QString program() const override { return QStringLiteral(LORVANE_ADD_EXE); }
    QStringList arguments(int variant, const QString &target) const override
    {
        return {"--date", kDay.toString(Qt::ISODate), "--text", text(variant), target};
    }
    QByteArray after(const QByteArray &old, const QList<int> &variants) const override
    {
        QByteArray bytes = old;
        for (const int variant : variants)
            bytes = AddChangeEntry("Unit.pas", bytes, {kDay, u'+', {text(variant)}}).bytes;
        return bytes;
    }
    QString failure(const QString &target, const QString &message) const override
    {
        return target + ": " + message + ".\n";
    }
    // After its second read of the file: its first bytes, then the header
    // or, for a run that reads the file to its end, the read that finds it.
    QStringList stopAfterRead(const QString &target) const override
    {
        return {"-P", target, "-e", "trace=read,pread64", "-e", "inject=read,pread64:signal=STOP:when=2"};
    }

private:
    static QString text(int variant) { return QStringLiteral("Entry %1").arg(variant); }
};

class ReportCommand : public Command
{
public:
    explicit ReportCommand(const QString &project) : m_project(project)
    {
        for (int variant = 0; variant < 3; ++variant) {
            const QString scratch = project + QStringLiteral(".report%1").arg(variant);
            const Outcome outcome = RunProgram(program(), arguments(variant, scratch));
            EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
            m_reports << readBytes(scratch);
        }
    }
    QString program() const override { return QStringLiteral(LORVANE_REPORT_EXE); }
    QStringList arguments(int variant, const QString &target) const override
    {
        const QStringList formats{"text", "json", "markdown"};
        return {"--from", "2017-01-01", "--to", "2019-12-31", "--description", "--format", formats[variant],
                "--output", target, m_project};
    }
    QByteArray after(const QByteArray &old, const QList<int> &variants) const override
    {
        return variants.isEmpty() ? old : m_reports[variants.last()];
    }
    QString failure(const QString &, const QString &message) const override { return message + ".\n"; }
    // The report never reads its output: after its first fsync, of the new
    // content or of the copy of the old.
    QStringList stopAfterRead(const QString &) const override
    {
        return {"-e", "trace=fsync", "-e", "inject=fsync:signal=STOP:when=1"};
    }

private:
    QString m_project;
    QList<QByteArray> m_reports;
};

class SafeWrites : public testing::TestWithParam<std::tuple<bool, Links>>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath("project");
        QDir(dir.path()).mkpath("target");
        if (isAdd()) {
            command = std::make_unique<AddCommand>();
            old = sourceOfSize(1 << 20);
        } else {
            const QByteArray source = sourceOfSize(4096);
            for (int i = 0; i < 150; ++i)
                writeBytes(dir.filePath(QStringLiteral("project/P%1.pas").arg(i)), source);
            command = std::make_unique<ReportCommand>(dir.filePath("project"));
            old = QByteArray(2 * kPage, 'o');
        }
        folder = FileNameToBytes(dir.filePath("target"));
    }
    bool isAdd() const { return std::get<0>(GetParam()); }
    bool hardLinked() const { return std::get<1>(GetParam()) == Links::Hard; }
    QString target() const { return FileNameFromBytes(folder + "/Unit.pas"); }
    QList<QByteArray> names() const
    {
        return hardLinked() ? QList<QByteArray>{"Other.pas", "Unit.pas"} : QList<QByteArray>{"Unit.pas"};
    }
    // Puts the old bytes in place, under one name or two.
    void reset()
    {
        for (const QByteArray &name : NamesIn(folder))
            ::unlink((folder + '/' + name).constData());
        WriteNative(folder + "/Unit.pas", old);
        if (hardLinked())
            ::link((folder + "/Unit.pas").constData(), (folder + "/Other.pas").constData());
    }
    QByteArray content() const { return ReadNative(folder + "/Unit.pas"); }
    // The folder holds the target and nothing else; its names agree.
    void expectOnlyTheTarget(const std::string &when) const
    {
        EXPECT_EQ(NamesIn(folder), names()) << when;
        if (hardLinked()) {
            EXPECT_TRUE(ReadNative(folder + "/Other.pas") == content()) << when;
        }
    }
    // strace with its `options`, the trace going to `trace`, running the
    // run of `variant`.
    QStringList traced(const QStringList &options, int variant, const QString &trace) const
    {
        return QStringList{"-f", "-qq", "-o", trace} + options + QStringList{"--", command->program()}
               + command->arguments(variant, target());
    }

    QTemporaryDir dir;
    QByteArray folder;
    std::unique_ptr<Command> command;
    QByteArray old;
};

// The process that strace runs, once strace has seen it stopped: the trace
// names it then.
pid_t stoppedChild(QProcess &strace, const QByteArray &trace)
{
    for (int poll = 0; poll < 30000 && strace.state() != QProcess::NotRunning; ++poll) {
        for (const QByteArray &line : ReadNative(trace).split('\n'))
            if (line.endsWith("--- stopped by SIGSTOP ---"))
                return line.split(' ').value(0).toInt();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

TEST_P(SafeWrites, TwoRunsAtOnceKeepBothEntriesOrRefuseOneCleanly)
{
    for (int round = 0; round < 20; ++round) {
        reset();
        QProcess first;
        QProcess second;
        first.start(command->program(), command->arguments(0, target()));
        second.start(command->program(), command->arguments(1, target()));
        ASSERT_TRUE(first.waitForFinished(60000) && second.waitForFinished(60000));
        const bool firstDone = first.exitCode() == 0;
        const bool secondDone = second.exitCode() == 0;
        ASSERT_TRUE(firstDone || secondDone) << round;
        QList<QByteArray> allowed;
        if (firstDone && secondDone)
            allowed = {command->after(old, {0, 1}), command->after(old, {1, 0})};
        else
            allowed = {command->after(old, {firstDone ? 0 : 1})};
        EXPECT_TRUE(allowed.contains(content())) << "round " << round << ": " << content().size() << " bytes; "
                                                 << first.readAllStandardError().toStdString()
                                                 << second.readAllStandardError().toStdString();
        expectOnlyTheTarget("round " + std::to_string(round));
    }
}

// Another program appends to the file while the run is stopped between its
// read and its write: an edit starts again from what is there now; a report
// replaces it whole, never mixed with the other program's bytes.
TEST_P(SafeWrites, AnotherWriterBetweenReadAndWriteIsNotLost)
{
    if (!stracePermitted())
        GTEST_SKIP() << "strace cannot trace here, so the run cannot be stopped between its read and its write";
    reset();
    QProcess strace;
    const QString trace = dir.filePath("trace");
    startStrace(strace, traced(command->stopAfterRead(target()), 0, trace));
    const pid_t child = stoppedChild(strace, FileNameToBytes(trace));
    ASSERT_GT(child, 0) << "the run never stopped between its read and its write";
    const QByteArray appended = "  { appended by another program }\r\n";
    const int fd = ::open((folder + "/Unit.pas").constData(), O_WRONLY | O_APPEND);
    ASSERT_EQ(::write(fd, appended.constData(), size_t(appended.size())), appended.size());
    ::close(fd);
    ::kill(child, SIGCONT);
    ASSERT_TRUE(strace.waitForFinished(60000));
    EXPECT_EQ(strace.exitCode(), 0) << strace.readAllStandardError().toStdString();
    EXPECT_TRUE(content() == command->after(old + appended, {0})) << content().size() << " bytes";
    expectOnlyTheTarget("after the run");
}

TEST_P(SafeWrites, FullDiskLeavesTheFileAsItWas)
{
    const QByteArray disk = FileNameToBytes(dir.filePath("disk"));
    ::mkdir(disk.constData(), 0755);
    if (::mount("tmpfs", disk.constData(), "tmpfs", 0, "size=4m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno) << ")";
    struct Unmount
    {
        QByteArray path;
        ~Unmount() { ::umount(path.constData()); }
    } unmount{disk};
    folder = disk + "/target";
    ::mkdir(folder.constData(), 0755);
    reset();
    // A copy of the old bytes fits in what is left, the new ones do not.
    struct statvfs space;
    ASSERT_EQ(::statvfs(disk.constData(), &space), 0);
    const qsizetype keep = hardLinked() ? old.size() / kPage : 1;
    const int filler = ::open((disk + "/filler").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::fallocate(filler, 0, 0, off_t(space.f_bavail - keep) * kPage), 0);
    ::close(filler);
    const struct stat before = StatOf(folder + "/Unit.pas");

    const Outcome outcome = RunProgram(command->program(), command->arguments(1, target()));
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err, command->failure(target(), QStringLiteral("Stream write error. File \"%1\". No space left "
                                                                    "on device")
                                                          .arg(target())));
    EXPECT_TRUE(content() == old) << content().size() << " bytes";
    const struct stat after = StatOf(folder + "/Unit.pas");
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    expectOnlyTheTarget("after the run");
}

// Each system call that can change a file or a name, killed at each of its
// calls. Right after the kill the file holds its old or its new bytes, or
// a copy of the old ones waits beside it; the next run puts it back, says
// so, and leaves nothing behind.
TEST_P(SafeWrites, KillAtEachStepLeavesTheOldOrTheNewContent)
{
    if (!stracePermitted())
        GTEST_SKIP() << "strace cannot trace here, so no run can be killed at a chosen step";
    int kills = 0;
    for (const char *call : {"flock", "getdents64", "fallocate", "pwrite64", "write", "copy_file_range", "fsync",
                             "fchown", "fchmod", "linkat", "rename", "ftruncate", "unlink"}) {
        for (int when = 1; when < 40; ++when) {
            const std::string step = std::string(call) + " #" + std::to_string(when);
            reset();
            QProcess strace;
            startStrace(strace, traced({"-e", QStringLiteral("trace=%1").arg(call), "-e",
                                        QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(when)},
                                       0, "/dev/null"));
            ASSERT_TRUE(strace.waitForFinished(60000)) << step;
            if (strace.exitStatus() == QProcess::NormalExit) {
                EXPECT_EQ(strace.exitCode(), 0) << step << strace.readAllStandardError().toStdString();
                EXPECT_TRUE(content() == command->after(old, {0})) << step << ": " << content().size() << " bytes";
                break;
            }
            ++kills;
            QList<QByteArray> copies;
            for (const QByteArray &name : NamesIn(folder))
                if (name.endsWith(".old"))
                    copies << name;
            const QByteArray now = content();
            const bool whole = now == old || now == command->after(old, {0});
            EXPECT_TRUE(whole || (copies.size() == 1 && ReadNative(folder + '/' + copies[0]) == old))
                << step << ": " << now.size() << " bytes, " << copies.size() << " copies";

            const Outcome next = RunProgram(command->program(), command->arguments(2, target()));
            EXPECT_EQ(next.exitCode, 0) << step << next.err.toStdString();
            if (copies.isEmpty()) {
                EXPECT_EQ(next.err, "") << step;
            } else {
                EXPECT_TRUE(next.err.startsWith(QStringLiteral("Restored \"%1\" from ").arg(target()))) << step;
            }
            const QByteArray last = content();
            EXPECT_TRUE(last == command->after(old, {2}) || last == command->after(old, {0, 2}))
                << step << ": " << last.size() << " bytes";
            expectOnlyTheTarget(step);
        }
    }
    EXPECT_GT(kills, hardLinked() ? 15 : 8);
}

INSTANTIATE_TEST_SUITE_P(CommandsAndLinks, SafeWrites,
                         testing::Combine(testing::Bool(), testing::Values(Links::Single, Links::Hard)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param) ? "add_" : "report_")
                                    + (std::get<1>(info.param) == Links::Hard ? "hard_link" : "single_link");
                         });

} // namespace
