#include "timeline/TimeLineCtrl.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeScaleCtrl.h"
#include "timeline/VideoDlg.h"
#include "media/VideoPlayer.h"

#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QMenu>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

template <typename T>
int Repair(T& value, T low, T high)
{
    const T fixed = std::clamp(value, low, high);
    const int repaired = fixed != value ? 1 : 0;
    value = fixed;
    return repaired;
}

} // namespace


CTimeLineCtrl::CTimeLineCtrl(CProject& project, CTimeScaleCtrl& ruler, PlayerMaker makePlayer, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
    , m_data(project.m_timeLine)
    , m_ruler(ruler)
    , m_makePlayer(std::move(makePlayer))
{
    setMouseTracking(true);
    setAcceptDrops(true);
    m_dialogs.runMenu = [](QMenu& menu, const QPoint& globalPos) { menu.exec(globalPos); };
    m_dialogs.chooseFile = [this](const QString& caption, const QString& dir, const QString& filter) {
        return QFileDialog::getOpenFileName(this, caption, dir, filter);
    };
    if (m_data.m_lines.isEmpty())
        m_data.AddLine(NewSceneLine(m_data));
    LayoutLines();
}

CTimeLineCtrl::~CTimeLineCtrl()
{
    DisposeVideoWindow();
    DropClips([](const SClip&) { return true; });
}

const QList<CTimeLine*>& CTimeLineCtrl::Lines() const
{
    return m_data.m_lines;
}

CMediaTimeLine* CTimeLineCtrl::MusicLine() const
{
    return m_data.m_musicLine;
}

CMediaTimeLine* CTimeLineCtrl::VideoLine() const
{
    return m_data.m_videoLine;
}

int CTimeLineCtrl::SceneLineCount() const
{
    return int(std::count_if(Lines().begin(), Lines().end(), [](const CTimeLine* line) { return !line->IsMedia(); }));
}

CTimeLine* CTimeLineCtrl::SceneLine(int n) const
{
    for (CTimeLine* line : Lines()) {
        if (!line->IsMedia() && n-- == 0)
            return line;
    }
    return nullptr;
}

CTimeLine* CTimeLineCtrl::LineOf(const CTimeBlock* block) const
{
    for (CTimeLine* line : Lines()) {
        if (line->m_blocks.contains(const_cast<CTimeBlock*>(block)))
            return line;
    }
    return nullptr;
}

const QVector<int>& CTimeLineCtrl::ShownWave(const CTimeBlock* block, bool right) const
{
    static const QVector<int> none;
    const auto view = m_views.constFind(block);
    if (view == m_views.constEnd())
        return none;
    return right ? view->shownRight : view->shownLeft;
}

void CTimeLineCtrl::Modified()
{
    ShowHost().SetModified(true);
}
// --- Lines and blocks -------------------------------------------------------

void CTimeLineCtrl::FixLine(CTimeLine* line, bool withRects)
{
    if (!line)
        return;
    FixLineTimes(*line);
    if (withRects)
        UpdateBlockRects(line);
    // Whatever changed the line may have moved the current block or the
    // neighbours that bound it; the fields that show it follow.
    if (m_current && line->m_blocks.contains(m_current))
        emit timeBlockChanged();
}

int CTimeLineCtrl::MediaAppendTime(const CTimeLine* line) const
{
    int end = 0;
    for (const CTimeBlock* block : line->m_blocks) {
        if (block->m_stop < 1)
            return m_ruler.Length();
        end = std::max(end, block->m_stop);
    }
    return std::min(end, m_ruler.Length());
}

int CTimeLineCtrl::LineEndX(int sceneLine) const
{
    const CTimeLine* line = SceneLine(sceneLine);
    if (!line)
        return -1;
    int end = 0;
    for (const CTimeBlock* block : line->m_blocks) {
        if (block->m_stop < 1 || block->m_stop >= m_ruler.Length())
            return -1;
        end = std::max(end, block->m_stop);
    }
    return m_ruler.TimeToX(end);
}

int CTimeLineCtrl::LastBlockEnd() const
{
    int end = 0;
    for (const CTimeLine* line : Lines()) {
        for (const CTimeBlock* block : line->m_blocks) {
            if (block->m_stop < 1)
                return m_ruler.Length();
            end = std::max(end, block->m_stop);
        }
    }
    return std::min(end, m_ruler.Length());
}

bool CTimeLineCtrl::AddSceneBlock(CPage* page, CScene* scene, CTimeLine* line, int x)
{
    // The file names a block's scene by its page: an effect scene has none.
    if (!page || !scene || !page->m_scenes.contains(scene) || !line || line->IsMedia() || !Lines().contains(line))
        return false;
    if (!CShowBounds::AskRoom(m_project, CShowBounds::TimeBlocks))
        return false;
    CTimeBlock* block = NewSceneBlock(m_data, page, scene);
    block->m_start = m_ruler.XToTime(x);
    line->AddBlock(block);
    UpdateLabel(block);
    FixLine(line);
    Modified();
    return true;
}

CMediaTimeLine* CTimeLineCtrl::MediaLine(int type)
{
    CMediaTimeLine*& line = type == CTimeLine::VideoLine ? m_data.m_videoLine : m_data.m_musicLine;
    if (!line) {
        line = NewMediaLine(type);
        m_data.m_lines.prepend(line);
        LayoutLines();
    }
    return line;
}

bool CTimeLineCtrl::AddMusicFile(const QString& path, bool emptyTimeLine)
{
    return AddMediaFile(CTimeLine::MusicLine, path, emptyTimeLine);
}

bool CTimeLineCtrl::AddVideoFile(const QString& path, bool emptyTimeLine)
{
    return AddMediaFile(CTimeLine::VideoLine, path, emptyTimeLine);
}

bool CTimeLineCtrl::AddMediaFile(int type, const QString& path, bool emptyTimeLine)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    const bool newLine = !(type == CTimeLine::VideoLine ? m_data.m_videoLine : m_data.m_musicLine);
    if ((newLine && !CShowBounds::AskRoom(m_project, CShowBounds::TimeLines))
        || !CShowBounds::AskRoom(m_project, CShowBounds::TimeBlocks))
        return false;
    CMediaTimeLine* line = MediaLine(type);
    const int start = MediaAppendTime(line);
    if (start >= CTimeScaleCtrl::kMaxLength)
        return false;
    CMediaTimeBlock* block = NewMediaBlock(path);
    block->m_start = start;
    line->AddBlock(block);
    UpdateLabel(block);
    if (line->m_wave)
        LoadWave(block);
    SetMediaLength(line, block, emptyTimeLine);
    if (type == CTimeLine::VideoLine)
        ShowVideoAtCursor();
    Modified();
    return true;
}

