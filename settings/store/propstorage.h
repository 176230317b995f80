#pragma once

#include "settings/mapping/propertynames.h"
#include "settings/store/propstoragemanager.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QIODevice;

namespace lorvane {

class TPropReaderEh;
class TPropWriterEh;

// The stored-properties component of a window: names the properties to
// keep (StoredProps, rooted at the owner) and the section they are kept
// under, and has its storage manager load and save them. Once Loaded, it
// loads at every showing of the window and saves when it closes.
class TPropStorageEh : public QObject
{
    Q_OBJECT

public:
    explicit TPropStorageEh(QObject *owner);

    // When false, showing, closing and destroying the window neither load
    // nor save; direct calls work regardless.
    bool Active() const { return m_active; }
    void setActive(bool active) { m_active = active; }

    // The stored text, or the default section while it is empty.
    QString Section() const;
    void setSection(const QString &section) { m_section = section; }

    // Not owned; cleared when the manager is destroyed.
    TPropStorageManagerEh *StorageManager() const { return m_storageManager; }
    void setStorageManager(TPropStorageManagerEh *manager) { m_storageManager = manager; }

    TPropertyNamesEh &StoredProps() { return m_storedProps; }
    const TPropertyNamesEh &StoredProps() const { return m_storedProps; }
    void setStoredProps(const TPropertyNamesEh &props) { m_storedProps.Assign(props.strings()); }

    // The owner window is complete: from now on its showing loads and its
    // closing saves. Does nothing when the owner is not a window.
    void Loaded();
    // To be called first thing in the owner window's destructor: saves when
    // the properties were loaded and not saved since.
    void OwnerDestroying();

    void LoadProperties();
    void SaveProperties();

    // The owner's listed properties as a property stream, and back.
    void WritePropValues(QIODevice *stream);
    void ReadPropValues(QIODevice *stream);

    // Adds entries of its own to the owner's record after the listed ones.
    std::function<void(TPropStorageEh *sender, TPropWriterEh &writer)> OnWriteCustomProps;
    // Offered a property of a stored component that no interceptor takes;
    // setting processed means the handler has read the value.
    std::function<void(TPropStorageEh *sender, TPropReaderEh &reader, const QString &propName, bool &processed)>
        OnReadProp;
    // Shows the message of a save that failed while the window closed or
    // was destroyed; the application's error display.
    std::function<void(const QString &message)> OnError;

    bool PropsLoaded() const { return FPropsLoaded; }
    bool Saved() const { return FSaved; }
    bool Destroying() const { return FDestroying; }

signals:
    void BeforeLoadProps(lorvane::TPropStorageEh *sender);
    void AfterLoadProps(lorvane::TPropStorageEh *sender);
    void BeforeSaveProps(lorvane::TPropStorageEh *sender);
    void AfterSaveProps(lorvane::TPropStorageEh *sender);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void FormCloseQuery(QEvent *event);
    void SaveShowingErrors();

    bool m_active = true;
    QString m_section;
    QPointer<TPropStorageManagerEh> m_storageManager;
    TPropertyNamesEh m_storedProps;
    bool m_watching = false;
    bool FPropsLoaded = false;
    bool FSaved = false;
    bool FDestroying = false;
};

} // namespace lorvane
