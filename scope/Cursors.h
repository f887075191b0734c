// Two time cursors and two level cursors, kept on the samples: the time cursors at whole
// scans of the time axis, the level cursors at whole codes of one lane, so that what
// they read is what was stored, whatever the pixels.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "channels/ChannelSetup.h"
#include "scope/ScopeModel.h"

namespace tqv::scope {

enum class CursorId { Time1, Time2, Level1, Level2 };

class Cursors {
public:
    bool shown() const { return m_shown; }
    void setShown(bool shown) { m_shown = shown; }

    // The time cursors at a quarter and three quarters of an axis of `axisScans`, the
    // level cursors at a quarter and three quarters of codes `low` to `high` of `lane`.
    void place(int64_t axisScans, int lane, int low, int high);
    // The axis the time cursors were placed on: a view of another length places them anew.
    int64_t axisScans() const { return m_axisScans; }

    // Scans from the axis's left end.
    int64_t time(int index) const { return m_time[static_cast<std::size_t>(index & 1)]; }
    void setTime(int index, int64_t scan);
    int lane() const { return m_lane; }
    int level(int index) const { return m_level[static_cast<std::size_t>(index & 1)]; }
    void setLevel(int index, int code);
    // The level cursors moved to another lane, at a quarter and three quarters of its codes.
    void setLane(int lane, int low, int high);

    // The cursor the keys move.
    CursorId active() const { return m_active; }
    void setActive(CursorId cursor) { m_active = cursor; }
    // t1, t2, v1, v2, then t1 again.
    void activateNext();
    // The active cursor `steps` scans later or codes higher (negative: earlier, lower).
    void moveActive(int64_t steps);

private:
    bool m_shown = false;
    int64_t m_axisScans = 0;
    std::array<int64_t, 2> m_time{};
    int m_lane = 0;
    std::array<int, 2> m_level{};
    CursorId m_active = CursorId::Time1;
};

// "t1 150.0 ms   t2 450.0 ms   Δt 300.0 ms   1/Δt 3.333 Hz   Ch 0: v1 1248   v2 2848   ΔV
// 1600", the levels in the lane's unit ("Supply: v1 -2.500 V ..."); times from the
// model's time origin (the trigger point when triggered), "—" for 1/Δt where Δt is 0.
// UTF-8. Empty while the cursors are hidden.
std::string cursorReadout(const Cursors& cursors, const ScopeModel& model,
                          const channels::Channel& levelChannel);

}  // namespace tqv::scope
