#include "panels/PanTiltGrid.h"

#include "Captions.h"
#include "effects/PanTiltEffect.h"
#include "effects/PanTiltShapes.h"
#include "model/Language.h"
#include "panels/DragBox.h"
#include "panels/PanTiltGridCtrl.h"
#include "show/ShowHost.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kPerUnit = double(CPanTiltGrid::kSide) / CPanTiltGrid::kRange;
constexpr double kUnitsPerPixel = double(CPanTiltGrid::kRange) / CPanTiltGrid::kSide;

int ClampUnit(double value)
{
    return int(std::clamp(value, 0.0, double(CPanTiltGrid::kRange)));
}

QRect Square(const QPoint& centre, int before, int after)
{
    return QRect(QPoint(centre.x() - before, centre.y() - before), QPoint(centre.x() + after, centre.y() + after));
}

} // namespace

CPanTiltGrid::CPanTiltGrid(CPanTiltShape& shape, QWidget* parent) : QWidget(parent), m_shape(shape)
{
    setFixedSize(kSide, kSide);
    m_background = PanTiltGridBackground(size(), false);
    const CPanTiltEffect* effect = Effect();
    // The start position counts path points; the grid shows control points.
    if (effect && effect->m_nbPtsPerCtrl > 0)
        m_start = std::clamp(effect->m_start / effect->m_nbPtsPerCtrl, 0, std::max(PointCount() - 1, 0));
    RebuildLists();
}

CPanTiltGrid::~CPanTiltGrid()
{
    if (m_cursorHidden)
        QApplication::restoreOverrideCursor();
}

CPanTiltEffect* CPanTiltGrid::Effect() const
{
    return m_shape.Effect();
}

int CPanTiltGrid::PointCount() const
{
    const CPanTiltEffect* effect = Effect();
    return effect ? int(std::min(effect->m_controlX.size(), effect->m_controlY.size())) : 0;
}

QPoint CPanTiltGrid::ToScreen(int pan, int tilt) const
{
    return QPoint(int(pan * kPerUnit), int(kSide - tilt * kPerUnit));
}

void CPanTiltGrid::RebuildLists()
{
    m_controlPts.clear();
    m_pathPts.clear();
    const CPanTiltEffect* effect = Effect();
    const int count = PointCount();
    for (int i = 0; i < count; ++i)
        m_controlPts << ToScreen(effect->m_controlX[i], effect->m_controlY[i]);
    if (effect) {
        const int path = int(std::min(effect->m_pathX.size(), effect->m_pathY.size()));
        for (int i = 0; i < path; ++i)
            m_pathPts << ToScreen(effect->m_pathX[i], effect->m_pathY[i]);
    }
    if (m_current < 0 || m_current >= count)
        m_current = 0;
    if (m_start >= count)
        m_start = 0;
    int pan = 0, tilt = 0;
    if (CurrentPosition(pan, tilt))
        SetPreviewPosition(pan, tilt);
}

void CPanTiltGrid::Rebuild(bool withBox)
{
    m_shape.Update();
    RebuildLists();
    if (withBox && m_mode == ModeMove)
        UpdateBox();
    RefreshCache();
    update();
}

bool CPanTiltGrid::CurrentPosition(int& pan, int& tilt) const
{
    if (PointCount() == 0)
        return false;
    pan = Effect()->m_controlX[m_current];
    tilt = Effect()->m_controlY[m_current];
    return true;
}

void CPanTiltGrid::SetCurrentPosition(int pan, int tilt)
{
    if (PointCount() == 0)
        return;
    Effect()->m_controlX[m_current] = std::clamp(pan, 0, kRange);
    Effect()->m_controlY[m_current] = std::clamp(tilt, 0, kRange);
    PointChanged();
}

void CPanTiltGrid::PointChanged()
{
    Rebuild(true);
    emit pointChanged();
}

void CPanTiltGrid::StartMode()
{
    if (PointCount() > 0)
        m_current = m_start;
    SetMode(ModeStart);
}

void CPanTiltGrid::SetMode(int mode)
{
    m_mode = mode;
    setMouseTracking(mode == ModeMove);
    if (mode == ModeMove)
        UpdateBox();
    else
        unsetCursor();
    RefreshCache();
    update();
}

void CPanTiltGrid::SetAnimating(bool on)
{
    m_animating = on;
    RefreshCache();
    update();
}

void CPanTiltGrid::SetPreviewPosition(int pan, int tilt)
{
    m_previewPan = pan;
    m_previewTilt = tilt;
    m_previewCursor = ToScreen(pan, tilt);
    update();
}

