#include "TestRegistry.h"

#include "PanelsRig.h"
#include "panels/ChannelPresetList.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// One fixture at address 0 with one channel of four presets: 0-9, 10-20
// (default 15), 21-40 and 60-41 (stored the wrong way round).
struct CSingleRig : CPanelsRig
{
    CSingleRig()
    {
        CLibraryProfile* profile = Profile();
        CProfileChannelDef* gobo = Channel(profile, ChannelType::GoboWheel);
        Preset(gobo, QStringLiteral("Open"), 0, 9, 5);
        Preset(gobo, QStringLiteral("Star"), 10, 20, 15);
        Preset(gobo, QStringLiteral("Dots"), 21, 40);
        Preset(gobo, QStringLiteral("Ring"), 60, 41, 50);
        profile->UpdateRoles();
        Select({Patch(profile, 0, 0)});
        control = Ctrl(0);
    }
    void Click(int item, Qt::MouseButton button)
    {
        CChannelPresetList* list = control->PresetList();
        QTest::mouseClick(list, button, Qt::NoModifier, list->ItemRect(item).center());
    }
    int Level() const { return project.m_live[0][0]; }
    CChannelPresetCtrl* control;
};

} // namespace

class ChannelPresetCtrlTest : public QObject
{
    Q_OBJECT

private slots:
    // Clicks as "L1" (left on item 1) or "R1", and the live level after each.
    void clicksWritePresetLevels_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QList<int>>("levels");
        QTest::newRow("right: DMX default") << QStringList{"R1"} << QList<int>{15};
        QTest::newRow("left: remembered, first the default") << QStringList{"L1", "L0"} << QList<int>{15, 5};
        QTest::newRow("again on the selected: 0") << QStringList{"R1", "L1"} << QList<int>{15, 0};
        QTest::newRow("swapped range") << QStringList{"R3"} << QList<int>{50};
    }
    void clicksWritePresetLevels()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QList<int>, levels);
        CSingleRig rig;
        QSignalSpy written(rig.control->LevelFader(), &CProSlider::sliderMoved);
        QList<int> seen;
        for (const QString& click : clicks) {
            rig.Click(click.mid(1).toInt(), click[0] == QLatin1Char('R') ? Qt::RightButton : Qt::LeftButton);
            seen << rig.Level();
        }
        QCOMPARE(seen, levels);
        QCOMPARE(written.count(), clicks.size());
        QCOMPARE(rig.control->ModeSwitch()->State(), int(PresetModeLive));
    }

    void faderLevelIsRememberedPerPreset()
    {
        CSingleRig rig;
        rig.Click(1, Qt::LeftButton);
        CProSlider* fader = rig.control->LevelFader();
        QCOMPARE(QList<int>({fader->m_min, fader->m_max}), QList<int>({10, 20}));
        emit fader->sliderMoved(18);
        rig.Click(2, Qt::LeftButton);
        rig.Click(1, Qt::LeftButton);
        QCOMPARE(rig.Level(), 18);
    }

    void mergedPercentScalesIntoThePreset()
    {
        CPanelsRig rig;
        CLibraryProfile* profile = rig.Profile(2);
        for (int beam = 0; beam < 2; ++beam)
            CPanelsRig::Channel(profile, ChannelType::Iris, QStringLiteral("Narrow"), ProfileBuilder::Beams({beam}));
        profile->UpdateRoles();
        rig.Select({rig.Patch(profile, 0, 0)});
        CChannelPresetCtrl* control = rig.Ctrl(0);
        QVERIFY(control->IsMerged());
        QTest::mouseClick(control->PresetList(), Qt::LeftButton, Qt::NoModifier,
                          control->PresetList()->ItemRect(0).center());
        control->LevelFader()->m_value = 100;
        emit control->LevelFader()->sliderMoved(100);
        QCOMPARE(QList<int>({rig.project.m_live[0][0], rig.project.m_live[0][1]}), QList<int>({20, 20}));
        emit control->ModeSwitch()->modeChanged(false);
        QCOMPARE(int(rig.project.m_liveMask[0][0]), 0);
        control->ModeSwitch()->SetState(PresetModeLive);
        emit control->ModeSwitch()->modeChanged(true);
        // The preset comes back at the level last used with it.
        QTest::mouseClick(control->PresetList(), Qt::LeftButton, Qt::NoModifier,
                          control->PresetList()->ItemRect(0).center());
        QCOMPARE(control->LevelFader()->m_value, 100);
        QCOMPARE(QList<int>({rig.project.m_live[0][0], rig.project.m_live[0][1]}), QList<int>({20, 20}));
    }

    // Two beams' iris channels sharing one preset, the fader moved to 50 %.
    void mergedHalfFader_data()
    {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("level");
        QTest::newRow("whole range: 50 x 255 / 100") << 0 << 255 << 127;
        QTest::newRow("10-20: 10 + 127 x 10 / 255") << 10 << 20 << 14;
    }
    void mergedHalfFader()
    {
        QFETCH(int, low);
        QFETCH(int, high);
        CPanelsRig rig;
        CLibraryProfile* profile = rig.Profile(2);
        for (int beam = 0; beam < 2; ++beam) {
            CProfileChannelDef* iris =
                CPanelsRig::Channel(profile, ChannelType::Iris, QString(), ProfileBuilder::Beams({beam}));
            CPanelsRig::Preset(iris, QStringLiteral("Wide"), low, high);
        }
        profile->UpdateRoles();
        rig.Select({rig.Patch(profile, 0, 0)});
        CChannelPresetCtrl* control = rig.Ctrl(0);
        QTest::mouseClick(control->PresetList(), Qt::LeftButton, Qt::NoModifier,
                          control->PresetList()->ItemRect(0).center());
        control->LevelFader()->m_value = 50;
        emit control->LevelFader()->sliderMoved(50);
        QFETCH(int, level);
        QCOMPARE(QList<int>({rig.project.m_live[0][0], rig.project.m_live[0][1]}), QList<int>({level, level}));
    }

    void sizesFollowModeAndLayout()
    {
        CSingleRig rig;
        CChannelPresetCtrl* control = rig.control;
        control->OnDisplayBig(); // small
        control->OnDisplayAllPreset(); // grid
        CChannelPresetList* list = control->PresetList();
        QCOMPARE(list->height(), 124);
        QCOMPARE(list->ItemSize(), 31);
        QCOMPARE(124 / list->ItemSize(), 4);
        QCOMPARE(list->ItemRect(3).top(), 0); // the fourth item tops the first column
        QCOMPARE(control->height(), 164);
        QCOMPARE(control->Config()->m_presetDisplayType, int(CChannelPresetCtrl::ListGrid));
        control->OnDisplayCursor();
        QCOMPARE(control->width(), 60);
        QCOMPARE(control->Config()->m_displayType, int(CPresetCtrl::DisplayCursor));
    }

    void fineFaderOfASixteenBitChannel()
    {
        CPanelsRig rig;
        CLibraryProfile* profile = rig.Profile();
        CProfileChannelDef* zoom = CPanelsRig::Channel(profile, ChannelType::Zoom, QStringLiteral("Wide"));
        ProfileBuilder::AddFine(*profile, zoom);
        profile->UpdateRoles();
        rig.Select({rig.Patch(profile, 0, 0)});
        CChannelPresetCtrl* control = rig.Ctrl(0);
        QVERIFY(control->IsSixteenBit());
        QVERIFY(control->FineFader()->isVisibleTo(control));
        QTest::mouseClick(control->PresetList(), Qt::RightButton, Qt::NoModifier,
                          control->PresetList()->ItemRect(0).center());
        QCOMPARE(QList<int>({rig.project.m_live[0][0], rig.project.m_live[0][1]}), QList<int>({10, 127}));
        emit control->FineFader()->sliderMoved(3);
        QCOMPARE(int(rig.project.m_live[0][1]), 3);
        control->OnDisplayBig();
        QVERIFY(!control->FineFader()->isVisibleTo(control));
        control->OnDisplayPreset();
        QVERIFY(!control->LevelFader()->isVisibleTo(control) && !control->ModeSwitch()->isVisibleTo(control));
    }

    void levelZeroShowsNoPreset()
    {
        CSingleRig rig;
        rig.Live(0, 15);
        rig.wnd.RefreshControls();
        QCOMPARE(rig.control->CurrentPreset(), 1);
        QCOMPARE(rig.control->PresetList()->Selected(), 1);
        rig.Live(0, 0);
        rig.wnd.RefreshControls();
        QCOMPARE(rig.control->CurrentPreset(), -1);
        QCOMPARE(rig.control->PresetList()->Selected(), -1);
        QCOMPARE(rig.control->LevelFader()->m_value, 0);
        QCOMPARE(rig.Level(), 0); // showing writes nothing
    }

    void fxDisablesUntilForcedOff()
    {
        CSingleRig rig;
        CChannelPresetCtrl* control = rig.control;
        control->SetMode(PresetModeFx, false);
        QVERIFY(!control->isEnabled());
        control->SetMode(PresetModeLive, false);
        control->SetMode(PresetModeOff, false);
        QVERIFY(!control->isEnabled());
        QCOMPARE(control->ModeSwitch()->State(), int(PresetModeFx));
        control->SetMode(PresetModeOff, true);
        QVERIFY(control->isEnabled());
        QCOMPARE(control->ModeSwitch()->State(), int(PresetModeOff));
    }
};

ORVANE_TEST(ChannelPresetCtrlTest)
#include "ChannelPresetCtrlTest.moc"
