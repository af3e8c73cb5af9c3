#pragma once

#include "show/SlotRuns.h"

#include <QtGlobal>

#include <vector>

class CDmxLayer;

// What a scene's live parameters (dimmer, black-out, beam on, colour
// override) do to a step, kept beside a render of the step made without
// them: the dims slot by slot, and the levels each of the three forces, in
// the order rendering with the parameters does them. Turning the render
// into the one with the parameters then costs a pass over the step's slots,
// not a render of its entries, so that a master moved under many playing
// scenes is applied where they are merged.
//
// It holds only for steps whose entries share no slot, and whose forced
// channels are no 16-bit halves: the forced slots then simply land on top
// of whatever the render's own runs wrote.
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
    enum Component : quint8 { Red, Green, Blue, White };

    void Clear();

    // Called for every channel of every entry a render goes through.
    void AddDim(int universe, int slot) { m_dims.push_back({quint16(universe), qint16(slot), -1, -1}); }
    void AddColourDim(int universe, int red, int green, int blue)
    {
        m_dims.push_back({quint16(universe), qint16(red), qint16(green), qint16(blue)});
    }
    void AddBlackout(int universe, int slot, quint8 level)
    {
        m_forces[Blackout].push_back({quint16(universe), quint16(slot), level, 0});
    }
    void AddBeamOn(int universe, int slot, quint8 level)
    {
        m_forces[BeamOn].push_back({quint16(universe), quint16(slot), level, 0});
    }
    void AddColour(int universe, int slot, Component component, bool inverted)
    {
        m_forces[Colour].push_back({quint16(universe), quint16(slot), quint8(inverted ? 1 : 0), quint8(component)});
    }

    // Whether the parameters leave a render made without them as it is.
    static bool IsNeutral(const SParameters& p);
    // The levels rendered without parameters become the levels with them.
    void Apply(const SParameters& p, CDmxLayer& levels) const;
    // The slots the parameters force, to be copied over the render's own
    // runs; null when they force none.
    const CSlotRuns* Forced(const SParameters& p);

private:
    struct SDim
    {
        quint16 universe;
        qint16 red, green, blue; // green < 0: one level dimmed
    };
    struct SForce
    {
        quint16 universe;
        quint16 slot;
        quint8 level; // for colour: whether the component is inverted
        quint8 component;
    };
    enum Kind { Blackout, BeamOn, Colour, kKinds };

    const std::vector<SForce>* ForcesOf(const SParameters& p) const;

    std::vector<SDim> m_dims;
    std::vector<SForce> m_forces[kKinds];
    CSlotRuns m_forcedRuns[kKinds];
    bool m_forcedBuilt[kKinds] = {};
};
