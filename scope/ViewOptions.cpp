#include "scope/ViewOptions.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "scope/TimeBase.h"
#include "text/TextConversions.h"

namespace tqv::scope {

namespace {

std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<int> levelCode(std::string_view text, const channels::Channel& channel) {
    text = trimmed(text);
    if (text.ends_with(channel.unit))
        text = trimmed(text.substr(0, text.size() - channel.unit.size()));
    if (channel.inCodes()) {
        const auto code = wholeNumber(text);
        if (!code || *code < -32768 || *code > 32767) return std::nullopt;
        return code;
    }
    const auto value = text::finiteDecimal(text);
    if (!value) return std::nullopt;
    return channel.calibration.nearestCode(*value);
}

std::variant<int, std::string> parseSpanOption(std::string_view text) {
    const auto ms = wholeNumber(text);
    if (!ms || std::find(SpanChoicesMs.begin(), SpanChoicesMs.end(), *ms) == SpanChoicesMs.end()) {
        return "--span takes 1, 2, 5, 10, 20, 50, 100 or 200 (milliseconds) or 0 (the whole "
               "ring), not " +
               quoted(text);
    }
    return *ms;
}

std::variant<TriggerSettings, std::string> parseTriggerOption(std::string_view text,
                                                              int channelCount,
                                                              const channels::ChannelSetup& setup) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    const std::string usage = "--trigger takes CH,rising|falling[,LEVEL], not " + quoted(text);
    if (parts.size() < 2 || parts.size() > 3) return usage;
    TriggerSettings trigger;
    trigger.mode = TriggerMode::Auto;
    const auto channel = wholeNumber(parts[0]);
    if (!channel || *channel < 0 || *channel >= channelCount) {
        return "--trigger: the channel is 0 to " + std::to_string(channelCount - 1) + ", not " +
               quoted(parts[0]);
    }
    trigger.source = *channel;
    if (parts[1] == "rising") {
        trigger.slope = Slope::Rising;
    } else if (parts[1] == "falling") {
        trigger.slope = Slope::Falling;
    } else {
        return usage;
    }
    if (parts.size() == 3) {
        const auto& source = setup.channel(trigger.source);
        const auto level = levelCode(parts[2], source);
        if (!level || parts[2].empty()) {
            if (source.inCodes()) {
                return "--trigger: the level is a code from -32768 to 32767, not " +
                       quoted(parts[2]);
            }
            const double a = source.calibration.value(-32768);
            const double b = source.calibration.value(32767);
            return "--trigger: the level is a value in " + source.unit + " from " +
                   source.calibration.text(std::min(a, b)) + " to " +
                   source.calibration.text(std::max(a, b)) + ", not " + quoted(parts[2]);
        }
        trigger.level = *level;
    }
    return trigger;
}

}  // namespace tqv::scope
