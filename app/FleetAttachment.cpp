#include "app/FleetAttachment.h"

#include <chrono>

#include "mqtt/FleetReporter.h"
#include "mqtt/MqttPublisher.h"

namespace tqv::app {

namespace {

// How long the program's end waits for the broker to take its last status.
constexpr auto kGoodbye = std::chrono::seconds(2);

}  // namespace

FleetAttachment::FleetAttachment(const FleetTarget& target, instrument::Instrument& instrument,
                                 const std::string& program)
    : m_publisher(std::make_unique<mqtt::MqttPublisher>(
          target.broker, target.benchId, mqtt::FleetReporter::offlineStatus(program))),
      m_reporter(std::make_unique<mqtt::FleetReporter>(*m_publisher, instrument, program)) {
    m_ticks.setInterval(std::chrono::milliseconds(250));
    connect(&m_ticks, &QTimer::timeout, this, [this] { m_reporter->tick(); });
    m_ticks.start();
}

FleetAttachment::~FleetAttachment() {
    m_ticks.stop();
    m_reporter.reset();
    m_publisher->flush(kGoodbye);
}

}  // namespace tqv::app
