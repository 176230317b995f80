#pragma once

#include "settings/store/propstoragemanager.h"

#include <QStringList>

namespace lorvane {

// Handles of the registry's root keys. Only HKEY_CURRENT_USER maps to the
// settings store; the others open nothing.
using HKEY = quintptr;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006;

// A storage manager that keeps each section as a key of the per-user
// settings store below Path, its stream as numbered "Line" string values.
class TRegPropStorageManEh : public TPropStorageManagerEh
{
    Q_OBJECT
    Q_PROPERTY(TRegistryKeyEh RegistryKey READ RegistryKey WRITE setRegistryKey)
    Q_PROPERTY(QString Path READ Path WRITE setPath)

public:
    enum TRegistryKeyEh {
        rkClassesRootEh,
        rkCurrentUserEh,
        rkLocalMachineEh,
        rkUsersEh,
        rkPerformanceDataEh,
        rkCurrentConfigEh,
        rkDynDataEh,
        rkCustomRegistryKeyEh
    };
    Q_ENUM(TRegistryKeyEh)

    explicit TRegPropStorageManEh(QObject *owner = nullptr);

    TRegistryKeyEh RegistryKey() const { return m_registryKey; }
    // Any choice but rkCustomRegistryKeyEh sets FKey to its root key.
    void setRegistryKey(TRegistryKeyEh key);
    HKEY Key() const { return FKey; }
    // Sets RegistryKey to the matching root, or rkCustomRegistryKeyEh.
    void setKey(HKEY key);

    // The stored text; empty means "Software\" and the application's title.
    QString Path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }

    // The key path of the component's section: Path, "\", Section.
    QString SectionKeyPath(const TPropStorageEh &propStorage) const;

    void ReadProperties(TPropStorageEh &propStorage) override;
    void WritePropertiesStream(TPropStorageEh &propStorage, QIODevice *stream) override;
    void WritePropertiesText(TPropStorageEh &propStorage, const QString &text) override;

    // The name of the value that holds piece `index`: "Line0000000000".
    static QString LineName(int index);
    // Stored pieces of hexadecimal text back to bytes: pairs of digits of
    // either case; from the first bad pair on the bytes are zero.
    static QByteArray DecodeHexLines(const QStringList &lines);

private:
    QString BasePath() const;
    bool ReadOlderLayout(TPropStorageEh &propStorage);
    void WriteLines(TPropStorageEh &propStorage, const QStringList &lines);

    TRegistryKeyEh m_registryKey = rkCurrentUserEh;
    HKEY FKey = HKEY_CURRENT_USER;
    QString m_path;
};

} // namespace lorvane
