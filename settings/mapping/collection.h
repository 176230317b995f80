#pragma once

#include <QList>
#include <QObject>

namespace lorvane {

// One item of a TCollection. Subclasses publish the item's properties and
// declare a Q_INVOKABLE constructor taking the parent.
class TCollectionItem : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE explicit TCollectionItem(QObject *parent = nullptr) : QObject(parent) {}
};

// An owned list of items of one class, streamed item by item.
class TCollection : public QObject
{
    Q_OBJECT

public:
    explicit TCollection(const QMetaObject *itemClass, QObject *parent = nullptr);

    int Count() const { return int(m_items.size()); }
    TCollectionItem *Items(int index) const { return m_items.at(index); }
    TCollectionItem *Add();
    void Clear();

    // Nested; the collection is in update while the count is above zero.
    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate() { --m_updateCount; }
    int UpdateCount() const { return m_updateCount; }

private:
    const QMetaObject *m_itemClass;
    QList<TCollectionItem *> m_items;
    int m_updateCount = 0;
};

} // namespace lorvane
