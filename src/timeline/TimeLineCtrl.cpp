#include "timeline/TimeLineCtrl.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowHost.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeScaleCtrl.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kMinBlockLength = 1000; // ms

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

// Narrower blocks show their colour only: no name would fit.
constexpr int kLabelMinWidth = 24;

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
    if (m_data.m_lines.isEmpty())
        m_data.AddLine(NewSceneLine(m_data));
    LayoutLines();
}

const QList<CTimeLine*>& CTimeLineCtrl::Lines() const
{
    return m_data.m_lines;
}

CMediaTimeLine* CTimeLineCtrl::MusicLine() const
{
    return m_data.m_musicLine;
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
        UpdateRects(line);
}

void CTimeLineCtrl::UpdateRects(const CTimeLine* line)
{
    const QRect band = m_lineRects.value(line);
    const int viewStart = m_ruler.ViewStartTime();
    const int viewEnd = m_ruler.ViewEndTime();
    for (const CTimeBlock* block : line->m_blocks) {
        const int stop = block->m_stop < 1 ? m_ruler.Length() : block->m_stop;
        SBlockView& view = m_views[block];
        if (band.isEmpty() || stop <= viewStart || block->m_start >= viewEnd) {
            view.rect = EmptyRect();
            continue;
        }
        const int left = m_ruler.TimeToX(std::max(block->m_start, viewStart));
        const int right = m_ruler.TimeToX(std::min(stop, viewEnd));
        view.rect = QRect(QPoint(left, band.top() + 2), QPoint(std::max(right - 1, left), band.bottom() - 2));
    }
}

void CTimeLineCtrl::LayoutLines()
{
    m_lineRects.clear();
    int y = 0;
    for (const CTimeLine* line : Lines()) {
        const int h = line->IsMedia() ? kMediaLineHeight : kSceneLineHeight;
        m_lineRects.insert(line, QRect(0, y, std::max(width(), 1), h));
        y += h;
    }
    setMinimumHeight(y + 1);
    for (const CTimeLine* line : Lines())
        UpdateRects(line);
    update();
    emit linesChanged();
}

void CTimeLineCtrl::OnTimeChanged()
{
    for (const CTimeLine* line : Lines())
        UpdateRects(line);
    update();
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
    update();
    Modified();
    return true;
}

void CTimeLineCtrl::InsertLine(int index)
{
    m_data.m_lines.insert(std::clamp(index, 0, int(Lines().size())), NewSceneLine(m_data));
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
    if (m_currentLine == line) {
        m_current = nullptr;
        m_currentLine = nullptr;
        emit selChanged(false);
    }
    if (line == m_data.m_musicLine) {
        StopMusic();
        m_data.m_musicLine = nullptr;
    }
    if (line == m_data.m_videoLine)
        m_data.m_videoLine = nullptr;
    DropViews(line);
    m_data.m_lines.removeAt(index);
    delete line;
    LayoutLines();
    Modified();
    return true;
}

void CTimeLineCtrl::DropViews(const CTimeLine* line)
{
    for (const CTimeBlock* block : line->m_blocks) {
        m_views.remove(block);
        if (block == m_musicBlock)
            m_musicBlock = nullptr;
        if (block == m_current)
            m_current = nullptr;
    }
}

void CTimeLineCtrl::SelectBlock(CTimeBlock* block)
{
    m_current = nullptr;
    m_currentLine = nullptr;
    for (CTimeLine* line : Lines()) {
        if (block && line->m_blocks.contains(block)) {
            m_current = block;
            m_currentLine = line;
        }
    }
    update();
    emit selChanged(m_current != nullptr);
}

void CTimeLineCtrl::RemoveCurrentBlock()
{
    CTimeBlock* block = m_current;
    CTimeLine* line = m_currentLine;
    if (!block || !line)
        return;
    SelectBlock(nullptr);
    if (block == m_musicBlock)
        StopMusic();
    m_views.remove(block);
    line->m_blocks.removeOne(block);
    delete block;
    FixLine(line);
    update();
    Modified();
}

int CTimeLineCtrl::MinBlockStart() const
{
    int r = 0;
    if (!m_current || !m_currentLine)
        return r;
    for (const CTimeBlock* block : m_currentLine->m_blocks) {
        if (block != m_current && block->m_start < m_current->m_start && block->m_start > r)
            r = block->m_start + kMinBlockLength;
    }
    return r;
}

int CTimeLineCtrl::MaxBlockStart() const
{
    if (!m_current)
        return 0;
    return m_current->m_stop > 0 ? m_current->m_stop - kMinBlockLength : m_ruler.Length();
}

int CTimeLineCtrl::MinBlockStop() const
{
    return m_current ? m_current->m_start + kMinBlockLength : kMinBlockLength;
}

