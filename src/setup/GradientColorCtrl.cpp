#include "setup/GradientColorCtrl.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor kOutline(115, 115, 110);
constexpr int kSwatch = 24;

QColor Opaque(const QColor& color, Qt::GlobalColor fallback)
{
    return color.isValid() ? QColor(color.red(), color.green(), color.blue()) : QColor(fallback);
}

} // namespace

CGradientColorCtrl::CGradientColorCtrl(const QColor& start, const QColor& end, QWidget* parent)
    : QWidget(parent), m_colors{Opaque(start, Qt::black), Opaque(end, Qt::white)}
{
    UpdateLayout();
}

void CGradientColorCtrl::SetColor(const QColor& color)
{
    if (!color.isValid())
        return;
    m_colors[m_selected] = Opaque(color, Qt::black);
    update();
}

void CGradientColorCtrl::UpdateLayout()
{
    const int w = width() - 1;
    const int h = height() - 1;
    const int x = (w - (kSwatch - 1)) / 2;
    m_swatches[End] = QRect(QPoint(x, 10), QPoint(x + kSwatch - 1, 33));
    m_bar = QRect(QPoint(x, 38), QPoint(x + kSwatch - 1, h - 38));
    m_swatches[Start] = QRect(QPoint(x, h - 33), QPoint(x + kSwatch - 1, h - 10));
}

void CGradientColorCtrl::resizeEvent(QResizeEvent*)
{
    UpdateLayout();
}

void CGradientColorCtrl::mousePressEvent(QMouseEvent* event)
{
    for (int swatch : {Start, End}) {
        if (swatch != m_selected && m_swatches[swatch].contains(event->pos())) {
            m_selected = swatch;
            emit selChanged(m_colors[swatch]);
            update();
            return;
        }
    }
}

void CGradientColorCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(kOutline);
    for (int swatch : {Start, End}) {
        painter.setBrush(m_colors[swatch]);
        painter.drawRect(m_swatches[swatch]);
    }
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_bar.isValid()) {
        QLinearGradient gradient(m_bar.topLeft(), m_bar.bottomRight());
        gradient.setColorAt(0, m_colors[End]);
        gradient.setColorAt(1, m_colors[Start]);
        painter.setBrush(gradient);
        painter.drawRect(m_bar);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawRect(m_swatches[m_selected]);
}
