#include "show/StepFixture.h"

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/BlockPool.h"
#include "show/LiveOps.h"
#include "show/Scene.h"
#include "show/ShowHost.h"

#include <QHash>
#include <QPair>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace {

// The clock of every change; the show-wide count is the time of the last
// change of no one scene.
quint64 g_renderClock = 1;
quint64 g_renderGeneration = 1;
// Entries deleted with their step change no render that can still be used.
int g_quietDeletes = 0;

// Pools outlive every entry, whenever the program lets go of its last.
CBlockPool& EntryPool()
{
    static CBlockPool* const pool = new CBlockPool(sizeof(CStepFixture));
    return *pool;
}

// Level blocks of up to kPooledLevels levels come from a pool for each
// eight bytes of size, made when first asked for; larger ones, rare, from
// the heap.
constexpr int kPooledLevels = 64;

CBlockPool* LevelPool(int count)
{
    if (count > kPooledLevels)
        return nullptr;
    static CBlockPool* pools[kPooledLevels / 8] = {};
    CBlockPool*& pool = pools[(count - 1) / 8];
    if (!pool)
        pool = new CBlockPool(size_t((count - 1) / 8 + 1) * 8);
    return pool;
}

int ToByte(int value)
{
    return std::clamp(value, 0, 255);
}

float DimmerRatio(int dimmer)
{
    return float(std::clamp(dimmer, 0, 100)) / 50.0f;
}

bool IsBeamChannel(int type)
{
    switch (type) {
    case ChannelType::Dimmer:
    case ChannelType::Iris:
    case ChannelType::Zoom:
    case ChannelType::Shutter:
    case ChannelType::Lamp:
        return true;
    default:
        return false;
    }
}

bool IsAdditiveColourChannel(int type)
{
    switch (type) {
    case ChannelType::Red:
    case ChannelType::Green:
    case ChannelType::Blue:
    case ChannelType::White:
    case ChannelType::ColorDimmer:
        return true;
    default:
        return false;
    }
}

bool IsSubtractiveColourChannel(int type)
{
    return type == ChannelType::Cyan || type == ChannelType::Magenta || type == ChannelType::Yellow;
}

// The level beam on opens a beam channel to: its default preset's level.
quint8 OpenBeamLevel(const CProfileChannelDef* channel)
{
    for (const CProfilePresetDef* preset : channel->m_presets) {
        if (preset && preset->m_defaultPreset)
            return preset->m_dmxDefault;
    }
    return 255;
}

} // namespace

quint64 RenderGeneration()
{
    return g_renderGeneration;
}

quint64 RenderGeneration(const CScene& scene)
{
    return std::max(g_renderGeneration, scene.RenderStamp());
}

void RenderedContentChanged(CScene* scene)
{
    if (scene)
        scene->ContentChanged();
    else
        g_renderGeneration = NextRenderStamp();
}

quint64 NextRenderStamp()
{
    return ++g_renderClock;
}

quint8 Dim(int level, int dimmer)
{
    level = ToByte(level);
    dimmer = std::clamp(dimmer, 0, 100);
    if (level == 0)
        return 0;
    if (dimmer <= 50)
        return quint8(ToByte(int(DimmerRatio(dimmer) * float(level))));
    const float towardsFull = float(dimmer - 50) / 50.0f;
    return quint8(ToByte(level + int(towardsFull * float(255 - level))));
}

void ColourDim(quint8& red, quint8& green, quint8& blue, int dimmer)
{
    dimmer = std::clamp(dimmer, 0, 100);
    quint8* components[3] = {&red, &green, &blue};
    if (dimmer <= 50) {
        const float ratio = DimmerRatio(dimmer);
        for (quint8* c : components)
            *c = quint8(ToByte(int(ratio * float(*c))));
        return;
    }
    const int strongest = std::max({int(red), int(green), int(blue)});
    // A colour at full on one component cannot grow without changing hue, and
    // black has no hue to keep.
    if (strongest == 255 || strongest == 0)
        return;
    const float f = float(dimmer - 50) / 50.0f;
    for (quint8* c : components) {
        const int level = *c;
        const float share = float(level) / float(strongest);
        *c = quint8(ToByte(level + int(share * (float(255 - level) * f))));
    }
}

quint64 CStepFixture::s_entriesMade = 0;

CStepFixture::CStepFixture(CPatchedFixture* fixture, CScene* scene)
    : m_fixture(fixture), m_profile(fixture ? fixture->Profile() : nullptr), m_sceneNumber(scene ? scene->Number() : 0)
{
    ++s_entriesMade;
    AllocateLevels(ChannelCountFor(m_profile));
    std::memset(MutableLevels(), 0, size_t(m_count));
    RenderedContentChanged(scene);
}

