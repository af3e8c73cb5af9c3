#pragma once

#include "show/SlotMask.h"

#include <QList>
#include <QStringList>

// The marks of slots first .. first + count - 1 of a mask, 1 or 0 each.
inline QList<int> MaskSlots(const CSlotMask* mask, int first, int count)
{
    QList<int> marks;
    for (int s = first; s < first + count; ++s)
        marks << (mask->Test(s) ? 1 : 0);
    return marks;
}

// The slots a mask marks, ascending, as "3,7,9".
inline QString MarkedSlots(const CSlotMask& mask)
{
    QStringList marked;
    for (int s = 0; s < CSlotMask::kSlots; ++s) {
        if (mask.Test(s))
            marked << QString::number(s);
    }
    return marked.join(QLatin1Char(','));
}
