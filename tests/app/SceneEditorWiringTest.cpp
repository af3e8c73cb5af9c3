#include "TestRegistry.h"

#include "ModalAnswer.h"
#include "RawChannelScene.h"
#include "RecordingHost.h"
#include "SelectedFixture.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "app/DmxRecorder.h"
#include "app/Orvane.h"
#include "editors/EditSceneWnd.h"
#include "live/DmxChannelsWnd.h"
#include "live/PagesWnd.h"
#include "panels/PresetsWnd.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"

#include <QAction>
#include <QInputDialog>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// The scene and masks editors inside the main window, and the recorder the
// master tick runs for the recording dialog.

namespace {

struct CEditorWindowRig
{
    QTemporaryDir dir;
    std::unique_ptr<Orvane> window;

    CEditorWindowRig()
    {
        COrvaneSetup setup;
        setup.programDir = dir.path();
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        setup.loadErrorWaitMs = 0;
        window = std::make_unique<Orvane>(std::move(setup));
    }
    CProject& Project() { return window->Project(); }
};

// Plays the input: "<samples>x<level>" holds slot 0 at the level for that
// many sample intervals, "<n>xstep" changes it at every sample.
struct CRecorderRun
{
    CRecordingHost host;
    CProject project;
    CDmxRecorder recorder;
    int ticks = 0;

    explicit CRecorderRun(const CRecordConfig& config)
    {
        project.NewProject(2);
        project.m_recordScene = new CScene(QStringLiteral("DMX Record"), 2);
        recorder.Start(project, config, {1, 7});
    }
    // False once the recorder asks to stop.
    bool Play(const QString& input, int sampleMs)
    {
        for (const QString& part : input.split(' ', Qt::SkipEmptyParts)) {
            const QStringList f = part.split('x');
            for (int s = 0; s < f[0].toInt(); ++s) {
                project.m_dmxInput[1][0] = quint8(f[1] == "step" ? s % 200 + 1 : f[1].toInt());
                for (int t = 0; t < sampleMs / 25; ++t, ++ticks) {
                    if (!recorder.Tick(project, 25))
                        return false;
                }
            }
        }
        return true;
    }
    QString Steps() const
    {
        QStringList steps;
        for (const CSceneStep* step : project.m_recordScene->m_steps)
            steps << QStringLiteral("%1/%2").arg(step->m_fade).arg(step->m_wait);
        return steps.join(' ');
    }
};

} // namespace

class SceneEditorWiringTest : public QObject
{
    Q_OBJECT

private slots:
    void recorder_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("hold, constant input") << "100|0|0|0|0|0|0" << "10x9" << "0/1000" << false;
        QTest::newRow("fade, one change") << "100|1|0|0|0|0|0" << "3x9 2x4" << "100/200 100/100" << false;
        QTest::newRow("auto-start waits") << "100|0|1|0|0|0|0" << "4x0 2x5" << "0/200" << false;
        QTest::newRow("length limit") << "100|0|0|1|1|0|0" << "30x3" << "0/1000" << true;
    }
    void recorder()
    {
        QFETCH(QString, config);
        QFETCH(QString, input);
        QFETCH(QString, steps);
        QFETCH(bool, stopped);
        const QStringList f = config.split('|');
        const CRecordConfig settings{f[0].toInt(), f[1] == "1", f[2] == "1", f[3] == "1", f[4].toInt(),
                                     f[5] == "1", f[6].toInt()};
        CRecorderRun run(settings);
        QCOMPARE(!run.Play(input, settings.sampleMs), stopped);
        QCOMPARE(run.Steps(), steps);
        // A recorded step holds the levels the input had.
        QCOMPARE(int(run.project.m_recordScene->m_steps.last()->FindEntry(run.project.RawChannelAt(1, 0))->Level(0)),
                 int(run.project.m_dmxInput[1][0]));
    }

    void recorderStopsAtTheStepLimit()
    {
        CRecorderRun run(CRecordConfig{40, true, false, false, 60, true, 100});
        QVERIFY(!run.Play(QStringLiteral("200xstep"), 40));
        QCOMPARE(run.project.m_recordScene->m_steps.size(), 100);
        QCOMPARE(run.ticks, 100 * 40 / 25 - 1);
    }

    void masksCommandOpensTheEditor()
    {
        CEditorWindowRig rig;
        rig.Project().m_masks << CMask{QStringLiteral("One"), {}} << CMask{QStringLiteral("Two"), {}};
        rig.Project().GetChannelFixture(0, 4); // the universe in use
        rig.Project().m_live[0][4] = 99;
        rig.Project().m_liveMask[0][4] = 1;
        rig.window->findChild<QAction*>(QStringLiteral("actionMasks"))->trigger();
        QCOMPARE(rig.window->LivePagesMode(), int(CPagesWnd::MasksMode));
        QString proposed;
        OnNextModal<QInputDialog>([&](QInputDialog* box) {
            proposed = box->textValue();
            box->accept();
        });
        rig.window->AddMask();
        QCOMPARE(proposed, QStringLiteral("Mask 3"));
        QCOMPARE(rig.Project().m_masks.size(), 3);
        QCOMPARE(rig.Project().m_masks.last().m_name, QStringLiteral("Mask 3"));
        QCOMPARE(rig.Project().m_masks.last().m_levels.size(), 1);
        QCOMPARE(int(rig.Project().m_masks.last().m_levels[0].m_level), 99);
    }

    void presetsColourReachesTheUndoHistory()
    {
        CEditorWindowRig rig;
        CProject& project = rig.Project();
        auto* profile = new CLibraryProfile;
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        PatchSelected(project, profile);
        CScene* scene = AddRawChannelScene(project, QStringLiteral("S"), {{0, 100, 10}});
        QVERIFY(rig.window->LivePages()->EditScene(project.m_firstPage, scene));
        auto* editor = dynamic_cast<CEditSceneWnd*>(rig.window->LivePages()->ShownEditor());
        QVERIFY(editor);
        QCOMPARE(project.m_editedScene, scene);
        project.SetSelectionColor(255, 0, 0, 0, false);
        QCOMPARE(editor->UndoTable()->rowCount(), 2);
        QCOMPARE(editor->UndoTable()->item(1, 0)->text(), QStringLiteral("Color"));
        // Playing, the level panels rest; the edit ends with them back.
        editor->Play();
        QVERIFY(!rig.window->PresetsPanel()->isEnabled() && !rig.window->ChannelFaders()->isEnabled());
        editor->OnOk();
        QVERIFY(rig.window->PresetsPanel()->isEnabled() && rig.window->ChannelFaders()->isEnabled());
        QVERIFY(project.m_firstPage->IsPlaying(scene));
        QVERIFY(!project.m_editedScene);
    }
};

ORVANE_TEST(SceneEditorWiringTest)
#include "SceneEditorWiringTest.moc"