CStepFixture::CStepFixture(CPatchedFixture* fixture, CScene* scene, const CStepSource& source, bool selectedBeams)
    : CStepFixture(fixture, scene)
{
    CaptureLevels(source, selectedBeams);
}

CStepFixture::CStepFixture(const CStepFixture& other, CScene* scene)
    : m_fixture(other.m_fixture), m_profile(other.m_profile), m_sceneNumber(scene ? scene->Number() : 0)
{
    ++s_entriesMade;
    AllocateLevels(other.m_count);
    std::memcpy(MutableLevels(), other.LevelData(), size_t(m_count));
    RenderedContentChanged(scene);
}

static_assert(sizeof(CStepFixture) <= 32, "an entry is the most of a show's memory: its size counts");

CStepFixture::~CStepFixture()
{
    FreeLevels();
    // Its scene may be gone by now: the change counts for every scene.
    if (!g_quietDeletes)
        RenderedContentChanged();
}

void DeleteEntriesQuietly(const QList<CStepFixture*>& entries)
{
    ++g_quietDeletes;
    qDeleteAll(entries);
    --g_quietDeletes;
}

void* CStepFixture::operator new(std::size_t size)
{
    Q_ASSERT(size <= EntryPool().BlockSize());
    Q_UNUSED(size);
    return EntryPool().Take();
}

void CStepFixture::operator delete(void* entry)
{
    EntryPool().Give(entry);
}

CScene* CStepFixture::Scene() const
{
    return CSceneNumber::SceneOf(m_sceneNumber);
}

void CStepFixture::AllocateLevels(int count)
{
    m_count = quint16(count);
    if (count > kInlineLevels) {
        CBlockPool* pool = LevelPool(count);
        quint8* const heap = static_cast<quint8*>(pool ? pool->Take() : ::operator new(size_t(count)));
        std::memcpy(m_levels, &heap, sizeof heap);
    }
}

void CStepFixture::FreeLevels()
{
    if (m_count > kInlineLevels) {
        if (CBlockPool* pool = LevelPool(m_count))
            pool->Give(HeapLevels());
        else
            ::operator delete(HeapLevels());
    }
    m_count = 0;
}

void CStepFixture::FitToProfile()
{
    CLibraryProfile* profile = m_fixture ? m_fixture->Profile() : nullptr;
    if (!m_fixture || profile == m_profile)
        return;
    const int count = ChannelCountFor(profile);
    const QVector<int> sources = ChannelSources(m_profile, m_count, profile, count);
    const QVarLengthArray<quint8, 32> kept(LevelData(), LevelData() + m_count);
    FreeLevels();
    m_profile = profile;
    AllocateLevels(count);
    quint8* levels = MutableLevels();
    for (int i = 0; i < m_count; ++i)
        levels[i] = sources[i] >= 0 ? kept[sources[i]] : 0;
}

int CStepFixture::ChannelCountFor(const CLibraryProfile* profile)
{
    return profile ? std::clamp(profile->ChannelCount(), 0, int(std::numeric_limits<quint16>::max())) : 1;
}

namespace {

// What makes a channel "the same" in two profiles: its type, whether it is
// a fine byte, and its order among the channels of that type and byte. No
// type for a channel of an unknown or undefined type.
struct CChannelFunction
{
    int type = -1;
    bool fine = false;
    int order = 0;

    int Kind() const { return type * 2 + (fine ? 1 : 0); }
};

constexpr int kChannelKinds = ChannelType::kCount * 2;

QVector<CChannelFunction> ChannelFunctions(const CLibraryProfile* profile, int count)
{
    QVector<CChannelFunction> functions(std::max(0, count));
    const CProfileMode* mode = profile ? profile->CurrentMode() : nullptr;
    int seen[kChannelKinds] = {};
    for (int i = 0; i < functions.size(); ++i) {
        const CProfileChannelDef* channel = mode ? mode->Channel(i) : nullptr;
        if (!channel || channel->m_type <= ChannelType::Undef || channel->m_type >= ChannelType::kCount)
            continue;
        CChannelFunction& function = functions[i];
        function.type = channel->m_type;
        function.fine = channel->m_lsb;
        function.order = seen[function.Kind()]++;
    }
    return functions;
}

} // namespace

