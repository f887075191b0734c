// The scope's model on exact data: which ring slots it takes and in what order, which
// samples its statistics see, the envelope, and the CSV text.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <string>
#include <vector>

#include "scope/Envelope.h"
#include "scope/ScopeCsv.h"
#include "scope/ScopeModel.h"
#include "tests/support/Panel.h"
#include "tests/support/TestRing.h"

namespace tqv::scope {
namespace {

using window::Control;

// The panel after load and start; the fake card numbers its samples 0, 1, 2, ... in
// the order it delivers them, so a ring taken in time order counts up.
struct StartedPanel : test::Panel {
    StartedPanel() {
        load();
        click(Control::cmdStart);
    }
    void deliver(int16_t blocks) {
        card.queryResults.push_back(blocks);
        tick();
    }
};

TEST(ScopeModel, TakesOnlyTheFilledSlotsOldestFirst) {
    struct Case {
        const char* name;
        int16_t blocksBefore;
        bool restart;  // a start re-creates the ring with RingPos where it was
        int16_t blocksAfter;
        int firstSample;
        int blocksShown;
    };
    for (const Case& c : {Case{"before the first wrap", 3, false, 0, 0, 3},
                          Case{"right after the first wrap", 21, false, 0, 1200, 20},
                          Case{"after a restart in the middle", 10, true, 2, 12000, 2},
                          Case{"restarted, nothing stored yet", 10, true, 0, 0, 0}}) {
        SCOPED_TRACE(c.name);
        StartedPanel panel;
        panel.deliver(c.blocksBefore);
        if (c.restart) {
            panel.click(Control::cmdStop);
            panel.click(Control::cmdStart);
        }
        if (c.blocksAfter > 0) panel.deliver(c.blocksAfter);

        ScopeModel model;
        ASSERT_TRUE(model.take(panel.blocks()));
        std::vector<int16_t> expected(static_cast<size_t>(c.blocksShown) * 1200);
        std::iota(expected.begin(), expected.end(), static_cast<int16_t>(c.firstSample));
        EXPECT_EQ(std::vector<int16_t>(model.samples().begin(), model.samples().end()), expected);
        // The axis is the whole ring whatever is filled: 20 blocks of 300 scans at 10 kHz.
        EXPECT_DOUBLE_EQ(model.axisMilliseconds().value_or(0), 600.0);
        EXPECT_FALSE(model.take(panel.blocks())) << "an unchanged ring is not taken again";
    }
}

// Pause after 5 blocks; Stop/Start, 15 blocks; Stop/Start, 5 blocks; Resume. The ring
// then stands where it stood at the pause, position, size and count alike, and the
// allocator may well have handed the last start the first one's memory: the model must
// still take the new run.
TEST(ScopeModel, ARingCreatedAfreshIsTakenEvenAtTheOldPosition) {
    test::TestRing ring(1, 2, 20);
    const auto store = [&](int blocks, int16_t value) {
        const std::array<int16_t, 2> block{value, value};
        for (int b = 0; b < blocks; ++b) ring.store(block);
    };
    store(5, 1);
    ScopeModel model;
    ASSERT_TRUE(model.take(ring.blocks));
    ring.restart();
    store(15, 2);
    ring.restart();
    store(5, 3);
    ASSERT_TRUE(model.take(ring.blocks)) << "the second run's ring was taken for the first one's";
    EXPECT_EQ(model.sample(0, 0), 3);
}

TEST(ScopeModel, StatisticsSeeEachChannelOfTheFilledSlotsOnly) {
    StartedPanel panel;
    panel.card.fillBlock = [](int16_t* block) {  // 32767, -32768, a ramp and a constant
        for (int i = 0; i < 1200; ++i)
            block[1 + i] =
                static_cast<int16_t>(std::array{32767, -32768, i / 4, 7}[unsigned(i % 4)]);
    };
    panel.deliver(1);  // one slot of twenty: the other nineteen are zeros
    ScopeModel model;
    ASSERT_TRUE(model.take(panel.blocks()));
    EXPECT_EQ(model.statistics(0).count, 300);
    EXPECT_EQ(model.statistics(0).minimum, 32767);
    EXPECT_EQ(model.statistics(1).maximum, -32768);
    EXPECT_TRUE(model.statistics(2).minimum == 0 && model.statistics(2).maximum == 299);
    EXPECT_TRUE(model.statistics(3).stuck());
}

// Column x: the extremes of scans floor(x·axis/width) .. floor((x+1)·axis/width), or one.
TEST(ScopeEnvelope, OneMinimumAndMaximumPerColumnAndChannel) {
    // A ramp, the two ends of the scale inside every column of ten scans, a constant:
    // four channels take the vector path, three the plain one.
    for (const int channels : {4, 3}) {
        SCOPED_TRACE(channels);
        std::vector<int16_t> scans;
        for (int s = 0; s < 6000; ++s) {
            scans.push_back(static_cast<int16_t>(s));
            scans.push_back(static_cast<int16_t>(s % 10 == 3 ? -32768 : s % 10 == 6 ? 32767 : 0));
            scans.push_back(-5);
            if (channels == 4) scans.push_back(static_cast<int16_t>(-s));
        }
        std::vector<EnvelopeColumn> columns(static_cast<size_t>(channels) * 600);
        reduceToEnvelopes(scans, channels, 6000, 600, columns);
        const auto at = [&](int i) { return columns[static_cast<size_t>(i)]; };
        for (int x = 0; x < 600; ++x) {
            const auto ramp = at(x), ends = at(600 + x), constant = at(1200 + x);
            ASSERT_EQ(ramp.minimum, 10 * x) << "column " << x;
            ASSERT_EQ(ramp.maximum, 10 * x + 9) << "column " << x;
            ASSERT_TRUE(ends.minimum == -32768 && ends.maximum == 32767) << "column " << x;
            ASSERT_TRUE(constant.minimum == -5 && constant.maximum == -5) << "column " << x;
        }
    }

    // Thirty of sixty scans filled, 8.57 scans a column; then fewer scans than columns.
    const auto shown = [](std::span<const int16_t> scans, int64_t axis, int width) {
        std::vector<EnvelopeColumn> columns(static_cast<size_t>(width));
        reduceToEnvelopes(scans, 1, axis, width, columns);
        std::string s;
        for (const auto& c : columns)
            s +=
                c.empty ? "- " : std::to_string(c.minimum) + ".." + std::to_string(c.maximum) + " ";
        return s;
    };
    std::vector<int16_t> ramp(30);
    std::iota(ramp.begin(), ramp.end(), int16_t{0});
    EXPECT_EQ(shown(ramp, 60, 7), "0..7 8..16 17..24 25..29 - - - ");
    EXPECT_EQ(shown(std::span(ramp).first(3), 3, 6), "0..0 0..0 1..1 1..1 2..2 2..2 ");
}

TEST(ScopeCsv, OneRowPerScanInTimeOrderWithTheTimeFromTheScanRate) {
    // A ring of three blocks of two scans, four blocks stored: the first is overwritten.
    test::TestRing ring(4, 2, 3);
    for (int16_t block = 0; block < 4; ++block) {
        std::array<int16_t, 8> samples{};
        std::iota(samples.begin(), samples.end(), int16_t(block * 10));
        samples[3] = -32768;
        ring.store(samples);
    }
    ScopeModel model;
    ASSERT_TRUE(model.take(ring.blocks));
    EXPECT_EQ(csvText(model),
              "time_s,ch0,ch1,ch2,ch3\n"
              "0,10,11,12,-32768\n"
              "0.0001,14,15,16,17\n"
              "0.0002,20,21,22,-32768\n"
              "0.0003,24,25,26,27\n"
              "0.0004,30,31,32,-32768\n"
              "0.0005,34,35,36,37\n");
}

}  // namespace
}  // namespace tqv::scope
