#include "show/SceneStep.h"

#include "effects/Effect.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Scene.h"

#include <algorithm>
#include <vector>

// The fixture-side entry writers (store a level, colours or pan/tilt into a
// fixture's entry, for the channels serving its selected beams) are written
// here as free functions until the fixture record gets its own.
namespace {

void StoreChannelInEntry(const CPatchedFixture& fixture, CStepFixture& entry, const CProfileChannelDef* channel,
                         quint8 level, bool partners)
{
    if (channel && fixture.IsChannelSelected(channel))
        entry.SetLevel(channel->m_index, level, true, partners);
}

void StoreAllColorsInEntry(const CPatchedFixture& fixture, CStepFixture& entry, quint8 red, quint8 green,
                           quint8 blue, quint8 white, bool secondGroup)
{
    const QList<CColorSet>& sets = fixture.Profile()->ColorSets(secondGroup);
    for (int i = 0; i < sets.size(); ++i) {
        if (!sets.at(i).red || !fixture.IsChannelSelected(sets.at(i).red))
            continue;
        if (secondGroup)
            entry.SetColor2(i, red, green, blue, white, true);
        else
            entry.SetColor(i, red, green, blue, white, true);
    }
}

void StoreAllPanTiltInEntry(const CPatchedFixture& fixture, CStepFixture& entry, quint8 pan, quint8 tilt,
                            quint8 panFine, quint8 tiltFine, bool secondGroup)
{
    const QList<CPanTiltPair>& pairs = fixture.Profile()->PanTiltPairs(secondGroup);
    for (int i = 0; i < pairs.size(); ++i) {
        if (!pairs.at(i).pan || !fixture.IsChannelSelected(pairs.at(i).pan))
            continue;
        if (secondGroup)
            entry.SetPanTilt2(i, pan, tilt, panFine, tiltFine, true);
        else
            entry.SetPanTilt(i, pan, tilt, panFine, tiltFine, true);
    }
}

int ChannelCountOf(const CPatchedFixture* fixture)
{
    return fixture->Profile() ? fixture->Profile()->ChannelCount() : 1;
}

// Whether some slot of the fixture is set in the edit mask.
bool HasEditedChannel(const CPatchedFixture* fixture, const CStepSource& source)
{
    const quint8* mask = source.EditMask(fixture->m_universe);
    if (!mask)
        return false;
    const int first = std::max(0, fixture->m_address);
    const int end = std::min(kSlotsPerUniverse, fixture->m_address + ChannelCountOf(fixture));
    for (int slot = first; slot < end; ++slot) {
        if (mask[slot])
            return true;
    }
    return false;
}

// Whether `channel` is this profile's own channel definition, so that its
// index means the same channel on the fixture.
bool ProfileOwns(const CLibraryProfile* profile, const CProfileChannelDef* channel)
{
    return profile && channel && profile->GetChannel(channel->m_index) == channel;
}

// A preset's level in the DMX range of the channel's equal preset.
quint8 MapIntoPreset(const CProfilePresetDef& preset, quint8 level)
{
    if (preset.m_dmxStart == 0 && preset.m_dmxEnd == 255)
        return level;
    return quint8(preset.m_dmxStart + (int(preset.m_dmxEnd) - int(preset.m_dmxStart)) * level / 255);
}

} // namespace

CSceneStep::CSceneStep(int fade, int wait) : m_fade(fade), m_wait(wait) {}

CSceneStep::CSceneStep(CScene* scene, int fade, int wait, int universe, CStepSource& source)
    : m_fade(fade), m_wait(wait)
{
    AddAllFixtures(scene, universe, source);
}

