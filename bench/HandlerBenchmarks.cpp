// The poll tick's cost against the plain copies it cannot avoid: the whole default
// tick (7 blocks and every readout) against memcpy of its 8400 samples, and the
// store of one block into the ring against memcpy of its 1200 samples.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "acquisition/AcquisitionControl.h"
#include "acquisition/BlockPoller.h"
#include "bench/BenchCard.h"
#include "tests/support/InMemorySurface.h"
#include "window/StartupHandler.h"

namespace {

using namespace tqv;

constexpr int kBlocksPerTick = 7;  // 10000 scans/s of 300 scans, polled every 200 ms
constexpr size_t kBlockSamples = 1200;

struct InMemoryPanel {
    bench::BenchCard card{kBlocksPerTick, kBlockSamples};
    session::SteadyClock clock;
    session::CardSession session{card, clock};
    window::FormState form;
    test::InMemorySurface ui;
    window::FormContext ctx{session, form, ui};

    InMemoryPanel() {
        window::loadForm(ctx);
        acquisition::startAcquisition(ctx);
    }
};

void BM_DefaultTick(benchmark::State& state) {
    InMemoryPanel panel;
    for (auto _ : state) {
        acquisition::pollBlocks(panel.ctx);
        benchmark::DoNotOptimize(panel.session.blocks().RingBuf().data());
    }
    state.SetItemsProcessed(state.iterations() * kBlocksPerTick);
}
BENCHMARK(BM_DefaultTick);

void BM_MemcpyOfOneTick(benchmark::State& state) {
    std::vector<int16_t> from(kBlocksPerTick * kBlockSamples, 7);
    std::vector<int16_t> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(int16_t));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyOfOneTick);

void BM_StoreBlock(benchmark::State& state) {
    InMemoryPanel panel;
    auto& blocks = panel.session.blocks();
    for (auto _ : state) {
        blocks.storeDelivered();
        benchmark::DoNotOptimize(blocks.RingBuf().data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StoreBlock);

void BM_MemcpyOfOneBlock(benchmark::State& state) {
    std::vector<int16_t> from(kBlockSamples + 2, 7);
    std::vector<int16_t> to(kBlockSamples * 20 + 1);
    size_t slot = 0;
    for (auto _ : state) {
        std::memcpy(to.data() + slot * kBlockSamples, from.data() + 1, kBlockSamples * sizeof(int16_t));
        slot = slot + 1 == 20 ? 0 : slot + 1;
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyOfOneBlock);

}  // namespace

BENCHMARK_MAIN();
