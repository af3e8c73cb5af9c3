#include "show/Page.h"

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/PlayingScene.h"
#include "show/Project.h"
#include "show/RenderedStep.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "show/SpeedScale.h"

#include <QVarLengthArray>

#include <algorithm>
#include <limits>

namespace {

// Every fade leads by one 40 ms frame, so it reaches its target on the tick
// in which the counter reaches length - 40. A fade of length 0 is over.
float FadeRatio(int counter, int length)
{
    if (length <= 0)
        return 1.0f;
    return qMin(1.0f, float(counter + 40) / float(length));
}

bool IsLiveMode()
{
    return ShowHost().LivePagesMode() == 0;
}

} // namespace

CPage::CPage(CProject& project, const QString& name)
    : m_name(name),
      m_project(project),
      m_scratchCleared(size_t(qMax(0, project.UniverseCount())), 0)
{
}

void CPage::AddPlaying(CPlayingScene* entry)
{
    if (m_aheadWork.UniverseCount() != m_project.UniverseCount())
        m_aheadWork.Allocate(m_project.UniverseCount());
    m_playing << entry;
}

CDmxLayer& CPage::Scratch()
{
    return m_project.m_pageScratch;
}

void CPage::ReleaseAheadWork()
{
    m_ahead = nullptr;
    m_aheadWork = CDmxLayer();
}

CPage::~CPage()
{
    Clear();
}

void CPage::Clear()
{
    qDeleteAll(m_playing);
    m_playing.clear();
    m_pending.clear();
    m_pendingRemove.clear();
    m_hasPlaying = false;
    m_hasPending = false;
    // Out of the list first: forgetting a scene searches the page's scenes.
    const QList<CScene*> scenes = m_scenes;
    m_scenes.clear();
    for (CScene* scene : scenes) {
        m_project.ForgetScene(scene);
        delete scene;
    }
}

int CPage::IndexOfPlaying(const CScene* scene) const
{
    if (!scene)
        return -1;
    for (int i = 0; i < m_playing.size(); ++i) {
        if (m_playing[i]->Scene() == scene)
            return i;
    }
    return -1;
}

CPlayingScene* CPage::PlayingEntry(const CScene* scene) const
{
    const int i = IndexOfPlaying(scene);
    return i >= 0 ? m_playing[i] : nullptr;
}

void CPage::TellStarted(CScene* scene)
{
    if (IsLiveMode())
        ShowHost().OnSceneStarted(this, scene);
}

// --- Starting and stopping

bool CPage::PlayScene(CScene* scene, int stepIndex, int timeMs, bool custom, bool fromTimeline)
{
    if (!scene || !scene->IsDynamic())
        return false;
    // A scene already released for deletion stays released.
    const int pendingAt = m_pending.indexOf(scene);
    if (pendingAt >= 0 && m_pendingRemove[pendingAt])
        return false;
    // A follow-on run by a play-mode pass (A jumps to B, B back to A) must
    // not revive a scene the same pass is releasing.
    if (pendingAt >= 0 && m_passReleased.contains(scene))
        return false;
    if (!custom && !scene->IsEffectScene())
        ApplyPlayMode(scene);

    CPlayingScene* entry = PlayingEntry(scene);
    if (!scene->Start(stepIndex, timeMs, entry == nullptr, custom, fromTimeline))
        return false;

    // Started again while fading out: it plays on and must not be finished
    // by the next pending pass.
    const int stillPending = m_pending.indexOf(scene);
    if (stillPending >= 0) {
        m_pending.removeAt(stillPending);
        m_pendingRemove.removeAt(stillPending);
        m_hasPending = !m_pending.isEmpty();
    }

    if (entry)
        entry->Reset();
    else
        AddPlaying(new CPlayingScene(m_project, scene, custom));

    if (!fromTimeline && !scene->IsEffectScene())
        m_project.PlaySceneSound(scene);
    m_hasPlaying = true;
    m_project.StartPlayback();
    // However it was started (a key, its button, a crossfade, the timeline,
    // a follow-on, a show opened), its first step may be rendered before the
    // tick that sends it.
    ShowHost().RenderStartedScenes();
    return true;
}

