// The names of the window and its controls. A control array (Label1, lblAD) is one
// name whose members are told apart by index.
#pragma once

#include <string_view>

namespace tqv::window {

enum class Control {
    FrmMultiBuf,
    Frame1,
    Frame2,
    Frame3,
    UpDownBitNum,
    cmdDOOutput,
    txtDOChn,
    txtDOValue,
    Label1,
    chkDisp,
    txtInfo,
    cmdStop,
    txtswChn,
    txtSWO_0,
    cmdSWO,
    lblDI_0,
    lblBit,
    lblDI_1,
    cmdStart,
    cmdExit,
    TimerAD,
    lblCardInfo,
    Label2,
    lblDI,
    Label5,
    Label4,
    lblptr,
    lblBlock,
    lblAD,
};

// The events a control can raise. Which of them have a handler is the wiring's
// business; the window forwards them all.
enum class Event { Load, Unload, Click, Change, DblClick, Timer };

std::string_view controlName(Control control);

}  // namespace tqv::window
