#pragma once

#include "effects/EffectEngine.h" // edited scene and selection levels
#include "model/XmlDocument.h" // where a file's pages and scenes lie
#include "show/DmxLayer.h"
#include "show/SelectionCaps.h"
#include "show/StepFixture.h"
#include "show/TimeLine.h" // timeline data

#include <QHash>
#include <QImage>
#include <QList>
#include <QSet>
#include <QString>
#include <QVector>

#include <optional>

class CEffectScene;
class CFixtureMatrix;
class CFadingButton;
class CGroup;
class CLibraryProfile;
class CPage;
class CPatchedFixture;
class CScene;
class CEffect;
class CCurveEffect;
class CProfileChannelDef;
class CSceneStep;
class CLayoutItem;
class CProfilePresetDef;
class CProjectFileV3;
class CProjectFileV2;

// Edited scene and selection levels: a stored set of channel levels the
// scene editor lays over the edit layer.
struct CChannelLevel
{
    int m_universe = 0;
    int m_channel = 0; // slot 0-511
    quint8 m_level = 0;
};
struct CMask
{
    QString m_name;
    QList<CChannelLevel> m_levels;
};
// end of edited scene and selection levels

// Port directions and universes of one DMX interface, saved with the project.
struct CDmxConfigRecord
{
    int m_portADirection = 0;
    int m_portBDirection = 0;
    int m_portAUniverse = 0;
    int m_portBUniverse = 0;
    int m_secondaryPortAUniverse = -1;
    int m_secondaryPortBUniverse = -1;
};

// The one open show: pages of scenes, groups with the patched fixtures, the
// fixture library, effect scenes, fading buttons and, per universe, the
// 512-slot level layers from which every master tick computes the output.
//
// The document reaches the program only through the show host. Some host
// calls happen inside Tick (a finished scene reloads the live page, an
// auto-jump reports a start); a host must not call Tick or MergeOutput from
// them, and such a call is ignored.
class CProject : public CStepSource
{
public:
    CProject();
    ~CProject();

    CProject(const CProject&) = delete;
    CProject& operator=(const CProject&) = delete;

    // Document lifetime. NewProject with a count of 0 or more reallocates the
    // layers for it; a negative count keeps them. A project that still holds
    // pages or groups is cleared first.
    void NewProject(int universes);
    void ReallocUniverses();
    void Clear();
    void Reset();
    void UpdateAfterPatch(bool sortGroups, bool restartScenes);

    int UniverseCount() const override { return m_universeCount; }
    bool IsUniverse(int universe) const { return universe >= 0 && universe < m_universeCount; }
    bool IsActive(int universe) const { return IsUniverse(universe) && m_active[universe] != 0; }

    // Queries.
    bool IsScenePlaying(const CScene* scene) const;
    // Current step index of the first running copy of the effect scene that
    // drives every selected fixture (any copy when nothing is selected); -1
    // when there is none or it shows no step.
    int FindRunningEffect(const CEffectScene* effectScene) const;
    bool HasLiveLevels() const;
    int CurrentGroupIndex() const;
    // Group n of the list becomes current; an index outside the list is ignored.
    void SetCurrentGroup(int n);
    void UniqueEffectScenePosition(int n);
    // The raw-channel record of the slot, made (and its universe made
    // active) on first use; null outside the project's universes and slots.
    CPatchedFixture* GetChannelFixture(int universe, int slot);

    // What steps read of the document.
    const quint8* EditLevels(int universe) const override;
    const quint8* EditMask(int universe) const override;
    QList<CPatchedFixture*> PatchedFixtures() const override;
    QList<CPatchedFixture*> GroupFixtures() const override;
    QList<CPatchedFixture*> SelectedFixtures() const override;
    CPatchedFixture* FixtureAt(int universe, int slot) const override;
    CPatchedFixture* RawChannelAt(int universe, int slot) const override;
    CPatchedFixture* ChannelFixture(int universe, int slot) override { return GetChannelFixture(universe, slot); }

    // A layer as the step renderers take it.
    static CLevelBuffers Buffers(CDmxLayer& layer) { return CLevelBuffers(layer[0], layer.UniverseCount()); }

