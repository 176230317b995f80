#pragma once

#include "storedform.h"

struct QMetaObject;
class QWidget;

namespace lorvane {

// The placement of a top-level window as the settings store keeps it: the
// frame's rectangle, the restored one while maximized or minimized.
class WindowPlacement : public StoredForm
{
public:
    WindowPlacement(QWidget &window, form::TPosition position);

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
    QMargins FrameMargins() const;

    QWidget &m_window;
    form::TPosition m_position;
};

// Lets the settings store keep the placement of the windows of a class
// through the form-placement interceptor.
void RegisterFormInterceptor(const QMetaObject &windowClass);

} // namespace lorvane
