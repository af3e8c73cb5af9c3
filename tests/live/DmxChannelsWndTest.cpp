#include "TestRegistry.h"

#include "../model/LibraryProfileBuilder.h"
#include "RecordingHost.h"
#include "live/DmxChannelsWnd.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"

#include <QtTest>

#include <memory>

using namespace ProfileBuilder;

namespace {

// The main window's part: the locks the document asks for reach the faders.
class CFaderHost : public CRecordingHost
{
public:
    CDmxChannelsWnd* wnd = nullptr;

    void LockDimmerChannels() override
    {
        CRecordingHost::LockDimmerChannels();
        if (wnd)
            wnd->LockDimmerChannels();
    }
    void LockChannelsOfType(int type) override
    {
        CRecordingHost::LockChannelsOfType(type);
        if (wnd)
            wnd->LockChannelsOfType(type);
    }
    void LockPanTiltChannels() override
    {
        CRecordingHost::LockPanTiltChannels();
        if (wnd)
            wnd->LockPanTiltChannels();
    }
    void LockColorChannels() override
    {
        CRecordingHost::LockColorChannels();
        if (wnd)
            wnd->LockColorChannels();
    }
};

// Channels of the wash light, in its mode's order.
namespace Wash {
enum : int { Dimmer, Red, Green, Blue, White, Pan, PanFine, Tilt, TiltFine, Zoom, Channels };
}

struct CFaderRig
{
    CFaderHost host;
    CProject project;
    std::unique_ptr<CDmxChannelsWnd> wnd;
    CPatchedFixture* wash = nullptr;      // slots 10-19, selected
    CPatchedFixture* idleWash = nullptr;  // slots 30-39, in the selection without a selected beam
    CPatchedFixture* zoomOnly = nullptr;  // slot 50

    CFaderRig()
    {
        project.NewProject(4);
        CLibraryProfile* washProfile = new CLibraryProfile;
        AddDimmer(*washProfile);
        AddColorSet(*washProfile, ChannelType::Red);
        AddChannel(*washProfile, ChannelType::White);
        AddFine(*washProfile, AddChannel(*washProfile, ChannelType::Pan));
        AddFine(*washProfile, AddChannel(*washProfile, ChannelType::Tilt));
        AddChannel(*washProfile, ChannelType::Zoom);
        washProfile->UpdateRoles();
        project.m_library << washProfile;
        auto* zoomProfile = new CLibraryProfile;
        AddChannel(*zoomProfile, ChannelType::Zoom);
        zoomProfile->UpdateRoles();
        project.m_library << zoomProfile;

        wash = Patch(washProfile, 10, 1);
        idleWash = Patch(washProfile, 30, 2);
        zoomOnly = Patch(zoomProfile, 50, 3);
        Select({wash, zoomOnly}, {idleWash});
        wnd = std::make_unique<CDmxChannelsWnd>(project);
        host.wnd = wnd.get();
    }
    ~CFaderRig() { host.wnd = nullptr; }

    CPatchedFixture* Patch(CLibraryProfile* profile, int address, int id)
    {
        auto* fixture = new CPatchedFixture(address, 0, id, -1, QStringLiteral("F%1").arg(id), profile, false, false,
                                            0);
        project.m_generalGroup->AddFixture(fixture);
        project.UpdateAfterPatch(false, false);
        return fixture;
    }

    // Every beam of `lit` selected, none of `dark`; all of them in the group's selection.
    void Select(const QList<CPatchedFixture*>& lit, const QList<CPatchedFixture*>& dark)
    {
        for (CPatchedFixture* fixture : lit) {
            for (bool& flag : fixture->BeamFlags())
                flag = true;
        }
        for (CPatchedFixture* fixture : dark) {
            for (bool& flag : fixture->BeamFlags())
                flag = false;
        }
        project.m_currentGroup->m_selectedFixtures = lit + dark;
    }

    const CDmxChannelsWnd::CFader* Fader(CPatchedFixture* fixture, int channel)
    {
        return wnd->FindFader(fixture, channel);
    }

    QList<int> LockedChannels(CPatchedFixture* fixture)
    {
        QList<int> locked;
        for (int c = 0; c < Wash::Channels; ++c) {
            const CDmxChannelsWnd::CFader* fader = Fader(fixture, c);
            if (fader && fader->locked)
                locked << c;
        }
        return locked;
    }
};

// Where a press puts the fader at `value`, found on a fader of the same size.
QPoint PointFor(const CProSlider* slider, int value)
{
    CProSlider twin(QString(), false);
    twin.resize(slider->size());
    for (int y = slider->height() - 1; y >= 0; --y) {
        QTest::mouseClick(&twin, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() / 2, y));
        if (twin.m_value == value)
            return QPoint(slider->width() / 2, y);
    }
    return QPoint(-1, -1);
}

void PressAt(CProSlider* slider, int value)
{
    slider->resize(30, 400);
    const QPoint point = PointFor(slider, value);
    QVERIFY(point.y() >= 0);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, point);
}

} // namespace

