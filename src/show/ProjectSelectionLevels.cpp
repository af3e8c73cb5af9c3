#include "show/Project.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileTypes.h"
#include "show/EffectScene.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"
#include "show/StepFixture.h"
#include "show/UndoKind.h"

#include <QHash>
#include <QScopedValueRollback>
#include <algorithm>
#include <functional>

namespace {

constexpr int kSlots = CDmxLayer::kSlots;

// What a guarded level change stores into the edited scene once the
// fixtures are written.
struct CSceneStore
{
    std::function<void(CEffectScene&)> effectScene;
    std::function<void(CSceneStep&, CScene&)> step;
    int undoKind = 0;
    QString undoLabel;
};

// Whether the edited scene has room for what `store` may add: asked before
// anything is written, so that a refused change leaves the show as it was.
bool RoomForLevelChange(const CProject& project, const QList<CPatchedFixture*>& fixtures)
{
    const CScene* scene = project.m_editedScene;
    if (!scene || scene->IsEffectScene() || project.IsEditedScenePlayingHere() || project.m_fullColorDrawing)
        return true;
    return CShowBounds::AskRoomForFixtures(project, *scene, fixtures);
}

// Stores into a step of an effect row. The channels the effect generates
// keep what it generated: a level stored there would play until the show
// is opened again and then be lost.
void StoreInRowStep(CSceneStep& step, CScene& scene, const CSceneStore& store)
{
    QHash<const CPatchedFixture*, QVector<QPair<int, quint8>>> generated;
    for (const CStepFixture* entry : step.m_entries) {
        for (int c = 0; c < entry->ChannelCount(); ++c) {
            if (step.EffectDrives(entry->Fixture(), c))
                generated[entry->Fixture()].append({c, entry->Level(c)});
        }
    }
    store.step(step, scene);
    for (CStepFixture* entry : step.m_entries) {
        for (const auto& [channel, level] : generated.value(entry->Fixture()))
            entry->SetLevel(channel, level, false, false);
    }
}

// Stores the change into the edited scene, then shows it. The caller holds
// the edit guard and has asked RoomForLevelChange.
void FinishLevelChange(CProject& project, const CSceneStore& store)
{
    CScene* scene = project.m_editedScene;
    if (scene) {
        if (scene->IsEffectScene()) {
            if (store.effectScene)
                store.effectScene(*static_cast<CEffectScene*>(scene));
        } else if (!project.IsEditedScenePlayingHere() && !project.m_fullColorDrawing) {
            QList<CSceneStep*> done;
            for (CSceneStep* step : scene->m_selection) {
                // The selection may name a step removed since; each step once.
                if (!step || !scene->m_steps.contains(step) || done.contains(step))
                    continue;
                done << step;
                if (!store.step)
                    continue;
                if (step->m_effect)
                    StoreInRowStep(*step, *scene, store);
                else
                    store.step(*step, *scene);
            }
            ShowHost().NotifySceneEditor(store.undoKind, store.undoLabel);
        }
    }
    project.RefreshOutput();
    ShowHost().SetModified(true);
}

// A Dimmer serving one beam: the dimmer lock keeps these for the effect.
bool IsLockedDimmer(const CProfileChannelDef* channel)
{
    return channel && channel->m_type == ChannelType::Dimmer && !channel->m_function;
}

// The slot of channel n of the fixture, -1 outside its mode or the universe.
int ChannelSlot(const CPatchedFixture& fixture, int channel)
{
    const int count = fixture.Profile() ? fixture.Profile()->ChannelCount() : 1;
    if (channel < 0 || channel >= count)
        return -1;
    const int slot = fixture.m_address + channel;
    return slot >= 0 && slot < kSlots ? slot : -1;
}

bool OwnsChannel(const CLibraryProfile* profile, const CProfileChannelDef* channel)
{
    return profile && channel && profile->GetChannel(channel->m_index) == channel;
}

// A preset's level carried into the DMX range of the channel's equal preset;
// a preset spanning 0-255 takes the level as it is.
quint8 LevelInPreset(const CProfilePresetDef& preset, quint8 level)
{
    if (preset.m_dmxStart == 0 && preset.m_dmxEnd == 255)
        return level;
    return quint8(preset.m_dmxStart + level * (int(preset.m_dmxEnd) - int(preset.m_dmxStart)) / 255);
}

// Every channel of the profile with the reference's function, with the level
// it takes: its fine partner with `fine`, its equal preset's range with a
// preset, else the level itself. Channels without the partner or the preset
// are passed over.
void ForEachPresetMatch(const CLibraryProfile& profile, const CProfileChannelDef& reference,
                        const CProfilePresetDef* preset, quint8 level, bool anyTypeIndex, bool fine,
                        const std::function<void(const CProfileChannelDef*, quint8)>& apply)
{
    for (const COtherChannel& other : profile.OtherChannels()) {
        const CProfileChannelDef* channel = other.channel;
        if (!channel || !channel->IsSameFunction(reference, anyTypeIndex, profile.BeamCount()))
            continue;
        if (fine) {
            const CProfileChannelDef* partner = other.fine ? other.fine : channel->m_partner16;
            if (partner)
                apply(partner, level);
        } else if (preset) {
            if (const CProfilePresetDef* own = channel->FindSamePreset(*preset))
                apply(channel, LevelInPreset(*own, level));
        } else {
            apply(channel, level);
        }
    }
}

// Where the fan-out puts fixture i of n: centred on the value, clamped to a
// DMX level.
quint8 FannedOut(int value, int spread, int i, int n)
{
    int first = value - (n / 2) * spread;
    if (n % 2 == 0)
        first += spread / 2;
    return quint8(std::clamp(first + i * spread, 0, 255));
}

// Colour channels of a set for a component: 0-2 one of the three, 3 the
// white (on profiles with white), any other value all of them.
QList<const CProfileChannelDef*> ComponentChannels(const CLibraryProfile& profile, const CColorSet& set,
                                                   int component)
{
    const CProfileChannelDef* white = profile.HasWhite() ? set.white : nullptr;
    switch (component) {
    case 0:
        return {set.red};
    case 1:
        return {set.green};
    case 2:
        return {set.blue};
    case 3:
        return {white};
    default:
        return {set.red, set.green, set.blue, white};
    }
}

// A level set by hand on one slot: into the edit layer while a scene is
// edited, else live.
void WriteHandLevel(CProject& project, int universe, int slot, quint8 level)
{
    if (project.m_editedScene) {
        project.m_edit[universe][slot] = level;
        project.m_editMask[universe][slot] = 1;
    } else {
        project.m_live[universe][slot] = level;
        if (!project.m_liveMask[universe][slot]) {
            project.m_liveMask[universe][slot] = 1;
            ShowHost().RaiseLiveLevelsChanged();
        }
    }
}

// The release rule on one slot. An edited effect scene first lets go of its
// static level there (`dropStaticLevel`), unless its effect drives the slot:
// then the level is the effect's and nothing is released.
void ReleaseSlot(CProject& project, int universe, int slot,
                 const std::function<void(CEffectScene&)>& dropStaticLevel)
{
    CScene* edited = project.m_editedScene;
    if (edited && edited->IsEffectScene()) {
        if (project.m_effectMask[universe][slot])
            return;
        dropStaticLevel(*static_cast<CEffectScene*>(edited));
    }
    if (!edited || (!edited->IsEffectScene() && project.IsEditedScenePlayingHere())) {
        const bool wasLive = project.m_liveMask[universe][slot] != 0;
        project.m_live[universe][slot] = 0;
        project.m_liveMask[universe][slot] = 0;
        if (wasLive)
            ShowHost().RaiseLiveLevelsChanged();
        return;
    }
    project.m_edit[universe][slot] = 0;
    project.m_editMask[universe][slot] = 0;
    project.m_playback[universe][slot] = 0;
    if (CSlotMask* active = edited->ActiveMaskIfHeld(universe))
        active->Set(slot, false);
}

void FinishModeSwitch(CProject& project)
{
    ShowHost().RaiseLiveLevelsChanged();
    project.RefreshOutput();
}

// Sets the edit mask (and with effectMaskToo the effect mask) on the
// channels `channelsOf` names for each selected fixture.
void MarkChannels(CProject& project,
                  const std::function<QList<const CProfileChannelDef*>(const CLibraryProfile&)>& channelsOf,
                  bool effectMaskToo)
{
    for (const CPatchedFixture* fixture : project.SelectedFixtures()) {
        const CLibraryProfile* profile = fixture->Profile();
        if (!profile || !project.IsUniverse(fixture->m_universe))
            continue;
        const int universe = fixture->m_universe;
        for (const CProfileChannelDef* channel : channelsOf(*profile)) {
            const int slot = channel ? ChannelSlot(*fixture, channel->m_index) : -1;
            if (slot < 0)
                continue;
            project.m_editMask[universe][slot] = 1;
            if (effectMaskToo)
                project.m_effectMask[universe][slot] = 1;
        }
    }
}

} // namespace

