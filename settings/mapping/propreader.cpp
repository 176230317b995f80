#include "settings/mapping/propreader.h"

#include "settings/mapping/collection.h"
#include "core/error.h"
#include "core/integertypes.h"

#include <QMetaEnum>

#include <optional>

namespace lorvane {

namespace {

bool IsIntegerTag(ValueType tag, bool wide)
{
    return tag == ValueType::vaInt8 || tag == ValueType::vaInt16 || tag == ValueType::vaInt32
        || (wide && tag == ValueType::vaInt64);
}

bool IsFloatTag(ValueType tag)
{
    return tag == ValueType::vaExtended || tag == ValueType::vaDouble || IsIntegerTag(tag, true);
}

bool IsTextTag(ValueType tag)
{
    return tag == ValueType::vaString || tag == ValueType::vaLString || tag == ValueType::vaWString
        || tag == ValueType::vaUTF8String;
}

bool IsIdentTag(ValueType tag)
{
    return tag == ValueType::vaIdent || tag == ValueType::vaFalse || tag == ValueType::vaTrue
        || tag == ValueType::vaNil || tag == ValueType::vaNull;
}

bool IsSingleBit(int value)
{
    return value != 0 && (unsigned(value) & (unsigned(value) - 1)) == 0;
}

// The value of the enumeration key of that name, letter case ignored.
std::optional<int> KeyValue(const QMetaEnum &enumerator, const QString &name)
{
    for (int i = 0; i < enumerator.keyCount(); ++i) {
        if (name.compare(QLatin1StringView(enumerator.key(i)), Qt::CaseInsensitive) == 0)
            return enumerator.value(i);
    }
    return std::nullopt;
}

// Applies what the record has put into its interceptors, newest first, and
// frees each.
void ApplyInterceptors(InterceptorList &interceptors)
{
    while (!interceptors.empty()) {
        interceptors.back().second->Readed();
        interceptors.pop_back();
    }
}

QString RecordName(const QObject *object)
{
    return object->objectName().isEmpty() ? StreamClassName(object) : object->objectName();
}

} // namespace

class TPropReaderEh::Filer : public TFiler
{
public:
    explicit Filer(TPropReaderEh &reader) : m_reader(reader) {}

    void DefineProperty(const QString &name, ReadProc readData, WriteProc, bool) override
    {
        if (!Matches(name, bool(readData)))
            return;
        readData(m_reader);
        m_reader.FPropName.clear();
    }

    void DefineBinaryProperty(const QString &name, BinaryReadProc readData, BinaryWriteProc, bool) override
    {
        if (!Matches(name, bool(readData)))
            return;
        const QByteArray bytes = m_reader.ReadBinary();
        m_reader.FCanHandleExcepts = true;
        readData(bytes);
        m_reader.FPropName.clear();
    }

private:
    bool Matches(const QString &name, bool readable) const
    {
        return readable && !m_reader.FPropName.isEmpty()
            && name.compare(m_reader.FPropName, Qt::CaseInsensitive) == 0;
    }

