// What a serving program tells the fleet: a listener of the acquired blocks that
// publishes an event at each start, stop, gap and card error and at each recording's
// start and end, the status whenever it changes and at least every StatusPeriod, and
// the readout once a second while acquiring. Publishing only queues (MqttPublisher), so
// none of this waits for the broker. Runs on the thread that owns the card session.
#pragma once

#include <chrono>
#include <string>

#include "instrument/Instrument.h"
#include "mqtt/FleetMessages.h"
#include "mqtt/MqttPublisher.h"
#include "session/BlockListener.h"

namespace tqv::mqtt {

class FleetReporter final : private session::BlockListener {
public:
    static constexpr auto StatusPeriod = std::chrono::seconds(10);
    static constexpr auto ReadoutPeriod = std::chrono::seconds(1);

    // Takes over the instrument's self-test and recording notices. Publishes the
    // status at once.
    FleetReporter(MqttPublisher& publisher, instrument::Instrument& instrument,
                  std::string program);
    // Publishes the status offline: the program ends.
    ~FleetReporter() override;
    FleetReporter(const FleetReporter&) = delete;
    FleetReporter& operator=(const FleetReporter&) = delete;

    // Call about once a second: the readout while acquiring, the status when due.
    void tick();

    // The status offline, as the broker's last will and the last word both say it.
    static std::string offlineStatus(const std::string& program);

private:
    void acquisitionStarted(const session::StartParameters& parameters) override;
    void blockStored(const session::StoredBlock&) override {}
    void blocksLost(const session::Loss& loss) override;
    void fetchEnded() override;
    void acquisitionStopped(session::StopCause cause) override;
    bool wantsCardErrorCode() const override { return true; }

    BenchStatus currentStatus() const;
    void publishStatus(bool evenUnchanged);
    void publishEvent(const BenchEvent& event);

    MqttPublisher& m_publisher;
    instrument::Instrument& m_instrument;
    const std::string m_program;
    BenchStatus m_published;
    session::Clock::Duration m_statusSent{0};
    session::Clock::Duration m_readoutSent{0};
};

}  // namespace tqv::mqtt
