// --mqtt mqtt://HOST[:PORT] and --bench-id ID, the options of every program that reports
// to a fleet's broker, read the same way everywhere: both or neither.
#pragma once

#include <QCommandLineOption>
#include <optional>
#include <string>
#include <variant>

#include "mqtt/BrokerAddress.h"

class QCommandLineParser;

namespace tqv::app {

struct FleetTarget {
    mqtt::BrokerAddress broker;
    std::string benchId;
};

class FleetOptions {
public:
    // Adds both options to the parser, which must outlive this.
    explicit FleetOptions(QCommandLineParser& parser);

    // After parsing: no fleet, the fleet, or what is wrong with the options.
    std::variant<std::optional<FleetTarget>, std::string> read() const;

private:
    QCommandLineParser& m_parser;
    QCommandLineOption m_mqtt;
    QCommandLineOption m_benchId;
};

}  // namespace tqv::app
