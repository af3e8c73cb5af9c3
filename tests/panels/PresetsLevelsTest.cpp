#include "TestRegistry.h"

#include "PanelsRig.h"
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

// Two fixtures of a two-beam profile with a dimmer per beam and a dimmer
// for both beams (multi-beam), and a gobo.
QList<CPatchedFixture*> Dimmers(CPanelsRig& rig)
{
    CLibraryProfile* profile = rig.Profile(2);
    for (int beam = 0; beam < 2; ++beam)
        CPanelsRig::Channel(profile, ChannelType::Dimmer, QStringLiteral("Full"), ProfileBuilder::Beams({beam}));
    CPanelsRig::Channel(profile, ChannelType::Dimmer, QStringLiteral("Full"));
    CPanelsRig::Channel(profile, ChannelType::GoboWheel, QStringLiteral("Open"));
    profile->UpdateRoles();
    return {rig.Patch(profile, 0, 0), rig.Patch(profile, 0, 10)};
}

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
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("live")) {
                for (int slot : {0, 1, 3})
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
