// lorvane-check run as a hook or a CI job runs it, over real repositories
// made by git in a temporary folder.

#include "core/filename.h"
#include "formats/tests/problemparsing.h"
#include "testsupport/gitfixture.h"
#include "testsupport/program.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

const QString kNoNewEntry = "Ошибка: нет новой записи в списке изменений.";
const QString kNoHeader = "Ошибка: нет заголовка.";
const QString kFutureEntry = "Ошибка: дата записи 01.06.2062 позже сегодняшней.";
const QString kBadFirstYear = "Ошибка в Copyright: год начала не 2017.";
// A header whose copyright starts a year too early.
const QString kBadYearHeader = HeaderText(kOldChanges, "Copyright © 2016…2019");

class CheckCli : public GitFixture
{
public:
    Outcome check(const QString &folder, const QStringList &arguments,
                  const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        return RunProgram(QStringLiteral(LORVANE_CHECK_EXE), arguments, {}, environment, folder);
    }

    // The problems of a run with --format gnu, each as "path:line: message".
    QStringList gnuLines(const Outcome &outcome)
    {
        QStringList lines;
        for (const ParsedProblem &problem : ParseGnuLines(outcome.out))
            lines << problem.path + u':' + QString::number(problem.line) + ": " + problem.message;
        return lines;
    }
};

// The folder to run in and the arguments beside --format gnu.
struct Invocation
{
    QString folder;
    QStringList arguments;
};

struct ModeCase
{
    const char *name;
    std::function<Invocation(CheckCli &)> setUp;
    int exitCode;
    QStringList problems; // as "path:line: message"
};

void PrintTo(const ModeCase &c, std::ostream *os)
{
    *os << c.name;
}

class Modes : public CheckCli, public testing::WithParamInterface<ModeCase>
{
};

