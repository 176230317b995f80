#include "app/splitter.h"

#include <QMouseEvent>

namespace lorvane {

TSplitter::TSplitter(QWidget *above, QWidget *pane, int minimumSize, QWidget *parent)
    : QWidget(parent), m_above(above), m_pane(pane), m_minimumSize(minimumSize)
{
    setCursor(Qt::SplitVCursor);
}

void TSplitter::mousePressEvent(QMouseEvent *event)
{
    m_pressY = event->globalPosition().toPoint().y();
    m_pressHeight = m_pane ? m_pane->height() : 0;
}

void TSplitter::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_above || !m_pane || !(event->buttons() & Qt::LeftButton))
        return;
    const int wanted = m_pressHeight + m_pressY - event->globalPosition().toPoint().y();
    const int largest = m_pane->height() + m_above->height() - m_minimumSize;
    m_pane->setFixedHeight(qBound(m_minimumSize, wanted, qMax(m_minimumSize, largest)));
}

} // namespace lorvane
