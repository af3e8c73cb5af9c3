#include "show/Project.h"

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Scene.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>

namespace {

// Names of the page and group every project starts with. They are data
// saved with the project, not captions: a show keeps the names it was
// built with whatever the language.
const QString kFirstPageName = QStringLiteral("Scenes");
const QString kGeneralGroupName = QStringLiteral("General");
const QString kGeneralGroupKey = QStringLiteral("F1");

constexpr int kNewTimeLineLengthMs = 900000;

// A copy read from a file as playing, not started since: the project's own.
void DeleteSavedCopy(const CProject& project, CEffectScene* copy)
{
    if (copy && !project.m_runningCopies.contains(copy) && !project.m_effectScenes.contains(copy))
        delete copy;
}

} // namespace

CProject::CProject() = default;

CProject::~CProject()
{
    Clear();
}

// --- Document lifetime

void CProject::NewProject(int universes)
{
    if (!m_pages.isEmpty() || !m_groups.isEmpty())
        Clear();
    if (universes >= 0) {
        m_universeCount = universes;
        ReallocUniverses();
    } else if (m_active.size() != m_universeCount) {
        // The layers were never allocated: a negative count still needs them.
        ReallocUniverses();
    }

    auto* page = new CPage(*this, kFirstPageName);
    m_pages << page;
    m_firstPage = page;
    m_currentPage = page;

    auto* group = new CGroup(kGeneralGroupName);
    group->m_triggers.ParseShortCut(kGeneralGroupKey);
    m_groups << group;
    m_generalGroup = group;
    m_currentGroup = group;
}

void CProject::ReallocUniverses()
{
    DeleteRawChannels();
    m_active.fill(0, m_universeCount);
    for (CDmxLayer* layer : {&m_liveMask, &m_editMask, &m_effectMask, &m_playback, &m_edit, &m_live, &m_output,
                             &m_dmxInput, &m_recordInput, &m_scratch, &m_pageScratch, &m_pageProbe})
        layer->Allocate(m_universeCount);
    m_rawChannelTable.fill(nullptr, m_universeCount * CDmxLayer::kSlots);
}

void CProject::DeleteRawChannels()
{
    for (CPatchedFixture*& record : m_rawChannelTable) {
        delete record;
        record = nullptr;
    }
    m_rawChannels.clear();
}

void CProject::Clear()
{
    // Nothing may point into what is deleted below.
    StopSceneSound();
    m_editedScene = nullptr;
    m_playbackRunning = false;
    // The effect being edited points at fixtures and profiles deleted below.
    m_effectEngine.Clear(true);

    // Copies read as playing belong to the project until they run again.
    // Sorted in place rather than gathered in a set: clearing after a read
    // that ran out of memory must not allocate.
    std::sort(m_savedPlayingCopies.begin(), m_savedPlayingCopies.end());
    CEffectScene* previous = nullptr;
    for (CEffectScene* copy : qAsConst(m_savedPlayingCopies)) {
        if (copy != previous)
            DeleteSavedCopy(*this, copy);
        previous = copy;
    }
    m_savedPlayingPages.clear();
    m_savedPlayingScenes.clear();
    m_savedPlayingCopies.clear();
    m_savedSelectedFixtures.clear();
    m_savedSelectedMatrices.clear();

    m_addedProfiles.clear();
    m_selectionCaps.Reset();
    qDeleteAll(m_library);
    m_library.clear();
    m_currentPage = nullptr;
    m_firstPage = nullptr;
    // Blocks point at the pages and scenes deleted below.
    m_timeLine.Clear();
    m_timeLine.ClearMarkers();
    m_timeLine.m_inFile = false;
    // A refused file must not switch the output on for the show after it.
    m_loadedDmxMode = 0;
    m_fixturesLeftOut = 0;
    // Pages hold entries of running copies: they go before the copies. Out
    // of the list first, as each scene deleted is forgotten in the pages.
    const QList<CPage*> pages = m_pages;
    m_pages.clear();
    qDeleteAll(pages);
    // Its playback entry, if any, went with its page.
    delete m_recordScene;
    m_recordScene = nullptr;
    qDeleteAll(m_effectScenes);
    m_effectScenes.clear();
    qDeleteAll(m_runningCopies);
    m_runningCopies.clear();
    DeleteWaitingCopies();
    m_currentGroup = nullptr;
    if (m_generalGroup)
        m_generalGroup->Clear(true);
    m_generalGroup = nullptr;
    qDeleteAll(m_groups);
    m_groups.clear();
    m_masks.clear();
    qDeleteAll(m_fadingButtons);
    m_fadingButtons.clear();
    DeleteRawChannels();
    m_invertedFixtures.clear();
    m_hasInvertedFixtures = false;
    // No entry is left to fit: an open does not walk the show it read.
    m_fittedProfileChanges = CPatchedFixture::ProfileChanges();
    qDeleteAll(m_dmxConfig);
    m_dmxConfig.clear();

    m_active.fill(0);
    for (CDmxLayer* layer : {&m_liveMask, &m_editMask, &m_effectMask, &m_playback, &m_edit, &m_live, &m_output})
        layer->Zero();
}