// --- Guarded level changes of the selection

void CProject::SetSelectionColor(quint8 red, quint8 green, quint8 blue, quint8 white, bool master)
{
    if (m_editGuard || m_colorLock)
        return;
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    const QList<CPatchedFixture*> selected = SelectedFixtures();
    if (!RoomForLevelChange(*this, selected))
        return;
    const CLayerTarget target = CLayerTarget::Of(*this, !m_editedScene);
    for (const CPatchedFixture* fixture : selected)
        fixture->WriteAllColors(red, green, blue, white, master, target);

    CSceneStore store;
    store.effectScene = [&](CEffectScene& scene) {
        for (const CPatchedFixture* fixture : selected) {
            const CLibraryProfile* profile = fixture->Profile();
            if (!profile)
                continue;
            // A static level is a channel level: a CMY set takes the colour
            // inverted, as its layer and step writers do.
            const auto put = [&](const CProfileChannelDef* channel, quint8 level) {
                if (channel)
                    scene.SetStaticLevel(profile, channel->m_index, level);
            };
            for (const CColorSet& set : profile->ColorSets(master))
                profile->ForEachColorLevel(set, red, green, blue, white, put);
        }
    };
    store.step = [&](CSceneStep& step, CScene& scene) {
        step.StoreAllColorsForSelection(&scene, red, green, blue, white, master, *this);
    };
    store.undoKind = UndoColor;
    store.undoLabel = GetLangText(Txt::UndoColor);
    FinishLevelChange(*this, store);
}

