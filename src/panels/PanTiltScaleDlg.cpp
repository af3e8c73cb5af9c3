#include "panels/PanTiltScaleDlg.h"

#include "Captions.h"
#include "model/Language.h"
#include "panels/DragBox.h"
#include "panels/PanTiltGridCtrl.h"
#include "widgets/SliderCtrl.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <algorithm>

CPanTiltScaleGrid::CPanTiltScaleGrid(QWidget* parent)
    : QWidget(parent), m_rect(QPoint(79, 79), QPoint(178, 178)),
      m_background(PanTiltGridBackground(QSize(kSide, kSide), false))
{
    setFixedSize(kSide, kSide);
    setMouseTracking(true);
}

void CPanTiltScaleGrid::SetRect(int offsetX, int offsetY, int widthPercent, int heightPercent)
{
    const int half = kSide / 2;
    const int w = std::clamp(widthPercent, 1, kSide);
    const int h = std::clamp(heightPercent, 1, kSide);
    const int cx = half * std::clamp(offsetX, -255, 255) / 255;
    const int cy = half * std::clamp(offsetY, -255, 255) / 255;
    int left = std::max(cx - w / 2 + half, 0);
    int top = std::max(half - cy - h / 2, 0);
    if (left + w > kSide)
        left = kSide - w;
    if (top + h > kSide)
        top = kSide - h;
    m_rect = QRect(left, top, w, h);
    update();
}

void CPanTiltScaleGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->pos();
    m_lastDrag = QPoint(p.x(), std::clamp(p.y(), m_rect.top(), m_rect.bottom()));
    m_grabbed = DragBox::HitHandle(m_rect, p);
    m_pressed = true;
}

void CPanTiltScaleGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed) {
        m_grabbed = DragBox::HitHandle(m_rect, event->pos());
        setCursor(DragBox::CursorFor(m_grabbed));
        return;
    }
    const QPoint p(std::clamp(event->pos().x(), 0, kSide - 1), std::clamp(event->pos().y(), 0, kSide - 1));
    if (m_grabbed == DragBox::Inside)
        m_rect = DragBox::MoveInside(m_rect, p - m_lastDrag, rect());
    else if (m_grabbed != DragBox::None)
        m_rect = DragBox::DragEdges(m_rect, m_grabbed, p);
    m_lastDrag = p;
    update();
    emit panTiltRectMoved(m_rect.left(), m_rect.right(), kSide - m_rect.bottom(), kSide - m_rect.top());
}

void CPanTiltScaleGrid::mouseReleaseEvent(QMouseEvent*)
{
    m_pressed = false;
}

void CPanTiltScaleGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
    painter.setPen(QPen(QColor(0, 90, 160), 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_rect);
}

CPanTiltScaleDlg::CPanTiltScaleDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(GetLangText(Txt::PanTiltScale));
    m_grid = new CPanTiltScaleGrid(this);
    m_width = new CSliderCtrl(QStringLiteral("X"), this);
    m_height = new CSliderCtrl(QStringLiteral("Y"), this);
    m_offsetX = new CSliderCtrl(QStringLiteral("X"), this);
    m_offsetY = new CSliderCtrl(QStringLiteral("Y"), this);
    for (CSliderCtrl* size : {m_width, m_height}) {
        size->SetRange(10, 200);
        size->SetValue(100);
    }
    for (CSliderCtrl* offset : {m_offsetX, m_offsetY}) {
        offset->SetRange(-255, 255);
        offset->SetValue(0);
    }
    m_keep = new QCheckBox(GetLangText(Txt::KeepProportions), this);

    auto* sizeBox = new QGroupBox(
        GetLangText(Txt::Width) + QStringLiteral("/") + GetLangText(Txt::Height) + QStringLiteral(" (%)"), this);
    auto* sizeRow = new QHBoxLayout(sizeBox);
    sizeRow->addWidget(m_width);
    sizeRow->addWidget(m_height);
    auto* offsetBox = new QGroupBox(GetLangText(Txt::Offset) + QStringLiteral(" (DMX)"), this);
    auto* offsetRow = new QHBoxLayout(offsetBox);
    offsetRow->addWidget(m_offsetX);
    offsetRow->addWidget(m_offsetY);
    auto* boxes = new QGridLayout;
    boxes->setSpacing(6);
    boxes->addWidget(sizeBox, 0, 0);
    boxes->addWidget(offsetBox, 0, 1);
    boxes->addWidget(m_keep, 1, 0, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addLayout(boxes);
    column->addWidget(m_grid, 0, Qt::AlignHCenter);
    column->addWidget(buttons);

    connect(m_grid, &CPanTiltScaleGrid::panTiltRectMoved, this, &CPanTiltScaleDlg::OnPanTiltRectMoved);
    connect(m_width, &CSliderCtrl::valueChanged, this, &CPanTiltScaleDlg::OnWidthValueChanged);
    connect(m_height, &CSliderCtrl::valueChanged, this, &CPanTiltScaleDlg::OnHeightValueChanged);
    connect(m_offsetX, &CSliderCtrl::valueChanged, this, &CPanTiltScaleDlg::OnOffsetXValueChanged);
    connect(m_offsetY, &CSliderCtrl::valueChanged, this, &CPanTiltScaleDlg::OnOffsetYValueChanged);
}

void CPanTiltScaleDlg::ApplyRect()
{
    m_grid->SetRect(m_offsetX->Value(), m_offsetY->Value(), m_width->Value(), m_height->Value());
}

void CPanTiltScaleDlg::OnWidthValueChanged(int value)
{
    if (m_updating)
        return;
    if (m_keep->isChecked()) {
        const QScopedValueRollback<bool> guard(m_updating, true);
        m_height->SetValue(value);
    }
    ApplyRect();
}

void CPanTiltScaleDlg::OnHeightValueChanged(int value)
{
    if (m_updating)
        return;
    if (m_keep->isChecked()) {
        const QScopedValueRollback<bool> guard(m_updating, true);
        m_width->SetValue(value);
    }
    ApplyRect();
}

void CPanTiltScaleDlg::OnOffsetXValueChanged(int)
{
    if (!m_updating)
        ApplyRect();
}

void CPanTiltScaleDlg::OnOffsetYValueChanged(int)
{
    if (!m_updating)
        ApplyRect();
}

void CPanTiltScaleDlg::OnPanTiltRectMoved(int left, int right, int upBottom, int upTop)
{
    const QScopedValueRollback<bool> guard(m_updating, true);
    const int values[4] = {right - left + 1, upTop - upBottom + 1, ((left + right) / 2 - 128) * 255 / 128,
                           ((upBottom + upTop) / 2 - 128) * 255 / 128};
    CSliderCtrl* sliders[4] = {m_width, m_height, m_offsetX, m_offsetY};
    for (int i = 0; i < 4; ++i) {
        if (sliders[i]->Value() != values[i])
            sliders[i]->SetValue(values[i]);
    }
}
