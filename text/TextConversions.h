// The text conversions every handler shares: how numbers are shown in captions and
// text boxes, and how an operator's typed text is read back as a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tqv::text {

// Decimal with one leading space for 0 and above, "-" for negatives: " 5", "-5".
std::string numberText(int64_t value);

// Decimal without the leading space: "5", "-5".
std::string plainDecimal(int64_t value);

// A figure with `decimals` digits after the point, as printf's "%.*f": "2.50", "-0.4".
std::string fixedDecimals(double value, int decimals);

// Upper-case hexadecimal of the value at the width it is held in, no prefix, no
// leading zeros: 0 gives "0", -1 gives "FFFF" at 16 bits and "FFFFFFFF" at 32.
std::string hexText(int16_t value);
std::string hexText(int32_t value);

// The number at the start of a text, as an operator means it:
//  - spaces, tabs and line feeds are dropped wherever they stand (no other
//    character: a carriage return, a no-break space or a full-width digit ends the
//    number like any other character that does not fit);
//  - "&H"/"&O" (either case) introduce hexadecimal/octal digits; a value that fits
//    16 bits is read as signed 16-bit (&HFFFF is -1), a larger one as signed 32-bit;
//  - otherwise the longest leading decimal: optional sign, digits with at most one
//    period, optional exponent (E or e, optional sign, digits); the period is the
//    decimal separator whatever the locale;
//  - a text without a numeric beginning gives 0.
// Empty when the number does not fit at all: beyond the range of a double, or a
// hexadecimal/octal value beyond 32 bits (leading zeros do not count).
std::optional<double> numericPrefix(std::string_view text);

// The whole text a finite decimal number ("2.5", "-1e-3"), the period as separator
// whatever the locale, nothing before or after it; empty otherwise. For values typed
// in a unit (a calibration point, a trigger level), not the panel's own boxes.
std::optional<double> finiteDecimal(std::string_view text);

// To the nearest integer, exactly halfway going to the even neighbour (0.5 -> 0,
// 1.5 -> 2, 2.5 -> 2). Empty when the result lies outside the signed range.
std::optional<int16_t> roundTo16(double value);
std::optional<int32_t> roundTo32(double value);

// numericPrefix followed by the rounding; empty when either step does not fit.
std::optional<int16_t> prefixTo16(std::string_view text);
std::optional<int32_t> prefixTo32(std::string_view text);

}  // namespace tqv::text
