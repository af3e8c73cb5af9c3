#include "widgets/DirectionPad.h"

#include "widgets/Glyphs.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kCenter = 4;
}

CDirectionPad::CDirectionPad(const std::array<int, 9>& cells, const std::array<int, 9>& angles, int direction,
                             QWidget* parent)
    : QWidget(parent)
    , m_cells(cells)
    , m_angles(angles)
    , m_direction(direction)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setMinimumSize(sizeHint());
}

QSize CDirectionPad::sizeHint() const
{
    return QSize(66, 66);
}

QRect CDirectionPad::CellRect(int cell) const
{
    const int side = std::min(width(), height()) / 3;
    const int left = (width() - 3 * side) / 2;
    const int top = (height() - 3 * side) / 2;
    return QRect(left + (cell % 3) * side, top + (cell / 3) * side, side, side);
}

int CDirectionPad::CellAt(const QPoint& pos) const
{
    for (int cell = 0; cell < 9; ++cell) {
        if (CellRect(cell).contains(pos))
            return cell;
    }
    return -1;
}

int CDirectionPad::CellOf(int direction) const
{
    const auto it = std::find(m_cells.begin(), m_cells.end(), direction);
    return it == m_cells.end() ? -1 : int(it - m_cells.begin());
}

void CDirectionPad::SetDirectionValue(int direction)
{
    if (direction == m_direction)
        return;
    m_direction = direction;
    update();
}

void CDirectionPad::mousePressEvent(QMouseEvent* event)
{
    const int cell = event->button() == Qt::LeftButton ? CellAt(event->pos()) : -1;
    if (cell < 0 || m_cells[cell] < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (m_cells[cell] == m_direction)
        return;
    m_direction = m_cells[cell];
    update();
    Report(m_direction);
}

void CDirectionPad::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int lit = CellOf(m_direction);
    const QColor ink = isEnabled() ? QColor(50, 50, 50) : QColor(160, 160, 160);
    for (int cell = 0; cell < 9; ++cell) {
        if (m_cells[cell] < 0)
            continue;
        const QRect r = CellRect(cell).adjusted(1, 1, -1, -1);
        painter.fillRect(r, cell == lit ? QColor(229, 121, 72) : QColor(215, 215, 210));
        painter.setPen(QColor(120, 120, 120));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        const QColor glyph = cell == lit ? QColor(Qt::white) : ink;
        if (cell == kCenter) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(glyph);
            const double radius = r.width() * 0.15;
            painter.drawEllipse(QRectF(r).center(), radius, radius);
            painter.restore();
        } else {
            PaintArrow(painter, r, m_angles[cell], glyph);
        }
    }
}
