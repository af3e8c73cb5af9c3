#include "TestRegistry.h"

#include "DataTable.h"

#include "Common/ArtNet/ArtNetNodeList.h"

#include <QtTest>

namespace {

ArtNet::SPollReply Reply(quint32 address, QVector<quint16> outputs, quint8 bindIndex = 1)
{
    ArtNet::SPollReply reply;
    reply.address = address;
    reply.bindIndex = bindIndex;
    reply.shortName = QStringLiteral("node");
    reply.outputs = std::move(outputs);
    return reply;
}

constexpr quint32 kNodeA = 0x0A000001;
constexpr quint32 kNodeB = 0x0A000002;

} // namespace

class ArtNetNodeListTest : public QObject
{
    Q_OBJECT

private slots:
    void aNodeIsAddedOncePerAddressAndBindIndex()
    {
        CArtNetNodeList list;
        QCOMPARE(list.Update(Reply(kNodeA, {0}), 0), CArtNetNodeList::EUpdate::Added);
        QCOMPARE(list.Update(Reply(kNodeA, {0}), 10), CArtNetNodeList::EUpdate::Refreshed);
        QCOMPARE(list.Update(Reply(kNodeA, {4}, 2), 10), CArtNetNodeList::EUpdate::Added);
        QCOMPARE(list.Update(Reply(kNodeB, {0}), 10), CArtNetNodeList::EUpdate::Added);
        QCOMPARE(list.Nodes().size(), 3);

        // A node re-patched since its last reply takes its new ports.
        list.Update(Reply(kNodeA, {7}), 20);
        QCOMPARE(list.Nodes().at(0).outputs, QVector<quint16>({7}));
        QCOMPARE(list.Nodes().at(0).lastSeenMs, qint64(20));
    }

    // The targets are rebuilt only when the revision moves: a refresh that
    // changes no port must leave it, however often it comes.
    void onlyAChangeOfTargetsMovesTheRevision_data()
    {
        Columns<quint32, int, QVector<quint16>, QString, bool>("address", "bindIndex", "ports", "name", "moves");
        auto row = [](const char* name, quint32 address, int bindIndex, QVector<quint16> ports, const char* nodeName,
                      bool moves) {
            QTest::newRow(name) << address << bindIndex << ports << QString::fromLatin1(nodeName) << moves;
        };
        row("same reply", kNodeA, 1, {0, 1}, "node", false);
        row("renamed", kNodeA, 1, {0, 1}, "renamed", false);
        row("re-patched", kNodeA, 1, {0, 2}, "node", true);
        row("a port fewer", kNodeA, 1, {0}, "node", true);
        row("ports in another order", kNodeA, 1, {1, 0}, "node", true);
        row("next bind index", kNodeA, 2, {0, 1}, "node", true);
        row("another node", kNodeB, 1, {0, 1}, "node", true);
    }
    void onlyAChangeOfTargetsMovesTheRevision()
    {
        const auto [address, bindIndex, ports, name, moves] =
            Row<quint32, int, QVector<quint16>, QString, bool>("address", "bindIndex", "ports", "name", "moves");
        CArtNetNodeList list;
        list.Update(Reply(kNodeA, {0, 1}), 0);
        const quint64 before = list.Revision();
        ArtNet::SPollReply reply = Reply(address, ports, quint8(bindIndex));
        reply.shortName = name;
        list.Update(reply, 100);
        QCOMPARE(list.Revision() != before, moves);
        QCOMPARE(list.Nodes().constLast().shortName, name);
    }

    void targetsBelowTheUniverseCount()
    {
        CArtNetNodeList list;
        list.Update(Reply(kNodeA, {0, 1, 4, 0}), 0);
        list.Update(Reply(kNodeA, {1, 3}, 2), 0);
        list.Update(Reply(kNodeB, {3, 0x7FFF}), 0);

        const QVector<SArtNetTarget> expected{{kNodeA, 0}, {kNodeA, 1}, {kNodeA, 3}, {kNodeB, 3}};
        QCOMPARE(list.Targets(4), expected);
        QCOMPARE(list.Targets(1), QVector<SArtNetTarget>({{kNodeA, 0}}));
        QVERIFY(list.Targets(0).isEmpty());
        QVERIFY(list.Targets(-1).isEmpty());
        QCOMPARE(list.Targets(0x8000).size(), 6);
    }

    void nodesTimeOut()
    {
        CArtNetNodeList list;
        list.Update(Reply(kNodeA, {0}), 1000);
        list.Update(Reply(kNodeB, {0}), 5000);
        const quint64 revision = list.Revision();
        QVERIFY(list.Expire(31000, 30000).isEmpty());
        QCOMPARE(list.Revision(), revision);
        const QVector<SArtNetNode> gone = list.Expire(31001, 30000);
        QCOMPARE(gone.size(), 1);
        QCOMPARE(gone.at(0).address, kNodeA);
        QCOMPARE(list.Nodes().size(), 1);
        QVERIFY(list.Revision() != revision);
        QCOMPARE(list.Targets(1), QVector<SArtNetTarget>({{kNodeB, 0}}));

        // A reply keeps a node alive.
        list.Update(Reply(kNodeB, {0}), 34000);
        QVERIFY(list.Expire(60000, 30000).isEmpty());
    }

    void aFloodOfRepliesIsBounded()
    {
        CArtNetNodeList list;
        for (int i = 0; i < CArtNetNodeList::kMaxNodes; ++i)
            QCOMPARE(list.Update(Reply(0x0B000000 + quint32(i), {0}), 0), CArtNetNodeList::EUpdate::Added);
        const quint64 full = list.Revision();
        QCOMPARE(list.Update(Reply(kNodeA, {0}), 0), CArtNetNodeList::EUpdate::Refused);
        QCOMPARE(list.Revision(), full);
        QCOMPARE(list.Update(Reply(0x0B000000, {1}), 5), CArtNetNodeList::EUpdate::Refreshed);
        QCOMPARE(list.Nodes().size(), CArtNetNodeList::kMaxNodes);
        // Once nodes time out there is room again.
        list.Expire(40000, 30000);
        QCOMPARE(list.Update(Reply(kNodeA, {0}), 40000), CArtNetNodeList::EUpdate::Added);
    }
};

ORVANE_TEST(ArtNetNodeListTest)
#include "ArtNetNodeListTest.moc"
