#include "app/appearance.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>

namespace lorvane {

int Scaled(int pixels)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return qRound(pixels * dpi / 96.0);
}

QFont FormFont(int pixels)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        font.setFamily(QStringLiteral("Tahoma"));
    } else {
        font.setStyleHint(QFont::SansSerif);
        // The usual sans-serif fonts run wider than Tahoma; a narrower cut
        // keeps the captions inside the controls laid out for it.
        font.setStretch(QFont::SemiCondensed);
    }
    font.setPixelSize(Scaled(pixels));
    return font;
}

void ApplyStyle(QApplication &application)
{
    // "windows" is what Qt falls back to when the desktop names no style.
    const QString current = application.style()->name();
    if (current.compare(QStringLiteral("windows"), Qt::CaseInsensitive) == 0)
        application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

} // namespace lorvane
