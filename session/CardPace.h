// Whether a card delivers blocks at the pace its start parameters ask for: a count off
// by a large factor is no drifting clock but a card paced for another scan rate, or a
// simulated card run faster or slower than real time. The self-test's acquisition check
// and the scope's status line judge alike.
#pragma once

#include <cstdint>
#include <string>

namespace tqv::session {

// A count this many times the clock's, or this share of it, is off pace.
inline constexpr double OffPaceFactor = 1.5;

// "the card delivers about 100× the blocks its start parameters ask for", "... about
// 1/4.0 of the blocks ..."; empty within the factor, or with nothing delivered or due.
std::string cardPaceText(int64_t delivered, double expected);

}  // namespace tqv::session
