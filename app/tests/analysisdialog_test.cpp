#include "app/controls.h"
#include "app/dgAnalisis.h"
#include "app/tests/testsupport.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport/testing.h"

namespace lorvane {
namespace {

class AnalysisDialogTest : public test::WithApp, public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"a.pas", "b.pas"}) {
            const QString path = folder.filePath(QLatin1StringView(name));
            test::WriteFile(path, test::SourceHeader(QLatin1StringView(name), QStringLiteral("03.05.2019"),
                                                     QStringLiteral("[+] Изменение.")));
            files.append(path);
        }
    }

    template <typename T> T *Find(const char *name) { return dialog.findChild<T *>(QLatin1StringView(name)); }
    void SetDates(QDate start, QDate end)
    {
        Find<TDateTimePicker>("edDate")->setDate(start);
        Find<TDateTimePicker>("edDateEnd")->setDate(end);
    }

    test::FakeDialogs dialogs;
    QTemporaryDir folder;
    QStringList files;
    TAnalisisDG dialog;
};

TEST_F(AnalysisDialogTest, EnterRunsTheBuilderAndClosesWithTheRunResult)
{
    SetDates(QDate(2019, 5, 1), QDate(2019, 5, 31));
    QWidget *focusAtShowing = nullptr;
    dialogs.modalAction = [&](QDialog &shown) {
        focusAtShowing = shown.focusWidget();
        test::PressEnter(shown);
    };

    EXPECT_EQ(dialog.Run(files), TAnalisisDG::mrRun);

    EXPECT_EQ(focusAtShowing, Find<QWidget>("edDate"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.ResultText,
              QStringList({"01.05.2019 - 31.05.2019", "\r\na.pas", "[+] Изменение.", "\r\nb.pas",
                           "[+] Изменение."}));
    EXPECT_EQ(Find<QProgressBar>("pbDo")->value(), 2);
    EXPECT_EQ(Find<QLabel>("laFile")->text(), QStringLiteral("b.pas"));
}

TEST_F(AnalysisDialogTest, EachDatePickerIsOneTabStopAndTheArrowsMoveBetweenItsSections)
{
    auto *start = Find<TDateTimePicker>("edDate");
    auto *end = Find<TDateTimePicker>("edDateEnd");
    const QDate date = start->date();
    QList<int> sections;
    QList<QWidget *> focus;
    QDate afterUp;
    dialogs.modalAction = [&](QDialog &shown) {
        const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTest::keyClick(shown.focusWidget(), key, modifiers);
        };
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left}) {
            press(key);
            sections << start->currentSectionIndex();
        }
        press(Qt::Key_Up);
        afterUp = start->date();
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Backtab}) {
            press(key);
            focus << shown.focusWidget();
        }
        shown.close();
    };

    dialog.Run(files);

    const int last = start->sectionCount() - 1;
    EXPECT_EQ(sections, QList<int>({1, last, last, last - 1}));
    EXPECT_NE(afterUp, date);
    EXPECT_EQ(focus, QList<QWidget *>({end, Find<QWidget>("cbHTML"), end, start}));
}

TEST_F(AnalysisDialogTest, StartLaterThanEndBecomesTheEndDate)
{
    SetDates(QDate(2019, 5, 10), QDate(2019, 5, 3));
    dialogs.modalAction = test::PressEnter;

    ASSERT_EQ(dialog.Run(files), TAnalisisDG::mrRun);

    EXPECT_EQ(Find<TDateTimePicker>("edDate")->date(), QDate(2019, 5, 3));
    EXPECT_EQ(Find<TDateTimePicker>("edDateEnd")->date(), QDate(2019, 5, 3));
    EXPECT_EQ(dialog.ResultText.value(0), QStringLiteral("03.05.2019 - 03.05.2019"));
}

TEST_F(AnalysisDialogTest, CloseBoxGivesTwoAndAnEmptyResultWhileEscDoesNothing)
{
    dialogs.modalAction = test::PressEnter;
    ASSERT_EQ(dialog.Run(files), TAnalisisDG::mrRun);
    ASSERT_FALSE(dialog.ResultText.isEmpty());

    bool openAfterEsc = false;
    dialogs.modalAction = [&](QDialog &shown) {
        QTest::keyClick(&shown, Qt::Key_Escape);
        openAfterEsc = shown.isVisible();
        shown.close();
    };
    EXPECT_EQ(dialog.Run(files), TAnalisisDG::mrClosed);
    EXPECT_TRUE(openAfterEsc);
    EXPECT_TRUE(dialog.ResultText.isEmpty());
}

TEST_F(AnalysisDialogTest, HtmlAndDescriptionReachTheBuilder)
{
    SetDates(QDate(2019, 5, 1), QDate(2019, 5, 31));
    Find<TCheckBox>("cbHTML")->setChecked(true);
    Find<TCheckBox>("cbNote")->setChecked(true);
    dialogs.modalAction = test::PressEnter;

    ASSERT_EQ(dialog.Run(files.mid(0, 1)), TAnalisisDG::mrRun);

    EXPECT_EQ(dialog.ResultText,
              QStringList({"01.05.2019 - 31.05.2019", "\r\n<h3 class=\"filename\">a.pas</h3>",
                           "<p class=\"filedescrip\">Описание модуля.</p>", "<p>[+] Изменение.</p>"}));
}

TEST_F(AnalysisDialogTest, OnlyChangesDropsFilesWithoutEntries)
{
    SetDates(QDate(2019, 5, 4), QDate(2019, 5, 31));
    Find<TRadioButton>("rbOnlyChange")->setChecked(true);
    dialogs.modalAction = test::PressEnter;

    ASSERT_EQ(dialog.Run(files), TAnalisisDG::mrRun);

    EXPECT_FALSE(Find<TRadioButton>("rbAll")->isChecked());
    EXPECT_EQ(dialog.ResultText, QStringList({"04.05.2019 - 31.05.2019"}));
}

} // namespace
} // namespace lorvane
