#include "scope/Cursors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "scope/ChannelText.h"

namespace tqv::scope {

namespace {

int clampCode(int64_t code) { return static_cast<int>(std::clamp<int64_t>(code, -32768, 32767)); }

// Milliseconds with the digits one scan needs: 0.1 ms at 10 kHz.
std::string millisecondsText(double seconds, int32_t scanRate) {
    const int decimals =
        std::clamp(static_cast<int>(std::ceil(std::log10(scanRate / 1000.0))), 0, 6);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f ms", decimals, seconds == 0 ? 0.0 : seconds * 1000.0);
    return text;
}

}  // namespace

void Cursors::place(int64_t axisScans, int lane, int low, int high) {
    m_axisScans = std::max<int64_t>(axisScans, 0);
    m_time = {m_axisScans / 4, m_axisScans * 3 / 4};
    setLane(lane, low, high);
}

void Cursors::setTime(int index, int64_t scan) {
    m_time[static_cast<std::size_t>(index & 1)] =
        std::clamp<int64_t>(scan, 0, std::max<int64_t>(m_axisScans - 1, 0));
}

void Cursors::setLevel(int index, int code) {
    m_level[static_cast<std::size_t>(index & 1)] = clampCode(code);
}

void Cursors::setLane(int lane, int low, int high) {
    m_lane = lane;
    const int64_t span = int64_t{high} - low;
    m_level = {clampCode(low + span / 4), clampCode(low + span * 3 / 4)};
}

void Cursors::activateNext() {
    m_active = static_cast<CursorId>((static_cast<int>(m_active) + 1) % 4);
}

void Cursors::moveActive(int64_t steps) {
    switch (m_active) {
        case CursorId::Time1:
        case CursorId::Time2: {
            const int index = m_active == CursorId::Time1 ? 0 : 1;
            setTime(index, time(index) + steps);
            break;
        }
        case CursorId::Level1:
        case CursorId::Level2: {
            const int index = m_active == CursorId::Level1 ? 0 : 1;
            setLevel(index, clampCode(level(index) + steps));
            break;
        }
    }
}

std::string cursorReadout(const Cursors& cursors, const ScopeModel& model,
                          const channels::Channel& levelChannel) {
    if (!cursors.shown()) return {};
    std::string text;
    const auto t1 = model.scanTime(cursors.time(0));
    const auto t2 = model.scanTime(cursors.time(1));
    if (t1 && t2) {
        const int32_t rate = model.scanRate();
        const double dt = *t2 - *t1;
        char frequency[64];
        if (dt == 0) {
            std::snprintf(frequency, sizeof frequency, "\u2014 Hz");
        } else {
            std::snprintf(frequency, sizeof frequency, "%.3f Hz", 1.0 / std::abs(dt));
        }
        text = "t1 " + millisecondsText(*t1, rate) + "   t2 " + millisecondsText(*t2, rate) +
               "   \u0394t " + millisecondsText(dt, rate) + "   1/\u0394t " + frequency;
    } else {
        text = "t1 scan " + std::to_string(cursors.time(0)) + "   t2 scan " +
               std::to_string(cursors.time(1)) + "   \u0394t " +
               std::to_string(cursors.time(1) - cursors.time(0)) + " scans";
    }
    const auto& calibration = levelChannel.calibration;
    const double v1 = calibration.value(cursors.level(0));
    const double v2 = calibration.value(cursors.level(1));
    text += "   " + laneTitle(cursors.lane(), levelChannel) + ": v1 " + unitText(levelChannel, v1) +
            "   v2 " + unitText(levelChannel, v2) + "   \u0394V " + unitText(levelChannel, v2 - v1);
    return text;
}

}  // namespace tqv::scope
