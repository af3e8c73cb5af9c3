#include "TestRegistry.h"

#include "DataTable.h"

#include "Common/ArtNet/NodeAdmission.h"

#include <QHostAddress>
#include <QtTest>

#include <map>

using EState = CNeighbourTable::EState;
using EAdmit = CNodeAdmission::EAdmit;
Q_DECLARE_METATYPE(EState)
Q_DECLARE_METATYPE(EAdmit)

namespace {

quint32 Ip(const char* text)
{
    return QHostAddress(QLatin1String(text)).toIPv4Address();
}

constexpr quint32 kSubnet = 0xC0000200u; // 192.0.2.0

// The kernel's side as the admission meets it: every address sent to has an
// entry that never answers, and an entry no longer sent to is collected a
// few readings later.
struct SSilentKernel
{
    static constexpr int kCollectedAfter = 5;
    std::map<quint32, int> entries; // address, readings left

    CNeighbourTable Read(const CNodeAdmission& admission, const std::vector<quint32>& listed)
    {
        for (quint32 address : listed) {
            if (admission.Admission(address) != EAdmit::None)
                entries[address] = kCollectedAfter;
        }
        QByteArray text = "IP address HW type Flags HW address Mask Device\n";
        for (auto it = entries.begin(); it != entries.end();) {
            text += QHostAddress(it->first).toString().toLatin1() + " 0x1 0x0 00:00:00:00:00:00 * veth\n";
            it = --it->second == 0 ? entries.erase(it) : std::next(it);
        }
        CNeighbourTable table;
        table.Parse(text);
        return table;
    }
};

} // namespace

class NodeAdmissionTest : public QObject
{
    Q_OBJECT

private slots:
    void theTableTellsWhoAnswered_data()
    {
        Columns<QByteArray, QString, EState>("table", "address", "state");
        const QByteArray head = "IP address       HW type     Flags       HW address            Mask     Device\n";
        auto row = [&](const char* name, const QByteArray& lines, const char* address, EState state) {
            QTest::newRow(name) << head + lines << QString::fromLatin1(address) << state;
        };
        row("resolved", "192.0.2.2 0x1 0x2 02:00:00:00:00:02 * eth0\n", "192.0.2.2", EState::Answered);
        row("permanent", "192.0.2.2 0x1 0x6 02:00:00:00:00:02 * eth0\n", "192.0.2.2", EState::Answered);
        row("asked", "192.0.2.9 0x1 0x0 00:00:00:00:00:00 * eth0\n", "192.0.2.9", EState::Unanswered);
        row("answered on one link of two", "192.0.2.9 0x1 0x0 00:00:00:00:00:00 * eth0\n"
                                           "192.0.2.9 0x1 0x2 02:00:00:00:00:09 * eth1\n",
            "192.0.2.9", EState::Answered);
        row("the same, links the other way", "192.0.2.9 0x1 0x2 02:00:00:00:00:09 * eth1\n"
                                             "192.0.2.9 0x1 0x0 00:00:00:00:00:00 * eth0\n",
            "192.0.2.9", EState::Answered);
        row("another address", "192.0.2.9 0x1 0x0 00:00:00:00:00:00 * eth0\n", "192.0.2.8", EState::Absent);
        row("cut off", "192.0.2.9 0x1", "192.0.2.9", EState::Absent);
        row("not hexadecimal", "192.0.2.9 0x1 zz 00:00:00:00:00:00 * eth0\n", "192.0.2.9", EState::Absent);
        row("not an address", "192.0.2.999 0x1 0x0 00:00:00:00:00:00 * eth0\n", "192.0.2.9", EState::Absent);
        QTest::newRow("no header") << QByteArray("192.0.2.9 0x1 0x0 00:00:00:00:00:00 * eth0\n")
                                   << QStringLiteral("192.0.2.9") << EState::Absent;
    }
    void theTableTellsWhoAnswered()
    {
        const auto [text, address, state] = Row<QByteArray, QString, EState>("table", "address", "state");
        CNeighbourTable table;
        QCOMPARE(table.State(Ip("192.0.2.2")), EState::Answered); // not read: nothing is held back
        table.Parse(text);
        QCOMPARE(table.State(QHostAddress(address).toIPv4Address()), state);
    }

