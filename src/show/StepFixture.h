#pragma once

#include <QByteArray>
#include <QList>
#include <QVector>
#include <QtGlobal>

#include <cstddef>
#include <cstring>

class CLibraryProfile;
class CLiveOps;
class CPatchedFixture;
class CProfileChannelDef;
class CScene;

constexpr int kSlotsPerUniverse = 512;

// Dimmer rule of scenes, d from 0 to 100: 50 leaves a level as it is, below
// 50 scales it by d / 50, above 50 moves it towards full by (d - 50) / 50 of
// the distance left. Level 0 stays 0. Results are always 0-255.
quint8 Dim(int level, int dimmer);
// The same for a colour, keeping its proportions: above 50 every component
// moves towards full in the ratio of its share of the strongest one, so a
// colour already at full on one component is left alone. All-zero stays zero.
void ColourDim(quint8& red, quint8& green, quint8& blue, int dimmer);

// Counts the changes to what a step renders: entries made or deleted, levels,
// active masks and the patch. A playing scene keeps its rendered step for as
// long as its count stands, so every such change must go through here.
//
// A change within one scene counts for that scene alone: an edit, or the
// step a stopping scene fades out from, leaves the others' renders standing,
// which a big show would otherwise render again all in one tick. Changes of
// no one scene (the patch, an entry deleted from its step) count for every
// scene; entries deleted with their step count for none.
quint64 RenderGeneration();
quint64 RenderGeneration(const CScene& scene);
void RenderedContentChanged(CScene* scene = nullptr);
// A scene's own count: the time of its last change on the clock the
// show-wide count runs on, so that the two never repeat a value between them.
quint64 NextRenderStamp();

// A set of per-universe 512-slot buffers as the step renderers see them: a
// project layer or a page's scratch. It does not own the buffers. Either a
// table of one pointer per universe or one block of count * 512 bytes.
class CLevelBuffers
{
public:
    CLevelBuffers(quint8* const* table, int count) : m_table(table), m_count(count) {}
    CLevelBuffers(quint8* block, int count) : m_block(block), m_count(count) {}

    int Count() const { return m_count; }
    // Null outside 0 .. Count() - 1.
    quint8* Universe(int universe) const
    {
        if (universe < 0 || universe >= m_count)
            return nullptr;
        return m_table ? m_table[universe] : m_block + universe * kSlotsPerUniverse;
    }

private:
    quint8* const* m_table = nullptr;
    quint8* m_block = nullptr;
    int m_count = 0;
};

// What steps read of the project when they capture the operator's levels or
// look for fixtures. The project document implements it; tests fake it.
class CStepSource
{
public:
    virtual int UniverseCount() const = 0;
    // The edit layer and edit mask of a universe, 512 slots each; null
    // outside the project's universes.
    virtual const quint8* EditLevels(int universe) const = 0;
    virtual const quint8* EditMask(int universe) const = 0;
    // Every patched fixture (the general group), the current group's
    // fixtures and the current group's selected fixtures, in list order.
    virtual QList<CPatchedFixture*> PatchedFixtures() const = 0;
    virtual QList<CPatchedFixture*> GroupFixtures() const = 0;
    virtual QList<CPatchedFixture*> SelectedFixtures() const = 0;
    // The patched fixture (with a profile) whose first channel is the slot.
    virtual CPatchedFixture* FixtureAt(int universe, int slot) const = 0;
    // The raw-channel record of the slot, null when there is none.
    virtual CPatchedFixture* RawChannelAt(int universe, int slot) const = 0;
    // The raw-channel record of the slot, made on first use.
    virtual CPatchedFixture* ChannelFixture(int universe, int slot) = 0;

protected:
    ~CStepSource() = default;
};

// One fixture's part of a step: a level per channel of the fixture's profile
// mode (one level for a raw DMX channel). Channel i lies at slot address + i
// of the fixture's universe and reaches the output only where the owning
// scene's active mask is set. Slots past 511 or universes the scene has no
// mask for are never written or marked.
class CStepFixture final
{
public:
    // Zeroed levels.
    CStepFixture(CPatchedFixture* fixture, CScene* scene);
    // Levels captured from the edit layer (see CaptureLevels).
    CStepFixture(CPatchedFixture* fixture, CScene* scene, const CStepSource& source, bool selectedBeams);
    // Same fixture, profile and levels, owned by another scene.
    CStepFixture(const CStepFixture& other, CScene* scene);
    ~CStepFixture();
    CStepFixture(const CStepFixture&) = delete;
    CStepFixture& operator=(const CStepFixture&) = delete;
    // Entries, and the level blocks of larger modes, come from pools of
    // their size (CBlockPool).
    static void* operator new(std::size_t size);
    static void operator delete(void* entry);

