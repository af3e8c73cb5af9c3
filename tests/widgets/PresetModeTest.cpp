#include "TestRegistry.h"

#include "RawChannelScene.h"
#include "WidgetTestUtil.h"

#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"
#include "widgets/PresetModeCtrl.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

int g_target = PresetModeLive;
int AnswerTarget()
{
    return g_target;
}

CProject* g_project = nullptr;
int ProjectTarget()
{
    return g_project->EditTarget();
}

int StateAfterClick(int from, Qt::MouseButton button = Qt::LeftButton)
{
    CPresetModeCtrl mode;
    mode.SetState(from);
    QTest::mouseClick(&mode, button);
    return mode.State();
}

} // namespace

class PresetModeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        WidgetTest::LoadCaptions();
        SetPresetEditTargetSource(&AnswerTarget);
    }
    void cleanupTestCase() { SetPresetEditTargetSource(nullptr); }

    void nextState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("right");
        QTest::addColumn<int>("next");
        // The project answers 0, 1 or 3; anything else changes nothing.
        QTest::newRow("off, target 2") << 1 << 2 << false << 1;
        QTest::newRow("on, target 4") << 0 << 4 << false << 0;
        QTest::newRow("state 9") << 9 << 0 << false << 9;
        QTest::newRow("state -1") << -1 << 3 << true << -1;
    }

    void nextState()
    {
        QFETCH(int, state);
        QFETCH(int, target);
        QFETCH(bool, right);
        QFETCH(int, next);
        QCOMPARE(NextPresetMode(state, target, right), next);
    }

    void pressesFollowTheEditTarget()
    {
        struct Case {
            int target;
            int from;
            Qt::MouseButton button;
            int to;
        };
        const Case cases[] = {
            {0, 0, Qt::LeftButton, 1},  {0, 1, Qt::LeftButton, 0},  {0, 2, Qt::LeftButton, 0},
            {0, 2, Qt::RightButton, 1}, {0, 3, Qt::LeftButton, 1},  {0, 4, Qt::LeftButton, 4},
            {1, 0, Qt::LeftButton, 1},  {1, 1, Qt::LeftButton, 1},  {1, 2, Qt::LeftButton, 1},
            {1, 3, Qt::LeftButton, 1},  {1, 4, Qt::RightButton, 4}, {3, 0, Qt::LeftButton, 1},
            {3, 1, Qt::LeftButton, 3},  {3, 1, Qt::RightButton, 3}, {3, 2, Qt::LeftButton, 3},
            {3, 2, Qt::RightButton, 1}, {3, 3, Qt::LeftButton, 1},  {3, 4, Qt::LeftButton, 4},
        };
        for (const Case& c : cases) {
            g_target = c.target;
            CPresetModeCtrl mode;
            mode.SetState(c.from);
            QSignalSpy spy(&mode, &CPresetModeCtrl::modeChanged);
            QTest::mouseClick(&mode, c.button);
            const QByteArray what = QStringLiteral("target %1 from %2").arg(c.target).arg(c.from).toLatin1();
            QVERIFY2(mode.State() == c.to, what.constData());
            if (c.to == c.from) {
                QVERIFY2(spy.isEmpty(), what.constData());
            } else {
                QVERIFY2(spy.count() == 1, what.constData());
                QVERIFY2(spy.at(0).at(0).toBool() == (c.to == 0 || c.to == 3), what.constData());
            }
        }
    }

    void settingTheStateFromCodeIsSilent()
    {
        CPresetModeCtrl mode;
        QSignalSpy spy(&mode, &CPresetModeCtrl::modeChanged);
        for (int state : {0, 2, 3, 4, 1})
            mode.SetState(state);
        QCOMPARE(mode.State(), 1);
        mode.SetState(5);
        mode.SetState(-1);
        QCOMPARE(mode.State(), 1);
        QVERIFY(spy.isEmpty());
        for (int state = 0; state <= 4; ++state) {
            mode.SetState(state);
            mode.repaint();
        }
    }

    // The switch asks a real show: nothing edited sends changes live, an
    // edited scene that does not play takes them, one playing here mixes.
    void aRealProjectDecidesWhereChangesGo()
    {
        CProject project;
        project.NewProject(1);
        CScene* scene = AddRawChannelScene(project, QStringLiteral("Edited"), {{0, 0, 200}});
        g_project = &project;
        SetPresetEditTargetSource(&ProjectTarget);

        QCOMPARE(project.EditTarget(), 3);
        QCOMPARE(StateAfterClick(PresetModeOff), int(PresetModeLive));
        QCOMPARE(StateAfterClick(PresetModeOn), int(PresetModeOff));

        project.m_editedScene = scene;
        QCOMPARE(project.EditTarget(), 0);
        QCOMPARE(StateAfterClick(PresetModeOff), int(PresetModeOn));
        QCOMPARE(StateAfterClick(PresetModeLive), int(PresetModeOff));
        QCOMPARE(StateAfterClick(PresetModeMixed, Qt::RightButton), int(PresetModeOff));

        QVERIFY(project.m_firstPage->PlayScene(scene));
        QCOMPARE(project.EditTarget(), 1);
        QCOMPARE(StateAfterClick(PresetModeOn), int(PresetModeOff));
        QCOMPARE(StateAfterClick(PresetModeLive), int(PresetModeOff));
        QCOMPARE(StateAfterClick(PresetModeFx), int(PresetModeFx));

        project.m_editedScene = nullptr;
        SetPresetEditTargetSource(&AnswerTarget);
        g_project = nullptr;
    }

    void withoutAProjectChangesGoLive()
    {
        SetPresetEditTargetSource(nullptr);
        QCOMPARE(PresetEditTarget(), int(PresetModeLive));
        CPresetModeCtrl mode;
        QTest::mouseClick(&mode, Qt::LeftButton);
        QCOMPARE(mode.State(), int(PresetModeLive));
        SetPresetEditTargetSource(&AnswerTarget);
    }
};

ORVANE_TEST(PresetModeTest)
#include "PresetModeTest.moc"
