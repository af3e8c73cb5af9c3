#pragma once

#include "model/LayoutPlacement.h"

#include <QColor>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

class CDmxLayer;
class CLibraryProfile;
class CProfileChannelDef;
class CProject;
class CScene;
class CStepFixture;

// Where the layer writers of CPatchedFixture put levels: a level layer and its
// mask, one 512-slot buffer per universe each. Live: the project's live layer
// and live mask, where a slot that becomes masked raises the host's
// live-levels-changed flag. Edit: the edit layer and edit mask.
struct CLayerTarget
{
    CDmxLayer& levels;
    CDmxLayer& mask;
    bool live;

    // The project's live layer (live) or edit layer, each with its mask.
    static CLayerTarget Of(CProject& project, bool live);
};

// True when at least one beam of the list is selected.
bool IsAnyBeamSelected(const QList<bool>& beamFlags);

// One fixture patched into the show: a library profile at a DMX address of a
// universe, with its layout position in every group, the selection of its
// beams and the colour the layout view draws it in. Without a profile the
// record stands for one raw DMX channel. The general group owns every
// patched fixture; everything else only points to it.
class CPatchedFixture : public CLayoutPlacement
{
public:
    // A raw DMX channel: no id, no name, no profile.
    CPatchedFixture(int address, int universe);
    // Patched from the layout view, which supplies the fixture's item.
    CPatchedFixture(int address, int universe, int id, int matrixId, const QString& name,
                    CLibraryProfile* profile, bool invertPan, bool invertTilt, CLayoutItem* layoutItem);
    // Read from a project file.
    CPatchedFixture(int address, int universe, int id, int matrixId, const QString& name,
                    CLibraryProfile* profile, bool invertPan, bool invertTilt, int drawType);

    // Colour caches of profiles with master colour sets: one per colour set
    // of either group; the lists stay empty for every other profile.
    void InitColorSlots();

    // Beams of the profile, at least one; 0 without a profile.
    int BeamCount() const;
    // Takes another profile: the beam flags follow its beam count (keeping
    // the selection of the beams both have) and the colour caches start again.
    void SetProfile(CLibraryProfile* profile);
    CLibraryProfile* Profile() const { return m_profile; }
    // Profile changes of patched fixtures so far, in all shows: step entries
    // made for the former profile need fitting once it moves.
    static quint64 ProfileChanges() { return s_profileChanges; }

    // Whether the channel serves a selected beam (a channel naming no beam
    // serves them all).
    bool IsChannelSelected(const CProfileChannelDef* channel) const;
    // The same against another selection; a channel naming no beam needs at
    // least one selected beam in `beamFlags`.
    static bool IsChannelInBeams(const CProfileChannelDef* channel, const QList<bool>& beamFlags);
    bool IsAnyBeamSelected() const { return ::IsAnyBeamSelected(m_beamFlags); }

    // Index of the first colour set (pan/tilt pair) of the group whose red or
    // cyan (pan) channel serves a selected beam; 0 when the group has fewer
    // than two, when none does, or without a profile.
    int FirstSelectedColor(bool secondGroup) const;
    int FirstSelectedPanTilt(bool secondGroup) const;

    // Scenes driving the fixture decide its colour in the layout view: blue
    // for an effect scene, green for a plain one, purple for both.
    void AddPlayingScene(const CScene* scene);
    void RemovePlayingScene(const CScene* scene);
    QColor DisplayColor() const { return m_displayColor; }
    int DrivingSceneCount() const { return m_drivingCounts[PlainScene] + m_drivingCounts[EffectScene]; }
    // Driving-scene tallies every start and stop of every fixture has
    // touched so far, so that a start can be seen to cost the same however
    // many scenes already drive the fixture.
    static quint64 DrivingTalliesTouched() { return s_drivingTalliesTouched; }

    // ---- Level writers (PatchedFixtureLevels.cpp) ----
    // They turn a level for a profile role (a channel, a colour set, a
    // pan/tilt pair, a dimmer) into bytes at the fixture's slots. A slot
    // past 511, a channel outside the profile's current mode and a universe
    // the target has no buffer for are skipped. CMY sets take red, green and
    // blue inverted (255 - value); white never is. Fine pan/tilt bytes are
    // written only for a profile with 16-bit pan/tilt and a pair that has them.