    CPatchedFixture* Fixture() const { return m_fixture; }
    CLibraryProfile* Profile() const { return m_profile; }
    CScene* Scene() const;
    int ChannelCount() const { return m_count; }
    // 0 outside the channels.
    quint8 Level(int channel) const;
    // ChannelCount() levels in channel order.
    const quint8* LevelData() const { return m_count > kInlineLevels ? HeapLevels() : m_levels; }
    QByteArray Levels() const { return QByteArray(reinterpret_cast<const char*>(LevelData()), m_count); }

    // Out-of-range channels, sets and pairs are ignored. With mark, a written
    // channel not yet active in the scene becomes active (MarkChannelActive).
    void SetLevel(int channel, quint8 level, bool mark, bool withPartners);
    void SetColor(int set, quint8 red, quint8 green, quint8 blue, quint8 white, bool mark);
    void SetColor2(int set, quint8 red, quint8 green, quint8 blue, quint8 white, bool mark);
    void SetPanTilt(int pair, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool mark);
    void SetPanTilt2(int pair, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool mark);
    // Marks the channel's slot in the scene's active mask; with partners also
    // its 16-bit companion and the rest of its colour set. Raises the host's
    // change flag.
    void MarkChannelActive(int channel, bool withPartners);

    // Fills the levels from the edit layer: the edit level where the edit
    // mask is set, else 0; a non-zero level the scene did not drive yet is
    // marked. With selectedBeams such a channel that serves no selected beam
    // of the fixture stores 0 and stays unmarked. True when it marked any.
    bool CaptureLevels(const CStepSource& source, bool selectedBeams);
    void ClearLevels();
    // The fixture took another profile or mode: the entry takes it too,
    // each channel with the level ChannelSources gives it. Reads the former
    // profile, which the library keeps until every entry is fitted. The
    // owning scene counts the change (CScene::FitEntriesToProfiles).
    void FitToProfile();
    // For each of the `toCount` channels of `to`, the channel of `from`
    // (`fromCount` channels) whose level it keeps. A channel of a known
    // type keeps only the level of the same function (type, fine byte or
    // not, and order among the channels of that type and byte); one of no
    // known type keeps the level at its position when that channel has no
    // known type either. -1 for a channel that starts at 0, as in a new
    // step. A null profile names no function.
    static QVector<int> ChannelSources(const CLibraryProfile* from, int fromCount, const CLibraryProfile* to,
                                       int toCount);
    // The channels an entry of `profile` holds: one without a profile. A
    // mode past 65,535 channels keeps only those; no universe reaches past
    // its 512th.
    static int ChannelCountFor(const CLibraryProfile* profile);
    // Entries made so far, in all scenes: what a command makes can be told
    // from what it only walks past.
    static quint64 EntriesMade() { return s_entriesMade; }

    // Renders the entry into `output`; with `live` the scene's dimmer,
    // blackout, beam on and colour override apply, without it none does.
    // Rewrites the scene's override mask for the entry's slots.
    void ApplyLevels(const CLevelBuffers& output, bool live) const;
    // What ApplyLevels with `live` adds to the levels it renders without,
    // for a render of `universes` universes. False when a channel the live
    // parameters force is half of a 16-bit pair, whose mix they would change,
    // or when its levels are not those of its profile's current mode.
    bool AddLiveOps(CLiveOps& ops, int universes) const;

private:
    void StoreColor(bool secondGroup, int set, quint8 red, quint8 green, quint8 blue, quint8 white, bool mark);
    void StorePanTilt(bool secondGroup, int pair, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine,
                      bool mark);
    void StoreChannel(const CProfileChannelDef* channel, quint8 level, bool mark);
    // Slot of channel i, -1 when it lies past the universe.
    int SlotOf(int channel) const;
    void MarkSlot(int slot) const;
    quint8* MutableLevels() { return m_count > kInlineLevels ? HeapLevels() : m_levels; }
    // The block of a mode of more levels than the entry holds, kept where
    // those levels would be.
    quint8* HeapLevels() const
    {
        quint8* heap = nullptr;
        std::memcpy(&heap, m_levels, sizeof heap);
        return heap;
    }
    void AllocateLevels(int count);
    void FreeLevels();

    // Shows hold millions of entries, nearly all of fixtures with a few
    // channels: their levels live in the entry itself, so an entry is one
    // block of its pool, of 32 bytes. Larger modes get a block of their
    // own. At a show's capacities, entries are the most of its memory, so
    // the entry names its scene by number and counts its channels in two
    // bytes (ChannelCountFor).
    static constexpr int kInlineLevels = 10;
    static quint64 s_entriesMade;

    CPatchedFixture* m_fixture = nullptr;
    CLibraryProfile* m_profile = nullptr;
    quint32 m_sceneNumber = 0;
    quint16 m_count = 0;
    quint8 m_levels[kInlineLevels];
};

// Deletes the entries of a step that goes with them, counting no change: no
// render of the step can be used again (see CSceneStep::Serial).
void DeleteEntriesQuietly(const QList<CStepFixture*>& entries);
