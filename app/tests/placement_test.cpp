#include "app/windowplacement.h"

#include "testsupport/testing.h"

namespace lorvane {
namespace {

struct ReachCase
{
    const char *what;
    QRect frame;
    QRect expected;
};

void PrintTo(const ReachCase &reach, std::ostream *os)
{
    *os << reach.what;
}

class Reachable : public ::testing::TestWithParam<ReachCase>
{
};

// Two screens side by side; the left one loses 30 pixels to a panel at its top.
const QList<QRect> kScreens{QRect(0, 30, 1280, 994), QRect(1280, 0, 1024, 768)};

TEST_P(Reachable, MovesOnlyAFrameWhoseTitleBarNoScreenShows)
{
    EXPECT_EQ(ReachableFrame(GetParam().frame, 20, kScreens), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Reachable,
    ::testing::Values(
        ReachCase{"inside", QRect(201, 185, 757, 693), QRect(201, 185, 757, 693)},
        ReachCase{"title half under the panel", QRect(100, 20, 500, 400), QRect(100, 20, 500, 400)},
        ReachCase{"on the second screen", QRect(1500, 100, 400, 300), QRect(1500, 100, 400, 300)},
        ReachCase{"mostly off the right edge", QRect(2270, 100, 400, 300), QRect(2270, 100, 400, 300)},
        ReachCase{"title above the screen", QRect(199, -45, 761, 743), QRect(199, 30, 761, 743)},
        ReachCase{"under the panel only", QRect(300, 0, 500, 400), QRect(300, 30, 500, 400)},
        ReachCase{"left of every screen", QRect(-900, 200, 600, 400), QRect(0, 200, 600, 400)},
        ReachCase{"below the second screen, nearer the first", QRect(1400, 900, 300, 200), QRect(980, 824, 300, 200)},
        ReachCase{"far right", QRect(5000, 5000, 300, 200), QRect(2004, 568, 300, 200)},
        ReachCase{"larger than the screen", QRect(3000, -500, 1500, 900), QRect(1280, 0, 1500, 900)}));

TEST(Reachable, LeavesTheFrameWhenThereIsNoScreen)
{
    EXPECT_EQ(ReachableFrame(QRect(-5000, -5000, 100, 100), 20, {}), QRect(-5000, -5000, 100, 100));
}

} // namespace
} // namespace lorvane
