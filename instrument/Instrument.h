// The card as a SCPI instrument: what every command means on the card session, for any
// number of clients at once. Commands are carried out in the order their lines arrive,
// each to its end, on the thread that owns the session; the acquired blocks are read
// where the session keeps them (its ring), so every program serves the blocks it
// stores itself. Also a listener of the acquired blocks: it counts the losses, moves
// the clients' fetch positions to each new run and judges a running acquisition for
// *TST?.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "instrument/AcquisitionHost.h"
#include "channels/ChannelSetup.h"
#include "instrument/ClientSession.h"
#include "instrument/RecordingControl.h"
#include "instrument/SignalReadout.h"
#include "scpi/CommandTable.h"
#include "selftest/AcquisitionVerdict.h"
#include "session/CardSession.h"

namespace tqv::instrument {

struct InstrumentSettings {
    // The fourth field of *IDN?.
    std::string version = "0";
    // Each channel's name, unit and calibration for MEASure and the readout.
    channels::ChannelSetup channelSetup;
    // Why RECord:STARt is refused where there is no recording control.
    std::string recordingRefused = "no recording folder was given (--record-dir)";
    // How long *TST? acquires when nothing is acquiring.
    session::Clock::Duration selfTestRun = std::chrono::seconds(1);
};

// What *TST? found, for whoever reports it further (the fleet's self-test topic).
struct SelfTestOutcome {
    std::vector<selftest::CheckResult> results;
    bool passed = false;
};

class Instrument final : private session::BlockListener {
public:
    // The channels a channel list may name: 0..3, as in the scope and the files.
    static constexpr int LastChannel = 3;

    Instrument(session::CardSession& session, AcquisitionHost& host, RecordingControl* recording,
               InstrumentSettings settings);
    ~Instrument() override;
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // Answers a FETCh:SCANs? that waited for a block, finishes a *TST? whose acquisition
    // ran its time, and reports a recording that failed; call it often (ten times a
    // second) while waiting() and now and then otherwise.
    void poll();
    // A command waits for poll().
    bool waiting() const { return m_selfTest.has_value() || !m_waitingFetches.empty(); }

    // How long a FETCh:SCANs? waits for the next block while acquisition runs and no new
    // scan is stored yet (an empty block would leave many clients nothing to read).
    static constexpr session::Clock::Duration FetchWait = std::chrono::seconds(1);

    // Blocks lost since the start, a loss of unknown size counting as the clock's
    // estimate or, without one, as one block.
    int64_t blocksLost() const { return m_blocksLost; }
    // The newest 600 ms measured, in each channel's unit.
    const std::vector<ChannelFigures>& measure() {
        return m_readout.measure(m_settings.channelSetup);
    }
    // The panel's channel setup changed (Channels…): measurements from now on in its units.
    void setChannelSetup(const channels::ChannelSetup& setup) { m_settings.channelSetup = setup; }
    RecordingControl* recording() const { return m_recording; }
    session::CardSession& session() { return m_session; }

    // Called with each *TST? answered.
    std::function<void(const SelfTestOutcome&)> onSelfTest;

    // For ClientSession.
    enum class Outcome { Done, Waiting, DiscardLine };
    Outcome execute(ClientSession& client, const scpi::ProgramUnit& unit);
    void attach(ClientSession& client);
    void detach(ClientSession& client);

private:
    struct SelfTestRun {
        ClientSession* client = nullptr;
        session::Clock::Duration deadline{0};
        selftest::CheckResult identity;
        bool interrupted = false;
    };

    // BlockListener.
    void acquisitionStarted(const session::StartParameters& parameters) override;
    void blockStored(const session::StoredBlock& block) override;
    void blocksLost(const session::Loss& loss) override;
    void acquisitionStopped(session::StopCause cause) override;
    bool wantsCardErrorCode() const override { return true; }

    Outcome common(ClientSession& client, int command, const scpi::ProgramUnit& unit);
    Outcome acquisition(ClientSession& client, int command, const scpi::ProgramUnit& unit);
    Outcome measurement(ClientSession& client, int command, const scpi::ProgramUnit& unit);
    Outcome digital(ClientSession& client, int command, const scpi::ProgramUnit& unit);
    Outcome record(ClientSession& client, int command, const scpi::ProgramUnit& unit);
    void fetchScans(ClientSession& client);
    // Scans stored that the client's next fetch would get.
    bool newScansFor(const ClientSession& client) const;
    void answer(ClientSession& client, std::string_view text);
    std::string identification() const;
    void reset(ClientSession& client);
    SelfTestOutcome judgeSelfTest(const selftest::CheckResult& identity, bool interrupted);
    void finishSelfTest();

    session::CardSession& m_session;
    AcquisitionHost& m_host;
    RecordingControl* m_recording;
    InstrumentSettings m_settings;
    scpi::CommandTable m_commands;
    SignalReadout m_readout;
    selftest::AcquisitionObserver m_observer;
    std::vector<ClientSession*> m_clients;

    // Since the start: blocks lost, and the scans they held.
    int64_t m_blocksLost = 0;
    int64_t m_scansLost = 0;
    // The ring's present generation, and the scans stored in it since its start.
    int64_t m_generation = -1;
    int64_t m_storedScans = 0;
    std::optional<SelfTestRun> m_selfTest;
    struct WaitingFetch {
        ClientSession* client = nullptr;
        session::Clock::Duration deadline{0};
    };
    std::vector<WaitingFetch> m_waitingFetches;

    // Filled by Tqv_DI; a card may write more than the six words shown.
    std::array<int16_t, session::InputBufferWords> m_inputWords{};
    // FETCh:SCANs? in ASCII is written through this, a piece at a time.
    std::string m_text;
};

}  // namespace tqv::instrument
