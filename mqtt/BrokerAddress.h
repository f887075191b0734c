// Where the fleet's broker is and which bench this is: --mqtt mqtt://HOST[:PORT] and
// --bench-id ID, read the same way by every program that publishes.
#pragma once

#include <string>
#include <variant>

namespace tqv::mqtt {

struct BrokerAddress {
    std::string host;
    int port = 1883;
};

// "mqtt://broker.lab:1884" -> {"broker.lab", 1884}; "[::1]" hosts keep no brackets. The
// address, or why the text is none.
std::variant<BrokerAddress, std::string> parseBrokerAddress(const std::string& url);

// Why `id` cannot name a bench in a topic: empty, or holding anything but letters,
// digits, "-", "_" and "." (MQTT gives "/", "+" and "#" meanings of their own).
std::string benchIdProblem(const std::string& id);

}  // namespace tqv::mqtt
