#pragma once

#include "settings/mapping/collection.h"
#include "settings/mapping/tstrings.h"

#include <QDate>
#include <QObject>
#include <QString>

// Stand-ins for the widgets of the two windows: named objects publishing the
// properties that the windows keep.

class FakeControl : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Height MEMBER m_height)
    Q_PROPERTY(int Top MEMBER m_top)

public:
    FakeControl(QObject *parent, const QString &name) : QObject(parent) { setObjectName(name); }

    int m_height = 0;
    int m_top = 0;
};

class FakeGroupBox : public FakeControl
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TGroupBox")

public:
    using FakeControl::FakeControl;
};

class FakeCheckBox : public FakeControl
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TCheckBox")
    Q_PROPERTY(bool Checked MEMBER m_checked)

public:
    using FakeControl::FakeControl;
    bool m_checked = false;
};

class FakeEdit : public FakeControl
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TEdit")
    Q_PROPERTY(QString Text MEMBER m_text)

public:
    using FakeControl::FakeControl;
    QString m_text;
};

class FakeDateEdit : public FakeControl
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TDateTimePicker")
    Q_PROPERTY(QDate Date MEMBER m_date)

public:
    using FakeControl::FakeControl;
    QDate m_date;
};

class FakeComboBox : public FakeControl
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TComboBox")
    Q_PROPERTY(lorvane::TStrings *Items READ items)
    Q_PROPERTY(QString Text MEMBER m_text)

public:
    FakeComboBox(QObject *parent, const QString &name) : FakeControl(parent, name), m_items(this) {}
    lorvane::TStrings *items() { return &m_items; }

    lorvane::TStrings m_items;
    QString m_text;
};

class FakeMemo : public FakeControl
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TMemo")

public:
    using FakeControl::FakeControl;
};

class FakeSplitter : public FakeControl
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TSplitter")

public:
    using FakeControl::FakeControl;
};

class FakeColumn : public lorvane::TCollectionItem
{
    Q_OBJECT
    Q_PROPERTY(int Size READ size WRITE setSize)
    Q_PROPERTY(QString Caption MEMBER m_caption)

public:
    Q_INVOKABLE explicit FakeColumn(QObject *parent = nullptr) : TCollectionItem(parent) {}
    int size() const { return m_size; }
    void setSize(int size)
    {
        m_size = size;
        updateCountSeen = static_cast<lorvane::TCollection *>(parent())->UpdateCount();
    }
    int m_size = 0;
    int updateCountSeen = -1;
    QString m_caption;
};

// A control with a collection, a reference, a read-only value and a line
// list of its own.
class FakeGrid : public FakeControl
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TGrid")
    Q_PROPERTY(lorvane::TCollection *Columns READ columns)
    Q_PROPERTY(QObject *Buddy MEMBER m_buddy)
    Q_PROPERTY(int Count READ count)
    Q_PROPERTY(lorvane::TStrings *Lines READ lines)

public:
    FakeGrid(QObject *parent, const QString &name)
        : FakeControl(parent, name), m_columns(&FakeColumn::staticMetaObject, this), m_lines(this)
    {
    }
    lorvane::TCollection *columns() { return &m_columns; }
    lorvane::TStrings *lines() { return &m_lines; }
    int count() const { return 7; }

    lorvane::TCollection m_columns;
    lorvane::TStrings m_lines;
    QObject *m_buddy = nullptr;
};
