#pragma once

#include <QObject>
#include <QSharedMemory>
#include <QString>

#include <memory>

class CInstanceListener;

// Keeps the program to one instance per user. The first instance holds a
// one-byte shared-memory segment and listens on a local socket, both named
// from the application name; a later instance finds the segment, reaches
// the socket and hands over its message instead of starting. A segment left
// behind by a crashed instance does not count: when nobody answers on the
// socket, this instance is the only one.
class SingleApplication : public QObject
{
    Q_OBJECT

public:
    explicit SingleApplication(const QString& name, QObject* parent = nullptr);
    ~SingleApplication() override;

    // True when another instance runs; this one should forward and leave.
    bool isRunning() const { return m_bRunning; }
    // Hands `message` to the running instance; true once it acknowledged.
    bool sendMessage(const QString& message, int timeoutMs = 500);

    // The names both sides derive from the application name.
    static QString ServerName(const QString& name);
    static QString SegmentKey(const QString& name);

signals:
    // Emitted on this object's thread for every message another instance sent.
    void messageReceived(const QString& message);

private:
    bool CanReachServer(int timeoutMs) const;

    QString m_serverName;
    QString m_greeting;
    QSharedMemory m_segment;
    bool m_bRunning = false;
    std::unique_ptr<CInstanceListener> m_listener;
};
