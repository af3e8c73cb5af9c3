#include "TestRegistry.h"

#include "DataTable.h"
#include "VethNetwork.h"

#include "Common/ArtNet/ArtNetManager.h"

#include <QDir>
#include <QLoggingCategory>
#include <QtTest>

#include <sys/resource.h>

#include <array>

// A node that stops answering ARP must cost no other node a frame. The
// kernel holds the datagrams for such a node until its neighbour entry
// fails, charged to the socket that sent them; these tests need real ARP, so
// they run over a veth pair between namespaces they make themselves.

using namespace LoopbackNetwork;
using namespace VethNetwork;

// Makes the private namespace and runs ArtNetLostNodeTest inside it.
class ArtNetLostNodeNamespaceTest : public QObject
{
    Q_OBJECT

private slots:
    void lostNodeTestsRunInAPrivateNetworkNamespace()
    {
        if (InPrivateNamespace())
            QSKIP("already inside the private namespace");
        if (!CanMakeNamespace())
            QSKIP("network namespaces cannot be made here (unshare -n failed): the lost-node tests did not run");
        QCOMPARE(RunInPrivateNamespace(QStringLiteral("ArtNetLostNodeTest")), 0);
    }
};

namespace {

constexpr int kUniverses = 16;

QStringList g_deviceLog;

void KeepDeviceLog(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QLatin1String(context.category) == QLatin1String("orvane.devices"))
        g_deviceLog << message;
}

int LogLinesAbout(const QHostAddress& node)
{
    const QString failing = QStringLiteral("Art-Net: sends to node %1 fail").arg(node.toString());
    return int(std::count_if(g_deviceLog.begin(), g_deviceLog.end(), [&](const QString& l) { return l.startsWith(failing); }));
}

// The host unreachable reports this namespace has had.
long DestinationUnreachables()
{
    return SnmpCounter("Icmp", "InDestUnreachs");
}

int OpenDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

} // namespace

class ArtNetLostNodeTest : public QObject
{
    Q_OBJECT

    std::array<std::array<quint8, 512>, kUniverses> m_universes{};
    std::unique_ptr<CPeer> m_peer;
    int m_healthy = -1; // the healthy node's socket, on the nodes' side

    CArtNetManager::OutputBuffer Out()
    {
        return [this](int u) -> const quint8* { return u >= 0 && u < kUniverses ? m_universes[size_t(u)].data() : nullptr; };
    }

    // The healthy node answers for every universe of the show.
    void AnnounceHealthyNode()
    {
        for (quint8 page = 1; page <= kUniverses / 4; ++page)
            QVERIFY(SendTo(m_healthy, FourUniverses(kHealthyNode, quint16(4 * (page - 1)), page), kPairController));
    }

    // Ticks the output by hand `ticks` times, with the event loop's turn
    // after each; returns how many ticks brought the healthy node one frame of
    // every universe, stopping at the first that did not.
    int TicksWithEveryFrame(CArtNetManager& manager, int ticks)
    {
        for (int tick = 0; tick < ticks; ++tick) {
            manager.SendUniverses(kUniverses, Out());
            std::array<int, kUniverses> frames{};
            int arrived = 0;
            while (arrived < kUniverses) {
                const QByteArray packet = Receive(m_healthy, 30000);
                if (packet.isEmpty())
                    return tick;
                const int universe = DmxPortAddress(packet);
                if (universe >= 0 && universe < kUniverses && frames[size_t(universe)]++ == 0)
                    ++arrived;
            }
            QCoreApplication::processEvents();
        }
        return ticks;
    }

private slots:
    void initTestCase()
    {
        if (!InPrivateNamespace())
            QSKIP("runs only inside the private network namespace that ArtNetLostNodeNamespaceTest makes");
        for (int u = 0; u < kUniverses; ++u) {
            for (int i = 0; i < 512; ++i)
                m_universes[size_t(u)][size_t(i)] = quint8(i + u * 7);
        }
    }