bool CPage::SharesChannel(const CScene* a, const CScene* b) const
{
    for (int u : a->MaskUniverses()) {
        const CSlotMask* maskA = a->ActiveMask(u);
        const CSlotMask* maskB = b->ActiveMask(u);
        if (maskA && maskB && maskA->Intersects(*maskB))
            return true;
    }
    return false;
}

void CPage::ApplyPlayMode(CScene* scene)
{
    auto stop = [this](CScene* other) {
        if (!IsPending(other)) {
            m_passReleased << other;
            StopScene(other, false, false, true, true);
        }
    };
    // Follow-ons may start another pass inside this one: the outermost one
    // forgets what was released.
    struct PassScope {
        CPage& page;
        explicit PassScope(CPage& p) : page(p) { ++page.m_passDepth; }
        ~PassScope()
        {
            if (--page.m_passDepth == 0)
                page.m_passReleased.clear();
        }
    } scope(*this);

    if (scene->m_playMode == ReleaseList) {
        for (CScene* other : scene->m_releaseList) {
            if (other && other != scene)
                stop(other);
        }
        return;
    }
    if (scene->m_playMode != ReleaseSameChannels && scene->m_playMode != ReleaseAuto
        && scene->m_playMode != ReleaseAll)
        return;

    // Stops only mark scenes pending; the playing list keeps its size.
    for (int i = 0; i < m_playing.size(); ++i) {
        CScene* other = m_playing[i]->Scene();
        if (!other || other == scene || other->IsEffectScene())
            continue;
        const bool release = (scene->m_playMode == ReleaseAll)
                             || (scene->m_playMode == ReleaseAuto && other->m_playMode == ReleaseAuto)
                             || (scene->m_playMode == ReleaseSameChannels && SharesChannel(scene, other));
        if (release)
            stop(other);
    }
}

bool CPage::StopScene(CScene* scene, bool remove, bool custom, bool followOn, bool withFadeOut)
{
    if (!scene)
        return false;

    const int pendingAt = m_pending.indexOf(scene);
    if (pendingAt >= 0) {
        // Released while fading out: the fade-out ends now. A removal asked
        // for now is kept, so the scene goes once it has finished.
        if (remove)
            m_pendingRemove[pendingAt] = 1;
        if (scene->m_fadeOutDelayCounter > 0 || scene->m_fadeOutCounter >= 0) {
            scene->m_fadeOutDelayCounter = scene->m_fadeOutDelay;
            scene->m_fadeOutCounter = qMax(0, scene->m_runningFadeOutLength);
        }
        return true;
    }

    CPlayingScene* entry = PlayingEntry(scene);
    if (!entry)
        return false;

    scene->m_followOn = followOn;
    if (!remove && !scene->m_stopping && scene != m_project.m_editedScene) {
        const bool noFadeOutYet = scene->m_fadeOutCounter < 0;
        if (!custom) {
            if (withFadeOut && scene->m_fadeOut >= 1 && noFadeOutYet) {
                entry->Reset();
                CScene* outerRequest = m_stopRequest;
                m_stopRequest = scene;
                SceneEnded(scene, true);
                m_stopRequest = outerRequest;
            }
        } else if ((scene->m_fadeOutDelay > 0 || scene->m_customFadeOut >= 1) && noFadeOutYet) {
            entry->Reset();
            if (scene->m_dynamicFadeOut)
                entry->ClearFadeFrom();
            scene->BeginFadeOut(true);
        }
    }

    // The follow-on above may already have queued it.
    const int queued = m_pending.indexOf(scene);
    if (queued >= 0) {
        if (remove)
            m_pendingRemove[queued] = 1;
    } else {
        m_pending << scene;
        m_pendingRemove << quint8(remove ? 1 : 0);
    }
    m_hasPending = true;
    return true;
}

void CPage::RunFollowOn(CScene* scene)
{
    if (scene->m_autoJump)
        PlayNext(scene);
    else if (scene->m_jumpTarget)
        JumpToScene(scene, scene->m_jumpTarget);
}

