// The panel's acquisition for a network client: INITiate and ABORt press Start and Stop
// through the panel's own handlers, so the window shows the state as if the operator
// had clicked. Stop is pressed only while acquiring, as a disabled button cannot be.
#pragma once

#include "instrument/AcquisitionHost.h"
#include "session/CardSession.h"
#include "window/ControlSurface.h"

namespace tqv::app {

class PanelHost final : public instrument::AcquisitionHost {
public:
    PanelHost(window::FormEvents& events, session::CardSession& session)
        : m_events(events), m_session(session) {}

    std::optional<std::string> start() override;
    void stop() override;
    session::StartParameters startParameters() const override { return session::PanelStart; }

private:
    window::FormEvents& m_events;
    session::CardSession& m_session;
};

}  // namespace tqv::app
