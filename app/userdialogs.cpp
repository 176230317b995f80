#include "userdialogs.h"

#include <QDialog>
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
        QFileDialog dialog(parent, request.title, StartFolder(request.folder), QtNameFilter(request.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.defaultSuffix);
        dialog.selectFile(request.fileName);
        dialog.setSizeGripEnabled(true);
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

UserDialogs &Dialogs()
{
    return *current;
}

void SetDialogs(UserDialogs *dialogs)
{
    current = dialogs ? dialogs : &platformDialogs;
}

} // namespace lorvane
