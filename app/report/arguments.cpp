#include "app/report/arguments.h"

#include "app/commandline/commandline.h"
#include "app/commandline/options.h"
#include "core/error.h"
#include "discovery/pipelist.h"

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

ReportFormat parseFormat(const QString &text)
{
    static const QList<std::pair<QString, ReportFormat>> formats{{"text", ReportFormat::Text},
                                                                  {"html", ReportFormat::Html},
                                                                  {"markdown", ReportFormat::Markdown},
                                                                  {"json", ReportFormat::Json}};
    for (const auto &[name, format] : formats) {
        if (text == name)
            return format;
    }
    throw Error(QStringLiteral("Unknown format \"%1\" for --format: expected text, html, markdown or json").arg(text));
}

// A bar list catches names up to its last bar: "|tmp|old" would skip "tmp"
// and silently keep "old".
QString parseExclude(const QString &pattern)
{
    if (IsPipeList(pattern) && !pattern.endsWith(u'|'))
        throw Error(QStringLiteral("Bar list \"%1\" for --exclude does not end with \"|\": its last item would "
                                   "be ignored")
                        .arg(pattern));
    return pattern;
}

} // namespace

QString ReportUsage()
{
    return QStringLiteral(
        "Usage: lorvane-report --from YYYY-MM-DD --to YYYY-MM-DD [--format FORMAT]\n"
        "                      [--html] [--description] [--only-changes] [--limit N]\n"
        "                      [--errors-only] [--output PATH] [--strict]\n"
        "                      [--date-format FORMAT] [--]\n"
        "                      (--files-from PATH | --files-from - |\n"
        "                       [--exclude PATTERN] FOLDER)\n"
        "\n"
        "Writes the change report of source files from their comment headers.\n"
        "\n"
        "  --from YYYY-MM-DD    first day of the report's window\n"
        "  --to YYYY-MM-DD      last day of the window; a --from that is not earlier\n"
        "                       becomes this date\n"
        "  --format FORMAT      text (the default), html, markdown or json; see below\n"
        "  --html               HTML fragments instead of plain text: --format html\n"
        "  --description        include each file's description\n"
        "  --only-changes       list only files with changes in the window\n"
        "  --limit N            move the start back from the day before --to until the\n"
        "                       report has at least N lines or reaches the project's\n"
        "                       creation, when it is longer than N lines; measured\n"
        "                       on the text report whatever the format\n"
        "  --errors-only        when every header passes its checks, write nothing (an\n"
        "                       --output file is left empty) and exit 0; else write the\n"
        "                       error list of the window, without --limit, and exit 1\n"
        "  --output PATH        write the report to PATH instead of standard output\n"
        "                       (\"-\"); never one of the files read\n"
        "  --files-from PATH    read the files to report, one path per line (UTF-8),\n"
        "                       in that order, from any file that can be read, such\n"
        "                       as a FIFO or <(find ...); \"-\" reads standard input\n"
        "  FOLDER               search FOLDER for .pas, .sql, .dpr and .dpk files;\n"
        "                       folders below it that cannot be listed are skipped\n"
        "                       and named on standard error\n"
        "  --exclude PATTERN    with FOLDER: skip files and folders whose names hold\n"
        "                       PATTERN, or any item of a bar list such as \"|tmp|old|\",\n"
        "                       which ends with its bar\n"
        "  --strict             a skipped folder is a failure\n")
           + DateFormatOptionUsage()
           + QStringLiteral(
        "  --                   end of the options: what follows is FOLDER\n"
        "  --version            print the version line and exit\n"
        "  --help               print this help and exit\n"
        "\n"
        "Each option may be given once.\n"
        "\n")
           + DatesUsage()
           + QStringLiteral(
        "When no file's first date reads and the format in force is not dd.MM.yyyy,\n"
        "a line on standard error says so.\n"
        "\n"
        "Formats:\n"
        "  text, html   what saving the report in Lorvane writes: CR LF line breaks,\n"
        "               the system 8-bit code page (LORVANE_CODEPAGE, default CP1251)\n"
        "  markdown     CommonMark: the window as a level-1 heading, a level-2 heading\n"
        "               per file, its description as a paragraph, its entries as a\n"
        "               list; an error list as a heading per file (its path where\n"
        "               files share a name) and a list of its problems; header\n"
        "               text is escaped to show as typed\n"
        "  json         one object: \"kind\" (\"report\" or \"errors\"), \"from\", \"to\",\n"
        "               and \"files\" (\"path\", \"name\", \"description\" lines, \"entries\"\n"
        "               with \"date\" and \"text\") or \"errors\" (\"path\", \"name\",\n"
        "               1-based \"line\", \"message\")\n"
        "Markdown and JSON are UTF-8 with LF line breaks. A file name that is not\n"
        "UTF-8 shows U+FFFD for each byte that is not; JSON also gives the path's\n"
        "exact bytes in base64 as \"pathBytes\".\n"
        "\n"
        "Examples:\n"
        "  lorvane-report --from 2019-01-01 --to 2019-03-31 --format markdown src\n"
        "  lorvane-report --from 2019-01-01 --to 2019-03-31 --errors-only --format json \\\n"
        "      --exclude '|tmp|old|' src\n"
        "\n"
        "Exit status: 0 report, 1 header error list (still written), 2 failure.\n");
}

