#pragma once

#include "app/shell/MivLaunchArguments.h"

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

// One running program per user session: the first launch listens on a local
// socket, and a later launch hands its paths and URLs to it and ends.
// Messages are a 4-byte big-endian length and the encoded arguments; the
// receiver answers one byte once it took them.
class MivSingleInstance : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const MivLaunchArguments& arguments)>;

    // Larger messages are refused: the channel is open to every process of the user.
    static constexpr qint32 kMaxMessageSize = 1 << 20;

    explicit MivSingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~MivSingleInstance() override;

    // $XDG_RUNTIME_DIR/MIVO.instance; without a runtime folder, one in the
    // temporary folder named after the user id.
    static QString defaultSocketPath();

    // Blocking, for a launch before its own window exists: true when a
    // running program took the arguments.
    static bool sendToRunning(const QString& socketPath, const MivLaunchArguments& arguments, int timeoutMs = 3000);

    // Becomes the receiving program (GUI thread); a socket left behind by a
    // program that ended is replaced. False when it cannot listen.
    bool listen(Handler handler);
    // Stops listening and removes the socket, so that a program started
    // from here (a relaunch) becomes the receiving one instead of handing
    // its launch to this quitting one.
    void close();

    QString socketPath() const { return m_socketPath; }

private:
    void acceptConnections();
    void readFrom(QLocalSocket* socket);

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
    Handler m_handler;
};
