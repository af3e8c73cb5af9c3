#include "timeline/TimeLineCtrl.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowHost.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeScaleCtrl.h"
#include "widgets/FileFilters.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QString kSceneDragFormat = QStringLiteral("image/zk-sceneline");
constexpr int kEdgeZone = 5;   // px at either end of a block that resize it
constexpr int kSnapZone = 11;  // a marker closer than this many px catches a dragged block
constexpr int kLabelMinWidth = 20;
constexpr int kLoopMinWidth = 16;
constexpr int kMaxFrequency = 20000; // Hz
constexpr int kMaxDrawing = 65535;   // px

// A block's picture as a brush of the block's height: filling a rectangle
// with it tiles it along the block instead of scaling it for every block.
const QBrush& BlockBrush(int color, bool selected, int height)
{
    static QBrush brushes[CTimeBlock::kColorCount + 1];
    static int heights[CTimeBlock::kColorCount + 1] = {};
    const int index = selected ? CTimeBlock::kColorCount : std::clamp(color, 0, CTimeBlock::kColorCount - 1);
    if (heights[index] != height) {
        const QPixmap picture(selected ? QStringLiteral(":/Orvane/Images/TimeLine/BlockSel.png")
                                       : QStringLiteral(":/Orvane/Images/TimeLine/Block%1.png").arg(index + 1));
        brushes[index] = QBrush(picture.scaled(std::max(picture.width(), 1), std::max(height, 1)));
        heights[index] = height;
    }
    return brushes[index];
}

template <typename T>
int Repair(T& value, T low, T high)
{
    const T fixed = std::clamp(value, low, high);
    const int repaired = fixed != value ? 1 : 0;
    value = fixed;
    return repaired;
}

const QString kMenuStyle = QStringLiteral("QMenu { background: rgb(195, 195, 190) }");

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

// The dialogs run with the floating video window out of their way.
template <typename F>
bool CTimeLineCtrl::RunDialog(F&& dialog)
{
    ShowHost().SuspendVideoWindow();
    const bool accepted = dialog();
    ShowHost().ResumeVideoWindow();
    return accepted;
}

// --- Lines and blocks -------------------------------------------------------

