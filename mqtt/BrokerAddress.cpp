#include "mqtt/BrokerAddress.h"

#include <algorithm>

namespace tqv::mqtt {

std::variant<BrokerAddress, std::string> parseBrokerAddress(const std::string& url) {
    const std::string scheme = "mqtt://";
    if (url.rfind(scheme, 0) != 0) return "\"" + url + "\" is not mqtt://HOST[:PORT]";
    std::string rest = url.substr(scheme.size());
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    BrokerAddress address;
    std::string port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos) return "\"" + url + "\": an IPv6 address without its \"]\"";
        address.host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return "\"" + url + "\" is not mqtt://HOST[:PORT]";
            port = after.substr(1);
            if (port.empty()) return "\"" + url + "\" has no port after its colon";
        }
    } else {
        const std::size_t colon = rest.find(':');
        address.host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            port = rest.substr(colon + 1);
            if (port.empty()) return "\"" + url + "\" has no port after its colon";
        }
    }
    if (address.host.empty() || address.host.find_first_of("/@?#") != std::string::npos) {
        return "\"" + url + "\" names no host";
    }
    if (!port.empty()) {
        if (port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return "\"" + port + "\" is no port number";
        }
        address.port = std::stoi(port);
        if (address.port < 1 || address.port > 65535) return "\"" + port + "\" is no port number";
    }
    return address;
}

std::string benchIdProblem(const std::string& id) {
    if (id.empty()) return "the bench id is empty";
    const bool plain = std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_' || c == '.';
    });
    if (!plain)
        return "\"" + id + "\": a bench id holds letters, digits, \"-\", \"_\" and \".\" only";
    return {};
}

}  // namespace tqv::mqtt
