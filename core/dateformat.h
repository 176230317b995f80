#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include <functional>

namespace lorvane {

// The short date format as far as reading and showing dates needs it: the
// order of day, month and year, the separator, and the pattern that shows a
// date.
struct DateFormat
{
    enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };

    Order order = Order::DayMonthYear;
    QChar separator = u'.';
    QString pattern = QStringLiteral("dd.MM.yyyy");

    // Derives order and separator from a pattern such as "dd.MM.yyyy", as
    // far as it has them: a locale's pattern may hold blanks and text.
    static DateFormat FromPattern(const QString &pattern);

    // Whether both read the same texts as the same dates.
    bool readsLike(const DateFormat &other) const { return order == other.order && separator == other.separator; }
};

// A pattern that a user gives: one day (d, dd), one month (M, MM) and one
// year (yy, yyyy) field, day-month-year, month-day-year or year-month-day,
// with one and the same separator between them, which is no letter, digit,
// blank or quote. Throws Error otherwise; `where` says where the pattern was
// given ("in LORVANE_DATE_FORMAT", "for --date-format").
DateFormat ParseDateFormat(const QString &pattern, const QString &where);

// The date format in force and what chose it.
struct DateFormatSetting
{
    DateFormat format;
    // "--date-format", "LORVANE_DATE_FORMAT", or the locale variable with
    // its value ("LC_TIME=de_DE.UTF-8"); empty when no locale is set.
    QString origin;
};

// What the environment chooses: LORVANE_DATE_FORMAT, else the short date
// format of the locale that POSIX names for dates, the first of LC_ALL,
// LC_TIME and LANG that is set and not empty; the C and POSIX locales, and
// none, give dd.MM.yyyy. Throws Error for a bad LORVANE_DATE_FORMAT.
DateFormatSetting DateFormatFromEnvironment(const std::function<QByteArray(const char *)> &variable);

// A command's --date-format: replaces the environment's choice for the rest
// of the process. Throws Error for a bad pattern.
void SetDateFormatOption(const QString &pattern);

// The setting in force in this process: the option, else the environment's.
// Throws Error for a bad LORVANE_DATE_FORMAT on every call, so that start-up
// can report it.
const DateFormatSetting &DateFormatInForce();

// The format of DateFormatInForce(): the one in which every date but the
// version line's is read and shown.
DateFormat SystemDateFormat();

} // namespace lorvane
