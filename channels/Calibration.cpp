#include "channels/Calibration.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tqv::channels {

namespace {

constexpr int LowestCode = std::numeric_limits<int16_t>::min();
constexpr int HighestCode = std::numeric_limits<int16_t>::max();

char* writeFixed(char* out, double value, int decimals) {
    // Never "-0.000": a value that rounds to zero reads as zero.
    const double shown = value == 0 ? 0.0 : value;
    return std::to_chars(out, out + Calibration::MaxValueChars, shown, std::chars_format::fixed,
                         decimals)
        .ptr;
}

std::string numberText(double value) {
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}  // namespace

Calibration::Calibration() : m_points{{{0, 0.0}, {1, 1.0}}} {}

Calibration::Calibration(std::array<CalibrationPoint, 2> points) : m_points(points) {
    const auto& [a, b] = m_points;
    m_gain = (b.value - a.value) / static_cast<double>(b.code - a.code);
    m_identity = m_gain == 1.0 && value(0) == 0.0;
}

std::variant<Calibration, std::string> Calibration::fromPoints(CalibrationPoint first,
                                                               CalibrationPoint second) {
    for (const auto& point : {first, second}) {
        if (point.code < LowestCode || point.code > HighestCode) {
            return "a code is a whole number from -32768 to 32767, not " +
                   std::to_string(point.code);
        }
        if (!std::isfinite(point.value)) return std::string("a value is a finite number");
    }
    if (first.code == second.code) {
        return "the two points have the same code (" + std::to_string(first.code) +
               "): they give no line";
    }
    if (first.value == second.value) {
        return "the two points have the same value (" + numberText(first.value) +
               "): every code would read alike";
    }
    Calibration line({first, second});
    for (const int code : {LowestCode, HighestCode}) {
        if (!(std::abs(line.value(code)) <= LargestValue)) {
            return "the line reaches " + numberText(line.value(code)) + " at code " +
                   std::to_string(code) + ", beyond the largest value kept, 1e15";
        }
    }
    const auto decimals = line.decimalsThatGiveBackEveryCode();
    if (!decimals) {
        return "the two values are too close together for their size: no text of them "
               "gives back every code";
    }
    line.m_decimals = *decimals;
    return line;
}

double Calibration::value(double code) const {
    const auto& [a, b] = m_points;
    const double t = (code - a.code) / static_cast<double>(b.code - a.code);
    return std::lerp(a.value, b.value, t);
}

double Calibration::span(double codes) const { return std::abs(m_gain * codes); }

std::optional<int16_t> Calibration::nearestCode(double value) const {
    const auto& [a, b] = m_points;
    const double t = (value - a.value) / (b.value - a.value);
    const double code = std::round(a.code + t * static_cast<double>(b.code - a.code));
    if (!(code >= LowestCode && code <= HighestCode)) return std::nullopt;
    return static_cast<int16_t>(code);
}

double Calibration::rms(double meanCode, double rmsCode) const {
    // Each value is offset + gain × code, so its mean square follows from the codes'.
    const double offset = value(0);
    const double meanSquare =
        offset * offset + 2 * offset * m_gain * meanCode + m_gain * m_gain * rmsCode * rmsCode;
    return std::sqrt(std::max(meanSquare, 0.0));
}

char* Calibration::write(char* out, int16_t code) const {
    if (m_identity) return std::to_chars(out, out + MaxValueChars, code).ptr;
    return writeFixed(out, value(code), m_decimals);
}

std::string Calibration::text(double value, int moreDecimals) const {
    char text[MaxValueChars + MaxDecimals];
    const int decimals = std::clamp(m_decimals + moreDecimals, 0, MaxDecimals);
    return std::string(text, writeFixed(text, value, decimals));
}

std::optional<int> Calibration::decimalsThatGiveBackEveryCode() const {
    // A step of 10^-d below the value of one code is about enough; the check decides.
    const int estimate =
        std::clamp(static_cast<int>(std::floor(-std::log10(std::abs(m_gain)))), 0, MaxDecimals);
    char text[MaxValueChars];
    for (int decimals = estimate; decimals <= MaxDecimals; ++decimals) {
        bool every = true;
        for (int code = LowestCode; code <= HighestCode && every; ++code) {
            const char* end = writeFixed(text, value(code), decimals);
            double read = 0;
            std::from_chars(text, end, read);
            every = nearestCode(read) == code;
        }
        if (every) return decimals;
    }
    return std::nullopt;
}

}  // namespace tqv::channels
