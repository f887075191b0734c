#include "selftest/ExpectedSignal.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "text/TextConversions.h"

namespace tqv::selftest {

namespace {

std::vector<std::string_view> fields(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t colon = text.find(':'); colon != std::string_view::npos;
         colon = text.find(':', start)) {
        parts.push_back(text.substr(start, colon - start));
        start = colon + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

// The whole field a finite number, nothing before or after it.
std::optional<double> number(std::string_view field) { return text::finiteDecimal(field); }

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// At most `digits` significant digits, no trailing zeros: 0.6, 4000, 3200.5.
std::string significant(double value, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    return buffer;
}

// `decimals` decimals from 1 up; four significant digits below 1, where the decimals
// would say nothing, and from a million up, where they would fill the line.
std::string figure(double value, int decimals) {
    const double magnitude = std::abs(value);
    if ((magnitude > 0 && magnitude < 1) || magnitude >= 1e6) return significant(value, 4);
    return text::fixedDecimals(value, decimals);
}

// Hundredths of a hertz.
std::string hertz(double value) { return figure(value, 2); }

// Codes: whole as the card gives them; a fraction typed for an expected figure stays.
std::string codes(double value) { return significant(value, 6); }

// "3200" in codes, "10.000" in a unit: the digits that tell its codes apart.
std::string inUnit(double value, const channels::Channel& channel) {
    return channel.inCodes() ? codes(value) : channel.calibration.text(value);
}

// "3200 codes", "10.000 V".
std::string amount(double value, const channels::Channel& channel) {
    return inUnit(value, channel) + " " + (channel.inCodes() ? std::string("codes") : channel.unit);
}

bool within(double measured, double expected, double share) {
    return std::abs(measured - expected) <= share * expected;
}

}  // namespace

double MeasurableSignals::highestHz() const { return analysis::HighestScanRateShare * scanRate; }

std::variant<ExpectedSignal, std::string> parseExpectedSignal(std::string_view text,
                                                              const MeasurableSignals& measurable,
                                                              const channels::ChannelSetup& setup) {
    const int channelCount = measurable.channelCount;
    const auto parts = fields(text);
    if (parts.size() < 2 || parts.size() > 3) {
        return "--expect takes CH:FREQ or CH:FREQ:PKPK, not " + quoted(text);
    }
    int channel = -1;
    const auto [end, error] =
        std::from_chars(parts[0].data(), parts[0].data() + parts[0].size(), channel);
    if (parts[0].empty() || error != std::errc() || end != parts[0].data() + parts[0].size() ||
        channel < 0 || channel >= channelCount) {
        return "--expect: the channel is 0 to " + std::to_string(channelCount - 1) + ", not " +
               quoted(parts[0]);
    }
    const auto hz = number(parts[1]);
    if (!hz || !(*hz >= measurable.lowestHz()) || !(*hz <= measurable.highestHz())) {
        return "--expect: the frequency is from " + significant(measurable.lowestHz(), 4) +
               " Hz (three periods in the " + significant(measurable.seconds, 4) +
               " s measured, so that two whole ones lie between rising edges) to " +
               significant(measurable.highestHz(), 4) + " Hz (" +
               significant(analysis::HighestScanRateShare, 3) + " of the scan rate), not " +
               quoted(parts[1]);
    }
    ExpectedSignal expected{channel, *hz, std::nullopt};
    if (parts.size() == 3) {
        const auto peakToPeak = number(parts[2]);
        // From one code's step to the card's whole scale, in the channel's unit.
        const auto& measured = setup.channel(expected.channel);
        const double oneCode = measured.calibration.span(1);
        const double wholeScale = measured.calibration.span(65535);
        if (!peakToPeak || *peakToPeak < oneCode || *peakToPeak > wholeScale) {
            if (measured.inCodes()) {
                return "--expect: the peak-to-peak is a number of codes from 1 to 65535, not " +
                       quoted(parts[2]);
            }
            return "--expect: the peak-to-peak is a number of " + measured.unit + " from " +
                   measured.calibration.text(oneCode) + " (one code) to " +
                   measured.calibration.text(wholeScale) + " (channel " +
                   std::to_string(expected.channel) + "'s whole scale), not " + quoted(parts[2]);
        }
        expected.peakToPeak = *peakToPeak;
    }
    return expected;
}

std::variant<std::vector<ExpectedSignal>, std::string> parseExpectedSignals(
    std::span<const std::string> texts, const MeasurableSignals& measurable,
    const channels::ChannelSetup& setup) {
    std::vector<ExpectedSignal> signals;
    std::vector<std::string_view> given(
        static_cast<std::size_t>(std::max(measurable.channelCount, 0)));
    for (const std::string& text : texts) {
        auto parsed = parseExpectedSignal(text, measurable, setup);
        if (auto* error = std::get_if<std::string>(&parsed)) return *error;
        const auto& signal = std::get<ExpectedSignal>(parsed);
        auto& earlier = given[static_cast<std::size_t>(signal.channel)];
        if (!earlier.empty()) {
            return "--expect: channel " + std::to_string(signal.channel) + " is given twice (" +
                   quoted(earlier) + " and " + quoted(text) + "); one check per channel";
        }
        earlier = text;
        signals.push_back(signal);
    }
    return signals;
}

std::variant<SignalTolerance, std::string> parseSignalTolerance(std::string_view text) {
    const auto parts = fields(text);
    std::vector<double> shares;
    for (const auto part : parts) {
        const auto percent = number(part);
        if (parts.size() > 2 || !percent || *percent <= 0 || *percent > 100) {
            return "--tolerance takes PCT or FREQ_PCT:PKPK_PCT, each above 0 and up to 100, "
                   "not " +
                   quoted(text);
        }
        shares.push_back(*percent / 100);
    }
    return SignalTolerance{shares.front(), shares.back()};
}

CheckResult checkExpectedSignal(const ExpectedSignal& expected,
                                const analysis::SignalMeasurements& measured, double scanRate,
                                const SignalTolerance& tolerance,
                                const channels::Channel& channel) {
    CheckResult result;
    result.name = "channel " + std::to_string(expected.channel);
    const std::string prefix = result.name + ": ";
    const auto hz = measured.frequencyHz(scanRate);
    const double peakToPeak = channel.calibration.span(measured.range.peakToPeak());
    const std::string hzExpected = hertz(expected.hz) + " Hz expected";

    std::string reasons;
    const auto addReason = [&](const std::string& reason) {
        reasons += (reasons.empty() ? prefix : "; ") + reason;
    };
    if (measured.range.count == 0) {
        addReason(hzExpected + ", no samples measured");
    } else if (!hz) {
        addReason(hzExpected + ", none measured (" + analysis::describe(measured.noPeriod) + ")");
    } else if (!within(*hz, expected.hz, tolerance.frequency)) {
        addReason(hzExpected + ", " + hertz(*hz) + " Hz measured");
    }
    if (expected.peakToPeak && measured.range.count > 0 &&
        !within(peakToPeak, *expected.peakToPeak, tolerance.peakToPeak)) {
        addReason(amount(*expected.peakToPeak, channel) + " peak-to-peak expected, " +
                  inUnit(peakToPeak, channel) + " measured");
    }
    if (!reasons.empty()) {
        result.outcome = Outcome::Fail;
        result.summary = reasons;
        return result;
    }
    result.outcome = Outcome::Pass;
    result.summary = hertz(*hz) + " Hz (expected " + hertz(expected.hz) + ", limit " +
                     figure(tolerance.frequency * 100, 1) + " %)";
    if (expected.peakToPeak) {
        result.summary += ", " + amount(peakToPeak, channel) + " peak-to-peak (expected " +
                          inUnit(*expected.peakToPeak, channel) + ", limit " +
                          figure(tolerance.peakToPeak * 100, 1) + " %)";
    }
    return result;
}

}  // namespace tqv::selftest
