#include "show/SlotMask.h"

#include <algorithm>

bool CSlotMask::Any() const
{
    return std::any_of(m_words, m_words + kWords, [](quint64 word) { return word != 0; });
}

bool CSlotMask::Intersects(const CSlotMask& other) const
{
    for (int w = 0; w < kWords; ++w) {
        if (m_words[w] & other.m_words[w])
            return true;
    }
    return false;
}

void CSlotMask::Clear()
{
    std::fill_n(m_words, kWords, quint64(0));
}

void CSlotMask::Unite(const CSlotMask& other)
{
    for (int w = 0; w < kWords; ++w)
        m_words[w] |= other.m_words[w];
}

void CSlotMask::CopyRange(const CSlotMask& from, int first, int end)
{
    first = std::max(first, 0);
    end = std::min(end, kSlots);
    for (int slot = first; slot < end; ++slot)
        Set(slot, from.Test(slot));
}

void CSlotMask::ToBytes(quint8* flags) const
{
    for (int slot = 0; slot < kSlots; ++slot)
        flags[slot] = Test(slot) ? 1 : 0;
}

void CSlotMask::FromBytes(const quint8* flags)
{
    for (int slot = 0; slot < kSlots; ++slot)
        Set(slot, flags[slot] != 0);
}

bool CSlotMask::operator==(const CSlotMask& other) const
{
    return std::equal(m_words, m_words + kWords, other.m_words);
}