void CPage::SceneEnded(CScene* scene, bool startFadeOut)
{
    if (!scene)
        return;
    if (!scene->m_stopping && startFadeOut) {
        scene->BeginFadeOut(false);
        if (scene->m_followOn)
            RunFollowOn(scene);
        return;
    }
    if (!scene->m_stopping && scene->m_followOn && (scene->m_autoJump || scene->m_jumpTarget)) {
        RunFollowOn(scene);
        return;
    }
    StopScene(scene, false, false, true, true);
}

// Stops the scene that hands over to another one. Its follow-on is what is
// running, so the stop must not run it a second time.
void CPage::StopForFollowOn(CScene* scene)
{
    StopScene(scene, false, false, false, true);
}

void CPage::JumpToScene(CScene* scene, CScene* target)
{
    if (!scene || !target)
        return;
    StopForFollowOn(scene);
    // The operator stopped the scene: a jump back onto itself would undo that.
    if (target == scene && m_stopRequest == scene)
        return;
    if (PlayScene(target))
        TellStarted(target);
}

void CPage::PlayNext(CScene* scene)
{
    const int index = m_scenes.indexOf(scene);
    if (index < 0)
        return;
    const int count = m_scenes.size();
    CScene* candidate = scene;
    for (int k = 1; k <= count; ++k) {
        CScene* next = m_scenes[(index + k) % count];
        if (next->IsDynamic()) {
            candidate = next;
            break;
        }
    }
    StopForFollowOn(scene);
    if (candidate == scene && m_stopRequest == scene)
        return;
    if (PlayScene(candidate))
        TellStarted(candidate);
}

bool CPage::ToggleScene(CScene* scene, bool allowPlay, bool allowStop, bool fromTimeline)
{
    if (IsPlaying(scene)) {
        if (allowStop)
            StopScene(scene, false, false, !fromTimeline, true);
        return false;
    }
    return allowPlay ? PlayScene(scene, -1, -1, false, fromTimeline) : false;
}

bool CPage::TriggerScene(CScene* scene, int kind, int value)
{
    if (!scene)
        return false;
    const bool playing = IsPlaying(scene);
    auto stop = [this, scene] {
        StopScene(scene, false, false, true, true);
        return false;
    };

    switch (kind) {
    case KeyTrigger:
        if (value == 1) {
            if (playing)
                return scene->m_triggers.m_bAutoRelease ? false : stop();
            return PlayScene(scene);
        }
        if (scene->m_triggers.m_bAutoRelease && playing)
            stop();
        return false;
    case LevelTrigger: {
        const CDmxTrigger& range = scene->m_triggers.m_dmxTrigger;
        if (value >= range.m_minimum && value <= range.m_maximum)
            return playing ? false : PlayScene(scene);
        return playing ? stop() : false;
    }
    case ToggleTrigger:
        return playing ? stop() : PlayScene(scene);
    default:
        return false;
    }
}

void CPage::ReleaseScenes()
{
    for (int i = 0; i < m_playing.size(); ++i) {
        CScene* scene = m_playing[i]->Scene();
        if (scene && !scene->IsEffectScene())
            StopScene(scene, false, false, false, false);
    }
}

void CPage::RebaseStepFade(CScene* scene)
{
    CPlayingScene* entry = PlayingEntry(scene);
    if (!entry || !scene->m_currentStep || scene->m_stepTime >= scene->m_currentStep->m_fade)
        return;
    CSceneStep* previous = scene->PreviousStep();
    if (!previous)
        return;
    // Rendered over the current start levels in a buffer of its own: the
    // edit layer shows the edited scene and is not a scratch pad.
    CDmxLayer& scratch = m_project.m_scratch;
    scratch.CopyFrom(entry->StartLevels());
    previous->ApplyLevels(CProject::Buffers(scratch), true);
    entry->SetStartLevels(scratch);
}

// --- Pending pass

