#include "TestRegistry.h"

#include "DataTable.h"

#include "Common/ArtNet/ArtNetPackets.h"

#include <QtTest>

namespace {

// An ArtPollReply laid out byte by byte as the protocol gives it.
struct SReplyFields {
    quint8 ip[4] = {10, 0, 0, 7};
    quint8 net = 0;
    quint8 subNet = 0;
    quint8 numPortsHi = 0;
    quint8 numPortsLo = 4;
    quint8 portTypes[4] = {0xC0, 0xC0, 0xC0, 0xC0};
    quint8 swOut[4] = {0, 1, 2, 3};
    quint8 bindIndex = 0;
    QByteArray shortName = "Dimmer rack";
    QByteArray longName = "Dimmer rack, stage left";
    int size = 239;
};

QByteArray Reply(const SReplyFields& f)
{
    QByteArray p(qMax(f.size, 239), '\0');
    auto put = [&p](int offset, quint8 value) { p[offset] = char(value); };
    p.replace(0, 8, QByteArray("Art-Net\0", 8));
    put(8, 0x00); // OpCode 0x2100, low byte first
    put(9, 0x21);
    for (int i = 0; i < 4; ++i)
        put(10 + i, f.ip[i]);
    put(14, 0x36); // UDP port 0x1936, low byte first
    put(15, 0x19);
    put(18, f.net);    // NetSwitch
    put(19, f.subNet); // SubSwitch
    p.replace(26, f.shortName.size(), f.shortName); // ShortName[18]
    p.replace(44, f.longName.size(), f.longName);   // LongName[64]
    put(172, f.numPortsHi);
    put(173, f.numPortsLo);
    for (int i = 0; i < 4; ++i) {
        put(174 + i, f.portTypes[i]); // PortTypes
        put(190 + i, f.swOut[i]);     // SwOut
        put(186 + i, 0x0F);           // SwIn: input ports are not ours to send to
    }
    put(211, f.bindIndex);
    p.truncate(f.size);
    return p;
}

QVector<quint16> Outputs(const QByteArray& packet)
{
    const auto reply = ArtNet::DecodePollReply(packet);
    return reply ? reply->outputs : QVector<quint16>({0xFFFF});
}

} // namespace

class ArtNetPacketsTest : public QObject
{
    Q_OBJECT

private slots:
    void pollBytes()
    {
        const QByteArray expected("Art-Net\0" "\x00\x20" "\x00\x0E" "\x00" "\x00", 14);
        QCOMPARE(ArtNet::EncodePoll(), expected);
        QCOMPARE(ArtNet::OpCodeOf(expected), quint16(0x2000));
    }

    void dmxBytes()
    {
        quint8 levels[512];
        for (int i = 0; i < 512; ++i)
            levels[i] = quint8(255 - i % 256);
        const QByteArray packet = ArtNet::EncodeDmx(0x1234, 7, levels);
        QCOMPARE(packet.size(), 530);
        QCOMPARE(packet.left(18), QByteArray("Art-Net\0" "\x00\x50" "\x00\x0E" "\x07" "\x00"
                                             "\x34\x12" "\x02\x00", 18));
        QCOMPARE(packet.mid(18), QByteArray(reinterpret_cast<const char*>(levels), 512));
        QCOMPARE(ArtNet::OpCodeOf(packet), quint16(0x5000));
    }

    void dmxPortAddressKeepsFifteenBits()
    {
        const quint8 levels[512] = {};
        const QByteArray highest = ArtNet::EncodeDmx(0x7FFF, 255, levels);
        QCOMPARE(quint8(highest[14]), quint8(0xFF)); // SubUni
        QCOMPARE(quint8(highest[15]), quint8(0x7F)); // Net
        QCOMPARE(quint8(highest[12]), quint8(255));
        const QByteArray wrapped = ArtNet::EncodeDmx(0x8001, 1, levels);
        QCOMPARE(quint8(wrapped[14]), quint8(0x01));
        QCOMPARE(quint8(wrapped[15]), quint8(0x00));
    }

    void replyOfAFourPortNode()
    {
        SReplyFields f;
        f.net = 2;
        f.subNet = 1;
        const auto reply = ArtNet::DecodePollReply(Reply(f));
        QVERIFY(reply);
        QCOMPARE(reply->address, quint32(0x0A000007));
        QCOMPARE(reply->outputs, QVector<quint16>({0x210, 0x211, 0x212, 0x213}));
        QCOMPARE(reply->shortName, QStringLiteral("Dimmer rack"));
        QCOMPARE(reply->longName, QStringLiteral("Dimmer rack, stage left"));
        QCOMPARE(reply->bindIndex, quint8(1)); // 0 means the root, as 1 does
    }

    void onlyOutputPortsWithinNumPortsCount()
    {
        SReplyFields f;
        f.portTypes[0] = 0x40; // input only
        f.portTypes[1] = 0x80; // output only
        f.portTypes[2] = 0x00;
        f.portTypes[3] = 0x85;
        QCOMPARE(Outputs(Reply(f)), QVector<quint16>({1, 3}));

        f = SReplyFields();
        f.numPortsLo = 2;
        QCOMPARE(Outputs(Reply(f)), QVector<quint16>({0, 1}));
        f.numPortsHi = 1; // reserved byte, not a count of 258 ports
        QCOMPARE(Outputs(Reply(f)), QVector<quint16>({0, 1}));
        f.numPortsHi = 0;
        f.numPortsLo = 200;
        QCOMPARE(Outputs(Reply(f)), QVector<quint16>({0, 1, 2, 3}));
        f.numPortsLo = 0;
        QCOMPARE(Outputs(Reply(f)), QVector<quint16>());

        f = SReplyFields();
        f.swOut[0] = 0xF7; // the high nibble is no part of the address
        f.subNet = 0x31;
        f.net = 0x85;
        QCOMPARE(Outputs(Reply(f))[0], quint16(0x517));
        f.swOut[0] = 0x0F;
        f.subNet = 0x0F;
        f.net = 0x7F;
        QCOMPARE(Outputs(Reply(f))[0], quint16(0x7FFF));
    }

