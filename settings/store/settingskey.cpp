#include "settings/store/settingskey.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/filename.h"
#include "core/textfile.h"

#include <QFileInfo>
#include <QLockFile>
#include <QSettings>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

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

// Why a folder (ending in "/") that is not there could not be made: the
// nearest folder above it that is there cannot be written, or is no folder.
int MissingFolderError(QByteArray folder)
{
    while (true) {
        folder.chop(1);
        folder.truncate(folder.lastIndexOf('/') + 1);
        if (folder.isEmpty())
            return ENOENT;
        struct stat info;
        if (::stat(folder.constData(), &info) == 0)
            return ::access(folder.constData(), W_OK) != 0 ? errno : ENOENT;
        if (errno != ENOENT)
            return errno;
    }
}

// The system's reason why the store's file cannot be written, or an empty
// text when none is found.
QString WriteProblem(const QString &file)
{
    const QByteArray native = FileNameToBytes(file);
    struct stat info;
    if (::stat(native.constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return SystemErrorText(EISDIR);
        const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return SystemErrorText(errno);
        ::close(fd);
    } else if (errno != ENOENT) {
        return SystemErrorText(errno);
    }
    const QByteArray folder = native.left(native.lastIndexOf('/') + 1);
    if (::stat(folder.constData(), &info) != 0)
        return SystemErrorText(errno == ENOENT ? MissingFolderError(folder) : errno);
    if (::access(folder.constData(), W_OK) != 0)
        return SystemErrorText(errno);
    struct statvfs space;
    if (::statvfs(folder.constData(), &space) == 0 && space.f_bavail == 0)
        return SystemErrorText(ENOSPC);
    return {};
}

QString Reason(const QString &file, const QString &why)
{
    return QStringLiteral("%1: %2").arg(file, why.isEmpty() ? QStringLiteral("it could not be written") : why);
}

// QSettings waits for its lock without end; a lock that cannot be taken
// in this time makes a store that cannot be written.
constexpr int kLockWaitMs = 3000;

QString LockProblem(const QString &file)
{
    const QString lockName = file + QStringLiteral(".lock");
    // A folder is never released: no wait for it.
    if (IsFolder(lockName))
        return QStringLiteral("its lock \"%1\" is a folder").arg(lockName);
    QLockFile lock(lockName);
    if (lock.tryLock(kLockWaitMs)) {
        lock.unlock();
        return {};
    }
    if (lock.error() == QLockFile::LockFailedError)
        return QStringLiteral("its lock \"%1\" was not released within %2 seconds")
            .arg(lockName)
            .arg(kLockWaitMs / 1000);
    const QString why = WriteProblem(lockName);
    return QStringLiteral("its lock \"%1\" cannot be made: %2")
        .arg(lockName, why.isEmpty() ? QStringLiteral("unknown error") : why);
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
    m_mayChange = false;
    m_failure.clear();
    KeyLocation location;
    if (!Locate(path, location)) {
        m_failure = QStringLiteral("\"%1\" is no key of the settings store").arg(path);
        return false;
    }
    auto settings = OpenSettings(location);
    if (!create && !HasContent(*settings, location.group))
        return false;
    m_settings = std::move(settings);
    if (create && !MayChange()) {
        m_settings.reset();
        return false;
    }
    return true;
}

bool SettingsKey::MayChange()
{
    if (m_mayChange || !m_settings)
        return m_mayChange;
    const QString file = m_settings->fileName();
    if (!m_settings->isWritable()) {
        m_failure = Reason(file, WriteProblem(file));
        return false;
    }
    const QString lockProblem = LockProblem(file);
    if (!lockProblem.isEmpty()) {
        m_failure = Reason(file, lockProblem);
        return false;
    }
    m_mayChange = true;
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
    if (!m_settings || !IsValueName(name) || !MayChange())
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
    if (m_settings && IsValueName(name) && MayChange())
        m_settings->remove(name);
}

bool SettingsKey::Flush()
{
    if (!m_settings)
        return false;
    if (!m_mayChange)
        return m_failure.isEmpty();
    const QString file = m_settings->fileName();
    if (!m_settings->isWritable()) {
        m_failure = Reason(file, WriteProblem(file));
        return false;
    }
    m_settings->sync();
    // A file that could not be parsed is rewritten all the same
    // (FormatError); only AccessError means nothing was written.
    if (m_settings->status() == QSettings::AccessError) {
        m_failure = Reason(file, WriteProblem(file));
        return false;
    }
    return true;
}

} // namespace lorvane
