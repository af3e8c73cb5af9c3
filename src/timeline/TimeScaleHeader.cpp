#include "timeline/TimeScaleHeader.h"

#include "timeline/TimeScaleCtrl.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

QPixmap Picture(const char* name)
{
    return QPixmap(QStringLiteral(":/Orvane/Images/TimeLine/") + QLatin1String(name));
}

} // namespace

CTimeScaleHeader::CTimeScaleHeader(CTimeScaleCtrl& ruler, QWidget* parent)
    : QWidget(parent)
    , m_ruler(ruler)
{
    setFixedSize(200, CTimeScaleCtrl::kHeight);
}

void CTimeScaleHeader::SetValue(int value)
{
    const QRect track = Track();
    m_value = std::clamp(value, 0, 100);
    m_sliderX = std::clamp(m_value * (track.right() - track.left() + 1) / 100 + track.left(), track.left(), track.right());
    update();
}

void CTimeScaleHeader::ValueFromX(int x)
{
    const QRect track = Track();
    x = std::clamp(x, track.left(), track.right());
    m_value = x == track.right() ? 100 : (x - track.left()) * 100 / (track.right() - track.left() + 1);
    m_sliderX = x;
    emit zoomChanged(m_value);
    update();
}

void CTimeScaleHeader::mousePressEvent(QMouseEvent* event)
{
    if (ZoomInRect().contains(event->pos())) {
        m_zoomInPressed = true;
        emit zoomChanged(std::min(m_ruler.Zoom() + 1, 100));
    } else if (ZoomOutRect().contains(event->pos())) {
        m_zoomOutPressed = true;
        emit zoomChanged(std::max(m_ruler.Zoom() - 1, 0));
    } else {
        m_dragging = true;
        ValueFromX(event->pos().x());
    }
    update();
}

void CTimeScaleHeader::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        ValueFromX(event->pos().x());
}

void CTimeScaleHeader::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
    m_zoomInPressed = m_zoomOutPressed = false;
    update();
}

void CTimeScaleHeader::paintEvent(QPaintEvent*)
{
    static const QPixmap pictures[] = {Picture("ZoomIn.png"),     Picture("ZoomInPressed.png"),
                                       Picture("ZoomOut.png"),    Picture("ZoomOutPressed.png"),
                                       Picture("SliderLeft.png"), Picture("SliderRight.png"),
                                       Picture("SliderCenter.png"), Picture("Cursor.png")};
    const QRect r = rect();
    QPainter p(this);
    p.fillRect(r, QColor(180, 180, 180));
    p.drawPixmap(ZoomInRect(), pictures[m_zoomInPressed ? 1 : 0]);
    p.drawPixmap(ZoomOutRect(), pictures[m_zoomOutPressed ? 3 : 2]);
    p.setPen(QColor(50, 50, 50));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const int y = r.top() + (r.bottom() - r.top() - 19) / 2;
    p.drawPixmap(r.left() + 40, y, pictures[4]);
    p.drawPixmap(r.right() - 60, y, pictures[5]);
    p.drawPixmap(QRect(r.left() + 60, y, std::max(r.right() - r.left() - 119, 0), 20), pictures[6]);
    p.drawPixmap(m_sliderX - 5, y, pictures[7]);
}