void CTimeLineCtrl::InsertLine(int index)
{
    if (!CShowBounds::AskRoom(m_project, CShowBounds::TimeLines))
        return;
    m_data.m_lines.insert(std::clamp(index, 0, int(Lines().size())), NewSceneLine(m_data));
    LayoutLines();
    Modified();
}

void CTimeLineCtrl::MoveLine(int from, int to)
{
    if (from < 0 || from >= Lines().size())
        return;
    CTimeLine* line = m_data.m_lines.takeAt(from);
    if (to < 0 || to > Lines().size())
        m_data.m_lines.append(line);
    else
        m_data.m_lines.insert(to, line);
    LayoutLines();
    Modified();
}

bool CTimeLineCtrl::RemoveLine(int index)
{
    if (Lines().size() < 2 || index < 0 || index >= Lines().size())
        return false;
    CTimeLine* line = Lines()[index];
    if (!line->m_blocks.isEmpty()
        && ShowHost().AskQuestion(GetLangText(Txt::Warning), GetLangText(Txt::ReallyRemove)) != CShowHost::Yes)
        return false;
    const bool hadSelection = m_current != nullptr;
    DropViews(line);
    if (m_currentLine == line)
        m_currentLine = nullptr;
    if (hadSelection && !m_current)
        emit selChanged(false);
    if (line == m_data.m_musicLine) {
        StopMusic();
        m_data.m_musicLine = nullptr;
    }
    if (line == m_data.m_videoLine) {
        DisposeVideoWindow();
        m_data.m_videoLine = nullptr;
    }
    DropClips([line](const SClip& clip) { return clip.line == line; });
    m_data.m_lines.removeAt(index);
    delete line;
    LayoutLines();
    Modified();
    return true;
}

void CTimeLineCtrl::ForgetBlock(const CTimeBlock* block)
{
    if (block == m_musicBlock)
        StopMusic();
    if (block == m_videoBlock)
        StopVideo();
    Unselect(const_cast<CTimeBlock*>(block));
    m_views.remove(block);
}

