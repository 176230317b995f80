#include "core/error.h"
#include "core/filename.h"
#include "core/headercheck.h"
#include "testsupport/gitfixture.h"
#include "vcs/gitrepository.h"

#include <QDir>

#include <functional>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

const QDate kToday(2024, 6, 15);

class GitTest : public GitFixture
{
public:
    // The project with a commit that changes A, tagged "v1", a commit that
    // changes B, and a change of C in the work tree.
    QString tagged()
    {
        const QString r = project();
        write(r + "/A.pas", kChangedBody);
        commitAll(r);
        git(r, {"tag", "-a", "-m", "tagged", "v1"});
        write(r + "/B.pas", kChangedBody);
        commitAll(r);
        write(r + "/C.pas", kNewEntryHeader);
        return r;
    }

    // What the gate would say: every changed file's path in the work tree,
    // then the problems of a source file as "path:line: message"; each
    // skipped submodule as "submodule PATH".
    QStringList checked(const GitRepository &repository, const FileChanges &changes)
    {
        QStringList lines;
        const QString top = repository.WorkTree();
        for (const ChangedFile &file : changes.files) {
            EXPECT_TRUE(file.path.startsWith(top)) << file.path.toStdString();
            const QString path = file.path.mid(top.size());
            lines << path;
            if (!path.endsWith(".pas"))
                continue;
            const QString name = path.section(u'/', -1);
            for (const HeaderProblem &problem :
                 CheckChangedHeader(name, repository.Bytes(file), repository.BaseBytes(file), kToday))
                lines << QStringLiteral("%1:%2: %3").arg(path).arg(problem.line).arg(problem.message);
        }
        for (const QString &submodule : changes.skippedSubmodules)
            lines << "submodule " + submodule.mid(top.size());
        return lines;
    }
};

const QString kNoNewEntry = "6: Ошибка: нет новой записи в списке изменений.";

// The folder to open and the revision to compare with.
struct Scenario
{
    QString folder;
    QString ref = "main";
};

struct ChangesCase
{
    const char *name;
    std::function<Scenario(GitTest &)> setUp;
    QStringList lines;
};

void PrintTo(const ChangesCase &c, std::ostream *os)
{
    *os << c.name;
}

class ChangesSince : public GitTest, public testing::WithParamInterface<ChangesCase>
{
};