    // Playback.
    void Tick(int elapsedMs, int ticks = 1);
    // Between ticks: renders the steps the next tick plays that are not
    // rendered yet, while `budget` lasts (see CPage::RenderDueNow); true
    // while some are left.
    bool RenderDueNow(qint64& budget);
    // The next tick leaves them to the time after it (CPage::LeaveDueRendersBetweenTicks).
    void LeaveDueRendersBetweenTicks();
    void MergeOutput();
    void RefreshOutput();
    void StartPlayback();
    void UpdatePlaybackState();
    void ReleaseScenes();
    void PlaySceneSound(CScene* scene);
    void StopSceneSound();
    // Deletes scene n of the current page, at once when it does not play,
    // else once its stop completes; false when neither will happen.
    bool RemoveScene(int n);
    // The scene is going away: forget every pointer the document keeps to it.
    void ForgetScene(CScene* scene);

    // Live masters: each stores its value and copies it into every scene
    // playing at this moment; scenes started later keep their own values.
    void SetPause(bool on);
    void SetBlackOut(bool on);
    void SetBeamOn(bool on);
    void SetDimmer(int value);
    void SetSpeed(int value);
    void SetColorOverride(bool on);
    void SetLiveColor(quint8 red, quint8 green, quint8 blue);
    void SetLiveWhite(quint8 white);
    void SetVolume(int value);

    // Running copies of effect scenes (ProjectRunningCopies.cpp, ProjectLiveParams.cpp)
    // An effect scene never plays itself: each start makes a copy bound to
    // the fixtures selected at that moment, queued in the first page's
    // pending list; the next pending pass starts it, and the copies already
    // running give up the fixtures it takes. Stopping acts on the selected
    // fixtures only. Trigger kinds are CPage's.
    bool PlayEffectScene(CEffectScene* effectScene, int stepIndex = -1, int timeMs = -1);
    bool PlayEffectSceneAt(int n);
    void StartEffectCopy(CEffectScene* copy);
    // The running copies give up the fixtures the copy takes; then the copy
    // gives up those of its own fixture scope when it already runs. A copy
    // left without fixtures is removed.
    void StopOverlappingEffects(CEffectScene* copy);
    bool ToggleEffectScene(CEffectScene* effectScene, bool allowPlay, bool allowStop);
    bool TriggerEffectScene(CEffectScene* effectScene, int kind, int value);
    // With `all` every copy of the effect scene goes on the next tick, and
    // one still waiting to start goes at once; else the first copy that
    // drives a selected fixture stops on the selection. False when nothing
    // is selected or no copy matches.
    bool StopEffectScene(CEffectScene* effectScene, bool all);
    bool StopEffectSceneAt(int n);
    // Fades the copy out of the selected fixtures only: a copy of it on the
    // selection starts and at once fades out while the copy keeps the rest.
    bool ReplaceCopyForSelection(CEffectScene* copy, bool removeFlag);
    // Every copy stops on the next tick, without fade-out; copies still
    // waiting to start never start.
    void ReleaseEffects();
    // Every running and waiting copy of effect scene n goes at once, then
    // the effect scene; nothing when n is out of range.
    void DeleteEffectScene(int n);

    // What the first page's pending pass asks of a copy in its pending list
    // that does not play yet. True: the pass drops the entry (the copy
    // started, or it was stopped before it could and is deleted). False:
    // the entry is a stopping scene like any other (a copy that started to
    // fade out at once, or no copy of ours).
    bool StartQueuedEffectCopy(CPage* page, CScene* copy);
    // The pending pass finished a copy: with `all` the copy goes; else the
    // other copies give up what its fixture scope shares with them, and it
    // gives up its scope, going once it is left without fixtures.
    void FinishEffectCopy(CPage* page, CScene* copy, bool all);
    // `saved` is an effect scene saved as playing, or a copy of one (its
    // m_source set) whose first effect holds the selection it played on:
    // that selection becomes the general group's, and a copy starts on it
    // unless one of the effect scene already plays. The caller keeps `saved`.
    bool RestartSavedEffectCopy(CEffectScene* saved);

