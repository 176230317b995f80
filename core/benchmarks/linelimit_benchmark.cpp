// Measures the line limit as lorvane-report runs it (a line of text is a
// line) against one plain build of the same files, on two projects of 2,000
// files: one whose last changes are three years old (limit 120), and the
// worst case, where no window reaches the limit of 20,000 before the start
// has gone back 843 days to a creation entry.

#include "core/benchmarks/linelimit_projects.h"
#include "core/changereport.h"
#include "core/linelimit.h"
#include "core/lines.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace lorvane;

namespace {

const QDate kEnd(2026, 11, 30);

class CountingProgress : public ReportProgress
{
public:
    void FileStarted(const QString &) override { ++started; }
    void FileDone() override {}
    long started = 0;
};

class TextTarget : public LineLimitTarget
{
public:
    bool LimitOn() const override { return true; }
    QString LimitText() const override { return limit; }
    QDate StartDate() const override { return start; }
    QDate EndDate() const override { return kEnd; }
    void SetStartDate(QDate date) override { start = date; }
    QStringList Files() const override { return files; }
    ReportOptions Options() const override { return {false, false, true}; }
    ReportProgress &Progress() override { return progress; }
    void SetResultText(const QStringList &report) override { result = report; }
    int PaneLineCount() const override { return int(CountLines(pane)); }
    int ShownLines(QStringView) const override { return 1; }
    void SetPaneText(const QString &text) override { pane = text; }

    QString limit;
    QDate start;
    QStringList files;
    CountingProgress progress;
    QStringList result;
    QString pane;
};

double secondsOf(const std::function<void()> &work)
{
    const auto begin = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

void measure(const char *title, const QStringList &files, const char *limit)
{
    TextTarget target;
    target.files = files;
    target.limit = QString::fromLatin1(limit);
    const QDate entering = kEnd.addYears(-10);

    double build = 1e9;
    double step = 1e9;
    long fileVisits = 0;
    for (int run = 0; run < 5; ++run) {
        build = std::min(build, secondsOf([&] {
                             BuildChangeReport(target.files, entering, kEnd, target.Options(), target.progress,
                                               target.result);
                         }));
        target.start = entering;
        target.pane = JoinLines(target.result);
        target.progress.started = 0;
        step = std::min(step, secondsOf([&] { ApplyLineLimit(target); }));
        fileVisits = target.progress.started;
    }

    std::printf("%s: %lld files, end %s, only changes, limit %s\n", title, static_cast<long long>(files.size()),
                qPrintable(kEnd.toString("dd.MM.yyyy")), limit);
    std::printf("  days moved back: %lld, final report lines: %lld\n",
                static_cast<long long>(target.start.daysTo(kEnd)),
                static_cast<long long>(CountLines(target.pane)));
    std::printf("  files read in the step: %ld (%.1f per file)\n", fileVisits, double(fileVisits) / files.size());
    std::printf("  one plain build:    %8.1f ms\n", build * 1000);
    std::printf("  line-limit step:    %8.1f ms\n", step * 1000);
    std::printf("  ratio:              %8.2f (target <= 3.00)\n", step / build);
}

} // namespace

int main()
{
    QTemporaryDir old;
    measure("old changes", bench::GenerateOldChanges(old.path(), kEnd), "120");
    QTemporaryDir worst;
    measure("worst case, the creation entry ends the step", bench::GenerateCreationFirst(worst.path(), kEnd),
            "20000");
    return 0;
}
