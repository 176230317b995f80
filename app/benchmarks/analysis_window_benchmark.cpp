// Measures the window's whole Analysis of the 10,000 files of the tree that
// scripts/bench-e2e.sh measures: from pressing Run in the shown dialog until
// the main window has painted the report, against lorvane-report writing the
// same report from the same list of files; with the line limit off, so that
// both give the whole report, and at the dialog's limit of 120 lines. Prints
// the medians and their ratio, and where the window's time goes.
//
//   analysis_window_benchmark [RUNS]   (default 5)
//
// Run it on the platform to be measured, e.g. under Xvfb with
// QT_QPA_PLATFORM=xcb, or offscreen.

#include "app/controls.h"
#include "app/dgAnalisis.h"
#include "app/fmMain.h"
#include "app/resultpane.h"
#include "app/userdialogs.h"
#include "core/changereport.h"
#include "core/lines.h"
#include "core/textfile.h"
#include "discovery/search.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace lorvane;

namespace {

const QDate kFrom(2026, 9, 1);
const QDate kTo(2026, 12, 31);

// Shows the dialog modally as the program does and presses Run in it once
// it is up, with the benchmark's options; the clock starts at the press.
class PressRun : public UserDialogs
{
public:
    explicit PressRun(TAnalisisDG &dialog) : m_dialog(dialog) {}

    QString OpenFile(QWidget *, const QString &) override { return {}; }
    QString SaveFile(QWidget *, const SaveFileRequest &) override { return {}; }
    void ErrorBox(QWidget *, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
        std::exit(1);
    }
    int ExecModal(QDialog &dialog) override
    {
        QTimer::singleShot(0, &dialog, [this] {
            m_dialog.edDate->setDate(kFrom);
            m_dialog.edDateEnd->setDate(kTo);
            m_dialog.rbAll->setChecked(true);
            m_dialog.cbNote->setChecked(false);
            m_dialog.cbHTML->setChecked(false);
            m_dialog.cbLine->setChecked(limit.has_value());
            m_dialog.edLine->setText(QString::number(limit.value_or(0)));
            QApplication::processEvents();
            pressed.start();
            m_dialog.btRun->click();
        });
        return dialog.exec();
    }

    QElapsedTimer pressed;
    std::optional<int> limit;

private:
    TAnalisisDG &m_dialog;
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("LC_ALL", "C");
    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorvane"));
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    const QString tree = work.filePath(QStringLiteral("tree"));
    if (QProcess::execute(QStringLiteral(LORVANE_GENERATE_TREE), {tree}) != 0)
        return 1;
    const QStringList files = FindSourceFiles(tree + u'/');
    const QString list = work.filePath(QStringLiteral("files.txt"));
    WriteText(list, files.join(QStringLiteral("\n")) + u'\n');
    const QString output = work.filePath(QStringLiteral("report.txt"));
    const QStringList command{QStringLiteral("--files-from"), list, QStringLiteral("--from"),
                              kFrom.toString(Qt::ISODate), QStringLiteral("--to"), kTo.toString(Qt::ISODate),
                              QStringLiteral("--output"), output};

    TMainFM window;
    TAnalisisDG dialog;
    window.SetAnalysisDialog(&dialog);
    window.show();
    window.cbSource->setEditText(tree + u'/');
    QApplication::processEvents();
    PressRun press(dialog);
    SetDialogs(&press);
    std::printf("%lld files, %s - %s, all files, platform %s, load %s\n", static_cast<long long>(files.size()),
                qPrintable(kFrom.toString(QStringLiteral("dd.MM.yyyy"))),
                qPrintable(kTo.toString(QStringLiteral("dd.MM.yyyy"))), qPrintable(QGuiApplication::platformName()),
                readAll(QStringLiteral("/proc/loadavg")).left(14).constData());

    bool same = true;
    for (const std::optional<int> limit : {std::optional<int>(), std::optional<int>(120)}) {
        press.limit = limit;
        QStringList arguments = command;
        if (limit)
            arguments << QStringLiteral("--limit") << QString::number(*limit);
        QList<double> windowMs;
        QList<double> commandMs;
        // One run of each to warm up, which also lists the files.
        for (int run = -1; run < runs; ++run) {
            window.acAnalisis->trigger();
            QApplication::processEvents();
            const double shown = press.pressed.nsecsElapsed() / 1e6;
            QElapsedTimer clock;
            clock.start();
            if (QProcess::execute(QStringLiteral(LORVANE_REPORT_EXE), arguments) != 0)
                return 1;
            const double written = clock.nsecsElapsed() / 1e6;
            if (run >= 0) {
                windowMs << shown;
                commandMs << written;
            }
        }
        // The same report: the pane saved as the window saves it.
        const QString saved = work.filePath(QStringLiteral("saved.txt"));
        WriteText(saved, window.meResult->Text());
        same = same && readAll(saved) == readAll(output);
        std::printf("line limit %s: %d shown lines, the same bytes as the command's: %s\n",
                    limit ? qPrintable(QString::number(*limit)) : "off", window.meResult->LineCount(),
                    readAll(saved) == readAll(output) ? "yes" : "NO");
        std::printf("  lorvane-report:              %8.1f ms (median of %d)\n", median(commandMs), runs);
        std::printf("  window, Run to shown report: %8.1f ms\n", median(windowMs));
        std::printf("  ratio:                       %8.2f (target <= 2.00)\n", median(windowMs) / median(commandMs));
    }
    SetDialogs(nullptr);

    // Where the window's time goes on the whole report, each step apart.
    QList<double> buildMs;
    QList<double> joinMs;
    QList<double> paneMs;
    for (int run = 0; run < runs; ++run) {
        SilentProgress silent;
        QStringList report;
        QElapsedTimer clock;
        clock.start();
        BuildChangeReport(files, kFrom, kTo, dialog.Options(), silent, report);
        buildMs << clock.nsecsElapsed() / 1e6;
        clock.restart();
        const QString text = JoinLines(report);
        joinMs << clock.nsecsElapsed() / 1e6;
        window.meResult->Clear();
        clock.restart();
        window.meResult->SetText(text);
        paneMs << clock.nsecsElapsed() / 1e6;
    }
    std::printf("whole report apart: building %.1f ms, joining the lines %.1f ms, filling the pane %.1f ms\n",
                median(buildMs), median(joinMs), median(paneMs));
    return same ? 0 : 1;
}
