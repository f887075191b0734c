// The simulated card as the program sees it: only card/adcard.h and the shared
// library. Every test starts from StopIntr + Initial, as the program does, so the
// tests do not depend on their order; a fresh, never-initialised card is the
// environment tests' business (one process each).
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <tuple>
#include <vector>

#include "CardFunctions.h"
#include "LinkedCard.h"

namespace tqv::sim::test {
namespace {

const CardFunctions& card = linkedCard();

// The program's call: 50 blocks, 300 scans, channels 0..3, 10000 scans/s, gain 0, mode 1.
constexpr std::int16_t kQueue = 50;
constexpr std::int32_t kScans = 300;
constexpr std::int16_t kChannels = 4;
// Fast enough that tests wait milliseconds, slow enough for a busy sanitizer build:
// 300 scans at 100000 scans/s is a block every 3 ms.
constexpr std::int32_t kFastRate = 100000;
constexpr std::size_t kCounterColumn = 3;

class CardTest : public ::testing::Test {
protected:
    void SetUp() override {
        card.StopIntr();
        ASSERT_EQ(card.Initial(0, 0, 0, 0), 1);
    }
    void TearDown() override { card.StopIntr(); }

    static bool startFast(std::int16_t queue = kQueue, std::int32_t scans = kScans) {
        return card.StartIntr(queue, scans, 0, kChannels, kFastRate, 0, 1) == 1;
    }
    // A block every 30 ms: the queue takes 1.5 s to fill, so no overrun interferes.
    static bool startProgramsCall() {
        return card.StartIntr(kQueue, kScans, 0, kChannels, 10000, 0, 1) == 1;
    }
    static bool waitForBlocks(int count) {
        return waitUntil([count] { return card.QueryBuf() >= count; });
    }
};

// --- Identity --------------------------------------------------------------------

class Identity : public CardTest {
protected:
    std::array<std::uint8_t, 100> command{70, 64, 0};
    std::array<std::uint8_t, 100> reply{};

