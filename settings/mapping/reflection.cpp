#include "settings/mapping/reflection.h"

#include <QMetaClassInfo>

#include <algorithm>

namespace lorvane {

namespace {

QObject *FindIn(const QObject *object, QStringView name)
{
    for (QObject *child : object->children()) {
        if (IsComponent(child)) {
            if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
                return child;
        } else if (QObject *found = FindIn(child, name)) {
            return found;
        }
    }
    return nullptr;
}

QString ClassInfo(const QMetaObject *meta, const char *name)
{
    const int index = meta->indexOfClassInfo(name);
    return index < 0 ? QString() : QString::fromUtf8(meta->classInfo(index).value());
}

} // namespace

bool IsComponent(const QObject *object)
{
    const QString name = object->objectName();
    return !name.isEmpty() && !name.startsWith(u"qt_");
}

QObject *FindComponentChild(const QObject *component, QStringView name)
{
    return FindIn(component, name);
}

QString StreamClassName(const QMetaObject *meta)
{
    const QString name = ClassInfo(meta, "StreamClass");
    return name.isEmpty() ? QString::fromUtf8(meta->className()) : name;
}

QMetaProperty FindPublishedProperty(const QMetaObject *meta, QStringView name)
{
    for (const QMetaObject *cls = meta; cls && cls != &QObject::staticMetaObject; cls = cls->superClass()) {
        for (int i = cls->propertyOffset(); i < cls->propertyCount(); ++i) {
            const QMetaProperty property = cls->property(i);
            if (name.compare(QLatin1StringView(property.name()), Qt::CaseInsensitive) == 0)
                return property;
        }
    }
    return {};
}

bool IsStreamReadable(const QMetaObject *meta, const QMetaProperty &property)
{
    if (!property.isReadable())
        return false;
    const QStringList hidden = ClassInfo(meta, "StreamWriteOnly").split(u' ', Qt::SkipEmptyParts);
    return !hidden.contains(QString::fromLatin1(property.name()), Qt::CaseInsensitive);
}

QList<QMetaProperty> PublishedProperties(const QMetaObject *meta)
{
    // A derived class may publish a name that an ancestor also has; the
    // most derived one stands for it.
    QList<QMetaProperty> out;
    QStringList seen;
    for (const QMetaObject *cls = meta; cls && cls != &QObject::staticMetaObject; cls = cls->superClass()) {
        for (int i = cls->propertyOffset(); i < cls->propertyCount(); ++i) {
            const QMetaProperty property = cls->property(i);
            const QString name = QString::fromLatin1(property.name());
            if (seen.contains(name, Qt::CaseInsensitive))
                continue;
            seen.append(name);
            out.append(property);
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const QMetaProperty &a, const QMetaProperty &b) {
        return QLatin1StringView(a.name()).compare(QLatin1StringView(b.name()), Qt::CaseInsensitive) < 0;
    });
    return out;
}

bool IsObjectProperty(const QMetaProperty &property)
{
    return property.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

QObject *PropertyObject(const QObject *object, const QMetaProperty &property)
{
    if (!IsObjectProperty(property) || !property.isReadable())
        return nullptr;
    const QVariant value = property.read(object);
    return value.isValid() ? *static_cast<QObject *const *>(value.constData()) : nullptr;
}

QStringList GetDefinedObjectPropertyNames(QObject *object)
{
    TDefinePropertyFiler filer;
    if (auto *defined = qobject_cast<DefinedProperties *>(object))
        defined->DefineProperties(filer);
    return filer.names;
}

} // namespace lorvane
