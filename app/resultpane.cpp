#include "resultpane.h"

#include "lines.h"

#include <QTextBlock>
#include <QTextLayout>

namespace lorvane {

TMemo::TMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TMemo::SetText(const QString &text)
{
    m_text = NormalizeLineBreaks(text);
    setPlainText(m_text);
}

int TMemo::LineCount() const
{
    if (m_text.isEmpty())
        return 0;
    // Every paragraph laid out afresh: the document itself lays out only
    // what it shows.
    int count = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        count += ShownLines(block.text());
    if (document()->blockCount() > 1 && document()->lastBlock().text().isEmpty())
        --count;
    return count;
}

qreal TMemo::WrapWidth() const
{
    return viewport()->width() - 2 * document()->documentMargin();
}

int TMemo::ShownLines(QStringView paragraph) const
{
    const qreal width = WrapWidth();
    QTextLayout layout(paragraph.toString(), document()->defaultFont());
    layout.setTextOption(document()->defaultTextOption());
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return lines;
}

} // namespace lorvane
