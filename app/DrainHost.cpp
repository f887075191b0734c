#include "app/DrainHost.h"

#include <chrono>

namespace tqv::app {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(2);

}  // namespace

DrainHost::DrainHost(session::CardSession& session, session::StartParameters parameters)
    : m_session(session), m_parameters(parameters), m_drain(session, kPollInterval) {
    m_polling.setTimerType(Qt::PreciseTimer);
    m_polling.setInterval(kPollInterval);
    connect(&m_polling, &QTimer::timeout, this, [this] {
        m_drain.fetchWaiting();
        if (!m_session.running()) m_polling.stop();
    });
}

std::optional<std::string> DrainHost::start() {
    if (const auto failure = m_drain.start(m_parameters))
        return session::startFailureText(*failure);
    m_polling.start();
    return std::nullopt;
}

void DrainHost::stop() {
    m_polling.stop();
    m_session.stop(session::StopCause::Stopped);
}

}  // namespace tqv::app