void CTimeLineCtrl::DropViews(const CTimeLine* line)
{
    for (const CTimeBlock* block : line->m_blocks)
        ForgetBlock(block);
}

void CTimeLineCtrl::DropClips(const std::function<bool(const SClip&)>& which)
{
    for (int i = m_clipboard.size() - 1; i >= 0; --i) {
        if (which(m_clipboard[i]))
            delete m_clipboard.takeAt(i).block;
    }
}

void CTimeLineCtrl::SelectBlock(CTimeBlock* block)
{
    ClearSelection();
    CTimeLine* line = block ? LineOf(block) : nullptr;
    if (line)
        AddToSelection(block, line);
    Redraw();
    emit selChanged(m_current != nullptr);
}

CTimeLine* CTimeLineCtrl::CurrentBlockLine() const
{
    const int at = m_selected.indexOf(m_current);
    if (at >= 0 && at < m_selectedLines.size())
        return m_selectedLines[at];
    return m_current ? LineOf(m_current) : nullptr;
}

int CTimeLineCtrl::MaxBlockLength() const
{
    return MaxBlockStop() - (m_current ? m_current->m_start : 0);
}

// A bound of a block's times among the other blocks of its line.
int CTimeLineCtrl::MinBlockStart(const CTimeBlock* block, const CTimeLine* line)
{
    int r = 0;
    if (!block || !line)
        return r;
    for (const CTimeBlock* other : line->m_blocks) {
        if (other != block && other->m_start < block->m_start)
            r = std::max(r, other->m_start + kMinBlockLength);
    }
    return r;
}

int CTimeLineCtrl::MaxBlockStart(const CTimeBlock* block) const
{
    if (!block)
        return 0;
    return block->m_stop > 0 ? block->m_stop - kMinBlockLength : m_ruler.Length();
}

int CTimeLineCtrl::MinBlockStop(const CTimeBlock* block)
{
    return block ? block->m_start + kMinBlockLength : kMinBlockLength;
}

int CTimeLineCtrl::MaxBlockStop(const CTimeBlock* block, const CTimeLine* line) const
{
    int r = m_ruler.Length();
    if (!block || !line)
        return r;
    for (const CTimeBlock* other : line->m_blocks) {
        if (other != block && other->m_start > block->m_start)
            r = std::min(r, other->m_start);
    }
    return r;
}

bool CTimeLineCtrl::OnAddMarker()
{
    const QPoint pos = mapFromGlobal(QCursor::pos());
    if (!isVisible() || !rect().contains(pos))
        return false;
    AddMarkerAtX(pos.x());
    return true;
}

void CTimeLineCtrl::AddMarkerAtX(int x)
{
    if (!CShowBounds::AskRoom(m_project, CShowBounds::TimeMarkers))
        return;
    MarkerAdded(m_ruler.AddMarkerAtX(x));
}

void CTimeLineCtrl::AddMarkerAt(int ms)
{
    if (!CShowBounds::AskRoom(m_project, CShowBounds::TimeMarkers))
        return;
    MarkerAdded(m_ruler.AddMarkerAtTime(ms));
}

void CTimeLineCtrl::MarkerAdded(const CTimeMarker* marker)
{
    Redraw();
    emit markerAdded(marker);
    Modified();
}

void CTimeLineCtrl::AttachMarkers()
{
    // Of several markers at one time, the last in the list holds the blocks.
    QHash<int, const CTimeMarker*> markerAt;
    for (const CTimeMarker* marker : qAsConst(m_data.m_markers))
        markerAt.insert(marker->m_time, marker);
    CountTimeLineVisits(m_data.m_markers.size());
    for (const CTimeLine* line : Lines()) {
        CountTimeLineVisits(line->m_blocks.size());
        for (const CTimeBlock* block : line->m_blocks) {
            if (const CTimeMarker* marker = markerAt.value(block->m_start, nullptr))
                m_views[block].marker = marker;
        }
    }
}

