#include "app/resultpane.h"

#include "core/lines.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <limits>

namespace lorvane {

namespace {

constexpr int kPieceLines = 2000;

// Where the piece of the text that starts at `from` ends: before the line
// break after its last line, or at the end of the text. Each piece but the
// first starts with the break that ends the line before it, so that the
// pieces make the blocks that the whole text makes.
qsizetype PieceEnd(const QString &text, qsizetype from)
{
    qsizetype at = from;
    for (int line = 0; line < kPieceLines; ++line) {
        at = text.indexOf(u"\r\n", at + 1);
        if (at < 0)
            return text.size();
    }
    return at;
}

} // namespace

TMemo::TMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    // Read-only, the pane would hide its text cursor: with the focus it
    // shows one, which the keys move and select with.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TMemo::SetText(const QString &text)
{
    SetText(text, {});
}

void TMemo::SetText(const QString &text, const std::function<void()> &between)
{
    // A report's lines are joined with CR LF: it is kept as it is.
    m_text = HasOnlyCrLfBreaks(text) ? text : NormalizeLineBreaks(text);
    const QString whole = m_text;
    qsizetype end = between ? PieceEnd(whole, 0) : whole.size();
    setPlainText(end == whole.size() ? whole : whole.first(end));
    if (end == whole.size())
        return;
    // Pieces put in by a cursor would be kept for undoing.
    const bool undo = document()->isUndoRedoEnabled();
    document()->setUndoRedoEnabled(false);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    while (end < whole.size()) {
        between();
        // What ran meanwhile may have set another text.
        if (!m_text.isSharedWith(whole))
            break;
        const qsizetype next = PieceEnd(whole, end);
        cursor.insertText(whole.sliced(end, next - end));
        end = next;
    }
    document()->setUndoRedoEnabled(undo);
}

int TMemo::LineCount() const
{
    return LineCountUpTo(std::numeric_limits<int>::max() - 1);
}

int TMemo::LineCountUpTo(int limit) const
{
    if (m_text.isEmpty())
        return 0;
    const QTextDocument &text = *document();
    // A final empty paragraph is not a shown line.
    const bool finalEmpty = text.blockCount() > 1 && text.lastBlock().text().isEmpty();
    const int paragraphs = text.blockCount() - (finalEmpty ? 1 : 0);
    // Every paragraph takes a line at least.
    if (limit >= 0 && paragraphs > limit)
        return limit + 1;
    // Every paragraph counted here: the document itself lays out only what
    // it shows.
    int count = 0;
    int left = paragraphs;
    for (QTextBlock block = text.begin(); block.isValid() && left > 0; block = block.next(), --left) {
        count += ShownLines(block.text());
        if (count > limit)
            return limit + 1;
    }
    return count;
}

qreal TMemo::WrapWidth() const
{
    return viewport()->width() - 2 * document()->documentMargin();
}

int TMemo::ShownLines(QStringView paragraph) const
{
    const qreal width = WrapWidth();
    const QFont font = document()->defaultFont();
    if (width != m_cachedWidth || font != m_cachedFont) {
        m_shownLines.clear();
        m_cachedWidth = width;
        m_cachedFont = font;
        m_rawFont = QRawFont::fromFont(font);
        // A hinted advance may round up by a pixel.
        m_widestGlyph = m_rawFont.isValid() ? m_rawFont.maxCharWidth() + 1 : 0;
    }
    const QString key = paragraph.toString();
    if (const auto found = m_shownLines.constFind(key); found != m_shownLines.cend())
        return *found;
    const int lines = SurelyFits(key, width) ? 1 : LayOut(key, width);
    m_shownLines.insert(key, lines);
    return lines;
}

bool TMemo::SurelyFits(const QString &paragraph, qreal width) const
{
    if (m_widestGlyph <= 0 || paragraph.size() * m_widestGlyph > width)
        return false;
    for (const QChar c : paragraph)
        if (c.isSurrogate() || !c.isPrint() || !m_rawFont.supportsCharacter(c))
            return false;
    return true;
}

int TMemo::LayOut(const QString &paragraph, qreal width) const
{
    QTextLayout layout(paragraph, document()->defaultFont());
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
