#pragma once

// Tests that open UDP sockets run only inside a network namespace made for
// them, where the loopback is the only interface: the test class that makes
// the namespace re-runs the test program in it, naming the class to run.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QProcess>
#include <QStringList>
#include <QUdpSocket>
#include <QVector>

namespace LoopbackNetwork {

constexpr char kNamespaceVariable[] = "ORVANE_PRIVATE_NETNS";

inline bool InPrivateNamespace()
{
    return qEnvironmentVariable(kNamespaceVariable) == QLatin1String("1");
}

inline bool OnlyLoopback()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        if (!(iface.flags() & QNetworkInterface::IsLoopBack))
            return false;
    }
    return true;
}

inline bool CanMakeNamespace()
{
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("true")});
    return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

// Runs this program with `arguments` in a fresh network namespace with the
// loopback up (with `ownIpc`, in a fresh IPC namespace too); the exit code
// of that run, -1 when it did not finish within `timeoutMs` (-1: however
// long it takes).
inline int RunInPrivateNamespace(const QStringList& arguments, int timeoutMs = 120000, bool ownIpc = false)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kNamespaceVariable), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList unshare = {QStringLiteral("-n")};
    if (ownIpc)
        unshare << QStringLiteral("-i");
    unshare << QStringLiteral("sh") << QStringLiteral("-c")
            << QStringLiteral("PATH=\"$PATH:/usr/sbin:/sbin\"; ip link set lo up && exec \"$0\" \"$@\"")
            << QCoreApplication::applicationFilePath() << arguments;
    child.start(QStringLiteral("unshare"), unshare);
    if (!child.waitForFinished(timeoutMs) || child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}

// Runs `testClass` of this test program so.
inline int RunInPrivateNamespace(const QString& testClass, int timeoutMs = 120000)
{
    return RunInPrivateNamespace(QStringList{testClass}, timeoutMs);
}

const QHostAddress kController(QStringLiteral("127.0.0.1"));
const QHostAddress kPolledNode(QStringLiteral("127.0.0.3"));
const QHostAddress kNodeAddress(QStringLiteral("127.0.0.4"));

// An ArtPollReply as the protocol lays it out: the node's IPv4 address at
// 10, short name at 26, port count at 173, port types at 174 (0x80: output)
// and SwOut at 190; Net and Sub-Net 0.
inline QByteArray PollReply(const QHostAddress& ip, const QVector<quint8>& swOut)
{
    QByteArray p(239, '\0');
    p.replace(0, 8, QByteArray("Art-Net\0", 8));
    p[9] = 0x21;
    const quint32 a = ip.toIPv4Address();
    for (int i = 0; i < 4; ++i)
        p[10 + i] = char(a >> (24 - 8 * i));
    p.replace(26, 9, "Test node");
    p[173] = char(swOut.size());
    for (int i = 0; i < swOut.size(); ++i) {
        p[174 + i] = char(0x80);
        p[190 + i] = char(swOut[i]);
    }
    return p;
}

// The same for ports in the Net and Sub-Net of `portAddress`, on page
// `bindIndex` (at 211; 0 leaves it out as older nodes do) of a node with more ports.
inline QByteArray PollReply(const QHostAddress& ip, const QVector<quint8>& swOut, quint16 portAddress, quint8 bindIndex = 0)
{
    QByteArray p = PollReply(ip, swOut);
    p[18] = char((portAddress >> 8) & 0x7F); // Net
    p[19] = char((portAddress >> 4) & 0x0F); // Sub-Net
    p[211] = char(bindIndex);
    return p;
}

// Descriptors this process holds open now.
inline int OpenDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

inline bool Bind(QUdpSocket& socket, const QHostAddress& address)
{
    return socket.bind(address, 6454, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
}

inline QVector<QByteArray> Receive(QUdpSocket& socket, int count, int timeoutMs = 30000)
{
    QVector<QByteArray> received;
    QElapsedTimer clock;
    clock.start();
    while (received.size() < count && clock.elapsed() < timeoutMs) {
        if (!socket.hasPendingDatagrams())
            socket.waitForReadyRead(50);
        while (socket.hasPendingDatagrams())
            received << socket.receiveDatagram().data();
    }
    return received;
}

// The Port-Address of an ArtDmx packet, -1 for anything else.
inline int DmxPortAddress(const QByteArray& packet)
{
    if (packet.size() < 18 || !packet.startsWith(QByteArray("Art-Net\0", 8)) || quint8(packet[8]) != 0x00
        || quint8(packet[9]) != 0x50)
        return -1;
    return quint8(packet[14]) | (quint8(packet[15]) & 0x7F) << 8;
}

} // namespace LoopbackNetwork
