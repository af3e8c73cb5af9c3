#pragma once

#include "app/options/AppOptions.h"

#include <QList>

class CProject;
class CSceneStep;

// Turns the DMX input universes into timed steps of the project's recording
// scene, one sample every interval of master ticks. A change appends a step
// of the input's levels; no change lengthens the last step. With auto-start
// nothing counts until the input first differs from what it was at the start.
class CDmxRecorder
{
public:
    // `inputUniverses` are the universes of the input ports; the record
    // buffers hold what the input was at the start (primed by the caller
    // for auto-start) and are cleared otherwise.
    void Start(CProject& project, const CRecordConfig& config, const QList<int>& inputUniverses);
    // One master tick; false once a limit is reached (recording must stop).
    bool Tick(CProject& project, int ms);

    int ElapsedMs() const { return m_elapsedMs; }
    bool IsCounting() const { return m_counting; }

private:
    bool Sample(CProject& project, int intervalMs);
    CSceneStep* AppendStep(CProject& project, int universe, int intervalMs);

    CRecordConfig m_config;
    QList<int> m_universes;
    bool m_counting = false;
    bool m_firstSample = false;
    int m_elapsedMs = 0;
    int m_accumulatedMs = 0;
    CSceneStep* m_lastStep = nullptr;
};