void CTimeLineCtrl::FixLine(CTimeLine* line, bool withRects)
{
    if (!line)
        return;
    FixLineTimes(*line);
    if (withRects)
        UpdateBlockRects(line);
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
        m_videoBlock = nullptr;
        m_data.m_videoLine = nullptr;
        if (m_dialogs.deleteVideoWindow)
            m_dialogs.deleteVideoWindow();
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
        m_videoBlock = nullptr;
    const int at = m_selected.indexOf(const_cast<CTimeBlock*>(block));
    if (at >= 0) {
        m_selected.removeAt(at);
        m_selectedLines.removeAt(at);
        m_offsets.removeAt(at);
    }
    if (block == m_current)
        m_current = m_selected.isEmpty() ? nullptr : m_selected.last();
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

void CTimeLineCtrl::RemoveCurrentBlock()
{
    if (m_current)
        OnRemoveSelected();
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
    int x = pos.x();
    m_ruler.AddMarkerAtX(x);
    Redraw();
    emit markerAdded();
    Modified();
    return true;
}

void CTimeLineCtrl::AddMarkerAt(int ms)
{
    m_ruler.AddMarkerAtTime(ms);
    Redraw();
    emit markerAdded();
    Modified();
}

void CTimeLineCtrl::AttachMarkers()
{
    for (const CTimeLine* line : Lines()) {
        for (const CTimeBlock* block : line->m_blocks) {
            for (const CTimeMarker* marker : qAsConst(m_data.m_markers)) {
                if (marker->m_time == block->m_start)
                    m_views[block].marker = marker;
            }
        }
    }
}

void CTimeLineCtrl::MoveMarkedBlocks()
{
    const CTimeMarker* marker = m_ruler.SelectedMarker();
    if (!m_data.m_moveMarker || !marker)
        return;
    bool moved = false;
    for (CTimeLine* line : Lines()) {
        bool touched = false;
        for (CTimeBlock* block : qAsConst(line->m_blocks)) {
            SBlockView& view = m_views[block];
            if (view.marker != marker)
                continue;
            const int start =
                std::min(std::max(marker->m_time, MinBlockStart(block, line)), MaxBlockStart(block));
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
    const QString label = SceneBlockLabel(*block);
    if (!label.isEmpty())
        m_views[block].label = label;
}

void CTimeLineCtrl::ShowVideoAtCursor()
{
    if (m_dialogs.showVideoAt)
        m_dialogs.showVideoAt(m_ruler.CursorTime());
}

// --- Play ---------------------------------------------------------------------

bool CTimeLineCtrl::IsSceneCoveredElsewhere(const CTimeBlock* block, int t) const
{
    for (const CTimeLine* line : Lines()) {
        if (line->IsMedia())
            continue;
        for (const CTimeBlock* other : line->m_blocks) {
            if (other != block && other->m_scene == block->m_scene && BlockCovers(*other, t))
                return true;
        }
    }
    return false;
}

void CTimeLineCtrl::SetPosition(int t, bool jump)
{
    const bool pagesShown = ShowHost().LivePagesMode() == 0;
    for (const CTimeLine* line : Lines()) {
        if (line->IsMedia())
            continue;
        for (CTimeBlock* block : line->m_blocks) {
            SBlockView& view = m_views[block];
            const bool covers = BlockCovers(*block, t);
            if (view.active) {
                if (covers)
                    continue;
                if (block->m_page && block->m_scene && !IsSceneCoveredElsewhere(block, t)) {
                    block->m_page->ToggleScene(block->m_scene, false, true, true);
                    if (pagesShown)
                        ShowHost().OnSceneStopped(block->m_page, block->m_scene);
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
    update();
}

void CTimeLineCtrl::ShowPosition(int)
{
    // The video follows a hand-set cursor; the music and scenes wait for play.
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

void CTimeLineCtrl::RestartMusic(CMusicPlayer::State state)
{
    if (state == CMusicPlayer::StoppedState && m_musicBlock && m_musicBlock->m_mediaLoop)
        m_views[m_musicBlock].pending = true;
}

bool CTimeLineCtrl::LocateMediaFile(CMediaTimeBlock* block)
{
    const QFileInfo file(block->m_file);
    if (!block->m_file.isEmpty() && file.isFile())
        return true;
    // A show moved to another machine finds its media in the folder beside it.
    const QString moved =
        QDir::currentPath() + QStringLiteral("/Media/%1.%2").arg(file.completeBaseName(), file.suffix());
    if (file.completeBaseName().isEmpty() || !QFileInfo(moved).isFile())
        return false;
    block->m_file = moved;
    UpdateLabel(block);
    Modified();
    return true;
}

void CTimeLineCtrl::StartPlayback()
{
    PrepareRestart(true);
    m_paused = false;
    if (m_player && m_musicPlaying)
        m_player->Play();
    m_playback = true;
    m_buttonDown = m_rubberBand = m_resizeStart = m_resizeStop = false;
    setEnabled(false);
}

void CTimeLineCtrl::StopPlayback()
{
    StopMusic();
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
}

void CTimeLineCtrl::SetPaused(bool paused)
{
    m_paused = paused;
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
    CMediaTimeLine* line = MusicLine();
    if (!line)
        return;
    line->m_wave = on;
    if (on) {
        for (CTimeBlock* block : qAsConst(line->m_blocks))
            LoadWave(static_cast<CMediaTimeBlock*>(block));
        FixLineTimes(*line);
    }
    UpdateBlockRects(line);
    emit headerChanged();
    Modified();
}

void CTimeLineCtrl::SetVideoWave(bool on)
{
    CMediaTimeLine* line = VideoLine();
    if (!line)
        return;
    line->m_wave = on;
    if (on) {
        for (CTimeBlock* block : qAsConst(line->m_blocks))
            LoadWave(static_cast<CMediaTimeBlock*>(block));
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
    m_videoBlock = nullptr;
    if (m_dialogs.deleteVideoWindow)
        m_dialogs.deleteVideoWindow();
    m_selected.clear();
    m_selectedLines.clear();
    m_offsets.clear();
    m_current = nullptr;
    m_currentLine = nullptr;
    DropClips([](const SClip&) { return true; });
    m_views.clear();
    m_lineRects.clear();
    m_data.Clear();
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
    m_selected.clear();
    m_selectedLines.clear();
    m_offsets.clear();
    DropClips([](const SClip&) { return true; });
    m_current = nullptr;
    m_currentLine = nullptr;
    m_musicBlock = nullptr;
    m_videoBlock = nullptr;
    m_musicPlaying = false;
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
                repaired += Repair(media->m_cutOff, 0, kMaxFrequency);
                repaired += Repair(media->m_secondFrequency, 0, kMaxFrequency);
            }
            UpdateLabel(block);
        }
        if (line->IsMedia() && static_cast<const CMediaTimeLine*>(line)->m_wave) {
            for (CTimeBlock* block : qAsConst(line->m_blocks))
                LoadWave(static_cast<CMediaTimeBlock*>(block));
        }
        FixLineTimes(*line);
    }
    if (m_data.m_lines.isEmpty())
        m_data.AddLine(NewSceneLine(m_data));
    LayoutLines();
    AttachMarkers();
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

// --- Selection and the mouse ----------------------------------------------------

CTimeBlock* CTimeLineCtrl::BlockAt(const QPoint& pos) const
{
    for (const CTimeLine* line : Lines()) {
        for (CTimeBlock* block : line->m_blocks) {
            const QRect rect = BlockRect(block);
            if (rect.isValid() && rect.contains(pos))
                return block;
        }
    }
    return nullptr;
}

CTimeLine* CTimeLineCtrl::LineAt(const QPoint& pos) const
{
    for (CTimeLine* line : Lines()) {
        if (LineRect(line).contains(pos))
            return line;
    }
    return nullptr;
}

void CTimeLineCtrl::ClearSelection()
{
    m_selected.clear();
    m_selectedLines.clear();
    m_offsets.clear();
    m_current = nullptr;
}

void CTimeLineCtrl::AddToSelection(CTimeBlock* block, CTimeLine* line)
{
    m_selected << block;
    m_selectedLines << line;
    m_offsets << 0;
    m_current = block;
    m_currentLine = line;
}

void CTimeLineCtrl::Unselect(CTimeBlock* block)
{
    const int at = m_selected.indexOf(block);
    if (at < 0)
        return;
    m_selected.removeAt(at);
    m_selectedLines.removeAt(at);
    m_offsets.removeAt(at);
    if (m_current == block)
        m_current = m_selected.isEmpty() ? nullptr : m_selected.last();
}

void CTimeLineCtrl::TakeOffsets(int x)
{
    for (int i = 0; i < m_selected.size(); ++i)
        m_offsets[i] = x - m_ruler.TimeToX(m_selected[i]->m_start);
}

bool CTimeLineCtrl::InStartZone(const CTimeBlock* block, int x) const
{
    const QRect rect = BlockRect(block);
    return block->m_start > m_ruler.ViewStartTime() && x >= rect.left() && x <= rect.left() + kEdgeZone;
}

bool CTimeLineCtrl::InStopZone(const CTimeBlock* block, int x) const
{
    const QRect rect = BlockRect(block);
    return (block->m_stop < 1 || block->m_stop < m_ruler.ViewEndTime()) && x >= rect.right() - kEdgeZone
           && x <= rect.right();
}

void CTimeLineCtrl::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->pos();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool right = event->button() == Qt::RightButton;
    m_buttonDown = true;
    m_resizeStart = m_resizeStop = false;
    if (CTimeLine* line = LineAt(pos))
        m_currentLine = line;
    CTimeBlock* hit = BlockAt(pos);
    if (!hit) {
        if (!ctrl && !m_selected.isEmpty()) {
            ClearSelection();
            Redraw();
            emit selChanged(false);
        }
        if (right) {
            m_buttonDown = false;
            ShowEmptyMenu(pos);
        } else {
            m_rubberBand = true;
            m_bandAnchor = pos;
            m_bandRect = QRect();
        }
        return;
    }
    bool unselected = false;
    if (m_selected.contains(hit)) {
        if (ctrl) {
            Unselect(hit);
            unselected = true;
        } else {
            TakeOffsets(pos.x());
        }
    } else {
        if (!ctrl)
            ClearSelection();
        AddToSelection(hit, LineOf(hit));
        TakeOffsets(pos.x());
    }
    Redraw();
    ShowHost().SetDeleteTarget(kDeleteTarget);
    emit selChanged(m_current != nullptr);
    if (right) {
        m_buttonDown = false;
        if (m_current)
            ShowBlockMenu(pos);
    } else if (unselected || !m_current) {
        // What Ctrl let go of is not dragged.
        m_buttonDown = false;
    } else if (InStartZone(hit, pos.x())) {
        m_resizeStart = true;
    } else if (InStopZone(hit, pos.x())) {
        m_resizeStop = true;
    }
}

void CTimeLineCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->pos();
    if (!m_buttonDown) {
        const CTimeBlock* block = BlockAt(pos);
        const bool resize = block && (InStartZone(block, pos.x()) || InStopZone(block, pos.x()));
        if (resize != m_resizeCursor) {
            m_resizeCursor = resize;
            setCursor(resize ? Qt::SizeHorCursor : Qt::ArrowCursor);
        }
        return;
    }
    if (m_rubberBand) {
        m_bandRect = QRect(std::min(m_bandAnchor.x(), pos.x()), std::min(m_bandAnchor.y(), pos.y()),
                           std::abs(pos.x() - m_bandAnchor.x()), std::abs(pos.y() - m_bandAnchor.y()));
        update();
        return;
    }
    if (!m_current || !m_currentLine)
        return;
    if (m_resizeStart)
        ResizeStart(pos.x());
    else if (m_resizeStop)
        ResizeStop(pos.x());
    else if (m_selected.size() > 1)
        MoveSelection(pos);
    else
        MoveOneBlock(pos);
    emit timeBlockChanged();
    Modified();
}

void CTimeLineCtrl::ResizeStart(int x)
{
    const int t = m_ruler.XToTime(x);
    const int start = std::min(std::max(t, MinBlockStart()), MaxBlockStart());
    if (m_current->m_length > 0)
        m_current->m_length += m_current->m_start - start;
    m_current->m_start = start;
    m_views[m_current].marker = nullptr;
    FixLine(m_currentLine);
}

void CTimeLineCtrl::ResizeStop(int x)
{
    const int t = m_ruler.XToTime(x);
    m_current->m_length = std::min(MaxBlockStop(), std::max(t, MinBlockStop())) - m_current->m_start;
    FixLine(m_currentLine);
}

void CTimeLineCtrl::MoveSelection(const QPoint& pos)
{
    for (int i = 0; i < m_selected.size(); ++i) {
        int x = pos.x() - m_offsets[i];
        m_selected[i]->m_start = std::max(m_ruler.XToTime(x), 0);
        m_views[m_selected[i]].marker = nullptr;
    }
    for (CTimeLine* line : qAsConst(m_selectedLines))
        FixLine(line, false);
    UpdateBlockRects();
}

void CTimeLineCtrl::MoveOneBlock(const QPoint& pos)
{
    const int at = std::max(int(m_selected.indexOf(m_current)), 0);
    int x = pos.x() - m_offsets.value(at);
    SBlockView& view = m_views[m_current];
    view.marker = nullptr;
    for (const CTimeMarker* marker : m_ruler.Markers()) {
        const int markerX = m_ruler.MarkerX(marker);
        if (markerX >= 0 && std::abs(markerX - x) < kSnapZone) {
            view.marker = marker;
            break;
        }
    }
    m_current->m_start = view.marker ? view.marker->m_time : std::max(m_ruler.XToTime(x), 0);
    CTimeLine* target = LineAt(pos);
    if (target && target != m_currentLine && !m_currentLine->IsMedia() && !target->IsMedia()) {
        // A scene block may change scene lines; media stay on their own.
        CTimeLine* old = m_currentLine;
        old->m_blocks.removeOne(m_current);
        target->AddBlock(m_current);
        FixLine(old, false);
        if (at < m_selectedLines.size())
            m_selectedLines[at] = target;
        m_currentLine = target;
        FixLine(target, false);
        UpdateBlockRects();
        return;
    }
    FixLine(m_currentLine);
}

void CTimeLineCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    m_buttonDown = m_resizeStart = m_resizeStop = false;
    if (!m_rubberBand)
        return;
    m_rubberBand = false;
    EndRubberBand(event->modifiers());
}

void CTimeLineCtrl::EndRubberBand(Qt::KeyboardModifiers modifiers)
{
    const QRect band = m_bandRect;
    m_bandRect = QRect();
    if (band.isValid()) {
        for (CTimeLine* line : Lines()) {
            for (CTimeBlock* block : qAsConst(line->m_blocks)) {
                const QRect rect = BlockRect(block);
                if (!rect.isValid() || !rect.intersects(band))
                    continue;
                if (m_selected.contains(block)) {
                    if (modifiers & Qt::ControlModifier)
                        Unselect(block);
                    else
                        m_currentLine = line;
                } else {
                    AddToSelection(block, line);
                }
            }
        }
    }
    Redraw();
    ShowHost().SetDeleteTarget(kDeleteTarget);
    emit selChanged(m_current != nullptr);
}

// --- Menus ------------------------------------------------------------------------

void CTimeLineCtrl::ShowBlockMenu(const QPoint& pos)
{
    m_menuPos = pos;
    QMenu menu(this);
    menu.setStyleSheet(kMenuStyle);
    const auto entry = [&menu](int text, bool enabled, auto slot) {
        QAction* action = menu.addAction(GetLangText(text));
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, slot);
        return action;
    };
    const bool timeDialog = bool(m_dialogs.chooseTime);
    entry(Txt::TimeLineStartSchedule, timeDialog, [this] { OnTimeStart(); });
    entry(Txt::TimeLineEndSchedule, timeDialog, [this] { OnTimeStop(); });
    entry(Txt::Remove, true, [this] { OnRemoveSelected(); });
    entry(Txt::Copy, true, [this] { OnCopy(); });
    if (m_currentLine && m_currentLine->IsMedia()) {
        if (m_selected.size() == 1 && m_current->IsMedia()) {
            const auto* media = static_cast<const CMediaTimeBlock*>(m_current);
            menu.addSeparator();
            entry(Txt::TimeLineDefaultSize, true, [this] { OnMediaDefaultSize(); });
            const auto check = [](QAction* action, bool on) {
                action->setCheckable(true);
                action->setChecked(on);
            };
            check(entry(Txt::TimeLineLoops, true, [this] { OnMediaLoop(); }), media->m_mediaLoop);
            check(entry(Txt::TimeLineStereo, true, [this] { OnMediaStereo(); }), media->m_stereo);
            check(entry(Txt::TimeLineFilter, bool(m_dialogs.chooseFilter), [this] { OnMediaFilter(); }),
                  media->m_filter);
            entry(Txt::Update, bool(m_dialogs.chooseFile), [this] { OnUpdateMedia(); });
        }
    } else {
        entry(Txt::TimeLineColor, bool(m_dialogs.chooseColor), [this] { OnColorSelected(); });
    }
    if (m_dialogs.runMenu)
        m_dialogs.runMenu(menu, mapToGlobal(pos));
}

void CTimeLineCtrl::ShowEmptyMenu(const QPoint& pos)
{
    m_menuPos = pos;
    QMenu menu(this);
    menu.setStyleSheet(kMenuStyle);
    QAction* add = menu.addAction(GetLangText(Txt::TimeLineAddMarker));
    connect(add, &QAction::triggered, this, [this] {
        int x = m_menuPos.x();
        m_ruler.AddMarkerAtX(x);
        Redraw();
        emit markerAdded();
        Modified();
    });
    if (!m_clipboard.isEmpty())
        connect(menu.addAction(GetLangText(Txt::Paste)), &QAction::triggered, this, &CTimeLineCtrl::OnPaste);
    if (m_dialogs.runMenu)
        m_dialogs.runMenu(menu, mapToGlobal(pos));
}

void CTimeLineCtrl::OnRemoveSelected()
{
    if (m_playback || m_selected.isEmpty())
        return;
    bool video = false;
    while (!m_selected.isEmpty()) {
        CTimeBlock* block = m_selected.last();
        CTimeLine* line = m_selectedLines.last();
        video |= line->m_type == CTimeLine::VideoLine;
        ForgetBlock(block);
        line->m_blocks.removeOne(block);
        delete block;
        FixLine(line, false);
    }
    ClearSelection();
    UpdateBlockRects();
    if (video)
        ShowVideoAtCursor();
    Modified();
    emit selChanged(false);
}

void CTimeLineCtrl::OnCopy()
{
    DropClips([](const SClip&) { return true; });
    for (int i = 0; i < m_selected.size(); ++i) {
        SBlockView view = m_views.value(m_selected[i]);
        view.rect = EmptyRect();
        view.active = view.pending = false;
        view.marker = nullptr;
        m_clipboard << SClip{CopyBlock(*m_selected[i]), m_selectedLines[i], view};
    }
}

bool CTimeLineCtrl::PasteBlock(const SClip& clip, CTimeLine* line, int t)
{
    if (!line || line->m_type != clip.line->m_type || t < 0 || t >= m_ruler.Length())
        return false;
    CTimeBlock* copy = CopyBlock(*clip.block);
    copy->m_start = t;
    if (copy->m_length > 0) {
        const int stop = std::min(qint64(t) + copy->m_length, qint64(MaxBlockStop(copy, line)));
        if (stop - t < 1) {
            delete copy;
            return false;
        }
        copy->m_length = stop - t;
    }
    line->AddBlock(copy);
    m_views[copy] = clip.view;
    UpdateLabel(copy);
    AddToSelection(copy, line);
    FixLine(line, false);
    return true;
}

void CTimeLineCtrl::OnPaste()
{
    if (m_playback || m_clipboard.isEmpty() || !m_currentLine)
        return;
    ClearSelection();
    int x = m_menuPos.x();
    const int t = m_ruler.XToTime(x);
    bool pasted = false;
    if (m_clipboard.size() == 1) {
        pasted = PasteBlock(m_clipboard.first(), m_currentLine, t);
    } else {
        int earliest = m_clipboard.first().block->m_start;
        for (const SClip& clip : qAsConst(m_clipboard))
            earliest = std::min(earliest, clip.block->m_start);
        for (const SClip& clip : qAsConst(m_clipboard)) {
            CTimeLine* line = const_cast<CTimeLine*>(clip.line);
            if (Lines().contains(line))
                pasted |= PasteBlock(clip, line, t + (clip.block->m_start - earliest));
        }
    }
    UpdateBlockRects();
    emit selChanged(m_current != nullptr);
    if (pasted)
        Modified();
}

void CTimeLineCtrl::OnTimeStart()
{
    if (m_playback || !m_current || !m_dialogs.chooseTime)
        return;
    int ms = m_current->m_start;
    const int low = MinBlockStart();
    const int high = MaxBlockStart();
    if (!RunDialog([&] { return m_dialogs.chooseTime(ms, low, high); }))
        return;
    for (int i = 0; i < m_selected.size(); ++i) {
        CTimeBlock* block = m_selected[i];
        CTimeLine* line = m_selectedLines[i];
        block->m_start = std::min(std::max(ms, MinBlockStart(block, line)), MaxBlockStart(block));
        FixLine(line, false);
    }
    UpdateBlockRects();
    emit timeBlockChanged();
    Modified();
}

void CTimeLineCtrl::OnTimeStop()
{
    if (m_playback || !m_current || !m_dialogs.chooseTime)
        return;
    int ms = m_current->m_stop < 1 ? m_ruler.Length() : m_current->m_stop;
    const int low = MinBlockStop();
    const int high = MaxBlockStop();
    if (!RunDialog([&] { return m_dialogs.chooseTime(ms, low, high); }))
        return;
    for (int i = 0; i < m_selected.size(); ++i) {
        CTimeBlock* block = m_selected[i];
        CTimeLine* line = m_selectedLines[i];
        block->m_length =
            std::min(std::max(ms, MinBlockStop(block)), MaxBlockStop(block, line)) - block->m_start;
        FixLine(line, false);
    }
    UpdateBlockRects();
    emit timeBlockChanged();
    Modified();
}

void CTimeLineCtrl::OnColorSelected()
{
    if (m_playback || !m_current || !m_dialogs.chooseColor)
        return;
    int color = m_current->m_color;
    if (!RunDialog([&] { return m_dialogs.chooseColor(color); }) || !CTimeBlock::IsColorIndex(color))
        return;
    for (CTimeBlock* block : qAsConst(m_selected)) {
        if (!block->IsMedia())
            block->m_color = color;
    }
    ClearSelection();
    Redraw();
    emit selChanged(false);
    Modified();
}

void CTimeLineCtrl::OnMediaDefaultSize()
{
    if (m_playback || !m_current || !m_current->IsMedia())
        return;
    const int media = static_cast<const CMediaTimeBlock*>(m_current)->m_mediaLength;
    if (media < 1)
        return;
    m_current->m_length = std::min(media, MaxBlockLength());
    FixLine(m_currentLine);
    emit timeBlockChanged();
    Modified();
}

void CTimeLineCtrl::OnMediaLoop()
{
    if (m_playback || !m_current || !m_current->IsMedia())
        return;
    auto* media = static_cast<CMediaTimeBlock*>(m_current);
    media->m_mediaLoop = !media->m_mediaLoop;
    Redraw();
    Modified();
}

void CTimeLineCtrl::ClearWave(CMediaTimeBlock* block)
{
    SBlockView& view = m_views[block];
    view.rawLeft.clear();
    view.rawRight.clear();
    view.shownLeft.clear();
    view.shownRight.clear();
    view.peakLeft = view.peakRight = view.filteredPeakLeft = view.filteredPeakRight = 0;
}

void CTimeLineCtrl::OnMediaStereo()
{
    if (m_playback || !m_current || !m_current->IsMedia() || !m_currentLine)
        return;
    auto* media = static_cast<CMediaTimeBlock*>(m_current);
    media->m_stereo = !media->m_stereo;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ClearWave(media);
    if (static_cast<const CMediaTimeLine*>(m_currentLine)->m_wave)
        LoadWave(media);
    QApplication::restoreOverrideCursor();
    FixLine(m_currentLine);
    Modified();
}

void CTimeLineCtrl::OnMediaFilter()
{
    if (m_playback || !m_current || !m_current->IsMedia() || !m_currentLine || !m_dialogs.chooseFilter)
        return;
    auto* media = static_cast<CMediaTimeBlock*>(m_current);
    int cutOff = media->m_cutOff;
    int second = media->m_secondFrequency;
    bool filter = media->m_filter;
    if (!RunDialog([&] { return m_dialogs.chooseFilter(cutOff, second, filter); }))
        return;
    media->m_cutOff = std::clamp(cutOff, 0, kMaxFrequency);
    media->m_secondFrequency = std::clamp(second, 0, kMaxFrequency);
    media->m_filter = filter;
    if (static_cast<const CMediaTimeLine*>(m_currentLine)->m_wave) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ApplyFilter(media);
        QApplication::restoreOverrideCursor();
    }
    Redraw();
    Modified();
}

void CTimeLineCtrl::OnUpdateMedia()
{
    if (m_playback || !m_current || !m_current->IsMedia() || !m_currentLine || !m_dialogs.chooseFile)
        return;
    auto* media = static_cast<CMediaTimeBlock*>(m_current);
    auto* line = static_cast<CMediaTimeLine*>(m_currentLine);
    const QFileInfo old(media->m_file);
    const QString filter = line->m_type == CTimeLine::VideoLine
                               ? GetLangText(Txt::TimeLineVideoFiles).arg(VideoFileFilter())
                               : GetLangText(Txt::TimeLineMusicFiles).arg(SoundFileFilter());
    QString path;
    RunDialog([&] {
        path = m_dialogs.chooseFile(old.completeBaseName() + QLatin1Char('.') + old.suffix(),
                                    QStringLiteral("Media"), filter);
        return !path.isEmpty();
    });
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    if (media == m_musicBlock)
        StopMusic();
    // The old file's sound and length must not stay drawn under the new name.
    ClearWave(media);
    media->m_mediaLength = -1;
    media->m_file = path;
    UpdateLabel(media);
    if (line->m_wave)
        LoadWave(media);
    SetMediaLength(line, media, false);
    emit timeBlockChanged();
    Modified();
}

// --- Drops of scenes from the live pages ------------------------------------------

QRect CTimeLineCtrl::FreeSpan(const QPoint& pos) const
{
    const CTimeLine* line = LineAt(pos);
    if (!line || BlockAt(pos))
        return QRect();
    const QRect band = LineRect(line);
    int left = band.left();
    int right = band.right();
    for (const CTimeBlock* block : line->m_blocks) {
        const QRect rect = BlockRect(block);
        if (!rect.isValid())
            continue;
        if (rect.right() < pos.x())
            left = std::max(left, rect.right() + 1);
        else if (rect.left() > pos.x())
            right = std::min(right, rect.left() - 1);
    }
    return QRect(QPoint(left, band.top() + 1), QPoint(right, band.bottom() - 1));
}

void CTimeLineCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasFormat(kSceneDragFormat)) {
        event->ignore();
        return;
    }
    m_dropShown = true;
    event->acceptProposedAction();
}

void CTimeLineCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    if (!event->mimeData()->hasFormat(kSceneDragFormat)) {
        m_dropRect = QRect();
        event->ignore();
        update();
        return;
    }
    m_dropRect = FreeSpan(event->pos());
    event->setDropAction(Qt::MoveAction);
    event->accept();
    update();
}

void CTimeLineCtrl::dragLeaveEvent(QDragLeaveEvent*)
{
    m_dropRect = QRect();
    m_dropShown = false;
    update();
}

void CTimeLineCtrl::dropEvent(QDropEvent* event)
{
    m_dropShown = false;
    m_dropRect = QRect();
    // The live page names the scene; the payload is only the drag's ticket.
    CPage* page = nullptr;
    CScene* scene = ShowHost().LiveCurrentScene(page);
    CTimeLine* line = LineAt(event->pos());
    if (!m_playback && scene && page && line && !line->IsMedia() && FreeSpan(event->pos()).isValid()
        && AddSceneBlock(page, scene, line, event->pos().x())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
    update();
}

// --- Drawing and waves --------------------------------------------------------------

void CTimeLineCtrl::LayoutLines()
{
    m_lineRects.clear();
    int y = 0;
    for (const CTimeLine* line : Lines()) {
        const int h = line->IsMedia() ? kMediaLineHeight : kSceneLineHeight;
        m_lineRects.insert(line, QRect(QPoint(0, y), QPoint(width(), y + h - 1)));
        y += h;
    }
    setMinimumHeight(y + 1);
    UpdateBlockRects();
    emit linesChanged();
}

void CTimeLineCtrl::ComputeRects(const CTimeLine* line)
{
    const QRect band = m_lineRects.value(line);
    const int viewStart = m_ruler.ViewStartTime();
    const int viewEnd = m_ruler.ViewEndTime();
    for (const CTimeBlock* block : line->m_blocks) {
        SBlockView& view = m_views[block];
        if (!band.isValid() || block->m_start >= viewEnd || (block->m_stop >= 1 && block->m_stop <= viewStart)) {
            view.rect = EmptyRect();
            continue;
        }
        const int left = std::max(m_ruler.TimeToX(block->m_start), band.left());
        const int stopX = block->m_stop < 1 ? band.right() - 1 : m_ruler.TimeToX(block->m_stop);
        const int right = std::min(stopX, band.right() - 1) - 1;
        view.rect = QRect(QPoint(left, band.top() + 1), QPoint(right, band.bottom() - 1));
    }
}

void CTimeLineCtrl::UpdateBlockRects(const CTimeLine* line)
{
    if (line) {
        ComputeRects(line);
    } else {
        for (const CTimeLine* each : Lines())
            ComputeRects(each);
    }
    Redraw();
}

void CTimeLineCtrl::OnTimeChanged()
{
    UpdateBlockRects();
}

void CTimeLineCtrl::resizeEvent(QResizeEvent*)
{
    LayoutLines();
}

void CTimeLineCtrl::Redraw()
{
    const QSize size = this->size();
    if (size.isEmpty() || size.width() > kMaxDrawing || size.height() > kMaxDrawing) {
        update();
        return;
    }
    if (m_drawing.size() != size)
        m_drawing = QPixmap(size);
    m_drawing.fill(QColor(220, 220, 220));
    QPainter p(&m_drawing);
    int sceneLines = 0;
    for (const CTimeLine* line : Lines()) {
        const QRect band = m_lineRects.value(line);
        if (line->IsMedia()) {
            const auto* media = static_cast<const CMediaTimeLine*>(line);
            p.fillRect(band, line->m_type == CTimeLine::VideoLine ? QColor(190, 128, 255) : QColor(255, 224, 126));
            for (const CTimeBlock* block : line->m_blocks) {
                if (BlockRect(block).isValid())
                    DrawMediaBlock(p, *media, static_cast<const CMediaTimeBlock&>(*block), m_selected.contains(
                                                                                                 const_cast<CTimeBlock*>(block)));
            }
        } else {
            p.fillRect(band, sceneLines++ % 2 ? QColor(200, 200, 240) : QColor(180, 180, 180));
            p.setPen(QColor(80, 80, 80));
            for (const CTimeBlock* block : line->m_blocks) {
                const SBlockView& view = m_views[block];
                if (!view.rect.isValid())
                    continue;
                const bool selected = m_selected.contains(const_cast<CTimeBlock*>(block));
                p.setBrushOrigin(view.rect.topLeft());
                p.fillRect(view.rect, BlockBrush(block->m_color, selected, view.rect.height()));
                const QRect text = view.rect.adjusted(4, 0, -4, 0);
                if (text.width() >= kLabelMinWidth)
                    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, view.label);
                p.drawRect(view.rect);
            }
        }
        p.setPen(QColor(50, 50, 50));
        p.drawRect(band);
    }
    const CTimeMarker* current = m_ruler.SelectedMarker();
    for (const CTimeMarker* marker : m_ruler.Markers()) {
        const int x = m_ruler.MarkerX(marker);
        if (x < 0)
            continue;
        p.setPen(QPen(marker == current ? QColor(0, 255, 0) : QColor(100, 100, 100), 1, Qt::DashLine));
        p.drawLine(x, 0, x, height());
    }
    if (m_current && BlockRect(m_current).isValid()) {
        p.setPen(QPen(Qt::blue, 1, Qt::DashLine));
        const int x = BlockRect(m_current).left();
        p.drawLine(x, 0, x, height());
    }
    p.end();
    update();
}

