// A listener that writes down every event a surface raises, with how deeply it was
// nested inside other events, and can react to one while it is being raised.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "window/ControlSurface.h"

namespace tqv::test {

struct RaisedEvent {
    window::Control control;
    window::Event event;
    int depth;  // 1 for an event raised from outside any other
};

class RecordingEvents : public window::FormEvents {
public:
    void raise(window::Control control, window::Event event) override {
        ++m_depth;
        raised.push_back({control, event, m_depth});
        if (onEvent) onEvent(control, event);
        --m_depth;
    }

    int count(window::Control control, window::Event event) const {
        return static_cast<int>(std::count_if(raised.begin(), raised.end(), [&](const auto& e) {
            return e.control == control && e.event == event;
        }));
    }
    int count(window::Event event) const {
        return static_cast<int>(std::count_if(raised.begin(), raised.end(),
                                              [&](const auto& e) { return e.event == event; }));
    }
    void clear() { raised.clear(); }

    std::vector<RaisedEvent> raised;
    std::function<void(window::Control, window::Event)> onEvent;

private:
    int m_depth = 0;
};

}  // namespace tqv::test
