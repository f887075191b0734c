// Fuzzes how an operator's typed text is read as a number: numericPrefix and the
// roundings on top of it, with the number texts the handlers write back.
//
// Every input is used four ways: as typed text as it stands, turned into a text of
// decimal-number characters only (checked against the C library's strtod), turned
// into a hexadecimal/octal literal (checked against a plain digit-run reading), and
// as the source of integers whose number texts must read back exactly.

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "tests/fuzz/FuzzCheck.h"
#include "text/TextConversions.h"

namespace {

using tqv::fuzz::described;
using tqv::fuzz::escaped;
using tqv::fuzz::fail;
namespace text = tqv::text;

TQV_FUZZ_UNGUIDED bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

TQV_FUZZ_UNGUIDED std::string withoutBlanks(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (const char c : in) {
        if (!isBlank(c)) out += c;
    }
    return out;
}

// The same answer, down to the bit pattern (the sign of a zero included).
bool same(std::optional<double> a, std::optional<double> b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || std::bit_cast<uint64_t>(*a) == std::bit_cast<uint64_t>(*b);
}

// The FPU's default mode rounds halfway cases to even: the reference for roundTo16/32.
template <typename Int>
std::optional<Int> referenceRound(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

// Rounding of a value that fits: roundTo16/32 agree with the reference.
void checkRounding(std::string_view typed, double value) {
    const auto reference16 = referenceRound<int16_t>(value);
    const auto reference32 = referenceRound<int32_t>(value);
    const auto rounded16 = text::roundTo16(value);
    const auto rounded32 = text::roundTo32(value);
    if (rounded16 != reference16) {
        fail("roundTo16 rounds half to even, empty outside -32768..32767",
             "text " + escaped(typed) + ", value " + described(std::optional<double>(value)),
             described(reference16), described(rounded16));
    }
    if (rounded32 != reference32) {
        fail("roundTo32 rounds half to even, empty outside the 32-bit range",
             "text " + escaped(typed) + ", value " + described(std::optional<double>(value)),
             described(reference32), described(rounded32));
    }
}

// Everything that must hold for any text whatever it holds; gives numericPrefix.
std::optional<double> checkText(std::string_view typed, std::size_t blankAt) {
    const std::optional<double> prefix = text::numericPrefix(typed);
    if (prefix && !std::isfinite(*prefix)) {
        fail("a number that fits is finite", "text " + escaped(typed), "finite",
             described(prefix));
    }

    // The roundings are numericPrefix followed by roundTo16/32, and those round half
    // to even within the signed range.
    const std::optional<int16_t> to16 = text::prefixTo16(typed);
    const std::optional<int32_t> to32 = text::prefixTo32(typed);
    const std::optional<int16_t> expected16 = prefix ? text::roundTo16(*prefix) : std::nullopt;
    const std::optional<int32_t> expected32 = prefix ? text::roundTo32(*prefix) : std::nullopt;
    if (to16 != expected16) {
        fail("prefixTo16 == roundTo16(numericPrefix)", "text " + escaped(typed),
             described(expected16), described(to16));
    }
    if (to32 != expected32) {
        fail("prefixTo32 == roundTo32(numericPrefix)", "text " + escaped(typed),
             described(expected32), described(to32));
    }
    if (prefix) checkRounding(typed, *prefix);

    // A 16-bit result is a 32-bit one too, and its number text reads back to it.
    if (to16) {
        if (to32 != std::optional<int32_t>(*to16)) {
            fail("a value that fits 16 bits gives the same 32-bit value", "text " + escaped(typed),
                 described(to16), described(to32));
        }
        const std::string shown = text::numberText(*to16);
        if (text::prefixTo16(shown) != to16) {
            fail("numberText(v) reads back to v",
                 "text " + escaped(typed) + ", number text " + escaped(shown), described(to16),
                 described(text::prefixTo16(shown)));
        }
    }
    if (to32) {
        const std::string shown = text::numberText(*to32);
        if (text::prefixTo32(shown) != to32) {
            fail("numberText(v) reads back to v (32-bit)",
                 "text " + escaped(typed) + ", number text " + escaped(shown), described(to32),
                 described(text::prefixTo32(shown)));
        }
    }

    // Spaces, tabs and line feeds are dropped wherever they stand: in front, and
    // anywhere inside.
    std::string variant = " \t\n" + std::string(typed);
    for (int round = 0; round < 2; ++round) {
        const std::optional<double> again = text::numericPrefix(variant);
        if (!same(again, prefix)) {
            fail("blanks do not change the number",
                 "text " + escaped(typed) + " vs " + escaped(variant), described(prefix),
                 described(again));
        }
        variant.assign(typed).insert(blankAt % (typed.size() + 1), "\n \t");
    }
    return prefix;
}

TQV_FUZZ_UNGUIDED bool onlyDecimalCharacters(std::string_view typed) {
    for (const char c : typed) {
        if (std::strchr("0123456789.eE+- \t\n", c) == nullptr || c == '\0') return false;
    }
    return true;
}

// Texts of decimal-number characters only: the reading must be the correctly
// rounded double of the longest leading number, which is what strtod gives in the
// C locale for this alphabet (no letters but E/e, so no "inf", "nan" or "0x").
void checkAgainstStrtod(std::string_view typed, std::optional<double> prefix) {
    if (!onlyDecimalCharacters(typed)) return;
    const std::string compact = withoutBlanks(typed);
    const double reference = std::strtod(compact.c_str(), nullptr);
    const std::string context = "decimal text " + escaped(typed);
    if (std::isinf(reference)) {
        if (prefix) fail("a number beyond a double does not fit", context, "empty",
                         described(prefix));
        return;
    }
    if (!prefix || *prefix != reference) {
        fail("the decimal reading is the correctly rounded double (strtod)", context,
             described(std::optional<double>(reference)), described(prefix));
    }
}

// "&H"/"&O" literals read as a plain digit run: leading zeros do not count, more
// than 32 bits does not fit, a 16-bit pattern is signed 16-bit, else signed 32-bit.
TQV_FUZZ_UNGUIDED void checkRadixLiteral(std::string_view typed, std::optional<double> prefix) {
    const std::string compact = withoutBlanks(typed);
    if (compact.size() < 2 || compact[0] != '&') return;
    int radix = 0;
    if (compact[1] == 'H' || compact[1] == 'h') radix = 16;
    if (compact[1] == 'O' || compact[1] == 'o') radix = 8;
    if (radix == 0) return;

    std::size_t end = 2;
    const auto isDigit = [radix](char c) {
        if (c >= '0' && c <= '7') return true;
        if (radix == 8) return false;
        return (c >= '8' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    while (end < compact.size() && isDigit(compact[end])) ++end;
    std::size_t begin = 2;
    while (begin < end && compact[begin] == '0') ++begin;
    const std::string_view digits = std::string_view(compact).substr(begin, end - begin);

    std::optional<double> expected;
    const std::size_t widest = radix == 16 ? 8 : 11;
    if (digits.size() <= widest) {
        uint64_t pattern = 0;
        if (!digits.empty()) {
            std::from_chars(digits.data(), digits.data() + digits.size(), pattern, radix);
        }
        if (pattern <= 0xFFFFu) {
            expected = static_cast<int16_t>(static_cast<uint16_t>(pattern));
        } else if (pattern <= 0xFFFF'FFFFu) {
            expected = static_cast<int32_t>(static_cast<uint32_t>(pattern));
        }
    }
    if (!same(prefix, expected)) {
        fail("a hexadecimal/octal literal reads as its bit pattern",
             "literal text " + escaped(typed), described(expected), described(prefix));
    }
}

template <typename Int>
void expectReading(const std::string& shown, Int value, const char* rule) {
    const auto parsed = text::numericPrefix(shown);
    const auto expected = static_cast<double>(value);
    if (!parsed || *parsed != expected) {
        fail(rule, "text " + escaped(shown), described(std::optional<double>(expected)),
             described(parsed));
    }
}

// Integers taken from the input: their texts, in every form the program writes or
// an operator types, read back exactly.
void checkIntegerTexts(const uint8_t* data, std::size_t size) {
    uint64_t raw = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        raw = (raw << 8u) | (i < size ? data[i] : 0u);
    }
    const auto v64 = static_cast<int64_t>(raw);
    const auto v32 = static_cast<int32_t>(static_cast<uint32_t>(raw >> 32u));
    const auto v16 = static_cast<int16_t>(static_cast<uint16_t>(raw >> 48u));
    const auto p32 = static_cast<uint32_t>(v32);
    const auto p16 = static_cast<uint16_t>(v16);

    // Decimal; a 64-bit integer reads as its nearest double like any other decimal.
    expectReading(text::numberText(v64), v64, "numberText of an integer reads back");
    expectReading(text::plainDecimal(v64), v64, "plainDecimal of an integer reads back");
    expectReading(text::numberText(v32), v32, "numberText of a 32-bit integer reads back");
    if (text::prefixTo16(text::numberText(v16)) != std::optional<int16_t>(v16)) {
        fail("numberText(v) reads back to v via prefixTo16", "value " + std::to_string(v16),
             std::to_string(v16), described(text::prefixTo16(text::numberText(v16))));
    }

    // Hexadecimal: the 16-bit text of a 16-bit value, in either case, with or without
    // leading zeros.
    const std::string hex16 = text::hexText(v16);
    for (const std::string& shown : {"&H" + hex16, "&h000" + hex16, " & H " + hex16}) {
        expectReading(shown, v16, "&H + hexText(int16) reads back");
    }
    // The 32-bit text reads back too, except 32768..65535, whose pattern fits 16 bits
    // and so reads as a negative 16-bit number.
    const std::string hex32 = text::hexText(v32);
    const int64_t expected32 = (v32 >= 0x8000 && v32 <= 0xFFFF) ? v32 - 0x10000 : v32;
    expectReading("&H" + hex32, expected32, "&H + hexText(int32) reads as its bit pattern");

    // Octal.
    char octal[16];
    auto written = std::to_chars(octal, octal + sizeof octal, p16, 8);
    expectReading("&O" + std::string(octal, written.ptr), v16, "&O + octal 16-bit pattern");
    written = std::to_chars(octal, octal + sizeof octal, p32, 8);
    expectReading("&o" + std::string(octal, written.ptr), expected32, "&o + octal 32-bit pattern");

    // One to fifteen decimal digits (exact in a double), leading zeros allowed.
    for (const std::size_t length : {std::size_t{1}, std::size_t{4}, std::size_t{15}}) {
        if (length > size) break;
        std::string digits;
        int64_t value = 0;
        for (std::size_t i = 0; i < length; ++i) {
            const auto digit = static_cast<int64_t>(data[i] % 10u);
            digits += static_cast<char>('0' + digit);
            value = value * 10 + digit;
        }
        expectReading(digits, value, "a digit run reads as its integer value");
        const std::optional<int16_t> expected16 =
            value <= 32767 ? std::optional<int16_t>(static_cast<int16_t>(value)) : std::nullopt;
        if (text::prefixTo16(digits) != expected16) {
            fail("a digit run gives its integer value via prefixTo16", "text " + escaped(digits),
                 described(expected16), described(text::prefixTo16(digits)));
        }
    }
}

TQV_FUZZ_UNGUIDED std::string mapped(const uint8_t* data, std::size_t size, std::string_view alphabet) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = alphabet[data[i] % alphabet.size()];
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    const std::size_t blankAt = size > 0 ? data[size - 1] : 0;

    // The text as typed.
    const std::optional<double> prefix = checkText(typed, blankAt);
    checkAgainstStrtod(typed, prefix);
    checkRadixLiteral(typed, prefix);

    // A text made only of one to four digits gives its integer value.
    if (size >= 1 && size <= 4 &&
        typed.find_first_not_of("0123456789") == std::string_view::npos) {
        int value = 0;
        for (const char c : typed) value = value * 10 + (c - '0');
        if (text::prefixTo16(typed) != std::optional<int16_t>(static_cast<int16_t>(value))) {
            fail("[0-9]{1,4} gives its integer value", "text " + escaped(typed),
                 std::to_string(value), described(text::prefixTo16(typed)));
        }
    }

    // The same bytes as a decimal-number text, and as a hexadecimal/octal literal.
    const std::string decimal = mapped(data, size, "0123456789.eE+-0 \t\n");
    const std::optional<double> decimalValue = text::numericPrefix(decimal);
    if (decimalValue) checkRounding(decimal, *decimalValue);
    checkAgainstStrtod(decimal, decimalValue);

    if (size >= 1) {
        static constexpr std::string_view headers[] = {"&H", "&h", "&O", "&o",
                                                       " & H", "&\th", "\n&O", "& o "};
        const std::string literal =
            std::string(headers[data[0] % 8u]) +
            mapped(data + 1, size - 1, "0123456789ABCDEFabcdef000 \t\nG.");
        const std::optional<double> literalValue = text::numericPrefix(literal);
        if (literalValue) checkRounding(literal, *literalValue);
        checkRadixLiteral(literal, literalValue);
    }

    checkIntegerTexts(data, size);
    return 0;
}
