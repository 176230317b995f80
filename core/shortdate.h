#pragma once

#include "core/dateformat.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

namespace lorvane {

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
