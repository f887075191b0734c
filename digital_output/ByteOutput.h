// Writing a whole digital-output byte, typed in hexadecimal, to port 0 or 1.
#pragma once

#include "window/FormContext.h"

namespace tqv::digital_output {

// cmdSWO clicked: the port (bounded above by 1) and the low byte of the hex value
// go to Tqv_DO; DoByte(0) keeps the byte. Neither text box is rewritten.
void outputByte(window::FormContext& ctx);

}  // namespace tqv::digital_output
