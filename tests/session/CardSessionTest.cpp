// The one card session on a scripted card: what reaches the card for a start, a stop,
// an identity exchange and a fetch, and what the listeners are told.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/BlockDrain.h"
#include "session/CardSession.h"
#include "tests/support/FakeCard.h"
#include "tests/support/ManualClock.h"

namespace tqv::session {
namespace {

using ::testing::ElementsAre;

struct Log final : BlockListener {
    std::vector<std::string> events;
    bool wantsCode = false;
    void acquisitionStarted(const StartParameters&) override { events.push_back("started"); }
    void blockStored(const StoredBlock& block) override {
        events.push_back("block #" + std::to_string(block.sequence));
    }
    void blocksLost(const Loss& loss) override { events.push_back("lost: " + lossText(loss)); }
    void acquisitionStopped(StopCause cause) override {
        events.push_back(cause == StopCause::Closing ? "closing" : "stopped");
    }
    bool wantsCardErrorCode() const override { return wantsCode; }
};

struct Session : ::testing::Test {
    test::FakeCard card;
    test::ManualClock clock;
    CardSession session{card, clock};
    Log log;
    ScopedListener listening{session.blocks(), log};
};

TEST_F(Session, EachStartFailureNamesItsStageAndCode) {
    card.initialResult = 0;
    card.lastError = -3;
    auto failure = session.start();
    ASSERT_TRUE(failure);
    EXPECT_EQ(startFailureText(*failure), "Initial failed, error code -3");
    card.initialResult = 1;
    card.startResult = 0;
    card.lastError = -7;
    failure = session.start();
    ASSERT_TRUE(failure);
    EXPECT_EQ(startFailureText(*failure), "StartIntr failed, error code -7");
    EXPECT_TRUE(session.blocks().ready()) << "the buffers made before StartIntr stay";

    StartParameters huge;
    huge.ScanCount = 1'000'000'000;
    card.clearCalls();
    failure = session.start(huge);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->stage, StartFailure::Stage::Buffers);
    EXPECT_THAT(card.calls, ElementsAre("StopIntr -> 1", "Initial 0 0 0 0 -> 1"))
        << "no StartIntr without buffers";
    EXPECT_FALSE(session.running());
    EXPECT_TRUE(log.events.empty());
}

TEST_F(Session, AStartWhileRunningEndsTheRunFirstAndAStopIsToldOnce) {
    ASSERT_FALSE(session.start());
    ASSERT_FALSE(session.start());
    session.stop();
    session.stop(StopCause::Closing);
    EXPECT_THAT(log.events, ElementsAre("started", "stopped", "started", "stopped"));
    EXPECT_EQ(card.callsNamed("StopIntr").size(), 4u);
}

TEST_F(Session, ABlockNotDeliveredIsALossOfOneWhereItFell) {
    ASSERT_FALSE(session.start());
    card.adResults = {1, 0, 0, 1};
    const auto fetched = session.fetch(4);
    EXPECT_EQ(fetched.delivered, 2);
    EXPECT_EQ(fetched.notDelivered, 2);
    EXPECT_THAT(
        log.events,
        ElementsAre("started", "block #0", "lost: 1 block reported complete but not delivered",
                    "lost: 1 block reported complete but not delivered", "block #1"));
    EXPECT_EQ(session.counts().blocksLost, 2);
}

TEST_F(Session, TheCardsCodeIsReadOnlyWhereSomeoneCountsItsLosses) {
    ASSERT_FALSE(session.start());
    session.fetch(1);
    EXPECT_TRUE(card.callsNamed("GetLastADError").empty());
    log.wantsCode = true;
    ASSERT_FALSE(session.start());
    EXPECT_EQ(card.callsNamed("GetLastADError").size(), 1u) << "where losses count from";
    card.lastError = -5;
    session.fetch(1);
    EXPECT_EQ(log.events.back(), "lost: card error code -5");
}

TEST_F(Session, ACheckedIdentityTellsASilentCardFromOneThatAnswered) {
    auto answer = session.identify(CardSession::Exchange::Checked);
    EXPECT_FALSE(answer.answered);
    EXPECT_EQ(answer.line, "卡名:0000 类型: 0") << "as the panel shows an untouched reply";
    card.identityReply = std::array<uint8_t, 5>{52, 0, 2, 5, 1};
    answer = session.identify(CardSession::Exchange::Checked);
    EXPECT_TRUE(answer.answered);
    EXPECT_EQ(answer.line, "卡名: 5200 类型: 1");
    EXPECT_EQ(session.identityLine(), answer.line);
    EXPECT_THAT(card.lastCommand, ElementsAre(70, 64, 0));
}

TEST_F(Session, AnEventLoopsDrainNeverWaitsWhereTheHeadlessOneWould) {
    BlockDrain drain(session, std::chrono::milliseconds(2));
    ASSERT_FALSE(drain.start(PanelStart));
    const auto before = clock.now();
    EXPECT_FALSE(drain.fetchWaiting()) << "nothing waiting";
    EXPECT_EQ(clock.now(), before) << "its timer does the waiting";
    card.queryResults = {2};
    EXPECT_TRUE(drain.fetchWaiting());
    EXPECT_EQ(session.counts().delivered, 2);
    drain.poll();
    EXPECT_EQ(clock.now() - before, std::chrono::milliseconds(2)) << "the headless poll waits";
}

}  // namespace
}  // namespace tqv::session
