#include "instrument/RecordingControl.h"

#include <algorithm>
#include <cctype>

namespace tqv::instrument {

std::optional<std::string> recordingNameProblem(const std::string& name) {
    if (name.empty()) return "an empty name";
    if (name.find_first_of("/\\") != std::string::npos) return "a name, not a path, is wanted";
    if (name.find("..") != std::string::npos) return "\"..\" has no place in a name";
    std::string kind = name.size() >= 4 ? name.substr(name.size() - 4) : std::string();
    std::transform(kind.begin(), kind.end(), kind.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (kind != ".wav" && kind != ".csv") return "a recording ends in .wav or .csv";
    return std::nullopt;
}

}  // namespace tqv::instrument
