#pragma once

#include "setup/AssignIdsWnd.h"
#include "show/Project.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the operator does in the ID grid, as a line of words: "2>0" drags
// cell 2 onto the slot of cell 0 (any slot number, filled or not), "->" and
// "<-" sort by address.
inline void RunIdScript(CAssignIdsWnd& grid, const QString& script)
{
    const auto centre = [](int slot) {
        return QPoint(CAssignIdsWnd::kCellSide * (slot % CAssignIdsWnd::kMaxColumns) + 15,
                      CAssignIdsWnd::kCellSide * (slot / CAssignIdsWnd::kMaxColumns) + 15);
    };
    for (const QString& word : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word == QLatin1String("->") || word == QLatin1String("<-")) {
            grid.SortByAddress(word == QLatin1String("->"));
            continue;
        }
        const QStringList ends = word.split(QLatin1Char('>'));
        if (grid.BeginDrag(centre(ends.at(0).toInt())))
            grid.DropAt(centre(ends.at(1).toInt()));
    }
}

// The IDs the cells show now, as "2 3 1".
inline QString ShownIds(const CAssignIdsWnd& grid)
{
    QStringList ids;
    for (int n = 0; n < grid.Count(); ++n)
        ids << QString::number(grid.IdAt(n));
    return ids.join(QLatin1Char(' '));
}

// The live layer and its mask, byte for byte; filled with a pattern that
// no chase writes (no 255, masks of 0 and 1 mixed).
inline QByteArray LiveBytes(const CProject& project)
{
    QByteArray bytes;
    for (int u = 0; u < project.m_live.UniverseCount(); ++u) {
        bytes.append(reinterpret_cast<const char*>(project.m_live[u]), CDmxLayer::kSlots);
        bytes.append(reinterpret_cast<const char*>(project.m_liveMask[u]), CDmxLayer::kSlots);
    }
    return bytes;
}

inline void FillLivePattern(CProject& project)
{
    for (int u = 0; u < project.m_live.UniverseCount(); ++u) {
        for (int s = 0; s < CDmxLayer::kSlots; ++s) {
            project.m_live[u][s] = quint8((s * 7 + u * 13) % 200);
            project.m_liveMask[u][s] = quint8((s + u) % 3 == 0);
        }
    }
}