void CTimeLineCtrl::DrawMediaBlock(QPainter& p, const CMediaTimeLine& line, const CMediaTimeBlock& block,
                                   bool selected)
{
    const QRect rect = BlockRect(&block);
    const bool video = line.m_type == CTimeLine::VideoLine;
    const QColor fill = selected ? QColor(255, 202, 62) : video ? QColor(170, 108, 235) : QColor(235, 204, 106);
    if (line.m_wave) {
        if (block.m_stereo) {
            const int middle = rect.top() + rect.height() / 2;
            DrawWave(p, block, QRect(QPoint(rect.left(), rect.top()), QPoint(rect.right(), middle - 1)), false, fill);
            DrawWave(p, block, QRect(QPoint(rect.left(), middle), rect.bottomRight()), true, fill);
        } else {
            DrawWave(p, block, rect, false, fill);
        }
    } else {
        p.fillRect(rect, fill);
        if (video) {
            static const QPixmap film(QStringLiteral(":/Orvane/Images/TimeLine/video.png"));
            const int tile = 40;
            for (int x = rect.left(); x <= rect.right(); x += tile) {
                const int w = std::min(tile, rect.right() - x + 1);
                p.drawPixmap(QPoint(x, rect.top()), film, QRect(0, 0, w, film.height()));
                p.drawPixmap(QPoint(x, rect.bottom() - 11), film, QRect(0, 0, w, film.height()));
            }
        }
        p.setPen(QColor(80, 80, 80));
        p.drawRect(rect);
    }
    const QRect text = rect.adjusted(block.m_mediaLoop ? 20 : 4, 0, -4, 0);
    if (text.width() >= kLabelMinWidth) {
        p.setPen(QColor(50, 50, 255));
        p.drawText(text, Qt::AlignCenter, Label(&block));
    }
    if (block.m_mediaLoop && rect.width() >= kLoopMinWidth) {
        static const QPixmap loop(QStringLiteral(":/Orvane/Images/TimeLine/Loop.png"));
        p.drawPixmap(QPoint(rect.left(), rect.top() + (video ? 12 : 0)), loop);
    }
}

