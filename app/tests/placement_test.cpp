#include "app/windowplacement.h"

#include "testsupport/testing.h"

namespace lorvane {
namespace {

struct FitCase
{
    const char *what;
    QList<QRect> screens;
    QRect frame;
    QRect expected;
};

void PrintTo(const FitCase &fit, std::ostream *os)
{
    *os << fit.what;
}

class Fitted : public ::testing::TestWithParam<FitCase>
{
};

// Two screens side by side; the left one loses 30 pixels to a panel at its top.
const QList<QRect> kScreens{QRect(0, 30, 1280, 994), QRect(1280, 0, 1024, 768)};

TEST_P(Fitted, MovesTheFrameOntoItsScreenThenShrinksIt)
{
    EXPECT_EQ(FittedFrame(GetParam().frame, GetParam().screens), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Fitted,
    ::testing::Values(
        FitCase{"inside", kScreens, QRect(201, 185, 757, 693), QRect(201, 185, 757, 693)},
        FitCase{"title half under the panel", kScreens, QRect(100, 20, 500, 400), QRect(100, 30, 500, 400)},
        FitCase{"on the second screen", kScreens, QRect(1500, 100, 400, 300), QRect(1500, 100, 400, 300)},
        FitCase{"mostly off the right edge", kScreens, QRect(2270, 100, 400, 300), QRect(1904, 100, 400, 300)},
        FitCase{"over both, mostly on the second", kScreens, QRect(1100, 100, 600, 300),
                QRect(1280, 100, 600, 300)},
        FitCase{"title above the screen", kScreens, QRect(199, -45, 761, 743), QRect(199, 30, 761, 743)},
        FitCase{"left of every screen", kScreens, QRect(-900, 200, 600, 400), QRect(0, 200, 600, 400)},
        FitCase{"below the second screen, nearer the first", kScreens, QRect(1400, 900, 300, 200),
                QRect(980, 824, 300, 200)},
        FitCase{"far right", kScreens, QRect(5000, 5000, 300, 200), QRect(2004, 568, 300, 200)},
        FitCase{"larger than the screen", kScreens, QRect(3000, -500, 1500, 900), QRect(1280, 0, 1024, 768)},
        FitCase{"default on 1366 x 768 with a task bar", {QRect(0, 0, 1366, 738)}, QRect(201, 185, 765, 697),
                QRect(201, 41, 765, 697)},
        FitCase{"default at 200 % on 2560 x 1600", {QRect(0, 0, 1280, 770)}, QRect(201, 185, 757, 693),
                QRect(201, 77, 757, 693)},
        FitCase{"taller than the screen", {QRect(0, 0, 1024, 614)}, QRect(300, 60, 700, 900),
                QRect(300, 0, 700, 614)},
        FitCase{"maximized on a larger screen", {QRect(0, 0, 1280, 800)}, QRect(-5, -24, 2570, 1424),
                QRect(0, 0, 1280, 800)},
        FitCase{"no screen", {}, QRect(-5000, -5000, 100, 100), QRect(-5000, -5000, 100, 100)}));

struct CoverCase
{
    const char *what;
    QRect frame;
    bool covers;
};

void PrintTo(const CoverCase &cover, std::ostream *os)
{
    *os << cover.what;
}

class Covers : public ::testing::TestWithParam<CoverCase>
{
};

TEST_P(Covers, OnlyAFrameAsLargeAsItsScreenCoversIt)
{
    EXPECT_EQ(CoversScreen(GetParam().frame, kScreens), GetParam().covers);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Covers,
    ::testing::Values(CoverCase{"maximized with borders off the screen", QRect(-5, 25, 1290, 1004), true},
                      CoverCase{"maximized without borders", QRect(0, 30, 1280, 994), true},
                      CoverCase{"maximized on the second screen", QRect(1280, 0, 1024, 768), true},
                      CoverCase{"as wide only", QRect(0, 30, 1280, 900), false},
                      CoverCase{"as high only", QRect(100, 30, 1000, 994), false},
                      CoverCase{"normal", QRect(201, 185, 757, 693), false}));

TEST(Covers, NoFrameCoversAMissingScreen)
{
    EXPECT_FALSE(CoversScreen(QRect(0, 0, 5000, 5000), {}));
}

} // namespace
} // namespace lorvane
