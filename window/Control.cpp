#include "window/Control.h"

namespace tqv::window {

std::string_view controlName(Control control) {
    switch (control) {
        case Control::FrmMultiBuf: return "FrmMultiBuf";
        case Control::Frame1: return "Frame1";
        case Control::Frame2: return "Frame2";
        case Control::Frame3: return "Frame3";
        case Control::UpDownBitNum: return "UpDownBitNum";
        case Control::cmdDOOutput: return "cmdDOOutput";
        case Control::txtDOChn: return "txtDOChn";
        case Control::txtDOValue: return "txtDOValue";
        case Control::Label1: return "Label1";
        case Control::chkDisp: return "chkDisp";
        case Control::txtInfo: return "txtInfo";
        case Control::cmdStop: return "cmdStop";
        case Control::txtswChn: return "txtswChn";
        case Control::txtSWO_0: return "txtSWO_0";
        case Control::cmdSWO: return "cmdSWO";
        case Control::lblDI_0: return "lblDI_0";
        case Control::lblBit: return "lblBit";
        case Control::lblDI_1: return "lblDI_1";
        case Control::cmdStart: return "cmdStart";
        case Control::cmdExit: return "cmdExit";
        case Control::TimerAD: return "TimerAD";
        case Control::lblCardInfo: return "lblCardInfo";
        case Control::Label2: return "Label2";
        case Control::lblDI: return "lblDI";
        case Control::Label5: return "Label5";
        case Control::Label4: return "Label4";
        case Control::lblptr: return "lblptr";
        case Control::lblBlock: return "lblBlock";
        case Control::lblAD: return "lblAD";
    }
    return "";
}

}  // namespace tqv::window
