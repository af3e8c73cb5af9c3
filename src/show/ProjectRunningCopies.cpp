// Running copies of effect scenes: made on the live selection, queued in the
// first page, started by its pending pass, stopped on a selection or all at
// once, and removed.

#include "show/Project.h"

#include "effects/Effect.h"
#include "show/EffectScene.h"
#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"

namespace {

CEffectScene* AsCopy(CScene* scene)
{
    if (!scene || !scene->IsEffectScene())
        return nullptr;
    auto* effectScene = static_cast<CEffectScene*>(scene);
    return effectScene->m_runningCopy ? effectScene : nullptr;
}

bool IsCopyOf(CScene* scene, const CEffectScene* effectScene)
{
    const CEffectScene* copy = AsCopy(scene);
    return copy && copy->m_source == effectScene;
}

bool HasNoFixtureLeft(const CScene& copy)
{
    return copy.m_steps.isEmpty() || copy.m_steps.first()->EntryCount() == 0;
}

void Unqueue(CPage& page, CScene* scene)
{
    const int at = page.m_pending.indexOf(scene);
    if (at < 0)
        return;
    page.m_pending.removeAt(at);
    if (at < page.m_pendingRemove.size())
        page.m_pendingRemove.removeAt(at);
    page.m_hasPending = !page.m_pending.isEmpty();
}

void Queue(CProject& project, CEffectScene* copy, bool removeFlag)
{
    project.m_queuedCopies << copy;
    project.m_firstPage->m_pending << copy;
    project.m_firstPage->m_pendingRemove << quint8(removeFlag ? 1 : 0);
    project.m_firstPage->m_hasPending = true;
    project.m_playbackRunning = true;
}

// Safe only outside a pending pass, or at the start of a call the pass makes
// for its next entry: by then the pass has read every copy retired before.
void DeleteRetiredCopies(CProject& project)
{
    const QList<CEffectScene*> retired = project.m_retiredCopies;
    project.m_retiredCopies.clear();
    qDeleteAll(retired);
}

// A copy that never started: its fixtures were marked when it was made.
// `unlink` is clear when the pending pass drops the entry itself.
void DropQueuedCopy(CProject& project, CEffectScene* copy, bool unlink)
{
    copy->UnmarkFixturesPlaying();
    project.m_queuedCopies.removeOne(copy);
    project.m_copyFadeFrom.remove(copy);
    project.m_releasingCopies.removeAll(copy);
    if (unlink && project.m_firstPage)
        Unqueue(*project.m_firstPage, copy);
    delete copy;
}

void DropQueuedCopiesOf(CProject& project, const CEffectScene* effectScene, bool everyOne)
{
    const QList<CEffectScene*> queued = project.m_queuedCopies;
    for (CEffectScene* copy : queued) {
        if (everyOne || copy->m_source == effectScene)
            DropQueuedCopy(project, copy, true);
    }
}

void RemoveEveryCopyOf(CProject& project, const CEffectScene* effectScene)
{
    DropQueuedCopiesOf(project, effectScene, false);
    for (int i = project.m_runningCopies.size() - 1; i >= 0; --i) {
        if (i < project.m_runningCopies.size() && project.m_runningCopies[i]->m_source == effectScene)
            project.RemoveRunningCopy(i, project.m_runningCopies[i]);
    }
}

// A stop that removes the copy: no fade-out, finished by the next pass.
void ReleaseCopy(CProject& project, CEffectScene* copy, bool followOn)
{
    project.m_firstPage->StopScene(copy, true, false, followOn, false);
    if (!project.m_releasingCopies.contains(copy))
        project.m_releasingCopies << copy;
}

QList<CEffectScene*> PlayingCopies(const CPage& page)
{
    QList<CEffectScene*> copies;
    for (CPlayingScene* entry : page.m_playing) {
        if (CEffectScene* copy = AsCopy(entry->Scene()))
            copies << copy;
    }
    return copies;
}

// The only caller deletes the effect scene right after: with `all` its
// copies go at once, since none may outlive it.
bool StopCopiesOfEffectScene(CProject& project, CEffectScene* effectScene, bool all)
{
    if (!all)
        return project.StopEffectScene(effectScene, false);
    if (!effectScene)
        return false;
    RemoveEveryCopyOf(project, effectScene);
    return true;
}

// The fixtures are still alive. Running copies already lost their entries
// with every other scene; waiting copies are the pending list's alone.
void ForgetRemovedFixtures(CProject& project, const QList<CPatchedFixture*>& fixtures)
{
    const QList<CEffectScene*> queued = project.m_queuedCopies;
    for (CEffectScene* copy : queued) {
        copy->RemoveFixtures(fixtures, project);
        for (CEffect* effect : qAsConst(copy->m_effects)) {
            for (const CPatchedFixture* fixture : fixtures)
                effect->RemoveFixture(fixture);
        }
        for (CPatchedFixture* fixture : fixtures) {
            copy->m_drivenFixtures.removeAll(fixture);
            copy->m_capturedSelection.removeAll(fixture);
        }
        if (HasNoFixtureLeft(*copy))
            DropQueuedCopy(project, copy, true);
    }
    for (int i = project.m_runningCopies.size() - 1; i >= 0; --i) {
        if (i >= project.m_runningCopies.size())
            continue;
        CEffectScene* copy = project.m_runningCopies[i];
        const bool lostAll = copy->m_steps.isEmpty() ? project.m_firstPage && project.m_firstPage->IsPlaying(copy)
                                                     : copy->m_steps.first()->EntryCount() == 0;
        if (lostAll)
            project.RemoveRunningCopy(i, copy);
    }
}

const bool g_hooksInstalled = [] {
    CProject::SetStopEffectSceneHook(&StopCopiesOfEffectScene);
    CProject::SetRemovedFixturesHook(&ForgetRemovedFixtures);
    return true;
}();

} // namespace

