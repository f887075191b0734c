#include "scope/ChannelText.h"

namespace tqv::scope {

std::string laneTitle(int lane, const channels::Channel& channel) {
    if (channel.name == channels::ChannelSetup::defaultName(lane)) {
        return "Ch " + std::to_string(lane);
    }
    return channel.name;
}

std::string unitText(const channels::Channel& channel, double value, int moreDecimals) {
    const std::string number = channel.calibration.text(value, moreDecimals);
    if (channel.inCodes()) return number;
    return number + " " + channel.unit;
}

std::string codeText(const channels::Channel& channel, double code, int moreDecimals) {
    return unitText(channel, channel.calibration.value(code), moreDecimals);
}

}  // namespace tqv::scope
