#include "core/filename.h"
#include "discovery/search.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTemporaryDir>

#include "testsupport/ordinaryuser.h"
#include "testsupport/testing.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lorvane {
namespace {

class TreeFixture : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // The folder text of the tree: its path with a final "/".
    QString root() const { return m_dir.path() + u'/'; }

    static void makeFileAt(const QByteArray &path)
    {
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << path.constData();
        ASSERT_EQ(::write(fd, "x", 1), 1);
        ::close(fd);
    }
    void makeFile(const QString &path) { makeFileAt(FileNameToBytes(root() + path)); }
    void makeFolder(const QString &path)
    {
        ASSERT_EQ(::mkdir(FileNameToBytes(root() + path).constData(), 0755), 0);
    }
    void makeLink(const QString &path, const QString &target)
    {
        ASSERT_EQ(::symlink(FileNameToBytes(target).constData(),
                            FileNameToBytes(root() + path).constData()),
                  0);
    }

    QStringList inTree(std::initializer_list<const char16_t *> paths) const
    {
        QStringList list;
        for (const char16_t *path : paths)
            list.append(root() + QString::fromUtf16(path));
        return list;
    }

    QStringList search(const QString &ext, const QString &exclude = {}) const
    {
        QStringList list;
        SearchFiles(root(), ext, list, {}, exclude);
        return list;
    }

    QTemporaryDir m_dir;
};

struct ExtensionCase
{
    const char16_t *fileName;
    const char16_t *ext;
    bool listed;
};

void PrintTo(const ExtensionCase &c, std::ostream *os)
{
    *os << QString::fromUtf16(c.fileName).toStdString() << " for "
        << QString::fromUtf16(c.ext).toStdString();
}

class ExtensionTest : public TreeFixture, public testing::WithParamInterface<ExtensionCase>
{
};