    // After the effect scene's effect changed: a new copy on the selection,
    // or every running copy rebuilt from the new effect on its own fixtures.
    void ReapplyEffectScene(CEffectScene* effectScene, bool onSelection, int stepIndex, int timeMs);
    // Rebuilds running copy `index` from its effect scene's effect, keeping
    // the copy's fixtures; false for a bad index or when nothing is left to
    // play (the copy then plays on as it was).
    bool RefreshRunningCopy(int index, int stepIndex, int timeMs);
    // The copy's steps made again from its first effect, bound as it is, for
    // the profiles its fixtures have now; false when the effect binds nothing.
    bool RemakeCopySteps(CEffectScene& copy);
    // The live sliders of an effect scene reach its running copies.
    void SetSceneLiveParams(CScene* scene, bool dimmerChanged);
    // The preset effect's level as the effect scene's first step holds it
    // on the selected fixtures; unchanged when nothing is found, or when
    // `effect` is no preset effect or its range is empty.
    void ReadPresetEffectLevel(CEffect* effect, const CEffectScene* effectScene);
    void ApplyPresetEffectToStep(CEffect* effect, const CEffectScene* effectScene)
    {
        ReadPresetEffectLevel(effect, effectScene);
    }
    // Writes the level of the effect scene's preset effect into the first
    // step of each of its running copies (the selected fixtures only, with
    // `selectionOnly`, when something is selected).
    void UpdatePresetEffectLevel(CEffectScene* effectScene, bool selectionOnly);
    // Removes a running copy at once: its playing and pending entries and
    // its fixtures' marks. With an index of 0 or more it is deleted too,
    // found by pointer when the index is stale.
    void RemoveRunningCopy(int index, CEffectScene* copy);
    // Removes every running copy made with the same first effect as `copy`.
    void RemoveRunningCopiesOf(CEffectScene* copy);

    // Deletes the copies that are neither running nor in a page any more;
    // the pages go first.
    void DeleteWaitingCopies();

    QList<CEffectScene*> m_queuedCopies; // owned: made and waiting in the first page's pending list
    // Copies stopped for removal and not finished yet (not owned): no other
    // copy's finish may take them, the pending pass still has to.
    QList<CEffectScene*> m_releasingCopies;
    // Removed while the pending pass could still read them; owned, deleted
    // once that pass is over.
    QList<CEffectScene*> m_retiredCopies;
    // Per queued copy that fades out as soon as it starts: the levels its
    // fade-out starts from, taken when it was queued.
    QHash<const CScene*, CDmxLayer> m_copyFadeFrom;
    // end of running copies of effect scenes

