#include "network/ScpiConnection.h"

#include <array>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/types.h>
#endif

#include "network/ListenAddress.h"

namespace tqv::network {

ScpiConnection::ScpiConnection(QTcpSocket* socket, instrument::Instrument& instrument,
                               session::Clock& clock)
    : m_socket(socket), m_clock(clock) {
    m_socket->setParent(this);
    m_peer = listenText(m_socket->peerAddress(), m_socket->peerPort());
    // Qt stops reading from the system once this much waits unread, so a client the
    // session holds back fills its own socket, not the server's memory.
    m_socket->setReadBufferSize(static_cast<qint64>(instrument::ClientSession::MaxLine));
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_session = std::make_unique<instrument::ClientSession>(
        instrument, static_cast<instrument::ClientOutput&>(*this));
    connect(m_socket, &QTcpSocket::readyRead, this, &ScpiConnection::pump);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        m_session->outputTaken(m_clock.now());
        pump();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] { close({}); });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // A client that closes its end first is no error, only gone.
        close(error == QAbstractSocket::RemoteHostClosedError ? QString()
                                                              : m_socket->errorString());
    });
}

ScpiConnection::~ScpiConnection() {
    // The session goes before the socket it writes to.
    m_session.reset();
}

void ScpiConnection::pump() {
    if (m_closed) return;
    std::array<char, 16 * 1024> buffer;
    while (m_session->wantsInput()) {
        m_session->run();
        if (!m_session->wantsInput()) break;
        const qint64 read = m_socket->read(buffer.data(), static_cast<qint64>(buffer.size()));
        if (read <= 0) break;
        m_session->receive(std::string_view(buffer.data(), static_cast<std::size_t>(read)));
    }
    dropIfDue();
}

bool ScpiConnection::dropIfDue() {
    if (m_closed) return true;
    const auto reason = m_session->dropReason(m_clock.now());
    if (!reason) return false;
    close(QString::fromStdString(*reason));
    return true;
}

void ScpiConnection::write(std::string_view bytes) {
    if (m_closed || bytes.empty()) return;
#ifndef _WIN32
    // Straight into the system's buffer while nothing of Qt's waits before it: a block of
    // megabytes then costs one copy rather than one into Qt's buffer and a write of a
    // chunk per turn of the event loop after it, and a short answer leaves at once.
    if (m_socket->bytesToWrite() == 0) {
        const ssize_t sent = ::send(static_cast<int>(m_socket->socketDescriptor()), bytes.data(),
                                    bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
#endif
    // The rest, and everything after it, through Qt: in order, written as the client reads.
    if (!bytes.empty()) m_socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::size_t ScpiConnection::pending() const {
    return m_closed ? 0 : static_cast<std::size_t>(m_socket->bytesToWrite());
}

void ScpiConnection::close(const QString& reason) {
    if (m_closed) return;
    m_closed = true;
    // What was queued for a dropped client goes with it; the socket closes at once.
    m_socket->abort();
    emit closed(this, reason);
}

}  // namespace tqv::network
