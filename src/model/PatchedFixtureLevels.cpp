#include "model/PatchedFixture.h"

#include "model/LibraryProfile.h"
#include "show/DmxLayer.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "show/StepFixture.h"

#include <algorithm>

namespace {

// The slot of one of the fixture's channels, -1 when the channel lies outside
// the profile's current mode (a stale or foreign 16-bit partner) or past the
// end of the universe (a fixture patched too close to slot 511).
int SlotOf(const CPatchedFixture& fixture, const CProfileChannelDef* channel)
{
    if (!channel)
        return -1;
    const CLibraryProfile* profile = fixture.Profile();
    const int channelCount = profile ? profile->ChannelCount() : 1;
    if (channel->m_index < 0 || channel->m_index >= channelCount)
        return -1;
    const int slot = fixture.m_address + channel->m_index;
    return slot >= 0 && slot < CDmxLayer::kSlots ? slot : -1;
}

// Writes levels of one fixture into one universe of a layer target and
// remembers whether a slot became masked, so that a live write tells the
// host once per call.
class CFixtureLayerWriter
{
public:
    CFixtureLayerWriter(const CPatchedFixture& fixture, const CLayerTarget& target)
        : m_fixture(fixture), m_live(target.live)
    {
        const int universe = fixture.m_universe;
        if (universe >= 0 && universe < target.levels.UniverseCount() && universe < target.mask.UniverseCount()) {
            m_levels = target.levels[universe];
            m_mask = target.mask[universe];
        }
    }
    CFixtureLayerWriter(const CFixtureLayerWriter&) = delete;
    CFixtureLayerWriter& operator=(const CFixtureLayerWriter&) = delete;

    ~CFixtureLayerWriter()
    {
        if (m_live && m_newlyMasked)
            ShowHost().RaiseLiveLevelsChanged();
    }

    bool HasUniverse() const { return m_levels != nullptr; }

    // Each slot is masked on its own rather than a set or pair on its first
    // channel: a set whose red was set by hand alone would otherwise keep
    // its green and blue levels out of the output.
    void Write(const CProfileChannelDef* channel, quint8 level)
    {
        const int slot = SlotOf(m_fixture, channel);
        if (slot < 0 || !m_levels)
            return;
        m_levels[slot] = level;
        if (!m_mask[slot]) {
            m_mask[slot] = 1;
            m_newlyMasked = true;
        }
    }

    void WriteColor(const CLibraryProfile& profile, const CColorSet& set, quint8 red, quint8 green, quint8 blue,
                    quint8 white)
    {
        profile.ForEachColorLevel(set, red, green, blue, white,
                                  [this](const CProfileChannelDef* channel, quint8 level) { Write(channel, level); });
    }

    // A pair without its fine bytes (null partners) writes none.
    void WritePanTilt(const CLibraryProfile& profile, const CPanTiltPair& pair, quint8 pan, quint8 tilt,
                      quint8 panFine, quint8 tiltFine)
    {
        profile.ForEachPanTiltLevel(pair, pan, tilt, panFine, tiltFine,
                                    [this](const CProfileChannelDef* channel, quint8 level) { Write(channel, level); });
    }

private:
    const CPatchedFixture& m_fixture;
    quint8* m_levels = nullptr;
    quint8* m_mask = nullptr;
    bool m_live = false;
    bool m_newlyMasked = false;
};

} // namespace

CLayerTarget CLayerTarget::Of(CProject& project, bool live)
{
    if (live)
        return CLayerTarget{project.m_live, project.m_liveMask, true};
    return CLayerTarget{project.m_edit, project.m_editMask, false};
}

quint8 CPatchedFixture::DimmerPresetLevel(int level, int start, int end)
{
    if (start == end)
        return 255;
    // A level outside the preset's range would leave 0-255 here; it is held
    // at the nearer end instead of wrapping to an unrelated byte.
    return quint8(std::clamp((level - start) * 255 / (end - start), 0, 255));
}

// ---- Layer writers

void CPatchedFixture::WriteChannel(const CProfileChannelDef* channel, quint8 level, const CLayerTarget& target) const
{
    if (!channel || !IsChannelSelected(channel))
        return;
    CFixtureLayerWriter writer(*this, target);
    writer.Write(channel, level);
}

void CPatchedFixture::WriteColor(int set, quint8 red, quint8 green, quint8 blue, quint8 white,
                                 const CLayerTarget& target) const
{
    if (!m_profile)
        return;
    const QList<CColorSet>& sets = m_profile->ColorSets(false);
    if (set < 0 || set >= sets.size())
        return;
    CFixtureLayerWriter writer(*this, target);
    writer.WriteColor(*m_profile, sets.at(set), red, green, blue, white);
}

