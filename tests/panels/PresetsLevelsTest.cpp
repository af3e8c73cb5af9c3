#include "TestRegistry.h"

#include "Fetched.h"
#include "PanelsRig.h"
#include "show/EffectScene.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"

#include <QtTest>

namespace {

// A CMY profile with a white channel: cyan, magenta, yellow, white.
CLibraryProfile* CmyWhite(CPanelsRig& rig)
{
    CLibraryProfile* profile = rig.Profile();
    ProfileBuilder::AddColorSet(*profile, ChannelType::Cyan);
    ProfileBuilder::AddChannel(*profile, ChannelType::White);
    profile->UpdateRoles();
    return profile;
}

// Two fixtures of a four-beam profile: dimmers of beams 0 and 1, dimmers of
// beams 0-1 and 2-3 (multi-beam), a gobo: three controls, two merged.
QList<CPatchedFixture*> Dimmers(CPanelsRig& rig)
{
    CLibraryProfile* profile = rig.Profile(4);
    for (const QByteArray& beams : {ProfileBuilder::Beams({0}), ProfileBuilder::Beams({1}),
                                    ProfileBuilder::Beams({0, 1}), ProfileBuilder::Beams({2, 3})})
        CPanelsRig::Channel(profile, ChannelType::Dimmer, QStringLiteral("Full"), beams);
    CPanelsRig::Channel(profile, ChannelType::GoboWheel, QStringLiteral("Open"));
    profile->UpdateRoles();
    return {rig.Patch(profile, 0, 0), rig.Patch(profile, 0, 10)};
}

// A gobo control on one fixture, and how the edited scene is set up.
enum EditSetup { LiveMask, PlainScene, PlainSceneActive, EffectEditingMask, EffectSceneStatic };

QList<int> Modes(const CPresetsWnd& wnd)
{
    QList<int> modes;
    for (const CChannelPresetCtrl* control : wnd.ChannelControls())
        modes << control->ModeSwitch()->State();
    return modes;
}

} // namespace

class PresetsLevelsTest : public QObject
{
    Q_OBJECT

private slots:
    void cmyColourShowsAsRgb()
    {
        CPanelsRig rig;
        rig.Select({rig.Patch(CmyWhite(rig), 0, 0)});
        for (int slot : {0, 1, 2, 3})
            rig.Live(slot, slot == 0 ? 255 : 0);
        rig.wnd.RefreshControls();
        QCOMPARE(rig.Color()->color, (QList<int>{0, 255, 255, 0}));
    }

    void levelsOutsideTheLiveMaskReadAsZero_data()
    {
        QTest::addColumn<bool>("masked");
        QTest::addColumn<int>("red");
        QTest::newRow("live slot") << true << 90;
        QTest::newRow("outside the mask") << false << 0;
    }
    void levelsOutsideTheLiveMaskReadAsZero()
    {
        CPanelsRig rig;
        rig.Select({rig.Patch(rig.RgbProfile(), 0, 0)});
        rig.project.m_output[0][0] = 90;
        rig.project.m_liveMask[0][0] = FETCHED(bool, masked);
        rig.wnd.RefreshControls();
        QTEST(rig.Color()->color.at(0), "red");
    }

