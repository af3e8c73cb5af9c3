#pragma once

#include "model/Triggers.h"
#include "show/DmxLayer.h"
#include "show/SlotRuns.h"

#include <QList>
#include <QString>

#include <vector>

class CPlayingScene;
class CProject;
class CRenderedStep;
class CScene;
class CSceneStep;
class CStepFixture;

// A named page of scene buttons with the scenes that play from it.
//
// Playing a scene gives it an entry in the playing list; stopping it starts
// its fade-out and queues it in the pending list, from which the page's
// next tick finishes it. Nothing leaves the playing list anywhere else, so
// the tick may start and stop scenes while it walks the list.
class CPage
{
public:
    // Trigger kinds of TriggerScene.
    enum TriggerKind { KeyTrigger = 1, LevelTrigger = 2, ToggleTrigger = 3 };

    CPage(CProject& project, const QString& name);
    ~CPage();

    CPage(const CPage&) = delete;
    CPage& operator=(const CPage&) = delete;

    // Deletes every playing entry and every scene.
    void Clear();

    // Starting and stopping. stepIndex and timeMs pick where to start (-1:
    // the beginning); custom takes the custom fade-in times (crossfades);
    // fromTimeline loops without counting and plays no sound.
    bool PlayScene(CScene* scene, int stepIndex = -1, int timeMs = -1, bool custom = false,
                   bool fromTimeline = false);
    bool StopScene(CScene* scene, bool remove, bool custom, bool followOn, bool withFadeOut);
    void SceneEnded(CScene* scene, bool startFadeOut);
    void JumpToScene(CScene* scene, CScene* target);
    void PlayNext(CScene* scene);
    bool ToggleScene(CScene* scene, bool allowPlay, bool allowStop, bool fromTimeline);
    bool TriggerScene(CScene* scene, int kind, int value);
    // Releases every playing plain scene at once: no fade-out, no follow-on.
    void ReleaseScenes();
    // Restarts the rest of a running step fade from the previous step under
    // the scene's current live parameters.
    void RebaseStepFade(CScene* scene);

    // Pending pass: finishes the scenes whose fade-out is over; true when
    // at least one was finished.
    bool ProcessPendingStops();
    void FinishStop(CScene* scene, bool remove);
    // Ends the scene's play at once, fade-out or not, and drops it from the
    // stop lists; the scene itself stays (or goes) with its owner.
    void DropScene(CScene* scene);

    int IndexOfPlaying(const CScene* scene) const;
    bool IsPlaying(const CScene* scene) const { return IndexOfPlaying(scene) >= 0; }
    bool IsPending(const CScene* scene) const { return m_pending.contains(const_cast<CScene*>(scene)); }
    CPlayingScene* PlayingEntry(const CScene* scene) const;

    // Appends a playing entry (owned from now on), making the page's
    // scratch of the renders ahead with the first.
    void AddPlaying(CPlayingScene* entry);

    // Scene list upkeep.
    void ResolveJumps();
    void ReplaceInStopLists(CScene* oldScene, CScene* newScene);
    void UniqueScenePosition(int n);
    // Deletes the scene from the page and drops every reference to it.
    void DeleteScene(CScene* scene);

    // Scene editing (PageEditing.cpp)
    // Appends a new scene; with fromLive it holds one step of the live levels.
    CScene* NewScene(const QString& name, bool fromLive);
    // The name itself when free on the page, else name + "_copy_<n>" with the
    // first free n from 1 (exact comparison).
    QString UniqueSceneName(const QString& name) const;
    CScene* FindScene(const QString& name) const;
    // end of scene editing

    // Fixture bookkeeping (ProjectFixtures.cpp)
    // Numbers the scenes 0.. in list order and sets each jump index to its
    // target's number (-1 without a target on this page), for the writer.
    void UpdateSceneIndexes();
    // end of fixture bookkeeping

    // One master tick: the pending pass, then every playing scene in the
    // order it was started, each writing over the playback layer.
    // `ticks`: the slots of the master tick's grid that `elapsedMs` covers.
    void Tick(int elapsedMs, int ticks = 1);
    void TickScene(CPlayingScene* entry, int elapsedMs, int ticks);
    void ApplySceneStep(CPlayingScene* entry, CSceneStep* step, int elapsedMs, int ticks, CDmxLayer& target,
                        bool keepRunningWhenPaused);
    // Crossfades from the entry's start levels into the step at ratio t.
    void MixStep(CPlayingScene* entry, CSceneStep* step, float t, CDmxLayer& target);
    // Crossfades from the entry's snapshot into the scratch as the
    // preceding ApplySceneStep left it.
    void CrossfadeStep(CPlayingScene* entry, CSceneStep* step, float t, CDmxLayer& target);

