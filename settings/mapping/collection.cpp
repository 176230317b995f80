#include "settings/mapping/collection.h"

#include "core/error.h"

namespace lorvane {

TCollection::TCollection(const QMetaObject *itemClass, QObject *parent)
    : QObject(parent), m_itemClass(itemClass)
{
}

TCollectionItem *TCollection::Add()
{
    QObject *created = m_itemClass->newInstance(Q_ARG(QObject *, this));
    auto *item = qobject_cast<TCollectionItem *>(created);
    if (!item) {
        delete created;
        throw Error(QStringLiteral("Cannot create a collection item %1")
                        .arg(QString::fromUtf8(m_itemClass->className())));
    }
    m_items.append(item);
    return item;
}

void TCollection::Clear()
{
    qDeleteAll(m_items);
    m_items.clear();
}

} // namespace lorvane
