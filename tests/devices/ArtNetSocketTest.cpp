#include "TestRegistry.h"

#include "DataTable.h"
#include "KeptDeviceLog.h"
#include "LoopbackNetwork.h"

#include "Common/ArtNet/ArtNetManager.h"
#include "Common/ArtNet/DatagramBatch.h"
#include "Common/ArtNet/NodeSockets.h"
#include "devices/DeviceLog.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QUdpSocket>
#include <QtTest>

#include <sys/resource.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

// The Art-Net tests that use sockets send only inside a network namespace
// made for them, where the loopback is the only interface.

using namespace LoopbackNetwork;

// Makes the private namespace and runs ArtNetLoopbackTest inside it.
class ArtNetNamespaceTest : public QObject
{
    Q_OBJECT

private slots:
    void loopbackTestsRunInAPrivateNetworkNamespace()
    {
        if (InPrivateNamespace())
            QSKIP("already inside the private namespace");
        if (!CanMakeNamespace())
            QSKIP("network namespaces cannot be made here (unshare -n failed): the Art-Net socket tests did not run");
        QCOMPARE(RunInPrivateNamespace(QStringLiteral("ArtNetLoopbackTest")), 0);
    }
};

class ArtNetLoopbackTest : public QObject
{
    Q_OBJECT

    std::array<std::array<quint8, 512>, 3> m_universes{};

    CArtNetManager::OutputBuffer Out()
    {
        return [this](int u) -> const quint8* { return u >= 0 && u < 3 ? m_universes[size_t(u)].data() : nullptr; };
    }

