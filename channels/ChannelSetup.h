// What an engineer tells the programs about each input: its name, its unit and the
// calibration from codes to that unit. With nothing told, every channel reads in codes
// under its own name, ch0 .. ch3.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "channels/Calibration.h"

namespace tqv::channels {

struct Channel {
    std::string name;
    std::string unit = std::string(CodeUnit);
    Calibration calibration;

    // The unit of a channel read in raw codes.
    static constexpr std::string_view CodeUnit = "code";
    // The longest name and unit, in characters.
    static constexpr std::size_t LongestName = 32;
    static constexpr std::size_t LongestUnit = 16;

    // Read as the card gives them: unit "code", no calibration. Its name may be its own.
    bool inCodes() const { return unit == CodeUnit && calibration.identity(); }
    bool operator==(const Channel&) const = default;
};

// Why a name or unit cannot be used (empty, too long, or holding a control character),
// or none when it can. Lengths count characters, not bytes; the text is UTF-8.
std::optional<std::string> nameProblem(std::string_view name);
std::optional<std::string> unitProblem(std::string_view unit);

class ChannelSetup {
public:
    static constexpr int Count = 4;

    // Every channel at its defaults.
    ChannelSetup();

    static Channel defaultChannel(int index);
    // "ch0" .. "ch3".
    static std::string defaultName(int index);

    // Channels beyond 0 .. Count − 1 read in codes under no name.
    const Channel& channel(int index) const;
    // The channel's name; "chN" beyond 0 .. Count − 1 too.
    std::string name(int index) const;
    void setChannel(int index, Channel channel);
    bool isDefault(int index) const { return channel(index) == defaultChannel(index); }
    bool allDefault() const;
    // The name differs from the default one.
    bool named(int index) const { return channel(index).name != defaultName(index); }

    bool operator==(const ChannelSetup&) const = default;

private:
    std::array<Channel, Count> m_channels;
};

}  // namespace tqv::channels