class DmxChannelsWndTest : public QObject
{
    Q_OBJECT

private slots:
    void aFaderPerChannelOfFixturesWithASelectedBeam()
    {
        CFaderRig rig;
        QCOMPARE(rig.wnd->FaderCount(), Wash::Channels + 1);
        QVERIFY(rig.Fader(rig.wash, Wash::Zoom));
        QVERIFY(!rig.Fader(rig.idleWash, Wash::Dimmer));
        QVERIFY(rig.Fader(rig.zoomOnly, 0));
        QVERIFY(!rig.Fader(rig.zoomOnly, 1));
        QCOMPARE(rig.wnd->Fader(0)->fixture, rig.wash);
        QCOMPARE(rig.wnd->Fader(Wash::Channels)->fixture, rig.zoomOnly);
        QVERIFY(!rig.wnd->Fader(Wash::Channels + 1));
        QVERIFY(!rig.wnd->Fader(-1));

        rig.project.m_currentGroup->m_selectedFixtures.clear();
        rig.wnd->UpdateSelection();
        QCOMPARE(rig.wnd->FaderCount(), 0);
    }

    void faderSetsTheLiveLevelOfItsChannel()
    {
        CFaderRig rig;
        auto* fader = rig.Fader(rig.wash, Wash::Green);
        PressAt(fader->slider, 200);
        QCOMPARE(rig.project.m_live[0][12], quint8(200));
        QCOMPARE(rig.project.m_liveMask[0][12], quint8(1));
        QCOMPARE(rig.project.m_output[0][12], quint8(200));
        QCOMPARE(fader->mode->State(), int(PresetModeLive));
        QCOMPARE(rig.host.Count(QStringLiteral("RaiseLiveLevelsChanged")), 1);
        // Only that slot: not the fixture's neighbours, not another universe.
        QCOMPARE(rig.project.m_liveMask[0][11], quint8(0));
        QCOMPARE(rig.project.m_liveMask[0][13], quint8(0));
        QCOMPARE(rig.project.m_liveMask[1][12], quint8(0));

        PressAt(fader->slider, 0);
        QCOMPARE(rig.project.m_live[0][12], quint8(0));
        QCOMPARE(rig.project.m_liveMask[0][12], quint8(1));
        QCOMPARE(fader->slider->m_value, 0);
    }

    void faderWritesTheEditedScene()
    {
        CFaderRig rig;
        auto* scene = new CScene(QStringLiteral("Edited"), rig.project.UniverseCount());
        rig.project.m_firstPage->m_scenes << scene;
        rig.project.SetEditedScene(nullptr, scene);
        auto* fader = rig.Fader(rig.zoomOnly, 0);
        PressAt(fader->slider, 77);
        QCOMPARE(rig.project.m_edit[0][50], quint8(77));
        QCOMPARE(rig.project.m_editMask[0][50], quint8(1));
        QCOMPARE(rig.project.m_liveMask[0][50], quint8(0));
        QCOMPARE(fader->mode->State(), int(PresetModeOn));
        rig.project.SetEditedScene(scene, nullptr);
        rig.project.m_editedScene = nullptr;
    }

    void switchReleasesAndTakesTheChannelAtWhatGoesOut()
    {
        CFaderRig rig;
        // A scene holds the wash's zoom at 120.
        auto* scene = new CScene(QStringLiteral("Zoom"), rig.project.UniverseCount());
        auto* step = new CSceneStep(0, 1000);
        auto* entry = new CStepFixture(rig.wash, scene);
        entry->SetLevel(Wash::Zoom, 120, true, true);
        step->AddEntry(entry);
        scene->m_steps << step;
        scene->UpdateLength();
        rig.project.m_firstPage->m_scenes << scene;
        rig.project.m_firstPage->PlayScene(scene);
        rig.project.Tick(25);
        rig.project.MergeOutput();

        auto* fader = rig.Fader(rig.wash, Wash::Zoom);
        rig.wnd->RefreshLevels();
        QCOMPARE(fader->slider->m_value, 120);
        QCOMPARE(fader->mode->State(), int(PresetModeOff));

        // While a scene plays the next tick merges the live level over it.
        PressAt(fader->slider, 40);
        QCOMPARE(rig.project.m_live[0][19], quint8(40));
        rig.project.Tick(25);
        rig.project.MergeOutput();
        QCOMPARE(rig.project.m_output[0][19], quint8(40));

        // Off: the live level goes and the fader shows the scene's level again.
        QTest::mouseClick(fader->mode, Qt::LeftButton);
        QCOMPARE(rig.project.m_liveMask[0][19], quint8(0));
        QCOMPARE(fader->mode->State(), int(PresetModeOff));
        rig.project.Tick(25);
        rig.project.MergeOutput();
        rig.wnd->RefreshLevels();
        QCOMPARE(fader->slider->m_value, 120);

        // On: the channel is held live where it stands, without a jump.
        QTest::mouseClick(fader->mode, Qt::LeftButton);
        QCOMPARE(rig.project.m_liveMask[0][19], quint8(1));
        QCOMPARE(rig.project.m_live[0][19], quint8(120));
        QCOMPARE(fader->mode->State(), int(PresetModeLive));
    }