void CPatchedFixture::WriteAllColors(quint8 red, quint8 green, quint8 blue, quint8 white, bool secondGroup,
                                     const CLayerTarget& target) const
{
    if (!m_profile)
        return;
    CFixtureLayerWriter writer(*this, target);
    if (!writer.HasUniverse())
        return;
    ForEachSelected(m_profile->ColorSets(secondGroup), [&](int, const CColorSet& set) {
        writer.WriteColor(*m_profile, set, red, green, blue, white);
    });
}

void CPatchedFixture::WriteAllPanTilt(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool secondGroup,
                                      const CLayerTarget& target) const
{
    if (!m_profile)
        return;
    CFixtureLayerWriter writer(*this, target);
    if (!writer.HasUniverse())
        return;
    ForEachSelected(m_profile->PanTiltPairs(secondGroup), [&](int, const CPanTiltPair& pair) {
        writer.WritePanTilt(*m_profile, pair, pan, tilt, panFine, tiltFine);
    });
}

// ---- Entry writers

void CPatchedFixture::StoreChannel(CStepFixture* entry, const CProfileChannelDef* channel, quint8 level,
                                   bool withPartners) const
{
    if (!entry || !channel || !IsChannelSelected(channel))
        return;
    entry->SetLevel(channel->m_index, level, true, withPartners);
}

bool CPatchedFixture::StoreColor(CStepFixture* entry, int set, quint8 red, quint8 green, quint8 blue,
                                 quint8 white) const
{
    if (!entry || !m_profile || !IsGroupSelected(m_profile->ColorSets(false), set))
        return false;
    entry->SetColor(set, red, green, blue, white, true);
    return true;
}

void CPatchedFixture::StoreAllColors(CStepFixture* entry, quint8 red, quint8 green, quint8 blue, quint8 white,
                                     bool secondGroup, bool mark) const
{
    if (!entry || !m_profile)
        return;
    ForEachSelected(m_profile->ColorSets(secondGroup), [&](int i, const CColorSet&) {
        if (secondGroup)
            entry->SetColor2(i, red, green, blue, white, mark);
        else
            entry->SetColor(i, red, green, blue, white, mark);
    });
}

bool CPatchedFixture::StoreDimmer(CStepFixture* entry, int dimmer, quint8 level) const
{
    if (!entry || !m_profile)
        return false;
    const QList<CDimmerChannel>& dimmers = m_profile->Dimmers(false);
    if (dimmer < 0 || dimmer >= dimmers.size())
        return false;
    const CDimmerChannel& d = dimmers.at(dimmer);
    if (!d.channel || !IsChannelSelected(d.channel))
        return false;
    const int start = d.preset ? d.preset->m_dmxStart : 0;
    const int end = d.preset ? d.preset->m_dmxEnd : 255;
    entry->SetLevel(d.channel->m_index, DimmerPresetLevel(level, start, end), true, true);
    return true;
}

void CPatchedFixture::StoreAllDimmers(CStepFixture* entry, quint8 level) const
{
    if (!m_profile)
        return;
    for (int i = 0; i < m_profile->Dimmers(false).size(); ++i)
        StoreDimmer(entry, i, level);
}

bool CPatchedFixture::StorePanTilt(CStepFixture* entry, int pair, quint8 pan, quint8 tilt, quint8 panFine,
                                   quint8 tiltFine) const
{
    if (!entry || !m_profile || !IsGroupSelected(m_profile->PanTiltPairs(false), pair))
        return false;
    entry->SetPanTilt(pair, pan, tilt, panFine, tiltFine, true);
    return true;
}

void CPatchedFixture::StoreAllPanTilt(CStepFixture* entry, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine,
                                      bool secondGroup, bool mark) const
{
    if (!entry || !m_profile)
        return;
    ForEachSelected(m_profile->PanTiltPairs(secondGroup), [&](int i, const CPanTiltPair&) {
        if (secondGroup)
            entry->SetPanTilt2(i, pan, tilt, panFine, tiltFine, mark);
        else
            entry->SetPanTilt(i, pan, tilt, panFine, tiltFine, mark);
    });
}

void CPatchedFixture::StoreModeChannel(CStepFixture* entry, int channel, quint8 level, bool mark) const
{
    if (!entry || !m_profile)
        return;
    const CProfileChannelDef* def = m_profile->GetChannel(channel);
    if (!def || !IsChannelSelected(def))
        return;
    entry->SetLevel(channel, level, mark, true);
}
