#include "timeline/TimeScaleCtrl.h"

#include "show/ShowHost.h"
#include "show/TimeLine.h"
#include "widgets/SplitTime.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QString kPictures = QStringLiteral(":/Orvane/Images/TimeScale/");
constexpr int kBandBottom = 14; // the overview band with the thumb
constexpr int kMinThumb = 60;
constexpr int kSnapMs = 40;
constexpr int kMarkerTarget = 2; // the Delete key removes the selected marker

bool Earlier(const CTimeMarker* a, const CTimeMarker* b)
{
    return a->m_time < b->m_time;
}

const QPixmap& Picture(const char* name)
{
    static QHash<QString, QPixmap> cache;
    const QString key = QLatin1String(name);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.insert(key, QPixmap(kPictures + key));
    return *it;
}

} // namespace

QString TimeMarkerLabel(const CTimeMarker& marker)
{
    const STimeParts parts = SplitTime(marker.m_time);
    return QStringLiteral("%1h %2m %3s %4").arg(parts.hours).arg(parts.minutes).arg(parts.seconds).arg(parts.milliseconds);
}

CTimeScaleCtrl::CTimeScaleCtrl(CTimeLineData& data, QWidget* parent)
    : QWidget(parent)
    , m_data(data)
{
    setFixedHeight(kHeight);
    setMouseTracking(false);
    SetLength(CTimeLineData::kNewLengthMs, 100);
}

CTimeScaleCtrl::STicks CTimeScaleCtrl::TicksForSpan(int span)
{
    static const struct
    {
        int below;
        STicks ticks;
    } table[] = {{20000, {1000, 5}},      {120000, {5000, 5}},     {360000, {15000, 5}},
                 {1200000, {60000, 6}},   {7200000, {300000, 5}},  {21600000, {900000, 5}}};
    for (const auto& row : table) {
        if (span < row.below)
            return row.ticks;
    }
    return {3600000, 6};
}

QString CTimeScaleCtrl::TickLabel(int period, int n)
{
    int t = period / 1000 * n;
    int h = 0;
    int m = 0;
    if (t >= 3600) {
        h = t / 3600;
        t %= 3600;
    }
    if (t >= 60) {
        m = t / 60;
        t %= 60;
    }
    const int s = t;
    if (h > 24 || (h == 24 && m + s > 0))
        return QString();
    if (h == 0) {
        if (m == 0)
            return QStringLiteral("%1s").arg(s);
        return s == 0 ? QStringLiteral("%1m").arg(m) : QStringLiteral("%1m %2s").arg(m).arg(s);
    }
    if (m == 0 && s == 0)
        return QStringLiteral("%1h").arg(h);
    if (m == 0)
        return QStringLiteral("%1h %2s").arg(h).arg(s);
    if (s == 0)
        return QStringLiteral("%1h %2m").arg(h).arg(m);
    return QStringLiteral("%1h %2m %3s").arg(h).arg(m).arg(s);
}

const QList<CTimeMarker*>& CTimeScaleCtrl::Markers() const
{
    return m_data.m_markers;
}

QRect CTimeScaleCtrl::RulerRect() const
{
    const QRect r = rect();
    return r.width() < 61 ? QRect(QPoint(0, r.top()), QPoint(59, r.top() + r.height() - 1)) : r;
}

void CTimeScaleCtrl::SetLength(int ms, int zoom)
{
    // A hidden ruler has its size before its resize event.
    m_rc = RulerRect();
    m_length = std::clamp(ms, 0, kMaxLength);
    m_data.m_length = m_length;
    m_span = std::max(m_length, 1);
    m_zoom = std::clamp(zoom, 0, 100);
    m_viewStart = 0;
    m_period = m_major = m_minor = m_firstTick = m_firstTickX = 0;
    m_subdivisions = 1;
    ThumbRightFromZoom();
    UpdateScale();
    ResetCursor();
    update();
    emit timeChanged();
}

void CTimeScaleCtrl::ThumbRightFromZoom()
{
    m_thumbRight = m_thumbLeft + kMinThumb + (W() - 59) * m_zoom / 100;
    ThumbInside();
}

