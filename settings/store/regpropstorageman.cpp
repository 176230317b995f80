#include "settings/store/regpropstorageman.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/lines.h"
#include "settings/store/propstorage.h"
#include "settings/store/settingskey.h"
#include "settings/stream/textform.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>

#include <array>

namespace lorvane {

namespace {

constexpr int kLineLength = 80;

constexpr std::array<HKEY, 7> kRootKeys = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,     HKEY_LOCAL_MACHINE,
                                           HKEY_USERS,        HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG,
                                           HKEY_DYN_DATA};

// The store's own message, then which file failed and why.
[[noreturn]] void FailedToSet(const QString &name, const SettingsKey &key)
{
    QString message = QStringLiteral("Failed to set data for '%1'").arg(name);
    if (!key.FailureReason().isEmpty())
        message += u'\n' + key.FailureReason();
    throw Error(message);
}

int HexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    return -1;
}

// The stored names of a key's values by their lower-case form.
QHash<QString, QString> NamesIgnoringCase(const SettingsKey &key)
{
    QHash<QString, QString> names;
    for (const QString &name : key.ValueNames())
        names.insert(name.toLower(), name);
    return names;
}

void ReadStream(TPropStorageManagerEh &manager, QByteArray bytes, TPropStorageEh &propStorage)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    manager.ReadPropertiesStream(&buffer, propStorage);
}

} // namespace

TRegPropStorageManEh::TRegPropStorageManEh(QObject *owner) : TPropStorageManagerEh(owner) {}

void TRegPropStorageManEh::setRegistryKey(TRegistryKeyEh key)
{
    m_registryKey = key;
    if (key != rkCustomRegistryKeyEh)
        FKey = kRootKeys[key];
}

void TRegPropStorageManEh::setKey(HKEY key)
{
    FKey = key;
    const auto *found = std::find(kRootKeys.begin(), kRootKeys.end(), key);
    m_registryKey = found == kRootKeys.end() ? rkCustomRegistryKeyEh : TRegistryKeyEh(found - kRootKeys.begin());
}

QString TRegPropStorageManEh::BasePath() const
{
    if (!m_path.isEmpty())
        return m_path;
    QString title = QCoreApplication::applicationName();
    if (title.isEmpty() && QCoreApplication::instance())
        title = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return QStringLiteral("Software\\") + title;
}

QString TRegPropStorageManEh::SectionKeyPath(const TPropStorageEh &propStorage) const
{
    return BasePath() + u'\\' + propStorage.Section();
}

QString TRegPropStorageManEh::LineName(int index)
{
    return QStringLiteral("Line%1").arg(index, 10, 10, QLatin1Char('0'));
}

QByteArray TRegPropStorageManEh::DecodeHexLines(const QStringList &lines)
{
    const QString text = lines.join(QString());
    QByteArray bytes(text.size() / 2, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            break;
        bytes[i] = char(high << 4 | low);
    }
    return bytes;
}

bool TRegPropStorageManEh::ReadOlderLayout(TPropStorageEh &propStorage)
{
    SettingsKey key;
    if (!key.Open(BasePath(), false))
        return false;
    const QString name = key.FindValue(propStorage.Section());
    if (name.isEmpty())
        return false;
    ReadStream(*this, key.ReadBytes(name), propStorage);
    // Read once: the next save writes the section's own key. A value left
    // behind would shadow that key at every later load.
    key.DeleteValue(name);
    if (!key.Flush())
        FailedToSet(name, key);
    return true;
}

void TRegPropStorageManEh::ReadProperties(TPropStorageEh &propStorage)
{
    if (FKey != HKEY_CURRENT_USER || ReadOlderLayout(propStorage))
        return;
    SettingsKey key;
    if (!key.Open(SectionKeyPath(propStorage), false))
        return;
    const QHash<QString, QString> names = NamesIgnoringCase(key);
    QStringList lines;
    for (int index = 0; index < names.size(); ++index) {
        const QString name = names.value(LineName(index).toLower());
        if (name.isEmpty())
            break;
        lines << key.ReadString(name);
    }
    if (lines.isEmpty())
        return;
    const QByteArray first = CodePage::System().encode(lines.first());
    if (!first.isEmpty() && StartsTextForm(first[0]))
        ReadStream(*this, CodePage::System().encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")),
                   propStorage);
    else
        ReadStream(*this, DecodeHexLines(lines), propStorage);
}

void TRegPropStorageManEh::WritePropertiesStream(TPropStorageEh &propStorage, QIODevice *stream)
{
    const QString hex = QString::fromLatin1(stream->readAll().toHex().toUpper());
    QStringList pieces;
    for (qsizetype start = 0; start < hex.size(); start += kLineLength)
        pieces << hex.mid(start, kLineLength);
    WriteLines(propStorage, pieces);
}

void TRegPropStorageManEh::WritePropertiesText(TPropStorageEh &propStorage, const QString &text)
{
    WriteLines(propStorage, SplitText(text));
}

void TRegPropStorageManEh::WriteLines(TPropStorageEh &propStorage, const QStringList &lines)
{
    SettingsKey key;
    // A key that cannot be opened fails as its first write would, with the
    // reason the opening gave.
    if (FKey != HKEY_CURRENT_USER || !key.Open(SectionKeyPath(propStorage), true))
        FailedToSet(LineName(0), key);
    for (int index = 0; index < lines.size(); ++index)
        if (!key.WriteString(LineName(index), lines[index]))
            FailedToSet(LineName(index), key);
    const QHash<QString, QString> names = NamesIgnoringCase(key);
    for (int index = int(lines.size());; ++index) {
        const QString name = names.value(LineName(index).toLower());
        if (name.isEmpty())
            break;
        key.DeleteValue(name);
    }
    // The store file is replaced as a whole: the section is either all new
    // or all old, and the other sections stay.
    if (!key.Flush())
        FailedToSet(LineName(0), key);
}

} // namespace lorvane