// One channel's envelope, one column per pixel: a looping block repeats its
// media to its end, and the index never leaves the vector.
void CTimeLineCtrl::DrawWave(QPainter& p, const CMediaTimeBlock& block, const QRect& band, bool right,
                             const QColor& fill)
{
    p.fillRect(band, fill);
    const SBlockView& view = m_views[&block];
    const QVector<int>& values = right ? view.shownRight : view.shownLeft;
    const int peak = block.m_filter ? (right ? view.filteredPeakRight : view.filteredPeakLeft)
                                    : (right ? view.peakRight : view.peakLeft);
    const qint64 n = values.size();
    const qint64 length = block.m_mediaLength;
    const qint64 v0 = m_ruler.ViewStartTime();
    const qint64 v1 = m_ruler.ViewEndTime();
    if (n > 0 && peak >= 1 && length >= 1 && v1 > v0) {
        const qint64 a = std::max<qint64>(block.m_start, v0);
        const qint64 b = block.m_stop < 1 ? v1 : std::min<qint64>(block.m_stop, v1);
        const qint64 e = std::min<qint64>(block.m_start + length, b);
        const qint64 last = std::min(n, (e - block.m_start) * n / length);
        const double step = double(n) * double(v1 - v0) / (double(length) * double(width() + 1));
        double index = -1;
        if (a < e)
            index = double((a - block.m_start) * n / length);
        else if (block.m_mediaLoop)
            index = double((a - block.m_start) % length * n / length);
        if (index >= 0) {
            const QPen wavePen(QColor(50, 50, 50));
            const QPen wrapPen(QColor(50, 50, 255));
            p.setPen(wavePen);
            const int y2 = band.bottom();
            for (int x = band.left(); x <= band.right(); ++x) {
                if (index >= double(n)) {
                    if (!block.m_mediaLoop)
                        break;
                    index = std::fmod(index, double(n));
                    p.setPen(wrapPen);
                    p.drawLine(x, band.top(), x, y2);
                    p.setPen(wavePen);
                }
                const qint64 i = std::clamp<qint64>(qint64(index), 0, n - 1);
                if (!block.m_mediaLoop && i >= last)
                    break;
                const int h = int(std::min<qint64>(qint64(band.height()) * std::max(values[int(i)], 0) / peak,
                                                   band.height()));
                if (h > 0)
                    p.drawLine(x, y2, x, y2 - h + 1);
                index += step;
            }
        }
    }
    p.setPen(QColor(80, 80, 80));
    p.drawRect(band);
}

