// Measures what adding an entry to one large source file costs, as
// lorvane-add does it: the peak memory of the process and its time, for
// files of 1, 10 and 100 MB in the 8-bit code page, UTF-8 and UTF-16,
// against copying the same file with cp (and with cp and sync, as the edit
// puts its file on disk). Each edit runs in a process of its own, this
// program started again with "--add FILE".

#include "core/changeentry.h"
#include "core/codepage.h"
#include "core/entryfile.h"
#include "core/error.h"
#include "core/textfile.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace lorvane;

namespace {

constexpr int kRuns = 5;
constexpr double kMiB = 1024.0 * 1024.0;

const char kHeader[] =
    "{==============================================================================\r\n"
    "  Pricing.pas\r\n"
    "  Складской учёт\r\n"
    "  (свободный текст)\r\n"
    "  Расчёт цен для складских документов.\r\n"
    "\r\n"
    "  Изменения:\r\n"
    "  ----------\r\n"
    "  05.03.2019 [+] Учёт наценки поставщика.\r\n"
    "  14.06.2017 [+] Создание проекта.\r\n"
    "===============================================================================\r\n"
    "Copyright © 2017…2019\r\n"
    "  CVS: $Id: Pricing.pas,v 1.7 2019/03/05 $\r\n"
    "==============================================================================}\r\n";

enum class Encoding { CodePage, Utf8, Utf16 };

QByteArray encoded(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::CodePage:
        return CodePage::System().encode(text);
    case Encoding::Utf8:
        return "\xEF\xBB\xBF" + text.toUtf8();
    case Encoding::Utf16:
        return "\xFF\xFE" + EncodeUtf16(text, false);
    }
    return {};
}

// A source file of about `size` bytes: the header and whole lines of a
// body below it.
void writeSource(const QByteArray &path, qint64 size, Encoding encoding)
{
    const QByteArray head = encoded(QString::fromUtf8(kHeader), encoding);
    const qsizetype mark = encoding == Encoding::CodePage ? 0 : encoding == Encoding::Utf8 ? 3 : 2;
    const QByteArray line =
        encoded(QStringLiteral("  Result := Price * (1 + Margin / 100); // расчёт цены\r\n"), encoding).mid(mark);
    const qsizetype linesPerBlock = (1 << 20) / line.size();
    const QByteArray block = line.repeated(linesPerBlock);
    FILE *out = std::fopen(path.constData(), "wb");
    std::fwrite(head.constData(), 1, size_t(head.size()), out);
    for (qint64 written = head.size(); written + line.size() <= size;) {
        const qint64 lines = std::min<qint64>(linesPerBlock, (size - written) / line.size());
        std::fwrite(block.constData(), 1, size_t(lines * line.size()), out);
        written += lines * line.size();
    }
    std::fclose(out);
}

struct Run
{
    double seconds;
    double peakMiB;
    int status;
};

// Runs a program and gives its time, its peak resident memory and status.
Run runProgram(const std::vector<QByteArray> &arguments)
{
    std::vector<char *> argv;
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {seconds, double(usage.ru_maxrss) / 1024.0, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

void copyFile(const QByteArray &from, const QByteArray &to)
{
    runProgram({"cp", from, to});
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int addEntry(const char *path)
{
    try {
        AddChangeEntryToFile(QString::fromLocal8Bit(path), {QDate(2026, 12, 10), u'+', {"Новая запись"}});
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--add")
        return addEntry(argv[2]);
    if (argc == 2 && QByteArray(argv[1]) == "--nothing")
        return 0;

    QTemporaryDir dir;
    const QByteArray self = QByteArray("/proc/") + QByteArray::number(::getpid()) + "/exe";
    const QByteArray program = QFile::symLinkTarget(QString::fromLocal8Bit(self)).toLocal8Bit();
    std::vector<double> starts;
    double idlePeak = 0;
    for (int run = 0; run < kRuns; ++run) {
        const Run idle = runProgram({program, "--nothing"});
        starts.push_back(idle.seconds);
        idlePeak = std::max(idlePeak, idle.peakMiB);
    }
    std::printf("A process that only starts: %.1f MiB, %.1f ms.\n", idlePeak, median(starts) * 1000);
    std::printf("Target: peak at most 1.2 x size + 32 MiB; time at most 3 x cp.\n\n");
    std::printf("%-10s %6s %10s %10s %10s %9s %7s %12s %7s\n", "encoding", "MB", "peak MiB", "limit MiB", "add ms",
                "cp ms", "add/cp", "cp+sync ms", "ratio");
    const char *names[] = {"cp1251", "utf-8", "utf-16le"};
    for (const Encoding encoding : {Encoding::CodePage, Encoding::Utf8, Encoding::Utf16}) {
        for (const qint64 megabytes : {1, 10, 100}) {
            const qint64 size = megabytes * 1000 * 1000;
            const QByteArray original = dir.filePath("original.pas").toLocal8Bit();
            const QByteArray work = dir.filePath("Pricing.pas").toLocal8Bit();
            const QByteArray copy = dir.filePath("copy.pas").toLocal8Bit();
            writeSource(original, size, encoding);
            std::vector<double> add;
            std::vector<double> cp;
            std::vector<double> cpSync;
            double peak = 0;
            for (int run = 0; run < kRuns; ++run) {
                copyFile(original, work);
                ::sync();
                const Run edit = runProgram({program, "--add", work});
                if (edit.status != 0)
                    return 1;
                add.push_back(edit.seconds);
                peak = std::max(peak, edit.peakMiB);
                ::unlink(copy.constData());
                cp.push_back(runProgram({"cp", work, copy}).seconds);
                ::unlink(copy.constData());
                const auto start = std::chrono::steady_clock::now();
                runProgram({"cp", work, copy});
                runProgram({"sync", copy});
                cpSync.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            }
            const double limit = 1.2 * double(size) / kMiB + 32;
            std::printf("%-10s %6lld %10.1f %10.1f %10.1f %9.1f %7.2f %12.1f %7.2f\n", names[int(encoding)],
                        static_cast<long long>(megabytes), peak, limit, median(add) * 1000, median(cp) * 1000,
                        median(add) / median(cp), median(cpSync) * 1000, median(add) / median(cpSync));
            ::unlink(original.constData());
            ::unlink(work.constData());
            ::unlink(copy.constData());
        }
    }
    return 0;
}
