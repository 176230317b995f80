#pragma once

#include <QString>

#include <functional>

namespace lorvane {

// The application's error display: a message box with the application
// title, an error icon and OK, showing DisplayText(message).
void ShowError(const QString &message);

// Runs a command; an Error or std::exception that escapes it ends the
// command and goes to the error display.
void RunCommand(const std::function<void()> &command);

} // namespace lorvane
