// How the fuzz targets report a broken rule: the input readable, what was expected and
// what happened, then abort(), so libFuzzer keeps the input and a corpus replay fails.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tqv::fuzz {

// A C string literal: printable ASCII as is, other bytes as \xHH (control characters
// and broken UTF-8 survive a terminal); a long text loses its middle.
inline std::string escaped(std::string_view text) {
    if (text.size() > 320) {
        return escaped(text.substr(0, 160)) + "...(" + std::to_string(text.size() - 320) +
               " bytes)..." + escaped(text.substr(text.size() - 160));
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') out += '\\';
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            out += {'\\', 'x', hex[byte >> 4u], hex[byte & 0xFu]};
        }
    }
    return out + "\"";
}

// A number, or what an empty std::optional means here.
template <typename T>
std::string shown(const T& value) {
    if constexpr (requires { value.has_value(); }) {
        return value ? shown(*value) : "empty (does not fit)";
    } else {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%.17g", static_cast<double>(value));
        return digits;
    }
}

[[noreturn]] inline void fail(std::string_view rule, const std::string& context,
                              const std::string& expected, const std::string& actual) {
    std::fprintf(
        stderr, "\n==== broken rule: %s\n     context:  %s\n     expected: %s\n     actual:   %s\n",
        std::string(rule).c_str(), context.c_str(), expected.c_str(), actual.c_str());
    std::abort();
}

}  // namespace tqv::fuzz
