#pragma once

#include "model/Triggers.h"
#include "show/SceneNumber.h"
#include "show/SlotMask.h"
#include "show/StepFixture.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QTime>
#include <QVarLengthArray>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class CDmxLayer;
class CEffect;
class CFixtureMatrix;
class CLibraryProfile;
class CPatchedFixture;
class CSceneStep;

// Effects are the effect engine's classes, which build on scenes. The engine
// lends scenes the few operations they need on effects; until it does, no
// effect can be given to a scene and these are never called.
struct CEffectOperations
{
    CEffect* (*clone)(const CEffect& effect) = nullptr;
    void (*destroy)(CEffect* effect) = nullptr;
    // The fixtures the effect drives.
    QList<CPatchedFixture*> (*fixtures)(const CEffect& effect) = nullptr;
};
void SetEffectOperations(const CEffectOperations& operations);

// What a scene does to the other scenes of its page when it starts.
enum ScenePlayMode : int {
    ReleaseSameChannels = 0,
    ReleaseNone = 1, // latest takes precedence
    ReleaseAuto = 2,
    ReleaseAll = 3,
    ReleaseList = 4,
};

// A scene the operator plays: timed steps with fades, delays, loops and a
// follow-on, live parameters, triggers, a button picture and a sound, plus
// the run-time position the playback tick advances. Owns its steps, its
// transition step, its effects and its channel masks.
//
// Times are milliseconds. The run-time fields are public: the page's tick
// drives them directly, as the scene's own operations below do.
class CScene
{
public:
    // Every slot of `universeCount` universes unmarked; masks are made for a
    // universe only once a slot of it is written.
    CScene(const QString& name, int universeCount);
    // Copies the scene's settings and active masks; with copyLiveParameters
    // its speed, dimmer and live flags (else the defaults), with copyTriggers
    // its trigger record, with copySteps its effects (cloned) and its steps.
    // The copy starts idle with zeroed override masks.
    CScene(const CScene& source, bool copyLiveParameters, bool copyTriggers, bool copySteps);
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;
    virtual ~CScene();

    virtual bool IsEffectScene() const { return false; }
    // Whether there is anything to play: the page's Next skips scenes that are not.
    virtual bool IsDynamic() const;
    // Starts a run at the step and the time inside it (-1: the beginning).
    // False when there is nothing to play.
    virtual bool Start(int stepIndex = -1, int stepTime = -1, bool markFixtures = false, bool customFadeIn = false,
                       bool noLoopCount = false);

    QString GetName() const { return m_name; }

    // --- Steps and lengths
    // Recomputes the first-pass and cycle lengths after steps or times changed.
    void UpdateLength();
    // Fade-in plus every pass, -1 for an endless scene.
    qint64 TotalDuration() const;
    // Length of the passes for the editor: minutes, seconds and milliseconds,
    // led by hours from one hour on, by days (without milliseconds) from one day.
    QString DurationText() const;
    // -1 without steps or when the current step is not one of them.
    int CurrentStepIndex() const;
    // The step before the current one, the last when the current is the
    // first; null without a current step in the list.
    CSceneStep* PreviousStep() const;
    // Cycle position at which the current step is fully reached; 0 without one.
    int CurrentStepFadeEnd() const;
    // Makes every step drive the fixture (zeroed entries where missing).
    void AddFixtureToAllSteps(CPatchedFixture* fixture);
    // AddFixtureToAllSteps for every fixture of a's entries, then of b's.
    void AddMissingEntries(const CSceneStep* a, const CSceneStep* b);
    // Appends a step (owned from now on) to steps that all drive the same
    // fixtures, and keeps them so: a fixture new to the scene gets a zeroed
    // entry in every other step, and the step one for each fixture it lacks,
    // in the first step's order, as AddMissingEntries(step, first) would.
    // Costs the step's entries and the fixtures it adds, never a search
    // through every step: a recording appends for as long as it runs.
    void AppendAlignedStep(CSceneStep* step);
    // False when some step uses one of the fixtures (a generated step through
    // its effect's fixtures, a hand-made one through an entry).
    bool UsesNoneOf(const QList<CPatchedFixture*>& fixtures) const;
    // Deletes every step, the transition step and the selection; no current step.
    void DeleteSteps();

