// Measures lorvane-report's formats and --errors-only on 10,000 source files
// against the plain text run of the same files, and the builder's content
// against a build without it.

#include "core/changereport.h"
#include "core/tests/generated_project.h"
#include "core/tests/pricing_header.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace lorvane;
using namespace lorvane::test;

namespace {

constexpr int kFiles = 10000;

double bestMilliseconds(const std::function<void()> &work, int runs = 5)
{
    double best = 1e12;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// The run's exit status and the size of what it printed.
std::pair<int, qint64> runReport(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(LORVANE_REPORT_EXE), arguments);
    if (!process.waitForFinished(600000))
        std::abort();
    return {process.exitCode(), process.readAllStandardOutput().size()};
}

// Each format against the text run, and --errors-only against the run of
// the same format without it.
void compareRuns(const char *title, const QString &list)
{
    const QStringList window{"--from", "2010-01-01", "--to", "2026-11-30", "--description", "--files-from", list};
    std::printf("%s:\n", title);
    double textMs = 0;
    for (const char *format : {"text", "markdown", "json"}) {
        const QStringList arguments = window + QStringList{"--format", format};
        std::pair<int, qint64> plain;
        std::pair<int, qint64> errors;
        const double plainMs = bestMilliseconds([&] { plain = runReport(arguments); });
        const double errorsMs = bestMilliseconds([&] { errors = runReport(arguments + QStringList{"--errors-only"}); });
        if (textMs == 0)
            textMs = plainMs;
        std::printf("  %-8s %8.1f ms (%.2f x text, exit %d, %8lld bytes)   --errors-only %8.1f ms "
                    "(%.2f x without, exit %d, %8lld bytes)\n",
                    format, plainMs, plainMs / textMs, plain.first, static_cast<long long>(plain.second), errorsMs,
                    errorsMs / plainMs, errors.first, static_cast<long long>(errors.second));
    }
}

QString writeList(const QString &path, const QStringList &files)
{
    writeBytes(path, files.join('\n').toUtf8() + "\n");
    return path;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    std::printf("generating 2 x %d files...\n", kFiles);
    QDir().mkpath(dir.filePath("clean"));
    QDir().mkpath(dir.filePath("mixed"));
    QStringList clean;
    const QByteArray pricing = encode(QString::fromUtf8(kPricingHeader), Encoding::Cp1251);
    for (int i = 0; i < kFiles; ++i) {
        clean << dir.filePath(QStringLiteral("clean/Pricing%1.pas").arg(i));
        writeBytes(clean.last(), pricing);
    }
    QRandomGenerator random(13);
    const QStringList mixed = GenerateProject(random, kFiles, QDate(2026, 11, 30), dir.filePath("mixed/Unit"));

    SilentProgress progress;
    QStringList report;
    ReportContent content;
    const QDate start(2010, 1, 1);
    const QDate end(2026, 11, 30);
    const double without = bestMilliseconds([&] { BuildChangeReport(mixed, start, end, {false, true, false}, progress, report); });
    const double with = bestMilliseconds(
        [&] { BuildChangeReport(mixed, start, end, {false, true, false}, progress, report, &content); });
    std::printf("BuildChangeReport, %d files: %8.1f ms; with its content: %8.1f ms  ratio %.2f\n", kFiles, without,
                with, with / without);

    compareRuns("clean project", writeList(dir.filePath("clean.txt"), clean));
    compareRuns("project with header problems", writeList(dir.filePath("mixed.txt"), mixed));
    return 0;
}