QVector<int> CStepFixture::ChannelSources(const CLibraryProfile* from, int fromCount, const CLibraryProfile* to,
                                          int toCount)
{
    const QVector<CChannelFunction> had = ChannelFunctions(from, fromCount);
    const QVector<CChannelFunction> has = ChannelFunctions(to, toCount);
    // The former channel of each function is one look away, however many
    // channels a mode has.
    QHash<QPair<int, int>, int> byFunction;
    for (int i = 0; i < had.size(); ++i) {
        if (had[i].type >= 0)
            byFunction.insert({had[i].Kind(), had[i].order}, i);
    }
    QVector<int> sources(has.size(), -1);
    for (int i = 0; i < has.size(); ++i) {
        if (has[i].type >= 0)
            sources[i] = byFunction.value({has[i].Kind(), has[i].order}, -1);
        else if (i < had.size() && had[i].type < 0)
            sources[i] = i;
    }
    return sources;
}

void CStepFixture::ClearLevels()
{
    std::memset(MutableLevels(), 0, size_t(m_count));
    RenderedContentChanged(Scene());
}

quint8 CStepFixture::Level(int channel) const
{
    if (channel < 0 || channel >= m_count)
        return 0;
    return LevelData()[channel];
}

int CStepFixture::SlotOf(int channel) const
{
    if (!m_fixture || channel < 0 || channel >= m_count)
        return -1;
    const int slot = m_fixture->m_address + channel;
    return (slot >= 0 && slot < kSlotsPerUniverse) ? slot : -1;
}

void CStepFixture::MarkSlot(int slot) const
{
    CScene* const scene = Scene();
    if (slot < 0 || !scene)
        return;
    if (CSlotMask* active = scene->ActiveMask(m_fixture->m_universe))
        active->Set(slot);
}

void CStepFixture::SetLevel(int channel, quint8 level, bool mark, bool withPartners)
{
    if (channel < 0 || channel >= m_count)
        return;
    CScene* const scene = Scene();
    MutableLevels()[channel] = level;
    RenderedContentChanged(scene);
    if (!mark)
        return;
    const int slot = SlotOf(channel);
    if (slot >= 0 && scene && !scene->IsChannelActive(m_fixture->m_universe, slot))
        MarkChannelActive(channel, withPartners);
}

void CStepFixture::StoreChannel(const CProfileChannelDef* channel, quint8 level, bool mark)
{
    if (channel)
        SetLevel(channel->m_index, level, mark, true);
}

void CStepFixture::StoreColor(bool secondGroup, int set, quint8 red, quint8 green, quint8 blue, quint8 white,
                              bool mark)
{
    if (!m_profile)
        return;
    const QList<CColorSet>& sets = m_profile->ColorSets(secondGroup);
    if (set < 0 || set >= sets.size())
        return;
    const CColorSet& s = sets.at(set);
    if (m_profile->IsCmy()) {
        red = quint8(255 - red);
        green = quint8(255 - green);
        blue = quint8(255 - blue);
    }
    StoreChannel(s.red, red, mark);
    StoreChannel(s.green, green, mark);
    StoreChannel(s.blue, blue, mark);
    if (m_profile->HasWhite())
        StoreChannel(s.white, white, mark);
}

void CStepFixture::SetColor(int set, quint8 red, quint8 green, quint8 blue, quint8 white, bool mark)
{
    StoreColor(false, set, red, green, blue, white, mark);
}

void CStepFixture::SetColor2(int set, quint8 red, quint8 green, quint8 blue, quint8 white, bool mark)
{
    StoreColor(true, set, red, green, blue, white, mark);
}

void CStepFixture::StorePanTilt(bool secondGroup, int pair, quint8 pan, quint8 tilt, quint8 panFine,
                                quint8 tiltFine, bool mark)
{
    if (!m_profile)
        return;
    const QList<CPanTiltPair>& pairs = m_profile->PanTiltPairs(secondGroup);
    if (pair < 0 || pair >= pairs.size())
        return;
    const CPanTiltPair& p = pairs.at(pair);
    StoreChannel(p.pan, pan, mark);
    StoreChannel(p.tilt, tilt, mark);
    if (m_profile->HasFinePanTilt()) {
        StoreChannel(p.panFine, panFine, mark);
        StoreChannel(p.tiltFine, tiltFine, mark);
    }
}

void CStepFixture::SetPanTilt(int pair, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool mark)
{
    StorePanTilt(false, pair, pan, tilt, panFine, tiltFine, mark);
}

void CStepFixture::SetPanTilt2(int pair, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool mark)
{
    StorePanTilt(true, pair, pan, tilt, panFine, tiltFine, mark);
}

