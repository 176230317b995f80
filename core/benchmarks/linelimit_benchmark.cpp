// Measures the line limit on a project whose last changes are old: 2,000
// files whose newest entries lie three years before the end date, limit 120,
// against one plain build of the same files.

#include "core/changereport.h"
#include "core/codepage.h"
#include "core/linelimit.h"
#include "core/lines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace lorvane;

namespace {

constexpr int kFiles = 2000;
const QDate kEnd(2026, 11, 30);

QStringList generate(const QString &root)
{
    const CodePage cp1251(QStringLiteral("CP1251"));
    const QByteArray body(20 * 1024, 'x');
    QStringList files;
    for (int i = 0; i < kFiles; ++i) {
        QStringList lines{"{==========", QStringLiteral("  Unit%1.pas").arg(i), "", "",
                          QStringLiteral("  Модуль %1.").arg(i), "", "  Изменения:", "  ----------"};
        QDate date = kEnd.addYears(-3).addDays(-(i * 7) % 900);
        for (int e = 0; e < 40; ++e) {
            lines << QStringLiteral("  %1 [*] Изменение %2.").arg(date.toString("dd.MM.yyyy")).arg(e);
            date = date.addDays(-30);
        }
        lines << "==========" << QStringLiteral("Copyright © %1").arg(date.addDays(30).year())
              << "  CVS: $Id: x $" << "==========}";
        const QString folder = QStringLiteral("%1/p%2").arg(root).arg(i / 100);
        QDir().mkpath(folder);
        files << QStringLiteral("%1/Unit%2.pas").arg(folder).arg(i);
        QFile file(files.last());
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(cp1251.encode(lines.join("\r\n") + "\r\n") + body);
    }
    return files;
}

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
    QString LimitText() const override { return QStringLiteral("120"); }
    QDate StartDate() const override { return start; }
    QDate EndDate() const override { return kEnd; }
    void SetStartDate(QDate date) override { start = date; }
    QStringList Files() const override { return files; }
    ReportOptions Options() const override { return {false, false, true}; }
    ReportProgress &Progress() override { return progress; }
    void SetResultText(const QStringList &report) override { result = report; }
    int PaneLineCount() const override { return int(SplitText(pane).size()); }
    int ShownLines(QStringView) const override { return 1; }
    void SetPaneText(const QString &text) override { pane = text; }

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

} // namespace

int main()
{
    QTemporaryDir dir;
    TextTarget target;
    target.files = generate(dir.path());
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

    std::printf("files: %d, newest entries three years before %s, limit 120\n", kFiles,
                qPrintable(kEnd.toString("dd.MM.yyyy")));
    std::printf("days moved back: %lld, final report lines: %lld\n",
                static_cast<long long>(target.start.daysTo(kEnd)), static_cast<long long>(SplitText(target.pane).size()));
    std::printf("builds in the step: %ld\n", fileVisits / kFiles);
    std::printf("one plain build:    %8.1f ms\n", build * 1000);
    std::printf("line-limit step:    %8.1f ms\n", step * 1000);
    std::printf("ratio:              %8.2f (target <= 3.00)\n", step / build);
    return 0;
}
