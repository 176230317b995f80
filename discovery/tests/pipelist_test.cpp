#include "discovery/pipelist.h"

#include "testsupport/testing.h"

#include <ostream>

namespace lorvane {
namespace {

TEST(IsPipeList, NeedsALeadingBar)
{
    EXPECT_TRUE(IsPipeList(u"|"));
    EXPECT_TRUE(IsPipeList(u"|a|"));
    EXPECT_FALSE(IsPipeList(u""));
    EXPECT_FALSE(IsPipeList(u"a|b|"));
}

struct ItemCase
{
    const char16_t *text;
    int index;
    const char16_t *item;
};

void PrintTo(const ItemCase &c, std::ostream *os)
{
    *os << QString::fromUtf16(c.text).toStdString() << " item " << c.index;
}

class PipeListItemTest : public testing::TestWithParam<ItemCase>
{
};

TEST_P(PipeListItemTest, YieldsTheItem)
{
    const ItemCase &c = GetParam();
    EXPECT_EQ(PipeListItem(c.text, c.index), QString::fromUtf16(c.item));
}

INSTANTIATE_TEST_SUITE_P(Cases, PipeListItemTest,
                         testing::Values(ItemCase{u"|a|b|", 1, u"a"}, ItemCase{u"|a|b|", 2, u"b"},
                                         ItemCase{u"|a|b|", 3, u""}, ItemCase{u"a|b|", 1, u""},
                                         ItemCase{u"|tmp|old", 2, u""},
                                         ItemCase{u"|tmp||old|", 2, u""},
                                         ItemCase{u"|tmp||old|", 3, u"old"},
                                         ItemCase{u"|a|", 0, u""}, ItemCase{u"", 1, u""}));

struct MatchCase
{
    const char16_t *name;
    const char16_t *pattern;
    bool matches;
};

void PrintTo(const MatchCase &c, std::ostream *os)
{
    *os << QString::fromUtf16(c.name).toStdString() << " with "
        << QString::fromUtf16(c.pattern).toStdString();
}

class NameMatchesTest : public testing::TestWithParam<MatchCase>
{
};

TEST_P(NameMatchesTest, CatchesTheName)
{
    const MatchCase &c = GetParam();
    EXPECT_EQ(NameMatches(c.name, c.pattern), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameMatchesTest,
    testing::Values(MatchCase{u"unit.bak.pas", u"bak", true}, MatchCase{u"src.bak", u"bak", true},
                    MatchCase{u"UNIT.BAK.PAS", u"bak", false}, MatchCase{u"unit.pas", u"", false},
                    MatchCase{u"a_tmp.pas", u"|tmp|old|", true},
                    MatchCase{u"a_old.pas", u"|tmp|old|", true},
                    MatchCase{u"new.pas", u"|tmp|old|", false},
                    MatchCase{u"a_tmp.pas", u"|tmp|old", true},
                    MatchCase{u"a_old.pas", u"|tmp|old", false},
                    MatchCase{u"a_tmp.pas", u"|tmp||old|", true},
                    MatchCase{u"a_old.pas", u"|tmp||old|", false},
                    MatchCase{u"a|b", u"|", false}));

} // namespace
} // namespace lorvane
