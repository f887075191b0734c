// Where a server listens, as --listen gives it: "ADDR:PORT", "[::1]:PORT" or, where the
// address may be left out, "PORT" alone on loopback. Port 0 takes any free port.
#pragma once

#include <QHostAddress>
#include <QString>
#include <optional>
#include <variant>

namespace tqv::network {

struct ListenAddress {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 5025;
};

// The address, or why the text is none.
std::variant<ListenAddress, QString> parseListenAddress(const QString& text, bool addressOptional);

// "127.0.0.1:5025", "[::1]:5025".
QString listenText(const QHostAddress& address, quint16 port);

}  // namespace tqv::network
