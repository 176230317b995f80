#include "settings/mapping/propwriter.h"

#include "settings/mapping/collection.h"
#include "core/error.h"
#include "core/integertypes.h"
#include "settings/mapping/propertynames.h"

#include <QDateTime>
#include <QMetaEnum>

#include <algorithm>

namespace lorvane {

namespace {

const QString kOwnProperties = QStringLiteral("<P>");
const QString kForAllItems = QStringLiteral("<ForAllItems>");
const QString kItem = QStringLiteral("<Item");

// Past this nesting a listing stops: sub-objects that refer to each other
// would otherwise be listed without end.
constexpr int kMaxListingDepth = 16;

constexpr qint64 kMsecsPerDay = 86400000;

double DateTimeToDays(const QDateTime &value)
{
    return DateToDays(value.date()) + double(value.time().msecsSinceStartOfDay()) / double(kMsecsPerDay);
}

// Property kinds that have a stream form; others (like a wide character)
// are left out without a word.
bool HasStreamForm(const QMetaProperty &property)
{
    if (property.isEnumType())
        return true;
    const int id = property.metaType().id();
    return IsIntegerType(id) || id == QMetaType::Bool || id == QMetaType::Double || id == QMetaType::Float
        || id == QMetaType::QDate || id == QMetaType::QDateTime || id == QMetaType::QString
        || id == QMetaType::QChar || id == QMetaType::QVariant;
}

class ListingFiler : public TFiler
{
public:
    void DefineProperty(const QString &name, ReadProc, WriteProc, bool) override { plain.append(name); }
    void DefineBinaryProperty(const QString &name, BinaryReadProc, BinaryWriteProc, bool) override
    {
        binary.append(name);
    }

    QStringList plain;
    QStringList binary;
};

QStringList Listing(QObject *object, int depth)
{
    QStringList out;
    for (const QMetaProperty &property : PublishedProperties(object->metaObject())) {
        const QString name = QString::fromLatin1(property.name());
        QObject *held = PropertyObject(object, property);
        if (held && !IsComponent(held) && depth < kMaxListingDepth) {
            for (const QString &inner : Listing(held, depth + 1))
                out.append(name + u'.' + inner);
            if (qobject_cast<TCollection *>(held))
                out.append(name);
        } else {
            out.append(name);
        }
    }
    ListingFiler filer;
    if (auto *defined = qobject_cast<DefinedProperties *>(object))
        defined->DefineProperties(filer);
    return out + filer.plain + filer.binary;
}

QObject *NamedAncestor(const QObject *object)
{
    for (QObject *up = object->parent(); up; up = up->parent()) {
        if (IsComponent(up))
            return up;
    }
    return nullptr;
}

bool IsInside(const QObject *object, const QObject *ancestor)
{
    for (const QObject *up = object->parent(); up; up = up->parent()) {
        if (up == ancestor)
            return true;
    }
    return false;
}

} // namespace

QStringList PropertyListing(QObject *object)
{
    return Listing(object, 0);
}

class TPropWriterEh::Filer : public TFiler
{
public:
    explicit Filer(TPropWriterEh &writer) : m_writer(writer) {}