    // --- Position
    // Shows step `index` at `time` inside it; an index out of range shows the
    // first step fully reached; without steps nothing is current.
    void GoToStep(int index, int time);
    // Jumps `ms` past the position origin, wrapping at the cycle length.
    void SeekTo(int ms);
    void AdvanceToPosition();
    void UpdateStepTime();
    // The passes a cycle position has run past and where it stands in the
    // pass after them. A pass ends once the 40 ms position reaches the cycle
    // length, so the last step stays on up to the next multiple of 40 ms: a
    // pass lasts that long, every one as the first. A cycle of length 0 ends
    // once, at 0.
    struct SPasses
    {
        qint64 ended = 0;
        int carried = 0;
    };
    SPasses PassesEndedAt(qint64 position) const;
    // A new pass from the first step, `carried` into it.
    void RestartCycle(int carried = 0);

    // --- Fades
    void BeginFadeIn(bool custom);
    // Begins the release; only with a current step.
    void BeginFadeOut(bool custom);
    bool IsFadeOutDone() const;
    bool InFadeOutDelay() const;

    // --- Fixtures driven
    void MarkFixturesPlaying();
    // Also clears the fading flags.
    void UnmarkFixturesPlaying();
    // The fixtures the first step drives, in entry order; walked from its
    // entries only after its list of entries or the patch changed, as a
    // start of every scene of a large show would otherwise walk millions of
    // entries scattered over memory while every universe waits.
    const QVector<CPatchedFixture*>& FirstStepFixtures();
    // Walks of the entries FirstStepFixtures made so far, in all scenes.
    static quint64 FixtureWalks() { return s_fixtureWalks; }

    // --- Channel masks, one 512-slot mask per universe
    // A scene keeps masks only for the universes where it marks or overrides
    // a slot: a show of many universes holds many scenes of a few each.
    int UniverseCount() const { return m_universeCount; }
    // What its step entries know it by (CSceneNumber).
    quint32 Number() const { return m_number.Value(); }
    // Null outside the scene's universes. The writable masks are made on
    // first use (both of the universe at once); the read-only ones of a
    // universe without masks read all clear, so reading makes nothing.
    CSlotMask* ActiveMask(int universe);
    const CSlotMask* ActiveMask(int universe) const;
    CSlotMask* OverrideMask(int universe);
    const CSlotMask* OverrideMask(int universe) const;
    // The writable masks where the universe has them, else null: for
    // writers whose clear slots need no mask.
    CSlotMask* ActiveMaskIfHeld(int universe);
    CSlotMask* OverrideMaskIfHeld(int universe);
    // The universes that have masks, ascending.
    QVector<int> MaskUniverses() const;
    int MaskUniversesHeld() const { return int(m_masks.size()); }
    bool HasMasks(int universe) const { return HeldMasks(universe) != nullptr; }
    // False outside the universes and slots.
    bool IsChannelActive(int universe, int slot) const;
    // The channels `other` marks active marked here too (a recording pasted
    // in plays its channels as it recorded them).
    void MarkActiveChannelsOf(const CScene& other);
    // Every slot unmarked; masks left with no override go.
    void ClearActiveMasks();
    void ClearOverrideMasks();

    // --- Live parameters; speed and dimmer are kept to 0-100
    int Speed() const { return m_speed; }
    void SetSpeed(int speed);
    int Dimmer() const { return m_dimmer; }
    // When what the scene renders last changed (see RenderGeneration).
    quint64 RenderStamp() const { return m_renderStamp; }
    void ContentChanged() { m_renderStamp = NextRenderStamp(); }
    void SetDimmer(int dimmer);

