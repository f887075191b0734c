// The simulated card as the program sees it: card/adcard.h and the shared library.
// Each test starts as the program does, with StopIntr and Initial; a fresh card is the
// lifecycle test's business (a process of its own).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "card/AdcardFunctions.h"
#include "card/adcard.h"
#include "card/sim/SignalSource.h"
#include "tests/card/sim/SimProbes.h"

namespace tqv::test {
namespace {

using namespace std::chrono_literals;
constexpr std::int16_t kSentinel = 0x5A5A;

class CardApi : public ::testing::Test {
protected:
    void SetUp() override {
        StopIntr();
        ASSERT_EQ(Initial(0, 0, 0, 0), 1);
    }
    void TearDown() override { StopIntr(); }

    // The next block in a caller's array of N + 2 elements and guards beyond, all preset.
    static std::vector<std::int16_t> nextBlock(std::size_t samples) {
        std::vector<std::int16_t> block(samples + 10, kSentinel);
        EXPECT_TRUE(waitUntil([] { return QueryBuf() > 0; }));
        EXPECT_EQ(ADResult(block.data()), 1);
        EXPECT_TRUE(block[0] == kSentinel &&
                    std::all_of(block.begin() + static_cast<std::ptrdiff_t>(samples) + 1,
                                block.end(), [](auto e) { return e == kSentinel; }))
            << "element 0 or one beyond N was written";
        return block;
    }
    // Of a block of 100 scans of channels 0..3.
    static int firstCounter(const std::vector<std::int16_t>& block) {
        const auto first = counterRun(block.data() + 1, 100, 4, 3);
        return first ? *first : -1;
    }
};

TEST_F(CardApi, IoctlRepliesWithTheIdentityOrRefusesAndLeavesTheReply) {
    std::array<std::uint8_t, 5> command{70, 64, 0};
    std::array<std::uint8_t, 5> unknown{70, 64, 1};
    std::array<std::uint8_t, 8> reply{};
    reply.fill(0xEE);
    EXPECT_EQ(IOCtl(5, command.data(), 5, reply.data()), 1);
    EXPECT_EQ(reply, (std::array<std::uint8_t, 8>{52, 0, 2, 5, 1, 0xEE, 0xEE, 0xEE}));
    struct Refusal {
        std::int32_t commandSize;
        std::uint8_t* command;
        std::int32_t replySize;
        std::uint8_t* reply;
        std::int32_t code;
    };
    for (const Refusal& r : {Refusal{4, command.data(), 5, reply.data(), -2},
                             {5, command.data(), 4, reply.data(), -2},
                             {5, unknown.data(), 5, reply.data(), -6},
                             {5, nullptr, 5, reply.data(), -3},
                             {5, command.data(), 5, nullptr, -3}}) {
        reply.fill(0xEE);
        EXPECT_EQ(IOCtl(r.commandSize, r.command, r.replySize, r.reply), 0);
        EXPECT_EQ(GetLastADError(), r.code);
        EXPECT_EQ(std::ranges::count(reply, 0xEE), 8);
    }
}

TEST_F(CardApi, StartIntrTakesExactlyTheDocumentedLimits) {
    struct Start {
        std::int16_t queue;
        std::int32_t scans;
        std::int16_t first, channels;
        std::int32_t rate, gain;
        std::int16_t mode;
        std::int32_t result;
    };
    for (const Start& s : {Start{0, 300, 0, 4, 10000, 0, 1, 0}, {1001, 10, 0, 4, 10000, 0, 1, 0},
                           {1000, 16, 0, 1, 10000, 0, 1, 1},    {50, 0, 0, 4, 10000, 0, 1, 0},
                           {50, 300, -1, 4, 10000, 0, 1, 0},    {50, 300, 64, 1, 10000, 0, 1, 0},
                           {1, 1, 63, 1, 1, 3, 0, 1},           {50, 300, 0, 0, 10000, 0, 1, 0},
                           {50, 300, 60, 5, 10000, 0, 1, 0},    {2, 7812, 0, 64, 7812, 0, 1, 1},
                           {50, 300, 0, 4, 0, 0, 1, 0},         {50, 300, 0, 1, 100001, 0, 1, 0},
                           {50, 300, 0, 6, 100000, 0, 1, 0},    {2, 100000, 0, 5, 100000, 0, 1, 1},
                           {1, 250001, 0, 4, 10000, 0, 1, 0},   {17, 250000, 0, 4, 10000, 0, 1, 0},
                           {16, 250000, 0, 4, 10000, 0, 1, 1},  {50, 300, 0, 4, 10000, -1, 1, 0},
                           {50, 300, 0, 4, 10000, 4, 1, 0},     {50, 300, 0, 4, 10000, 0, -1, 0},
                           {50, 300, 0, 4, 10000, 0, 2, 0}}) {
        ASSERT_EQ(Initial(0, 0, 0, 0), 1);
        EXPECT_EQ(StartIntr(s.queue, s.scans, s.first, s.channels, s.rate, s.gain, s.mode),
                  s.result)
            << s.queue << " " << s.scans << " " << s.first << " " << s.channels << " " << s.rate
            << " " << s.gain << " " << s.mode;
        EXPECT_EQ(GetLastADError(), s.result == 1 ? 0 : -2);
    }
}

TEST_F(CardApi, NoBlockIsEarlierThanItsPeriodAfterStart) {
    EXPECT_EQ(QueryBuf(), 0);
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(StartIntr(50, 1000, 0, 4, 10000, 0, 1), 1);  // a block every 100 ms
    ASSERT_TRUE(waitUntil([] { return QueryBuf() >= 2; }));
    EXPECT_GE(std::chrono::steady_clock::now() - before, 200ms);
}

TEST_F(CardApi, BlocksCarryTheSignalsScanAfterScanInElementsOneToN) {
    constexpr std::size_t scans = 100, channels = 5;  // channels 1..5, gain x2
    ASSERT_EQ(StartIntr(50, scans, 1, channels, 100000, 1, 1), 1);
    const sim::SignalSource signals(100000, 1);
    std::vector<std::int16_t> expected(scans * channels);
    for (std::uint64_t k = 0; k < 3; ++k) {
        const auto block = nextBlock(expected.size());
        signals.fill(expected, 1, channels, k * scans);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block.begin() + 1))
            << "block " << k;
    }
}