TEST_P(ExtensionTest, ListsTheFileWhenTheExtensionMatches)
{
    const ExtensionCase &c = GetParam();
    makeFile(QString::fromUtf16(c.fileName));
    const QStringList expected = c.listed ? inTree({c.fileName}) : QStringList();
    EXPECT_EQ(search(QString::fromUtf16(c.ext)), expected);
    // A source file's name is one that the source search lists.
    EXPECT_EQ(IsSourceFileName(QString::fromUtf16(c.fileName)),
              !FindSourceFiles(root()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtensionTest,
    testing::Values(ExtensionCase{u"Unit1.pas", u"pas", true},
                    ExtensionCase{u"UNIT1.PAS", u"pas", true},
                    ExtensionCase{u"Unit1.pas", u"PAS", true},
                    ExtensionCase{u"Unit1.pas.bak", u"pas", false},
                    ExtensionCase{u"Unit1.pas~", u"pas", false},
                    ExtensionCase{u"Unit1.", u"pas", false}, ExtensionCase{u"pas", u"pas", false},
                    ExtensionCase{u".pas", u"pas", false},
                    ExtensionCase{u"unit.p\u00e4s", u"P\u00c4S", false},
                    ExtensionCase{u"unit.p\u00e4s", u"P\u00e4S", true},
                    ExtensionCase{u"Query.SQL", u"sql", true}, ExtensionCase{u"Project.dpr", u"dpr", true},
                    ExtensionCase{u"Package.Dpk", u"dpk", true}, ExtensionCase{u"Notes.txt", u"txt", true}));

using SearchFilesTest = TreeFixture;

TEST_F(SearchFilesTest, AppendsOnlyFilesAndSkipsDotFolders)
{
    makeFolder(u"Lib.pas"_qs);
    makeFile(u"Lib.pas/b.pas"_qs);
    makeFolder(u".svn"_qs);
    makeFile(u".svn/a.pas"_qs);
    makeFolder(u"empty"_qs);
    QStringList list{u"earlier"_qs};
    SearchFiles(root(), u"pas"_qs, list);
    EXPECT_EQ(list, QStringList(u"earlier"_qs) + inTree({u"Lib.pas/b.pas"}));
}

TEST_F(SearchFilesTest, ExclusionSkipsFilesAndFoldersWithCase)
{
    makeFile(u"unit.bak.pas"_qs);
    makeFile(u"UNIT.BAK.PAS"_qs);
    makeFile(u"keep.pas"_qs);
    makeFolder(u"src.bak"_qs);
    makeFile(u"src.bak/inner.pas"_qs);
    EXPECT_EQ(search(u"pas"_qs, u"bak"_qs), inTree({u"UNIT.BAK.PAS", u"keep.pas"}));
    EXPECT_EQ(search(u"pas"_qs, u"|inner|keep|"_qs),
              inTree({u"UNIT.BAK.PAS", u"unit.bak.pas"}));
}

TEST_F(SearchFilesTest, WalksDepthFirstInCodeUnitOrder)
{
    for (const char16_t *name : {u"z.pas", u"f.pas", u"\uff21.pas", u"\U0001F600.pas",
                                 u"\u00e9.pas", u"a.pas", u"B.pas"})
        makeFile(QString::fromUtf16(name));
    makeFolder(u"b"_qs);
    makeFile(u"b/c.pas"_qs);
    makeFolder(u"b/d"_qs);
    makeFile(u"b/d/e.pas"_qs);
    // U+1F600 is stored as the code units D83D DE00, which sort before U+FF21.
    EXPECT_EQ(search(u"pas"_qs),
              inTree({u"B.pas", u"a.pas", u"b/c.pas", u"b/d/e.pas", u"f.pas", u"z.pas",
                      u"\u00e9.pas", u"\U0001F600.pas", u"\uff21.pas"}));
}

TEST_F(SearchFilesTest, CallsBackOnceForEveryFolderBeforeItsEntries)
{
    makeFile(u"a.pas"_qs);
    makeFolder(u"s1"_qs);
    makeFile(u"s1/b.pas"_qs);
    makeFolder(u"s2"_qs);
    QStringList list;
    std::vector<std::pair<QString, qsizetype>> calls;
    SearchFiles(root(), u"pas"_qs, list,
                [&](const QString &text) { calls.emplace_back(text, list.size()); });
    const std::vector<std::pair<QString, qsizetype>> expected{
        {root() + u"..."_qs, 0}, {root() + u"s1/..."_qs, 1}, {root() + u"s2/..."_qs, 2}};
    EXPECT_EQ(calls, expected);
}

TEST_F(SearchFilesTest, TopFolderThatCannotBeListedGivesNothingAndIsReported)
{
    makeFile(u"a.pas"_qs);
    const std::vector<std::pair<QString, int>> folders = {
        {root() + u"missing/"_qs, ENOENT}, {root() + u"a.pas/"_qs, ENOTDIR}, {root() + QChar(0) + u"/"_qs, EINVAL}};
    for (const auto &[folder, error] : folders) {
        QStringList list;
        int calls = 0;
        std::vector<std::pair<QString, int>> skipped;
        SearchFiles(folder, u"pas"_qs, list, [&](const QString &) { ++calls; }, {},
                    [&](const QString &text, int code) { skipped.emplace_back(text, code); });
        EXPECT_TRUE(list.isEmpty()) << folder.toStdString();
        EXPECT_EQ(calls, 1) << folder.toStdString();
        EXPECT_EQ(skipped, (std::vector<std::pair<QString, int>>{{folder, error}}));
    }
}

TEST_F(SearchFilesTest, AddsTheMissingFinalSeparator)
{
    makeFile(u"a.pas"_qs);
    QStringList list;
    SearchFiles(m_dir.path(), u"pas"_qs, list);
    EXPECT_EQ(list, inTree({u"a.pas"}));
}

// Deep enough that the folder text of the last level exceeds the longest
// path the system accepts; built with *at calls, which take short paths.
class TooLongPath
{
public:
    explicit TooLongPath(const QString &folder)
    {
        m_fds.push_back(::open(FileNameToBytes(folder).constData(), O_DIRECTORY));
        qsizetype length = FileNameToBytes(folder).size();
        while (m_fds.back() >= 0 && length < PATH_MAX) {
            const int parent = m_fds.back();
            ::mkdirat(parent, kName.constData(), 0755);
            m_fds.push_back(::openat(parent, kName.constData(), O_DIRECTORY));
            length += kName.size() + 1;
            m_deepest += QString::fromLatin1(kName) + u'/';
        }
        if (m_fds.back() >= 0)
            ::close(::openat(m_fds.back(), "deep.pas", O_CREAT | O_WRONLY, 0644));
    }
    ~TooLongPath()
    {
        ::unlinkat(m_fds.back(), "deep.pas", 0);
        for (size_t i = m_fds.size() - 1; i > 0; --i) {
            ::close(m_fds[i]);
            ::unlinkat(m_fds[i - 1], kName.constData(), AT_REMOVEDIR);
        }
        ::close(m_fds.front());
    }
    bool isValid() const { return m_fds.back() >= 0; }
    // The path of the last level relative to the starting folder.
    const QString &deepest() const { return m_deepest; }

private:
    inline static const QByteArray kName = QByteArray(250, 'x');
    std::vector<int> m_fds;
    QString m_deepest;
};

TEST_F(SearchFilesTest, FolderThatCannotBeListedIsSkippedWhileSiblingsAreSearched)
{
    makeFolder(u"a"_qs);
    makeFolder(u"b"_qs);
    makeFile(u"b/x.pas"_qs);
    const TooLongPath chain(root() + u"a/"_qs);
    ASSERT_TRUE(chain.isValid());
    QStringList list;
    QStringList calls;
    std::vector<std::pair<QString, int>> skipped;
    SearchFiles(root(), u"pas"_qs, list, [&](const QString &text) { calls.append(text); }, {},
                [&](const QString &text, int code) { skipped.emplace_back(text, code); });
    EXPECT_EQ(list, inTree({u"b/x.pas"}));
    EXPECT_TRUE(calls.contains(root() + u"a/"_qs + chain.deepest() + u"..."_qs));
    EXPECT_EQ(calls.constLast(), root() + u"b/..."_qs);
    EXPECT_EQ(skipped, (std::vector<std::pair<QString, int>>{{root() + u"a/"_qs + chain.deepest(), ENAMETOOLONG}}));

    // The search of a project reports it once.
    skipped.clear();
    EXPECT_EQ(FindSourceFiles(root(), [&](const QString &text, int code) { skipped.emplace_back(text, code); }),
              inTree({u"b/x.pas"}));
    EXPECT_EQ(skipped.size(), 1u);
}

TEST_F(SearchFilesTest, UnreadableFolderIsSkippedWhileSiblingsAreSearched)
{
    makeFolder(u"a"_qs);
    makeFile(u"a/hidden.pas"_qs);
    makeFolder(u"b"_qs);
    makeFile(u"b/x.pas"_qs);
    // The user must reach the tree; only "a" is closed to everyone.
    ASSERT_EQ(::chmod(FileNameToBytes(root()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(FileNameToBytes(root() + u"a"_qs).constData(), 0), 0);
    const std::optional<QByteArray> found = test::AsOrdinaryUser([this] {
        QStringList skipped;
        QStringList list;
        SearchFiles(root(), u"pas"_qs, list, {}, {},
                    [&](const QString &folder, int code) { skipped << folder + u' ' + QString::number(code); });
        return (list + skipped).join(u'\n').toUtf8();
    });
    ::chmod(FileNameToBytes(root() + u"a"_qs).constData(), 0755);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(QString::fromUtf8(*found).split(u'\n'),
              inTree({u"b/x.pas"}) << root() + u"a/ "_qs + QString::number(EACCES));
}

TEST_F(SearchFilesTest, FollowsLinksButEntersNoFolderTwice)
{
    makeFolder(u"a"_qs);
    makeFile(u"a/x.pas"_qs);
    makeLink(u"a/up"_qs, u".."_qs);
    makeLink(u"b"_qs, u"a"_qs);
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    makeFileAt(FileNameToBytes(outside.filePath(u"y.pas"_qs)));
    makeLink(u"c"_qs, outside.path());
    EXPECT_EQ(search(u"pas"_qs), inTree({u"a/x.pas", u"c/y.pas"}));
}

TEST_F(SearchFilesTest, LinkToAMissingTargetIsAFile)
{
    makeLink(u"dangling.pas"_qs, root() + u"missing"_qs);
    EXPECT_EQ(search(u"pas"_qs), inTree({u"dangling.pas"}));
}

TEST_F(SearchFilesTest, NameThatIsNotUtf8CanBeOpenedAgain)
{
    const QByteArray folder = FileNameToBytes(root()) + "dir\xfe";
    const QByteArray file = folder + "/bad\xff.pas";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    // The temporary folder cannot remove names that are not UTF-8.
    const auto removeTree = qScopeGuard([&] {
        ::unlink(file.constData());
        ::rmdir(folder.constData());
    });
    makeFileAt(file);
    const QStringList list = search(u"pas"_qs);
    ASSERT_EQ(list.size(), 1);
    const int fd = ::open(FileNameToBytes(list.front()).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    char content = 0;
    EXPECT_EQ(::read(fd, &content, 1), 1);
    ::close(fd);
    EXPECT_EQ(content, 'x');
}

TEST_F(SearchFilesTest, LetsPendingEventsRun)
{
    makeFile(u"a.pas"_qs);
    int argc = 1;
    char name[] = "discovery_tests";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    bool ran = false;
    QMetaObject::invokeMethod(&app, [&] { ran = true; }, Qt::QueuedConnection);
    search(u"pas"_qs);
    EXPECT_TRUE(ran);
}

TEST_F(SearchFilesTest, FindSourceFilesGivesTheFourWalksListsInTurn)
{
    for (const char16_t *name : {u"a.dpk", u"b.sql", u"d.dpr", u"e.pas", u"f.txt"})
        makeFile(QString::fromUtf16(name));
    makeFolder(u"sub"_qs);
    makeFile(u"sub/c.pas"_qs);
    makeFile(u"sub/g.SQL"_qs);
    EXPECT_EQ(FindSourceFiles(m_dir.path()),
              inTree({u"e.pas", u"sub/c.pas", u"b.sql", u"sub/g.SQL", u"d.dpr", u"a.dpk"}));

    // Links, excluded names and a name that is a folder: still exactly one
    // walk per extension, one after the other.
    makeLink(u"sub/up"_qs, u".."_qs);
    makeLink(u"alias"_qs, u"sub"_qs);
    makeFolder(u"old"_qs);
    makeFile(u"old/h.pas"_qs);
    makeFolder(u"dir.pas"_qs);
    makeFile(u"dir.pas/i.Dpr"_qs);
    for (const QString &exclude : {QString(), u"old"_qs, u"|alias|sub|"_qs}) {
        QStringList walks;
        for (const QString &ext : {u"pas"_qs, u"sql"_qs, u"dpr"_qs, u"dpk"_qs})
            walks += search(ext, exclude);
        EXPECT_EQ(FindSourceFiles(m_dir.path(), {}, exclude), walks) << exclude.toStdString();
        EXPECT_EQ(walks.size(), exclude.isEmpty() ? 8 : exclude == u"old" ? 7 : 6) << exclude.toStdString();
    }
}

} // namespace
} // namespace lorvane
