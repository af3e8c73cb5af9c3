#include "show/Project.h"

#include "effects/Effect.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"

#include <QScopedValueRollback>
#include <cstring>
#include <utility>

namespace {

constexpr int kSlots = CDmxLayer::kSlots;

// The fixture's slots in its universe: [first, end).
bool FixtureSlots(const CPatchedFixture& fixture, int universeCount, int& first, int& end)
{
    if (fixture.m_universe < 0 || fixture.m_universe >= universeCount)
        return false;
    const int count = fixture.Profile() ? fixture.Profile()->ChannelCount() : 1;
    first = qBound(0, fixture.m_address, kSlots);
    end = qBound(0, fixture.m_address + count, kSlots);
    return first < end;
}

// Writes one slot of a layer target: live, a slot newly masked is reported
// through `newlyMasked`; edit, the mask is always set.
void WriteSlot(CProject& project, bool live, int universe, int slot, quint8 level, bool& newlyMasked)
{
    if (!project.IsUniverse(universe) || slot < 0 || slot >= kSlots)
        return;
    CDmxLayer& levels = live ? project.m_live : project.m_edit;
    CDmxLayer& mask = live ? project.m_liveMask : project.m_editMask;
    levels[universe][slot] = level;
    if (!mask[universe][slot]) {
        mask[universe][slot] = 1;
        newlyMasked = true;
    }
}

void WriteChannelSlot(CProject& project, bool live, const CPatchedFixture& fixture, const CProfileChannelDef* channel,
                      quint8 level, bool& newlyMasked)
{
    if (!channel || !fixture.Profile() || channel->m_index < 0 || channel->m_index >= fixture.Profile()->ChannelCount())
        return;
    WriteSlot(project, live, fixture.m_universe, fixture.m_address + channel->m_index, level, newlyMasked);
}

// Defaults of one fixture: colour full (a CMY set empty), white full, pan and
// tilt centred, every other channel at its default preset. Beams are not
// asked: the defaults are the whole fixture's.
void WriteDefaults(CProject& project, bool live, const CPatchedFixture& fixture, bool& newlyMasked)
{
    const CLibraryProfile* profile = fixture.Profile();
    if (!profile)
        return;
    QVector<bool> handled(profile->ChannelCount(), false);
    const auto write = [&](const CProfileChannelDef* channel, quint8 level) {
        if (!channel)
            return;
        WriteChannelSlot(project, live, fixture, channel, level, newlyMasked);
        if (channel->m_index >= 0 && channel->m_index < handled.size())
            handled[channel->m_index] = true;
    };

    const quint8 color = profile->IsCmy() ? 0 : 255;
    for (bool secondGroup : {false, true}) {
        for (const CColorSet& set : profile->ColorSets(secondGroup)) {
            write(set.red, color);
            write(set.green, color);
            write(set.blue, color);
            if (profile->HasWhite())
                write(set.white, 255);
        }
        for (const CPanTiltPair& pair : profile->PanTiltPairs(secondGroup)) {
            write(pair.pan, 127);
            write(pair.tilt, 127);
            if (profile->HasFinePanTilt()) {
                write(pair.panFine, 127);
                write(pair.tiltFine, 127);
            }
        }
    }
    for (int i = 0; i < profile->ChannelCount(); ++i) {
        const CProfileChannelDef* channel = profile->GetChannel(i);
        if (!channel || handled[i])
            continue;
        for (const CProfilePresetDef* preset : channel->m_presets) {
            if (preset && preset->m_defaultPreset) {
                write(channel, preset->m_dmxDefault);
                break;
            }
        }
    }
}

// The editor's selected steps that are still steps of the scene.
QList<CSceneStep*> SelectedSteps(const CScene& scene)
{
    QList<CSceneStep*> steps;
    for (CSceneStep* step : scene.m_selection) {
        if (step && scene.m_steps.contains(step) && !steps.contains(step))
            steps << step;
    }
    return steps;
}

// A set's colour as its channels take it: a CMY set inverted, white never.
void SetStaticColor(CEffectScene& scene, const CLibraryProfile& profile, const CColorSet& set, quint8 red,
                    quint8 green, quint8 blue, quint8 white)
{
    const bool cmy = profile.IsCmy();
    const auto store = [&](const CProfileChannelDef* channel, quint8 level, bool invert) {
        if (channel)
            scene.SetStaticLevel(&profile, channel->m_index, invert ? quint8(255 - level) : level);
    };
    store(set.red, red, cmy);
    store(set.green, green, cmy);
    store(set.blue, blue, cmy);
    if (profile.HasWhite())
        store(set.white, white, false);
}

bool MasksOverlap(const CScene& a, const CScene& b, const QVector<quint8>& active, int universeCount)
{
    for (int u = 0; u < universeCount; ++u) {
        if (!active[u])
            continue;
        const CSlotMask* maskA = a.ActiveMask(u);
        const CSlotMask* maskB = b.ActiveMask(u);
        if (maskA && maskB && maskA->Intersects(*maskB))
            return true;
    }
    return false;
}

template <typename T>
void ReplaceAll(QList<T*>& list, T* oldItem, T* newItem)
{
    for (T*& item : list) {
        if (item == oldItem)
            item = newItem;
    }
}

// A playing entry of the old scene becomes one of the new scene with the
// same start levels and fade snapshot, in the same place of the playing order.
void ReplaceInPlayback(CProject& project, CPage& page, CScene* oldScene, CScene* newScene)
{
    for (CPlayingScene*& entry : page.m_playing) {
        if (entry->Scene() != oldScene)
            continue;
        auto* replacement = new CPlayingScene(project, newScene, false);
        replacement->StartLevels().CopyFrom(entry->StartLevels());
        replacement->FadeFrom().CopyFrom(entry->FadeFrom());
        delete entry;
        entry = replacement;
    }
}

} // namespace

