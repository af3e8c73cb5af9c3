#pragma once

#include "show/SlotRuns.h"

#include <QtGlobal>

#include <vector>

class CDmxLayer;

// What a scene's live parameters (dimmer, black-out, beam on, colour
// override) do to a step, kept beside a render of the step made without
// them: the dims, and the levels each of the three forces, in the order
// rendering with the parameters does them. Turning the render into the one
// with the parameters then costs a pass over the step's slots, not a render
// of its entries, so that a master moved under many playing scenes is
// applied where they are merged. Fixtures patched side by side make runs of
// operations a stride apart, which are kept as one.
//
// It holds only for steps whose entries share no slot, whose forced
// channels are no 16-bit halves and whose colour sets share no slot: the
// forced slots then simply land on top of what the render's own runs wrote.
class CLiveOps
{
public:
    struct SParameters
    {
        int dimmer = 50;
        bool blackout = false;
        bool beamOn = false;
        bool liveColor = false;
        quint8 red = 0, green = 0, blue = 0, white = 0;
        bool operator==(const SParameters& o) const
        {
            return dimmer == o.dimmer && blackout == o.blackout && beamOn == o.beamOn && liveColor == o.liveColor
                   && red == o.red && green == o.green && blue == o.blue && white == o.white;
        }
        bool operator!=(const SParameters& o) const { return !(*this == o); }
    };
    enum Component { Red, Green, Blue, White };

    void Clear();

    // Called for every channel of every entry a render goes through.
    void AddDim(int universe, int slot) { Append(m_dims, {quint16(universe), qint16(slot), -1, -1, 1, 0, 0}); }
    void AddColourDim(int universe, int red, int green, int blue)
    {
        Append(m_dims, {quint16(universe), qint16(red), qint16(green), qint16(blue), 1, 0, 0});
    }
    void AddBlackout(int universe, int slot, quint8 level) { AddForce(Blackout, universe, slot, level); }
    void AddBeamOn(int universe, int slot, quint8 level) { AddForce(BeamOn, universe, slot, level); }
    void AddColour(int universe, int slot, Component component, bool inverted)
    {
        AddForce(kFirstColour + component, universe, slot, inverted ? 1 : 0);
    }

    // Whether the parameters leave a render made without them as it is.
    static bool IsNeutral(const SParameters& p);
    // The levels rendered without parameters become the levels with them.
    void Apply(const SParameters& p, CDmxLayer& levels) const;
    // The slots the parameters force, to be copied over the render's own
    // runs; null when they force none.
    const CSlotRuns* Forced(const SParameters& p);

private:
    // count operations on slots `stride` apart; a colour dim has three slots,
    // any other operation one (green and blue < 0).
    struct SRun
    {
        quint16 universe;
        qint16 first, green, blue;
        quint16 count;
        qint16 stride;
        quint8 level; // forced, or for colour whether the component is inverted
    };
    // The colour override forces one list per component.
    enum Kind { Blackout, BeamOn, kFirstColour, kKinds = kFirstColour + 4 };

    static void Append(std::vector<SRun>& runs, const SRun& op);
    void AddForce(int kind, int universe, int slot, quint8 level)
    {
        Append(m_forces[kind], {quint16(universe), qint16(slot), -1, -1, 1, 0, level});
    }
    // The kind forced: black-out wins over beam on, either over the colour.
    static Kind KindOf(const SParameters& p);

    std::vector<SRun> m_dims;
    std::vector<SRun> m_forces[kKinds];
    CSlotRuns m_forcedRuns[kFirstColour + 1];
    bool m_forcedBuilt[kFirstColour + 1] = {};
};
