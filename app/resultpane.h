#pragma once

#include <QPlainTextEdit>

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
    void Clear() { SetText(QString()); }

    // The lines shown at the current width: wrapped pieces each count, a
    // final empty line does not, an empty pane counts 0.
    int LineCount() const;
    // The lines that one paragraph (a text without line breaks) takes.
    int ShownLines(QStringView paragraph) const;

    void setPaneHeight(int height) { setFixedHeight(height); }

private:
    // The width the pane's document layout wraps at.
    qreal WrapWidth() const;

    QString m_text;
};

} // namespace lorvane
