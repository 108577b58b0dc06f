#include "app/shell/MivSingleInstance.h"

#include "platform/Log.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>

#include <unistd.h>

namespace {

constexpr char kAck = '1';

} // namespace

MivSingleInstance::MivSingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath))
{
}

MivSingleInstance::~MivSingleInstance() = default;

QString MivSingleInstance::defaultSocketPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(QStringLiteral("MIVO.instance"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("MIVO-%1.instance").arg(::getuid()));
}

bool MivSingleInstance::sendToRunning(const QString& socketPath, const MivLaunchArguments& arguments, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    const QByteArray message = arguments.encode();
    char header[4];
    qToBigEndian<qint32>(qint32(message.size()), header);
    socket.write(header, sizeof header);
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kAck;
}

bool MivSingleInstance::listen(Handler handler)
{
    m_handler = std::move(handler);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        // Nobody answered on it, so the socket file is a left-over.
        QLocalServer::removeServer(m_socketPath);
        if (!m_server->listen(m_socketPath)) {
            MIV_LOG_ERROR(QStringLiteral("Cannot listen for later launches on %1: %2")
                              .arg(m_socketPath, m_server->errorString()));
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, &MivSingleInstance::acceptConnections);
    return true;
}

void MivSingleInstance::close()
{
    if (m_server)
        m_server->close();
}

void MivSingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        readFrom(socket);
    }
}

void MivSingleInstance::readFrom(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < 4)
        return;
    char header[4];
    socket->peek(header, sizeof header);
    const qint32 size = qFromBigEndian<qint32>(header);
    if (size < 0 || size > kMaxMessageSize) {
        MIV_LOG_WARN(QStringLiteral("Refused a launch message of %1 bytes").arg(size));
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < 4 + size)
        return;
    socket->skip(4);
    const QByteArray message = socket->read(size);
    socket->write(&kAck, 1);
    socket->flush();
    const MivLaunchArguments arguments = MivLaunchArguments::decode(message);
    if (m_handler && !arguments.isEmpty())
        m_handler(arguments);
}
