#include "app/ServerAttachment.h"

#include <utility>

namespace tqv::app {

ServerAttachment::ServerAttachment(window::FormEvents& events, session::CardSession& session,
                                   instrument::InstrumentSettings settings)
    : m_host(events, session),
      m_instrument(session, m_host, nullptr,
                   [&] {
                       settings.recordingRefused =
                           "the panel records through the scope's Record button";
                       return std::move(settings);
                   }()),
      m_server(m_instrument, session.clock()) {}

std::optional<QString> ServerAttachment::listen(const network::ListenAddress& address) {
    return m_server.listen(address);
}

}  // namespace tqv::app
