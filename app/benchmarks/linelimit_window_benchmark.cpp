// Measures the line limit as the main window runs it: the Analysis command
// on a generated project, from the moment the dialog has closed until the
// command ends, against one plain build of the same files shown in the same
// pane, only files with changes. Three projects: 300 files with limit 1800
// and 2,000 files with limit 120, both 01.01.2016 to 31.12.2018; and the
// worst case of the core's benchmark, 2,000 files whose limit of 20,000 no
// window reaches before a creation entry 843 days back.

#include "core/benchmarks/linelimit_projects.h"
#include "core/codepage.h"
#include "app/controls.h"
#include "app/dgAnalisis.h"
#include "app/fmMain.h"
#include "core/lines.h"
#include "settings/store/propstorage.h"
#include "app/resultpane.h"
#include "app/userdialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <cstdlib>

using namespace lorvane;

namespace {

const QDate kStart(2016, 1, 1);
const QDate kEnd(2018, 12, 31);

// A project to measure: its files, the dialog's window and the limit.
struct Project
{
    std::function<void(const QString &root)> generate;
    QDate start;
    QDate end;
    const char *limit;
};

// Files with a change every few weeks over the three years, some of them
// long enough to wrap in the pane.
void Generate(const QString &root, int files)
{
    const CodePage cp1251(QStringLiteral("CP1251"));
    for (int i = 0; i < files; ++i) {
        QStringList entries;
        QDate date = kEnd.addDays(-((i * 7) % 45));
        QDate oldest = date;
        for (int e = 0; date >= kStart; ++e) {
            QString text = QStringLiteral("[*] Изменение %1 модуля %2.").arg(e).arg(i);
            if (e % 3 == 0)
                text += QStringLiteral(" Подробности: исправлена обработка пустых значений и округление сумм "
                                       "в документах поставки, добавлена проверка прав пользователя.");
            entries << QStringLiteral("  %1 %2").arg(date.toString(QStringLiteral("dd.MM.yyyy")), text);
            oldest = date;
            date = date.addDays(-(20 + (i + e) % 40));
        }
        const QString newest = kEnd.addDays(-((i * 7) % 45)).toString(QStringLiteral("yyyy"));
        QStringList lines{QStringLiteral("{=========="), QStringLiteral("  Unit%1.pas").arg(i),
                          QStringLiteral("  Проект"), QStringLiteral("  (текст)"),
                          QStringLiteral("  Модуль %1.").arg(i), QString(), QStringLiteral("  Изменения:"),
                          QStringLiteral("  ----------")};
        lines << entries << QStringLiteral("==========")
              << QStringLiteral("Copyright © %1…%2").arg(oldest.toString(QStringLiteral("yyyy")), newest)
              << QStringLiteral("  CVS: $Id: x $") << QStringLiteral("==========}");
        const QString folder = QStringLiteral("%1/p%2").arg(root).arg(i / 100);
        QDir().mkpath(folder);
        QFile file(QStringLiteral("%1/Unit%2.pas").arg(folder).arg(i));
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(cp1251.encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    }
}

// Answers the analysis dialog with the benchmark's options and runs it; the
// clock starts when the dialog has closed.
class Answer : public UserDialogs
{
public:
    Answer(TAnalisisDG &dialog, const Project &project) : m_dialog(dialog), m_project(project) {}

    QString OpenFile(QWidget *, const QString &) override { return {}; }
    QString SaveFile(QWidget *, const SaveFileRequest &) override { return {}; }
    void ErrorBox(QWidget *, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
        std::exit(1);
    }
    int ExecModal(QDialog &) override
    {
        m_dialog.edDate->setDate(m_project.start);
        m_dialog.edDateEnd->setDate(m_project.end);
        m_dialog.rbOnlyChange->setChecked(true);
        m_dialog.cbLine->setChecked(true);
        m_dialog.edLine->setText(QString::fromLatin1(m_project.limit));
        m_dialog.btRunClick();
        closed.start();
        return TAnalisisDG::mrRun;
    }

    QElapsedTimer closed;

private:
    TAnalisisDG &m_dialog;
    const Project &m_project;
};

void Measure(const Project &project)
{
    QTemporaryDir root;
    project.generate(root.path());
    double step = 1e9;
    double build = 1e9;
    int entering = 0;
    int final = 0;
    int paneWidth = 0;
    qsizetype dialogFiles = 0;
    QDate reached;
    for (int run = 0; run < 3; ++run) {
        // A new window each time: nothing is left over from an earlier run.
        TMainFM window;
        TAnalisisDG dialog;
        window.SetAnalysisDialog(&dialog);
        window.show();
        QApplication::processEvents();
        window.cbSource->setEditText(root.path() + u'/');
        Answer answer(dialog, project);
        SetDialogs(&answer);
        // The step ends where the command goes on to store the settings.
        qint64 stepTime = 0;
        QObject::connect(dialog.psAnalisis, &TPropStorageEh::BeforeSaveProps,
                         [&] { stepTime = answer.closed.nsecsElapsed(); });
        window.acAnalisis->trigger();
        SetDialogs(nullptr);
        step = std::min(step, stepTime / 1e6);
        reached = dialog.edDate->date();
        final = window.meResult->LineCount();
        dialogFiles = dialog.Files().size();
        paneWidth = window.meResult->viewport()->width();

        // One plain build of the entering window, shown in a pane of the
        // same width.
        TMainFM plain;
        plain.show();
        QApplication::processEvents();
        dialog.edDate->setDate(project.start);
        QElapsedTimer clock;
        clock.start();
        dialog.btRunClick();
        plain.meResult->SetText(JoinLines(dialog.ResultText));
        build = std::min(build, clock.nsecsElapsed() / 1e6);
        entering = plain.meResult->LineCount();
    }

    std::printf("%lld files, %s - %s, only changes, limit %s, pane %d px wide\n",
                static_cast<long long>(dialogFiles), qPrintable(project.start.toString(QStringLiteral("dd.MM.yyyy"))),
                qPrintable(project.end.toString(QStringLiteral("dd.MM.yyyy"))), project.limit, paneWidth);
    std::printf("  entering report: %d shown lines; final: %d shown lines from %s\n", entering, final,
                qPrintable(reached.toString(QStringLiteral("dd.MM.yyyy"))));
    std::printf("  one plain build:   %8.1f ms\n", build);
    std::printf("  window's step:     %8.1f ms\n", step);
    std::printf("  ratio:             %8.2f (target <= 3.00)\n", step / build);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorvane"));
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    Measure({[](const QString &root) { Generate(root, 300); }, kStart, kEnd, "1800"});
    Measure({[](const QString &root) { Generate(root, 2000); }, kStart, kEnd, "120"});
    const QDate end(2026, 11, 30);
    Measure({[end](const QString &root) { bench::GenerateCreationFirst(root, end); }, end.addYears(-10), end, "20000"});
    return 0;
}