void CProject::SetSelectionPanTilt(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, int panSpread,
                                   int tiltSpread, bool master)
{
    if (m_editGuard || m_panTiltLock)
        return;
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    const QList<CPatchedFixture*> selected = SelectedFixtures();
    if (!RoomForLevelChange(*this, selected))
        return;
    const int n = selected.size();
    const bool spread = panSpread != 0 || tiltSpread != 0;
    QVector<quint8> pans(n, pan);
    QVector<quint8> tilts(n, tilt);
    if (spread) {
        for (int i = 0; i < n; ++i) {
            pans[i] = FannedOut(pan, panSpread, i, n);
            tilts[i] = FannedOut(tilt, tiltSpread, i, n);
        }
    }

    const CLayerTarget target = CLayerTarget::Of(*this, !m_editedScene);
    for (int i = 0; i < n; ++i)
        selected[i]->WriteAllPanTilt(pans[i], tilts[i], panFine, tiltFine, master, target);

    CSceneStore store;
    store.effectScene = [&](CEffectScene& scene) {
        for (int i = 0; i < n; ++i) {
            const CLibraryProfile* profile = selected[i]->Profile();
            if (!profile)
                continue;
            const auto put = [&](const CProfileChannelDef* channel, quint8 level) {
                if (channel)
                    scene.SetStaticLevel(profile, channel->m_index, level);
            };
            for (const CPanTiltPair& pair : profile->PanTiltPairs(master))
                profile->ForEachPanTiltLevel(pair, pans[i], tilts[i], panFine, tiltFine, put);
        }
    };
    store.step = [&](CSceneStep& step, CScene& scene) {
        if (!spread) {
            step.StoreAllPanTiltForSelection(&scene, pan, tilt, panFine, tiltFine, master, *this);
            return;
        }
        for (int i = 0; i < n; ++i)
            step.StorePanTiltForFixture(&scene, selected[i], pans[i], tilts[i], panFine, tiltFine, master, *this);
    };
    store.undoKind = UndoPanTilt;
    store.undoLabel = GetLangText(Txt::UndoPanTilt);
    FinishLevelChange(*this, store);
}

