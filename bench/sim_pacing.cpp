// How well the simulated card keeps time, and how fast it can be pushed.
//
//  Pacing: ten seconds of the program's acquisition (50, 300, 0, 4, 10000, 0, 1), a
//  block due every 30 ms. Counts the blocks delivered against the nominal 333.3 and
//  measures, by polling QueryBuf every millisecond, how late each block became
//  available after its nominal deadline, start + k x 30 ms, start being taken just
//  before StartIntr. The first StartIntr of a process pays one-off costs (symbol
//  binding, first allocations, the first thread's stack) that would blur where the
//  card's clock started, so a start/stop cycle runs first and its duration is
//  reported apart (first_start_call_ms); the measured call then takes microseconds
//  (start_call_ms). A block first seen at one poll became available after the
//  previous poll, so its lateness lies between (previous poll - deadline) and (this
//  poll - deadline): both bounds are reported, with the poll's own oversleep, which
//  is the observer's share.
//
//  Highest lossless speed: ADCARD_SIM_SPEED is read when the library loads, so each
//  trial re-runs this program as a child with the speed in its environment. The child
//  drains the program's acquisition, either every 200 ms as the program does or as
//  fast as it can, and counts blocks lost (gaps in the scan counter, or an overrun).
//  Speeds double until a trial loses a block, then bisect.
//
// POSIX only (popen, /proc/self/exe). Run a release build:
//   build/sim-rel/bin/bench_sim_pacing
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "card/adcard.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr std::int16_t kQueue = 50;
constexpr std::int32_t kScans = 300;
constexpr std::int16_t kChannels = 4;
constexpr std::int32_t kRate = 10000;
constexpr std::size_t kBlockElements = kScans * kChannels + 2;
constexpr std::size_t kCounterElement = 1 + 3;  // scan 0, channel 3
constexpr auto kBlockPeriod = std::chrono::milliseconds(30);
constexpr int kOverrunCode = -5;
constexpr const char* kChildFlag = "--drain-child";

bool startProgramsAcquisition() {
    StopIntr();
    return Initial(0, 0, 0, 0) != 0 && StartIntr(kQueue, kScans, 0, kChannels, kRate, 0, 1) != 0;
}

std::uint16_t firstCounter(const std::vector<std::int16_t>& block) {
    return static_cast<std::uint16_t>(block[kCounterElement]);
}

// --- Pacing ------------------------------------------------------------------------

struct Pacing {
    int blocks = 0;
    int lost = 0;
    double worstLateMs = 0;         // upper bound: seen at this poll
    double worstLateAtLeastMs = 0;  // lower bound: not yet there at the previous poll
    double meanLateMs = 0;
    double worstOversleepMs = 0;
    double meanOversleepMs = 0;
    double startCallMs = 0;
    double firstStartCallMs = 0;
};

// StopIntr, Initial, StartIntr as the program does; the StartIntr call is timed.
bool timedStart(double& callMs) {
    StopIntr();
    if (Initial(0, 0, 0, 0) == 0) return false;
    const Clock::time_point before = Clock::now();
    const bool started = StartIntr(kQueue, kScans, 0, kChannels, kRate, 0, 1) != 0;
    callMs = Milliseconds(Clock::now() - before).count();
    return started;
}

Pacing measurePacing(std::chrono::seconds window) {
    Pacing result;
    if (!timedStart(result.firstStartCallMs)) return result;
    StopIntr();

    std::vector<std::int16_t> block(kBlockElements);
    std::vector<double> lateness;
    double oversleepSum = 0;
    int polls = 0;
    std::uint16_t expected = 0;
    const Clock::time_point start = Clock::now();
    if (!timedStart(result.startCallMs)) return result;
    const Clock::time_point end = start + window;
    Clock::time_point previous = start;
    double atLeast = std::numeric_limits<double>::lowest();
    for (Clock::time_point poll = start + std::chrono::milliseconds(1); poll <= end;
         poll += std::chrono::milliseconds(1)) {
        std::this_thread::sleep_until(poll);
        const Clock::time_point now = Clock::now();
        const double oversleep = Milliseconds(now - poll).count();
        result.worstOversleepMs = std::max(result.worstOversleepMs, oversleep);
        oversleepSum += oversleep;
        ++polls;
        for (int waiting = QueryBuf(); waiting > 0; --waiting) {
            if (ADResult(block.data()) != 1) break;
            ++result.blocks;
            const Clock::time_point deadline = start + result.blocks * kBlockPeriod;
            lateness.push_back(Milliseconds(now - deadline).count());
            atLeast = std::max(atLeast, Milliseconds(previous - deadline).count());
            if (firstCounter(block) != expected) ++result.lost;
            expected = static_cast<std::uint16_t>(firstCounter(block) + kScans);
        }
        previous = now;
    }
    StopIntr();
    if (!lateness.empty()) {
        result.worstLateMs = *std::max_element(lateness.begin(), lateness.end());
        result.worstLateAtLeastMs = std::max(atLeast, 0.0);
        double sum = 0;
        for (double late : lateness) sum += late;
        result.meanLateMs = sum / static_cast<double>(lateness.size());
    }
    result.meanOversleepMs = polls > 0 ? oversleepSum / polls : 0;
    return result;
}