void CProject::Reset()
{
    Clear();
    ShowHost().ResetPresets();
    ShowHost().ClearTimeMarkers();
    ShowHost().ClearTimeLine();
    ShowHost().SetTimeLineLength(kNewTimeLineLengthMs);
    m_timeLine.m_length = kNewTimeLineLengthMs;
    NewProject(-1);
    UpdateAfterPatch(true, false);
    ShowHost().OnProjectLoaded();
}

void CProject::UpdateAfterPatch(bool sortGroups, bool restartScenes)
{
    // The patch may have deleted profiles the capabilities point to.
    m_selectionCaps.Reset();
    FitEntriesToProfiles();
    RenderedContentChanged();
    if (sortGroups) {
        for (CGroup* group : m_groups)
            group->SortFixtures();
    }

    m_active.fill(0);
    if (m_generalGroup) {
        for (const CPatchedFixture* fixture : m_generalGroup->m_fixtures) {
            if (IsUniverse(fixture->m_universe))
                m_active[fixture->m_universe] = 1;
        }
    }
    for (const CPatchedFixture* record : m_rawChannels) {
        if (IsUniverse(record->m_universe))
            m_active[record->m_universe] = 1;
    }

    if (!restartScenes)
        return;

    if (ShowHost().StartScenesOption()) {
        using B = CShowBounds;
        if (m_savedPlayingCopies.count(nullptr) < m_savedPlayingCopies.size()) {
            m_restartRoom = SRestartRoom{B::Bound(B::Steps) - B::Held(*this, B::Steps),
                                         B::Bound(B::GeneratedEntries) - B::Held(*this, B::GeneratedEntries),
                                         B::Bound(B::GeneratedLevels) - B::Held(*this, B::GeneratedLevels)};
        }
        const auto restarted = qScopeGuard([this] { m_restartRoom.reset(); });
        const int count = qMin(m_savedPlayingScenes.size(), qMin(m_savedPlayingPages.size(), m_savedPlayingCopies.size()));
        for (int i = count - 1; i >= 0; --i) {
            if (CEffectScene* copy = m_savedPlayingCopies[i]) {
                if (RestartSavedEffectCopy(copy))
                    ShowHost().UpdateReleaseEffectsAction();
                continue;
            }
            CPage* page = m_savedPlayingPages[i];
            CScene* scene = m_savedPlayingScenes[i];
            if (!page || !scene || !m_pages.contains(page) || page->IsPlaying(scene))
                continue;
            if (page->PlayScene(scene))
                ShowHost().UpdateReleaseScenesAction(false);
        }
    }

    if (m_generalGroup) {
        m_generalGroup->m_selectedFixtures = m_savedSelectedFixtures;
        m_generalGroup->m_selectedMatrices = m_savedSelectedMatrices;
    }
    m_savedSelectedFixtures.clear();
    m_savedSelectedMatrices.clear();
}

// --- Queries

bool CProject::IsScenePlaying(const CScene* scene) const
{
    if (!scene)
        return false;
    if (scene->IsEffectScene()) {
        for (const CEffectScene* copy : m_runningCopies) {
            if (copy->m_source == scene)
                return true;
        }
    }
    for (const CPage* page : m_pages) {
        if (page->IsPlaying(scene))
            return true;
    }
    return false;
}

int CProject::FindRunningEffect(const CEffectScene* effectScene) const
{
    if (!effectScene)
        return -1;
    const QList<CPatchedFixture*> selected = SelectedFixtures();
    for (const CEffectScene* copy : m_runningCopies) {
        if (copy->m_source != effectScene)
            continue;
        const bool drivesSelection = std::all_of(selected.begin(), selected.end(), [copy](CPatchedFixture* f) {
            return copy->m_drivenFixtures.contains(f);
        });
        if (drivesSelection)
            return copy->CurrentStepIndex();
    }
    return -1;
}

