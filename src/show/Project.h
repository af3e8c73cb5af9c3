#pragma once

#include "show/DmxLayer.h"
#include "show/StepFixture.h"

#include <QList>
#include <QString>
#include <QVector>

class CEffectScene;
class CFixtureMatrix;
class CFadingButton;
class CGroup;
class CLibraryProfile;
class CPage;
class CPatchedFixture;
class CScene;

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
    void Tick(int elapsedMs);
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

    // Running copies of effect scenes. The effect engine drives them; until
    // it is part of the show nothing queues or starts a copy, and these
    // are the places it plugs into. Each does nothing for now.
    // A pending entry of `page` that is a copy waiting to start: true when
    // it started, and the pending pass then drops it from the list.
    bool StartQueuedEffectCopy(CPage* page, CScene* copy);
    // The pending pass finished a copy: with `all`, every running copy of
    // the same effect scene goes; else the copy gives up its fixtures.
    void FinishEffectCopy(CPage* page, CScene* copy, bool all);
    // A copy saved as playing is started again on its saved selection.
    bool RestartSavedEffectCopy(CEffectScene* effectScene);

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
    QVector<CPatchedFixture*> m_rawChannelTable; // universe * 512 + slot; owns the records

    QList<CPage*> m_pages;                 // owned; the first page is element 0
    QList<CGroup*> m_groups;               // owned; the general group is element 0
    QList<CEffectScene*> m_effectScenes;   // owned
    QList<CEffectScene*> m_runningCopies;  // owned
    // Scenes and effect copies saved as playing, filled by the loader.
    QList<CPage*> m_savedPlayingPages;           // null for an effect copy
    QList<CScene*> m_savedPlayingScenes;
    QList<CEffectScene*> m_savedPlayingCopies;   // null for a plain scene
    QList<CPatchedFixture*> m_savedSelectedFixtures;
    QList<CFixtureMatrix*> m_savedSelectedMatrices;
    QList<CLibraryProfile*> m_library;           // owned
    QList<CDmxConfigRecord*> m_dmxConfig;         // owned
    int m_loadedDmxMode = 0;
    QList<CFadingButton*> m_fadingButtons;       // owned

private:
    template <typename Apply>
    void ForEachPlayingScene(Apply apply);
    void MergeUniverse(int universe, bool mergeEdit);
    void InvertPanTilt();
    void DeleteRawChannels();

    int m_universeCount = 4;
    bool m_inTick = false; // Tick or MergeOutput is running
};
