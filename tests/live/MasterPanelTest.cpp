#include "TestRegistry.h"

#include "LiveRig.h"
#include "live/CommandsWnd.h"
#include "live/NextStep.h"
#include "widgets/ColorPicker.h"
#include "widgets/REDOvoroz.h"
#include "widgets/SliderCtrl.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

// The master panel drives the project's masters, and "next" walks the
// playing scenes through their steps.
class MasterPanelTest : public QObject
{
    Q_OBJECT

    // Three steps of one second's wait, red 100, 50 and 0.
    static CScene* Chase(CLiveRig& rig, int fade = 0)
    {
        auto* scene = new CScene(QStringLiteral("Chase"), rig.project.UniverseCount());
        rig.Page()->m_scenes << scene;
        for (int red : {100, 50, 0})
            rig.AddStepTo(scene, fade, 1000, red);
        return scene;
    }

private slots:
    void controlsReachTheProject()
    {
        CLiveRig rig;
        CScene* scene = rig.Scene(QStringLiteral("Lit"));
        rig.Page()->PlayScene(scene);
        CCommandsWnd panel(rig.project);
        panel.show();

        QTest::mouseClick(panel.BlackOutButton(), Qt::LeftButton);
        QTest::mouseClick(panel.BeamOnButton(), Qt::LeftButton);
        // Exclusive inside the scene only: the blackout master stays on.
        QVERIFY(rig.project.m_blackOut && rig.project.m_beamOn);
        QVERIFY(scene->m_beamOn && !scene->m_blackout);
        QTest::mouseClick(panel.PauseButton(), Qt::LeftButton);
        QVERIFY(rig.project.m_pause && scene->m_paused);

        panel.DimmerFader()->Slider()->setValue(80);
        panel.SpeedFader()->SpinBox()->setValue(150); // the fader ends at 100
        QCOMPARE(rig.project.m_masterDimmer, 80);
        QCOMPARE(scene->Dimmer(), 80);
        QCOMPARE(rig.project.m_masterSpeed, 100);

        // A colour or a white level switches the override on, and the box shows it.
        panel.ColorPicker()->Slider(1)->setValue(0);
        QVERIFY(rig.project.m_colorOverride && panel.ColorOverrideBox()->isChecked());
        QCOMPARE(QColor(scene->m_red, scene->m_green, scene->m_blue), QColor(255, 0, 255));
        QTest::mouseClick(panel.ColorOverrideBox(), Qt::LeftButton);
        QVERIFY(!rig.project.m_colorOverride && !scene->m_liveColor);
        panel.WhiteFader()->SpinBox()->setValue(200);
        QCOMPARE(int(scene->m_white), 200);
        QVERIFY(scene->m_liveColor && panel.ColorOverrideBox()->isChecked());
    }

    void refreshShowsWithoutSetting()
    {
        CLiveRig rig;
        CScene* scene = rig.Scene(QStringLiteral("Lit"));
        CCommandsWnd panel(rig.project);
        rig.Page()->PlayScene(scene);

        // Changed behind the panel's back (a trigger, a loaded project):
        // showing them must not copy them into the playing scene.
        rig.project.m_masterDimmer = 30;
        rig.project.m_blackOut = true;
        rig.project.m_red = 10;
        rig.project.m_green = 20;
        rig.project.m_blue = 30;
        panel.Refresh();
        QCOMPARE(panel.DimmerFader()->Value(), 30);
        QVERIFY(panel.BlackOutButton()->isChecked());
        QCOMPARE(panel.ColorPicker()->Color(), QColor(10, 20, 30));
        QCOMPARE(scene->Dimmer(), 50);
        QVERIFY(!scene->m_blackout && !scene->m_liveColor && !rig.project.m_colorOverride);
    }

    void nextButtonMovesPlayingScenes()
    {
        CLiveRig rig;
        CScene* chase = Chase(rig);
        CScene* idle = Chase(rig);
        rig.Page()->PlayScene(chase);
        rig.Tick();
        CCommandsWnd panel(rig.project);
        panel.show();

        QTest::mouseClick(panel.NextButton(), Qt::LeftButton);
        rig.Tick();
        QCOMPARE(chase->CurrentStepIndex(), 1);
        QCOMPARE(rig.Out(0, 0), 50);
        QVERIFY(!rig.Page()->IsPlaying(idle));
        // The step then runs its whole wait from the press: it holds for 40
        // ticks of 25 ms and is left on the 41st, as a step reached by
        // itself would be.
        rig.Tick(39);
        QCOMPARE(chase->CurrentStepIndex(), 1);
        rig.Tick();
        QCOMPARE(chase->CurrentStepIndex(), 2);
    }

    void nextFadesFromTheStage()
    {
        CLiveRig rig;
        CScene* chase = Chase(rig, 1000);
        rig.Page()->PlayScene(chase);
        rig.Tick(30); // a run starts on its first step fully reached: red 100
        QCOMPARE(rig.Out(0, 0), 100);

        QVERIFY(MoveSceneToNextStep(rig.project, *rig.Page(), *chase));
        rig.Tick(20); // half of the 1000 ms fade from 100 towards 50
        QVERIFY(qAbs(rig.Out(0, 0) - 75) <= 2);
        rig.Tick(20);
        QCOMPARE(rig.Out(0, 0), 50);
    }

    void nextPastTheLastStep()
    {
        // Paused, next walks the steps by hand; past the last an endless
        // scene starts again, a counted one ends.
        CLiveRig rig;
        CScene* endless = Chase(rig);
        rig.Page()->PlayScene(endless);
        rig.project.SetPause(true);
        rig.Tick(100);
        QCOMPARE(endless->CurrentStepIndex(), 0);
        QCOMPARE(MovePlayingScenesToNextStep(rig.project), 1);
        rig.Tick(100);
        QCOMPARE(rig.Out(0, 0), 50);
        MovePlayingScenesToNextStep(rig.project);
        MovePlayingScenesToNextStep(rig.project);
        rig.Tick();
        QCOMPARE(endless->CurrentStepIndex(), 0);
        QCOMPARE(rig.Out(0, 0), 100);

        CScene* counted = Chase(rig);
        counted->m_loopCount = 1;
        rig.Page()->PlayScene(counted);
        for (int i = 0; i < 2; ++i)
            MoveSceneToNextStep(rig.project, *rig.Page(), *counted);
        QVERIFY(!rig.Page()->IsPending(counted));
        MoveSceneToNextStep(rig.project, *rig.Page(), *counted);
        QVERIFY(rig.Page()->IsPending(counted));
    }

    void nextLeavesWhatItMustNotMove()
    {
        CLiveRig rig;
        CScene* released = Chase(rig);
        released->m_fadeOut = 2000;
        CScene* idle = Chase(rig);
        rig.Page()->PlayScene(released);
        rig.Tick();
        rig.Page()->StopScene(released, false, false, false, true);

        QCOMPARE(MovePlayingScenesToNextStep(rig.project), 0);
        QCOMPARE(released->CurrentStepIndex(), 0);
        QVERIFY(!MoveSceneToNextStep(rig.project, *rig.Page(), *idle));
        // A scene of another page is not this page's to move.
        rig.Page()->PlayScene(idle);
        QVERIFY(!MoveSceneToNextStep(rig.project, *rig.secondPage, *idle));
    }
};

ORVANE_TEST(MasterPanelTest)
#include "MasterPanelTest.moc"
