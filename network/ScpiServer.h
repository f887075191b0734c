// The instrument on TCP: one ScpiConnection per client, up to MaxClients at once (a
// client beyond them is dropped as it comes), and a look fifty times a second for
// clients whose answers lie unread and for a *TST? whose run is over. Everything runs
// on the thread of the event loop that owns the card session.
#pragma once

#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "network/ListenAddress.h"
#include "session/Clock.h"

namespace tqv::instrument {
class Instrument;
}

namespace tqv::network {

class ScpiConnection;

class ScpiServer final : public QObject {
    Q_OBJECT

public:
    static constexpr int MaxClients = 16;

    ScpiServer(instrument::Instrument& instrument, session::Clock& clock);
    ~ScpiServer() override;

    // Empty once listening, else why not ("address in use").
    std::optional<QString> listen(const ListenAddress& address);
    // Where it listens, with the port a request for port 0 was given.
    QString listening() const;
    int clients() const { return static_cast<int>(m_connections.size()); }

    // With every client that comes or goes: its address, and why it was dropped (empty
    // when it left by itself). For --verbose.
    std::function<void(const QString& peer, bool connected, const QString& reason)> onClient;

private:
    void accept();
    void closed(ScpiConnection* connection, const QString& reason);
    void look();

    instrument::Instrument& m_instrument;
    session::Clock& m_clock;
    QTcpServer m_server;
    std::vector<ScpiConnection*> m_connections;
    QTimer m_looking;
};

}  // namespace tqv::network
