// The recorder's costs: CSV formatting against the 2 million scans a second the
// x100 card needs; the WAV writer to this machine's disk against plain writes of the
// same bytes with the same sync cadence (what dd does); the panel's tick with a
// recording on against the same tick without one. TQV_BENCH_DIR names the folder on
// the disk to measure (default /var/tmp).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "acquisition/AcquisitionControl.h"
#include "acquisition/BlockPoller.h"
#include "bench/BenchCard.h"
#include "text/ScanCsv.h"
#include "record/Recorder.h"
#include "record/WavSink.h"
#include "tests/support/InMemorySurface.h"
#include "window/StartupHandler.h"

namespace {

using namespace tqv;

constexpr int kChannels = 4;
constexpr int32_t kScansPerBlock = 300;
constexpr std::size_t kBlockSamples = kChannels * kScansPerBlock;
// What the writer typically takes from the queue at x100 between two of its 3 ms waits.
constexpr std::size_t kRunBlocks = 16;
constexpr auto kSyncInterval = std::chrono::milliseconds(500);

std::filesystem::path benchFile(const char* name) {
    const char* folder = std::getenv("TQV_BENCH_DIR");
    // The process's number before the extension: a recording's name ends in .wav or .csv.
    const std::filesystem::path given(name);
    return std::filesystem::path(folder != nullptr ? folder : "/var/tmp") /
           (given.stem().string() + "-" + std::to_string(::getpid()) + given.extension().string());
}

std::vector<int16_t> counterSamples(std::size_t scans) {
    std::vector<int16_t> samples(scans * kChannels);
    for (std::size_t s = 0; s < scans; ++s) {
        samples[s * kChannels + 0] = static_cast<int16_t>(2048 + s % 1600);
        samples[s * kChannels + 1] = static_cast<int16_t>(448 + s % 3200);
        samples[s * kChannels + 2] = static_cast<int16_t>(-1000 - static_cast<int>(s % 2000));
        samples[s * kChannels + 3] = static_cast<int16_t>(static_cast<uint16_t>(s));
    }
    return samples;
}

void BM_CsvFormatting(benchmark::State& state) {
    const auto block = counterSamples(kScansPerBlock);
    std::vector<char> text;
    int64_t scan = 123'456'789;
    for (auto _ : state) {
        text.clear();
        text::appendCsvRows(text, block, kChannels, scan, 10000);
        scan += kScansPerBlock;
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * kScansPerBlock);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_CsvFormatting);

void BM_WavWriterToDisk(benchmark::State& state) {
    const auto file = benchFile("tqv-bench-writer.wav");
    std::filesystem::remove(file);
    auto created = record::WavSink::create(file, true, {kChannels, 10000, kScansPerBlock, 0});
    auto& sink = *std::get<0>(created);
    const auto run = counterSamples(kScansPerBlock * kRunBlocks);
    auto nextSync = std::chrono::steady_clock::now() + kSyncInterval;
    for (auto _ : state) {
        if (sink.write(run, 0)) state.SkipWithError("write failed");
        if (std::chrono::steady_clock::now() >= nextSync) {
            sink.sync();
            nextSync = std::chrono::steady_clock::now() + kSyncInterval;
        }
    }
    sink.finish();
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(run.size() * 2));
    std::filesystem::remove(file);
}
BENCHMARK(BM_WavWriterToDisk)->MinTime(5)->UseRealTime();

// dd's share of the work: the same bytes in the same chunks, plain writes, fdatasync
// at the same cadence.
void BM_PlainWritesToDisk(benchmark::State& state) {
    const auto file = benchFile("tqv-bench-plain.raw");
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto run = counterSamples(kScansPerBlock * kRunBlocks);
    const auto bytes = run.size() * 2;
    auto nextSync = std::chrono::steady_clock::now() + kSyncInterval;
    for (auto _ : state) {
        if (::write(fd, run.data(), bytes) != static_cast<ssize_t>(bytes)) {
            state.SkipWithError("write failed");
        }
        if (std::chrono::steady_clock::now() >= nextSync) {
            ::fdatasync(fd);
            nextSync = std::chrono::steady_clock::now() + kSyncInterval;
        }
    }
    ::fdatasync(fd);
    ::close(fd);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
    std::filesystem::remove(file);
}
BENCHMARK(BM_PlainWritesToDisk)->MinTime(5)->UseRealTime();

constexpr int kBlocksPerTick = 7;  // 10000 scans/s of 300 scans, polled every 200 ms

// The panel's tick on the in-memory window, with or without a recording to disk. The
// writer is let catch up outside the timed part, so every block is really queued.
void BM_PanelTick(benchmark::State& state) {
    const bool recording = state.range(0) != 0;
    bench::BenchCard card{kBlocksPerTick, kBlockSamples};
    session::SteadyClock clock;
    session::CardSession cardSession{card, clock};
    window::FormState form;
    test::InMemorySurface ui;
    window::FormContext ctx{cardSession, form, ui};
    window::loadForm(ctx);
    acquisition::startAcquisition(ctx);

    const auto file = benchFile("tqv-bench-tick.wav");
    std::filesystem::remove(file);
    std::filesystem::remove(record::metadataPath(file));
    std::unique_ptr<record::Recorder> recorder;
    if (recording) {
        record::RecordingSettings settings;
        settings.file = file;
        settings.scanRate = 10000;
        settings.channels = kChannels;
        settings.scansPerBlock = kScansPerBlock;
        recorder = std::get<0>(record::Recorder::open(settings));
        cardSession.blocks().addListener(*recorder);
    }
    int64_t offered = 0;
    for (auto _ : state) {
        acquisition::pollBlocks(ctx);
        benchmark::DoNotOptimize(cardSession.blocks().RingBuf().data());
        if (recording) {
            state.PauseTiming();
            offered += kBlocksPerTick;
            while (recorder->status().scansWritten < offered * kScansPerBlock) {
                std::this_thread::yield();
            }
            state.ResumeTiming();
        }
    }
    if (recording) {
        cardSession.blocks().removeListener(*recorder);
        recorder->stop(record::StopReason::StopPressed);
        if (recorder->status().gaps != 0) state.SkipWithError("a gap");
        recorder.reset();
        std::filesystem::remove(file);
        std::filesystem::remove(record::metadataPath(file));
    }
    state.SetItemsProcessed(state.iterations() * kBlocksPerTick);
}
BENCHMARK(BM_PanelTick)->Arg(0)->Arg(1)->ArgName("recording");

}  // namespace

BENCHMARK_MAIN();
