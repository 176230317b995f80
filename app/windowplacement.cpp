#include "app/windowplacement.h"

#include "settings/mapping/formplacement.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <limits>

namespace lorvane {

namespace {

constexpr Qt::WindowStates kNotNormal = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

qint64 DistanceSquared(const QRect &a, const QRect &b)
{
    const auto gap = [](int lowA, int highA, int lowB, int highB) -> qint64 {
        if (highA < lowB)
            return qint64(lowB) - highA;
        if (highB < lowA)
            return qint64(lowA) - highB;
        return 0;
    };
    const qint64 dx = gap(a.left(), a.right(), b.left(), b.right());
    const qint64 dy = gap(a.top(), a.bottom(), b.top(), b.bottom());
    return dx * dx + dy * dy;
}

qint64 Area(const QRect &rect)
{
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

// The available area that a frame is on: the one holding the most of it,
// else the nearest one; none without screens.
const QRect *ScreenOf(const QRect &frame, const QList<QRect> &screens)
{
    const QRect *best = nullptr;
    qint64 bestShared = 0;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QRect &screen : screens) {
        const qint64 shared = Area(screen.intersected(frame));
        const qint64 distance = DistanceSquared(frame, screen);
        if (shared > bestShared || (bestShared == 0 && shared == 0 && distance < bestDistance)) {
            best = &screen;
            bestShared = shared;
            bestDistance = distance;
        }
    }
    return best;
}

QList<QRect> AvailableScreens()
{
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

} // namespace

QRect FittedFrame(const QRect &frame, const QList<QRect> &screens)
{
    const QRect *screen = ScreenOf(frame, screens);
    if (!screen)
        return frame;
    const QSize size = frame.size().boundedTo(screen->size());
    const auto clamped = [](int position, int size, int low, int span) {
        return qBound(low, position, low + span - size);
    };
    return QRect(QPoint(clamped(frame.left(), size.width(), screen->left(), screen->width()),
                        clamped(frame.top(), size.height(), screen->top(), screen->height())),
                 size);
}

bool CoversScreen(const QRect &frame, const QList<QRect> &screens)
{
    const QRect *screen = ScreenOf(frame, screens);
    return screen && frame.width() >= screen->width() && frame.height() >= screen->height();
}

// Passes the window's moves, resizes, state changes and exposures on to the
// placement.
class WindowPlacement::Watcher : public QObject
{
public:
    explicit Watcher(WindowPlacement &placement) : m_placement(placement)
    {
        placement.m_window.installEventFilter(this);
    }