// --- Starting

namespace {

// A running copy is a scene of the show while it runs, and so are the copies
// waiting for the next tick. Started live, by a trigger as often as by a
// hand: a copy with no room is not made, and the status bar says why, with
// no message to stop the show.
bool RoomForEffectCopy(const CProject& project)
{
    qint64 more = 1;
    for (CEffectScene* queued : project.m_queuedCopies)
        more += queued && queued->m_source && !project.m_runningCopies.contains(queued) ? 1 : 0;
    if (CShowBounds::HasRoom(project, CShowBounds::Scenes, more))
        return true;
    ShowHost().ShowStatusMessage(CShowBounds::NoRoomText(project, CShowBounds::Scenes, more));
    return false;
}

} // namespace

bool CProject::PlayEffectScene(CEffectScene* effectScene, int stepIndex, int timeMs)
{
    Q_UNUSED(g_hooksInstalled);
    if (!effectScene || !effectScene->IsDynamic() || !m_firstPage)
        return false;
    DeleteRetiredCopies(*this);
    if (!RoomForEffectCopy(*this))
        return false;
    auto* copy = new CEffectScene(*effectScene, false, true, false, true);
    copy->m_runningCopy = true;
    copy->m_source = effectScene;
    if (!copy->Start(stepIndex, timeMs, true, false, false)) {
        delete copy;
        return false;
    }
    copy->m_capturedSelection = SelectedFixtures();
    Queue(*this, copy, false);
    return true;
}

bool CProject::PlayEffectSceneAt(int n)
{
    if (n < 0 || n >= m_effectScenes.size())
        return false;
    return PlayEffectScene(m_effectScenes[n], -1, -1);
}

