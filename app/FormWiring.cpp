#include "app/FormWiring.h"

#include <cstdio>
#include <exception>

#include "acquisition/AcquisitionControl.h"
#include "acquisition/BlockPoller.h"
#include "digital_output/BitOutput.h"
#include "digital_output/ByteOutput.h"
#include "window/StartupHandler.h"

namespace tqv::app {

using window::Control;
using window::Event;

void FormWiring::raise(Control control, Event event) {
    try {
        dispatch(control, event);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tqv-multibuf: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "tqv-multibuf: unexpected failure in an event handler\n");
    }
}

void FormWiring::dispatch(Control control, Event event) {
    switch (event) {
        case Event::Load:
            if (control == Control::FrmMultiBuf) window::loadForm(m_ctx);
            return;
        case Event::Unload:
            if (control == Control::FrmMultiBuf) acquisition::unloadForm(m_ctx);
            return;
        case Event::Timer:
            if (control == Control::TimerAD) acquisition::pollBlocks(m_ctx);
            return;
        case Event::Click:
            switch (control) {
                case Control::cmdStart: acquisition::startAcquisition(m_ctx); return;
                case Control::cmdStop: acquisition::stopAcquisition(m_ctx); return;
                case Control::cmdExit: acquisition::exitProgram(m_ctx); return;
                case Control::cmdDOOutput: digital_output::outputBit(m_ctx); return;
                case Control::cmdSWO: digital_output::outputByte(m_ctx); return;
                default: return;
            }
        case Event::Change:
            if (control == Control::txtDOChn) digital_output::onChannelTextChanged(m_ctx);
            if (control == Control::UpDownBitNum) digital_output::onSpinnerChanged(m_ctx);
            return;
        case Event::DblClick:
            if (control == Control::txtDOValue) digital_output::toggleOutputValue(m_ctx);
            return;
    }
}

}  // namespace tqv::app
