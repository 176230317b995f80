#pragma once

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

UserDialogs &Dialogs();
// Replaces the platform's dialogs; nullptr restores them.
void SetDialogs(UserDialogs *dialogs);

} // namespace lorvane