    // --- Times from the editor's time fields (milliseconds since midnight)
    void SetFadeIn(const QTime& time);
    void SetFadeOut(const QTime& time);
    void SetFadeInDelay(const QTime& time);
    void SetFadeOutDelay(const QTime& time);
    void SetCustomFadeIn(const QTime& time);
    void SetCustomFadeOut(const QTime& time);
    QString CustomFadeInText() const;
    QString CustomFadeOutText() const;
    QString FadeInDelayText() const;
    QString FadeOutDelayText() const;
    QString DynamicFadeInText() const;
    QString DynamicFadeOutText() const;

    // --- Triggers; each also needs the play-in-current-page flag or `currentPage`
    bool MatchShortCut(int key, bool currentPage) const;
    bool MatchMidiTrigger(int mode, int channel, int number, bool currentPage) const;
    bool MatchDeviceTrigger(int input1, int input2, int input3, bool currentPage) const;
    bool HasTriggers() const;

    // Loads the own button picture and its highlighted copy, or marks it missing.
    void LoadButtonPicture();

    // --- Lengths and position (the tick advances these)
    int m_firstPassLength = 0; // wait of step 1, then fade + wait of the others
    int m_cycleLength = 0;     // fade + wait of every step; 0: nothing to play
    int m_currentStepIndex = 0;
    int m_positionOrigin = 0; // SeekTo counts from here
    int m_stepStart = 0;      // cycle position where the current step's fade begins
    int m_stepEnd = 0;        // cycle position where its wait ends
    CSceneStep* m_currentStep = nullptr;
    int m_roundedPosition = 0; // cycle position down to a multiple of 40 ms
    int m_cyclePosition = 0;
    int m_stepTime = 0; // time since the current step's fade began
    int m_speedLeftover = 0; // hundredths of a ms a slow speed has yet to hand on

    // --- Fades and delays
    int m_fadeIn = 0;
    int m_runningFadeInLength = 0;
    int m_fadeOut = 0;
    int m_runningFadeOutLength = 0;
    int m_fadeInDelay = 0;
    int m_customFadeIn = 0;
    int m_fadeOutDelay = 0;
    int m_customFadeOut = 0;
    int m_fadeInDelayCounter = 0;
    int m_fadeOutDelayCounter = 0;
    int m_fadeInCounter = 0;
    int m_fadeOutCounter = -1; // -1: no fade-out has begun
    int m_startCounter = 0;
    bool m_dynamicFadeIn = false;
    bool m_dynamicFadeOut = false;
    bool m_customTiming = false;
    bool m_followOn = true;
    bool m_noLoopCount = false;
    bool m_stopping = false;
    bool m_fadingIn = false;
    bool m_fadingOut = false;

    // --- Loops and follow-on
    qint16 m_loopsDone = 0;
    qint16 m_loopCount = 0; // 0: endless
    int m_playMode = ReleaseSameChannels;
    bool m_autoJump = false;
    int m_jumpIndex = -1;
    CScene* m_jumpTarget = nullptr;   // not owned
    QList<CScene*> m_releaseList;      // not owned; play mode 4

    // --- Crossfade window
    int m_fadeInId = -1;
    int m_fadeOutId = -1;
    bool m_inFadeInList = false;
    bool m_inFadeOutList = false;
    bool m_checkInList = false;
    bool m_checkOutList = false;

    // --- Live parameters (besides speed and dimmer)
    bool m_paused = false;
    bool m_blackout = false;
    bool m_beamOn = false;
    bool m_liveColor = false;
    quint8 m_red = 0;
    quint8 m_green = 0;
    quint8 m_blue = 0;
    quint8 m_white = 0;