bool CPage::ProcessPendingStops()
{
    QVarLengthArray<CScene*, 16> finished;
    QVarLengthArray<bool, 16> removeFlags;
    for (int i = m_pending.size() - 1; i >= 0; --i) {
        CScene* scene = m_pending[i];
        if (scene->IsEffectScene() && !IsPlaying(scene) && m_project.StartQueuedEffectCopy(this, scene)) {
            m_pending.removeAt(i);
            m_pendingRemove.removeAt(i);
            continue;
        }
        const bool remove = m_pendingRemove[i] != 0;
        if (remove || scene == m_project.m_editedScene || scene->IsFadeOutDone()) {
            finished.prepend(scene);
            removeFlags.prepend(remove);
            m_pending.removeAt(i);
            m_pendingRemove.removeAt(i);
        }
    }
    for (int i = 0; i < finished.size(); ++i) {
        FinishStop(finished[i], removeFlags[i]);
        if (removeFlags[i] && !finished[i]->IsEffectScene())
            DeleteScene(finished[i]);
    }
    m_hasPending = !m_pending.isEmpty();
    return !finished.isEmpty();
}

void CPage::FinishStop(CScene* scene, bool remove)
{
    const int at = IndexOfPlaying(scene);
    if (at >= 0) {
        if (scene->IsEffectScene()) {
            m_project.FinishEffectCopy(this, scene, remove);
        } else {
            if (scene->m_customTiming)
                ShowHost().FadingSceneStopped(scene);
            scene->UnmarkFixturesPlaying();
            delete m_playing.takeAt(at);
            if (IsLiveMode())
                ShowHost().OnSceneStopped(this, scene);
            if (m_project.m_soundScene == scene)
                m_project.StopSceneSound();
        }
    }
    if (m_playing.isEmpty()) {
        ReleaseAheadWork();
        m_hasPlaying = false;
        m_project.UpdatePlaybackState();
    }
}

// --- Scene list upkeep

void CPage::ResolveJumps()
{
    for (CScene* scene : m_scenes) {
        if (scene->m_jumpIndex >= 0 && scene->m_jumpIndex < m_scenes.size()) {
            scene->m_jumpTarget = m_scenes[scene->m_jumpIndex];
        } else {
            // An index naming no scene of the page (a damaged file) is no jump.
            scene->m_jumpTarget = nullptr;
            scene->m_jumpIndex = -1;
        }
    }
}

void CPage::ReplaceInStopLists(CScene* oldScene, CScene* newScene)
{
    for (CScene* scene : m_scenes) {
        const int i = scene->m_releaseList.indexOf(oldScene);
        if (i >= 0)
            scene->m_releaseList[i] = newScene;
    }
}

void CPage::UniqueScenePosition(int n)
{
    if (n < 0 || n >= m_scenes.size())
        return;
    int position = 0;
    for (;;) {
        bool used = false;
        for (int i = 0; i < m_scenes.size() && !used; ++i)
            used = i != n && m_scenes[i]->m_position == position;
        if (!used)
            break;
        ++position;
    }
    m_scenes[n]->m_position = position;
}

void CPage::DeleteScene(CScene* scene)
{
    if (!scene || !m_scenes.contains(scene))
        return;
    ShowHost().FadingRemoveScene(scene);
    ShowHost().RemoveSceneBlocks(scene);
    // Nothing that plays may keep pointing at it; jumps, release lists and
    // stored crossfades are the project's to clear (ForgetScene).
    const int at = IndexOfPlaying(scene);
    if (at >= 0) {
        scene->UnmarkFixturesPlaying();
        delete m_playing.takeAt(at);
    }
    const int pendingAt = m_pending.indexOf(scene);
    if (pendingAt >= 0) {
        m_pending.removeAt(pendingAt);
        m_pendingRemove.removeAt(pendingAt);
    }
    m_hasPending = !m_pending.isEmpty();
    m_project.ForgetScene(scene);
    m_scenes.removeOne(scene);
    delete scene;
    if (m_playing.isEmpty() && m_hasPlaying) {
        ReleaseAheadWork();
        m_hasPlaying = false;
        m_project.UpdatePlaybackState();
    }
    ShowHost().ReloadPage();
}

// --- Tick

