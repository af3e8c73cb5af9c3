#pragma once

#include <QtGlobal>

#include <functional>

// The stages of one master tick, in the order they run. Each is empty here;
// the main window fills them from the timeline, the show document, the live
// pages, the layout view, the level monitor and the device managers. `ticks`
// is the number of slots of the grid the tick stands for: show time that
// moves on by a fixed amount per tick moves on by it that many times.
class CTickStages
{
public:
    virtual ~CTickStages() = default;

    virtual void TickTimeline(int ms) { Q_UNUSED(ms); }
    virtual void TickProject(int ms, int ticks) { Q_UNUSED(ms); Q_UNUSED(ticks); }
    virtual void TickLivePagesOrEditor(int ms, int ticks) { Q_UNUSED(ms); Q_UNUSED(ticks); }
    virtual void MergeOutput() {}
    virtual void TickLayoutView(int ms) { Q_UNUSED(ms); }
    virtual void TickLevelMonitor(int ms) { Q_UNUSED(ms); }
    virtual void InterfacePass(int ms) { Q_UNUSED(ms); }
    virtual void ArtNetPass(int ms) { Q_UNUSED(ms); }
    virtual void RecordDmxInput(int ms) { Q_UNUSED(ms); }
    virtual void UpdateReleaseLive() {}
};

// What the main window's state says about the tick that is due.
struct CTickState
{
    bool busy = false;           // a project is being opened, imported or saved
    bool outputOn = false;
    int outputMode = 0;          // 0 interfaces, 1 Art-Net, 2 both
    bool recording = false;
    bool liveLevelsChanged = false;
};

// The master tick's own grid on the monotonic clock: slot k is due at
// start + k x period, whoever asks (the timer, a key, a repaint) and however
// late. The count of slots is show time, so a tick runs only once a slot has
// come, covers every slot that came since the last one and never moves the
// grid; a timer that re-bases itself after a late timeout would lose them.
// Slots that pass while a project is opened or saved are dropped, so that
// the time spent busy is not handed on later as one jump. A tick asked for
// while one is running (a stage that waits in an event loop) does nothing
// and leaves its slots to the next one.
class CMasterTick
{
public:
    using Clock = std::function<qint64()>; // monotonic milliseconds

    static constexpr int kPeriodMs = 25;

    explicit CMasterTick(Clock clock = Clock());

    // Lays the grid: the first slot is due one period from now.
    void Start();
    // Milliseconds until the next slot is due; zero or less once it is.
    qint64 MsToNextSlot() const;
    bool IsDue() const { return MsToNextSlot() <= 0; }
    // Runs the stages for every slot that came since the last tick. Returns
    // the milliseconds of show time handed on, or -1 when no show work was done.
    int Fire(const CTickState& state, CTickStages& stages);
    // A tick's stages are running.
    bool IsRunning() const { return m_bRunning; }

    // The timer that reminds of the grid, as the tick finds it.
    struct STimer
    {
        bool active = false;
        int interval = 0;
        qint64 remaining = -1;
    };
    // A timeout at its slot, or within the millisecond after it, of a timer
    // set for less than a period: from here on it repeats on the grid.
    bool RepeatsFromHere(const STimer& timer) const;
    // What the timer is set for after a tick, or -1 to leave it going.
    int TimerSetting(const STimer& timer) const;

    // The window's timer, or a test's.
    class CTimer
    {
    public:
        virtual ~CTimer() = default;
        virtual STimer State() const = 0;
        virtual void Start(int ms) = 0;
    };
    // A timeout of `timer`, before the tick it runs: one that repeats from
    // here is set to repeat on the grid.
    void TimedOut(CTimer& timer) const;
    // After a tick: `timer` is set for the next slot unless it goes off then anyway.
    void Rearm(CTimer& timer) const;

private:
    qint64 SlotsAt(qint64 now) const;

    Clock m_clock;
    qint64 m_start = 0;
    qint64 m_slots = 0; // slots accounted for since m_start
    bool m_bRunning = false;
};
