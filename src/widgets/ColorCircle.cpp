#include "widgets/ColorCircle.h"

#include "model/ColorMath.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

CColorCircle::CColorCircle(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize CColorCircle::sizeHint() const
{
    return QSize(140, 140);
}

QSize CColorCircle::minimumSizeHint() const
{
    return QSize(60, 60);
}

int CColorCircle::Radius() const
{
    return std::max(1, std::min(width(), height()) / 2 - 4);
}

QPoint CColorCircle::Centre() const
{
    return QPoint(width() / 2, height() / 2);
}

QColor CColorCircle::ColorAt(const QPoint& offset, int radius)
{
    const QPoint origin(0, 0);
    int hue = int(GetAngle(offset, origin) * 180 / M_PI);
    if (hue < 0)
        hue += 360;
    const int saturation = std::min(255, GetDistance(offset, origin) * 255 / std::max(1, radius));
    int r = 0, g = 0, b = 0;
    HsvToRgb(hue % 360, saturation, 255, r, g, b);
    return QColor(r, g, b);
}

QImage CColorCircle::WheelImage(int radius)
{
    radius = std::max(1, radius);
    QImage image(2 * radius + 1, 2 * radius + 1, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = -radius; y <= radius; ++y) {
        for (int x = -radius; x <= radius; ++x) {
            if (x * x + y * y > radius * radius)
                continue;
            image.setPixelColor(x + radius, y + radius, ColorAt(QPoint(x, y), radius));
        }
    }
    return image;
}

void CColorCircle::SetColor(const QColor& color, int flag)
{
    if (m_updating)
        return;
    m_updating = true;
    m_color = QColor(color.red(), color.green(), color.blue());
    emit colorSet(m_color, flag);
    m_updating = false;
    update();
}

void CColorCircle::PickAt(const QPoint& pos)
{
    SetColor(ColorAt(pos - Centre(), Radius()), 1);
}

void CColorCircle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || GetDistance(event->pos(), Centre()) > Radius()) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_dragging = true;
    PickAt(event->pos());
}

void CColorCircle::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        PickAt(event->pos());
}

void CColorCircle::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void CColorCircle::paintEvent(QPaintEvent*)
{
    const int radius = Radius();
    if (m_wheel.width() != 2 * radius + 1)
        m_wheel = WheelImage(radius);
    const QPoint centre = Centre();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(centre - QPoint(radius, radius), m_wheel);
    painter.setPen(QColor(90, 90, 90));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(centre), radius + 0.5, radius + 0.5);

    int hue = 0, saturation = 0, value = 0;
    RgbToHsv(m_color.red(), m_color.green(), m_color.blue(), hue, saturation, value);
    const QPoint cursor = GetPointOnCircle(hue, radius, saturation, centre);
    painter.setBrush(m_color);
    painter.setPen(QPen(value > 128 ? Qt::black : Qt::white, 1.5));
    painter.drawEllipse(QPointF(cursor), 5, 5);
}
