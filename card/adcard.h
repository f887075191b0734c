/* The card driver library's C interface, shared by the program's binding and the
 * simulated card.  Every argument occupies one 32-bit slot; on 32-bit Windows the
 * functions are __stdcall and exported with decorated names (_StartIntr@28),
 * elsewhere they are plain C names. */
#pragma once

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ADCARD_CALL __stdcall
#else
#define ADCARD_CALL
#endif

/* The simulated card defines ADCARD_BUILDING_LIBRARY to export; everyone else imports. */
#if defined(_WIN32)
#if defined(ADCARD_BUILDING_LIBRARY)
#define ADCARD_API __declspec(dllexport)
#else
#define ADCARD_API
#endif
#else
#define ADCARD_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The functions the program calls. */
ADCARD_API int32_t ADCARD_CALL Initial(int32_t, int32_t, int32_t, int32_t);                 /* _Initial@16 */
ADCARD_API int32_t ADCARD_CALL StartIntr(int16_t queueBlocks, int32_t scansPerBlock,
                                         int16_t firstChannel, int16_t channelCount,
                                         int32_t scanRate, int32_t gain, int16_t mode);     /* _StartIntr@28 */
ADCARD_API int32_t ADCARD_CALL StopIntr(void);                                              /* _StopIntr@0 */
ADCARD_API int16_t ADCARD_CALL QueryBuf(void);                                              /* _QueryBuf@0 */
ADCARD_API int32_t ADCARD_CALL ADResult(int16_t* block);                                    /* _ADResult@4 */
ADCARD_API int32_t ADCARD_CALL GetLastADError(void);                                        /* _GetLastADError@0 */
ADCARD_API int32_t ADCARD_CALL IOCtl(int32_t commandSize, uint8_t* command,
                                     int32_t replySize, uint8_t* reply);                    /* _IOCtl@16 */
ADCARD_API int16_t ADCARD_CALL Tqv_DI(int16_t count, int16_t* words);                       /* _Tqv_DI@8 */
ADCARD_API int16_t ADCARD_CALL Tqv_DO(int16_t port, int16_t value);                         /* _Tqv_DO@8 */
ADCARD_API int16_t ADCARD_CALL Tqv_DOBit(int16_t bit, int16_t value);                       /* _Tqv_DOBit@8 */

/* Declared by the library and never called by the program. */
ADCARD_API int32_t ADCARD_CALL StartSnapshot(int32_t, int32_t, int32_t, int32_t,
                                             int32_t, int32_t, int32_t, int32_t);          /* _StartSnapshot@32 */
ADCARD_API int32_t ADCARD_CALL RegisterNotify(int32_t, int32_t, int32_t, int32_t, int32_t); /* _RegisterNotify@20 */
ADCARD_API int32_t ADCARD_CALL ADResultRecent(int32_t);                                     /* _ADResultRecent@4 */
ADCARD_API int32_t ADCARD_CALL GetSnapshot(int32_t, int32_t, int32_t);                      /* _GetSnapshot@12 */
ADCARD_API int32_t ADCARD_CALL ConfigInfo(int32_t, int32_t, int32_t, int32_t,
                                          int32_t, int32_t, int32_t, int32_t);             /* _ConfigInfo@32 */
ADCARD_API int32_t ADCARD_CALL ChannelFrq(int32_t, int32_t);                                /* _ChannelFrq@8 */
ADCARD_API int32_t ADCARD_CALL Tqv_ADResult(int32_t, int32_t);                              /* _Tqv_ADResult@8 */
ADCARD_API int32_t ADCARD_CALL Tqv_Init(int32_t, int32_t, int32_t);                         /* _Tqv_Init@12 */
ADCARD_API int32_t ADCARD_CALL Tqv_DA(int32_t, int32_t);                                    /* _Tqv_DA@8 */
ADCARD_API int32_t ADCARD_CALL Tqv_USB_Inportb(int32_t, int32_t, int32_t);                  /* _Tqv_USB_Inportb@12 */
ADCARD_API int32_t ADCARD_CALL Tqv_USB_Outportb(int32_t, int32_t, int32_t);                 /* _Tqv_USB_Outportb@12 */
ADCARD_API int32_t ADCARD_CALL Tqv_Readb(int32_t, int32_t, int32_t, int32_t);               /* _Tqv_Readb@16 */
ADCARD_API int32_t ADCARD_CALL Tqv_Writeb(int32_t, int32_t, int32_t, int32_t);              /* _Tqv_Writeb@16 */

#ifdef __cplusplus
}
#endif