void CProject::SetSelectionPreset(const CProfileChannelDef* reference, const CProfilePresetDef* preset, quint8 level,
                                  bool anyTypeIndex, bool fine)
{
    if (!reference || m_editGuard || (m_dimmerLock && IsLockedDimmer(reference)))
        return;
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    const QList<CPatchedFixture*> selected = SelectedFixtures();
    if (!RoomForLevelChange(*this, selected))
        return;
    const CLayerTarget target = CLayerTarget::Of(*this, !m_editedScene);
    for (const CPatchedFixture* fixture : selected) {
        if (!fixture->Profile())
            continue;
        ForEachPresetMatch(*fixture->Profile(), *reference, preset, level, anyTypeIndex, fine,
                           [&](const CProfileChannelDef* channel, quint8 value) {
                               fixture->WriteChannel(channel, value, target);
                           });
    }

    CSceneStore store;
    store.effectScene = [&](CEffectScene& scene) {
        for (const CPatchedFixture* fixture : selected) {
            const CLibraryProfile* profile = fixture->Profile();
            if (!profile)
                continue;
            ForEachPresetMatch(*profile, *reference, preset, level, anyTypeIndex, fine,
                               [&](const CProfileChannelDef* channel, quint8 value) {
                                   scene.SetStaticLevel(profile, channel->m_index, value);
                               });
        }
    };
    store.step = [&](CSceneStep& step, CScene& scene) {
        step.StoreFunctionForSelection(&scene, reference, preset, level, anyTypeIndex, fine, *this);
    };
    store.undoKind = UndoPresetBase + reference->m_index;
    store.undoLabel = GetLangText(Txt::UndoCommonPreset);
    FinishLevelChange(*this, store);
}

void CProject::SetSelectionChannelPreset(const CLibraryProfile* profile, const CProfileChannelDef* channel,
                                         quint8 level)
{
    if (!OwnsChannel(profile, channel) || m_editGuard || (m_dimmerLock && IsLockedDimmer(channel)))
        return;
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    if (!RoomForLevelChange(*this, SelectedFixtures()))
        return;
    // The channel is one of this profile's: on a fixture of another profile
    // its number would name an unrelated channel.
    const CLayerTarget target = CLayerTarget::Of(*this, !m_editedScene);
    for (const CPatchedFixture* fixture : SelectedFixtures()) {
        if (fixture->Profile() == profile)
            fixture->WriteChannel(channel, level, target);
    }

    CSceneStore store;
    store.effectScene = [&](CEffectScene& scene) { scene.SetStaticLevel(profile, channel->m_index, level); };
    store.step = [&](CSceneStep& step, CScene& scene) {
        step.StoreChannelForSelection(&scene, channel, level, true, *this);
    };
    store.undoKind = UndoPresetBase + channel->m_index;
    store.undoLabel = GetLangText(Txt::UndoPreset);
    FinishLevelChange(*this, store);
}

