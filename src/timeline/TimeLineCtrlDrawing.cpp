// The control's drawing: the layout of lines and blocks, the cached
// picture of the part of the timeline in sight and the waves of media
// blocks.

#include "timeline/TimeLineCtrl.h"

#include "show/TimeLine.h"
#include "timeline/TimeScaleCtrl.h"

#include <QHash>
#include <QPaintEvent>
#include <QPainter>
#include <QVector>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLabelMinWidth = 20;
constexpr int kLoopMinWidth = 16;
constexpr int kMaxDrawing = 65535; // px
constexpr int kUnshownHeight = 4096; // px

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

// Blocks of one line overlap only where they share a start: a block is
// hidden when a later one, drawn over it, starts at its left edge and
// reaches at least its right edge. A damaged show that stacks thousands of
// blocks at one time is then drawn as fast as the few that show.
QVector<bool> HiddenBlocks(const CTimeLineCtrl& control, const QList<CTimeBlock*>& blocks)
{
    QVector<bool> hidden(blocks.size(), false);
    QHash<int, int> rightFrom; // left edge -> rightmost edge drawn later from it
    for (int i = blocks.size() - 1; i >= 0; --i) {
        const QRect rect = control.BlockRect(blocks[i]);
        if (!rect.isValid())
            continue;
        const auto drawn = rightFrom.constFind(rect.left());
        if (drawn != rightFrom.constEnd() && *drawn >= rect.right())
            hidden[i] = true;
        else
            rightFrom.insert(rect.left(), rect.right());
    }
    return hidden;
}

} // namespace

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

QColor CTimeLineCtrl::LineColor(const CTimeLine& line, int sceneLinesBefore)
{
    if (line.m_type == CTimeLine::MusicLine)
        return QColor(255, 224, 126);
    if (line.m_type == CTimeLine::VideoLine)
        return QColor(190, 128, 255);
    return sceneLinesBefore % 2 ? QColor(200, 200, 240) : QColor(180, 180, 180);
}

QRect CTimeLineCtrl::ShownPart() const
{
    const QRect shown = isVisible() ? visibleRegion().boundingRect() : QRect();
    if (!shown.isEmpty())
        return shown;
    return QRect(0, 0, width(), std::min(height(), kUnshownHeight));
}

void CTimeLineCtrl::Redraw()
{
    DrawShownPart();
    update();
}

