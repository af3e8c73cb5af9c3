#include "app/ProjectLink.h"

#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowHost.h"

namespace {

// The host while a file is read aside. The operator's questions, and the
// universe count a question sets, still reach the window, and the splash
// goes before a question as it would; what the read would do to the
// window's panels reaches nothing, and scenes saved as playing do not
// start. The error the open would put on the splash is kept instead.
class CTrialHost : public CShowHost
{
public:
    explicit CTrialHost(CShowHost& window)
        : m_window(window)
    {
        SetShowHost(this);
    }
    ~CTrialHost() override { SetShowHost(&m_window); }
    CTrialHost(const CTrialHost&) = delete;
    CTrialHost& operator=(const CTrialHost&) = delete;

    QString error;

    void ShowSplashMessage(const QString& text) override { m_shown = text; }
    void WaitAfterLoadError() override { error = m_shown; }
    void CloseSplash() override { m_window.CloseSplash(); }
    int AskQuestion(const QString& title, const QString& text) override { return m_window.AskQuestion(title, text); }
    void SetUniverseCountOption(int count) override { m_window.SetUniverseCountOption(count); }

private:
    CShowHost& m_window;
    QString m_shown;
};

} // namespace

void CProjectLink::Reset(int universes)
{
    if (universes >= 0)
        m_project.NewProject(universes);
    m_project.Reset();
}

bool CProjectLink::Open(const QString& path)
{
    return m_project.OpenProject(path);
}

bool CProjectLink::Admits(const QString& path, QString& reason)
{
    // The file is read in full into a show of its own, so the open show is
    // dropped only for a file that reads: for a moment both are held. The
    // trial show goes before its host.
    CTrialHost host(ShowHost());
    bool read = false;
    {
        CProject trial;
        trial.NewProject(m_project.UniverseCount());
        read = trial.OpenProject(path);
    }
    reason = read ? QString() : host.error;
    return read;
}

bool CProjectLink::Import(const QString& path)
{
    return m_project.ImportProject(path);
}

bool CProjectLink::Save(const QString& path, QString& reason)
{
    reason.clear();
    return m_project.SaveProject(path, &reason);
}

void CProjectLink::Tick(int ms, int ticks)
{
    m_project.Tick(ms, ticks);
}

bool CProjectLink::RenderDueNow(qint64& budget)
{
    return m_project.RenderDueNow(budget);
}

void CProjectLink::LeaveDueRendersBetweenTicks()
{
    m_project.LeaveDueRendersBetweenTicks();
}

void CProjectLink::MergeOutput()
{
    m_project.MergeOutput();
}

int CProjectLink::LoadedDmxMode() const
{
    return m_project.m_loadedDmxMode;
}

void CProjectLink::ClearLoadedDmxMode()
{
    m_project.m_loadedDmxMode = 0;
}

bool CProjectLink::IsPlaybackRunning() const
{
    return m_project.m_playbackRunning;
}

bool CProjectLink::IsEffectEditing() const
{
    return m_project.m_effectEditing;
}

bool CProjectLink::HasPlayingPlainScene() const
{
    for (const CPage* page : m_project.m_pages) {
        for (const CPlayingScene* entry : page->m_playing) {
            if (entry->Scene() && !entry->Scene()->IsEffectScene())
                return true;
        }
    }
    return false;
}

bool CProjectLink::HasRunningEffects() const
{
    return !m_project.m_runningCopies.isEmpty();
}

bool CProjectLink::HasLiveLevels() const
{
    return m_project.HasLiveLevels();
}

void CProjectLink::ReleaseScenes()
{
    m_project.ReleaseScenes();
}

void CProjectLink::ReleaseEffects()
{
    m_project.ReleaseEffects();
}

void CProjectLink::ReleaseLive()
{
    for (int u = 0; u < m_project.UniverseCount(); ++u) {
        if (!m_project.IsActive(u))
            continue;
        quint8* mask = m_project.m_liveMask[u];
        quint8* live = m_project.m_live[u];
        for (int s = 0; s < CDmxLayer::kSlots; ++s) {
            if (mask[s]) {
                mask[s] = 0;
                live[s] = 0;
            }
        }
    }
    ShowHost().RaiseLiveLevelsChanged();
    ShowHost().RaiseUiUpdate();
}

void CProjectLink::RefreshOutput()
{
    m_project.RefreshOutput();
}

int CProjectLink::UniverseCount() const
{
    return m_project.UniverseCount();
}

const quint8* CProjectLink::OutputLevels(int universe) const
{
    if (!m_project.IsUniverse(universe) || universe >= m_project.m_output.UniverseCount())
        return nullptr;
    return m_project.m_output[universe];
}

quint8* CProjectLink::DmxInputLevels(int universe)
{
    if (!m_project.IsUniverse(universe) || universe >= m_project.m_dmxInput.UniverseCount())
        return nullptr;
    return m_project.m_dmxInput[universe];
}

QVector<SDeviceConfig> CProjectLink::DmxConfig() const
{
    QVector<SDeviceConfig> records;
    records.reserve(m_project.m_dmxConfig.size());
    for (const CDmxConfigRecord* stored : m_project.m_dmxConfig) {
        SDeviceConfig record;
        if (stored) {
            record.portADirection = stored->m_portADirection;
            record.portBDirection = stored->m_portBDirection;
            record.portAUniverse = stored->m_portAUniverse;
            record.portBUniverse = stored->m_portBUniverse;
            record.secondaryAUniverse = stored->m_secondaryPortAUniverse;
            record.secondaryBUniverse = stored->m_secondaryPortBUniverse;
        }
        records << record;
    }
    return records;
}

void CProjectLink::SetDmxConfig(const QVector<SDeviceConfig>& records)
{
    qDeleteAll(m_project.m_dmxConfig);
    m_project.m_dmxConfig.clear();
    for (const SDeviceConfig& record : records) {
        auto* stored = new CDmxConfigRecord;
        stored->m_portADirection = record.portADirection;
        stored->m_portBDirection = record.portBDirection;
        stored->m_portAUniverse = record.portAUniverse;
        stored->m_portBUniverse = record.portBUniverse;
        stored->m_secondaryPortAUniverse = record.secondaryAUniverse;
        stored->m_secondaryPortBUniverse = record.secondaryBUniverse;
        m_project.m_dmxConfig << stored;
    }
}
