#include "window/StartupHandler.h"

#include <algorithm>

#include "text/TextConversions.h"

namespace tqv::window {

namespace {

// A one-digit part is padded to two digits without the leading space ("07"); a
// longer one keeps its number text, space included (" 42").
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

void loadForm(FormContext& ctx) {
    ctx.dll.RingBlocks = 20;
    ctx.dll.RingPos = 0;
    ctx.form.BlockCount = 0;

    std::copy(IdentityCommand.begin(), IdentityCommand.end(), ctx.dll.CmdBuf.begin());
    // The result says nothing the reply bytes do not; they are read whatever happened.
    ctx.card.IOCtl(100, ctx.dll.CmdBuf.data(), 100, ctx.dll.ReplyBuf.data());

    ctx.ui.setCaption(Control::lblCardInfo, cardInfoCaption(ctx.dll.ReplyBuf));
    ctx.ui.setEnabled(Control::cmdStart, true);
    ctx.ui.setEnabled(Control::cmdStop, false);
}

}  // namespace tqv::window
