// The cursors and the zoomed time window on exact data: the cursors stay on whole scans
// and codes, and their readout gives the times and values of the samples.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "channels/ChannelSetup.h"
#include "scope/Cursors.h"
#include "scope/ScopeModel.h"
#include "scope/TimeWindow.h"
#include "tests/support/TestRing.h"

namespace tqv::scope {
namespace {

TEST(TimeWindow, ZoomKeepsThePointerStillAndPanStaysWithinTheAxis) {
    const TimeWindow whole = wholeAxis(6000);
    EXPECT_EQ(whole, (TimeWindow{0, 6000}));
    // Twice in about scan 1500: it stays a quarter of the way across.
    EXPECT_EQ(zoomedWindow(whole, 1500, 2.0, 6000), (TimeWindow{750, 3000}));
    EXPECT_EQ(zoomedWindow({750, 3000}, 1500, 0.25, 6000), (TimeWindow{0, 6000}))
        << "zooming out stops at the whole axis";
    EXPECT_EQ(zoomedWindow(whole, 10, 1e6, 6000), (TimeWindow{10, FewestScansShown}));
    EXPECT_EQ(pannedWindow({750, 3000}, 5000, 6000), (TimeWindow{3000, 3000}));
    EXPECT_EQ(pannedWindow({750, 3000}, -800, 6000), (TimeWindow{0, 3000}));
}

// One channel at 10 kHz, its code the scan number from -20.
struct Counted {
    test::TestRing ring{1, 100, 2};
    ScopeModel model;
    Counted() {
        std::vector<int16_t> block(100);
        for (int b = 0; b < 2; ++b) {
            for (int s = 0; s < 100; ++s)
                block[static_cast<size_t>(s)] = static_cast<int16_t>(b * 100 + s - 20);
            ring.store(block);
        }
        EXPECT_TRUE(model.take(ring.blocks));
    }
};

TEST(Cursors, ReadTheTimesAndValuesOfTheSamplesTheyStandOn) {
    Counted counted;
    Cursors cursors;
    const auto codes = channels::ChannelSetup::defaultChannel(0);
    EXPECT_EQ(cursorReadout(cursors, counted.model, codes), "") << "hidden";
    cursors.setShown(true);
    cursors.place(200, 0, -20, 180);
    EXPECT_EQ(cursors.time(0), 50);
    EXPECT_EQ(cursors.time(1), 150);
    EXPECT_EQ(cursors.level(0), 30);
    EXPECT_EQ(cursors.level(1), 130);
    EXPECT_EQ(cursorReadout(cursors, counted.model, codes),
              "t1 5.0 ms   t2 15.0 ms   \u0394t 10.0 ms   1/\u0394t 100.000 Hz   Ch 0: v1 30   "
              "v2 130   \u0394V 100");

    // The keys move the active cursor a scan or a code at a time, never off the axis.
    cursors.moveActive(-3);
    EXPECT_EQ(cursors.time(0), 47);
    cursors.activateNext();
    cursors.moveActive(1000);
    EXPECT_EQ(cursors.time(1), 199);
    cursors.activateNext();
    EXPECT_EQ(cursors.active(), CursorId::Level1);
    cursors.moveActive(-70000);
    EXPECT_EQ(cursors.level(0), -32768);
    cursors.setTime(0, 199);

    channels::Channel volts{
        "Supply", "V",
        std::get<channels::Calibration>(channels::Calibration::fromPoints({0, 0.0}, {1000, 1.0}))};
    cursors.setLevel(0, 250);
    cursors.setLevel(1, 1250);
    EXPECT_EQ(
        cursorReadout(cursors, counted.model, volts),
        "t1 19.9 ms   t2 19.9 ms   \u0394t 0.0 ms   1/\u0394t \u2014 Hz   Supply: v1 0.250 V   "
        "v2 1.250 V   \u0394V 1.000 V");
}

}  // namespace
}  // namespace tqv::scope
