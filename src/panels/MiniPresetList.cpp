#include "panels/MiniPresetList.h"

#include "app/options/AppOptions.h"
#include "panels/PresetCtrl.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

const QPixmap& PlusPicture()
{
    static const QPixmap picture(QStringLiteral(":/Orvane/Images/Icons/Plus.png"));
    return picture;
}

QRect RowRect(int row)
{
    return QRect(0, CMiniPresetList::kRowHeight * row, CMiniPresetList::kWidth, CMiniPresetList::kRowHeight);
}

} // namespace

CMiniPresetList::CMiniPresetList(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kWidth, kRowHeight);
}

void CMiniPresetList::Add(CPresetCtrl* control)
{
    if (!control || m_controls.contains(control))
        return;
    m_controls << control;
    setFixedHeight(kRowHeight * m_controls.size());
    update();
}

void CMiniPresetList::Clear()
{
    m_controls.clear();
    setFixedHeight(kRowHeight);
    update();
}

void CMiniPresetList::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor frame(115, 115, 110);
    painter.fillRect(rect(), PanelBackground());
    painter.setPen(frame);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    for (int i = 0; i < m_controls.size(); ++i) {
        const QRect row = RowRect(i);
        painter.setPen(frame);
        painter.drawRect(row.adjusted(0, 0, -1, -1));
        painter.setPen(QColor(50, 50, 50));
        painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("   ") + m_controls[i]->Title());
        painter.drawPixmap(60, 2 + kRowHeight * i, PlusPicture());
    }
}

void CMiniPresetList::mousePressEvent(QMouseEvent* event)
{
    for (int i = 0; i < m_controls.size(); ++i) {
        if (!RowRect(i).contains(event->pos()))
            continue;
        CPresetCtrl* control = m_controls.takeAt(i);
        setFixedHeight(kRowHeight * m_controls.size());
        update();
        emit maximize(control->Id());
        return;
    }
}
