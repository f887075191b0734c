// The measurements of a full ring (4 x 6000 samples) against one plain pass that only
// adds up the same samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/SignalMeasurements.h"
#include "bench/PlainRingPass.h"

namespace {

constexpr int kChannels = 4;
constexpr int kScans = 6000;  // 20 blocks of 300 scans

// The simulated card's kind of signals: a sine, a triangle, a square and a ramp.
std::vector<int16_t> ringInTimeOrder() {
    std::vector<int16_t> scans(static_cast<size_t>(kChannels) * kScans);
    for (int s = 0; s < kScans; ++s) {
        const double sine = 2048 + 1600 * std::sin(2 * 3.14159265358979 * s / 200.0);
        const double p = std::fmod(s / 500.0, 1.0);
        const double triangle = 448 + 3200 * (p < 0.5 ? 2 * p : 2 - 2 * p);
        const double square = std::fmod(s / 1000.0, 1.0) < 0.5 ? 3048 : 1048;
        const auto at = static_cast<size_t>(s * kChannels);
        scans[at] = static_cast<int16_t>(sine);
        scans[at + 1] = static_cast<int16_t>(triangle);
        scans[at + 2] = static_cast<int16_t>(square);
        scans[at + 3] = static_cast<int16_t>(s);
    }
    return scans;
}

void BM_MeasurementsOfTheRing(benchmark::State& state) {
    const auto scans = ringInTimeOrder();
    std::vector<tqv::analysis::SignalMeasurements> measured(kChannels);
    for (auto _ : state) {
        tqv::analysis::measureSignals(scans, kChannels, measured);
        benchmark::DoNotOptimize(measured.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kChannels * kScans);
}
BENCHMARK(BM_MeasurementsOfTheRing)->Unit(benchmark::kMicrosecond);

// The floor: one pass that only adds up every channel's samples.
void BM_PlainSumOfTheRing(benchmark::State& state) {
    tqv::bench::sumEveryChannel(state, ringInTimeOrder(), kChannels);
}
BENCHMARK(BM_PlainSumOfTheRing)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
