#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

#include "selftest/AcquisitionCheck.h"
#include "selftest/IdentityCheck.h"
#include "selftest/JUnitReport.h"
#include "selftest/LoopbackCheck.h"
#include "selftest/SelfTest.h"
#include "tests/support/FakeCard.h"

namespace tqv::test {
namespace {

using selftest::Outcome;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::chrono_literals;

// Time passes only while the check waits.
class ManualClock final : public selftest::Clock {
public:
    Duration now() override { return m_now; }
    void sleepFor(Duration duration) override { m_now += duration; }

private:
    Duration m_now{};
};

// Completes blocks on the manual clock: the panel's 30 ms block period divided by
// `speed`, so 1.0 is a card that keeps time; each block reaches the queue `lag` after
// its time.
class PacedCard : public FakeCard {
public:
    PacedCard(ManualClock& clock, double speed, std::chrono::milliseconds lag = {})
        : m_clock(clock), m_speed(speed), m_lag(lag) {}

    int16_t QueryBuf() override {
        const double seconds = std::chrono::duration<double>(m_clock.now() - m_lag).count();
        const auto due =
            static_cast<long long>(std::floor(std::max(seconds, 0.0) / 0.030 * m_speed));
        const auto waiting = static_cast<int16_t>(due - m_handedOut);
        m_handedOut = due;
        return waiting;
    }

private:
    ManualClock& m_clock;
    double m_speed;
    std::chrono::milliseconds m_lag;
    long long m_handedOut = 0;
};

selftest::AcquisitionSettings tenSeconds() {
    selftest::AcquisitionSettings settings;
    settings.seconds = 10;
    return settings;
}

TEST(IdentityCheck, FailsWhenTheCardLeavesTheReplyUntouched) {
    FakeCard card;  // answers IOCtl with 1 but writes nothing
    const auto result = selftest::checkIdentity(card);
    EXPECT_EQ(result.outcome, Outcome::Fail);
    EXPECT_THAT(result.summary, HasSubstr("untouched"));

    card.identityReply = {{52, 0, 2, 5, 1}};
    EXPECT_EQ(selftest::checkIdentity(card).summary, "卡名: 5200 类型: 1");
}

struct RateCase {
    double speed;
    Outcome outcome;
};

void PrintTo(const RateCase& row, std::ostream* out) { *out << "speed " << row.speed; }

class BlockRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(BlockRate, MayDifferFromTheWallClockByTwoPercent) {
    ManualClock clock;
    PacedCard card(clock, GetParam().speed);
    const auto result = selftest::checkAcquisition(card, clock, tenSeconds());
    EXPECT_EQ(result.outcome, GetParam().outcome) << result.summary;
    EXPECT_EQ(card.callsNamed("StopIntr").size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, BlockRate,
    ::testing::Values(RateCase{1.0, Outcome::Pass}, RateCase{0.985, Outcome::Pass},
                      RateCase{1.015, Outcome::Pass}, RateCase{0.97, Outcome::Fail},
                      RateCase{1.03, Outcome::Fail}),
    [](const auto& row) { return "speed_" + std::to_string(std::lround(row.param.speed * 1000)); });

TEST(AcquisitionCheck, WaitsForABlockThatFellDueJustBeforeTheEnd) {
    ManualClock clock;
    PacedCard card(clock, 1.0, 12ms);  // block 33 is due at 0.99 s, queued at 1.002 s
    selftest::AcquisitionSettings settings;
    settings.seconds = 1;
    const auto result = selftest::checkAcquisition(card, clock, settings);
    EXPECT_EQ(result.outcome, Outcome::Pass) << result.summary;
}

TEST(AcquisitionCheck, NamesAStuckChannelAndStillStopsTheCardWhenInterrupted) {
    ManualClock clock;
    PacedCard card(clock, 1.0);
    card.fillBlock = [](int16_t* block) {
        for (int scan = 0; scan < 300; ++scan) {
            for (int channel = 0; channel < 4; ++channel) {
                block[1 + scan * 4 + channel] = static_cast<int16_t>(channel == 2 ? 1048 : scan);
            }
        }
    };
    auto result = selftest::checkAcquisition(card, clock, tenSeconds());
    EXPECT_EQ(result.outcome, Outcome::Fail);
    EXPECT_EQ(result.summary, "channel 2 stuck at 1048");

    std::atomic<bool> interrupted{true};
    auto settings = tenSeconds();
    settings.interrupted = &interrupted;
    card.clearCalls();
    result = selftest::checkAcquisition(card, clock, settings);
    EXPECT_EQ(result.outcome, Outcome::Fail);
    EXPECT_THAT(result.summary, HasSubstr("interrupted"));
    EXPECT_EQ(card.calls.back(), "StopIntr -> 1");
}

TEST(LoopbackCheck, NamesALostBitLeavesTheOutputsAtZeroAndTouchesNothingUnasked) {
    FakeCard card;
    card.outputLines = 0xFFFF;
    card.fillInputs = [&card](int16_t* words) {
        const auto lost = static_cast<uint16_t>(card.outputLines & ~(1u << 9));
        words[0] = static_cast<int16_t>(lost & 0xFF);
        words[1] = static_cast<int16_t>(lost >> 8);
    };
    const auto result = selftest::checkLoopback(card);
    EXPECT_EQ(result.outcome, Outcome::Fail);
    EXPECT_THAT(result.summary, HasSubstr("bit 9 read 0 where 1 was written"));
    EXPECT_THAT(result.summary, Not(HasSubstr("bit 8")));
    EXPECT_EQ(card.outputLines, 0);

    FakeCard unplugged;
    ManualClock clock;
    selftest::SelfTestOptions options;
    options.acquisition.seconds = 1;
    const auto results = selftest::runSelfTest(unplugged, clock, options);
    EXPECT_EQ(results.back().outcome, Outcome::Skip);
    EXPECT_TRUE(unplugged.callsNamed("Tqv_DO").empty());
    EXPECT_TRUE(unplugged.callsNamed("Tqv_DOBit").empty());
}

TEST(JUnitReport, EscapesWhatXmlCannotCarryAsIs) {
    EXPECT_EQ(selftest::xmlEscaped("a<b>&\"c'\x01\td"), "a&lt;b&gt;&amp;&quot;c&apos;?\td");
}

}  // namespace
}  // namespace tqv::test
