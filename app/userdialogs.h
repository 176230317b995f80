#pragma once

#include <QFileDialog>
#include <QString>

class QDialog;
class QWidget;

namespace lorvane {

// What the save dialog is asked to show.
struct SaveFileRequest
{
    QString title;
    QString filter;       // "name|*.a;*.b"
    QString defaultSuffix;
    QString folder;
    QString fileName;
};

// Every place where the program waits for a person: the file dialogs, the
// modal run of a dialog and the message box. Tests install their own.
class UserDialogs
{
public:
    virtual ~UserDialogs() = default;
    // The picked file, or an empty text when the user cancelled.
    virtual QString OpenFile(QWidget *parent, const QString &folder) = 0;
    virtual QString SaveFile(QWidget *parent, const SaveFileRequest &request) = 0;
    // Shows the dialog modally and returns its result.
    virtual int ExecModal(QDialog &dialog) = 0;
    virtual void ErrorBox(QWidget *parent, const QString &title, const QString &text) = 0;
};

// The platform's save dialog as the program asks for it: it refuses a name
// in a folder that does not exist and stays open.
class SaveFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    SaveFileDialog(QWidget *parent, const SaveFileRequest &request);

public slots:
    void accept() override;

signals:
    // The text of a refusal, just before it is shown.
    void refused(const QString &message);
};

UserDialogs &Dialogs();
// Replaces the platform's dialogs; nullptr restores them.
void SetDialogs(UserDialogs *dialogs);

} // namespace lorvane
