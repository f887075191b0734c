// tqv-serve's acquisition: the session's headless drain, polled from the event loop by
// a timer a little shorter than a block at a hundred times the panel's rate, so that
// clients and acquisition share one thread and the card's queue (HeadlessStart) rides
// out a busy moment. The timer runs only while acquisition does.
#pragma once

#include <QObject>
#include <QTimer>
#include <optional>
#include <string>

#include "instrument/AcquisitionHost.h"
#include "session/BlockDrain.h"
#include "session/CardSession.h"

namespace tqv::app {

class DrainHost final : public QObject, public instrument::AcquisitionHost {
public:
    DrainHost(session::CardSession& session, session::StartParameters parameters);

    std::optional<std::string> start() override;
    void stop() override;
    session::StartParameters startParameters() const override { return m_parameters; }

private:
    session::CardSession& m_session;
    const session::StartParameters m_parameters;
    session::BlockDrain m_drain;
    QTimer m_polling;
};

}  // namespace tqv::app