int CPanTiltGrid::HitPoint(const QPoint& point) const
{
    for (int i = 0; i < m_controlPts.size(); ++i) {
        if (Square(m_controlPts[i], 4, 3).contains(point))
            return i;
    }
    return -1;
}

void CPanTiltGrid::UpdateBox()
{
    m_leftmost = m_rightmost = m_topmost = m_bottommost = -1;
    if (m_controlPts.isEmpty()) {
        m_box = QRect();
        return;
    }
    m_leftmost = m_rightmost = m_topmost = m_bottommost = 0;
    for (int i = 1; i < m_controlPts.size(); ++i) {
        const QPoint& p = m_controlPts[i];
        if (p.x() < m_controlPts[m_leftmost].x())
            m_leftmost = i;
        if (p.x() > m_controlPts[m_rightmost].x())
            m_rightmost = i;
        if (p.y() < m_controlPts[m_topmost].y())
            m_topmost = i;
        if (p.y() > m_controlPts[m_bottommost].y())
            m_bottommost = i;
    }
    m_box = QRect(QPoint(m_controlPts[m_leftmost].x(), m_controlPts[m_topmost].y()),
                  QPoint(m_controlPts[m_rightmost].x(), m_controlPts[m_bottommost].y()));
}

void CPanTiltGrid::ScaleAxis(bool horizontal, int extremeIndex, int movedIndex, int newEdge)
{
    CPanTiltEffect* effect = Effect();
    QVector<int>& values = horizontal ? effect->m_controlX : effect->m_controlY;
    const int extreme = values[extremeIndex];
    const auto toUnits = [horizontal](int pixel) {
        return horizontal ? pixel * kUnitsPerPixel : kRange - pixel * kUnitsPerPixel;
    };
    const double oldExtent = values[movedIndex] - extreme;
    const double newExtent = toUnits(newEdge) - extreme;
    // A figure flat along this axis has nothing to scale.
    if (oldExtent == 0.0)
        return;
    for (int i = 0; i < PointCount(); ++i) {
        if (i != extremeIndex)
            values[i] = ClampUnit(extreme + (values[i] - extreme) * (newExtent / oldExtent));
    }
}

void CPanTiltGrid::MoveFigure(const QPoint& delta)
{
    const QRect moved = DragBox::MoveInside(m_box, delta, rect());
    const int dx = moved.left() - m_box.left();
    const int dy = moved.top() - m_box.top();
    CPanTiltEffect* effect = Effect();
    for (int i = 0; i < PointCount(); ++i) {
        effect->m_controlX[i] = ClampUnit(effect->m_controlX[i] + dx * kUnitsPerPixel);
        effect->m_controlY[i] = ClampUnit(effect->m_controlY[i] - dy * kUnitsPerPixel);
    }
}

void CPanTiltGrid::DragHandle(const QPoint& point)
{
    if (PointCount() == 0 || m_grabbed == DragBox::None)
        return;
    if (m_grabbed == DragBox::Inside) {
        MoveFigure(point - m_lastDrag);
    } else {
        const QRect old = m_box;
        const QRect box = DragBox::DragEdges(old, m_grabbed, point);
        // Each axis scales about the point at the edge that stays.
        if (box.left() != old.left())
            ScaleAxis(true, m_rightmost, m_leftmost, box.left());
        if (box.right() != old.right())
            ScaleAxis(true, m_leftmost, m_rightmost, box.right());
        if (box.top() != old.top())
            ScaleAxis(false, m_bottommost, m_topmost, box.top());
        if (box.bottom() != old.bottom())
            ScaleAxis(false, m_topmost, m_bottommost, box.bottom());
    }
    Rebuild(true);
    emit pointChanged();
}

void CPanTiltGrid::TrackTo(QPoint point)
{
    int pan = 0, tilt = 0;
    if (!CurrentPosition(pan, tilt))
        return;
    if (WrapAtEdges(point, m_reference, rect(), pan, tilt)) {
        MovePointer(mapToGlobal(point));
        m_warped = true;
    }
    const double fx = (point.x() - m_reference.x()) * m_speed + m_press.x();
    const double fy = (point.y() - m_reference.y()) * m_speed + m_press.y();
    SetCurrentPosition(ClampUnit(kUnitsPerPixel * fx), kRange - ClampUnit(kUnitsPerPixel * fy));
}

void CPanTiltGrid::EndDrag()
{
    if (m_cursorHidden) {
        m_cursorHidden = false;
        QApplication::restoreOverrideCursor();
    }
}

void CPanTiltGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->pos();
    CPanTiltEffect* effect = Effect();
    switch (m_mode) {
    case ModeDefault:
    case ModeStart: {
        const int hit = HitPoint(p);
        if (hit < 0)
            return;
        m_current = hit;
        SetPreviewPosition(effect->m_controlX[hit], effect->m_controlY[hit]);
        if (m_mode == ModeStart)
            m_start = hit;
        RefreshCache();
        update();
        emit pointChanged();
        if (m_mode == ModeStart)
            return;
        m_press = m_reference = p;
        m_pressed = true;
        m_warped = false;
        if (!m_cursorHidden) {
            QApplication::setOverrideCursor(Qt::BlankCursor);
            m_cursorHidden = true;
        }
        return;
    }
    case ModeAdd: {
        if (!effect)
            return;
        const int index = m_shape.InsertPoint(int(p.x() * kUnitsPerPixel), kRange - int(p.y() * kUnitsPerPixel));
        if (index < 0)
            return;
        m_current = index;
        PointChanged();
        return;
    }
    case ModeRemove: {
        const int hit = HitPoint(p);
        if (hit < 0)
            return;
        if (PointCount() < 3) {
            ShowHost().ShowInformation(GetLangText(Txt::PanTiltTitle), GetLangText(Txt::KeepTwoPoints));
            return;
        }
        m_current = m_shape.RemovePoint(hit);
        if (m_start >= PointCount())
            m_start = 0;
        PointChanged();
        return;
    }
    case ModeMove:
        m_lastDrag = QPoint(std::clamp(p.x(), 0, width() - 1), std::clamp(p.y(), 0, height() - 1));
        m_grabbed = DragBox::HitHandle(m_box, m_lastDrag);
        m_pressed = true;
        return;
    default:
        return;
    }
}

void CPanTiltGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (m_mode == ModeMove) {
        if (!m_pressed) {
            m_grabbed = DragBox::HitHandle(m_box, event->pos());
            setCursor(DragBox::CursorFor(m_grabbed));
            return;
        }
        const QPoint p(std::clamp(event->pos().x(), 0, width() - 1), std::clamp(event->pos().y(), 0, height() - 1));
        DragHandle(p);
        m_lastDrag = p;
        return;
    }
    if (m_mode != ModeDefault || !m_pressed)
        return;
    // The move the wrap itself caused.
    if (m_warped) {
        m_warped = false;
        return;
    }
    TrackTo(event->pos());
}

void CPanTiltGrid::mouseReleaseEvent(QMouseEvent*)
{
    if (m_mode == ModeDefault && m_pressed && PointCount() > 0)
        MovePointer(mapToGlobal(m_controlPts.value(m_current)));
    EndDrag();
    m_pressed = false;
}

void CPanTiltGrid::DrawContents(QPainter& painter) const
{
    painter.drawPixmap(0, 0, m_background);
    if (m_mode == ModeMove && !m_box.isNull()) {
        painter.setPen(QPen(QColor(0, 90, 160), 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_box);
    }
    if (!m_pathPts.isEmpty()) {
        painter.setPen(QColor(100, 100, 100));
        painter.drawPolygon(m_pathPts.constData(), m_pathPts.size());
        for (const QPoint& p : m_pathPts)
            painter.fillRect(Square(p, 2, 1), QColor(138, 168, 228));
    }
    for (const QPoint& p : m_controlPts)
        painter.fillRect(Square(p, 4, 3), QColor(247, 182, 131));
    if (!m_controlPts.isEmpty()) {
        static const QImage cursor(QStringLiteral(":/Orvane/Images/Icons/Cursor.png"));
        static const QImage start(QStringLiteral(":/Orvane/Images/Icons/StartCursor.png"));
        const QPoint& p = m_controlPts.value(m_current);
        painter.drawImage(p.x() - 8, p.y() - 8, m_mode == ModeStart ? start : cursor);
    }
}

void CPanTiltGrid::RefreshCache()
{
    if (!m_animating) {
        m_cache = QPixmap();
        return;
    }
    m_cache = QPixmap(size());
    QPainter painter(&m_cache);
    DrawContents(painter);
}

void CPanTiltGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_animating || m_cache.isNull()) {
        DrawContents(painter);
        return;
    }
    painter.drawPixmap(0, 0, m_cache);
    painter.setPen(QColor(100, 100, 100));
    painter.setBrush(QColor(240, 20, 20));
    painter.drawRect(Square(m_previewCursor, 4, 3).adjusted(0, 0, -1, -1));
}
