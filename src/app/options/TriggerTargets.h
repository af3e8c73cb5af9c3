#pragma once

#include <QtGlobal>

// Where the main window hands the triggers that come from outside the
// keyboard once it has decided they are to be dispatched: the fixtures
// window's group triggers first, then the live pages' dispatcher. Each is
// empty here; the main window fills them as those windows arrive.
class CTriggerTargets
{
public:
    virtual ~CTriggerTargets() = default;

    // kind 1 note (value 1 on, 0 off), 2 controller change, 3 program change (value -1).
    virtual void MidiTrigger(int kind, int channel, int number, int value)
    {
        Q_UNUSED(kind);
        Q_UNUSED(channel);
        Q_UNUSED(number);
        Q_UNUSED(value);
    }
    // The levels of DMX input universe `universe` have just been read.
    virtual void DmxInputTrigger(int universe) { Q_UNUSED(universe); }
    // One of the three stand-alone inputs took a new non-zero value; a, b
    // and c are all three as they are now.
    virtual void StandAloneTrigger(int a, int b, int c)
    {
        Q_UNUSED(a);
        Q_UNUSED(b);
        Q_UNUSED(c);
    }
};
