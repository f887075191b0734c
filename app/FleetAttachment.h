// A serving program's link to the fleet's broker: the publisher's thread and the
// reporter, ticked once a second by the event loop. The status goes offline when this
// ends, before the publisher says goodbye.
#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "app/FleetOptions.h"

namespace tqv::instrument {
class Instrument;
}
namespace tqv::mqtt {
class FleetReporter;
class MqttPublisher;
}  // namespace tqv::mqtt

namespace tqv::app {

class FleetAttachment final : public QObject {
public:
    FleetAttachment(const FleetTarget& target, instrument::Instrument& instrument,
                    const std::string& program);
    ~FleetAttachment() override;

private:
    std::unique_ptr<mqtt::MqttPublisher> m_publisher;
    std::unique_ptr<mqtt::FleetReporter> m_reporter;
    QTimer m_ticks;
};

}  // namespace tqv::app
