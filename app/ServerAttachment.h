// tqv-multibuf --listen: the panel serves its card to network clients while the window
// shows what they do. The instrument reads the panel's own ring (the last 20 blocks, as
// the tick stores them) and presses Start and Stop through the panel's handlers; its
// digital outputs go through the same library calls the output buttons make. The panel
// has no recording folder: RECord:STARt is refused, and the operator records through the
// scope's Record button.
#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "app/PanelHost.h"
#include "instrument/Instrument.h"
#include "network/ScpiServer.h"

namespace tqv::app {

class ServerAttachment {
public:
    ServerAttachment(window::FormEvents& events, session::CardSession& session,
                     instrument::InstrumentSettings settings);

    // Empty once listening, else why not.
    std::optional<QString> listen(const network::ListenAddress& address);
    network::ScpiServer& server() { return m_server; }
    instrument::Instrument& instrument() { return m_instrument; }

private:
    PanelHost m_host;
    instrument::Instrument m_instrument;
    network::ScpiServer m_server;
};

}  // namespace tqv::app
