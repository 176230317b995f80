#pragma once

#include <QList>
#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace lorvane {

class StreamReader;
class StreamWriter;

// The component tree over Qt's object tree. A component is an object with a
// name; the children of a component are the nearest components below it,
// looking through unnamed objects and Qt's internal "qt_" ones.
bool IsComponent(const QObject *object);
// The first child of that name in child order, letter case ignored.
QObject *FindComponentChild(const QObject *component, QStringView name);

// The class name written to a property stream: the class's "StreamClass"
// class info when it has one, else its meta-object class name.
QString StreamClassName(const QMetaObject *meta);
inline QString StreamClassName(const QObject *object) { return StreamClassName(object->metaObject()); }

// A published property looked up without regard to case, the most derived
// class first; QObject's own objectName is not one. Invalid when there is
// none.
QMetaProperty FindPublishedProperty(const QMetaObject *meta, QStringView name);
// Readable by a property stream: a read accessor that the class does not
// hide by naming the property in its "StreamWriteOnly" class info (a
// blank-separated list) - Qt demands a read accessor for every property.
bool IsStreamReadable(const QMetaObject *meta, const QMetaProperty &property);
// The published properties of a class, those of QObject itself left out,
// sorted by name without regard to case.
QList<QMetaProperty> PublishedProperties(const QMetaObject *meta);

// The object held by an object-typed property; nullptr for other kinds.
QObject *PropertyObject(const QObject *object, const QMetaProperty &property);
bool IsObjectProperty(const QMetaProperty &property);

// Receives the declarations of the properties that an object streams
// without publishing them.
class TFiler
{
public:
    using ReadProc = std::function<void(StreamReader &)>;
    using WriteProc = std::function<void(StreamWriter &)>;
    using BinaryReadProc = std::function<void(const QByteArray &)>;
    using BinaryWriteProc = std::function<QByteArray()>;

    virtual ~TFiler() = default;
    virtual void DefineProperty(const QString &name, ReadProc readData, WriteProc writeData,
                                bool hasData) = 0;
    virtual void DefineBinaryProperty(const QString &name, BinaryReadProc readData,
                                      BinaryWriteProc writeData, bool hasData) = 0;
};

// Implemented by an object that has defined properties; found by
// qobject_cast, so the class lists it in Q_INTERFACES.
class DefinedProperties
{
public:
    virtual ~DefinedProperties() = default;
    virtual void DefineProperties(TFiler &filer) = 0;
};

// A filer that only records the names it is given.
class TDefinePropertyFiler : public TFiler
{
public:
    void DefineProperty(const QString &name, ReadProc, WriteProc, bool) override { names.append(name); }
    void DefineBinaryProperty(const QString &name, BinaryReadProc, BinaryWriteProc, bool) override
    {
        names.append(name);
    }

    QStringList names;
};

// Names of the defined properties of an object; empty when it has none.
QStringList GetDefinedObjectPropertyNames(QObject *object);

} // namespace lorvane

Q_DECLARE_INTERFACE(lorvane::DefinedProperties, "org.tessivar.lorvane.DefinedProperties")
