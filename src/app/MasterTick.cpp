#include "app/MasterTick.h"

#include <QElapsedTimer>

#include <climits>
#include <memory>

namespace {

CMasterTick::Clock MonotonicClock()
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] { return timer->elapsed(); };
}

} // namespace

CMasterTick::CMasterTick(Clock clock)
    : m_clock(clock ? std::move(clock) : MonotonicClock())
{
    m_last = m_clock();
}

void CMasterTick::Start()
{
    m_last = m_clock();
}

int CMasterTick::Fire(const CTickState& state, CTickStages& stages)
{
    if (m_bRunning)
        return -1;
    const qint64 now = m_clock();
    const int ms = int(qBound<qint64>(0, now - m_last, INT_MAX));
    m_last = now;
    if (state.busy)
        return -1;

    struct CRunning {
        bool& flag;
        explicit CRunning(bool& f) : flag(f) { flag = true; }
        ~CRunning() { flag = false; }
    } running(m_bRunning);
    stages.TickTimeline(ms);
    stages.TickProject(ms);
    stages.TickLivePagesOrEditor(ms);
    stages.MergeOutput();
    stages.TickLayoutView(ms);
    stages.TickLevelMonitor(ms);
    if (state.outputOn) {
        if (state.outputMode == 0 || state.outputMode == 2)
            stages.InterfacePass(ms);
        if (state.outputMode == 1 || state.outputMode == 2)
            stages.ArtNetPass(ms);
    }
    if (state.recording)
        stages.RecordDmxInput(ms);
    if (state.liveLevelsChanged)
        stages.UpdateReleaseLive();
    return ms;
}
