#include "TestRegistry.h"

#include "DataTable.h"
#include "KeptDeviceLog.h"
#include "VethNetwork.h"

#include "Common/ArtNet/ArtNetManager.h"

#include <QDir>
#include <QLoggingCategory>
#include <QThread>
#include <QtTest>

#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/resource.h>

#include <array>

// A node that stops answering ARP must cost no other node a frame, and
// addresses that never answer must not fill the kernel's neighbour table,
// which the whole machine shares. The kernel holds the datagrams for such a
// node until its neighbour entry fails, charged to the socket that sent
// them; these tests need real ARP, so they run over a veth pair between
// namespaces they make themselves. The nodes answer every poll, as real
// ones do, and the kernel's ICMP rate limits stay as they are.

using namespace LoopbackNetwork;
using namespace VethNetwork;

Q_DECLARE_METATYPE(QList<QHostAddress>)

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
        QCOMPARE(RunInPrivateNamespace(QStringLiteral("ArtNetLostNodeTest"), 600000), 0);
    }
};

namespace {

constexpr int kUniverses = 16;

int LogLinesAbout(const QHostAddress& node)
{
    return KeptDeviceLog::LinesStartingWith(QStringLiteral("Art-Net: sends to node %1 fail").arg(node.toString()));
}

} // namespace

class ArtNetLostNodeTest : public QObject
{
    Q_OBJECT

    std::array<std::array<quint8, 512>, kUniverses> m_universes{};
    std::unique_ptr<CPeer> m_peer;
    std::unique_ptr<CResponder> m_responder;
    int m_healthy = -1; // the healthy node's socket, on the nodes' side
    std::unique_ptr<CArtNetManager> m_manager;
    QElapsedTimer m_sinceInit;

    CArtNetManager::OutputBuffer Out()
    {
        return [this](int u) -> const quint8* { return u >= 0 && u < kUniverses ? m_universes[size_t(u)].data() : nullptr; };
    }

    // Whether the node at `address` outputs universes 4 to 7, as its second
    // reply patched it.
    bool Repatched(const QHostAddress& address) const
    {
        for (const SArtNetNode& n : m_manager->NodeList().Nodes()) {
            if (n.address == address.toIPv4Address())
                return n.outputs == QVector<quint16>({4, 5, 6, 7});
        }
        return false;
    }

    // The healthy node's replies: one per page of four universes, the whole show.
    static QList<QByteArray> ShowReplies(const QHostAddress& node)
    {
        QList<QByteArray> replies;
        for (quint8 page = 1; page <= kUniverses / 4; ++page)
            replies << FourUniverses(node, quint16(4 * (page - 1)), page);
        return replies;
    }

    // A node of the nodes' side at `address` that answers polls with `replies`.
    // `broadcast`: its replies go to the subnet's broadcast address, not the poll's source.
    int StartNode(const QHostAddress& address, const QList<QByteArray>& replies, int prefix = 24, bool broadcast = false)
    {
        if (address != kHealthyNode && !m_peer->AddNodeAddress(address, prefix))
            return -1;
        const int fd = m_peer->Socket(address);
        if (fd >= 0)
            m_responder->Answer(fd, replies, broadcast ? kBroadcast : QHostAddress());
        return fd;
    }

    // Waits until `nodes` are listed, or three more rounds of polls reached
    // the nodes' side without them: polls the kernel refuses (a full
    // neighbour table) are sent again for as long as that lasts.
    bool WaitForNodes(int nodes)
    {
        const int heard = m_responder->PollsHeard();
        auto listed = [&] { return m_manager->NodeList().Nodes().size() == nodes; };
        return QTest::qWaitFor([&] { return listed() || m_responder->PollsHeard() >= heard + 3; }, 300000) && listed();
    }
    void PollAndWaitFor(int nodes)
    {
        m_manager->Poll();
        QVERIFY2(WaitForNodes(nodes), qPrintable(QString::number(m_manager->NodeList().Nodes().size())));
    }

    // Restarts the manager, which reads its socket bound (a quarter of the
    // open file limit) when it starts, under a limit `extra` descriptors
    // above those open now (none: as it is); the limit is restored when the
    // guard returned goes.
    auto RestartWithFileLimit(int extra)
    {
        rlimit files{};
        getrlimit(RLIMIT_NOFILE, &files);
        const rlimit original = files;
        if (extra > 0) {
            m_manager->Stop();
            files.rlim_cur = rlim_t(4 * (OpenDescriptors() / 4 + extra / 4 + 1));
            if (setrlimit(RLIMIT_NOFILE, &files) != 0)
                qWarning() << "the open file limit stays as it was";
            m_manager->Start();
        }
        return qScopeGuard([original] { setrlimit(RLIMIT_NOFILE, &original); });
    }

    // Whether each of `fds` had a datagram since this was last asked, kept in `served`.
    static bool AllServed(const std::vector<int>& fds, std::vector<bool>& served)
    {
        served.resize(fds.size());
        for (size_t i = 0; i < fds.size(); ++i) {
            served[i] = served[i] || !Receive(fds[i], 0).isEmpty();
            while (served[i] && !Receive(fds[i], 0).isEmpty()) {
            }
        }
        return std::all_of(served.begin(), served.end(), [](bool s) { return s; });
    }

    // The poll timer's turn, run by hand: replies read, nodes judged and polled.
    void PollTimer()
    {
        QMetaObject::invokeMethod(m_manager.get(), "OnPollTimer");
    }

