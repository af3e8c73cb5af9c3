#pragma once

#include "show/DmxLayer.h"

#include <QString>

// The first slot two layers disagree on, in words; empty when they agree.
inline QString FirstDifference(const CDmxLayer& a, const CDmxLayer& b)
{
    for (int u = 0; u < a.UniverseCount(); ++u) {
        for (int s = 0; s < CDmxLayer::kSlots; ++s) {
            if (a[u][s] != b[u][s])
                return QStringLiteral("universe %1 slot %2: %3, plainly %4").arg(u).arg(s).arg(a[u][s]).arg(b[u][s]);
        }
    }
    return QString();
}
