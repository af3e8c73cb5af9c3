#include "editors/SwatchEffectWnd.h"

#include "Captions.h"
#include "effects/ColorEffect.h"
#include "effects/EffectEngine.h"
#include "model/Language.h"
#include "show/Project.h"
#include "widgets/ColorChooser.h"
#include "widgets/SliderCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int kSwatches = 10;
// Speed 1 to 20 against a step time of (21 − speed) × 40 ms.
constexpr int kMaxSpeed = 20;
constexpr int kStepGrain = 40;

} // namespace

CSwatchEffectWnd::CSwatchEffectWnd(CProject& project, CEffectEngine* engine, CTimeWidget* timeWidget,
                                   bool effectScene, QWidget* parent)
    : CPreviewEffectWnd(engine, timeWidget, effectScene, parent), m_project(project)
{
}

void CSwatchEffectWnd::BindEffect(CColorEffect* effect, const CSwatchFields& fields)
{
    m_swatchEffect = effect;
    m_fields = fields;
    *m_fields.number = qBound(2, *m_fields.number, kSwatches);
    *m_fields.fade = qBound(kStepGrain, *m_fields.fade, kMaxSpeed * kStepGrain);
    effect->m_intensity = qBound(10, effect->m_intensity, 100);
    m_project.BindEffectToSelection(effect, m_effectScene, false);
    m_engine->SetEffect(effect);
}

void CSwatchEffectWnd::CreatePreviewGroup()
{
    m_previewGroup = new QGroupBox(this);
    m_scroll = new QScrollArea(m_previewGroup);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignCenter);
    auto* previewLayout = new QVBoxLayout(m_previewGroup);
    previewLayout->setContentsMargins(6, 2, 6, 6);
    previewLayout->addWidget(m_scroll);
}

void CSwatchEffectWnd::CreateColorsGroup()
{
    FillDefaultColorList(*m_fields.colors);
    m_colorsGroup = new QGroupBox(this);
    m_chooser = new CColorChooser(kSwatches, *m_fields.number, m_colorsGroup);
    m_chooser->m_colors = m_fields.colors->mid(0, kSwatches);
    auto* colorsLayout = new QVBoxLayout(m_colorsGroup);
    colorsLayout->addWidget(m_chooser);
}

void CSwatchEffectWnd::CreateParamsGroup(int sizeMin, int sizeMax)
{
    m_paramsGroup = new QGroupBox(this);
    m_kind = new QComboBox(m_paramsGroup);
    m_direction = new QPushButton(m_paramsGroup);
    m_direction->setFixedSize(32, 24);
    UpdateDirectionIcon();
    m_number = new CSliderCtrl(GetLangText(Txt::EffectNum), m_paramsGroup);
    m_number->SetRange(2, kSwatches);
    m_number->SetValue(*m_fields.number);
    m_size = new CSliderCtrl(GetLangText(Txt::EffectSize), m_paramsGroup);
    m_size->SetRange(sizeMin, sizeMax);
    m_size->SetValue(*m_fields.size);
    *m_fields.size = m_size->Value();
    m_speed = new CSliderCtrl(GetLangText(Txt::EffectSpeed), m_paramsGroup);
    m_speed->SetRange(1, kMaxSpeed);
    m_speed->SetValue(kMaxSpeed + 1 - *m_fields.fade / kStepGrain);
}

void CSwatchEffectWnd::CreateIntensityGroup()
{
    m_intensityGroup = new QGroupBox(this);
    m_intensity = new CSliderCtrl(GetLangText(Txt::EffectIntensityShort), m_intensityGroup);
    m_intensity->SetRange(10, 100);
    m_intensity->SetValue(m_swatchEffect->m_intensity);
    auto* intensityLayout = new QVBoxLayout(m_intensityGroup);
    intensityLayout->addWidget(m_intensity);
}

void CSwatchEffectWnd::CreatePropsGroup(bool third)
{
    auto* kindRow = new QHBoxLayout;
    kindRow->setSpacing(10);
    kindRow->addWidget(m_kind);
    kindRow->addWidget(m_direction);
    auto* slidersRow = new QHBoxLayout;
    slidersRow->addWidget(m_number);
    slidersRow->addWidget(m_size);
    slidersRow->addWidget(m_speed);
    auto* paramsLayout = new QVBoxLayout(m_paramsGroup);
    paramsLayout->setContentsMargins(6, 2, 6, 6);
    paramsLayout->setSpacing(4);
    paramsLayout->addLayout(kindRow);
    paramsLayout->addLayout(slidersRow);

    m_propsGroup = new QGroupBox(this);
    m_propsGroup->setFixedHeight(100);
    m_fade = new QCheckBox(m_propsGroup);
    m_loop = new QCheckBox(m_propsGroup);
    m_third = new QCheckBox(m_propsGroup);
    m_fade->setChecked(*m_fields.hasFade);
    m_loop->setChecked(*m_fields.comeBack);
    m_third->setChecked(third);
    auto* propsLayout = new QVBoxLayout(m_propsGroup);
    for (QCheckBox* box : {m_fade, m_loop, m_third})
        propsLayout->addWidget(box);
}

