#include "app/controls.h"

#include "core/shortdate.h"

#include <QKeyEvent>
#include <QStringListModel>
#include <QStyleOption>
#include <QStyledItemDelegate>

namespace lorvane {

namespace {

class FixedRowDelegate : public QStyledItemDelegate
{
public:
    FixedRowDelegate(int height, QObject *parent) : QStyledItemDelegate(parent), m_height(height) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

// An edit shows its text 2 pixels inside its frame on each side, and the
// cursor after the text; a text wider than that scrolls.
int TextRoom(const QFontMetrics &metrics, const QString &text, const QMargins &textMargins)
{
    return metrics.horizontalAdvance(text) + 1 + 2 * 2 + textMargins.left() + textMargins.right();
}

} // namespace

void TEdit::setWidthInDigits(int digits)
{
    m_digits = digits;
    updateGeometry();
}

QSize TEdit::sizeHint() const
{
    const QSize hint = QLineEdit::sizeHint();
    if (m_digits <= 0)
        return hint;
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int room = TextRoom(fontMetrics(), QString(m_digits, u'0'), textMargins());
    return {style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(room, hint.height()), this).width(),
            hint.height()};
}

TDateTimePicker::TDateTimePicker(QWidget *parent) : QDateEdit(parent)
{
    setDisplayFormat(SystemDateFormat().pattern);
    setCalendarPopup(true);
}

void TDateTimePicker::keyPressEvent(QKeyEvent *event)
{
    const bool left = event->key() == Qt::Key_Left;
    if ((left || event->key() == Qt::Key_Right) && !(event->modifiers() & (Qt::ShiftModifier | Qt::AltModifier))) {
        const int section = currentSectionIndex() + (left ? -1 : 1);
        if (section >= 0 && section < sectionCount())
            setCurrentSectionIndex(section);
        setSelectedSection(currentSection());
        event->accept();
        return;
    }
    QDateEdit::keyPressEvent(event);
}

bool TDateTimePicker::focusNextPrevChild(bool next)
{
    // The picker's own version steps through its sections first.
    return QWidget::focusNextPrevChild(next);
}

QSize TDateTimePicker::sizeHint() const
{
    QSize hint = QDateEdit::sizeHint();
    // The text stands in the edit field of a combo box, beside the button
    // that opens the calendar.
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = true;
    option.subControls = QStyle::SC_ComboBoxEditField;
    option.rect = QRect(QPoint(0, 0), hint);
    const int besideField =
        hint.width() - style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).width();
    // Digits, and the names of days and months, differ in width.
    int widest = 0;
    for (int month = 1; month <= 12; ++month) {
        for (int day = 22; day <= 28; ++day) {
            const QString text = textFromDateTime(QDateTime(QDate(2088, month, day), QTime(0, 0)));
            widest = qMax(widest, TextRoom(fontMetrics(), text, {}));
        }
    }
    hint.setWidth(qMax(hint.width(), besideField + widest));
    return hint;
}

TComboItems::TComboItems(QComboBox *combo) : TStrings(combo), m_combo(combo)
{
}

QStringList TComboItems::lines() const
{
    QStringList items;
    items.reserve(m_combo->count());
    for (int index = 0; index < m_combo->count(); ++index)
        items.append(m_combo->itemText(index));
    return items;
}

void TComboItems::setLines(const QStringList &lines)
{
    const QString text = m_combo->currentText();
    m_combo->clear();
    m_combo->addItems(lines);
    m_combo->setEditText(text);
}

TComboBox::TComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // No completion from the history while typing: it would silently turn
    // a typed folder into another project's.
    setCompleter(nullptr);
    m_items = new TComboItems(this);
}

TListBox::TListBox(QWidget *parent) : QListView(parent), m_model(new QStringListModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

QStringList TListBox::Items() const
{
    return m_model->stringList();
}

void TListBox::setItems(const QStringList &items)
{
    m_model->setStringList(items);
}

int TListBox::count() const
{
    return m_model->rowCount();
}

} // namespace lorvane

namespace lorvane {

void TListBox::setRowHeight(int height)
{
    QAbstractItemDelegate *previous = itemDelegate();
    setItemDelegate(new FixedRowDelegate(height, this));
    if (previous && previous->parent() == this)
        delete previous;
}

} // namespace lorvane
