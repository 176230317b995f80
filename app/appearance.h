#pragma once

#include <QFont>

class QApplication;

namespace lorvane {

// Pixels at 96 dots per inch, scaled for the screen.
int Scaled(int pixels);

// Tahoma where installed, else the platform's sans-serif font (a narrower
// cut of it), with a character height of `pixels` at 96 dots per inch.
QFont FormFont(int pixels);

// Fusion unless the platform offers a style of its own.
void ApplyStyle(QApplication &application);

} // namespace lorvane
