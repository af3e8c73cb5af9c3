#include "TestRegistry.h"

#include "PanelsRig.h"
#include "panels/MiniPresetList.h"
#include "widgets/ProSlider.h"

#include <QPointer>
#include <QtTest>

using Build = QList<CPatchedFixture*> (*)(CPanelsRig&);
Q_DECLARE_METATYPE(Build)

namespace {

constexpr int kMergedKinds[] = {ChannelType::ColorWheel, ChannelType::Dimmer, ChannelType::Iris,
                              ChannelType::Shutter,    ChannelType::Prism,  ChannelType::ColorDimmer};

// The controls as "type" (single) or "type*" (merged), in creation order.
QStringList Controls(const CPresetsWnd& wnd)
{
    QStringList names;
    for (const CChannelPresetCtrl* control : wnd.ChannelControls())
        names << QString::number(control->Channel()->m_type) + (control->IsMerged() ? QStringLiteral("*") : QString());
    return names;
}

// A profile of one channel per type, each with one "Open" preset.
CLibraryProfile* Kinds(CPanelsRig& rig, const QList<int>& types)
{
    CLibraryProfile* profile = rig.Profile();
    for (int type : types)
        CPanelsRig::Channel(profile, type, QStringLiteral("Open"));
    profile->UpdateRoles();
    return profile;
}

// Every mergeable kind and a gobo.
CLibraryProfile* EveryKind(CPanelsRig& rig)
{
    QList<int> types(std::begin(kMergedKinds), std::end(kMergedKinds));
    return Kinds(rig, types << ChannelType::GoboWheel);
}

QList<CPatchedFixture*> TwoProfiles(CPanelsRig& rig)
{
    return {rig.Patch(EveryKind(rig), 0, 0), rig.Patch(EveryKind(rig), 0, 20)};
}

// Two dimmers against one: pass 0 merges the first dimmers, pass 1 finds
// one channel and ends the build.
QList<CPatchedFixture*> PassStops(CPanelsRig& rig)
{
    return {rig.Patch(rig.ChannelsOf(ChannelType::Dimmer, {"Full", "Full"}), 0, 0),
            rig.Patch(rig.ChannelsOf(ChannelType::Dimmer, {"Full"}), 0, 10)};
}

QList<CPatchedFixture*> FourBeams(CPanelsRig& rig)
{
    CLibraryProfile* profile = rig.Profile(4);
    for (int beam = 0; beam < 4; ++beam)
        CPanelsRig::Channel(profile, ChannelType::Dimmer, QStringLiteral("Dimmer"), ProfileBuilder::Beams({beam}));
    CPanelsRig::Channel(profile, ChannelType::GoboWheel, QStringLiteral("Open"));
    profile->UpdateRoles();
    return {rig.Patch(profile, 0, 0)};
}

// Two wheels of a two-beam fixture with nothing in common.
QList<CPatchedFixture*> NoCommonPreset(CPanelsRig& rig)
{
    CLibraryProfile* profile = rig.Profile(2);
    CPanelsRig::Channel(profile, ChannelType::ColorWheel, QStringLiteral("Red"), ProfileBuilder::Beams({0}));
    CPanelsRig::Channel(profile, ChannelType::ColorWheel, QStringLiteral("Blue"), ProfileBuilder::Beams({1}));
    profile->UpdateRoles();
    return {rig.Patch(profile, 0, 0)};
}

// Across profiles two dimmers with no preset in common.
QList<CPatchedFixture*> NothingInCommon(CPanelsRig& rig)
{
    return {rig.Patch(rig.ChannelsOf(ChannelType::Dimmer, {"Full"}), 0, 0),
            rig.Patch(rig.ChannelsOf(ChannelType::Dimmer, {"Half"}), 0, 10)};
}

// Pass 1 finds A's second iris and B's second dimmer: each alone of its
// kind, so neither gets a control.
QList<CPatchedFixture*> LoneChannels(CPanelsRig& rig)
{
    using namespace ChannelType;
    return {rig.Patch(Kinds(rig, {Iris, Iris, Dimmer}), 0, 0), rig.Patch(Kinds(rig, {Iris, Dimmer, Dimmer}), 0, 10)};
}

// A CMY fixture and an RGB one: one RGB colour control, no pan/tilt.
QList<CPatchedFixture*> CmyAndRgb(CPanelsRig& rig)
{
    CLibraryProfile* cmy = rig.CmyProfile();
    cmy->SetPath(QStringLiteral("Profiles/Cmy.kvp"));
    return {rig.Patch(cmy, 0, 0), rig.Patch(rig.RgbProfile(), 0, 10)};
}

} // namespace