    void namesThatFillTheirFields()
    {
        SReplyFields f;
        f.shortName = QByteArray(18, 'S');
        f.longName = QByteArray(64, 'L');
        const auto reply = ArtNet::DecodePollReply(Reply(f));
        QVERIFY(reply);
        QCOMPARE(reply->shortName, QString(18, QLatin1Char('S')));
        QCOMPARE(reply->longName, QString(64, QLatin1Char('L')));
    }

    // Names reach the debug log: no control character of a forged one may
    // start a line of its own there.
    void namesKeepNoControlCharacters_data()
    {
        Columns<QByteArray, QString>("bytes", "name");
        QTest::newRow("plain") << QByteArray("Rack 1") << QStringLiteral("Rack 1");
        QTest::newRow("newline") << QByteArray("a\nNode added : b") << QStringLiteral("a\\x0aNode added : b");
        QTest::newRow("return and tab") << QByteArray("a\rb\tc") << QStringLiteral("a\\x0db\\x09c");
        QTest::newRow("escape sequence") << QByteArray("\x1b[2Jx") << QStringLiteral("\\x1b[2Jx");
        QTest::newRow("delete and C1") << QByteArray("a\x7f\x85z") << QStringLiteral("a\\x7f\\x85z");
        QTest::newRow("Latin-1 letter") << QByteArray("Sc\xe8ne") << QStringLiteral("Sc\u00e8ne");
        QTest::newRow("trailing newline") << QByteArray("Node\n") << QStringLiteral("Node");
    }
    void namesKeepNoControlCharacters()
    {
        const auto [bytes, name] = Row<QByteArray, QString>("bytes", "name");
        SReplyFields f;
        f.shortName = bytes;
        f.longName = bytes;
        const auto reply = ArtNet::DecodePollReply(Reply(f));
        QVERIFY(reply);
        QCOMPARE(reply->shortName, name);
        QCOMPARE(reply->longName, name);
    }

    void replyLengths()
    {
        SReplyFields f;
        f.size = 206;
        QVERIFY(!ArtNet::DecodePollReply(Reply(f)));
        f.size = 207; // an old node stops after the MAC address
        QVERIFY(ArtNet::DecodePollReply(Reply(f)));
        f.bindIndex = 3;
        f.size = 211;
        QCOMPARE(ArtNet::DecodePollReply(Reply(f))->bindIndex, quint8(1));
        f.size = 212;
        QCOMPARE(ArtNet::DecodePollReply(Reply(f))->bindIndex, quint8(3));
        f.size = 1500; // a newer node's longer reply
        const auto longer = ArtNet::DecodePollReply(Reply(f));
        QVERIFY(longer);
        QCOMPARE(longer->outputs.size(), 4);
    }

    void foreignAndShortPackets()
    {
        QVERIFY(!ArtNet::DecodePollReply(QByteArray()));
        QCOMPARE(ArtNet::OpCodeOf(QByteArray()), quint16(0));
        QCOMPARE(ArtNet::OpCodeOf(QByteArray("Art-Net\0\x00", 9)), quint16(0));

        QByteArray wrongId = Reply(SReplyFields());
        wrongId[6] = 'x';
        QCOMPARE(ArtNet::OpCodeOf(wrongId), quint16(0));
        QVERIFY(!ArtNet::DecodePollReply(wrongId));

        QByteArray bigEndianOpCode = Reply(SReplyFields());
        bigEndianOpCode[8] = 0x21;
        bigEndianOpCode[9] = 0x00;
        QVERIFY(!ArtNet::DecodePollReply(bigEndianOpCode));

        QByteArray dmx = Reply(SReplyFields());
        dmx[8] = 0x00;
        dmx[9] = 0x50;
        QVERIFY(!ArtNet::DecodePollReply(dmx));

        QVERIFY(!ArtNet::DecodePollReply(ArtNet::EncodePoll()));
    }

    void addressesNoNodeCanHave()
    {
        SReplyFields f;
        const quint8 refused[][4] = {{0, 0, 0, 0}, {0, 1, 2, 3}, {255, 255, 255, 255}, {224, 0, 0, 1}, {239, 255, 0, 1},
                                     {240, 0, 0, 1}};
        for (const auto& ip : refused) {
            std::copy(ip, ip + 4, f.ip);
            QVERIFY2(!ArtNet::DecodePollReply(Reply(f)), qPrintable(QStringLiteral("%1.%2").arg(ip[0]).arg(ip[3])));
        }
        const quint8 accepted[][4] = {{127, 0, 0, 2}, {2, 0, 0, 1}, {223, 255, 255, 254}};
        for (const auto& ip : accepted) {
            std::copy(ip, ip + 4, f.ip);
            QVERIFY(ArtNet::DecodePollReply(Reply(f)));
        }
    }
};

ORVANE_TEST(ArtNetPacketsTest)
#include "ArtNetPacketsTest.moc"
