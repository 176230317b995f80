#pragma once

#include "settings/mapping/interceptor.h"
#include "settings/mapping/reflection.h"
#include "settings/stream/streamwriter.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <vector>

namespace lorvane {

class TCollection;

// Writes the stored properties of a window, named by its stored-property
// list, as a property stream.
class TPropWriterEh : public StreamWriter
{
public:
    TPropWriterEh(QIODevice *stream, int bufSize);
    ~TPropWriterEh() override;

    // The whole stream for the window and its list; flushes it.
    void WriteOwnerProperties(QObject *owner, const QStringList &propList);
    // The short string FPropPath + propName; a handler of OnWriteOwnerProps
    // follows it with a value.
    void WritePropName(const QString &propName);
    // The entry or entries for the property path of the object.
    void SaveObjectProperyValue(QObject *instance, const QString &path, const QString &fullPath);
    void WriteCollection(TCollection *value);
    // Empties the recorded defined properties and asks the object for its own.
    void DefineObjectProperties(QObject *instance);

    // Called after the window's own properties, before its list ends.
    std::function<void(TPropWriterEh &writer)> OnWriteOwnerProps;

private:
    class Filer;
    struct Defined
    {
        QString name;
        TFiler::WriteProc write;
    };
    struct DefinedBinary
    {
        QString name;
        TFiler::BinaryWriteProc write;
    };
    // Extends FPropPath for the duration of a nested write.
    class PathScope
    {
    public:
        PathScope(TPropWriterEh &writer, const QString &prefix);
        ~PathScope();
        PathScope(const PathScope &) = delete;
        PathScope &operator=(const PathScope &) = delete;

    private:
        TPropWriterEh &m_writer;
        qsizetype m_length;
    };

    void WriteSecondPassEntry(const QString &entry);
    void SaveCollectionItems(QObject *instance, const QString &head, const QString &rest, bool hasRest,
                             const QString &fullPath);
    void SaveItem(QObject *item, int index, const QString &rest, bool hasRest, const QString &fullPath);
    void SaveObjectProperty(QObject *instance, const QMetaProperty &property, const QString &head,
                            const QString &rest, bool hasRest, const QString &fullPath);
    void SaveListing(QObject *object, const QString &fullPath);
    void WriteSimpleValue(const QVariant &value, const QMetaProperty &property);
    void WriteVariant(const QVariant &value);
    QString ReferenceName(const QObject *component) const;

    QObject *m_owner = nullptr;
    QString FPropPath;
    QList<QPointer<QObject>> FCurRootsList;
    InterceptorList FInterceptorList;
    std::vector<Defined> FDefnPropList;
    std::vector<DefinedBinary> FDefnBinPropList;
};

// The names that stand for every property of an object: its published
// properties by name, those of its non-component sub-objects prefixed by
// the property name, and then its defined properties.
QStringList PropertyListing(QObject *object);

} // namespace lorvane
