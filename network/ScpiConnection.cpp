#include "network/ScpiConnection.h"

#include <array>

#ifndef _WIN32
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <cerrno>
#include <chrono>
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
    // megabytes then costs no copy into Qt's buffer and no write of a chunk per turn of
    // the event loop, and a short answer leaves at once. While the client keeps reading,
    // the block goes on straight from the ring as the buffer drains, for a few
    // milliseconds at most: the event loop also drains the card, whose queue holds 15 ms
    // at the fastest rate. A client that stops reading costs one wait of a millisecond.
    if (m_socket->bytesToWrite() == 0) {
        constexpr auto kLongestDirectSend = std::chrono::milliseconds(4);
        constexpr int kDrainWaitMs = 1;
        const int descriptor = static_cast<int>(m_socket->socketDescriptor());
        const auto until = std::chrono::steady_clock::now() + kLongestDirectSend;
        while (!bytes.empty()) {
            const ssize_t sent =
                ::send(descriptor, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(sent));
                continue;
            }
            if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
            if (std::chrono::steady_clock::now() >= until) break;
            pollfd writable{descriptor, POLLOUT, 0};
            if (::poll(&writable, 1, kDrainWaitMs) <= 0) break;
        }
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
