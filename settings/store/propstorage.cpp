#include "settings/store/propstorage.h"

#include "core/error.h"
#include "settings/mapping/propreader.h"
#include "settings/store/propstoragemanager.h"
#include "settings/mapping/propwriter.h"
#include "settings/mapping/reflection.h"
#include "settings/mapping/storedform.h"

#include <QEvent>

namespace lorvane {

namespace {

constexpr int kStreamBufferSize = 1024;

StoredForm *AsForm(QObject *object)
{
    return object ? qobject_cast<StoredForm *>(object) : nullptr;
}

bool IsWindow(const QObject *object)
{
    return qobject_cast<const StoredForm *>(object) || (object->isWidgetType() && !object->parent());
}

// The nearest window that contains the control.
const QObject *WindowOf(const QObject *control)
{
    for (const QObject *up = control->parent(); up; up = up->parent())
        if (IsWindow(up))
            return up;
    return nullptr;
}

} // namespace

TPropStorageEh::TPropStorageEh(QObject *owner) : QObject(owner)
{
    m_storedProps.setRoot(owner);
}

QString TPropStorageEh::Section() const
{
    const QObject *owner = parent();
    if (!m_section.isEmpty() || !owner)
        return m_section;
    if (IsWindow(owner))
        return StreamClassName(owner);
    if (owner->isWidgetType()) {
        if (const QObject *window = WindowOf(owner))
            return StreamClassName(window) + owner->objectName();
        return owner->parent() ? owner->parent()->objectName() + owner->objectName() : owner->objectName();
    }
    if (owner->parent() && IsWindow(owner->parent()))
        return QStringLiteral("%1.%2").arg(StreamClassName(owner->parent()), owner->objectName());
    return owner->objectName();
}

void TPropStorageEh::Loaded()
{
    QObject *owner = parent();
    if (m_watching || !owner || !IsWindow(owner))
        return;
    owner->installEventFilter(this);
    m_watching = true;
}

bool TPropStorageEh::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != parent())
        return false;
    // Only the showing itself: a window that comes back from the minimized
    // state is shown again by the window system, with nothing to load.
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        FormShow();
        return false;
    }
    if (event->type() == QEvent::Close) {
        FormCloseQuery(event);
        return true;
    }
    return false;
}

void TPropStorageEh::FormShow()
{
    if (!m_active)
        return;
    try {
        LoadProperties();
    } catch (const std::exception &) {
        // A store that cannot be read leaves the window as it is.
    }
}

void TPropStorageEh::FormCloseQuery(QEvent *event)
{
    // The window's own handler decides first.
    parent()->event(event);
    const StoredForm *form = AsForm(parent());
    if (event->isAccepted() && m_active && (!form || form->handleAllocated()) && FPropsLoaded)
        SaveShowingErrors();
}

void TPropStorageEh::OwnerDestroying()
{
    if (!m_active || FSaved || !FPropsLoaded)
        return;
    FDestroying = true;
    SaveShowingErrors();
    FDestroying = false;
}

void TPropStorageEh::SaveShowingErrors()
{
    try {
        SaveProperties();
    } catch (const std::exception &error) {
        if (OnError)
            OnError(ExceptionMessage(error));
    }
}

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
    if (m_storageManager)
        m_storageManager->ReadProperties(*this);
    emit AfterLoadProps(this);
    FPropsLoaded = true;
}

void TPropStorageEh::SaveProperties()
{
    emit BeforeSaveProps(this);
    if (m_storageManager) {
        m_storageManager->WriteProperties(*this);
        FSaved = true;
    }
    emit AfterSaveProps(this);
    FPropsLoaded = false;
}

} // namespace lorvane
