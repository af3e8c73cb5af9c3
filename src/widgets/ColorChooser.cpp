#include "widgets/ColorChooser.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kSwatch = 22;
constexpr int kGap = 4;
} // namespace

CColorChooser::CColorChooser(int swatches, int inUse, QWidget* parent)
    : QWidget(parent)
    , m_nbColors(0)
{
    for (int i = 0; i < std::max(0, swatches); ++i)
        m_colors.append(CRgbwColor());
    SetNbColors(inUse);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setMinimumSize(sizeHint());
}

void CColorChooser::SetNbColors(int n)
{
    m_nbColors = std::max(0, n);
    m_selected.erase(std::remove_if(m_selected.begin(), m_selected.end(), [n](int i) { return i >= n; }),
                     m_selected.end());
    update();
}

CRgbwColor CColorChooser::GetColor(int index) const
{
    if (index < 0 || index >= m_colors.size())
        return CRgbwColor();
    return m_colors[index];
}

QRect CColorChooser::SwatchRect(int index) const
{
    return QRect(kGap + index * (kSwatch + kGap), kGap, kSwatch, kSwatch);
}

int CColorChooser::SwatchAt(const QPoint& pos) const
{
    for (int i = 0; i < m_colors.size(); ++i) {
        if (SwatchRect(i).contains(pos))
            return i;
    }
    return -1;
}

QSize CColorChooser::sizeHint() const
{
    return QSize(kGap + int(m_colors.size()) * (kSwatch + kGap), kSwatch + 2 * kGap);
}

void CColorChooser::mousePressEvent(QMouseEvent* event)
{
    const int i = event->button() == Qt::LeftButton ? SwatchAt(event->pos()) : -1;
    if (i < 0 || i >= m_nbColors) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (event->modifiers() & Qt::ControlModifier) {
        if (m_selected.contains(i))
            m_selected.removeAll(i);
        else
            m_selected.append(i);
    } else {
        m_selected = {i};
    }
    update();
    emit selChanged(i);
}

void CColorChooser::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < m_colors.size(); ++i) {
        const QRect r = SwatchRect(i);
        if (i < m_nbColors) {
            const CRgbwColor& c = m_colors[i];
            // The white level lightens the swatch as a white emitter would.
            painter.fillRect(r, QColor(std::min(255, c.r + c.w), std::min(255, c.g + c.w), std::min(255, c.b + c.w)));
        } else {
            painter.fillRect(r, QBrush(QColor(190, 190, 190), Qt::BDiagPattern));
        }
        painter.setPen(QColor(60, 60, 60));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        if (m_selected.contains(i)) {
            painter.setPen(QPen(QColor(229, 121, 72), 2));
            painter.drawRect(r.adjusted(-1, -1, 0, 0));
        }
    }
}
