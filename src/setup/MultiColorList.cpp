#include "setup/MultiColorList.h"

#include "setup/OneItemList.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/MultiColorRect.h"

#include <QPainter>

CMultiColorList::CMultiColorList(QWidget* parent) : CPresetsList(kOneItemEdge, parent)
{
    SPresetPayload preset;
    preset.type = 2;
    preset.name = QStringLiteral("Half color");
    AppendItem(preset, QIcon())->setToolTip(GetLangText(Txt::HalfColor));
    StyleOneItemList(*this);
    SetColorCount(m_count);
    for (int i = 0; i < 4; ++i)
        item(0)->setData(FirstColorRole + i, int(m_colors[i].rgba()));
}

void CMultiColorList::SetColorCount(int count)
{
    m_count = count;
    item(0)->setData(CountRole, count);
    Redraw();
}

void CMultiColorList::OnColorChanged(int index, const QColor& color)
{
    if (index < 0 || index > 3)
        return;
    m_colors[index] = color;
    item(0)->setData(FirstColorRole + index, int(color.rgba()));
    Redraw();
}

void CMultiColorList::Redraw()
{
    QPixmap picture(kOneItemEdge, kOneItemEdge);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    DrawMultiColorRect(painter, QRect(0, 0, kOneItemEdge, kOneItemEdge), m_count, m_colors);
    painter.end();
    item(0)->setData(PictureRole, picture);
    item(0)->setIcon(QIcon(picture));
}

void CMultiColorList::startDrag(Qt::DropActions)
{
    if (const QListWidgetItem* current = currentItem()) {
        const QPixmap picture = current->data(PictureRole).value<QPixmap>();
        RunDrag(current, picture, QPoint(picture.width() / 2, picture.height() / 2));
    }
}