TEST_F(CardApi, AFullQueueKeepsItsBlocksAndDropsNewOnesWhoseScansStillPass) {
    ASSERT_EQ(StartIntr(2, 100, 0, 4, 10000, 0, 1), 1);  // a block every 10 ms
    ASSERT_TRUE(waitUntil([] { return GetLastADError() == -5; }));
    EXPECT_EQ(QueryBuf(), 2);
    EXPECT_EQ(firstCounter(nextBlock(400)), 0);
    EXPECT_EQ(firstCounter(nextBlock(400)), 100);
    const int afterGap = firstCounter(nextBlock(400));
    EXPECT_GT(afterGap, 200);
    EXPECT_EQ(afterGap % 100, 0);
}

TEST_F(CardApi, StopEndsTheThreadAndEveryStartBeginsAtScanZero) {
    ASSERT_EQ(StartIntr(50, 100, 0, 4, 10000, 0, 1), 1);
    ASSERT_TRUE(waitUntil([] { return QueryBuf() >= 3; }));
    EXPECT_EQ(StartIntr(0, 100, 0, 4, 10000, 0, 1), 0);
    EXPECT_EQ(firstCounter(nextBlock(400)), 0) << "a refused restart leaves acquisition alone";
    ASSERT_EQ(StartIntr(50, 100, 0, 4, 10000, 0, 1), 1);
    EXPECT_EQ(firstCounter(nextBlock(400)), 0) << "restart while running";
    EXPECT_EQ(ADResult(nullptr), 0);
    ASSERT_TRUE(waitUntil([] { return QueryBuf() >= 2; }));
    EXPECT_EQ(StopIntr(), 1);
    EXPECT_EQ(QueryBuf(), 0) << "stopping discards the waiting blocks";
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(QueryBuf(), 0);
    EXPECT_EQ(GetLastADError(), -3)
        << "success keeps the last error; a stopped card overruns nothing";
    EXPECT_EQ(StopIntr(), 1);
    ASSERT_EQ(StartIntr(50, 100, 0, 4, 10000, 0, 1), 1) << "no new Initial needed";
    EXPECT_EQ(firstCounter(nextBlock(400)), 0);
    EXPECT_EQ(Initial(0, 0, 0, 0), 1);
    EXPECT_EQ(GetLastADError(), 0);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(QueryBuf(), 0) << "Initial stops acquisition";
    std::vector<std::int16_t> block(8, kSentinel);
    EXPECT_EQ(ADResult(block.data()), 0);
    EXPECT_EQ(GetLastADError(), -4);
    EXPECT_EQ(std::ranges::count(block, kSentinel), 8);
}