void BM_ProgramsPacing(benchmark::State& state) {
    if (const char* speed = std::getenv("ADCARD_SIM_SPEED"); speed != nullptr && *speed != 0) {
        state.SkipWithError("ADCARD_SIM_SPEED is set; pacing is measured at the real rate");
        return;
    }
    Pacing pacing;
    for (auto _ : state) pacing = measurePacing(std::chrono::seconds(10));
    state.counters["blocks"] = pacing.blocks;
    state.counters["nominal_blocks"] = 10.0 / 0.030;
    state.counters["lost_blocks"] = pacing.lost;
    state.counters["worst_late_ms"] = pacing.worstLateMs;
    state.counters["worst_late_at_least_ms"] = pacing.worstLateAtLeastMs;
    state.counters["mean_late_ms"] = pacing.meanLateMs;
    state.counters["worst_poll_oversleep_ms"] = pacing.worstOversleepMs;
    state.counters["mean_poll_oversleep_ms"] = pacing.meanOversleepMs;
    state.counters["start_call_ms"] = pacing.startCallMs;
    state.counters["first_start_call_ms"] = pacing.firstStartCallMs;
}
BENCHMARK(BM_ProgramsPacing)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- Highest lossless speed ---------------------------------------------------------

// In the child: drain for `seconds`, sleeping `pollMicroseconds` between polls (0:
// poll continuously), print "<blocks> <lost>".
int drainChild(long pollMicroseconds, double seconds) {
    std::vector<std::int16_t> block(kBlockElements);
    long blocks = 0;
    long lost = 0;
    std::uint16_t expected = 0;
    if (!startProgramsAcquisition()) return 2;
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        if (pollMicroseconds > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(pollMicroseconds));
        } else {
            std::this_thread::yield();
        }
        for (int waiting = QueryBuf(); waiting > 0; --waiting) {
            if (ADResult(block.data()) != 1) break;
            ++blocks;
            if (firstCounter(block) != expected) ++lost;
            expected = static_cast<std::uint16_t>(firstCounter(block) + kScans);
        }
    }
    // An overrun the counter could not show (a gap of a multiple of 65536 scans).
    if (lost == 0 && GetLastADError() == kOverrunCode) lost = 1;
    StopIntr();
    std::printf("%ld %ld\n", blocks, lost);
    return 0;
}

std::string selfPath() {
    std::array<char, 4096> path{};
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    return length > 0 ? std::string(path.data(), static_cast<std::size_t>(length)) : std::string();
}

struct Trial {
    bool ran = false;
    long blocks = 0;
    long lost = 0;
};

Trial runTrial(double speed, long pollMicroseconds, double seconds) {
    // The child inherits the environment; this process's library has long been loaded.
    setenv("ADCARD_SIM_SPEED", std::to_string(speed).c_str(), 1);
    const std::string command = "'" + selfPath() + "' " + kChildFlag + " " +
                                std::to_string(pollMicroseconds) + " " + std::to_string(seconds);
    Trial trial;
    if (std::FILE* child = popen(command.c_str(), "r")) {
        trial.ran = std::fscanf(child, "%ld %ld", &trial.blocks, &trial.lost) == 2;
        trial.ran = pclose(child) == 0 && trial.ran;
    }
    unsetenv("ADCARD_SIM_SPEED");
    return trial;
}

void BM_HighestLosslessSpeed(benchmark::State& state) {
    const long pollMicroseconds = state.range(0);
    const double seconds = pollMicroseconds > 0 ? 2.0 : 1.0;
    constexpr double kMaxSpeed = 10000;  // the simulator refuses more
    double good = 0;
    double bad = 0;
    int trials = 0;
    for (auto _ : state) {
        const auto lossless = [&](double speed) {
            ++trials;
            const Trial trial = runTrial(speed, pollMicroseconds, seconds);
            if (!trial.ran) state.SkipWithError("a trial child failed");
            return trial.ran && trial.lost == 0;
        };
        std::vector<double> ladder;
        for (double speed = 1; speed < kMaxSpeed; speed *= 2) ladder.push_back(speed);
        ladder.push_back(kMaxSpeed);
        for (double speed : ladder) {
            if (!lossless(speed)) {
                bad = speed;
                break;
            }
            good = speed;
        }
        for (int round = 0; round < 5 && bad > 0 && good > 0; ++round) {
            const double middle = (good + bad) / 2;
            (lossless(middle) ? good : bad) = middle;
        }
    }
    state.counters["max_lossless_speed"] = good;
    state.counters["first_lossy_speed"] = bad;  // 0: none lost up to the simulator's limit
    state.counters["trials"] = trials;
    state.counters["trial_s"] = seconds;
}
// 200 ms: the program's own poll. 0: draining continuously.
BENCHMARK(BM_HighestLosslessSpeed)
    ->ArgName("poll_us")
    ->Arg(200000)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string_view(argv[1]) == kChildFlag) {
        return drainChild(std::atol(argv[2]), std::atof(argv[3]));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