    static bool Ip(const QStringList& arguments)
    {
        QProcess ip;
        ip.start(QStringLiteral("ip"), arguments);
        return ip.waitForFinished(10000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
    }

    // A manager on the controller's address, polling the node at 127.0.0.3.
    static bool StartPolling(CArtNetManager& manager)
    {
        manager.SetPollTargets({kPolledNode});
        return manager.Start(kController);
    }

    static bool HasNode(const CArtNetManager& manager, const QHostAddress& address)
    {
        const auto& nodes = manager.NodeList().Nodes();
        return std::any_of(nodes.begin(), nodes.end(),
                           [&](const SArtNetNode& n) { return n.address == address.toIPv4Address(); });
    }

    // The notifier through which the manager's socket watches for datagrams.
    static QSocketNotifier* ReadNotifier(const CArtNetManager& manager)
    {
        const auto notifiers = manager.findChildren<QSocketNotifier*>();
        for (QSocketNotifier* notifier : notifiers) {
            if (notifier->type() == QSocketNotifier::Read)
                return notifier;
        }
        return nullptr;
    }

    // The node at 127.0.0.3 found, answering naming 127.0.0.4.
    void Discover(CArtNetManager& manager, QUdpSocket& polled, const QVector<quint8>& swOut)
    {
        QVERIFY(StartPolling(manager));
        const QVector<QByteArray> polls = Receive(polled, 1);
        QCOMPARE(polls.size(), 1);
        QCOMPARE(polls.at(0), ArtNet::EncodePoll());
        QSignalSpy detected(&manager, &CArtNetManager::nodeDetected);
        polled.writeDatagram(PollReply(kNodeAddress, swOut), kController, 6454);
        QVERIFY(detected.wait(2000));
    }

private slots:
    void initTestCase()
    {
        if (!InPrivateNamespace())
            QSKIP("runs only inside the private network namespace that ArtNetNamespaceTest makes");
        if (!OnlyLoopback())
            QFAIL("refusing to send Art-Net: this namespace has a network interface besides the loopback");
        // A subnet whose other hosts are not this machine, on the namespace's loopback.
        QProcess ip;
        ip.start(QStringLiteral("ip"), {QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("198.51.100.1/24"),
                                        QStringLiteral("dev"), QStringLiteral("lo")});
        QVERIFY(ip.waitForFinished(10000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0);
        for (int u = 0; u < 3; ++u) {
            for (int i = 0; i < 512; ++i)
                m_universes[size_t(u)][size_t(i)] = quint8(i * 3 + u * 85);
        }
    }

    void discoveredNodesGetTheirUniverses()
    {
        QUdpSocket polled;
        QUdpSocket node;
        QVERIFY(Bind(polled, kPolledNode));
        QVERIFY(Bind(node, kNodeAddress));
        CArtNetManager manager;
        QLoggingCategory::setFilterRules(QStringLiteral("orvane.devices.debug=true"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Art-Net Node added : \\[IP : 127\\.0\\.0\\.4\\]")));
        Discover(manager, polled, {2, 0, 5, 2});
        QLoggingCategory::setFilterRules(QString());
        QCOMPARE(manager.NodeList().Nodes().size(), 1);

        // Port-Address 5 is beyond the project's three universes; the two
        // ports on universe 2 take one packet.
        QCOMPARE(manager.SendUniverses(3, Out()), 2);
        const QVector<QByteArray> first = Receive(node, 2);
        QCOMPARE(first.size(), 2);
        QCOMPARE(first[0], ArtNet::EncodeDmx(2, 1, m_universes[2].data()));
        QCOMPARE(first[1], ArtNet::EncodeDmx(0, 1, m_universes[0].data()));

        m_universes[0][511] = 0;
        QCOMPARE(manager.SendUniverses(3, Out()), 2);
        const QVector<QByteArray> second = Receive(node, 2);
        QCOMPARE(second.size(), 2);
        QCOMPARE(second[1], ArtNet::EncodeDmx(0, 2, m_universes[0].data()));

        // Nothing went to the datagram's source, only to the address the reply named.
        QVERIFY(Receive(polled, 1, 200).isEmpty());
        QCOMPARE(manager.SendUniverses(0, Out()), 0);
        QCOMPARE(manager.SendUniverses(2, Out()), 1);
        QCOMPARE(Receive(node, 1).size(), 1);

        // The sequence (byte 12) runs to 255 and wraps to 1: a 0 would turn
        // the node's packet ordering off. Universe 0 stands at 3 here.
        QList<int> sequences;
        for (int n = 4; n <= 256; ++n) {
            QCOMPARE(manager.SendUniverses(1, Out()), 1);
            const QVector<QByteArray> packet = Receive(node, 1); // one at a time: the queue is short
            QCOMPARE(packet.size(), 1);
            sequences << quint8(packet[0][12]);
        }
        QCOMPARE(sequences.mid(250), QList<int>({254, 255, 1}));

        // Re-patched, the node gets its new ports from its next reply on;
        // port 1 had no packet yet, so its count starts at 1.
        polled.writeDatagram(PollReply(kNodeAddress, {1}), kController, 6454);
        QTRY_COMPARE(manager.NodeList().Nodes().value(0).outputs, QVector<quint16>({1}));
        QCOMPARE(manager.SendUniverses(3, Out()), 1);
        QCOMPARE(Receive(node, 1).value(0), ArtNet::EncodeDmx(1, 1, m_universes[1].data()));
    }

    // Datagrams of these sizes go out in one batch; a datagram too large
    // for UDP is refused on its own and the rest still go, in order.
    void aBatchSendsWhatItCan_data()
    {
        QTest::addColumn<QVector<int>>("sizes");
        QTest::addColumn<QVector<int>>("arriving");
        QTest::newRow("one") << QVector<int>{530} << QVector<int>{530};
        QTest::newRow("many") << QVector<int>{530, 14, 530, 1} << QVector<int>{530, 14, 530, 1};
        QTest::newRow("first too large") << QVector<int>{70000, 530, 20} << QVector<int>{530, 20};
        QTest::newRow("middle too large") << QVector<int>{530, 70000, 20} << QVector<int>{530, 20};
        QTest::newRow("only too large") << QVector<int>{70000} << QVector<int>{};
        QTest::newRow("none") << QVector<int>{} << QVector<int>{};
    }
    void aBatchSendsWhatItCan()
    {
        QFETCH(QVector<int>, sizes);
        QFETCH(QVector<int>, arriving);
        QUdpSocket sender;
        QUdpSocket node;
        QVERIFY(Bind(sender, kController));
        QVERIFY(Bind(node, kNodeAddress));
        std::vector<QByteArray> datagrams;
        CDatagramBatch batch;
        batch.Reserve(sizes.size());
        for (int i = 0; i < sizes.size(); ++i) {
            datagrams.push_back(QByteArray(sizes[i], char('a' + i)));
            batch.Add(datagrams.back().constData(), sizes[i], kNodeAddress.toIPv4Address(), 6454);
        }
        batch.Add("beyond the reserve", 18, kNodeAddress.toIPv4Address(), 6454);
        QCOMPARE(batch.Send(sender), arriving.size());
        QVector<int> received;
        for (const QByteArray& datagram : Receive(node, arriving.size(), arriving.isEmpty() ? 200 : 30000))
            received << datagram.size();
        QCOMPARE(received, arriving);
    }

    void whatIsNotAReplyAddsNoNode()
    {
        QUdpSocket polled;
        QVERIFY(Bind(polled, kPolledNode));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        QSignalSpy detected(&manager, &CArtNetManager::nodeDetected);

        const QByteArray reply = PollReply(kNodeAddress, {0});
        QByteArray dmx = reply;
        dmx[8] = 0x00;
        dmx[9] = 0x50;
        const QList<QByteArray> junk{reply.left(206), dmx, ArtNet::EncodePoll(), QByteArray(60000, 'A'),
                                     PollReply(QHostAddress(QStringLiteral("127.255.255.255")), {0}),
                                     PollReply(QHostAddress(QStringLiteral("255.255.255.255")), {0}), QByteArray()};
        for (const QByteArray& datagram : junk)
            polled.writeDatagram(datagram, kController, 6454);
        QTest::qWait(300);
        QCOMPARE(detected.count(), 0);
        QVERIFY(manager.NodeList().Nodes().isEmpty());
        QCOMPARE(manager.SendUniverses(3, Out()), 0);

        // The socket still works after all of it.
        polled.writeDatagram(reply, kController, 6454);
        QVERIFY(detected.wait(2000));
    }

    // A reply may name its sender, or another host of the subnet it came in
    // on; anything else would make us a reflector towards any host.
    void onlyRepliesForTheirSubnetAddNodes_data()
    {
        Columns<QString, QString, bool>("sender", "named", "accepted");
        auto row = [](const char* name, const char* sender, const char* named, bool accepted) {
            QTest::newRow(name) << QString::fromLatin1(sender) << QString::fromLatin1(named) << accepted;
        };
        row("this machine for itself", "127.0.0.3", "127.0.0.3", true);
        row("host of the subnet it came in on", "198.51.100.1", "198.51.100.50", true);
        row("off the subnet", "198.51.100.1", "203.0.113.5", false);
        row("off the subnet, from the loopback", "127.0.0.3", "203.0.113.5", false);
        row("the subnet's network address", "198.51.100.1", "198.51.100.0", false);
        row("the loopback's network address", "127.0.0.3", "127.0.0.0", false);
    }
    void onlyRepliesForTheirSubnetAddNodes()
    {
        const auto [sender, named, accepted] = Row<QString, QString, bool>("sender", "named", "accepted");
        QUdpSocket node;
        QVERIFY(Bind(node, QHostAddress(sender)));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        node.writeDatagram(PollReply(QHostAddress(named), {0}), kController, 6454);
        // The sender for itself, after it: once that is in, the first was read.
        node.writeDatagram(PollReply(QHostAddress(sender), {1}), kController, 6454);
        QTRY_VERIFY(HasNode(manager, QHostAddress(sender)));
        QCOMPARE(HasNode(manager, QHostAddress(named)), accepted);
    }

    // A flood of replies is read a pass at a time, and the event loop, where
    // the master tick fires, has its turn between passes.
    void aFloodIsReadInPassesThatLetTheTickIn()
    {
        QUdpSocket polled;
        QVERIFY(Bind(polled, kPolledNode));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        const int pass = CArtNetManager::kDatagramsPerPass;
        const int flood = 3 * pass; // well within the socket's receive buffer
        for (int i = 0; i < flood; ++i)
            polled.writeDatagram(PollReply(QHostAddress(0x7F000100u + quint32(i)), {0}), kController, 6454);

        QVector<int> seen; // the node count each time the stand-in tick ran
        std::function<void()> tick;
        tick = [&] {
            seen << manager.NodeList().Nodes().size();
            if (seen.constLast() < flood)
                QMetaObject::invokeMethod(&manager, tick, Qt::QueuedConnection);
        };
        tick();
        QTRY_COMPARE(seen.constLast(), flood);
        int longest = 0;
        for (int i = 1; i < seen.size(); ++i)
            longest = qMax(longest, seen[i] - seen[i - 1]);
        QVERIFY2(longest <= 2 * pass, qPrintable(QStringLiteral("%1 replies read without a tick").arg(longest)));
    }

    // However the socket's notices fall against the passes that read it,
    // every datagram is read, and the node answering after a flood gets its
    // universe. A notice of datagrams an earlier pass already took is what a
    // flood brings: a queued pass can empty the socket between the event
    // loop's look at it and the notice.
    void everyDatagramIsReadWhateverTheNotices_data()
    {
        Columns<int, QString>("flood", "notices");
        const int pass = CArtNetManager::kDatagramsPerPass;
        QTest::newRow("a notice of nothing") << 0 << QStringLiteral("after");
        QTest::newRow("a notice after the flood was read") << 2 * pass + 5 << QStringLiteral("after");
        QTest::newRow("a notice after the queued pass") << pass + 5 << QStringLiteral("behind the queued pass");
        QTest::newRow("notices while a pass is queued") << 2 * pass + 5 << QStringLiteral("while queued");
    }
    void everyDatagramIsReadWhateverTheNotices()
    {
        const auto [flood, notices] = Row<int, QString>("flood", "notices");
        QUdpSocket polled;
        QUdpSocket node;
        QVERIFY(Bind(polled, kPolledNode));
        QVERIFY(Bind(node, kNodeAddress));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        QSocketNotifier* notifier = ReadNotifier(manager);
        QVERIFY(notifier);
        auto notice = [notifier] {
            QEvent event(QEvent::SockAct);
            QCoreApplication::sendEvent(notifier, &event);
        };
        // Forged nodes on Port-Address 16, beyond the show's universes.
        for (int i = 0; i < flood; ++i)
            polled.writeDatagram(PollReply(QHostAddress(0x7F000100u + quint32(i)), {0}, 16), kController, 6454);

        if (notices == QLatin1String("behind the queued pass")) {
            notice(); // a pass that leaves the rest to a queued one
            QCoreApplication::postEvent(notifier, new QEvent(QEvent::SockAct));
        } else if (notices == QLatin1String("while queued")) {
            for (int n = 0; n < 3; ++n)
                notice();
        }
        QTRY_COMPARE(manager.NodeList().Nodes().size(), flood);
        if (notices == QLatin1String("after"))
            notice();

        // A socket that stopped watching would leave the reply unread for good.
        polled.writeDatagram(PollReply(kNodeAddress, {0}), kController, 6454);
        QTRY_VERIFY(HasNode(manager, kNodeAddress) || !notifier->isEnabled());
        QVERIFY(HasNode(manager, kNodeAddress));
        QVERIFY(notifier->isEnabled());
        QCOMPARE(manager.SendUniverses(3, Out()), 1);
        QCOMPARE(Receive(node, 1).value(0), ArtNet::EncodeDmx(0, 1, m_universes[0].data()));
    }

    // Nothing waiting in a socket depends on its notice alone: a reply whose
    // notice never came is read at the next poll; and output stopped while a
    // read pass is queued, or from a slot of the pass itself, is safe.
    void repliesAreReadWhateverBecomesOfThePass_data()
    {
        Columns<QString>("case");
        QTest::newRow("no notice, read at the poll") << QStringLiteral("no notice");
        QTest::newRow("stopped while a pass is queued") << QStringLiteral("stopped while queued");
        QTest::newRow("stopped by a node the pass found") << QStringLiteral("stopped by a slot");
    }
    void repliesAreReadWhateverBecomesOfThePass()
    {
        const auto [what] = Row<QString>("case");
        QUdpSocket polled;
        QVERIFY(Bind(polled, kPolledNode));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        QSocketNotifier* notifier = ReadNotifier(manager);
        QVERIFY(notifier);
        if (what == QLatin1String("no notice")) {
            notifier->setEnabled(false);
            polled.writeDatagram(PollReply(kNodeAddress, {0}), kController, 6454);
            QTRY_VERIFY((QMetaObject::invokeMethod(&manager, "OnPollTimer"), HasNode(manager, kNodeAddress)));
            return;
        }
        const int flood = 3 * CArtNetManager::kDatagramsPerPass;
        for (int i = 0; i < flood; ++i)
            polled.writeDatagram(PollReply(QHostAddress(0x7F000100u + quint32(i)), {0}, 16), kController, 6454);
        if (what == QLatin1String("stopped by a slot"))
            connect(&manager, &CArtNetManager::nodeDetected, &manager, &CArtNetManager::Stop);
        QEvent event(QEvent::SockAct);
        QCoreApplication::sendEvent(notifier, &event); // a pass that leaves the rest to a queued one
        if (what == QLatin1String("stopped while queued")) {
            QCOMPARE(manager.NodeList().Nodes().size(), CArtNetManager::kDatagramsPerPass);
            manager.Stop();
        }
        QCoreApplication::processEvents();
        QVERIFY(!manager.IsRunning());
        QVERIFY(manager.NodeList().Nodes().isEmpty());
    }

    // A node re-patched while the output runs gets each universe on the port
    // that carries it, whatever port it had before.
    void aRepatchedNodeGetsEachUniverseOnItsOwnPort_data()
    {
        Columns<QVector<quint8>, QVector<quint8>>("before", "after");
        QTest::newRow("ports moved down") << QVector<quint8>{1, 2} << QVector<quint8>{0, 1};
        QTest::newRow("a port added before") << QVector<quint8>{1} << QVector<quint8>{0, 1};
        QTest::newRow("ports moved up") << QVector<quint8>{0, 1} << QVector<quint8>{1, 2};
        QTest::newRow("one port left") << QVector<quint8>{0, 1, 2} << QVector<quint8>{2};
    }
    void aRepatchedNodeGetsEachUniverseOnItsOwnPort()
    {
        const auto [before, after] = Row<QVector<quint8>, QVector<quint8>>("before", "after");
        QUdpSocket polled;
        QUdpSocket node;
        QVERIFY(Bind(polled, kPolledNode));
        QVERIFY(Bind(node, kNodeAddress));
        CArtNetManager manager;
        Discover(manager, polled, before);
        QCOMPARE(manager.SendUniverses(3, Out()), before.size());
        QCOMPARE(Receive(node, before.size()).size(), before.size());

        polled.writeDatagram(PollReply(kNodeAddress, after), kController, 6454);
        const QVector<quint16> ports(after.begin(), after.end());
        QTRY_COMPARE(manager.NodeList().Nodes().value(0).outputs, ports);
        QCOMPARE(manager.SendUniverses(3, Out()), after.size());
        QSet<int> arrived;
        for (const QByteArray& packet : Receive(node, after.size())) {
            const int port = quint8(packet.at(14)) | quint8(packet.at(15)) << 8;
            QVERIFY2(port < 3, qPrintable(QString::number(port)));
            QCOMPARE(packet.mid(18), QByteArray(reinterpret_cast<const char*>(m_universes[size_t(port)].data()), 512));
            arrived << port;
        }
        QCOMPARE(arrived, QSet<int>(after.begin(), after.end()));
    }

    // Output off and on forgets the nodes: only one that answers again gets DMX.
    void onlyNodesThatAnswerAfterARestartGetDmx_data()
    {
        Columns<bool>("answers");
        QTest::newRow("silent") << false;
        QTest::newRow("answering again") << true;
    }
    void onlyNodesThatAnswerAfterARestartGetDmx()
    {
        const auto [answers] = Row<bool>("answers");
        QUdpSocket polled;
        QUdpSocket node;
        QVERIFY(Bind(polled, kPolledNode));
        QVERIFY(Bind(node, kNodeAddress));
        CArtNetManager manager;
        Discover(manager, polled, {0});
        QCOMPARE(manager.SendUniverses(3, Out()), 1);
        QCOMPARE(Receive(node, 1).size(), 1);

        manager.Stop();
        QCOMPARE(manager.SendUniverses(3, Out()), 0);
        QVERIFY(StartPolling(manager));
        if (answers) {
            polled.writeDatagram(PollReply(kNodeAddress, {0}), kController, 6454);
            QTRY_VERIFY(HasNode(manager, kNodeAddress));
        }
        QCOMPARE(manager.SendUniverses(3, Out()), answers ? 1 : 0);
        QCOMPARE(Receive(node, 1, answers ? 30000 : 200).size(), answers ? 1 : 0);
    }

    // Node sockets keep to their bound (a quarter of the open file limit):
    // addresses that answered share one socket past it; addresses not known
    // to answer all go through one more socket of their own, which never
    // carries an answered one, unless they had a socket of their own as
    // answered. With no descriptor left the trials wait. Reopened or closed,
    // no socket stays open, the shared ones included.
    void nodeSocketsKeepToTheirBound_data()
    {
        // After a first fit of as many answered addresses as there are own
        // sockets ("own"): answered ones added, new trials, answered ones
        // asked again, descriptors all used; then answered ones on own
        // sockets, sharing, trials on own sockets, on the trials' socket,
        // addresses left out.
        Columns<int, QString, int, bool, QString>("added", "trials", "again", "full", "sockets");
        QTest::newRow("answered ones share past the bound") << 3 << "0" << 0 << false << "own 3 0 0 0";
        QTest::newRow("trials share a socket of their own") << 0 << "own+2" << 0 << false << "own 0 0 own+2 0";
        QTest::newRow("asked again, an address keeps its own socket") << 2 << "3" << 2 << false << "own-2 2 2 3 0";
        QTest::newRow("no descriptor for the trials' socket") << 0 << "2" << 0 << true << "own 0 0 0 2";
    }
    void nodeSocketsKeepToTheirBound()
    {
        const auto [added, trials, again, full, expected] =
            Row<int, QString, int, bool, QString>("added", "trials", "again", "full", "sockets");
        rlimit files{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &files), 0);
        const rlimit original = files;
        auto restore = qScopeGuard([original] { setrlimit(RLIMIT_NOFILE, &original); });
        files.rlim_cur = rlim_t(4 * (OpenDescriptors() / 4 + 8));
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &files), 0);
        const int baseline = OpenDescriptors();
        QObject owner;
        CNodeSockets sockets(&owner, [](QUdpSocket&) {});
        sockets.Open(kController);
        auto wanted = [](int from, int count, bool mayShare) {
            std::vector<CNodeSockets::SWanted> w;
            for (int i = 0; i < count; ++i)
                w.push_back({0x7F000200u + quint32(from + i), mayShare});
            return w;
        };
        // Own sockets allowed: all but the shared one of a fit past the bound.
        QVERIFY(sockets.Fit(wanted(0, 100, true)).empty());
        const int own = sockets.Sockets().size() - 1;
        QVERIFY(own >= 4);
        sockets.Close();
        QCOMPARE(OpenDescriptors(), baseline);

        QVERIFY(sockets.Fit(wanted(0, own, true)).empty());
        QHash<quint32, QUdpSocket*> first;
        for (const CNodeSockets::SWanted& w : wanted(0, own, true))
            first.insert(w.address, sockets.SocketOf(w.address));
        std::vector<int> taken;
        for (int fd; full && (fd = ::dup(0)) >= 0;)
            taken.push_back(fd);
        auto second = wanted(0, own + added, true);
        for (int i = 0; i < again; ++i)
            second[size_t(i)].mayShare = false;
        auto value = [own = own](const QString& t) { return t.startsWith(QLatin1String("own")) ? own + t.mid(3).toInt() : t.toInt(); };
        for (const CNodeSockets::SWanted& t : wanted(1000, value(trials), false))
            second.insert(second.begin(), t);
        const std::vector<quint32> left = sockets.Fit(second);
        for (int fd : taken)
            ::close(fd);
        // Each connected socket is a node's own; the shared ones are not connected.
        auto isOwn = [&](quint32 address) {
            QUdpSocket* socket = sockets.SocketOf(address);
            sockaddr_in peer{};
            socklen_t size = sizeof peer;
            return socket && ::getpeername(int(socket->socketDescriptor()), reinterpret_cast<sockaddr*>(&peer), &size) == 0;
        };
        QVector<int> seen(5);
        QSet<QUdpSocket*> shared[2]; // of answered ones, of trials
        int kept = 0;                // on the very socket they had
        for (const CNodeSockets::SWanted& w : second) {
            kept += isOwn(w.address) && sockets.SocketOf(w.address) == first.value(w.address) ? 1 : 0;
            if (isOwn(w.address)) {
                ++seen[w.mayShare ? 0 : 2];
            } else if (QUdpSocket* socket = sockets.SocketOf(w.address)) {
                ++seen[w.mayShare ? 1 : 3];
                shared[w.mayShare ? 0 : 1].insert(socket);
            }
        }
        QVERIFY(shared[0].size() <= 1 && shared[1].size() <= 1 && !shared[0].intersects(shared[1]));
        seen[4] = int(left.size());
        QVector<int> want;
        for (const QString& t : expected.split(QLatin1Char(' ')))
            want << value(t);
        QCOMPARE(seen, want);
        QCOMPARE(kept, seen[0] + seen[2]);

        sockets.Reopen();
        QVERIFY(sockets.Sockets().isEmpty());
        QCOMPARE(OpenDescriptors(), baseline);
        QVERIFY(sockets.Fit(second).size() <= left.size());
        sockets.Close();
        QVERIFY(sockets.Sockets().isEmpty());
        QCOMPARE(OpenDescriptors(), baseline);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Addresses on a link without ARP take entries of the neighbour table
    // all the same (here, subnets of the loopback with ARP off): past the bound the last
    // listed are sent nothing, and each is reported once, however often
    // the links are made again.
    void aLinkWithoutArpKeepsToTheEntryBound()
    {
        auto log = KeptDeviceLog::Keeping();
        const QString lo = QStringLiteral("lo");
        QVERIFY(Ip({QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("192.0.2.129/25"), QStringLiteral("dev"), lo}));
        QVERIFY(Ip({QStringLiteral("link"), QStringLiteral("set"), lo, QStringLiteral("arp"), QStringLiteral("off")}));
        auto removed = qScopeGuard([lo] {
            Ip({QStringLiteral("link"), QStringLiteral("set"), lo, QStringLiteral("arp"), QStringLiteral("on")});
            Ip({QStringLiteral("addr"), QStringLiteral("del"), QStringLiteral("192.0.2.129/25"), QStringLiteral("dev"), lo});
        });
        QList<QHostAddress> addresses;
        for (quint32 i = 0; i < 200; ++i)
            addresses << QHostAddress(0xC6336402u + i); // 198.51.100.2 on
        for (quint32 i = 0; i < 100; ++i)
            addresses << QHostAddress(0xC0000282u + i); // 192.0.2.130 on
        const int bound = CNodeAdmission::kMaxEntries;
        // The first listed, the last within the bound, then those past it.
        std::vector<std::unique_ptr<QUdpSocket>> nodes;
        for (int i = 0; i < addresses.size(); i = i == 0 ? bound - 1 : i + 1) {
            nodes.push_back(std::make_unique<QUdpSocket>());
            QVERIFY(Bind(*nodes.back(), addresses[i]));
        }
        QUdpSocket replier;
        QVERIFY(Bind(replier, QHostAddress(QStringLiteral("198.51.100.1"))));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        auto reply = [&](int from, int to) {
            for (int i = from; i < to; ++i)
                replier.writeDatagram(PollReply(addresses[i], {0}), kController, 6454);
            QTRY_COMPARE(manager.NodeList().Nodes().size(), to);
        };
        for (int i = 0; i < addresses.size() - 1; i += 50)
            reply(i, std::min(i + 50, addresses.size() - 1));
        const QString leftOut = QStringLiteral("Art-Net: node %1 left out: the neighbour entries");
        for (int tick = 0; tick < 3; ++tick) {
            QCOMPARE(manager.SendUniverses(1, Out()), bound);
            if (tick == 1)
                reply(addresses.size() - 1, addresses.size());
        }
        QVERIFY(!Receive(*nodes[0], 1).isEmpty());
        QVERIFY(!Receive(*nodes[1], 1).isEmpty());
        for (size_t i = 2; i < nodes.size(); ++i)
            QVERIFY2(!nodes[i]->hasPendingDatagrams(), qPrintable(nodes[i]->localAddress().toString()));
        for (int i = 0; i < addresses.size(); ++i)
            QCOMPARE(KeptDeviceLog::LinesStartingWith(leftOut.arg(addresses[i].toString())), i < bound ? 0 : 1);
    }

    // Nodes reached through a router share the router's neighbour entry and
    // take none of the entries bounded for our own links: however many there
    // are, a node on a link without ARP listed after them is sent to, and
    // none is left out. (Here the routed nodes are this machine's by a local
    // route on no subnet of its interfaces; a listener of their own takes
    // their frames.)
    void routedNodesTakeNoNeighbourEntries()
    {
        auto log = KeptDeviceLog::Keeping();
        const QString lo = QStringLiteral("lo");
        const QString routes = QStringLiteral("198.18.0.0/23");
        QVERIFY(Ip({QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("local"), routes, QStringLiteral("dev"), lo}));
        QVERIFY(Ip({QStringLiteral("link"), QStringLiteral("set"), lo, QStringLiteral("arp"), QStringLiteral("off")}));
        auto removed = qScopeGuard([lo, routes] {
            Ip({QStringLiteral("link"), QStringLiteral("set"), lo, QStringLiteral("arp"), QStringLiteral("on")});
            Ip({QStringLiteral("route"), QStringLiteral("del"), QStringLiteral("local"), routes, QStringLiteral("dev"), lo});
        });
        QUdpSocket routed;
        QVERIFY(Bind(routed, QHostAddress(QHostAddress::AnyIPv4)));
        QUdpSocket onLink;
        QVERIFY(Bind(onLink, QHostAddress(QStringLiteral("198.51.100.70"))));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        const int count = CNodeAdmission::kMaxEntries;
        for (int from = 0; from < count; from += 64) {
            for (int i = from; i < from + 64; ++i) {
                const QHostAddress node(0xC6120001u + quint32(i)); // 198.18.0.1 on
                QUdpSocket from;
                QVERIFY(from.bind(node));
                QCOMPARE(from.writeDatagram(PollReply(node, {0}), kController, 6454), 239);
            }
            QTRY_COMPARE(manager.NodeList().Nodes().size(), from + 64);
        }
        onLink.writeDatagram(PollReply(QHostAddress(QStringLiteral("198.51.100.70")), {0}), kController, 6454);
        QTRY_COMPARE(manager.NodeList().Nodes().size(), count + 1);
        QCOMPARE(manager.SendUniverses(1, Out()), count + 1);
        QCOMPARE(Receive(onLink, 1).size(), 1);
        QCOMPARE(KeptDeviceLog::LinesStartingWith(QStringLiteral("Art-Net: node")), 0);
    }

    // A node whose socket cannot be opened, all descriptors taken, is
    // reported once, however often the links are made again, and gets its
    // frames at the poll after descriptors are freed: sent to freely on a
    // link without ARP, or tried.
    void aNodeWithNoSocketIsReportedOnce_data()
    {
        Columns<bool>("arp");
        QTest::newRow("a link without ARP") << false;
        QTest::newRow("trials") << true;
    }
    void aNodeWithNoSocketIsReportedOnce()
    {
        const auto [arp] = Row<bool>("arp");
        auto log = KeptDeviceLog::Keeping();
        const QString lo = QStringLiteral("lo");
        QVERIFY(Ip({QStringLiteral("link"), QStringLiteral("set"), lo, QStringLiteral("arp"), arp ? QStringLiteral("on") : QStringLiteral("off")}));
        auto arpOn = qScopeGuard([lo] { Ip({QStringLiteral("link"), QStringLiteral("set"), lo, QStringLiteral("arp"), QStringLiteral("on")}); });
        rlimit files{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &files), 0);
        const rlimit original = files;
        auto restore = qScopeGuard([original] { setrlimit(RLIMIT_NOFILE, &original); });
        files.rlim_cur = rlim_t(4 * (OpenDescriptors() / 4 + 8));
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &files), 0);
        const QList<QHostAddress> addresses = {QHostAddress(QStringLiteral("198.51.100.60")), QHostAddress(QStringLiteral("198.51.100.61"))};
        QUdpSocket node;
        QVERIFY(Bind(node, addresses[0]));
        QUdpSocket replier;
        QVERIFY(Bind(replier, QHostAddress(QStringLiteral("198.51.100.1"))));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        std::vector<int> taken;
        const QString noSocket = QStringLiteral("Art-Net: node %1 left out: no socket can be opened for it");
        auto reply = [&](int count) {
            for (int i = 0; i < count; ++i)
                replier.writeDatagram(PollReply(addresses[i], {0}), kController, 6454);
            QTRY_COMPARE(manager.NodeList().Nodes().size(), count);
            for (int fd; count == 1 && (fd = ::dup(0)) >= 0;)
                taken.push_back(fd);
            for (int tick = 0; tick < 3; ++tick)
                QCOMPARE(manager.SendUniverses(1, Out()), 0);
            for (int i = 0; i < count; ++i)
                QCOMPARE(KeptDeviceLog::LinesStartingWith(noSocket.arg(addresses[i].toString())), 1);
        };
        reply(1);
        // A new node has the links made again.
        reply(2);
        for (int fd : taken)
            ::close(fd);
        QMetaObject::invokeMethod(&manager, "OnPollTimer");
        QCOMPARE(manager.SendUniverses(1, Out()), 2);
        QCOMPARE(Receive(node, 1).size(), 1);
        for (const QHostAddress& address : addresses)
            QCOMPARE(KeptDeviceLog::LinesStartingWith(noSocket.arg(address.toString())), 1);
    }

    // A trial left with no socket is reported once, also when it waits
    // meanwhile behind trials of addresses answering polls themselves that
    // take every place, and is refused again once they go.
    void aNodeWithNoSocketIsNotReportedAgainAfterWaiting()
    {
        auto log = KeptDeviceLog::Keeping();
        const QString lo = QStringLiteral("lo");
        QVERIFY(Ip({QStringLiteral("link"), QStringLiteral("set"), lo, QStringLiteral("arp"), QStringLiteral("on")}));
        rlimit files{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &files), 0);
        const rlimit original = files;
        std::vector<int> taken;
        auto release = [&] {
            for (int fd : taken)
                ::close(fd);
            taken.clear();
        };
        auto restore = qScopeGuard([original, &release] {
            release();
            setrlimit(RLIMIT_NOFILE, &original);
        });
        files.rlim_cur = rlim_t(4 * (OpenDescriptors() / 4 + 8));
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &files), 0);
        auto takeAll = [&] {
            for (int fd; (fd = ::dup(0)) >= 0;)
                taken.push_back(fd);
        };
        const QHostAddress node(QStringLiteral("198.51.100.60"));
        QUdpSocket replier;
        QVERIFY(Bind(replier, QHostAddress(QStringLiteral("198.51.100.1"))));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        replier.writeDatagram(PollReply(node, {0}), kController, 6454);
        QTRY_COMPARE(manager.NodeList().Nodes().size(), 1);
        const QString noSocket = QStringLiteral("Art-Net: node %1 left out: no socket can be opened for it").arg(node.toString());
        takeAll();
        QCOMPARE(manager.SendUniverses(1, Out()), 0);
        QCOMPARE(KeptDeviceLog::LinesStartingWith(noSocket), 1);

        release();
        const int others = CNodeAdmission::kMaxUnanswered;
        for (int i = 0; i < others; ++i) {
            const QHostAddress other(0xC6336464u + quint32(i)); // 198.51.100.100 on
            QUdpSocket from;
            QVERIFY(from.bind(other));
            from.writeDatagram(PollReply(other, {0}), kController, 6454);
        }
        QTRY_COMPARE(manager.NodeList().Nodes().size(), others + 1);
        takeAll();
        QCOMPARE(manager.SendUniverses(1, Out()), 0);

        // The others stop answering; the node goes on until they expire.
        release();
        for (int poll = 0; poll < 20 && manager.NodeList().Nodes().size() > 1; ++poll) {
            replier.writeDatagram(PollReply(node, {0}), kController, 6454);
            QCoreApplication::processEvents();
            QMetaObject::invokeMethod(&manager, "OnPollTimer");
        }
        QCOMPARE(manager.NodeList().Nodes().size(), 1);
        takeAll();
        QCOMPARE(manager.SendUniverses(1, Out()), 0);
        QCOMPARE(KeptDeviceLog::LinesStartingWith(noSocket), 1);
    }

    // Replies past the node list's bound are left out, reported once.
    void aFullNodeListIsReportedOnce()
    {
        auto log = KeptDeviceLog::Keeping();
        QUdpSocket polled;
        QVERIFY(Bind(polled, kPolledNode));
        CArtNetManager manager;
        QVERIFY(StartPolling(manager));
        const int full = CArtNetNodeList::kMaxNodes;
        // Pages 1 to 250 of five addresses of this machine, then the first page re-patched.
        auto reply = [&](int node, quint8 port) {
            polled.writeDatagram(PollReply(QHostAddress(0x7F000003u + quint32(node / 250)), {port}, 0, quint8(node % 250 + 1)),
                                 kController, 6454);
        };
        for (int sent = 0; sent < full + 200;) {
            for (const int batch = sent + 100; sent < batch;)
                reply(sent++, 0);
            QTRY_COMPARE(manager.NodeList().Nodes().size(), std::min(sent, full));
        }
        reply(0, 1);
        QTRY_COMPARE(manager.NodeList().Nodes().first().outputs, QVector<quint16>{1});
        QCOMPARE(KeptDeviceLog::LinesStartingWith(QStringLiteral("Art-Net: node 127.0.0.7 left out: the node list is full")), 1);
        QCOMPARE(KeptDeviceLog::LinesStartingWith(QStringLiteral("Art-Net: node")), 1);
    }

    void aPortThatCannotBeOpenedIsReported()
    {
        CArtNetManager manager;
        QVERIFY(!manager.HasFailed());
        QVERIFY(!manager.Start(QHostAddress(QStringLiteral("192.0.2.1"))));
        QVERIFY(manager.HasFailed());
        QVERIFY(!manager.IsRunning());
        QCOMPARE(manager.SendUniverses(3, Out()), 0);

        QVERIFY(StartPolling(manager));
        QVERIFY(!manager.HasFailed());
        manager.Stop();
        QVERIFY(!manager.IsRunning());
    }
};

ORVANE_TEST(ArtNetNamespaceTest)
ORVANE_TEST(ArtNetLoopbackTest)
#include "ArtNetSocketTest.moc"
