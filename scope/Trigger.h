// The scope's edge trigger: where in the ring, oldest first, the source channel last
// crossed a level in the chosen direction.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tqv::scope {

enum class Slope { Rising, Falling };

// Off: the newest span, untriggered. Auto: the newest triggered span, or the newest
// span when there is no trigger. Normal: the newest triggered span, or the last one
// shown. Single: the first triggered span, then frozen until re-armed.
enum class TriggerMode { Off, Auto, Normal, Single };

struct TriggerSettings {
    TriggerMode mode = TriggerMode::Off;
    int source = 0;
    Slope slope = Slope::Rising;
    // In codes; none: the middle of the source's stored samples.
    std::optional<int> level;
    // Share of the span before the trigger point, 0..1.
    double position = 0.5;
    bool operator==(const TriggerSettings&) const = default;
};

// An edge: the first sample at or beyond `level` (above for rising, below for falling)
// after the signal was `hysteresis` codes or more on the other side of it, so that
// noise about the level is not an edge.
struct EdgeSearch {
    int source = 0;
    Slope slope = Slope::Rising;
    int level = 0;
    int hysteresis = 1;
};

// The newest edge at a scan in [earliest, latest] of the interleaved `scans`. Searches
// back from `latest` and stops at the first edge found: no allocation, and a periodic
// signal costs about one period.
std::optional<int64_t> findTrigger(std::span<const int16_t> scans, int channelCount,
                                   const EdgeSearch& edge, int64_t earliest, int64_t latest);

}  // namespace tqv::scope
