#include "app/add/arguments.h"

#include "app/commandline/commandline.h"
#include "core/error.h"

namespace lorvane {

QString AddUsage()
{
    return QStringLiteral(
        "Usage: lorvane-add [--date YYYY-MM-DD] [--marker C] [--dry-run] --text TEXT FILE...\n"
        "\n"
        "Writes a change entry into the comment header of each FILE, in the form that\n"
        "lorvane-report reads back.\n"
        "\n"
        "  --date YYYY-MM-DD    the day of the change; today when not given\n"
        "  --marker C           the one character between the brackets before each\n"
        "                       text: \"+\" (the default) gives \"[+]\", \"*\" gives \"[*]\"\n"
        "  --text TEXT          one item of the change; give it again for more items\n"
        "  --dry-run            print a unified diff (UTF-8) of each change instead of\n"
        "                       writing it\n"
        "  FILE                 a source file with a header; each file is done on its own\n"
        "  --version            print the version line and exit\n"
        "  --help               print this help and exit\n"
        "\n"
        "The entry goes on top of the change list under \"Изменения:\", dated in the\n"
        "short date format that the report reads (dd.mm.yyyy under the C locale), with\n"
        "the text at the column that most of the file's entries use; a date that\n"
        "the newest entry already carries gets continuation lines under it. A copyright\n"
        "range, or a single year that ends its line, is carried up to the entry's year.\n"
        "The file keeps its encoding (byte-order mark or LORVANE_CODEPAGE, default\n"
        "CP1251), its line breaks and every other byte. A file is refused, and left as\n"
        "it was, when its header is missing or already has problems, the date is older\n"
        "than its newest entry, a character cannot be written in its encoding, or the\n"
        "new header would not read back with exactly the new items.\n"
        "Each file is locked while it is read and written: another run on it waits up to\n"
        "10 seconds. A file that another program changes meanwhile gets the entry on its\n"
        "new content, or is refused; nothing of either is lost.\n"
        "Exit status: 0 every file done, 2 a failure (each one named on standard error).\n");
}

AddArguments ParseAddArguments(const QStringList &arguments, QDate today)
{
    AddArguments result;
    result.entry.date = today;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        auto value = [&]() -> QString {
            if (i + 1 >= arguments.size())
                throw Error(QStringLiteral("Option %1 needs a value").arg(arg));
            return arguments[++i];
        };
        if (arg == u"--help" || arg == u"-h") {
            result.mode = AddArguments::Mode::Help;
            return result;
        } else if (arg == u"--version") {
            result.mode = AddArguments::Mode::Version;
            return result;
        } else if (arg == u"--date") {
            result.entry.date = ParseIsoDate(arg, value());
        } else if (arg == u"--marker") {
            const QString marker = value();
            if (marker.size() != 1)
                throw Error(QStringLiteral("Invalid marker \"%1\" for --marker: expected one character").arg(marker));
            result.entry.marker = marker.front();
        } else if (arg == u"--text") {
            result.entry.texts << value();
        } else if (arg == u"--dry-run") {
            result.dryRun = true;
        } else if (arg.startsWith(u'-') && arg != u"-") {
            throw Error(QStringLiteral("Unknown option %1; see --help").arg(arg));
        } else {
            result.files << arg;
        }
    }
    if (result.entry.texts.isEmpty())
        throw Error(QStringLiteral("At least one --text is required; see --help"));
    if (result.files.isEmpty())
        throw Error(QStringLiteral("Give at least one FILE; see --help"));
    CheckChangeEntry(result.entry);
    return result;
}

} // namespace lorvane
