#include "app/windowplacement.h"

#include "settings/mapping/formplacement.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <limits>

namespace lorvane {

namespace {

constexpr Qt::WindowStates kNotNormal = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// How much of a title bar must show on a screen for the user to grab it.
constexpr int kGripWidth = 32;
constexpr int kGripHeight = 8;

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

int Clamped(int position, int size, int low, int span)
{
    if (size >= span)
        return low;
    return qBound(low, position, low + span - size);
}

QList<QRect> AvailableScreens()
{
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

} // namespace

QRect ReachableFrame(const QRect &frame, int titleHeight, const QList<QRect> &screens)
{
    const QRect title(frame.left(), frame.top(), frame.width(), qMax(1, titleHeight));
    const QSize grip(qMin(kGripWidth, title.width()), qMin(kGripHeight, title.height()));
    const QRect *nearest = nullptr;
    qint64 nearestDistance = std::numeric_limits<qint64>::max();
    for (const QRect &screen : screens) {
        const QRect shown = screen.intersected(title);
        if (shown.width() >= grip.width() && shown.height() >= grip.height())
            return frame;
        const qint64 distance = DistanceSquared(title, screen);
        if (distance < nearestDistance) {
            nearest = &screen;
            nearestDistance = distance;
        }
    }
    if (!nearest)
        return frame;
    return QRect(QPoint(Clamped(frame.left(), frame.width(), nearest->left(), nearest->width()),
                        Clamped(frame.top(), frame.height(), nearest->top(), nearest->height())),
                 frame.size());
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

QRect WindowPlacement::normalRect() const
{
    if (m_pending)
        return *m_pending;
    if (!IsNormal() && m_window.windowHandle())
        return m_normal ? *m_normal : m_window.normalGeometry() + FrameMargins();
    return m_window.geometry() + FrameMargins();
}

void WindowPlacement::Place(const QRect &frame)
{
    m_window.setGeometry(frame - FrameMargins());
}

void WindowPlacement::Restore(const QRect &frame)
{
    const QMargins margins = FrameMargins();
    const int titleHeight = margins.top() > 0 ? margins.top()
                                              : m_window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QRect target = ReachableFrame(frame, titleHeight, AvailableScreens());
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
    if (!IsNormal()) {
        if (type != QEvent::WindowStateChange)
            m_otherStateMargins = FrameMargins();
        return;
    }
    if (!m_pending) {
        const QMargins margins = FrameMargins();
        if (type != QEvent::WindowStateChange && (!m_otherStateMargins || margins != *m_otherStateMargins))
            m_normal = m_window.geometry() + margins;
        return;
    }
    // A window that has just left another state may still report that
    // state's margins: the frame is placed again until they change, for a
    // few events at most.
    const QMargins margins = FrameMargins();
    const QRect wanted = *m_pending - margins;
    const bool settled = !m_otherStateMargins || margins != *m_otherStateMargins;
    if ((m_window.geometry() == wanted && settled) || ++m_placingEvents > kPlacingEvents) {
        m_normal = *m_pending;
        m_pending.reset();
        return;
    }
    if (m_requested != wanted) {
        m_requested = wanted;
        m_window.setGeometry(wanted);
    }
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
