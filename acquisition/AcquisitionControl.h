// Starting and stopping the card's continuous acquisition, and leaving the program.
#pragma once

#include "window/FormContext.h"

namespace tqv::acquisition {

void startAcquisition(window::FormContext& ctx);
void stopAcquisition(window::FormContext& ctx);
// Stops the card and closes the window; its unload stops the card once more.
void exitProgram(window::FormContext& ctx);
void unloadForm(window::FormContext& ctx);

}  // namespace tqv::acquisition
