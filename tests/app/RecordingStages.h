#pragma once

#include "app/MasterTick.h"

#include <QStringList>
#include <functional>

// Tick stages that write down what ran, with the milliseconds handed on.
class CRecordingStages : public CTickStages
{
public:
    QStringList calls;
    std::function<void()> duringProject; // runs inside TickProject

    void TickTimeline(int ms) override { Add("Timeline", ms); }
    void TickProject(int ms, int ticks) override
    {
        Add("Project", ms, ticks);
        if (duringProject)
            duringProject();
    }
    void TickLivePagesOrEditor(int ms, int ticks) override { Add("LivePages", ms, ticks); }
    void MergeOutput() override { calls << QStringLiteral("Merge"); }
    void TickLayoutView(int ms) override { Add("Layout", ms); }
    void TickLevelMonitor(int ms) override { Add("Monitor", ms); }
    void InterfacePass(int ms) override { Add("Interfaces", ms); }
    void ArtNetPass(int ms) override { Add("ArtNet", ms); }
    void RecordDmxInput(int ms) override { Add("Record", ms); }
    void UpdateReleaseLive() override { calls << QStringLiteral("ReleaseLive"); }

private:
    // Ticks are written down where a tick stands for more than one slot.
    void Add(const char* stage, int ms, int ticks = 1)
    {
        calls << QStringLiteral("%1:%2").arg(QLatin1String(stage)).arg(ms)
                     + (ticks == 1 ? QString() : QStringLiteral("x%1").arg(ticks));
    }
};