void CPage::Tick(int elapsedMs, int ticks)
{
    if (m_hasPending && ProcessPendingStops())
        ShowHost().RefreshLivePage();
    if (!m_hasPlaying)
        return;
    // Renders made before the tick stand for its own renders due now: the
    // rest are made before the next ticks, and meanwhile played as they go,
    // which costs a fraction of a render. The steps due next keep what
    // keeps them on time. So does a tick whose slot came too soon for any.
    m_spent = m_leaveDueRenders ? m_renderBudget : 0;
    m_leaveDueRenders = false;
    // Scenes started during the pass (follow-ons) write from the next tick.
    const int count = m_playing.size();
    for (int i = 0; i < count && i < m_playing.size(); ++i)
        TickScene(m_playing[i], elapsedMs, ticks);
    RenderAhead(elapsedMs);
}

void CPage::TickScene(CPlayingScene* entry, int elapsedMs, int ticks)
{
    CScene* scene = entry ? entry->Scene() : nullptr;
    if (!scene)
        return;
    if (!scene->m_currentStep) {
        StopScene(scene, false, false, true, true);
        return;
    }
    CDmxLayer& playback = m_project.m_playback;
    if (scene == m_project.m_editedScene) {
        ApplySceneStep(entry, scene->m_currentStep, elapsedMs, ticks, playback, false);
        return;
    }
    const bool paused = scene->m_paused;

    // A release during the fade-in ends the fade-in: the fade-out starts
    // from the levels reached so far instead of first jumping to the step.
    if (scene->m_fadingIn && scene->m_stopping)
        scene->m_fadingIn = false;

    if (scene->m_fadingIn && !scene->m_customTiming) {
        MixStep(entry, scene->m_currentStep, FadeRatio(scene->m_fadeInCounter, scene->m_runningFadeInLength),
                playback);
        if (paused)
            return;
        scene->m_fadeInCounter += elapsedMs;
        if (scene->m_fadeInCounter >= scene->m_runningFadeInLength) {
            entry->Reset();
            scene->m_loopsDone = 0;
            scene->m_fadingIn = false;
        }
        return;
    }

    if (scene->m_fadingIn) {
        if (scene->m_fadeInDelay >= 1 && scene->m_fadeInDelayCounter < scene->m_fadeInDelay) {
            if (paused)
                return;
            ShowHost().FadingUpdateProgress(scene);
            scene->m_fadeInDelayCounter += elapsedMs;
            if (scene->m_fadeInDelayCounter >= scene->m_fadeInDelay) {
                if (scene->m_dynamicFadeIn)
                    entry->SnapshotPlayback();
                else
                    entry->Reset();
            }
            return;
        }
        const float r = FadeRatio(scene->m_fadeInCounter, scene->m_runningFadeInLength);
        if (scene->m_dynamicFadeIn) {
            // A 16-bit pair mixes its fine byte whether or not the scene
            // drives it: what another scene, or a former profile, left in the
            // scratch must not show there.
            ClearScratch(*scene->m_currentStep);
            ApplySceneStep(entry, scene->m_currentStep, elapsedMs, ticks, Scratch(), true);
            CrossfadeStep(entry, scene->m_currentStep, r, playback);
        } else {
            MixStep(entry, scene->m_currentStep, r, playback);
        }
        if (paused)
            return;
        ShowHost().FadingUpdateProgress(scene);
        scene->m_fadeInCounter += elapsedMs;
        if (scene->m_fadeInCounter >= scene->m_runningFadeInLength) {
            entry->Reset();
            scene->m_loopsDone = 0;
            scene->m_fadingIn = false;
            ShowHost().FadingSceneStopped(scene);
        }
        return;
    }

    if (scene->m_fadingOut && !scene->m_customTiming) {
        MixStep(entry, scene->m_transitionStep, FadeRatio(scene->m_fadeOutCounter, scene->m_runningFadeOutLength),
                playback);
        if (paused)
            return;
        scene->m_fadeOutCounter += elapsedMs;
        if (scene->m_fadeOutCounter >= scene->m_runningFadeOutLength)
            SceneEnded(scene, false);
        return;
    }

    if (scene->m_fadingOut) {
        if (scene->InFadeOutDelay()) {
            ApplySceneStep(entry, scene->m_currentStep, elapsedMs, ticks, playback, true);
            if (paused)
                return;
            ShowHost().FadingUpdateProgress(scene);
            scene->m_fadeOutDelayCounter += elapsedMs;
            if (scene->m_fadeOutDelayCounter >= scene->m_fadeOutDelay) {
                if (scene->m_dynamicFadeOut)
                    entry->ClearFadeFrom();
                else
                    entry->Reset();
            }
            return;
        }
        const float r = FadeRatio(scene->m_fadeOutCounter, scene->m_runningFadeOutLength);
        if (scene->m_dynamicFadeOut) {
            ClearScratch(*scene->m_currentStep);
            ApplySceneStep(entry, scene->m_currentStep, elapsedMs, ticks, Scratch(), true);
            CrossfadeStep(entry, scene->m_transitionStep, qMax(0.0f, 1.0f - r), playback);
        } else {
            MixStep(entry, scene->m_transitionStep, r, playback);
        }
        if (paused)
            return;
        ShowHost().FadingUpdateProgress(scene);
        scene->m_fadeOutCounter += elapsedMs;
        if (scene->m_fadeOutCounter >= scene->m_runningFadeOutLength)
            SceneEnded(scene, false);
        return;
    }

    ApplySceneStep(entry, scene->m_currentStep, elapsedMs, ticks, playback, false);
}

