#include "discovery/search.h"

#include "core/filename.h"
#include "discovery/pipelist.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cerrno>
#include <dirent.h>
#include <iterator>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace lorvane {

namespace {

constexpr char16_t kSeparator = u'/';
// The extensions of source files, in the order of their lists.
constexpr QStringView kSourceExtensions[] = {u".pas", u".sql", u".dpr", u".dpk"};

struct Entry
{
    QString name;
    bool isFolder;
};

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};
using Listing = std::unique_ptr<DIR, DirCloser>;

// The entry type is known without a stat call except for links and file
// systems that do not report it. A link to a missing target is a file.
bool isFolder(DIR *dir, const dirent *entry)
{
    if (entry->d_type == DT_DIR)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    struct stat target;
    return fstatat(dirfd(dir), entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
}

// Names beginning with "." (among them "." and "..") are never listed or
// entered. Sorting makes the order of the report the same on every machine.
// Gives the error code of a listing that broke off, or 0.
int readEntries(DIR *dir, std::vector<Entry> &entries)
{
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir);
        if (!entry)
            break;
        if (entry->d_name[0] == '.')
            continue;
        const QByteArray name = QByteArray::fromRawData(entry->d_name, qstrlen(entry->d_name));
        entries.push_back({FileNameFromBytes(name), isFolder(dir, entry)});
    }
    const int error = errno;
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return a.name < b.name; });
    return error;
}

char16_t asciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

// Only a to z are folded: other letters must match exactly.
bool sameExtension(QStringView a, QStringView b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](QChar x, QChar y) {
        return asciiUpper(x.unicode()) == asciiUpper(y.unicode());
    });
}

QStringView extensionOf(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QStringView() : name.sliced(dot);
}

void letEventsRun()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// One walk that fills a list per wanted extension: the lists are exactly
// those of one walk per extension, as every walk enters the same folders in
// the same order.
class Walk
{
public:
    struct Wanted
    {
        QString extension; // with its "."
        QStringList *list;
    };

    Walk(std::vector<Wanted> wanted, const std::function<void(const QString &)> &onFolder, const QString &exclude,
         const SkippedFolderSink &onSkipped)
        : m_wanted(std::move(wanted)), m_onFolder(onFolder), m_exclude(exclude), m_onSkipped(onSkipped)
    {
    }

    void search(const QString &folder)
    {
        int error = 0;
        Listing listing = open(folder, error);
        if (listing && !enterOnce(listing.get(), error))
            return;
        if (error != 0)
            listing.reset();
        if (m_onFolder)
            m_onFolder(folder + QStringLiteral("..."));
        std::vector<Entry> entries;
        if (listing)
            error = readEntries(listing.get(), entries);
        // What was listed before a failure is still searched.
        if (error != 0 && m_onSkipped)
            m_onSkipped(folder, error);
        // Closed before descending, so that the depth of a tree is not
        // limited by the number of files a process may hold open.
        listing.reset();
        for (const Entry &entry : entries) {
            if (!NameMatches(entry.name, m_exclude)) {
                if (entry.isFolder)
                    search(folder + entry.name + kSeparator);
                else
                    addFile(folder, entry.name);
            }
            letEventsRun();
        }
    }

private:
    void addFile(const QString &folder, const QString &name)
    {
        const QStringView extension = extensionOf(name);
        for (const Wanted &wanted : m_wanted) {
            if (sameExtension(extension, wanted.extension)) {
                wanted.list->append(folder + name);
                return;
            }
        }
    }

    // A path holding a NUL character would name another folder to the
    // system, so it cannot be listed.
    static Listing open(const QString &folder, int &error)
    {
        const QByteArray path = FileNameToBytes(folder);
        if (path.contains('\0')) {
            error = EINVAL;
            return nullptr;
        }
        Listing listing(opendir(path.constData()));
        if (!listing)
            error = errno;
        return listing;
    }

    // Links can lead back to a folder already walked; device and inode of the
    // open folder identify it whatever the path. A folder that cannot even
    // be told apart is not listed.
    bool enterOnce(DIR *dir, int &error)
    {
        struct stat folder;
        if (fstat(dirfd(dir), &folder) != 0) {
            error = errno;
            return true;
        }
        return m_entered.insert({folder.st_dev, folder.st_ino}).second;
    }

    const std::vector<Wanted> m_wanted;
    const std::function<void(const QString &)> &m_onFolder;
    const QString &m_exclude;
    const SkippedFolderSink &m_onSkipped;
    std::set<std::pair<dev_t, ino_t>> m_entered;
};

// Names are joined to the folder text directly; without the final "/" the
// paths would name files that do not exist.
QString folderWithSeparator(const QString &folder)
{
    return folder.isEmpty() || folder.endsWith(kSeparator) ? folder : folder + kSeparator;
}

} // namespace

void SearchFiles(const QString &Folder, const QString &Ext, QStringList &List,
                 const std::function<void(const QString &)> &OnFolder, const QString &Exclude,
                 const SkippedFolderSink &OnSkipped)
{
    Walk({{u'.' + Ext, &List}}, OnFolder, Exclude, OnSkipped).search(folderWithSeparator(Folder));
}

bool IsSourceFileName(QStringView name)
{
    if (name.startsWith(u'.'))
        return false;
    const QStringView extension = extensionOf(name);
    return std::any_of(std::begin(kSourceExtensions), std::end(kSourceExtensions),
                       [extension](QStringView wanted) { return sameExtension(extension, wanted); });
}

QStringList FindSourceFiles(const QString &folderText, const SkippedFolderSink &onSkipped, const QString &exclude)
{
    std::array<QStringList, std::size(kSourceExtensions)> found;
    std::vector<Walk::Wanted> wanted;
    for (size_t i = 0; i < found.size(); ++i)
        wanted.push_back({kSourceExtensions[i].toString(), &found[i]});
    Walk(std::move(wanted), {}, exclude, onSkipped)
        .search(folderWithSeparator(folderText));
    QStringList files = std::move(found[0]);
    for (size_t i = 1; i < found.size(); ++i)
        files += found[i];
    return files;
}

} // namespace lorvane
