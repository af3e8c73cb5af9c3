// The control's editing: selection and the mouse, the menus and what
// they run, the clipboard and the drops of scenes from the live pages.

#include "timeline/TimeLineCtrl.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Scene.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeScaleCtrl.h"
#include "widgets/FileFilters.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

#include <algorithm>

namespace {

const QString kSceneDragFormat = QStringLiteral("image/zk-sceneline");
const QString kMenuStyle = QStringLiteral("QMenu { background: rgb(195, 195, 190) }");
constexpr int kEdgeZone = 5;  // px at either end of a block that resize it
constexpr int kSnapZone = 11; // a marker closer than this many px catches a dragged block

} // namespace

// The file dialog runs with the floating video window out of its way; the
// timeline's own dialogs move it themselves.
QString CTimeLineCtrl::ChooseFile(const QString& caption, const QString& dir, const QString& filter)
{
    ShowHost().SuspendVideoWindow();
    const QString path = m_dialogs.chooseFile(caption, dir, filter);
    ShowHost().ResumeVideoWindow();
    return path;
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
    if (!right && !unselected && m_current) {
        m_resizeStart = InStartZone(hit, pos.x());
        m_resizeStop = !m_resizeStart && InStopZone(hit, pos.x());
        // Of several selected blocks, the one whose edge is grabbed is resized.
        if (m_resizeStart || m_resizeStop)
            m_current = hit;
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
    FixLine(CurrentBlockLine());
}

void CTimeLineCtrl::ResizeStop(int x)
{
    const int t = m_ruler.XToTime(x);
    m_current->m_length = std::min(MaxBlockStop(), std::max(t, MinBlockStop())) - m_current->m_start;
    FixLine(CurrentBlockLine());
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
    // Only the markers a few pixels around x can catch it.
    const int from = m_ruler.RawTime(x - kSnapZone) - 1;
    const int to = m_ruler.RawTime(x + kSnapZone) + 1;
    for (const CTimeMarker* marker : m_ruler.MarkersWithin(from, to)) {
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
    connect(add, &QAction::triggered, this, [this] { AddMarkerAtX(m_menuPos.x()); });
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
    qint64 pasting = 1;
    if (m_clipboard.size() > 1) {
        pasting = 0;
        for (const SClip& clip : qAsConst(m_clipboard))
            pasting += Lines().contains(const_cast<CTimeLine*>(clip.line)) ? 1 : 0;
    }
    if (!CShowBounds::AskRoom(m_project, CShowBounds::TimeBlocks, pasting))
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
    if (!m_dialogs.chooseTime(ms, low, high))
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
    if (!m_dialogs.chooseTime(ms, low, high))
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
    if (!m_dialogs.chooseColor(color) || !CTimeBlock::IsColorIndex(color))
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
    FixLine(CurrentBlockLine());
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
    CTimeLine* line = CurrentBlockLine();
    if (m_playback || !m_current || !m_current->IsMedia() || !line)
        return;
    auto* media = static_cast<CMediaTimeBlock*>(m_current);
    media->m_stereo = !media->m_stereo;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ClearWave(media);
    if (static_cast<const CMediaTimeLine*>(line)->m_wave)
        LoadWave(media);
    QApplication::restoreOverrideCursor();
    FixLine(line);
    Modified();
}

void CTimeLineCtrl::OnMediaFilter()
{
    const CTimeLine* line = CurrentBlockLine();
    if (m_playback || !m_current || !m_current->IsMedia() || !line || !m_dialogs.chooseFilter)
        return;
    auto* media = static_cast<CMediaTimeBlock*>(m_current);
    int cutOff = media->m_cutOff;
    int second = media->m_secondFrequency;
    bool filter = media->m_filter;
    if (!m_dialogs.chooseFilter(cutOff, second, filter))
        return;
    media->m_cutOff = std::clamp(cutOff, 0, CMediaTimeBlock::kTopFrequency);
    media->m_secondFrequency = std::clamp(second, 0, CMediaTimeBlock::kTopFrequency);
    media->m_filter = filter;
    if (static_cast<const CMediaTimeLine*>(line)->m_wave) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ApplyFilter(media);
        QApplication::restoreOverrideCursor();
    }
    Redraw();
    Modified();
}

void CTimeLineCtrl::OnUpdateMedia()
{
    auto* line = static_cast<CMediaTimeLine*>(CurrentBlockLine());
    if (m_playback || !m_current || !m_current->IsMedia() || !line || !m_dialogs.chooseFile)
        return;
    auto* media = static_cast<CMediaTimeBlock*>(m_current);
    const QFileInfo old(media->m_file);
    const QString filter = line->m_type == CTimeLine::VideoLine
                               ? GetLangText(Txt::TimeLineVideoFiles).arg(VideoFileFilter())
                               : GetLangText(Txt::TimeLineMusicFiles).arg(SoundFileFilter());
    const QString path = ChooseFile(old.completeBaseName() + QLatin1Char('.') + old.suffix(), QStringLiteral("Media"), filter);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    if (media == m_musicBlock)
        StopMusic();
    if (media == m_videoBlock)
        StopVideo();
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

