// What every handler works on: the module state, the window's own variables, the
// card library and the window's controls.
#pragma once

#include "card/CardLibrary.h"
#include "card/DllDef.h"
#include "window/ControlSurface.h"
#include "window/FormState.h"
#include "window/StoredBlockListener.h"

namespace tqv::window {

struct FormContext {
    card::DllDef& dll;
    FormState& form;
    card::CardLibrary& card;
    ControlSurface& ui;
    // A recording, when one is going; its owner sets and clears it.
    StoredBlockListener* blockListener = nullptr;
};

}  // namespace tqv::window
