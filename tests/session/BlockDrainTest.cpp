// The headless drain on a scripted card and a hand-moved clock: when a run ends by the
// card's own count of blocks, and when a card that delivers nothing ends it.
#include <gtest/gtest.h>

#include "session/BlockDrain.h"
#include "tests/support/FakeCard.h"
#include "tests/support/ManualClock.h"

namespace tqv::session {
namespace {

using namespace std::chrono_literals;

constexpr auto kPoll = 2ms;

// The program itself held up for three seconds in its first wait (Ctrl-Z, then fg).
struct HeldUpOnceClock final : test::ManualClock {
    int waits = 0;
    void sleepFor(Duration duration) override {
        ManualClock::sleepFor(duration);
        if (++waits == 1) time += 3s;
    }
};

TEST(BlockDrain, ARunOfSoManyBlocksFetchesExactlyThoseEvenFromAFullerQueue) {
    test::FakeCard card;
    test::ManualClock clock;
    CardSession session(card, clock);
    BlockDrain drain(session, kPoll);
    ASSERT_FALSE(drain.start(PanelStart));
    card.queryResults = {5, 0, 5};
    DrainLimits limits;
    limits.blocks = 7;
    EXPECT_EQ(drain.run(limits), DrainEnd::DurationReached);
    EXPECT_EQ(drain.fetchedBlocks(), 7);
    EXPECT_EQ(card.callsNamed("ADResult").size(), 7u);
}

TEST(BlockDrain, ACardThatDeliversNothingEndsTheRunButTheProgramHeldUpDoesNot) {
    test::FakeCard card;
    HeldUpOnceClock clock;
    CardSession session(card, clock);
    BlockDrain drain(session, kPoll);
    ASSERT_FALSE(drain.start(PanelStart));
    // A block, nothing while the program is held up, then the blocks that waited for it.
    card.queryResults = {1, 0, 3};
    DrainLimits limits;
    limits.stallAfter = 2s;
    limits.runTime = 60s;
    Clock::Duration lastDelivery{};
    limits.afterPoll = [&](Clock::Duration sinceStart) {
        if (drain.fetchedBlocks() == 4 && lastDelivery == Clock::Duration{})
            lastDelivery = sinceStart;
    };
    EXPECT_EQ(drain.run(limits), DrainEnd::CardStalled);
    EXPECT_EQ(drain.fetchedBlocks(), 4) << "the run went on after the program was held up";
    const auto stalledAfter = drain.lastPollTime() - drain.startTime() - lastDelivery;
    EXPECT_GE(stalledAfter, 2s);
    EXPECT_LT(stalledAfter, 2s + 10 * kPoll);
}

}  // namespace
}  // namespace tqv::session
