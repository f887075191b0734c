#include "network/ScpiServer.h"

#include <algorithm>

#include "instrument/Instrument.h"
#include "network/ScpiConnection.h"

namespace tqv::network {

ScpiServer::ScpiServer(instrument::Instrument& instrument, session::Clock& clock)
    : m_instrument(instrument), m_clock(clock) {
    connect(&m_server, &QTcpServer::newConnection, this, &ScpiServer::accept);
    // Often enough that a fetch waiting for the next block (a block every 30 ms at the
    // card's rate) is answered soon after it comes.
    m_looking.setInterval(20);
    connect(&m_looking, &QTimer::timeout, this, &ScpiServer::look);
}

ScpiServer::~ScpiServer() {
    m_server.close();
    for (ScpiConnection* connection : m_connections) delete connection;
}

std::optional<QString> ScpiServer::listen(const ListenAddress& address) {
    if (m_server.listen(address.address, address.port)) return std::nullopt;
    return m_server.errorString();
}

QString ScpiServer::listening() const {
    return listenText(m_server.serverAddress(), m_server.serverPort());
}

void ScpiServer::accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (static_cast<int>(m_connections.size()) >= MaxClients) {
            const QString peer = listenText(socket->peerAddress(), socket->peerPort());
            socket->abort();
            socket->deleteLater();
            if (onClient)
                onClient(peer, false, QStringLiteral("more than %1 clients").arg(MaxClients));
            continue;
        }
        auto* connection = new ScpiConnection(socket, m_instrument, m_clock);
        m_connections.push_back(connection);
        connect(connection, &ScpiConnection::closed, this, &ScpiServer::closed);
        if (onClient) onClient(connection->peer(), true, {});
        m_looking.start();
        connection->pump();
    }
}

void ScpiServer::closed(ScpiConnection* connection, const QString& reason) {
    const auto found = std::find(m_connections.begin(), m_connections.end(), connection);
    if (found == m_connections.end()) return;
    m_connections.erase(found);
    if (onClient) onClient(connection->peer(), false, reason);
    // Not here: this runs inside one of the connection's own signals.
    connection->deleteLater();
    if (m_connections.empty() && !m_instrument.waiting()) m_looking.stop();
}

void ScpiServer::look() {
    m_instrument.poll();
    // A copy: a connection dropped here leaves the list at once.
    const auto connections = m_connections;
    for (ScpiConnection* connection : connections) {
        if (!connection->dropIfDue()) connection->pump();
    }
    if (m_connections.empty() && !m_instrument.waiting()) m_looking.stop();
}

}  // namespace tqv::network
