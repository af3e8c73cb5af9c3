#include "TestRegistry.h"

#include "DataTable.h"
#include "FileBytes.h"
#include "NeighbourMessages.h"

#include "Common/ArtNet/NodeAdmission.h"

#include <QHostAddress>
#include <QtTest>

#include <QSet>
#include <QTemporaryDir>

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <iterator>
#include <map>
#include <thread>

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
constexpr qint64 kTickMs = 50;
constexpr qint64 kPollMs = 3000;

// A reading taken at `nowMs` of scripted entries: A answered, U asked, R
// asked from this very reading on, F failed, - none.
CNeighbourTable Reading(QChar entry, quint32 address, qint64 nowMs)
{
    CNeighbourTable table;
    table.Parse("head\n", nowMs);
    const int state = QStringLiteral("-AUF").indexOf(entry.toUpper());
    if (entry.toUpper() == QLatin1Char('R'))
        table.Set(address, EState::Unanswered, nowMs);
    else if (state > 0)
        table.Set(address, EState(state));
    return table;
}

CNeighbourTable NothingRead()
{
    return Reading(QLatin1Char('-'), 0, 0);
}

// The admission of every address, to tell what a call changed.
QString Admissions(const CNodeAdmission& admission, const std::vector<quint32>& addresses)
{
    QString seen;
    for (quint32 a : addresses)
        seen += QStringLiteral("NTF").at(int(admission.Admission(a)));
    return seen;
}

// The kernel's side as the admission meets it: an address sent to gets an
// entry, answered at once by a real node (with a notice) and failed after
// three probes by an absent one; sending to a failed entry asks again.
// Entries failed at the kernel's rounds, 15 s apart, are collected only
// while the machine holds 128 entries or more. Read as /proc/net/arp
// shows it, a failed entry looks asked.
struct SKernel
{
    static constexpr qint64 kFailMs = 3000;
    static constexpr qint64 kCollectMs = 15000;
    static constexpr int kCollectAbove = 128;
    QSet<quint32> real;
    bool proc = false;
    struct SEntry
    {
        EState state = EState::Unanswered;
        qint64 sinceMs = 0;
    };
    std::map<quint32, SEntry> entries;
    std::vector<quint32> notices;

    // A tick: the datagrams the admission has go out.
    void Send(CNodeAdmission& admission, const std::vector<quint32>& listed, qint64 nowMs)
    {
        for (quint32 address : listed) {
            if (!admission.Ask(address))
                continue;
            auto it = entries.find(address);
            if (it != entries.end() && it->second.state != EState::Failed)
                continue;
            const bool answers = real.contains(address);
            entries[address] = {answers ? EState::Answered : EState::Unanswered, nowMs};
            if (answers)
                notices.push_back(address);
        }
        const bool collecting = int(entries.size()) >= kCollectAbove && nowMs % kCollectMs == 0;
        for (auto it = entries.begin(); it != entries.end();) {
            SEntry& e = it->second;
            if (e.state == EState::Unanswered && nowMs - e.sinceMs >= kFailMs)
                e = {EState::Failed, nowMs};
            it = collecting && e.state == EState::Failed ? entries.erase(it) : std::next(it);
        }
    }
    CNeighbourTable Read(qint64 nowMs) const
    {
        CNeighbourTable table;
        QByteArray text = "IP address HW type Flags HW address Mask Device\n";
        for (const auto& [address, e] : entries) {
            text += QHostAddress(address).toString().toLatin1()
                + (e.state == EState::Answered ? " 0x1 0x2 02:00:00:00:00:01 * eth0\n" : " 0x1 0x0 00:00:00:00:00:00 * eth0\n");
        }
        table.Parse(proc ? text : QByteArray("head\n"), nowMs);
        if (!proc) {
            for (const auto& [address, e] : entries)
                table.Set(address, e.state, e.state == EState::Unanswered ? e.sinceMs : -1);
        }
        return table;
    }
    int Count(EState state) const
    {
        return int(std::count_if(entries.begin(), entries.end(), [state](const auto& e) { return e.second.state == state; }));
    }
};

// The table's parts named in the scripted dumps below.
const QList<QByteArray> kEntries = {
    NeighbourMessages::Entry("192.0.2.2", NUD_REACHABLE),   NeighbourMessages::Entry("192.0.2.3", NUD_INCOMPLETE, 1500),
    NeighbourMessages::Entry("192.0.2.4", NUD_FAILED),      NeighbourMessages::Entry("192.0.2.5", NUD_STALE),
    NeighbourMessages::Entry("192.0.2.6", NUD_PROBE),       NeighbourMessages::Entry("192.0.2.7", NUD_NOARP),
    NeighbourMessages::Entry("192.0.2.9", NUD_INCOMPLETE),  NeighbourMessages::Entry("192.0.2.9", NUD_DELAY),
};

