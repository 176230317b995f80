#pragma once

#include "settings/mapping/storedform.h"

#include <QEvent>
#include <QList>
#include <QMargins>
#include <QRect>

#include <memory>
#include <optional>

struct QMetaObject;
class QObject;
class QWidget;

namespace lorvane {

// The placement of a top-level window as the settings store keeps it: the
// rectangle of the frame as the user sees it, the restored one while
// maximized or minimized.
//
// A window manager frames a window only after it has been mapped, so a
// rectangle restored while the window is being shown cannot yet take the
// frame off the size. The window takes the whole rectangle at first; it
// stays pending, and is reached as soon as the frame is known (or is known
// to be absent) in the normal state.
//
// Every rectangle the window takes, restored or its first default one, is
// fitted onto the screen it is on, and none is kept larger than that screen.
// A frame is taken for the normal one only in the normal state and only when
// it does not cover the whole screen.
class WindowPlacement : public StoredForm
{
public:
    WindowPlacement(QWidget &window, form::TPosition position);
    ~WindowPlacement() override;

    QRect normalRect() const override;
    void setBounds(const QRect &rect) override;
    void setRestoredRect(const QRect &rect) override;
    form::TWindowState windowState() const override;
    void setWindowState(form::TWindowState state) override;
    // The windows are laid out for the screen they start on, so their pixels
    // are the screen's.
    int pixelsPerInch() const override { return screenPixelsPerInch(); }
    int screenPixelsPerInch() const override;
    QObject *activeControl() const override;
    void setActiveControl(QObject *control) override;
    form::TPosition position() const override { return m_position; }
    void setPosition(form::TPosition position) override { m_position = position; }
    bool handleAllocated() const override;

private:
    class Watcher;
    friend class Watcher;

    QMargins FrameMargins() const;
    // Whether margins seen in the normal state may still be those of the
    // other state: the same as there, and not known from the normal state.
    bool MarginsMayBeStale(const QMargins &margins) const;
    // Whether the frame margins are final: the window is on the screen.
    bool FrameSettled() const;
    bool IsNormal() const;
    // Puts the frame at `frame`, taking off the margins known now.
    void Place(const QRect &frame);
    // Sets the window's geometry for a rectangle that is to be the frame;
    // pending until the frame is known.
    void Restore(const QRect &frame);
    // Follows the window system's news of the window.
    void Notice(QEvent::Type type);
    // Brings the window to the pending frame once the margins are known;
    // false when it gives up on it (the user has moved the window, or the
    // margins never settle), so that the frame is taken as a normal one.
    bool PlacePending(const QMargins &margins);

    QWidget &m_window;
    form::TPosition m_position;
    static constexpr int kPlacingEvents = 16;
    std::optional<QRect> m_pending;
    // While pending: the geometry last asked for, and the events seen in
    // the normal state since.
    QRect m_requested;
    int m_placingEvents = 0;
    // The margins with which the window was last seen at the pending frame.
    std::optional<QMargins> m_placedMargins;
    // The margins last seen while maximized or minimized, and with the last
    // normal frame taken.
    std::optional<QMargins> m_otherStateMargins;
    std::optional<QMargins> m_normalMargins;
    std::optional<QRect> m_normal;
    std::unique_ptr<Watcher> m_watcher;
};

// The frame rectangle fitted into the available area of the screen it is
// on (the one holding the most of it, else the nearest): moved, then shrunk
// where it is larger.
QRect FittedFrame(const QRect &frame, const QList<QRect> &screens);

// Whether the frame is at least as wide and as high as the available area
// of the screen it is on, as a maximized window's is.
bool CoversScreen(const QRect &frame, const QList<QRect> &screens);

// Lets the settings store keep the placement of the windows of a class
// through the form-placement interceptor.
void RegisterFormInterceptor(const QMetaObject &windowClass);

} // namespace lorvane