void CTimeLineCtrl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_drawing.size() == size())
        p.drawPixmap(0, 0, m_drawing);
    else
        p.fillRect(rect(), QColor(220, 220, 220));
    if (m_dropShown && m_dropRect.isValid())
        p.fillRect(m_dropRect, QColor(240, 240, 240));
    p.setPen(Qt::red);
    const int x = m_ruler.CursorX();
    p.drawLine(x, 0, x, height());
    if (m_rubberBand && m_bandRect.isValid()) {
        static const QPixmap select(QStringLiteral(":/Orvane/Images/Fixtures/2D/Select.png"));
        p.drawPixmap(m_bandRect, select);
        p.setPen(QColor(229, 121, 72));
        p.drawRect(m_bandRect);
    }
}

void CTimeLineCtrl::LoadWave(CMediaTimeBlock* block)
{
    if (!block || !m_views.value(block).shownLeft.isEmpty() || !LocateMediaFile(block))
        return;
    m_decoder.SetStereo(block->m_stereo);
    int maxLength = CTimeScaleCtrl::kMaxLength;
    int duration = -1;
    const bool decoded = m_decoder.DecodeAudioFile(block->m_file, kWaveValuesPerSecond, maxLength, duration);
    if (decoded) {
        SBlockView& view = m_views[block];
        block->m_stereo = m_decoder.IsStereo();
        view.rawLeft = m_decoder.LeftValues();
        view.rawRight = block->m_stereo ? m_decoder.RightValues() : QVector<int>();
        view.peakLeft = m_decoder.LeftPeak();
        view.peakRight = block->m_stereo ? m_decoder.RightPeak() : 0;
        if (block->m_filter) {
            ApplyFilter(block);
        } else {
            view.shownLeft = view.rawLeft;
            view.shownRight = view.rawRight;
        }
        // A file that does not tell its length keeps the one it had.
        if (duration >= 1)
            block->m_mediaLength = std::min(duration, int(CTimeScaleCtrl::kMaxLength));
    }
    m_decoder.ClearValues();
}

