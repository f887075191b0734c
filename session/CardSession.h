// The one card session: the start parameters, the one start and stop sequence, the
// identity exchange, digital input and output, the card's error code, and fetching
// completed blocks into the one owner of the acquired blocks, which tells every
// consumer. The panel's handlers, the self-test, the recorder and the server all reach
// the card through it, and nothing else of the program calls the card library.
// Every call comes from one thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "card/CardLibrary.h"
#include "session/AcquiredBlocks.h"
#include "session/Clock.h"
#include "session/LossWatch.h"
#include "session/StartParameters.h"

namespace tqv::session {

// Where a start failed. Initial and StartIntr failures carry the card's error code; a
// failure to make the buffers has none.
struct StartFailure {
    enum class Stage { Initial, Buffers, StartIntr };
    Stage stage = Stage::Initial;
    int32_t errorCode = 0;
};
// "Initial failed, error code -3", "StartIntr failed, error code -7", "no memory for
// the block buffers".
std::string startFailureText(const StartFailure& failure);

struct IdentityAnswer {
    // IOCtl's result: 0 is a failure.
    int32_t status = 0;
    // The card's error code after a failed IOCtl.
    int32_t errorCode = 0;
    // False when the card left every identity byte of the reply as it was.
    bool answered = false;
    // The panel's identity line from the reply.
    std::string line;
};

// The card's input words the panel shows, and the words a Tqv_DI call may fill.
inline constexpr int16_t InputWordCount = 6;
inline constexpr std::size_t InputBufferWords = 129;

struct SessionCounts {
    int64_t delivered = 0;
    int64_t notDelivered = 0;
    int largestQueue = 0;
    // Losses told since the start, and the blocks they name or the clock estimates.
    int64_t losses = 0;
    int64_t blocksLost = 0;
};

class CardSession {
public:
    CardSession(card::CardLibrary& card, Clock& clock);
    CardSession(const CardSession&) = delete;
    CardSession& operator=(const CardSession&) = delete;

    AcquiredBlocks& blocks() { return m_blocks; }
    const AcquiredBlocks& blocks() const { return m_blocks; }

    // IOCtl(100, CmdBuf, 100, ReplyBuf) with the identity command; the panel's load
    // reads the reply whatever happened. `Checked` first fills the reply with a pattern
    // no card answers, so that a card that writes nothing is told apart (its identity
    // bytes are then zero again, as the panel's would be), and reads the error code of a
    // failed call.
    enum class Exchange { AsThePanel, Checked };
    IdentityAnswer identify(Exchange exchange = Exchange::AsThePanel);
    // The identity line from the reply bytes as they stand.
    std::string identityLine() const;
    // Name part 1, name part 2 and the type, as the reply bytes stand.
    std::array<uint8_t, 3> identityBytes() const;

    // StopIntr, Initial, fresh buffers, StartIntr: the one start. Empty when acquiring.
    // The parameters apply from the first step on, whatever happens after.
    std::optional<StartFailure> start(const StartParameters& parameters = PanelStart);
    // StopIntr. Listeners are told when acquisition was running.
    void stop(StopCause cause = StopCause::Stopped);
    bool running() const { return m_running; }
    const StartParameters& parameters() const { return m_parameters; }

    // QueryBuf: the completed blocks waiting, as a signed 16-bit count.
    int16_t queryBuf();
    struct Fetched {
        int delivered = 0;
        int notDelivered = 0;
    };
    // `count` ADResult calls (none for a count of 0 or below, or before a start has made
    // the buffers): each delivered block is stored and told, each one not delivered is a
    // loss of one block; then any loss the card's queue, error code or pace shows; then
    // the end of the fetch.
    Fetched fetch(int16_t count);
    // Reads the card's error code after each fetch even when no listener asks for it:
    // the headless programs, whose card calls no operator watches.
    void setErrorCodeAlwaysRead(bool always) { m_errorCodeAlwaysRead = always; }
    // GetLastADError.
    int32_t errorCode();
    // The code last read, without asking the card.
    int32_t lastErrorCode() const { return m_lastErrorCode; }
    const SessionCounts& counts() const { return m_counts; }
    Clock& clock() { return m_clock; }
    // Time since the last successful start.
    Clock::Duration sinceStart() { return m_clock.now() - m_startedAt; }

    // Tqv_DI(6, words): words 0..5 filled; `words` must hold InputBufferWords, since a
    // card may write further.
    int16_t readInputs(std::span<int16_t> words);
    // Tqv_DO and Tqv_DOBit, with the library's numbering.
    void writeByte(int16_t port, int16_t value);
    void writeBit(int16_t bit, int16_t value);

private:
    card::CardLibrary& m_card;
    Clock& m_clock;
    AcquiredBlocks m_blocks;
    LossWatch m_lossWatch;
    StartParameters m_parameters;
    // Command and reply bytes of IOCtl, indices 0..32000, zero from the start.
    std::vector<uint8_t> m_CmdBuf;
    std::vector<uint8_t> m_ReplyBuf;
    bool m_running = false;
    bool m_errorCodeAlwaysRead = false;
    int32_t m_lastErrorCode = 0;
    Clock::Duration m_startedAt{0};
    SessionCounts m_counts;
};

}  // namespace tqv::session
