// One connected client as the instrument sees it: its own error queue, event status,
// data format and fetch position, and the limits that keep a hostile client from
// costing anyone else anything. Lines (ending in "\n", "\r\n" accepted) are carried out
// one at a time, in arrival order; no further line is taken while a command waits for
// its answer (*TST? on an idle card) or while more than OutputHigh bytes of answers
// wait for the client to read them. A line longer than MaxLine, or answers left unread
// for StallTimeout, drop the client.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "instrument/ClientOutput.h"
#include "scpi/ErrorQueue.h"
#include "scpi/ProgramMessage.h"
#include "session/Clock.h"

namespace tqv::instrument {

class Instrument;

// Where a client's FETCh:SCANs? goes on from, and what it missed.
struct FetchPosition {
    // The ring's generation the position belongs to (its buffers made afresh at a start).
    int64_t generation = -1;
    int64_t nextScan = 0;
    // Scans missed since the last fetch that the ring no longer tells: those of an
    // earlier run never fetched, and those the card lost.
    int64_t carriedMissed = 0;
    // The instrument's count of scans the card lost, as the last fetch saw it.
    int64_t cardLostSeen = 0;
    // What the last fetch missed before its first scan (FETCh:LOST?).
    int64_t lastMissed = 0;
};

class ClientSession {
public:
    static constexpr std::size_t MaxLine = 64 * 1024;
    static constexpr std::size_t OutputHigh = 1024 * 1024;
    static constexpr session::Clock::Duration StallTimeout = std::chrono::seconds(10);

    ClientSession(Instrument& instrument, ClientOutput& output);
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // Bytes as they came. Never holds more than MaxLine bytes of an unfinished line: a
    // longer one drops the client.
    void receive(std::string_view bytes);
    // Carries out the complete lines received, as far as the limits let it.
    void run();
    // False while no line would be taken: the caller need not read more for now.
    bool wantsInput() const;
    // Why the client is to be dropped, if it is; `now` judges unread answers.
    std::optional<std::string> dropReason(session::Clock::Duration now);
    // The client took some of its answers.
    void outputTaken(session::Clock::Duration now);

    // For the instrument.
    scpi::ErrorQueue& errors() { return m_errors; }
    void fail(scpi::Error error);
    uint8_t takeEventStatus();
    void setOperationComplete() { m_eventStatus |= OperationComplete; }
    bool asciiData = false;
    FetchPosition fetch;
    // Starts one answer of the line: after the first, a ";" parts them.
    void beginAnswer();
    void write(std::string_view bytes) { m_output.write(bytes); }
    // A waiting command's answer (empty for none): the rest of its line goes on.
    void resume(std::string_view answer);

private:
    static constexpr uint8_t OperationComplete = 1;
    void runLine(std::string_view line);
    void runUnits();
    void endLine();

    Instrument& m_instrument;
    ClientOutput& m_output;
    std::string m_input;
    // Where taking lines out of m_input got to; the front is dropped in whole runs.
    std::size_t m_consumed = 0;
    scpi::ErrorQueue m_errors;
    uint8_t m_eventStatus = 0;

    // The line being carried out: its units, the next one, whether it answered yet.
    scpi::ProgramMessage m_message;
    std::size_t m_nextUnit = 0;
    bool m_answered = false;
    bool m_waiting = false;

    std::optional<std::string> m_dropReason;
    // Since when answers have waited without the client taking any.
    std::optional<session::Clock::Duration> m_stalledSince;
};

}  // namespace tqv::instrument
