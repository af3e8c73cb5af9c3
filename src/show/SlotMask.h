#pragma once

#include <QtGlobal>

// One flag per slot of a universe, a bit each: a show marks slots in some
// hundred thousand universes of its scenes, and a byte a flag took most of
// its memory. Slots outside 0 .. kSlots - 1 read clear and ignore writes.
class CSlotMask
{
public:
    static constexpr int kSlots = 512;

    bool Test(int slot) const
    {
        return unsigned(slot) < unsigned(kSlots) && ((m_words[slot >> 6] >> (slot & 63)) & 1) != 0;
    }
    void Set(int slot, bool on = true)
    {
        if (unsigned(slot) >= unsigned(kSlots))
            return;
        const quint64 bit = quint64(1) << (slot & 63);
        m_words[slot >> 6] = on ? (m_words[slot >> 6] | bit) : (m_words[slot >> 6] & ~bit);
    }
    bool Any() const;
    bool Intersects(const CSlotMask& other) const;
    void Clear();
    // Marks every slot `other` marks.
    void Unite(const CSlotMask& other);
    // The slots first .. end - 1 as `from` holds them.
    void CopyRange(const CSlotMask& from, int first, int end);
    // A byte per slot, 1 or 0, for code that moves flags and levels alike;
    // back from bytes, any byte but 0 marks.
    void ToBytes(quint8* flags) const;
    void FromBytes(const quint8* flags);

    bool operator==(const CSlotMask& other) const;
    bool operator!=(const CSlotMask& other) const { return !(*this == other); }

private:
    static constexpr int kWords = kSlots / 64;
    quint64 m_words[kWords] = {};
};