    // Groups and fixture bookkeeping (ProjectGroups.cpp, ProjectFixtures.cpp)
    //
    // The general group owns the fixtures and matrices, the library the
    // profiles, the pages their scenes. What else points at them, and what
    // keeps it valid when the other side goes or changes:
    // - step entries -> fixture: RemoveFixtures turns hand-made entries into
    //   raw channels and drops the fixture from effect rows (generated again)
    //   and from every other step of an effect row, in pages, effect scenes,
    //   running copies (waiting ones through the engine's hook), the edited
    //   scene and transition steps;
    // - step entries -> profile: remade for the fixture's new profile,
    //   levels kept channel by channel (FitEntriesToProfiles, before any
    //   profile may go and after every patch);
    // - effect bindings -> fixtures and matrix: dropped with the fixture,
    //   matrix released (RemoveFixtures, RemoveMatrix), the edited effect too;
    //   a grid an effect made of part of a matrix loses the member, and goes
    //   with its last one;
    // - curve channels -> profile channels: forgotten with the profile;
    // - groups, sub-groups, selections, matrices -> fixtures: dropped
    //   before the fixture is deleted; the host hears FixturesDeleting first;
    // - presets layouts -> profile: dropped with the last fixture of the
    //   group having it; the library keeps a profile while a fixture, a
    //   matrix or an effect's own grid has it (DropProfilesIfUnused);
    // - jumps, release lists, crossfades, timeline blocks, the edited and
    //   sound scenes, scenes saved as playing -> scene: forgotten when the
    //   scene or its page is deleted (ForgetScene); the crossfade window and
    //   the live page and timeline windows hear FadingRemoveScene and
    //   RemoveSceneBlocks; playing and pending entries go with the scene;
    // - running copies -> their effect scene (CEffectScene::m_source):
    //   running, waiting and saved copies follow the effect scene editor's
    //   swap (SetEditedScene); when the effect scene is deleted its copies
    //   go with it (StopEffectSceneHook), and copies that outlive it
    //   (fading out, saved as playing, retired) play on with none;
    // - the selection's capabilities -> profiles (CSelectionCaps::m_profiles):
    //   made again from the selection at every change of it, and when
    //   profiles leave the library before the host hears of it (the
    //   selection has no fixture of theirs); emptied by UpdateAfterPatch and
    //   Clear, which may delete profiles;
    // - the scene editor's copies (history, the scene as opened, the step
    //   clipboard): the host fits them on FixtureProfilesChanged and cleans
    //   them on FixturesDeleting and ProfilesDeleting; their jumps and
    //   release lists let go of a scene on RemoveSceneBlocks, and an editor
    //   on that scene (the scene and effect scene editors, the effects
    //   window) closes, keeping nothing; RemoveEffectScene tells the host too;
    // - windows editing the show (scene, effect scene and masks editors,
    //   the effects window): before File Open, New, Exit or a handed-over
    //   show replaces the show, their edit is kept or dropped as the
    //   operator answers, or the command goes no further.
    //
    // A group of the current selection, made current; a selected matrix
    // member brings its whole matrix.
    CGroup* AddGroup(const QString& name);
    // Adds the selection to group n (1 or more) and makes it current;
    // false, nothing changed, without room for the new members.
    bool AddSelectionToGroup(int n);
    // Deletes group n (1 or more); later groups keep their layout positions.
    void RemoveGroup(int n);
    CPatchedFixture* AddFixture(int address, int universe, int id, int matrixId, const QString& name,
                                CLibraryProfile* profile, bool invertPan, bool invertTilt, CLayoutItem* layoutItem);
    CFixtureMatrix* AddMatrix(CLibraryProfile* profile, int id, int columns, int rows, CLayoutItem* layoutItem);
    CLibraryProfile* FindLibraryProfile(const QString& path) const;
    // The first "Untitled<n>.kvp" no library profile has as its path.
    QString UniqueProfileName() const;
    // 1 + the highest active universe, at least 4.
    int UsedUniverseCount() const;
    // False when a playing scene uses one of the fixtures.
    bool CanRemoveFixtures(const QList<CPatchedFixture*>& fixtures) const;
    // Unpatches and deletes the fixtures; scenes keep their levels as raw
    // channels. With `matrixCleanUp` they also leave their matrices, and a
    // matrix left empty is deleted. A profile no fixture uses any more leaves
    // the library unless the caller still needs it.
    void RemoveFixtures(const QList<CPatchedFixture*>& fixtures, bool matrixCleanUp,
                        const QList<CLibraryProfile*>& keepProfiles = {});
    void DropProfileIfUnused(CLibraryProfile* profile);
    void DropProfilesIfUnused(const QList<CLibraryProfile*>& profiles);
    // After fixtures took other profiles or modes (the patch dialog): their
    // entries in every scene are made for the new ones, keeping the levels
    // channel by channel. Walks the scenes only when some profile changed.
    void FitEntriesToProfiles();
    void RemoveMatrix(CFixtureMatrix* matrix);
    // Fixtures were patched over raw channels: every scene that does not
    // play folds its raw-channel entries into theirs.
    void AbsorbRawChannelsInScenes(const QList<CPatchedFixture*>& fixtures);
    // Deletes the raw-channel records from `first` on in m_rawChannels that
    // no step of any scene names: each keeps its universe active, and a
    // saved show would name a universe that its reopening no longer has.
    void DropRawChannelsNamedByNothing(int first);
    // The name the patch dialog and the import know it by.
    void RemoveFixturesFromScenes(const QList<CPatchedFixture*>& fixtures) { AbsorbRawChannelsInScenes(fixtures); }
    // Channel blocks moved by the patch: stored levels follow them in every
    // scene, running copy and effect scene. Five parallel lists.
    void PatchChanged(const QList<int>& oldUniverses, const QList<int>& oldAddresses, const QList<int>& newUniverses,
                      const QList<int>& newAddresses, const QList<int>& lengths);
    void SelectionChanged();
    // Profiles the patch dialog added get their role tables; the list empties.
    void AnalyseNewProfiles();
    void ComputeSelectionCaps();
    // The general group's selection becomes the fixtures, beams and
    // matrices the effect drives.
    void SelectEffectFixtures(const CEffect* effect);
    // The same when only the selected fixtures can have beams flagged and
    // `patched` holds the general group's fixtures: in time of the effect's
    // bindings, not of the patch (a reader selects row after row).
    void SelectEffectFixtures(const CEffect* effect, const QSet<const CPatchedFixture*>& patched);
    // The 28 x 28 icon of a channel preset.
    QImage MakePresetIcon(const CProfilePresetDef* preset);
    // Where the effect engine lets go of removed fixtures in the copies it
    // is generating; the engine installs it. Called before the fixtures are
    // deleted.
    using RemovedFixturesHook = void (*)(CProject& project, const QList<CPatchedFixture*>& fixtures);
    static void SetRemovedFixturesHook(RemovedFixturesHook hook);

