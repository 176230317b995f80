#pragma once

#include <QFont>
#include <QHash>
#include <QPlainTextEdit>
#include <QRawFont>

#include <functional>

namespace lorvane {

// The read-only, word-wrapped result pane. It holds its text exactly as
// given (line breaks made CR LF), whatever the display makes of it.
class TMemo : public QPlainTextEdit
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TMemo")
    Q_PROPERTY(int Height READ height WRITE setPaneHeight)

public:
    explicit TMemo(QWidget *parent = nullptr);

    const QString &Text() const { return m_text; }
    void SetText(const QString &text);
    // The same in pieces of some thousand lines, running `between` after
    // each piece but the last: a long report fills the pane while the
    // window goes on answering.
    void SetText(const QString &text, const std::function<void()> &between);
    void Clear() { SetText(QString()); }

    // The lines shown at the current width: wrapped pieces each count, a
    // final empty line does not, an empty pane counts 0.
    int LineCount() const;
    // LineCount() as far as a comparison with `limit` needs it: a count
    // above the limit gives limit + 1.
    int LineCountUpTo(int limit) const;
    // The lines that one paragraph (a text without line breaks) takes.
    int ShownLines(QStringView paragraph) const;

    void setPaneHeight(int height) { setFixedHeight(height); }

private:
    // The width the pane's document layout wraps at.
    qreal WrapWidth() const;
    int LayOut(const QString &paragraph, qreal width) const;
    // True when the paragraph surely fits the width without laying it out:
    // every character is the pane font's own and none is wider than its
    // widest glyph.
    bool SurelyFits(const QString &paragraph, qreal width) const;

    QString m_text;
    // Reports repeat their paragraphs from build to build: each distinct one
    // is laid out once for the width and font at hand.
    mutable QHash<QString, int> m_shownLines;
    mutable qreal m_cachedWidth = -1;
    mutable QFont m_cachedFont;
    mutable QRawFont m_rawFont;
    mutable qreal m_widestGlyph = 0;
};

} // namespace lorvane
