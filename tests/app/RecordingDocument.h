#pragma once

#include "app/DocumentLink.h"
#include "show/ShowHost.h"

#include <QStringList>
#include <functional>

// A project document that records what the main window asks of it, and
// answers as the test sets it up.
class CRecordingDocument : public CDocumentLink
{
public:
    QStringList calls;
    bool openResult = true;
    bool importResult = true;
    bool saveResult = true;
    QString saveReason;
    int loadedDmxMode = 0;
    bool playingPlainScene = false;
    bool runningEffects = false;
    bool liveLevels = false;
    std::function<void()> duringFlow; // runs inside Open, Import and Save
    std::function<bool(QString& reason)> admits; // answers Admits; unset, every file reads

    void Reset(int universes) override
    {
        calls << QStringLiteral("Reset:%1").arg(universes);
        ShowHost().OnProjectLoaded();
    }
    bool Open(const QString& path) override
    {
        calls << QStringLiteral("Open:%1:busy=%2:startScenes=%3")
                     .arg(path)
                     .arg(ShowHost().IsBusy())
                     .arg(ShowHost().StartScenesOption());
        if (duringFlow)
            duringFlow();
        if (!openResult) {
            ShowHost().ShowSplashMessage(QStringLiteral("Bad file format."));
            ShowHost().WaitAfterLoadError();
            Reset(-1);
            return false;
        }
        ShowHost().OnProjectLoaded();
        return true;
    }
    bool Admits(const QString& path, QString& reason) override
    {
        reason.clear();
        return admits ? admits(reason) : CDocumentLink::Admits(path, reason);
    }
    bool Import(const QString& path) override
    {
        calls << QStringLiteral("Import:%1:busy=%2").arg(path).arg(ShowHost().IsBusy());
        if (duringFlow)
            duringFlow();
        return importResult;
    }
    bool Save(const QString& path, QString& reason) override
    {
        calls << QStringLiteral("Save:%1:busy=%2").arg(path).arg(ShowHost().IsBusy());
        if (duringFlow)
            duringFlow();
        reason = saveReason;
        return saveResult;
    }
    void Tick(int, int) override { calls << QStringLiteral("Tick"); }
    void MergeOutput() override { calls << QStringLiteral("MergeOutput"); }
    int LoadedDmxMode() const override { return loadedDmxMode; }
    void ClearLoadedDmxMode() override
    {
        calls << QStringLiteral("ClearLoadedDmxMode");
        loadedDmxMode = 0;
    }
    bool HasPlayingPlainScene() const override { return playingPlainScene; }
    bool HasRunningEffects() const override { return runningEffects; }
    bool HasLiveLevels() const override { return liveLevels; }
    void ReleaseScenes() override { calls << QStringLiteral("ReleaseScenes"); }
    void ReleaseEffects() override { calls << QStringLiteral("ReleaseEffects"); }
    void ReleaseLive() override { calls << QStringLiteral("ReleaseLive"); }
    void RefreshOutput() override { calls << QStringLiteral("RefreshOutput"); }

    int Count(const QString& prefix) const
    {
        int n = 0;
        for (const QString& c : calls)
            n += c.startsWith(prefix) ? 1 : 0;
        return n;
    }
};
