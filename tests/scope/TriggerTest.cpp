// The time base and the edge trigger on exact data: which span of the ring is shown,
// and what each trigger mode does when there is no edge.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "card/sim/SignalSource.h"
#include "scope/ScopeModel.h"
#include "scope/TimeBase.h"
#include "scope/Trigger.h"
#include "scope/ViewOptions.h"
#include "tests/support/TestRing.h"

namespace tqv::scope {
namespace {

// A triangle of period 40 between 0 and 200, rising from scan 0: it reaches 100 rising
// at scans 10, 50, 90, ... and falling at 30, 70, 110, ...
int16_t triangle(int64_t scan) {
    const int64_t p = scan % 40;
    return static_cast<int16_t>(p < 20 ? p * 10 + 0 : 400 - p * 10);
}

std::vector<int16_t> twoChannels(int64_t scans, const std::function<int16_t(int64_t)>& wave) {
    std::vector<int16_t> samples;
    for (int64_t s = 0; s < scans; ++s) {
        samples.push_back(-1);
        samples.push_back(wave(s));
    }
    return samples;
}

TEST(Trigger, FindsTheNewestEdgeOfEitherSlopeInItsWindow) {
    const auto ring = twoChannels(200, triangle);
    const EdgeSearch rising{1, Slope::Rising, 100, 20};
    EXPECT_EQ(findTrigger(ring, 2, rising, 0, 199), 170);
    EXPECT_EQ(findTrigger(ring, 2, rising, 0, 169), 130);
    EXPECT_EQ(findTrigger(ring, 2, rising, 131, 169), std::nullopt);
    EXPECT_EQ(findTrigger(ring, 2, {1, Slope::Falling, 100, 20}, 0, 199), 190);
    EXPECT_EQ(findTrigger(ring, 2, {1, Slope::Rising, 201, 20}, 0, 199), std::nullopt)
        << "a level never reached";
    EXPECT_EQ(findTrigger(ring, 2, {2, Slope::Rising, 100, 20}, 0, 199), std::nullopt)
        << "no such channel";
}

TEST(Trigger, NoiseAboutTheLevelIsNotAnEdge) {
    // Rises through 100 at scan 50, dithers 99/101 until scan 80, then falls away.
    const auto dither = [](int64_t s) -> int16_t {
        if (s < 50) return static_cast<int16_t>(s * 2);
        if (s < 80) return s % 2 == 0 ? 101 : 99;
        return 0;
    };
    const auto ring = twoChannels(100, dither);
    EXPECT_EQ(findTrigger(ring, 2, {1, Slope::Rising, 100, 10}, 0, 99), 50);
    EXPECT_EQ(findTrigger(ring, 2, {1, Slope::Falling, 100, 10}, 0, 99), std::nullopt)
        << "never above 110 before falling";
}

TEST(TimeBase, TheTriggeredSpanLiesWhollyInTheStoredScans) {
    const auto ring = twoChannels(200, triangle);
    const EdgeSearch rising{1, Slope::Rising, 100, 20};
    EXPECT_EQ(triggeredSpan(ring, 2, 30, 1.0 / 3, rising), (VisibleSpan{160, 30, 30, 10}));
    // From the edge on: the edge at 170 fits 30 scans (170..199), not 31.
    EXPECT_EQ(triggeredSpan(ring, 2, 30, 0.0, rising), (VisibleSpan{170, 30, 30, 0}));
    EXPECT_EQ(triggeredSpan(ring, 2, 31, 0.0, rising), (VisibleSpan{130, 31, 31, 0}));
    EXPECT_EQ(triggeredSpan(ring, 2, 201, 0.5, rising), std::nullopt) << "longer than stored";
    EXPECT_EQ(newestSpan(150, 200), (VisibleSpan{0, 150, 200, std::nullopt}));
    EXPECT_EQ(newestSpan(150, 100), (VisibleSpan{50, 100, 100, std::nullopt}));
    EXPECT_EQ(spanScans(5, 10000, 6000), 50);
    EXPECT_EQ(spanScans(0, 10000, 6000), 6000);
}

// A ring of ten blocks of 100 scans of one channel at 10 kHz, filled from a function of
// the scan number.
struct Ring {
    test::TestRing ring{1, 100, 10};
    const session::AcquiredBlocks& dll = ring.blocks;
    int64_t next = 0;
    void store(int blocks, const std::function<int16_t(int64_t)>& wave) {
        std::array<int16_t, 100> block{};
        for (int b = 0; b < blocks; ++b) {
            for (auto& sample : block) sample = wave(next++);
            ring.store(block);
        }
    }
};

TriggerSettings rising(TriggerMode mode) {
    TriggerSettings t;
    t.mode = mode;
    t.level = 100;
    return t;
}

TEST(ScopeModelTrigger, WithoutAnEdgeAutoShowsTheNewestSpanAndNormalKeepsTheLastView) {
    const auto flat = [](int64_t) -> int16_t { return 7; };
    for (const auto mode : {TriggerMode::Auto, TriggerMode::Normal}) {
        SCOPED_TRACE(mode == TriggerMode::Auto ? "Auto" : "Normal");
        Ring ring;
        ScopeModel model;
        model.setSpanMilliseconds(2);  // 20 scans
        model.setTrigger(rising(mode));
        ring.store(3, triangle);
        ASSERT_TRUE(model.take(ring.dll));
        EXPECT_EQ(model.triggerScan(), 10);
        EXPECT_EQ(model.triggerLevel(), 100);
        EXPECT_DOUBLE_EQ(model.axisStartMilliseconds().value_or(0), -1.0);
        EXPECT_EQ(model.sample(10, 0), 100) << "scan 250 of the triangle";
        EXPECT_DOUBLE_EQ(model.scanTime(10).value_or(-1), 0.0);

        ring.store(10, flat);
        if (mode == TriggerMode::Auto) {
            ASSERT_TRUE(model.take(ring.dll));
            EXPECT_FALSE(model.triggerScan().has_value());
            EXPECT_EQ(model.scanCount(), 20);
            EXPECT_EQ(model.sample(0, 0), 7);
            EXPECT_DOUBLE_EQ(model.axisStartMilliseconds().value_or(-1), 0.0);
        } else {
            EXPECT_FALSE(model.take(ring.dll));
            EXPECT_EQ(model.triggerScan(), 10);
            EXPECT_EQ(model.sample(10, 0), 100);
        }
    }
}

TEST(ScopeModelTrigger, SingleHoldsItsFirstTriggeredViewUntilReArmed) {
    Ring ring;
    ScopeModel model;
    model.setSpanMilliseconds(2);
    model.setTrigger(rising(TriggerMode::Single));
    ring.store(1, [](int64_t) -> int16_t { return 0; });
    EXPECT_FALSE(model.take(ring.dll)) << "no edge yet: nothing to show";
    ring.store(2, triangle);
    ASSERT_TRUE(model.take(ring.dll));
    EXPECT_TRUE(model.holdingSingle());
    const std::vector<int16_t> held(model.samples().begin(), model.samples().end());

    ring.store(1, [](int64_t s) { return static_cast<int16_t>(triangle(s) + 1); });
    EXPECT_FALSE(model.take(ring.dll));
    EXPECT_EQ(std::vector<int16_t>(model.samples().begin(), model.samples().end()), held);
    model.rearm();
    EXPECT_TRUE(model.take(ring.dll));
    EXPECT_NE(std::vector<int16_t>(model.samples().begin(), model.samples().end()), held);
}

TEST(ScopeModelTrigger, ASpanLongerThanTheStoredScansShowsWhatThereIsUntriggered) {
    Ring ring;
    ScopeModel model;
    model.setSpanMilliseconds(50);  // 500 scans, 300 stored
    model.setTrigger(rising(TriggerMode::Auto));
    ring.store(3, triangle);
    ASSERT_TRUE(model.take(ring.dll));
    EXPECT_FALSE(model.triggerScan().has_value());
    EXPECT_EQ(model.scanCount(), 300);
    EXPECT_EQ(model.axisScans(), 500);
    EXPECT_DOUBLE_EQ(model.axisMilliseconds().value_or(0), 50.0);
}

// The default span is the whole ring: there the newest edge anywhere in it is the
// trigger point, and Normal and Single fire on every ring that holds one.
TEST(ScopeModelTrigger, OverTheWholeRingTheNewestEdgeAnywhereTriggers) {
    const auto ring = twoChannels(200, triangle);
    EXPECT_EQ(triggeredRing(ring, 2, 300, {1, Slope::Rising, 100, 20}),
              (VisibleSpan{0, 200, 300, 170}));
    EXPECT_EQ(triggeredRing(ring, 2, 300, {1, Slope::Rising, 201, 20}), std::nullopt);

    for (const auto mode : {TriggerMode::Normal, TriggerMode::Single}) {
        Ring full;
        ScopeModel model;
        model.setTrigger(rising(mode));
        full.store(10, triangle);
        ASSERT_TRUE(model.take(full.dll));
        EXPECT_EQ(model.scanCount(), 1000);
        // Rising through 100 at 10, 50, ..., 970.
        EXPECT_EQ(model.triggerScan(), 970);
        EXPECT_DOUBLE_EQ(model.axisStartMilliseconds().value_or(0), -97.0);
    }
}

// Each state the trigger's label can show, reached on the model, and a level the
// source's samples never reach.
TEST(ScopeModelTrigger, SaysWhatItIsDoing) {
    Ring ring;
    ScopeModel model;
    model.setSpanMilliseconds(2);
    EXPECT_EQ(model.triggerState(false), TriggerState::Stopped);
    EXPECT_EQ(model.triggerState(true), TriggerState::Auto) << "trigger off";
    model.setTrigger(rising(TriggerMode::Normal));
    EXPECT_EQ(model.triggerState(true), TriggerState::Armed);
    ring.store(3, triangle);
    ASSERT_TRUE(model.take(ring.dll));
    EXPECT_EQ(model.triggerState(true), TriggerState::Triggered);
    EXPECT_EQ(model.triggerState(false), TriggerState::Stopped);
    ring.store(10, [](int64_t) -> int16_t { return 7; });
    EXPECT_FALSE(model.take(ring.dll));
    EXPECT_EQ(model.triggerState(true), TriggerState::Armed) << "the last capture shown, waiting";
    EXPECT_TRUE(model.levelOutsideSamples()) << "nothing but 7 stored";

    TriggerSettings beyond = rising(TriggerMode::Auto);
    beyond.level = 300;
    model.setTrigger(beyond);
    ring.store(3, triangle);
    ASSERT_TRUE(model.take(ring.dll));
    EXPECT_EQ(model.triggerState(true), TriggerState::Auto) << "no edge: the newest span";
    EXPECT_TRUE(model.levelOutsideSamples()) << "the triangle stays within 0 .. 200";

    model.setTrigger(rising(TriggerMode::Single));
    EXPECT_EQ(model.triggerState(true), TriggerState::Held) << "fired on the ring held";
    model.setPaused(true);
    EXPECT_EQ(model.triggerState(true), TriggerState::Paused);
    EXPECT_EQ(triggerStateText(TriggerState::Triggered), "Trig'd");
}

// The simulated card's 50 Hz sine on channel 0 of four, through the panel's own ring
// store, one tick (seven blocks) apart: the views hold the same samples.
TEST(ScopeModelTrigger, APeriodicSignalStandsStill) {
    const sim::SignalSource source(10000, 0);
    test::TestRing ring(4, 300, 20);
    const session::AcquiredBlocks& dll = ring.blocks;
    uint64_t scan = 0;
    std::vector<int16_t> block(1200);
    const auto store = [&](int blocks) {
        for (int b = 0; b < blocks; ++b) {
            source.fill(block, 0, 4, scan);
            scan += 300;
            ring.store(block);
        }
    };
    ScopeModel model;
    model.setSpanMilliseconds(20);
    TriggerSettings trigger;
    trigger.mode = TriggerMode::Normal;
    model.setTrigger(trigger);  // level: the middle of the stored samples
    store(23);
    ASSERT_TRUE(model.take(dll));
    ASSERT_TRUE(model.triggerScan().has_value());
    const std::vector<int16_t> first(model.samples().begin(), model.samples().end());
    store(7);
    ASSERT_TRUE(model.take(dll));
    const std::vector<int16_t> second(model.samples().begin(), model.samples().end());
    ASSERT_EQ(first.size(), 800u);
    // Channels 0-2 repeat within the ring; the scan counter on channel 3 moves on.
    for (size_t i = 0; i < first.size(); ++i) {
        if (i % 4 != 3) {
            ASSERT_EQ(first[i], second[i]) << "sample " << i;
        }
    }
}

}  // namespace
}  // namespace tqv::scope

