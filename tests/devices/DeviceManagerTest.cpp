#include "DataTable.h"
#include "TestRegistry.h"

#include "FakeTransport.h"
#include "devices/DeviceManager.h"

#include <QSignalSpy>
#include <QtTest>

#include <climits>

namespace {

constexpr int kUniverses = 3;

// A project's output and DMX-input buffers, each universe filled with its own level.
struct SBuffers {
    std::array<std::array<quint8, 512>, kUniverses> output{};
    std::array<std::array<quint8, 512>, kUniverses> input{};

    SBuffers()
    {
        for (int u = 0; u < kUniverses; ++u) {
            output[size_t(u)].fill(quint8(10 + u));
            input[size_t(u)].fill(0xEE);
        }
    }
    CDeviceManager::OutputBuffer Out()
    {
        return [this](int u) -> const quint8* { return u >= 0 && u < kUniverses ? output[size_t(u)].data() : nullptr; };
    }
    CDeviceManager::InputBuffer In()
    {
        return [this](int u) -> quint8* { return u >= 0 && u < kUniverses ? input[size_t(u)].data() : nullptr; };
    }
};

QByteArray Levels(quint8 level)
{
    return QByteArray(512, char(level));
}

} // namespace

class DeviceManagerTest : public QObject
{
    Q_OBJECT

    CFakeTransport* m_fake = nullptr;
    std::unique_ptr<CDeviceManager> m_manager;
    SBuffers m_buffers;

    CDeviceManager& Manager(QVector<CFakeTransport::SDevice> devices)
    {
        auto fake = std::make_unique<CFakeTransport>();
        fake->devices = std::move(devices);
        m_fake = fake.get();
        m_manager = std::make_unique<CDeviceManager>(std::move(fake));
        m_manager->OpenDevices();
        return *m_manager;
    }

    static CFakeTransport::SDevice Device(const QString& serial, int ports, bool secondary = false,
                                          bool standAlone = false)
    {
        CFakeTransport::SDevice device;
        device.info = CFakeTransport::Info(serial, ports, secondary, standAlone);
        return device;
    }

    void Tick(CDeviceManager& manager, bool recording = false, bool editing = false, int ms = 25)
    {
        manager.Tick(ms, kUniverses, m_buffers.Out(), m_buffers.In(), recording, editing);
    }

private slots:
    void init() { m_buffers = SBuffers(); }

    void defaultBackEndFindsNothingAndTicksQuietly()
    {
        CDeviceManager manager;
        QSignalSpy lost(&manager, &CDeviceManager::interfaceLost);
        QCOMPARE(manager.OpenDevices(), 0);
        QCOMPARE(manager.InterfaceCount(), 0);
        QVERIFY(manager.DeviceConfig().isEmpty());
        QVERIFY(!manager.HasInputPort());
        for (int i = 0; i < 300; ++i)
            manager.Tick(25, kUniverses, m_buffers.Out(), m_buffers.In(), false, false);
        QCOMPARE(lost.count(), 0);
        QVERIFY(manager.ReadInputs(kUniverses, m_buffers.In()));
    }

    void openingSkipsWhatCannotBeOpenedOrSetUp()
    {
        auto refused = Device(QStringLiteral("A"), 1);
        refused.opens = false;
        auto badSetup = Device(QStringLiteral("B"), 2);
        badSetup.setsUp = false;
        auto odd = Device(QStringLiteral("C"), 7, true);
        CDeviceManager& manager = Manager({refused, badSetup, odd, Device(QStringLiteral("D"), 0)});

        QCOMPARE(manager.InterfaceCount(), 2);
        QVERIFY(m_fake->devices[1].closed); // opened, not usable, closed again
        const SDmxInterface& c = manager.Interfaces().at(0);
        QCOMPARE(c.info.serial, QStringLiteral("C"));
        QCOMPARE(c.info.ports, 2);
        QVERIFY(c.secondary.has_value());
        QCOMPARE(c.portA.direction, int(kPortOutput));
        QCOMPARE(c.portA.universe, 0);
        QCOMPARE(c.portB.direction, int(kPortOff));
        QCOMPARE(manager.Interfaces().at(1).info.ports, 1);
    }

