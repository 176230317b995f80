#include "core/codepage.h"
#include "core/dateformat.h"
#include "app/controls.h"
#include "app/dgAnalisis.h"
#include "app/fmMain.h"
#include "core/lines.h"
#include "settings/store/propstorage.h"
#include "app/resultpane.h"
#include "app/tests/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "testsupport/testing.h"

namespace lorvane {
namespace {

class MainWindowTest : public test::WithApp, public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<TMainFM>();
        dialog = std::make_unique<TAnalisisDG>();
        window->SetAnalysisDialog(dialog.get());
        window->show();
        project = root.filePath(QStringLiteral("proj")) + u'/';
    }

    template <typename T> T *Find(const char *name) { return window->findChild<T *>(QLatin1StringView(name)); }
    template <typename T> T *InDialog(const char *name) { return dialog->findChild<T *>(QLatin1StringView(name)); }
    TComboBox *Source() { return Find<TComboBox>("cbSource"); }
    TMemo *Pane() { return Find<TMemo>("meResult"); }
    QStringList Listed() { return Find<TListBox>("lbFile")->Items(); }

    void WriteSource(const QString &relativePath, const QString &date = QStringLiteral("03.05.2019"))
    {
        test::WriteFile(project + relativePath,
                        test::SourceHeader(relativePath.section(u'/', -1), date, QStringLiteral("[+] Изменение.")));
    }

    void PickFolder(const QString &folder)
    {
        dialogs.openAnswer = folder + QStringLiteral("picked.txt");
        Find<QAction>("acFiles")->trigger();
    }

    // Runs the Analysis command, answering the dialog by Enter.
    void Analyse()
    {
        InDialog<TDateTimePicker>("edDate")->setDate(QDate(2019, 5, 1));
        InDialog<TDateTimePicker>("edDateEnd")->setDate(QDate(2019, 5, 31));
        dialogs.modalAction = test::PressEnter;
        Find<QAction>("acAnalisis")->trigger();
    }

    // Lets the event loop wait for events once: the application is idle.
    static void Idle()
    {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }

    test::FakeDialogs dialogs;
    QTemporaryDir root;
    QString project;
    std::unique_ptr<TMainFM> window;
    std::unique_ptr<TAnalisisDG> dialog;
};

TEST_F(MainWindowTest, StartsWithTheVersionLineAndTheDefaultFolderText)
{
    EXPECT_TRUE(Pane()->Text().startsWith(QStringLiteral("Версия ")));
    EXPECT_FALSE(Pane()->Text().contains(u'\n'));
    EXPECT_EQ(Source()->currentText(), QStringLiteral("Папка для сканирования"));
}

TEST_F(MainWindowTest, PickingAFileSetsTheFolderTextAndListsTheFilesInSearchOrder)
{
    for (const char *name : {"e.dpk", "d.dpr", "c.sql", "sub/a.pas", "b.pas", "notes.txt"})
        WriteSource(QLatin1StringView(name));
    Source()->setEditText(root.path());

    PickFolder(project);

    EXPECT_EQ(dialogs.openFolder, root.path());
    EXPECT_EQ(Source()->currentText(), project);
    EXPECT_EQ(Listed(), QStringList({project + "b.pas", project + "sub/a.pas", project + "c.sql",
                                     project + "d.dpr", project + "e.dpk"}));
    EXPECT_TRUE(Pane()->Text().isEmpty());
}

TEST_F(MainWindowTest, CancellingTheFileDialogChangesNothing)
{
    const QString before = Pane()->Text();
    dialogs.openAnswer.clear();
    Find<QAction>("acFiles")->trigger();
    EXPECT_EQ(Pane()->Text(), before);
    EXPECT_EQ(Source()->currentText(), QStringLiteral("Папка для сканирования"));
}

TEST_F(MainWindowTest, AnalysisOfAFolderWithoutSourcesDoesNothing)
{
    test::WriteFile(project + "readme.txt", "text");
    Source()->setEditText(project);
    const QString before = Pane()->Text();

    Find<QAction>("acAnalisis")->trigger();

    EXPECT_EQ(dialogs.modalRuns, 0);
    EXPECT_EQ(Pane()->Text(), before);
}

TEST_F(MainWindowTest, AnalysisFillsThePaneWithTheReport)
{
    WriteSource("unit.pas");
    Source()->setEditText(project);

    Analyse();

    EXPECT_EQ(Listed(), QStringList({project + "unit.pas"}));
    EXPECT_EQ(Pane()->Text(), JoinLines(dialog->ResultText));
    EXPECT_EQ(Pane()->Text(), QStringLiteral("01.05.2019 - 31.05.2019\r\n\r\nunit.pas\r\n[+] Изменение.\r\n"));
    EXPECT_EQ(dialog->psAnalisis->Section(), QStringLiteral("Analisis\\proj"));
}