bool CProject::StartQueuedEffectCopy(CPage* page, CScene* scene)
{
    if (!page || page != m_firstPage || !scene)
        return false;
    CEffectScene* copy = nullptr;
    for (CEffectScene* queued : qAsConst(m_queuedCopies)) {
        if (queued == scene)
            copy = queued;
    }
    if (!copy)
        return false;
    DeleteRetiredCopies(*this);

    const int at = page->m_pending.indexOf(copy);
    const bool remove = at >= 0 && at < page->m_pendingRemove.size() && page->m_pendingRemove[at] != 0;
    const bool fadeOutAtOnce = m_copyFadeFrom.contains(copy);
    if (remove && !fadeOutAtOnce) {
        DropQueuedCopy(*this, copy, false);
        return true;
    }
    m_queuedCopies.removeOne(copy);
    // Swaps and deletions of effect scenes keep a waiting copy's source
    // valid; a copy naming none of the show's plays on without one.
    if (copy->m_source && !m_effectScenes.contains(copy->m_source))
        copy->m_source = nullptr;
    StopOverlappingEffects(copy);
    StartEffectCopy(copy);
    if (!fadeOutAtOnce)
        return true;

    // The playback layer was cleared for this tick: the fade-out starts
    // from the levels output when the stop was asked for. The entry stays
    // in the pending list as a stopping scene.
    const CDmxLayer from = m_copyFadeFrom.take(copy);
    if (CPlayingScene* entry = page->PlayingEntry(copy))
        entry->SetStartLevels(from);
    copy->m_followOn = true;
    if (remove)
        m_releasingCopies << copy;
    else if (copy->m_fadeOut >= 1)
        copy->BeginFadeOut(false);
    return false;
}

void CProject::StartEffectCopy(CEffectScene* copy)
{
    if (!copy || !m_firstPage)
        return;
    m_queuedCopies.removeOne(copy);
    if (!m_runningCopies.contains(copy))
        m_runningCopies << copy;
    if (!m_firstPage->IsPlaying(copy))
        m_firstPage->AddPlaying(new CPlayingScene(*this, copy, false));
    m_firstPage->m_hasPlaying = true;
    // A copy that gave up its last fixture to this one may have ended
    // playback a moment ago.
    m_playbackRunning = true;
    ShowHost().RefreshEffectState(m_effectScenes.indexOf(copy->m_source));
}

void CProject::StopOverlappingEffects(CEffectScene* copy)
{
    if (!copy)
        return;
    auto stopping = [this](CEffectScene* other) {
        return (m_firstPage && m_firstPage->IsPending(other)) || m_releasingCopies.contains(other);
    };
    bool running = false;
    for (int i = m_runningCopies.size() - 1; i >= 0; --i) {
        if (i >= m_runningCopies.size())
            continue;
        CEffectScene* other = m_runningCopies[i];
        if (other == copy) {
            running = true;
            continue;
        }
        if (!stopping(other) && other->ReleaseSharedFixtures(*copy))
            RemoveRunningCopy(i, other);
    }
    if (running && !(m_firstPage && m_firstPage->IsPending(copy)) && copy->ReleaseSharedFixtures(*copy))
        RemoveRunningCopy(m_runningCopies.indexOf(copy), copy);
}

// --- Playing and stopping from the live pages

bool CProject::ToggleEffectScene(CEffectScene* effectScene, bool allowPlay, bool allowStop)
{
    if (!effectScene)
        return false;
    if (m_firstPage) {
        for (CPlayingScene* entry : qAsConst(m_firstPage->m_playing)) {
            if (!IsCopyOf(entry->Scene(), effectScene))
                continue;
            if (allowStop)
                StopEffectScene(effectScene, false);
            return false;
        }
    }
    return allowPlay ? PlayEffectScene(effectScene, -1, -1) : false;
}

bool CProject::TriggerEffectScene(CEffectScene* effectScene, int kind, int value)
{
    if (!effectScene)
        return false;
    const bool autoRelease = effectScene->m_triggers.m_bAutoRelease;
    switch (kind) {
    case CPage::KeyTrigger:
        if (value == 1)
            return ToggleEffectScene(effectScene, true, !autoRelease);
        return autoRelease ? ToggleEffectScene(effectScene, false, true) : false;
    case CPage::LevelTrigger: {
        const CDmxTrigger& range = effectScene->m_triggers.m_dmxTrigger;
        const bool inside = value >= range.m_minimum && value <= range.m_maximum;
        return ToggleEffectScene(effectScene, inside, !inside);
    }
    case CPage::ToggleTrigger:
        return ToggleEffectScene(effectScene, true, true);
    default:
        return false;
    }
}

