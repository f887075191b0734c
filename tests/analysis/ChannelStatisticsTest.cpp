#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "analysis/ChannelStatistics.h"

namespace tqv::analysis {
namespace {

TEST(ChannelStatistics, ExactFiguresForARampAndTheFullScaleEdges) {
    StatisticsAccumulator ramp;
    for (int16_t v = -3; v <= 3; ++v) ramp.add(v);
    const auto r = ramp.result();
    EXPECT_EQ(r.count, 7);
    EXPECT_EQ(r.minimum, -3);
    EXPECT_EQ(r.maximum, 3);
    EXPECT_DOUBLE_EQ(r.mean, 0.0);
    EXPECT_DOUBLE_EQ(r.rms, 2.0);  // sqrt((9+4+1+0+1+4+9)/7)
    EXPECT_FALSE(r.stuck());

    StatisticsAccumulator edges;
    edges.add(-32768);
    edges.add(32767);
    const auto e = edges.result();
    EXPECT_EQ(e.minimum, -32768);
    EXPECT_EQ(e.maximum, 32767);
    EXPECT_DOUBLE_EQ(e.mean, -0.5);
    EXPECT_DOUBLE_EQ(e.rms, std::sqrt((32768.0 * 32768.0 + 32767.0 * 32767.0) / 2.0));
}

TEST(ChannelStatistics, AConstantIsStuckAndNothingIsAllZero) {
    StatisticsAccumulator constant;
    for (int i = 0; i < 5; ++i) constant.add(-7);
    EXPECT_TRUE(constant.result().stuck());
    EXPECT_DOUBLE_EQ(constant.result().rms, 7.0);

    StatisticsAccumulator single;
    single.add(5);
    EXPECT_FALSE(single.result().stuck()) << "one sample says nothing of a channel";

    const auto none = StatisticsAccumulator{}.result();
    EXPECT_EQ(none.count, 0);
    EXPECT_FALSE(none.stuck());
}

TEST(ChannelStatistics, InterleavedScansAddOnlyTheirChannel) {
    const std::array<int16_t, 9> scans{1, 10, 100, 2, 20, 200, 3, 30, 300};
    StatisticsAccumulator second;
    second.addInterleaved(scans, 3, 1);
    EXPECT_EQ(second.result().count, 3);
    EXPECT_DOUBLE_EQ(second.result().mean, 20.0);
}

}  // namespace
}  // namespace tqv::analysis