void CTimeScaleCtrl::ThumbInside()
{
    if (m_thumbRight > m_rc.right()) {
        m_thumbLeft -= m_thumbRight - m_rc.right();
        m_thumbRight = m_rc.right();
    }
    if (m_thumbLeft < m_rc.left()) {
        m_thumbRight += m_rc.left() - m_thumbLeft;
        m_thumbLeft = m_rc.left();
    }
    m_thumbRight = std::min(m_thumbRight, m_rc.right());
}

void CTimeScaleCtrl::ZoomFromThumb()
{
    m_zoom = W() - 59 < 1 ? 100 : int(float(m_thumbRight - m_thumbLeft - 59) / float(W() - 59) * 100.0f);
    m_zoom = std::clamp(m_zoom, 0, 100);
}

void CTimeScaleCtrl::SetZoom(int zoom)
{
    m_zoom = std::clamp(zoom, 0, 100);
    ThumbRightFromZoom();
    UpdateScale();
}

void CTimeScaleCtrl::PageForward()
{
    const int step = int((m_thumbRight - m_thumbLeft - 59) * 0.9f);
    m_thumbLeft += step;
    m_thumbRight += step;
    ThumbInside();
    ZoomFromThumb();
    UpdateScale();
}

void CTimeScaleCtrl::PageBack()
{
    const int step = int((m_thumbRight - m_thumbLeft - 59) * 0.9f);
    m_thumbLeft -= step;
    m_thumbRight -= step;
    ThumbInside();
    ZoomFromThumb();
    UpdateScale();
}

void CTimeScaleCtrl::UpdateTickOrigin()
{
    m_firstTick = m_viewStart / m_period + 1;
    m_firstTickX = m_major - int(qint64(m_major) * (m_viewStart % m_period) / m_period);
}

void CTimeScaleCtrl::UpdateScale()
{
    bool changed = false;
    const int w = W();
    float f = 1.0f;
    if (w - 59 > 0) {
        const int thumbWidth = m_thumbRight - m_thumbLeft + 1;
        const float r = float(std::min(thumbWidth, w - 4) - kMinThumb) / float(w - 59);
        if (r <= 1.0f)
            f = r;
    }
    // Under a millisecond the scale would divide by zero.
    const int span = std::max(int(float(m_length) * f), 1);
    if (span != m_span) {
        m_span = span;
        changed = true;
    }
    const STicks ticks = TicksForSpan(m_span);
    m_period = ticks.period;
    m_subdivisions = ticks.subdivisions;

    int major = int(float(w + 1) / float(m_span) * float(m_period));
    major -= major % m_subdivisions;
    // A narrow ruler on a long timeline would cut the spacing to nothing.
    major = std::max(major, m_subdivisions);
    if (major != m_major) {
        m_major = major;
        m_minor = major / m_subdivisions;
        changed = true;
    }

    const float g = w - 59 > 0 ? float(m_thumbLeft - m_rc.left()) / float(w - 59) : 1.0f;
    int start = int(float(m_length) * g);
    start -= start % (m_period / m_subdivisions);
    start = std::max(start, 0);
    if (start != m_viewStart) {
        m_viewStart = start;
        changed = true;
    }
    UpdateTickOrigin();
    if (changed) {
        m_cursorX = TimeToX(m_cursorTime);
        UpdateMarkerRects();
        emit timeChanged();
    }
    update();
}

int CTimeScaleCtrl::TimeToX(int t) const
{
    if (m_period <= 0 || m_major <= 0)
        return m_rc.left();
    const float s = float(m_viewStart);
    const float p = float(m_period);
    const float x = t >= m_viewStart
                        ? (float(t) - s) / (float(m_firstTick + 1) * p - s) * float(m_major + m_firstTickX)
                        : (s - float(t)) / (float(2 - m_firstTick) * p + s) * float(m_firstTickX - 2 * m_major);
    // Zoomed in, a time far off the view lies billions of pixels away; held
    // well inside an int, it still leaves room for the arithmetic of rectangles.
    constexpr float kFarOff = float(1 << 30);
    return m_rc.left() + int(std::clamp(x, -kFarOff, kFarOff));
}

int CTimeScaleCtrl::RawTime(int x) const
{
    if (m_period <= 0 || m_major <= 0)
        return 0;
    int t = m_firstTick * m_period;
    if (x < m_firstTickX)
        t -= int(float(m_firstTickX - x) / float(m_major) * float(m_period));
    else if (x > m_firstTickX)
        t += int(float(x - m_firstTickX) / float(m_major) * float(m_period));
    return std::max(t, 0);
}