// --- The edited scene

bool CProject::IsEditedScenePlayingHere() const
{
    return m_editedScene && m_currentPage && m_currentPage->IsPlaying(m_editedScene);
}

void CProject::SetEditedScene(CScene* oldScene, CScene* newScene)
{
    if (oldScene && newScene && oldScene != newScene) {
        newScene->m_position = oldScene->m_position;
        newScene->m_indexInPage = oldScene->m_indexInPage;
        // The old object stays with the editor; nothing of the show may keep
        // pointing to it.
        for (CPage* page : m_pages) {
            ReplaceAll(page->m_scenes, oldScene, newScene);
            ReplaceAll(page->m_pending, oldScene, newScene);
            page->ReplaceInStopLists(oldScene, newScene);
            for (CScene* scene : page->m_scenes) {
                if (scene->m_jumpTarget == oldScene)
                    scene->m_jumpTarget = newScene;
            }
            ReplaceInPlayback(*this, *page, oldScene, newScene);
        }
        if (oldScene->IsEffectScene() && newScene->IsEffectScene()) {
            auto* oldEffectScene = static_cast<CEffectScene*>(oldScene);
            auto* newEffectScene = static_cast<CEffectScene*>(newScene);
            ReplaceAll(m_effectScenes, oldEffectScene, newEffectScene);
            ReplaceAll(m_savedPlayingCopies, oldEffectScene, newEffectScene);
            // Copies running, waiting to start or saved as playing follow
            // their effect scene.
            for (const QList<CEffectScene*>* copies : {&m_runningCopies, &m_queuedCopies, &m_savedPlayingCopies}) {
                for (CEffectScene* copy : *copies) {
                    if (copy && copy->m_source == oldEffectScene)
                        copy->m_source = newEffectScene;
                }
            }
        }
        ReplaceAll(m_savedPlayingScenes, oldScene, newScene);
        for (CFadingButton* button : m_fadingButtons) {
            ReplaceAll(button->m_fadeOutScenes, oldScene, newScene);
            ReplaceAll(button->m_fadeInScenes, oldScene, newScene);
        }
        if (m_soundScene == oldScene)
            m_soundScene = newScene;
        ShowHost().FadingReplaceScene(oldScene, newScene);
        m_timeLine.ReplaceScene(oldScene, newScene);
        ShowHost().TimeLineReplaceScene(oldScene, newScene);
    }
    m_editedScene = newScene;
}