int CTimeLineCtrl::MaxBlockStop() const
{
    int r = m_ruler.Length();
    if (!m_current || !m_currentLine)
        return r;
    for (const CTimeBlock* block : m_currentLine->m_blocks) {
        if (block != m_current && block->m_start > m_current->m_start)
            r = std::min(r, block->m_start);
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
    update();
    emit markerAdded();
    return true;
}

void CTimeLineCtrl::AddMarkerAt(int ms)
{
    m_ruler.AddMarkerAtTime(ms);
    update();
    emit markerAdded();
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
    setEnabled(false);
}

void CTimeLineCtrl::StopPlayback()
{
    StopMusic();
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
    if (!MusicLine())
        return;
    MusicLine()->m_wave = on;
    update();
    emit headerChanged();
    Modified();
}

// --- The document changed -----------------------------------------------------

void CTimeLineCtrl::Clear()
{
    StopMusic();
    m_current = nullptr;
    m_currentLine = nullptr;
    m_views.clear();
    m_lineRects.clear();
    m_data.Clear();
    update();
}

void CTimeLineCtrl::RemoveSceneBlocks(CScene* scene)
{
    bool selectionGone = false;
    for (CTimeLine* line : Lines()) {
        if (line->IsMedia())
            continue;
        bool touched = false;
        for (const CTimeBlock* block : line->m_blocks) {
            if (block->m_scene != scene)
                continue;
            selectionGone |= block == m_current;
            m_views.remove(block);
            touched = true;
        }
        if (!touched)
            continue;
        line->RemoveSceneBlocks(scene);
        FixLine(line);
    }
    if (selectionGone) {
        m_current = nullptr;
        emit selChanged(false);
    }
    update();
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
    update();
}

void CTimeLineCtrl::UpdateSceneName(CScene* scene)
{
    for (const CTimeLine* line : Lines()) {
        for (const CTimeBlock* block : line->m_blocks) {
            if (!block->IsMedia() && block->m_scene == scene)
                UpdateLabel(block);
        }
    }
    update();
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
    update();
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
        FixLine(line);
    }
    update();
}

int CTimeLineCtrl::RefreshFromProject()
{
    m_views.clear();
    m_current = nullptr;
    m_currentLine = nullptr;
    m_musicBlock = nullptr;
    m_musicPlaying = false;
    int repaired = Repair(m_data.m_length, 0, int(CTimeScaleCtrl::kMaxLength));
    for (CTimeMarker* marker : qAsConst(m_data.m_markers))
        repaired += Repair(marker->m_time, 0, int(CTimeScaleCtrl::kMaxLength));
    for (CTimeLine* line : qAsConst(m_data.m_lines)) {
        for (CTimeBlock* block : qAsConst(line->m_blocks)) {
            repaired += Repair(block->m_start, 0, int(CTimeScaleCtrl::kMaxLength));
            repaired += Repair(block->m_length, -1, int(CTimeScaleCtrl::kMaxLength));
            repaired += Repair(block->m_color, 0, CTimeBlock::kColorCount - 1);
            if (block->IsMedia())
                repaired += Repair(static_cast<CMediaTimeBlock*>(block)->m_mediaLength, -1,
                                   int(CTimeScaleCtrl::kMaxLength));
            UpdateLabel(block);
        }
        FixLineTimes(*line);
    }
    if (m_data.m_lines.isEmpty())
        m_data.AddLine(NewSceneLine(m_data));
    LayoutLines();
    for (const CTimeLine* line : Lines()) {
        for (const CTimeBlock* block : line->m_blocks) {
            for (const CTimeMarker* marker : qAsConst(m_data.m_markers)) {
                if (marker->m_time == block->m_start)
                    m_views[block].marker = marker;
            }
        }
    }
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

// --- Screen ---------------------------------------------------------------------

void CTimeLineCtrl::mousePressEvent(QMouseEvent* event)
{
    for (CTimeLine* line : Lines()) {
        for (CTimeBlock* block : qAsConst(line->m_blocks)) {
            if (BlockRect(block).contains(event->pos())) {
                SelectBlock(block);
                return;
            }
        }
    }
    if (m_current)
        SelectBlock(nullptr);
}

void CTimeLineCtrl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(150, 150, 150));
    int sceneLines = 0;
    for (const CTimeLine* line : Lines()) {
        QRect band = m_lineRects.value(line);
        band.setWidth(width());
        QColor fill = line->m_type == CTimeLine::MusicLine   ? QColor(255, 224, 126)
                      : line->m_type == CTimeLine::VideoLine ? QColor(190, 128, 255)
                      : sceneLines++ % 2                     ? QColor(200, 200, 240)
                                                             : QColor(180, 180, 180);
        p.fillRect(band, fill.lighter(110));
        p.setPen(QColor(50, 50, 50));
        p.drawLine(band.bottomLeft(), band.bottomRight());
        for (const CTimeBlock* block : line->m_blocks) {
            const SBlockView view = m_views.value(block);
            if (view.rect.isEmpty())
                continue;
            // The outline as a fill under the picture: far cheaper than a stroke.
            const QRect inside = view.rect.adjusted(1, 1, 0, 0);
            p.fillRect(view.rect.adjusted(0, 0, 1, 1), QColor(50, 50, 50));
            p.setBrushOrigin(inside.topLeft());
            p.fillRect(inside, BlockBrush(block->m_color, block == m_current, inside.height()));
            if (view.rect.width() >= kLabelMinWidth)
                p.drawText(view.rect.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, view.label);
        }
    }
    p.setPen(QColor(214, 39, 39));
    const int x = m_ruler.CursorX();
    p.drawLine(x, 0, x, height());
}