    void DefineProperty(const QString &name, ReadProc, WriteProc writeData, bool) override
    {
        m_writer.FDefnPropList.push_back({name, std::move(writeData)});
    }
    void DefineBinaryProperty(const QString &name, BinaryReadProc, BinaryWriteProc writeData, bool) override
    {
        m_writer.FDefnBinPropList.push_back({name, std::move(writeData)});
    }

private:
    TPropWriterEh &m_writer;
};

TPropWriterEh::PathScope::PathScope(TPropWriterEh &writer, const QString &prefix)
    : m_writer(writer), m_length(writer.FPropPath.size())
{
    m_writer.FPropPath += prefix;
}

TPropWriterEh::PathScope::~PathScope()
{
    m_writer.FPropPath.truncate(m_length);
}

TPropWriterEh::TPropWriterEh(QIODevice *stream, int bufSize) : StreamWriter(stream, bufSize) {}

TPropWriterEh::~TPropWriterEh() = default;

void TPropWriterEh::WriteOwnerProperties(QObject *owner, const QStringList &propList)
{
    m_owner = owner;
    // Interceptors live until the end of the write, freed newest first.
    struct InterceptorRelease
    {
        TPropWriterEh &writer;
        ~InterceptorRelease()
        {
            while (!writer.FInterceptorList.empty())
                writer.FInterceptorList.pop_back();
            writer.FCurRootsList.clear();
        }
    } release{*this};

    // Each component's record is written once only when its entries stand
    // together, its own properties ahead of its children's.
    QStringList entries = propList;
    std::stable_sort(entries.begin(), entries.end(), [](const QString &a, const QString &b) {
        return TPropertyNamesEh::CompareStrings(a, b) < 0;
    });

    WriteSignature();
    WriteStr(StreamClassName(owner));
    WriteStr(owner->objectName());
    for (const QString &entry : entries) {
        const qsizetype dot = entry.indexOf(u'.');
        if (dot < 0)
            throw Error(QStringLiteral("Component name is empty."));
        if (QStringView(entry).left(dot) == kOwnProperties)
            SaveObjectProperyValue(owner, entry.mid(dot + 1), entry);
    }
    if (OnWriteOwnerProps)
        OnWriteOwnerProps(*this);
    WriteListEnd();

    for (const QString &entry : entries) {
        if (QStringView(entry).left(entry.indexOf(u'.')) != kOwnProperties)
            WriteSecondPassEntry(entry);
    }
    WriteListEnd();
    for (qsizetype i = 0; i < FCurRootsList.size(); ++i)
        WriteListEnd();
    WriteListEnd();
    FlushBuffer();
}

void TPropWriterEh::WriteSecondPassEntry(const QString &entry)
{
    QStringList names;
    QString propertyPath;
    QStringView rest = entry;
    while (true) {
        const qsizetype dot = rest.indexOf(u'.');
        const QStringView element = dot < 0 ? rest : rest.left(dot);
        if (element == kOwnProperties) {
            propertyPath = dot < 0 ? QString() : rest.mid(dot + 1).toString();
            break;
        }
        if (element.isEmpty())
            throw Error(QStringLiteral("Component name is empty."));
        names.append(element.toString());
        if (dot < 0)
            break;
        rest = rest.mid(dot + 1);
    }

    // An entry whose component the window lacks is left out, as the reader
    // leaves out a record for a missing component.
    QList<QObject *> chain;
    QObject *reached = m_owner;
    for (const QString &name : names) {
        reached = FindComponentChild(reached, name);
        if (!reached)
            return;
        chain.append(reached);
    }

    for (qsizetype d = 1; d <= chain.size(); ++d) {
        QObject *child = chain.at(d - 1);
        const qsizetype open = FCurRootsList.size();
        if (open >= d && FCurRootsList.at(d - 1) == child)
            continue;
        if (open >= d) {
            WriteListEnd();
            while (FCurRootsList.size() >= d) {
                WriteListEnd();
                FCurRootsList.removeLast();
            }
        } else if (open > 0) {
            WriteListEnd();
        }
        WriteStr(StreamClassName(child));
        WriteStr(child->objectName());
        FCurRootsList.append(child);
    }
    SaveObjectProperyValue(chain.last(), propertyPath, entry);
}

void TPropWriterEh::WritePropName(const QString &propName)
{
    WriteStr(FPropPath + propName);
}

void TPropWriterEh::DefineObjectProperties(QObject *instance)
{
    FDefnPropList.clear();
    FDefnBinPropList.clear();
    if (auto *defined = qobject_cast<DefinedProperties *>(instance)) {
        Filer filer(*this);
        defined->DefineProperties(filer);
    }
}

void TPropWriterEh::SaveObjectProperyValue(QObject *instance, const QString &path, const QString &fullPath)
{
    if (path.isEmpty())
        throw Error(QStringLiteral("Property name is empty."));
    const qsizetype dot = path.indexOf(u'.');
    const bool hasRest = dot >= 0;
    const QString head = hasRest ? path.left(dot) : path;
    const QString rest = hasRest ? path.mid(dot + 1) : QString();

    if (head == kForAllItems || head.startsWith(kItem)) {
        SaveCollectionItems(instance, head, rest, hasRest, fullPath);
        return;
    }

    QObject *source = instance;
    QMetaProperty property;
    if (TStoragePropertyInterceptor *interceptor = InterceptorFor(instance, FInterceptorList)) {
        const QMetaProperty stood = FindPublishedProperty(interceptor->metaObject(), head);
        if (stood.isValid() && IsStreamReadable(interceptor->metaObject(), stood)) {
            source = interceptor;
            property = stood;
        }
    }
    if (!property.isValid())
        property = FindPublishedProperty(instance->metaObject(), head);

    if (!property.isValid()) {
        DefineObjectProperties(instance);
        const auto same = [&head](const auto &defined) {
            return defined.name.compare(head, Qt::CaseInsensitive) == 0;
        };
        const auto plain = std::find_if(FDefnPropList.begin(), FDefnPropList.end(), same);
        if (plain != FDefnPropList.end() && plain->write) {
            const TFiler::WriteProc write = plain->write;
            WritePropName(head);
            write(*this);
            return;
        }
        const auto binary = std::find_if(FDefnBinPropList.begin(), FDefnBinPropList.end(), same);
        if (binary != FDefnBinPropList.end() && binary->write) {
            const TFiler::BinaryWriteProc write = binary->write;
            WritePropName(head);
            WriteBinary(write());
            return;
        }
        throw Error(QStringLiteral("Invalide property name: ") + head);
    }

    if (!IsStreamReadable(source->metaObject(), property))
        return;
    if (IsObjectProperty(property)) {
        SaveObjectProperty(source, property, head, rest, hasRest, fullPath);
        return;
    }
    if (!property.isWritable() || !HasStreamForm(property))
        return;
    WritePropName(head);
    WriteSimpleValue(property.read(source), property);
}

void TPropWriterEh::SaveCollectionItems(QObject *instance, const QString &head, const QString &rest,
                                        bool hasRest, const QString &fullPath)
{
    auto *collection = qobject_cast<TCollection *>(instance);
    if (!collection)
        throw Error(QStringLiteral("Component type is not Collection."));
    if (head != kForAllItems) {
        const QString number = head.mid(kItem.size(), head.size() - kItem.size() - 1);
        bool ok = false;
        const int index = number.toInt(&ok);
        if (!ok)
            throw Error(QStringLiteral("'%1' is not a valid integer value").arg(number));
        if (index < 0 || index >= collection->Count())
            throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
        SaveItem(collection->Items(index), index, rest, hasRest, fullPath);
        return;
    }
    if (hasRest || collection->Count() == 0) {
        for (int i = 0; i < collection->Count(); ++i)
            SaveItem(collection->Items(i), i, rest, true, fullPath);
        return;
    }
    const QStringList listing = PropertyListing(collection->Items(0));
    for (int i = 0; i < collection->Count(); ++i) {
        const PathScope scope(*this, QStringLiteral("__Item%1.").arg(i));
        for (const QString &name : listing)
            SaveObjectProperyValue(collection->Items(i), name, fullPath);
    }
}

void TPropWriterEh::SaveItem(QObject *item, int index, const QString &rest, bool hasRest, const QString &fullPath)
{
    const PathScope scope(*this, QStringLiteral("__Item%1.").arg(index));
    if (hasRest)
        SaveObjectProperyValue(item, rest, fullPath);
    else
        SaveListing(item, fullPath);
}

void TPropWriterEh::SaveListing(QObject *object, const QString &fullPath)
{
    for (const QString &name : PropertyListing(object))
        SaveObjectProperyValue(object, name, fullPath);
}

void TPropWriterEh::SaveObjectProperty(QObject *instance, const QMetaProperty &property, const QString &head,
                                       const QString &rest, bool hasRest, const QString &fullPath)
{
    QObject *held = PropertyObject(instance, property);
    if (!held) {
        if (property.isWritable()) {
            WritePropName(head);
            WriteValue(ValueType::vaNil);
        }
        return;
    }
    const bool subObject = !IsComponent(held) || held->parent() == instance;
    if (!subObject) {
        if (!property.isWritable())
            return;
        WritePropName(head);
        WriteIdent(ReferenceName(held));
        return;
    }
    {
        const PathScope scope(*this, head + u'.');
        if (hasRest)
            SaveObjectProperyValue(held, rest, fullPath);
        else
            SaveListing(held, fullPath);
    }
    if (auto *collection = qobject_cast<TCollection *>(held); collection && !hasRest) {
        WritePropName(head);
        WriteCollection(collection);
    }
}

void TPropWriterEh::WriteCollection(TCollection *value)
{
    WriteValue(ValueType::vaCollection);
    for (int i = 0; i < value->Count(); ++i) {
        WriteListBegin();
        {
            const QString outer = std::exchange(FPropPath, QString());
            struct Restore
            {
                QString &path;
                QString saved;
                ~Restore() { path = saved; }
            } restore{FPropPath, outer};
            SaveListing(value->Items(i), QString());
        }
        WriteListEnd();
    }
    WriteListEnd();
}

QString TPropWriterEh::ReferenceName(const QObject *component) const
{
    if (component == m_owner)
        return QStringLiteral("Owner");
    if (IsInside(component, m_owner))
        return component->objectName();
    if (const QObject *owner = NamedAncestor(component))
        return owner->objectName() + u'.' + component->objectName();
    return component->objectName() + QStringLiteral(".Owner");
}

void TPropWriterEh::WriteSimpleValue(const QVariant &value, const QMetaProperty &property)
{
    if (property.isEnumType()) {
        const QMetaEnum enumerator = property.enumerator();
        const int ordinal = value.toInt();
        if (enumerator.isFlag()) {
            WriteValue(ValueType::vaSet);
            for (int bit = 0; bit < 32; ++bit) {
                const int member = int(1u << bit);
                if (ordinal & member) {
                    if (const char *key = enumerator.valueToKey(member))
                        WriteStr(QString::fromLatin1(key));
                }
            }
            WriteStr(QString());
        } else if (const char *key = enumerator.valueToKey(ordinal)) {
            WriteIdent(QString::fromLatin1(key));
        } else {
            WriteInteger(ordinal);
        }
        return;
    }
    const int id = property.metaType().id();
    if (IsIntegerType(id))
        WriteInteger(value.toLongLong());
    else if (id == QMetaType::Bool)
        WriteBoolean(value.toBool());
    else if (id == QMetaType::Double || id == QMetaType::Float)
        WriteFloat(value.toDouble());
    else if (id == QMetaType::QDate)
        WriteDate(value.toDate());
    else if (id == QMetaType::QDateTime)
        WriteFloat(DateTimeToDays(value.toDateTime()));
    else if (id == QMetaType::QString)
        WriteString(value.toString());
    else if (id == QMetaType::QChar)
        WriteString(QString(value.toChar()));
    else
        WriteVariant(value);
}

void TPropWriterEh::WriteVariant(const QVariant &value)
{
    if (!value.isValid()) {
        WriteValue(ValueType::vaNil);
        return;
    }
    const int id = value.typeId();
    if (id == QMetaType::Nullptr)
        WriteValue(ValueType::vaNull);
    else if (IsIntegerType(id))
        WriteInteger(value.toLongLong());
    else if (id == QMetaType::Bool)
        WriteBoolean(value.toBool());
    else if (id == QMetaType::Float)
        WriteSingle(value.toFloat());
    else if (id == QMetaType::Double)
        WriteFloat(value.toDouble());
    else if (id == QMetaType::QDate)
        WriteVariantDate(DateToDays(value.toDate()));
    else if (id == QMetaType::QDateTime)
        WriteVariantDate(DateTimeToDays(value.toDateTime()));
    else if (id == QMetaType::QString)
        WriteString(value.toString());
    else
        throw Error(QStringLiteral("Stream write error"));
}

} // namespace lorvane
