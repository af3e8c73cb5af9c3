#include "setup/HalfColorAutoCtrl.h"

#include "setup/HalfColorAutoList.h"
#include "setup/MultiColorCtrl.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CHalfColorAutoCtrl::CHalfColorAutoCtrl(QWidget* parent) : QWidget(parent), m_list(new CHalfColorAutoList(this))
{
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->addSpacing(16);
    column->addWidget(m_list);
    auto* row = new QHBoxLayout(this);
    row->addSpacing(16);
    row->addLayout(column);
}

void CHalfColorAutoCtrl::paintEvent(QPaintEvent*)
{
    DrawColorCtrlFrame(*this);
}
