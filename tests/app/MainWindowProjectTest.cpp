#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "TestRegistry.h"
#include "ShownDialogs.h"
#include "WindowRig.h"

#include "FakeMusicPlayer.h"
#include "RawChannelScene.h"

#include "widgets/PresetModeCtrl.h"

#include "ModalAnswer.h"
#include "WindowIoRig.h"
#include "app/options/AppOptions.h"
#include "app/Globals.h"
#include "app/Orvane.h"
#include "app/ZikoraImportDlg.h"
#include "model/PatchedFixture.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cerrno>

// The main window with the show document it owns: start-up, the tick
// stages, the release commands, File New and the file commands when they
// fail. Nothing here starts Art-Net.

namespace {

// A main window on its own project, started in a folder of its own with the
// interfaces of a fake transport.
struct CProjectWindowRig : CWindowRigBase
{
    CFakeTransport* transport = nullptr; // owned by the window's device manager

    explicit CProjectWindowRig(const QByteArray& ini = QByteArray(),
                               const QVector<CFakeTransport::SDevice>& devices = {})
    {
        auto fake = std::make_unique<CFakeTransport>();
        fake->devices = devices;
        transport = fake.get();
        COrvaneSetup setup;
        setup.deviceTransport = std::move(fake);
        Start(std::move(setup), ini);
    }

    CProject& Project() { return window->Project(); }

    // A scene of the first page with one step that sets raw channels.
    CScene* AddRawScene(const QString& name, int fadeIn, std::initializer_list<std::array<int, 3>> levels)
    {
        return AddRawChannelScene(Project(), name, QVector<std::array<int, 3>>(levels), fadeIn);
    }

    // Master ticks through the window's own project and merge stages.
    void Tick(int count, int ms = 25)
    {
        for (int i = 0; i < count; ++i) {
            window->TickProject(ms, 1);
            window->MergeOutput();
        }
    }

    int Out(int universe, int slot) { return Project().m_output[universe][slot]; }
};

} // namespace

class MainWindowProjectTest : public QObject
{
    Q_OBJECT