int CTimeScaleCtrl::XToTime(int& x) const
{
    int t = RawTime(x);
    if (t % kSnapMs > 0) {
        t -= t % kSnapMs;
        x = TimeToX(t);
    }
    return t;
}

int CTimeScaleCtrl::ViewStartTime() const
{
    int x = m_rc.left();
    return XToTime(x);
}

int CTimeScaleCtrl::ViewEndTime() const
{
    int x = m_rc.right();
    return XToTime(x);
}

void CTimeScaleCtrl::SetCursorTime(int ms)
{
    m_cursorTime = ms;
    m_cursorX = TimeToX(ms);
    m_data.m_cursorTime = ms;
    update();
}

void CTimeScaleCtrl::ResetCursor()
{
    SetCursorTime(0);
}

void CTimeScaleCtrl::RestoreCursor()
{
    if (m_storedCursor > 0)
        SetCursorTime(std::min(m_storedCursor, m_length));
    m_storedCursor = -1;
}

void CTimeScaleCtrl::RefreshFromProject()
{
    m_selected = nullptr;
    m_views.clear();
    m_shownValid = false;
    IndexMarkers();
    m_markersReadOnly = m_data.m_lockMarker;
    m_storedCursor = m_data.m_cursorTime;
    SetLength(m_data.m_length, 100);
    RestoreCursor();
}

void CTimeScaleCtrl::SetEditable(bool on)
{
    if (!m_data.m_lockMarker)
        m_markersReadOnly = !on;
}

void CTimeScaleCtrl::ToggleLockMarkers()
{
    m_data.m_lockMarker = !m_data.m_lockMarker;
    m_markersReadOnly = m_data.m_lockMarker;
}

void CTimeScaleCtrl::PlaceMarker(const CTimeMarker* marker, int x)
{
    SMarkerView& view = m_views[marker];
    view.x = x;
    view.rect = QRect(QPoint(x - 8, m_rc.bottom() - 16), QPoint(x + 7, m_rc.bottom() - 1));
    m_shownValid = false;
}

void CTimeScaleCtrl::UpdateMarkerRects()
{
    // A show may hold a hundred thousand markers: only those in view are
    // placed, found by time.
    m_views.clear();
    m_shownValid = false;
    const int a = ViewStartTime();
    const int b = ViewEndTime();
    if (b - a < 2)
        return;
    for (const CTimeMarker* marker : MarkersWithin(a + 1, b - 1))
        PlaceMarker(marker, TimeToX(marker->m_time));
}

void CTimeScaleCtrl::IndexMarkers() const
{
    m_byTime = QVector<CTimeMarker*>(Markers().begin(), Markers().end());
    std::stable_sort(m_byTime.begin(), m_byTime.end(), Earlier);
}

void CTimeScaleCtrl::IndexMarker(CTimeMarker* marker)
{
    UnindexMarker(marker);
    if (m_byTime.size() + 1 != Markers().size()) {
        // The document added or dropped markers behind the ruler's back.
        IndexMarkers();
        return;
    }
    m_byTime.insert(std::upper_bound(m_byTime.begin(), m_byTime.end(), marker, Earlier), marker);
}

void CTimeScaleCtrl::UnindexMarker(const CTimeMarker* marker)
{
    const int at = m_byTime.indexOf(const_cast<CTimeMarker*>(marker));
    if (at >= 0)
        m_byTime.remove(at);
}

QVector<const CTimeMarker*> CTimeScaleCtrl::MarkersWithin(int from, int to) const
{
    if (m_byTime.size() != Markers().size())
        IndexMarkers();
    const auto first = std::lower_bound(m_byTime.cbegin(), m_byTime.cend(), from,
                                        [](const CTimeMarker* m, int t) { return m->m_time < t; });
    const auto last = std::upper_bound(first, m_byTime.cend(), to,
                                       [](int t, const CTimeMarker* m) { return t < m->m_time; });
    return QVector<const CTimeMarker*>(first, last);
}

