// The panel's handlers on the real binding and the real simulated card: what no test
// of a part can see, that what the card delivers reaches the panel whole and in order.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/FormWiring.h"
#include "card/AdcardBinding.h"
#include "tests/card/sim/SimProbes.h"
#include "tests/support/InMemorySurface.h"

namespace tqv::test {
namespace {

using window::Control;
using window::Event;

struct RealPanel {
    RealPanel() {
        ui.setEvents(&wiring);
        raise(Control::FrmMultiBuf, Event::Load);
    }
    card::AdcardBinding binding;
    session::SteadyClock clock;
    session::CardSession session{binding, clock};
    const session::AcquiredBlocks& blocks = session.blocks();
    window::FormState form;
    InMemorySurface ui;
    window::FormContext ctx{session, form, ui};
    app::FormWiring wiring{ctx};
    void raise(Control control, Event event) { wiring.raise(control, event); }
    bool tickUntil(auto condition) {
        return waitUntil([&] {
            raise(Control::TimerAD, Event::Timer);
            return condition();
        });
    }
};

TEST(RealCardPanel, TheRingHoldsEveryScanInOrderAndARestartBeginsAtScanZero) {
    RealPanel panel;
    panel.raise(Control::cmdStart, Event::Click);
    ASSERT_TRUE(panel.tickUntil([&] { return panel.form.BlockCount >= 25; }));
    // 20 blocks of 300 scans of channels 0..3, the oldest at RingPos.
    std::vector<std::int16_t> ring(panel.blocks.RingBuf().begin(), panel.blocks.RingBuf().begin() + 24000);
    // std::rotate: clang 14 cannot instantiate std::ranges::rotate with libstdc++ 12.
    std::rotate(ring.begin(), ring.begin() + panel.blocks.RingPos(), ring.end());
    const auto first = counterRun(ring.data(), 6000, 4, 3);
    ASSERT_TRUE(first) << "a block lost, torn or out of order";
    EXPECT_EQ(static_cast<std::uint16_t>(*first + 6000),
              static_cast<std::uint16_t>(panel.form.BlockCount * 300))
        << "the newest block is not the last one counted";

    const std::int32_t pos = panel.blocks.RingPos();
    panel.raise(Control::cmdStop, Event::Click);
    panel.raise(Control::cmdStart, Event::Click);
    ASSERT_TRUE(panel.tickUntil([&] { return panel.blocks.RingPos() != pos; }));
    EXPECT_EQ(counterRun(&panel.blocks.RingBuf()[static_cast<std::size_t>(pos)], 300, 4, 3), 0);
    panel.raise(Control::cmdExit, Event::Click);
    EXPECT_EQ(panel.binding.QueryBuf(), 0) << "the card was left running";
}

// Run with ADCARD_SIM_FAIL=StartIntr:-7 (its own CTest entry).
}  // namespace
}  // namespace tqv::test