int CProject::EditTarget() const
{
    if (!m_editedScene)
        return 3;
    if (!m_editedScene->IsEffectScene())
        return IsEditedScenePlayingHere() ? 1 : 0;
    const CEffect* effect = m_effectEngine.Effect();
    if (!effect || effect->m_type == EffectType::Curve || effect->m_type == EffectType::Preset)
        return 0;
    for (const CPatchedFixture* fixture : SelectedFixtures()) {
        const bool matrixCell = fixture->m_matrixId >= 0;
        if (fixture->Profile() && !EffectUsesProfile(effect, fixture->Profile(), matrixCell, false, false))
            return 1;
    }
    return 0;
}

CEffectScene* CProject::IsEffectSceneRunningOnSelection(const CEffectScene* effectScene) const
{
    const QList<CPatchedFixture*> selected = SelectedFixtures();
    if (!effectScene || effectScene->m_effects.isEmpty() || !effectScene->m_effects.first() || selected.isEmpty())
        return nullptr;
    const CEffect& effect = *effectScene->m_effects.first();
    for (CEffectScene* copy : m_runningCopies) {
        if (copy->m_source != effectScene)
            continue;
        bool drivesOne = false;
        bool fits = true;
        for (CPatchedFixture* fixture : selected) {
            if (copy->m_drivenFixtures.contains(fixture))
                drivesOne = true;
            else if (EffectUsesProfile(&effect, fixture->Profile(), fixture->m_matrixId >= 0, false, false))
                fits = false;
        }
        if (fits && drivesOne)
            return copy;
    }
    return nullptr;
}

bool CProject::CanPreviewEditedScene() const
{
    if (!m_editedScene)
        return false;
    if (!m_playbackRunning)
        return true;
    if (!m_editedScene->IsDynamic())
        return false;

    if (m_editedScene->IsEffectScene()) {
        const auto* edited = static_cast<const CEffectScene*>(m_editedScene);
        const QList<CPatchedFixture*> selected = SelectedFixtures();
        for (const CPage* page : m_pages) {
            for (const CPlayingScene* entry : page->m_playing) {
                const CScene* scene = entry->Scene();
                if (!scene || scene == edited)
                    continue;
                if (scene->IsEffectScene() && static_cast<const CEffectScene*>(scene)->m_source == edited)
                    continue;
                for (const CPatchedFixture* fixture : selected) {
                    int first = 0;
                    int end = 0;
                    const CSlotMask* mask = scene->ActiveMask(fixture->m_universe);
                    if (!mask || !FixtureSlots(*fixture, m_universeCount, first, end))
                        continue;
                    for (int s = first; s < end; ++s) {
                        if (mask->Test(s))
                            return false;
                    }
                }
            }
        }
        for (const CEffectScene* copy : m_runningCopies) {
            if (copy->m_source == edited)
                return IsEffectSceneRunningOnSelection(edited) != nullptr;
        }
        return true;
    }

    for (const CPage* page : m_pages) {
        if (page->IsPlaying(m_editedScene))
            return true;
    }
    for (const CPage* page : m_pages) {
        for (const CPlayingScene* entry : page->m_playing) {
            const CScene* scene = entry->Scene();
            if (!scene || scene == m_editedScene)
                continue;
            if (scene->IsEffectScene() && static_cast<const CEffectScene*>(scene)->m_source == m_editedScene)
                continue;
            if (MasksOverlap(*scene, *m_editedScene, m_active, m_universeCount))
                return false;
        }
    }
    return true;
}

// --- The edit layer