    void init()
    {
        m_peer = std::make_unique<CPeer>();
        QVERIFY(m_peer->Start());
        if (!OnlyLoopbackAndPair())
            QFAIL("refusing to send Art-Net: this namespace has an interface besides the loopback and the veth pair");
        // A failed neighbour is reported after three probes: soon, but long
        // after the old shared socket would have filled.
        QVERIFY(SetNeighbourOption(kControllerLink, "retrans_time_ms", 300));
        // Every datagram a failed entry held is reported back; unlimited
        // here, so that the first node to fail does not use up the reports of both.
        QFile ratemask(QStringLiteral("/proc/sys/net/ipv4/icmp_ratemask"));
        QVERIFY(ratemask.open(QIODevice::WriteOnly) && ratemask.write("0") == 1);
        m_healthy = m_peer->Socket(kHealthyNode);
        QVERIFY(m_healthy >= 0);
        g_deviceLog.clear();
    }

    void cleanup()
    {
        m_peer.reset();
        m_healthy = -1;
    }

    // Two nodes each claim four of the show's universes, then stop
    // answering ARP: real nodes that lose their addresses, or addresses that
    // forged replies name and nobody has. The healthy node keeps every frame
    // of every universe, the poll still goes out, and each lost node is
    // written to the log once however often its sends fail.
    void everyOtherNodeKeepsEveryFrame_data()
    {
        Columns<bool>("real");
        QTest::newRow("two listed nodes lose their addresses") << true;
        QTest::newRow("forged replies name absent addresses") << false;
    }
    void everyOtherNodeKeepsEveryFrame()
    {
        const auto [real] = Row<bool>("real");
        const QList<QHostAddress> lost = real
            ? QList<QHostAddress>{QHostAddress(QStringLiteral("192.0.2.10")), QHostAddress(QStringLiteral("192.0.2.11"))}
            : QList<QHostAddress>{QHostAddress(QStringLiteral("192.0.2.20")), QHostAddress(QStringLiteral("192.0.2.21"))};
        const int polls = m_peer->Socket(kBroadcast);
        QVERIFY(polls >= 0);
        QLoggingCategory::setFilterRules(QStringLiteral("orvane.devices.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(KeepDeviceLog);
        auto restore = qScopeGuard([previous] {
            qInstallMessageHandler(previous);
            QLoggingCategory::setFilterRules(QString());
        });

        CArtNetManager manager;
        QVERIFY(manager.Start());
        AnnounceHealthyNode();
        for (int i = 0; i < lost.size(); ++i) {
            const QByteArray reply = FourUniverses(lost[i], quint16(4 * i));
            if (real) {
                QVERIFY(m_peer->AddNodeAddress(lost[i]));
                const int node = m_peer->Socket(lost[i]);
                QVERIFY(node >= 0);
                QVERIFY(SendTo(node, reply, kPairController));
            } else {
                QVERIFY(SendTo(m_healthy, reply, kPairController));
            }
        }
        QTRY_COMPARE(manager.NodeList().Nodes().size(), kUniverses / 4 + lost.size());
        QCOMPARE(TicksWithEveryFrame(manager, 20), 20);
        if (real) {
            for (const QHostAddress& node : lost) {
                QVERIFY(m_peer->RemoveNodeAddress(node));
                // As if its entry had timed out: the next datagram waits for ARP.
                QVERIFY(RunTool(QStringLiteral("ip"), {QStringLiteral("neigh"), QStringLiteral("flush"), QStringLiteral("to"),
                                                       node.toString()}));
            }
        }

        // 600 ticks send the lost nodes some 5,000 datagrams: the shared
        // socket's buffer held about 150.
        const int ticks = 600;
        QCOMPARE(TicksWithEveryFrame(manager, ticks), ticks);

        while (!Receive(polls, 0).isEmpty()) {
        }
        manager.Poll();
        QCOMPARE(Receive(polls, 30000), ArtNet::EncodePoll());

        // The failures go on, reported by the network each time a lost
        // node's entry fails again and found at the poll timer, run here by
        // hand; the log has one line for each node.
        const long reportsBefore = DestinationUnreachables();
        QVERIFY(reportsBefore >= 0);
        for (int n = 0; n < 3000 && DestinationUnreachables() < reportsBefore + 4 * lost.size(); ++n) {
            QCOMPARE(TicksWithEveryFrame(manager, 1), 1);
            QTest::qWait(5);
            if (n % 20 == 0)
                QMetaObject::invokeMethod(&manager, "OnPollTimer");
        }
        QMetaObject::invokeMethod(&manager, "OnPollTimer");
        QVERIFY(DestinationUnreachables() >= reportsBefore + 4 * lost.size());
        for (const QHostAddress& node : lost)
            QVERIFY2(LogLinesAbout(node) == 1, qPrintable(g_deviceLog.join(QLatin1Char('\n'))));
        QCOMPARE(LogLinesAbout(kHealthyNode), 0);
    }

    // Forged replies from hundreds of addresses, on the veth pair and on a
    // subnet of the loopback, take a bounded number of descriptors: at most
    // 256, under a quarter of the open file limit; the healthy node still
    // gets every frame.
    void forgedNodesTakeABoundedNumberOfSockets_data()
    {
        Columns<int>("limit");
        QTest::newRow("the open file limit as it is") << 0;
        QTest::newRow("a low open file limit") << 200;
    }
    void forgedNodesTakeABoundedNumberOfSockets()
    {
        const auto [extraLimit] = Row<int>("limit");
        QVERIFY(RunTool(QStringLiteral("ip"), {QStringLiteral("addr"), QStringLiteral("replace"), QStringLiteral("198.51.100.1/24"),
                                               QStringLiteral("dev"), QStringLiteral("lo")}));
        rlimit files{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &files), 0);
        const rlimit original = files;
        auto restore = qScopeGuard([original] { setrlimit(RLIMIT_NOFILE, &original); });
        if (extraLimit > 0) {
            files.rlim_cur = rlim_t(OpenDescriptors() + extraLimit);
            QCOMPARE(setrlimit(RLIMIT_NOFILE, &files), 0);
        }
        // Sent to the loopback's subnet, so that they come in on the loopback.
        const QHostAddress loopbackSubnet(QStringLiteral("198.51.100.1"));
        QUdpSocket loopbackForger;
        QVERIFY(loopbackForger.bind(loopbackSubnet, 0));

        CArtNetManager manager;
        QVERIFY(manager.Start());
        const int before = OpenDescriptors();
        AnnounceHealthyNode();
        QTRY_COMPARE(manager.NodeList().Nodes().size(), kUniverses / 4);
        QCOMPARE(TicksWithEveryFrame(manager, 1), 1);

        // 1,000 forged nodes over 488 addresses, each claiming universe 0.
        QList<QHostAddress> addresses;
        for (quint32 host = 20; host < 255; ++host)
            addresses << QHostAddress(0xC0000200u + host);
        for (quint32 host = 2; host < 255; ++host)
            addresses << QHostAddress(0xC6336400u + host);
        for (int i = 0; i < 1000; ++i) {
            const QHostAddress& named = addresses[i % addresses.size()];
            const QByteArray reply = PollReply(named, {0}, 0, quint8(1 + i / addresses.size()));
            if (named.toIPv4Address() >> 8 == 0xC00002)
                QVERIFY(SendTo(m_healthy, reply, kPairController));
            else
                QVERIFY(loopbackForger.writeDatagram(reply, loopbackSubnet, 6454) == reply.size());
            if (i % 100 == 99) // read before the next hundred, within the receive buffers
                QTRY_COMPARE(manager.NodeList().Nodes().size(), kUniverses / 4 + i + 1);
        }

        QCOMPARE(TicksWithEveryFrame(manager, 50), 50);
        getrlimit(RLIMIT_NOFILE, &files);
        const int opened = OpenDescriptors() - before;
        QVERIFY2(opened <= 256 && rlim_t(opened) < files.rlim_cur / 4,
                 qPrintable(QStringLiteral("%1 descriptors under a limit of %2").arg(opened).arg(files.rlim_cur)));
        // Sockets are used to the bound, not opened once and dropped.
        QVERIFY2(opened >= std::min<int>(255, int(files.rlim_cur / 4) - 1), qPrintable(QString::number(opened)));
        manager.Stop();
        QCOMPARE(OpenDescriptors(), before - 1);
    }
};

ORVANE_TEST(ArtNetLostNodeNamespaceTest)
ORVANE_TEST(ArtNetLostNodeTest)
#include "ArtNetLostNodeTest.moc"
