#pragma once

#include <QList>
#include <QRect>
#include <QSize>

#include <functional>

class QWidget;

namespace lorvane {

// Controls placed at the fixed rectangles of a window's design, grown where
// their style and font need more room than the design gives. A control
// takes the larger of its designed size and what it needs; whatever stands
// right of it in its row, or below it, moves on by as much, keeping the
// designed gaps. Controls designed with the same left edge stay aligned,
// those designed with the same left edge and width keep equal widths, and
// a row (controls whose designed rectangles overlap vertically, standing
// side by side) moves as one. Where everything fits, nothing moves.
class DesignedLayout
{
public:
    // How a control follows when its parent grows wider.
    enum class Anchor {
        Left,    // keeps its place
        Right,   // keeps its designed distance to the right edge
        Stretch, // keeps both edges' distances
    };
    // The room a control needs; its size hint unless given.
    using Need = std::function<QSize(QWidget &)>;

    // `designSize` is the parent's designed client size, which the
    // rectangles lie in.
    explicit DesignedLayout(QSize designSize) : m_designSize(designSize) {}

    void add(QWidget *control, QRect design, Anchor anchor = Anchor::Left, Need need = {});

    // Places the controls and gives the parent's size: at least the design's,
    // with the designed margins kept around the grown controls. No control
    // starts above `top`, the room a parent's own caption takes.
    QSize apply(int top = 0);

private:
    struct Control
    {
        QWidget *widget;
        QRect design;
        Anchor anchor;
        Need need;
        QRect placed;
    };

    QSize m_designSize;
    QList<Control> m_controls;
};

// Runs `fit` once the window's style or font has changed, when every
// control has taken the change in.
void RefitOnStyleOrFontChange(QWidget &window, std::function<void()> fit);

} // namespace lorvane
