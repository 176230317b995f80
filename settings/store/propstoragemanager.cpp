#include "settings/store/propstoragemanager.h"

#include "core/error.h"
#include "settings/store/propstorage.h"
#include "settings/stream/textform.h"
#include "settings/stream/valuetype.h"

#include <QBuffer>

namespace lorvane {

TPropStorageManagerEh::TPropStorageManagerEh(QObject *owner) : QObject(owner) {}

void TPropStorageManagerEh::ReadProperties(TPropStorageEh &) {}

void TPropStorageManagerEh::WritePropertiesStream(TPropStorageEh &, QIODevice *) {}

void TPropStorageManagerEh::WritePropertiesText(TPropStorageEh &, const QString &) {}

void TPropStorageManagerEh::WriteProperties(TPropStorageEh &propStorage)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    propStorage.WritePropValues(&buffer);
    buffer.seek(0);
    if (WriteAsText())
        WritePropertiesText(propStorage, PropertyStreamToText(bytes));
    else
        WritePropertiesStream(propStorage, &buffer);
}

void TPropStorageManagerEh::ReadPropertiesStream(QIODevice *stream, TPropStorageEh &propStorage)
{
    QByteArray head = stream->peek(4);
    head.append(4 - head.size(), '\0');
    if (quint8(head[0]) == 0xFF || head == kSignature || head == QByteArray(4, '\0')
        || head.startsWith("\xEF\xBB\xBF")) {
        propStorage.ReadPropValues(stream);
        return;
    }
    if (!StartsTextForm(head[0]))
        throw Error(QStringLiteral("Invalid stream format."));
    QByteArray bytes = PropertyTextToStream(stream->readAll());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    propStorage.ReadPropValues(&buffer);
}

} // namespace lorvane
