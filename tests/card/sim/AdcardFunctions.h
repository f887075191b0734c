// The card library's 23 functions, once: the tests call and trace-check them from this
// list, and sim.exports compares the library's export table with it.
#pragma once

// The ten the program calls.
#define ADCARD_CALLED_FUNCTIONS(X) \
    X(Initial) X(StartIntr) X(StopIntr) X(QueryBuf) X(ADResult) X(GetLastADError) X(IOCtl) \
    X(Tqv_DI) X(Tqv_DO) X(Tqv_DOBit)

// The thirteen the library declares and never implements.
#define ADCARD_DECLARED_ONLY_FUNCTIONS(X) \
    X(StartSnapshot) X(RegisterNotify) X(ADResultRecent) X(GetSnapshot) X(ConfigInfo) \
    X(ChannelFrq) X(Tqv_ADResult) X(Tqv_Init) X(Tqv_DA) X(Tqv_USB_Inportb) \
    X(Tqv_USB_Outportb) X(Tqv_Readb) X(Tqv_Writeb)