    void aTransportCountIsNotBelieved()
    {
        auto fake = std::make_unique<CFakeTransport>();
        fake->devices = {Device(QStringLiteral("A"), 1)};
        fake->reportedCount = 1000000000;
        CFakeTransport* raw = fake.get();
        CDeviceManager manager(std::move(fake));
        QCOMPARE(manager.OpenDevices(), 1);
        QCOMPARE(raw->infoCalls, CDeviceManager::kMaxInterfaces);

        raw->reportedCount = -5;
        QCOMPARE(manager.OpenDevices(), 0);
    }

    void outputPortsGetTheirUniverse()
    {
        CDeviceManager& manager = Manager({Device(QStringLiteral("A"), 2), Device(QStringLiteral("B"), 1),
                                           Device(QStringLiteral("C"), 2)});
        manager.Interface(0)->portA = {kPortOutput, 0};
        manager.Interface(0)->portB = {kPortOutput, 2};
        manager.Interface(1)->portA = {kPortOutput, 1};
        manager.Interface(1)->portB = {kPortOutput, 2}; // a one-port interface has no port B
        manager.Interface(2)->portA = {kPortOutput, kUniverses}; // beyond the project's universes
        manager.Interface(2)->portB = {kPortOff, 1};
        Tick(manager);

        QCOMPARE(m_fake->writes.size(), 3);
        QCOMPARE(m_fake->writes[0].handle, DeviceHandle(1));
        QCOMPARE(m_fake->writes[0].port, CDeviceTransport::kPortA);
        QCOMPARE(m_fake->writes[0].levels, Levels(10));
        QCOMPARE(m_fake->writes[1].port, CDeviceTransport::kPortB);
        QCOMPARE(m_fake->writes[1].levels, Levels(12));
        QCOMPARE(m_fake->writes[2].handle, DeviceHandle(2));
        QCOMPARE(m_fake->writes[2].levels, Levels(11));

        // Each tick sends what the buffer holds now.
        m_buffers.output[0][511] = 255;
        m_fake->ClearRecords();
        Tick(manager);
        QCOMPARE(quint8(m_fake->writes[0].levels.at(511)), quint8(255));
        QCOMPARE(quint8(m_fake->writes[0].levels.at(510)), quint8(10));

        m_fake->ClearRecords();
        manager.Tick(25, 0, m_buffers.Out(), m_buffers.In(), false, false);
        QVERIFY(m_fake->writes.isEmpty());
    }

    void secondaryPortsCountTheirFramesUntilAPatchChange()
    {
        CDeviceManager& manager = Manager({Device(QStringLiteral("A"), 2, true), Device(QStringLiteral("B"), 1, true),
                                           Device(QStringLiteral("C"), 2)});
        manager.Interface(0)->portA = {kPortOff, -1};
        manager.Interface(0)->secondary->universeA = 1;
        manager.Interface(0)->secondary->universeB = -1;
        manager.Interface(1)->portA = {kPortOff, -1};
        manager.Interface(1)->secondary->universeA = 2;
        manager.Interface(1)->secondary->universeB = 0;
        manager.Interface(2)->portA = {kPortOff, 0};
        for (int i = 0; i < 3; ++i)
            Tick(manager);

        QCOMPARE(m_fake->writes.size(), 9);
        QCOMPARE(m_fake->writes[0].port, CDeviceTransport::kSecondaryPortA);
        QCOMPARE(m_fake->writes[0].levels, Levels(11));
        QCOMPARE(manager.Interfaces().at(0).secondary->refreshA, 3);
        QCOMPARE(manager.Interfaces().at(0).secondary->refreshB, 0);
        QCOMPARE(manager.Interfaces().at(1).secondary->refreshA, 3);
        QCOMPARE(manager.Interfaces().at(1).secondary->refreshB, 3);

        manager.ResetPortRefresh();
        QCOMPARE(manager.Interfaces().at(0).secondary->refreshA, 0);
        // Only interfaces with two ports and a secondary pair are reset.
        QCOMPARE(manager.Interfaces().at(1).secondary->refreshA, 3);
        QCOMPARE(manager.Interfaces().at(1).secondary->refreshB, 3);
        QVERIFY(!manager.Interfaces().at(2).secondary.has_value());

        m_fake->Device(1).writes = false;
        Tick(manager);
        QCOMPARE(manager.Interfaces().at(0).secondary->refreshA, 0); // a failed frame is not counted
    }

