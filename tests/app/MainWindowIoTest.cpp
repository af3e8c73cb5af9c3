#include "TestRegistry.h"

#include "WindowIoRig.h"
#include "Common/Midi/MidiManager.h"
#include "app/Globals.h"
#include "show/ShowHost.h"

#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include <vector>

// The window's interface pass, its triggers and its device records. Nothing
// here may start Art-Net: these tests run in the machine's own network.

namespace {

// Stands in for the trigger dialog while it learns a MIDI trigger.
class CLearningDialog : public QObject
{
    Q_OBJECT

public:
    QStringList calls;
    Q_INVOKABLE void SetMidiTrigger(int kind, int channel, int number, int value)
    {
        calls << QStringLiteral("%1:%2:%3:%4").arg(kind).arg(channel).arg(number).arg(value);
    }
};

QString Record(const SDeviceConfig& r)
{
    return QStringLiteral("%1;%2;%3;%4;%5;%6")
        .arg(r.portADirection)
        .arg(r.portBDirection)
        .arg(r.portAUniverse)
        .arg(r.portBUniverse)
        .arg(r.secondaryAUniverse)
        .arg(r.secondaryBUniverse);
}

QStringList Records(const QVector<SDeviceConfig>& records)
{
    QStringList texts;
    for (const SDeviceConfig& r : records)
        texts << Record(r);
    return texts;
}

SDeviceConfig Config(int aDir, int bDir, int aUni, int bUni, int sA, int sB)
{
    SDeviceConfig r;
    r.portADirection = aDir;
    r.portBDirection = bDir;
    r.portAUniverse = aUni;
    r.portBUniverse = bUni;
    r.secondaryAUniverse = sA;
    r.secondaryBUniverse = sB;
    return r;
}

void SendMidi(Orvane& window, std::vector<unsigned char> bytes)
{
    window.MidiManager().HandleRawMessage(bytes.data(), bytes.size());
}

} // namespace

class MainWindowIoTest : public QObject
{
    Q_OBJECT

