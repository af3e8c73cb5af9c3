#include "setup/ArrowWnd.h"

#include <QPainter>

CArrowWnd::CArrowWnd(QWidget* parent) : QWidget(parent)
{
    setFixedWidth(40);
}

void CArrowWnd::paintEvent(QPaintEvent*)
{
    static const QPixmap top(QStringLiteral(":/Orvane/Images/Patch/VArrowTop.png"));
    static const QPixmap middle(QStringLiteral(":/Orvane/Images/Patch/VArrowMid.png"));
    static const QPixmap bottom(QStringLiteral(":/Orvane/Images/Patch/VArrowBot.png"));
    QPainter painter(this);
    const int w = top.width();
    const int x = (width() - w) / 2;
    painter.drawPixmap(QRect(x, 0, w, top.height()), top);
    painter.drawPixmap(QRect(x, top.height(), w, height() - top.height() - bottom.height()), middle);
    painter.drawPixmap(QRect(x, height() - bottom.height(), w, bottom.height()), bottom);
}
