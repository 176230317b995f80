// Measures BuildChangeReport over a generated project of 10,000 source files
// against the floor of reading every file's bytes once with plain reads.

#include "core/changereport.h"
#include "core/codepage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace lorvane;

namespace {

constexpr int kFiles = 10000;
constexpr int kChangeLines = 40;
constexpr int kBodyBytes = 20 * 1024;

QString headerText(int index)
{
    QStringList lines{"{==============================================================================",
                      QStringLiteral("  Unit%1.pas").arg(index), "  Складской учёт", "  (свободный текст)",
                      QStringLiteral("  Модуль номер %1 складского учёта.").arg(index), "  Второй строкой описание.", "",
                      "  Изменения:", "  ----------"};
    QDate date(2026, 11, 30);
    date = date.addDays(-(index % 97));
    for (int i = 0; i < kChangeLines; ++i) {
        lines << QStringLiteral("  %1 [%2] Изменение номер %3 в модуле.")
                     .arg(date.toString("dd.MM.yyyy"), i % 3 ? "*" : "+")
                     .arg(i);
        if (i % 4 == 1)
            lines << "             [-] Продолжение записи выше.";
        date = date.addDays(-37);
    }
    lines << "===============================================================================";
    lines << QStringLiteral("Copyright © %1…2026").arg(date.addDays(37).year());
    lines << QStringLiteral("  CVS: $Id: Unit%1.pas,v 1.1 $").arg(index);
    lines << "==============================================================================}";
    return lines.join("\r\n") + "\r\n";
}

QByteArray body()
{
    QByteArray text;
    int n = 0;
    while (text.size() < kBodyBytes)
        text += "procedure Step" + QByteArray::number(n++) + "(Value: Integer);\r\nbegin\r\n  Inc(Total, Value);\r\nend;\r\n\r\n";
    return text;
}

QStringList generate(const QString &root)
{
    const CodePage cp1251(QStringLiteral("CP1251"));
    const QByteArray tail = body();
    QStringList files;
    for (int i = 0; i < kFiles; ++i) {
        const QString folder = QStringLiteral("%1/m%2/s%3").arg(root).arg(i / 1000).arg(i / 50);
        QDir().mkpath(folder);
        const QString path = QStringLiteral("%1/Unit%2.pas").arg(folder).arg(i);
        const QString header = headerText(i);
        const QByteArray bytes = i % 2 ? "\xEF\xBB\xBF" + header.toUtf8() + tail : cp1251.encode(header) + tail;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::abort();
        files << path;
    }
    return files;
}

qint64 readAllPlain(const QStringList &files)
{
    qint64 total = 0;
    std::vector<char> buffer(1 << 16);
    for (const QString &path : files) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        ssize_t got;
        while ((got = ::read(fd, buffer.data(), buffer.size())) > 0)
            total += got;
        ::close(fd);
    }
    return total;
}

template<typename F>
double bestSeconds(F &&work, int runs = 5)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// User and system time of the whole process so far.
double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long peakRssKb()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    std::printf("generating %d files...\n", kFiles);
    const QStringList files = generate(dir.path());
    const long rssAfterGenerate = peakRssKb();

    qint64 bytes = 0;
    const double floorCpuStart = cpuSeconds();
    const double floor = bestSeconds([&] { bytes = readAllPlain(files); });
    const double floorCpu = (cpuSeconds() - floorCpuStart) / 5;
    QStringList report;
    SilentProgress progress;
    const double buildCpuStart = cpuSeconds();
    const double build = bestSeconds([&] {
        BuildChangeReport(files, QDate(2025, 12, 1), QDate(2026, 11, 30), {}, progress, report);
    });
    const double buildCpu = (cpuSeconds() - buildCpuStart) / 5;

    std::printf("files: %d, bytes: %lld, report lines: %lld\n", kFiles, static_cast<long long>(bytes),
                static_cast<long long>(report.size()));
    std::printf("floor (plain reads, one thread): %8.1f ms, cpu %6.1f ms a run\n", floor * 1000, floorCpu * 1000);
    std::printf("BuildChangeReport (%u cores):      %8.1f ms, cpu %6.1f ms a run\n", std::thread::hardware_concurrency(),
                build * 1000, buildCpu * 1000);
    std::printf("ratio:                %8.2f (target <= 1.00)\n", build / floor);
    std::printf("load average at the end: %s", [] {
        QFile load(QStringLiteral("/proc/loadavg"));
        return load.open(QIODevice::ReadOnly) ? load.readAll().toStdString() : std::string("unknown\n");
    }().c_str());
    std::printf("peak RSS growth during the runs: %ld KB\n", peakRssKb() - rssAfterGenerate);
    return 0;
}
