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
    Start();
}

void CMasterTick::Start()
{
    m_start = m_clock();
    m_slots = 0;
}

qint64 CMasterTick::SlotsAt(qint64 now) const
{
    // Floor division: a clock read before the start is in no slot yet.
    const qint64 since = now - m_start;
    return since >= 0 ? since / kPeriodMs : -((-since + kPeriodMs - 1) / kPeriodMs);
}

qint64 CMasterTick::MsToNextSlot() const
{
    return m_start + (m_slots + 1) * kPeriodMs - m_clock();
}

bool CMasterTick::RepeatsFromHere(const STimer& timer) const
{
    const qint64 sinceSlot = -MsToNextSlot();
    return !m_bRunning && timer.interval != kPeriodMs && sinceSlot >= 0 && sinceSlot <= 1;
}

int CMasterTick::TimerSetting(const STimer& timer) const
{
    // Inside a tick (a stage waiting in an event loop) the slot that comes
    // waits for that tick to end; a timer set for a time already past would
    // spin meanwhile.
    const qint64 next = m_bRunning ? kPeriodMs : qBound<qint64>(0, MsToNextSlot(), kPeriodMs);
    // Setting a timer costs more than a quiet tick: one that repeats on the
    // grid is left to go off at its next slot, or within the millisecond
    // after it that its time is rounded up by. Any other, re-based by a late
    // timeout or set for one slot, is set for the next slot, and repeats from there.
    if (timer.active && timer.interval == kPeriodMs && timer.remaining >= next && timer.remaining <= next + 1)
        return -1;
    return int(next);
}

void CMasterTick::TimedOut(CTimer& timer) const
{
    if (RepeatsFromHere(timer.State()))
        timer.Start(kPeriodMs);
}

void CMasterTick::Rearm(CTimer& timer) const
{
    const int ms = TimerSetting(timer.State());
    if (ms >= 0)
        timer.Start(ms);
}

int CMasterTick::Fire(const CTickState& state, CTickStages& stages)
{
    if (m_bRunning)
        return -1;
    const qint64 slots = SlotsAt(m_clock()) - m_slots;
    if (slots <= 0)
        return -1;
    m_slots += slots;
    if (state.busy)
        return -1;

    // A stall of weeks still hands on a whole number of slots.
    const int ticks = int(qMin<qint64>(slots, INT_MAX / kPeriodMs));
    const int ms = ticks * kPeriodMs;
    struct CRunning {
        bool& flag;
        explicit CRunning(bool& f) : flag(f) { flag = true; }
        ~CRunning() { flag = false; }
    } running(m_bRunning);
    stages.TickTimeline(ms);
    stages.TickProject(ms, ticks);
    stages.TickLivePagesOrEditor(ms, ticks);
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
