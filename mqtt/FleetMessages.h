// The JSON a bench publishes, one function per topic, pure so that a test reads exactly
// what a subscriber gets. Times are ISO 8601 in UTC; a measurement that has no value
// ("none") is null.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "instrument/SignalReadout.h"
#include "selftest/CheckResult.h"

namespace tqv::mqtt {

struct BenchStatus {
    bool online = true;
    std::string program;
    bool acquiring = false;
    int64_t blocks = 0;
    int64_t blocksLost = 0;
    int32_t errorCode = 0;
    // Empty when nothing records.
    std::optional<std::string> recordingFile;
    int64_t recordingGaps = 0;

    bool operator==(const BenchStatus&) const = default;
};

// tqv/<bench>/status: {"online", "program", "acquiring", "blocks", "blocksLost",
// "errorCode", "recording": {"file", "gaps"} or null, "time"}.
std::string statusJson(const BenchStatus& status, const std::string& time);

// tqv/<bench>/readout: {"time", "channels": [{"channel", "unit", "minimum", "maximum",
// "mean", "rms", "frequency"}]}.
std::string readoutJson(const std::vector<instrument::ChannelFigures>& channels,
                        const std::string& time);

// tqv/<bench>/selftest: {"time", "program", "passed", "checks": [{"name", "outcome",
// "summary", "figures", "seconds"}]}: the facts the JUnit report holds.
std::string selftestJson(const std::vector<selftest::CheckResult>& checks, bool passed,
                         const std::string& program, const std::string& time);

// tqv/<bench>/event: {"time", "event", ...}: "start", "stop", "gap" (with "cause" and
// "blocks", null where unknown), "card error" (with "errorCode"), "recording started" and
// "recording ended" (with "file" and "gaps").
struct BenchEvent {
    explicit BenchEvent(std::string name) : event(std::move(name)) {}
    std::string event;
    std::optional<std::string> cause;
    std::optional<int64_t> blocks;
    std::optional<int32_t> errorCode;
    std::optional<std::string> file;
    std::optional<int64_t> gaps;
};
std::string eventJson(const BenchEvent& event, const std::string& time);

// Now, as the messages carry it: "2026-01-31T12:00:00.123Z".
std::string utcNow();

}  // namespace tqv::mqtt
