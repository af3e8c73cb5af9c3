#include "setup/MultiColorCtrl.h"

#include "setup/MultiColorList.h"
#include "setup/MultiColorSelect.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

void DrawColorCtrlFrame(QWidget& widget)
{
    QPainter painter(&widget);
    painter.setPen(QColor(115, 115, 110));
    painter.drawRect(0, 0, widget.width() - 2, widget.height() - 2);
}

CMultiColorCtrl::CMultiColorCtrl(QWidget* parent)
    : QWidget(parent), m_list(new CMultiColorList(this)), m_combo(new QComboBox(this)),
      m_select(new CMultiColorSelect(this))
{
    for (int n = 2; n <= 4; ++n)
        m_combo->addItem(QStringLiteral("%1").arg(n));
    m_combo->setCurrentIndex(0);
    connect(m_combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CMultiColorCtrl::OnNbColorsChanged);
    connect(m_select, &CMultiColorSelect::colorChanged, m_list, &CMultiColorList::OnColorChanged);
    connect(m_list, &CMultiColorList::currentColorChanged, m_select, &CMultiColorSelect::OnCurrentColorChanged);

    auto* first = new QHBoxLayout;
    first->setContentsMargins(0, 0, 0, 0);
    first->addSpacing(16);
    first->addWidget(m_list);
    auto* second = new QHBoxLayout;
    second->setContentsMargins(0, 0, 0, 0);
    second->addWidget(m_select);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(first);
    column->addWidget(m_combo);
    column->addLayout(second);
    auto* row = new QHBoxLayout(this);
    row->addLayout(column);
}

void CMultiColorCtrl::OnNbColorsChanged(int index)
{
    if (index < 0)
        return;
    m_list->SetColorCount(index + 2);
    m_select->SetColorCount(index + 2);
}

void CMultiColorCtrl::paintEvent(QPaintEvent*)
{
    DrawColorCtrlFrame(*this);
}
