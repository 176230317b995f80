#pragma once

#include "settings/mapping/interceptor.h"
#include "settings/mapping/storedform.h"

#include <QPointer>

namespace lorvane {

// Stands in for a window so that its stored Left, Top, Width and Height
// mean the normal rectangle, whatever the window's state, and applies
// restored values scaled to the screen's pixel density. The target
// implements StoredForm; for any other object the interceptor is inert.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor
{
    Q_OBJECT
    Q_CLASSINFO("StreamWriteOnly", "ActiveControl PixelsPerInch WindowState")
    Q_PROPERTY(QObject *ActiveControl READ activeControl WRITE setActiveControl)
    Q_PROPERTY(int Height READ height WRITE setHeight)
    Q_PROPERTY(int Left READ left WRITE setLeft)
    Q_PROPERTY(int PixelsPerInch READ pixelsPerInch WRITE setPixelsPerInch)
    Q_PROPERTY(int Top READ top WRITE setTop)
    Q_PROPERTY(int Width READ width WRITE setWidth)
    Q_PROPERTY(lorvane::form::TWindowState WindowState READ windowState WRITE setWindowState)

public:
    Q_INVOKABLE explicit TFormStoragePropertyInterceptor(QObject *target);

    void Readed() override;

    // Reading gives the target's normal rectangle at that moment.
    int height() const;
    int left() const;
    int top() const;
    int width() const;
    void setHeight(int value) { FHeight = value; }
    void setLeft(int value);
    void setTop(int value);
    void setWidth(int value) { FWidth = value; }

    QObject *activeControl() const { return FActiveControl; }
    void setActiveControl(QObject *control) { FActiveControl = control; }
    int pixelsPerInch() const { return FPixelsPerInch; }
    void setPixelsPerInch(int value) { FPixelsPerInch = value; }
    form::TWindowState windowState() const { return FWindowState; }
    void setWindowState(form::TWindowState state) { FWindowState = state; }

private:
    QRect NormalRect() const;

    StoredForm *m_form = nullptr;
    QPointer<QObject> FActiveControl;
    int FHeight = 0;
    int FLeft = 0;
    int FPixelsPerInch = 0;
    bool FPosPresent = false;
    int FTop = 0;
    int FWidth = 0;
    form::TWindowState FWindowState = form::wsNormal;
};

// value * numerator / denominator, halves rounded away from zero, kept in
// the int range.
int ScaleRounded(int value, int numerator, int denominator);

} // namespace lorvane
