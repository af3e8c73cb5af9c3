#pragma once

#include <QList>
#include <QPalette>
#include <QString>
#include <QStringList>

class CAppOptions;
class CEffect;
class CFixtureMatrix;
class CLibraryProfile;
class CPage;
class CPatchedFixture;
class CScene;
class QObject;

// What the show document needs of the program around it: the main window,
// its panels and the options record. The main window implements it; with no
// host installed every call does nothing and every question is answered No,
// so the show runs headless. Tests install a recording host.
class CShowHost
{
public:
    enum Answer { Yes = 0x4000, No = 0x10000, Cancel = 0x400000 };

    virtual ~CShowHost() = default;

    // Progress and start-up screen.
    virtual void ShowSplashMessage(const QString& text) { Q_UNUSED(text); }
    virtual void CloseSplash() {}
    virtual int AskQuestion(const QString& title, const QString& text)
    {
        Q_UNUSED(title);
        Q_UNUSED(text);
        return No;
    }
    // A question that can be backed out of: Yes, No or Cancel, which Escape
    // and the window's close button also give.
    virtual int AskYesNoCancel(const QString& title, const QString& text) { return AskQuestion(title, text); }
    virtual void ShowInformation(const QString& title, const QString& text)
    {
        Q_UNUSED(title);
        Q_UNUSED(text);
    }
    // The pause after a load error was put on the splash screen, so it can be read.
    virtual void WaitAfterLoadError() {}
    // An effect made no steps because it exceeds the step budget (a long
    // text on a large matrix, say): the user is told it is too large.
    virtual void EffectTooLarge() {}
    // A note in the status bar: why something asked for did nothing.
    virtual void ShowStatusMessage(const QString& text) { Q_UNUSED(text); }
    // Hide the floating video window around a modal dialog of one's own.
    virtual void SuspendVideoWindow() {}
    virtual void ResumeVideoWindow() {}
    // The import dialog: which of `sceneNames` to keep (same order) and
    // whether they go to a new page; false when the operator cancelled.
    virtual bool ChooseImportScenes(const QStringList& sceneNames, QList<bool>& keep, bool& newPage)
    {
        Q_UNUSED(sceneNames);
        Q_UNUSED(keep);
        Q_UNUSED(newPage);
        return false;
    }

    // Refreshes after the document changed.
    virtual void OnProjectLoaded() {}
    virtual void StoreDeviceConfig() {}
    virtual void RefreshEffectState(int effectSceneIndex) { Q_UNUSED(effectSceneIndex); }
    virtual void RefreshLivePage() {}
    virtual void RefreshEffectActions() {}
    virtual void NotifySceneEditorScene(CScene* scene) { Q_UNUSED(scene); }
    virtual void NotifySceneEditor(int undoKind, const QString& label)
    {
        Q_UNUSED(undoKind);
        Q_UNUSED(label);
    }
    virtual void RefreshOutputViews() {}
    virtual void RefreshCurrentPanel() {}
    virtual void RefreshPagesAndPresets() {}
    virtual void UpdateReleaseEffectsAction() {}
    virtual void UpdateReleaseScenesAction(bool force) { Q_UNUSED(force); }

    // Commands of the main window that panels and editors run.
    virtual void ToggleSendEditDmx() {}
    virtual void ClearEffectMarks() {}
    virtual void ReleaseScenes() {}
    virtual void AddMask() {}
    virtual void StartDmxRecord() {}
    virtual void StopDmxRecord() {}
    // Recording of DMX input: an interface port is set to input; the
    // recording dialog runs; the time recorded so far.
    virtual bool HasDmxInputPort() const { return false; }
    virtual void SetRecordDialogOpen(bool open) { Q_UNUSED(open); }
    virtual int DmxRecordElapsedMs() const { return 0; }
    // New steps of the scene editor take the selected fixtures, unless the
    // channel faders are the tool panel shown.
    virtual bool ChannelFadersShown() const { return false; }
    // While the scene editor plays its scene the presets and channel-fader
    // panels rest: the levels come from the playback.
    virtual void EnableLevelPanels(bool enable) { Q_UNUSED(enable); }
    virtual void CreateEffectsForFixtures(const QList<CLibraryProfile*>& profiles, CFixtureMatrix* colorMatrix,
                                          bool newFixtures)
    {
        Q_UNUSED(profiles);
        Q_UNUSED(colorMatrix);
        Q_UNUSED(newFixtures);
    }

