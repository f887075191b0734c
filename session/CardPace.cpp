#include "session/CardPace.h"

#include "text/TextConversions.h"

namespace tqv::session {

std::string cardPaceText(int64_t delivered, double expected) {
    if (expected <= 0 || delivered <= 0) return {};
    const double ratio = static_cast<double>(delivered) / expected;
    if (ratio >= OffPaceFactor) {
        return "the card delivers about " + text::fixedDecimals(ratio, ratio < 10 ? 1 : 0) +
               "\u00d7 the blocks its start parameters ask for";
    }
    if (ratio <= 1 / OffPaceFactor) {
        return "the card delivers about 1/" + text::fixedDecimals(1 / ratio, ratio > 0.1 ? 1 : 0) +
               " of the blocks its start parameters ask for";
    }
    return {};
}

}  // namespace tqv::session