const QVector<const CTimeMarker*>& CTimeScaleCtrl::ShownMarkers() const
{
    if (m_shownValid)
        return m_shown;
    // Zoomed out, thousands of markers share a few pixels; each x is drawn
    // once. In time order they come in the order of their x, and this runs
    // again each time a marker is added.
    m_shown.clear();
    int lastX = 0;
    for (const CTimeMarker* marker : MarkersWithin(ViewStartTime(), ViewEndTime())) {
        const auto view = m_views.constFind(marker);
        if (view == m_views.cend() || view->rect.isEmpty() || (!m_shown.isEmpty() && view->x == lastX))
            continue;
        m_shown.append(marker);
        lastX = view->x;
    }
    m_shownValid = true;
    return m_shown;
}

CTimeMarker* CTimeScaleCtrl::AddMarkerAtX(int& x)
{
    auto* marker = new CTimeMarker(XToTime(x));
    m_data.AddMarker(marker);
    IndexMarker(marker);
    PlaceMarker(marker, x);
    Modified();
    update();
    return marker;
}

CTimeMarker* CTimeScaleCtrl::AddMarkerAtTime(int ms)
{
    auto* marker = new CTimeMarker(std::clamp(ms, 0, m_length));
    m_data.AddMarker(marker);
    PlaceMarker(marker, TimeToX(marker->m_time));
    PutInOrder(marker);
    Modified();
    update();
    return marker;
}

void CTimeScaleCtrl::PutInOrder(CTimeMarker* marker)
{
    // A show holds up to 65,536 markers: one added (last in the list) to a
    // list in order only moves to its place, and the list beside the ruler
    // takes that one item.
    QList<CTimeMarker*>& markers = m_data.m_markers;
    if (!std::is_sorted(markers.begin(), markers.end() - 1, Earlier)) {
        SortMarkers();
        emit markersReordered();
        return;
    }
    markers.removeLast();
    markers.insert(std::upper_bound(markers.begin(), markers.end(), marker, Earlier), marker);
    IndexMarker(marker);
}

void CTimeScaleCtrl::SortMarkers()
{
    std::stable_sort(m_data.m_markers.begin(), m_data.m_markers.end(), Earlier);
    m_byTime = QVector<CTimeMarker*>(Markers().begin(), Markers().end());
}

int CTimeScaleCtrl::SelectedIndex() const
{
    return m_selected ? Markers().indexOf(m_selected) : -1;
}

void CTimeScaleCtrl::ShowSelected(CTimeMarker* marker)
{
    m_selected = marker;
    if (!MarkerRect(marker).isEmpty())
        update();
    else
        ScrollToTime(marker->m_time);
    ShowHost().SetDeleteTarget(kMarkerTarget);
    emit selChanged(true);
}

void CTimeScaleCtrl::SelectMarker(int index)
{
    if (index >= 0 && index < Markers().size())
        ShowSelected(Markers()[index]);
}

void CTimeScaleCtrl::SelectNextMarker()
{
    const int reference = m_selected ? m_selected->m_time : m_cursorTime;
    CTimeMarker* best = nullptr;
    for (CTimeMarker* marker : Markers()) {
        const int d = marker->m_time - reference;
        if (d > 0 && d < m_length && (!best || marker->m_time < best->m_time))
            best = marker;
    }
    if (best && best != m_selected)
        ShowSelected(best);
}

void CTimeScaleCtrl::SelectPrevMarker()
{
    const int reference = m_selected ? m_selected->m_time : m_cursorTime;
    CTimeMarker* best = nullptr;
    for (CTimeMarker* marker : Markers()) {
        const int d = reference - marker->m_time;
        if (d > 0 && d < m_length && (!best || marker->m_time > best->m_time))
            best = marker;
    }
    if (best && best != m_selected)
        ShowSelected(best);
}

void CTimeScaleCtrl::SetSelectedMarkerTime(int ms)
{
    if (!m_selected)
        return;
    m_selected->m_time = std::clamp(ms, 0, m_length);
    IndexMarker(m_selected);
    if (m_selected->m_time > ViewStartTime() && m_selected->m_time < ViewEndTime())
        PlaceMarker(m_selected, TimeToX(m_selected->m_time));
    else if (m_views.remove(m_selected) > 0)
        m_shownValid = false;
    update();
    emit markerChanged();
}

