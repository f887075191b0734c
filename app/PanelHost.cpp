#include "app/PanelHost.h"

#include "text/TextConversions.h"

namespace tqv::app {

std::optional<std::string> PanelHost::start() {
    m_events.raise(window::Control::cmdStart, window::Event::Click);
    if (m_session.running()) return std::nullopt;
    // The start handler showed "Error=" and the code in lblBlock, as it does for a click.
    return "the start failed, error code " + text::plainDecimal(m_session.lastErrorCode());
}

void PanelHost::stop() {
    if (m_session.running()) m_events.raise(window::Control::cmdStop, window::Event::Click);
}

}  // namespace tqv::app