    // However many addresses the replies name, and none of them answers,
    // only a few are ever held unanswered in the kernel's table; a node that
    // answers polls from its own address is sent to from its first listing.
    void unansweredAddressesStayFew_data()
    {
        Columns<int, int>("named", "real");
        QTest::newRow("a few named") << 3 << 0;
        QTest::newRow("named past the bound") << 40 << 0;
        QTest::newRow("a real node behind named ones") << 482 << 1;
        QTest::newRow("real nodes past the bound") << 0 << 40;
        QTest::newRow("both past the bound") << 100 << 40;
    }
    void unansweredAddressesStayFew()
    {
        const auto [named, real] = Row<int, int>("named", "real");
        constexpr int kBound = CNodeAdmission::kMaxUnanswered;
        std::vector<CNodeAdmission::SListed> listed;
        std::vector<quint32> addresses;
        for (int i = 0; i < named + real; ++i) {
            listed.push_back({kSubnet + 0x10000u + quint32(i), i >= named});
            addresses.push_back(listed.back().address);
        }
        CNodeAdmission admission;
        admission.List(listed);
        if (real > 0)
            QCOMPARE(admission.Admission(listed[size_t(named)].address), EAdmit::Trial);
        SSilentKernel kernel;
        int tried = 0;
        std::vector<int> lostReports(addresses.size());
        for (int reading = 0; reading < 400; ++reading) {
            CNeighbourTable table = kernel.Read(admission, addresses);
            QVERIFY2(int(kernel.entries.size()) <= 2 * kBound, qPrintable(QString::number(kernel.entries.size())));
            for (quint32 lost : admission.Judge(table))
                ++lostReports[lost - addresses.front()];
            QVERIFY(admission.Unanswered(true) <= kBound);
            QVERIFY(admission.Unanswered(false) <= 2 * kBound);
            for (quint32 address : addresses)
                tried += admission.Admission(address) == EAdmit::Trial ? 1 : 0;
        }
        // Each is tried in turn and reported once; named ones wait while real
        // nodes fill every place.
        QVERIFY(tried > 0);
        for (int i = 0; i < int(lostReports.size()); ++i)
            QCOMPARE(lostReports[size_t(i)], i < named && real >= kBound ? 0 : 1);
    }

    // One address through readings of the table (A answered, U asked and
    // unanswered, - no entry) and poll replies from itself (P): it is given
    // up after two unanswered readings, reported once until it answers
    // again, and never given up while it answers polls.
    void aNodeIsJudgedByItsEntry_data()
    {
        Columns<QString, bool, int, EAdmit>("events", "ownReply", "reports", "admission");
        auto row = [](const char* events, bool own, int reports, EAdmit admit) {
            QTest::newRow(events) << QString::fromLatin1(events) << own << reports << admit;
        };
        row("A", false, 0, EAdmit::Free);
        row("AU", false, 0, EAdmit::Trial);
        row("AUA", false, 0, EAdmit::Free);
        row("AUU", false, 1, EAdmit::None);
        row("AUUUUUUUU", false, 1, EAdmit::None);
        row("AUU-", false, 1, EAdmit::Trial);
        row("--", false, 1, EAdmit::Trial);
        row("AUUAUU", false, 2, EAdmit::None);
        row("AUUP", true, 1, EAdmit::Trial);
        row("AUUPUUPUU", true, 1, EAdmit::None);
        row("PUPUPUPU", true, 0, EAdmit::Trial);
        row("P-P-P-P-", true, 0, EAdmit::Trial);
    }
    void aNodeIsJudgedByItsEntry()
    {
        const auto [events, ownReply, reports, admission] = Row<QString, bool, int, EAdmit>("events", "ownReply", "reports", "admission");
        const quint32 node = Ip("192.0.2.2");
        CNodeAdmission judge;
        judge.List({{node, ownReply}});
        QCOMPARE(judge.Admission(node), EAdmit::Trial);
        int reported = 0;
        for (QChar event : events) {
            if (event == QLatin1Char('P')) {
                judge.AnsweredPoll(node);
                continue;
            }
            const char flags = event == QLatin1Char('A') ? '2' : '0';
            CNeighbourTable table;
            table.Parse(event == QLatin1Char('-') ? QByteArray("head\n")
                                                  : QByteArray("head\n192.0.2.2 0x1 0x") + flags + " 0 * eth0\n");
            reported += int(judge.Judge(table).size());
        }
        QCOMPARE(reported, reports);
        QCOMPARE(judge.Admission(node), admission);
    }
};

ORVANE_TEST(NodeAdmissionTest)
#include "NodeAdmissionTest.moc"