void CProject::SetChannelLevel(int universe, int slot, quint8 level)
{
    if (m_editGuard || !IsUniverse(universe) || slot < 0 || slot >= kSlots)
        return;
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    CPatchedFixture* const channelFixture = GetChannelFixture(universe, slot);
    if (!RoomForLevelChange(*this, {channelFixture}))
        return;
    m_active[universe] = 1;
    WriteHandLevel(*this, universe, slot, level);

    CSceneStore store;
    store.effectScene = [&](CEffectScene& scene) { scene.SetChannelStaticLevel(universe, slot, level); };
    store.step = [&](CSceneStep& step, CScene& scene) {
        step.StoreFixture(&scene, channelFixture, *this);
    };
    store.undoKind = UndoDmxLevelBase + slot;
    store.undoLabel = GetLangText(Txt::UndoDmxLevel);
    FinishLevelChange(*this, store);
}

void CProject::SetFixtureChannelLevel(CPatchedFixture* fixture, int channel, quint8 level)
{
    if (!fixture || m_editGuard || !IsUniverse(fixture->m_universe))
        return;
    const int slot = ChannelSlot(*fixture, channel);
    if (slot < 0)
        return;
    const CLibraryProfile* profile = fixture->Profile();
    const CProfileChannelDef* def = profile ? profile->GetChannel(channel) : nullptr;
    if (def) {
        if ((m_colorLock && def->IsColorMixChannel()) || (m_dimmerLock && IsLockedDimmer(def))
            || (m_panTiltLock && def->IsPanTiltChannel()))
            return;
    }
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    if (!RoomForLevelChange(*this, {fixture}))
        return;
    const int universe = fixture->m_universe;
    WriteHandLevel(*this, universe, slot, level);

    CSceneStore store;
    store.effectScene = [&](CEffectScene& scene) {
        if (profile)
            scene.SetStaticLevel(profile, channel, level);
        else
            scene.SetChannelStaticLevel(universe, slot, level);
    };
    store.step = [&](CSceneStep& step, CScene& scene) {
        if (def)
            step.StoreModeChannel(&scene, fixture, def, level, false, *this);
        else
            step.StoreFixture(&scene, fixture, *this);
    };
    store.undoKind = UndoDmxLevelBase + channel;
    store.undoLabel = GetLangText(Txt::UndoDmxLevel);
    FinishLevelChange(*this, store);
}

void CProject::SetSelectionPanTiltLive(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine)
{
    if (!ShowHost().SendEditDmxOption() || m_editGuard)
        return;
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    const CLayerTarget target = CLayerTarget::Of(*this, false);
    for (const CPatchedFixture* fixture : SelectedFixtures())
        fixture->WriteAllPanTilt(pan, tilt, panFine, tiltFine, false, target);
    RefreshOutput();
}

// --- Mode switches: release and force

void CProject::ReleaseChannel(int universe, int slot)
{
    if (!IsUniverse(universe) || slot < 0 || slot >= kSlots)
        return;
    ReleaseSlot(*this, universe, slot, [&](CEffectScene& scene) { scene.RemoveChannelStaticLevel(universe, slot); });
}

void CProject::ReleaseFixtureChannel(CPatchedFixture* fixture, int channel)
{
    if (!fixture || !IsUniverse(fixture->m_universe))
        return;
    const int slot = ChannelSlot(*fixture, channel);
    if (slot < 0)
        return;
    const int universe = fixture->m_universe;
    ReleaseSlot(*this, universe, slot, [&](CEffectScene& scene) {
        if (fixture->Profile())
            scene.RemoveStaticLevel(fixture->Profile(), channel);
        else
            scene.RemoveChannelStaticLevel(universe, slot);
    });
}

