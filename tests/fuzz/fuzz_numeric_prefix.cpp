// Fuzzes how an operator's typed text is read as a number against references that
// share no code with it: the FPU's own half-to-even rounding (nearbyint), the C
// library's strtod for decimal texts, a digit-run model of "&H"/"&O" literals and
// the dropping of blanks. Every input is used as typed, mapped onto decimal-number
// characters and mapped onto a hexadecimal/octal literal.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "tests/fuzz/FuzzCheck.h"
#include "text/TextConversions.h"

namespace {

namespace text = tqv::text;

template <typename Expected, typename Actual>
void expect(bool holds, std::string_view rule, std::string_view typed, const Expected& expected,
            const Actual& actual) {
    using tqv::fuzz::shown;
    if (!holds)
        tqv::fuzz::fail(rule, "text " + tqv::fuzz::escaped(typed), shown(expected), shown(actual));
}

std::string withoutBlanks(std::string_view in) {
    std::string out(in);
    std::erase_if(out, [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
    return out;
}

// The FPU's default mode rounds ties to even.
template <typename Int>
std::optional<Int> nearest(std::optional<double> value) {
    const double rounded = value ? std::nearbyint(*value) : NAN;
    const bool fits =
        rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max();
    return fits ? std::optional<Int>(static_cast<Int>(rounded)) : std::nullopt;
}

// What holds for any text at all; gives the text's numericPrefix.
std::optional<double> checkText(std::string_view typed, std::size_t blankAt) {
    const std::optional<double> prefix = text::numericPrefix(typed);
    expect(!prefix || std::isfinite(*prefix), "a number that fits is finite", typed, 0, prefix);
    const auto to16 = text::prefixTo16(typed);
    const auto to32 = text::prefixTo32(typed);
    expect(to16 == nearest<int16_t>(prefix) && (!prefix || text::roundTo16(*prefix) == to16),
           "prefixTo16 and roundTo16 round half to even within 16 bits", typed,
           nearest<int16_t>(prefix), to16);
    expect(to32 == nearest<int32_t>(prefix) && (!prefix || text::roundTo32(*prefix) == to32),
           "prefixTo32 and roundTo32 round half to even within 32 bits", typed,
           nearest<int32_t>(prefix), to32);
    // Spaces, tabs and line feeds are dropped wherever they stand.
    std::string variant = " \t\n" + std::string(typed);
    for (int round = 0; round < 2; ++round) {
        const auto again = text::numericPrefix(variant);
        expect(again == prefix, "spaces, tabs and line feeds change nothing", variant, prefix,
               again);
        variant.assign(typed).insert(blankAt % (typed.size() + 1), "\n \t");
    }
    return prefix;
}

// Decimal-number characters only: the longest leading number as the correctly rounded
// double, which strtod gives for this alphabet (no "inf", "nan" or "0x"); a number
// beyond a double does not fit.
void checkAgainstStrtod(std::string_view typed, std::optional<double> prefix) {
    if (typed.find_first_not_of("0123456789.eE+- \t\n") != std::string_view::npos) return;
    const double reference = std::strtod(withoutBlanks(typed).c_str(), nullptr);
    const auto expected = std::isinf(reference) ? std::nullopt : std::optional(reference);
    expect(prefix == expected, "a decimal text reads as strtod's double", typed, expected, prefix);
}

// A literal names a bit pattern: leading zeros do not count, more than 32 bits does
// not fit, a pattern of 16 bits is signed 16-bit, a longer one signed 32-bit.
void checkRadixLiteral(std::string_view typed, std::optional<double> prefix) {
    const std::string compact = withoutBlanks(typed);
    const bool hex = compact.starts_with("&H") || compact.starts_with("&h");
    if (!hex && !compact.starts_with("&O") && !compact.starts_with("&o")) return;
    const std::size_t end = std::min(
        compact.find_first_not_of(hex ? "0123456789ABCDEFabcdef" : "01234567", 2), compact.size());
    const std::size_t begin = std::min(compact.find_first_not_of('0', 2), end);
    uint64_t pattern = 0;
    std::from_chars(compact.data() + begin, compact.data() + end, pattern, hex ? 16 : 8);
    std::optional<double> expected;  // beyond 32 bits: does not fit
    if (end - begin <= (hex ? 8u : 11u) && pattern <= 0xFFFF'FFFFu) {
        expected =
            pattern > 0xFFFFu ? static_cast<int32_t>(pattern) : static_cast<int16_t>(pattern);
    }
    expect(prefix == expected, "a hexadecimal/octal literal reads as its bit pattern", typed,
           expected, prefix);
}

std::string mapped(const uint8_t* data, std::size_t size, std::string_view alphabet) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = alphabet[data[i] % alphabet.size()];
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    const std::size_t blankAt = size > 0 ? data[size - 1] : 0;
    const auto prefix = checkText(typed, blankAt);
    checkAgainstStrtod(typed, prefix);
    checkRadixLiteral(typed, prefix);

    const std::string decimal = mapped(data, size, "0123456789.eE+-0 \t\n");
    checkAgainstStrtod(decimal, checkText(decimal, blankAt));
    if (size > 0) {
        static constexpr std::string_view headers[] = {"&H",   "&h",   "&O",   "&o",
                                                       " & H", "&\th", "\n&O", "& o "};
        const std::string literal = std::string(headers[data[0] % 8u]) +
                                    mapped(data + 1, size - 1, "0123456789ABCDEFabcdef000 \t\nG.");
        checkRadixLiteral(literal, checkText(literal, blankAt));
    }
    return 0;
}
