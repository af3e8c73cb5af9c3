#include "widgets/TBToolButtonStyle.h"

#include <QWidget>

CTBToolButtonStyle::CTBToolButtonStyle(QWidget* button)
{
    if (!button)
        return;
    setParent(button);
    button->setStyle(this);
}

int CTBToolButtonStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical)
        return 1;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void CTBToolButtonStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                       const QWidget* widget) const
{
    if (element == PE_FrameFocusRect)
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}
