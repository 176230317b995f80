#include "app/controls.h"
#include "app/dgAnalisis.h"
#include "app/fmMain.h"
#include "app/tests/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>

#include "testsupport/testing.h"

#include <memory>

namespace lorvane {
namespace {

// The options a project's analysis sets in the dialog.
struct Options
{
    bool html;
    bool note;
    QString lines;
};

// Whole runs of the program: the windows are created, shown, used, closed
// and destroyed, then created again over the same settings store.
class Runs : public test::WithApp, public ::testing::Test
{
protected:
    void Start()
    {
        window = std::make_unique<TMainFM>();
        dialog = std::make_unique<TAnalisisDG>(window.get());
        window->SetAnalysisDialog(dialog.get());
        window->show();
    }

    void Stop()
    {
        window->close();
        dialog.reset();
        window.reset();
    }

    QString Project(const QString &name)
    {
        const QString folder = root.filePath(name) + u'/';
        test::WriteFile(folder + "unit.pas", test::SourceHeader(QStringLiteral("unit.pas"), QStringLiteral("03.05.2019"),
                                                                QStringLiteral("[+] Изменение.")));
        return folder;
    }

    // Analyses the folder; `shown` sees the dialog as its showing left it,
    // then the options are set and the dialog is run.
    void Analyse(const QString &folder, const Options &options, Options *shown = nullptr)
    {
        window->cbSource->setEditText(folder);
        window->lbFile->clear();
        dialogs.modalAction = [&](QDialog &) {
            if (shown)
                *shown = {dialog->cbHTML->isChecked(), dialog->cbNote->isChecked(), dialog->edLine->text()};
            dialog->cbHTML->setChecked(options.html);
            dialog->cbNote->setChecked(options.note);
            dialog->edLine->setText(options.lines);
            test::PressEnter(*dialog);
        };
        window->acAnalisis->trigger();
    }

    static QMap<QString, QVariant> Section(const QString &group)
    {
        QSettings store(test::SettingsFile(), QSettings::NativeFormat);
        store.beginGroup(group);
        QMap<QString, QVariant> values;
        for (const QString &name : store.childKeys())
            values.insert(name, store.value(name));
        return values;
    }