TEST_F(CardApi, OutputsLoopBackToInputWordsBesideTheirPatterns) {
    EXPECT_EQ(Tqv_DO(0, 0x1A5), 0);  // the low 8 bits
    EXPECT_EQ(Tqv_DO(1, 0), 0);
    EXPECT_EQ(Tqv_DOBit(9, 7), 0);  // any nonzero value sets
    EXPECT_EQ(Tqv_DOBit(15, 1), 0);
    EXPECT_EQ(Tqv_DOBit(0, 0), 0);
    for (const auto& [bit, port] : {std::pair<std::int16_t, std::int16_t>{-1, -1}, {16, 2}}) {
        EXPECT_EQ(Tqv_DOBit(bit, 1), -2);
        EXPECT_EQ(Tqv_DO(port, 0), -2);
    }
    ASSERT_EQ(Initial(0, 0, 0, 0), 1);  // outputs survive it
    std::array<std::int16_t, 20> words{};
    words.fill(-99);
    EXPECT_EQ(Tqv_DI(20, words.data()), 16);
    EXPECT_EQ(std::vector(words.begin(), words.begin() + 6),
              (std::vector<std::int16_t>{0xA4, 0x82, words[2], 0x1234, words[4], 0x0F0F}));
    EXPECT_EQ(std::count(words.begin() + 6, words.begin() + 16, 0), 10);
    EXPECT_EQ(std::ranges::count(words, -99), 4);
    const auto reads = static_cast<std::uint16_t>(words[2]);
    EXPECT_EQ(static_cast<std::uint16_t>(words[4]), 1U << (reads % 16U)) << "a walking one";
    EXPECT_EQ(Tqv_DI(3, words.data()), 3);
    EXPECT_EQ(static_cast<std::uint16_t>(words[2]), static_cast<std::uint16_t>(reads + 1))
        << "reads counted";
    words.fill(-99);
    EXPECT_EQ(Tqv_DI(0, words.data()), 0);
    EXPECT_EQ(Tqv_DI(-1, words.data()), 0);
    EXPECT_EQ(GetLastADError(), -2);
    EXPECT_EQ(Tqv_DI(6, nullptr), 0);
    EXPECT_EQ(GetLastADError(), -3);
    EXPECT_EQ(std::ranges::count(words, -99), 20);
}

TEST_F(CardApi, DeclaredOnlyFunctionsAreNotSupported) {
#define TQV_EXPECT_NOT_SUPPORTED(name, bytes)                              \
    ASSERT_EQ(Initial(0, 0, 0, 0), 1);                                     \
    EXPECT_EQ(callWithSampleArguments(#name, &::name).result, 0) << #name; \
    EXPECT_EQ(GetLastADError(), -7) << #name;
    ADCARD_DECLARED_ONLY_FUNCTIONS(TQV_EXPECT_NOT_SUPPORTED)
#undef TQV_EXPECT_NOT_SUPPORTED
}

TEST(CardLifecycle, AFreshCardWantsInitialAndTheProcessExitsCleanlyWhileAcquiring) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a new process: a freshly loaded card
    EXPECT_EXIT(
        {
            if (StartIntr(50, 300, 0, 4, 10000, 0, 1) != 0 || GetLastADError() != -1) std::exit(8);
            Initial(0, 0, 0, 0);
            StartIntr(2, 100, 0, 4, 100000, 0, 1);
            waitUntil([] { return GetLastADError() == -5; });
            std::exit(QueryBuf() == 2 ? 7 : 9);
        },
        ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace tqv::test
