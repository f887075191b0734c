// The library's 23 exported functions: each hands its arguments to the one card
// object and traces the call. Nothing else is exported (see CMakeLists.txt).
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "card/adcard.h"
#include "card/sim/Card.h"
#include "card/sim/SimConfig.h"

namespace {

using tqv::sim::Card;
using tqv::sim::TraceArg;

// Trivially destructible and constant-initialised, so it can still be read after the
// card is gone: a call made while the process exits (say, from another library's
// static destructor) then finds the card closed instead of a destroyed object.
std::atomic<bool> g_cardOpen{false};

// The card is built while the library loads (that is when the environment is read)
// and torn down when it unloads or the process exits; tearing down joins the
// acquisition thread before any state that thread uses goes away.
struct CardHolder {
    Card card{tqv::sim::configFromEnvironment()};
    CardHolder() { g_cardOpen.store(true); }
    ~CardHolder() { g_cardOpen.store(false); }
    CardHolder(const CardHolder&) = delete;
    CardHolder& operator=(const CardHolder&) = delete;
};

CardHolder g_holder;

template <typename Result, typename Body>
Result traced(std::string_view name, std::initializer_list<TraceArg> args, Body body) {
    if (!g_cardOpen.load()) return Result{0};
    Card& card = g_holder.card;
    const Result result = body(card);
    card.trace().call(name, args, result);
    return result;
}

template <typename... Args>
std::int32_t unsupported(std::string_view name, Args... args) {
    return traced<std::int32_t>(name, {args...}, [](Card& card) { return card.notSupported(); });
}

}  // namespace

extern "C" {

ADCARD_API int32_t ADCARD_CALL Initial(int32_t a, int32_t b, int32_t c, int32_t d) {
    return traced<int32_t>("Initial", {a, b, c, d}, [](Card& card) { return card.initial(); });
}

ADCARD_API int32_t ADCARD_CALL StartIntr(int16_t queueBlocks, int32_t scansPerBlock,
                                         int16_t firstChannel, int16_t channelCount,
                                         int32_t scanRate, int32_t gain, int16_t mode) {
    return traced<int32_t>(
        "StartIntr", {queueBlocks, scansPerBlock, firstChannel, channelCount, scanRate, gain, mode},
        [&](Card& card) {
            return card.startIntr(queueBlocks, scansPerBlock, firstChannel, channelCount, scanRate,
                                  gain, mode);
        });
}

ADCARD_API int32_t ADCARD_CALL StopIntr(void) {
    return traced<int32_t>("StopIntr", {}, [](Card& card) { return card.stopIntr(); });
}

ADCARD_API int16_t ADCARD_CALL QueryBuf(void) {
    return traced<int16_t>("QueryBuf", {}, [](Card& card) { return card.queryBuf(); });
}

ADCARD_API int32_t ADCARD_CALL ADResult(int16_t* block) {
    return traced<int32_t>("ADResult", {block}, [&](Card& card) { return card.adResult(block); });
}

ADCARD_API int32_t ADCARD_CALL GetLastADError(void) {
    if (!g_cardOpen.load()) return tqv::sim::code(tqv::sim::Error::Unloaded);
    return traced<int32_t>("GetLastADError", {}, [](Card& card) { return card.lastError(); });
}

ADCARD_API int32_t ADCARD_CALL IOCtl(int32_t commandSize, uint8_t* command, int32_t replySize,
                                     uint8_t* reply) {
    return traced<int32_t>("IOCtl", {commandSize, command, replySize, reply}, [&](Card& card) {
        return card.ioctl(commandSize, command, replySize, reply);
    });
}

ADCARD_API int16_t ADCARD_CALL Tqv_DI(int16_t count, int16_t* words) {
    return traced<int16_t>("Tqv_DI", {count, words},
                           [&](Card& card) { return card.readInputs(count, words); });
}

ADCARD_API int16_t ADCARD_CALL Tqv_DO(int16_t port, int16_t value) {
    return traced<int16_t>("Tqv_DO", {port, value},
                           [&](Card& card) { return card.writePort(port, value); });
}

ADCARD_API int16_t ADCARD_CALL Tqv_DOBit(int16_t bit, int16_t value) {
    return traced<int16_t>("Tqv_DOBit", {bit, value},
                           [&](Card& card) { return card.writeBit(bit, value); });
}

ADCARD_API int32_t ADCARD_CALL StartSnapshot(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e,
                                             int32_t f, int32_t g, int32_t h) {
    return unsupported("StartSnapshot", a, b, c, d, e, f, g, h);
}

ADCARD_API int32_t ADCARD_CALL RegisterNotify(int32_t a, int32_t b, int32_t c, int32_t d,
                                              int32_t e) {
    return unsupported("RegisterNotify", a, b, c, d, e);
}

ADCARD_API int32_t ADCARD_CALL ADResultRecent(int32_t a) {
    return unsupported("ADResultRecent", a);
}

ADCARD_API int32_t ADCARD_CALL GetSnapshot(int32_t a, int32_t b, int32_t c) {
    return unsupported("GetSnapshot", a, b, c);
}

ADCARD_API int32_t ADCARD_CALL ConfigInfo(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e,
                                          int32_t f, int32_t g, int32_t h) {
    return unsupported("ConfigInfo", a, b, c, d, e, f, g, h);
}

ADCARD_API int32_t ADCARD_CALL ChannelFrq(int32_t a, int32_t b) {
    return unsupported("ChannelFrq", a, b);
}

ADCARD_API int32_t ADCARD_CALL Tqv_ADResult(int32_t a, int32_t b) {
    return unsupported("Tqv_ADResult", a, b);
}

ADCARD_API int32_t ADCARD_CALL Tqv_Init(int32_t a, int32_t b, int32_t c) {
    return unsupported("Tqv_Init", a, b, c);
}

ADCARD_API int32_t ADCARD_CALL Tqv_DA(int32_t a, int32_t b) { return unsupported("Tqv_DA", a, b); }

ADCARD_API int32_t ADCARD_CALL Tqv_USB_Inportb(int32_t a, int32_t b, int32_t c) {
    return unsupported("Tqv_USB_Inportb", a, b, c);
}

ADCARD_API int32_t ADCARD_CALL Tqv_USB_Outportb(int32_t a, int32_t b, int32_t c) {
    return unsupported("Tqv_USB_Outportb", a, b, c);
}

ADCARD_API int32_t ADCARD_CALL Tqv_Readb(int32_t a, int32_t b, int32_t c, int32_t d) {
    return unsupported("Tqv_Readb", a, b, c, d);
}

ADCARD_API int32_t ADCARD_CALL Tqv_Writeb(int32_t a, int32_t b, int32_t c, int32_t d) {
    return unsupported("Tqv_Writeb", a, b, c, d);
}

}  // extern "C"
