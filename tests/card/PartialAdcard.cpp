// A card library that lacks StartIntr: the binding must refuse it at load.
#include "card/adcard.h"

extern "C" {
ADCARD_API int32_t ADCARD_CALL Initial(int32_t, int32_t, int32_t, int32_t) { return 1; }
ADCARD_API int32_t ADCARD_CALL StopIntr(void) { return 1; }
ADCARD_API int16_t ADCARD_CALL QueryBuf(void) { return 0; }
ADCARD_API int32_t ADCARD_CALL ADResult(int16_t*) { return 0; }
ADCARD_API int32_t ADCARD_CALL GetLastADError(void) { return 0; }
ADCARD_API int32_t ADCARD_CALL IOCtl(int32_t, uint8_t*, int32_t, uint8_t*) { return 1; }
ADCARD_API int16_t ADCARD_CALL Tqv_DI(int16_t, int16_t*) { return 0; }
ADCARD_API int16_t ADCARD_CALL Tqv_DO(int16_t, int16_t) { return 0; }
ADCARD_API int16_t ADCARD_CALL Tqv_DOBit(int16_t, int16_t) { return 0; }
}
