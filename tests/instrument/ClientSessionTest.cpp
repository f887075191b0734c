// The limits that keep one client from costing the others anything, and how lines are
// taken.
#include <gtest/gtest.h>

#include "tests/instrument/InstrumentFixture.h"

namespace tqv::instrument {
namespace {

TEST_F(InstrumentFixture, LinesEndInNewlineOrCrLfAndMayArriveInPieces) {
    client.session.receive("*OPC?\r\n*OP");
    client.session.run();
    EXPECT_EQ(client.output.take(), "1\n");
    client.session.receive("C?\n\n*OPC?\n");
    client.session.run();
    EXPECT_EQ(client.output.take(), "1\n1\n") << "an empty line answers nothing";
}

TEST_F(InstrumentFixture, ALineOverTheLimitDropsTheClientOneAtTheLimitDoesNot) {
    const std::string atLimit = "*OPC?;" + std::string(ClientSession::MaxLine - 6, ' ');
    client.session.receive(atLimit);
    client.session.run();
    EXPECT_FALSE(client.session.dropReason(clock.now()));
    client.session.receive("\n");
    client.session.run();
    EXPECT_EQ(client.output.take(), "1\n");

    client.session.receive(std::string(ClientSession::MaxLine, 'A'));
    EXPECT_FALSE(client.session.dropReason(clock.now()));
    client.session.receive("A");
    EXPECT_EQ(client.session.dropReason(clock.now()), "a line longer than 64 KiB");
    EXPECT_FALSE(client.session.wantsInput());
}

TEST_F(InstrumentFixture, UnreadAnswersHoldBackFurtherLinesThenDropTheClient) {
    client.output.unread = ClientSession::OutputHigh + 1;
    client.session.receive("*OPC?\n");
    client.session.run();
    EXPECT_EQ(client.output.take(), "") << "nothing more while the answers back up";
    EXPECT_FALSE(client.session.wantsInput());

    EXPECT_FALSE(client.session.dropReason(clock.now()));
    clock.time += ClientSession::StallTimeout - std::chrono::milliseconds(1);
    client.output.unread = ClientSession::OutputHigh;
    client.session.outputTaken(clock.now());
    client.session.run();
    EXPECT_EQ(client.output.take(), "1\n") << "taken again once the client reads";
    clock.time += ClientSession::StallTimeout - std::chrono::milliseconds(1);
    EXPECT_FALSE(client.session.dropReason(clock.now())) << "it read a moment ago";
    clock.time += std::chrono::milliseconds(1);
    EXPECT_EQ(client.session.dropReason(clock.now()), "its answers were left unread for 10 s");
}

TEST_F(InstrumentFixture, AClientGoneWhileItsSelfTestRunsStopsWhatItStarted) {
    {
        Client leaving(*instrument);
        leaving.ask("*TST?");
        EXPECT_TRUE(session.running());
    }
    EXPECT_FALSE(session.running());
    EXPECT_FALSE(instrument->waiting());
    EXPECT_EQ(client.ask("*OPC?"), "1\n") << "the others go on";
}

}  // namespace
}  // namespace tqv::instrument
