// The scope's costs: the envelope of a full ring against one plain pass over the same
// samples; one whole refresh of the scope on real widgets (offscreen) against the
// 200 ms tick, in codes and in units; a redraw after a zoom or a pan of a paused view;
// and the live program's CPU share with and without the scope open, and with units,
// cursors and a trigger.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <vector>

#include "app/ScopeAttachment.h"
#include "bench/LiveCpuShare.h"
#include "bench/PlainRingPass.h"
#include "channels/ChannelSetup.h"
#include "scope/Envelope.h"
#include "scope/qt/ScopeView.h"
#include "scope/qt/ScopeWindow.h"
#include "scope/qt/TriggerBar.h"
#include "tests/support/TestRing.h"

namespace {

using namespace tqv;

constexpr int kChannels = 4;
constexpr int kScans = 6000;  // 20 blocks of 300 scans
constexpr int kColumns = 600;
constexpr double kPollPeriodSeconds = 0.2;

int16_t signalSample(int scan, int channel) {
    const double phase = 2.0 * 3.14159265358979 * scan / (200.0 * (channel + 1));
    return static_cast<int16_t>(2048 + 1600 * std::sin(phase));
}

std::vector<int16_t> ringInTimeOrder() {
    std::vector<int16_t> scans(static_cast<size_t>(kChannels) * kScans);
    for (int s = 0; s < kScans; ++s) {
        for (int c = 0; c < kChannels; ++c)
            scans[static_cast<size_t>(s * kChannels + c)] = signalSample(s, c);
    }
    return scans;
}

void BM_EnvelopeOfTheRing(benchmark::State& state) {
    const auto scans = ringInTimeOrder();
    std::vector<scope::EnvelopeColumn> columns(kChannels * kColumns);
    for (auto _ : state) {
        scope::reduceToEnvelopes(scans, kChannels, kScans, kColumns, columns);
        benchmark::DoNotOptimize(columns.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kChannels * kScans);
}
BENCHMARK(BM_EnvelopeOfTheRing)->Unit(benchmark::kMicrosecond);

// The floor: one pass that only adds up every channel's samples.
void BM_PlainSumOfTheRing(benchmark::State& state) {
    tqv::bench::sumEveryChannel(state, ringInTimeOrder(), kChannels);
}
BENCHMARK(BM_PlainSumOfTheRing)->Unit(benchmark::kMicrosecond);

// What the trigger row would be set to for a steady view of channel 0's 50 Hz: 20 ms,
// Auto on its rising edge through the middle.
void triggerOnChannelZero(scope::qt::ScopeWindow& window) {
    scope::TriggerSettings trigger;
    trigger.mode = scope::TriggerMode::Auto;
    window.triggerBar()->setSpanMilliseconds(20);
    window.triggerBar()->setSettings(trigger);
}

// Every channel in a unit of its own, as an engineer's bench would have it.
channels::ChannelSetup benchSetup() {
    const auto line = [](channels::CalibrationPoint a, channels::CalibrationPoint b) {
        return std::get<channels::Calibration>(channels::Calibration::fromPoints(a, b));
    };
    channels::ChannelSetup setup;
    setup.setChannel(0, {"Supply", "V", line({448, -5.0}, {3648, 5.0})});
    setup.setChannel(1, {"Current", "mA", line({448, 4.0}, {3648, 20.0})});
    setup.setChannel(2, {"Valve", "V", line({1048, 0.0}, {3048, 24.0})});
    setup.setChannel(3, {"Strain", "µm/m", line({-32768, -1500.0}, {32767, 1500.0})});
    return setup;
}

// A full ring changes by one block, the scope takes it, rebuilds its traces and
// statistics and paints everything. Argument 1: triggered on channel 0 (the search
// included); 0: the whole ring; 2: the whole ring, every channel in a unit.
void BM_ScopeRefreshOnQtWidgets(benchmark::State& state) {
    const auto& start = session::PanelStart;
    test::TestRing ring(start.ChannelCount, start.ScanCount, session::PanelRingBlocks, start.ScanRate);
    std::vector<int16_t> block(static_cast<size_t>(start.ChannelCount) * start.ScanCount);
    int scan = 0;
    const auto storeNextBlock = [&] {
        for (int s = 0; s < start.ScanCount; ++s, ++scan) {
            for (int c = 0; c < kChannels; ++c)
                block[static_cast<size_t>(s * kChannels + c)] = signalSample(scan, c);
        }
        ring.store(block);
    };
    for (int b = 0; b < session::PanelRingBlocks; ++b) storeNextBlock();

    scope::qt::ScopeWindow window(ring.blocks, kChannels);
    if (state.range(0) == 1) triggerOnChannelZero(window);
    if (state.range(0) == 2) window.setChannelSetup(benchSetup(), {});
    window.resize(800, 600);
    window.show();
    QApplication::processEvents();

    for (auto _ : state) {
        state.PauseTiming();
        storeNextBlock();
        state.ResumeTiming();
        window.ringMayHaveChanged();
        // Painted now rather than at the next turn of the event loop: part of the cost.
        window.view()->repaint();
    }
    state.counters["share_of_period"] =
        benchmark::Counter(kPollPeriodSeconds * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScopeRefreshOnQtWidgets)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A paused full ring in units, zoomed in about the middle a notch at a time until a few
// scans fill the view (the samples then drawn as points), then out again, and panned:
// each step rebuilt and painted, as one turn of the wheel or one move of a drag.
void BM_ZoomAndPanRedraw(benchmark::State& state) {
    const auto& start = session::PanelStart;
    test::TestRing ring(start.ChannelCount, start.ScanCount, session::PanelRingBlocks,
                        start.ScanRate);
    std::vector<int16_t> block(static_cast<size_t>(start.ChannelCount) * start.ScanCount);
    for (int b = 0, scan = 0; b < session::PanelRingBlocks; ++b) {
        for (int s = 0; s < start.ScanCount; ++s, ++scan) {
            for (int c = 0; c < kChannels; ++c)
                block[static_cast<size_t>(s * kChannels + c)] = signalSample(scan, c);
        }
        ring.store(block);
    }
    scope::qt::ScopeWindow window(ring.blocks, kChannels);
    window.setChannelSetup(benchSetup(), {});
    window.setCursorsShown(true);
    window.resize(800, 600);
    window.show();
    QApplication::processEvents();
    window.setPaused(true);
    auto* view = window.view();
    const qreal middle = view->plotRect(0).center().x();
    int step = 0;
    for (auto _ : state) {
        // 30 notches in, 30 out, 10 pans either way.
        const int phase = step++ % 80;
        if (phase < 30) {
            view->zoomTime(middle, 1.25);
        } else if (phase < 60) {
            view->zoomTime(middle, 0.8);
        } else {
            view->panBy(phase < 70 ? 40.0 : -40.0);
        }
        view->repaint();
    }
}
BENCHMARK(BM_ZoomAndPanRedraw)->Unit(benchmark::kMillisecond);

// Argument 1: the scope open beside the panel; 2: triggered on channel 0 as well; 3:
// triggered, every channel in a unit and the cursors shown; 0: the panel alone, for
// comparison.
void BM_LiveCpuShare(benchmark::State& state) {
    const auto scope = state.range(0);
    bench::measureLiveCpuShare(state, [scope](app::PanelApplication& panel) {
        if (scope == 0) return;
        panel.openScope();
        auto& window = panel.scope()->scope();
        if (scope >= 2) triggerOnChannelZero(window);
        if (scope == 3) {
            window.setChannelSetup(benchSetup(), {});
            window.setCursorsShown(true);
        }
    });
}
BENCHMARK(BM_LiveCpuShare)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
