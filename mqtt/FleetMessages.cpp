#include "mqtt/FleetMessages.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

namespace tqv::mqtt {

namespace {

using nlohmann::json;

json valueOrNull(const std::optional<double>& value) {
    return value ? json(*value) : json(nullptr);
}

template <typename T>
void putIfSet(json& object, const char* key, const std::optional<T>& value) {
    if (value) object[key] = *value;
}

// Bytes that are no UTF-8 (a file name) become U+FFFD rather than stop the message.
std::string dumped(const json& object) {
    return object.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string statusJson(const BenchStatus& status, const std::string& time) {
    json object{{"online", status.online},
                {"program", status.program},
                {"acquiring", status.acquiring},
                {"blocks", status.blocks},
                {"blocksLost", status.blocksLost},
                {"errorCode", status.errorCode},
                {"recording", nullptr},
                {"time", time}};
    if (status.recordingFile) {
        object["recording"] = json{{"file", *status.recordingFile}, {"gaps", status.recordingGaps}};
    }
    return dumped(object);
}

std::string readoutJson(const std::vector<instrument::ChannelFigures>& channels,
                        const std::string& time) {
    json list = json::array();
    for (const auto& figures : channels) {
        list.push_back(json{{"channel", figures.channel},
                            {"unit", figures.unit},
                            {"minimum", valueOrNull(figures.minimum)},
                            {"maximum", valueOrNull(figures.maximum)},
                            {"mean", valueOrNull(figures.mean)},
                            {"rms", valueOrNull(figures.rms)},
                            {"frequency", valueOrNull(figures.frequencyHz)}});
    }
    return dumped(json{{"time", time}, {"channels", list}});
}

std::string selftestJson(const std::vector<selftest::CheckResult>& checks, bool passed,
                         const std::string& program, const std::string& time) {
    json list = json::array();
    for (const auto& check : checks) {
        list.push_back(json{{"name", check.name},
                            {"outcome", std::string(selftest::outcomeText(check.outcome))},
                            {"summary", check.summary},
                            {"figures", check.figures},
                            {"seconds", check.duration.count()}});
    }
    return dumped(json{{"time", time}, {"program", program}, {"passed", passed}, {"checks", list}});
}

std::string eventJson(const BenchEvent& event, const std::string& time) {
    json object{{"time", time}, {"event", event.event}};
    if (event.event == "gap") {
        object["cause"] = event.cause.value_or("");
        object["blocks"] = event.blocks ? json(*event.blocks) : json(nullptr);
    }
    putIfSet(object, "errorCode", event.errorCode);
    putIfSet(object, "file", event.file);
    putIfSet(object, "gaps", event.gaps);
    return dumped(object);
}

std::string utcNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
}

}  // namespace tqv::mqtt