    // Live pages: a scene of a page started or stopped (told only in live mode).
    virtual void OnSceneStarted(CPage* page, CScene* scene)
    {
        Q_UNUSED(page);
        Q_UNUSED(scene);
    }
    virtual void OnSceneStopped(CPage* page, CScene* scene)
    {
        Q_UNUSED(page);
        Q_UNUSED(scene);
    }
    // A scene of a page started playing, in any mode and by any way: its
    // first step may be rendered between ticks (CProject::RenderDueNow).
    virtual void RenderStartedScenes() {}

    // A scene or its page was renamed: the timeline and the crossfade window
    // show the new names.
    virtual void UpdateSceneName(CScene* scene) { Q_UNUSED(scene); }
    // A scene moved to another page: the timeline and the crossfade window follow it.
    virtual void UpdateScenePage(CScene* scene, CPage* page)
    {
        Q_UNUSED(scene);
        Q_UNUSED(page);
    }
    // The timeline's scene lines, for the live page's menu: their count,
    // where line n's blocks end (-1 when it takes no block) and a new block.
    virtual int TimeLineSceneLineCount() const { return 0; }
    virtual int TimeLineLineEndX(int line) const
    {
        Q_UNUSED(line);
        return -1;
    }
    virtual void AddTimeLineSceneBlock(CPage* page, CScene* scene, int line, int x)
    {
        Q_UNUSED(page);
        Q_UNUSED(scene);
        Q_UNUSED(line);
        Q_UNUSED(x);
    }
    // A new scene line below the others.
    virtual void AddTimeLineSceneLine() {}
    // The scene of the live page view's current button, with its page; a
    // scene dragged from the live pages onto the timeline is this one.
    virtual CScene* LiveCurrentScene(CPage*& page) const
    {
        page = nullptr;
        return nullptr;
    }

    // Crossfade window.
    virtual void FadingUpdateProgress(CScene* scene) { Q_UNUSED(scene); }
    virtual void FadingSceneStopped(CScene* scene) { Q_UNUSED(scene); }
    virtual void FadingRemoveScene(CScene* scene) { Q_UNUSED(scene); }
    // A scene is deleted: the timeline drops its blocks, the live page its button.
    virtual void RemoveSceneBlocks(CScene* scene) { Q_UNUSED(scene); }
    virtual void ReloadPage() {}

    // Presets window and timeline, at File New.
    virtual void ResetPresets() {}
    // Fixtures were patched or removed: the presets window lets go of every
    // control and rebuilds from the selection.
    virtual void FixturesChanged() {}
    // The output ports resend everything after the patch changed.
    virtual void ResetPortRefresh() {}
    virtual void ClearTimeLine() {}
    virtual void ClearTimeMarkers() {}
    virtual void SetTimeLineLength(int ms) { Q_UNUSED(ms); }
    virtual void SetTimeLineVolume(int volume) { Q_UNUSED(volume); }
    // The timeline window exists: then even an empty timeline is saved with
    // the project (one the file held is always read and written back).
    virtual bool HasTimeLine() const { return false; }
    // The floating video window, when shown, stores its place into the video line.
    virtual void StoreVideoGeometry() {}

