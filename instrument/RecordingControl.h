// A recording a client may start and stop by name (RECord:...), and what the fleet's
// status reports of it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "scpi/ScpiError.h"

namespace tqv::instrument {

struct RecordingState {
    bool active = false;
    // The file's name within the folder; kept after the recording ended.
    std::string file;
    int64_t gaps = 0;
};

class RecordingControl {
public:
    virtual ~RecordingControl() = default;
    // `name` has passed recordingNameProblem(). Empty on success.
    virtual std::optional<scpi::Error> start(const std::string& name) = 0;
    virtual void stop() = 0;
    virtual RecordingState state() const = 0;
    // A write error that ended the recording, told once.
    virtual std::optional<std::string> takeFailure() = 0;
    // Called on the acquiring thread whenever a recording starts or ends.
    std::function<void(bool started, const RecordingState& state)> onChange;
};

// Why a client's recording name is refused: empty, a path ("/", "\\", ".."), or a kind
// other than ".wav" or ".csv" (any case).
std::optional<std::string> recordingNameProblem(const std::string& name);

}  // namespace tqv::instrument
