// One client's socket joined to its session of the instrument: bytes in as the session
// wants them (no more is read while it holds back, so the socket's own buffer stays
// small and the client is slowed down, not the server), answers out straight into the
// socket.
#pragma once

#include <QObject>
#include <QTcpSocket>
#include <memory>
#include <optional>
#include <string>

#include "instrument/ClientOutput.h"
#include "instrument/ClientSession.h"
#include "session/Clock.h"

namespace tqv::network {

class ScpiConnection final : public QObject, private instrument::ClientOutput {
    Q_OBJECT

public:
    ScpiConnection(QTcpSocket* socket, instrument::Instrument& instrument, session::Clock& clock);
    ~ScpiConnection() override;

    // Reads and carries out what the client sent, as far as its session takes it.
    void pump();
    // Drops the client when its session says so; true when it was dropped.
    bool dropIfDue();
    QString peer() const { return m_peer; }

signals:
    // The client went or was dropped; `reason` is empty when it left by itself.
    void closed(ScpiConnection* connection, QString reason);

private:
    void write(std::string_view bytes) override;
    std::size_t pending() const override;
    void close(const QString& reason);

    QTcpSocket* m_socket;
    session::Clock& m_clock;
    QString m_peer;
    bool m_closed = false;
    std::unique_ptr<instrument::ClientSession> m_session;
};

}  // namespace tqv::network
