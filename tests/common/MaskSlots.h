#pragma once

#include "show/SlotMask.h"

#include <QList>

// The marks of slots first .. first + count - 1 of a mask, 1 or 0 each.
inline QList<int> MaskSlots(const CSlotMask* mask, int first, int count)
{
    QList<int> marks;
    for (int s = first; s < first + count; ++s)
        marks << (mask->Test(s) ? 1 : 0);
    return marks;
}
