#include "digital_output/BitOutput.h"

#include <algorithm>

#include "text/TextConversions.h"

namespace tqv::digital_output {

using window::Control;

namespace {

constexpr int16_t kFirstChannel = 1;
constexpr int16_t kLastChannel = 16;

}  // namespace

void onChannelTextChanged(window::FormContext& ctx) {
    const auto typed = text::prefixTo16(ctx.ui.text(Control::txtDOChn));
    if (!typed) {
        // Leave the operator's text and the spinner as they are.
        ctx.ui.beep();
        return;
    }
    int16_t channel = *typed;
    if (channel < kFirstChannel) channel = kFirstChannel;
    if (channel > kLastChannel) channel = kLastChannel;
    ctx.ui.setSpinnerValue(Control::UpDownBitNum, channel);
    ctx.ui.setText(Control::txtDOChn, text::numberText(channel));
}

void onSpinnerChanged(window::FormContext& ctx) {
    ctx.ui.setText(Control::txtDOChn, text::numberText(ctx.ui.spinnerValue(Control::UpDownBitNum)));
}

void toggleOutputValue(window::FormContext& ctx) {
    // Compared unrounded: 0.3 counts as set here although the output click sends 0.
    const auto value = text::numericPrefix(ctx.ui.text(Control::txtDOValue));
    if (!value) {
        ctx.ui.beep();
        return;
    }
    ctx.ui.setText(Control::txtDOValue, text::numberText(*value == 0 ? 1 : 0));
}

void outputBit(window::FormContext& ctx) {
    const auto typedValue = text::prefixTo16(ctx.ui.text(Control::txtDOValue));
    if (!typedValue) {
        ctx.ui.beep();
        return;
    }
    const int16_t value = *typedValue != 0 ? 1 : 0;
    ctx.ui.setText(Control::txtDOValue, text::numberText(value));

    const auto typedChannel = text::prefixTo16(ctx.ui.text(Control::txtDOChn));
    if (!typedChannel) {
        ctx.ui.beep();
        return;
    }
    // The channel handler keeps the text at 16 or below, so only the low end needs care.
    const int16_t channel = *typedChannel <= 0 ? kFirstChannel : *typedChannel;
    ctx.session.writeBit(static_cast<int16_t>(channel - 1), value);
}

}  // namespace tqv::digital_output