    // --- Button, triggers, sound
    QString m_name;
    int m_indexInPage = -1;
    int m_position = -1; // button place on the live page
    CTriggers m_triggers;
    bool m_playInCurrentPage = false;
    bool m_defaultButtonPicture = true;
    bool m_pictureMissing = true;
    QString m_buttonPicture;
    QImage m_picture;
    QImage m_highlightedPicture;
    bool m_playSound = false;
    QString m_sound;

    // --- Steps
    CSceneStep* m_transitionStep = nullptr; // owned; zeroed copy of the step left at a release
    QList<CSceneStep*> m_steps;             // owned, in play order
    QList<CSceneStep*> m_selection;         // editor's selected steps, not owned
    QList<CEffect*> m_effects;              // owned

    // Scene editing
    // The editor shows steps as rows: a hand-made step is a row of its own,
    // a run of consecutive steps generated from one effect is one row.
    int RowCount() const;
    // Index of the row's first step; -1 when there is no such row.
    int RowToStepIndex(int row) const;
    CSceneStep* StepAtRow(int row) const;
    // The row holding the step, whichever step of an effect row it is; -1
    // when the step is not the scene's.
    int StepToRow(const CSceneStep* step) const;
    // Makes the row's first step current and adds the row's steps to the
    // selection; a missing row only clears the current step.
    void SelectRow(int row);
    // SelectRow for each row in turn.
    void SelectRows(const QList<int>& rows);
    void ClearSelection();
    int EffectCount() const { return m_effects.size(); }
    // A new current step after the row's last step (first for a missing
    // row): a copy of a hand-made template, else captured from the edit
    // layer. Every step then drives the same fixtures.
    CSceneStep* InsertStep(int row, bool selectionOnly, const CSceneStep* templateStep, CStepSource& source);
    // Copies of the clipboard steps after the row; each run of steps of one
    // effect gets one clone of it. The clipboard is left as it is.
    void PasteSteps(int row, const QList<CSceneStep*>& clipboard);
    // Takes the selected steps out (deleting them with deleteSteps) and the
    // effects no step uses any more; empties the selection.
    void RemoveSelectedSteps(bool deleteSteps);
    void RemoveEffectIfUnused(CEffect* effect, bool deleteEffect);
    // After steps came or went: lengths, selection, and a current step that
    // is still the scene's (the one nearest `formerIndex`, its old place,
    // when it went), with the run-time position on it.
    void SettleAfterStepChange(int formerIndex);
    // Deletes the steps of each row and generates it again (FitEntriesToProfiles).
    void RegenerateRows(const QList<CEffect*>& rows);

