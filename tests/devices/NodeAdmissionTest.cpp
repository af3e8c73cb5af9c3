#include "TestRegistry.h"

#include "DataTable.h"

#include "Common/ArtNet/NodeAdmission.h"

#include <QHostAddress>
#include <QtTest>

#include <QSet>

#include <algorithm>
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
constexpr qint64 kReadingMs = 50;

// A reading of scripted entries: A answered, U asked, F failed, - none.
CNeighbourTable Reading(QChar entry, quint32 address)
{
    CNeighbourTable table;
    table.Parse("head\n");
    const QString states = QStringLiteral("-AUF");
    if (entry != QLatin1Char('-'))
        table.Set(address, EState(states.indexOf(entry)));
    return table;
}

// The kernel's side as the admission meets it: an address sent to gets an
// entry, answered at once by a real node and failed after three probes by
// an absent one; sending to a failed entry asks again, at once when it is
// sent to all along. Entries failed at the kernel's rounds, 15 s apart, are
// collected only while the machine holds 128 entries or more.
struct SKernel
{
    static constexpr qint64 kFailMs = 3000;
    static constexpr qint64 kCollectMs = 15000;
    static constexpr int kCollectAbove = 128;
    QSet<quint32> real;
    struct SEntry
    {
        EState state = EState::Unanswered;
        qint64 sinceMs = 0;
    };
    std::map<quint32, SEntry> entries;

    CNeighbourTable Read(CNodeAdmission& admission, const std::vector<quint32>& listed, qint64 nowMs)
    {
        QSet<quint32> sent;
        for (quint32 address : listed) {
            if (!admission.Ask(address))
                continue;
            sent.insert(address);
            auto it = entries.find(address);
            if (it == entries.end() || it->second.state == EState::Failed)
                entries[address] = {EState::Unanswered, nowMs};
        }
        CNeighbourTable table;
        table.Parse("head\n");
        const bool collecting = int(entries.size()) >= kCollectAbove && nowMs % kCollectMs == 0;
        for (auto it = entries.begin(); it != entries.end();) {
            SEntry& e = it->second;
            if (e.state == EState::Unanswered && real.contains(it->first))
                e.state = EState::Answered;
            else if (e.state == EState::Unanswered && nowMs - e.sinceMs >= kFailMs)
                e = sent.contains(it->first) ? SEntry{EState::Unanswered, nowMs} : SEntry{EState::Failed, nowMs};
            if (collecting && e.state == EState::Failed) {
                it = entries.erase(it);
                continue;
            }
            table.Set(it->first, e.state, e.state == EState::Unanswered ? nowMs - e.sinceMs : -1);
            ++it;
        }
        return table;
    }
    int Count(EState state) const
    {
        return int(std::count_if(entries.begin(), entries.end(), [state](const auto& e) { return e.second.state == state; }));
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
        // Each reading is the table as it is then, nothing of the one before.
        table.Parse("head\n192.0.2.8 0x1 0x2 02:00:00:00:00:08 * eth0\n192.0.2.9 0x1 0x2 02:00:00:00:00:09 * eth0\n");
        table.Parse(text);
        QCOMPARE(table.State(QHostAddress(address).toIPv4Address()), state);
    }

    // However many absent addresses the replies name, from other addresses
    // or from themselves, the entries they hold asked at once and in all
    // stay few, and real nodes listed with them are sent to soon: readings
    // of the table come every 50 ms while trials are under way.
    void unansweredAddressesStayFew_data()
    {
        Columns<int, int, int, int>("named", "forged", "real", "withinMs");
        QTest::newRow("a few named") << 3 << 0 << 0 << 0;
        QTest::newRow("named past the bound") << 40 << 0 << 0 << 0;
        QTest::newRow("a real node behind named ones") << 482 << 0 << 1 << 1000;
        QTest::newRow("real nodes past the bound") << 0 << 0 << 40 << 1000;
        QTest::newRow("200 real nodes") << 0 << 0 << 200 << 2000;
        QTest::newRow("both past the bound") << 100 << 0 << 40 << 1000;
        QTest::newRow("a real node behind 48 replying for themselves") << 0 << 48 << 1 << 10000;
        QTest::newRow("a real node behind 200 replying for themselves") << 0 << 200 << 1 << 45000;
        QTest::newRow("more absent addresses than entries") << 200 << 300 << 1 << 150000;
    }
    void unansweredAddressesStayFew()
    {
        const auto [named, forged, real, withinMs] = Row<int, int, int, int>("named", "forged", "real", "withinMs");
        std::vector<CNodeAdmission::SListed> listed;
        std::vector<quint32> addresses;
        SKernel kernel;
        for (int i = 0; i < named + forged + real; ++i) {
            listed.push_back({kSubnet + 0x10000u + quint32(i), i >= named});
            addresses.push_back(listed.back().address);
            if (i >= named + forged)
                kernel.real.insert(addresses.back());
        }
        CNodeAdmission admission;
        admission.List(listed, 0);
        std::vector<int> lostReports(addresses.size());
        qint64 lastServed = -1;
        for (qint64 now = kReadingMs; now <= 200000; now += kReadingMs) {
            CNeighbourTable table = kernel.Read(admission, addresses, now);
            QVERIFY2(kernel.Count(EState::Unanswered) <= CNodeAdmission::kMaxUnanswered, qPrintable(QString::number(now)));
            QVERIFY(int(kernel.entries.size()) <= CNodeAdmission::kMaxEntries);
            for (quint32 lost : admission.Judge(table, now).lost)
                ++lostReports[lost - addresses.front()];
            QVERIFY(admission.Unanswered(true) <= CNodeAdmission::kMaxNamedUnanswered);
            const bool served = std::all_of(addresses.end() - real, addresses.end(),
                                            [&](quint32 a) { return admission.Admission(a) != EAdmit::None; });
            lastServed = served && lastServed < 0 ? now : lastServed;
        }
        QVERIFY2(real == 0 || (lastServed >= 0 && lastServed <= withinMs), qPrintable(QString::number(lastServed)));
        // Each absent address is tried and reported once; real ones never.
        for (int i = 0; i < int(lostReports.size()); ++i)
            QCOMPARE(lostReports[size_t(i)], i < named + forged ? 1 : 0);
    }

