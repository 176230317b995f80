#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace lorvane {

// One key of the per-user settings store, below HKEY_CURRENT_USER. A key
// path is "\"-separated: "Software\<organisation>\<application>" is the
// QSettings file of that organisation and application (native format), the
// names below it are nested groups. Keys above that level hold no values
// and cannot be opened. Value names are matched without regard to case.
class SettingsKey
{
public:
    enum class ValueKind { Missing, String, Binary, Other };

    SettingsKey();
    ~SettingsKey();
    SettingsKey(const SettingsKey &) = delete;
    SettingsKey &operator=(const SettingsKey &) = delete;

    // Opens the key; with `create` false only when it exists. Creating
    // fails when the store cannot be written, or its lock cannot be taken
    // within a few seconds.
    bool Open(const QString &path, bool create);

    QStringList ValueNames() const;
    // The stored name of the value called `name`, or an empty text.
    QString FindValue(const QString &name) const;
    ValueKind Kind(const QString &name) const;
    // A string value; an empty value of any type reads as an empty text,
    // any other type fails with "Invalid data type for '%s'".
    QString ReadString(const QString &name) const;
    // The raw bytes of a binary value, else the string in the system code page.
    QByteArray ReadBytes(const QString &name) const;
    // False when the key is not open, the name cannot be a value name or
    // the store cannot be changed.
    bool WriteString(const QString &name, const QString &text);
    void DeleteValue(const QString &name);

    // Writes the whole store at once (a temporary file and a rename); false
    // when it could not be written.
    bool Flush();

    // Why the last opening, change or flush failed: the store's file and
    // the system's reason.
    const QString &FailureReason() const { return m_failure; }

private:
    // Changes are made only to a store that can be written and locked, so
    // that no later sync waits for a lock without end.
    bool MayChange();

    std::unique_ptr<QSettings> m_settings;
    bool m_mayChange = false;
    QString m_failure;
};

} // namespace lorvane
