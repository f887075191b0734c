// The real binding and simulated card driven by the real tick every 200 ms, for as
// long as TQV_SOAK_SECONDS says, with a stop and a start every few seconds. At a
// rate the program can keep up with, not one block may be lost; above it, the
// losses must show only as gaps between whole blocks.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "app/FormWiring.h"
#include "card/AdcardBinding.h"
#include "tests/e2e/CheckingCard.h"
#include "tests/support/InMemorySurface.h"

namespace tqv::test {
namespace {

using window::Control;
using window::Event;

double environmentNumber(const char* name, double fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atof(value) : fallback;
}

// Resident memory of this process in KiB (0 where the platform will not say).
long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

constexpr bool kUnderAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

constexpr int32_t kOverrun = -5;

TEST(Soak, TheTickKeepsUpAndEveryRuleHolds) {
    const double seconds = environmentNumber("TQV_SOAK_SECONDS", 20);
    const double speed = environmentNumber("ADCARD_SIM_SPEED", 1);
    const bool expectLossless = speed <= 7;

    card::AdcardBinding binding;
    ASSERT_EQ(binding.load(), std::nullopt);
    CheckingCard checking(binding, 4, 300);
    card::DllDef dll;
    window::FormState form;
    InMemorySurface ui;
    window::FormContext ctx{dll, form, checking, ui};
    app::FormWiring wiring(ctx);
    ui.setEvents(&wiring);

    wiring.raise(Control::FrmMultiBuf, Event::Load);
    wiring.raise(Control::cmdStart, Event::Click);
    ASSERT_FALSE(ui.isEnabled(Control::cmdStart));

    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(200);
    const auto begin = Clock::now();
    const auto end = begin + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(seconds));
    auto nextTick = begin + period;
    int ticks = 0;
    long memoryAfterWarmUp = 0;
    int64_t expectedStored = 0;
    int ticksReportingOverrun = 0;
    int32_t expectedCount = 0;

    while (Clock::now() < end) {
        std::this_thread::sleep_until(nextTick);
        nextTick += period;
        const int64_t deliveredBefore = checking.blocksDelivered;
        const int64_t reportedBefore = checking.reportedCount;
        wiring.raise(Control::TimerAD, Event::Timer);
        ++ticks;
        // The card reports a dropped block as its last error (until a start clears it).
        if (binding.GetLastADError() == kOverrun) ++ticksReportingOverrun;

        // The ring position follows the stored blocks; the counter the reported ones.
        expectedStored += checking.blocksDelivered - deliveredBefore;
        const auto reported = static_cast<int32_t>(checking.reportedCount - reportedBefore);
        expectedCount += reported;
        if (expectedCount > 32000) expectedCount = 0;
        ASSERT_EQ(dll.RingPos, (expectedStored % 20) * 1200);
        ASSERT_EQ(form.BlockCount, expectedCount);
        if (reported != 0) {
            ASSERT_EQ(ui.caption(Control::lblBlock), " " + std::to_string(expectedCount));
        }

        if (ticks == 25) memoryAfterWarmUp = residentKiB();
        if (ticks % 20 == 0) {  // a stop and a start every four seconds
            wiring.raise(Control::cmdStop, Event::Click);
            wiring.raise(Control::cmdStart, Event::Click);
            ASSERT_FALSE(ui.isEnabled(Control::cmdStart));
        }
    }
    wiring.raise(Control::cmdExit, Event::Click);
    const long memoryAtEnd = residentKiB();

    std::printf("soak: speed %.1f, %.0f s, %d ticks, %lld blocks processed, %lld lost, "
                "%lld torn, %lld restarts (%lld from scan 0), resident %ld KiB after warm-up, "
                "%ld KiB at end\n",
                speed, seconds, ticks, static_cast<long long>(checking.blocksDelivered),
                static_cast<long long>(checking.blocksLost),
                static_cast<long long>(checking.tornBlocks),
                static_cast<long long>(checking.restarts),
                static_cast<long long>(checking.restartsFromZero), memoryAfterWarmUp,
                memoryAtEnd);

    EXPECT_TRUE(ui.isClosed());
    EXPECT_GT(checking.blocksDelivered, 0);
    EXPECT_EQ(checking.tornBlocks, 0);
    // The last start may come too close to the end for a block to follow it.
    EXPECT_GE(checking.restartsWithBlocks, checking.restarts - 1);
    EXPECT_EQ(checking.restartsFromZero, checking.restartsWithBlocks);
    if (expectLossless) {
        EXPECT_EQ(checking.blocksLost, 0);
        EXPECT_EQ(ticksReportingOverrun, 0);
    } else {
        EXPECT_GT(checking.blocksLost, 0);
        EXPECT_GT(ticksReportingOverrun, 0);
    }
    if (!kUnderAddressSanitizer && memoryAfterWarmUp > 0) {
        EXPECT_LE(memoryAtEnd, memoryAfterWarmUp + 1024) << "resident memory grew";
    }
}

}  // namespace
}  // namespace tqv::test
