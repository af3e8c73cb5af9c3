#pragma once

#include "show/DmxLayer.h"
#include "show/Scene.h"
#include "show/StepFixture.h"

#include <QList>

// Levels and masks as lists, so that one comparison shows them all.

inline QList<int> EntryLevels(const CStepFixture& entry)
{
    QList<int> levels;
    for (int c = 0; c < entry.ChannelCount(); ++c)
        levels << entry.Level(c);
    return levels;
}

inline QList<int> LayerLevels(const CDmxLayer& layer, int universe, int first, int count)
{
    QList<int> levels;
    for (int s = first; s < first + count; ++s)
        levels << layer[universe][s];
    return levels;
}

// The slots of `first`..`last` that the scene drives.
inline QList<int> ActiveSlots(const CScene& scene, int universe, int first = 0, int last = CDmxLayer::kSlots - 1)
{
    QList<int> active;
    for (int s = first; s <= last; ++s) {
        if (scene.IsChannelActive(universe, s))
            active << s;
    }
    return active;
}