TEST_F(MainWindowTest, TheLineLimitCutsTheReportToTheMostRecentDays)
{
    WriteSource("a.pas");
    WriteSource("b.pas", QStringLiteral("20.05.2019"));
    Source()->setEditText(project);
    InDialog<TEdit>("edLine")->setText(QStringLiteral("3"));

    Analyse();

    EXPECT_EQ(InDialog<TDateTimePicker>("edDate")->date(), QDate(2019, 5, 29));
    EXPECT_EQ(dialog->ResultText.value(0), QStringLiteral("29.05.2019 - 31.05.2019"));
    EXPECT_EQ(Pane()->Text(), JoinLines(dialog->ResultText));
}

TEST_F(MainWindowTest, ALineLimitThatCannotRebuildStillSavesTheDialogsOptions)
{
    WriteSource("a.pas");
    WriteSource("b.pas", QStringLiteral("20.05.2019"));
    Source()->setEditText(project);
    PickFolder(project);
    InDialog<TEdit>("edLine")->setText(QStringLiteral("3"));
    InDialog<TDateTimePicker>("edDate")->setDate(QDate(2019, 5, 1));
    InDialog<TDateTimePicker>("edDateEnd")->setDate(QDate(2019, 5, 31));
    // The run reads both files; the line limit's rebuild finds one gone.
    dialogs.modalAction = [this](QDialog &shown) {
        test::PressEnter(shown);
        QFile::remove(project + "b.pas");
    };
    Find<QAction>("acAnalisis")->trigger();

    ASSERT_EQ(dialogs.errorTexts.size(), 1);
    EXPECT_TRUE(dialogs.errorTexts[0].startsWith(QStringLiteral("Cannot open file \"") + project + "b.pas\""));
    EXPECT_TRUE(dialog->psAnalisis->Saved());
}

TEST_F(MainWindowTest, ClosingTheDialogByItsCloseBoxLeavesThePaneEmpty)
{
    WriteSource("unit.pas");
    Source()->setEditText(project);
    Analyse();
    ASSERT_FALSE(Pane()->Text().isEmpty());

    dialogs.modalAction = [](QDialog &shown) { shown.close(); };
    Find<QAction>("acAnalisis")->trigger();

    EXPECT_EQ(dialogs.modalRuns, 2);
    EXPECT_TRUE(Pane()->Text().isEmpty());
}