    // The 2-D layout view.
    virtual void RepaintLayoutView() {}
    // The fixtures window stores the view of the current group into it
    // (scroll, visible rectangle, item positions, beam flags).
    virtual void StoreGroupView() {}
    // The fixtures and matrices are about to be deleted: whatever shows them
    // lets go of them now, while they still exist.
    virtual void FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices)
    {
        Q_UNUSED(fixtures);
        Q_UNUSED(matrices);
    }
    // Fixtures took other profiles or modes and the show's step entries
    // were made for them: step copies kept outside the show's scenes are
    // fitted now (CSceneStep::FitEntriesToProfiles), before an old profile
    // can leave the library.
    virtual void FixtureProfilesChanged() {}
    // The profiles leave the library: copies kept outside the show's scenes
    // let go of them now (a curve's channels: CCurveEffect::ForgetChannelsOf).
    virtual void ProfilesDeleting(const QList<CLibraryProfile*>& profiles) { Q_UNUSED(profiles); }
    // The layout view's move lock; there is none before the view is built.
    virtual bool HasLayoutView() const { return false; }
    virtual bool IsLayoutMoveLocked() const { return false; }
    virtual void SetLayoutMoveLocked(bool locked) { Q_UNUSED(locked); }
    // The layout view selects the fixtures, beams and matrices the effect
    // drives, moving to the general group when the current one lacks them.
    virtual void SelectEffectFixtures(const CEffect* effect) { Q_UNUSED(effect); }

    // Edited scene and selection levels.
    // The editor swapped scene objects: the crossfade window and the
    // timeline point to the new one.
    virtual void FadingReplaceScene(CScene* oldScene, CScene* newScene)
    {
        Q_UNUSED(oldScene);
        Q_UNUSED(newScene);
    }
    virtual void TimeLineReplaceScene(CScene* oldScene, CScene* newScene)
    {
        Q_UNUSED(oldScene);
        Q_UNUSED(newScene);
    }
    // The presets window shows "Fx" on the controls of what the edited
    // effect drives, and the DMX faders lock theirs.
    virtual void MarkDimmersFx() {}
    virtual void MarkChannelTypeFx(int channelType) { Q_UNUSED(channelType); }
    virtual void MarkPanTiltFx() {}
    virtual void MarkColorFx() {}
    virtual void LockDimmerChannels() {}
    virtual void LockChannelsOfType(int channelType) { Q_UNUSED(channelType); }
    virtual void LockPanTiltChannels() {}
    virtual void LockColorChannels() {}

    // Scene sounds: the player lives with the program, not the document.
    virtual void PlaySceneSound(const QString& path, int volume)
    {
        Q_UNUSED(path);
        Q_UNUSED(volume);
    }
    virtual void StopSceneSound() {}
    virtual void SetSceneSoundVolume(int volume) { Q_UNUSED(volume); }

    // Program state the document reads and raises.
    virtual void SetModified(bool modified) { Q_UNUSED(modified); }
    virtual bool IsModified() const { return false; }
    virtual void RaiseUiUpdate() {}
    virtual void RaiseLiveLevelsChanged() {}
    virtual void RaiseChangeFlag() {}
    virtual int OutputMode() const { return 0; }
    virtual void SetOutputMode(int mode) { Q_UNUSED(mode); }
    virtual int LivePagesMode() const { return 0; }
    // The live pages window shows page n (a fixture group's linked page).
    virtual void SelectLivePage(int n) { Q_UNUSED(n); }
    // The effect the effects window edits; null when none is edited.
    virtual CEffect* EditedEffect() const { return nullptr; }
    // Set while a project is opened, imported or saved: the tick does no show work.
    virtual bool IsBusy() const { return false; }
    virtual void SetBusy(bool busy) { Q_UNUSED(busy); }
    virtual bool IsRecording() const { return false; }
    // The area whose selection the Delete key removes (0 the layout view,
    // 1 the timeline's blocks, 2 the timeline markers).
    virtual int DeleteTarget() const { return 0; }
    virtual void SetDeleteTarget(int target) { Q_UNUSED(target); }
    // The trigger dialog being run, which then receives every MIDI message; null when none.
    virtual void SetOpenTriggerDialog(QObject* dialog) { Q_UNUSED(dialog); }
    // The palette the program's dialogs and lists take.
    virtual QPalette ProgramPalette() const { return QPalette(); }

    // Options the document follows.
    virtual bool StartScenesOption() const { return false; }
    virtual bool SendEditDmxOption() const { return true; }
    virtual int UniverseCountOption() const { return 4; }
    virtual void SetUniverseCountOption(int count) { Q_UNUSED(count); }
    // The whole options record, for the panels; null when no program runs.
    virtual CAppOptions* AppOptions() { return nullptr; }
};

// The installed host, or a host that does nothing.
CShowHost& ShowHost();
// Installs `host` (null restores the host that does nothing); the caller keeps ownership.
void SetShowHost(CShowHost* host);