    void SetUp() override {
        CardTest::SetUp();
        reply.fill(0xEE);
    }
    bool replyUntouched() const {
        for (std::uint8_t byte : reply) {
            if (byte != 0xEE) return false;
        }
        return true;
    }
};

TEST_F(Identity, ProgramsQueryGetsCard5200Type1AndFirmware) {
    EXPECT_EQ(card.IOCtl(100, command.data(), 100, reply.data()), 1);
    EXPECT_EQ(reply[0], 52);
    EXPECT_EQ(reply[1], 0);
    EXPECT_EQ(reply[2], 2);  // firmware 2.05
    EXPECT_EQ(reply[3], 5);
    EXPECT_EQ(reply[4], 1);
    EXPECT_EQ(reply[5], 0xEE) << "only bytes 0..4 are written";
    EXPECT_EQ(card.GetLastADError(), 0);
}

TEST_F(Identity, FiveBytesEachWayIsEnough) {
    EXPECT_EQ(card.IOCtl(5, command.data(), 5, reply.data()), 1);
    EXPECT_EQ(reply[0], 52);
    EXPECT_EQ(reply[5], 0xEE);
}

TEST_F(Identity, OtherCommandsAreRefusedAndLeaveTheReply) {
    for (const auto& bytes :
         {std::array<std::uint8_t, 3>{70, 64, 1}, std::array<std::uint8_t, 3>{64, 70, 0},
          std::array<std::uint8_t, 3>{0, 0, 0}}) {
        std::copy(bytes.begin(), bytes.end(), command.begin());
        EXPECT_EQ(card.IOCtl(100, command.data(), 100, reply.data()), 0);
        EXPECT_EQ(card.GetLastADError(), code::kUnknownCommand);
        EXPECT_TRUE(replyUntouched());
    }
}

TEST_F(Identity, SizesBelowFiveAreRefusedAndLeaveTheReply) {
    for (const auto& [commandSize, replySize] :
         {std::pair{4, 100}, std::pair{100, 4}, std::pair{0, 0}, std::pair{-1, 100}}) {
        EXPECT_EQ(card.IOCtl(commandSize, command.data(), replySize, reply.data()), 0);
        EXPECT_EQ(card.GetLastADError(), code::kBadArgument);
        EXPECT_TRUE(replyUntouched());
    }
}

TEST_F(Identity, NullPointersAreRefused) {
    EXPECT_EQ(card.IOCtl(100, nullptr, 100, reply.data()), 0);
    EXPECT_EQ(card.GetLastADError(), code::kNullPointer);
    EXPECT_TRUE(replyUntouched());
    EXPECT_EQ(card.IOCtl(100, command.data(), 100, nullptr), 0);
    EXPECT_EQ(card.GetLastADError(), code::kNullPointer);
}

// --- Acquisition -----------------------------------------------------------------

using Acquisition = CardTest;

TEST_F(Acquisition, NothingWaitsBeforeStartOrAfterStop) {
    EXPECT_EQ(card.QueryBuf(), 0);
    ASSERT_TRUE(startFast());
    ASSERT_TRUE(waitForBlocks(2));
    EXPECT_EQ(card.StopIntr(), 1);
    EXPECT_EQ(card.QueryBuf(), 0);
    // The thread is gone: nothing completes any more.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(card.QueryBuf(), 0);
}

TEST_F(Acquisition, StopIntrIsHarmlessWhenIdleAndRepeated) {
    EXPECT_EQ(card.StopIntr(), 1);
    EXPECT_EQ(card.StopIntr(), 1);
    EXPECT_EQ(card.GetLastADError(), 0);
    ASSERT_TRUE(startProgramsCall());
    EXPECT_EQ(card.StopIntr(), 1);
    EXPECT_EQ(card.StopIntr(), 1);
    EXPECT_EQ(card.GetLastADError(), 0);
}

TEST_F(Acquisition, ADResultWithNothingWaitingDeliversNothing) {
    GuardedBlock block(kChannels, kScans);
    EXPECT_EQ(card.ADResult(block.data()), 0);
    EXPECT_EQ(card.GetLastADError(), code::kNoBlock);
    EXPECT_EQ(block.sample(0, 0), GuardedBlock::kSentinel);
    EXPECT_TRUE(block.guardsIntact());
}

TEST_F(Acquisition, ADResultRefusesANullBlock) {
    ASSERT_TRUE(startFast());
    ASSERT_TRUE(waitForBlocks(1));
    EXPECT_EQ(card.ADResult(nullptr), 0);
    EXPECT_EQ(card.GetLastADError(), code::kNullPointer);
}

TEST_F(Acquisition, ScanCounterRunsOnAcrossSixtyBlocksAndWraps) {
    // 600-scan blocks: 60 of them pass scan 32767, where the counter turns negative.
    constexpr std::int32_t scans = 600;
    ASSERT_EQ(card.StartIntr(500, scans, 0, kChannels, kFastRate, 0, 1), 1);
    const auto firsts = drainFirstCounters(card, 60, kChannels, scans, kCounterColumn);
    ASSERT_EQ(firsts.size(), 60U) << "blocks stopped coming or miscounted within a block";
    for (std::size_t k = 0; k < firsts.size(); ++k) {
        EXPECT_EQ(firsts[k], static_cast<std::uint16_t>(k * scans)) << "block " << k;
    }
}

TEST_F(Acquisition, BlocksAreNeverEarly) {
    // At the program's rate a block is due every 30 ms after the start; three cannot be
    // complete in under 90 ms, however the machine is loaded.
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(startProgramsCall());
    ASSERT_TRUE(waitForBlocks(3));
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(90));
}

TEST_F(Acquisition, RestartWhileRunningBeginsAgainAtScanZero) {
    ASSERT_TRUE(startFast());
    ASSERT_TRUE(waitForBlocks(3));
    ASSERT_TRUE(startFast());
    const auto firsts = drainFirstCounters(card, 2, kChannels, kScans, kCounterColumn);
    ASSERT_EQ(firsts.size(), 2U);
    EXPECT_EQ(firsts[0], 0);
    EXPECT_EQ(firsts[1], kScans);
}

TEST_F(Acquisition, StartAfterStopNeedsNoNewInitial) {
    ASSERT_TRUE(startFast());
    ASSERT_TRUE(waitForBlocks(2));
    card.StopIntr();
    ASSERT_TRUE(startFast());
    const auto firsts = drainFirstCounters(card, 1, kChannels, kScans, kCounterColumn);
    ASSERT_EQ(firsts.size(), 1U);
    EXPECT_EQ(firsts[0], 0);
}

TEST_F(Acquisition, ManyStartStopCyclesEndInAWorkingAcquisition) {
    for (int cycle = 0; cycle < 25; ++cycle) {
        ASSERT_TRUE(startFast()) << "cycle " << cycle;
        if (cycle % 5 == 0) {
            ASSERT_TRUE(waitForBlocks(1));
        }
        ASSERT_EQ(card.StopIntr(), 1);
        ASSERT_EQ(card.QueryBuf(), 0);
    }
    ASSERT_TRUE(startFast());
    const auto firsts = drainFirstCounters(card, 3, kChannels, kScans, kCounterColumn);
    EXPECT_EQ(firsts, (std::vector<std::uint16_t>{0, 300, 600}));
}

TEST_F(Acquisition, InitialStopsAcquisitionAndClearsTheLastError) {
    ASSERT_TRUE(startFast());
    ASSERT_TRUE(waitForBlocks(1));
    card.ADResult(nullptr);
    ASSERT_NE(card.GetLastADError(), 0);
    EXPECT_EQ(card.Initial(0, 0, 0, 0), 1);
    EXPECT_EQ(card.GetLastADError(), 0);
    EXPECT_EQ(card.QueryBuf(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(card.QueryBuf(), 0);
}

TEST_F(Acquisition, SuccessLeavesTheLastErrorInPlace) {
    GuardedBlock block(kChannels, kScans);
    card.ADResult(block.data());
    ASSERT_EQ(card.GetLastADError(), code::kNoBlock);
    std::array<std::uint8_t, 100> command{70, 64, 0};
    std::array<std::uint8_t, 100> reply{};
    ASSERT_EQ(card.IOCtl(100, command.data(), 100, reply.data()), 1);
    ASSERT_TRUE(startProgramsCall());
    EXPECT_EQ(card.GetLastADError(), code::kNoBlock);
}

// --- Block layout ----------------------------------------------------------------

using BlockLayout = CardTest;

TEST_F(BlockLayout, SamplesFillElementsOneToNScanAfterScan) {
    ASSERT_TRUE(startFast());
    ASSERT_TRUE(waitForBlocks(1));
    GuardedBlock block(kChannels, kScans);
    ASSERT_EQ(card.ADResult(block.data()), 1);
    EXPECT_TRUE(block.guardsIntact()) << "element 0 or beyond N was written";
    for (std::size_t scan = 0; scan < kScans; ++scan) {
        ASSERT_EQ(block.counter(scan, kCounterColumn), scan);
        for (std::size_t channel = 0; channel < 3; ++channel) {
            ASSERT_GE(block.sample(scan, channel), 0);
            ASSERT_LE(block.sample(scan, channel), 4095);
        }
    }
    // Each wave's first scan: sine at mid-scale, triangle at its low, square high.
    EXPECT_EQ(block.sample(0, 0), 2048);
    EXPECT_EQ(block.sample(0, 1), 448);
    EXPECT_EQ(block.sample(0, 2), 3048);
}

TEST_F(BlockLayout, ChannelsBeyondFourRepeatThePatterns) {
    constexpr std::int16_t channels = 8;
    ASSERT_EQ(card.StartIntr(kQueue, 100, 0, channels, 50000, 0, 1), 1);
    ASSERT_TRUE(waitForBlocks(1));
    GuardedBlock block(channels, 100);
    ASSERT_EQ(card.ADResult(block.data()), 1);
    EXPECT_TRUE(block.guardsIntact());
    for (std::size_t scan = 0; scan < 100; ++scan) {
        for (std::size_t channel = 0; channel < 4; ++channel) {
            ASSERT_EQ(block.sample(scan, channel + 4), block.sample(scan, channel));
        }
        ASSERT_EQ(block.counter(scan, 7), scan);
    }
}

TEST_F(BlockLayout, FirstChannelShiftsWhichColumnCounts) {
    ASSERT_EQ(card.StartIntr(kQueue, 200, 1, 3, kFastRate, 0, 1), 1);
    ASSERT_TRUE(waitForBlocks(1));
    GuardedBlock block(3, 200);
    ASSERT_EQ(card.ADResult(block.data()), 1);
    EXPECT_TRUE(block.guardsIntact());
    EXPECT_EQ(block.counter(0, 2), 0);
    EXPECT_TRUE(block.countsUp(2));
    EXPECT_EQ(block.sample(0, 0), 448) << "channel 1 is the triangle";
}

TEST_F(BlockLayout, OneSampleBlocksWriteOnlyElementOne) {
    ASSERT_EQ(card.StartIntr(1000, 1, 3, 1, 1000, 0, 0), 1);
    const auto firsts = drainFirstCounters(card, 20, 1, 1, 0);
    ASSERT_EQ(firsts.size(), 20U);
    for (std::size_t k = 0; k < firsts.size(); ++k) EXPECT_EQ(firsts[k], k);
    GuardedBlock block(1, 1);
    ASSERT_TRUE(waitForBlocks(1));
    ASSERT_EQ(card.ADResult(block.data()), 1);
    EXPECT_TRUE(block.guardsIntact());
}

TEST_F(BlockLayout, GainWidensTheSwingWithinTwelveBits) {
    // At 20000 scans/s the 10 Hz square is high for scans 0..999, low for 1000..1999.
    ASSERT_EQ(card.StartIntr(kQueue, 2000, 0, 4, 20000, 3, 1), 1);
    ASSERT_TRUE(waitForBlocks(1));
    GuardedBlock block(4, 2000);
    ASSERT_EQ(card.ADResult(block.data()), 1);
    // x8: the square's +/-1000 clips at both ends of the 12-bit range.
    EXPECT_EQ(block.sample(0, 2), 4095);
    EXPECT_EQ(block.sample(1999, 2), 0);
    EXPECT_TRUE(block.countsUp(3)) << "the counter ignores gain";
}

// --- Overrun ---------------------------------------------------------------------

using Overrun = CardTest;

TEST_F(Overrun, FullQueueKeepsTheWaitingBlocksAndDropsTheNewOne) {
    constexpr std::int32_t scans = 100;  // a block every millisecond
    ASSERT_TRUE(startFast(2, scans));
    ASSERT_TRUE(waitUntil([] { return card.GetLastADError() == code::kOverrun; }));
    EXPECT_EQ(card.QueryBuf(), 2);

    GuardedBlock block(kChannels, scans);
    ASSERT_EQ(card.ADResult(block.data()), 1);
    EXPECT_EQ(block.counter(0, kCounterColumn), 0) << "the oldest block is kept";
    ASSERT_EQ(card.ADResult(block.data()), 1);
    EXPECT_EQ(block.counter(0, kCounterColumn), 100);

    // The third block (scans 200..299) found the queue full: the next one shows the gap.
    ASSERT_TRUE(waitForBlocks(1));
    ASSERT_EQ(card.ADResult(block.data()), 1);
    EXPECT_GT(block.counter(0, kCounterColumn), 200);
    EXPECT_EQ(block.counter(0, kCounterColumn) % scans, 0);
    EXPECT_TRUE(block.countsUp(kCounterColumn));
}

TEST_F(Overrun, WaitingBlocksNeverExceedTheQueue) {
    ASSERT_TRUE(startFast(3, 100));
    ASSERT_TRUE(waitUntil([] { return card.GetLastADError() == code::kOverrun; }));
    for (int poll = 0; poll < 20; ++poll) {
        EXPECT_LE(card.QueryBuf(), 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// --- StartIntr refusals ----------------------------------------------------------

// queueBlocks, scansPerBlock, firstChannel, channelCount, scanRate, gain, mode
using StartArgs = std::tuple<std::int16_t, std::int32_t, std::int16_t, std::int16_t, std::int32_t,
                             std::int32_t, std::int16_t>;

std::int32_t start(const StartArgs& a) {
    return card.StartIntr(std::get<0>(a), std::get<1>(a), std::get<2>(a), std::get<3>(a),
                          std::get<4>(a), std::get<5>(a), std::get<6>(a));
}

class StartRefusal : public CardTest, public ::testing::WithParamInterface<StartArgs> {};

TEST_P(StartRefusal, IsRefusedAsABadArgumentAndStartsNothing) {
    EXPECT_EQ(start(GetParam()), 0);
    EXPECT_EQ(card.GetLastADError(), code::kBadArgument);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(card.QueryBuf(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Nonsense, StartRefusal,
    ::testing::Values(StartArgs{0, 300, 0, 4, 10000, 0, 1},      // no queue
                      StartArgs{-1, 300, 0, 4, 10000, 0, 1},     //
                      StartArgs{1001, 10, 0, 4, 10000, 0, 1},    // queue beyond 1000 blocks
                      StartArgs{50, 0, 0, 4, 10000, 0, 1},       // no scans
                      StartArgs{50, -300, 0, 4, 10000, 0, 1},    //
                      StartArgs{50, 300, -1, 4, 10000, 0, 1},    // no such channel
                      StartArgs{50, 300, 64, 1, 10000, 0, 1},    //
                      StartArgs{50, 300, 0, 0, 10000, 0, 1},     // no channels
                      StartArgs{50, 300, 0, -4, 10000, 0, 1},    //
                      StartArgs{50, 300, 0, 65, 1000, 0, 1},     // more than 64 channels
                      StartArgs{50, 300, 60, 5, 10000, 0, 1},    // runs past channel 63
                      StartArgs{50, 300, 0, 4, 0, 0, 1},         // no scan rate
                      StartArgs{50, 300, 0, 4, -10000, 0, 1},    //
                      StartArgs{50, 300, 0, 1, 100001, 0, 1},    // beyond 100000 scans/s
                      StartArgs{50, 300, 0, 6, 100000, 0, 1},    // beyond 500000 samples/s
                      StartArgs{1, 250001, 0, 4, 10000, 0, 1},   // block beyond 1e6 samples
                      StartArgs{17, 250000, 0, 4, 10000, 0, 1},  // queue beyond 16e6 samples
                      StartArgs{50, 300, 0, 4, 10000, -1, 1},    // no such gain
                      StartArgs{50, 300, 0, 4, 10000, 4, 1},     //
                      StartArgs{50, 300, 0, 4, 10000, 0, -1},    // no such mode
                      StartArgs{50, 300, 0, 4, 10000, 0, 2}));   //

// Each completes its blocks slowly enough that no overrun can set the last error
// before the test reads it.
class StartLimit : public CardTest, public ::testing::WithParamInterface<StartArgs> {};

TEST_P(StartLimit, IsAccepted) {
    EXPECT_EQ(start(GetParam()), 1);
    EXPECT_EQ(card.GetLastADError(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, StartLimit,
    ::testing::Values(StartArgs{1000, 16, 0, 1, 10000, 0, 1},      // largest queue
                      StartArgs{1, 1, 63, 1, 1, 3, 0},             // last channel, slowest
                      StartArgs{2, 7812, 0, 64, 7812, 0, 1},       // all 64 channels
                      StartArgs{2, 100000, 0, 5, 100000, 0, 1},    // exactly 500000 samples/s
                      StartArgs{16, 250000, 0, 4, 10000, 0, 1}));  // exactly 1e6 and 16e6

TEST_F(CardTest, RefusedRestartLeavesTheRunningAcquisitionAlone) {
    ASSERT_TRUE(startFast());
    ASSERT_TRUE(waitForBlocks(1));
    EXPECT_EQ(card.StartIntr(0, kScans, 0, kChannels, kFastRate, 0, 1), 0);
    ASSERT_TRUE(waitForBlocks(3)) << "acquisition stopped";
    GuardedBlock block(kChannels, kScans);
    ASSERT_EQ(card.ADResult(block.data()), 1);
    EXPECT_EQ(block.counter(0, kCounterColumn), 0) << "acquisition restarted";
}

// --- Digital I/O -----------------------------------------------------------------

class DigitalIo : public CardTest {
protected:
    std::array<std::int16_t, 20> words{};

    void SetUp() override {
        CardTest::SetUp();
        ASSERT_EQ(card.Tqv_DO(0, 0), 0);
        ASSERT_EQ(card.Tqv_DO(1, 0), 0);
        words.fill(-99);
    }
    using Ports = std::pair<std::int16_t, std::int16_t>;  // input words 0 and 1

    Ports ports() {
        std::array<std::int16_t, 6> in{};
        card.Tqv_DI(6, in.data());
        return {in[0], in[1]};
    }
};

TEST_F(DigitalIo, PortsLoopBackToInputWordsZeroAndOne) {
    EXPECT_EQ(card.Tqv_DO(0, 0xA5), 0);
    EXPECT_EQ(card.Tqv_DO(1, 0x3C), 0);
    EXPECT_EQ(ports(), Ports(0xA5, 0x3C));
}

TEST_F(DigitalIo, PortTakesTheLowEightBitsAndLeavesTheOtherPort) {
    card.Tqv_DO(1, 0x55);
    card.Tqv_DO(0, 0x1FF);
    EXPECT_EQ(ports(), Ports(0xFF, 0x55));
    card.Tqv_DO(1, -1);
    EXPECT_EQ(ports(), Ports(0xFF, 0xFF));
}

TEST_F(DigitalIo, BitsSetAndClearOneLine) {
    EXPECT_EQ(card.Tqv_DOBit(3, 1), 0);
    EXPECT_EQ(card.Tqv_DOBit(12, 7), 0);  // any nonzero value sets
    EXPECT_EQ(ports(), Ports(0x08, 0x10));
    EXPECT_EQ(card.Tqv_DOBit(15, -1), 0);
    EXPECT_EQ(card.Tqv_DOBit(3, 0), 0);
    EXPECT_EQ(ports(), Ports(0x00, 0x90));
}

TEST_F(DigitalIo, RefusedBitsAndPortsLeaveTheOutputs) {
    card.Tqv_DO(0, 0x81);
    card.Tqv_DO(1, 0x42);
    for (const auto& [bit, value] :
         {std::pair<std::int16_t, std::int16_t>{-1, 1}, {16, 1}, {16, 0}, {255, 1}}) {
        EXPECT_EQ(card.Tqv_DOBit(bit, value), code::kBadArgument) << "bit " << bit;
        EXPECT_EQ(card.GetLastADError(), code::kBadArgument);
    }
    for (const auto& [port, value] : {std::pair<std::int16_t, std::int16_t>{2, 0xFF}, {-1, 0}}) {
        EXPECT_EQ(card.Tqv_DO(port, value), code::kBadArgument) << "port " << port;
        EXPECT_EQ(card.GetLastADError(), code::kBadArgument);
    }
    EXPECT_EQ(ports(), Ports(0x81, 0x42));
}

TEST_F(DigitalIo, OutputsSurviveInitial) {
    card.Tqv_DO(0, 0x81);
    ASSERT_EQ(card.Initial(0, 0, 0, 0), 1);
    EXPECT_EQ(ports().first, 0x81);
}

TEST_F(DigitalIo, WordsTwoToFiveFollowTheirPatterns) {
    std::array<std::int16_t, 6> first{};
    std::array<std::int16_t, 6> second{};
    ASSERT_EQ(card.Tqv_DI(6, first.data()), 6);
    ASSERT_EQ(card.Tqv_DI(6, second.data()), 6);
    EXPECT_EQ(static_cast<std::uint16_t>(second[2]),
              static_cast<std::uint16_t>(static_cast<std::uint16_t>(first[2]) + 1U))
        << "word 2 counts reads";
    EXPECT_EQ(first[3], 0x1234);
    EXPECT_EQ(static_cast<std::uint16_t>(first[4]),
              static_cast<std::uint16_t>(1U << (static_cast<std::uint16_t>(first[2]) % 16U)))
        << "word 4 walks a one";
    EXPECT_EQ(first[5], 0x0F0F);
}

TEST_F(DigitalIo, CountZeroOrNegativeFillsNothing) {
    EXPECT_EQ(card.Tqv_DI(0, words.data()), 0);
    EXPECT_EQ(words[0], -99);
    EXPECT_EQ(card.Tqv_DI(-1, words.data()), 0);
    EXPECT_EQ(card.GetLastADError(), code::kBadArgument);
    EXPECT_EQ(words[0], -99);
}

TEST_F(DigitalIo, CountIsCappedAtSixteenWords) {
    EXPECT_EQ(card.Tqv_DI(20, words.data()), 16);
    for (std::size_t i = 6; i < 16; ++i) EXPECT_EQ(words[i], 0) << "word " << i;
    for (std::size_t i = 16; i < 20; ++i) EXPECT_EQ(words[i], -99) << "word " << i;
}

TEST_F(DigitalIo, ShortCountFillsOnlyThatMany) {
    card.Tqv_DO(0, 7);
    EXPECT_EQ(card.Tqv_DI(1, words.data()), 1);
    EXPECT_EQ(words[0], 7);
    EXPECT_EQ(words[1], -99);
}

TEST_F(DigitalIo, NullWordsAreRefused) {
    EXPECT_EQ(card.Tqv_DI(6, nullptr), 0);
    EXPECT_EQ(card.GetLastADError(), code::kNullPointer);
}

// --- The functions the card declares without implementing -------------------------

using DeclaredOnly = CardTest;

TEST_F(DeclaredOnly, EachReturnsZeroAndReportsNotSupported) {
    const std::vector<std::pair<const char*, std::function<std::int32_t()>>> calls = {
        {"StartSnapshot", [] { return card.StartSnapshot(1, 2, 3, 4, 5, 6, 7, 8); }},
        {"RegisterNotify", [] { return card.RegisterNotify(1, 2, 3, 4, 5); }},
        {"ADResultRecent", [] { return card.ADResultRecent(1); }},
        {"GetSnapshot", [] { return card.GetSnapshot(1, 2, 3); }},
        {"ConfigInfo", [] { return card.ConfigInfo(1, 2, 3, 4, 5, 6, 7, 8); }},
        {"ChannelFrq", [] { return card.ChannelFrq(1, 2); }},
        {"Tqv_ADResult", [] { return card.Tqv_ADResult(1, 2); }},
        {"Tqv_Init", [] { return card.Tqv_Init(1, 2, 3); }},
        {"Tqv_DA", [] { return card.Tqv_DA(1, 2); }},
        {"Tqv_USB_Inportb", [] { return card.Tqv_USB_Inportb(1, 2, 3); }},
        {"Tqv_USB_Outportb", [] { return card.Tqv_USB_Outportb(1, 2, 3); }},
        {"Tqv_Readb", [] { return card.Tqv_Readb(1, 2, 3, 4); }},
        {"Tqv_Writeb", [] { return card.Tqv_Writeb(1, 2, 3, 4); }},
    };
    for (const auto& [name, call] : calls) {
        ASSERT_EQ(card.Initial(0, 0, 0, 0), 1);
        EXPECT_EQ(call(), 0) << name;
        EXPECT_EQ(card.GetLastADError(), code::kNotSupported) << name;
    }
}

// --- Life cycle ------------------------------------------------------------------

TEST(Lifecycle, ProcessExitsCleanlyWhileAcquiring) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            card.StopIntr();
            card.Initial(0, 0, 0, 0);
            card.StartIntr(2, 100, 0, 4, kFastRate, 0, 1);
            waitUntil([] { return card.GetLastADError() == code::kOverrun; });
            std::exit(card.QueryBuf() == 2 ? 7 : 8);
        },
        ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace tqv::sim::test
