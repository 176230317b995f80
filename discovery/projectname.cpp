#include "discovery/projectname.h"

#include "core/filename.h"

#include <QDir>

namespace lorvane {

namespace {

constexpr char16_t kSeparator = u'/';

// The path up to its last separator; that separator is dropped unless it is
// the first character or follows another separator.
QStringView directoryPart(QStringView path)
{
    const qsizetype last = path.lastIndexOf(kSeparator);
    if (last < 0)
        return {};
    if (last > 0 && path[last - 1] != kSeparator)
        return path.first(last);
    return path.first(last + 1);
}

} // namespace

QString ExtractProjectName(QStringView path)
{
    const QStringView directory = directoryPart(path);
    return directory.sliced(directory.lastIndexOf(kSeparator) + 1).toString();
}

QString TypedFolder(const QString &folderText)
{
    const QString text = folderText.trimmed();
    if (text == u"~" || text.startsWith(u"~/"))
        return QDir::homePath() + text.sliced(1);
    return text;
}

bool FolderExists(const QString &folderText)
{
    return IsFolder(folderText);
}

QString FolderProjectName(const QString &folderText)
{
    if (!folderText.endsWith(kSeparator) && FolderExists(folderText))
        return ExtractProjectName(QString(folderText + kSeparator));
    return ExtractProjectName(folderText);
}

} // namespace lorvane
