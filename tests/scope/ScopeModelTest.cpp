// The scope's model on exact data: which ring slots it takes and in what order, the
// statistics of what it takes, the envelope, and the CSV text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <utility>
#include <vector>

#include "acquisition/BlockPoller.h"
#include "scope/Envelope.h"
#include "scope/ScopeCsv.h"
#include "scope/ScopeModel.h"
#include "tests/support/Panel.h"

namespace tqv::scope {
namespace {

using window::Control;

constexpr int kScans = 300;
constexpr int kBlockSamples = 1200;

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
    void restart() {
        click(Control::cmdStop);
        click(Control::cmdStart);
    }
};

struct RingCase {
    const char* name;
    int16_t blocksBefore;
    bool restart;
    int16_t blocksAfter;
    int32_t firstSample;
    int32_t blocksShown;
};

void PrintTo(const RingCase& c, std::ostream* os) { *os << c.name; }

class ScopeRingOrder : public ::testing::TestWithParam<RingCase> {};

TEST_P(ScopeRingOrder, TakesOnlyTheStoredBlocksOldestFirst) {
    const RingCase& c = GetParam();
    StartedPanel panel;
    panel.deliver(c.blocksBefore);
    if (c.restart) panel.restart();
    if (c.blocksAfter > 0) panel.deliver(c.blocksAfter);

    ScopeModel model;
    ASSERT_TRUE(model.take(panel.dll));
    ASSERT_EQ(model.scanCount(), int64_t{c.blocksShown} * kScans);
    const auto samples = model.samples();
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i], static_cast<int16_t>(c.firstSample + static_cast<int32_t>(i)))
            << "sample " << i;
    }
    // The axis is the whole ring whatever is filled: 20 blocks of 300 scans at 10 kHz.
    EXPECT_EQ(model.axisScans(), 20 * kScans);
    EXPECT_DOUBLE_EQ(model.axisMilliseconds().value_or(0), 600.0);
    EXPECT_FALSE(model.take(panel.dll)) << "an unchanged ring is not taken again";
}

