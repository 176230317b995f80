#include "app/controls.h"

#include "core/shortdate.h"

#include <QKeyEvent>
#include <QStringListModel>
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

} // namespace

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