bool CProject::HasLiveLevels() const
{
    for (int u = 0; u < m_universeCount; ++u) {
        if (!m_active[u])
            continue;
        const quint8* mask = m_liveMask[u];
        for (int s = 0; s < CDmxLayer::kSlots; ++s) {
            if (mask[s])
                return true;
        }
    }
    return false;
}

int CProject::CurrentGroupIndex() const
{
    return m_groups.indexOf(m_currentGroup);
}

void CProject::UniqueEffectScenePosition(int n)
{
    if (n < 0 || n >= m_effectScenes.size())
        return;
    int position = 0;
    for (;;) {
        bool used = false;
        for (int i = 0; i < m_effectScenes.size() && !used; ++i)
            used = i != n && m_effectScenes[i]->m_position == position;
        if (!used)
            break;
        ++position;
    }
    m_effectScenes[n]->m_position = position;
}

CPatchedFixture* CProject::GetChannelFixture(int universe, int slot)
{
    if (!IsUniverse(universe) || slot < 0 || slot >= CDmxLayer::kSlots)
        return nullptr;
    CPatchedFixture*& record = m_rawChannelTable[universe * CDmxLayer::kSlots + slot];
    if (!record) {
        record = new CPatchedFixture(slot, universe);
        m_rawChannels << record;
        m_active[universe] = 1;
    }
    return record;
}

const quint8* CProject::EditLevels(int universe) const
{
    return IsUniverse(universe) ? m_edit[universe] : nullptr;
}

const quint8* CProject::EditMask(int universe) const
{
    return IsUniverse(universe) ? m_editMask[universe] : nullptr;
}

QList<CPatchedFixture*> CProject::PatchedFixtures() const
{
    return m_generalGroup ? m_generalGroup->m_fixtures : QList<CPatchedFixture*>();
}

QList<CPatchedFixture*> CProject::GroupFixtures() const
{
    return m_currentGroup ? m_currentGroup->m_fixtures : QList<CPatchedFixture*>();
}

QList<CPatchedFixture*> CProject::SelectedFixtures() const
{
    return m_currentGroup ? m_currentGroup->m_selectedFixtures : QList<CPatchedFixture*>();
}

CPatchedFixture* CProject::FixtureAt(int universe, int slot) const
{
    if (!m_generalGroup)
        return nullptr;
    for (CPatchedFixture* fixture : m_generalGroup->m_fixtures) {
        if (fixture->Profile() && fixture->m_universe == universe && fixture->m_address == slot)
            return fixture;
    }
    return nullptr;
}

CPatchedFixture* CProject::RawChannelAt(int universe, int slot) const
{
    if (!IsUniverse(universe) || slot < 0 || slot >= CDmxLayer::kSlots)
        return nullptr;
    return m_rawChannelTable[universe * CDmxLayer::kSlots + slot];
}

// --- Playback bookkeeping

void CProject::RefreshOutput()
{
    if (!m_playbackRunning)
        MergeOutput();
    ShowHost().RepaintLayoutView();
}

void CProject::StartPlayback()
{
    m_playbackRunning = true;
    ShowHost().RefreshEffectState(-1);
}

void CProject::UpdatePlaybackState()
{
    for (const CPage* page : m_pages) {
        if (page->m_hasPlaying)
            return;
    }
    m_playbackRunning = false;
    ShowHost().RefreshEffectActions();
}

void CProject::ReleaseScenes()
{
    for (CPage* page : m_pages)
        page->ReleaseScenes();
}

void CProject::PlaySceneSound(CScene* scene)
{
    if (!scene || !scene->m_playSound || scene->m_sound.isEmpty() || !QFileInfo(scene->m_sound).isFile())
        return;
    ShowHost().PlaySceneSound(scene->m_sound, m_volume);
    m_soundScene = scene;
}

void CProject::StopSceneSound()
{
    if (!m_soundScene)
        return;
    m_soundScene = nullptr;
    ShowHost().StopSceneSound();
}

bool CProject::RemoveScene(int n)
{
    if (!m_currentPage || n < 0 || n >= m_currentPage->m_scenes.size())
        return false;
    CScene* scene = m_currentPage->m_scenes[n];
    if (!m_currentPage->IsPlaying(scene)) {
        m_currentPage->DeleteScene(scene);
        return true;
    }
    return m_currentPage->StopScene(scene, true, false, true, true);
}

