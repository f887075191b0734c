// The floor a computation over the ring is measured against, in the same run: one pass
// that only adds up every channel's samples.
#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tqv::bench {

inline void sumEveryChannel(benchmark::State& state, const std::vector<int16_t>& scans,
                            int channels) {
    const auto count = static_cast<int64_t>(scans.size()) / channels;
    for (auto _ : state) {
        std::array<int64_t, 64> sums{};  // the card's most channels
        for (int64_t s = 0; s < count; ++s) {
            for (int c = 0; c < channels; ++c)
                sums[static_cast<size_t>(c)] += scans[static_cast<size_t>(s * channels + c)];
        }
        benchmark::DoNotOptimize(sums.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(scans.size()));
}

}  // namespace tqv::bench
