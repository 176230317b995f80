#pragma once

#include <QObject>
#include <QRect>

namespace lorvane {

namespace form {
Q_NAMESPACE

enum TWindowState { wsNormal, wsMinimized, wsMaximized };
Q_ENUM_NS(TWindowState)

enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
Q_ENUM_NS(TPosition)
} // namespace form

// What the form-placement interceptor needs of a window. Implemented by the
// application's window classes and found by qobject_cast.
class StoredForm
{
public:
    virtual ~StoredForm() = default;

    // The restored rectangle while maximized or minimized (once the native
    // window exists), else the current geometry of the frame.
    virtual QRect normalRect() const = 0;
    // Moves and sizes a normal window.
    virtual void setBounds(const QRect &rect) = 0;
    // Sets the rectangle the window restores to, leaving it maximized or
    // minimized.
    virtual void setRestoredRect(const QRect &rect) = 0;
    virtual form::TWindowState windowState() const = 0;
    virtual void setWindowState(form::TWindowState state) = 0;
    virtual int pixelsPerInch() const = 0;
    virtual int screenPixelsPerInch() const = 0;
    virtual QObject *activeControl() const = 0;
    virtual void setActiveControl(QObject *control) = 0;
    virtual form::TPosition position() const = 0;
    // Changes the start position setting only: the native window is neither
    // moved nor recreated.
    virtual void setPosition(form::TPosition position) = 0;
    // Whether the native window exists.
    virtual bool handleAllocated() const { return true; }
};

} // namespace lorvane

Q_DECLARE_INTERFACE(lorvane::StoredForm, "org.tessivar.lorvane.StoredForm")