    // A poll timer's turn, with the time real nodes take to answer: a round
    // of polls sent back to back brings no reply before the next.
    bool AnsweredPollTimer()
    {
        const int heard = m_responder->PollsHeard();
        PollTimer();
        if (!QTest::qWaitFor([&] { return m_responder->PollsHeard() > heard; }, 10000))
            return false;
        QTest::qWait(20);
        return true;
    }

    // Ticks the output by hand `ticks` times, with the event loop's turn
    // after each; returns how many ticks brought node `fd` one frame of
    // every universe, stopping at the first that did not.
    int TicksWithEveryFrame(int ticks, int fd = -1)
    {
        fd = fd < 0 ? m_healthy : fd;
        for (int tick = 0; tick < ticks; ++tick) {
            m_manager->SendUniverses(kUniverses, Out());
            if (!EveryFrameArrives(fd))
                return tick;
            QCoreApplication::processEvents();
        }
        return ticks;
    }

    static bool EveryFrameArrives(int fd, int timeoutMs = 30000, int universes = kUniverses)
    {
        std::array<int, kUniverses> frames{};
        int arrived = 0;
        while (arrived < universes) {
            const QByteArray packet = Receive(fd, timeoutMs);
            if (packet.isEmpty())
                return false;
            const int universe = DmxPortAddress(packet);
            if (universe >= 0 && universe < universes && frames[size_t(universe)]++ == 0)
                ++arrived;
        }
        return true;
    }

    // One tick of a show run by hand, with a poll timer's turn every tenth:
    // false unless the healthy node got every frame, the namespace holds
    // no more than a few dozen unanswered neighbour entries, and the output
    // read the table four times a second at most (and when it started).
    bool ShowTick(int tick)
    {
        if (TicksWithEveryFrame(1) != 1)
            return false;
        const int asked = Neighbours().Count(CNeighbourTable::EState::Unanswered);
        if (asked > 32) {
            qWarning() << "neighbour entries being asked:" << asked;
            return false;
        }
        const int readings = m_manager->Neighbours().Readings();
        if (readings > m_sinceInit.elapsed() / 250 + 4) {
            qWarning() << "readings of the neighbour table:" << readings << "in" << m_sinceInit.elapsed() << "ms";
            return false;
        }
        QTest::qWait(10);
        if (tick % 10 == 9)
            PollTimer();
        return true;
    }
    bool RunShow(int ticks, const std::function<void()>& each = {})
    {
        for (int tick = 0; tick < ticks; ++tick) {
            if (!ShowTick(tick))
                return false;
            if (each)
                each();
        }
        return true;
    }
    // Runs the show until `done` holds, at most `ticks` ticks.
    bool RunShowUntil(const std::function<bool()>& done, int ticks)
    {
        for (int tick = 0; tick < ticks && !done(); ++tick) {
            if (!ShowTick(tick))
                return false;
        }
        return done();
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
        // A failed neighbour is found after three probes: soon, but long
        // after the old shared socket would have filled.
        QVERIFY(SetNeighbourOption(kControllerLink, "retrans_time_ms", 300));
        // Counts of entries being asked need the kernel's own interface.
        QVERIFY(Neighbours().TellsFailed());
        // Polls go to the broadcast address of the controller's subnet,
        // the same for the /24 and its upper half.
        const int listener = m_peer->Socket(kBroadcast);
        QVERIFY(listener >= 0);
        m_responder = std::make_unique<CResponder>(std::vector<int>{listener});
        m_healthy = StartNode(kHealthyNode, ShowReplies(kHealthyNode));
        QVERIFY(m_healthy >= 0);
        KeptDeviceLog::Lines().clear();
        m_sinceInit.start();
        m_manager = std::make_unique<CArtNetManager>();
        QVERIFY(m_manager->Start());
        QVERIFY(WaitForNodes(kUniverses / 4));
    }

    void cleanup()
    {
        // The machine's neighbour table is shared by every namespace: a case
        // takes no more than a few dozen of its entries.
        if (m_peer)
            QVERIFY2(NeighbourEntries(Neighbours()) <= 100, qPrintable(QString::number(NeighbourEntries(Neighbours()))));
        m_manager.reset();
        m_responder.reset();
        m_peer.reset();
        m_healthy = -1;
    }

    // Nodes that each claim four of the show's universes stop answering ARP
    // at once: real nodes that lose their addresses, or addresses that
    // forged replies name and nobody has. The healthy node keeps every frame
    // of every universe, the poll still goes out, and each lost node is
    // written to the log once however long its sends go on failing.
    void everyOtherNodeKeepsEveryFrame_data()
    {
        Columns<bool, int>("real", "lost");
        QTest::newRow("two listed nodes lose their addresses") << true << 2;
        QTest::newRow("four listed nodes lose their addresses at once") << true << 4;
        QTest::newRow("forged replies name absent addresses") << false << 2;
    }
    void everyOtherNodeKeepsEveryFrame()
    {
        const auto [real, count] = Row<bool, int>("real", "lost");
        QList<QHostAddress> lost;
        for (int i = 0; i < count; ++i)
            lost << QHostAddress(0xC0000200u + (real ? 10u : 20u) + quint32(i));
        auto log = KeptDeviceLog::Keeping();

        QList<QByteArray> forged = ShowReplies(kHealthyNode);
        for (int i = 0; i < lost.size(); ++i) {
            const QByteArray reply = FourUniverses(lost[i], quint16(4 * i));
            if (real)
                QVERIFY(StartNode(lost[i], {reply}) >= 0);
            else
                forged << reply;
        }
        m_responder->Answer(m_healthy, forged);
        PollAndWaitFor(kUniverses / 4 + lost.size());
        QCOMPARE(TicksWithEveryFrame(20), 20);
        if (real) {
            for (const QHostAddress& node : lost) {
                QVERIFY(m_peer->RemoveNodeAddress(node));
                // As if its entry had timed out: the next datagram waits for ARP.
                QVERIFY(RunTool(QStringLiteral("ip"), {QStringLiteral("neigh"), QStringLiteral("flush"), QStringLiteral("to"),
                                                       node.toString()}));
            }
        }

        // 600 ticks send the lost nodes some 5,000 datagrams: a shared
        // socket's buffer holds about 150.
        QCOMPARE(TicksWithEveryFrame(600), 600);
        const int polls = m_responder->PollsHeard();
        m_manager->Poll();
        QTRY_VERIFY(m_responder->PollsHeard() > polls);

        // Found lost by their neighbour entries, read at the poll timer;
        // the log has one line for each lost node, however long it goes on.
        auto allLogged = [&] {
            return std::all_of(lost.begin(), lost.end(), [](const QHostAddress& n) { return LogLinesAbout(n) > 0; });
        };
        QVERIFY2(RunShowUntil(allLogged, 2000), qPrintable(KeptDeviceLog::Lines().join(QLatin1Char('\n'))));
        QVERIFY(RunShow(100));
        for (const QHostAddress& node : lost)
            QVERIFY2(LogLinesAbout(node) == 1, qPrintable(KeptDeviceLog::Lines().join(QLatin1Char('\n'))));
        QCOMPARE(LogLinesAbout(kHealthyNode), 0);
    }