void CPage::ApplySceneStep(CPlayingScene* entry, CSceneStep* step, int elapsedMs, int ticks, CDmxLayer& target,
                           bool keepRunningWhenPaused)
{
    CScene* scene = entry->Scene();
    if (!scene || !step)
        return;
    const bool edited = scene == m_project.m_editedScene;
    const bool write = !edited || ShowHost().SendEditDmxOption();
    const int speed = scene->Speed();

    if (write) {
        if (scene->m_stepTime >= step->m_fade) {
            if (const CRenderedStep* rendered = KeptRender(entry, step, target))
                rendered->WriteTo(target);
            else
                step->ApplyLevels(CProject::Buffers(target), true);
        } else {
            const float t = qBound(0.0f,
                                   float(qint64(ScaleElapsedBySpeed(40, speed)) + scene->m_stepTime)
                                       / float(step->m_fade),
                                   1.0f);
            MixStep(entry, step, t, target);
        }
    }

    if (scene->m_paused && (edited || !keepRunningWhenPaused))
        return;

    // Saturating: a cycle of the longest steps may end near the int limit.
    const qint64 position =
        qint64(scene->m_cyclePosition) + ScaleElapsedBySpeed(elapsedMs, speed, ticks, scene->m_speedLeftover);
    scene->m_cyclePosition = int(std::min<qint64>(position, std::numeric_limits<int>::max()));
    scene->UpdateStepTime();

    if (scene->m_roundedPosition >= scene->m_cycleLength) {
        if (write)
            entry->SetStartLevels(target);
        // What the tick ran past the end goes on into the next pass, as it
        // does from step to step: a late tick that covers the end of a pass,
        // or of several, leaves the scene where its slots one by one would have.
        const CScene::SPasses passes = scene->PassesEndedAt(position);
        if (edited) {
            scene->RestartCycle(passes.carried);
            ShowHost().NotifySceneEditorScene(scene);
            return;
        }
        if (scene->m_loopCount >= 1 && !scene->m_noLoopCount) {
            const qint64 left = qMax<qint64>(1, qint64(scene->m_loopCount) - scene->m_loopsDone);
            scene->m_loopsDone += int(qMin(passes.ended, left));
            scene->m_cyclePosition = 0;
            scene->m_roundedPosition = 0;
            if (passes.ended < left && scene->m_cycleLength != 0)
                scene->RestartCycle(passes.carried);
            else
                SceneEnded(scene, scene->m_fadeOut >= 1 && scene->m_fadeOutCounter < 0);
        } else {
            scene->RestartCycle(passes.carried);
        }
        return;
    }

    if (scene->m_stepTime >= step->Duration()) {
        if (write)
            entry->SetStartLevels(target);
        scene->AdvanceToPosition();
        if (edited)
            ShowHost().NotifySceneEditorScene(scene);
    }
}

// --- Mixing

void CPage::PrepareScratch(CSceneStep* step)
{
    ClearScratch(*step);
    step->ApplyLevels(CProject::Buffers(Scratch()), true);
}

