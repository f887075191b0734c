// A stand-in for a vendor's card library: the ten functions the panel calls, an idle
// card of identity 6100, type 2. Built a second time without StartIntr
// (TQV_STAND_IN_WITHOUT_STARTINTR) as a library the binding must refuse at load.
#include <cstring>

#include "card/adcard.h"

extern "C" {
ADCARD_API int32_t ADCARD_CALL Initial(int32_t, int32_t, int32_t, int32_t) { return 1; }
#ifndef TQV_STAND_IN_WITHOUT_STARTINTR
ADCARD_API int32_t ADCARD_CALL StartIntr(int16_t, int32_t, int16_t, int16_t, int32_t, int32_t,
                                         int16_t) {
    return 1;
}
#endif
ADCARD_API int32_t ADCARD_CALL StopIntr(void) { return 1; }
ADCARD_API int16_t ADCARD_CALL QueryBuf(void) { return 0; }
ADCARD_API int32_t ADCARD_CALL ADResult(int16_t*) { return 0; }
ADCARD_API int32_t ADCARD_CALL GetLastADError(void) { return 0; }
ADCARD_API int32_t ADCARD_CALL IOCtl(int32_t, uint8_t*, int32_t replySize, uint8_t* reply) {
    const uint8_t identity[5] = {61, 0, 1, 0, 2};
    if (reply == nullptr || replySize < 5) return 0;
    std::memcpy(reply, identity, sizeof identity);
    return 1;
}
ADCARD_API int16_t ADCARD_CALL Tqv_DI(int16_t, int16_t*) { return 0; }
ADCARD_API int16_t ADCARD_CALL Tqv_DO(int16_t, int16_t) { return 0; }
ADCARD_API int16_t ADCARD_CALL Tqv_DOBit(int16_t, int16_t) { return 0; }
}
