#include "widgets/ColorPicker.h"

#include "Captions.h"
#include "model/Language.h"
#include "widgets/ColorCircle.h"
#include "widgets/ColorPresetBar.h"
#include "widgets/REDOvoroz.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

CColorPicker::CColorPicker(int flag, QWidget* parent)
    : QWidget(parent)
    , m_pCircle(new CColorCircle(this))
    , m_flag(flag)
    , m_pFixedBar(new CColorPresetBar(FixedColors(), flag == 1, this))
    , m_pSavedBar(new CColorPresetBar({}, flag == 1, this))
{
    auto* sliders = new QGridLayout;
    sliders->setContentsMargins(0, 0, 0, 0);
    sliders->setHorizontalSpacing(4);
    sliders->setVerticalSpacing(2);
    const int captions[3] = {Txt::PickerRed, Txt::PickerGreen, Txt::PickerBlue};
    for (int c = 0; c < 3; ++c) {
        m_pSliders[c] = new REDOvoroz(Qt::Horizontal, this);
        m_pSliders[c]->setRange(0, 255);
        m_pSliders[c]->setValue(255);
        sliders->addWidget(new QLabel(GetLangText(captions[c]), this), c, 0);
        sliders->addWidget(m_pSliders[c], c, 1);
        connect(m_pSliders[c], &QSlider::valueChanged, this, &CColorPicker::OnSliderChanged);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_pCircle, 1);
    layout->addLayout(sliders);
    layout->addWidget(m_pFixedBar, 0, Qt::AlignLeft);
    layout->addWidget(m_pSavedBar, 0, Qt::AlignLeft);

    connect(m_pCircle, &CColorCircle::colorSet, this, &CColorPicker::OnCircleColor);
    connect(m_pFixedBar, &CColorPresetBar::colorPressed, this, &CColorPicker::OnBarColor);
    connect(m_pSavedBar, &CColorPresetBar::colorPressed, this, &CColorPicker::OnBarColor);
}

QList<QColor> CColorPicker::FixedColors()
{
    return {QColor(255, 0, 0),   QColor(255, 0, 255), QColor(0, 0, 255),     QColor(0, 255, 255),
            QColor(0, 255, 0),   QColor(255, 255, 0), QColor(255, 255, 255), QColor(0, 0, 0)};
}

void CColorPicker::SetSavedColors(const QList<QColor>& colors)
{
    m_pSavedBar->SetColors(colors.mid(0, kSavedShown));
}

void CColorPicker::OnCircleColor(const QColor& color, int flag)
{
    m_color = color;
    if (flag == 1) {
        const int components[3] = {color.red(), color.green(), color.blue()};
        for (int c = 0; c < 3; ++c) {
            const QSignalBlocker block(m_pSliders[c]);
            m_pSliders[c]->setValue(components[c]);
        }
    }
    emit colorChanged(uchar(color.red()), uchar(color.green()), uchar(color.blue()));
}

void CColorPicker::OnSliderChanged()
{
    // The sliders already show the colour; the wheel only follows.
    m_pCircle->SetColor(QColor(m_pSliders[0]->value(), m_pSliders[1]->value(), m_pSliders[2]->value()), 0);
}

void CColorPicker::OnBarColor(const QColor& color)
{
    m_pCircle->SetColor(color, 1);
}