void CTimeLineCtrl::DrawShownPart()
{
    // Only the part in sight: a picture of the whole control took its width
    // by the height of every line, hundreds of megabytes for a few thousand
    // lines, and past 65,535 pixels none could be made.
    const QRect part = ShownPart();
    if (part.isEmpty() || part.width() > kMaxDrawing || part.height() > kMaxDrawing) {
        m_drawn = QRect();
        return;
    }
    if (m_drawing.size() != part.size())
        m_drawing = QPixmap(part.size());
    m_drawn = part;
    m_drawing.fill(QColor(220, 220, 220));
    QPainter p(&m_drawing);
    p.translate(-part.topLeft());
    int sceneLines = 0;
    for (const CTimeLine* line : Lines()) {
        const QRect band = m_lineRects.value(line);
        if (!band.intersects(part)) {
            sceneLines += line->IsMedia() ? 0 : 1;
            continue;
        }
        const QVector<bool> hidden = HiddenBlocks(*this, line->m_blocks);
        if (line->IsMedia()) {
            const auto* media = static_cast<const CMediaTimeLine*>(line);
            p.fillRect(band, LineColor(*line, sceneLines));
            for (int i = 0; i < line->m_blocks.size(); ++i) {
                CTimeBlock* block = line->m_blocks[i];
                if (!hidden[i] && BlockRect(block).isValid())
                    DrawMediaBlock(p, *media, static_cast<const CMediaTimeBlock&>(*block), m_selected.contains(block));
            }
        } else {
            p.fillRect(band, LineColor(*line, sceneLines++));
            p.setPen(QColor(80, 80, 80));
            for (int i = 0; i < line->m_blocks.size(); ++i) {
                CTimeBlock* block = line->m_blocks[i];
                const SBlockView& view = m_views[block];
                if (hidden[i] || !view.rect.isValid())
                    continue;
                const bool selected = m_selected.contains(block);
                p.setBrushOrigin(view.rect.topLeft());
                p.fillRect(view.rect, BlockBrush(block->m_color, selected, view.rect.height()));
                const QRect text = view.rect.adjusted(4, 0, -4, 0);
                if (text.width() >= kLabelMinWidth)
                    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, ShownLabel(view));
                p.drawRect(view.rect);
            }
        }
        p.setPen(QColor(50, 50, 50));
        p.drawRect(band);
    }
    // One line for each x where markers are shown, the selected one's over the others.
    const CTimeMarker* current = m_ruler.SelectedMarker();
    p.setPen(QPen(QColor(100, 100, 100), 1, Qt::DashLine));
    for (const CTimeMarker* marker : m_ruler.ShownMarkers()) {
        const int x = m_ruler.MarkerX(marker);
        if (marker != current)
            p.drawLine(x, 0, x, height());
    }
    if (current && m_ruler.MarkerX(current) >= 0) {
        p.setPen(QPen(QColor(0, 255, 0), 1, Qt::DashLine));
        p.drawLine(m_ruler.MarkerX(current), 0, m_ruler.MarkerX(current), height());
    }
    if (m_current && BlockRect(m_current).isValid()) {
        p.setPen(QPen(Qt::blue, 1, Qt::DashLine));
        const int x = BlockRect(m_current).left();
        p.drawLine(x, 0, x, height());
    }
    p.end();
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

void CTimeLineCtrl::paintEvent(QPaintEvent* event)
{
    // Scrolled or grown, the control shows a part not drawn yet.
    if (!m_drawn.contains(event->rect()))
        DrawShownPart();
    QPainter p(this);
    p.fillRect(event->rect(), QColor(220, 220, 220));
    if (m_drawn.isValid())
        p.drawPixmap(m_drawn.topLeft(), m_drawing);
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

void CTimeLineCtrl::LoadWaves(const CTimeLine& line)
{
    QHash<QString, SLoadedWave> loaded;
    for (CTimeBlock* block : line.m_blocks)
        LoadWave(static_cast<CMediaTimeBlock*>(block), &loaded);
}

void CTimeLineCtrl::LoadWave(CMediaTimeBlock* block, QHash<QString, SLoadedWave>* loaded)
{
    if (!block || !m_views.value(block).shownLeft.isEmpty() || !LocateMediaFile(block))
        return;
    // The file, then what the block makes of it (a file name may hold the separator).
    const QString key = QStringLiteral("%1|%2|%3|%4|%5")
                            .arg(block->m_file)
                            .arg(int(block->m_stereo))
                            .arg(int(block->m_filter))
                            .arg(block->m_cutOff)
                            .arg(block->m_secondFrequency);
    if (loaded) {
        const auto found = loaded->constFind(key);
        if (found != loaded->constEnd()) {
            if (found->decoded) {
                SBlockView& view = m_views[block];
                block->m_stereo = found->stereo;
                view.rawLeft = found->view.rawLeft;
                view.rawRight = found->view.rawRight;
                view.shownLeft = found->view.shownLeft;
                view.shownRight = found->view.shownRight;
                view.peakLeft = found->view.peakLeft;
                view.peakRight = found->view.peakRight;
                view.filteredPeakLeft = found->view.filteredPeakLeft;
                view.filteredPeakRight = found->view.filteredPeakRight;
                if (found->duration >= 1)
                    block->m_mediaLength = std::min(found->duration, int(CTimeScaleCtrl::kMaxLength));
            }
            return;
        }
    }
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
    if (loaded)
        loaded->insert(key, {decoded, block->m_stereo, duration, m_views.value(block)});
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