void CTimeScaleCtrl::RemoveSelectedMarker()
{
    if (!m_selected || !Markers().contains(m_selected))
        return;
    emit markerRemoved(m_selected);
    m_data.m_markers.removeOne(m_selected);
    UnindexMarker(m_selected);
    m_views.remove(m_selected);
    m_shownValid = false;
    delete m_selected;
    m_selected = nullptr;
    update();
    emit selChanged(false);
    emit endMarkerChanged();
    Modified();
}

void CTimeScaleCtrl::ClearMarkers()
{
    m_data.ClearMarkers();
    ForgetMarkers();
}

void CTimeScaleCtrl::ForgetMarkers()
{
    m_views.clear();
    m_byTime.clear();
    m_shownValid = false;
    m_selected = nullptr;
    update();
}

void CTimeScaleCtrl::ScrollToTime(int t)
{
    if (m_cursorTime < 0 || m_cursorTime > m_length || m_length <= 0)
        return;
    const int a = ViewStartTime();
    const int b = ViewEndTime();
    if (t > a && t < b)
        return;
    m_viewStart = std::max(t - m_span / 2, 0);
    if (m_viewStart + m_span > m_length)
        m_viewStart = std::max(m_length - m_span, 0);
    UpdateTickOrigin();
    m_cursorX = TimeToX(m_cursorTime);
    const int width = m_thumbRight - m_thumbLeft + 1;
    const int shift = int(float(t - a) / float(m_length) * float(W() + 1)) - width / 2;
    m_thumbLeft += shift;
    m_thumbRight += shift;
    ThumbInside();
    UpdateMarkerRects();
    update();
    emit timeChanged();
}

void CTimeScaleCtrl::Modified()
{
    ShowHost().SetModified(true);
}

void CTimeScaleCtrl::SetCursorFromX(int x)
{
    m_cursorX = std::max(x - m_rc.left(), m_rc.left());
    m_cursorTime = XToTime(m_cursorX);
    m_data.m_cursorTime = m_cursorTime;
    update();
    emit posChanged();
}

void CTimeScaleCtrl::mousePressEvent(QMouseEvent* event)
{
    const int x = event->pos().x();
    const int y = event->pos().y();
    if (y > kBandBottom) {
        for (CTimeMarker* marker : Markers()) {
            if (MarkerRect(marker).contains(event->pos())) {
                m_selected = marker;
                m_drag = MarkerDrag;
                update();
                ShowHost().SetDeleteTarget(kMarkerTarget);
                emit selChanged(true);
                return;
            }
        }
        if (m_selected) {
            m_selected = nullptr;
            update();
            emit selChanged(false);
        }
        m_drag = CursorDrag;
        emit posLock();
        SetCursorFromX(x);
        return;
    }
    m_drag = NoDrag;
    if (x >= m_thumbLeft && x <= m_thumbLeft + 19) {
        setCursor(Qt::SplitHCursor);
        m_drag = ThumbLeft;
    } else if (x >= m_thumbRight - 20 && x <= m_thumbRight - 1) {
        setCursor(Qt::SplitHCursor);
        m_drag = ThumbRight;
    } else if (x >= m_thumbLeft && x <= m_thumbRight) {
        setCursor(Qt::SizeHorCursor);
        m_drag = ThumbMove;
        m_pressX = x;
        m_pressThumbLeft = m_thumbLeft;
        m_pressThumbRight = m_thumbRight;
    } else {
        setCursor(Qt::ArrowCursor);
    }
}

void CTimeScaleCtrl::mouseMoveEvent(QMouseEvent* event)
{
    int x = event->pos().x();
    switch (m_drag) {
    case ThumbMove:
        m_thumbLeft = m_pressThumbLeft + x - m_pressX;
        m_thumbRight = m_pressThumbRight + x - m_pressX;
        ThumbInside();
        break;
    case ThumbLeft:
        m_thumbLeft = std::clamp(x, m_rc.left(), std::max(m_rc.left(), m_thumbRight - kMinThumb));
        break;
    case ThumbRight:
        m_thumbRight = std::clamp(x, std::min(m_thumbLeft + kMinThumb, m_rc.right()), m_rc.right());
        break;
    case CursorDrag:
        SetCursorFromX(x);
        return;
    case MarkerDrag:
        if (!m_markersReadOnly && m_selected) {
            const int t = XToTime(x);
            if (t > 0) {
                m_selected->m_time = std::min(t, m_length);
                IndexMarker(m_selected);
                PlaceMarker(m_selected, x);
                update();
                emit markerChanged();
            }
        }
        return;
    case NoDrag:
        return;
    }
    ZoomFromThumb();
    UpdateScale();
}

