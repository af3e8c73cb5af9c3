#include "TestRegistry.h"

#include "LoopbackNetwork.h"

#include "WindowIoRig.h"
#include "Common/ArtNet/ArtNetManager.h"
#include "Common/ArtNet/ArtNetPackets.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

// The window's Art-Net output. Everything here opens UDP port 6454, so it
// runs only inside a network namespace made for it, where the loopback is
// the only interface.

using namespace LoopbackNetwork;

// Makes the private namespace and runs MainWindowArtNetTest inside it.
class MainWindowArtNetNamespaceTest : public QObject
{
    Q_OBJECT

private slots:
    void artNetTestsOfTheWindowRunInAPrivateNetworkNamespace()
    {
        if (InPrivateNamespace())
            QSKIP("already inside the private namespace");
        if (!CanMakeNamespace())
            QSKIP("network namespaces cannot be made here (unshare -n failed): the window's Art-Net tests did not run");
        QCOMPARE(RunInPrivateNamespace(QStringLiteral("MainWindowArtNetTest")), 0);
    }
};

class MainWindowArtNetTest : public QObject
{
    Q_OBJECT

    QString m_startDir;

    // The window's Art-Net manager polls 127.0.0.3, which answers for a
    // node at 127.0.0.4 with output ports on the given universes.
    static void Discover(Orvane& window, QUdpSocket& polled, const QVector<quint8>& swOut)
    {
        CArtNetManager* artNet = window.ArtNetManager();
        QVERIFY(artNet);
        QVERIFY(artNet->IsRunning());
        artNet->SetPollTargets({kPolledNode});
        artNet->Poll();
        QCOMPARE(Receive(polled, 1).size(), 1);
        QSignalSpy detected(artNet, &CArtNetManager::nodeDetected);
        polled.writeDatagram(PollReply(kNodeAddress, swOut), kController, 6454);
        QVERIFY(detected.wait(30000));
    }

private slots:
    void initTestCase()
    {
        if (!InPrivateNamespace())
            QSKIP("runs only inside the private network namespace that MainWindowArtNetNamespaceTest makes");
        if (!OnlyLoopback())
            QFAIL("refusing to start Art-Net: this namespace has a network interface besides the loopback");
        m_startDir = QDir::currentPath();
    }
    void cleanup() { QDir::setCurrent(m_startDir); }

    void aProjectSavedWithArtNetStartsIt()
    {
        CIoRig rig;
        rig.window->OnOutputOn(false);
        rig.doc->loadedDmxMode = 2;
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("show.kv3"), "x")));
        QCOMPARE(rig.window->OutputMode(), 2);
        QVERIFY(rig.window->IsOutputOn());
        QVERIFY(rig.Action("actionOutputMode2")->isChecked());
        QVERIFY(rig.Action("actionOutputOn")->isChecked());
        QCOMPARE(rig.doc->LoadedDmxMode(), 0);
        QVERIFY(rig.window->ArtNetManager());
        QVERIFY(rig.window->ArtNetManager()->IsRunning());

        // Choosing another mode is a change of the project.
        rig.Action("actionOutputMode1")->trigger();
        QCOMPARE(rig.window->OutputMode(), 1);
        QVERIFY(rig.window->IsModified());
    }

    void aSavedModeOfNoMeaningStartsNothing()
    {
        CIoRig rig;
        rig.window->OnOutputOn(false);
        rig.doc->loadedDmxMode = 7;
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("show.kv3"), "x")));
        QCOMPARE(rig.window->OutputMode(), 0);
        QVERIFY(rig.window->ArtNetManager() == nullptr);
        QCOMPARE(rig.doc->LoadedDmxMode(), 0);
    }

    void theOutputModeChoosesWhereTheShowGoes()
    {
        QUdpSocket polled;
        QUdpSocket node;
        QVERIFY(Bind(polled, kPolledNode));
        QVERIFY(Bind(node, kNodeAddress));
        CIoRig rig({CIoRig::Device("A", 1)}, 2);
        rig.Interface(0).portA = {kPortOutput, 1};

        rig.Action("actionOutputMode1")->trigger();
        // Port-Address 2 is past the project's two universes.
        Discover(*rig.window, polled, {1, 2, 0});
        QVERIFY(Receive(node, 1, 200).isEmpty());
        rig.NextTick();
        QCOMPARE(Receive(node, 2),
                 QVector<QByteArray>({ArtNet::EncodeDmx(1, 1, rig.doc->output[1].data()),
                                      ArtNet::EncodeDmx(0, 1, rig.doc->output[0].data())}));
        QCOMPARE(rig.TakeWrites(), QStringList());

        rig.Action("actionOutputMode2")->trigger();
        rig.NextTick();
        QCOMPARE(Receive(node, 2),
                 QVector<QByteArray>({ArtNet::EncodeDmx(1, 2, rig.doc->output[1].data()),
                                      ArtNet::EncodeDmx(0, 2, rig.doc->output[0].data())}));
        QCOMPARE(rig.TakeWrites(), QStringList({"A:0=1"}));

        rig.Action("actionOutputMode0")->trigger();
        rig.NextTick();
        QCOMPARE(rig.TakeWrites(), QStringList({"A:0=1"}));
        QVERIFY(Receive(node, 1, 300).isEmpty());

        rig.Action("actionOutputMode2")->trigger();
        rig.Action("actionOutputOn")->trigger();
        QVERIFY(!rig.window->IsOutputOn());
        rig.NextTick();
        QCOMPARE(rig.TakeWrites(), QStringList());
        QVERIFY(Receive(node, 1, 300).isEmpty());
    }

    void theArtNetIconBlinksWhileItsPortIsTaken()
    {
        // Another program holds the port for itself.
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 6454, QAbstractSocket::DontShareAddress));
        CIoRig rig;
        QAction* icon = rig.Action("actionArtNetStatus");
        auto* blink = rig.window->findChild<QTimer*>(QStringLiteral("networkBlinkTimer"));
        QVERIFY(blink);
        const qint64 idle = icon->icon().cacheKey();

        rig.Action("actionOutputMode1")->trigger();
        QVERIFY(rig.window->ArtNetManager()->HasFailed());
        QVERIFY(blink->isActive());
        QCOMPARE(blink->interval(), 500);
        const qint64 lit = icon->icon().cacheKey();
        QVERIFY(lit != idle);
        QTRY_VERIFY_WITH_TIMEOUT(icon->icon().cacheKey() != lit, 30000);
        const qint64 dark = icon->icon().cacheKey();
        QVERIFY(dark != idle);
        QTRY_COMPARE_WITH_TIMEOUT(icon->icon().cacheKey(), lit, 30000);
        // The tick goes on without Art-Net, and does not retry it every 25 ms.
        rig.NextTick();
        QVERIFY(rig.window->ArtNetManager()->HasFailed());

        // Once the port is free, turning output on again starts it.
        holder.close();
        rig.Action("actionOutputOn")->trigger();
        rig.Action("actionOutputOn")->trigger();
        QVERIFY(rig.window->ArtNetManager()->IsRunning());
        QVERIFY(!rig.window->ArtNetManager()->HasFailed());
        QVERIFY(!blink->isActive());
        const qint64 running = icon->icon().cacheKey();
        QVERIFY(running != idle && running != lit && running != dark);
        QCOMPARE(rig.Action("actionWiFiStatus")->icon().cacheKey(), idle);
    }
};

ORVANE_TEST(MainWindowArtNetNamespaceTest)
ORVANE_TEST(MainWindowArtNetTest)
#include "MainWindowArtNetTest.moc"