CSceneStep::CSceneStep(CScene* scene, bool fill, bool selectionOnly, CStepSource& source) : m_fade(0), m_wait(1000)
{
    if (!fill)
        return;
    if (selectionOnly) {
        for (CPatchedFixture* fixture : source.SelectedFixtures())
            AddEntry(new CStepFixture(fixture, scene, source, true));
        return;
    }
    const QList<CPatchedFixture*> patched = source.PatchedFixtures();
    for (CPatchedFixture* fixture : patched) {
        if (HasEditedChannel(fixture, source))
            AddEntry(new CStepFixture(fixture, scene, source, false));
    }
    // Raw channels only where no patched fixture lies: an edited slot of a
    // fixture left at 0 is not a loose DMX channel.
    for (int universe = 0; universe < source.UniverseCount(); ++universe) {
        const quint8* mask = source.EditMask(universe);
        if (!mask)
            continue;
        QVector<bool> patchedSlot(kSlotsPerUniverse, false);
        for (const CPatchedFixture* fixture : patched) {
            if (fixture->m_universe != universe || !fixture->Profile())
                continue;
            const int end = std::min(kSlotsPerUniverse, fixture->m_address + ChannelCountOf(fixture));
            for (int slot = std::max(0, fixture->m_address); slot < end; ++slot)
                patchedSlot[slot] = true;
        }
        for (int slot = 0; slot < kSlotsPerUniverse; ++slot) {
            if (!mask[slot] || patchedSlot.at(slot) || (scene && scene->IsChannelActive(universe, slot)))
                continue;
            if (CPatchedFixture* raw = source.ChannelFixture(universe, slot))
                AddEntry(new CStepFixture(raw, scene, source, false));
        }
    }
}

CSceneStep::CSceneStep(CScene* scene, int fade, int wait, CEffect* effect, const QList<CPatchedFixture*>& fixtures,
                       const CStepSource& source, bool distinct)
    : m_fade(fade), m_wait(wait), m_effect(effect)
{
    const bool capture = scene && !scene->IsEffectScene();
    // Thousands of fixtures: searching the entries for a repeat of each
    // would cost the square of their number, so repeats are looked for once.
    if (!distinct) {
        std::vector<const CPatchedFixture*> sorted(fixtures.begin(), fixtures.end());
        std::sort(sorted.begin(), sorted.end());
        distinct = std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
    }
    m_entries.reserve(fixtures.size());
    for (CPatchedFixture* fixture : fixtures) {
        if (!fixture || (!distinct && FindEntry(fixture)))
            continue;
        m_entries << (capture ? new CStepFixture(fixture, scene, source, false) : new CStepFixture(fixture, scene));
    }
}

CSceneStep::CSceneStep(CScene* scene, const CSceneStep& source, CEffect* effect)
    : m_fade(source.m_fade), m_wait(source.m_wait), m_effect(effect)
{
    m_entries.reserve(source.m_entries.size());
    for (const CStepFixture* entry : source.m_entries)
        m_entries << new CStepFixture(*entry, scene);
}

CSceneStep::~CSceneStep()
{
    // A step made later at the same address has a serial of its own, so no
    // render is asked for this one again: its entries go without a word.
    DeleteEntriesQuietly(m_entries);
}

quint64 CSceneStep::s_entriesSearched = 0;

CStepFixture* CSceneStep::FindEntry(const CPatchedFixture* fixture) const
{
    for (CStepFixture* entry : m_entries) {
        ++s_entriesSearched;
        if (entry->Fixture() == fixture)
            return entry;
    }
    return nullptr;
}

CStepFixture* CSceneStep::AddEntry(CStepFixture* entry)
{
    if (!entry)
        return nullptr;
    if (!entry->Fixture() || FindEntry(entry->Fixture())) {
        delete entry;
        return nullptr;
    }
    m_entries << entry;
    return entry;
}

void CSceneStep::ClearLevels()
{
    for (CStepFixture* entry : m_entries)
        entry->ClearLevels();
}

void CSceneStep::FitEntriesToProfiles()
{
    for (CStepFixture* entry : m_entries)
        entry->FitToProfile();
}

void CSceneStep::AddAllFixtures(CScene* scene, int universe, CStepSource& source)
{
    int slot = 0;
    while (slot < kSlotsPerUniverse) {
        if (CPatchedFixture* fixture = source.FixtureAt(universe, slot)) {
            AddEntry(new CStepFixture(fixture, scene, source, false));
            // A profile mode without channels still moves on.
            slot += std::max(1, ChannelCountOf(fixture));
            continue;
        }
        if (CPatchedFixture* raw = source.RawChannelAt(universe, slot))
            AddEntry(new CStepFixture(raw, scene, source, false));
        ++slot;
    }
}

