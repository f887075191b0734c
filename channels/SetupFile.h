// The channel setup as a JSON file, read with a refusal that names the file, the line
// and the field, and written whole through the one atomic save:
//   {"channels": [{"channel": 0, "name": "Supply", "unit": "V",
//                  "points": [[448, -5.0], [3648, 5.0]]}]}
// A channel left out, or a field left out of a channel, keeps its default.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "channels/ChannelSetup.h"

namespace tqv::channels {

struct SetupError {
    enum class Kind {
        // No file of that name: a setup not saved yet.
        Missing,
        // The file is there but cannot be read.
        Unreadable,
        // It was read, and refused.
        Refused,
    };
    Kind kind = Kind::Refused;
    // One sentence: "channels.json, line 4, field "channels[0].unit": the unit has 17
    // characters; at most 16".
    std::string message;
};

// The largest file read: a setup takes a few hundred bytes.
inline constexpr std::size_t LargestSetupFile = 1 << 20;

// `fileName` is how the messages name the text's file.
std::variant<ChannelSetup, SetupError> parseSetup(std::string_view json, std::string_view fileName);
std::variant<ChannelSetup, SetupError> readSetup(const std::filesystem::path& file);
// As readSetup, but no file at all gives the defaults: a setup not saved yet.
std::variant<ChannelSetup, SetupError> readSetupIfSaved(const std::filesystem::path& file);

// Every channel that is not at its defaults, one a line.
std::string setupJson(const ChannelSetup& setup);
// Through the atomic save; empty on success, else why.
std::optional<std::string> saveSetup(const std::filesystem::path& file, const ChannelSetup& setup);

// $XDG_CONFIG_HOME/tqv-multibuf/channels.json, with ~/.config where XDG_CONFIG_HOME is
// unset, empty or not an absolute path.
std::filesystem::path defaultSetupPath();

}  // namespace tqv::channels