    test::FakeDialogs dialogs;
    QTemporaryDir root;
    std::unique_ptr<TMainFM> window;
    std::unique_ptr<TAnalisisDG> dialog;
};

bool operator==(const Options &a, const Options &b)
{
    return a.html == b.html && a.note == b.note && a.lines == b.lines;
}

TEST_F(Runs, PlacementHistoryAndEachProjectsOptionsComeBack)
{
    const QString one = Project(QStringLiteral("one"));
    const QString two = Project(QStringLiteral("two"));
    Start();
    const QRect normal(120, 90, 700, 520);
    window->setBounds(normal);
    const QRect stored = window->normalRect();
    window->setStoredWindowState(form::wsMaximized);
    window->cbSource->Items()->setLines({one, two});
    Analyse(one, {true, false, QStringLiteral("77")});
    Analyse(two, {false, true, QStringLiteral("300")});
    Stop();

    Start();
    EXPECT_EQ(window->StoredWindowState(), form::wsMaximized);
    EXPECT_EQ(window->normalRect(), stored);
    EXPECT_EQ(window->cbSource->Items()->lines(), QStringList({one, two}));
    Options shown;
    Analyse(one, {true, false, QStringLiteral("77")}, &shown);
    EXPECT_EQ(shown, (Options{true, false, QStringLiteral("77")}));
    Analyse(two, {false, true, QStringLiteral("300")}, &shown);
    EXPECT_EQ(shown, (Options{false, true, QStringLiteral("300")}));
    // The window system restores the window in its own time.
    window->setStoredWindowState(form::wsNormal);
    QApplication::processEvents();
    EXPECT_EQ(window->normalRect(), stored);
    Stop();
    EXPECT_TRUE(dialogs.errorTexts.isEmpty()) << dialogs.errorTexts.join(u'\n').toStdString();
}

TEST_F(Runs, AWindowLargerThanItsScreenIsStoredFittedToIt)
{
    Start();
    const QRect screen = window->screen()->availableGeometry();
    window->setGeometry(QRect(screen.topLeft() + QPoint(40, 30), screen.size() * 2));
    QApplication::processEvents();
    const QRect stored = window->normalRect();
    Stop();

    Start();
    EXPECT_TRUE(screen.contains(stored))
        << stored.x() << " " << stored.y() << " " << stored.width() << " " << stored.height();
    EXPECT_EQ(window->normalRect(), stored);
    Stop();
}

TEST_F(Runs, AnEmptyHistoryAndAProjectNameThatNeedsEscapingComeBack)
{
    const QString odd = Project(QStringLiteral("a b=c;%[x]é#\\d"));
    Start();
    window->cbSource->Items()->setLines({});
    Analyse(odd, {true, true, QStringLiteral("5")});
    Stop();

    Start();
    EXPECT_TRUE(window->cbSource->Items()->lines().isEmpty());
    Options shown;
    Analyse(odd, {true, true, QStringLiteral("5")}, &shown);
    EXPECT_EQ(shown, (Options{true, true, QStringLiteral("5")}));
    Stop();
}

TEST_F(Runs, OptionsChosenForAFailedAnalysisComeBack)
{
    const QString folder = Project(QStringLiteral("failing"));
    Start();
    Analyse(folder, {false, true, QStringLiteral("7")});
    test::WriteFile(folder + "zz.pas", test::ReadFile(folder + "unit.pas"));
    window->lbFile->setItems({folder + "unit.pas", folder + "zz.pas"});
    QFile::remove(folder + "zz.pas");
    dialogs.modalAction = [&](QDialog &) {
        dialog->cbHTML->setChecked(true);
        dialog->cbNote->setChecked(true);
        dialog->edLine->setText(QStringLiteral("42"));
        test::PressEnter(*dialog);
    };
    window->acAnalisis->trigger();
    ASSERT_EQ(dialogs.errorTexts.size(), 1);

    // The next analysis of the project loads its section again.
    Options shown;
    Analyse(folder, {false, false, QStringLiteral("120")}, &shown);
    EXPECT_EQ(shown, (Options{true, true, QStringLiteral("42")}));
    Stop();
}

enum class Damage { RandomBytes, Truncated, LineOfAnotherType, HexGarbage, TextGarbage };

class BadStores : public Runs, public ::testing::WithParamInterface<Damage>
{
};

TEST_P(BadStores, StartQuietlyAndKeepTheSectionsTheyDoNotTouch)
{
    const QString kept = Project(QStringLiteral("kept"));
    Start();
    Analyse(kept, {true, true, QStringLiteral("9")});
    Stop();
    const QMap<QString, QVariant> keptSection = Section(QStringLiteral("Analisis/kept"));
    ASSERT_FALSE(keptSection.isEmpty());

    QByteArray file = test::ReadFile(test::SettingsFile());
    switch (GetParam()) {
    case Damage::RandomBytes:
        file.clear();
        for (int i = 0; i < 4000; ++i)
            file.append(char((i * 7919 + 13) % 251));
        break;
    case Damage::Truncated:
        file.chop(25);
        break;
    case Damage::LineOfAnotherType:
        file.replace("File]\nLine0000000000=", "File]\nLine0000000000=@ByteArray(\\x1\\x2)\nIgnored=");
        break;
    case Damage::HexGarbage:
        file.replace("File]\nLine0000000000=", "File]\nLine0000000000=5450463007FFFF");
        break;
    case Damage::TextGarbage:
        file.replace("File]\nLine0000000000=", "File]\nLine0000000000=object ((((\nIgnored=");
        break;
    }
    test::WriteFile(test::SettingsFile(), file);

    Start();
    Options shown;
    Analyse(kept, {true, true, QStringLiteral("9")}, &shown);
    Stop();
    EXPECT_TRUE(dialogs.errorTexts.isEmpty()) << dialogs.errorTexts.join(u'\n').toStdString();
    if (GetParam() != Damage::RandomBytes) {
        EXPECT_EQ(shown, (Options{true, true, QStringLiteral("9")}));
        EXPECT_EQ(Section(QStringLiteral("Analisis/kept")), keptSection);
    }
}

INSTANTIATE_TEST_SUITE_P(Damages, BadStores,
                         ::testing::Values(Damage::RandomBytes, Damage::Truncated, Damage::LineOfAnotherType,
                                           Damage::HexGarbage, Damage::TextGarbage));

} // namespace
} // namespace lorvane
