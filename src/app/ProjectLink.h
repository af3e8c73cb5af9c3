#pragma once

#include "app/DocumentLink.h"

class CProject;

// The main window's way into the show document it owns.
class CProjectLink : public CDocumentLink
{
public:
    explicit CProjectLink(CProject& project)
        : m_project(project)
    {
    }

    void Reset(int universes) override;
    bool Open(const QString& path) override;
    bool Admits(const QString& path, QString& reason) override;
    bool Import(const QString& path) override;
    bool Save(const QString& path, QString& reason) override;

    void Tick(int ms, int ticks) override;
    void MergeOutput() override;
    bool RenderDueNow(qint64& budget) override;
    void LeaveDueRendersBetweenTicks() override;

    int LoadedDmxMode() const override;
    void ClearLoadedDmxMode() override;

    bool IsPlaybackRunning() const override;
    bool IsEffectEditing() const override;
    bool HasPlayingPlainScene() const override;
    bool HasRunningEffects() const override;
    bool HasLiveLevels() const override;

    void ReleaseScenes() override;
    void ReleaseEffects() override;
    void ReleaseLive() override;
    void RefreshOutput() override;

    int UniverseCount() const override;
    const quint8* OutputLevels(int universe) const override;
    quint8* DmxInputLevels(int universe) override;

    QVector<SDeviceConfig> DmxConfig() const override;
    void SetDmxConfig(const QVector<SDeviceConfig>& records) override;

private:
    CProject& m_project;
};
