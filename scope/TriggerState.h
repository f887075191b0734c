// What the trigger is doing, as the scope's state label says it.
#pragma once

#include <string_view>

namespace tqv::scope {

enum class TriggerState {
    // The card is not acquiring.
    Stopped,
    // The view is paused; acquisition goes on.
    Paused,
    // No edge: the newest span, untriggered.
    Auto,
    // Normal or Single, waiting for an edge.
    Armed,
    // The view shows a triggered capture.
    Triggered,
    // Single has fired and holds its view until re-armed.
    Held,
};

// "Stopped", "Paused", "Auto", "Armed", "Trig'd", "Held".
std::string_view triggerStateText(TriggerState state);

}  // namespace tqv::scope
