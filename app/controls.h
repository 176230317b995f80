#pragma once

#include "settings/mapping/tstrings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>

class QStringListModel;

// The window controls whose properties the settings store keeps: each
// publishes them under the stored names and streams under its class name.
namespace lorvane {

class TCheckBox : public QCheckBox
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TCheckBox")
    Q_PROPERTY(bool Checked READ isChecked WRITE setChecked)

public:
    using QCheckBox::QCheckBox;
};

class TRadioButton : public QRadioButton
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TRadioButton")
    Q_PROPERTY(bool Checked READ isChecked WRITE setChecked)

public:
    using QRadioButton::QRadioButton;
};

class TGroupBox : public QGroupBox
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TGroupBox")

public:
    using QGroupBox::QGroupBox;
};

class TEdit : public QLineEdit
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TEdit")
    Q_PROPERTY(QString Text READ text WRITE setText)

public:
    using QLineEdit::QLineEdit;

    // Sizes the edit for a number of so many digits rather than for a
    // line of text.
    void setWidthInDigits(int digits);
    QSize sizeHint() const override;

private:
    int m_digits = 0;
};

// A date picker in the user's short date format; only the date counts. It
// is one stop for Tab; the Left and Right keys move between its sections.
class TDateTimePicker : public QDateEdit
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TDateTimePicker")
    Q_PROPERTY(QDate Date READ date WRITE setDate)

public:
    explicit TDateTimePicker(QWidget *parent = nullptr);

    // Wide enough to show any date whole, which the date edit's own hint
    // misses by a few pixels in some styles.
    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
};

// The item list of a combo box as a string list of the settings store.
class TComboItems : public TStrings
{
    Q_OBJECT

public:
    explicit TComboItems(QComboBox *combo);

    QStringList lines() const override;
    // Replaces the items and keeps the combo box's text as it was.
    void setLines(const QStringList &lines) override;

private:
    QComboBox *m_combo;
};

// An editable drop-down box whose list is a history: the text the user
// types is never added to the list by the box itself.
class TComboBox : public QComboBox
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TComboBox")
    Q_PROPERTY(QString Text READ currentText WRITE setEditText)
    Q_PROPERTY(lorvane::TStrings *Items READ Items)

public:
    explicit TComboBox(QWidget *parent = nullptr);

    TStrings *Items() const { return m_items; }

private:
    TComboItems *m_items;
};

class TListBox : public QListView
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TListBox")

public:
    explicit TListBox(QWidget *parent = nullptr);

    QStringList Items() const;
    void setItems(const QStringList &items);
    int count() const;
    void clear() { setItems({}); }
    void setRowHeight(int height);

private:
    QStringListModel *m_model;
};

} // namespace lorvane