class PresetsSelectionTest : public QObject
{
    Q_OBJECT

private slots:
    void buildsControlsForTheSelection_data()
    {
        QTest::addColumn<Build>("build");
        QTest::addColumn<QStringList>("controls");
        QTest::addColumn<bool>("color");
        QTest::newRow("two profiles: mergeable kinds only")
            << Build(TwoProfiles) << QStringList{"5*", "7*", "13*", "15*", "19*", "32*"} << false;
        QTest::newRow("a pass with one channel ends the build") << Build(PassStops) << QStringList{"7*"} << false;
        QTest::newRow("four beams: one dimmer, gobo of its own")
            << Build(FourBeams) << QStringList{"7*", "8"} << false;
        QTest::newRow("no common preset: no control") << Build(NoCommonPreset) << QStringList{} << false;
        QTest::newRow("nothing in common across profiles") << Build(NothingInCommon) << QStringList{} << false;
        QTest::newRow("lone channels across profiles: none") << Build(LoneChannels) << QStringList{"13*", "7*"}
                                                             << false;
        QTest::newRow("cmy and rgb: one colour control") << Build(CmyAndRgb) << QStringList{} << true;
    }
    void buildsControlsForTheSelection()
    {
        QFETCH(Build, build);
        QFETCH(QStringList, controls);
        QFETCH(bool, color);
        CPanelsRig rig;
        rig.Select(build(rig));
        QCOMPARE(Controls(rig.wnd), controls);
        QCOMPARE(rig.wnd.ColorControl(false) != nullptr, color);
        QVERIFY(!rig.wnd.ColorControl(true) && !rig.wnd.PanTiltControl(false));
        for (int i = 0; i < controls.size(); ++i)
            QCOMPARE(rig.wnd.ControlById(i), static_cast<CPresetCtrl*>(rig.Ctrl(i)));
        QVERIFY(!rig.wnd.ControlById(controls.size()));
        QVERIFY(!rig.wnd.ControlById(-7));
    }

    void sameProfileAgainOnlyRefreshes()
    {
        CPanelsRig rig;
        CLibraryProfile* profile = EveryKind(rig);
        CPatchedFixture* a = rig.Patch(profile, 0, 0);
        CPatchedFixture* b = rig.Patch(profile, 0, 10);
        rig.Select({a, b});
        const QList<CChannelPresetCtrl*> before = rig.wnd.ChannelControls();
        QCOMPARE(before.size(), 7);
        rig.Live(20 + 1, 15); // the third fixture's dimmer, read as it is first
        rig.Select({rig.Patch(profile, 0, 20), a, b});
        QCOMPARE(rig.wnd.ChannelControls(), before);
        QCOMPARE(rig.Ctrl(1)->LevelFader()->m_value, 15);
    }

    void editedCopyGetsControlsOfItsOwn()
    {
        CPanelsRig rig;
        CLibraryProfile* original = EveryKind(rig);
        auto* copy = new CLibraryProfile(*original);
        copy->UpdateRoles();
        rig.project.m_library << copy;
        QCOMPARE(copy->GetPath(), original->GetPath());
        rig.Select({rig.Patch(original, 0, 0)});
        QCOMPARE(rig.Ctrl(0)->Profile(), original);
        rig.Select({rig.Patch(copy, 0, 20)});
        QCOMPARE(rig.Ctrl(0)->Profile(), copy);
        QCOMPARE(rig.Ctrl(0)->Channel(), copy->OtherChannels().first().channel);
    }

