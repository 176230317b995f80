#include "app/commandline/options.h"

#include "core/dateformat.h"
#include "core/error.h"

#include <utility>

namespace lorvane {

OptionReader::OptionReader(QStringList arguments) : m_arguments(std::move(arguments))
{
}

bool OptionReader::next()
{
    for (;;) {
        m_at += std::exchange(m_valueTaken, false) ? 2 : 1;
        if (m_at >= m_arguments.size())
            return false;
        if (!m_optionsEnded && argument() == u"--") {
            m_optionsEnded = true;
            continue;
        }
        if (is(u"--date-format")) {
            SetDateFormatOption(value());
            continue;
        }
        return true;
    }
}

bool OptionReader::isOperand() const
{
    return m_optionsEnded || argument() == u"-" || !argument().startsWith(u'-');
}

bool OptionReader::is(QStringView option)
{
    if (!isRepeatable(option))
        return false;
    if (m_given.contains(argument()))
        throw Error(QStringLiteral("Option %1 given twice").arg(argument()));
    m_given.insert(argument());
    return true;
}

bool OptionReader::isRepeatable(QStringView option) const
{
    return !isOperand() && argument() == option;
}

QString OptionReader::value()
{
    // An empty value would read as the option not given; a value that is
    // an option is one left out: "--exclude --strict" would drop --strict.
    if (m_at + 1 >= m_arguments.size() || m_arguments[m_at + 1].isEmpty() || m_arguments[m_at + 1].startsWith(u"--"))
        throw Error(QStringLiteral("Option %1 needs a value").arg(argument()));
    m_valueTaken = true;
    return m_arguments[m_at + 1];
}

void OptionReader::refuseUnknown() const
{
    throw Error(QStringLiteral("Unknown option %1; see --help").arg(argument()));
}

QString DateFormatOptionUsage()
{
    return QStringLiteral("  --date-format FORMAT the date format of the headers: a day (d, dd), a month\n"
                          "                       (M, MM) and a year (yy, yyyy) with one separator, such\n"
                          "                       as dd.MM.yyyy, MM/dd/yyyy or yyyy-MM-dd\n");
}

QString DatesUsage()
{
    return QStringLiteral("Dates in headers are read and written in the format of --date-format, else\n"
                          "of the environment variable LORVANE_DATE_FORMAT, else in the short date\n"
                          "format of the locale named by LC_ALL, else LC_TIME, else LANG; the C and\n"
                          "POSIX locales give dd.MM.yyyy, the format the headers are made for.\n");
}

} // namespace lorvane
