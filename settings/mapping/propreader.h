#pragma once

#include "settings/mapping/interceptor.h"
#include "settings/mapping/reflection.h"
#include "settings/stream/streamreader.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

namespace lorvane {

class TCollection;

// Applies a property stream to a live window. Errors about single
// properties are reported as "Error reading ..." and, where allowed,
// dropped so the rest of the stream still applies.
class TPropReaderEh : public StreamReader
{
public:
    TPropReaderEh(QIODevice *stream, int bufSize);
    ~TPropReaderEh() override;

    void ReadOwnerProperties(QObject *component);
    // One component record; component is the window for its record and
    // nullptr for child records.
    void ReadComponent(QObject *component);

    // Offered a property of a record's component that no interceptor takes;
    // a handler that sets processed has read the value itself.
    std::function<void(TPropReaderEh &reader, const QString &propName, bool &processed)> OnReadOwnerProp;

private:
    class Filer;

    void ReadProperty(QObject *instance, QObject *recordComponent, InterceptorList &interceptors);
    void ReadPropertyPath(QObject *instance, QObject *recordComponent, const QString &entry,
                          InterceptorList &interceptors);
    void ReadDefinedProperty(QObject *object);
    void ReadPropValue(QObject *object, const QMetaProperty &property);
    void ReadObjectValue(QObject *object, const QMetaProperty &property);
    void ReadCollection(TCollection *collection);
    void ReadSet(QObject *object, const QMetaProperty &property);
    QVariant ReadVariant();
    QObject *FindReference(const QString &name) const;
    void Assign(QObject *object, const QMetaProperty &property, const QVariant &value);
    [[noreturn]] void SkipAndFail(const QString &message);

    QObject *m_root = nullptr;
    QObject *m_parent = nullptr;
    QString FPropName;
    bool FCanHandleExcepts = false;
    QList<QPointer<TCollection>> FCollectionList;
};

} // namespace lorvane
