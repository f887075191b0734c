#include "LinkedCard.h"

namespace tqv::sim::test {

const CardFunctions& linkedCard() {
    static const CardFunctions functions{
        &::Initial,          &::StartIntr,      &::StopIntr,      &::QueryBuf,
        &::ADResult,         &::GetLastADError, &::IOCtl,         &::Tqv_DI,
        &::Tqv_DO,           &::Tqv_DOBit,      &::StartSnapshot, &::RegisterNotify,
        &::ADResultRecent,   &::GetSnapshot,    &::ConfigInfo,    &::ChannelFrq,
        &::Tqv_ADResult,     &::Tqv_Init,       &::Tqv_DA,        &::Tqv_USB_Inportb,
        &::Tqv_USB_Outportb, &::Tqv_Readb,      &::Tqv_Writeb,
    };
    return functions;
}

}  // namespace tqv::sim::test
