#include "setup/ColorTab.h"

#include "setup/HalfColorAutoCtrl.h"
#include "setup/HalfColorAutoList.h"
#include "setup/MultiColorCtrl.h"
#include "setup/MultiColorList.h"
#include "widgets/ColorPicker.h"
#include "widgets/TitleWnd.h"

#include "Captions.h"
#include "model/Language.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

QVBoxLayout* TitledColumn(int title, QWidget* control, QWidget* parent)
{
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(new CTitleWnd(GetLangText(title), parent));
    column->addWidget(control);
    return column;
}

} // namespace

CColorTab::CColorTab(QWidget* parent)
    : CPresetTab(parent), m_picker(new CColorPicker(1, this)), m_halfColor(new CMultiColorCtrl(this)),
      m_halfColorAuto(new CHalfColorAutoCtrl(this))
{
    connect(m_halfColor->List(), &QListWidget::itemClicked, this, &CColorTab::OnHalfColorSelChanged);
    connect(m_halfColorAuto->List(), &QListWidget::itemClicked, this, &CColorTab::OnHalfColorAutoSelChanged);
    connect(m_picker, &CColorPicker::colorChanged, this, &CColorTab::OnColorChanged);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addLayout(TitledColumn(Txt::HalfColor, m_halfColor, this));
    row->addLayout(TitledColumn(Txt::HalfColorAuto, m_halfColorAuto, this));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(m_picker);
    column->addLayout(row);
}

void CColorTab::OnHalfColorSelChanged(QListWidgetItem* item)
{
    m_current = m_halfColor->List();
    m_halfColorAuto->List()->clearSelection();
    emit selChanged(item != nullptr);
}

void CColorTab::OnHalfColorAutoSelChanged(QListWidgetItem* item)
{
    m_current = nullptr;
    m_halfColor->List()->clearSelection();
    emit selChanged(item != nullptr);
}

void CColorTab::OnColorChanged(uchar red, uchar green, uchar blue)
{
    if (m_current)
        emit m_halfColor->List()->currentColorChanged(QColor(red, green, blue));
}
