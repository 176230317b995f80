#pragma once

#include "app/userdialogs.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QApplication;
class QDialog;

namespace lorvane::test {

// The application of the test binary, created on first use. Settings go to
// a private folder.
QApplication &App();

// The file of the settings store in the private folder.
QString SettingsFile();

// First base of a fixture whose members are widgets: each test starts
// with an empty settings store.
struct WithApp
{
    WithApp();
};

// Answers every dialog of the program without a person.
class FakeDialogs : public UserDialogs
{
public:
    FakeDialogs();
    ~FakeDialogs() override;

    QString OpenFile(QWidget *parent, const QString &folder) override;
    QString SaveFile(QWidget *parent, const SaveFileRequest &request) override;
    // Runs the dialog modally for real; `modalAction` acts on it once shown.
    int ExecModal(QDialog &dialog) override;
    void ErrorBox(QWidget *parent, const QString &title, const QString &text) override;

    QString openAnswer;
    std::optional<QString> openFolder;
    QString saveAnswer;
    std::optional<SaveFileRequest> saveRequest;
    std::function<void(QDialog &)> modalAction;
    int modalRuns = 0;
    QString errorTitle;
    QStringList errorTexts;
};

// Presses Enter in the dialog's focused control.
void PressEnter(QDialog &dialog);

// A source file whose header holds one change entry dated `date`.
QByteArray SourceHeader(const QString &name, const QString &date, const QString &entry);

void WriteFile(const QString &path, const QByteArray &bytes);
QByteArray ReadFile(const QString &path);

} // namespace lorvane::test
