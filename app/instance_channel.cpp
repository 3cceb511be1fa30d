#include "app/instance_channel.h"

#include <QLocalSocket>

#include <filesystem>

namespace {

constexpr int kAnswerWaitMs = 5000;
// A path is a line; nothing longer than the system allows for one is taken.
constexpr qint64 kLongestPath = 4096;

}  // namespace

InstanceChannel::InstanceChannel(const QString& name, QObject* parent) : QObject(parent), name(name)
{
    connect(&server, &QLocalServer::newConnection, this, &InstanceChannel::OnConnection);
}

void InstanceChannel::Listen()
{
    // Only the holder of the instance lock listens, so a socket there is a dead instance's.
    QLocalServer::removeServer(name);
    server.setSocketOptions(QLocalServer::UserAccessOption);
    server.listen(name);
}

void InstanceChannel::OnConnection()
{
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto take = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kLongestPath) socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(kLongestPath + 1).chopped(1);
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            if (!line.isEmpty()) emit sourceGiven(line.toStdString());
        };
        connect(socket, &QLocalSocket::readyRead, this, take);
        take();  // what came before the connection above
    }
}

bool InstanceChannel::HandOver(const QString& name, const std::string& source)
{
    // The running instance has another working folder.
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(source, error).string();
    if (error || absolute.find('\n') != std::string::npos) return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kAnswerWaitMs)) return false;
    socket.write(QByteArray::fromStdString(absolute + "\n"));
    if (!socket.waitForBytesWritten(kAnswerWaitMs)) return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(kAnswerWaitMs)) return false;
    return socket.readLine() == "ok\n";
}
