#include "core/shortdate.h"

#include <QLocale>

#include <array>

namespace lorvane {

namespace {

class Scanner
{
public:
    explicit Scanner(QStringView text) : m_text(text) {}

    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text[m_pos] == u' ')
            ++m_pos;
    }
    bool atEnd() const { return m_pos >= m_text.size(); }
    bool take(QChar c)
    {
        if (atEnd() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }
    bool atDigit() const { return !atEnd() && m_text[m_pos] >= u'0' && m_text[m_pos] <= u'9'; }
    // A number of one to four digits, with its digit count.
    bool number(int &value, int &digits)
    {
        value = 0;
        digits = 0;
        while (atDigit()) {
            if (++digits > 4)
                return false;
            value = value * 10 + (m_text[m_pos].unicode() - u'0');
            ++m_pos;
        }
        return digits > 0;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

// A year of one or two digits falls in the hundred years that begin 50
// years before the current year.
int expandYear(int year, int currentYear)
{
    const int first = currentYear - 50;
    int expanded = first - first % 100 + year;
    if (expanded < first)
        expanded += 100;
    return expanded;
}

} // namespace

std::optional<QDate> ReadShortDate(QStringView text, const DateFormat &format, QDate today)
{
    Scanner scan(text);
    std::array<int, 3> values{};
    std::array<int, 3> digits{};
    int count = 0;
    scan.skipBlanks();
    while (count < 3) {
        if (!scan.number(values[count], digits[count]))
            return std::nullopt;
        ++count;
        scan.skipBlanks();
        if (!scan.take(format.separator))
            break;
        scan.skipBlanks();
        if (count >= 2 && !scan.atDigit())
            break;
    }
    scan.skipBlanks();
    if (!scan.atEnd() || count < 2)
        return std::nullopt;

    int year = 0;
    int month = 0;
    int day = 0;
    using Order = DateFormat::Order;
    if (count == 2) {
        year = today.year();
        const bool monthFirst = format.order != Order::DayMonthYear;
        month = monthFirst ? values[0] : values[1];
        day = monthFirst ? values[1] : values[0];
    } else {
        int yearIndex = 2;
        switch (format.order) {
        case Order::DayMonthYear:
            day = values[0];
            month = values[1];
            break;
        case Order::MonthDayYear:
            month = values[0];
            day = values[1];
            break;
        case Order::YearMonthDay:
            yearIndex = 0;
            month = values[1];
            day = values[2];
            break;
        }
        year = digits[yearIndex] > 2 ? values[yearIndex] : expandYear(values[yearIndex], today.year());
    }
    const QDate date(year, month, day); // invalid when the numbers form no date
    if (year < 1 || !date.isValid())
        return std::nullopt;
    return date;
}

QString FormatShortDate(QDate date, const DateFormat &format)
{
    return QLocale::c().toString(date, format.pattern);
}

QString FormatFullDate(QDate date, const DateFormat &format)
{
    const QString day = QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
    const QString month = QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
    const QString year = QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
    const QChar s = format.separator;
    switch (format.order) {
    case DateFormat::Order::MonthDayYear:
        return month + s + day + s + year;
    case DateFormat::Order::YearMonthDay:
        return year + s + month + s + day;
    case DateFormat::Order::DayMonthYear:
        break;
    }
    return day + s + month + s + year;
}

} // namespace lorvane