INSTANTIATE_TEST_SUITE_P(
    Ring, ScopeRingOrder,
    ::testing::Values(RingCase{"BeforeTheFirstWrap", 3, false, 0, 0, 3},
                      RingCase{"RightAfterTheFirstWrap", 21, false, 0, kBlockSamples, 20},
                      // Ten blocks, then a start that re-created the ring with RingPos at slot 10:
                      // only the two blocks since, not the old ten and not the zeros.
                      RingCase{"AfterARestartInTheMiddle", 10, true, 2, 10 * kBlockSamples, 2},
                      RingCase{"RestartedWithNothingStoredYet", 10, true, 0, 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ScopeStatistics, CoverTheStoredSamplesOnlyAndTheFullScale) {
    StartedPanel panel;
    panel.card.fillBlock = [](int16_t* block) {
        for (int s = 0; s < kScans; ++s) {
            int16_t* scan = block + 1 + s * 4;
            scan[0] = 32767;
            scan[1] = -32768;
            scan[2] = static_cast<int16_t>(s);
            scan[3] = 7;
        }
    };
    panel.deliver(1);  // one block of twenty: the other nineteen slots are zeros
    ScopeModel model;
    ASSERT_TRUE(model.take(panel.dll));

    const auto& top = model.statistics(0);
    EXPECT_EQ(top.count, kScans);
    EXPECT_EQ(top.minimum, 32767);
    EXPECT_DOUBLE_EQ(top.rms, 32767.0);
    const auto& bottom = model.statistics(1);
    EXPECT_EQ(bottom.maximum, -32768);
    EXPECT_DOUBLE_EQ(bottom.mean, -32768.0);
    EXPECT_DOUBLE_EQ(bottom.rms, 32768.0);
    const auto& ramp = model.statistics(2);
    EXPECT_EQ(ramp.minimum, 0);
    EXPECT_EQ(ramp.maximum, 299);
    EXPECT_DOUBLE_EQ(ramp.mean, 149.5);
    EXPECT_NEAR(ramp.rms, std::sqrt(299.0 * 599.0 / 6.0), 1e-9);
    EXPECT_TRUE(model.statistics(3).stuck());
}

// Checked against the plain definition: each column's minimum and maximum over the
// scans floor(x·axis/width) .. floor((x+1)·axis/width), at least the one it starts in.
TEST(ScopeEnvelope, OneMinimumAndMaximumPerColumnAndChannel) {
    // Four channels as the card has them: a ramp 0..5999, the two ends of the 16-bit
    // scale once every ten scans (inside a column, not at its edges), a constant and a
    // falling ramp.
    constexpr int kAxis = 6000;
    std::vector<int16_t> scans;
    for (int s = 0; s < kAxis; ++s) {
        scans.push_back(static_cast<int16_t>(s));
        scans.push_back(s % 10 == 3 ? int16_t{-32768} : s % 10 == 6 ? int16_t{32767} : int16_t{0});
        scans.push_back(int16_t{-5});
        scans.push_back(static_cast<int16_t>(-s));
    }
    std::vector<EnvelopeColumn> columns(4 * 600);
    reduceToEnvelopes(scans, 4, kAxis, 600, columns);
    for (int x = 0; x < 600; ++x) {
        const auto& ramp = columns[static_cast<size_t>(x)];
        const auto& ends = columns[static_cast<size_t>(600 + x)];
        const auto& constant = columns[static_cast<size_t>(1200 + x)];
        ASSERT_FALSE(ramp.empty);
        ASSERT_EQ(ramp.minimum, 10 * x) << "column " << x;
        ASSERT_EQ(ramp.maximum, 10 * x + 9) << "column " << x;
        ASSERT_EQ(ends.minimum, -32768) << "column " << x;
        ASSERT_EQ(ends.maximum, 32767) << "column " << x;
        ASSERT_EQ(constant.minimum, -5);
        ASSERT_EQ(constant.maximum, -5);
        const auto& falling = columns[static_cast<size_t>(1800 + x)];
        ASSERT_EQ(falling.minimum, -(10 * x + 9)) << "column " << x;
        ASSERT_EQ(falling.maximum, -10 * x) << "column " << x;
    }

    // Half the axis filled, at an uneven number of scans a column: the right half is
    // empty, not zeros.
    std::vector<EnvelopeColumn> uneven(4 * 7);
    reduceToEnvelopes(std::span(scans).first(4 * 30), 4, 60, 7, uneven);
    const std::vector<std::pair<int, int>> rampShown{{0, 7}, {8, 16}, {17, 24}, {25, 29}};
    for (size_t x = 0; x < 7; ++x) {
        if (x < rampShown.size()) {
            EXPECT_EQ(uneven[x].minimum, rampShown[x].first) << "column " << x;
            EXPECT_EQ(uneven[x].maximum, rampShown[x].second) << "column " << x;
        } else {
            EXPECT_TRUE(uneven[x].empty) << "column " << x;
        }
    }

    // Any other channel count gives the same.
    std::vector<int16_t> threeChannels;
    for (size_t i = 0; i < scans.size(); ++i) {
        if (i % 4 != 3) threeChannels.push_back(scans[i]);
    }
    std::vector<EnvelopeColumn> three(3 * 600);
    reduceToEnvelopes(threeChannels, 3, kAxis, 600, three);
    EXPECT_TRUE(std::equal(three.begin(), three.end(), columns.begin(),
                           [](const EnvelopeColumn& a, const EnvelopeColumn& b) {
                               return a.minimum == b.minimum && a.maximum == b.maximum &&
                                      a.empty == b.empty;
                           }));

    // Fewer scans than columns: each column shows the scan it starts in.
    const std::vector<int16_t> threeScans{5, 6, 7};
    std::vector<EnvelopeColumn> six(6);
    reduceToEnvelopes(threeScans, 1, 3, 6, six);
    const std::vector<int16_t> shown{5, 5, 6, 6, 7, 7};
    for (size_t x = 0; x < six.size(); ++x) {
        EXPECT_EQ(six[x].minimum, shown[x]);
        EXPECT_EQ(six[x].maximum, shown[x]);
    }
}

TEST(ScopeCsv, OneRowPerScanInTimeOrderWithTheTimeFromTheScanRate) {
    // A ring of three blocks of two scans, four blocks stored: the first is overwritten.
    card::DllDef dll;
    dll.ChannelCount = 4;
    dll.ScanCount = 2;
    dll.RingBlocks = 3;
    dll.ScanRate = 10000;
    dll.BlockBuf.assign(10, 0);
    dll.RingBuf.assign(25, 0);
    for (int16_t block = 0; block < 4; ++block) {
        for (int i = 0; i < 8; ++i)
            dll.BlockBuf[static_cast<size_t>(1 + i)] = static_cast<int16_t>(block * 10 + i);
        dll.BlockBuf[4] = -32768;
        acquisition::storeBlock(dll, 8, 24);
    }
    ScopeModel model;
    ASSERT_TRUE(model.take(dll));
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