void CTimeLineCtrl::ApplyFilter(CMediaTimeBlock* block)
{
    SBlockView& view = m_views[block];
    if (view.rawLeft.isEmpty())
        return;
    if (!block->m_filter) {
        view.shownLeft = view.rawLeft;
        view.shownRight = view.rawRight;
        return;
    }
    m_decoder.BandFilter(view.rawLeft.constData(), view.rawLeft.size(), block->m_cutOff, block->m_secondFrequency);
    view.shownLeft = m_decoder.FilterOutput();
    view.filteredPeakLeft = m_decoder.FilterPeak();
    view.shownRight.clear();
    view.filteredPeakRight = 0;
    if (block->m_stereo && !view.rawRight.isEmpty()) {
        m_decoder.BandFilter(view.rawRight.constData(), view.rawRight.size(), block->m_cutOff,
                             block->m_secondFrequency);
        view.shownRight = m_decoder.FilterOutput();
        view.filteredPeakRight = m_decoder.FilterPeak();
    }
}

void CTimeLineCtrl::SetMediaLength(CTimeLine* line, CMediaTimeBlock* block, bool emitLength)
{
    if (!line || !block)
        return;
    if (block->m_mediaLength < 1 && LocateMediaFile(block)) {
        const int duration = m_decoder.GetMediaDuration(block->m_file);
        block->m_mediaLength =
            duration > 0 ? std::min(duration, int(CTimeScaleCtrl::kMaxLength)) : kUnknownMediaLength;
    }
    FixLine(line, false);
    LayoutLines();
    if (block->m_mediaLength < 1)
        return;
    const qint64 end = qint64(block->m_start) + block->m_mediaLength;
    if (emitLength)
        emit timeLineLenChanged(block->m_mediaLength);
    else if (end > m_ruler.Length())
        emit timeLineLenChanged(int(std::min<qint64>(end, CTimeScaleCtrl::kMaxLength)));
}
