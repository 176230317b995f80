// Lists the source files of a generated tree of 100,000 entries through the
// Files command and prints the longest gap between two ticks of a 1 ms timer
// meanwhile: how long the window went without handling its events.

#include "app/components.h"
#include "app/controls.h"
#include "app/dgAnalisis.h"
#include "app/fmMain.h"
#include "app/userdialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 99;

class PickFolder : public lorvane::UserDialogs
{
public:
    explicit PickFolder(QString file) : m_file(std::move(file)) {}
    QString OpenFile(QWidget *, const QString &) override { return m_file; }
    QString SaveFile(QWidget *, const lorvane::SaveFileRequest &) override { return {}; }
    int ExecModal(QDialog &) override { return 0; }
    void ErrorBox(QWidget *, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }

private:
    QString m_file;
};

// Ten folders of a hundred folders of files: every entry counts.
int GenerateTree(const QString &root)
{
    static const char *const extensions[] = {"pas", "sql", "dpr", "dpk", "txt", "bak"};
    int entries = 0;
    for (int folder = 0; folder < kFolders; ++folder) {
        const QString parent = QStringLiteral("%1/group%2").arg(root).arg(folder / 100);
        const QString path = QStringLiteral("%1/folder%2").arg(parent).arg(folder);
        if (folder % 100 == 0)
            ++entries;
        QDir().mkpath(path);
        ++entries;
        for (int file = 0; file < kFilesPerFolder; ++file) {
            QFile(QStringLiteral("%1/unit%2.%3").arg(path).arg(file).arg(QLatin1StringView(extensions[file % 6])))
                .open(QIODevice::WriteOnly);
            ++entries;
        }
    }
    return entries;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTemporaryDir root;
    const int entries = GenerateTree(root.path());

    PickFolder dialogs(root.path() + QStringLiteral("/picked"));
    lorvane::SetDialogs(&dialogs);
    lorvane::TMainFM window;
    lorvane::TAnalisisDG dialog;
    window.SetAnalysisDialog(&dialog);
    window.show();

    QElapsedTimer clock;
    qint64 lastTick = -1;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0)
            longestGap = qMax(longestGap, now - lastTick);
        lastTick = now;
    });

    qint64 searchTime = 0;
    QTimer::singleShot(0, [&] {
        clock.start();
        ticker.start();
        window.acFiles->trigger();
        searchTime = clock.nsecsElapsed();
        // A few more ticks, so that a pause at the very end counts too.
        QTimer::singleShot(20, &application, &QApplication::quit);
    });
    application.exec();

    std::printf("entries in the tree:        %d\n", entries);
    std::printf("source files listed:        %d\n", int(window.lbFile->count()));
    std::printf("search time:                %.1f ms\n", searchTime / 1e6);
    std::printf("longest gap between ticks:  %.2f ms (target under 50 ms)\n", longestGap / 1e6);
    lorvane::SetDialogs(nullptr);
    return 0;
}
