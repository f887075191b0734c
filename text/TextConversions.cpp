#include "text/TextConversions.h"

#include <array>
#include <cstdio>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tqv::text {

namespace {

// The library parsers are no use for reading what an operator typed: they honour
// the locale, skip every kind of leading white space and accept "inf", "nan" and
// hexadecimal floats. The scan below decides what belongs to the number itself and
// hands only validated digits to std::from_chars for the correct rounding.

// Only these three are dropped; anything else (CR, no-break space, full-width
// characters, stray bytes of broken UTF-8) has to end the number, so isspace and
// friends are deliberately not used.
bool isDroppedBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

std::string withoutBlanks(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (const char c : text) {
        if (!isDroppedBlank(c)) {
            compact.push_back(c);
        }
    }
    return compact;
}

bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c, int radix) {
    int value = radix;  // "no digit" unless matched below
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    }
    return value < radix ? value : -1;
}

// Hexadecimal and octal literals name a bit pattern, not a magnitude: a pattern
// that fits 16 bits is a 16-bit integer (so &HFFFF is -1), anything up to 32 bits
// a 32-bit one.
std::optional<double> readRadixLiteral(std::string_view digits, int radix) {
    constexpr uint64_t widest = 0xFFFF'FFFFu;
    uint64_t value = 0;
    for (const char c : digits) {
        const int digit = digitValue(c, radix);
        if (digit < 0) {
            break;
        }
        value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(digit);
        // Stopping at the first excess digit keeps the accumulator from wrapping on a
        // long run; the literal cannot come back into range once it has left it.
        if (value > widest) {
            return std::nullopt;
        }
    }
    if (value <= 0xFFFFu) {
        return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(value)));
    }
    return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

// More significant digits than this cannot change how a decimal rounds to a double
// (767 is the worst case); what lies beyond only matters as "zero or not", which
// one extra non-zero digit records.
constexpr std::size_t keptDigits = 800;

// Exponents are clamped well before they could overflow; any exponent this large
// already puts every representable mantissa far outside the range of a double.
constexpr int64_t exponentClamp = int64_t{1} << 40;

// Decimal exponents of the leading digit beyond which the value is certainly
// infinite or certainly zero; between them std::from_chars decides.
constexpr int64_t largestLeadingExponent = 308;
constexpr int64_t smallestLeadingExponent = -400;

std::optional<double> readDecimal(std::string_view text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const double zero = negative ? -0.0 : 0.0;

    // The mantissa reduces to its significant digits and the decimal exponent of the
    // first of them: value = 0.<significant> * 10^leadExponent.
    std::string significant;
    significant.reserve(keptDigits + 32);  // digits, sticky digit and exponent
    bool sticky = false;
    int64_t leadExponent = 0;
    bool anyDigit = false;
    bool seenPoint = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (!isDecimalDigit(c)) {
            break;
        }
        anyDigit = true;
        if (significant.empty() && c == '0') {
            if (seenPoint) {
                --leadExponent;
            }
            continue;
        }
        if (!seenPoint) {
            ++leadExponent;
        }
        if (significant.size() < keptDigits) {
            significant.push_back(c);
        } else if (c != '0') {
            sticky = true;
        }
    }
    if (!anyDigit) {
        return 0.0;
    }

    // An "E" counts only with at least one digit after it; otherwise it is just the
    // first character that does not fit.
    int64_t exponent = 0;
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
        std::size_t at = pos + 1;
        bool exponentNegative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            exponentNegative = text[at] == '-';
            ++at;
        }
        if (at < text.size() && isDecimalDigit(text[at])) {
            for (; at < text.size() && isDecimalDigit(text[at]); ++at) {
                if (exponent < exponentClamp) {
                    exponent = exponent * 10 + (text[at] - '0');
                }
            }
            if (exponentNegative) {
                exponent = -exponent;
            }
        }
    }

    if (significant.empty()) {
        return zero;
    }
    // leadExponent is bounded by the text length, exponent by the clamp: no overflow.
    const int64_t scientific = leadExponent + exponent - 1;
    if (scientific > largestLeadingExponent) {
        return std::nullopt;
    }
    if (scientific < smallestLeadingExponent) {
        return zero;
    }

    if (sticky) {
        significant.push_back('1');
    } else {
        while (significant.back() == '0') {
            significant.pop_back();
        }
    }
    const int64_t scale = scientific + 1 - static_cast<int64_t>(significant.size());
    significant.push_back('e');
    std::array<char, 24> scaleText{};
    const auto written =
        std::to_chars(scaleText.data(), scaleText.data() + scaleText.size(), scale);
    significant.append(scaleText.data(), written.ptr);

    double magnitude = 0.0;
    const char* const first = significant.data();
    const char* const last = first + significant.size();
    const auto [end, error] =
        std::from_chars(first, last, magnitude, std::chars_format::scientific);
    if (error == std::errc::result_out_of_range) {
        // from_chars reports both ends of the range the same way; the exponent says
        // which one it was.
        if (scientific >= 0) {
            return std::nullopt;
        }
        return zero;
    }
    if (error != std::errc{} || end != last) {
        return std::nullopt;  // cannot happen: the text was built above
    }
    return negative ? -magnitude : magnitude;
}

// Ties go to the even neighbour whatever rounding mode the FPU is in: floor is
// mode-independent and value - floor(value) is exact for every double.
std::optional<double> roundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) {
        rounded = below + 1.0;
    }
    return rounded;
}

template <typename Int>
std::optional<Int> roundToRange(double value) {
    const std::optional<double> rounded = roundHalfEven(value);
    if (!rounded || *rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        *rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(*rounded);
}

template <typename Unsigned>
std::string upperHex(Unsigned value) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), digits[static_cast<std::size_t>(value & 0xFu)]);
        value = static_cast<Unsigned>(value >> 4u);
    } while (value != 0);
    return out;
}

}  // namespace

std::string plainDecimal(int64_t value) {
    std::array<char, 24> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), written.ptr);
}

std::string fixedDecimals(double value, int decimals) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string numberText(int64_t value) {
    // The space stands where a minus sign would, so positive and negative numbers
    // line up in captions.
    return value < 0 ? plainDecimal(value) : " " + plainDecimal(value);
}

std::string hexText(int16_t value) { return upperHex(static_cast<uint16_t>(value)); }

std::string hexText(int32_t value) { return upperHex(static_cast<uint32_t>(value)); }

std::optional<double> numericPrefix(std::string_view text) {
    const std::string compact = withoutBlanks(text);
    const std::string_view rest = compact;
    if (rest.size() >= 2 && rest[0] == '&') {
        if (rest[1] == 'H' || rest[1] == 'h') {
            return readRadixLiteral(rest.substr(2), 16);
        }
        if (rest[1] == 'O' || rest[1] == 'o') {
            return readRadixLiteral(rest.substr(2), 8);
        }
    }
    return readDecimal(rest);
}

std::optional<int16_t> roundTo16(double value) { return roundToRange<int16_t>(value); }

std::optional<int32_t> roundTo32(double value) { return roundToRange<int32_t>(value); }

std::optional<int16_t> prefixTo16(std::string_view text) {
    const std::optional<double> value = numericPrefix(text);
    return value ? roundTo16(*value) : std::nullopt;
}

std::optional<int32_t> prefixTo32(std::string_view text) {
    const std::optional<double> value = numericPrefix(text);
    return value ? roundTo32(*value) : std::nullopt;
}

std::optional<double> finiteDecimal(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace tqv::text