void CPage::ClearScratch(const CSceneStep& step)
{
    // Only the universes the step writes need a clean buffer.
    const int universes = Scratch().UniverseCount();
    std::fill(m_scratchCleared.begin(), m_scratchCleared.end(), quint8(0));
    for (const CStepFixture* fixture : step.m_entries) {
        const int u = fixture->Fixture() ? fixture->Fixture()->m_universe : -1;
        if (u >= 0 && u < universes && !m_scratchCleared[u]) {
            Scratch().Zero(u);
            m_scratchCleared[u] = 1;
        }
    }
}

void CPage::MixEntries(CScene* scene, CSceneStep* step, float t, const CDmxLayer& from, CDmxLayer& target)
{
    m_runs.BuildMix(*step, *scene, Scratch().UniverseCount());
    m_runs.Apply(t, from, Scratch(), target);
}

bool CPage::KeepsRenders(const CScene* scene) const
{
    // The edited scene changes under the editor's hands, and a running copy
    // of an effect scene trades fixtures with the others while it plays.
    return m_keepRenders && scene && !scene->IsEffectScene() && scene != m_project.m_editedScene;
}

const CRenderedStep* CPage::KeptRender(CPlayingScene* entry, const CSceneStep* step, const CDmxLayer& target)
{
    // A render into the scratch is what a dynamic crossfade reads next.
    const CScene* scene = entry->Scene();
    if (!step || !KeepsRenders(scene) || &target == &Scratch())
        return nullptr;
    if (CRenderedStep* kept = entry->KeptRender(step, true)) {
        kept->Follow(*scene);
        return kept;
    }
    if (m_spent >= m_renderBudget)
        return nullptr;
    m_spent += CRenderedStep::Cost(*step, m_project.m_pageProbe.UniverseCount());
    return RenderWhole(entry, step);
}

// Made between ticks as the tick would make it: the scene's override mask is
// read only by renders and mixes inside the tick, each of which writes the
// slots it reads first, so it may be left as the render leaves it.
CRenderedStep* CPage::RenderWhole(CPlayingScene* entry, const CSceneStep* step)
{
    const CScene& scene = *entry->Scene();
    // Due before the parts ahead were done: the rest now, in its own scratch.
    CRenderedStep* ahead = AheadRender();
    const bool underWay = ahead && entry->Owns(ahead) && ahead->PendingStep() == step;
    CRenderedStep& rendered = entry->RenderFor(step, underWay ? nullptr : ahead);
    CDmxLayer& work = &rendered == ahead ? m_aheadWork : m_project.m_pageProbe;
    return rendered.Render(*step, scene, work) ? &rendered : nullptr;
}

bool CPage::RenderDueNow(qint64& budget)
{
    const int universes = m_project.m_pageProbe.UniverseCount();
    for (CPlayingScene* entry : m_playing) {
        CScene* scene = entry->Scene();
        // What the tick plays through a kept render: the current step, but
        // for a fade-out (its own transition), a crossfade read from the
        // scratch, or a scene stopped, which the tick finishes before it plays.
        const CSceneStep* step = scene ? scene->m_currentStep : nullptr;
        if (!step || !KeepsRenders(scene) || scene->m_fadingOut || IsPending(scene)
            || (scene->m_fadingIn && scene->m_customTiming && scene->m_dynamicFadeIn) || entry->KeptRender(step, false))
            continue;
        if (budget <= 0)
            return true;
        budget -= CRenderedStep::Cost(*step, universes);
        m_leaveDueRenders = true;
        // A render that cannot be kept is left to the tick, which plays the
        // step as it goes; trying it again would never end.
        if (!RenderWhole(entry, step))
            return false;
    }
    return false;
}

CRenderedStep* CPage::AheadRender() const
{
    if (!m_ahead)
        return nullptr;
    for (const CPlayingScene* entry : m_playing) {
        if (entry->Owns(m_ahead))
            return m_ahead->PendingStep() ? m_ahead : nullptr;
    }
    return nullptr;
}

