// What the simulated card lets a test observe: its call trace (ADCARD_SIM_TRACE) and
// the scan counter it writes on channel 3 (and every fourth channel after it).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "card/adcard.h"

namespace tqv::test {

inline std::vector<std::string> traceLines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// The counter of the first of `scans` scans laid out scan after scan, when each scan's
// counter in `column` is one more than the last (wrapping at 16 bits); else nothing.
inline std::optional<std::uint16_t> counterRun(const std::int16_t* samples, std::size_t scans,
                                               std::size_t channels, std::size_t column) {
    const auto at = [&](std::size_t s) {
        return static_cast<std::uint16_t>(samples[s * channels + column]);
    };
    for (std::size_t s = 1; s < scans; ++s) {
        if (at(s) != static_cast<std::uint16_t>(at(s - 1) + 1U)) return std::nullopt;
    }
    return at(0);
}

// For liveness only: generous, so a slow machine never fails a test by waiting.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::seconds patience = std::chrono::seconds(20)) {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Calls a card function with the arguments -1, 2, -3, ... (null for an address) and
// returns its result with the trace line the call must write.
struct SampleCall {
    long long result;
    std::string line;
};

inline int sampleArgument(std::size_t i) { return static_cast<int>(i % 2 == 0 ? -(i + 1) : i + 1); }

template <typename R, typename... A>
SampleCall callWithSampleArguments(const char* name, R(ADCARD_CALL* function)(A...)) {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        const long long result = function([&] {
            if constexpr (std::is_pointer_v<A>)
                return A{nullptr};
            else
                return static_cast<A>(sampleArgument(I));
        }()...);
        std::string line = name;
        ((line +=
          std::is_pointer_v<A> ? std::string(" *") : " " + std::to_string(sampleArgument(I))),
         ...);
        return SampleCall{result, line + " -> " + std::to_string(result)};
    }
    (std::index_sequence_for<A...>{});
}

}  // namespace tqv::test