void CTimeLineCtrl::MoveMarkedBlocks()
{
    const CTimeMarker* marker = m_ruler.SelectedMarker();
    if (!m_data.m_moveMarker || !marker) {
        Redraw();
        return;
    }
    bool moved = false;
    for (CTimeLine* line : Lines()) {
        bool touched = false;
        for (CTimeBlock* block : qAsConst(line->m_blocks)) {
            SBlockView& view = m_views[block];
            if (view.marker != marker)
                continue;
            // The block moves whole, keeping its length, and stops where it
            // still fits before the next block or the end; an open end needs
            // only the shortest length. One that already runs past its room
            // goes no further.
            const int length =
                OwnLength(*block, line->IsMedia()) > 0 ? block->m_stop - block->m_start : kMinBlockLength;
            const int low = MinBlockStart(block, line);
            const int high = std::max({low, MaxBlockStop(block, line) - length, block->m_start});
            const int start = std::clamp(marker->m_time, low, high);
            if (start != marker->m_time)
                view.marker = nullptr;
            touched |= start != block->m_start;
            block->m_start = start;
        }
        if (touched) {
            FixLine(line);
            moved = true;
        }
    }
    if (moved) {
        emit timeBlockChanged();
        Modified();
    } else {
        Redraw();
    }
}

void CTimeLineCtrl::UpdateLabel(const CTimeBlock* block)
{
    if (block->IsMedia()) {
        m_views[block].label = static_cast<const CMediaTimeBlock*>(block)->m_file;
        return;
    }
    // A block whose page or scene is gone keeps the label it had.
    if (!block->m_page || !block->m_scene)
        return;
    SBlockView& view = m_views[block];
    view.labelPage = block->m_page->m_name;
    view.label = block->m_scene->GetName();
    view.pagedLabel = true;
}

QString CTimeLineCtrl::ShownLabel(const SBlockView& view)
{
    return view.pagedLabel ? SceneBlockLabel(view.labelPage, view.label) : view.label;
}

void CTimeLineCtrl::ShowVideoAtCursor()
{
    FollowVideo(m_ruler.CursorTime(), true);
}

// --- Play ---------------------------------------------------------------------

QSet<const CScene*> CTimeLineCtrl::ScenesCoveredAt(int t) const
{
    QSet<const CScene*> scenes;
    for (const CTimeLine* line : Lines()) {
        if (line->IsMedia())
            continue;
        for (const CTimeBlock* block : line->m_blocks) {
            if (block->m_scene && BlockCovers(*block, t))
                scenes.insert(block->m_scene);
        }
    }
    return scenes;
}

void CTimeLineCtrl::SetPosition(int t, bool jump)
{
    const bool pagesShown = ShowHost().LivePagesMode() == 0;
    // Found once for every block that ends here: many may end together.
    std::optional<QSet<const CScene*>> stillCovered;
    for (const CTimeLine* line : Lines()) {
        if (line->IsMedia())
            continue;
        for (CTimeBlock* block : line->m_blocks) {
            SBlockView& view = m_views[block];
            const bool covers = BlockCovers(*block, t);
            if (view.active) {
                if (covers)
                    continue;
                if (block->m_page && block->m_scene) {
                    if (!stillCovered)
                        stillCovered = ScenesCoveredAt(t);
                    if (!stillCovered->contains(block->m_scene)) {
                        block->m_page->ToggleScene(block->m_scene, false, true, true);
                        if (pagesShown)
                            ShowHost().OnSceneStopped(block->m_page, block->m_scene);
                    }
                }
                view.active = false;
            } else if (covers) {
                if (block->m_page && block->m_scene && block->m_page->ToggleScene(block->m_scene, true, false, true)
                    && pagesShown)
                    ShowHost().OnSceneStarted(block->m_page, block->m_scene);
                view.active = true;
            }
        }
    }
    FollowMusic(t, jump);
    FollowVideo(t, jump);
    update();
}

void CTimeLineCtrl::ShowPosition(int t)
{
    // The video follows a hand-set cursor; the music and scenes wait for play.
    FollowVideo(t, true);
    update();
}

void CTimeLineCtrl::SeekMusic(int t)
{
    qint64 offset = qint64(t) - m_musicBlock->m_start;
    if (offset > m_musicBlock->m_mediaLength && m_musicBlock->m_mediaLoop) {
        if (m_musicBlock->m_mediaLength < 1)
            return;
        offset %= m_musicBlock->m_mediaLength;
    }
    m_player->SetPosition(offset);
}

void CTimeLineCtrl::StopMusic()
{
    if (m_musicBlock) {
        m_views[m_musicBlock].pending = false;
        m_views[m_musicBlock].active = false;
    }
    m_musicBlock = nullptr;
    if (m_player && m_musicPlaying)
        m_player->Stop();
    m_musicPlaying = false;
}

