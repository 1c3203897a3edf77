#include "ui/ModuleEndpoint.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace kestra {

ModuleEndpoint::ModuleEndpoint(QObject *parent) : QObject(parent), server_(new QLocalServer(this))
{
    connect(server_, &QLocalServer::newConnection, this, [this]() {
        while (QLocalSocket *socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket]() {
                if (socket->readAll().startsWith("raise"))
                    Q_EMIT raiseRequested();
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QString ModuleEndpoint::endpointName(const QString &caption)
{
    const QByteArray digest = QCryptographicHash::hash(caption.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("kestra-%1-").arg(getuid()) + QString::fromLatin1(digest);
}

bool ModuleEndpoint::listen(const QString &caption)
{
    const QString name = endpointName(caption);
    if (raiseRunning(caption))
        return false;
    QLocalServer::removeServer(name); // a stale socket of a client that crashed
    return server_->listen(name);
}

bool ModuleEndpoint::raiseRunning(const QString &caption)
{
    QLocalSocket socket;
    socket.connectToServer(endpointName(caption));
    if (!socket.waitForConnected(300))
        return false;
    socket.write("raise\n");
    socket.waitForBytesWritten(300);
    socket.disconnectFromServer();
    return true;
}

} // namespace kestra
