#include "scpi/ResponseFormat.h"

#include <cmath>
#include <cstdio>

namespace tqv::scpi {

std::string quotedString(std::string_view text) {
    std::string quoted = "\"";
    quoted.reserve(text.size() + 2);
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string realText(std::optional<double> value) {
    if (!value || !std::isfinite(*value)) return std::string(NotANumber);
    char digits[40];
    std::snprintf(digits, sizeof digits, "%.10G", *value == 0 ? 0.0 : *value);
    return digits;
}

std::string blockHeader(std::size_t bytes) {
    const std::string length = std::to_string(bytes);
    return "#" + std::to_string(length.size()) + length;
}

}  // namespace tqv::scpi
