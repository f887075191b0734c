#include "channels/ChannelSetup.h"

namespace tqv::channels {

namespace {

// Characters of UTF-8 text: every byte but the continuation bytes.
std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

std::optional<std::string> textProblem(std::string_view what, std::string_view text,
                                       std::size_t longest) {
    const std::string subject(what);
    if (text.empty()) return "the " + subject + " is empty";
    const std::size_t length = characters(text);
    if (length > longest) {
        return "the " + subject + " has " + std::to_string(length) + " characters; at most " +
               std::to_string(longest);
    }
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return "the " + subject + " holds a control character";
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> nameProblem(std::string_view name) {
    return textProblem("name", name, Channel::LongestName);
}

std::optional<std::string> unitProblem(std::string_view unit) {
    return textProblem("unit", unit, Channel::LongestUnit);
}

ChannelSetup::ChannelSetup() {
    for (int index = 0; index < Count; ++index) {
        m_channels[static_cast<std::size_t>(index)] = defaultChannel(index);
    }
}

Channel ChannelSetup::defaultChannel(int index) {
    Channel channel;
    channel.name = defaultName(index);
    return channel;
}

std::string ChannelSetup::defaultName(int index) { return "ch" + std::to_string(index); }

const Channel& ChannelSetup::channel(int index) const {
    static const Channel unnamed;
    if (index < 0 || index >= Count) return unnamed;
    return m_channels[static_cast<std::size_t>(index)];
}

std::string ChannelSetup::name(int index) const {
    return index >= 0 && index < Count ? channel(index).name : defaultName(index);
}

void ChannelSetup::setChannel(int index, Channel channel) {
    if (index < 0 || index >= Count) return;
    m_channels[static_cast<std::size_t>(index)] = std::move(channel);
}

bool ChannelSetup::allDefault() const {
    for (int index = 0; index < Count; ++index) {
        if (!isDefault(index)) return false;
    }
    return true;
}

}  // namespace tqv::channels