void CProject::RefreshEditLayer(bool rebuild)
{
    if (m_editGuard)
        return;
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    if (rebuild && m_editedScene)
        RebuildEditLayer();
    ShowHost().RefreshOutputViews();
}

void CProject::RebuildEditLayer()
{
    for (int u = 0; u < m_universeCount; ++u) {
        if (m_active[u])
            m_edit.Zero(u);
    }
    LoadEditedEffectLevels();
    if (m_editedScene && m_editedScene->CurrentStepIndex() >= 0)
        m_editedScene->m_currentStep->ApplyLevels(Buffers(m_edit), true);
}

void CProject::LoadEditedEffectLevels()
{
    if (!m_editedScene || !m_editedScene->IsEffectScene())
        return;
    const auto* scene = static_cast<const CEffectScene*>(m_editedScene);
    bool unused = false;
    // Records come from files: one naming a universe or slot the project
    // does not have is passed over.
    for (const CStaticChannelLevel& level : scene->m_channelStaticLevels)
        WriteSlot(*this, false, level.m_universe, level.m_channel, level.m_level, unused);

    if (scene->m_modeStaticLevels.isEmpty())
        return;
    const CLayerTarget target = CLayerTarget::Of(*this, false);
    for (const CPatchedFixture* fixture : SelectedFixtures()) {
        const CLibraryProfile* profile = fixture->Profile();
        if (!profile)
            continue;
        for (const CModeStaticLevels& record : scene->m_modeStaticLevels) {
            if (!record.Matches(profile))
                continue;
            for (const auto& entry : record.m_levels) {
                // Null for a channel past the mode's end.
                if (const CProfileChannelDef* channel = profile->GetChannel(entry.first))
                    fixture->WriteChannel(channel, entry.second, target);
            }
        }
    }
}

void CProject::CopyLiveToEdit()
{
    for (int u = 0; u < m_universeCount; ++u) {
        if (!m_active[u])
            continue;
        const quint8* liveMask = m_liveMask[u];
        const quint8* live = m_live[u];
        quint8* edit = m_edit[u];
        quint8* editMask = m_editMask[u];
        for (int s = 0; s < kSlots; ++s) {
            if (liveMask[s]) {
                edit[s] = live[s];
                editMask[s] = 1;
            }
        }
    }
}

bool CProject::ApplyMask(int n)
{
    if (n < 0 || n >= m_masks.size())
        return false;
    bool unused = false;
    for (const CChannelLevel& level : m_masks.at(n).m_levels)
        WriteSlot(*this, false, level.m_universe, level.m_channel, level.m_level, unused);
    return true;
}

void CProject::ResetEditLayer()
{
    m_effectEngine.Clear(true);
    ClearEditLayer();
}

void CProject::ClearEditLayer()
{
    for (int u = 0; u < m_universeCount; ++u) {
        if (m_active[u]) {
            m_edit.Zero(u);
            m_editMask.Zero(u);
        }
    }
}

void CProject::ClearEffectMask()
{
    for (int u = 0; u < m_universeCount; ++u) {
        if (m_active[u])
            m_effectMask.Zero(u);
    }
}

void CProject::ReleaseLive()
{
    for (int u = 0; u < m_universeCount; ++u) {
        if (!m_active[u])
            continue;
        quint8* mask = m_liveMask[u];
        quint8* live = m_live[u];
        for (int s = 0; s < kSlots; ++s) {
            if (mask[s]) {
                mask[s] = 0;
                live[s] = 0;
            }
        }
    }
    // The next tick re-evaluates the "Release live" action from the masks.
    ShowHost().RaiseLiveLevelsChanged();
}

