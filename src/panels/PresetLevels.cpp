#include "panels/PresetLevels.h"

#include "model/PatchedFixture.h"
#include "model/ProfileChannelDef.h"
#include "show/DmxLayer.h"

#include <QtGlobal>

int PresetRange::Percent(int level) const
{
    if (high == low)
        return 100;
    return qBound(0, (level - low) * 100 / (high - low), 100);
}

int PresetRange::FromPercent(int percent) const
{
    return low + qBound(0, percent, 100) * (high - low) / 100;
}

PresetRange RangeOf(const CProfilePresetDef& preset)
{
    PresetRange range;
    range.low = qMin(preset.m_dmxStart, preset.m_dmxEnd);
    range.high = qMax(preset.m_dmxStart, preset.m_dmxEnd);
    return range;
}

const CProfilePresetDef* FindPresetHolding(const CProfileChannelDef& channel, int level)
{
    for (const CProfilePresetDef* preset : channel.m_presets) {
        if (preset && RangeOf(*preset).Contains(level))
            return preset;
    }
    return nullptr;
}

int FixtureLevel(const CPatchedFixture& fixture, int channel, const CDmxLayer& levels, const CDmxLayer* mask)
{
    const int universe = fixture.m_universe;
    const int slot = fixture.m_address + channel;
    if (channel < 0 || universe < 0 || universe >= levels.UniverseCount() || slot < 0 || slot >= CDmxLayer::kSlots)
        return 0;
    if (mask && (universe >= mask->UniverseCount() || !(*mask)[universe][slot]))
        return 0;
    return levels[universe][slot];
}
