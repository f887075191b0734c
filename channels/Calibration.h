// The line from a channel's codes to its unit, through two (code, value) points an
// engineer measured: apply a known reference, note the code the card gives, twice.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace tqv::channels {

struct CalibrationPoint {
    int code = 0;
    double value = 0;
    bool operator==(const CalibrationPoint&) const = default;
};

class Calibration {
public:
    // The most digits after the point a value is written with, and the longest text
    // one value takes ("-999999999999999.99999999999999999").
    static constexpr int MaxDecimals = 17;
    static constexpr std::size_t MaxValueChars = 40;
    // Values beyond this size are refused: a double no longer holds them to a code.
    static constexpr double LargestValue = 1e15;

    // The identity: each code is its own value.
    Calibration();

    // The line through two points: codes from −32768 to 32767 that differ, finite values
    // that differ, and a line whose values, written with at most MaxDecimals digits
    // after the point, give back every code. Otherwise why not, in a sentence.
    static std::variant<Calibration, std::string> fromPoints(CalibrationPoint first,
                                                             CalibrationPoint second);

    const std::array<CalibrationPoint, 2>& points() const { return m_points; }
    // Codes are their own values (whatever the points that say so).
    bool identity() const { return m_identity; }

    // The value of a code, or of a fraction of one (a mean); exact at both points.
    double value(double code) const;
    // Value per code: negative where the points run the other way.
    double gain() const { return m_gain; }
    // How much of the unit a number of codes spans (a peak-to-peak, a difference):
    // never negative.
    double span(double codes) const;
    // The code whose value is nearest, none where it lies beyond −32768 .. 32767.
    std::optional<int16_t> nearestCode(double value) const;
    // The RMS in the unit of samples whose codes have this mean and RMS.
    double rms(double meanCode, double rmsCode) const;

    // Digits after the point that give back every code.
    int decimals() const { return m_decimals; }
    // The value of `code` with decimals() digits after the point; returns the end.
    // `out` must have room for MaxValueChars.
    char* write(char* out, int16_t code) const;
    // Any value with decimals() + `moreDecimals` digits after the point.
    std::string text(double value, int moreDecimals = 0) const;

    bool operator==(const Calibration& other) const { return m_points == other.m_points; }

private:
    explicit Calibration(std::array<CalibrationPoint, 2> points);
    // The fewest decimals that give back every code; none when no count does.
    std::optional<int> decimalsThatGiveBackEveryCode() const;

    std::array<CalibrationPoint, 2> m_points;
    double m_gain = 1;
    bool m_identity = true;
    int m_decimals = 0;
};

}  // namespace tqv::channels
