#pragma once

#include <QtGlobal>

#include <functional>

// The stages of one master tick, in the order they run. Each is empty here;
// the main window fills them from the timeline, the show document, the live
// pages, the layout view, the level monitor and the device managers.
class CTickStages
{
public:
    virtual ~CTickStages() = default;

    virtual void TickTimeline(int ms) { Q_UNUSED(ms); }
    virtual void TickProject(int ms) { Q_UNUSED(ms); }
    virtual void TickLivePagesOrEditor(int ms) { Q_UNUSED(ms); }
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

// Measures the time between ticks and runs the stages. Every tick takes the
// clock, busy or not, so the time spent busy is not handed on later as one
// jump. A tick that arrives while one is running (a stage that waits in an
// event loop) does nothing and leaves its time to the next one.
class CMasterTick
{
public:
    using Clock = std::function<qint64()>; // monotonic milliseconds

    explicit CMasterTick(Clock clock = Clock());

    // Sets the reference from which the first tick measures.
    void Start();
    // Returns the milliseconds handed on, or -1 when no show work was done.
    int Fire(const CTickState& state, CTickStages& stages);
    // A tick's stages are running.
    bool IsRunning() const { return m_bRunning; }

private:
    Clock m_clock;
    qint64 m_last = 0;
    bool m_bRunning = false;
};