    // The native window comes and goes with the widget's; its exposure is
    // seen only there.
    void WatchHandle()
    {
        QWindow *handle = m_placement.m_window.windowHandle();
        if (handle && handle != m_handle) {
            m_handle = handle;
            handle->installEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            WatchHandle();
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
        case QEvent::Expose:
            if (watched == &m_placement.m_window || watched == m_handle)
                m_placement.Notice(event->type());
            break;
        default:
            break;
        }
        return false;
    }

private:
    WindowPlacement &m_placement;
    QPointer<QWindow> m_handle;
};

WindowPlacement::WindowPlacement(QWidget &window, form::TPosition position)
    : m_window(window), m_position(position), m_watcher(std::make_unique<Watcher>(*this))
{
}

WindowPlacement::~WindowPlacement() = default;

QMargins WindowPlacement::FrameMargins() const
{
    const QWindow *handle = m_window.windowHandle();
    if (!handle)
        return {};
    // While a window manager reparents the window, the margins read from
    // the window tree can be anything.
    const QMargins margins = handle->frameMargins();
    if (margins.left() < 0 || margins.top() < 0 || margins.right() < 0 || margins.bottom() < 0)
        return {};
    return margins;
}

bool WindowPlacement::FrameSettled() const
{
    const QWindow *handle = m_window.windowHandle();
    return handle && handle->isExposed();
}

bool WindowPlacement::IsNormal() const
{
    return !(m_window.windowState() & kNotNormal);
}

bool WindowPlacement::MarginsMayBeStale(const QMargins &margins) const
{
    return m_otherStateMargins && margins == *m_otherStateMargins && margins != m_normalMargins;
}

QRect WindowPlacement::normalRect() const
{
    if (m_pending)
        return *m_pending;
    const QList<QRect> screens = AvailableScreens();
    QRect frame;
    if (!IsNormal() && m_window.windowHandle())
        frame = m_normal ? *m_normal : m_window.normalGeometry() + FrameMargins();
    else
        frame = m_window.geometry() + FrameMargins();
    if (m_normal && CoversScreen(frame, screens))
        frame = *m_normal;
    // Never larger than the screen it is on.
    const QRect fitted = FittedFrame(frame, screens);
    return fitted.size() == frame.size() ? frame : fitted;
}

void WindowPlacement::Place(const QRect &frame)
{
    m_window.setGeometry(frame - FrameMargins());
}

void WindowPlacement::Restore(const QRect &frame)
{
    const QRect target = FittedFrame(frame, AvailableScreens());
    m_watcher->WatchHandle();
    if (FrameSettled()) {
        m_pending.reset();
        Place(target);
        m_normal = target;
        return;
    }
    // The margins are not known yet: the window takes the whole rectangle
    // until they are.
    m_pending = target;
    m_placingEvents = 0;
    m_placedMargins.reset();
    m_requested = target;
    m_window.setGeometry(target);
}

void WindowPlacement::Notice(QEvent::Type type)
{
    // Only a window on the screen has its frame, or none, for good.
    if (!FrameSettled())
        return;
    // Around a change of state the margins reported flip between those of
    // the two states; the margins of the other state are not taken for the
    // normal state's.
    const QMargins margins = FrameMargins();
    if (!IsNormal()) {
        if (type != QEvent::WindowStateChange)
            m_otherStateMargins = margins;
        return;
    }
    if (m_pending && PlacePending(margins))
        return;
    if (type == QEvent::WindowStateChange || MarginsMayBeStale(margins))
        return;
    const QRect frame = m_window.geometry() + margins;
    const QList<QRect> screens = AvailableScreens();
    // The first normal frame, the default one or the first after a
    // maximized start, is fitted onto its screen.
    if (!m_normal) {
        const QRect fitted = FittedFrame(frame, screens);
        if (fitted != frame) {
            Restore(fitted);
            return;
        }
    }
    // Some window managers (icewm) give a window the maximized geometry
    // before they report the state: a frame over the whole screen is not
    // taken for the normal one.
    if (CoversScreen(frame, screens))
        return;
    m_normal = frame;
    m_normalMargins = margins;
}

bool WindowPlacement::PlacePending(const QMargins &margins)
{
    // A window that has just left another state may still report that
    // state's margins: the frame is placed again until they change.
    const QRect wanted = *m_pending - margins;
    const bool placed = m_window.geometry() == wanted;
    if (placed && !MarginsMayBeStale(margins)) {
        m_normal = *m_pending;
        m_pending.reset();
        return true;
    }
    // Moved away, size kept, from the frame it was placed at with the same
    // margins: the user drags the window, and its margins are the normal
    // ones (a window manager may keep them in every state). After a few
    // events at most the margins are taken as they are.
    const bool dragged = !placed && m_placedMargins == margins && m_window.size() == wanted.size();
    if (dragged || ++m_placingEvents > kPlacingEvents) {
        m_normal = *m_pending;
        m_pending.reset();
        m_normalMargins = margins;
        return false;
    }
    if (placed)
        m_placedMargins = margins;
    if (m_requested != wanted) {
        m_requested = wanted;
        m_window.setGeometry(wanted);
    }
    return true;
}

void WindowPlacement::setBounds(const QRect &rect)
{
    Restore(rect);
}

void WindowPlacement::setRestoredRect(const QRect &rect)
{
    // The window restores to the geometry it had when it left the normal
    // state.
    const Qt::WindowStates state = m_window.windowState();
    m_window.setWindowState(state & ~kNotNormal);
    Restore(rect);
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