    CSelectionCaps m_selectionCaps;
    QHash<QString, QImage> m_presetIcons; // icon path -> scaled icon
    // end of groups and fixture bookkeeping

    // Scene editing (ProjectSceneEditing.cpp)
    // A new page, made current.
    CPage* AddPage(const QString& name);
    // False for the first page, an index past the end or a page with
    // playing scenes.
    bool RemovePage(int n);
    // The page leaves the show: groups linked to it link to none.
    void ForgetPage(const CPage* page);
    // "Scene <n>" on the current page; with fromLive it holds one step of
    // the live levels.
    CScene* AddScene(bool fromLive);
    CEffectScene* AddEffectScene();
    // Stops every running copy of effect scene n, then deletes it.
    bool RemoveEffectScene(int n);
    CEffectScene* FindEffectSceneByEffect(int id) const;
    bool HasEffectSceneForEffect(int id) const { return FindEffectSceneByEffect(id) != nullptr; }
    // Where the effect engine stops the running copies of an effect scene
    // (all of them with `all`); the engine installs it.
    using StopEffectSceneHook = bool (*)(CProject& project, CEffectScene* effectScene, bool all);
    static void SetStopEffectSceneHook(StopEffectSceneHook hook);
    // end of scene editing

    // Edited scene and selection levels (ProjectEditLayer.cpp, ProjectSelectionLevels.cpp)
    // The editor swaps scene objects (undo, cancel): `newScene` takes the
    // old one's button place and every reference the show keeps to it.
    void SetEditedScene(CScene* oldScene, CScene* newScene);
    // With `rebuild`, the edit layer shows the edited scene again: its static
    // levels, then its current step. A call made from inside a refresh does
    // nothing.
    void RefreshEditLayer(bool rebuild);
    void LoadEditedEffectLevels();
    void CopyLiveToEdit();
    // Lays mask n over the edit layer; false when there is no mask n.
    bool ApplyMask(int n);
    void ResetEditLayer();
    void ClearEditLayer();
    void ClearEffectMask();
    void ReleaseLive();
    void UpdateEditMaskForSelection();
    // Where preset and level controls act: 0 into the edited scene, 1 into
    // an edited scene that plays (or beyond what the edited effect drives),
    // 3 live.
    int EditTarget() const;
    bool CanPreviewEditedScene() const;
    // The first running copy of the effect scene that drives the selection
    // (fixtures the effect cannot reach aside); null when none does.
    CEffectScene* IsEffectSceneRunningOnSelection(const CEffectScene* effectScene) const;
    bool IsEditedScenePlayingHere() const;
    void SetFixtureColor(CPatchedFixture* fixture, int colorSet, quint8 red, quint8 green, quint8 blue, quint8 white);
    // Colour full (CMY 0), pan and tilt centred, other channels at their
    // default preset, for the selected fixtures.
    void DefaultLevels();
    // Releases, on every selected fixture, the channels with the function of
    // each given preset control's channel.
    void ReleasePresetChannels(const QList<const CProfileChannelDef*>& channels);

