// What every handler works on: the card session (the card, its start and stop, the
// acquired blocks), the window's own variables and the window's controls.
#pragma once

#include "session/CardSession.h"
#include "window/ControlSurface.h"
#include "window/FormState.h"

namespace tqv::window {

struct FormContext {
    session::CardSession& session;
    FormState& form;
    ControlSurface& ui;
};

}  // namespace tqv::window
