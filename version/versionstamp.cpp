#include "version/versionstamp.h"

#include "version/binaryfile.h"
#include "version/elfimage.h"
#include "core/error.h"
#include "core/filename.h"
#include "version/peimage.h"
#include "version/versionresource.h"
#include "version/versionsection.h"

#include <QCoreApplication>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvane {

namespace {

QString ownExecutablePath()
{
    // The link's bytes name the file exactly, whatever their encoding.
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length > 0 && size_t(length) < sizeof buffer)
        return FileNameFromBytes(QByteArray(buffer, qsizetype(length)));
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

QString resolve(const QString &fileName)
{
    return fileName == QLatin1String("*") ? ownExecutablePath() : fileName;
}

std::optional<QByteArray> embeddedSection(const BinaryFile &file)
{
    return ReadElfSection(file, kVersionSectionName);
}

std::optional<FixedFileVersion> readVersion(const BinaryFile &file)
{
    if (IsElfImage(file)) {
        const std::optional<QByteArray> section = embeddedSection(file);
        return section ? ParseFixedFileVersion(SectionVersionInfo(*section)) : std::nullopt;
    }
    const std::optional<QByteArray> resource = ReadPeVersionResource(file);
    return resource ? ParseFixedFileVersion(*resource) : std::nullopt;
}

std::optional<quint32> readStamp(const BinaryFile &file)
{
    if (IsElfImage(file)) {
        const std::optional<QByteArray> section = embeddedSection(file);
        return section ? ResourceDirectoryStamp(SectionDirectoryHeader(*section)) : std::nullopt;
    }
    return ReadPeBuildStamp(file);
}

QDateTime modificationTime(const QString &path)
{
    struct stat info;
    if (::stat(FileNameToBytes(path).constData(), &info) != 0)
        return QDateTime();
    const qint64 msecs = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime);
}

QDateTime decodeStamp(quint32 stamp)
{
    const QDate date(int(stamp >> 25) + 1980, int(stamp >> 21 & 0xF), int(stamp >> 16 & 0x1F));
    if (!date.isValid())
        throw Error(QStringLiteral("Invalid argument to date encode"));
    const QTime time(int(stamp >> 11 & 0x1F), int(stamp >> 5 & 0x3F), int(stamp & 0x1F) * 2);
    if (!time.isValid())
        throw Error(QStringLiteral("Invalid argument to time encode"));
    return QDateTime(date, time, Qt::LocalTime);
}

} // namespace

QString VersionText(const QString &FileName)
{
    const BinaryFile file(resolve(FileName));
    const std::optional<FixedFileVersion> version = file.isOpen() ? readVersion(file) : std::nullopt;
    if (!version)
        return QStringLiteral("0.0.0000000");
    return QString::asprintf("%d.%d.%.3d%.5d", version->part1, version->part3, version->part2, version->part4);
}

QDateTime BuildDate(const QString &FileName)
{
    const QString path = resolve(FileName);
    std::optional<quint32> stamp;
    {
        const BinaryFile file(path);
        if (file.isOpen())
            stamp = readStamp(file);
    }
    if (!stamp || *stamp == 0)
        return modificationTime(path);
    return decodeStamp(*stamp);
}

QString VersionLine(const QString &Prefix)
{
    return VersionLineOf(QStringLiteral("*"), Prefix);
}

QString VersionLineOf(const QString &FileName, const QString &Prefix)
{
    const QString version = VersionText(FileName);
    if (version.startsWith(u'0'))
        return Prefix;
    return Prefix + version + QStringLiteral(" от ") + BuildDate(FileName).toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace lorvane
