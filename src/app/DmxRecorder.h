#pragma once

#include "app/options/AppOptions.h"
#include "show/ShowBounds.h"

#include <QHash>
#include <QList>

#include <array>

class CPatchedFixture;
class CProject;
class CScene;
class CSceneStep;

// Turns the DMX input universes into timed steps of the project's recording
// scene, one sample every interval of master ticks. A change appends a step
// of the input's levels; no change lengthens the last step. With auto-start
// nothing counts until the input first differs from what it was at the start.
// The recording stops where the show, with the recording pasted into the
// scene `into`, would pass a bound of steps, entries or levels: what it
// recorded is kept, and the kind it stopped at says why.
class CDmxRecorder
{
public:
    // `inputUniverses` are the universes of the input ports; the record
    // buffers hold what the input was at the start (primed by the caller
    // for auto-start) and are cleared otherwise.
    void Start(CProject& project, const CRecordConfig& config, const QList<int>& inputUniverses,
               const CScene* into = nullptr);
    // One master tick; false once a limit is reached (recording must stop).
    bool Tick(CProject& project, int ms);

    int ElapsedMs() const { return m_elapsedMs; }
    bool IsCounting() const { return m_counting; }
    // After Tick returned false: true when a bound of the show stopped the
    // recording, and which.
    bool StoppedAtBound(CShowBounds::Kind* kind = nullptr) const;

private:
    bool Sample(CProject& project, int intervalMs);
    CSceneStep* AppendStep(CProject& project, int universe, int intervalMs);
    // The kind the recording as it is would pass, or KindCount.
    CShowBounds::Kind KindPassed(const CScene& recorded) const;
    // Takes the last step back out, with the entries it gave the others.
    static void DropLastStep(CScene& recorded, int entriesBefore);

    CRecordConfig m_config;
    QList<int> m_universes;
    bool m_counting = false;
    bool m_firstSample = false;
    int m_elapsedMs = 0;
    int m_accumulatedMs = 0;
    CSceneStep* m_lastStep = nullptr;
    // The room the show had at the start, and what of the scene pasted into
    // decides what the paste adds: its first step's fixtures, which every
    // step then drives, and how many of its hand-made and generated steps
    // drive each fixture already.
    qint64 m_roomFor[CShowBounds::KindCount] = {};
    qint64 m_intoSteps[2] = {};
    QList<const CPatchedFixture*> m_intoFirst;
    QHash<const CPatchedFixture*, std::array<qint64, 2>> m_intoDriving;
    CShowBounds::Kind m_full = CShowBounds::KindCount;
};
