#include "app/check/arguments.h"

#include "app/commandline/options.h"
#include "core/error.h"
#include "core/headercheck.h"

namespace lorvane {

namespace {

CheckFormat parseFormat(const QString &text)
{
    static const QList<std::pair<QString, CheckFormat>> formats{{"text", CheckFormat::Text},
                                                                 {"json", CheckFormat::Json},
                                                                 {"gnu", CheckFormat::Gnu},
                                                                 {"github", CheckFormat::Github}};
    for (const auto &[name, format] : formats) {
        if (text == name)
            return format;
    }
    throw Error(QStringLiteral("Unknown format \"%1\" for --format: expected text, json, gnu or github").arg(text));
}

} // namespace

QString CheckUsage()
{
    return QStringLiteral(
        "Usage: lorvane-check [--since REF | --staged] [--format FORMAT]\n"
        "                     [--date-format FORMAT] [--] [PATH...]\n"
        "\n"
        "Checks the comment headers of source files: a gate for commits, merges and CI.\n"
        "\n"
        "  (no --since, --staged)\n"
        "                       every source file under each PATH gets the checks of\n"
        "                       lorvane-report --errors-only for the window from the\n"
        "                       first day a header can name to today\n"
        "  --since REF          only the source files changed from the merge base of\n"
        "                       REF (a branch, tag or commit) and HEAD to the work tree:\n"
        "                       committed, staged or not, and new files that git does\n"
        "                       not ignore; each must pass the same checks and have a\n"
        "                       change entry (date and text) that it did not have at\n"
        "                       the merge base. A file only renamed is not changed;\n"
        "                       deleted files are not checked\n"
        "  --staged             the same from HEAD to the index, on the staged bytes:\n"
        "                       what the next commit takes (the pre-commit mode)\n"
        "  --format FORMAT      text (the default), json, gnu or github; see below\n")
           + DateFormatOptionUsage()
           + QStringLiteral(
        "  PATH                 a folder, searched for .pas, .sql, .dpr and .dpk files\n"
        "                       as lorvane-report searches FOLDER, or a file, taken as\n"
        "                       it is; the current folder when none is given. With\n"
        "                       --since or --staged, the changed source files inside\n"
        "                       the PATHs, which lie in the work tree of the current\n"
        "                       folder's repository\n"
        "  --                   end of the options: what follows is PATH\n"
        "  --version            print the version line and exit\n"
        "  --help               print this help and exit\n"
        "\n"
        "Each option may be given once. In every mode an entry dated after today is a\n"
        "problem. Beside the report's problems, the check gives:\n"
        "  \"%1\"\n"
        "      at the change-list heading (line 1 without one)\n"
        "  \"%2\"\n"
        "      at the entry's line\n"
        "\n"
        "Git is read with libgit2; no git program is needed. Submodules are skipped,\n"
        "each said once on standard error. A file that cannot be read stops the check,\n"
        "as it stops the report.\n"
        "\n")
               .arg(NoNewEntryMessage(), FutureEntryMessage(QStringLiteral("DATE")))
           + DatesUsage()
           + QStringLiteral(
        "\n"
        "Formats (every line number counts from 1, every path from the current folder):\n"
        "  text     the error list that lorvane-report --errors-only writes: on a\n"
        "           terminal in UTF-8 with LF line breaks, else the report's bytes\n"
        "           (CR LF, the system 8-bit code page: LORVANE_CODEPAGE, default\n"
        "           CP1251); nothing when no problem is found\n"
        "  json     the object of lorvane-report --errors-only --format json, also\n"
        "           when no problem is found (\"errors\" then empty), with \"mode\"\n"
        "           (\"all\", \"since\" or \"staged\") and \"ref\" (REF, or null)\n"
        "  gnu      path:line: message, one line per problem, as compilers print\n"
        "           them; a line break in a path or message becomes a blank\n"
        "  github   ::error file=path,line=N::message, GitHub Actions annotations\n"
        "JSON, gnu and github are UTF-8 with LF line breaks; a name that is not UTF-8\n"
        "shows U+FFFD for each byte that is not.\n"
        "\n"
        "Examples:\n"
        "  lorvane-check --staged\n"
        "  lorvane-check --since origin/main --format github\n"
        "  lorvane-check --format gnu src\n"
        "\n"
        "Exit status: 0 no problem found, 1 problems found (written), 2 failure.\n");
}

CheckArguments ParseCheckArguments(const QStringList &arguments)
{
    CheckArguments result;
    OptionReader line(arguments);
    while (line.next()) {
        if (line.isOperand()) {
            result.paths << line.argument();
        } else if (line.is(u"--help") || line.is(u"-h")) {
            result.mode = CheckArguments::Mode::Help;
            return result;
        } else if (line.is(u"--version")) {
            result.mode = CheckArguments::Mode::Version;
            return result;
        } else if (line.is(u"--since")) {
            result.ref = line.value();
            if (result.scope == CheckArguments::Scope::Staged)
                throw Error(QStringLiteral("Options --since and --staged cannot be used together"));
            result.scope = CheckArguments::Scope::Since;
        } else if (line.is(u"--staged")) {
            if (result.scope == CheckArguments::Scope::Since)
                throw Error(QStringLiteral("Options --since and --staged cannot be used together"));
            result.scope = CheckArguments::Scope::Staged;
        } else if (line.is(u"--format")) {
            result.format = parseFormat(line.value());
        } else {
            line.refuseUnknown();
        }
    }
    for (const QString &path : result.paths) {
        // An empty name would be the current folder to the search.
        if (path.isEmpty())
            throw Error(QStringLiteral("PATH is empty; give \".\" for the current folder"));
    }
    if (result.paths.isEmpty())
        result.paths << QStringLiteral(".");
    return result;
}

} // namespace lorvane