CMusicPlayer* CTimeLineCtrl::Player()
{
    if (!m_player && m_makePlayer) {
        m_player = m_makePlayer();
        if (m_player) {
            connect(m_player, &CMusicPlayer::stateChanged, this, &CTimeLineCtrl::RestartMusic);
            // Queued: the box opens after the call that made the player fail.
            connect(m_player, &CMusicPlayer::failed, this, &CTimeLineCtrl::OnPlayerFailed, Qt::QueuedConnection);
            if (m_volume >= 0)
                m_player->SetVolume(m_volume);
        }
    }
    return m_player;
}

void CTimeLineCtrl::FollowMusic(int t, bool jump)
{
    CMediaTimeLine* music = MusicLine();
    if (!music || !music->m_sound || !Player())
        return;
    if (m_musicBlock && BlockCovers(*m_musicBlock, t)) {
        SBlockView& view = m_views[m_musicBlock];
        if ((!jump && !view.pending) || !m_player->IsSeekable())
            return;
        m_musicPlaying = true;
        view.pending = false;
        view.active = true;
        SeekMusic(t);
        if (!jump)
            m_player->Play();
        else if (m_paused)
            m_player->Pause(); // a stop would rewind to the start
        return;
    }
    if (m_musicBlock)
        m_views[m_musicBlock].pending = false;
    m_musicBlock = nullptr;
    for (CTimeBlock* block : qAsConst(music->m_blocks)) {
        if (!BlockCovers(*block, t))
            continue;
        m_musicBlock = static_cast<CMediaTimeBlock*>(block);
        if (!LocateMediaFile(m_musicBlock)) {
            m_views[block].pending = false;
            if (m_musicPlaying)
                m_player->Stop();
            m_musicPlaying = false;
        } else {
            m_player->SetFile(m_musicBlock->m_file);
            m_views[block].pending = true;
        }
        return;
    }
    if (m_musicPlaying)
        m_player->Stop();
    m_musicPlaying = false;
}

// --- The video window ---------------------------------------------------------

CVideoDlg* CTimeLineCtrl::VideoWindow() const
{
    return m_videoWnd && !m_videoWnd->IsDisposed() ? m_videoWnd.data() : nullptr;
}

CVideoDlg* CTimeLineCtrl::MakeVideoWindow()
{
    if (VideoWindow() || !VideoLine())
        return VideoWindow();
    // Beside the control rather than under it: the control is disabled while
    // the timeline plays, and the window's own buttons must stay usable.
    m_videoWnd = new CVideoDlg(VideoLine(), window());
    connect(m_videoWnd, &CVideoDlg::closed, this, &CTimeLineCtrl::OnVideoClosed);
    connect(m_videoWnd, &CVideoDlg::soundChanged, this, &CTimeLineCtrl::headerChanged);
    connect(&m_videoWnd->Player(), &CVideoPlayer::finished, this, &CTimeLineCtrl::RestartVideo);
    if (m_volume >= 0)
        m_videoWnd->SetVolume(m_volume);
    m_videoWnd->SetSound(VideoLine()->m_sound);
    return m_videoWnd;
}

void CTimeLineCtrl::SeekVideo(int t)
{
    qint64 offset = qint64(t) - m_videoBlock->m_start;
    if (offset > m_videoBlock->m_mediaLength && m_videoBlock->m_mediaLoop) {
        if (m_videoBlock->m_mediaLength < 1)
            return;
        offset %= m_videoBlock->m_mediaLength;
    }
    m_videoWnd->Player().Seek(int(offset));
}

void CTimeLineCtrl::FollowVideo(int t, bool jump)
{
    CMediaTimeLine* line = VideoLine();
    if (!line || !line->m_visible || !VideoWindow())
        return;
    CVideoPlayer& player = m_videoWnd->Player();
    // A jump while the transport runs (a marker chosen) keeps the video running.
    const bool run = m_playback && !m_paused;
    if (m_videoBlock && BlockCovers(*m_videoBlock, t)) {
        SBlockView& view = m_views[m_videoBlock];
        if (!view.active || (!jump && !view.pending))
            return;
        view.pending = false;
        SeekVideo(t);
        // A video that reached its end plays on from the new place.
        if (run && (!player.IsPlaying() || player.IsPaused()))
            player.Play();
        return;
    }
    m_videoBlock = nullptr;
    for (CTimeBlock* block : qAsConst(line->m_blocks)) {
        if (!BlockCovers(*block, t))
            continue;
        m_videoBlock = static_cast<CMediaTimeBlock*>(block);
        SBlockView& view = m_views[block];
        view.active = view.pending = false;
        if (LocateMediaFile(m_videoBlock) && player.OpenFile(m_videoBlock->m_file, true)) {
            if (!run)
                player.Pause();
            SeekVideo(t);
            if (run)
                player.Play();
            view.active = true;
            m_videoPlaying = true;
        } else if (m_videoPlaying) {
            player.Stop();
            m_videoPlaying = false;
        }
        return;
    }
    if (m_videoPlaying)
        player.Stop();
    m_videoPlaying = false;
}

