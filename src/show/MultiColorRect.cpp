#include "show/MultiColorRect.h"

#include <QPainter>

void DrawMultiColorRect(QPainter& painter, const QRect& rect, int colorCount, const QColor* colors)
{
    if (!colors || rect.isEmpty())
        return;
    const int count = qBound(1, colorCount, 4);
    const int width = rect.width();
    for (int i = 0; i < count; ++i) {
        const int left = rect.left() + width * i / count;
        const int right = rect.left() + width * (i + 1) / count; // exclusive
        painter.fillRect(QRect(left, rect.top(), right - left, rect.height()), colors[i]);
    }
}