    // Levels the control panels set on the selection: into the live layer,
    // or into the edit layer and the edited scene.
    void SetSelectionColor(quint8 red, quint8 green, quint8 blue, quint8 white, bool master);
    // With a spread the selected fixtures fan out around pan and tilt.
    void SetSelectionPanTilt(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, int panSpread, int tiltSpread,
                             bool master);
    void SetSelectionPreset(const CProfileChannelDef* reference, const CProfilePresetDef* preset, quint8 level,
                            bool anyTypeIndex, bool fine);
    void SetSelectionChannelPreset(const CLibraryProfile* profile, const CProfileChannelDef* channel, quint8 level);
    void SetChannelLevel(int universe, int slot, quint8 level);
    void SetFixtureChannelLevel(CPatchedFixture* fixture, int channel, quint8 level);
    // The name the DMX faders know it by.
    void SetChannelLevels(CPatchedFixture* fixture, int channel, quint8 level)
    {
        SetFixtureChannelLevel(fixture, channel, level);
    }
    void SetSelectionPanTiltLive(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine);
    // Mode switches "off" and "on" of the control panels.
    void ReleaseChannel(int universe, int slot);
    void ReleaseFixtureChannel(CPatchedFixture* fixture, int channel);
    void ReleaseChannelWithPartner(CPatchedFixture* fixture, int channel);
    void ReleasePresetChannel(const CProfileChannelDef* reference, bool anyTypeIndex);
    // Component 0 red/cyan, 1 green/magenta, 2 blue/yellow, 3 white, else all.
    void ReleaseColorChannels(int component, bool master);
    // Axis 0 pan, 1 tilt, else both.
    void ReleasePanTiltChannels(int axis, bool master);
    void SetFixtureChannel(CPatchedFixture* fixture, int channel, quint8 level);
    void SetColorChannels(int component, quint8 level, bool master);
    void SetPanTiltChannels(int axis, quint8 coarse, quint8 fine, bool master);
    // The channels the edited effect drives show "Fx" in the panels.
    void MarkEffectDimmers();
    void MarkEffectChannelType(int type);
    void MarkEffectPanTilt();
    void MarkEffectColors();

    CEffectEngine m_effectEngine; // holds the effect being edited or generated
    QList<CMask> m_masks;
    // Set while the layout view paints colours fixture by fixture: selection
    // colours then stay out of the edited scene's steps.
    bool m_fullColorDrawing = false;
    // end of edited scene and selection levels

    // Applying effects (ProjectApplyEffect.cpp, ProjectCurveValues.cpp)
    // Writes the engine's bound effect into the scene: a plain scene gets a
    // row of generated steps (with `replace`, in place of the current step's
    // effect row), an effect scene a clone of the effect, generated at each
    // start. Scope -1 only writes; for an effect scene 0 then starts a copy
    // on the selection and 1 rebuilds its running copies at `step` and
    // `time`. The engine is left empty. False when nothing was written: no
    // effect, one too large, or a show with no room for the steps.
    bool ApplyEffect(CScene* scene, bool replace, int scope, int step, int time);
    // Binds a clone of the effect (the caller keeps it) to the engine,
    // generates it and writes its steps into the scene from step index
    // `position` on. Nothing for a null effect or scene.
    void GenerateEffectSteps(const CEffect* effect, CScene* scene, int position);
    // Writes what the engine generated into the scene from step index
    // `position` on, with a clone of the bound effect joining the scene's
    // effects; nothing when the effect enables no fixture.
    void ApplyEffectToScene(CScene* scene, int position);
    // Fills the effect's fixture lists from the current group's selection
    // or from its matrix, keeping what the effect can drive, and sets
    // m_boundFixtureCount.
    void BindEffectToSelection(CEffect* effect, bool colorOnly, bool anyChannel);
    // Whether the effect can drive a fixture of the profile; a matrix kind
    // only a matrix cell.
    static bool EffectUsesProfile(const CEffect* effect, const CLibraryProfile* profile, bool matrixCell,
                                  bool colorOnly, bool anyChannel);
    // The curve's values at `position` for the fixture (value arrays
    // `fixtureIndex`) into its step entry, channel type by channel type;
    // with an effect scene the stored channels become its static channels.
    void StoreCurveValues(CEffectScene* effectScene, const CCurveEffect* curve, CPatchedFixture* fixture,
                          CStepFixture* entry, int fixtureIndex, int position);

