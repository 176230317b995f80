#include "settingskey.h"

#include "codepage.h"
#include "error.h"

#include <QFileInfo>
#include <QSettings>

namespace lorvane {

namespace {

struct KeyLocation
{
    QString organisation;
    QString application;
    QString group;
};

bool Locate(const QString &path, KeyLocation &location)
{
    const QStringList names = path.split(u'\\', Qt::SkipEmptyParts);
    if (names.size() < 3 || names[0].compare(u"Software", Qt::CaseInsensitive) != 0)
        return false;
    // QSettings takes "/" for its own group separator; no key name may hold one.
    for (const QString &name : names)
        if (name.contains(u'/'))
            return false;
    location.organisation = names[1];
    location.application = names[2];
    location.group = names.mid(3).join(u'/');
    return true;
}

std::unique_ptr<QSettings> OpenSettings(const KeyLocation &location)
{
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                location.organisation, location.application);
    if (!location.group.isEmpty())
        settings->beginGroup(location.group);
    return settings;
}

bool HasContent(const QSettings &settings, const QString &group)
{
    if (group.isEmpty())
        return QFileInfo::exists(settings.fileName());
    return !settings.allKeys().isEmpty();
}

bool IsValueName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\');
}

bool HoldsNoData(const QVariant &value)
{
    if (!value.isValid())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return value.toByteArray().isEmpty();
    case QMetaType::QStringList:
        return value.toStringList().isEmpty();
    default:
        return false;
    }
}

} // namespace

SettingsKey::SettingsKey() = default;
SettingsKey::~SettingsKey() = default;

bool SettingsKey::Open(const QString &path, bool create)
{
    m_settings.reset();
    KeyLocation location;
    if (!Locate(path, location))
        return false;
    auto settings = OpenSettings(location);
    if (create ? !settings->isWritable() : !HasContent(*settings, location.group))
        return false;
    m_settings = std::move(settings);
    return true;
}

QStringList SettingsKey::ValueNames() const
{
    return m_settings ? m_settings->childKeys() : QStringList();
}

QString SettingsKey::FindValue(const QString &name) const
{
    if (!IsValueName(name))
        return {};
    for (const QString &stored : ValueNames())
        if (stored.compare(name, Qt::CaseInsensitive) == 0)
            return stored;
    return {};
}

SettingsKey::ValueKind SettingsKey::Kind(const QString &name) const
{
    if (!m_settings || !IsValueName(name))
        return ValueKind::Missing;
    const QVariant value = m_settings->value(name);
    if (!value.isValid())
        return ValueKind::Missing;
    if (value.typeId() == QMetaType::QString)
        return ValueKind::String;
    if (value.typeId() == QMetaType::QByteArray)
        return ValueKind::Binary;
    return ValueKind::Other;
}

QString SettingsKey::ReadString(const QString &name) const
{
    if (!m_settings || !IsValueName(name))
        return {};
    const QVariant value = m_settings->value(name);
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (HoldsNoData(value))
        return {};
    throw Error(QStringLiteral("Invalid data type for '%1'").arg(name));
}

QByteArray SettingsKey::ReadBytes(const QString &name) const
{
    if (Kind(name) == ValueKind::Binary)
        return m_settings->value(name).toByteArray();
    return CodePage::System().encode(ReadString(name));
}

bool SettingsKey::WriteString(const QString &name, const QString &text)
{
    if (!m_settings || !IsValueName(name))
        return false;
    // Names differ by letter case only in the store's file: one value.
    for (const QString &stored : ValueNames())
        if (stored != name && stored.compare(name, Qt::CaseInsensitive) == 0)
            m_settings->remove(stored);
    m_settings->setValue(name, text);
    return true;
}

void SettingsKey::DeleteValue(const QString &name)
{
    if (m_settings && IsValueName(name))
        m_settings->remove(name);
}

bool SettingsKey::Flush()
{
    if (!m_settings || !m_settings->isWritable())
        return false;
    m_settings->sync();
    // A file that could not be parsed is rewritten all the same
    // (FormatError); only AccessError means nothing was written.
    return m_settings->status() != QSettings::AccessError;
}

} // namespace lorvane