void CTimeLineCtrl::StopVideo()
{
    if (m_videoBlock) {
        m_views[m_videoBlock].pending = false;
        m_views[m_videoBlock].active = false;
    }
    m_videoBlock = nullptr;
    if (VideoWindow() && m_videoPlaying)
        m_videoWnd->Player().Stop();
    m_videoPlaying = false;
}

void CTimeLineCtrl::DisposeVideoWindow()
{
    StopVideo();
    if (m_videoWnd)
        m_videoWnd->Dispose();
    m_videoWnd = nullptr;
}

void CTimeLineCtrl::RestartVideo()
{
    if (m_videoBlock && m_videoBlock->m_mediaLoop)
        m_views[m_videoBlock].pending = true;
}

void CTimeLineCtrl::OnVideoClosed()
{
    if (VideoLine())
        VideoLine()->m_visible = false;
    StopVideo();
    emit headerChanged();
}

void CTimeLineCtrl::SetVideoSound(bool on)
{
    if (!VideoLine())
        return;
    VideoLine()->m_sound = on;
    if (VideoWindow())
        m_videoWnd->SetSound(on);
    emit headerChanged();
    Modified();
}

void CTimeLineCtrl::SetVideoVisible(bool visible, bool reset)
{
    CMediaTimeLine* line = VideoLine();
    if (!line)
        return;
    if (visible) {
        if (reset) {
            line->m_maximized = false;
            line->m_videoRect = QRect();
        }
        line->m_visible = true;
        MakeVideoWindow()->ShowWindow();
        FollowVideo(m_ruler.CursorTime(), true);
    } else if (VideoWindow()) {
        m_videoWnd->close();
    } else {
        line->m_visible = false;
    }
    emit headerChanged();
    Modified();
}

void CTimeLineCtrl::RestartMusic(CMusicPlayer::State state)
{
    if (state == CMusicPlayer::StoppedState && m_musicBlock && m_musicBlock->m_mediaLoop)
        m_views[m_musicBlock].pending = true;
}

QString CTimeLineCtrl::FoundMediaFile(const CMediaTimeBlock& block)
{
    const QFileInfo file(block.m_file);
    if (!block.m_file.isEmpty() && file.isFile())
        return block.m_file;
    // A show moved to another machine finds its media in the folder beside it.
    const QString moved =
        QDir::currentPath() + QStringLiteral("/Media/%1.%2").arg(file.completeBaseName(), file.suffix());
    if (file.completeBaseName().isEmpty() || !QFileInfo(moved).isFile())
        return QString();
    return moved;
}

bool CTimeLineCtrl::LocateMediaFile(CMediaTimeBlock* block)
{
    const QString found = FoundMediaFile(*block);
    if (found.isEmpty()) {
        NoteMissingMedia(block->m_file);
        // Told after the play step or the load that looked for it, never inside it.
        QMetaObject::invokeMethod(this, &CTimeLineCtrl::TellMissingMedia, Qt::QueuedConnection);
        return false;
    }
    if (found != block->m_file) {
        block->m_file = found;
        UpdateLabel(block);
        Modified();
    }
    return true;
}

void CTimeLineCtrl::NoteMissingMedia(const QString& file)
{
    if (m_told.missing.contains(file))
        return;
    m_told.missing.insert(file);
    m_told.missingUntold << file;
}