void CStepFixture::MarkChannelActive(int channel, bool withPartners)
{
    MarkSlot(SlotOf(channel));
    if (withPartners && m_profile) {
        if (const CProfileChannelDef* def = m_profile->GetChannel(channel)) {
            if (def->m_partner16)
                MarkSlot(SlotOf(def->m_partner16->m_index));
            if (def->IsColorMixChannel()) {
                int a = -1, b = -1, c = -1;
                m_profile->FindColorSet(def, a, b, c);
                MarkSlot(SlotOf(a));
                MarkSlot(SlotOf(b));
                MarkSlot(SlotOf(c));
            }
        }
    }
    ShowHost().RaiseChangeFlag();
}

bool CStepFixture::CaptureLevels(const CStepSource& source, bool selectedBeams)
{
    if (!m_fixture)
        return false;
    const int universe = m_fixture->m_universe;
    const quint8* editLevels = source.EditLevels(universe);
    const quint8* editMask = source.EditMask(universe);
    CScene* const scene = Scene();
    RenderedContentChanged(scene);
    bool marked = false;
    for (int i = 0; i < m_count; ++i) {
        const int slot = SlotOf(i);
        if (slot < 0 || !editLevels || !editMask || !editMask[slot]) {
            MutableLevels()[i] = 0;
            continue;
        }
        quint8 level = editLevels[slot];
        if (level != 0 && scene && std::as_const(*scene).ActiveMask(universe)
            && !scene->IsChannelActive(universe, slot)) {
            const CProfileChannelDef* def = m_profile ? m_profile->GetChannel(i) : nullptr;
            if (selectedBeams && def && !m_fixture->IsChannelSelected(def)) {
                level = 0;
            } else {
                MarkChannelActive(i, true);
                marked = true;
            }
        }
        MutableLevels()[i] = level;
    }
    return marked;
}

void CStepFixture::ApplyLevels(const CLevelBuffers& output, bool live) const
{
    CScene* const scene = Scene();
    if (!m_fixture || !scene)
        return;
    const int universe = m_fixture->m_universe;
    quint8* out = output.Universe(universe);
    // The writable accessor counts as an edit of the mask. A universe
    // without masks has no override to clear; one is made only to force a
    // slot, once for the scene's universe.
    const CSlotMask* active = static_cast<const CScene*>(scene)->ActiveMask(universe);
    CSlotMask* overridden = scene->OverrideMaskIfHeld(universe);
    if (!out || !active)
        return;

    const int count = m_count;
    const quint8* levels = LevelData();
    for (int i = 0; i < count; ++i) {
        const int slot = SlotOf(i);
        if (slot < 0)
            continue;
        if (overridden)
            overridden->Set(slot, false);
        if (active->Test(slot))
            out[slot] = levels[i];
    }

    const int dimmer = live ? scene->Dimmer() : 50;
    auto slotOf = [this](const CProfileChannelDef* channel) { return channel ? SlotOf(channel->m_index) : -1; };
    auto isActive = [active](int slot) { return active->Test(slot); };

    if (dimmer != 50 && m_profile) {
        for (const CDimmerChannel& d : m_profile->Dimmers()) {
            const int slot = slotOf(d.channel);
            if (isActive(slot))
                out[slot] = Dim(out[slot], dimmer);
        }
        for (const CColorSet& set : m_profile->ColorSets()) {
            const int r = slotOf(set.red), g = slotOf(set.green), b = slotOf(set.blue);
            if (isActive(r) && isActive(g) && isActive(b))
                ColourDim(out[r], out[g], out[b], dimmer);
            const int w = m_profile->HasWhite() ? slotOf(set.white) : -1;
            if (isActive(w))
                out[w] = Dim(out[w], dimmer);
        }
    }
    if (!live)
        return;

    auto force = [scene, universe, out, &overridden](int slot, quint8 level) {
        if (slot < 0)
            return;
        out[slot] = level;
        if (!overridden)
            overridden = scene->OverrideMask(universe);
        overridden->Set(slot);
    };

    if (scene->m_blackout) {
        if (!m_profile) {
            force(SlotOf(0), 0);
            return;
        }
        for (int i = 0; i < count; ++i) {
            const CProfileChannelDef* def = m_profile->GetChannel(i);
            if (!def)
                continue;
            if (IsBeamChannel(def->m_type) || IsAdditiveColourChannel(def->m_type))
                force(SlotOf(i), 0);
            else if (IsSubtractiveColourChannel(def->m_type))
                force(SlotOf(i), 255);
        }
        return;
    }
    if (!m_profile)
        return;

    if (scene->m_beamOn) {
        for (int i = 0; i < count; ++i) {
            const CProfileChannelDef* def = m_profile->GetChannel(i);
            if (!def)
                continue;
            if (IsBeamChannel(def->m_type))
                force(slotOf(def), OpenBeamLevel(def));
            else if (IsAdditiveColourChannel(def->m_type))
                force(slotOf(def), 255);
            else if (IsSubtractiveColourChannel(def->m_type))
                force(slotOf(def), 0);
        }
        return;
    }

    if (scene->m_liveColor && m_profile->HasColor()) {
        const bool cmy = m_profile->IsCmy();
        auto component = [cmy](quint8 level) { return cmy ? quint8(255 - level) : level; };
        for (const CColorSet& set : m_profile->ColorSets()) {
            if (isActive(slotOf(set.red)))
                force(slotOf(set.red), component(scene->m_red));
            if (isActive(slotOf(set.green)))
                force(slotOf(set.green), component(scene->m_green));
            if (isActive(slotOf(set.blue)))
                force(slotOf(set.blue), component(scene->m_blue));
            if (m_profile->HasWhite() && isActive(slotOf(set.white)))
                force(slotOf(set.white), scene->m_white);
        }
    }
}