void CProject::ReleaseChannelWithPartner(CPatchedFixture* fixture, int channel)
{
    if (!fixture)
        return;
    const CLibraryProfile* profile = fixture->Profile();
    if (!profile) {
        ReleaseFixtureChannel(fixture, channel);
        return;
    }
    const CProfileChannelDef* def = profile->GetChannel(channel);
    if (!def || !fixture->IsChannelSelected(def))
        return;
    ReleaseFixtureChannel(fixture, channel);
    if (OwnsChannel(profile, def->m_partner16))
        ReleaseFixtureChannel(fixture, def->m_partner16->m_index);
}

void CProject::ReleasePresetChannel(const CProfileChannelDef* reference, bool anyTypeIndex)
{
    if (!reference)
        return;
    for (CPatchedFixture* fixture : SelectedFixtures()) {
        const CLibraryProfile* profile = fixture->Profile();
        if (!profile)
            continue;
        for (const COtherChannel& other : profile->OtherChannels()) {
            if (other.channel && other.channel->IsSameFunction(*reference, anyTypeIndex, profile->BeamCount()))
                ReleaseChannelWithPartner(fixture, other.channel->m_index);
        }
    }
    FinishModeSwitch(*this);
}

void CProject::ReleaseColorChannels(int component, bool master)
{
    for (CPatchedFixture* fixture : SelectedFixtures()) {
        const CLibraryProfile* profile = fixture->Profile();
        if (!profile)
            continue;
        for (const CColorSet& set : profile->ColorSets(master)) {
            for (const CProfileChannelDef* channel : ComponentChannels(*profile, set, component)) {
                if (channel && fixture->IsChannelSelected(channel))
                    ReleaseFixtureChannel(fixture, channel->m_index);
            }
        }
    }
    FinishModeSwitch(*this);
}

void CProject::ReleasePanTiltChannels(int axis, bool master)
{
    for (CPatchedFixture* fixture : SelectedFixtures()) {
        const CLibraryProfile* profile = fixture->Profile();
        if (!profile)
            continue;
        const auto release = [&](const CProfileChannelDef* channel, const CProfileChannelDef* fine) {
            if (!channel || !fixture->IsChannelSelected(channel))
                return;
            ReleaseFixtureChannel(fixture, channel->m_index);
            if (profile->HasFinePanTilt() && fine)
                ReleaseFixtureChannel(fixture, fine->m_index);
        };
        for (const CPanTiltPair& pair : profile->PanTiltPairs(master)) {
            if (axis != 1)
                release(pair.pan, pair.panFine);
            if (axis != 0)
                release(pair.tilt, pair.tiltFine);
        }
    }
    ShowHost().RaiseLiveLevelsChanged();
}

void CProject::SetFixtureChannel(CPatchedFixture* fixture, int channel, quint8 level)
{
    if (!fixture || !IsUniverse(fixture->m_universe))
        return;
    const int slot = ChannelSlot(*fixture, channel);
    if (slot < 0)
        return;
    const int universe = fixture->m_universe;
    if (!m_editedScene || (!m_editedScene->IsEffectScene() && IsEditedScenePlayingHere())) {
        m_live[universe][slot] = level;
        m_liveMask[universe][slot] = 1;
        return;
    }
    m_editMask[universe][slot] = 1;
    m_edit[universe][slot] = level;
    if (CSlotMask* active = m_editedScene->ActiveMask(universe))
        active->Set(slot);
    m_playback[universe][slot] = level;
    if (m_editedScene->IsEffectScene()) {
        auto* scene = static_cast<CEffectScene*>(m_editedScene);
        if (fixture->Profile())
            scene->SetStaticLevel(fixture->Profile(), channel, level);
        else
            scene->SetChannelStaticLevel(universe, slot, level);
    }
}

