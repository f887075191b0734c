// The card library's 23 functions, each with the bytes its arguments take on the
// stack: the number in its 32-bit Windows stdcall export name (_StartIntr@28). This
// is the one list of them: the binding binds from it, the simulated card's export
// files are generated from it, and the tests check the exports against it.
#pragma once

// The ten the program calls.
#define ADCARD_CALLED_FUNCTIONS(X)                                                         \
    X(Initial, 16) X(StartIntr, 28) X(StopIntr, 0) X(QueryBuf, 0) X(ADResult, 4)          \
    X(GetLastADError, 0) X(IOCtl, 16) X(Tqv_DI, 8) X(Tqv_DO, 8) X(Tqv_DOBit, 8)

// The thirteen it declares and never calls; every argument is one 32-bit slot.
#define ADCARD_DECLARED_ONLY_FUNCTIONS(X)                                                  \
    X(StartSnapshot, 32) X(RegisterNotify, 20) X(ADResultRecent, 4) X(GetSnapshot, 12)    \
    X(ConfigInfo, 32) X(ChannelFrq, 8) X(Tqv_ADResult, 8) X(Tqv_Init, 12) X(Tqv_DA, 8)    \
    X(Tqv_USB_Inportb, 12) X(Tqv_USB_Outportb, 12) X(Tqv_Readb, 16) X(Tqv_Writeb, 16)
