#include "discovery/projectname.h"

#include <QDir>
#include <QTemporaryDir>

#include "testsupport/testing.h"

#include <ostream>

namespace lorvane {
namespace {

struct NameCase
{
    const char16_t *path;
    const char16_t *name;
};

void PrintTo(const NameCase &c, std::ostream *os)
{
    *os << '"' << QString::fromUtf16(c.path).toStdString() << '"';
}

class ExtractProjectNameTest : public testing::TestWithParam<NameCase>
{
};

TEST_P(ExtractProjectNameTest, YieldsTheFolderName)
{
    const NameCase &c = GetParam();
    EXPECT_EQ(ExtractProjectName(c.path), QString::fromUtf16(c.name));
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtractProjectNameTest,
                         testing::Values(NameCase{u"/work/Proj/", u"Proj"},
                                         NameCase{u"/work/Proj", u"work"},
                                         NameCase{u"Proj/", u"Proj"}, NameCase{u"/", u""},
                                         NameCase{u"//", u""}, NameCase{u"Proj", u""},
                                         NameCase{u"", u""}));

TEST(FolderProjectName, AnExistingFolderIsItsOwnProjectWithOrWithoutTheFinalSeparator)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Gen300")));
    const QString folder = root.filePath(QStringLiteral("Gen300"));

    EXPECT_EQ(FolderProjectName(folder), QStringLiteral("Gen300"));
    EXPECT_EQ(FolderProjectName(folder + u'/'), QStringLiteral("Gen300"));
    // A text that names no folder keeps the rule of the folder part.
    EXPECT_EQ(FolderProjectName(root.filePath(QStringLiteral("Gen300/missing"))), QStringLiteral("Gen300"));
    EXPECT_EQ(FolderProjectName(QString()), QString());
}

struct TypedCase
{
    const char16_t *typed;
    const char16_t *meant; // "$HOME" standing for the home folder
};

void PrintTo(const TypedCase &c, std::ostream *os)
{
    *os << '"' << QString::fromUtf16(c.typed).toStdString() << '"';
}

class TypedFolderTest : public testing::TestWithParam<TypedCase>
{
};

TEST_P(TypedFolderTest, IgnoresSurroundingBlanksAndExpandsALeadingTilde)
{
    const QString meant = QString::fromUtf16(GetParam().meant);
    const QString expected = meant.startsWith(u"$HOME") ? QDir::homePath() + meant.sliced(5) : meant;
    EXPECT_EQ(TypedFolder(QString::fromUtf16(GetParam().typed)), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TypedFolderTest,
                         testing::Values(TypedCase{u"/work/Proj/", u"/work/Proj/"},
                                         TypedCase{u"  /work/Proj/ \t", u"/work/Proj/"},
                                         TypedCase{u"~", u"$HOME"}, TypedCase{u"~/", u"$HOME/"},
                                         TypedCase{u" ~/proj ", u"$HOME/proj"},
                                         TypedCase{u"~user/proj", u"~user/proj"},
                                         TypedCase{u"/work/~/proj", u"/work/~/proj"},
                                         TypedCase{u"/work/my proj/", u"/work/my proj/"},
                                         TypedCase{u"   ", u""}));

TEST(FolderExists, OnlyForFolders)
{
    QTemporaryDir root;
    EXPECT_TRUE(FolderExists(root.path()));
    EXPECT_TRUE(FolderExists(root.path() + u'/'));
    EXPECT_FALSE(FolderExists(root.filePath(QStringLiteral("missing"))));
    EXPECT_FALSE(FolderExists(QString()));
}

} // namespace
} // namespace lorvane
