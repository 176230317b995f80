#include "app/add/arguments.h"

#include "app/commandline/commandline.h"
#include "app/commandline/options.h"
#include "core/error.h"

namespace lorvane {

QString AddUsage()
{
    return QStringLiteral(
        "Usage: lorvane-add [--date YYYY-MM-DD] [--marker C] [--dry-run]\n"
        "                   [--date-format FORMAT] --text TEXT [--] FILE...\n"
        "\n"
        "Writes a change entry into the comment header of each FILE, in the form that\n"
        "lorvane-report reads back.\n"
        "\n"
        "  --date YYYY-MM-DD    the day of the change; today when not given\n"
        "  --marker C           the one character between the brackets before each\n"
        "                       text: \"+\" (the default) gives \"[+]\", \"*\" gives \"[*]\"\n"
        "  --text TEXT          one item of the change; give it again for more items\n"
        "  --dry-run            print a unified diff (UTF-8) of each change instead of\n"
        "                       writing it; a name that is not UTF-8 shows U+FFFD for\n"
        "                       each byte that is not\n")
           + DateFormatOptionUsage()
           + QStringLiteral(
        "  FILE                 a source file with a header; each file is done on its own\n"
        "  --                   end of the options: what follows is FILE, even \"-x.pas\"\n"
        "  --version            print the version line and exit\n"
        "  --help               print this help and exit\n"
        "\n"
        "Each option but --text may be given once.\n"
        "\n")
           + DatesUsage()
           + QStringLiteral(
        "\n"
        "The entry goes on top of the change list under \"Изменения:\", dated in full\n"
        "(two-digit day and month, four-digit year) in that date format, with\n"
        "the text at the column that most of the file's entries use; a date that\n"
        "the newest entry already carries gets continuation lines under it. A copyright\n"
        "range, or a single year that ends its line, is carried up to the entry's year.\n"
        "The file keeps its encoding (byte-order mark or LORVANE_CODEPAGE, default\n"
        "CP1251), its line breaks and every other byte. A file is refused, and left as\n"
        "it was, when its header is missing or already has problems, the date is older\n"
        "than its newest entry, a character cannot be written in its encoding, or the\n"
        "new header would not read back with exactly the new items.\n"
        "Exit status: 0 every file done, 2 a failure (each one named on standard error).\n");
}

AddArguments ParseAddArguments(const QStringList &arguments, QDate today)
{
    AddArguments result;
    result.entry.date = today;
    OptionReader line(arguments);
    while (line.next()) {
        if (line.isOperand()) {
            result.files << line.argument();
        } else if (line.is(u"--help") || line.is(u"-h")) {
            result.mode = AddArguments::Mode::Help;
            return result;
        } else if (line.is(u"--version")) {
            result.mode = AddArguments::Mode::Version;
            return result;
        } else if (line.is(u"--date")) {
            result.entry.date = ParseIsoDate(QStringLiteral("--date"), line.value());
        } else if (line.is(u"--marker")) {
            const QString marker = line.value();
            if (marker.size() != 1)
                throw Error(QStringLiteral("Invalid marker \"%1\" for --marker: expected one character").arg(marker));
            result.entry.marker = marker.front();
        } else if (line.isRepeatable(u"--text")) {
            const QString text = line.value();
            // Invisible in the header, and most often left over from a file
            // that the text was copied from.
            if (text.startsWith(QChar(QChar::ByteOrderMark)))
                throw Error(QStringLiteral("An entry text begins with U+FEFF, a byte-order mark"));
            result.entry.texts << text;
        } else if (line.is(u"--dry-run")) {
            result.dryRun = true;
        } else {
            line.refuseUnknown();
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
