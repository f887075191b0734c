// How the program that serves the card starts and stops acquisition: tqv-serve drives
// its own drain, the panel presses its own Start and Stop buttons, so that the window
// shows what a client asked for.
#pragma once

#include <optional>
#include <string>

#include "session/StartParameters.h"

namespace tqv::instrument {

class AcquisitionHost {
public:
    virtual ~AcquisitionHost() = default;
    // Empty when acquisition runs afterwards, else why it does not.
    virtual std::optional<std::string> start() = 0;
    virtual void stop() = 0;
    // What a start asks of the card.
    virtual session::StartParameters startParameters() const = 0;
};

}  // namespace tqv::instrument
