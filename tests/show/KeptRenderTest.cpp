#include "TestRegistry.h"

#include "PlaybackRig.h"

#include <QtTest>

namespace {

// A scene playing one step with two RGB fixtures, a second step and another
// scene to delete.
struct CTwoFixturesRig : CPlaybackRig
{
    CTwoFixturesRig()
    {
        CLibraryProfile* rgb = RgbProfile();
        first = Patch(rgb, 0, 0);
        second = Patch(rgb, 0, 3);
        scene = AddScene(QStringLiteral("Playing"));
        playing = AddStep(scene, 0, 100000, {{first, {10, 20, 30}}, {second, {40, 50, 60}}});
        AddStep(scene, 0, 1000, {{first, {1, 1, 1}}});
        other = AddScene(QStringLiteral("Other"));
        AddStep(other, 0, 1000, {{first, {2, 2, 2}}});
        scene->m_playMode = ReleaseNone;
        Page()->PlayScene(scene);
        Tick();
    }

    CPatchedFixture* first;
    CPatchedFixture* second;
    CScene* scene;
    CScene* other;
    CSceneStep* playing;
};

} // namespace

class KeptRenderTest : public QObject
{
    Q_OBJECT

private slots:
    // An entry taken out of the step playing leaves the output at the next
    // tick, whatever was deleted without a word before it.
    void aRemovedEntryLeavesTheOutput_data()
    {
        QTest::addColumn<int>("before");
        QTest::newRow("nothing deleted") << 0;
        QTest::newRow("a step deleted") << 1;
        QTest::newRow("a scene deleted") << 2;
    }
    void aRemovedEntryLeavesTheOutput()
    {
        QFETCH(int, before);
        CTwoFixturesRig rig;
        QCOMPARE(rig.Out(0, 4), 50);
        if (before == 1) {
            rig.scene->m_selection = {rig.scene->m_steps.last()};
            rig.scene->RemoveSelectedSteps(true);
        } else if (before == 2) {
            rig.Page()->DeleteScene(rig.other);
        }
        rig.Tick();
        QCOMPARE(rig.Out(0, 4), 50);
        delete rig.playing->m_entries.takeAt(1);
        rig.Tick();
        QCOMPARE(rig.Out(0, 1), 20);
        QCOMPARE(rig.Out(0, 4), 0);
    }
};

ORVANE_TEST(KeptRenderTest)
#include "KeptRenderTest.moc"
