#include "app/report/arguments.h"

#include "app/commandline/commandline.h"
#include "core/error.h"

namespace lorvane {

namespace {

// The window takes a limit below 1 as "no lines"; asked for on a command
// line it can only be a mistake.
int parseLimit(const QString &text)
{
    bool ok = false;
    const int limit = text.toInt(&ok);
    if (!ok || limit < 1)
        throw Error(QStringLiteral("Invalid line limit \"%1\": expected a whole number of 1 or more").arg(text));
    return limit;
}

} // namespace

QString ReportUsage()
{
    return QStringLiteral(
        "Usage: lorvane-report --from YYYY-MM-DD --to YYYY-MM-DD [--html] [--description]\n"
        "                      [--only-changes] [--limit N] [--output PATH] [--strict]\n"
        "                      (--files-from PATH | --files-from - | FOLDER)\n"
        "\n"
        "Writes the change report of source files from their comment headers.\n"
        "\n"
        "  --from YYYY-MM-DD    first day of the report's window\n"
        "  --to YYYY-MM-DD      last day of the window; a --from that is not earlier\n"
        "                       becomes this date\n"
        "  --html               HTML fragments instead of plain text\n"
        "  --description        include each file's description\n"
        "  --only-changes       list only files with changes in the window\n"
        "  --limit N            move the start back from the day before --to until the\n"
        "                       report has at least N lines or reaches the project's\n"
        "                       creation, when it is longer than N lines\n"
        "  --output PATH        write the report to PATH instead of standard output;\n"
        "                       never one of the files read\n"
        "  --files-from PATH    read the files to report, one path per line (UTF-8),\n"
        "                       in that order; \"-\" reads standard input\n"
        "  FOLDER               search FOLDER for .pas, .sql, .dpr and .dpk files;\n"
        "                       folders below it that cannot be listed are skipped\n"
        "                       and named on standard error\n"
        "  --strict             a skipped folder is a failure\n"
        "  --version            print the version line and exit\n"
        "  --help               print this help and exit\n"
        "\n"
        "The output is what saving the report in Lorvane writes: CR LF line breaks,\n"
        "the system 8-bit code page (LORVANE_CODEPAGE, default CP1251).\n"
        "Exit status: 0 report, 1 header error list (still written), 2 failure.\n");
}

ReportArguments ParseReportArguments(const QStringList &arguments)
{
    ReportArguments result;
    bool haveFrom = false;
    bool haveTo = false;
    bool haveFilesFrom = false;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        // An empty value would read as the option not given: "--output ''"
        // would quietly write to standard output.
        auto value = [&]() -> QString {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                throw Error(QStringLiteral("Option %1 needs a value").arg(arg));
            return arguments[++i];
        };
        if (arg == u"--help" || arg == u"-h") {
            result.mode = ReportArguments::Mode::Help;
            return result;
        } else if (arg == u"--version") {
            result.mode = ReportArguments::Mode::Version;
            return result;
        } else if (arg == u"--from") {
            result.from = ParseIsoDate(arg, value());
            haveFrom = true;
        } else if (arg == u"--to") {
            result.to = ParseIsoDate(arg, value());
            haveTo = true;
        } else if (arg == u"--html") {
            result.options.Html = true;
        } else if (arg == u"--description") {
            result.options.WithDescription = true;
        } else if (arg == u"--only-changes") {
            result.options.OnlyChanges = true;
        } else if (arg == u"--limit") {
            result.limit = parseLimit(value());
        } else if (arg == u"--output") {
            result.output = value();
        } else if (arg == u"--strict") {
            result.strict = true;
        } else if (arg == u"--files-from") {
            result.filesFrom = value();
            haveFilesFrom = true;
        } else if (arg.startsWith(u'-') && arg != u"-") {
            throw Error(QStringLiteral("Unknown option %1; see --help").arg(arg));
        } else {
            positional << arg;
        }
    }
    if (!haveFrom || !haveTo)
        throw Error(QStringLiteral("Both --from and --to are required; see --help"));
    if (positional.size() > 1 || (haveFilesFrom == !positional.isEmpty()))
        throw Error(QStringLiteral("Give either --files-from or one FOLDER; see --help"));
    if (!positional.isEmpty())
        result.folder = positional.first();
    return result;
}

} // namespace lorvane
