#include "channels/SetupFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "channels/JsonLines.h"
#include "files/AtomicSave.h"
#include "files/ConfigFolder.h"

namespace tqv::channels {

namespace {

using nlohmann::json;

constexpr std::string_view ChannelsKey = "channels";

// Reads the parsed setup, refusing with the line of the field at fault.
class SetupReader {
public:
    SetupReader(std::string_view text, std::string_view fileName)
        : m_text(text), m_fileName(fileName) {}

    std::variant<ChannelSetup, SetupError> read(const json& root) {
        if (!root.is_object()) return refuse("", "the file holds no JSON object");
        for (const auto& [key, value] : root.items()) {
            if (key != ChannelsKey)
                return refuse(key, "unknown field; the file holds \"channels\"");
        }
        ChannelSetup setup;
        const auto channels = root.find(ChannelsKey);
        if (channels == root.end()) return setup;
        if (!channels->is_array()) return refuse("channels", "not a list of channels");
        std::set<int> seen;
        for (std::size_t i = 0; i < channels->size(); ++i) {
            const std::string path = "channels[" + std::to_string(i) + "]";
            auto refusal = readChannel((*channels)[i], path, seen, setup);
            if (refusal) return *refusal;
        }
        return setup;
    }

private:
    std::optional<SetupError> readChannel(const json& entry, const std::string& path,
                                          std::set<int>& seen, ChannelSetup& setup) {
        if (!entry.is_object()) return refuse(path, "a channel is an object {\"channel\": N, ...}");
        for (const auto& [key, value] : entry.items()) {
            if (key != "channel" && key != "name" && key != "unit" && key != "points") {
                return refuse(path + "." + key,
                              "unknown field; a channel has channel, name, unit and points");
            }
        }
        const auto number = entry.find("channel");
        if (number == entry.end()) return refuse(path, "\"channel\" is missing");
        const std::string numberPath = path + ".channel";
        if (!number->is_number_integer() || number->get<long long>() < 0 ||
            number->get<long long>() >= ChannelSetup::Count) {
            return refuse(numberPath, "the channel is 0 to " +
                                          std::to_string(ChannelSetup::Count - 1) + ", not " +
                                          number->dump());
        }
        const int index = number->get<int>();
        if (!seen.insert(index).second) {
            return refuse(numberPath, "channel " + std::to_string(index) + " is given twice");
        }
        Channel channel = ChannelSetup::defaultChannel(index);
        for (const auto& [key, check, field] : {std::tuple{"name", &nameProblem, &channel.name},
                                                std::tuple{"unit", &unitProblem, &channel.unit}}) {
            const auto text = entry.find(key);
            if (text == entry.end()) continue;
            const std::string textPath = path + "." + key;
            if (!text->is_string()) return refuse(textPath, "not a string: " + text->dump());
            if (auto problem = (*check)(text->get_ref<const std::string&>())) {
                return refuse(textPath, *problem);
            }
            *field = text->get<std::string>();
        }
        if (const auto points = entry.find("points"); points != entry.end()) {
            auto calibration = readPoints(*points, path + ".points");
            if (auto* refusal = std::get_if<SetupError>(&calibration)) return *refusal;
            channel.calibration = std::get<Calibration>(calibration);
        }
        setup.setChannel(index, std::move(channel));
        return std::nullopt;
    }

    std::variant<Calibration, SetupError> readPoints(const json& points, const std::string& path) {
        const auto pairOfNumbers = [](const json& point) {
            return point.is_array() && point.size() == 2 && point[0].is_number() &&
                   point[1].is_number();
        };
        if (!points.is_array() || points.size() != 2 || !pairOfNumbers(points[0]) ||
            !pairOfNumbers(points[1])) {
            return refuse(path, "two points [[code, value], [code, value]], not " + points.dump());
        }
        CalibrationPoint read[2];
        for (std::size_t i = 0; i < 2; ++i) {
            const json& code = points[i][0];
            const std::string codePath = path + "[" + std::to_string(i) + "][0]";
            if (!code.is_number_integer() || code.get<long long>() < -32768 ||
                code.get<long long>() > 32767) {
                return refuse(codePath,
                              "a code is a whole number from -32768 to 32767, not " + code.dump());
            }
            read[i] = {code.get<int>(), points[i][1].get<double>()};
        }
        auto line = Calibration::fromPoints(read[0], read[1]);
        if (auto* problem = std::get_if<std::string>(&line)) return refuse(path, *problem);
        return std::get<Calibration>(line);
    }