void CProject::ForgetScene(CScene* scene)
{
    if (m_editedScene == scene)
        m_editedScene = nullptr;
    // Jumps and release lists are kept per page, but a scene moved to
    // another page takes its references along: every page is searched.
    for (CPage* page : qAsConst(m_pages)) {
        for (CScene* other : qAsConst(page->m_scenes)) {
            if (other != scene)
                other->ForgetScene(scene);
        }
    }
    if (m_soundScene == scene)
        StopSceneSound();
    for (int i = m_savedPlayingScenes.size() - 1; i >= 0; --i) {
        if (m_savedPlayingScenes[i] == scene) {
            m_savedPlayingScenes.removeAt(i);
            if (i < m_savedPlayingPages.size())
                m_savedPlayingPages.removeAt(i);
            if (i < m_savedPlayingCopies.size())
                DeleteSavedCopy(*this, m_savedPlayingCopies.takeAt(i));
        }
    }
    m_timeLine.RemoveSceneBlocks(scene);
    // A stored crossfade that still named the scene would play a dead pointer.
    for (CFadingButton* button : m_fadingButtons) {
        for (int i = button->m_fadeOutScenes.size() - 1; i >= 0; --i) {
            if (button->m_fadeOutScenes[i] == scene) {
                button->m_fadeOutScenes.removeAt(i);
                if (i < button->m_fadeOutPages.size())
                    button->m_fadeOutPages.removeAt(i);
            }
        }
        for (int i = button->m_fadeInScenes.size() - 1; i >= 0; --i) {
            if (button->m_fadeInScenes[i] == scene) {
                button->m_fadeInScenes.removeAt(i);
                if (i < button->m_fadeInPages.size())
                    button->m_fadeInPages.removeAt(i);
            }
        }
    }
}

// --- Live masters

template <typename Apply>
void CProject::ForEachPlayingScene(Apply apply)
{
    for (CPage* page : m_pages) {
        for (CPlayingScene* entry : page->m_playing) {
            if (entry->Scene())
                apply(entry->Scene());
        }
    }
}

void CProject::SetPause(bool on)
{
    m_pause = on;
    ForEachPlayingScene([on](CScene* scene) { scene->m_paused = on; });
}

void CProject::SetBlackOut(bool on)
{
    m_blackOut = on;
    ForEachPlayingScene([on](CScene* scene) {
        if (on)
            scene->m_beamOn = false;
        scene->m_blackout = on;
    });
}

void CProject::SetBeamOn(bool on)
{
    m_beamOn = on;
    ForEachPlayingScene([on](CScene* scene) {
        if (on)
            scene->m_blackout = false;
        scene->m_beamOn = on;
    });
}

void CProject::SetDimmer(int value)
{
    m_masterDimmer = qBound(0, value, 100);
    const int dimmer = m_masterDimmer;
    ForEachPlayingScene([dimmer](CScene* scene) { scene->SetDimmer(dimmer); });
}

void CProject::SetSpeed(int value)
{
    m_masterSpeed = qBound(0, value, 100);
    const int speed = m_masterSpeed;
    ForEachPlayingScene([speed](CScene* scene) { scene->SetSpeed(speed); });
}

void CProject::SetColorOverride(bool on)
{
    m_colorOverride = on;
    ForEachPlayingScene([on](CScene* scene) { scene->m_liveColor = on; });
}

void CProject::SetLiveColor(quint8 red, quint8 green, quint8 blue)
{
    m_colorOverride = true;
    m_red = red;
    m_green = green;
    m_blue = blue;
    ApplyLiveColor();
}

void CProject::SetLiveWhite(quint8 white)
{
    m_colorOverride = true;
    m_white = white;
    ApplyLiveColor();
}

void CProject::ApplyLiveColor()
{
    ForEachPlayingScene([this](CScene* scene) {
        scene->m_red = m_red;
        scene->m_green = m_green;
        scene->m_blue = m_blue;
        scene->m_white = m_white;
        scene->m_liveColor = true;
    });
}

void CProject::SetVolume(int value)
{
    m_volume = qBound(0, value, 100);
    ShowHost().SetSceneSoundVolume(m_volume);
    ShowHost().SetTimeLineVolume(m_volume);
}
