#include "app/userdialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace lorvane {

namespace {

// The folder a file dialog starts in: the given one when it exists, else
// the platform's choice.
QString StartFolder(const QString &folder)
{
    return QFileInfo(folder).isDir() ? folder : QString();
}

// "name|*.a;*.b" becomes "name (*.a *.b)".
QString QtNameFilter(const QString &filter)
{
    const qsizetype bar = filter.indexOf(u'|');
    if (bar < 0)
        return filter;
    QString patterns = filter.mid(bar + 1);
    patterns.replace(u';', u' ');
    return filter.left(bar) + QStringLiteral(" (") + patterns + u')';
}

class PlatformDialogs final : public UserDialogs
{
public:
    QString OpenFile(QWidget *parent, const QString &folder) override
    {
        return QFileDialog::getOpenFileName(parent, QString(), StartFolder(folder));
    }

    QString SaveFile(QWidget *parent, const SaveFileRequest &request) override
    {
        SaveFileDialog dialog(parent, request);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    }

    int ExecModal(QDialog &dialog) override { return dialog.exec(); }

    void ErrorBox(QWidget *parent, const QString &title, const QString &text) override
    {
        QMessageBox::critical(parent, title, text, QMessageBox::Ok);
    }
};

PlatformDialogs platformDialogs;
UserDialogs *current = &platformDialogs;

} // namespace

SaveFileDialog::SaveFileDialog(QWidget *parent, const SaveFileRequest &request)
    : QFileDialog(parent, request.title, StartFolder(request.folder), QtNameFilter(request.filter))
{
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setDefaultSuffix(request.defaultSuffix);
    selectFile(request.fileName);
    setSizeGripEnabled(true);
}

void SaveFileDialog::accept()
{
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
        const QFileInfo chosen(files.constFirst());
        if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
            // Qt's own words for a folder that is not there.
            const QString message =
                QCoreApplication::translate("QFileDialog", "%1\nDirectory not found.\nPlease verify the "
                                                           "correct directory name was given.")
                    .arg(QDir::toNativeSeparators(chosen.absolutePath()));
            emit refused(message);
            QMessageBox::warning(this, windowTitle(), message);
            return;
        }
    }
    QFileDialog::accept();
}

UserDialogs &Dialogs()
{
    return *current;
}

void SetDialogs(UserDialogs *dialogs)
{
    current = dialogs ? dialogs : &platformDialogs;
}

} // namespace lorvane