    QString m_startDir;

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_startDir); }

    void aStartForTheInterfacesOpensNoNetwork()
    {
        CIoRig rig;
        QVERIFY(rig.window->IsOutputOn());
        QCOMPARE(rig.window->OutputMode(), 0);
        rig.NextTick();
        rig.Action("actionOutputOn")->trigger();
        rig.Action("actionOutputOn")->trigger();
        QVERIFY(rig.window->IsOutputOn());
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("show.kv3"), "x")));
        QVERIFY(rig.window->ArtNetManager() == nullptr);

        // Both network icons are there, and neither blinks.
        QVERIFY(rig.Action("actionArtNetStatus"));
        QVERIFY(rig.Action("actionWiFiStatus"));
        auto* blink = rig.window->findChild<QTimer*>(QStringLiteral("networkBlinkTimer"));
        QVERIFY(blink);
        QVERIFY(!blink->isActive());
    }

    void eachOutputPortGetsItsUniverse()
    {
        CIoRig rig({CIoRig::Device("A", 2), CIoRig::Device("B", 1, true)});
        QCOMPARE(rig.window->DeviceManager().InterfaceCount(), 2);
        rig.Interface(0).portA = {kPortOutput, 1};
        rig.Interface(0).portB = {kPortOutput, 0};
        rig.Interface(1).portA = {kPortOutput, 2};
        // Universe 3 is past the project's three.
        rig.Interface(1).secondary->universeA = 0;
        rig.Interface(1).secondary->universeB = 3;

        rig.NextTick();
        QCOMPARE(rig.TakeWrites(), QStringList({"A:0=1", "A:1=0", "B:0=2", "B:2=0"}));

        // Each tick sends the buffers as they are then.
        rig.doc->output[1].fill(200);
        rig.NextTick();
        QCOMPARE(rig.TakeWrites(), QStringList({"A:0=1", "A:1=0", "B:0=2", "B:2=0"}));

        rig.Action("actionOutputOn")->trigger();
        QVERIFY(!rig.window->IsOutputOn());
        rig.NextTick();
        QCOMPARE(rig.TakeWrites(), QStringList());
    }

    void inputPortsFillTheInputUniverseAndTrigger()
    {
        CFakeTransport::SDevice device = CIoRig::Device("A", 2);
        device.inputLevel = 40;
        CIoRig rig({device});
        rig.Interface(0).portA = {kPortInput, 1};
        rig.Interface(0).portB = {kPortOutput, 0};

        rig.NextTick();
        QCOMPARE(rig.TakeWrites(), QStringList({"A:1=0"}));
        QCOMPARE(int(std::count(rig.doc->input[1].begin(), rig.doc->input[1].end(), 40)), 512);
        QCOMPARE(int(std::count(rig.doc->input[0].begin(), rig.doc->input[0].end(), 0)), 512);
        QCOMPARE(rig.triggers.calls, QStringList({"Dmx:1"}));
    }

    void standAloneInputsTriggerOnANewValueOnly()
    {
        CIoRig rig({CIoRig::Device("A", 1, false, true)});
        auto inputs = [&](quint8 a, quint8 b, quint8 c) {
            rig.transport->devices[0].standAlone = {a, b, c};
            rig.triggers.calls.clear();
            rig.window->InterfacePass(CDeviceManager::kStandAlonePeriodMs);
            return rig.triggers.calls;
        };
        QCOMPARE(inputs(3, 0, 0), QStringList({"SA:3:0:0"}));
        // A held button triggers once.
        QCOMPARE(inputs(3, 0, 0), QStringList());
        // Letting go only clears the memory, so the next press triggers again.
        QCOMPARE(inputs(0, 0, 0), QStringList());
        QCOMPARE(inputs(3, 0, 0), QStringList({"SA:3:0:0"}));
        QCOMPARE(inputs(3, 5, 0), QStringList({"SA:3:5:0"}));
        QCOMPARE(inputs(3, 0, 0), QStringList());
        QCOMPARE(inputs(3, 0, 7), QStringList({"SA:3:0:7"}));
        QCOMPARE(inputs(4, 0, 2), QStringList({"SA:4:0:2"}));
    }

    void aLostInterfaceIsToldWithoutStoppingTheShow()
    {
        CFakeTransport::SDevice gone = CIoRig::Device("A", 1);
        gone.present = false;
        CIoRig rig({gone, CIoRig::Device("B", 1)});
        for (int tick = 1; tick < CDeviceManager::kLostAfterTicks; ++tick)
            rig.window->InterfacePass(25);
        QCOMPARE(rig.window->statusBar()->currentMessage(), QString());
        rig.TakeWrites();

        rig.window->InterfacePass(25);
        QCOMPARE(rig.window->statusBar()->currentMessage(),
                 QStringLiteral("The DMX interface Interface A does not answer any more."));
        QCOMPARE(rig.TakeWrites(), QStringList({"B:0=0"}));
        rig.window->InterfacePass(25);
        QCOMPARE(rig.TakeWrites(), QStringList({"B:0=0"}));
    }

    void devicePortsAreStoredInTheProjectsRecords()
    {
        CIoRig rig({CIoRig::Device("A", 2), CIoRig::Device("B", 1, true)});
        rig.Interface(0).portA = {kPortInput, 2};
        rig.Interface(0).portB = {kPortOutput, 3};
        rig.Interface(1).portA = {kPortOutput, 0};
        rig.Interface(1).secondary->universeA = 5;
        rig.Interface(1).secondary->universeB = 6;
        const QStringList open{"1;2;2;3;-1;-1", "2;0;0;-1;5;6"};

        // Records past the open interfaces belong to interfaces not plugged in now.
        rig.doc->dmxConfig = {Config(0, 0, 9, 9, 9, 9), Config(1, 1, 8, 8, 8, 8), Config(2, 2, 7, 7, -1, -1)};
        ShowHost().StoreDeviceConfig();
        QCOMPARE(Records(rig.doc->dmxConfig), open + QStringList({"2;2;7;7;-1;-1"}));

        rig.doc->dmxConfig = {Config(0, 0, 9, 9, 9, 9)};
        ShowHost().StoreDeviceConfig();
        QCOMPARE(Records(rig.doc->dmxConfig), open);

        rig.doc->dmxConfig.clear();
        ShowHost().StoreDeviceConfig();
        QCOMPARE(Records(rig.doc->dmxConfig), open);
    }

    void withoutInterfacesTheRecordsStayAsTheyAre()
    {
        CIoRig rig;
        rig.doc->dmxConfig = {Config(2, 1, 0, 1, -1, -1)};
        ShowHost().StoreDeviceConfig();
        QCOMPARE(Records(rig.doc->dmxConfig), QStringList({"2;1;0;1;-1;-1"}));
    }

    void midiGoesOnlyToAnOpenTriggerDialog()
    {
        CIoRig rig;
        auto* dialog = new CLearningDialog;
        ShowHost().SetOpenTriggerDialog(dialog);
        SendMidi(*rig.window, {0x92, 60, 100});
        SendMidi(*rig.window, {0x92, 60, 0});
        SendMidi(*rig.window, {0x82, 61, 64});
        SendMidi(*rig.window, {0xB3, 7, 99});
        SendMidi(*rig.window, {0xC1, 5});
        // Key pressure and the pitch wheel are no triggers.
        SendMidi(*rig.window, {0xA0, 60, 10});
        SendMidi(*rig.window, {0xE0, 0, 64});
        QCoreApplication::processEvents();
        QCOMPARE(dialog->calls, QStringList({"1:2:60:1", "1:2:60:0", "1:2:61:0", "2:3:7:99", "3:1:5:-1"}));
        QCOMPARE(rig.triggers.calls, QStringList());

        // A dialog that cannot learn still keeps the show from reacting.
        QObject deaf;
        ShowHost().SetOpenTriggerDialog(&deaf);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No such method")));
        SendMidi(*rig.window, {0x90, 36, 1});
        QCoreApplication::processEvents();
        QCOMPARE(rig.triggers.calls, QStringList());

        // A closed dialog no longer takes them, even if nobody said so.
        ShowHost().SetOpenTriggerDialog(dialog);
        delete dialog;
        SendMidi(*rig.window, {0x90, 36, 1});
        SendMidi(*rig.window, {0xBF, 1, 0});
        SendMidi(*rig.window, {0xC0, 127});
        QCoreApplication::processEvents();
        QCOMPARE(rig.triggers.calls, QStringList({"Midi:1:0:36:1", "Midi:2:15:1:0", "Midi:3:0:127:-1"}));
    }
};

ORVANE_TEST(MainWindowIoTest)
#include "MainWindowIoTest.moc"