void CTimeLineCtrl::TellMissingMedia()
{
    if (m_told.missingUntold.isEmpty())
        return;
    // A damaged show may name thousands: the box stays readable.
    constexpr int kListed = 10;
    const QStringList missing = std::exchange(m_told.missingUntold, {});
    QStringList lines{GetLangText(Txt::TimeLineMediaMissing)};
    lines << missing.mid(0, kListed);
    if (missing.size() > kListed)
        lines << GetLangText(Txt::TimeLineMediaMissingMore).arg(missing.size() - kListed);
    ShowHost().ShowInformation(GetLangText(Txt::Warning), lines.join(QLatin1Char('\n')));
}

void CTimeLineCtrl::OnPlayerFailed(const QString& reason)
{
    if (m_told.soundFailed)
        return;
    m_told.soundFailed = true;
    ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::TimeLineSoundFailed).arg(reason));
}

void CTimeLineCtrl::StartPlayback()
{
    PrepareRestart(true);
    m_paused = false;
    if (m_player && m_musicPlaying)
        m_player->Play();
    if (VideoWindow() && m_videoPlaying)
        m_videoWnd->Player().Play();
    m_playback = true;
    m_buttonDown = m_rubberBand = m_resizeStart = m_resizeStop = false;
    setEnabled(false);
}

void CTimeLineCtrl::StopPlayback()
{
    StopMusic();
    // The window keeps the picture it stopped on.
    if (VideoWindow() && m_videoPlaying)
        m_videoWnd->Player().Pause();
    m_playback = false;
    setEnabled(true);
}

void CTimeLineCtrl::PrepareRestart(bool all)
{
    if (all) {
        for (const CTimeLine* line : Lines()) {
            if (!line->IsMedia()) {
                for (const CTimeBlock* block : line->m_blocks)
                    m_views[block].active = false;
            }
        }
    }
    if (m_musicBlock)
        m_views[m_musicBlock].pending = true;
    if (m_videoBlock)
        m_views[m_videoBlock].pending = true;
}

void CTimeLineCtrl::SetPaused(bool paused)
{
    m_paused = paused;
    if (VideoWindow() && m_videoPlaying) {
        if (paused)
            m_videoWnd->Player().Pause();
        else
            m_videoWnd->Player().Play();
    }
    if (!m_player || !m_musicPlaying)
        return;
    if (paused)
        m_player->Pause();
    else
        m_player->Play();
}

void CTimeLineCtrl::SetVolume(int volume)
{
    m_volume = std::clamp(volume, 0, 100);
    if (m_player)
        m_player->SetVolume(m_volume);
    if (VideoWindow())
        m_videoWnd->SetVolume(m_volume);
}

void CTimeLineCtrl::SetMusicSound(bool on)
{
    if (!MusicLine())
        return;
    MusicLine()->m_sound = on;
    if (!on)
        StopMusic();
    emit headerChanged();
    Modified();
}

void CTimeLineCtrl::SetMusicWave(bool on)
{
    SetLineWave(MusicLine(), on);
}

void CTimeLineCtrl::SetVideoWave(bool on)
{
    SetLineWave(VideoLine(), on);
}

void CTimeLineCtrl::SetLineWave(CMediaTimeLine* line, bool on)
{
    if (!line)
        return;
    line->m_wave = on;
    if (on) {
        LoadWaves(*line);
        FixLineTimes(*line);
    }
    UpdateBlockRects(line);
    emit headerChanged();
    Modified();
}

// --- The document changed -----------------------------------------------------

void CTimeLineCtrl::Clear()
{
    StopMusic();
    DisposeVideoWindow();
    ClearSelection();
    m_currentLine = nullptr;
    DropClips([](const SClip&) { return true; });
    m_views.clear();
    m_lineRects.clear();
    m_data.Clear();
    m_told = {};
    Redraw();
}

void CTimeLineCtrl::RemoveSceneBlocks(CScene* scene)
{
    const bool hadSelection = m_current != nullptr;
    for (CTimeLine* line : Lines()) {
        if (line->IsMedia())
            continue;
        bool touched = false;
        for (const CTimeBlock* block : line->m_blocks) {
            if (block->m_scene != scene)
                continue;
            ForgetBlock(block);
            touched = true;
        }
        if (!touched)
            continue;
        line->RemoveSceneBlocks(scene);
        FixLine(line);
        Modified();
    }
    // A copy would paste a scene that no longer exists.
    DropClips([scene](const SClip& clip) { return !clip.block->IsMedia() && clip.block->m_scene == scene; });
    if (hadSelection && !m_current)
        emit selChanged(false);
    Redraw();
}