    // Forged replies name many absent addresses of the subnet, more than
    // are ever tried at once: the namespace holds only a few unanswered
    // neighbour entries, and the absent addresses take one socket in all.
    // Real nodes past the sockets' bound share a socket that no absent
    // address is given, and keep every frame. When the
    // replies stop and the forged nodes expire, their sockets are closed.
    void forgedAddressesAreTriedAFewAtATime_data()
    {
        Columns<int, int, bool>("limit", "real", "everyUniverse");
        QTest::newRow("the open file limit as it is") << 0 << 0 << false;
        QTest::newRow("a low open file limit") << 24 << 0 << false;
        QTest::newRow("more real nodes than sockets") << 24 << 12 << false;
        QTest::newRow("each claiming every universe") << 0 << 0 << true;
    }
    void forgedAddressesAreTriedAFewAtATime()
    {
        const auto [extraLimit, realCount, everyUniverse] = Row<int, int, bool>("limit", "real", "everyUniverse");
        auto log = KeptDeviceLog::Keeping();
        rlimit files{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &files), 0);
        const rlimit original = files;
        auto restore = qScopeGuard([original] { setrlimit(RLIMIT_NOFILE, &original); });
        // The manager reads the bound when it starts.
        m_manager->Stop();
        if (extraLimit > 0) {
            files.rlim_cur = rlim_t(4 * (OpenDescriptors() / 4 + extraLimit / 4 + 1));
            QCOMPARE(setrlimit(RLIMIT_NOFILE, &files), 0);
        }
        QVERIFY(m_manager->Start());
        const int before = OpenDescriptors();
        PollAndWaitFor(kUniverses / 4);
        QCOMPARE(TicksWithEveryFrame(1), 1);

        // Two and a half times the addresses tried at once, each claiming universe 0.
        const int forged = 5 * CNodeAdmission::kMaxNamedUnanswered / 2;
        QList<QByteArray> replies = ShowReplies(kHealthyNode);
        for (int i = 0; i < forged; ++i) {
            const QHostAddress address(0xC0000200u + 20u + quint32(i));
            if (!everyUniverse) {
                replies << PollReply(address, {0}, 0, 1);
                continue;
            }
            for (int page = 0; page < kUniverses / 4; ++page)
                replies << FourUniverses(address, quint16(4 * page), quint8(page + 1));
        }
        m_responder->Answer(m_healthy, replies);
        PollAndWaitFor(kUniverses / 4 + forged * (everyUniverse ? kUniverses / 4 : 1));
        // Every trial is asked, whatever waits with the others' asks.
        const auto allAsked = [&] { return Neighbours().Count(CNeighbourTable::EState::Unanswered) >= CNodeAdmission::kMaxNamedUnanswered; };
        QVERIFY(RunShowUntil(allAsked, 40));
        // Listed after the forged ones, which take the sockets first.
        std::vector<int> real;
        for (int i = 0; i < realCount; ++i) {
            const QHostAddress address(0xC0000200u + 100u + quint32(i));
            real.push_back(StartNode(address, {FourUniverses(address, 0)}));
            QVERIFY(real.back() >= 0);
        }
        PollAndWaitFor(kUniverses / 4 + forged * (everyUniverse ? kUniverses / 4 : 1) + realCount);

        // Each real node is sent to once it answered ARP, the trials' socket
        // asking first.
        std::vector<bool> served;
        QVERIFY(RunShowUntil([&] { return AllServed(real, served); }, 400));
        // Long enough for the first addresses tried to be given up. Each
        // real node takes its four frames of every tick: one lost leaves
        // the last tick's short.
        int opened = 0;
        bool realFrames = true;
        QVERIFY(RunShow(300, [&, realCount = realCount] {
            opened = std::max(opened, OpenDescriptors() - before - realCount);
            for (int fd : real)
                realFrames = realFrames && EveryFrameArrives(fd, 5000, 4);
        }));
        QVERIFY(realFrames);
        // Each absent address is tried in turn and reported once.
        auto reported = [&] {
            for (int i = 0; i < forged; ++i) {
                if (LogLinesAbout(QHostAddress(0xC0000200u + 20u + quint32(i))) != 1)
                    return false;
            }
            return true;
        };
        QVERIFY2(extraLimit > 0 || RunShowUntil(reported, 2000), qPrintable(KeptDeviceLog::Lines().join(QLatin1Char('\n'))));
        for (int fd : real)
            m_responder->Answer(fd, {});
        getrlimit(RLIMIT_NOFILE, &files);
        // The healthy node's socket and the trials'; with real nodes, theirs
        // under the bound.
        QVERIFY2(realCount > 0 ? rlim_t(opened) < files.rlim_cur / 4 : opened <= 2,
                 qPrintable(QStringLiteral("%1 descriptors under a limit of %2").arg(opened).arg(files.rlim_cur)));

