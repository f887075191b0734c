// Which fetches show a loss on the card's side, and what is said of it: the queue, the
// error code and the clock, each at its edges.
#include <gtest/gtest.h>

#include <chrono>

#include "session/LossWatch.h"

namespace tqv::session {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr Clock::Duration kBlock = milliseconds(30);

// A card whose blocks arrive on time, one fetch per `step` of its clock.
struct CardRun {
    LossWatch watch;
    Clock::Duration time{0};
    int64_t accounted = 0;
    explicit CardRun(std::optional<int32_t> codeBefore = 0) { watch.started(kBlock, codeBefore); }

    std::optional<Loss> fetch(Clock::Duration step, int64_t delivered, int16_t waiting = 5,
                              std::optional<int32_t> code = 0) {
        time += step;
        accounted += delivered;
        FetchFacts facts;
        facts.waiting = waiting;
        facts.queueCapacity = 50;
        facts.errorCode = code;
        facts.accounted = accounted;
        facts.sinceStart = time;
        return watch.afterFetch(facts, 99);
    }
    // On time for `span`, a fetch every 210 ms (seven blocks).
    void onTime(Clock::Duration span) {
        for (Clock::Duration end = time + span; time < end;) {
            ASSERT_EQ(fetch(milliseconds(210), 7), std::nullopt) << "at " << time.count();
        }
    }
};

TEST(LossWatch, AFullQueueIsALossOfUnknownSizeWhereverTheClockStands) {
    CardRun run;
    run.onTime(seconds(2));
    const auto loss = run.fetch(milliseconds(210), 50, 50);
    ASSERT_TRUE(loss);
    EXPECT_EQ(loss->cause, LossCause::CardQueueFull);
    EXPECT_EQ(loss->blocks, std::nullopt);
    EXPECT_EQ(loss->storedBefore, 99);
    EXPECT_EQ(run.fetch(milliseconds(210), 7, 49), std::nullopt) << "one short of full";
}

TEST(LossWatch, AnErrorCodeCountsFromWhereItWasFirstSeen) {
    CardRun run(std::nullopt);
    EXPECT_EQ(run.fetch(milliseconds(210), 7, 5, -5), std::nullopt) << "from before anyone looked";
    EXPECT_EQ(run.fetch(milliseconds(210), 7, 5, -5), std::nullopt) << "the same code again";
    const auto loss = run.fetch(milliseconds(210), 7, 5, -9);
    ASSERT_TRUE(loss);
    EXPECT_EQ(loss->cause, LossCause::CardError);
    EXPECT_EQ(loss->errorCode, -9);
    EXPECT_EQ(run.fetch(milliseconds(210), 7, 5, 0), std::nullopt) << "a cleared code is no loss";
    EXPECT_EQ(run.fetch(milliseconds(210), 7, 5, std::nullopt), std::nullopt);
    EXPECT_EQ(run.fetch(milliseconds(210), 7, 5, -3), std::nullopt)
        << "after fetches that read no code, the next code read is only a mark";
}

TEST(LossWatch, TheClockFindsBlocksThatNeverCameButForgivesLateOnes) {
    CardRun run;
    run.onTime(seconds(3));
    // Held up for 600 ms, then every block is handed over: late, not lost.
    EXPECT_EQ(run.fetch(milliseconds(600), 0), std::nullopt);
    EXPECT_EQ(run.fetch(milliseconds(30), 21), std::nullopt);
    run.onTime(seconds(2));
    // Ten blocks never come: once past the grace the clock names about that many.
    EXPECT_EQ(run.fetch(milliseconds(300), 0), std::nullopt);
    std::optional<Loss> loss;
    for (int k = 0; k < 10 && !loss; ++k) loss = run.fetch(milliseconds(210), 7);
    ASSERT_TRUE(loss);
    EXPECT_EQ(loss->cause, LossCause::BehindClock);
    EXPECT_EQ(loss->blocks, std::nullopt);
    ASSERT_TRUE(loss->estimatedBlocks);
    EXPECT_NEAR(static_cast<double>(*loss->estimatedBlocks), 10, 1);
    run.onTime(seconds(2));
}

TEST(LossWatch, ALongRunStillShowsASmallLossAndACardAheadHidesNone) {
    CardRun run;
    run.onTime(seconds(600));
    // Ahead of the clock for a while (a card paced a little fast): banked nowhere.
    for (int k = 0; k < 20; ++k) ASSERT_EQ(run.fetch(milliseconds(210), 8), std::nullopt);
    run.onTime(seconds(5));
    EXPECT_EQ(run.fetch(milliseconds(210), 7 - 6), std::nullopt);
    std::optional<Loss> loss;
    for (int k = 0; k < 10 && !loss; ++k) loss = run.fetch(milliseconds(210), 7);
    ASSERT_TRUE(loss) << "six blocks missing after ten minutes";
    EXPECT_EQ(loss->cause, LossCause::BehindClock);
}

TEST(LossWatch, AFullQueueCarriesTheClocksEstimate) {
    CardRun run;
    run.onTime(seconds(2));
    // Frozen for 2.5 s with the card: on waking, 50 blocks wait and 33 more are gone.
    const auto loss = run.fetch(milliseconds(2500), 50, 50);
    ASSERT_TRUE(loss);
    ASSERT_TRUE(loss->estimatedBlocks);
    EXPECT_NEAR(static_cast<double>(*loss->estimatedBlocks), 33, 2);
    EXPECT_EQ(run.fetch(milliseconds(210), 7), std::nullopt) << "told once";
}

}  // namespace
}  // namespace tqv::session
