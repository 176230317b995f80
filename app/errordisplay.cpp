#include "app/errordisplay.h"

#include "core/error.h"
#include "app/userdialogs.h"

#include <QApplication>

namespace lorvane {

void ShowError(const QString &message)
{
    Dialogs().ErrorBox(QApplication::activeWindow(), QCoreApplication::applicationName(),
                       DisplayText(message));
}

void RunCommand(const std::function<void()> &command)
{
    try {
        command();
    } catch (const std::exception &error) {
        ShowError(ExceptionMessage(error));
    }
}

} // namespace lorvane
