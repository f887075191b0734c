// Setting one digital-output bit: the channel number (1..16) chosen by text or
// spinner, the value (0/1) toggled by a double-click, and the output click.
#pragma once

#include "window/FormContext.h"

namespace tqv::digital_output {

// txtDOChn changed: bound the number to 1..16, set the spinner, rewrite the text.
// The spinner and the text box raise each other; the exchange ends once both hold
// the same bounded number, because writing an unchanged value raises nothing.
void onChannelTextChanged(window::FormContext& ctx);

// UpDownBitNum changed: its value into txtDOChn, where the channel handler bounds it.
void onSpinnerChanged(window::FormContext& ctx);

// Double-click on txtDOValue: 0 becomes " 1", anything else " 0". Nothing is sent.
void toggleOutputValue(window::FormContext& ctx);

// cmdDOOutput clicked: the value forced to 0/1 and written back, then Tqv_DOBit.
void outputBit(window::FormContext& ctx);

}  // namespace tqv::digital_output
