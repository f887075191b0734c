#include "app/FleetOptions.h"

#include <QCommandLineParser>

namespace tqv::app {

FleetOptions::FleetOptions(QCommandLineParser& parser)
    : m_parser(parser),
      m_mqtt(QStringLiteral("mqtt"),
             QStringLiteral("Publish status, readouts, self-test results and events to the MQTT "
                            "broker at URL (mqtt://HOST[:PORT], port 1883 by default), under "
                            "tqv/<ID>/; needs --bench-id. A broker that is down stops nothing."),
             QStringLiteral("URL")),
      m_benchId(QStringLiteral("bench-id"),
                QStringLiteral("The bench's name in the broker's topics (letters, digits, - _ .)."),
                QStringLiteral("ID")) {
    m_parser.addOption(m_mqtt);
    m_parser.addOption(m_benchId);
}

std::variant<std::optional<FleetTarget>, std::string> FleetOptions::read() const {
    const bool mqtt = m_parser.isSet(m_mqtt);
    const bool bench = m_parser.isSet(m_benchId);
    if (!mqtt && !bench) return std::optional<FleetTarget>();
    if (!mqtt) return std::string("--bench-id needs --mqtt");
    if (!bench) return std::string("--mqtt needs --bench-id");
    auto broker = mqtt::parseBrokerAddress(m_parser.value(m_mqtt).toStdString());
    if (auto* problem = std::get_if<std::string>(&broker)) return "--mqtt: " + *problem;
    const std::string id = m_parser.value(m_benchId).toStdString();
    if (const std::string problem = mqtt::benchIdProblem(id); !problem.empty()) {
        return "--bench-id: " + problem;
    }
    return std::optional<FleetTarget>(FleetTarget{std::get<mqtt::BrokerAddress>(broker), id});
}

}  // namespace tqv::app
