#include "card/sim/SimConfig.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <utility>

namespace tqv::sim {

namespace {

constexpr std::string_view kBlanks = " \t";

std::vector<std::string_view> splitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t pos = text.find_first_not_of(kBlanks);
    while (pos != std::string_view::npos) {
        const std::size_t end = text.find_first_of(kBlanks, pos);
        words.push_back(text.substr(pos, end == std::string_view::npos ? end : end - pos));
        pos = end == std::string_view::npos ? end : text.find_first_not_of(kBlanks, end);
    }
    return words;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// The whole word must be the number: "12x" and "" are not numbers.
std::optional<long long> wholeInteger(std::string_view word, long long low, long long high) {
    long long value = 0;
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (error != std::errc{} || stop != end || value < low || value > high) return std::nullopt;
    return value;
}

template <typename T, std::size_t Count>
std::optional<std::array<T, Count>> integerList(std::string_view text) {
    const std::vector<std::string_view> words = splitWords(text);
    if (words.size() != Count) return std::nullopt;
    std::array<T, Count> values{};
    for (std::size_t i = 0; i < Count; ++i) {
        const auto value =
            wholeInteger(words[i], std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
        if (!value) return std::nullopt;
        values[i] = static_cast<T>(*value);
    }
    return values;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string identityText(const Identity& identity) {
    return std::to_string(identity[0]) + " " + std::to_string(identity[1]) + " " +
           std::to_string(identity[2]);
}

std::optional<std::string> nonEmpty(const std::optional<std::string>& value) {
    if (!value || value->empty()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<Identity> parseIdentity(std::string_view text) {
    return integerList<std::uint8_t, 3>(text);
}

std::optional<InputWords> parseInputWords(std::string_view text) {
    return integerList<std::int16_t, 6>(text);
}

std::optional<FailRules> parseFailRules(std::string_view text) {
    FailRules rules;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t comma = text.find(',', pos);
        const std::string_view entry =
            trimmed(text.substr(pos, comma == std::string_view::npos ? comma : comma - pos));
        const std::size_t colon = entry.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        const std::string_view name = trimmed(entry.substr(0, colon));
        const auto value =
            wholeInteger(trimmed(entry.substr(colon + 1)), std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max());
        // A code of 0 would make the failure look like success to the panel.
        if (!value || *value == 0) return std::nullopt;
        std::optional<std::int32_t>* rule = nullptr;
        if (name == "Initial") rule = &rules.initial;
        if (name == "StartIntr") rule = &rules.startIntr;
        if (rule == nullptr || rule->has_value()) return std::nullopt;
        *rule = static_cast<std::int32_t>(*value);
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    return rules;
}

std::optional<double> parseSpeed(std::string_view text) {
    const std::string_view word = trimmed(text);
    double value = 0.0;
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (word.empty() || error != std::errc{} || stop != end) return std::nullopt;
    // from_chars also reads "inf" and "nan"; neither is a speed.
    if (!std::isfinite(value) || value < kMinSpeed || value > kMaxSpeed) return std::nullopt;
    return value;
}

ParsedConfig parseConfig(const ConfigStrings& strings) {
    ParsedConfig parsed;
    SimConfig& config = parsed.config;
    const auto problem = [&parsed](const char* variable, const std::string& value,
                                   const std::string& want, const std::string& fallback) {
        parsed.problems.push_back(std::string("adcard (simulated): ") + variable + "=" +
                                  quoted(value) + " is malformed (want " + want + "); using " +
                                  fallback);
    };

    if (const auto text = nonEmpty(strings.identity)) {
        if (const auto identity = parseIdentity(*text)) {
            config.identity = *identity;
        } else {
            problem(kIdentityVariable, *text, "three numbers 0..255 such as \"52 0 1\"",
                    "the default " + identityText(SimConfig::kDefaultIdentity));
        }
    }
    if (const auto text = nonEmpty(strings.fail)) {
        if (const auto rules = parseFailRules(*text)) {
            config.fail = *rules;
        } else {
            problem(kFailVariable, *text,
                    "Initial:CODE and/or StartIntr:CODE, comma-separated, CODE a nonzero "
                    "32-bit number",
                    "no failures");
        }
    }
    if (const auto text = nonEmpty(strings.inputs)) {
        if (const auto words = parseInputWords(*text)) {
            config.fixedInputs = *words;
        } else {
            problem(kInputsVariable, *text, "six numbers -32768..32767", "the outputs looped back");
        }
    }
    if (const auto text = nonEmpty(strings.speed)) {
        if (const auto speed = parseSpeed(*text)) {
            config.speed = *speed;
        } else {
            problem(kSpeedVariable, *text, "a number from 0.001 to 10000", "1");
        }
    }
    if (const auto text = nonEmpty(strings.trace)) config.tracePath = *text;
    return parsed;
}

ConfigStrings readEnvironment() {
    const auto read = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    };
    return ConfigStrings{read(kIdentityVariable), read(kFailVariable), read(kInputsVariable),
                         read(kSpeedVariable), read(kTraceVariable)};
}

SimConfig configFromEnvironment() {
    ParsedConfig parsed = parseConfig(readEnvironment());
    // C stdio rather than iostreams: this runs while the library loads, before any
    // iostream object of the host program is guaranteed to exist.
    for (const std::string& line : parsed.problems) std::fprintf(stderr, "%s\n", line.c_str());
    return std::move(parsed.config);
}

}  // namespace tqv::sim