void CTimeLineCtrl::ReplaceScene(CScene* oldScene, CScene* newScene)
{
    for (CTimeLine* line : Lines()) {
        bool touched = false;
        for (CTimeBlock* block : qAsConst(line->m_blocks)) {
            if (!block->IsMedia() && (block->m_scene == oldScene || block->m_scene == newScene)) {
                block->m_scene = newScene;
                UpdateLabel(block);
                touched = true;
            }
        }
        if (touched)
            FixLine(line);
    }
    for (SClip& clip : m_clipboard) {
        if (!clip.block->IsMedia() && clip.block->m_scene == oldScene)
            clip.block->m_scene = newScene;
    }
    Redraw();
}

void CTimeLineCtrl::UpdateSceneName(CScene* scene)
{
    for (const CTimeLine* line : Lines()) {
        for (const CTimeBlock* block : line->m_blocks) {
            if (!block->IsMedia() && block->m_scene == scene)
                UpdateLabel(block);
        }
    }
    Redraw();
}

void CTimeLineCtrl::UpdateScenePage(CScene* scene, CPage* page)
{
    for (const CTimeLine* line : Lines()) {
        for (CTimeBlock* block : line->m_blocks) {
            if (!block->IsMedia() && block->m_scene == scene) {
                block->m_page = page;
                UpdateLabel(block);
            }
        }
    }
    for (SClip& clip : m_clipboard) {
        if (!clip.block->IsMedia() && clip.block->m_scene == scene)
            clip.block->m_page = page;
    }
    Redraw();
}

void CTimeLineCtrl::RefreshEditedScene(bool entering)
{
    if (entering)
        return;
    // A scene that was edited may last longer or shorter now.
    for (CTimeLine* line : Lines()) {
        if (line->IsMedia())
            continue;
        for (const CTimeBlock* block : line->m_blocks)
            UpdateLabel(block);
        FixLine(line, false);
    }
    UpdateBlockRects();
}

int CTimeLineCtrl::RefreshFromProject()
{
    m_views.clear();
    ClearSelection();
    DropClips([](const SClip&) { return true; });
    m_currentLine = nullptr;
    m_musicBlock = nullptr;
    m_musicPlaying = false;
    // A window left from the show before belongs to a line that is gone.
    if (VideoWindow() && VideoWindow()->Line() != VideoLine())
        DisposeVideoWindow();
    m_videoBlock = nullptr;
    m_videoPlaying = false;
    m_told = {};
    constexpr int kMax = CTimeScaleCtrl::kMaxLength;
    int repaired = Repair(m_data.m_length, 0, kMax);
    for (CTimeMarker* marker : qAsConst(m_data.m_markers))
        repaired += Repair(marker->m_time, 0, kMax);
    for (CTimeLine* line : qAsConst(m_data.m_lines)) {
        for (CTimeBlock* block : qAsConst(line->m_blocks)) {
            repaired += Repair(block->m_start, 0, kMax);
            repaired += Repair(block->m_length, -1, kMax);
            repaired += Repair(block->m_color, 0, CTimeBlock::kColorCount - 1);
            if (block->IsMedia()) {
                auto* media = static_cast<CMediaTimeBlock*>(block);
                repaired += Repair(media->m_mediaLength, -1, kMax);
                repaired += Repair(media->m_cutOff, 0, CMediaTimeBlock::kTopFrequency);
                repaired += Repair(media->m_secondFrequency, 0, CMediaTimeBlock::kTopFrequency);
                if (FoundMediaFile(*media).isEmpty())
                    NoteMissingMedia(media->m_file);
            }
            UpdateLabel(block);
        }
        if (line->IsMedia() && static_cast<const CMediaTimeLine*>(line)->m_wave)
            LoadWaves(*line);
        FixLineTimes(*line);
    }
    if (m_data.m_lines.isEmpty())
        m_data.AddLine(NewSceneLine(m_data));
    LayoutLines();
    AttachMarkers();
    if (VideoLine() && VideoLine()->m_visible)
        MakeVideoWindow()->ShowWindow();
    return repaired;
}

void CTimeLineCtrl::ForgetMarker(const CTimeMarker* marker)
{
    for (SBlockView& view : m_views) {
        if (view.marker == marker)
            view.marker = nullptr;
    }
}

void CTimeLineCtrl::ForgetMarkers()
{
    for (SBlockView& view : m_views)
        view.marker = nullptr;
}

