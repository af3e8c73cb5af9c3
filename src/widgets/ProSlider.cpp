#include "widgets/ProSlider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kLabelHeight = 14;
}

CProSlider::CProSlider(const QString& title, bool master, QWidget* parent)
    : QWidget(parent)
    , m_title(title)
    , m_master(master)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void CProSlider::SetTitle(const QString& title)
{
    m_title = title;
    update();
}

void CProSlider::UpdateCursor()
{
    update();
}

QColor CProSlider::KindColor(int kind)
{
    switch (kind) {
    case 1: return QColor(230, 40, 40);
    case 2: return QColor(40, 200, 40);
    case 3: return QColor(50, 90, 240);
    case 4: return QColor(0, 220, 230);
    case 5: return QColor(230, 0, 230);
    case 6: return QColor(240, 230, 0);
    case 7: return QColor(250, 250, 250);
    default: return QColor(150, 150, 150);
    }
}

QSize CProSlider::sizeHint() const
{
    return QSize(std::max(30, fontMetrics().horizontalAdvance(m_title.toUpper()) + 6), 150);
}

QSize CProSlider::minimumSizeHint() const
{
    return QSize(24, 2 * kLabelHeight + 3 * kHandle);
}

int CProSlider::ClampedValue() const
{
    return m_max > m_min ? std::clamp(m_value, m_min, m_max) : m_min;
}

int CProSlider::Offset(int v, int length) const
{
    if (m_max <= m_min || length <= 0)
        return 0;
    return int((qint64(v) - m_min) * length / (qint64(m_max) - m_min));
}

int CProSlider::ValueAtOffset(int offset, int length) const
{
    if (m_max <= m_min || length <= 0)
        return m_min;
    const qint64 span = qint64(m_max) - m_min;
    // Rounded so that each value owns the pixels nearest to it.
    const qint64 v = m_min + (qint64(std::clamp(offset, 0, length)) * span * 2 + length) / (2 * qint64(length));
    return int(std::clamp<qint64>(v, m_min, m_max));
}

QRect CProSlider::TrackRect() const
{
    // The handle centre runs between top and bottom of this rectangle.
    return QRect(0, kLabelHeight + kHandle / 2, width(), std::max(1, height() - 2 * kLabelHeight - kHandle));
}

int CProSlider::ValueAt(const QPoint& pos) const
{
    const QRect track = TrackRect();
    return ValueAtOffset(track.bottom() - pos.y(), track.height() - 1);
}

QColor CProSlider::HandleColor() const
{
    return m_master ? QColor(229, 121, 72) : QColor(215, 215, 210);
}

void CProSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_dragging = true;
    m_value = ValueAt(event->pos());
    update();
    emit sliderMoved(m_value);
}

void CProSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    const int v = ValueAt(event->pos());
    if (v == m_value)
        return;
    m_value = v;
    update();
    emit sliderMoved(v);
}

void CProSlider::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void CProSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor text = isEnabled() ? QColor(30, 30, 30) : QColor(140, 140, 140);
    QFont titleFont = font();
    titleFont.setBold(m_master);
    painter.setFont(titleFont);
    painter.setPen(text);
    painter.drawText(QRect(0, 0, width(), kLabelHeight), Qt::AlignCenter | Qt::TextSingleLine, m_title.toUpper());
    painter.setFont(font());
    const int value = ClampedValue();
    painter.drawText(QRect(0, height() - kLabelHeight, width(), kLabelHeight), Qt::AlignCenter | Qt::TextSingleLine,
                     QString::number(value));

    const QRect track = TrackRect();
    const int cx = width() / 2;
    const QRect groove(cx - 3, track.top() - 2, 6, track.height() + 4);
    painter.fillRect(groove, QColor(60, 60, 60));
    const int y = track.bottom() - Offset(value, track.height() - 1);
    painter.fillRect(QRect(groove.left() + 1, y, groove.width() - 2, groove.bottom() - y), KindColor(m_colorKind));

    const QRect handle(2, y - kHandle / 2, width() - 4, kHandle);
    painter.fillRect(handle, isEnabled() ? HandleColor() : QColor(200, 200, 200));
    painter.setPen(QColor(70, 70, 70));
    painter.drawRect(handle.adjusted(0, 0, -1, -1));
    painter.drawLine(handle.left() + 2, y, handle.right() - 2, y);
}