    // Layer writers. WriteChannel writes only a channel serving a selected
    // beam; WriteColor writes first-group set `set` whatever its beams; the
    // "All" writers take every set (pair) of the group whose red/cyan (pan)
    // channel serves a selected beam.
    void WriteChannel(const CProfileChannelDef* channel, quint8 level, const CLayerTarget& target) const;
    void WriteColor(int set, quint8 red, quint8 green, quint8 blue, quint8 white, const CLayerTarget& target) const;
    void WriteAllColors(quint8 red, quint8 green, quint8 blue, quint8 white, bool secondGroup,
                        const CLayerTarget& target) const;
    void WriteAllPanTilt(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool secondGroup,
                         const CLayerTarget& target) const;

    // Entry writers: store into the fixture's entry of a scene step, only
    // where the channel (the set's red/cyan, the pair's pan, the dimmer)
    // serves a selected beam. Those returning bool say whether they stored.
    void StoreChannel(CStepFixture* entry, const CProfileChannelDef* channel, quint8 level, bool withPartners) const;
    bool StoreColor(CStepFixture* entry, int set, quint8 red, quint8 green, quint8 blue, quint8 white) const;
    void StoreAllColors(CStepFixture* entry, quint8 red, quint8 green, quint8 blue, quint8 white, bool secondGroup,
                        bool mark) const;
    // Dimmers of the first dimmer table, the level rescaled into the DMX
    // range of the dimmer's preset (see DimmerPresetLevel).
    bool StoreDimmer(CStepFixture* entry, int dimmer, quint8 level) const;
    void StoreAllDimmers(CStepFixture* entry, quint8 level) const;
    bool StorePanTilt(CStepFixture* entry, int pair, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine) const;
    void StoreAllPanTilt(CStepFixture* entry, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine,
                         bool secondGroup, bool mark) const;
    // Channel n of the profile's current mode.
    void StoreModeChannel(CStepFixture* entry, int channel, quint8 level, bool mark) const;

    // The level a dimmer stores for `level` given its preset's DMX range
    // start..end: the range stretched over 0-255 (255 for a one-value range),
    // held to 0-255 for levels outside the range.
    static quint8 DimmerPresetLevel(int level, int start, int end);
    // ---- end of level writers ----

    // One flag per beam: true = selected.
    QList<bool>& BeamFlags() { return m_beamFlags; }
    const QList<bool>& BeamFlags() const { return m_beamFlags; }

    QList<QColor> m_masterColors; // one per second-group colour set
    QList<QColor> m_beamColors;   // one per first-group colour set
    QList<quint8> m_beamColorFlags;

    int m_id = -1;       // -1 for a raw DMX channel
    int m_matrixId = -1; // -1 outside any matrix
    int m_address = 0;   // slot of the first channel, 0-511
    int m_universe = 0;
    bool m_invertPan = false;
    bool m_invertTilt = false;
    QString m_name;
    int m_drawType = 0;

private:
    enum DrivingKind : quint8 { PlainScene = 0, EffectScene = 1 };

    static DrivingKind KindOf(const CScene* scene);
    void UpdateDisplayColor();

    // Colour sets and pan/tilt pairs follow one selection rule: set (pair)
    // `index` exists and its lead channel serves a selected beam.
    template <typename Group>
    bool IsGroupSelected(const QList<Group>& groups, int index) const
    {
        return index >= 0 && index < groups.size() && IsChannelSelected(LeadChannel(groups.at(index)));
    }
    template <typename Group>
    int FirstSelected(const QList<Group>& groups) const;
    // Calls visit(index, group) for each selected set (pair), in order.
    template <typename Group, typename Visit>
    void ForEachSelected(const QList<Group>& groups, Visit visit) const
    {
        for (int i = 0; i < groups.size(); ++i) {
            if (IsGroupSelected(groups, i))
                visit(i, groups.at(i));
        }
    }

    CLibraryProfile* m_profile = nullptr;
    QList<bool> m_beamFlags;
    QColor m_displayColor{Qt::black};
    // The colour depends only on which kinds drive the fixture, not on which
    // scenes or in what order: a tally per kind is all it needs, so a start
    // or stop costs the same however many scenes play.
    int m_drivingCounts[2] = {0, 0};
    static quint64 s_drivingTalliesTouched;
    static quint64 s_profileChanges;
};