    void removingTheLastFixtureOfAProfileIsClean()
    {
        CPanelsRig rig;
        CPatchedFixture* a = rig.Patch(EveryKind(rig), 0, 0);
        CPatchedFixture* b = rig.Patch(rig.MovingHeadProfile(), 0, 20);
        rig.Select({a});
        rig.wnd.ShowEffectColor();
        QVERIFY(!rig.wnd.ChannelControls().isEmpty());
        rig.project.RemoveFixtures({a}, true);
        rig.wnd.FixturesChanged();
        QVERIFY(rig.wnd.ChannelControls().isEmpty());
        rig.wnd.RefreshControls();
        rig.wnd.RefreshMasterControls();
        rig.Select({b});
        rig.Flush();
        QCOMPARE(Controls(rig.wnd), QStringList{"7"});
        QVERIFY(!rig.wnd.ColorControl(false)); // a rebuild without colour takes the borrowed one back
    }

    void aRebuildLetsTheRunningControlFinish()
    {
        CPanelsRig rig;
        rig.Select({rig.Patch(EveryKind(rig), 0, 0)});
        QPointer<CChannelPresetCtrl> control = rig.Ctrl(0);
        // As when a drag started from this control ends in a group change.
        connect(control.data(), &CPresetCtrl::minimize, &rig.wnd, [&] { rig.wnd.Reset(); });
        control->OnMinimize();
        QVERIFY(control && control->isHidden());
        QVERIFY(rig.wnd.MinimisedStrip()->IsEmpty());
        emit control->dropPreset(1, 0); // no longer heard by the window
        QCOMPARE(rig.wnd.ColumnCount(), 0);
        rig.Flush();
        QVERIFY(!control);
    }

    // Steps: "head" or "rgb" selects a fixture of a new profile of that kind,
    // "show" and "hide" are the effect page opening and closing. The hook
    // log has "c" for a control and "-" for null.
    void effectColorLeavesWithThePage_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("hooked");
        QTest::addColumn<bool>("kept");
        QTest::newRow("borrowed, given back") << "head show hide" << "c -" << false;
        QTest::newRow("shown twice, still given back") << "head show show hide" << "c c -" << false;
        QTest::newRow("selection's own control stays") << "rgb show hide" << "c -" << true;
        QTest::newRow("rebuild onto colour keeps its own") << "head show rgb hide" << "c - c -" << true;
        QTest::newRow("rebuild without colour drops it") << "head show head hide" << "c -" << false;
    }
    void effectColorLeavesWithThePage()
    {
        QFETCH(QString, steps);
        CPanelsRig rig;
        QStringList hooked;
        rig.wnd.SetEffectColorHook(
            [&](CColorPresetCtrlBase* control) { hooked << (control ? QStringLiteral("c") : QStringLiteral("-")); });
        int address = 0;
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("show"))
                rig.wnd.ShowEffectColor();
            else if (step == QLatin1String("hide"))
                rig.wnd.HideEffectColor();
            else
                rig.Select({rig.Patch(step == QLatin1String("rgb") ? rig.RgbProfile() : rig.MovingHeadProfile(), 0,
                                      address += 10)});
            if (step == QLatin1String("show") && !steps.startsWith(QLatin1String("rgb")))
                QCOMPARE(rig.wnd.TopControl(0), static_cast<CPresetCtrl*>(rig.wnd.ColorControl(false)));
        }
        QTEST(hooked.join(QLatin1Char(' ')), "hooked");
        QTEST(rig.wnd.ColorControl(false) != nullptr, "kept");
        rig.Flush();
    }
};

ORVANE_TEST(PresetsSelectionTest)
#include "PresetsSelectionTest.moc"
