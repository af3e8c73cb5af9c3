#pragma once

#include "show/StepFixture.h"

#include <QList>
#include <QTime>
#include <QtGlobal>

class CEffect;
class CLibraryProfile;
class CPatchedFixture;
class CProfileChannelDef;
class CProfilePresetDef;
class CScene;

// One timed state of a scene: a fade into it, a wait on it, and at most one
// entry per fixture the scene drives. Owns its entries. The effect that
// generated the step (null for a hand-made one) belongs to the scene.
class CSceneStep
{
public:
    // Empty step; a new step of the editor is (0, 1000).
    explicit CSceneStep(int fade = 0, int wait = 1000);
    // Every fixture and raw channel of a universe, captured (AddAllFixtures).
    CSceneStep(CScene* scene, int fade, int wait, int universe, CStepSource& source);
    // A new step of the editor, fade 0 and wait 1000. With fill: every patched
    // fixture with a channel in the edit mask, then every raw channel set in
    // the edit mask that the scene does not drive yet, all captured; with
    // selectionOnly instead the current group's selected fixtures, captured
    // for their selected beams.
    CSceneStep(CScene* scene, bool fill, bool selectionOnly, CStepSource& source);
    // A generated step: one entry per fixture the effect enables, in order;
    // captured from the edit layer for a plain scene, zeroed for an effect
    // scene. With `distinct` the fixtures are known to be distinct and not
    // null, and are not looked through for repeats.
    CSceneStep(CScene* scene, int fade, int wait, CEffect* effect, const QList<CPatchedFixture*>& fixtures,
               const CStepSource& source, bool distinct = false);
    // Copy for another scene: same times and levels, the given effect.
    CSceneStep(CScene* scene, const CSceneStep& source, CEffect* effect);
    CSceneStep(const CSceneStep&) = delete;
    CSceneStep& operator=(const CSceneStep&) = delete;
    ~CSceneStep();

    CStepFixture* FindEntry(const CPatchedFixture* fixture) const;
    // Entries every search of every step has gone through so far, so that
    // work meant to stay apart from a scene's length can be seen to.
    static quint64 EntriesSearched() { return s_entriesSearched; }
    int EntryCount() const { return m_entries.size(); }
    // Takes ownership; an entry for a fixture that already has one is deleted.
    CStepFixture* AddEntry(CStepFixture* entry);
    void ClearLevels();
    // Every entry takes its fixture's profile (CStepFixture::FitToProfile).
    void FitEntriesToProfiles();
    // Never the same for two steps, even at one address: what a kept render
    // of a step is known by.
    quint64 Serial() const { return m_serial; }
    // Fade plus wait, in 64 bits so that sums over many steps cannot wrap.
    qint64 Duration() const { return qint64(m_fade) + m_wait; }

    // Walks the universe slot by slot: a patched fixture starting at a slot
    // adds a captured entry and skips its channels (at least one slot), a
    // raw channel adds its record's captured entry.
    void AddAllFixtures(CScene* scene, int universe, CStepSource& source);
    // Re-captures the entries of the current group's fixtures (only the
    // selected ones, for their selected beams, with selectionOnly) and adds
    // the missing ones through AddEntryFor.
    void StoreFixtures(CScene* scene, bool selectionOnly, CStepSource& source);
    void StoreFixture(CScene* scene, CPatchedFixture* fixture, CStepSource& source);
    // Appends a captured entry for the fixture; outside selection mode only
    // when some channel of it is in the edit mask. When the capture marked a
    // channel, every other step of the scene gets an entry for it too.
    // Returns the new entry, or null.
    CStepFixture* AddEntryFor(CPatchedFixture* fixture, CScene* scene, bool selectionMode, CStepSource& source);

    // Renders every entry in order (later entries win on shared slots).
    void ApplyLevels(const CLevelBuffers& output, bool live) const;

    // Writers of the selection controls. Each finds the entry of every
    // selected fixture of the current group; a missing entry is created in
    // selection mode (it captures what the controls already wrote into the
    // edit layer), an existing one gets the value. Only channels that serve a
    // selected beam are written.
    // A channel of one profile: fixtures of other profiles are left alone.
    void StoreChannelForSelection(CScene* scene, const CProfileChannelDef* channel, quint8 level, bool partners,
                                  CStepSource& source);
    // Colour set `set` of the first colour group of one fixture; a missing
    // entry is only created when the fixture has a channel in the edit mask.
    void StoreColorForFixture(CScene* scene, CPatchedFixture* fixture, int set, quint8 red, quint8 green,
                              quint8 blue, quint8 white, CStepSource& source);
    void StoreAllColorsForSelection(CScene* scene, quint8 red, quint8 green, quint8 blue, quint8 white,
                                    bool secondGroup, CStepSource& source);
    // Every pair of the chosen pan/tilt group of one fixture.
    void StorePanTiltForFixture(CScene* scene, CPatchedFixture* fixture, quint8 pan, quint8 tilt, quint8 panFine,
                                quint8 tiltFine, bool secondGroup, CStepSource& source);
    void StoreAllPanTiltForSelection(CScene* scene, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine,
                                     bool secondGroup, CStepSource& source);
    // One channel of the fixture's mode; with mark it becomes active.
    void StoreModeChannel(CScene* scene, CPatchedFixture* fixture, const CProfileChannelDef* channel, quint8 level,
                          bool mark, CStepSource& source);
    // Every channel of every selected fixture that has the same function as
    // `channel`: with fine, its 16-bit partner gets the level (channels
    // without one are skipped); with a preset, the channel's equal preset
    // gets the level mapped into its DMX range (channels without one are
    // skipped); otherwise the channel gets the level.
    void StoreFunctionForSelection(CScene* scene, const CProfileChannelDef* channel, const CProfilePresetDef* preset,
                                   quint8 level, bool allowOtherIndex, bool fine, CStepSource& source);

    // Whether the step's effect row generates channel `channel` of the
    // fixture. A file keeps the effect and generates such a level again on
    // open, so a level edit leaves it as generated.
    bool EffectDrives(const CPatchedFixture* fixture, int channel) const;
    // Whether `effect` generates channel `channel` of `profile` for a
    // fixture it enables, the channel being the `occurrence`-th of its type
    // (counted from 0): one of a type the effect names, or a dimmer (or its
    // fine byte) of a profile of dimmers alone, which a colour effect gives
    // the mean of its colour.
    static bool EffectGenerates(const CEffect& effect, const CLibraryProfile& profile, int channel, int occurrence);

    // From the editor's time fields (milliseconds since midnight; an
    // invalid time is 0).
    void SetFade(const QTime& time);
    void SetWait(const QTime& time);

    int m_fade = 0; // ms
    int m_wait = 0; // ms
    CEffect* m_effect = nullptr;
    QList<CStepFixture*> m_entries;

private:
    static quint64 s_entriesSearched;
    const quint64 m_serial = NextRenderStamp();

    CStepFixture* EntryForSelection(CScene* scene, CPatchedFixture* fixture, CStepSource& source, bool& created);
};
