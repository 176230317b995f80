#include "windowplacement.h"

#include "formplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace lorvane {

namespace {

constexpr Qt::WindowStates kNotNormal = Qt::WindowMinimized | Qt::WindowMaximized;

} // namespace

WindowPlacement::WindowPlacement(QWidget &window, form::TPosition position)
    : m_window(window), m_position(position)
{
}

QMargins WindowPlacement::FrameMargins() const
{
    const QRect frame = m_window.frameGeometry();
    const QRect client = m_window.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

QRect WindowPlacement::normalRect() const
{
    if ((m_window.windowState() & kNotNormal) && m_window.windowHandle())
        return m_window.normalGeometry() + FrameMargins();
    return m_window.frameGeometry();
}

void WindowPlacement::setBounds(const QRect &rect)
{
    const QMargins frame = FrameMargins();
    m_window.move(rect.topLeft());
    m_window.resize((rect - frame).size());
}

void WindowPlacement::setRestoredRect(const QRect &rect)
{
    // Qt keeps the restored rectangle as the geometry the window had when
    // it left the normal state.
    const Qt::WindowStates state = m_window.windowState();
    m_window.setWindowState(state & ~kNotNormal);
    setBounds(rect);
    m_window.setWindowState(state);
}

form::TWindowState WindowPlacement::windowState() const
{
    if (m_window.isMinimized())
        return form::wsMinimized;
    if (m_window.isMaximized())
        return form::wsMaximized;
    return form::wsNormal;
}

void WindowPlacement::setWindowState(form::TWindowState state)
{
    Qt::WindowStates states = m_window.windowState() & ~kNotNormal;
    if (state == form::wsMinimized)
        states |= Qt::WindowMinimized;
    else if (state == form::wsMaximized)
        states |= Qt::WindowMaximized;
    m_window.setWindowState(states);
}

int WindowPlacement::screenPixelsPerInch() const
{
    const QScreen *screen = m_window.screen() ? m_window.screen() : QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

QObject *WindowPlacement::activeControl() const
{
    return m_window.focusWidget();
}

void WindowPlacement::setActiveControl(QObject *control)
{
    if (auto *widget = qobject_cast<QWidget *>(control); widget && m_window.isAncestorOf(widget))
        widget->setFocus();
}

bool WindowPlacement::handleAllocated() const
{
    return m_window.windowHandle() != nullptr;
}

void RegisterFormInterceptor(const QMetaObject &windowClass)
{
    RegisterStorageInterceptor(&windowClass, &TFormStoragePropertyInterceptor::staticMetaObject);
}

} // namespace lorvane
