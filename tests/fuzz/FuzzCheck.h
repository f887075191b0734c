// What both fuzz targets use to report a broken rule: the input shown with every
// byte readable, what was expected and what happened, then abort() so libFuzzer
// saves the input as a crash file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

// For the harness's own loops over the input: they are not what the fuzzer should
// be steered by, and instrumenting every byte they compare costs executions.
#define TQV_FUZZ_UNGUIDED __attribute__((no_sanitize("coverage")))

namespace tqv::fuzz {

// The text as a C string literal body: printable ASCII as is, everything else
// as \xHH, so control characters and broken UTF-8 survive a terminal and a log.
// Very long texts are shortened in the middle.
inline std::string escaped(std::string_view text) {
    constexpr std::size_t shown = 160;
    std::string out;
    const auto put = [&out](char c) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            static constexpr char digits[] = "0123456789abcdef";
            out += "\\x";
            out += digits[byte >> 4u];
            out += digits[byte & 0xFu];
        }
    };
    if (text.size() <= 2 * shown) {
        for (const char c : text) put(c);
    } else {
        for (const char c : text.substr(0, shown)) put(c);
        out += "\"...(" + std::to_string(text.size() - 2 * shown) + " bytes)...\"";
        for (const char c : text.substr(text.size() - shown)) put(c);
    }
    return "\"" + out + "\"";
}

inline std::string described(std::optional<double> value) {
    if (!value) return "empty (does not fit)";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", *value);
    return buffer;
}

template <typename Int>
std::string described(std::optional<Int> value) {
    if (!value) return "empty (does not fit)";
    return std::to_string(*value);
}

[[noreturn]] inline void fail(std::string_view rule, std::string_view context,
                              const std::string& expected, const std::string& actual) {
    std::fprintf(stderr,
                 "\n==== broken rule: %.*s\n     context:  %.*s\n     expected: %s\n"
                 "     actual:   %s\n",
                 static_cast<int>(rule.size()), rule.data(), static_cast<int>(context.size()),
                 context.data(), expected.c_str(), actual.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace tqv::fuzz
