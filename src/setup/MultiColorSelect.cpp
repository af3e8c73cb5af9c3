#include "setup/MultiColorSelect.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kSquare = 24;
}

CMultiColorSelect::CMultiColorSelect(QWidget* parent) : QWidget(parent)
{
    setFixedSize(58, 58);
    PlaceSquares();
}

void CMultiColorSelect::PlaceSquares()
{
    const int right = width() - 1;
    const int bottom = height() - 1;
    m_squares[0] = QRect(0, 0, kSquare, kSquare);
    m_squares[1] = QRect(right - kSquare, 0, kSquare, kSquare);
    m_squares[2] = QRect(0, bottom - kSquare, kSquare, kSquare);
    m_squares[3] = QRect(right - kSquare, bottom - kSquare, kSquare, kSquare);
}

void CMultiColorSelect::SetColorCount(int count)
{
    m_count = count;
    if (m_current >= count)
        m_current = 0;
    update();
}

void CMultiColorSelect::OnCurrentColorChanged(const QColor& color)
{
    m_colors[m_current] = color;
    update();
    emit colorChanged(m_current, color);
}

void CMultiColorSelect::resizeEvent(QResizeEvent*)
{
    PlaceSquares();
}

void CMultiColorSelect::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QColor(115, 115, 110));
    for (int i = 0; i < m_count && i < 4; ++i) {
        painter.fillRect(m_squares[i], m_colors[i]);
        painter.drawRect(m_squares[i].adjusted(0, 0, -1, -1));
    }
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_squares[m_current].adjusted(0, 0, -1, -1));
}

void CMultiColorSelect::mousePressEvent(QMouseEvent* event)
{
    for (int i = 0; i < m_count && i < 4; ++i) {
        if (m_squares[i].contains(event->pos())) {
            m_current = i;
            update();
            return;
        }
    }
}