bool CProject::StopEffectScene(CEffectScene* effectScene, bool all)
{
    if (!effectScene || !m_firstPage)
        return false;
    DeleteRetiredCopies(*this);
    if (all) {
        DropQueuedCopiesOf(*this, effectScene, false);
        for (CEffectScene* copy : PlayingCopies(*m_firstPage)) {
            if (copy->m_source == effectScene)
                ReleaseCopy(*this, copy, true);
        }
        return true;
    }

    const QList<CPatchedFixture*> selected = SelectedFixtures();
    if (selected.isEmpty() || m_firstPage->m_playing.isEmpty())
        return false;
    for (CEffectScene* copy : PlayingCopies(*m_firstPage)) {
        if (copy->m_source != effectScene)
            continue;
        bool drivesSelection = false;
        for (CPatchedFixture* fixture : selected)
            drivesSelection = drivesSelection || copy->m_drivenFixtures.contains(fixture);
        if (!drivesSelection)
            continue;
        if (copy->m_fadeOut < 1) {
            // Finished by the next pass, the copy gives up its scope.
            copy->m_capturedSelection = selected;
            return m_firstPage->StopScene(copy, false, false, true, true);
        }
        return ReplaceCopyForSelection(copy, false);
    }
    return false;
}

bool CProject::StopEffectSceneAt(int n)
{
    if (n < 0 || n >= m_effectScenes.size())
        return false;
    return StopEffectScene(m_effectScenes[n], false);
}

bool CProject::ReplaceCopyForSelection(CEffectScene* copy, bool removeFlag)
{
    if (!copy || !m_firstPage)
        return false;
    if (m_firstPage->IsPending(copy)) {
        m_firstPage->StopScene(copy, false, false, true, true);
        return true;
    }

    if (!RoomForEffectCopy(*this))
        return false;
    auto* fading = new CEffectScene(*copy, true, true, false, true);
    fading->m_runningCopy = true;
    fading->m_source = copy->m_source;
    if (!fading->CScene::Start(copy->CurrentStepIndex(), copy->m_stepTime, true, false, false)) {
        delete fading;
        return false;
    }
    // Started (and marked) first, so that the fixtures it gives up are
    // unmarked for it and not for the copy it came from.
    const QList<CPatchedFixture*> selected = SelectedFixtures();
    QList<CPatchedFixture*> unselected;
    for (CPatchedFixture* fixture : qAsConst(copy->m_drivenFixtures)) {
        if (!selected.contains(fixture))
            unselected << fixture;
    }
    fading->m_capturedSelection = unselected;
    fading->ReleaseSharedFixtures(*fading);

    fading->m_capturedSelection = selected;
    m_copyFadeFrom.insert(fading, m_playback);
    Queue(*this, fading, removeFlag);
    return true;
}

void CProject::ReleaseEffects()
{
    if (!m_firstPage)
        return;
    DeleteRetiredCopies(*this);
    DropQueuedCopiesOf(*this, nullptr, true);
    for (CEffectScene* copy : PlayingCopies(*m_firstPage))
        ReleaseCopy(*this, copy, false);
}

void CProject::DeleteEffectScene(int n)
{
    if (n < 0 || n >= m_effectScenes.size())
        return;
    DeleteRetiredCopies(*this);
    RemoveEveryCopyOf(*this, m_effectScenes[n]);
    RemoveEffectScene(n);
}

// --- Finishing and removing

