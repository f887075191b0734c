#include "window/StartupHandler.h"

namespace tqv::window {

void loadForm(FormContext& ctx) {
    ctx.session.blocks().resetRing(session::PanelRingBlocks);
    ctx.form.BlockCount = 0;

    // The result says nothing the reply bytes do not; they are read whatever happened.
    const auto answer = ctx.session.identify();

    ctx.ui.setCaption(Control::lblCardInfo, answer.line);
    ctx.ui.setEnabled(Control::cmdStart, true);
    ctx.ui.setEnabled(Control::cmdStop, false);
}

}  // namespace tqv::window
