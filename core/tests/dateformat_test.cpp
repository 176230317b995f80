#include "core/dateformat.h"

#include "core/error.h"

#include "testsupport/testing.h"

#include <map>

using namespace lorvane;

namespace {

struct PatternCase
{
    const char *pattern;
    bool valid;
};

class UserDateFormat : public testing::TestWithParam<PatternCase>
{
};

TEST_P(UserDateFormat, IsTakenOnlyWithOneFieldOfEachAndOneSeparator)
{
    const QString pattern = QString::fromUtf8(GetParam().pattern);
    if (GetParam().valid) {
        EXPECT_EQ(ParseDateFormat(pattern, "for --date-format").pattern, pattern);
        return;
    }
    try {
        ParseDateFormat(pattern, "in LORVANE_DATE_FORMAT");
        FAIL() << "taken: " << pattern.toStdString();
    } catch (const Error &error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("Invalid date format \"%1\" in LORVANE_DATE_FORMAT: expected a day, a month and a "
                                 "year field (d or dd, M or MM, yy or yyyy) as day-month-year, month-day-year or "
                                 "year-month-day with one separator, such as dd.MM.yyyy, MM/dd/yyyy or yyyy-MM-dd")
                      .arg(pattern));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, UserDateFormat,
    testing::Values(PatternCase{"dd.MM.yyyy", true}, PatternCase{"MM/dd/yyyy", true}, PatternCase{"yyyy-MM-dd", true},
                    PatternCase{"d.M.yy", true}, PatternCase{"M/d/yy", true}, PatternCase{"yy_M_d", true},
                    PatternCase{"", false}, PatternCase{"dd.MM", false}, PatternCase{"dd.MM.yyyy.", false},
                    PatternCase{".dd.MM.yyyy", false}, PatternCase{"dd..MM.yyyy", false},
                    PatternCase{"dd.MM/yyyy", false}, PatternCase{"dd MM yyyy", false},
                    PatternCase{"dd1MM1yyyy", false}, PatternCase{"dd'MM'yyyy", false},
                    PatternCase{"ddd.MM.yyyy", false}, PatternCase{"dd.MMM.yyyy", false},
                    PatternCase{"dd.MM.y", false}, PatternCase{"dd.MM.yyy", false}, PatternCase{"yyyy-dd-MM", false},
                    PatternCase{"dd.dd.yyyy", false}, PatternCase{"ddMMyyyy", false},
                    PatternCase{"dd.mm.yyyy", false}, PatternCase{"dd.MM.yyyy HH", false}, PatternCase{"dd.MM.yyyy г", false}));

struct EnvironmentCase
{
    const char *name;
    std::map<std::string, QByteArray> variables;
    const char *pattern;
    const char *origin;
};

class EnvironmentDateFormat : public testing::TestWithParam<EnvironmentCase>
{
};

TEST_P(EnvironmentDateFormat, FollowsTheVariablesThatPosixNamesForDates)
{
    const std::map<std::string, QByteArray> &variables = GetParam().variables;
    const DateFormatSetting setting = DateFormatFromEnvironment([&](const char *name) {
        const auto found = variables.find(name);
        return found == variables.end() ? QByteArray() : found->second;
    });
    EXPECT_EQ(setting.format.pattern, QString::fromUtf8(GetParam().pattern));
    EXPECT_EQ(setting.origin, QString::fromUtf8(GetParam().origin));
}

INSTANTIATE_TEST_SUITE_P(
    Variables, EnvironmentDateFormat,
    testing::Values(
        EnvironmentCase{"NothingSet", {}, "dd.MM.yyyy", ""},
        EnvironmentCase{"Lang", {{"LANG", "en_US.UTF-8"}}, "M/d/yy", "LANG=en_US.UTF-8"},
        EnvironmentCase{"TimeBeforeLang", {{"LANG", "ru_RU.UTF-8"}, {"LC_TIME", "en_GB.UTF-8"}}, "dd/MM/yyyy",
                        "LC_TIME=en_GB.UTF-8"},
        EnvironmentCase{"AllBeforeTime", {{"LC_ALL", "de_DE.UTF-8"}, {"LC_TIME", "en_US.UTF-8"}}, "dd.MM.yy",
                        "LC_ALL=de_DE.UTF-8"},
        EnvironmentCase{"EmptyAllIsUnset", {{"LC_ALL", ""}, {"LC_TIME", "ja_JP.UTF-8"}}, "yyyy/MM/dd",
                        "LC_TIME=ja_JP.UTF-8"},
        EnvironmentCase{"MessagesAreNotDates", {{"LC_MESSAGES", "en_US.UTF-8"}}, "dd.MM.yyyy", ""},
        EnvironmentCase{"MessagesBesideLang", {{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "ru_RU.UTF-8"}}, "dd.MM.yyyy",
                        "LANG=ru_RU.UTF-8"},
        EnvironmentCase{"CUtf8", {{"LANG", "C.UTF-8"}}, "dd.MM.yyyy", "LANG=C.UTF-8"},
        EnvironmentCase{"Posix", {{"LC_ALL", "POSIX"}, {"LANG", "en_US.UTF-8"}}, "dd.MM.yyyy", "LC_ALL=POSIX"},
        EnvironmentCase{"Modifier", {{"LANG", "de_DE.ISO-8859-15@euro"}}, "dd.MM.yy", "LANG=de_DE.ISO-8859-15@euro"},
        EnvironmentCase{"UnknownLocale", {{"LANG", "xx_YY.UTF-8"}}, "dd.MM.yyyy", "LANG=xx_YY.UTF-8"},
        EnvironmentCase{"OwnVariableFirst", {{"LORVANE_DATE_FORMAT", "yyyy-MM-dd"}, {"LC_ALL", "en_US.UTF-8"}},
                        "yyyy-MM-dd", "LORVANE_DATE_FORMAT"},
        EnvironmentCase{"EmptyOwnVariableIsUnset", {{"LORVANE_DATE_FORMAT", ""}, {"LANG", "en_US.UTF-8"}}, "M/d/yy",
                        "LANG=en_US.UTF-8"}),
    [](const testing::TestParamInfo<EnvironmentCase> &info) { return std::string(info.param.name); });

TEST(EnvironmentDateFormatTest, BadOwnVariableIsAnErrorNotAFallback)
{
    EXPECT_THROW(DateFormatFromEnvironment([](const char *name) {
                     return QByteArray(name) == "LORVANE_DATE_FORMAT" ? QByteArray("dd.mm.yyyy") : QByteArray();
                 }),
                 Error);
}

TEST(DateFormatTest, ReadsLikeComparesOrderAndSeparatorOnly)
{
    const DateFormat house;
    EXPECT_TRUE(DateFormat::FromPattern("d.M.yy").readsLike(house));
    EXPECT_FALSE(DateFormat::FromPattern("M.d.yy").readsLike(house));
    EXPECT_FALSE(DateFormat::FromPattern("dd/MM/yyyy").readsLike(house));
}

} // namespace
