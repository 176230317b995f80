#include "app/designedlayout.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace lorvane {

namespace {

int right(const QRect &r)
{
    return r.x() + r.width();
}

int bottom(const QRect &r)
{
    return r.y() + r.height();
}

bool overlapVertically(const QRect &a, const QRect &b)
{
    return a.y() < bottom(b) && b.y() < bottom(a);
}

bool overlapHorizontally(const QRect &a, const QRect &b)
{
    return a.x() < right(b) && b.x() < right(a);
}

// Hears of the window's style and font changes. The window hears of a
// change before or after its controls, so the fit waits for the events
// already posted.
class RefitFilter : public QObject
{
public:
    RefitFilter(QWidget &window, std::function<void()> fit) : QObject(&window), m_fit(std::move(fit)) {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if ((event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) && !m_pending) {
            m_pending = true;
            QMetaObject::invokeMethod(this, [this] {
                m_pending = false;
                m_fit();
            }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void()> m_fit;
    bool m_pending = false;
};

} // namespace

void RefitOnStyleOrFontChange(QWidget &window, std::function<void()> fit)
{
    window.installEventFilter(new RefitFilter(window, std::move(fit)));
}

void DesignedLayout::add(QWidget *control, QRect design, Anchor anchor, Need need)
{
    m_controls.append({control, design, anchor, std::move(need), design});
}

QSize DesignedLayout::apply(int top)
{
    for (Control &c : m_controls) {
        c.widget->ensurePolished();
        const QSize need = c.need ? c.need(*c.widget) : c.widget->sizeHint();
        c.placed = QRect(c.design.topLeft(), c.design.size().expandedTo(need));
    }
    for (Control &c : m_controls) {
        for (const Control &other : std::as_const(m_controls)) {
            if (other.design.x() == c.design.x() && other.design.width() == c.design.width())
                c.placed.setWidth(qMax(c.placed.width(), other.placed.width()));
            if (other.design.y() == c.design.y() && other.design.height() == c.design.height())
                c.placed.setHeight(qMax(c.placed.height(), other.placed.height()));
        }
    }

    // Columns, left to right: a control moves right of everything that
    // stands left of it in its row, by the designed gap; a column takes the
    // place its furthest member needs.
    QList<int> lefts;
    for (const Control &c : std::as_const(m_controls))
        lefts << c.design.x();
    std::sort(lefts.begin(), lefts.end());
    lefts.erase(std::unique(lefts.begin(), lefts.end()), lefts.end());
    for (const int left : std::as_const(lefts)) {
        int x = left;
        for (const Control &c : std::as_const(m_controls)) {
            if (c.design.x() != left)
                continue;
            for (const Control &before : std::as_const(m_controls)) {
                if (right(before.design) <= left && overlapVertically(before.design, c.design))
                    x = qMax(x, right(before.placed) + left - right(before.design));
            }
        }
        for (Control &c : m_controls) {
            if (c.design.x() == left)
                c.placed.moveLeft(x);
        }
    }

    // The parent keeps the narrowest designed margin right of what grew;
    // anchored controls keep their own.
    int rightMargin = m_designSize.width();
    for (const Control &c : std::as_const(m_controls))
        rightMargin = qMin(rightMargin, m_designSize.width() - right(c.design));
    const auto marginOf = [&](const Control &c) {
        return c.anchor == Anchor::Left ? rightMargin : m_designSize.width() - right(c.design);
    };
    int width = m_designSize.width();
    for (const Control &c : std::as_const(m_controls))
        width = qMax(width, right(c.placed) + marginOf(c));
    for (Control &c : m_controls) {
        if (c.anchor == Anchor::Stretch)
            c.placed.setWidth(width - marginOf(c) - c.placed.x());
        else if (c.anchor == Anchor::Right)
            c.placed.moveLeft(width - marginOf(c) - c.placed.width());
    }

    // Rows, top to bottom: a row moves down as far as its members need to
    // stay below the parent's caption and, by the designed gap, below
    // whatever stands above them where they now stand.
    QList<Control *> order;
    for (Control &c : m_controls)
        order << &c;
    std::sort(order.begin(), order.end(), [](const Control *a, const Control *b) { return a->design.y() < b->design.y(); });
    for (qsizetype first = 0; first < order.size();) {
        qsizetype end = first + 1;
        int rowBottom = bottom(order[first]->design);
        while (end < order.size() && order[end]->design.y() < rowBottom)
            rowBottom = qMax(rowBottom, bottom(order[end++]->design));
        int shift = 0;
        for (qsizetype i = first; i < end; ++i) {
            const Control &c = *order[i];
            shift = qMax(shift, top - c.design.y());
            for (qsizetype j = 0; j < first; ++j) {
                const Control &above = *order[j];
                if (overlapHorizontally(above.placed, c.placed))
                    shift = qMax(shift, bottom(above.placed) - bottom(above.design));
            }
        }
        for (qsizetype i = first; i < end; ++i)
            order[i]->placed.moveTop(order[i]->design.y() + shift);
        first = end;
    }

    int bottomMargin = m_designSize.height();
    for (const Control &c : std::as_const(m_controls))
        bottomMargin = qMin(bottomMargin, m_designSize.height() - bottom(c.design));
    int height = m_designSize.height();
    for (const Control &c : std::as_const(m_controls))
        height = qMax(height, bottom(c.placed) + bottomMargin);

    for (const Control &c : std::as_const(m_controls))
        c.widget->setGeometry(c.placed);
    return {width, height};
}

} // namespace lorvane