    void setColorChannelsInvertsCmyButNotWhite()
    {
        CPanelsRig rig;
        CPatchedFixture* cmy = rig.Patch(CmyWhite(rig), 0, 0);
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 10);
        SelectAll(rig.project, {cmy, rgb});
        for (int component = 0; component < 4; ++component)
            rig.project.SetColorChannels(component, 200, false);
        const quint8* live = rig.project.m_live[0];
        QCOMPARE(QList<int>({live[0], live[1], live[2], live[3], live[10], live[11], live[12]}),
                 QList<int>({55, 55, 55, 200, 200, 200, 200}));
    }

    // Mode switches of the channel controls over two selected fixtures:
    // the per-beam dimmers, the multi-beam dimmer, the gobo.
    void modeSwitches_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("modes");
        QTest::newRow("live on one fixture only: 0/1") << "live" << QList<int>{2, 1, 2};
        QTest::newRow("dimmers marked: the multi-beam one is not") << "dimmers" << QList<int>{4, 1, 1};
        QTest::newRow("Fx survives a refresh") << "dimmers live" << QList<int>{4, 1, 2};
        QTest::newRow("type mark, then forced off") << "type reset" << QList<int>{1, 1, 1};
        QTest::newRow("type mark") << "type" << QList<int>{1, 1, 4};
    }
    void modeSwitches()
    {
        QFETCH(QString, steps);
        QFETCH(QList<int>, modes);
        CPanelsRig rig;
        rig.Select(Dimmers(rig));
        QCOMPARE(rig.wnd.ChannelControls().size(), 3);
        QVERIFY(rig.Ctrl(0)->IsMerged() && rig.Ctrl(1)->IsMerged());
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("live")) {
                for (int slot : {0, 1, 4})
                    rig.Live(slot, 12);
                rig.wnd.RefreshMasterControls();
            } else if (step == QLatin1String("dimmers")) {
                rig.wnd.MarkDimmersFx();
            } else if (step == QLatin1String("type")) {
                rig.wnd.MarkChannelTypeFx(ChannelType::GoboWheel);
            } else {
                rig.wnd.ResetModes();
            }
        }
        QCOMPARE(Modes(rig.wnd), modes);
    }

    void modeFollowsTheEditTarget_data()
    {
        QTest::addColumn<int>("setup");
        QTest::addColumn<int>("mode");
        QTest::newRow("live layer") << int(LiveMask) << int(PresetModeLive);
        QTest::newRow("plain scene without the channel") << int(PlainScene) << int(PresetModeOff);
        QTest::newRow("plain scene with the channel") << int(PlainSceneActive) << int(PresetModeOn);
        QTest::newRow("effect editing: edit mask") << int(EffectEditingMask) << int(PresetModeOn);
        QTest::newRow("effect scene: static level") << int(EffectSceneStatic) << int(PresetModeOn);
    }
    void modeFollowsTheEditTarget()
    {
        QFETCH(int, setup);
        QFETCH(int, mode);
        CPanelsRig rig;
        CLibraryProfile* profile = rig.Profile();
        CPanelsRig::Channel(profile, ChannelType::GoboWheel, QStringLiteral("Open"));
        profile->UpdateRoles();
        rig.Select({rig.Patch(profile, 1, 7)});
        CProject& project = rig.project;
        CScene* scene = rig.AddScene(QStringLiteral("Edited"));
        CEffectScene effectScene(QStringLiteral("Effect"), project.UniverseCount());
        switch (setup) {
        case LiveMask:
            project.m_liveMask[1][7] = 1;
            break;
        case PlainSceneActive:
            scene->ActiveMask(1)->Set(7);
            Q_FALLTHROUGH();
        case PlainScene:
            project.m_editedScene = scene;
            break;
        case EffectEditingMask:
            project.m_editedScene = scene;
            project.m_effectEditing = true;
            project.m_editMask[1][7] = 1;
            break;
        default:
            effectScene.SetStaticLevel(profile, 0, 9);
            project.m_editedScene = &effectScene;
        }
        rig.wnd.RefreshMasterControls();
        QCOMPARE(rig.Ctrl(0)->ModeSwitch()->State(), mode);
        project.m_editedScene = nullptr;
    }

    void mergedControlReadsEachProfileOnItsOwnTerms()
    {
        CPanelsRig rig;
        CLibraryProfile* a = rig.Profile();
        CProfileChannelDef* wheelA = CPanelsRig::Channel(a, ChannelType::ColorWheel);
        CPanelsRig::Preset(wheelA, QStringLiteral("Red"), 10, 20);
        CPanelsRig::Preset(wheelA, QStringLiteral("Blue"), 30, 40);
        a->UpdateRoles();
        CLibraryProfile* b = rig.Profile();
        CPanelsRig::Channel(b, ChannelType::Dimmer, QStringLiteral("Full"));
        CProfileChannelDef* wheelB = CPanelsRig::Channel(b, ChannelType::ColorWheel);
        CPanelsRig::Preset(wheelB, QStringLiteral("Blue"), 60, 50); // stored the wrong way round
        CPanelsRig::Preset(wheelB, QStringLiteral("Red"), 100, 110);
        b->UpdateRoles();
        CPatchedFixture* onB = rig.Patch(b, 0, 0);
        rig.Select({onB, rig.Patch(a, 0, 10)});
        CChannelPresetCtrl* wheel = rig.Ctrl(0);
        QCOMPARE(wheel->Channel()->m_type, int(ChannelType::ColorWheel));
        QCOMPARE(wheel->Presets().size(), 2);
        // The first selected fixture is of profile B: its wheel is channel 1.
        rig.Live(1, 55);
        rig.Live(0, 35); // B's dimmer, where A keeps its wheel
        rig.wnd.RefreshControls();
        QCOMPARE(wheel->Presets().value(wheel->CurrentPreset())->m_name, QStringLiteral("Blue"));
        QCOMPARE(wheel->LevelFader()->m_value, 50);
        // The preset the level lies in, not the first of its kind.
        rig.Live(1, 108);
        rig.wnd.RefreshControls();
        QCOMPARE(wheel->Presets().value(wheel->CurrentPreset())->m_name, QStringLiteral("Red"));
        QCOMPARE(wheel->LevelFader()->m_value, 80);
    }

    void fixedControlsFollowMarksAndResets()
    {
        CPanelsRig rig;
        rig.Select({rig.Patch(CmyWhite(rig), 0, 0), rig.Patch(rig.MovingHeadProfile(), 0, 10)});
        QVERIFY(!rig.Color()); // the moving head has no colour
        rig.Select({rig.Patch(CmyWhite(rig), 0, 20)});
        rig.wnd.MarkColorFx();
        rig.Live(20, 9);
        rig.wnd.RefreshMasterControls();
        QCOMPARE(rig.Color()->modes, (QList<int>{4, 4, 4, 4}));
        rig.wnd.MarkChannelTypeFx(ChannelType::Cyan);
        QCOMPARE(rig.Color()->marked, QList<int>{ChannelType::Cyan});
        rig.wnd.ResetModes();
        rig.wnd.RefreshMasterControls();
        QCOMPARE(rig.Color()->modes, (QList<int>{3, 1, 1, 1}));
    }

    void panTiltIsForwardedAndShown()
    {
        CPanelsRig rig;
        rig.Select({rig.Patch(rig.MovingHeadProfile(), 0, 0)}); // pan 1/2, tilt 3/4
        auto* panTilt = static_cast<CFakePanTiltCtrl*>(rig.wnd.PanTiltControl(false));
        QVERIFY(panTilt && !rig.wnd.PanTiltControl(true));
        const quint8* live = rig.project.m_live[0];
        emit panTilt->posChanged(10, 20, 1, 2, 0, 0);
        QCOMPARE(QList<int>({live[1], live[2], live[3], live[4]}), QList<int>({10, 1, 20, 2}));
        emit panTilt->modeChanged(0, false);
        QCOMPARE(QList<int>({rig.project.m_liveMask[0][1], rig.project.m_liveMask[0][2]}), QList<int>({0, 0}));
        panTilt->position = {30, 40, 5, 6};
        emit panTilt->modeChanged(0, true);
        QCOMPARE(QList<int>({live[1], live[2], live[3]}), QList<int>({30, 5, 20}));
        rig.project.RefreshOutput();
        rig.wnd.RefreshControls();
        QCOMPARE(panTilt->position, (QList<int>{30, 20, 5, 2}));
    }

    void colourSwitchWritesTheComponent()
    {
        CPanelsRig rig;
        rig.Select({rig.Patch(CmyWhite(rig), 0, 0)});
        rig.Color()->color = {10, 20, 30, 40};
        emit rig.Color()->modeChanged(1, true);
        emit rig.Color()->modeChanged(3, true);
        QCOMPARE(QList<int>({rig.project.m_live[0][1], rig.project.m_live[0][3]}), QList<int>({235, 40}));
        emit rig.Color()->modeChanged(-1, false);
        QCOMPARE(int(rig.project.m_liveMask[0][1]), 0);
    }
};

ORVANE_TEST(PresetsLevelsTest)
#include "PresetsLevelsTest.moc"