    void inputPortsFollowRecordingAndEditing()
    {
        auto device = Device(QStringLiteral("A"), 2);
        device.inputLevel = 40;
        CDeviceManager& manager = Manager({device});
        manager.Interface(0)->portA = {kPortOutput, 0};
        manager.Interface(0)->portB = {kPortInput, 1};
        QVERIFY(manager.HasInputPort());
        QSignalSpy refreshed(&manager, &CDeviceManager::dmxInputRefreshed);

        // Live: read, and the universe goes to the DMX-input triggers.
        Tick(manager);
        QCOMPARE(m_buffers.input[1][0], quint8(41));
        QCOMPARE(m_buffers.input[1][511], quint8(41));
        QCOMPARE(m_buffers.input[0][0], quint8(0xEE));
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(refreshed.at(0).at(0).toInt(), 1);

        // Editing a scene: not read at all.
        m_buffers.input[1].fill(0);
        m_fake->ClearRecords();
        Tick(manager, false, true);
        QVERIFY(m_fake->reads.isEmpty());
        QCOMPARE(m_buffers.input[1][0], quint8(0));

        // Recording, with or without an editor: read, no triggers.
        Tick(manager, true, true);
        QCOMPARE(m_buffers.input[1][0], quint8(41));
        m_buffers.input[1].fill(0);
        Tick(manager, true, false);
        QCOMPARE(m_buffers.input[1][0], quint8(41));
        QCOMPARE(refreshed.count(), 1);

        // Priming a recording reads whatever the mode, and reports nothing.
        m_buffers.input[1].fill(0);
        QVERIFY(manager.ReadInputs(kUniverses, m_buffers.In()));
        QCOMPARE(m_buffers.input[1][0], quint8(41));
        QCOMPARE(refreshed.count(), 1);
        m_fake->devices[0].readCount = 0;
        QVERIFY(!manager.ReadInputs(kUniverses, m_buffers.In()));
    }

    void inputEdgeCases()
    {
        auto shortRead = Device(QStringLiteral("A"), 2);
        shortRead.readCount = 100;
        shortRead.inputLevel = 7;
        auto good = Device(QStringLiteral("B"), 2);
        good.inputLevel = 50;
        auto single = Device(QStringLiteral("C"), 1);
        CDeviceManager& manager = Manager({shortRead, good, single});
        manager.Interface(0)->portA = {kPortInput, 0};
        manager.Interface(1)->portA = {kPortInput, 2};
        manager.Interface(1)->portB = {kPortInput, 2};
        manager.Interface(2)->portA = {kPortInput, kUniverses};
        QSignalSpy refreshed(&manager, &CDeviceManager::dmxInputRefreshed);
        Tick(manager);

        // A short read leaves the universe untouched and counts against the interface.
        QCOMPARE(m_buffers.input[0][0], quint8(0xEE));
        QCOMPARE(m_buffers.input[0][99], quint8(0xEE));
        QCOMPARE(manager.Interfaces().at(0).unusableTicks, 1);
        // Two ports on one universe: the later read wins, the universe is reported once.
        QCOMPARE(m_buffers.input[2][0], quint8(51));
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(refreshed.at(0).at(0).toInt(), 2);
        // A universe the project does not have is not read.
        QCOMPARE(m_fake->reads.count(QPair<DeviceHandle, int>(3, 0)), 0);
        QCOMPARE(manager.Interfaces().at(2).unusableTicks, 0);

        // Port B of a one-port interface is no input.
        manager.Interface(2)->portA = {kPortOff, -1};
        manager.Interface(2)->portB = {kPortInput, 1};
        manager.Interface(0)->portA = {kPortOff, -1};
        manager.Interface(1)->portA = {kPortOff, -1};
        manager.Interface(1)->portB = {kPortOutput, 0};
        QVERIFY(!manager.HasInputPort());
    }