    // Fixtures moved in the patch: the five lists are parallel, one block
    // per element. Every block is read from the masks as they were before,
    // so overlapping blocks never move a channel twice.
    virtual void RemapChannels(const QList<int>& oldUniverses, const QList<int>& oldAddresses,
                               const QList<int>& newUniverses, const QList<int>& newAddresses,
                               const QList<int>& lengths);
    // Fixtures patched over raw channels the hand-made steps drove: those
    // levels move into the fixtures' entries.
    void AbsorbRawChannels(const QList<CPatchedFixture*>& newFixtures);
    // Fixtures leaving the patch: hand-made steps keep their levels as raw
    // channels; effect rows drop the fixtures and are generated again.
    void RemoveFixtures(const QList<CPatchedFixture*>& removed, CStepSource& source);
    // Every effect of the scene, on a row or not, lets go of the fixtures.
    void UnbindFixtures(const QList<CPatchedFixture*>& removed);
    // Effects addressing the matrix let go of it.
    void ReleaseMatrix(const CFixtureMatrix* matrix);
    // The profiles leave the library: curves forget their channels, and a
    // grid an effect made of the profiles' fixtures goes.
    void ForgetProfiles(const QList<CLibraryProfile*>& profiles);
    // `scene` leaves this one's jump and release list (deleted or moved away).
    void ForgetScene(const CScene* scene);
    // Fixtures took other profiles: their entries in every step, the
    // transition step too, are made for the new ones, and the marks of
    // their slots in the active masks move with the levels, as do the slots
    // of `fadeLevels`, the levels the scene's fades start from. An effect
    // row of a plain scene whose fixtures changed is generated again for
    // their new profiles, as the next open would make it, keeping what its
    // first step held besides the effect (KeepStoredRowLevels).
    void FitEntriesToProfiles(const QList<CDmxLayer*>& fadeLevels = {});
    // Per step of the row [first, end), its entries by fixture.
    using RowEntries = QVector<QHash<const CPatchedFixture*, CStepFixture*>>;
    RowEntries RowEntryTables(int first, int end) const;
    // What a file keeps of a generated row besides its effect, the levels of
    // its first step, given back to the row made again: a fixture the
    // generation made no entry for (stored into the scene beside the
    // effect's) gets an entry of `levels` in every step, one it made keeps
    // the effect's levels but takes the non-zero ones of the channels the
    // effect does not drive. `first` is the row's first step.
    void KeepStoredRowLevels(RowEntries& entries, int first, const CEffect& effect, CPatchedFixture* fixture,
                             const QByteArray& levels);
    static bool RowMakes(const RowEntries& entries, const CPatchedFixture* fixture);
    // Writes the steps of `effect` (the caller keeps it) into the scene from
    // step index `position` on, with a clone of the effect; the effect
    // engine installs it. Without one, an effect row that loses fixtures
    // keeps its steps minus their entries.
    //
    // Before it makes anything the generator tells `admit`, when given, what
    // the row will make: a reader counts it against the show's bounds and
    // throws to refuse a row that would pass them.
    struct SEffectRowSize {
        qint64 steps = 0;
        qint64 entries = 0; // over all the steps
        qint64 levels = 0;  // the channel levels those entries hold
    };
    using EffectRowAdmit = std::function<void(const SEffectRowSize&)>;
    using EffectRowGenerator = void (*)(CScene& scene, CEffect* effect, int position, const EffectRowAdmit& admit);
    // Returns the generator installed before.
    static EffectRowGenerator SetEffectRowGenerator(EffectRowGenerator generator);
    // Runs the installed generator; false when none is installed.
    static bool GenerateEffectRow(CScene& scene, CEffect* effect, int position, const EffectRowAdmit& admit = {});

protected:
    // Deletes the effects through the effect engine's operations.
    void DeleteEffects();

private:
    static QString TimeText(int ms);
    void DropGoneFromSelection();
    // Moves the levels of a fixture at slot `first` as ChannelSources gave them
    // for its `had` former channels, then clears the slots `cleared` names,
    // counted from `first`. Slots past the universe stay out.
    static void MoveChannels(quint8* levels, int first, const QVector<int>& sources, int had,
                             const QVarLengthArray<bool, 64>& cleared);

    CSceneNumber m_number{this};
    int m_universeCount = 0;
    int m_speed = 50;  // 50: normal time
    int m_dimmer = 50; // 50: levels unchanged
    // The active mask of the universe, then its override mask. They stay
    // where they were made while the scene makes other universes' masks.
    struct SMasks
    {
        int universe = 0;
        std::unique_ptr<CSlotMask[]> pair;
    };
    // The masks of the universe, or null.
    CSlotMask* HeldMasks(int universe) const;
    CSlotMask* MakeMasks(int universe);
    std::vector<SMasks> m_masks; // by universe
    quint64 m_renderStamp = NextRenderStamp();
    QVector<CPatchedFixture*> m_firstStepFixtures;
    const CSceneStep* m_fixturesStep = nullptr; // the step they were walked from
    quint64 m_fixturesSerial = 0;               // its serial then
    quint64 m_fixturesGeneration = 0;           // the show-wide render count then
    quint64 m_fixturesEntries = 0;              // and a digest of its entry list
    static quint64 s_fixtureWalks;
};