bool CStepFixture::AddLiveOps(CLiveOps& ops, int universes) const
{
    const CScene* const scene = Scene();
    if (!m_fixture || !scene)
        return true;
    const int universe = m_fixture->m_universe;
    const CSlotMask* active = scene->ActiveMask(universe);
    if (universe < 0 || universe >= universes || !active || !scene->OverrideMask(universe))
        return true;

    auto slotOf = [this](const CProfileChannelDef* channel) { return channel ? SlotOf(channel->m_index) : -1; };
    auto isActive = [active](int slot) { return active->Test(slot); };
    if (!m_profile) {
        if (SlotOf(0) >= 0)
            ops.AddBlackout(universe, SlotOf(0), 0);
        return true;
    }
    // The mix walks the channels of the current mode, the render the entry's.
    const CProfileMode* mode = m_profile->CurrentMode();
    bool fits = mode && mode->ChannelCount() == m_count;

    for (const CDimmerChannel& d : m_profile->Dimmers()) {
        if (isActive(slotOf(d.channel)))
            ops.AddDim(universe, slotOf(d.channel));
    }
    for (const CColorSet& set : m_profile->ColorSets()) {
        const int r = slotOf(set.red), g = slotOf(set.green), b = slotOf(set.blue);
        if (isActive(r) && isActive(g) && isActive(b))
            ops.AddColourDim(universe, r, g, b);
        const int w = m_profile->HasWhite() ? slotOf(set.white) : -1;
        if (isActive(w))
            ops.AddDim(universe, w);
    }

    for (int i = 0; i < m_count && mode; ++i) {
        const CProfileChannelDef* def = mode->Channel(i);
        if (!def)
            continue;
        const bool beam = IsBeamChannel(def->m_type), additive = IsAdditiveColourChannel(def->m_type),
                   subtractive = IsSubtractiveColourChannel(def->m_type);
        if (!beam && !additive && !subtractive)
            continue;
        fits = fits && !def->m_msb && !def->m_lsb;
        if (SlotOf(i) >= 0)
            ops.AddBlackout(universe, SlotOf(i), subtractive ? 255 : 0);
        if (slotOf(def) >= 0)
            ops.AddBeamOn(universe, slotOf(def), beam ? OpenBeamLevel(def) : additive ? 255 : 0);
    }

    if (m_profile->HasColor()) {
        const bool cmy = m_profile->IsCmy();
        // The components are applied one after the other: a slot in two
        // sets would get the one applied last, not the one of the last set.
        QVarLengthArray<int, 16> forced;
        auto add = [&](const CProfileChannelDef* channel, CLiveOps::Component component, bool inverted) {
            const int slot = slotOf(channel);
            if (!isActive(slot))
                return;
            fits = fits && !forced.contains(slot);
            forced.append(slot);
            ops.AddColour(universe, slot, component, inverted);
        };
        for (const CColorSet& set : m_profile->ColorSets()) {
            add(set.red, CLiveOps::Red, cmy);
            add(set.green, CLiveOps::Green, cmy);
            add(set.blue, CLiveOps::Blue, cmy);
            if (m_profile->HasWhite())
                add(set.white, CLiveOps::White, false);
        }
    }
    return fits;
}