    void standAloneInputsEvery200Milliseconds()
    {
        CDeviceManager& manager = Manager({Device(QStringLiteral("A"), 1, false, true), Device(QStringLiteral("B"), 1)});
        QSignalSpy changed(&manager, &CDeviceManager::standAloneInputsChanged);
        for (int i = 0; i < 7; ++i)
            Tick(manager);
        QCOMPARE(m_fake->standAloneReads, 0);
        Tick(manager); // 8 x 25 ms
        QCOMPARE(m_fake->standAloneReads, 1); // only the interface that has them
        QCOMPARE(changed.count(), 0);          // all three still 0

        m_fake->devices[0].standAlone = {3, 0, 10};
        for (int i = 0; i < 7; ++i)
            Tick(manager);
        QCOMPARE(changed.count(), 0);
        Tick(manager);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0), QList<QVariant>({3, 0, 10}));

        for (int i = 0; i < 8; ++i)
            Tick(manager);
        QCOMPARE(m_fake->standAloneReads, 3);
        QCOMPARE(changed.count(), 1); // unchanged values are not handed on again

        m_fake->devices[0].standAlone = {0, 0, 0};
        Tick(manager, false, false, 200);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(1), QList<QVariant>({0, 0, 0}));
    }

    // The stand-alone inputs are read once 200 ms of ticks have added up,
    // whatever a tick hands on: a stall of weeks reads them once, and a
    // negative time (a clock gone back) does not put the read off.
    void standAloneWaitAddsUpTicks_data()
    {
        Columns<QVector<int>, int>("ticksMs", "reads");
        QTest::newRow("eight ticks") << QVector<int>{25, 25, 25, 25, 25, 25, 25, 25} << 1;
        QTest::newRow("a stall of weeks after a tick") << QVector<int>{25, 2147483625} << 1;
        QTest::newRow("a stall of weeks after 175 ms") << QVector<int>{175, INT_MAX, 200} << 2;
        QTest::newRow("negative time") << QVector<int>{175, -100, 25} << 1;
    }
    void standAloneWaitAddsUpTicks()
    {
        const auto [ticksMs, reads] = Row<QVector<int>, int>("ticksMs", "reads");
        CDeviceManager& manager = Manager({Device(QStringLiteral("A"), 1, false, true)});
        for (int ms : ticksMs)
            Tick(manager, false, false, ms);
        QCOMPARE(m_fake->standAloneReads, reads);
    }

    void anInterfaceUnusableFor200TicksIsLost()
    {
        CDeviceManager& manager = Manager({Device(QStringLiteral("A"), 1), Device(QStringLiteral("B"), 1)});
        QSignalSpy lost(&manager, &CDeviceManager::interfaceLost);
        m_fake->devices[0].present = false;
        m_fake->devices[1].writes = false;
        for (int i = 0; i < 199; ++i)
            Tick(manager);
        QCOMPARE(lost.count(), 0);
        // One good tick starts the count again.
        m_fake->devices[1].writes = true;
        Tick(manager);
        m_fake->devices[1].writes = false;
        QCOMPARE(lost.count(), 1);
        QCOMPARE(lost.at(0).at(0).toString(), QStringLiteral("Interface A"));
        QVERIFY(manager.Interfaces().at(0).lost);
        QVERIFY(m_fake->devices[0].closed);
        QVERIFY(!manager.Interfaces().at(1).lost);

        for (int i = 0; i < 199; ++i)
            Tick(manager);
        QCOMPARE(lost.count(), 1);
        m_fake->ClearRecords();
        Tick(manager);
        QCOMPARE(lost.count(), 2);

        // Lost interfaces get no more calls and keep their place in the list.
        m_fake->ClearRecords();
        for (int i = 0; i < 300; ++i)
            Tick(manager);
        QVERIFY(m_fake->writes.isEmpty());
        QCOMPARE(lost.count(), 2);
        QCOMPARE(manager.InterfaceCount(), 2);
        QCOMPARE(manager.DeviceConfig().size(), 2);
    }

    void deviceConfigHoldsSixValuesPerInterface()
    {
        CDeviceManager& manager = Manager({Device(QStringLiteral("A"), 2, true), Device(QStringLiteral("B"), 1)});
        QVERIFY(!manager.Interface(2));
        QVERIFY(!manager.Interface(-1));
        manager.Interface(0)->portA = {kPortInput, 3};
        manager.Interface(0)->portB = {kPortOutput, 1};
        manager.Interface(0)->secondary->universeA = 2;
        manager.Interface(0)->secondary->universeB = 0;
        const QVector<SDeviceConfig> records = manager.DeviceConfig();
        QCOMPARE(records.size(), 2);
        const SDeviceConfig& a = records[0];
        QCOMPARE(QVector<int>({a.portADirection, a.portBDirection, a.portAUniverse, a.portBUniverse,
                               a.secondaryAUniverse, a.secondaryBUniverse}),
                 QVector<int>({1, 2, 3, 1, 2, 0}));
        const SDeviceConfig& b = records[1];
        QCOMPARE(QVector<int>({b.portADirection, b.portBDirection, b.portAUniverse, b.portBUniverse,
                               b.secondaryAUniverse, b.secondaryBUniverse}),
                 QVector<int>({2, 0, 0, -1, -1, -1}));
    }
};

ORVANE_TEST(DeviceManagerTest)
#include "DeviceManagerTest.moc"