    void locksFollowWhatTheEditedEffectMarks()
    {
        CFaderRig rig;
        PressAt(rig.Fader(rig.wash, Wash::Dimmer)->slider, 180);
        rig.project.MarkEffectDimmers();
        QCOMPARE(rig.LockedChannels(rig.wash), QList<int>({Wash::Dimmer}));
        const auto* dimmer = rig.Fader(rig.wash, Wash::Dimmer);
        QCOMPARE(dimmer->mode->State(), int(PresetModeFx));
        QCOMPARE(dimmer->slider->m_value, 0);
        QVERIFY(!dimmer->slider->isEnabled());
        QVERIFY(!dimmer->mode->isEnabled());
        QVERIFY(!rig.Fader(rig.zoomOnly, 0)->locked);

        // A locked fader takes no press; the level stays where it was.
        QTest::mouseClick(dimmer->slider, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(rig.project.m_live[0][10], quint8(180));
        QCOMPARE(dimmer->slider->m_value, 0);
        rig.wnd->RefreshLevels();
        QCOMPARE(dimmer->slider->m_value, 0);

        rig.project.MarkEffectColors();
        QCOMPARE(rig.LockedChannels(rig.wash),
                 QList<int>({Wash::Dimmer, Wash::Red, Wash::Green, Wash::Blue, Wash::White}));
        rig.project.MarkEffectPanTilt();
        QCOMPARE(rig.LockedChannels(rig.wash), QList<int>({Wash::Dimmer, Wash::Red, Wash::Green, Wash::Blue,
                                                          Wash::White, Wash::Pan, Wash::PanFine, Wash::Tilt,
                                                          Wash::TiltFine}));
        rig.project.MarkEffectChannelType(ChannelType::Zoom);
        QCOMPARE(rig.LockedChannels(rig.wash).size(), int(Wash::Channels));
        QVERIFY(rig.Fader(rig.zoomOnly, 0)->locked);

        // A reset frees every fader, showing the project's levels again.
        rig.wnd->ResetModes();
        QVERIFY(rig.LockedChannels(rig.wash).isEmpty());
        QVERIFY(dimmer->slider->isEnabled());
        QCOMPARE(dimmer->slider->m_value, 180);
        QCOMPARE(dimmer->mode->State(), int(PresetModeLive));
    }

    void locksOfOneKindLeaveTheOthersAndSurviveASelectionChange()
    {
        CFaderRig rig;
        rig.wnd->LockChannelsOfType(ChannelType::Tilt);
        rig.wnd->LockChannelsOfType(ChannelType::GoboWheel);
        QCOMPARE(rig.LockedChannels(rig.wash), QList<int>({Wash::Tilt, Wash::TiltFine}));
        QVERIFY(!rig.Fader(rig.zoomOnly, 0)->locked);

        // The effect goes on driving the tilt of whatever is selected.
        rig.Select({rig.wash, rig.idleWash}, {});
        rig.wnd->UpdateSelection();
        QCOMPARE(rig.wnd->FaderCount(), 2 * Wash::Channels);
        QCOMPARE(rig.LockedChannels(rig.idleWash), QList<int>({Wash::Tilt, Wash::TiltFine}));
        QCOMPARE(rig.Fader(rig.idleWash, Wash::Tilt)->mode->State(), int(PresetModeFx));
        rig.wnd->ResetModes();
        QVERIFY(rig.LockedChannels(rig.idleWash).isEmpty());
    }

    void channelsPastTheUniverseEndAreLeftAlone()
    {
        CFaderRig rig;
        CPatchedFixture* edge = rig.Patch(rig.wash->Profile(), 505, 9);
        edge->m_universe = 1;
        rig.Select({edge}, {});
        rig.wnd->UpdateSelection();
        QCOMPARE(rig.wnd->FaderCount(), int(Wash::Channels));

        // Slot 511 is the last one that exists.
        PressAt(rig.Fader(edge, Wash::Blue)->slider, 90);
        QCOMPARE(rig.project.m_live[1][508], quint8(90));
        PressAt(rig.Fader(edge, Wash::White)->slider, 91);
        QCOMPARE(rig.project.m_live[1][509], quint8(91));
        for (int c = Wash::Pan + 2; c < Wash::Channels; ++c) {
            const auto* fader = rig.Fader(edge, c);
            PressAt(fader->slider, 60);
            QCOMPARE(fader->mode->State(), int(PresetModeOff));
        }
        QCOMPARE(rig.project.m_liveMask[2][0], quint8(0));
        QCOMPARE(rig.project.m_liveMask[2][1], quint8(0));
    }
};

ORVANE_TEST(DmxChannelsWndTest)
#include "DmxChannelsWndTest.moc"
