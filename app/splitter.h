#pragma once

#include <QPointer>
#include <QWidget>

namespace lorvane {

// A thin bar between two widgets of a column, the lower one of fixed
// height; dragging the bar changes that height, leaving each of the two at
// least `minimumSize` high.
class TSplitter : public QWidget
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TSplitter")
    Q_PROPERTY(int Top READ y WRITE setTop)

public:
    TSplitter(QWidget *above, QWidget *pane, int minimumSize, QWidget *parent = nullptr);

    // The bar always sits right above the pane, so its position follows the
    // pane's height; a stored position has nothing left to change.
    void setTop(int) {}

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPointer<QWidget> m_above;
    QPointer<QWidget> m_pane;
    int m_minimumSize;
    int m_pressY = 0;
    int m_pressHeight = 0;
};

} // namespace lorvane
