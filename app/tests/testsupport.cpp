#include "app/tests/testsupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "testsupport/testing.h"

#include <memory>
#include <stdexcept>

namespace lorvane::test {

namespace {

std::unique_ptr<QApplication> application;

// Ends the application while the test program still runs: Qt's own globals
// are gone by the time static objects are destroyed.
class ApplicationEnvironment : public ::testing::Environment
{
public:
    void TearDown() override { application.reset(); }
};

const auto *const environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace

QApplication &App()
{
    static QTemporaryDir configHome;
    static int argc = 1;
    static char name[] = "app_tests";
    static char *argv[] = {name, nullptr};
    if (!application) {
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        application = std::make_unique<QApplication>(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Lorvane"));
    }
    return *application;
}

QString SettingsFile()
{
    App();
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tessivar"),
                     QStringLiteral("Lorvane"))
        .fileName();
}

WithApp::WithApp()
{
    QFile::remove(SettingsFile());
}

FakeDialogs::FakeDialogs()
{
    SetDialogs(this);
}

FakeDialogs::~FakeDialogs()
{
    SetDialogs(nullptr);
}

QString FakeDialogs::OpenFile(QWidget *, const QString &folder)
{
    openFolder = folder;
    return openAnswer;
}

QString FakeDialogs::SaveFile(QWidget *, const SaveFileRequest &request)
{
    saveRequest = request;
    return saveAnswer;
}

int FakeDialogs::ExecModal(QDialog &dialog)
{
    ++modalRuns;
    if (!modalAction)
        throw std::logic_error("a modal dialog nobody answers");
    QTimer::singleShot(0, &dialog, [this, &dialog] { modalAction(dialog); });
    return dialog.exec();
}

void FakeDialogs::ErrorBox(QWidget *, const QString &title, const QString &text)
{
    errorTitle = title;
    errorTexts.append(text);
}

void PressEnter(QDialog &dialog)
{
    QWidget *target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
    QTest::keyClick(target, Qt::Key_Return);
}

QByteArray SourceHeader(const QString &name, const QString &date, const QString &entry)
{
    const QString text = QStringLiteral(
        "{==============================================================================\r\n"
        "  %1\r\n  Проект\r\n  (текст)\r\n  Описание модуля.\r\n\r\n"
        "  Изменения:\r\n  ----------\r\n  %2 %3\r\n"
        "===============================================================================\r\n"
        "Copyright © %4\r\n  CVS: $Id: %1,v 1.1 $\r\n"
        "==============================================================================}\r\n")
                             .arg(name, date, entry, date.right(4));
    return "\xEF\xBB\xBF" + text.toUtf8();
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace lorvane::test