void CSwatchEffectWnd::ConnectControls()
{
    connect(m_chooser, &CColorChooser::selChanged, this, &CSwatchEffectWnd::OnSelColorChanged);
    connect(m_direction, &QPushButton::pressed, this, &CSwatchEffectWnd::OnSwitchDirection);
    connect(m_number, &CSliderCtrl::valueChanged, this, &CSwatchEffectWnd::OnNumValueChanged);
    connect(m_size, &CSliderCtrl::valueChanged, this, &CSwatchEffectWnd::OnSizeValueChanged);
    connect(m_speed, &CSliderCtrl::valueChanged, this, &CSwatchEffectWnd::OnSpeedValueChanged);
    connect(m_fade, &QCheckBox::stateChanged, this, &CSwatchEffectWnd::OnCheckFade);
    connect(m_loop, &QCheckBox::stateChanged, this, &CSwatchEffectWnd::OnCheckComeBack);
    connect(m_intensity, &CSliderCtrl::valueChanged, this, &CSwatchEffectWnd::OnIntensityChanged);
}

void CSwatchEffectWnd::RetranslateControls(const QString& thirdText, const QStringList& kinds)
{
    m_fade->setText(GetLangText(Txt::EffectFadeTransition));
    m_loop->setText(GetLangText(Txt::EffectLoop));
    m_third->setText(thirdText);
    m_previewGroup->setTitle(GetLangText(Txt::EffectPreview));
    m_colorsGroup->setTitle(GetLangText(Txt::Colors));
    m_paramsGroup->setTitle(GetLangText(Txt::FxParameters));
    m_propsGroup->setTitle(GetLangText(Txt::GroupProperties));
    m_intensityGroup->setTitle(GetLangText(Txt::EffectIntensity));
    m_number->SetCaption(GetLangText(Txt::EffectNum));
    m_size->SetCaption(GetLangText(Txt::EffectSize));
    m_speed->SetCaption(GetLangText(Txt::EffectSpeed));
    m_intensity->SetCaption(GetLangText(Txt::EffectIntensityShort));
    const int index = m_kind->currentIndex();
    m_comboGuard = true;
    m_kind->clear();
    m_kind->addItems(kinds);
    m_kind->setCurrentIndex(index);
    m_comboGuard = false;
}

void CSwatchEffectWnd::ApplyEnabled(bool direction, bool fade, bool loop, bool third, bool number, int forcedNumber)
{
    m_numberGuard = true;
    m_direction->setEnabled(direction);
    m_fade->setEnabled(fade);
    m_loop->setEnabled(loop);
    m_third->setEnabled(third);
    m_number->setEnabled(number);
    if (forcedNumber) {
        *m_fields.number = forcedNumber;
        m_number->SetValue(forcedNumber);
        m_chooser->SetNbColors(forcedNumber);
    }
    m_numberGuard = false;
}

void CSwatchEffectWnd::ColorControlChanged()
{
    ShowSwatch(0);
}

void CSwatchEffectWnd::ShowSwatch(int index)
{
    if (!m_colorCtrl || index < 0 || index >= m_fields.colors->size())
        return;
    const CRgbwColor color = m_fields.colors->at(index);
    m_colorGuard = true;
    m_colorCtrl->SetColor(color.r, color.g, color.b, color.w, true);
    m_colorGuard = false;
}

void CSwatchEffectWnd::Regenerate(bool restart)
{
    GenerateAnew(*m_swatchEffect, restart);
}

void CSwatchEffectWnd::Rebind()
{
    m_project.BindEffectToSelection(m_swatchEffect, m_effectScene, false);
}

void CSwatchEffectWnd::UpdateDirectionIcon()
{
    m_direction->setIcon(QIcon(*m_fields.sens ? QStringLiteral(":/Orvane/Images/Icons/DirLeft.png")
                                              : QStringLiteral(":/Orvane/Images/Icons/DirRight.png")));
}

void CSwatchEffectWnd::SetOption(bool& option, int state)
{
    option = state == Qt::Checked;
    Regenerate(false);
}

void CSwatchEffectWnd::OnCheckFade(int state)
{
    SetOption(*m_fields.hasFade, state);
}

void CSwatchEffectWnd::OnCheckComeBack(int state)
{
    SetOption(*m_fields.comeBack, state);
}

void CSwatchEffectWnd::OnNumValueChanged(int value)
{
    if (m_numberGuard)
        return;
    *m_fields.number = qBound(2, value, kSwatches);
    m_chooser->SetNbColors(*m_fields.number);
    Regenerate(false);
}

void CSwatchEffectWnd::OnSizeValueChanged(int value)
{
    *m_fields.size = qBound(m_size->Minimum(), value, m_size->Maximum());
    Regenerate(false);
}

void CSwatchEffectWnd::OnSpeedValueChanged(int value)
{
    ApplySpeed(*m_fields.fade, value, kMaxSpeed, kStepGrain);
    m_swatchEffect->m_flag = true;
}

void CSwatchEffectWnd::OnIntensityChanged(int value)
{
    m_swatchEffect->m_intensity = qBound(10, value, 100);
    ReapplyIntensitySaturation();
    m_swatchEffect->m_flag = true;
}

void CSwatchEffectWnd::OnSwitchDirection()
{
    *m_fields.sens = !*m_fields.sens;
    UpdateDirectionIcon();
    Regenerate(false);
}

void CSwatchEffectWnd::OnSelColorChanged(int index)
{
    ShowSwatch(index);
}

void CSwatchEffectWnd::OnColorChanged(uchar red, uchar green, uchar blue, uchar white)
{
    if (m_colorGuard || !m_colorCtrl)
        return;
    const CRgbwColor color(red, green, blue, white);
    for (int index : m_chooser->m_selected) {
        if (index < 0 || index >= kSwatches)
            continue;
        if (index < m_chooser->NbColors() && index < m_chooser->m_colors.size())
            m_chooser->m_colors[index] = color;
        if (index < m_fields.colors->size())
            (*m_fields.colors)[index] = color;
    }
    m_chooser->update();
    Regenerate(false);
}