TEST_P(Modes, FindTheProblemsOfTheFilesTheModeTakes)
{
    const Invocation run = GetParam().setUp(*this);
    const Outcome outcome = check(run.folder, QStringList{"--format", "gnu"} + run.arguments);
    EXPECT_EQ(outcome.exitCode, GetParam().exitCode) << outcome.err.toStdString();
    EXPECT_EQ(gnuLines(outcome), GetParam().problems);
    EXPECT_EQ(outcome.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Since, Modes,
    testing::Values(
        ModeCase{"SinceChangedWithAndWithoutANewEntry",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     g.write(r + "/A.pas", kNewEntryHeader);
                     g.write(r + "/B.pas", kChangedBody);
                     g.commitAll(r);
                     return Invocation{r, {"--since", "main"}};
                 },
                 1, {"B.pas:7: " + kNoNewEntry}},
        ModeCase{"SinceStagedOrNotAndNewFiles",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     g.write(r + "/A.pas", kChangedBody);
                     g.git(r, {"add", "A.pas"});
                     g.write(r + "/B.pas", kChangedBody);
                     g.write(r + "/new/D.pas", kOldHeader);
                     g.write(r + "/E.dpr", "program E;\r\n");
                     g.write(r + "/ignored/F.pas", "unit F;\r\n");
                     return Invocation{r, {"--since", "main"}};
                 },
                 1,
                 {"A.pas:7: " + kNoNewEntry, "B.pas:7: " + kNoNewEntry, "E.dpr:1: " + kNoHeader}},
        ModeCase{"SinceRenameOnlyAndDeletedAreNotChecked",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     g.git(r, {"mv", "A.pas", "A2.pas"});
                     g.git(r, {"rm", "-q", "B.pas"});
                     g.commitAll(r);
                     QFile::remove(r + "/C.pas");
                     return Invocation{r, {"--since", "main"}};
                 },
                 0, {}},
        ModeCase{"SinceRenamePlusChange",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     QDir().mkpath(r + "/sub");
                     g.git(r, {"mv", "A.pas", "sub/A2.pas"});
                     g.write(r + "/sub/A2.pas", kChangedBody);
                     g.git(r, {"mv", "B.pas", "B2.pas"});
                     g.write(r + "/B2.pas", kNewEntryHeader);
                     return Invocation{r, {"--since", "main"}};
                 },
                 1, {"sub/A2.pas:7: " + kNoNewEntry}},
        ModeCase{"SinceFutureDate",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     g.write(r + "/A.pas", kFutureHeader);
                     return Invocation{r, {"--since", "main"}};
                 },
                 1, {"A.pas:9: " + kFutureEntry}},
        ModeCase{"SinceTheMergeBaseOnAnotherBranch",
                 [](CheckCli &g) { return Invocation{g.diverged(), {"--since", "main"}}; }, 0, {}},
        ModeCase{"SinceOnlySourceFilesInsideThePaths",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     for (const char *path : {"/src/A.PAS", "/src/deep/B.Sql", "/lib/C.pas", "/src/.hidden/D.pas",
                                              "/src/E.txt"})
                         g.write(r + path, "nothing\r\n");
                     QDir().mkpath(r + "/run");
                     return Invocation{r + "/run", {"--since", "main", "--", "../src", "../missing/X.pas"}};
                 },
                 1,
                 {"../src/A.PAS:1: " + kNoHeader, "../src/deep/B.Sql:1: " + kNoHeader}},
        ModeCase{"SinceInAWorktreeOfAnotherRepository",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     g.git(r, {"worktree", "add", "-q", "-b", "side", g.root + "wt", "main"});
                     g.write(g.root + "wt/B.pas", kChangedBody);
                     g.write(r + "/A.pas", kChangedBody); // the other work tree's change
                     return Invocation{g.root + "wt", {"--since", "main"}};
                 },
                 1, {"B.pas:7: " + kNoNewEntry}},
        ModeCase{"SinceATagOrACommit",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     g.write(r + "/A.pas", kChangedBody);
                     g.commitAll(r);
                     g.git(r, {"tag", "v1"});
                     g.write(r + "/B.pas", kBadYearHeader);
                     g.commitAll(r);
                     return Invocation{r, {"--since", "v1"}};
                 },
                 1, {"B.pas:7: " + kNoNewEntry, "B.pas:12: " + kBadFirstYear}}),
    [](const testing::TestParamInfo<ModeCase> &info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Staged, Modes,
    testing::Values(
        ModeCase{"StagedBytesNotTheWorkTrees",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     g.write(r + "/A.pas", kNewEntryHeader);
                     g.write(r + "/B.pas", kChangedBody);
                     g.git(r, {"add", "A.pas", "B.pas"});
                     g.write(r + "/A.pas", kChangedBody);
                     g.write(r + "/B.pas", kNewEntryHeader);
                     g.write(r + "/C.pas", kChangedBody); // not staged
                     return Invocation{r, {"--staged"}};
                 },
                 1, {"B.pas:7: " + kNoNewEntry}},
        ModeCase{"StagedBeforeTheFirstCommit",
                 [](CheckCli &g) {
                     const QString r = g.init("first");
                     g.write(r + "/A.pas", kOldHeader);
                     g.write(r + "/B.pas", kFutureHeader);
                     g.git(r, {"add", "-A"});
                     return Invocation{r, {"--staged"}};
                 },
                 1, {"B.pas:9: " + kFutureEntry}},
        ModeCase{"StagedNameThatIsNotUtf8",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     g.writeNative(FileNameToBytes(r) + "/" + kOddName, encode(kBadYearHeader, Encoding::Cp1251));
                     g.git(r, {"add", "-A"});
                     return Invocation{r, {"--staged"}};
                 },
                 1, {"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD.pas:12: " + kBadFirstYear}}),
    [](const testing::TestParamInfo<ModeCase> &info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Plain, Modes,
    testing::Values(
        ModeCase{"EveryFileUnderThePathsNoGitNeeded",
                 [](CheckCli &g) {
                     const QString p = g.root + "plain";
                     g.write(p + "/Good.pas", kOldHeader);
                     g.write(p + "/src/Year.pas", kBadYearHeader);
                     g.write(p + "/src/Future.dpk", kFutureHeader);
                     g.write(p + "/src/.hidden/Bad.pas", "nothing\r\n");
                     g.write(p + "/src/Notes.txt", "nothing\r\n");
                     g.write(p + "/Unit.inc", "nothing\r\n");
                     return Invocation{p, {"Unit.inc", "src", "src/Year.pas"}};
                 },
                 1,
                 {"Unit.inc:1: " + kNoHeader, "src/Year.pas:12: " + kBadFirstYear,
                  "src/Future.dpk:9: " + kFutureEntry}},
        ModeCase{"TheCurrentFolderByDefault",
                 [](CheckCli &g) {
                     const QString r = g.project();
                     g.write(r + "/A.pas", kChangedBody);
                     g.write(r + "/sub/B.pas", kBadYearHeader);
                     return Invocation{r + "/sub", {}};
                 },
                 1, {"B.pas:12: " + kBadFirstYear}}),
    [](const testing::TestParamInfo<ModeCase> &info) { return info.param.name; });

struct FailureCase
{
    const char *name;
    std::function<Invocation(CheckCli &)> setUp;
    QString message; // the one line on standard error, "ROOT/" for the test's folder
};

void PrintTo(const FailureCase &c, std::ostream *os)
{
    *os << c.name;
}

class Failures : public CheckCli, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(Failures, EndWithStatus2AndTheirMessageOnly)
{
    const Invocation run = GetParam().setUp(*this);
    const Outcome outcome = check(run.folder, run.arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, QByteArray());
    EXPECT_EQ(outcome.err, QString(GetParam().message).replace("ROOT/", root) + "\n");
}

const QString kShallowHint = "a shallow clone needs its history (for example fetch-depth: 0)";

