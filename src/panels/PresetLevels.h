#pragma once

class CDmxLayer;
class CPatchedFixture;
class CProfileChannelDef;
class CProfilePresetDef;

// A preset's DMX range in ascending order: a preset stored with its end
// below its start is taken with the two swapped.
struct PresetRange
{
    int low = 0;
    int high = 255;

    bool Contains(int level) const { return level >= low && level <= high; }
    // Where the level lies in the range, 0-100 (100 for a one-value range).
    int Percent(int level) const;
    // The level at that percentage of the range.
    int FromPercent(int percent) const;
};

PresetRange RangeOf(const CProfilePresetDef& preset);
// The first preset of the channel whose range holds the level, or null.
const CProfilePresetDef* FindPresetHolding(const CProfileChannelDef& channel, int level);
// Channel n of the fixture in `levels`: 0 outside the universe or the
// slots, and 0 where a mask is given and its slot is clear.
int FixtureLevel(const CPatchedFixture& fixture, int channel, const CDmxLayer& levels, const CDmxLayer* mask);
