#include "app/tests/testsupport.h"
#include "app/userdialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "testsupport/testing.h"

namespace lorvane {
namespace {

class SaveDialogTest : public test::WithApp, public ::testing::Test
{
protected:
    // Accepts the dialog with `typed` in its name box and answers any
    // message box; the texts of the refusals are collected.
    void AcceptWith(const QString &typed)
    {
        QObject::connect(&dialog, &SaveFileDialog::refused, [this](const QString &message) {
            refusals.append(message);
            QTimer::singleShot(0, [] {
                for (QWidget *widget : QApplication::topLevelWidgets())
                    if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
                        box->accept();
            });
        });
        dialog.show();
        dialog.selectFile(typed);
        dialog.accept();
    }

    QTemporaryDir root;
    SaveFileDialog dialog{nullptr, {QStringLiteral("Запись файла"), QStringLiteral("Результат|*.txt;*.htm"),
                                    QStringLiteral("txt"), root.path(), QStringLiteral("proj.change.txt")}};
    QStringList refusals;
};

TEST_F(SaveDialogTest, RefusesANameInAMissingFolderAndStaysOpen)
{
    AcceptWith(root.filePath(QStringLiteral("missing/out.txt")));

    ASSERT_EQ(refusals.size(), 1);
    EXPECT_TRUE(refusals[0].startsWith(root.filePath(QStringLiteral("missing")) + u'\n'));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(SaveDialogTest, AcceptsANameInAnExistingFolder)
{
    AcceptWith(root.filePath(QStringLiteral("out.txt")));

    EXPECT_TRUE(refusals.isEmpty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles(), QStringList({root.filePath(QStringLiteral("out.txt"))}));
}

} // namespace
} // namespace lorvane
