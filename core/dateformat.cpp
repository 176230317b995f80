#include "core/dateformat.h"

#include "core/error.h"

#include <QLocale>

#include <optional>

namespace lorvane {

namespace {

const QString kHouseFormat = QStringLiteral("dd.MM.yyyy");

bool isField(QChar letter, qsizetype length)
{
    if (letter == u'y')
        return length == 2 || length == 4;
    return (letter == u'd' || letter == u'M') && length <= 2;
}

// The short date format of a locale named as POSIX names it
// ("de_DE.UTF-8@euro"); Qt's own data, so no system locale is needed.
DateFormat localeFormat(QString name)
{
    name.truncate(name.indexOf(u'@') < 0 ? name.size() : name.indexOf(u'@'));
    name.truncate(name.indexOf(u'.') < 0 ? name.size() : name.indexOf(u'.'));
    const QLocale locale(name);
    // C, POSIX and names that Qt does not know give Qt's C locale.
    if (locale.language() == QLocale::C)
        return DateFormat::FromPattern(kHouseFormat);
    return DateFormat::FromPattern(locale.dateFormat(QLocale::ShortFormat));
}

std::optional<DateFormatSetting> &optionSetting()
{
    static std::optional<DateFormatSetting> setting;
    return setting;
}

} // namespace

DateFormat DateFormat::FromPattern(const QString &pattern)
{
    DateFormat format;
    format.pattern = pattern;
    const qsizetype d = pattern.indexOf(u'd');
    const qsizetype m = pattern.indexOf(u'M');
    const qsizetype y = pattern.indexOf(u'y');
    if (y >= 0 && y < m && y < d)
        format.order = Order::YearMonthDay;
    else if (m >= 0 && d >= 0 && m < d)
        format.order = Order::MonthDayYear;
    else
        format.order = Order::DayMonthYear;
    for (QChar c : pattern) {
        if (c != u'd' && c != u'M' && c != u'y' && c != u' ') {
            format.separator = c;
            break;
        }
    }
    return format;
}

DateFormat ParseDateFormat(const QString &pattern, const QString &where)
{
    // Fields and separators alternate: field, separator, field, separator, field.
    QString letters;
    QString separators;
    bool wellFormed = true;
    for (qsizetype at = 0; at < pattern.size() && wellFormed;) {
        const QChar c = pattern[at];
        qsizetype end = at + 1;
        if (c.isLetter()) {
            while (end < pattern.size() && pattern[end] == c)
                ++end;
            wellFormed = letters.size() == separators.size() && isField(c, end - at);
            letters += c;
        } else {
            wellFormed = letters.size() == separators.size() + 1 && !c.isDigit() && !c.isSpace() && c != u'\'';
            separators += c;
        }
        at = end;
    }
    const bool valid = wellFormed && separators.size() == 2 && separators[0] == separators[1]
                       && (letters == u"dMy" || letters == u"Mdy" || letters == u"yMd");
    if (!valid)
        throw Error(QStringLiteral("Invalid date format \"%1\" %2: expected a day, a month and a year field "
                                   "(d or dd, M or MM, yy or yyyy) as day-month-year, month-day-year or "
                                   "year-month-day with one separator, such as dd.MM.yyyy, MM/dd/yyyy or "
                                   "yyyy-MM-dd")
                        .arg(pattern, where));
    return DateFormat::FromPattern(pattern);
}

DateFormatSetting DateFormatFromEnvironment(const std::function<QByteArray(const char *)> &variable)
{
    const QByteArray own = variable("LORVANE_DATE_FORMAT");
    if (!own.isEmpty()) {
        const QString pattern = QString::fromLocal8Bit(own);
        return {ParseDateFormat(pattern, QStringLiteral("in LORVANE_DATE_FORMAT")),
                QStringLiteral("LORVANE_DATE_FORMAT")};
    }
    for (const char *name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const QByteArray locale = variable(name);
        if (!locale.isEmpty()) {
            const QString value = QString::fromLocal8Bit(locale);
            return {localeFormat(value), QString::fromLatin1(name) + u'=' + value};
        }
    }
    return {DateFormat::FromPattern(kHouseFormat), QString()};
}

void SetDateFormatOption(const QString &pattern)
{
    optionSetting() = DateFormatSetting{ParseDateFormat(pattern, QStringLiteral("for --date-format")),
                                        QStringLiteral("--date-format")};
}

const DateFormatSetting &DateFormatInForce()
{
    if (optionSetting())
        return *optionSetting();
    static QString failure;
    static const std::optional<DateFormatSetting> fromEnvironment = []() -> std::optional<DateFormatSetting> {
        try {
            return DateFormatFromEnvironment([](const char *name) { return qgetenv(name); });
        } catch (const Error &error) {
            failure = error.message();
            return std::nullopt;
        }
    }();
    if (!fromEnvironment)
        throw Error(failure);
    return *fromEnvironment;
}

DateFormat SystemDateFormat()
{
    return DateFormatInForce().format;
}

} // namespace lorvane