void CProject::SetColorChannels(int component, quint8 level, bool master)
{
    if (component >= 0 && component <= 3) {
        for (CPatchedFixture* fixture : SelectedFixtures()) {
            const CLibraryProfile* profile = fixture->Profile();
            if (!profile)
                continue;
            // The level is a colour component: a CMY set takes red, green
            // and blue inverted, as every colour writer does; white never is.
            const quint8 channelLevel = profile->IsCmy() && component < 3 ? quint8(255 - level) : level;
            for (const CColorSet& set : profile->ColorSets(master)) {
                const CProfileChannelDef* channel = ComponentChannels(*profile, set, component).value(0);
                if (channel && fixture->IsChannelSelected(channel))
                    SetFixtureChannel(fixture, channel->m_index, channelLevel);
            }
        }
    }
    FinishModeSwitch(*this);
}

void CProject::SetPanTiltChannels(int axis, quint8 coarse, quint8 fine, bool master)
{
    if (axis == 0 || axis == 1) {
        for (CPatchedFixture* fixture : SelectedFixtures()) {
            const CLibraryProfile* profile = fixture->Profile();
            if (!profile)
                continue;
            for (const CPanTiltPair& pair : profile->PanTiltPairs(master)) {
                const CProfileChannelDef* channel = axis == 0 ? pair.pan : pair.tilt;
                const CProfileChannelDef* partner = axis == 0 ? pair.panFine : pair.tiltFine;
                if (!channel || !fixture->IsChannelSelected(channel))
                    continue;
                SetFixtureChannel(fixture, channel->m_index, coarse);
                if (profile->HasFinePanTilt() && partner)
                    SetFixtureChannel(fixture, partner->m_index, fine);
            }
        }
    }
    ShowHost().RaiseLiveLevelsChanged();
}

// --- Channels the edited effect drives

void CProject::MarkEffectDimmers()
{
    if (SelectedFixtures().isEmpty())
        return;
    MarkChannels(*this, [](const CLibraryProfile& profile) {
        QList<const CProfileChannelDef*> channels;
        for (const CDimmerChannel& dimmer : profile.Dimmers(false))
            channels << dimmer.channel;
        return channels;
    }, false);
    ShowHost().MarkDimmersFx();
    ShowHost().LockDimmerChannels();
}

void CProject::MarkEffectChannelType(int type)
{
    if (SelectedFixtures().isEmpty())
        return;
    MarkChannels(*this, [type](const CLibraryProfile& profile) {
        QList<const CProfileChannelDef*> channels;
        for (int i = 0; i < profile.ChannelCount(); ++i) {
            const CProfileChannelDef* channel = profile.GetChannel(i);
            if (channel && channel->m_type == type)
                channels << channel;
        }
        return channels;
    }, true);
    ShowHost().MarkChannelTypeFx(type);
    ShowHost().LockChannelsOfType(type);
}

void CProject::MarkEffectPanTilt()
{
    if (SelectedFixtures().isEmpty())
        return;
    MarkChannels(*this, [](const CLibraryProfile& profile) {
        QList<const CProfileChannelDef*> channels;
        for (const CPanTiltPair& pair : profile.PanTiltPairs(false)) {
            channels << pair.pan << pair.tilt;
            if (profile.HasFinePanTilt())
                channels << pair.panFine << pair.tiltFine;
        }
        return channels;
    }, false);
    ShowHost().MarkPanTiltFx();
    ShowHost().LockPanTiltChannels();
}

void CProject::MarkEffectColors()
{
    if (SelectedFixtures().isEmpty())
        return;
    MarkChannels(*this, [](const CLibraryProfile& profile) {
        QList<const CProfileChannelDef*> channels;
        for (const CColorSet& set : profile.ColorSets(false)) {
            channels << set.red << set.green << set.blue;
            if (profile.HasWhite())
                channels << set.white;
        }
        return channels;
    }, false);
    ShowHost().MarkColorFx();
    ShowHost().LockColorChannels();
}