TEST_P(ChangesSince, ListsTheChangedFilesFromTheMergeBaseToTheWorkTree)
{
    const Scenario scenario = GetParam().setUp(*this);
    const GitRepository repository(scenario.folder);
    EXPECT_EQ(checked(repository, repository.ChangesSince(scenario.ref)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangesSince,
    testing::Values(
        ChangesCase{"CommittedWithAndWithoutEntry",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.write(r + "/A.pas", kNewEntryHeader);
                        g.write(r + "/B.pas", kChangedBody);
                        g.commitAll(r);
                        return Scenario{r};
                    },
                    {"A.pas", "B.pas", "B.pas:" + kNoNewEntry}},
        // The base is read as git stores it: line breaks that a checkout
        // changes add no entry.
        ChangesCase{"BaseStoredWithOtherLineBreaks",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.write(r + "/.gitattributes", "*.pas text eol=crlf\n");
                        g.git(r, {"add", "--renormalize", "."});
                        g.commitAll(r);
                        g.git(r, {"tag", "stored-lf"});
                        g.write(r + "/A.pas", kNewEntryHeader);
                        g.write(r + "/B.pas", kChangedBody);
                        return Scenario{r, "stored-lf"};
                    },
                    {"A.pas", "B.pas", "B.pas:" + kNoNewEntry}},
        ChangesCase{"StagedOrNotYetCommitted",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.write(r + "/A.pas", kNewEntryHeader);
                        g.git(r, {"add", "A.pas"});
                        g.write(r + "/B.pas", kChangedBody);
                        QDir().mkpath(r + "/ignored/deep");
                        return Scenario{r + "/ignored/deep"};
                    },
                    {"A.pas", "B.pas", "B.pas:" + kNoNewEntry}},
        ChangesCase{"NewFilesButNotIgnoredOnes",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.write(r + "/new/deeper/D.pas", kOldHeader);
                        g.write(r + "/E.pas", "unit E;\r\n");
                        g.git(r, {"add", "E.pas"});
                        g.write(r + "/ignored/F.pas", kOldHeader);
                        g.writeNative(FileNameToBytes(r) + "/" + kOddName, encode(kChangedBody, Encoding::Cp1251));
                        return Scenario{r + "/A.pas"};
                    },
                    {"E.pas", "E.pas:0: Ошибка: нет заголовка.",
                     "new/deeper/D.pas", FileNameFromBytes(kOddName)}},
        ChangesCase{"RenameOnlyIsNoChange",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.git(r, {"mv", "A.pas", "A2.pas"});
                        g.commitAll(r);
                        g.git(r, {"mv", "notes.txt", "docs.txt"});
                        QDir(r).rename("B.pas", "B2.pas"); // not told to git
                        return Scenario{r};
                    },
                    {}},
        ChangesCase{"RenamePlusChange",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.git(r, {"mv", "A.pas", "A2.pas"});
                        g.write(r + "/A2.pas", kChangedBody);
                        g.commitAll(r);
                        g.git(r, {"mv", "B.pas", "B2.pas"});
                        g.write(r + "/B2.pas", kNewEntryHeader);
                        return Scenario{r};
                    },
                    {"A2.pas", "A2.pas:" + kNoNewEntry, "B2.pas"}},
        ChangesCase{"DeletedFilesAreNotListed",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.git(r, {"rm", "-q", "A.pas"});
                        g.commitAll(r);
                        g.git(r, {"rm", "-q", "B.pas"});
                        QFile::remove(r + "/C.pas");
                        return Scenario{r};
                    },
                    {}},
        ChangesCase{"FutureDate",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.write(r + "/A.pas", kFutureHeader);
                        return Scenario{r};
                    },
                    {"A.pas", "A.pas:8: Ошибка: дата записи 01.06.2062 позже сегодняшней."}},
        ChangesCase{"MergeBaseOnAnotherBranch",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.git(r, {"checkout", "-q", "main"});
                        g.write(r + "/B.pas", kChangedBody);
                        g.commitAll(r, "on main");
                        g.git(r, {"checkout", "-q", "feature"});
                        g.write(r + "/A.pas", kNewEntryHeader);
                        g.commitAll(r, "on feature");
                        return Scenario{r};
                    },
                    {"A.pas"}},
        ChangesCase{"TagAsRef", [](GitTest &g) { return Scenario{g.tagged(), "v1"}; },
                    {"B.pas", "B.pas:" + kNoNewEntry, "C.pas"}},
        ChangesCase{"CommitIdAsRef",
                    [](GitTest &g) {
                        const QString r = g.tagged();
                        return Scenario{r, g.git(r, {"rev-parse", "HEAD"})};
                    },
                    {"C.pas"}},
        ChangesCase{"RemoteBranchOfAClone",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.git(g.root, {"clone", "-q", "file://" + r, "clone"});
                        const QString clone = g.root + "clone";
                        g.git(clone, {"checkout", "-q", "-b", "work", "origin/main"});
                        g.write(clone + "/C.pas", kChangedBody);
                        return Scenario{clone, "origin/main"};
                    },
                    {"C.pas", "C.pas:" + kNoNewEntry}},
        ChangesCase{"WorktreeOfAnotherRepository",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.git(r, {"worktree", "add", "-q", "-b", "side", g.root + "wt", "main"});
                        g.write(g.root + "wt/sub/G.pas", kOldHeader);
                        g.write(r + "/A.pas", kChangedBody); // the other work tree's change
                        return Scenario{g.root + "wt/sub"};
                    },
                    {"sub/G.pas"}},
        ChangesCase{"SubmoduleIsSkipped",
                    [](GitTest &g) {
                        const QString sub = g.init("sub");
                        g.write(sub + "/S.pas", kChangedBody);
                        g.commitAll(sub);
                        const QString r = g.project();
                        g.git(r, {"submodule", "add", "-q", sub, "lib"});
                        g.commitAll(r);
                        const QString nested = g.init("r/vendor"); // a repository git does not track
                        g.write(nested + "/V.pas", kChangedBody);
                        g.commitAll(nested);
                        return Scenario{r};
                    },
                    {".gitmodules", "submodule lib", "submodule vendor"}},
        ChangesCase{"LinksAreNotListed",
                    [](GitTest &g) {
                        const QString r = g.project();
                        QFile::link("A.pas", r + "/L.pas");
                        g.commitAll(r);
                        QFile::link("B.pas", r + "/M.pas");
                        return Scenario{r};
                    },
                    {}}),
    [](const testing::TestParamInfo<ChangesCase> &info) { return info.param.name; });