void CTimeScaleCtrl::mouseReleaseEvent(QMouseEvent*)
{
    if (m_drag == CursorDrag)
        emit posUnlock();
    else if (m_drag == MarkerDrag) {
        SortMarkers();
        emit endMarkerChanged();
    }
    setCursor(Qt::ArrowCursor);
    m_drag = NoDrag;
}

void CTimeScaleCtrl::resizeEvent(QResizeEvent* event)
{
    const int oldWidth = event->oldSize().width();
    m_rc = RulerRect();
    if (oldWidth > 0) {
        const float f = float(width()) / float(oldWidth);
        const int centre = int(float((m_thumbLeft + m_thumbRight) / 2) * f);
        const int half = int(float(m_thumbRight - m_thumbLeft - 59) * f) / 2;
        m_thumbLeft = centre - half - 30;
        m_thumbRight = centre + half + 30;
        ThumbInside();
    }
    m_background = QPixmap();
    UpdateScale();
    if (!m_initialised) {
        m_zoom = 100;
        ThumbRightFromZoom();
        UpdateScale();
        if (m_storedCursor > 0)
            RestoreCursor();
        else
            ResetCursor();
        m_initialised = true;
    }
}

void CTimeScaleCtrl::paintEvent(QPaintEvent*)
{
    if (m_background.size() != size()) {
        m_background = QPixmap(size());
        QPainter bg(&m_background);
        bg.drawPixmap(QRect(0, m_rc.top(), width(), 16), Picture("Background.png"));
        QLinearGradient gradient(0, m_rc.top() + 16, 0, m_rc.bottom() - 1);
        gradient.setColorAt(0, QColor(210, 210, 210));
        gradient.setColorAt(1, QColor(170, 170, 170));
        bg.fillRect(QRect(QPoint(0, m_rc.top() + 16), QPoint(width() - 1, m_rc.bottom() - 1)), gradient);
        bg.setPen(Qt::black);
        bg.drawLine(0, m_rc.bottom(), width() - 1, m_rc.bottom());
        bg.setPen(QColor(50, 50, 50));
        bg.drawLine(m_rc.left(), 0, m_rc.left(), m_rc.bottom());
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(0, 0, m_background);

    p.drawPixmap(QRect(m_thumbLeft, 0, 20, 15), Picture("CurLeft.png"));
    p.drawPixmap(QRect(QPoint(m_thumbLeft + 20, 0), QPoint(m_thumbRight - 20, kBandBottom)), Picture("CurCenter.png"));
    p.drawPixmap(QRect(m_thumbRight - 19, 0, 20, 15), Picture("CurRight.png"));

    if (m_major > 0) {
        p.setPen(Qt::black);
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(7);
        p.setFont(font);
        int x = m_rc.left() + m_firstTickX;
        for (int i = 1, mx = x - m_minor; i < m_subdivisions && mx >= m_rc.left() + 1; ++i, mx -= m_minor)
            p.drawLine(mx, m_rc.bottom() - 3, mx, m_rc.bottom());
        const int labels = (W() + 1) / m_major + 2;
        for (int n = 0, k = m_firstTick; n < labels; ++n, ++k, x += m_major) {
            p.drawText(QRect(x - m_major / 2, m_rc.top() + 15, m_major, m_rc.bottom() - 6 - (m_rc.top() + 15)),
                       Qt::AlignCenter, TickLabel(m_period, k));
            p.drawLine(x, m_rc.bottom() - 5, x, m_rc.bottom());
            for (int i = 1; i < m_subdivisions; ++i)
                p.drawLine(x + i * m_minor, m_rc.bottom() - 3, x + i * m_minor, m_rc.bottom());
        }
    }
    for (const CTimeMarker* marker : ShownMarkers()) {
        if (marker != m_selected)
            p.drawPixmap(MarkerRect(marker).topLeft(), Picture("Marker.png"));
    }
    if (m_selected && !MarkerRect(m_selected).isEmpty())
        p.drawPixmap(MarkerRect(m_selected).topLeft(), Picture("MarkerSel.png"));
    p.drawPixmap(m_cursorX - 10, m_rc.bottom() - 22, Picture("Cursor.png"));
}
