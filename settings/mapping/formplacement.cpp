#include "settings/mapping/formplacement.h"

#include <algorithm>
#include <limits>

namespace lorvane {

int ScaleRounded(int value, int numerator, int denominator)
{
    const qint64 product = qint64(value) * numerator;
    const qint64 divisor = qAbs(qint64(denominator));
    const qint64 whole = qAbs(product) / divisor;
    const qint64 magnitude = whole + (2 * (qAbs(product) % divisor) >= divisor ? 1 : 0);
    const qint64 result = (product < 0) != (denominator < 0) ? -magnitude : magnitude;
    return int(std::clamp<qint64>(result, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

namespace {

// Far beyond any screen, small enough that a rectangle's edges cannot
// overflow: values from a damaged stream are held to it.
constexpr int kCoordinateLimit = 1 << 24;

int Coordinate(int value)
{
    return qBound(-kCoordinateLimit, value, kCoordinateLimit);
}

} // namespace

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(QObject *target)
    : TStoragePropertyInterceptor(target), m_form(qobject_cast<StoredForm *>(target))
{
    if (!m_form)
        return;
    const QRect rect = m_form->normalRect();
    FLeft = rect.left();
    FTop = rect.top();
    FWidth = rect.width();
    FHeight = rect.height();
    FPixelsPerInch = m_form->pixelsPerInch();
    FWindowState = m_form->windowState();
    FActiveControl = m_form->activeControl();
}

QRect TFormStoragePropertyInterceptor::NormalRect() const
{
    return m_form && FTarget ? m_form->normalRect()
                             : QRect(Coordinate(FLeft), Coordinate(FTop), Coordinate(FWidth), Coordinate(FHeight));
}

int TFormStoragePropertyInterceptor::height() const
{
    return NormalRect().height();
}

int TFormStoragePropertyInterceptor::left() const
{
    return NormalRect().left();
}

int TFormStoragePropertyInterceptor::top() const
{
    return NormalRect().top();
}

int TFormStoragePropertyInterceptor::width() const
{
    return NormalRect().width();
}

void TFormStoragePropertyInterceptor::setLeft(int value)
{
    FLeft = value;
    FPosPresent = true;
}

void TFormStoragePropertyInterceptor::setTop(int value)
{
    FTop = value;
    FPosPresent = true;
}

void TFormStoragePropertyInterceptor::Readed()
{
    if (!m_form || !FTarget)
        return;
    // A density of zero from a damaged stream cannot scale anything.
    if (FPixelsPerInch != 0) {
        const int screen = m_form->screenPixelsPerInch();
        FHeight = ScaleRounded(FHeight, screen, FPixelsPerInch);
        FLeft = ScaleRounded(FLeft, screen, FPixelsPerInch);
        FTop = ScaleRounded(FTop, screen, FPixelsPerInch);
        FWidth = ScaleRounded(FWidth, screen, FPixelsPerInch);
    }
    m_form->setWindowState(FWindowState);
    m_form->setActiveControl(FActiveControl);
    const QRect rect(Coordinate(FLeft), Coordinate(FTop), Coordinate(FWidth), Coordinate(FHeight));
    const form::TWindowState state = m_form->windowState();
    if (state == form::wsMaximized || state == form::wsMinimized)
        m_form->setRestoredRect(rect);
    else
        m_form->setBounds(rect);
    const form::TPosition position = m_form->position();
    if ((position == form::poScreenCenter || position == form::poDesktopCenter) && FPosPresent)
        m_form->setPosition(form::poDesigned);
}

} // namespace lorvane