    // One address through readings of the table a second apart (A answered,
    // U asked, F failed, - no entry) and poll replies from itself (P), with
    // its admission after each (F free, T trial, N none): given up when its
    // entry fails or stays unanswered for six seconds whatever it replies,
    // tried again after one, two, four seconds, and reported once until it
    // answers again.
    void aNodeIsJudgedByItsEntry_data()
    {
        Columns<QString, QString, int>("events", "admissions", "reports");
        auto row = [](const char* events, const char* admissions, int reports) {
            QTest::newRow(events) << QString::fromLatin1(events) << QString::fromLatin1(admissions) << reports;
        };
        row("AUA", "FTF", 0);
        row("AF", "FN", 1);
        row("AFFFFFFFFFF", "FNTNNTNNNNT", 1);
        row("AFFA", "FNTF", 1);
        row("AFFAFF", "FNTFNT", 2);
        row("--U---", "TTTTTN", 1);
        row("UPUPUPUPUPUP", "TTTTTTTTTTNN", 1);
        row("AFPPP", "FNNNN", 1);
        row("AUUUUUUU-", "FTTTTTTNT", 1);
    }
    void aNodeIsJudgedByItsEntry()
    {
        const auto [events, admissions, reports] = Row<QString, QString, int>("events", "admissions", "reports");
        const quint32 node = Ip("192.0.2.2");
        CNodeAdmission judge;
        judge.List({{node, false}}, 0);
        QCOMPARE(judge.Admission(node), EAdmit::Trial);
        int reported = 0;
        qint64 now = 0;
        QString seen;
        for (QChar event : events) {
            if (event == QLatin1Char('P')) {
                judge.AnsweredPoll(node, now);
            } else {
                judge.Ask(node); // the ticks in between
                reported += int(judge.Judge(Reading(event, node), now += 1000).lost.size());
            }
            seen += QStringLiteral("NTF").at(int(judge.Admission(node)));
        }
        QCOMPARE(seen, admissions);
        QCOMPARE(reported, reports);
    }

    // Addresses no longer listed are sent nothing: their entries are left to
    // fail, hold places only while still asked, and count among the entries
    // the program holds until the kernel lets them go.
    void addressesNoLongerListedAreLetGo()
    {
        CNodeAdmission admission;
        std::vector<CNodeAdmission::SListed> listed;
        for (quint32 i = 0; i < CNodeAdmission::kMaxUnanswered; ++i)
            listed.push_back({kSubnet + 10 + i, true});
        admission.List(listed, 0);
        CNeighbourTable asked;
        asked.Parse("head\n");
        for (const auto& l : listed)
            asked.Set(l.address, EState::Unanswered);
        admission.Judge(asked, 50);
        const quint32 late = kSubnet + 200;
        admission.List({{late, true}}, 100);
        QCOMPARE(admission.Admission(late), EAdmit::None);
        QCOMPARE(admission.Admission(listed.front().address), EAdmit::None);
        QCOMPARE(admission.Entries(), CNodeAdmission::kMaxUnanswered);

        CNeighbourTable failed;
        failed.Parse("head\n");
        for (const auto& l : listed)
            failed.Set(l.address, EState::Failed);
        admission.Judge(failed, 3000);
        QCOMPARE(admission.Admission(late), EAdmit::Trial);
        QCOMPARE(admission.Unanswered(false), 1);
        QCOMPARE(admission.Entries(), CNodeAdmission::kMaxUnanswered + 1);
        failed.Set(late, EState::Answered);
        for (qint64 now = 3000; now < 60000; now += 1000) {
            admission.Judge(failed, now);
            QCOMPARE(admission.Admission(listed.back().address), EAdmit::None);
        }
        QCOMPARE(admission.Admission(late), EAdmit::Free);
        admission.Judge(Reading(QLatin1Char('A'), late), 60000);
        QCOMPARE(admission.Entries(), 1);
    }
};

ORVANE_TEST(NodeAdmissionTest)
#include "NodeAdmissionTest.moc"
