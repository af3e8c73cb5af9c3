#include "panels/PanTiltGridCtrl.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

void MoveSystemPointer(const QPoint& global)
{
    QCursor::setPos(global);
}

PointerMover g_mover = &MoveSystemPointer;

} // namespace

QPixmap PanTiltGridBackground(const QSize& size, bool small)
{
    const int divisions = small ? 21 : 51;
    const int cellW = size.width() / divisions;
    const int cellH = size.height() / divisions;
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setPen(QColor(200, 200, 200));
    for (int i = 1; i < divisions; ++i) {
        painter.drawLine(i * cellW, 0, i * cellW, size.height() - 1);
        painter.drawLine(0, i * cellH, size.width() - 1, i * cellH);
    }
    painter.setPen(QPen(QColor(115, 115, 110), small ? 1 : 2));
    const int cx = (divisions / 2) * cellW + 3;
    const int cy = (divisions / 2) * cellH + 3;
    painter.drawLine(cx, 0, cx, size.height() - 1);
    painter.drawLine(0, cy, size.width() - 1, cy);
    painter.setPen(QColor(115, 115, 110));
    const QRect border(QPoint(0, 0), size);
    painter.drawRect(small ? border.adjusted(0, 0, -2, -2) : border.adjusted(0, 0, -1, -1));
    return pixmap;
}

void SetPointerMover(PointerMover mover)
{
    g_mover = mover ? mover : &MoveSystemPointer;
}

void MovePointer(const QPoint& global)
{
    g_mover(global);
}

bool WrapAtEdges(QPoint& point, QPointF& reference, const QRect& r, int pan, int tilt)
{
    bool wrapped = false;
    if (point.x() >= r.right()) {
        if (pan < CPanTiltGridCtrl::kRange) {
            point.rx() += r.left() - r.right() - 1;
            reference.rx() += r.left() - r.right() - 1;
            wrapped = true;
        } else {
            point.setX(r.right());
        }
    } else if (point.x() <= r.left()) {
        if (pan >= 1) {
            point.setX(r.right() + 1 + (point.x() - r.left()));
            reference.rx() += r.right() - r.left() + 1;
            wrapped = true;
        } else {
            point.setX(r.left());
        }
    }
    if (point.y() >= r.bottom()) {
        if (tilt >= 1) {
            point.ry() += r.top() - r.bottom() - 1;
            reference.ry() += r.top() - r.bottom() - 1;
            wrapped = true;
        } else {
            point.setY(r.bottom());
        }
    } else if (point.y() <= r.top()) {
        if (tilt < CPanTiltGridCtrl::kRange) {
            point.setY(r.bottom() + 1 + (point.y() - r.top()));
            reference.ry() += r.bottom() - r.top() + 1;
            wrapped = true;
        } else {
            point.setY(r.top());
        }
    }
    return wrapped;
}

CPanTiltGridCtrl::CPanTiltGridCtrl(double speed, QWidget* parent) : QWidget(parent), m_speed(speed)
{
    SetSmall(false);
}

CPanTiltGridCtrl::~CPanTiltGridCtrl()
{
    // Dropped in the middle of a drag (a rebuild of the panel): the pointer
    // must not stay hidden.
    if (m_dragging)
        QApplication::restoreOverrideCursor();
}

void CPanTiltGridCtrl::SetSmall(bool small)
{
    m_small = small;
    const int side = small ? 127 : 256;
    setFixedSize(side, side);
    m_background = PanTiltGridBackground(QSize(side, side), small);
    PlaceCursor();
    update();
}

void CPanTiltGridCtrl::SetPosition16(int pan, int tilt)
{
    m_pan = m_panLocked ? 0 : std::clamp(pan, 0, kRange);
    m_tilt = m_tiltLocked ? 0 : std::clamp(tilt, 0, kRange);
    PlaceCursor();
    update();
}

void CPanTiltGridCtrl::LockPan(bool on)
{
    m_panLocked = on;
    SetPosition16(m_pan, m_tilt);
}

void CPanTiltGridCtrl::LockTilt(bool on)
{
    m_tiltLocked = on;
    SetPosition16(m_pan, m_tilt);
}

void CPanTiltGridCtrl::PlaceCursor()
{
    const double perUnitX = double(width()) / kRange;
    const double perUnitY = double(height()) / kRange;
    m_cursor = QPoint(int(m_pan * perUnitX), int(height() - m_tilt * perUnitY));
}

void CPanTiltGridCtrl::TrackTo(QPoint point)
{
    if (WrapAtEdges(point, m_reference, m_dragRect, m_pan, m_tilt)) {
        MovePointer(mapToGlobal(point));
        m_warped = true;
    }
    double fx = (point.x() - m_reference.x()) * m_speed + m_press.x();
    double fy = (point.y() - m_reference.y()) * m_speed + m_press.y();
    if (m_offsetDrag) {
        fx += m_offset.x();
        fy += m_offset.y();
    }
    const double unitsX = double(kRange) / width();
    const double unitsY = double(kRange) / height();
    const int pan = int(std::clamp(unitsX * fx, 0.0, double(kRange)));
    const int tilt = kRange - int(std::clamp(unitsY * fy, 0.0, double(kRange)));
    SetPosition16(pan, tilt);
    emit moved(m_pan, m_tilt);
}

void CPanTiltGridCtrl::EndDrag()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    m_offsetDrag = false;
    MovePointer(mapToGlobal(m_cursor));
    QApplication::restoreOverrideCursor();
}

void CPanTiltGridCtrl::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->pos();
    // A left press moves the cursor from where it stands; a right press
    // makes it jump under the pointer.
    m_offsetDrag = event->button() != Qt::RightButton;
    m_offset = m_offsetDrag ? QPointF(m_cursor.x() - p.x() + 1, m_cursor.y() - p.y() + 1) : QPointF();
    m_reference = m_press = p;
    m_dragRect = rect();
    if (!m_dragging)
        QApplication::setOverrideCursor(Qt::BlankCursor);
    m_dragging = true;
    m_warped = false;
    TrackTo(p);
}

void CPanTiltGridCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    if (m_warped) {
        m_warped = false;
        return;
    }
    TrackTo(event->pos());
}

void CPanTiltGridCtrl::mouseReleaseEvent(QMouseEvent*)
{
    EndDrag();
}

void CPanTiltGridCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
    static const QImage cursor(QStringLiteral(":/Orvane/Images/Icons/Cursor.png"));
    painter.drawImage(m_cursor.x() - 8, m_cursor.y() - 8, cursor);
}
