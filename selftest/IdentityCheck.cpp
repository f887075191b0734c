#include "selftest/IdentityCheck.h"

#include <algorithm>
#include <cstdint>

#include "card/DllDef.h"
#include "text/TextConversions.h"
#include "window/StartupHandler.h"

namespace tqv::selftest {

namespace {

// Written over the whole reply before the call: a card that answers overwrites at
// least one of the identity bytes, since no card is named 165 165 of type 165.
constexpr uint8_t kUntouchedPattern = 0xA5;

}  // namespace

CheckResult checkIdentity(card::CardLibrary& card) {
    CheckResult result;
    result.name = "identity";
    card::DllDef dll;
    std::copy(window::IdentityCommand.begin(), window::IdentityCommand.end(), dll.CmdBuf.begin());
    std::fill(dll.ReplyBuf.begin(), dll.ReplyBuf.end(), kUntouchedPattern);

    const int32_t status = card.IOCtl(100, dll.CmdBuf.data(), 100, dll.ReplyBuf.data());
    if (status == 0) {
        result.outcome = Outcome::Fail;
        result.summary = "IOCtl failed, error code " + text::plainDecimal(card.GetLastADError());
        return result;
    }
    const bool untouched =
        std::all_of(window::IdentityReplyBytes.begin(), window::IdentityReplyBytes.end(),
                    [&](std::size_t i) { return dll.ReplyBuf[i] == kUntouchedPattern; });
    if (untouched) {
        result.outcome = Outcome::Fail;
        result.summary = "IOCtl returned " + text::plainDecimal(status) +
                         " but left the identity bytes of the reply untouched";
        return result;
    }
    result.outcome = Outcome::Pass;
    result.summary = window::cardInfoCaption(dll.ReplyBuf);
    return result;
}

}  // namespace tqv::selftest
