// The scans of the ring by their index since the buffers were made, oldest first, in
// at most two pieces where the ring wraps.
#include <gtest/gtest.h>

#include <numeric>

#include "instrument/RingScans.h"
#include "tests/instrument/InstrumentFixture.h"

namespace tqv::instrument {
namespace {

std::vector<int16_t> joined(const ScanSpan& span) {
    std::vector<int16_t> all(span.pieces[0].begin(), span.pieces[0].end());
    all.insert(all.end(), span.pieces[1].begin(), span.pieces[1].end());
    return all;
}

TEST_F(InstrumentFixture, ScansSinceAnIndexWrapAroundTheRingInOrder) {
    const RingScans ring(session.blocks());
    EXPECT_EQ(ring.since(0).scans, 0) << "no buffers yet";
    session.start();
    for (int i = 0; i < 7; ++i) deliver(1);
    ScanSpan span = ring.since(300);
    EXPECT_EQ(span.scans, 6 * 300);
    EXPECT_TRUE(span.pieces[1].empty());
    EXPECT_EQ(joined(span).front(), 1200);

    for (int i = 0; i < 20; ++i) deliver(1);  // 27 stored, blocks 7..26 held
    EXPECT_EQ(ring.beginScan(), 7 * 300);
    EXPECT_EQ(ring.endScan(), 27 * 300);
    span = ring.since(300);
    EXPECT_EQ(span.overwritten, 6 * 300);
    EXPECT_EQ(span.firstScan, 7 * 300);
    EXPECT_FALSE(span.pieces[1].empty()) << "the ring wrapped";
    const auto codes = joined(span);
    ASSERT_EQ(codes.size(), 20u * 1200);
    std::vector<int16_t> expected(codes.size());
    std::iota(expected.begin(), expected.end(), static_cast<int16_t>(7 * 1200));
    EXPECT_EQ(codes, expected);

    span = ring.newest(450);
    EXPECT_EQ(span.scans, 450);
    EXPECT_EQ(span.overwritten, 0);
    EXPECT_EQ(joined(span).back(), static_cast<int16_t>(27 * 1200 - 1));
    EXPECT_EQ(ring.newest(1'000'000).scans, 20 * 300) << "as many as the ring holds";
}

}  // namespace
}  // namespace tqv::instrument
