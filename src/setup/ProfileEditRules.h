#pragma once

class CFixtureProfile;
class CProfileChannelDef;
class CProfileMode;

// The rules of the profile editor that need no window: the links between
// the channels of a mode.
namespace ProfileEditRules {

// Numbers the channels by position and rewrites every partner and preset
// target index from the links. Links to channels that left the mode are
// dropped, so is the pairing of a 16-bit half whose partner went.
void RelinkMode(CProfileMode& mode);
void RelinkProfile(CFixtureProfile& profile);
// Makes every link of the mode that points at `from` point at `to` (null:
// the link is dropped).
void Retarget(CProfileMode& mode, const CProfileChannelDef* from, CProfileChannelDef* to);
// A copy put into a mode on its own: no partners; its presets aim at the
// channels the indices name in `mode`.
void MakeStandalone(CProfileChannelDef& channel, const CProfileMode& mode);

} // namespace ProfileEditRules
