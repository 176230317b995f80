#include "core/orderedwork.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

struct OrderCase
{
    qsizetype count;
    int workers;
    qsizetype failing; // -1: none
};

class OrderedWorkTest : public testing::TestWithParam<OrderCase>
{
};

// Results come in item order up to the failing item, whose failure comes
// in its turn.
TEST_P(OrderedWorkTest, HandsOutResultsInOrderUpToTheFirstFailure)
{
    const OrderCase c = GetParam();
    OrderedWork<qsizetype> work(c.count, c.workers, [&](int worker, qsizetype item) {
        EXPECT_LT(worker, std::max(1, c.workers));
        if (item == c.failing || (c.failing >= 0 && item == c.failing + 3))
            throw std::runtime_error("item " + std::to_string(item));
        return item * item;
    });
    const qsizetype handed = c.failing >= 0 ? c.failing : c.count;
    for (qsizetype item = 0; item < handed; ++item)
        ASSERT_EQ(work.next(), item * item);
    if (c.failing >= 0) {
        try {
            work.next();
            FAIL() << "no failure";
        } catch (const std::runtime_error &e) {
            EXPECT_EQ(std::string(e.what()), "item " + std::to_string(c.failing));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, OrderedWorkTest,
                         testing::Values(OrderCase{0, 2, -1}, OrderCase{1, 0, -1}, OrderCase{5, 0, 2},
                                         OrderCase{2, 2, -1}, OrderCase{33, 2, -1}, OrderCase{1000, 2, -1},
                                         OrderCase{1000, 4, -1}, OrderCase{1000, 2, 0}, OrderCase{1000, 3, 517},
                                         OrderCase{1000, 2, 999}, OrderCase{64, 1, 40}));

// Waits until the count has stopped moving for a while, up to a second.
qsizetype settled(const std::atomic<qsizetype> &count)
{
    qsizetype last = -1;
    for (int still = 0, round = 0; still < 5 && round < 100; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const qsizetype now = count.load();
        still = now == last ? still + 1 : 0;
        last = now;
    }
    return last;
}

// Threads hold at most two runs a thread, and one more under way each, of
// at most 32 items.
constexpr qsizetype kMostAhead = 3 * 2 * 32;

TEST(OrderedWorkBounds, WorksOnlyAFewRunsAheadOfWhatWasTaken)
{
    std::atomic<qsizetype> done{0};
    OrderedWork<qsizetype> work(100000, 2, [&](int, qsizetype item) {
        ++done;
        return item;
    });
    for (qsizetype item = 0; item < 10; ++item)
        ASSERT_EQ(work.next(), item);
    EXPECT_LE(settled(done), 10 + kMostAhead);
}

TEST(OrderedWorkBounds, StopsSoonAfterAFailure)
{
    std::atomic<qsizetype> done{0};
    OrderedWork<qsizetype> work(100000, 2, [&](int, qsizetype item) {
        ++done;
        if (item == 100)
            throw std::runtime_error("item 100");
        return item;
    });
    for (qsizetype item = 0; item < 100; ++item)
        ASSERT_EQ(work.next(), item);
    EXPECT_THROW(work.next(), std::runtime_error);
    EXPECT_LE(settled(done), 101 + kMostAhead);
}

} // namespace