    QString m_startDir;

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_startDir); }

    void startUpResetsTheProjectToTheConfiguredUniverses_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("universes");
        QTest::newRow("default") << QByteArray() << 4;
        QTest::newRow("from the options") << QByteArray("NbUniverses=7\n") << 7;
        QTest::newRow("one") << QByteArray("NbUniverses=1\n") << 1;
    }

    void startUpResetsTheProjectToTheConfiguredUniverses()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, universes);
        {
            CProjectWindowRig rig(ini);
            CProject& project = rig.Project();
            QCOMPARE(g_pProject, &project);
            QCOMPARE(project.UniverseCount(), universes);
            QCOMPARE(project.m_output.UniverseCount(), universes);
            QCOMPARE(project.m_dmxInput.UniverseCount(), universes);
            // A new project: its first page and general group, nothing plays.
            QCOMPARE(project.m_pages.size(), 1);
            QVERIFY(project.m_firstPage && project.m_generalGroup);
            QVERIFY(!project.m_playbackRunning);
            QVERIFY(!rig.Action("actionReleaseScenes")->isEnabled());
            QVERIFY(!rig.Action("actionReleaseLive")->isEnabled());
            // No sound played: no player made.
            QCOMPARE(rig.window->SceneSoundPlayer(), nullptr);
        }
        QCOMPARE(g_pProject, nullptr);
    }

    // The window makes its project before anything gives it universes, and
    // a window on another document never does.
    void aProjectWithoutUniversesClearsAndCloses()
    {
        CProject project;
        project.Clear();
        QCOMPARE(project.m_output.UniverseCount(), 0);
        QCOMPARE(project.m_pages.size(), 0);
    }

    // A fade-in of 1000 ms to 200 on a raw channel: r = min(1, (counter + 40)
    // / 1000) with the counter one tick behind, level = trunc(200 * r).
    void presetSwitchesAskTheWindowsProject()
    {
        CProjectWindowRig rig;
        CScene* scene = rig.AddRawScene(QStringLiteral("Edited"), 0, {{{0, 0, 10}}});
        QCOMPARE(PresetEditTarget(), int(PresetModeLive));
        rig.Project().m_editedScene = scene;
        QCOMPARE(PresetEditTarget(), 0);
        rig.Project().m_editedScene = nullptr;
    }

    void aPlayedSceneReachesTheOutputThroughTheTickStages()
    {
        CProjectWindowRig rig;
        CScene* scene = rig.AddRawScene(QStringLiteral("Wash"), 1000, {{{1, 10, 200}}, {{3, 511, 90}}});
        scene->m_fadeOut = 2000;
        QVERIFY(rig.Project().m_firstPage->PlayScene(scene));

        rig.Tick(1);
        QCOMPARE(rig.Out(1, 10), 8);   // r = 0.04
        QCOMPARE(rig.Out(3, 511), 3);  // 3.6
        rig.Tick(19);
        QCOMPARE(rig.Out(1, 10), 103); // r = 0.515
        QCOMPARE(rig.Out(3, 511), 46); // 46.35
        rig.Tick(20);
        QCOMPARE(rig.Out(1, 10), 200);
        QCOMPARE(rig.Out(3, 511), 90);
        QCOMPARE(rig.Out(1, 9), 0);
        QCOMPARE(rig.Out(1, 11), 0);
        QCOMPARE(rig.Out(0, 10), 0);

        // Released at once, its 2000 ms fade-out notwithstanding.
        rig.window->UpdateReleaseScenesAction(false);
        QAction* release = rig.Action("actionReleaseScenes");
        QVERIFY(release->isEnabled());
        release->trigger();
        QVERIFY(!release->isEnabled());
        rig.Tick(1);
        QCOMPARE(rig.Out(1, 10), 0);
        QCOMPARE(rig.Out(3, 511), 0);
        QVERIFY(!rig.Project().IsScenePlaying(scene));
    }

    // Output universes go out from the project's output buffer, input
    // universes land in its DMX input layer.
    void theInterfacePassUsesTheProjectBuffers()
    {
        CFakeTransport::SDevice reader = CIoRig::Device(QStringLiteral("B"), 2);
        reader.inputLevel = 40;
        CProjectWindowRig rig(QByteArray(), {CIoRig::Device(QStringLiteral("A"), 2), reader});
        SDmxInterface& device = *rig.window->DeviceManager().Interface(0);
        device.portA = {kPortOutput, 2};
        device.portB = {kPortOutput, 0};
        SDmxInterface& input = *rig.window->DeviceManager().Interface(1);
        input.portA = {kPortInput, 1};
        input.portB = {kPortInput, 9}; // past the project's four universes
        CScene* scene = rig.AddRawScene(QStringLiteral("Front"), 0, {{{2, 0, 255}}, {{2, 300, 17}}});
        QVERIFY(rig.Project().m_firstPage->PlayScene(scene));
        QVERIFY(rig.window->IsOutputOn());
        QCOMPARE(rig.window->OutputMode(), 0);

        rig.NextTick();
        QCOMPARE(rig.transport->writes.size(), 2);
        QByteArray expected(512, '\0');
        expected[0] = char(255);
        expected[300] = char(17);
        for (const CFakeTransport::SWrite& write : rig.transport->writes) {
            if (write.port == 0)
                QCOMPARE(write.levels, expected);
            else
                QCOMPARE(write.levels, QByteArray(512, '\0'));
        }
        // The document's own buffer, as the device manager read it.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(rig.Project().m_output[2]), 512), expected);

        const CDmxLayer& in = rig.Project().m_dmxInput;
        QCOMPARE(int(std::count(in[1], in[1] + 512, 40)), 512);
        for (int u : {0, 2, 3})
            QCOMPARE(int(std::count(in[u], in[u] + 512, 0)), 512);
    }

    // The interfaces' ports go into the project's records in the device
    // manager's order; records past the interfaces keep what they held.
    void deviceConfigGoesIntoTheProjectRecords()
    {
        CProjectWindowRig rig(QByteArray(), {CIoRig::Device(QStringLiteral("A"), 2, true)});
        SDmxInterface& device = *rig.window->DeviceManager().Interface(0);
        device.portA = {kPortInput, 3};
        device.portB = {kPortOutput, 1};
        device.secondary->universeA = 2;
        device.secondary->universeB = 0;
        CProject& project = rig.Project();
        for (int i = 0; i < 2; ++i) {
            auto* record = new CDmxConfigRecord;
            record->m_portADirection = kPortOutput;
            record->m_portAUniverse = 10 + i;
            record->m_portBUniverse = 20 + i;
            project.m_dmxConfig << record;
        }

        rig.window->StoreDeviceConfig();
        QCOMPARE(project.m_dmxConfig.size(), 2);
        const CDmxConfigRecord& first = *project.m_dmxConfig[0];
        QCOMPARE(QList<int>({first.m_portADirection, first.m_portBDirection, first.m_portAUniverse,
                             first.m_portBUniverse, first.m_secondaryPortAUniverse, first.m_secondaryPortBUniverse}),
                 QList<int>({kPortInput, kPortOutput, 3, 1, 2, 0}));
        const CDmxConfigRecord& second = *project.m_dmxConfig[1];
        QCOMPARE(QList<int>({second.m_portADirection, second.m_portBDirection, second.m_portAUniverse,
                             second.m_portBUniverse, second.m_secondaryPortAUniverse, second.m_secondaryPortBUniverse}),
                 QList<int>({kPortOutput, kPortOff, 11, 21, -1, -1}));
    }

    void fileNewResetsTheProjectAndKeepsItsUniverses()
    {
        CProjectWindowRig rig("NbUniverses=6\n");
        CProject& project = rig.Project();
        CScene* scene = rig.AddRawScene(QStringLiteral("Stage"), 0, {{{5, 7, 140}}});
        QVERIFY(project.m_firstPage->PlayScene(scene));
        rig.Tick(1);
        QCOMPARE(rig.Out(5, 7), 140);
        project.m_liveMask[5][8] = 1;
        project.m_live[5][8] = 60;
        project.m_loadedDmxMode = 1;

        rig.window->OnFileNew();
        QCOMPARE(g_pProject, &project);
        QCOMPARE(project.UniverseCount(), 6);
        QCOMPARE(project.m_pages.size(), 1);
        QVERIFY(project.m_firstPage->m_scenes.isEmpty());
        QVERIFY(!project.m_playbackRunning);
        QVERIFY(!project.HasLiveLevels());
        QCOMPARE(project.m_loadedDmxMode, 0);
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orvane - Untitled"));
        rig.Tick(1);
        QCOMPARE(rig.Out(5, 7), 0);
        QCOMPARE(rig.Out(5, 8), 0);
    }

    // Release live follows the live mask of the active universes only, and
    // clears only the slots that mask holds.
    void releaseLiveFollowsTheLiveMask()
    {
        CProjectWindowRig rig;
        CProject& project = rig.Project();
        QAction* release = rig.Action("actionReleaseLive");

        // Universe 2 has nothing patched: its mask does not count.
        project.m_liveMask[2][0] = 1;
        project.m_live[2][0] = 50;
        rig.window->RaiseLiveLevelsChanged();
        rig.NextTick();
        QVERIFY(!release->isEnabled());

        project.GetChannelFixture(0, 5);
        project.m_liveMask[0][5] = 1;
        project.m_live[0][5] = 99;
        project.m_live[0][6] = 77; // a level without its mask is not output
        rig.NextTick();
        QVERIFY(!release->isEnabled()); // nobody raised the flag
        QCOMPARE(rig.Out(0, 5), 99);
        QCOMPARE(rig.Out(0, 6), 0);
        rig.window->RaiseLiveLevelsChanged();
        rig.NextTick();
        QVERIFY(release->isEnabled());

        release->trigger();
        QVERIFY(!release->isEnabled());
        QCOMPARE(int(project.m_liveMask[0][5]), 0);
        QCOMPARE(int(project.m_live[0][5]), 0);
        QCOMPARE(int(project.m_live[0][6]), 77);
        QCOMPARE(int(project.m_liveMask[2][0]), 1);
        QCOMPARE(int(project.m_live[2][0]), 50);
        rig.NextTick();
        QCOMPARE(rig.Out(0, 5), 0);
    }

    // Each file command fails as its failure is defined, and the tick is
    // not left stopped. The save fails because the temporary file beside
    // the target would get a longer name than the file system takes.
    void fileCommandsFailCleanly()
    {
        CProjectWindowRig rig;
        CProject& project = rig.Project();
        const QString existing = rig.WriteFile(QString(250, QLatin1Char('o')) + QStringLiteral(".kv3"), "previous");

        rig.AddRawScene(QStringLiteral("Kept"), 0, {{{0, 1, 10}}});
        rig.window->SetModified(true);
        QString text;
        OnNextModal<QMessageBox>([&text](QMessageBox* box) {
            text = box->text();
            box->accept();
        });
        QVERIFY(!rig.window->SaveProject(existing));
        QVERIFY(text.contains(QString(250, QLatin1Char('o')) + QStringLiteral(".kv3")));
        QVERIFY(rig.window->IsModified());
        QVERIFY(!rig.window->IsBusy());
        QFile file(existing);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("previous"));

        // On a full disk even a show of a few hundred bytes fails and says why.
        const QString small = rig.WriteFile(QStringLiteral("small.kv3"), "previous");
        OnNextModal<QMessageBox>([&text](QMessageBox* box) {
            text = box->text();
            box->accept();
        });
        {
            CFileSizeLimit limit(16);
            QVERIFY(!rig.window->SaveProject(small));
        }
        QVERIFY(text.contains(QStringLiteral("small.kv3'.\n")) && rig.window->IsModified());
        QVERIFY2(text.contains(qt_error_string(EFBIG)), qPrintable(text));
        QCOMPARE(ReadBytes(small), QByteArray("previous"));

        // An import that fails leaves the open project as it was.
        QVERIFY(!rig.window->ImportProject(existing));
        QCOMPARE(project.m_firstPage->m_scenes.size(), 1);
        QVERIFY(!rig.window->IsBusy());

        // A file that cannot be read is told in a box, and the open show stays.
        const QString path = rig.window->ProjectPath();
        {
            CShownDialogs dialogs;
            QVERIFY(!rig.window->OpenProject(existing));
            QCOMPARE(dialogs.shown.size(), 1);
            QVERIFY2(dialogs.shown.first().contains(QString(250, QLatin1Char('o')) + QStringLiteral(".kv3")),
                     qPrintable(dialogs.shown.first()));
        }
        QCOMPARE(project.m_firstPage->m_scenes.size(), 1);
        QVERIFY(!rig.window->IsBusy());
        QVERIFY(rig.window->IsModified());
        QCOMPARE(rig.window->ProjectPath(), path);
    }

    // Older files open through the window, and File Import reaches the
    // document's import and the operator's choice in the import dialog.
    void olderFilesOpenAndImport()
    {
        CProjectWindowRig rig;
        CProject& project = rig.Project();
        const QByteArray xml("<ZKFile><ZKScenes>"
                             "<ZKScene ZKName=\"Old\"><ZKSteps><ZKStep><ZKStepFixts>"
                             "<ZKStepFixt ZKId=\"-1\" ZKUniverse=\"0\" ZKAddress=\"3\" ZKDmxBuffer=\"077\"/>"
                             "</ZKStepFixts></ZKStep></ZKSteps></ZKScene>"
                             "<ZKScene ZKName=\"Older\"/></ZKScenes></ZKFile>");
        QVERIFY(rig.window->OpenProject(rig.WriteFile(QStringLiteral("show.kv1"), xml.toHex())));
        QCOMPARE(project.m_firstPage->m_scenes.size(), 2);
        QCOMPARE(project.m_firstPage->m_scenes[0]->m_name, QStringLiteral("Old"));
        QVERIFY(!rig.window->IsModified());

        OnNextModal<CZikoraImportDlg>([](CZikoraImportDlg* dialog) {
            const QList<QCheckBox*> boxes = dialog->findChildren<QCheckBox*>();
            boxes.at(0)->setChecked(false); // "Old"
            dialog->accept();
        });
        QVERIFY(rig.window->ImportProject(rig.WriteFile(QStringLiteral("more.kv2"), qCompress(xml))));
        QVERIFY(rig.window->IsModified());
        QVERIFY(!rig.window->IsBusy());
        QCOMPARE(project.m_firstPage->m_scenes.size(), 3);
        QCOMPARE(project.m_firstPage->m_scenes[2]->m_name, QStringLiteral("Older"));
    }

    void sceneSoundsPlayAtTheProjectVolume()
    {
        CProjectWindowRig rig;
        CProject& project = rig.Project();
        const QString sound = rig.WriteFile(QStringLiteral("bell.wav"), QByteArray());
        CScene* scene = rig.AddRawScene(QStringLiteral("Bell"), 0, {{{0, 0, 1}}});
        scene->m_playSound = true;
        scene->m_sound = sound;

        // The volume set before any sound played is the one the first takes.
        rig.window->SetMusicPlayerMaker([](QObject* parent) { return new CFakeMusicPlayer(parent); });
        project.SetVolume(40);
        QCOMPARE(rig.window->SceneSoundPlayer(), nullptr);
        QVERIFY(project.m_firstPage->PlayScene(scene));
        auto* player = static_cast<CFakeMusicPlayer*>(rig.window->SceneSoundPlayer());
        QVERIFY(player);
        QCOMPARE(player->calls, QStringList({"stop", "file " + sound, "volume 40", "play"}));
        QCOMPARE(player->GetState(), CMusicPlayer::PlayingState);

        project.SetVolume(75);
        QCOMPARE(player->calls.last(), QStringLiteral("volume 75"));

        // File New stops the sound of the scene it deletes.
        rig.window->OnFileNew();
        QCOMPARE(player->GetState(), CMusicPlayer::StoppedState);
        QCOMPARE(project.m_soundScene, nullptr);
    }
};

ORVANE_TEST(MainWindowProjectTest)
#include "MainWindowProjectTest.moc"
