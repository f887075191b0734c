// The scans the ring of acquired blocks holds, addressed by their index since the
// buffers were made, so that a reader that remembers where it stopped can ask for
// everything after it: the pieces of the ring that hold those scans (two where the
// ring wraps) and how many scans fell out of the ring before the reader came back.
// Reads the ring in place; copies nothing and allocates nothing.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "session/AcquiredBlocks.h"
#include "session/StartParameters.h"

namespace tqv::instrument {

// How long tqv-serve's ring keeps the scans for its clients: two seconds at the simulated
// card's fastest rate (a million scans a second), so a client that fetches once a second
// loses nothing at any speed.
inline constexpr double KeptSeconds = 2;
// The ring's length in blocks of these parameters for that: 6667 of the panel's blocks,
// 16 MB; at the card's own rate, 200 s.
int16_t keptRingBlocks(const session::StartParameters& parameters);

struct ScanSpan {
    // Interleaved samples, oldest first: pieces[0] then pieces[1].
    std::array<std::span<const int16_t>, 2> pieces;
    int64_t firstScan = 0;
    int64_t scans = 0;
    // Scans between the one asked for and the first the ring still holds.
    int64_t overwritten = 0;
};

class RingScans {
public:
    explicit RingScans(const session::AcquiredBlocks& blocks) : m_blocks(blocks) {}

    // Index of the scan after the newest stored one, since the buffers were made.
    int64_t endScan() const;
    // Index of the oldest scan the ring still holds.
    int64_t beginScan() const;
    // Every scan from `firstScan` (or the oldest held, if that one is gone) to the newest.
    ScanSpan since(int64_t firstScan) const;
    // The newest `scans` scans, or as many as the ring holds.
    ScanSpan newest(int64_t scans) const;

private:
    const session::AcquiredBlocks& m_blocks;
};

}  // namespace tqv::instrument