class StagedChanges : public GitTest, public testing::WithParamInterface<ChangesCase>
{
};

TEST_P(StagedChanges, ListsWhatTheNextCommitTakesWithItsStagedBytes)
{
    const Scenario scenario = GetParam().setUp(*this);
    const GitRepository repository(scenario.folder);
    EXPECT_EQ(checked(repository, repository.StagedChanges()), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StagedChanges,
    testing::Values(
        ChangesCase{"StagedBytesNotTheWorkTrees",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.write(r + "/A.pas", kNewEntryHeader);
                        g.write(r + "/B.pas", kChangedBody);
                        g.git(r, {"add", "A.pas", "B.pas"});
                        g.write(r + "/A.pas", kChangedBody);
                        g.write(r + "/B.pas", kNewEntryHeader);
                        g.write(r + "/C.pas", kChangedBody); // not staged
                        return Scenario{r};
                    },
                    {"A.pas", "B.pas", "B.pas:" + kNoNewEntry}},
        // A checkout expands "$Id$", which ends the header's reading; the
        // staged bytes read as the checked-out file will.
        ChangesCase{"StagedBytesAsACheckoutWritesThem",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.write(r + "/.gitattributes", "*.pas ident\n");
                        g.write(r + "/A.pas", QString(kNewEntryHeader).replace("$Id: x $", "$Id$") + "// Copyright 1999\r\n");
                        g.git(r, {"add", "A.pas"});
                        return Scenario{r};
                    },
                    {"A.pas"}},
        ChangesCase{"RenameOnlyAndDeletedAreNotListed",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.git(r, {"mv", "A.pas", "A2.pas"});
                        g.git(r, {"rm", "-q", "B.pas"});
                        return Scenario{r};
                    },
                    {}},
        ChangesCase{"NewFileWithAnOddName",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.writeNative(FileNameToBytes(r) + "/" + kOddName, encode(kFutureHeader, Encoding::Cp1251));
                        g.git(r, {"add", "-A"});
                        return Scenario{r};
                    },
                    {FileNameFromBytes(kOddName),
                     FileNameFromBytes(kOddName) + ":8: Ошибка: дата записи 01.06.2062 позже сегодняшней."}},
        ChangesCase{"UnbornHeadIsAnEmptyTree",
                    [](GitTest &g) {
                        const QString r = g.init("first");
                        g.write(r + "/A.pas", kOldHeader);
                        g.write(r + "/B.pas", "unit B;\r\n");
                        g.git(r, {"add", "A.pas"});
                        return Scenario{r};
                    },
                    {"A.pas"}},
        ChangesCase{"IndexFileFromTheEnvironment",
                    [](GitTest &g) {
                        // As git runs a hook for "commit -a": another index.
                        const QString r = g.project();
                        g.write(r + "/A.pas", kChangedBody);
                        qputenv("GIT_INDEX_FILE", QFile::encodeName(r + "/.git/other-index"));
                        g.git(r, {"add", "-A"});
                        return Scenario{r};
                    },
                    {"A.pas", "A.pas:" + kNoNewEntry}}),
    [](const testing::TestParamInfo<ChangesCase> &info) { return info.param.name; });

struct FailureCase
{
    const char *name;
    std::function<Scenario(GitTest &)> setUp;
    // What fails: "open", "staged", or comparing with the scenario's ref.
    const char *call;
    // The message, with "ROOT/" for the test's folder.
    QString message;
};

void PrintTo(const FailureCase &c, std::ostream *os)
{
    *os << c.name;
}