    CDmxLayer& Scratch();
    // A playing scene keeps its rendered step between ticks; without, every
    // tick renders it anew, the plain way the kept renders are checked against.
    void SetKeepRenders(bool keep) { m_keepRenders = keep; }
    // The least a tick that rendered no step due now spends on rendering
    // steps ahead, in budget units of CRenderedStep::Cost; small, renders
    // take many ticks.
    void SetAheadBudget(qint64 units) { m_aheadBudget = qMax<qint64>(1, units); }
    // The most a tick spends on renders of steps due now, in the same units;
    // the first such render of a tick is always made. The renders ahead of a
    // tick that made some get what they left (see RenderAhead).
    void SetRenderBudget(qint64 units) { m_renderBudget = units; }
    // What the last tick spent on renders, due now and ahead, in those units;
    // the whole budget for those due now where some were made before it (RenderDueNow).
    qint64 RenderSpent() const { return m_spent; }
    // Renders, before the tick, the steps the next tick plays that have no
    // kept render (scenes just started), while `budget` lasts; the first is
    // always made. That tick then leaves its renders of the steps due now
    // to the next of these calls.
    // True while some are left; false after one that cannot be kept, which
    // ends them until the tick.
    bool RenderDueNow(qint64& budget);
    // The next tick came too soon for RenderDueNow to make any: it leaves
    // its renders of steps due now to the time after it all the same.
    void LeaveDueRendersBetweenTicks() { m_leaveDueRenders = true; }

    QString m_name;
    int m_id = -1;
    bool m_hasPlaying = false;
    bool m_hasPending = false;
    CTriggers m_triggers;
    QList<CScene*> m_scenes;          // owned, in button order
    QList<CPlayingScene*> m_playing;  // owned, in the order the scenes started
    QList<CScene*> m_pending;         // released scenes still fading out
    QList<quint8> m_pendingRemove;    // parallel to m_pending: delete once finished

private:
    void StopForFollowOn(CScene* scene);
    void RunFollowOn(CScene* scene);
    void ApplyPlayMode(CScene* scene);
    bool SharesChannel(const CScene* a, const CScene* b) const;
    // Renders the step whole into the scratch, on clean universes.
    void PrepareScratch(CSceneStep* step);
    // Zeroes the scratch in the universes the step writes.
    void ClearScratch(const CSceneStep& step);
    void MixEntries(CScene* scene, CSceneStep* step, float t, const CDmxLayer& from, CDmxLayer& target);
    // The entry's kept render of the step, brought up to date; null where
    // the step is rendered as it goes.
    const CRenderedStep* KeptRender(CPlayingScene* entry, const CSceneStep* step, const CDmxLayer& target);
    // Renders the step whole into the entry's render for it; null where it cannot be kept.
    CRenderedStep* RenderWhole(CPlayingScene* entry, const CSceneStep* step);
    bool KeepsRenders(const CScene* scene) const;
    // Renders, a part each tick, the steps the playing scenes go on to, the
    // one due first first, so that no tick renders every scene's next step.
    // What it spends and what the renders due now spent stay within the
    // render budget, or within what keeps every step on time where that is
    // more.
    void RenderAhead(int elapsedMs);
    // The render in parts under way, or null once its scene stopped.
    CRenderedStep* AheadRender() const;
    void TellStarted(CScene* scene);

    // Once nothing plays: the scratch of the renders ahead goes until the next start.
    void ReleaseAheadWork();

    CProject& m_project;
    // The page's scratch (Scratch()) and the probe, the scratch of the kept
    // renders apart from what a crossfade reads, are the project's, shared
    // by the pages.
    std::vector<quint8> m_scratchCleared; // per universe, during PrepareScratch
    CSlotRuns m_runs;                     // of the step mixed as it goes
    // Scratch of the render in parts, kept between its ticks: made when a
    // scene starts on the page, never in a tick.
    CDmxLayer m_aheadWork;
    CRenderedStep* m_ahead = nullptr;     // that render, owned by its playing scene
    bool m_keepRenders = true;
    // About a tenth of a full render of 64 universes: a tick with nothing
    // due soon does a little, and one with much due does what is due.
    qint64 m_aheadBudget = 8192;
    // About two full renders of 64 universes. Scenes started together, or
    // all of them after a change of the patch, take turns for their renders
    // over the ticks after; until then a step is rendered as it goes, which
    // costs a fraction of a render.
    qint64 m_renderBudget = 230000;
    qint64 m_spent = 0; // by this tick; the renders due now come first
    // The next tick's renders due now are made between ticks (RenderDueNow).
    bool m_leaveDueRenders = false;
    // The scene whose stop the operator asked for, while its follow-on runs.
    CScene* m_stopRequest = nullptr;
    // The scenes the running play-mode pass has released.
    QList<CScene*> m_passReleased;
    int m_passDepth = 0;
};
