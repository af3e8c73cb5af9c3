#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <vector>

// One 512-slot level buffer per universe, all in one block so that the
// 25 ms tick works with block copies and never allocates. Universe u's
// slots are [u][0] to [u][511].
class CDmxLayer
{
public:
    static constexpr int kSlots = 512;

    CDmxLayer() = default;
    explicit CDmxLayer(int universes) { Allocate(universes); }

    // Sized for `universes` (negative counts as 0), every slot 0.
    void Allocate(int universes)
    {
        m_universes = universes > 0 ? universes : 0;
        m_slots.assign(size_t(m_universes) * kSlots, 0);
    }

    int UniverseCount() const { return m_universes; }
    bool IsEmpty() const { return m_universes == 0; }

    quint8* operator[](int universe) { return m_slots.data() + size_t(universe) * kSlots; }
    const quint8* operator[](int universe) const { return m_slots.data() + size_t(universe) * kSlots; }

    // A layer never allocated has no block: memset may not see its null pointer.
    void Zero() { std::fill(m_slots.begin(), m_slots.end(), quint8(0)); }
    void Zero(int universe) { std::memset((*this)[universe], 0, kSlots); }

    // Copies the universes both layers have; the rest of this one is kept.
    void CopyFrom(const CDmxLayer& other)
    {
        const int universes = qMin(m_universes, other.m_universes);
        if (universes > 0)
            std::memcpy(m_slots.data(), other.m_slots.data(), size_t(universes) * kSlots);
    }
    void CopyUniverse(int universe, const CDmxLayer& other)
    {
        std::memcpy((*this)[universe], other[universe], kSlots);
    }

private:
    std::vector<quint8> m_slots;
    int m_universes = 0;
};
