#include "widgets/TimeWidget.h"

#include <QPainter>

CTimeWidget::CTimeWidget(int ms, QWidget* parent)
    : QWidget(parent)
    , m_ms(ms)
{
}

QString CTimeWidget::ClockText(int ms)
{
    if (ms < 0)
        ms = 0;
    const int minutes = ms / 60000;
    const int seconds = ms / 1000 % 60;
    const int hundredths = ms % 1000 / 10;
    return QStringLiteral("%1:%2.%3")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'))
        .arg(hundredths, 2, 10, QLatin1Char('0'));
}

void CTimeWidget::SetTime(int ms)
{
    if (ms == m_ms)
        return;
    m_ms = ms;
    update();
}

void CTimeWidget::SetPenColor(const QColor& color)
{
    if (color == m_penColor)
        return;
    m_penColor = color;
    update();
}

QSize CTimeWidget::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(QStringLiteral("00:00.00")) + 8, metrics.height());
}

void CTimeWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(m_penColor);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, Text());
}
