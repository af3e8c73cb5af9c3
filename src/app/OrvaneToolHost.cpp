// The host operations that reach the tool panels: the presets' selection and
// effect marks, the timeline, the crossfades and the channel locks.

#include "app/Orvane.h"

#include "editors/EditorFactory.h"

#include "live/DmxChannelsWnd.h"
#include "live/FadingWnd.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "panels/PresetsWnd.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineHeader.h"
#include "timeline/TimeLineWnd.h"
#include "timeline/VideoDlg.h"

#include <QStatusBar>

namespace {

// Long enough to be read; a note about one command must not stay for the next.
constexpr int kStatusMessageMs = 8000;

} // namespace

void Orvane::RefreshPagesAndPresets()
{
    if (m_presets && m_toolPanel == kPresetsPanel)
        m_presets->UpdateSelection();
    if (m_faders)
        m_faders->UpdateSelection();
    // The open editor follows the selection after the panels: their rebuild
    // drops the marks the effect being edited sets again.
    if (m_pages) {
        m_pages->UpdateEffectList();
        m_pages->UpdatePage();
    }
}

void Orvane::ShowStatusMessage(const QString& text)
{
    statusBar()->showMessage(text, kStatusMessageMs);
}

void Orvane::ClearEffectMarks()
{
    m_project.ClearEffectMask();
    if (m_presets)
        m_presets->ResetModes();
    if (m_faders)
        m_faders->ResetModes();
    RefreshShownPanel();
    m_bUiUpdate = true;
}

void Orvane::ResetPresets()
{
    if (m_presets)
        m_presets->Reset();
}

void Orvane::FixturesChanged()
{
    if (!m_presets)
        return;
    m_presets->FixturesChanged();
    if (m_toolPanel == kPresetsPanel)
        m_presets->UpdateSelection();
}

void Orvane::MarkDimmersFx()
{
    if (m_presets)
        m_presets->MarkDimmersFx();
}

void Orvane::MarkChannelTypeFx(int channelType)
{
    if (m_presets)
        m_presets->MarkChannelTypeFx(channelType);
}

void Orvane::MarkPanTiltFx()
{
    if (m_presets)
        m_presets->MarkPanTiltFx();
}

void Orvane::MarkColorFx()
{
    if (m_presets)
        m_presets->MarkColorFx();
}

void Orvane::UpdateSceneName(CScene* scene)
{
    if (m_timeLine)
        m_timeLine->Control().UpdateSceneName(scene);
    if (m_fading)
        m_fading->UpdateSceneName(scene);
}

void Orvane::UpdateScenePage(CScene* scene, CPage* page)
{
    // The timeline's blocks and the crossfade lists name the page the scene is on now.
    if (m_timeLine)
        m_timeLine->Control().UpdateScenePage(scene, page);
    if (m_fading)
        m_fading->UpdateSceneName(scene);
}

int Orvane::TimeLineSceneLineCount() const
{
    return m_timeLine ? m_timeLine->Control().SceneLineCount() : 0;
}

int Orvane::TimeLineLineEndX(int line) const
{
    return m_timeLine ? m_timeLine->Control().LineEndX(line) : -1;
}

void Orvane::AddTimeLineSceneBlock(CPage* page, CScene* scene, int line, int x)
{
    if (m_timeLine)
        m_timeLine->Control().AddSceneBlock(page, scene, m_timeLine->Control().SceneLine(line), x);
}

void Orvane::AddTimeLineSceneLine()
{
    if (m_timeLine)
        m_timeLine->LineHeader().RequestAddLine(m_timeLine->Control().Lines().size());
}

CScene* Orvane::LiveCurrentScene(CPage*& page) const
{
    const CPageWnd* view = m_pages ? m_pages->PageView() : nullptr;
    page = view ? view->Page() : nullptr;
    return page ? view->CurrentScene() : nullptr;
}

void Orvane::RemoveSceneBlocks(CScene* scene)
{
    if (m_timeLine)
        m_timeLine->Control().RemoveSceneBlocks(scene);
    if (m_editorFactory)
        m_editorFactory->SceneDeleting(scene);
}

void Orvane::ClearTimeLine()
{
    if (m_timeLine)
        m_timeLine->ClearLines();
    // The show's lines are gone: no video window may go on pointing at one.
    const QList<CVideoDlg*> videos = findChildren<CVideoDlg*>();
    for (CVideoDlg* video : videos)
        video->Dispose();
}

void Orvane::ClearTimeMarkers()
{
    if (m_timeLine)
        m_timeLine->ClearMarkers();
}

void Orvane::SetTimeLineLength(int ms)
{
    if (m_timeLine)
        m_timeLine->SetLength(ms);
}

void Orvane::SetTimeLineVolume(int volume)
{
    if (m_timeLine)
        m_timeLine->Control().SetVolume(volume);
}

void Orvane::TimeLineReplaceScene(CScene* oldScene, CScene* newScene)
{
    if (m_timeLine)
        m_timeLine->Control().ReplaceScene(oldScene, newScene);
}

CVideoDlg* Orvane::VideoWindow() const
{
    // A window being disposed of, or one left over from a line that is gone,
    // is no longer the video line's.
    const CMediaTimeLine* line = m_project.m_timeLine.m_videoLine;
    if (!line)
        return nullptr;
    const QList<CVideoDlg*> windows = findChildren<CVideoDlg*>();
    for (CVideoDlg* window : windows) {
        if (window->Line() == line)
            return window;
    }
    return nullptr;
}

void Orvane::HideVideoWindow()
{
    if (CVideoDlg* video = VideoWindow())
        video->HideIfOnTop();
}

void Orvane::ShowVideoWindow()
{
    if (CVideoDlg* video = VideoWindow())
        video->ShowIfOnTop();
}

void Orvane::StoreVideoGeometry()
{
    if (CVideoDlg* video = VideoWindow())
        video->StoreGeometry();
}

void Orvane::FadingUpdateProgress(CScene* scene)
{
    if (m_fading)
        m_fading->UpdateProgress(scene);
}

void Orvane::FadingSceneStopped(CScene* scene)
{
    if (m_fading)
        m_fading->OnSceneStopped(scene);
}

void Orvane::FadingRemoveScene(CScene* scene)
{
    if (m_fading)
        m_fading->RemoveScene(scene);
}

void Orvane::FadingReplaceScene(CScene* oldScene, CScene* newScene)
{
    if (m_fading)
        m_fading->ReplaceScene(oldScene, newScene);
}

void Orvane::LockDimmerChannels()
{
    if (m_faders)
        m_faders->LockDimmerChannels();
}

void Orvane::LockChannelsOfType(int channelType)
{
    if (m_faders)
        m_faders->LockChannelsOfType(channelType);
}

void Orvane::LockPanTiltChannels()
{
    if (m_faders)
        m_faders->LockPanTiltChannels();
}

void Orvane::LockColorChannels()
{
    if (m_faders)
        m_faders->LockColorChannels();
}