void CSceneStep::StoreFixtures(CScene* scene, bool selectionOnly, CStepSource& source)
{
    const QList<CPatchedFixture*> fixtures = selectionOnly ? source.SelectedFixtures() : source.GroupFixtures();
    for (CPatchedFixture* fixture : fixtures) {
        if (CStepFixture* entry = FindEntry(fixture))
            entry->CaptureLevels(source, selectionOnly);
        else
            AddEntryFor(fixture, scene, selectionOnly, source);
    }
}

void CSceneStep::StoreFixture(CScene* scene, CPatchedFixture* fixture, CStepSource& source)
{
    if (!fixture)
        return;
    if (CStepFixture* entry = FindEntry(fixture))
        entry->CaptureLevels(source, true);
    else
        AddEntryFor(fixture, scene, true, source);
}

CStepFixture* CSceneStep::AddEntryFor(CPatchedFixture* fixture, CScene* scene, bool selectionMode,
                                      CStepSource& source)
{
    if (!fixture || FindEntry(fixture))
        return nullptr;
    if (!selectionMode && !HasEditedChannel(fixture, source))
        return nullptr;
    auto* entry = new CStepFixture(fixture, scene);
    m_entries << entry;
    if (entry->CaptureLevels(source, selectionMode) && scene)
        scene->AddFixtureToAllSteps(fixture);
    return entry;
}

void CSceneStep::ApplyLevels(const CLevelBuffers& output, bool live) const
{
    for (const CStepFixture* entry : m_entries)
        entry->ApplyLevels(output, live);
}

CStepFixture* CSceneStep::EntryForSelection(CScene* scene, CPatchedFixture* fixture, CStepSource& source,
                                            bool& created)
{
    created = false;
    if (CStepFixture* entry = FindEntry(fixture))
        return entry;
    created = true;
    return AddEntryFor(fixture, scene, true, source);
}

void CSceneStep::StoreChannelForSelection(CScene* scene, const CProfileChannelDef* channel, quint8 level,
                                          bool partners, CStepSource& source)
{
    for (CPatchedFixture* fixture : source.SelectedFixtures()) {
        if (!ProfileOwns(fixture->Profile(), channel))
            continue;
        bool created = false;
        CStepFixture* entry = EntryForSelection(scene, fixture, source, created);
        if (entry && !created)
            StoreChannelInEntry(*fixture, *entry, channel, level, partners);
    }
}

void CSceneStep::StoreColorForFixture(CScene* scene, CPatchedFixture* fixture, int set, quint8 red, quint8 green,
                                      quint8 blue, quint8 white, CStepSource& source)
{
    if (!fixture || !fixture->Profile() || !fixture->Profile()->HasColor())
        return;
    if (CStepFixture* entry = FindEntry(fixture))
        entry->SetColor(set, red, green, blue, white, true);
    else
        AddEntryFor(fixture, scene, false, source);
}

void CSceneStep::StoreAllColorsForSelection(CScene* scene, quint8 red, quint8 green, quint8 blue, quint8 white,
                                            bool secondGroup, CStepSource& source)
{
    for (CPatchedFixture* fixture : source.SelectedFixtures()) {
        if (!fixture->Profile() || !fixture->Profile()->HasColor(secondGroup))
            continue;
        bool created = false;
        CStepFixture* entry = EntryForSelection(scene, fixture, source, created);
        if (entry && !created)
            StoreAllColorsInEntry(*fixture, *entry, red, green, blue, white, secondGroup);
    }
}

void CSceneStep::StorePanTiltForFixture(CScene* scene, CPatchedFixture* fixture, quint8 pan, quint8 tilt,
                                        quint8 panFine, quint8 tiltFine, bool secondGroup, CStepSource& source)
{
    if (!fixture || !fixture->Profile() || !fixture->Profile()->HasPanTilt(secondGroup))
        return;
    bool created = false;
    CStepFixture* entry = EntryForSelection(scene, fixture, source, created);
    if (entry && !created)
        StoreAllPanTiltInEntry(*fixture, *entry, pan, tilt, panFine, tiltFine, secondGroup);
}

