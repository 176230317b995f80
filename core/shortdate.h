#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

namespace lorvane {

// The user's short date format as far as reading and showing dates needs it:
// the order of day, month and year, the separator, and the pattern that
// shows a date.
struct DateFormat
{
    enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };

    Order order = Order::DayMonthYear;
    QChar separator = u'.';
    QString pattern = QStringLiteral("dd.MM.yyyy");

    // Derives order and separator from a pattern such as "dd.MM.yyyy".
    static DateFormat FromPattern(const QString &pattern);
};

// From QLocale::system(); the C and POSIX locales give dd.MM.yyyy.
DateFormat SystemDateFormat();

// Reads a date text as the short-date reading of the locale does: two or
// three numbers of up to four digits separated by the separator, blanks
// around each, an optional trailing separator; two numbers take the year of
// `today`; one- and two-digit years fall in the hundred years that begin 50
// years before it. Only existing dates are read.
std::optional<QDate> ReadShortDate(QStringView text, const DateFormat &format, QDate today);

QString FormatShortDate(QDate date, const DateFormat &format);

// Two-digit day and month and a four-digit year, in the format's order and
// with its separator: ten characters that ReadShortDate reads back as the
// same date whatever the current year.
QString FormatFullDate(QDate date, const DateFormat &format);

} // namespace lorvane