class Failures : public GitTest, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(Failures, SayWhatIsWrong)
{
    const FailureCase &c = GetParam();
    const Scenario scenario = c.setUp(*this);
    try {
        const GitRepository repository(scenario.folder);
        ASSERT_STRNE(c.call, "open");
        if (QByteArray(c.call) == "staged")
            repository.StagedChanges();
        else
            repository.ChangesSince(scenario.ref);
        ADD_FAILURE() << "no error";
    } catch (const Error &error) {
        EXPECT_EQ(error.message(), QString(c.message).replace("ROOT/", root));
    }
}

const QString kShallowRef = "Unknown revision \"origin/main\": it is no branch, tag or commit of the repository; "
                            "a shallow clone needs its history (for example fetch-depth: 0)";

INSTANTIATE_TEST_SUITE_P(
    Cases, Failures,
    testing::Values(
        FailureCase{"NotARepository",
                    [](GitTest &g) {
                        QDir().mkpath(g.root + "plain");
                        return Scenario{g.root + "plain"};
                    },
                    "open", "\"ROOT/plain\" is not in a git work tree"},
        FailureCase{"MissingFolder", [](GitTest &g) { return Scenario{g.root + "missing"}; }, "open",
                    "\"ROOT/missing\" is not in a git work tree. No such file or directory"},
        FailureCase{"BareRepository",
                    [](GitTest &g) {
                        g.git(g.root, {"init", "-q", "--bare", "bare.git"});
                        return Scenario{g.root + "bare.git"};
                    },
                    "open", "\"ROOT/bare.git\" is not in a git work tree"},
        FailureCase{"UnknownRef", [](GitTest &g) { return Scenario{g.project(), "nosuch"}; }, "since",
                    "Unknown revision \"nosuch\": it is no branch, tag or commit of the repository; "
                    "a shallow clone needs its history (for example fetch-depth: 0)"},
        FailureCase{"RefThatIsNoCommit", [](GitTest &g) { return Scenario{g.project(), "main^{tree}"}; }, "since",
                    "Revision \"main^{tree}\" is not a commit"},
        FailureCase{"UnbornHeadHasNoMergeBase",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.git(r, {"checkout", "-q", "--orphan", "fresh"});
                        return Scenario{r};
                    },
                    "since", "HEAD has no commit yet, so it has no merge base with \"main\""},
        FailureCase{"UnrelatedHistories",
                    [](GitTest &g) {
                        const QString r = g.project();
                        g.git(r, {"checkout", "-q", "--orphan", "fresh"});
                        g.commitAll(r);
                        return Scenario{r};
                    },
                    "since", "No merge base of \"main\" and HEAD"},
        FailureCase{"ShallowCloneWithoutTheRef",
                    [](GitTest &g) {
                        g.git(g.root, {"clone", "-q", "--depth", "1", "--branch", "feature", "file://" + g.diverged(),
                                       "shallow"});
                        return Scenario{g.root + "shallow", "origin/main"};
                    },
                    "since", kShallowRef},
        FailureCase{"ShallowCloneWithoutTheHistory",
                    [](GitTest &g) {
                        g.git(g.root, {"clone", "-q", "--depth", "1", "--no-single-branch", "--branch", "feature",
                                       "file://" + g.diverged(), "shallow"});
                        return Scenario{g.root + "shallow", "origin/main"};
                    },
                    "since",
                    "No merge base of \"origin/main\" and HEAD: the repository is a shallow clone without the "
                    "history that joins them; fetch it (for example with fetch-depth: 0)"}),
    [](const testing::TestParamInfo<FailureCase> &info) { return info.param.name; });

TEST_F(GitTest, OpensTheWorkTreeFromAnyPlaceInIt)
{
    const QString r = project();
    QDir().mkpath(r + "/a/b/c");
    git(r, {"worktree", "add", "-q", "-b", "side", root + "wt", "main"});
    QDir().mkpath(root + "wt/deep");
    for (const auto &[path, top] : std::initializer_list<std::pair<QString, QString>>{
             {r, r + "/"},
             {r + "/a/b/c", r + "/"},
             {r + "/A.pas", r + "/"},
             {"r/a/b/../b", r + "/"},
             {root + "wt/deep", root + "wt/"},
         }) {
        const QString saved = QDir::currentPath();
        QDir::setCurrent(root);
        EXPECT_EQ(GitRepository(path).WorkTree(), top) << path.toStdString();
        QDir::setCurrent(saved);
    }
}

} // namespace
