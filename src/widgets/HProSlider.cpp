#include "widgets/HProSlider.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

CHProSlider::CHProSlider(const QString& title, bool master, QWidget* parent)
    : CProSlider(title, master, parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int CHProSlider::LabelWidth() const
{
    return fontMetrics().horizontalAdvance(m_title.toUpper()) + 6;
}

int CHProSlider::ValueWidth() const
{
    return fontMetrics().horizontalAdvance(QString::number(std::max(std::abs(m_min), std::abs(m_max)))) + 6;
}

QSize CHProSlider::sizeHint() const
{
    return QSize(LabelWidth() + ValueWidth() + 100, 20);
}

QSize CHProSlider::minimumSizeHint() const
{
    return QSize(LabelWidth() + ValueWidth() + 3 * kHandle, 16);
}

QRect CHProSlider::HTrackRect() const
{
    const int left = LabelWidth() + kHandle / 2;
    const int right = width() - ValueWidth() - kHandle / 2;
    return QRect(left, 0, std::max(1, right - left), height());
}

int CHProSlider::ValueAt(const QPoint& pos) const
{
    const QRect track = HTrackRect();
    return ValueAtOffset(pos.x() - track.left(), track.width() - 1);
}

void CHProSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor text = isEnabled() ? QColor(30, 30, 30) : QColor(140, 140, 140);
    QFont titleFont = font();
    titleFont.setBold(m_master);
    painter.setFont(titleFont);
    painter.setPen(text);
    painter.drawText(QRect(0, 0, LabelWidth(), height()), Qt::AlignCenter | Qt::TextSingleLine, m_title.toUpper());
    painter.setFont(font());
    const int value = ClampedValue();
    painter.drawText(QRect(width() - ValueWidth(), 0, ValueWidth(), height()), Qt::AlignCenter | Qt::TextSingleLine,
                     QString::number(value));

    const QRect track = HTrackRect();
    const int cy = height() / 2;
    const QRect groove(track.left() - 2, cy - 3, track.width() + 4, 6);
    painter.fillRect(groove, QColor(60, 60, 60));
    const int x = track.left() + Offset(value, track.width() - 1);
    painter.fillRect(QRect(groove.left() + 1, groove.top() + 1, x - groove.left(), groove.height() - 2),
                     KindColor(m_colorKind));

    const QRect handle(x - kHandle / 2, 1, kHandle, height() - 2);
    painter.fillRect(handle, isEnabled() ? HandleColor() : QColor(200, 200, 200));
    painter.setPen(QColor(70, 70, 70));
    painter.drawRect(handle.adjusted(0, 0, -1, -1));
    painter.drawLine(x, handle.top() + 2, x, handle.bottom() - 2);
}
