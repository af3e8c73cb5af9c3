#include "Common/SingleApp/SingleApplication.h"

#include "Common/SingleApp/InstanceMessage.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QSemaphore>
#include <QThread>

#include <algorithm>
#include <vector>

using namespace InstanceMessage;

namespace {

// A sender gets this long to deliver its greeting and message.
constexpr int kServeMs = 2000;
// Connections served at once; any beyond are dropped unread so that a flood
// of connections cannot pile up threads.
constexpr int kMaxConnections = 8;

int Remaining(const QDeadlineTimer& deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

bool WriteAll(QLocalSocket& socket, const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    if (socket.write(bytes) != bytes.size())
        return false;
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(Remaining(deadline)))
            return false;
    }
    return true;
}

// Reads frames until `count` have arrived; false on time-out, disconnection
// or a frame no instance of ours would send.
bool ReadFrames(QLocalSocket& socket, CFrameReader& reader, QStringList& frames, int count,
                const QDeadlineTimer& deadline)
{
    for (;;) {
        QString text;
        while (frames.size() < count && reader.Next(text))
            frames << text;
        if (frames.size() >= count)
            return true;
        if (reader.IsBroken() || deadline.hasExpired())
            return false;
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(Remaining(deadline)))
            return false;
        reader.Append(socket.readAll());
    }
}

// Serves one incoming connection: greeting, message, acknowledgement.
class CConnectionThread : public QThread
{
    Q_OBJECT

public:
    CConnectionThread(quintptr descriptor, const QString& greeting)
        : m_descriptor(descriptor)
        , m_greeting(greeting)
    {
    }

signals:
    void received(const QString& message);

protected:
    void run() override
    {
        QLocalSocket socket;
        if (!socket.setSocketDescriptor(m_descriptor))
            return;
        const QDeadlineTimer deadline(kServeMs);
        CFrameReader reader;
        QStringList frames;
        if (!ReadFrames(socket, reader, frames, 1, deadline) || frames.at(0) != m_greeting
            || !ReadFrames(socket, reader, frames, 2, deadline)) {
            socket.abort();
            return;
        }
        emit received(frames.at(1));
        WriteAll(socket, EncodeFrame(Acknowledgement()), deadline);
        socket.disconnectFromServer();
    }

private:
    quintptr m_descriptor;
    QString m_greeting;
};

class CInstanceServer : public QLocalServer
{
public:
    CInstanceServer(const QString& greeting, SingleApplication* guard)
        : m_greeting(greeting)
        , m_guard(guard)
    {
    }

    ~CInstanceServer() override
    {
        close();
        for (auto& connection : m_connections)
            connection->wait();
    }

protected:
    void incomingConnection(quintptr descriptor) override
    {
        m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(),
                                           [](const std::unique_ptr<CConnectionThread>& c) {
                                               return c->isFinished();
                                           }),
                            m_connections.end());
        if (int(m_connections.size()) >= kMaxConnections) {
            QLocalSocket refused;
            if (refused.setSocketDescriptor(descriptor))
                refused.abort();
            return;
        }
        auto connection = std::make_unique<CConnectionThread>(descriptor, m_greeting);
        connect(connection.get(), &CConnectionThread::received, m_guard, &SingleApplication::messageReceived,
                Qt::QueuedConnection);
        connection->start();
        m_connections.push_back(std::move(connection));
    }

private:
    QString m_greeting;
    SingleApplication* m_guard;
    std::vector<std::unique_ptr<CConnectionThread>> m_connections;
};

} // namespace

// Runs the local server on a thread of its own, so that the running instance
// answers even while its window is busy loading a show.
class CInstanceListener : public QThread
{
public:
    CInstanceListener(const QString& serverName, const QString& greeting, SingleApplication* guard)
        : m_serverName(serverName)
        , m_greeting(greeting)
        , m_guard(guard)
    {
    }

    ~CInstanceListener() override
    {
        quit();
        wait();
    }

    bool StartListening()
    {
        start();
        m_ready.acquire();
        return m_bListening;
    }

protected:
    void run() override
    {
        CInstanceServer server(m_greeting, m_guard);
        server.setSocketOptions(QLocalServer::UserAccessOption);
        // Only the one instance listens, so a socket file still there was left
        // by an instance that did not end cleanly.
        QLocalServer::removeServer(m_serverName);
        m_bListening = server.listen(m_serverName);
        m_ready.release();
        if (m_bListening)
            exec();
    }

private:
    QString m_serverName;
    QString m_greeting;
    SingleApplication* m_guard;
    QSemaphore m_ready;
    bool m_bListening = false;
};

namespace {

QString BaseKey(const QString& name)
{
    // Each user runs their own instance; the hash keeps the names short and
    // free of characters a socket path or segment key cannot hold.
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    const QByteArray hash =
        QCryptographicHash::hash((name + QLatin1Char('/') + user).toUtf8(), QCryptographicHash::Sha1).toHex();
    QString safeName = name;
    safeName.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")));
    return safeName + QLatin1Char('-') + QString::fromLatin1(hash.left(16));
}

} // namespace

SingleApplication::SingleApplication(const QString& name, QObject* parent)
    : QObject(parent)
    , m_serverName(ServerName(name))
    , m_greeting(Greeting(ServerName(name)))
{
    m_segment.setKey(SegmentKey(name));
    if (!m_segment.create(1)) {
        if (m_segment.error() == QSharedMemory::AlreadyExists && CanReachServer(500)) {
            m_bRunning = true;
            return;
        }
        // Held so that the stale segment goes away when this instance ends.
        m_segment.attach();
    }
    m_listener = std::make_unique<CInstanceListener>(m_serverName, m_greeting, this);
    if (!m_listener->StartListening())
        qWarning("SingleApplication: cannot listen on %s", qPrintable(m_serverName));
}

SingleApplication::~SingleApplication()
{
    // The listener waits for every connection thread before it is gone, so
    // no message can arrive for this object once it is destroyed.
    m_listener.reset();
}

QString SingleApplication::ServerName(const QString& name)
{
    return BaseKey(name);
}

QString SingleApplication::SegmentKey(const QString& name)
{
    return BaseKey(name) + QStringLiteral("-segment");
}

bool SingleApplication::CanReachServer(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    const bool reached = socket.waitForConnected(timeoutMs);
    socket.abort();
    return reached;
}

bool SingleApplication::sendMessage(const QString& message, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(Remaining(deadline)))
        return false;
    if (!WriteAll(socket, EncodeFrame(m_greeting) + EncodeFrame(message), deadline))
        return false;
    CFrameReader reader;
    QStringList frames;
    const bool acknowledged =
        ReadFrames(socket, reader, frames, 1, deadline) && frames.at(0) == Acknowledgement();
    socket.abort();
    return acknowledged;
}

#include "SingleApplication.moc"