void CProject::FinishEffectCopy(CPage* page, CScene* scene, bool all)
{
    if (!page || !scene)
        return;
    DeleteRetiredCopies(*this);
    CEffectScene* copy = AsCopy(scene);
    if (!copy || page != m_firstPage) {
        // An effect scene played in a page as it is ends as any scene does.
        scene->UnmarkFixturesPlaying();
        const int at = page->IndexOfPlaying(scene);
        if (at >= 0)
            delete page->m_playing.takeAt(at);
        return;
    }
    if (all) {
        // The pass reads the copy once more after this returns.
        if (m_runningCopies.removeOne(copy) || m_queuedCopies.removeOne(copy))
            m_retiredCopies << copy;
        RemoveRunningCopy(-1, copy);
        RemoveRunningCopiesOf(copy);
        return;
    }
    StopOverlappingEffects(copy);
    // Faded out to nothing, it would hold its remaining fixtures dark; with
    // no step it would be stopped again at every tick.
    const int at = m_runningCopies.indexOf(copy);
    if (at >= 0 && (copy->m_stopping || HasNoFixtureLeft(*copy)))
        RemoveRunningCopy(at, copy);
    else if (at >= 0)
        // It plays on where it still drives; the end of its run gives those up.
        copy->m_capturedSelection = copy->m_drivenFixtures;
}

void CProject::RemoveRunningCopy(int index, CEffectScene* copy)
{
    if (!copy) {
        if (index < 0 || index >= m_runningCopies.size())
            return;
        copy = m_runningCopies[index];
    }
    bool entryDeleted = false;
    if (m_firstPage) {
        const int at = m_firstPage->IndexOfPlaying(copy);
        if (at >= 0) {
            delete m_firstPage->m_playing.takeAt(at);
            entryDeleted = true;
        }
        Unqueue(*m_firstPage, copy);
    }
    copy->UnmarkFixturesPlaying();
    m_releasingCopies.removeAll(copy);
    m_copyFadeFrom.remove(copy);
    if (entryDeleted && m_firstPage->m_playing.isEmpty()) {
        m_firstPage->m_hasPlaying = false;
        UpdatePlaybackState();
        // The tick no longer runs to clear what the copy wrote last; the
        // merge would send it on for ever.
        if (!m_playbackRunning && !m_inTick) {
            for (int u = 0; u < m_universeCount; ++u) {
                if (m_active[u])
                    m_playback.Zero(u);
            }
        }
    }
    if (index < 0)
        return;
    const bool atIndex = index < m_runningCopies.size() && m_runningCopies[index] == copy;
    const int at = atIndex ? index : m_runningCopies.indexOf(copy);
    if (at >= 0) {
        m_runningCopies.removeAt(at);
        delete copy;
    } else if (m_queuedCopies.removeOne(copy)) {
        delete copy;
    }
}

void CProject::RemoveRunningCopiesOf(CEffectScene* copy)
{
    if (!copy)
        return;
    const CEffect* effect = copy->m_effects.isEmpty() ? nullptr : copy->m_effects.first();
    for (int i = m_runningCopies.size() - 1; i >= 0; --i) {
        if (i >= m_runningCopies.size())
            continue;
        CEffectScene* other = m_runningCopies[i];
        const bool sameEffect = effect && !other->m_effects.isEmpty() && other->m_effects.first() == effect;
        const bool same = other == copy || sameEffect;
        // One already released is finished by the pass on its own.
        if (same && (other == copy || !m_releasingCopies.contains(other)))
            RemoveRunningCopy(i, other);
    }
}

void CProject::DeleteWaitingCopies()
{
    qDeleteAll(m_queuedCopies);
    m_queuedCopies.clear();
    DeleteRetiredCopies(*this);
    m_releasingCopies.clear();
    m_copyFadeFrom.clear();
}

// --- Saved shows

bool CProject::RestartSavedEffectCopy(CEffectScene* saved)
{
    if (!saved)
        return false;
    CEffectScene* effectScene = (saved->m_runningCopy || saved->m_source) ? saved->m_source : saved;
    if (!effectScene || !m_effectScenes.contains(effectScene))
        return false;
    if (saved != effectScene && !saved->m_effects.isEmpty() && saved->m_effects.first()) {
        SelectEffectFixtures(saved->m_effects.first());
        SelectionChanged();
    }
    if (m_firstPage) {
        for (CPlayingScene* entry : qAsConst(m_firstPage->m_playing)) {
            if (IsCopyOf(entry->Scene(), effectScene))
                return false;
        }
    }
    return PlayEffectScene(effectScene, -1, -1);
}