TEST_F(MainWindowTest, AnUnreadableSourceShowsTheErrorAndLeavesTheDialogUsable)
{
    WriteSource("a.pas");
    WriteSource("b.pas");
    Source()->setEditText(project);
    PickFolder(project);
    QFile::remove(project + "b.pas");

    Analyse();

    ASSERT_EQ(dialogs.errorTexts.size(), 1);
    EXPECT_TRUE(dialogs.errorTexts[0].startsWith(QStringLiteral("Cannot open file \"") + project + "b.pas\""));
    EXPECT_EQ(dialogs.errorTitle, QStringLiteral("Lorvane"));
    EXPECT_TRUE(Pane()->Text().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(InDialog<QWidget>("gbOption")->isEnabled());
    EXPECT_TRUE(InDialog<QPushButton>("btRun")->isEnabled());

    WriteSource("b.pas");
    Analyse();
    EXPECT_EQ(dialogs.errorTexts.size(), 1);
    EXPECT_TRUE(Pane()->Text().contains(QStringLiteral("b.pas")));
}

TEST_F(MainWindowTest, SavingTheVersionLineWritesItWithoutALineBreakAndAddsTheFolderOnce)
{
    const QString target = root.filePath(QStringLiteral("out.txt"));
    dialogs.saveAnswer = target;
    Source()->setEditText(project);

    Find<QAction>("acSave")->trigger();
    Source()->setEditText(project.toUpper());
    Find<QAction>("acSave")->trigger();

    ASSERT_TRUE(dialogs.saveRequest.has_value());
    EXPECT_EQ(dialogs.saveRequest->fileName, QStringLiteral(".change.txt"));
    EXPECT_EQ(dialogs.saveRequest->folder, project.toUpper());
    EXPECT_EQ(dialogs.saveRequest->title, QStringLiteral("Запись файла"));
    EXPECT_EQ(dialogs.saveRequest->defaultSuffix, QStringLiteral("txt"));
    EXPECT_EQ(test::ReadFile(target), CodePage::System().encode(Pane()->Text()));
    EXPECT_FALSE(test::ReadFile(target).endsWith('\n'));
    EXPECT_EQ(Find<TComboBox>("cbSource")->Items()->lines(), QStringList({project}));
}

TEST_F(MainWindowTest, SavingOverAListedSourceFileIsRefusedWithTheErrorBox)
{
    WriteSource("unit.pas");
    PickFolder(project);
    QFile::link(project + "unit.pas", root.filePath(QStringLiteral("alias.txt")));
    const QByteArray source = test::ReadFile(project + "unit.pas");

    for (const QString &target : {project + "unit.pas", root.filePath(QStringLiteral("alias.txt"))}) {
        dialogs.saveAnswer = target;
        Find<QAction>("acSave")->trigger();
    }

    ASSERT_EQ(dialogs.errorTexts.size(), 2);
    EXPECT_EQ(dialogs.errorTexts[1], QStringLiteral("Cannot create file \"%1\". It is the source file \"%2\"")
                                         .arg(root.filePath(QStringLiteral("alias.txt")), project + "unit.pas"));
    EXPECT_EQ(test::ReadFile(project + "unit.pas"), source);
    // A refused save adds nothing to the history.
    EXPECT_TRUE(Find<TComboBox>("cbSource")->Items()->lines().isEmpty());
}

class SuggestedName : public MainWindowTest, public ::testing::WithParamInterface<std::pair<bool, const char *>>
{
};

TEST_P(SuggestedName, FollowsTheHtmlOption)
{
    WriteSource("unit.pas");
    Source()->setEditText(project);
    InDialog<TCheckBox>("cbHTML")->setChecked(GetParam().first);
    Analyse();
    const QString target = root.filePath(QStringLiteral("report"));
    dialogs.saveAnswer = target;
    Idle();

    Find<QAction>("acSave")->trigger();

    ASSERT_TRUE(dialogs.saveRequest.has_value());
    EXPECT_EQ(dialogs.saveRequest->fileName, QLatin1StringView(GetParam().second));
    const QByteArray written = test::ReadFile(target);
    EXPECT_EQ(written, CodePage::System().encode(JoinLines(dialog->ResultText)));
    EXPECT_TRUE(written.endsWith("\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Options, SuggestedName,
                         ::testing::Values(std::pair{false, "proj.change.txt"},
                                           std::pair{true, "proj.change.htm"}));

TEST_F(MainWindowTest, CommandsAreEnabledByTheFolderAndThePane)
{
    QAction *analysis = Find<QAction>("acAnalisis");
    QAction *save = Find<QAction>("acSave");
    Idle();
    EXPECT_FALSE(analysis->isEnabled());
    EXPECT_TRUE(save->isEnabled());

    WriteSource("unit.pas");
    Source()->setEditText(project);
    Idle();
    EXPECT_TRUE(analysis->isEnabled());
    EXPECT_TRUE(save->isEnabled());

    // Typing empties the list and the pane; setting the text did not.
    QTest::keyClicks(Source()->lineEdit(), QStringLiteral("missing"));
    Idle();
    EXPECT_TRUE(Pane()->Text().isEmpty());
    EXPECT_FALSE(analysis->isEnabled());
    EXPECT_FALSE(save->isEnabled());
}

TEST_F(MainWindowTest, ChangingTheFolderTextByHandEmptiesTheFileList)
{
    WriteSource("unit.pas");
    PickFolder(project);
    ASSERT_EQ(Listed().size(), 1);
    Source()->setEditText(root.path());
    ASSERT_EQ(Listed().size(), 1);

    QTest::keyClick(Source()->lineEdit(), Qt::Key_Backspace);

    EXPECT_TRUE(Listed().isEmpty());
}

TEST_F(MainWindowTest, TypingAFolderIsNotCompletedFromTheHistory)
{
    WriteSource("unit.pas");
    Source()->addItem(project);
    Source()->setEditText(QString());
    const QString typed = project.left(project.size() - 3);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    Source()->lineEdit()->setFocus();

    QTest::keyClicks(Source()->lineEdit(), typed);

    EXPECT_EQ(Source()->currentText(), typed);
}

TEST_F(MainWindowTest, CommandsHaveKeys)
{
    WriteSource("unit.pas");
    PickFolder(project);
    dialogs.modalAction = test::PressEnter;

    QTest::keyClick(window.get(), Qt::Key_F9);

    EXPECT_TRUE(Pane()->Text().contains(QStringLiteral("unit.pas")));
    EXPECT_EQ(Find<QAction>("acSave")->shortcut(), QKeySequence(QKeySequence::Save));
}

TEST_F(MainWindowTest, TheToolTipsShowTheKeys)
{
    EXPECT_EQ(Find<QAction>("acFiles")->toolTip(), QStringLiteral("Файлы (Ctrl+O)"));
    EXPECT_EQ(Find<QAction>("acAnalisis")->toolTip(), QStringLiteral("Анализ (F9)"));
    EXPECT_EQ(Find<QAction>("acSave")->toolTip(), QStringLiteral("Запись (Ctrl+S)"));
}

TEST_F(MainWindowTest, EnterInTheFolderBoxListsTheFiles)
{
    WriteSource("unit.pas");
    Source()->setEditText(project);

    QTest::keyClick(Source()->lineEdit(), Qt::Key_Return);

    EXPECT_EQ(Listed(), QStringList({project + "unit.pas"}));
    EXPECT_TRUE(Pane()->Text().isEmpty());
    EXPECT_EQ(Source()->Items()->lines(), QStringList());
}

TEST_F(MainWindowTest, AFolderTypedWithoutTheFinalSeparatorIsItsOwnProject)
{
    WriteSource("unit.pas");
    Source()->setEditText(project.chopped(1));

    Analyse();

    EXPECT_EQ(dialog->psAnalisis->Section(), QStringLiteral("Analisis\\proj"));
    EXPECT_TRUE(Pane()->Text().contains(QStringLiteral("unit.pas")));
    dialogs.saveAnswer.clear();
    Idle();
    Find<QAction>("acSave")->trigger();
    ASSERT_TRUE(dialogs.saveRequest.has_value());
    EXPECT_EQ(dialogs.saveRequest->fileName, QStringLiteral("proj.change.txt"));
}

TEST_F(MainWindowTest, TheStatusLineTellsWhyACommandCannotRun)
{
    const auto status = [this] {
        Idle();
        return Find<QLabel>("laStatus")->text();
    };
    Source()->setEditText(QStringLiteral("Папка для сканирования"));
    EXPECT_TRUE(status().startsWith(QStringLiteral("Выберите файл в папке проекта"))) << status().toStdString();
    Source()->setEditText(project);
    EXPECT_EQ(status(), QStringLiteral("Папка «") + project + QStringLiteral("» не найдена."));
    EXPECT_FALSE(Find<QAction>("acAnalisis")->isEnabled());

    test::WriteFile(project + "readme.txt", "text");
    EXPECT_EQ(status(), QString());
    Find<QAction>("acAnalisis")->trigger();
    EXPECT_EQ(status(), QStringLiteral("В папке «") + project + QStringLiteral("» нет исходных файлов (pas, sql, dpr, dpk)."));

    WriteSource("unit.pas");
    QTest::keyClick(Source()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(status(), QString());
}

TEST_F(MainWindowTest, TheStatusLineNamesTheDateFormatWhenNoFirstDateReads)
{
    const auto houseFormat = qScopeGuard([] { SetDateFormatOption(QStringLiteral("dd.MM.yyyy")); });
    const auto status = [this] {
        Idle();
        return Find<QLabel>("laStatus")->text();
    };
    WriteSource("unit.pas");
    Source()->setEditText(project);
    SetDateFormatOption(QStringLiteral("MM/dd/yyyy"));
    Analyse();
    EXPECT_TRUE(Pane()->Text().startsWith(QStringLiteral("unit.pas\r\nОшибка: дата в строке 8]"))) << Pane()->Text().toStdString();
    EXPECT_EQ(status(), QStringLiteral("Ни одна первая дата в заголовках не прочитана в формате «MM/dd/yyyy» из "
                                       "--date-format; формат заголовков задаёт переменная окружения "
                                       "LORVANE_DATE_FORMAT, например dd.MM.yyyy."));

    WriteSource("unit.pas", QStringLiteral("05/03/2019"));
    Analyse();
    EXPECT_TRUE(Pane()->Text().startsWith(QStringLiteral("05/01/2019 - 05/31/2019"))) << Pane()->Text().toStdString();
    EXPECT_EQ(status(), QString());
}

TEST_F(MainWindowTest, LoadingPrunesMissingFoldersFromTheHistory)
{
    const QString present = root.path() + u'/';
    Source()->Items()->setLines({root.filePath("gone1/"), root.filePath("gone2/"), present});
    Source()->setEditText(root.filePath("gone1/"));

    Find<TPropStorageEh>("psFile")->LoadProperties();

    EXPECT_EQ(Source()->Items()->lines(), QStringList({present}));
    EXPECT_EQ(Source()->currentText(), present);
}

TEST_F(MainWindowTest, StoredPropertiesResolveOnBothWindows)
{
    for (auto [root, storage] : {std::pair<QObject *, TPropStorageEh *>{window.get(), window->psFile},
                                 {dialog.get(), dialog->psAnalisis}}) {
        ASSERT_FALSE(storage->StoredProps().strings().isEmpty());
        for (const QString &path : storage->StoredProps().strings())
            EXPECT_TRUE(TPropertyNamesEh::IsValidPath(root, path)) << path.toStdString();
    }
    EXPECT_EQ(window->psFile->StoredProps().count(), 9);
    EXPECT_EQ(dialog->psAnalisis->StoredProps().count(), 8);
}

} // namespace
} // namespace lorvane