ReportArguments ParseReportArguments(const QStringList &arguments)
{
    ReportArguments result;
    bool haveFrom = false;
    bool haveTo = false;
    bool haveFilesFrom = false;
    QString formatName; // as given; never empty once given
    bool html = false;
    QStringList positional;
    OptionReader line(arguments);
    while (line.next()) {
        if (line.isOperand()) {
            positional << line.argument();
        } else if (line.is(u"--help") || line.is(u"-h")) {
            result.mode = ReportArguments::Mode::Help;
            return result;
        } else if (line.is(u"--version")) {
            result.mode = ReportArguments::Mode::Version;
            return result;
        } else if (line.is(u"--from")) {
            result.from = ParseIsoDate(QStringLiteral("--from"), line.value());
            haveFrom = true;
        } else if (line.is(u"--to")) {
            result.to = ParseIsoDate(QStringLiteral("--to"), line.value());
            haveTo = true;
        } else if (line.is(u"--html")) {
            html = true;
        } else if (line.is(u"--format")) {
            formatName = line.value();
            result.format = parseFormat(formatName);
        } else if (line.is(u"--exclude")) {
            result.exclude = parseExclude(line.value());
        } else if (line.is(u"--errors-only")) {
            result.errorsOnly = true;
        } else if (line.is(u"--description")) {
            result.options.WithDescription = true;
        } else if (line.is(u"--only-changes")) {
            result.options.OnlyChanges = true;
        } else if (line.is(u"--limit")) {
            result.limit = parseLimit(line.value());
        } else if (line.is(u"--output")) {
            result.output = line.value();
            if (result.output == u"-")
                result.output.clear();
        } else if (line.is(u"--strict")) {
            result.strict = true;
        } else if (line.is(u"--files-from")) {
            result.filesFrom = line.value();
            haveFilesFrom = true;
        } else {
            line.refuseUnknown();
        }
    }
    if (!haveFrom || !haveTo)
        throw Error(QStringLiteral("Both --from and --to are required; see --help"));
    if (positional.size() > 1 || (haveFilesFrom == !positional.isEmpty()))
        throw Error(QStringLiteral("Give either --files-from or one FOLDER; see --help"));
    if (!positional.isEmpty()) {
        result.folder = positional.first();
        // An empty name would be the current folder to the search.
        if (result.folder.isEmpty())
            throw Error(QStringLiteral("FOLDER is empty; give \".\" for the current folder"));
    }
    if (html) {
        if (!formatName.isEmpty() && result.format != ReportFormat::Html)
            throw Error(QStringLiteral("Option --html cannot be used with --format %1").arg(formatName));
        result.format = ReportFormat::Html;
    }
    result.options.Html = result.format == ReportFormat::Html;
    if (!result.exclude.isEmpty() && haveFilesFrom)
        throw Error(QStringLiteral("Option --exclude needs FOLDER, not --files-from"));
    return result;
}

} // namespace lorvane