    SetupError refuse(const std::string& path, const std::string& problem) {
        if (!m_lines) m_lines = jsonValueLines(m_text);
        std::string message(m_fileName);
        if (const auto line = m_lines->find(path); line != m_lines->end()) {
            message += ", line " + std::to_string(line->second);
        }
        if (!path.empty()) message += ", field \"" + path + "\"";
        return {SetupError::Kind::Refused, message + ": " + problem};
    }

    std::string_view m_text;
    std::string_view m_fileName;
    std::optional<std::map<std::string, int>> m_lines;
};

int lineAt(std::string_view text, std::size_t byte) {
    int line = 1;
    for (std::size_t i = 0; i < byte && i < text.size(); ++i) line += text[i] == '\n';
    return line;
}

// What the parser says after its own position ("... at line 3, column 5: "): the
// position is given as the file's line instead.
std::string parseProblem(const json::parse_error& error) {
    const std::string what = error.what();
    const auto column = what.find("column ");
    const auto colon = what.find(": ", column == std::string::npos ? 0 : column);
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

}  // namespace

std::variant<ChannelSetup, SetupError> parseSetup(std::string_view text,
                                                  std::string_view fileName) {
    json root;
    try {
        root = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& error) {
        // The byte at fault is one past where the parser stopped reading.
        const std::size_t byte = error.byte > 0 ? error.byte - 1 : 0;
        return SetupError{SetupError::Kind::Refused, std::string(fileName) + ", line " +
                                                         std::to_string(lineAt(text, byte)) +
                                                         ": not JSON: " + parseProblem(error)};
    }
    return SetupReader(text, fileName).read(root);
}

std::variant<ChannelSetup, SetupError> readSetup(const std::filesystem::path& file) {
    const std::string name = files::displayName(file);
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return SetupError{SetupError::Kind::Missing, name + ": no such file"};
    }
    if (status.type() == std::filesystem::file_type::directory) {
        return SetupError{SetupError::Kind::Unreadable, name + ": a folder, not a file"};
    }
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return SetupError{SetupError::Kind::Unreadable,
                          name + ": cannot be read: " + std::strerror(errno)};
    }
    std::string text;
    std::array<char, 4096> chunk{};
    while (stream.read(chunk.data(), chunk.size()) || stream.gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(stream.gcount()));
        if (text.size() > LargestSetupFile) {
            return SetupError{SetupError::Kind::Refused, name + ": larger than " +
                                                             std::to_string(LargestSetupFile) +
                                                             " bytes: no channel setup"};
        }
    }
    if (stream.bad()) {
        return SetupError{SetupError::Kind::Unreadable, name + ": cannot be read"};
    }
    return parseSetup(text, name);
}

std::variant<ChannelSetup, SetupError> readSetupIfSaved(const std::filesystem::path& file) {
    auto read = readSetup(file);
    if (const auto* error = std::get_if<SetupError>(&read);
        error != nullptr && error->kind == SetupError::Kind::Missing) {
        return ChannelSetup();
    }
    return read;
}

std::string setupJson(const ChannelSetup& setup) {
    std::string text = "{\"channels\": [";
    bool first = true;
    for (int index = 0; index < ChannelSetup::Count; ++index) {
        if (setup.isDefault(index)) continue;
        const Channel& channel = setup.channel(index);
        nlohmann::ordered_json entry;
        entry["channel"] = index;
        entry["name"] = channel.name;
        entry["unit"] = channel.unit;
        if (!channel.calibration.identity()) {
            const auto& [a, b] = channel.calibration.points();
            entry["points"] = {{a.code, a.value}, {b.code, b.value}};
        }
        text += first ? "\n  " : ",\n  ";
        text += entry.dump(-1, ' ', false, json::error_handler_t::replace);
        first = false;
    }
    text += first ? "]}\n" : "\n]}\n";
    return text;
}

std::optional<std::string> saveSetup(const std::filesystem::path& file, const ChannelSetup& setup) {
    std::error_code error;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
    return files::saveAtomically(file, setupJson(setup));
}

std::filesystem::path defaultSetupPath() { return files::programConfigFolder() / "channels.json"; }

}  // namespace tqv::channels