    int m_boundFixtureCount = 0; // beam entries of the last binding

    // Scenes regenerate effect rows and effect-scene steps through seams
    // without a document; they reach the most recently made project that is
    // still alive (the program has exactly one).
    class CEffectSeams
    {
    public:
        explicit CEffectSeams(CProject& project);
        ~CEffectSeams();
        CEffectSeams(const CEffectSeams&) = delete;
        CEffectSeams& operator=(const CEffectSeams&) = delete;

    private:
        CProject& m_project;
    };
    CEffectSeams m_effectSeams{*this};
    // end of applying effects

    // Project files: open and save (ProjectOpenSave.cpp; sections in CProjectFileV3)
    // Clears the project, then reads the file; a file that cannot be read
    // or is refused leaves a new empty project. True when the file was read.
    bool OpenProject(const QString& path);
    // True when the file was written; a failed save leaves the previous
    // file as it was.
    bool SaveProject(const QString& path, QString* error = nullptr);
    // The sections of a loaded current-format file, in order; false when
    // the patch is refused or a reader threw (then `error` says why).
    bool readProject(CProjectFileV3& doc, QString& error);
    // end of project files: open and save

    // Older project files and import (ProjectFileV2.cpp, ProjectImport.cpp)
    // The sections of a loaded older file: params (not when importing),
    // patch, plain scenes, programs. False when the patch is refused or a
    // reader threw (then `error` says why); an import then leaves its
    // fixtures and scenes in the import lists for the caller to take out.
    bool readLegacyProject(CProjectFileV2& doc, bool import, QString& error);
    // The open flows of a ".kv3" file and of an older one, once the
    // project is cleared; `error` says why when they fail (or stays empty
    // when the user was already asked, as about the universes).
    // The ".kv3" document from its text (CXmlDocument::ReadDocumentText,
    // which found where its pages and their scenes lie), given up as soon
    // as the document keeps it packed.
    bool readCurrentFile(QByteArray& xml, const CXmlDocument::SDeferredChildren& pages, QString& error);
    bool readLegacyFile(const QString& path, QString& error);
    // Tells the user once, after an open, how many fixtures the patch left out.
    void ReportLeftOutFixtures();
    // Adds the scenes the operator picks from an older file. A ".kv3" path
    // does nothing. Whatever ends the import early (a load error, the
    // universe question, an exception, a cancelled dialog) leaves the
    // project as it was. True when the operator took the scenes.
    bool ImportProject(const QString& path);
    // The imported fixtures go; the dialog decides which imported scenes
    // stay and where. False when it was cancelled (the scenes are still there).
    // `firstRawChannel` is where the records the import made start in
    // m_rawChannels.
    bool RunImportDialog(int firstRawChannel);
    // Filled while an import runs, emptied when it ends.
    QList<CPatchedFixture*> m_importFixtures;
    QList<CScene*> m_importScenes;
    // end of older project files and import

    // Timeline data (TimeLine.h; saved by CProjectFileV3)
    // The timeline's lines, blocks, markers and settings; the timeline window
    // presents them. Cleared with the project.
    CTimeLineData m_timeLine;
    // end of timeline data

    CPage* m_currentPage = nullptr;
    CPage* m_firstPage = nullptr;
    CGroup* m_currentGroup = nullptr;
    CGroup* m_generalGroup = nullptr;
    QList<CPatchedFixture*> m_rawChannels; // records owned by m_rawChannelTable
    bool m_hasInvertedFixtures = false;
    QList<CPatchedFixture*> m_invertedFixtures;
    bool m_playbackRunning = false;
    bool m_effectEditing = false;
    bool m_editGuard = false;
    bool m_colorLock = false;
    bool m_dimmerLock = false;
    bool m_panTiltLock = false;

