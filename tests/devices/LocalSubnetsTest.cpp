#include "TestRegistry.h"

#include "DataTable.h"

#include "Common/ArtNet/LocalSubnets.h"

#include <QHostAddress>
#include <QtTest>

namespace {

quint32 Ip(const QString& text)
{
    return QHostAddress(text).toIPv4Address();
}

// A machine with the loopback (1), 192.0.2.10/24 (2) and 198.51.100.7/24 (3).
constexpr int kLo = 1;
constexpr int kEth = 2;
constexpr int kOther = 3;

} // namespace

class LocalSubnetsTest : public QObject
{
    Q_OBJECT

private slots:
    void aReplyNamesItsSenderOrItsOwnSubnet_data()
    {
        Columns<QString, QString, int, bool>("named", "sender", "interface", "accepted");
        auto row = [](const char* name, const char* named, const char* sender, int iface, bool accepted) {
            QTest::newRow(name) << QString::fromLatin1(named) << QString::fromLatin1(sender) << iface << accepted;
        };
        row("node for itself", "192.0.2.20", "192.0.2.20", kEth, true);
        row("node for another host of its subnet", "192.0.2.21", "192.0.2.20", kEth, true);
        row("node past a gateway for itself", "203.0.113.5", "203.0.113.5", kEth, true);
        row("host past a gateway", "203.0.113.5", "192.0.2.20", kEth, false);
        row("subnet of another interface", "198.51.100.9", "192.0.2.20", kEth, false);
        row("subnet broadcast", "192.0.2.255", "192.0.2.20", kEth, false);
        row("broadcast of another subnet", "198.51.100.255", "192.0.2.20", kEth, false);
        row("subnet network address", "192.0.2.0", "192.0.2.20", kEth, false);
        row("subnet network address as its sender", "192.0.2.0", "192.0.2.0", kEth, false);
        row("loopback from the network", "127.0.0.1", "192.0.2.20", kEth, false);
        row("our address from the network", "192.0.2.10", "192.0.2.20", kEth, false);
        row("visualiser on the loopback", "127.0.0.1", "127.0.0.1", kLo, true);
        row("visualiser from the loopback for our address", "192.0.2.10", "127.0.0.1", kLo, true);
        row("visualiser from our address for the loopback", "127.0.0.5", "198.51.100.7", kLo, true);
        row("this machine for a host of the network", "192.0.2.20", "127.0.0.1", kLo, false);
        row("interface not known", "192.0.2.21", "192.0.2.20", 0, false);
        row("interface not known, node for itself", "192.0.2.20", "192.0.2.20", 0, true);
    }
    void aReplyNamesItsSenderOrItsOwnSubnet()
    {
        const auto [named, sender, iface, accepted] =
            Row<QString, QString, int, bool>("named", "sender", "interface", "accepted");
        CLocalSubnets subnets;
        subnets.Set({{kLo, Ip(QStringLiteral("127.0.0.1")), 8},
                     {kEth, Ip(QStringLiteral("192.0.2.10")), 24},
                     {kOther, Ip(QStringLiteral("198.51.100.7")), 24}});
        QCOMPARE(subnets.MayName(Ip(named), Ip(sender), iface), accepted);
    }

    // A reading differs from the one before by any subnet's interface,
    // address, prefix or use of ARP: each changes where and how DMX goes.
    void aChangeOfAnySubnetIsSeen_data()
    {
        Columns<QString>("change");
        for (const char* change : {"interface", "address", "prefix", "arp"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }
    void aChangeOfAnySubnetIsSeen()
    {
        const auto [change] = Row<QString>("change");
        CLocalSubnets subnets;
        subnets.Refresh();
        QVERIFY(!subnets.Refresh());
        QVector<CLocalSubnets::SSubnet> before = subnets.Subnets();
        QVERIFY(!before.isEmpty()); // the loopback's at least
        CLocalSubnets::SSubnet& s = before.front();
        if (change == QLatin1String("interface"))
            ++s.interfaceIndex;
        else if (change == QLatin1String("address"))
            ++s.address;
        else if (change == QLatin1String("prefix"))
            --s.prefixLength;
        else
            s.arp = !s.arp;
        subnets.Set(before);
        QVERIFY(subnets.Refresh());
        QVERIFY(!subnets.Refresh());
    }
};

ORVANE_TEST(LocalSubnetsTest)
#include "LocalSubnetsTest.moc"
