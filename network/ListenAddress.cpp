#include "network/ListenAddress.h"

namespace tqv::network {

std::variant<ListenAddress, QString> parseListenAddress(const QString& text, bool addressOptional) {
    ListenAddress listen;
    QString host;
    QString port = text;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = text.left(colon);
        port = text.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
            host = host.mid(1, host.size() - 2);
        }
        if (!listen.address.setAddress(host)) {
            return QStringLiteral("\"%1\" is no IP address").arg(host);
        }
    } else if (!addressOptional) {
        return QStringLiteral("\"%1\" is not ADDR:PORT").arg(text);
    }
    bool valid = false;
    const uint number = port.toUInt(&valid);
    if (!valid || number > 65535)
        return QStringLiteral("\"%1\" is no port number (0 to 65535)").arg(port);
    listen.port = static_cast<quint16>(number);
    return listen;
}

QString listenText(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}

}  // namespace tqv::network
