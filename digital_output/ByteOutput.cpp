#include "digital_output/ByteOutput.h"

#include "text/TextConversions.h"

namespace tqv::digital_output {

using window::Control;

void outputByte(window::FormContext& ctx) {
    const auto typedPort = text::prefixTo16(ctx.ui.text(Control::txtswChn));
    if (!typedPort) {
        ctx.ui.beep();
        return;
    }
    // No lower bound: the card decides what a port below 0 means.
    const int16_t port = *typedPort > 1 ? int16_t{1} : *typedPort;

    // The value box holds bare hexadecimal digits; the prefix makes them read so.
    const auto typedValue = text::prefixTo32("&H" + ctx.ui.text(Control::txtSWO_0));
    if (!typedValue) {
        ctx.ui.beep();
        return;
    }
    ctx.form.DoByte[0] = static_cast<int16_t>(*typedValue & 0xFF);
    ctx.session.writeByte(port, ctx.form.DoByte[0]);
}

}  // namespace tqv::digital_output
