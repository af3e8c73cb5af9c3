#include "TestRegistry.h"

#include "Common/Midi/MidiManager.h"
#include "devices/DeviceLog.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <initializer_list>
#include <thread>
#include <vector>

namespace {

std::optional<SMidiMessage> Decode(std::initializer_list<unsigned char> bytes)
{
    const std::vector<unsigned char> v(bytes);
    return DecodeMidiMessage(v.data(), v.size());
}

QVector<int> Fields(const std::optional<SMidiMessage>& m)
{
    if (!m)
        return {};
    return {int(m->kind), m->channel, m->number, m->value};
}

QVector<int> Expect(EMidiKind kind, int channel, int number, int value)
{
    return {int(kind), channel, number, value};
}

} // namespace

class MidiTest : public QObject
{
    Q_OBJECT

private slots:
    void channelMessages()
    {
        QCOMPARE(Fields(Decode({0x90, 60, 100})), Expect(EMidiKind::NoteOn, 0, 60, 100));
        QCOMPARE(Fields(Decode({0x9F, 0, 127})), Expect(EMidiKind::NoteOn, 15, 0, 127));
        QCOMPARE(Fields(Decode({0x85, 64, 64})), Expect(EMidiKind::NoteOff, 5, 64, 64));
        QCOMPARE(Fields(Decode({0xB2, 7, 127})), Expect(EMidiKind::ControlChange, 2, 7, 127));
        QCOMPARE(Fields(Decode({0xBF, 0, 0})), Expect(EMidiKind::ControlChange, 15, 0, 0));
        QCOMPARE(Fields(Decode({0xC9, 5})), Expect(EMidiKind::ProgramChange, 9, 5, 0));
        QCOMPARE(Fields(Decode({0xA1, 60, 32})), Expect(EMidiKind::KeyPressure, 1, 60, 32));
    }

    void noteOnWithVelocityZeroIsANoteOff()
    {
        QCOMPARE(Fields(Decode({0x93, 64, 0})), Expect(EMidiKind::NoteOff, 3, 64, 0));
        QCOMPARE(Fields(Decode({0x93, 64, 1})), Expect(EMidiKind::NoteOn, 3, 64, 1));
    }

    void pitchWheelIsFourteenBitsLowFirst()
    {
        QCOMPARE(Fields(Decode({0xE0, 0x00, 0x40})), Expect(EMidiKind::PitchWheel, 0, 0, 8192));
        QCOMPARE(Fields(Decode({0xE4, 0x00, 0x00})), Expect(EMidiKind::PitchWheel, 4, 0, 0));
        QCOMPARE(Fields(Decode({0xE0, 0x7F, 0x7F})), Expect(EMidiKind::PitchWheel, 0, 0, 16383));
        QCOMPARE(Fields(Decode({0xE0, 0x01, 0x00})), Expect(EMidiKind::PitchWheel, 0, 0, 1));
        QCOMPARE(Fields(Decode({0xE0, 0x00, 0x01})), Expect(EMidiKind::PitchWheel, 0, 0, 128));
    }

    void whatIsNotHandedOn()
    {
        QVERIFY(!DecodeMidiMessage(nullptr, 3));
        QVERIFY(!Decode({}));
        QVERIFY(!Decode({60, 100}));             // data without a status
        QVERIFY(!Decode({0x90, 60}));            // short
        QVERIFY(!Decode({0x90, 60, 100, 0}));    // a byte past its end
        QVERIFY(!Decode({0xC0, 5, 0}));          // a program change has one data byte
        QVERIFY(!Decode({0xC0}));
        QVERIFY(!Decode({0x90, 0xBC, 100}));     // a status where data belongs
        QVERIFY(!Decode({0xB0, 7, 0x80}));
        QVERIFY(!Decode({0xD0, 64}));            // channel pressure
        QVERIFY(!Decode({0xF0, 0x7E, 0x7F, 0xF7})); // system exclusive
        QVERIFY(!Decode({0xF8}));                // clock
        QVERIFY(!Decode({0xFF}));
    }

    void messagesFromTheInputThreadArriveOnTheGuiThread()
    {
        CMidiManager manager(QStringLiteral("/nonexistent/seq"));
        QSignalSpy on(&manager, &CMidiManager::noteOn);
        QSignalSpy off(&manager, &CMidiManager::noteOff);
        QSignalSpy cc(&manager, &CMidiManager::controlChange);
        QSignalSpy pc(&manager, &CMidiManager::programChange);
        QSignalSpy kp(&manager, &CMidiManager::keyPressure);
        QSignalSpy pw(&manager, &CMidiManager::pitchWheel);
        QThread* receivedOn = nullptr;
        connect(&manager, &CMidiManager::pitchWheel, this, [&receivedOn] { receivedOn = QThread::currentThread(); },
                Qt::DirectConnection);

        std::thread input([&manager] {
            const std::vector<std::vector<unsigned char>> messages{
                {0x91, 36, 90}, {0x91, 36, 0}, {0x81, 37, 10}, {0xB0, 1, 64}, {0xCF, 127},
                {0xA2, 40, 5},  {0xD0, 9},     {0x90, 36},     {0xE3, 0x00, 0x40}};
            for (const auto& m : messages)
                manager.HandleRawMessage(m.data(), m.size());
        });
        input.join();
        QCOMPARE(on.count() + off.count() + pw.count(), 0); // nothing before the event loop runs
        QTRY_COMPARE(pw.count(), 1);

        QCOMPARE(receivedOn, QThread::currentThread());
        QCOMPARE(on.count(), 1);
        QCOMPARE(on.at(0), QList<QVariant>({1, 36, 90}));
        QCOMPARE(off.count(), 2);
        QCOMPARE(off.at(0), QList<QVariant>({1, 36, 0}));
        QCOMPARE(off.at(1), QList<QVariant>({1, 37, 10}));
        QCOMPARE(cc.at(0), QList<QVariant>({0, 1, 64}));
        QCOMPARE(pc.at(0), QList<QVariant>({15, 127}));
        QCOMPARE(kp.at(0), QList<QVariant>({2, 40, 5}));
        QCOMPARE(pw.at(0), QList<QVariant>({3, 8192}));
    }

    void noMidiSystemMeansNoPortsAndOneDebugLine()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("orvane.devices.debug=true"));
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^MIDI: no ALSA sequencer .*no MIDI input ports$")));
        CMidiManager manager(QStringLiteral("/nonexistent/seq"));
        QCOMPARE(manager.OpenInputPorts(), 0);
        QVERIFY(manager.PortNames().isEmpty());
        QLoggingCategory::setFilterRules(QString());
        // Off by default: the operator's console stays quiet.
        QVERIFY(!lcDevices().isDebugEnabled());
        QCOMPARE(manager.OpenInputPorts(), 0);
    }
};

ORVANE_TEST(MidiTest)
#include "MidiTest.moc"