namespace tqv::scope {
namespace {

TEST(ViewOptions, SpanIsOneOfTheChoicesAndTriggerAChannelASlopeAndALevel) {
    EXPECT_EQ(std::get<int>(parseSpanOption("20")), 20);
    EXPECT_EQ(std::get<int>(parseSpanOption("0")), 0);
    for (const char* bad : {"3", "-1", "20ms", "", "200000000000"}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(parseSpanOption(bad))) << bad;
    }
    const auto falling = std::get<TriggerSettings>(parseTriggerOption("2,falling,-32768", 4));
    EXPECT_EQ(falling.mode, TriggerMode::Auto);
    EXPECT_EQ(falling.source, 2);
    EXPECT_EQ(falling.slope, Slope::Falling);
    EXPECT_EQ(falling.level, -32768);
    const auto rising = std::get<TriggerSettings>(parseTriggerOption("0,rising", 4));
    EXPECT_EQ(rising.slope, Slope::Rising);
    EXPECT_FALSE(rising.level.has_value());
    for (const char* bad :
         {"4,rising", "0,up", "0", "0,rising,32768", "0,rising,1,2", "0,rising,", ",rising", ""}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(parseTriggerOption(bad, 4))) << bad;
    }
}

}  // namespace
}  // namespace tqv::scope
