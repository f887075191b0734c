// The scope's costs: the envelope of a full ring against one plain pass over the same
// samples; one whole refresh of the scope on real widgets (offscreen) against the
// 200 ms tick; and the live program's CPU share with and without the scope open.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <vector>

#include "app/ScopeAttachment.h"
#include "bench/LiveCpuShare.h"
#include "bench/PlainRingPass.h"
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

// A full ring changes by one block, the scope takes it, rebuilds its traces and
// statistics and paints everything. Argument 1: triggered on channel 0 (the search
// included); 0: the whole ring.
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
    if (state.range(0) != 0) triggerOnChannelZero(window);
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
BENCHMARK(BM_ScopeRefreshOnQtWidgets)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Argument 1: the scope open beside the panel; 2: triggered on channel 0 as well; 0:
// the panel alone, for comparison.
void BM_LiveCpuShare(benchmark::State& state) {
    const auto scope = state.range(0);
    bench::measureLiveCpuShare(state, [scope](app::PanelApplication& panel) {
        if (scope == 0) return;
        panel.openScope();
        if (scope == 2) triggerOnChannelZero(panel.scope()->scope());
    });
}
BENCHMARK(BM_LiveCpuShare)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
