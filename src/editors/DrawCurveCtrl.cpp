#include "editors/DrawCurveCtrl.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kWidth = 200;
constexpr int kHeight = 82;
constexpr int kTop = 4;
constexpr int kBottom = 78;
} // namespace

CDrawCurveCtrl::CDrawCurveCtrl(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kWidth, kHeight);
    Redraw();
}

int CDrawCurveCtrl::YOf(int value)
{
    const float y = float(kBottom) - float(value) * (float(kBottom - kTop) / 65535.0f);
    return std::clamp(int(y), kTop, kBottom);
}

void CDrawCurveCtrl::SetPointCount(int points)
{
    m_points = std::clamp(points, 1, kWidth);
    Redraw();
}

void CDrawCurveCtrl::SetValues(const QVector<int>& values)
{
    m_values = values;
    Redraw();
}

void CDrawCurveCtrl::Clear()
{
    m_values.clear();
    Redraw();
}

void CDrawCurveCtrl::ShowPlayLine(bool shown)
{
    if (shown == m_playShown)
        return;
    m_playShown = shown;
    update();
}

void CDrawCurveCtrl::SetPlayX(int x)
{
    if (x == m_playX)
        return;
    m_playX = x;
    if (m_playShown)
        update();
}

void CDrawCurveCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Redraw();
}

void CDrawCurveCtrl::Redraw()
{
    m_pixmap = QPixmap(size());
    QPainter painter(&m_pixmap);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0.0, QColor(100, 100, 100));
    background.setColorAt(0.5, QColor(50, 50, 50));
    background.setColorAt(1.0, QColor(100, 100, 100));
    painter.fillRect(rect(), background);

    painter.setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    const int middle = (YOf(0) + YOf(65535)) / 2;
    painter.drawLine(0, middle, width(), middle);
    for (int quarter = 1; quarter < 4; ++quarter)
        painter.drawLine(quarter * width() / 4, kTop, quarter * width() / 4, kBottom);

    const int count = std::min(m_points, int(m_values.size()));
    if (count < 2)
        return;
    painter.setPen(QColor(0, 255, 0));
    const double step = double(width()) / m_points;
    QPoint last(0, YOf(m_values.at(0)));
    for (int i = 1; i < count; ++i) {
        const QPoint next(int(i * step), YOf(m_values.at(i)));
        painter.drawLine(last, next);
        last = next;
    }
}

void CDrawCurveCtrl::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_pixmap);
    if (m_playShown) {
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(m_playX, 0, m_playX, height());
    }
    painter.setPen(QColor(115, 115, 110));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
