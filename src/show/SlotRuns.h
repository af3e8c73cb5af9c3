#pragma once

#include <QtGlobal>

#include <vector>

class CDmxLayer;
class CProfileMode;
class CScene;
class CSceneStep;
class CSlotMask;
class CStepFixture;

// What carrying a step's levels to a layer writes, as runs of slots in the
// order a walk over the step's entries writes them: a later run wins where
// fixtures overlap, exactly as the walk would. A run copies its slots, mixes
// them as 8-bit levels, or mixes 16-bit pairs (coarse and fine as one value).
class CSlotRuns
{
public:
    enum Kind : quint8 { Copy, Mix8, Mix16 };

    struct SRun
    {
        quint16 universe;
        quint16 first;      // first slot; for Mix16 the first pair's coarse slot
        quint16 count;      // slots; for Mix16 pairs
        qint16 fineOffset; // Mix16: fine slot - coarse slot; the pairs of a longer run lie back to back
        Kind kind;
    };

    void Clear() { m_runs.clear(); }
    bool IsEmpty() const { return m_runs.empty(); }
    const std::vector<SRun>& Runs() const { return m_runs; }

    // Appends one slot or pair, joining it to the last run where it continues it.
    void Add(int universe, int slot, Kind kind, int fineOffset = 0);
    // The mix of every entry of the step under the scene's masks as they
    // stand: overridden slots copy, active ones mix; a 16-bit pair follows
    // its coarse channel. Universes from `universes` on are left out.
    void BuildMix(const CSceneStep& step, const CScene& scene, int universes);
    // Appends the mix of one entry under the masks of its universe; nothing
    // without both. The overridden slots may come as a byte a slot, any
    // bit of which set overrides.
    void AddEntry(const CStepFixture& entry, const CSlotMask* active, const CSlotMask* override);
    void AddEntry(const CStepFixture& entry, const CSlotMask* active, const quint8* overridden);

    // Runs the runs: copies from `to`, mixes from `from` into `to` at ratio
    // t. Runs past the universes of any layer are skipped. `to` may be
    // `target` itself.
    void Apply(float t, const CDmxLayer& from, const CDmxLayer& to, CDmxLayer& target) const;

    // The fine partner of channel c of the first `count` channels of `mode`,
    // which a mix writes with it, when c is the coarse byte of such a pair; -1 otherwise.
    static int FinePartner(const CProfileMode& mode, int c, int count);

private:
    std::vector<SRun> m_runs;
};
