#include "session/CardIdentity.h"

#include "text/TextConversions.h"

namespace tqv::session {

namespace {

std::string namePart(uint8_t byte) {
    const std::string rendered = text::numberText(byte);
    if (rendered.size() == 2) return "0" + rendered.substr(1);
    return rendered;
}

}  // namespace

std::string cardInfoCaption(uint8_t namePart1, uint8_t namePart2, uint8_t type) {
    return "卡名:" + namePart(namePart1) + namePart(namePart2) + " 类型:" + text::numberText(type);
}

std::string cardInfoCaption(std::span<const uint8_t> reply) {
    return cardInfoCaption(reply[IdentityReplyBytes[0]], reply[IdentityReplyBytes[1]],
                           reply[IdentityReplyBytes[2]]);
}

}  // namespace tqv::session
