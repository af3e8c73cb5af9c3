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
    void TickProject(int ms) override
    {
        Add("Project", ms);
        if (duringProject)
            duringProject();
    }
    void TickLivePagesOrEditor(int ms) override { Add("LivePages", ms); }
    void MergeOutput() override { calls << QStringLiteral("Merge"); }
    void TickLayoutView(int ms) override { Add("Layout", ms); }
    void TickLevelMonitor(int ms) override { Add("Monitor", ms); }
    void InterfacePass(int ms) override { Add("Interfaces", ms); }
    void ArtNetPass(int ms) override { Add("ArtNet", ms); }
    void RecordDmxInput(int ms) override { Add("Record", ms); }
    void UpdateReleaseLive() override { calls << QStringLiteral("ReleaseLive"); }

private:
    void Add(const char* stage, int ms) { calls << QStringLiteral("%1:%2").arg(QLatin1String(stage)).arg(ms); }
};
