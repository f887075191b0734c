// The window's load handler: start values, the card's identity, idle buttons.
#pragma once

#include "window/FormContext.h"

namespace tqv::window {

void loadForm(FormContext& ctx);

}  // namespace tqv::window