    TPropReaderEh &m_reader;
};

TPropReaderEh::TPropReaderEh(QIODevice *stream, int bufSize) : StreamReader(stream, bufSize) {}

TPropReaderEh::~TPropReaderEh() = default;

void TPropReaderEh::ReadOwnerProperties(QObject *component)
{
    if (!ReadSignature())
        throw Error(QStringLiteral("Invalid stream format"));
    m_root = component;
    m_parent = component;
    ReadComponent(component);
}

void TPropReaderEh::ReadComponent(QObject *component)
{
    const DepthGuard depth(*this);
    ReadPrefix();
    ReadStr();
    const QString name = ReadStr();

    // A record for a component the window no longer has goes into a blank
    // stand-in that is thrown away afterwards.
    std::unique_ptr<QObject> placeholder;
    if (!component) {
        component = FindComponentChild(m_parent, name);
        if (!component) {
            placeholder = std::make_unique<QObject>();
            placeholder->setObjectName(name);
            component = placeholder.get();
        }
    }

    InterceptorList interceptors;
    {
        // Collections addressed by item stay in update until the property
        // list ends, also when an error ends it.
        struct EndUpdates
        {
            QList<QPointer<TCollection>> &list;
            ~EndUpdates()
            {
                for (const QPointer<TCollection> &collection : std::as_const(list)) {
                    if (collection)
                        collection->EndUpdate();
                }
                list.clear();
            }
        } endUpdates{FCollectionList};
        while (!EndOfList())
            ReadProperty(component, component, interceptors);
        ReadValue();
    }
    ApplyInterceptors(interceptors);

    struct RestoreParent
    {
        QObject *&parent;
        QObject *saved;
        ~RestoreParent() { parent = saved; }
    } restoreParent{m_parent, m_parent};
    m_parent = component;
    while (!EndOfList())
        ReadComponent(nullptr);
    ReadValue();
}

void TPropReaderEh::ReadProperty(QObject *instance, QObject *recordComponent, InterceptorList &interceptors)
{
    QString entry;
    try {
        entry = ReadStr();
        FCanHandleExcepts = true;
        ReadPropertyPath(instance, recordComponent, entry, interceptors);
    } catch (const Error &error) {
        if (Fatal())
            throw;
        const Error wrapped(QStringLiteral("Error reading %1%2%3: %4")
                                .arg(RecordName(instance), QStringLiteral("."), entry, error.message()));
        if (!FCanHandleExcepts)
            throw wrapped;
    }
}

void TPropReaderEh::ReadPropertyPath(QObject *instance, QObject *recordComponent, const QString &entry,
                                     InterceptorList &interceptors)
{
    const QStringList elements = entry.split(u'.');
    QObject *object = instance;
    for (qsizetype i = 0; i + 1 < elements.size(); ++i) {
        const QString &element = elements.at(i);
        FPropName = element;
        if (auto *collection = qobject_cast<TCollection *>(object); collection && element.startsWith(u"__Item")) {
            bool ok = false;
            const int index = QStringView(element).mid(6).toInt(&ok);
            if (ok && index >= 0 && index < collection->Count()) {
                if (!FCollectionList.contains(collection)) {
                    collection->BeginUpdate();
                    FCollectionList.append(collection);
                }
                object = collection->Items(index);
            }
            continue;
        }
        const QMetaProperty property = FindPublishedProperty(object->metaObject(), element);
        if (!property.isValid())
            SkipAndFail(QStringLiteral("Property %1 does not exist").arg(element));
        QObject *held = PropertyObject(object, property);
        if (!held)
            SkipAndFail(QStringLiteral("Invalid property path"));
        object = held;
    }

    const QString &name = elements.last();
    FPropName = name;
    if (const QMetaObject *interceptorClass = FindInterceptorClass(object->metaObject())) {
        const QMetaProperty stood = FindPublishedProperty(interceptorClass, name);
        if (stood.isValid() && stood.isWritable()) {
            ReadPropValue(InterceptorFor(object, interceptors), stood);
            return;
        }
    }
    if (object == recordComponent && OnReadOwnerProp) {
        bool processed = false;
        OnReadOwnerProp(*this, name, processed);
        if (processed)
            return;
    }
    const QMetaProperty property = FindPublishedProperty(object->metaObject(), name);
    if (property.isValid()) {
        ReadPropValue(object, property);
        return;
    }
    ReadDefinedProperty(object);
    if (!FPropName.isEmpty())
        SkipAndFail(QStringLiteral("Property %1 does not exist").arg(name));
}

void TPropReaderEh::ReadDefinedProperty(QObject *object)
{
    auto *defined = qobject_cast<DefinedProperties *>(object);
    if (!defined)
        return;
    // An error while a defined property reads its value ends the read.
    FCanHandleExcepts = false;
    Filer filer(*this);
    defined->DefineProperties(filer);
    FCanHandleExcepts = true;
}

void TPropReaderEh::SkipAndFail(const QString &message)
{
    SkipValue();
    throw Error(message);
}

void TPropReaderEh::Assign(QObject *object, const QMetaProperty &property, const QVariant &value)
{
    if (!property.write(object, value))
        InvalidPropertyValue();
}

void TPropReaderEh::ReadPropValue(QObject *object, const QMetaProperty &property)
{
    if (IsObjectProperty(property)) {
        ReadObjectValue(object, property);
        return;
    }
    if (!property.isWritable())
        SkipAndFail(QStringLiteral("Property is read-only"));
    const ValueType tag = NextValue();
    const int id = property.metaType().id();
    if (property.isEnumType() && property.enumerator().isFlag()) {
        ReadSet(object, property);
    } else if (property.isEnumType() || id == QMetaType::Bool) {
        if (!IsIdentTag(tag))
            SkipAndFail(QStringLiteral("Invalid property value"));
        const QString ident = ReadIdent();
        std::optional<int> value;
        if (id == QMetaType::Bool) {
            if (ident.compare(u"False", Qt::CaseInsensitive) == 0)
                value = 0;
            else if (ident.compare(u"True", Qt::CaseInsensitive) == 0)
                value = 1;
        } else {
            value = KeyValue(property.enumerator(), ident);
        }
        if (!value)
            InvalidPropertyValue();
        Assign(object, property, id == QMetaType::Bool ? QVariant(*value != 0) : QVariant(*value));
    } else if (id == QMetaType::LongLong || id == QMetaType::ULongLong) {
        if (!IsIntegerTag(tag, true))
            SkipAndFail(QStringLiteral("Invalid property value"));
        Assign(object, property, QVariant(ReadInteger(true)));
    } else if (IsIntegerType(id)) {
        // No integer type here has a table of value names.
        if (!IsIntegerTag(tag, false))
            SkipAndFail(QStringLiteral("Invalid property value"));
        Assign(object, property, QVariant(ReadInteger()));
    } else if (id == QMetaType::Double || id == QMetaType::Float) {
        if (!IsFloatTag(tag))
            SkipAndFail(QStringLiteral("Invalid property value"));
        Assign(object, property, QVariant(ReadFloat()));
    } else if (id == QMetaType::QDate || id == QMetaType::QDateTime) {
        if (!IsFloatTag(tag))
            SkipAndFail(QStringLiteral("Invalid property value"));
        const QDateTime value = ReadDateTime();
        Assign(object, property, id == QMetaType::QDate ? QVariant(value.date()) : QVariant(value));
    } else if (id == QMetaType::QString || id == QMetaType::QChar) {
        if (!IsTextTag(tag))
            SkipAndFail(QStringLiteral("Invalid property value"));
        const QString text = ReadString();
        if (id == QMetaType::QString)
            Assign(object, property, QVariant(text));
        else if (text.size() <= 1)
            Assign(object, property, QVariant(text.isEmpty() ? QChar() : text.front()));
        else
            InvalidPropertyValue();
    } else if (id == QMetaType::QVariant) {
        Assign(object, property, ReadVariant());
    } else {
        SkipAndFail(QStringLiteral("Invalid property value"));
    }
}

void TPropReaderEh::ReadSet(QObject *object, const QMetaProperty &property)
{
    if (NextValue() != ValueType::vaSet)
        SkipAndFail(QStringLiteral("Invalid property value"));
    ReadValue();
    const QMetaEnum enumerator = property.enumerator();
    int value = 0;
    for (QString name = ReadStr(); !name.isEmpty(); name = ReadStr()) {
        const std::optional<int> member = KeyValue(enumerator, name);
        if (!member) {
            while (!ReadStr().isEmpty()) {
            }
            InvalidPropertyValue();
        }
        if (IsSingleBit(*member))
            value |= *member;
    }
    Assign(object, property, QVariant(value));
}

QVariant TPropReaderEh::ReadVariant()
{
    switch (NextValue()) {
    case ValueType::vaNil:
        ReadValue();
        return QVariant();
    case ValueType::vaNull:
        ReadValue();
        return QVariant::fromValue(nullptr);
    case ValueType::vaFalse:
    case ValueType::vaTrue:
        return QVariant(ReadValue() == ValueType::vaTrue);
    case ValueType::vaInt8:
    case ValueType::vaInt16:
    case ValueType::vaInt32:
        return QVariant(int(ReadInteger()));
    case ValueType::vaInt64:
        return QVariant(ReadInteger(true));
    case ValueType::vaSingle:
        return QVariant(ReadSingle());
    case ValueType::vaExtended:
    case ValueType::vaDouble:
        return QVariant(ReadFloat());
    case ValueType::vaCurrency:
        return QVariant(ReadCurrency());
    case ValueType::vaDate:
        return QVariant(ReadVariantDate());
    case ValueType::vaString:
    case ValueType::vaLString:
    case ValueType::vaWString:
    case ValueType::vaUTF8String:
        return QVariant(ReadString());
    default:
        SkipAndFail(QStringLiteral("Invalid property value"));
    }
}

void TPropReaderEh::ReadObjectValue(QObject *object, const QMetaProperty &property)
{
    QObject *held = PropertyObject(object, property);
    const ValueType tag = NextValue();
    if (tag == ValueType::vaCollection) {
        auto *collection = qobject_cast<TCollection *>(held);
        if (!collection)
            SkipAndFail(QStringLiteral("Invalid property value"));
        ReadCollection(collection);
        return;
    }
    if (!property.isWritable())
        SkipAndFail(QStringLiteral("Property is read-only"));
    const QMetaObject *wanted = property.metaType().metaObject();
    if (tag == ValueType::vaNil) {
        ReadValue();
        QObject *none = nullptr;
        Assign(object, property, QVariant(property.metaType(), &none));
        return;
    }
    if (tag != ValueType::vaIdent)
        SkipAndFail(QStringLiteral("Invalid property value"));
    // A reference that is not found, or is of another class, is left as it was.
    QObject *found = FindReference(ReadIdent());
    if (found && wanted && found->metaObject()->inherits(wanted))
        Assign(object, property, QVariant(property.metaType(), &found));
}

QObject *TPropReaderEh::FindReference(const QString &name) const
{
    const QList<QObject *> all = m_root->findChildren<QObject *>();
    for (QObject *candidate : all) {
        if (IsComponent(candidate) && candidate->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return name.compare(u"Owner", Qt::CaseInsensitive) == 0 ? m_root : nullptr;
}

void TPropReaderEh::ReadCollection(TCollection *collection)
{
    const DepthGuard depth(*this);
    ReadValue();
    if (!EndOfList())
        collection->Clear();
    collection->BeginUpdate();
    struct EndUpdate
    {
        TCollection *collection;
        ~EndUpdate() { collection->EndUpdate(); }
    } endUpdate{collection};
    while (!EndOfList()) {
        if (IsIntegerTag(NextValue(), true))
            ReadInteger(true);
        ReadListBegin();
        TCollectionItem *item = collection->Add();
        InterceptorList interceptors;
        while (!EndOfList())
            ReadProperty(item, nullptr, interceptors);
        ReadValue();
        ApplyInterceptors(interceptors);
    }
    ReadValue();
}

} // namespace lorvane
