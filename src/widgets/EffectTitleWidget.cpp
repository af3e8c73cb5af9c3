#include "widgets/EffectTitleWidget.h"

#include <QPainter>

CEffectTitleWidget::CEffectTitleWidget(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_title(title)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void CEffectTitleWidget::SetTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    updateGeometry();
    update();
}

void CEffectTitleWidget::SetPenColor(const QColor& color)
{
    if (color == m_penColor)
        return;
    m_penColor = color;
    update();
}

QSize CEffectTitleWidget::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(m_title) + 12, metrics.height() + 4);
}

void CEffectTitleWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(m_penColor);
    painter.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_title);
}
