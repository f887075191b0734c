#include "acquisition/AcquisitionControl.h"

#include "text/TextConversions.h"

namespace tqv::acquisition {

using window::Control;

void startAcquisition(window::FormContext& ctx) {
    if (const auto failure = ctx.session.start(session::PanelStart)) {
        // Buffers that cannot be made abandon the start quietly.
        if (failure->stage != session::StartFailure::Stage::Buffers) {
            ctx.ui.setCaption(Control::lblBlock, "Error=" + text::plainDecimal(failure->errorCode));
        }
        return;
    }
    ctx.ui.setEnabled(Control::TimerAD, true);
    ctx.ui.setEnabled(Control::cmdStart, false);
    ctx.ui.setEnabled(Control::cmdStop, true);
}

void stopAcquisition(window::FormContext& ctx) {
    ctx.session.stop(session::StopCause::Stopped);
    ctx.ui.setEnabled(Control::cmdStop, false);
    ctx.ui.setEnabled(Control::cmdStart, true);
}

void exitProgram(window::FormContext& ctx) {
    ctx.session.stop(session::StopCause::Closing);
    ctx.ui.close();
}

void unloadForm(window::FormContext& ctx) { ctx.session.stop(session::StopCause::Closing); }

}  // namespace tqv::acquisition
