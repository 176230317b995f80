#include "propstorage.h"

#include "propreader.h"
#include "propwriter.h"
#include "reflection.h"

namespace lorvane {

TPropStorageEh::TPropStorageEh(QObject *owner) : QObject(owner)
{
    m_storedProps.setRoot(owner);
}

QString TPropStorageEh::Section() const
{
    if (!m_section.isEmpty() || !parent())
        return m_section;
    return StreamClassName(parent());
}

namespace {

constexpr int kStreamBufferSize = 1024;

} // namespace

void TPropStorageEh::WritePropValues(QIODevice *stream)
{
    TPropWriterEh writer(stream, kStreamBufferSize);
    if (OnWriteCustomProps)
        writer.OnWriteOwnerProps = [this](TPropWriterEh &w) { OnWriteCustomProps(this, w); };
    writer.WriteOwnerProperties(parent(), m_storedProps.strings());
}

void TPropStorageEh::ReadPropValues(QIODevice *stream)
{
    TPropReaderEh reader(stream, kStreamBufferSize);
    if (OnReadProp) {
        reader.OnReadOwnerProp = [this](TPropReaderEh &r, const QString &name, bool &processed) {
            OnReadProp(this, r, name, processed);
        };
    }
    reader.ReadOwnerProperties(parent());
}

void TPropStorageEh::LoadProperties()
{
    emit BeforeLoadProps(this);
    FSaved = false;
    emit AfterLoadProps(this);
    FPropsLoaded = true;
}

void TPropStorageEh::SaveProperties()
{
    emit BeforeSaveProps(this);
    emit AfterSaveProps(this);
    FPropsLoaded = false;
}

} // namespace lorvane
