#pragma once

#include <QList>
#include <QPoint>

class CFixtureProfile;
class CProfileChannelDef;
class CProfileMode;

// The rules of the profile editor that need no window: the beam layout in
// pixels of the beam view, beam assignment and the links between the
// channels of a mode.
namespace ProfileEditRules {

constexpr int kBeamCell = 20; // pixels of one beam position
constexpr int kMaxBeams = 128;

// Top-left corners of `count` beams in rows of ten from (10, 10).
QList<QPoint> DefaultBeamLayout(int count);
// The profile's beam positions in pixels; one beam at (10, 10) when it has
// fewer than two (or no profile).
QList<QPoint> BeamLayoutOf(const CFixtureProfile* profile);
// Writes the layout back as positions starting at (0, 0); a single beam
// leaves none.
void StoreBeamLayout(CFixtureProfile& profile, const QList<QPoint>& layout);
bool SameBeamLayout(const CFixtureProfile& profile, const QList<QPoint>& layout);

// Hands the channels of the mode their beams by type; answers the number
// of beams the mode needs.
int AutoAssignBeams(CProfileMode& mode);

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
