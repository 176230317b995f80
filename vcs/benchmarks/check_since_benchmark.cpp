// Times lorvane-check --since against the same check scripted with git and
// lorvane-report, on a generated repository of 10,000 source files whose
// last 200 commits change 500 of them:
//
//     lorvane-check --since base
//     git diff --name-only base... | lorvane-report --errors-only --files-from -
//
// The script checks less (no new entry is asked for, the work tree is not
// looked at) and is the peer: the target is a ratio of 1.5 at most. The two
// take turns after a warm-up each; the medians, their ratio and the peak
// memory of each are printed, and for scale git's own look at the work tree,
// which the check takes and the script leaves out.
//   check_since_benchmark [RUNS [FOLDER]]   (default 7 runs, a temporary folder)
// A FOLDER that already holds the repository is used as it is.

#include "core/codepage.h"

#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <cstring>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

using namespace lorvane;

namespace {

constexpr int kFiles = 10000;
constexpr int kFolders = 100;
constexpr int kChangedFiles = 500;
constexpr int kCommits = 200;

QString unitName(int file)
{
    return QStringLiteral("src/m%1/Unit%2.pas").arg(file % kFolders, 2, 10, QChar(u'0')).arg(file, 5, 10, QChar(u'0'));
}

// A source file: a header whose entries are `entries` (newest first, each
// "dd.MM.yyyy text"), then `bodyLines` lines of code.
QByteArray sourceFile(int file, const QStringList &entries, int bodyLines)
{
    QStringList lines{"{==============================================================================",
                      "  " + unitName(file).section(u'/', -1), "  Склад", "",
                      QStringLiteral("  Модуль %1 складского учёта.").arg(file), "", "  Изменения:", "  ----------"};
    for (const QString &entry : entries)
        lines << "  " + entry;
    const QString newest = entries.first().left(10);
    const QString oldest = entries.last().left(10);
    lines << "==============================================================================="
          << QStringLiteral("Copyright © %1…%2").arg(oldest.right(4), newest.right(4))
          << QStringLiteral("  CVS: $Id: Unit%1.pas,v 1.1 $").arg(file)
          << "==============================================================================}";
    for (int line = 0; line < bodyLines; ++line)
        lines << QStringLiteral("  Total := Total + Price[%1] * Quantity[%1]; // line %2").arg(file).arg(line);
    return CodePage(QStringLiteral("CP1251")).encode(lines.join("\r\n") + "\r\n");
}

void appendData(QByteArray &stream, const QByteArray &data)
{
    stream += "data " + QByteArray::number(data.size()) + '\n' + data + '\n';
}

void appendCommit(QByteArray &stream, int number, const QByteArray &files)
{
    stream += "commit refs/heads/main\nmark :" + QByteArray::number(number) + '\n';
    stream += "committer Bench <bench@example.org> " + QByteArray::number(1700000000 + number * 60) + " +0000\n";
    appendData(stream, "change " + QByteArray::number(number));
    if (number > 1)
        stream += "from :" + QByteArray::number(number - 1) + '\n';
    stream += files;
}

QByteArray fileCommand(int file, const QByteArray &bytes)
{
    QByteArray command = "M 100644 inline " + unitName(file).toUtf8() + '\n';
    appendData(command, bytes);
    return command;
}

void runGit(const QString &folder, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess git;
    git.setWorkingDirectory(folder);
    git.start("git", arguments);
    git.write(input);
    git.closeWriteChannel();
    if (!git.waitForFinished(600000) || git.exitCode() != 0) {
        std::fprintf(stderr, "git %s failed: %s\n", qPrintable(arguments.join(' ')),
                     git.readAllStandardError().constData());
        std::exit(1);
    }
}

// The repository: every file in the first commit, tagged "base" there;
// then 200 commits that change 500 of the files, two or three each, a third
// of the changes without a new entry.
void generate(const QString &folder)
{
    runGit(QDir::rootPath(), {"init", "-q", "-b", "main", folder});
    const QStringList old{"05.03.2019 [+] Учёт наценки поставщика.", "12.11.2018 [+] Скидки по группам товаров.",
                          "14.06.2017 [+] Создание модуля."};
    QByteArray stream;
    QByteArray first;
    for (int file = 0; file < kFiles; ++file)
        first += fileCommand(file, sourceFile(file, old, 40));
    appendCommit(stream, 1, first);
    stream += "reset refs/tags/base\nfrom :1\n\n";
    for (int commit = 0; commit < kCommits; ++commit) {
        QByteArray files;
        for (int changed = commit * kChangedFiles / kCommits; changed < (commit + 1) * kChangedFiles / kCommits;
             ++changed) {
            const int file = changed * (kFiles / kChangedFiles);
            QStringList entries = old;
            if (changed % 3 != 0)
                entries.prepend(QDate(2024, 1, 1).addDays(commit).toString("dd.MM.yyyy") + " [+] Новая скидка.");
            files += fileCommand(file, sourceFile(file, entries, 41));
        }
        appendCommit(stream, commit + 2, files);
    }
    runGit(folder, {"fast-import", "--quiet"}, stream);
    // fast-import's pack chains deltas across unrelated files in the order
    // they came; packed again as a clone or a gc packs it.
    runGit(folder, {"repack", "-a", "-d", "-f", "-q"});
    runGit(folder, {"reset", "-q", "--hard", "main"});
}

struct Timing
{
    double milliseconds;
    long peakKiB;
    int exitCode;
};

// The "--measure COMMAND..." mode, started before anything else: runs the
// command in a process of its own, its output to /dev/null, and prints its
// time, its peak memory (that of the largest of its processes) and its
// status. A process measured straight from the benchmark would count the
// benchmark's own memory, which its start takes over.
int measure(char **command)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execvp(command[0], command);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return 1;
    const double milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%f %ld %d\n", milliseconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}

Timing timed(const QString &self, const QString &folder, const QStringList &command)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(self, QStringList{"--measure"} + command);
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "cannot run %s\n", qPrintable(command.join(' ')));
        std::exit(1);
    }
    const QList<QByteArray> figures = process.readAllStandardOutput().trimmed().split(' ');
    return {figures.value(0).toDouble(), figures.value(1).toLong(), figures.value(2).toInt()};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--measure") == 0)
        return measure(argv + 2);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QTemporaryDir dir;
    const QString repository = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath("repository");
    if (!QDir(repository).exists(".git")) {
        std::printf("generating a repository of %d files, %d commits changing %d of them...\n", kFiles, kCommits,
                    kChangedFiles);
        const auto start = std::chrono::steady_clock::now();
        generate(repository);
        std::printf("  done in %.1f s\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }

    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const QList<QStringList> commands{
        {LORVANE_CHECK_EXE, "--since", "base"},
        {"/bin/sh", "-c",
         "git diff --name-only base... | '" LORVANE_REPORT_EXE "' --errors-only --from 0001-01-01 --to " + today
             + " --files-from -"},
        {"git", "status", "--porcelain", "--untracked-files=all"}};
    const char *names[] = {"lorvane-check --since base", "git diff | lorvane-report --errors-only",
                           "(for scale) git status"};
    constexpr int kCommands = 3;
    std::vector<double> times[kCommands];
    long peak[kCommands] = {};
    int exitCode[kCommands] = {};
    for (int run = -1; run < runs; ++run) {
        for (int which = 0; which < kCommands; ++which) {
            const Timing timing = timed(self, repository, commands[which]);
            if (run < 0)
                continue; // the warm-up
            times[which].push_back(timing.milliseconds);
            peak[which] = std::max(peak[which], timing.peakKiB);
            exitCode[which] = timing.exitCode;
        }
    }
    for (int which = 0; which < kCommands; ++which)
        std::printf("%-42s median %8.1f ms over %d runs, peak memory %7.1f MiB, exit %d\n", names[which],
                    median(times[which]), runs, double(peak[which]) / 1024, exitCode[which]);
    const double ratio = median(times[0]) / median(times[1]);
    std::printf("ratio lorvane-check / script: %.2f (target 1.5 at most)\n", ratio);
    return 0;
}