void CPage::RenderAhead(int elapsedMs)
{
    constexpr qint64 kAheadHorizonMs = 4000;
    struct SDue
    {
        CPlayingScene* entry;
        const CSceneStep* step;
        qint64 ticks; // before the step is due
        qint64 cost;
        int order;
    };
    QVarLengthArray<SDue, 64> due;
    const int universes = m_aheadWork.UniverseCount();
    for (CPlayingScene* entry : m_playing) {
        CScene* scene = entry->Scene();
        if (!KeepsRenders(scene) || !scene->m_currentStep || scene->m_fadingOut || scene->m_stopping
            || scene->m_steps.size() < 2)
            continue;
        const int index = scene->CurrentStepIndex();
        // Steps due later wait: a scene may yet go elsewhere, and the renders
        // spread over the ticks before the change all the same.
        const qint64 left = qMax<qint64>(0, scene->m_currentStep->Duration() - scene->m_stepTime);
        if (left > kAheadHorizonMs)
            continue;
        const CSceneStep* next = scene->m_steps[(index + 1) % scene->m_steps.size()];
        if (entry->KeptRender(next, false))
            continue;
        const qint64 perTick = qMax(1, ScaleElapsedBySpeed(qMax(1, elapsedMs), scene->Speed()));
        due.append({entry, next, qMax<qint64>(1, left / perTick), CRenderedStep::Cost(*next, universes),
                    int(due.size())});
    }
    if (due.isEmpty())
        return;
    // In playing order among equals; a stable sort would allocate.
    std::sort(due.begin(), due.end(), [](const SDue& a, const SDue& b) {
        return a.ticks != b.ticks ? a.ticks < b.ticks : a.order < b.order;
    });

    // Enough each tick that every step is ready in time, the soonest first.
    qint64 onTime = 0, sum = 0;
    for (const SDue& d : due) {
        sum += d.cost;
        onTime = qMax(onTime, (sum + d.ticks - 1) / d.ticks);
    }
    qint64 budget = qMax(m_aheadBudget, onTime);
    // The renders due now and these share one budget: the render budget, or
    // what keeps every step on time where that is more. The renders due now
    // came first. A burst of them (scenes started together) leaves the steps
    // due later to the ticks after; one among steady scenes leaves them the
    // rest, so that their next steps stay ready. The least ahead is for
    // ticks that rendered nothing due now.
    if (m_spent > 0)
        budget = qMin(budget, qMax(m_renderBudget, onTime) - m_spent);
    if (budget <= 0)
        return;
    const qint64 granted = budget;
    // A render under way goes on first: its scratch is kept for it alone,
    // so it is dropped before another starts.
    bool working = false;
    if (CRenderedStep* ahead = AheadRender()) {
        const SDue* mine = nullptr;
        for (const SDue& d : due) {
            if (d.entry->Owns(ahead) && ahead->PendingStep() == d.step)
                mine = &d;
        }
        if (!mine)
            ahead->Forget();
        else
            working = ahead->Continue(*mine->step, *mine->entry->Scene(), m_aheadWork, budget)
                      == CRenderedStep::Progress::Working;
    }
    if (!working)
        m_ahead = nullptr;
    for (int i = 0; !working && i < due.size() && budget > 0; ++i) {
        const SDue& d = due[i];
        if (d.entry->KeptRender(d.step, false))
            continue;
        const CRenderedStep* playing = d.entry->KeptRender(d.entry->Scene()->m_currentStep, false);
        CRenderedStep& rendered = d.entry->RenderFor(d.step, playing);
        if (rendered.Continue(*d.step, *d.entry->Scene(), m_aheadWork, budget) == CRenderedStep::Progress::Working) {
            m_ahead = &rendered;
            working = true;
        }
    }
    m_spent += granted - budget;
}

void CPage::MixStep(CPlayingScene* entry, CSceneStep* step, float t, CDmxLayer& target)
{
    if (!step || !entry->Scene())
        return;
    if (const CRenderedStep* rendered = KeptRender(entry, step, target)) {
        rendered->MixInto(t, entry->StartLevels(), target);
        return;
    }
    PrepareScratch(step);
    MixEntries(entry->Scene(), step, t, entry->StartLevels(), target);
}

void CPage::CrossfadeStep(CPlayingScene* entry, CSceneStep* step, float t, CDmxLayer& target)
{
    if (!step || !entry->Scene())
        return;
    MixEntries(entry->Scene(), step, t, entry->FadeFrom(), target);
}