QString States(const CNeighbourTable& table, int from, int to)
{
    QString states;
    for (int i = from; i <= to; ++i)
        states += QStringLiteral("-AUF").at(int(table.State(kSubnet + quint32(i))));
    return states;
}

// Runs `work` on a thread of its own on which system call `refused` (none
// when negative) fails with EPERM, as a sandbox may have it; the rest of
// the program is left as it was. False when the kernel cannot filter calls.
bool WithCallRefused(long refused, const std::function<void()>& work)
{
    bool filtered = true;
    std::thread([&] {
        sock_filter program[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, quint32(refused), 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        const sock_fprog filter = {quint16(std::size(program)), program};
        filtered = refused < 0
            || (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter, 0, 0) == 0);
        if (filtered)
            work();
    }).join();
    return filtered;
}

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
        // Text cut short is no reading: the one before stands.
        row("cut off", "192.0.2.9 0x1 0x0 00:00:00:00:00:00 * eth0\n192.0.2.8 0x1", "192.0.2.9", EState::Answered);
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
        QVERIFY(table.Parse("head\n192.0.2.8 0x1 0x2 02:00:00:00:00:08 * eth0\n192.0.2.9 0x1 0x2 02:00:00:00:00:09 * eth0\n"));
        QCOMPARE(table.Parse(text), text.endsWith('\n'));
        QCOMPARE(table.State(QHostAddress(address).toIPv4Address()), state);
    }

    // The kernel's dump, as it comes through the routing socket, is taken
    // whole or not at all: the last whole reading stands, not the text of
    // /proc/net/arp, which cannot tell failed entries.
    void aDumpIsTakenOnlyWhole_data()
    {
        using namespace NeighbourMessages;
        Columns<QList<QByteArray>, bool>("datagrams", "whole");
        const QByteArray all = kEntries.join();
        QTest::newRow("in one datagram") << QList<QByteArray>{all + Done()} << true;
        QTest::newRow("over several") << QList<QByteArray>{kEntries.mid(0, 3).join(), kEntries.mid(3).join(), Done()} << true;
        QTest::newRow("an error reply") << QList<QByteArray>{kEntries.mid(0, 3).join() + Error(), kEntries.mid(3).join(), Done()} << false;
        QTest::newRow("interrupted by a change")
            << QList<QByteArray>{kEntries.mid(0, 3).join(), Entry("192.0.2.10", NUD_REACHABLE, 0, NLM_F_MULTI | NLM_F_DUMP_INTR),
                                 kEntries.mid(3).join(), Done()}
            << false;
        QTest::newRow("a receive error") << QList<QByteArray>{kEntries.mid(0, 3).join(), QByteArray(), Done()} << false;
        QTest::newRow("no end") << QList<QByteArray>{all} << false;
    }
    void aDumpIsTakenOnlyWhole()
    {
        const auto [datagrams, whole] = Row<QList<QByteArray>, bool>("datagrams", "whole");
        CNeighbourTable table;
        QVERIFY(table.ReadDump(NeighbourMessages::Source({NeighbourMessages::Entry("192.0.2.8", NUD_REACHABLE),
                                                          NeighbourMessages::Done()}),
                               100));
        const QByteArray text = "head\n192.0.2.2 0x1 0x0 00:00:00:00:00:00 * eth0\n";
        QCOMPARE(table.Read(NeighbourMessages::Source(datagrams), NeighbourMessages::Chunks({text}), 5000), whole);
        QCOMPARE(States(table, 2, 9), whole ? QStringLiteral("AUFAAA-A") : QStringLiteral("------A-"));
        QCOMPARE(table.AskedAtMs(Ip("192.0.2.3")), whole ? 3500 : -1);
        QCOMPARE(table.ReadAtMs(), whole ? 5000 : 100);
        QCOMPARE(table.Readings(), whole ? 2 : 1);
    }

    // The text of /proc/net/arp is taken only whole: a read error, or text
    // that fills the bound on its size, leaves the last reading standing.
    // Read from a file, it is read to its end however many reads that takes.
    void theTextIsTakenOnlyWhole_data()
    {
        Columns<QList<QByteArray>, bool, bool>("chunks", "fromFile", "whole");
        const QByteArray line = "192.0.2.9 0x1 0x0 00:00:00:00:00:00 * eth0\n";
        // A text of `size` bytes, in reads of 32 KiB at most.
        auto text = [&](int size) {
            const int lines = (size - 80) / line.size();
            const QByteArray all = QByteArray("head") + QByteArray(size - 5 - lines * line.size(), ' ') + '\n' + line.repeated(lines);
            QList<QByteArray> chunks;
            for (int at = 0; at < all.size(); at += 32768)
                chunks << all.mid(at, 32768);
            return chunks;
        };
        const int bound = 1 << 20;
        QList<QByteArray> bytes;
        for (char c : QByteArray("head\n" + line))
            bytes << QByteArray(1, c);
        QTest::newRow("in one read") << QList<QByteArray>{"head\n" + line} << false << true;
        QTest::newRow("over several reads") << QList<QByteArray>{"head\n192.0", line.mid(5)} << false << true;
        QTest::newRow("in reads of one byte") << bytes << false << true;
        QTest::newRow("a read error") << QList<QByteArray>{"head\n" + line, QByteArray(), line} << false << false;
        QTest::newRow("just under the bound") << text(bound - 1) << false << true;
        QTest::newRow("filling the bound") << text(bound) << false << false;
        QTest::newRow("a file of many reads") << text(bound - 1) << true << true;
        QTest::newRow("a file filling the bound") << text(bound) << true << false;
        QTest::newRow("no file") << QList<QByteArray>{} << true << false;
    }
    void theTextIsTakenOnlyWhole()
    {
        const auto [chunks, fromFile, whole] = Row<QList<QByteArray>, bool, bool>("chunks", "fromFile", "whole");
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("arp"));
        QVERIFY(chunks.isEmpty() || !fromFile || WriteBytes(path, chunks.join()));
        CNeighbourTable table;
        QVERIFY(table.Parse("head\n192.0.2.9 0x1 0x2 02:00:00:00:00:09 * eth0\n", 100));
        const CNeighbourTable::Receive source = fromFile ? CNeighbourTable::FileChunks(path) : NeighbourMessages::Chunks(chunks);
        QCOMPARE(table.Read({}, source, 5000), whole);
        QCOMPARE(table.State(Ip("192.0.2.9")), whole ? EState::Unanswered : EState::Answered);
        QCOMPARE(table.ReadAtMs(), whole ? 5000 : 100);
    }

    // Where the routing socket cannot be had, or takes no request, the table
    // is read from /proc/net/arp at once.
    void theTextStandsInForTheRoutingSocket_data()
    {
        Columns<long, bool>("refused", "dump");
        QTest::newRow("the routing socket") << -1L << true;
        QTest::newRow("no socket") << long(SYS_socket) << false;
        QTest::newRow("the request refused") << long(SYS_sendto) << false;
    }
    void theTextStandsInForTheRoutingSocket()
    {
        const auto [refused, dump] = Row<long, bool>("refused", "dump");
        CNeighbourTable table;
        bool read = false;
        if (!WithCallRefused(refused, [&] { read = table.Refresh(100); }))
            QSKIP("the kernel filters no system calls here");
        QVERIFY(read);
        QCOMPARE(table.Readings(), 1);
        QCOMPARE(table.TellsFailed(), dump);
    }

    // The kernel's notices only bring answers sooner: one of another state
    // lowers nothing, as the address may answer on another link.
    void noticesOnlyBringAnswers()
    {
        using namespace NeighbourMessages;
        CNeighbourTable table;
        QVERIFY(table.ReadDump(Source({kEntries.join(), Done()}), 0));
        const std::vector<quint32> answered = table.Answered(
            Source({Entry("192.0.2.3", NUD_REACHABLE, 0, 0) + Entry("192.0.2.2", NUD_FAILED, 0, 0),
                    Entry("192.0.2.5", NUD_REACHABLE, 0, 0) + Entry("192.0.2.8", NUD_STALE, 0, 0) + Entry("192.0.2.4", NUD_INCOMPLETE, 0, 0),
                    // A deletion carries the state the entry had, not an answer.
                    Entry("192.0.2.4", NUD_STALE, 0, 0, RTM_DELNEIGH)}));
        QCOMPARE(answered, std::vector<quint32>({Ip("192.0.2.3"), Ip("192.0.2.8")}));
        QCOMPARE(States(table, 2, 9), QStringLiteral("AAFAAAAA"));
        QVERIFY(table.Answered(Source({})).empty());
    }

    // However many absent addresses the replies name, from other addresses
    // or from themselves, the entries they hold asked at once and in all
    // stay few, and real nodes listed with them are sent to soon, whatever
    // their number: a tick comes every 50 ms, the kernel's notices bring
    // answers to the next, and the table is read four times a second at
    // most, every three seconds at least. Read as /proc/net/arp shows it,
    // a failed entry is given up only by its time.
    void unansweredAddressesStayFew_data()
    {
        Columns<int, int, int, int, bool>("named", "forged", "real", "withinMs", "proc");
        QTest::newRow("a few named") << 3 << 0 << 0 << 0 << false;
        QTest::newRow("named past the bound") << 40 << 0 << 0 << 0 << false;
        QTest::newRow("a real node behind named ones") << 482 << 0 << 1 << 1000 << false;
        QTest::newRow("real nodes past the bound") << 0 << 0 << 40 << 1000 << false;
        QTest::newRow("300 real nodes") << 0 << 0 << 300 << 2000 << false;
        QTest::newRow("both past the bound") << 100 << 0 << 40 << 1000 << false;
        QTest::newRow("a real node behind 48 replying for themselves") << 0 << 48 << 1 << 10000 << false;
        QTest::newRow("a real node behind 200 replying for themselves") << 0 << 200 << 1 << 45000 << false;
        QTest::newRow("more absent addresses than entries") << 200 << 300 << 1 << 150000 << false;
        QTest::newRow("read from /proc: a real node behind 48") << 0 << 48 << 1 << 10000 << true;
        QTest::newRow("read from /proc: named past the bound") << 40 << 0 << 0 << 0 << true;
    }
    void unansweredAddressesStayFew()
    {
        const auto [named, forged, real, withinMs, proc] = Row<int, int, int, int, bool>("named", "forged", "real", "withinMs", "proc");
        std::vector<CNodeAdmission::SListed> listed;
        std::vector<quint32> addresses;
        SKernel kernel;
        kernel.proc = proc;
        for (int i = 0; i < named + forged + real; ++i) {
            listed.push_back({kSubnet + 0x10000u + quint32(i), i >= named});
            addresses.push_back(listed.back().address);
            if (i >= named + forged)
                kernel.real.insert(addresses.back());
        }
        CNodeAdmission admission;
        admission.List(listed, NothingRead(), 0);
        std::vector<int> lostReports(addresses.size());
        qint64 lastServed = -1;
        const qint64 endMs = 200000;
        int readings = 0;
        for (qint64 now = 0; now <= endMs; now += kTickMs) {
            QString before = Admissions(admission, addresses);
            if (!kernel.notices.empty()) {
                const bool changed = admission.EntriesAnswered(kernel.notices, now);
                QCOMPARE(changed, Admissions(admission, addresses) != std::exchange(before, Admissions(admission, addresses)));
            }
            kernel.notices.clear();
            if (admission.Due(now, now % kPollMs == 0)) {
                ++readings;
                const CNodeAdmission::SJudged judged = admission.Judge(kernel.Read(now), now);
                for (quint32 lost : judged.lost)
                    ++lostReports[lost - addresses.front()];
                QVERIFY(judged.changed || Admissions(admission, addresses) == before);
            }
            kernel.Send(admission, addresses, now);
            QVERIFY2(kernel.Count(EState::Unanswered) <= 32, qPrintable(QString::number(now)));
            QVERIFY(kernel.Count(EState::Unanswered) + kernel.Count(EState::Failed) <= 256);
            QVERIFY(admission.Unanswered(true) <= 16);
            const bool served = std::all_of(addresses.end() - real, addresses.end(),
                                            [&](quint32 a) { return admission.Admission(a) != EAdmit::None; });
            lastServed = served && lastServed < 0 ? now : lastServed;
        }
        QVERIFY2(real == 0 || (lastServed >= 0 && lastServed <= withinMs), qPrintable(QString::number(lastServed)));
        QVERIFY2(readings <= endMs / 250 + 1, qPrintable(QString::number(readings)));
        // Each absent address is tried and reported once; real ones never.
        for (int i = 0; i < int(lostReports.size()); ++i)
            QCOMPARE(lostReports[size_t(i)], i < named + forged ? 1 : 0);
    }

    // One address through readings of the table a second apart (A
    // answered, U asked, R asked from this reading on, F failed, - no
    // entry, S cut short: the last whole one stands) and poll replies from
    // itself (P), with its admission after
    // each (F free, T trial, N none). A tick reads the table only while it
    // is due; a lower-case reading is the poll timer's, which looks at
    // answered addresses too. An address is given up when its entry fails,
    // is asked anew, or stays unanswered for six seconds whatever it
    // replies; it is tried again after one, two, four, then eight seconds
    // at most, and reported once until it answers again.
    void aNodeIsJudgedByItsEntry_data()
    {
        Columns<QString, QString, int>("events", "admissions", "reports");
        auto row = [](const QString& events, const QString& admissions, int reports) {
            QTest::newRow(qPrintable(events)) << events << admissions << reports;
        };
        row(QStringLiteral("AuA"), QStringLiteral("FTF"), 0);
        row(QStringLiteral("AUu"), QStringLiteral("FFT"), 0);
        row(QStringLiteral("Af"), QStringLiteral("FN"), 1);
        row(QStringLiteral("Af") + QString(27, QLatin1Char('F')),
            QStringLiteral("FNTNNTNNNNTN") + QString(7, QLatin1Char('N')) + QStringLiteral("TN") + QString(7, QLatin1Char('N'))
                + QStringLiteral("T"),
            1);
        row(QStringLiteral("AfFA"), QStringLiteral("FNTF"), 1);
        row(QStringLiteral("AfFAfF"), QStringLiteral("FNTFNT"), 2);
        row(QStringLiteral("AfFSF"), QStringLiteral("FNTTN"), 1);
        row(QStringLiteral("--U---"), QStringLiteral("TTTTTN"), 1);
        row(QStringLiteral("URR"), QStringLiteral("TTN"), 1);
        row(QStringLiteral("UPUPUPUPUPUP"), QStringLiteral("TTTTTTTTTTNN"), 1);
        row(QStringLiteral("AfPPP"), QStringLiteral("FNNNN"), 1);
        row(QStringLiteral("AuUUUUUU-"), QStringLiteral("FTTTTTTNT"), 1);
        // Tried again at the reading that stands when the next is cut short:
        // the asking it shows is older than the trial's own.
        row(QStringLiteral("AfRSR"), QStringLiteral("FNTTT"), 1);
    }
    void aNodeIsJudgedByItsEntry()
    {
        const auto [events, admissions, reports] = Row<QString, QString, int>("events", "admissions", "reports");
        const quint32 node = Ip("192.0.2.2");
        CNodeAdmission judge;
        judge.List({{node, false}}, NothingRead(), 0);
        QCOMPARE(judge.Admission(node), EAdmit::Trial);
        int reported = 0;
        qint64 now = 0;
        QString seen;
        CNeighbourTable last;
        for (QChar event : events) {
            const QString before = Admissions(judge, {node});
            if (event == QLatin1Char('P')) {
                QCOMPARE(judge.AnsweredPoll(node, now), Admissions(judge, {node}) != before);
            } else {
                judge.Ask(node); // the ticks in between
                now += 1000;
                if (judge.Due(now, event.isLower())) {
                    if (event != QLatin1Char('S'))
                        last = Reading(event, node, now);
                    const CNodeAdmission::SJudged judged = judge.Judge(last, now);
                    reported += int(judged.lost.size());
                    QVERIFY(judged.changed || Admissions(judge, {node}) == before);
                }
            }
            seen += Admissions(judge, {node});
        }
        QCOMPARE(seen, admissions);
        QCOMPARE(reported, reports);
    }

    // A node is judged by what is newest of it: the table as last read, a
    // notice since, or the entry it left when it was listed before.
    void anAnswerIsTakenFromWhatIsNewest_data()
    {
        Columns<QChar, bool, bool, int, QString>("entry", "notice", "relisted", "judgedReadAt", "admissions");
        QTest::newRow("answered at the reading before it was listed") << QChar('A') << false << false << -1 << "F";
        QTest::newRow("absent from that reading") << QChar('-') << false << false << -1 << "T";
        QTest::newRow("answered since, judged by a reading from before") << QChar('-') << true << false << 0 << "TFF";
        QTest::newRow("answered since, judged by a reading after") << QChar('-') << true << false << 300 << "TFT";
        QTest::newRow("listed again after it answered") << QChar('-') << true << true << -1 << "TFNF";
    }
    void anAnswerIsTakenFromWhatIsNewest()
    {
        const auto [entry, notice, relisted, judgedReadAt, admissions] =
            Row<QChar, bool, bool, int, QString>("entry", "notice", "relisted", "judgedReadAt", "admissions");
        const quint32 node = Ip("192.0.2.2");
        const CNeighbourTable reading = Reading(entry, node, 0);
        CNodeAdmission admission;
        admission.List({{node, true}}, reading, 100);
        QString seen = Admissions(admission, {node});
        if (notice) {
            admission.EntriesAnswered({node}, 200);
            seen += Admissions(admission, {node});
        }
        if (relisted) {
            admission.List({}, reading, 300);
            seen += Admissions(admission, {node});
            admission.List({{node, true}}, reading, 400);
            seen += Admissions(admission, {node});
        }
        if (judgedReadAt >= 0) {
            admission.Judge(Reading(QLatin1Char('-'), node, judgedReadAt), 400);
            seen += Admissions(admission, {node});
        }
        QCOMPARE(seen, admissions);
    }

    // Places for trials and entries, as the listed addresses take them:
    // addresses that answered hold none, those answering polls themselves
    // go before those only named, and a link without ARP shares the entry
    // bound with the failed entries of addresses not tried yet, each counted
    // once. Each address left out at it is reported once.
    void placesGoWhereTheyShould_data()
    {
        // Free, trials, trials of addresses answering polls themselves, left out.
        Columns<int, int, int, int, int, QVector<int>>("answered", "named", "own", "noArp", "failed", "admitted");
        QTest::newRow("answered nodes hold no place") << 300 << 0 << 40 << 0 << 0 << QVector<int>{300, 32, 32, 0};
        QTest::newRow("own replies go first") << 0 << 20 << 20 << 0 << 0 << QVector<int>{0, 32, 20, 0};
        QTest::newRow("no ARP past the bound") << 0 << 0 << 0 << 300 << 0 << QVector<int>{256, 0, 0, 44};
        QTest::newRow("no ARP and trials share the bound") << 0 << 0 << 40 << 250 << 0 << QVector<int>{250, 6, 6, 34};
        QTest::newRow("no ARP and answered nodes") << 100 << 0 << 0 << 200 << 0 << QVector<int>{300, 0, 0, 0};
        QTest::newRow("no ARP and failed entries") << 0 << 0 << 0 << 40 << 240 << QVector<int>{16, 32, 32, 24};
    }
    void placesGoWhereTheyShould()
    {
        const auto [answered, named, own, noArp, failed, expected] =
            Row<int, int, int, int, int, QVector<int>>("answered", "named", "own", "noArp", "failed", "admitted");
        std::vector<CNodeAdmission::SListed> listed;
        std::vector<quint32> addresses;
        auto add = [&](int count, bool ownReply, bool arp) {
            for (int i = 0; i < count; ++i) {
                listed.push_back({kSubnet + 0x10000u + quint32(listed.size()), ownReply, arp});
                addresses.push_back(listed.back().address);
            }
        };
        add(answered, true, true);
        add(noArp, true, false);
        add(named, false, true);
        add(own, true, true);
        add(failed, true, true);
        CNeighbourTable reading = NothingRead();
        for (auto a = addresses.end() - failed; a != addresses.end(); ++a)
            reading.Set(*a, EState::Failed);
        CNodeAdmission admission;
        admission.List(listed, reading, 0);
        admission.EntriesAnswered(std::vector<quint32>(addresses.begin(), addresses.begin() + answered), 0);
        const QString seen = Admissions(admission, addresses);
        const int leftOut = int(admission.TakeLeftOut().size());
        QCOMPARE((QVector<int>{int(seen.count(QLatin1Char('F'))), int(seen.count(QLatin1Char('T'))),
                               int(seen.mid(answered + noArp + named).count(QLatin1Char('T'))), leftOut}),
                 expected);
        admission.List(listed, NothingRead(), 100);
        QVERIFY(admission.TakeLeftOut().empty());
    }

    // An address given up while its entry is still asked holds its place:
    // tried again, it takes none besides.
    void anEntryStillAskedKeepsItsPlace()
    {
        std::vector<CNodeAdmission::SListed> listed;
        std::vector<quint32> addresses;
        for (quint32 i = 0; i < 32; ++i) {
            listed.push_back({kSubnet + 10 + i, true});
            addresses.push_back(listed.back().address);
        }
        CNodeAdmission admission;
        admission.List(listed, NothingRead(), 0);
        for (qint64 now : {1000, 2000, 3000}) {
            CNeighbourTable table;
            table.Parse("head\n", now);
            for (quint32 a : addresses) {
                admission.Ask(a);
                table.Set(a, EState::Unanswered, std::min<qint64>(now, 2000)); // asked anew at 2 s
            }
            admission.Judge(table, now);
            QCOMPARE(Admissions(admission, addresses), QString(32, now == 2000 ? QLatin1Char('N') : QLatin1Char('T')));
        }
    }

    // Addresses no longer listed are sent nothing: their entries are left to
    // fail, hold places for six seconds after the last datagram while still
    // asked, and count among the entries the program holds until the
    // kernel lets them go; one that answered counts no more.
    void addressesNoLongerListedAreLetGo()
    {
        CNodeAdmission admission;
        std::vector<CNodeAdmission::SListed> listed;
        for (quint32 i = 0; i < 32; ++i)
            listed.push_back({kSubnet + 10 + i, true});
        admission.List(listed, NothingRead(), 0);
        auto reading = [&](EState state, qint64 now) {
            CNeighbourTable table;
            table.Parse("head\n", now);
            for (const auto& l : listed)
                table.Set(l.address, state);
            return table;
        };
        admission.Judge(reading(EState::Unanswered, 50), 50);
        const quint32 late = kSubnet + 200;
        admission.List({{late, true}}, NothingRead(), 4000);
        QCOMPARE(admission.Admission(late), EAdmit::None);
        QCOMPARE(admission.Admission(listed.front().address), EAdmit::None);
        QCOMPARE(admission.Entries(), 32);
        admission.Judge(reading(EState::Unanswered, 7000), 7000);
        QCOMPARE(admission.Admission(late), EAdmit::None);

        CNeighbourTable failed = reading(EState::Failed, 7500);
        admission.Judge(failed, 7500);
        QCOMPARE(admission.Admission(late), EAdmit::Trial);
        QCOMPARE(admission.Unanswered(false), 1);
        QCOMPARE(admission.Entries(), 33);
        failed.Set(late, EState::Answered);
        for (qint64 now = 8000; now < 60000; now += 1000) {
            admission.Judge(failed, now);
            QCOMPARE(admission.Admission(listed.back().address), EAdmit::None);
        }
        QCOMPARE(admission.Admission(late), EAdmit::Free);
        QCOMPARE(admission.Entries(), 32);
        admission.Judge(Reading(QLatin1Char('A'), late, 60000), 60000);
        QCOMPARE(admission.Entries(), 0);
    }

    // Trials no longer listed before any reading hold the places of the
    // entries they were sent to, unless never sent to, until a notice
    // tells they answered.
    void anUnlistedTrialHoldsItsPlace_data()
    {
        Columns<bool, bool, EAdmit, int>("sent", "answered", "late", "held");
        QTest::newRow("never sent to") << false << false << EAdmit::Trial << 1;
        QTest::newRow("sent to") << true << false << EAdmit::None << 32;
        QTest::newRow("sent to, then answered") << true << true << EAdmit::Trial << 1;
    }
    void anUnlistedTrialHoldsItsPlace()
    {
        const auto [sent, answered, late, held] = Row<bool, bool, EAdmit, int>("sent", "answered", "late", "held");
        std::vector<CNodeAdmission::SListed> listed;
        std::vector<quint32> addresses;
        for (quint32 i = 0; i < 32; ++i) {
            listed.push_back({kSubnet + 10 + i, true});
            addresses.push_back(listed.back().address);
        }
        CNodeAdmission admission;
        admission.List(listed, NothingRead(), 0);
        for (quint32 a : addresses)
            QVERIFY(!sent || admission.Ask(a));
        const quint32 other = kSubnet + 200;
        admission.List({{other, true}}, NothingRead(), 100);
        if (answered) {
            QVERIFY(!admission.EntriesAnswered(addresses, 200));
            admission.List({{other, true}}, NothingRead(), 300);
        }
        QCOMPARE(admission.Admission(other), late);
        QCOMPARE((QVector<int>{admission.Unanswered(false), admission.Entries()}), (QVector<int>{held, held}));
    }

    // A notice frees the trials it names at once, and the place of the
    // entry they held: one left out at the bound takes it. A notice of an
    // address answered already, on a link without ARP, or not listed
    // changes nothing.
    void aNoticeFreesTheTrialsItNames_data()
    {
        // Listed: a trial (t), an answered address (a), then addresses on a
        // link without ARP up to the entry bound, the last left out (l).
        Columns<QString, QString, bool>("notice", "admissions", "changed");
        QTest::newRow("a trial") << "t" << "FFF" << true;
        QTest::newRow("a trial, then an answered address") << "ta" << "FFF" << true;
        QTest::newRow("an answered address") << "a" << "TFN" << false;
        QTest::newRow("an address without ARP left out") << "l" << "TFN" << false;
        QTest::newRow("an address not listed") << "u" << "TFN" << false;
    }
    void aNoticeFreesTheTrialsItNames()
    {
        const auto [notice, admissions, changed] = Row<QString, QString, bool>("notice", "admissions", "changed");
        const quint32 trial = kSubnet + 2;
        const quint32 answered = kSubnet + 3;
        std::vector<CNodeAdmission::SListed> listed = {{trial, true}, {answered, true}};
        for (quint32 i = 0; i < CNodeAdmission::kMaxEntries; ++i)
            listed.push_back({kSubnet + 0x10000u + i, true, false});
        const quint32 leftOut = listed.back().address;
        CNodeAdmission admission;
        admission.List(listed, Reading(QLatin1Char('A'), answered, 0), 0);
        QCOMPARE(admission.TakeLeftOut(), std::vector<quint32>{leftOut});
        const quint32 of[] = {trial, answered, leftOut, kSubnet + 250};
        std::vector<quint32> named;
        for (QChar c : notice)
            named.push_back(of[QStringLiteral("talu").indexOf(c)]);
        QCOMPARE(admission.EntriesAnswered(named, 100), changed);
        QCOMPARE(Admissions(admission, {trial, answered, leftOut}), admissions);
        QCOMPARE(admission.Entries(), CNodeAdmission::kMaxEntries);
    }

    // A link that turns ARP on or off has its addresses judged anew: on a
    // link without ARP an address needs no answer; with ARP it has one only
    // as its entry shows.
    void aLinkTurningArpOnOrOffIsJudgedAnew_data()
    {
        Columns<bool, QChar, bool, QString>("arp", "entry", "arpAfter", "admissions");
        QTest::newRow("ARP turned on") << false << QChar('-') << true << "FT";
        QTest::newRow("ARP turned off") << true << QChar('-') << false << "TF";
        QTest::newRow("ARP kept, answered") << true << QChar('A') << true << "FF";
        QTest::newRow("no ARP kept") << false << QChar('-') << false << "FF";
    }
    void aLinkTurningArpOnOrOffIsJudgedAnew()
    {
        const auto [arp, entry, arpAfter, admissions] = Row<bool, QChar, bool, QString>("arp", "entry", "arpAfter", "admissions");
        const quint32 node = Ip("192.0.2.2");
        CNodeAdmission admission;
        admission.List({{node, true, arp}}, Reading(entry, node, 0), 0);
        QString seen = Admissions(admission, {node});
        admission.List({{node, true, arpAfter}}, NothingRead(), 100);
        QCOMPARE(seen + Admissions(admission, {node}), admissions);
    }

    // An address left out at the entry bound is reported once until it
    // answers; left out again after that, it is reported again.
    void aLeftOutAddressIsReportedAgainAfterItAnswered()
    {
        const quint32 node = Ip("192.0.2.2");
        std::vector<CNodeAdmission::SListed> listed;
        for (quint32 i = 0; i < CNodeAdmission::kMaxEntries; ++i)
            listed.push_back({kSubnet + 0x10000u + i, true, false});
        listed.push_back({node, true});
        CNodeAdmission admission;
        admission.List(listed, NothingRead(), 0);
        QCOMPARE(admission.TakeLeftOut(), std::vector<quint32>{node});
        admission.List(listed, NothingRead(), 50);
        QVERIFY(admission.TakeLeftOut().empty());
        admission.EntriesAnswered({node}, 100);
        QCOMPARE(admission.Admission(node), EAdmit::Free);
        // Its entry goes, and the trial it is again fails: its place went to nobody else.
        admission.Judge(Reading(QLatin1Char('-'), node, 1000), 1000);
        admission.Ask(node);
        QCOMPARE(admission.Judge(Reading(QLatin1Char('F'), node, 2000), 2000).lost, std::vector<quint32>{node});
        admission.Judge(Reading(QLatin1Char('-'), node, 3000), 3000);
        QCOMPARE(admission.TakeLeftOut(), std::vector<quint32>{node});
    }
};

ORVANE_TEST(NodeAdmissionTest)
#include "NodeAdmissionTest.moc"
