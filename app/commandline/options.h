#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

namespace lorvane {

// Reads a command line as every Lorvane command takes it, one argument at a
// time: options and operands in any order, "--" ends the options, an option
// given twice is a mistake unless it may repeat, and a value is the next
// argument, neither empty nor beginning with "--" (a file of such a name is
// still "./--name"). --date-format FORMAT is taken here for every command:
// it sets the date format of the process (core/dateformat.h).
//
//     OptionReader line(arguments);
//     while (line.next()) {
//         if (line.isOperand())
//             files << line.argument();
//         else if (line.is(u"--output"))
//             output = line.value();
//         else
//             line.refuseUnknown();
//     }
//
// Throws Error with a message for the user on a mistake.
class OptionReader
{
public:
    explicit OptionReader(QStringList arguments);

    // Moves to the next argument; false after the last.
    bool next();
    const QString &argument() const { return m_arguments[m_at]; }
    // An argument after "--", "-" itself, or one that does not begin with "-".
    bool isOperand() const;
    // Whether the argument is this option, which may be given once.
    bool is(QStringView option);
    // Whether the argument is this option, which may be given again.
    bool isRepeatable(QStringView option) const;
    // The value of the option that is the argument, which stays the
    // argument; the next call of next() moves past both.
    QString value();
    [[noreturn]] void refuseUnknown() const;

private:
    QStringList m_arguments;
    qsizetype m_at = -1;
    bool m_valueTaken = false;
    bool m_optionsEnded = false;
    QSet<QString> m_given;
};

// For a command's usage text: the lines of --date-format among the options,
// and the paragraph that says which date format is in force.
QString DateFormatOptionUsage();
QString DatesUsage();

} // namespace lorvane
