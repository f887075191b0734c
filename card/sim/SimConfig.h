// The simulator's settings. The program itself configures nothing, so the settings
// come from environment variables read once when the library loads; parsing is kept
// apart from the environment so that it can be tested with plain strings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tqv::sim {

inline constexpr const char* kIdentityVariable = "ADCARD_SIM_IDENTITY";
inline constexpr const char* kFailVariable = "ADCARD_SIM_FAIL";
inline constexpr const char* kInputsVariable = "ADCARD_SIM_DI";
inline constexpr const char* kSpeedVariable = "ADCARD_SIM_SPEED";
inline constexpr const char* kTraceVariable = "ADCARD_SIM_TRACE";

using Identity = std::array<std::uint8_t, 3>;  // IOCtl reply bytes 0, 1 and 4
using InputWords = std::array<std::int16_t, 6>;

// Faster than this, a block of a few scans would be due every few nanoseconds and
// the acquisition thread could do nothing but fall behind. Slower than this, a block
// is due in days, and block deadlines in nanoseconds leave the clock's range.
inline constexpr double kMaxSpeed = 10000.0;
inline constexpr double kMinSpeed = 0.001;

struct FailRules {
    std::optional<std::int32_t> initial;    // every Initial fails with this code
    std::optional<std::int32_t> startIntr;  // every StartIntr fails with this code
};

struct SimConfig {
    static constexpr Identity kDefaultIdentity{52, 0, 1};

    Identity identity = kDefaultIdentity;
    FailRules fail;
    std::optional<InputWords> fixedInputs;  // empty: outputs looped back to inputs
    double speed = 1.0;                     // acquisition runs this many times too fast
    std::string tracePath;                  // empty: no trace
};

// The raw values; an unset variable is empty, and so is one set to "" (so that
// `ADCARD_SIM_SPEED= program` means "default", as it does in most shell habits).
struct ConfigStrings {
    std::optional<std::string> identity;
    std::optional<std::string> fail;
    std::optional<std::string> inputs;
    std::optional<std::string> speed;
    std::optional<std::string> trace;
};

struct ParsedConfig {
    SimConfig config;
    std::vector<std::string> problems;  // one line each, no line feed; for standard error
};

// A malformed value leaves that setting at its default and adds a problem naming
// the variable.
ParsedConfig parseConfig(const ConfigStrings& strings);

// "b0 b1 b4": three decimal bytes separated by spaces or tabs.
std::optional<Identity> parseIdentity(std::string_view text);
// "Initial:-3,StartIntr:-7": each function at most once, codes nonzero 32-bit decimals.
std::optional<FailRules> parseFailRules(std::string_view text);
// Six signed 16-bit decimals separated by spaces or tabs.
std::optional<InputWords> parseInputWords(std::string_view text);
// A decimal number from kMinSpeed to kMaxSpeed.
std::optional<double> parseSpeed(std::string_view text);

ConfigStrings readEnvironment();

// Reads the environment, reports each problem on standard error, returns the result.
SimConfig configFromEnvironment();

}  // namespace tqv::sim