void CProject::UpdateEditMaskForSelection()
{
    if (!m_editedScene || !m_currentGroup)
        return;
    for (const CPatchedFixture* fixture : m_currentGroup->m_fixtures) {
        int first = 0;
        int end = 0;
        if (!fixture->Profile() || !FixtureSlots(*fixture, m_universeCount, first, end))
            continue;
        const int u = fixture->m_universe;
        quint8* editMask = m_editMask[u];
        if (fixture->IsAnyBeamSelected()) {
            const CSlotMask* active = std::as_const(*m_editedScene).ActiveMask(u);
            for (int s = first; s < end; ++s) {
                if (!editMask[s])
                    editMask[s] = active && active->Test(s) ? 1 : 0;
            }
        } else {
            std::memset(m_edit[u] + first, 0, size_t(end - first));
            std::memset(editMask + first, 0, size_t(end - first));
        }
    }
}

// --- Colour and default levels of fixtures

void CProject::SetFixtureColor(CPatchedFixture* fixture, int colorSet, quint8 red, quint8 green, quint8 blue,
                               quint8 white)
{
    if (!fixture || m_editGuard || m_colorLock)
        return;
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    if (m_editedScene && !IsEditedScenePlayingHere() && !m_effectEditing
        && !CShowBounds::AskRoomForFixtures(*this, *m_editedScene, {fixture}))
        return;
    fixture->WriteColor(colorSet, red, green, blue, white, CLayerTarget::Of(*this, !m_editedScene));
    if (!m_editedScene)
        return;

    if (m_editedScene->IsEffectScene()) {
        const CLibraryProfile* profile = fixture->Profile();
        if (!profile)
            return;
        auto* scene = static_cast<CEffectScene*>(m_editedScene);
        for (bool secondGroup : {false, true}) {
            for (const CColorSet& set : profile->ColorSets(secondGroup))
                SetStaticColor(*scene, *profile, set, red, green, blue, white);
        }
        return;
    }
    if (IsEditedScenePlayingHere() || m_effectEditing)
        return;
    for (CSceneStep* step : SelectedSteps(*m_editedScene))
        step->StoreColorForFixture(m_editedScene, fixture, colorSet, red, green, blue, white, *this);
}

void CProject::DefaultLevels()
{
    // Reached again from a view this operation refreshes: nothing to do.
    if (m_editGuard)
        return;
    const QList<CPatchedFixture*> selected = SelectedFixtures();
    if (selected.isEmpty())
        return;
    const QScopedValueRollback<bool> guard(m_editGuard, true);
    const bool storing = m_editedScene && (m_editedScene->IsEffectScene() || !IsEditedScenePlayingHere());
    if (storing && !CShowBounds::AskRoomForFixtures(*this, *m_editedScene, selected))
        return;

    // With an edited scene the defaults go where the scene's steps capture
    // from, the edit layer and its mask; the playback layer belongs to the
    // tick.
    const bool live = !m_editedScene;
    bool newlyMasked = false;
    for (const CPatchedFixture* fixture : selected)
        WriteDefaults(*this, live, *fixture, newlyMasked);
    if (live && newlyMasked)
        ShowHost().RaiseLiveLevelsChanged();

    if (m_editedScene) {
        if (storing) {
            for (CSceneStep* step : SelectedSteps(*m_editedScene))
                step->StoreFixtures(m_editedScene, true, *this);
        }
        RebuildEditLayer();
        ShowHost().RefreshOutputViews();
    }
    ShowHost().RefreshCurrentPanel();
    ShowHost().RaiseUiUpdate();
}

void CProject::ReleasePresetChannels(const QList<const CProfileChannelDef*>& channels)
{
    for (const CProfileChannelDef* reference : channels) {
        if (!reference)
            continue;
        for (CPatchedFixture* fixture : SelectedFixtures()) {
            const CLibraryProfile* profile = fixture->Profile();
            if (!profile)
                continue;
            for (int i = 0; i < profile->ChannelCount(); ++i) {
                const CProfileChannelDef* channel = profile->GetChannel(i);
                if (channel && channel->IsSameFunction(*reference, false, profile->BeamCount()))
                    ReleaseChannelWithPartner(fixture, i);
            }
        }
    }
    ShowHost().RaiseUiUpdate();
    RefreshOutput();
}
