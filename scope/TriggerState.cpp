#include "scope/TriggerState.h"

namespace tqv::scope {

std::string_view triggerStateText(TriggerState state) {
    switch (state) {
        case TriggerState::Stopped:
            return "Stopped";
        case TriggerState::Paused:
            return "Paused";
        case TriggerState::Auto:
            return "Auto";
        case TriggerState::Armed:
            return "Armed";
        case TriggerState::Triggered:
            return "Trig'd";
        case TriggerState::Held:
            return "Held";
    }
    return "Auto";
}

}  // namespace tqv::scope