INSTANTIATE_TEST_SUITE_P(
    Cases, Failures,
    testing::Values(
        FailureCase{"NotARepository",
                    [](CheckCli &g) {
                        QDir().mkpath(g.root + "plain");
                        return Invocation{g.root + "plain", {"--staged"}};
                    },
                    "\"ROOT/plain\" is not in a git work tree."},
        FailureCase{"UnknownRef", [](CheckCli &g) { return Invocation{g.project(), {"--since", "origin/main"}}; },
                    "Unknown revision \"origin/main\": it is no branch, tag or commit of the repository; "
                        + kShallowHint},
        FailureCase{"ShallowCloneWithoutTheRef",
                    [](CheckCli &g) {
                        g.git(g.root, {"clone", "-q", "--depth", "1", "--branch", "feature", "file://" + g.diverged(),
                                       "shallow"});
                        return Invocation{g.root + "shallow", {"--since", "origin/main"}};
                    },
                    "Unknown revision \"origin/main\": it is no branch, tag or commit of the repository; "
                        + kShallowHint},
        FailureCase{"ShallowCloneWithoutTheHistory",
                    [](CheckCli &g) {
                        g.git(g.root, {"clone", "-q", "--depth", "1", "--no-single-branch", "--branch", "feature",
                                       "file://" + g.diverged(), "shallow"});
                        return Invocation{g.root + "shallow", {"--since", "origin/main"}};
                    },
                    "No merge base of \"origin/main\" and HEAD: the repository is a shallow clone without the "
                    "history that joins them; fetch it (for example with fetch-depth: 0)"},
        FailureCase{"PathOutsideTheWorkTree",
                    [](CheckCli &g) {
                        QDir().mkpath(g.root + "elsewhere");
                        return Invocation{g.project(), {"--staged", "../elsewhere"}};
                    },
                    "\"ROOT/elsewhere\" is outside the git work tree \"ROOT/r\""},
        FailureCase{"ChangedFileThatDoesNotDecode",
                    [](CheckCli &g) {
                        const QString r = g.project();
                        g.writeNative(FileNameToBytes(r + "/A.pas"), "\xEF\xBB\xBF{==\xFF\r\n");
                        return Invocation{r, {"--since", "main"}};
                    },
                    "No mapping for the Unicode character exists in the target multi-byte code page. "
                    "File \"ROOT/r/A.pas\""},
        FailureCase{"FileThatCannotBeRead", [](CheckCli &g) { return Invocation{g.root, {"Missing.pas"}}; },
                    "Cannot open file \"ROOT/Missing.pas\". No such file or directory."},
        FailureCase{"FolderThatDoesNotExist", [](CheckCli &g) { return Invocation{g.root, {"--", "missing/"}}; },
                    "Cannot open file \"ROOT/missing\". No such file or directory."},
        FailureCase{"SinceAndStaged", [](CheckCli &g) { return Invocation{g.root, {"--staged", "--since", "main"}}; },
                    "Options --since and --staged cannot be used together."},
        FailureCase{"UnknownFormat", [](CheckCli &g) { return Invocation{g.root, {"--format", "xml"}}; },
                    "Unknown format \"xml\" for --format: expected text, json, gnu or github."},
        FailureCase{"FormatGivenTwice",
                    [](CheckCli &g) { return Invocation{g.root, {"--format", "gnu", "--format", "gnu"}}; },
                    "Option --format given twice."},
        FailureCase{"SinceWithoutARef", [](CheckCli &g) { return Invocation{g.root, {"--since", "--staged"}}; },
                    "Option --since needs a value."},
        FailureCase{"EmptyPath", [](CheckCli &g) { return Invocation{g.root, {""}}; },
                    "PATH is empty; give \".\" for the current folder."},
        FailureCase{"BadDateFormat", [](CheckCli &g) { return Invocation{g.root, {"--date-format", "dd.MM"}}; },
                    "Invalid date format \"dd.MM\" for --date-format: expected a day, a month and a year field "
                    "(d or dd, M or MM, yy or yyyy) as day-month-year, month-day-year or year-month-day with one "
                    "separator, such as dd.MM.yyyy, MM/dd/yyyy or yyyy-MM-dd."}),
    [](const testing::TestParamInfo<FailureCase> &info) { return info.param.name; });

TEST_F(CheckCli, SubmodulesAreSkippedAndNamedOnce)
{
    const QString sub = init("sub");
    write(sub + "/S.pas", kChangedBody);
    commitAll(sub);
    const QString r = project();
    git(r, {"submodule", "add", "-q", sub, "lib"});
    commitAll(r);
    write(r + "/A.pas", kChangedBody);
    const Outcome outcome = check(r, {"--since", "main", "--format", "gnu"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(gnuLines(outcome), QStringList{"A.pas:7: " + kNoNewEntry});
    EXPECT_EQ(outcome.err, "Skipped submodule \"lib\": its files are not checked.\n");
}

TEST_F(CheckCli, HelpVersionAndTheEndOfTheOptions)
{
    const Outcome help = check(root, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: lorvane-check [--since REF | --staged]")) << help.out.toStdString();
    EXPECT_TRUE(QString::fromUtf8(help.out).contains(kNoNewEntry));
    const Outcome version = check(root, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("Версия ")) << version.out.toStdString();
    write(root + "-x.pas", kBadYearHeader);
    const Outcome dashed = check(root, {"--format", "gnu", "--", "-x.pas"});
    EXPECT_EQ(dashed.exitCode, 1);
    EXPECT_EQ(gnuLines(dashed), QStringList{"-x.pas:12: " + kBadFirstYear});
}

} // namespace
