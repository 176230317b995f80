#pragma once

#include "propertynames.h"

#include <QObject>
#include <QString>

#include <functional>

class QIODevice;

namespace lorvane {

class TPropReaderEh;
class TPropWriterEh;

// The stored-properties component of a window: names the properties to
// keep (StoredProps, rooted at the owner) and the section they are kept
// under, and raises its notifications around loading and saving.
class TPropStorageEh : public QObject
{
    Q_OBJECT

public:
    explicit TPropStorageEh(QObject *owner);

    bool Active() const { return m_active; }
    void setActive(bool active) { m_active = active; }

    // The stored text, or the default section while it is empty.
    QString Section() const;
    void setSection(const QString &section) { m_section = section; }

    TPropertyNamesEh &StoredProps() { return m_storedProps; }
    const TPropertyNamesEh &StoredProps() const { return m_storedProps; }
    void setStoredProps(const TPropertyNamesEh &props) { m_storedProps.Assign(props.strings()); }

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

    bool PropsLoaded() const { return FPropsLoaded; }
    bool Saved() const { return FSaved; }

signals:
    void BeforeLoadProps(lorvane::TPropStorageEh *sender);
    void AfterLoadProps(lorvane::TPropStorageEh *sender);
    void BeforeSaveProps(lorvane::TPropStorageEh *sender);
    void AfterSaveProps(lorvane::TPropStorageEh *sender);

private:
    bool m_active = true;
    QString m_section;
    TPropertyNamesEh m_storedProps;
    bool FPropsLoaded = false;
    bool FSaved = false;
};

} // namespace lorvane