        m_responder->Answer(m_healthy, ShowReplies(kHealthyNode));
        const int rounds = CArtNetManager::kNodeTimeoutMs / CArtNetManager::kPollIntervalMs + 2;
        for (int i = 0; i < rounds; ++i) {
            QVERIFY(AnsweredPollTimer());
            QCOMPARE(TicksWithEveryFrame(1), 1);
        }
        QTRY_COMPARE(m_manager->NodeList().Nodes().size(), kUniverses / 4);
        QCOMPARE(TicksWithEveryFrame(1), 1);
        QCOMPARE(OpenDescriptors(), before + 1 + realCount);
        m_manager->Stop();
        // The polling socket and the one of the kernel's neighbour notices go too.
        QCOMPARE(OpenDescriptors(), before - 2 + realCount);
    }

    // A real node that starts answering while many absent addresses are
    // listed gets its frames from the first tick after its reply, also
    // when it was named before by another's replies and waited behind them;
    // and the healthy node keeps every frame after one of its datagrams was
    // refused (its listener closed for a moment), as it still answers ARP.
    void aRealNodeIsNotCrowdedOut_data()
    {
        Columns<QString>("event");
        QTest::newRow("a node starts answering") << QStringLiteral("new node");
        QTest::newRow("a named node starts answering for itself") << QStringLiteral("named node");
        QTest::newRow("a datagram is refused") << QStringLiteral("refused");
    }
    void aRealNodeIsNotCrowdedOut()
    {
        const auto [event] = Row<QString>("event");
        const int forged = 3 * CNodeAdmission::kMaxNamedUnanswered;
        QList<QByteArray> replies = ShowReplies(kHealthyNode);
        for (int i = 0; i < forged; ++i)
            replies << PollReply(QHostAddress(0xC0000200u + 100u + quint32(i)), {0}, 0, 1);
        m_responder->Answer(m_healthy, replies);
        PollAndWaitFor(kUniverses / 4 + forged);
        QVERIFY(RunShow(40));

        const QHostAddress late(QStringLiteral("192.0.2.3"));
        if (event == QLatin1String("named node")) {
            // Named by the healthy node's replies, behind the absent ones;
            // then the same reply comes from itself, read with no tick.
            const int node = StartNode(late, {});
            QVERIFY(node >= 0);
            m_responder->Answer(m_healthy, replies + QList<QByteArray>{FourUniverses(late, 0)});
            PollAndWaitFor(kUniverses / 4 + forged + 1);
            QVERIFY(RunShow(2));
            QVERIFY(Receive(node, 0).isEmpty());
            m_responder->Answer(m_healthy, replies);
            m_responder->Answer(node, {FourUniverses(late, 0)});
            m_manager->Poll();
            const auto& nodes = m_manager->NodeList().Nodes();
            QVERIFY(QTest::qWaitFor([&] {
                return std::any_of(nodes.begin(), nodes.end(), [&](const SArtNetNode& n) { return n.address == late.toIPv4Address() && n.fromItself; });
            }, 30000));
            m_manager->SendUniverses(kUniverses, Out());
            QVERIFY(!Receive(node, 5000).isEmpty());
        } else if (event == QLatin1String("new node")) {
            const int node = StartNode(late, ShowReplies(late));
            QVERIFY(node >= 0);
            PollAndWaitFor(2 * kUniverses / 4 + forged);
            // No poll timer's turn: frames from the first tick after the reply.
            for (int tick = 0; tick < 20; ++tick) {
                m_manager->SendUniverses(kUniverses, Out());
                QVERIFY2(EveryFrameArrives(node, 5000), qPrintable(QStringLiteral("tick %1").arg(tick)));
                QVERIFY(EveryFrameArrives(m_healthy));
                QCoreApplication::processEvents();
            }
        } else {
            // The node's port refuses the next datagrams for a moment.
            m_responder->Answer(m_healthy, {});
            m_peer->CloseSocket(m_healthy);
            const long refusals = SnmpCounter("Icmp", "InDestUnreachs");
            for (int tick = 0; tick < 4 && SnmpCounter("Icmp", "InDestUnreachs") == refusals; ++tick) {
                m_manager->SendUniverses(kUniverses, Out());
                QTest::qWait(50);
            }
            QVERIFY(SnmpCounter("Icmp", "InDestUnreachs") > refusals);
            PollTimer();
            m_healthy = m_peer->Socket(kHealthyNode);
            QVERIFY(m_healthy >= 0);
            m_responder->Answer(m_healthy, replies);
            QVERIFY(RunShow(200));
        }
        QCOMPARE(LogLinesAbout(kHealthyNode), 0);
    }
    // The controller's address changes while the show runs, to another of
    // its subnet or to another subnet the node is on: the node's frames are
    // back after one turn of the poll timer, with no restart, also for nodes
    // past the sockets' bound that share one, and no socket is left behind.
    void anAddressChangeKeepsTheNodesServed_data()
    {
        Columns<QString, int, QString, int>("to", "prefix", "node", "sharing");
        QTest::newRow("another address of the subnet") << QStringLiteral("192.0.2.50") << 24 << QStringLiteral("192.0.2.2") << 0;
        QTest::newRow("another subnet the node is on") << QStringLiteral("192.0.2.129") << 25 << QStringLiteral("192.0.2.130") << 0;
        QTest::newRow("nodes sharing a socket") << QStringLiteral("192.0.2.50") << 24 << QStringLiteral("192.0.2.2") << 16;
    }
    void anAddressChangeKeepsTheNodesServed()
    {
        const auto [to, prefix, nodeText, sharing] = Row<QString, int, QString, int>("to", "prefix", "node", "sharing");
        const QHostAddress node(nodeText);
        int fd = m_healthy;
        if (node != kHealthyNode) {
            fd = StartNode(node, ShowReplies(node));
            QVERIFY(fd >= 0);
            PollAndWaitFor(2 * kUniverses / 4);
        }
        std::vector<int> others;
        for (int i = 0; i < sharing; ++i) {
            const QHostAddress address(0xC0000200u + 10u + quint32(i));
            others.push_back(StartNode(address, {FourUniverses(address, 0)}));
            QVERIFY(others.back() >= 0);
        }
        auto restore = RestartWithFileLimit(sharing > 0 ? 24 : 0);
        PollAndWaitFor((node != kHealthyNode ? 2 : 1) * kUniverses / 4 + sharing);
        std::vector<bool> served;
        QVERIFY(RunShowUntil([&] { return AllServed(others, served); }, 400));
        QCOMPARE(TicksWithEveryFrame(20, fd), 20);
        const int descriptors = OpenDescriptors();

        // As a new lease does it: the old address goes, then the new one comes.
        QVERIFY(SetControllerAddress(false, QStringLiteral("192.0.2.1/24")));
        QVERIFY(SetControllerAddress(true, QStringLiteral("%1/%2").arg(to).arg(prefix)));
        m_manager->SendUniverses(kUniverses, Out());
        QVERIFY(AnsweredPollTimer());
        QCOMPARE(TicksWithEveryFrame(20, fd), 20);
        served.assign(others.size(), false);
        QVERIFY(RunShowUntil([&] { return AllServed(others, served); }, 400));
        QCOMPARE(OpenDescriptors(), descriptors);
    }

    // A node behind a router shares the router's neighbour entry: it is sent
    // every frame from the first tick, never tried nor reported as failing.
    void aRoutedNodeIsSentToFreely()
    {
        auto log = KeptDeviceLog::Keeping();
        const QHostAddress routed(QStringLiteral("198.51.100.2"));
        QVERIFY(m_peer->InPeer({QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("198.51.100.2/32"), QStringLiteral("dev"),
                                QStringLiteral("lo")}));
        QVERIFY(RunTool(QStringLiteral("ip"), {QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("198.51.100.0/24"),
                                               QStringLiteral("via"), kHealthyNode.toString()}));
        const int fd = m_peer->Socket(routed);
        QVERIFY(fd >= 0);
        m_responder->Answer(fd, {FourUniverses(routed, 0)});
        PollAndWaitFor(kUniverses / 4 + 1);
        bool frames = true;
        QVERIFY(RunShow(300, [&] { frames = frames && EveryFrameArrives(fd, 5000, 4); }));
        QVERIFY(frames);
        QCOMPARE(LogLinesAbout(routed), 0);
    }

    // While the kernel refuses polls they are sent again soon, and nodes do
    // not expire for them; polls that go out and stay unanswered do expire them.
    // A round of polls to several targets ages the nodes by one interval.
    void refusedPollsAreSentAgainAndAgeNoNode_data()
    {
        Columns<QList<QHostAddress>>("targets");
        QTest::newRow("the broadcast address") << QList<QHostAddress>{kBroadcast};
        QTest::newRow("the broadcast address and a node") << QList<QHostAddress>{kBroadcast, kHealthyNode};
    }
    void refusedPollsAreSentAgainAndAgeNoNode()
    {
        const auto [targets] = Row<QList<QHostAddress>>("targets");
        const int rounds = CArtNetManager::kNodeTimeoutMs / CArtNetManager::kPollIntervalMs + 2;
        m_manager->SetPollTargets(targets);
        const QString address = QStringLiteral("192.0.2.1/24");
        // With no address on the link there is no route to the broadcast address.
        QVERIFY(SetControllerAddress(false, address));
        for (int i = 0; i < rounds; ++i)
            PollTimer();
        QCOMPARE(m_manager->Poll(), targets.size());
        QCOMPARE(m_manager->NodeList().Nodes().size(), kUniverses / 4);

        // A restart refused its poll and has the poll timer's next turn a
        // whole interval away: only the resend brings the nodes a poll sooner.
        m_manager->Stop();
        QVERIFY(m_manager->Start());
        const int polls = m_responder->PollsHeard();
        QVERIFY(SetControllerAddress(true, address));
        QTRY_VERIFY_WITH_TIMEOUT(m_responder->PollsHeard() > polls, CArtNetManager::kPollIntervalMs / 2);
        PollAndWaitFor(kUniverses / 4);

        m_responder->Answer(m_healthy, {});
        for (int i = 1; i <= rounds; ++i) {
            QVERIFY(AnsweredPollTimer());
            if (i * CArtNetManager::kPollIntervalMs < CArtNetManager::kNodeTimeoutMs)
                QCOMPARE(m_manager->NodeList().Nodes().size(), kUniverses / 4);
        }
        QCOMPARE(m_manager->NodeList().Nodes().size(), 0);
    }

    // Many nodes start answering at once, to the poll's source or by
    // broadcast, or on a link without ARP, which lists no neighbours: each
    // is sent its frames soon after its first reply, with no turn of the
    // poll timer, as a trial is judged on the tick. Nodes of several pages
    // (bind indexes) answer from one address each.
    void everyNodeIsServedSoon_data()
    {
        Columns<int, int, bool, bool, bool>("addresses", "pages", "broadcast", "arp", "held");
        QTest::newRow("40 nodes answering the poll's source") << 40 << 1 << false << true << false;
        QTest::newRow("40 nodes answering by broadcast") << 40 << 1 << true << true << false;
        QTest::newRow("40 nodes on a link without ARP") << 40 << 1 << false << false << false;
        // Their replies come all at once, while a long tick keeps the socket unread.
        QTest::newRow("200 nodes answering by broadcast, read late") << 20 << 10 << true << true << true;
    }
    void everyNodeIsServedSoon()
    {
        const auto [addresses, pages, broadcast, arp, held] = Row<int, int, bool, bool, bool>("addresses", "pages", "broadcast", "arp", "held");
        const int count = addresses * pages;
        if (!arp)
            QVERIFY(m_peer->TurnArpOff());
        std::vector<int> nodes;
        for (int i = 0; i < addresses; ++i) {
            const QHostAddress address(0xC0000200u + 10u + quint32(i));
            QList<QByteArray> replies;
            for (int page = 0; page < pages; ++page)
                replies << FourUniverses(address, quint16(4 * ((i + page) % 4)), quint8(page + 1));
            nodes.push_back(StartNode(address, replies, 24, broadcast));
            QVERIFY(nodes.back() >= 0);
        }
        if (held) {
            // Every reply is sent while this thread runs no event loop, and
            // the next polls go unanswered: all are listed from that one round.
            const int rounds = m_responder->RoundsAnswered();
            m_manager->Poll();
            for (int i = 0; i < 3000 && m_responder->RoundsAnswered() == rounds; ++i)
                QThread::msleep(10);
            m_responder->Pause(true);
            auto listed = [&] { return m_manager->NodeList().Nodes().size() == kUniverses / 4 + count; };
            const bool all = QTest::qWaitFor(listed, 5000);
            m_responder->Pause(false);
            QVERIFY2(all, qPrintable(QString::number(m_manager->NodeList().Nodes().size())));
        }
        PollAndWaitFor(kUniverses / 4 + count);
        std::vector<bool> served;
        int ticks = 0;
        for (; ticks < 400 && !AllServed(nodes, served); ++ticks) {
            QVERIFY(TicksWithEveryFrame(1) == 1);
            QVERIFY(Neighbours().Count(CNeighbourTable::EState::Unanswered) <= CNodeAdmission::kMaxUnanswered);
            QTest::qWait(5);
        }
        QVERIFY2(AllServed(nodes, served), qPrintable(QStringLiteral("%1 of %2 served")
                                                         .arg(std::count(served.begin(), served.end(), true))
                                                         .arg(addresses)));
    }

    // A node whose replies come from one of its addresses and name another
    // is given up while that address does not answer ARP, and served again
    // once it does. Its failed entry stays, as the kernel collects failed
    // entries only while the machine holds many, so it is tried again by a
    // back-off of the program's own.
    // After a restart it is tried from the first tick.
    void aNodeAnsweringArpAgainIsServed_data()
    {
        Columns<bool, bool>("servedBefore", "restart");
        QTest::newRow("served, then its address goes and comes back") << true << false;
        QTest::newRow("its address absent when first named") << false << false;
        QTest::newRow("the output restarted once it came back") << true << true;
    }
    void aNodeAnsweringArpAgainIsServed()
    {
        const auto [servedBefore, restart] = Row<bool, bool>("servedBefore", "restart");
        auto log = KeptDeviceLog::Keeping();
        const QHostAddress from(QStringLiteral("192.0.2.60"));
        const QHostAddress named(QStringLiteral("192.0.2.61"));
        const std::vector<int> receiver = {StartNode(named, {})};
        QVERIFY(receiver.front() >= 0);
        QVERIFY(StartNode(from, {FourUniverses(named, 0)}) >= 0);
        auto absent = [&] {
            return m_peer->RemoveNodeAddress(named)
                && RunTool(QStringLiteral("ip"), {QStringLiteral("neigh"), QStringLiteral("flush"), QStringLiteral("to"), named.toString()});
        };
        if (!servedBefore)
            QVERIFY(absent());
        PollAndWaitFor(kUniverses / 4 + 1);
        std::vector<bool> served;
        if (servedBefore) {
            QVERIFY(RunShowUntil([&] { return AllServed(receiver, served); }, 400));
            QVERIFY(absent());
        }
        QVERIFY2(RunShowUntil([&] { return LogLinesAbout(named) > 0; }, 1000), qPrintable(KeptDeviceLog::Lines().join(QLatin1Char('\n'))));
        // Given up through a retry or two.
        QVERIFY(RunShow(60));
        QVERIFY(m_peer->AddNodeAddress(named));
        served.assign(1, false);
        AllServed(receiver, served);
        served.assign(1, false);
        if (restart) {
            m_manager->Stop();
            QVERIFY(m_manager->Start());
            PollAndWaitFor(kUniverses / 4 + 1);
            m_manager->SendUniverses(kUniverses, Out());
            QVERIFY(!Receive(receiver.front(), 5000).isEmpty());
        }
        QVERIFY(RunShowUntil([&] { return AllServed(receiver, served); }, 2000));
        QCOMPARE(LogLinesAbout(named), 1);
    }

    // Replies forged from the very absent addresses they name, more than
    // the places for trials: each is given up when its ARP fails, whatever
    // it replies, and real nodes answering by broadcast are served behind
    // them. Past the sockets' bound the forged ones never share the real
    // nodes' socket, where the frames of every universe, waiting for their
    // ARP, would fill its buffer.
    void forgedOwnRepliesHoldNoPlace_data()
    {
        Columns<int, int, int, int, bool>("forged", "pages", "limit", "real", "realFirst");
        QTest::newRow("a real node behind 48") << 48 << 1 << 0 << 1 << false;
        QTest::newRow("real nodes sharing a socket at a low open file limit") << 32 << 4 << 24 << 12 << false;
        QTest::newRow("real nodes first, more than sockets") << 36 << 4 << 40 << 48 << true;
    }
    void forgedOwnRepliesHoldNoPlace()
    {
        const auto [forged, pages, extraLimit, realCount, realFirst] =
            Row<int, int, int, int, bool>("forged", "pages", "limit", "real", "realFirst");
        std::vector<int> real;
        auto startReal = [&, realCount = realCount] {
            for (int i = 0; i < realCount; ++i) {
                const QHostAddress address(0xC0000200u + 10u + quint32(i));
                real.push_back(StartNode(address, {FourUniverses(address, 0)}, 24, true));
                QVERIFY(real.back() >= 0);
            }
        };
        // Listed first, answered nodes would take every socket of their own.
        if (realFirst)
            startReal();
        for (int i = 0; i < forged; ++i) {
            const QHostAddress address(0xC0000200u + 100u + quint32(i));
            QVERIFY(m_peer->AddHiddenAddress(address));
            const int fd = m_peer->Socket(address);
            QVERIFY(fd >= 0);
            m_responder->Answer(fd, ShowReplies(address).mid(0, pages));
        }
        if (!realFirst)
            startReal();
        // The nodes' side is made first: its tools need descriptors.
        auto restore = RestartWithFileLimit(extraLimit);
        PollAndWaitFor(kUniverses / 4 + forged * pages + realCount);
        std::vector<bool> served;
        QVERIFY(RunShowUntil([&] { return AllServed(real, served); }, 1500));
        bool realFrames = true;
        QVERIFY(RunShow(200, [&] {
            for (int fd : real)
                realFrames = realFrames && EveryFrameArrives(fd, 5000, 4);
        }));
        QVERIFY(realFrames);
    }

    // Trials are judged on the tick alone, with no turn of the event loop
    // or the poll timer: absent addresses that replies name, each claiming
    // every universe, are given up and reported as their entries fail. What
    // waits for their ARP takes half a socket's send buffer at most.
    void trialsAreJudgedOnTheTick()
    {
        auto log = KeptDeviceLog::Keeping();
        QList<QHostAddress> absent;
        QList<QByteArray> replies = ShowReplies(kHealthyNode);
        for (quint32 i = 0; i < quint32(CNodeAdmission::kMaxNamedUnanswered); ++i) {
            absent << QHostAddress(0xC0000200u + 30u + i);
            for (int page = 0; page < kUniverses / 4; ++page)
                replies << FourUniverses(absent.back(), quint16(4 * page), quint8(page + 1));
        }
        m_responder->Answer(m_healthy, replies);
        PollAndWaitFor(kUniverses / 4 * (1 + absent.size()));
        auto allReported = [&] {
            return std::all_of(absent.begin(), absent.end(), [](const QHostAddress& a) { return LogLinesAbout(a) == 1; });
        };
        for (int tick = 0; tick < 400 && !allReported(); ++tick) {
            m_manager->SendUniverses(kUniverses, Out());
            // Half the buffer, besides the datagram that has each trial asked.
            for (QUdpSocket* socket : m_manager->findChildren<QUdpSocket*>()) {
                const int fd = int(socket->socketDescriptor());
                int buffer = 0;
                socklen_t size = sizeof buffer;
                int waiting = 0;
                if (fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, &size) == 0 && ::ioctl(fd, SIOCOUTQ, &waiting) == 0)
                    QVERIFY2(waiting <= buffer / 2 + absent.size() * CNodeSockets::kDatagramCharge, qPrintable(QString::number(waiting)));
            }
            QThread::msleep(20);
        }
        QVERIFY2(allReported(), qPrintable(KeptDeviceLog::Lines().join(QLatin1Char('\n'))));
    }

    // A flood on one node's socket does not hold back a reply on another's:
    // the flooded socket waits behind the others after a pass, and its last
    // datagram is read too.
    void aFloodOnOneNodeHoldsNoOtherBack()
    {
        const QHostAddress other(QStringLiteral("192.0.2.3"));
        const int node = StartNode(other, {FourUniverses(other, 0)});
        QVERIFY(node >= 0);
        const int nodes = kUniverses / 4 + 1;
        PollAndWaitFor(nodes);
        // Every node's socket is open once its address answered.
        auto answered = [&] {
            return Neighbours().State(other.toIPv4Address()) == CNeighbourTable::EState::Answered
                && Neighbours().State(kHealthyNode.toIPv4Address()) == CNeighbourTable::EState::Answered;
        };
        QVERIFY(RunShowUntil(answered, 100));
        QCOMPARE(TicksWithEveryFrame(1), 1);
        m_responder->Answer(node, {});
        m_responder->Answer(m_healthy, {});
        QTest::qWait(100);

        // The flood: the healthy node's replies for pages it did not have,
        // so that each one read adds a node.
        const int pass = CArtNetManager::kDatagramsPerPass;
        const int flood = 4 * pass; // within the socket's receive buffer
        for (int i = 0; i < flood; ++i)
            QVERIFY(SendTo(m_healthy, FourUniverses(kHealthyNode, 0, quint8(10 + i)), kPairController));
        QVERIFY(SendTo(node, FourUniverses(other, 4), kPairController));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));

        // At most the pass under way when the reply came, the next one and
        // the one that reads it.
        int floodReadFirst = -1; // flood datagrams read before the other node's reply
        std::function<void()> tick;
        tick = [&] {
            if (floodReadFirst < 0 && Repatched(other))
                floodReadFirst = m_manager->NodeList().Nodes().size() - nodes;
            else
                QMetaObject::invokeMethod(m_manager.get(), tick, Qt::QueuedConnection);
        };
        tick();
        QTRY_VERIFY(floodReadFirst >= 0);
        QVERIFY2(floodReadFirst < 3 * pass, qPrintable(QString::number(floodReadFirst)));
        QTRY_COMPARE(m_manager->NodeList().Nodes().size(), nodes + flood);
    }

    // Sockets that signal wait behind those signalled before them: floods
    // on several nodes' sockets noticed after another node's reply do not
    // pass it. The first flooded socket fills the pass under way and waits
    // behind the reply; the reply is read in the pass after the next. The
    // order the sockets signal in is the test's own, whatever the kernel's.
    void floodsNoticedLaterWaitBehindAReply()
    {
        const QHostAddress other(QStringLiteral("192.0.2.3"));
        const QList<QHostAddress> flooded{kHealthyNode, QHostAddress(QStringLiteral("192.0.2.4")),
                                          QHostAddress(QStringLiteral("192.0.2.5"))};
        std::vector<int> floodFds{m_healthy};
        const int node = StartNode(other, {FourUniverses(other, 0)});
        QVERIFY(node >= 0);
        for (int i = 1; i < flooded.size(); ++i) {
            floodFds.push_back(StartNode(flooded[i], {FourUniverses(flooded[i], 8)}));
            QVERIFY(floodFds.back() >= 0);
        }
        const int nodes = kUniverses / 4 + 1 + (flooded.size() - 1);
        PollAndWaitFor(nodes);
        auto answered = [&] {
            return std::all_of(flooded.begin(), flooded.end(), [](const QHostAddress& a) {
                       return Neighbours().State(a.toIPv4Address()) == CNeighbourTable::EState::Answered;
                   })
                   && Neighbours().State(other.toIPv4Address()) == CNeighbourTable::EState::Answered;
        };
        QVERIFY(RunShowUntil(answered, 100));
        QCOMPARE(TicksWithEveryFrame(1), 1);
        for (const int fd : floodFds)
            m_responder->Answer(fd, {});
        m_responder->Answer(node, {});
        QTest::qWait(100);
        const auto socketOf = [&](const QHostAddress& address) -> QUdpSocket* {
            // Connected by descriptor: the kernel knows the peer.
            for (QUdpSocket* socket : m_manager->findChildren<QUdpSocket*>()) {
                sockaddr_in peer{};
                socklen_t size = sizeof peer;
                if (::getpeername(int(socket->socketDescriptor()), reinterpret_cast<sockaddr*>(&peer), &size) == 0
                    && ntohl(peer.sin_addr.s_addr) == address.toIPv4Address())
                    return socket;
            }
            return nullptr;
        };
        QList<QUdpSocket*> floodSockets;
        for (const QHostAddress& address : flooded)
            floodSockets << socketOf(address);
        QUdpSocket* reply = socketOf(other);
        QVERIFY(reply && !floodSockets.contains(nullptr));

        // Each flood datagram is a reply for a page its node did not have:
        // each one read adds a node.
        const int pass = CArtNetManager::kDatagramsPerPass;
        const int flood = 3 * pass; // within a socket's receive buffer
        for (int f = 0; f < flooded.size(); ++f) {
            for (int i = 0; i < flood; ++i)
                QVERIFY(SendTo(floodFds[size_t(f)], FourUniverses(flooded[f], 0, quint8(10 + i)),
                               kPairController));
        }
        QVERIFY(SendTo(node, FourUniverses(other, 4), kPairController));
        // Arrived, with no event loop to read them yet.
        for (int wait = 0; wait < 500 && !(reply->hasPendingDatagrams()
                                           && std::all_of(floodSockets.begin(), floodSockets.end(),
                                                          [](QUdpSocket* s) { return s->hasPendingDatagrams(); }));
             ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));

        int floodReadFirst = -1; // flood datagrams read before the other node's reply
        const QMetaObject::Connection added = connect(m_manager.get(), &CArtNetManager::nodeDetected, this, [&] {
            if (floodReadFirst < 0 && Repatched(other))
                floodReadFirst = m_manager->NodeList().Nodes().size() - nodes - 1;
        });
        // The first flooded socket signals alone and fills a pass; the reply
        // signals, then the other flooded sockets.
        emit floodSockets[0]->readyRead();
        QCOMPARE(m_manager->NodeList().Nodes().size(), nodes + pass);
        emit reply->readyRead();
        for (int f = 1; f < floodSockets.size(); ++f)
            emit floodSockets[f]->readyRead();
        QTRY_COMPARE(m_manager->NodeList().Nodes().size(), nodes + flooded.size() * flood);
        disconnect(added);
        QVERIFY(Repatched(other));
        QCOMPARE(floodReadFirst, 2 * pass);
    }
};

ORVANE_TEST(ArtNetLostNodeNamespaceTest)
ORVANE_TEST(ArtNetLostNodeTest)
#include "ArtNetLostNodeTest.moc"