void CSceneStep::StoreAllPanTiltForSelection(CScene* scene, quint8 pan, quint8 tilt, quint8 panFine,
                                             quint8 tiltFine, bool secondGroup, CStepSource& source)
{
    for (CPatchedFixture* fixture : source.SelectedFixtures())
        StorePanTiltForFixture(scene, fixture, pan, tilt, panFine, tiltFine, secondGroup, source);
}

void CSceneStep::StoreModeChannel(CScene* scene, CPatchedFixture* fixture, const CProfileChannelDef* channel,
                                  quint8 level, bool mark, CStepSource& source)
{
    if (!fixture || !ProfileOwns(fixture->Profile(), channel))
        return;
    bool created = false;
    CStepFixture* entry = EntryForSelection(scene, fixture, source, created);
    if (entry && !created && fixture->IsChannelSelected(channel))
        entry->SetLevel(channel->m_index, level, mark, true);
}

void CSceneStep::StoreFunctionForSelection(CScene* scene, const CProfileChannelDef* channel,
                                           const CProfilePresetDef* preset, quint8 level, bool allowOtherIndex,
                                           bool fine, CStepSource& source)
{
    if (!channel)
        return;
    for (CPatchedFixture* fixture : source.SelectedFixtures()) {
        const CLibraryProfile* profile = fixture->Profile();
        if (!profile)
            continue;
        bool created = false;
        CStepFixture* entry = EntryForSelection(scene, fixture, source, created);
        if (!entry || created)
            continue;
        for (const COtherChannel& other : profile->OtherChannels()) {
            const CProfileChannelDef* c = other.channel;
            if (!c || !c->IsSameFunction(*channel, allowOtherIndex, profile->BeamCount()))
                continue;
            if (fine) {
                const CProfileChannelDef* partner = other.fine ? other.fine : c->m_partner16;
                if (partner)
                    StoreChannelInEntry(*fixture, *entry, partner, level, true);
            } else if (preset) {
                if (const CProfilePresetDef* own = c->FindSamePreset(*preset))
                    StoreChannelInEntry(*fixture, *entry, c, MapIntoPreset(*own, level), true);
            } else {
                StoreChannelInEntry(*fixture, *entry, c, level, true);
            }
        }
    }
}

void CSceneStep::SetFade(const QTime& time)
{
    m_fade = time.isValid() ? time.msecsSinceStartOfDay() : 0;
}

void CSceneStep::SetWait(const QTime& time)
{
    m_wait = time.isValid() ? time.msecsSinceStartOfDay() : 0;
}

bool CSceneStep::EffectDrives(const CPatchedFixture* fixture, int channel) const
{
    const CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
    if (!m_effect || !profile || channel < 0 || channel >= profile->ChannelCount())
        return false;
    // The row's entries are generated for the effect's enabled fixtures.
    bool enabled = false;
    for (int i = 0; i < m_effect->m_fixtures.size() && !enabled; ++i)
        enabled = m_effect->m_fixtures.at(i) == fixture && m_effect->m_fixtureSel.value(i, false);
    const CProfileChannelDef* def = profile->GetChannel(channel);
    if (!enabled || !def)
        return false;
    // The effect names a channel by its type and which of that type it is.
    int occurrence = 0;
    for (int c = 0; c < channel; ++c) {
        const CProfileChannelDef* before = profile->GetChannel(c);
        occurrence += before && before->m_type == def->m_type ? 1 : 0;
    }
    return EffectGenerates(*m_effect, *profile, channel, occurrence);
}

bool CSceneStep::EffectGenerates(const CEffect& effect, const CLibraryProfile& profile, int channel, int occurrence)
{
    const CProfileChannelDef* def = profile.GetChannel(channel);
    if (!def)
        return false;
    // A colour effect on a fixture of dimmers alone drives its dimmers (the
    // writer of generated steps, CGeneratedStepWriter::WriteColorTrack).
    if (effect.IsColor() && profile.IsDimmerOnly()) {
        for (const CDimmerChannel& dimmer : profile.Dimmers(false)) {
            if (dimmer.channel && (dimmer.channel == def || dimmer.channel->m_partner16 == def))
                return true;
        }
    }
    return effect.UsesChannelType(def->m_type, (unsigned char)occurrence);
}
