#include "core/shortdate.h"

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

const QDate kToday(2026, 12, 9);

struct DateCase
{
    const char *text;
    QDate expected; // invalid when the text is no date
};

class ReadDayMonthYear : public testing::TestWithParam<DateCase>
{
};

TEST_P(ReadDayMonthYear, ReadsOnlyExistingDates)
{
    const auto date = ReadShortDate(QString::fromUtf8(GetParam().text), DateFormat{}, kToday);
    if (GetParam().expected.isValid()) {
        ASSERT_TRUE(date.has_value());
        EXPECT_EQ(*date, GetParam().expected);
    } else {
        EXPECT_FALSE(date.has_value()) << date->toString(Qt::ISODate).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadDayMonthYear,
    testing::Values(DateCase{"05.03.2019", QDate(2019, 3, 5)}, DateCase{" 5 . 3 . 2019 ", QDate(2019, 3, 5)},
                    DateCase{"05.03", QDate(2026, 3, 5)}, DateCase{"05.03.", QDate(2026, 3, 5)},
                    DateCase{"05.03.2019.", QDate(2019, 3, 5)}, DateCase{"05.03.19", QDate(2019, 3, 5)},
                    DateCase{"1.1.76", QDate(1976, 1, 1)}, DateCase{"1.1.75", QDate(2075, 1, 1)},
                    DateCase{"1.1.5", QDate(2005, 1, 1)}, DateCase{"29.02.2020", QDate(2020, 2, 29)},
                    DateCase{"31.02.2019", QDate()}, DateCase{"29.02.2019", QDate()}, DateCase{"0.0.0", QDate()},
                    DateCase{"99999.1.1", QDate()}, DateCase{"1.1.10000", QDate()}, DateCase{"5", QDate()},
                    DateCase{"", QDate()}, DateCase{"05.03.2019..", QDate()}, DateCase{"05-03-2019", QDate()},
                    DateCase{"05.03.2019 x", QDate()}, DateCase{"1.2.3.4", QDate()}, DateCase{"1.1.0000", QDate()},
                    DateCase{"текст", QDate()}, DateCase{"+5.3.2019", QDate()}));

TEST(ShortDateTest, OrderAndSeparatorComeFromThePattern)
{
    const DateFormat us = DateFormat::FromPattern(QStringLiteral("M/d/yy"));
    EXPECT_EQ(ReadShortDate(u"3/5/2019", us, kToday), QDate(2019, 3, 5));
    EXPECT_EQ(ReadShortDate(u"3/5", us, kToday), QDate(2026, 3, 5));
    const DateFormat iso = DateFormat::FromPattern(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(ReadShortDate(u"2019-03-05", iso, kToday), QDate(2019, 3, 5));
    EXPECT_EQ(ReadShortDate(u"03-05", iso, kToday), QDate(2026, 3, 5));
    EXPECT_FALSE(ReadShortDate(u"05.03.2019", iso, kToday).has_value());
}

TEST(ShortDateTest, FullDateHasTenCharactersThatReadBackInEveryOrder)
{
    const QDate date(7, 3, 5);
    for (const char *pattern : {"d.M.yy", "M/d/yy", "yyyy-MM-dd"}) {
        const DateFormat format = DateFormat::FromPattern(QString::fromLatin1(pattern));
        const QString text = FormatFullDate(date, format);
        EXPECT_EQ(text.size(), 10) << pattern;
        EXPECT_EQ(ReadShortDate(text, format, kToday), date) << pattern;
    }
    EXPECT_EQ(FormatFullDate(QDate(2019, 3, 5), DateFormat::FromPattern("M/d/yy")), "03/05/2019");
}

TEST(ShortDateTest, CLocaleUsesDayMonthYearWithPoints)
{
    const DateFormat format = SystemDateFormat(); // tests run under LC_ALL=C
    EXPECT_EQ(format.pattern, "dd.MM.yyyy");
    EXPECT_EQ(FormatShortDate(QDate(2019, 3, 5), format), "05.03.2019");
}

} // namespace