    int m_volume = 100;
    int m_masterSpeed = 50;
    int m_masterDimmer = 50;
    bool m_pause = false;
    bool m_blackOut = false;
    bool m_beamOn = false;
    bool m_colorOverride = false;
    quint8 m_red = 0;
    quint8 m_green = 0;
    quint8 m_blue = 0;
    quint8 m_white = 0;

    CScene* m_editedScene = nullptr;
    // The scene DMX input is recorded into while the recording dialog runs;
    // owned, in no page. Null when none.
    CScene* m_recordScene = nullptr;
    CScene* m_soundScene = nullptr; // whose sound the player plays

    // Per universe; every layer operation skips inactive universes.
    QVector<quint8> m_active;
    CDmxLayer m_liveMask;
    CDmxLayer m_editMask;
    CDmxLayer m_effectMask;
    CDmxLayer m_playback;
    CDmxLayer m_edit;
    CDmxLayer m_live;
    CDmxLayer m_output;
    CDmxLayer m_dmxInput;
    CDmxLayer m_recordInput;
    // Scratch of operations that render a step outside playback; never the
    // edit layer, which is the edited scene's preview.
    CDmxLayer m_scratch;
    // The scratch and the probe of the pages' renders: pages tick one after
    // another, and neither is kept from one use to the next.
    CDmxLayer m_pageScratch;
    CDmxLayer m_pageProbe;
    QVector<CPatchedFixture*> m_rawChannelTable; // universe * 512 + slot; owns the records

    QList<CPage*> m_pages;                 // owned; the first page is element 0
    QList<CGroup*> m_groups;               // owned; the general group is element 0
    QList<CEffectScene*> m_effectScenes;   // owned
    QList<CEffectScene*> m_runningCopies;  // owned
    // Scenes and effect copies saved as playing, filled by the loader.
    QList<CPage*> m_savedPlayingPages;           // null for an effect copy
    QList<CScene*> m_savedPlayingScenes;
    QList<CEffectScene*> m_savedPlayingCopies;   // null for a plain scene
    // While the copies start again after an open, what their steps may still
    // make. A file keeps a copy as its selection, a few bytes a fixture, and
    // the copy makes its effect's steps over every fixture of it: copies
    // start only within the room the show's own steps and generated entries
    // and levels leave, so that a file never asks for more than the bounds.
    struct SRestartRoom
    {
        qint64 steps = 0;
        qint64 entries = 0;
        qint64 levels = 0;
    };
    std::optional<SRestartRoom> m_restartRoom;
    QList<CPatchedFixture*> m_savedSelectedFixtures;
    QList<CFixtureMatrix*> m_savedSelectedMatrices;
    QList<CLibraryProfile*> m_library;           // owned
    // Profiles the add-fixtures dialog put into the library while it is
    // open (also in m_library): the fixtures window rebuilds their role
    // tables when it applies the patch and empties the list.
    QList<CLibraryProfile*> m_addedProfiles;
    QList<CDmxConfigRecord*> m_dmxConfig;         // owned
    int m_loadedDmxMode = 0;
    // Fixtures of the opened file that lay past the universes or slots.
    int m_fixturesLeftOut = 0;
    QList<CFadingButton*> m_fadingButtons;       // owned

private:
    void RebuildEditLayer(); // edited scene and selection levels
    template <typename Apply>
    void ForEachPlayingScene(Apply apply);
    // Every playing scene takes the live colour, all four parts of it.
    void ApplyLiveColor();
    void MergeUniverse(int universe, bool mergeEdit);
    void InvertPanTilt();
    void DeleteRawChannels();

    int m_universeCount = 4;
    quint64 m_fittedProfileChanges = 0; // CPatchedFixture::ProfileChanges() at the last fit
    bool m_inTick = false; // Tick or MergeOutput is running
};
