#include "editors/MatrixEffectWnd.h"

#include "Captions.h"
#include "editors/MatrixPreviewWnd.h"
#include "effects/EffectEngine.h"
#include "effects/MatrixAnimEffect.h"
#include "model/Language.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/ColorChooser.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int kSwatches = 10;
constexpr int kKinds = 8;
// Speed 1 to 20 against a step time of (21 − speed) × 40 ms.
constexpr int kMaxSpeed = 20;
constexpr int kStepGrain = 40;
constexpr int kNewStepTime = 120;

// What each kind allows, and the number of colours it needs (0: any).
struct CKindRule
{
    bool direction, fade, loop, vertical, number;
    int forcedNumber;
};
constexpr CKindRule kKindRules[kKinds] = {
    {true, true, true, false, true, 0},   // circles
    {true, true, true, false, true, 0},   // rhombus
    {true, false, false, true, false, 2}, // fountain
    {true, true, true, false, false, 2},  // headlight
    {true, false, true, false, false, 3}, // border lines
    {true, true, true, true, true, 0},    // rainbow
    {true, true, true, true, true, 0},    // wave
    {true, true, true, true, true, 0},    // wave 2
};

const bool kRegistered = [] {
    RegisterEffectPage(EffectType::MatrixAnim, [](const CEffectPageArgs& args) -> CEffectWnd* {
        if (!args.project || !args.engine)
            return nullptr;
        return new CMatrixEffectWnd(*args.project, dynamic_cast<const CMatrixAnimEffect*>(args.effect), args.engine,
                                    args.matrix, args.timeWidget, args.effectScene, args.parent);
    });
    return true;
}();

} // namespace

CMatrixEffectWnd::CMatrixEffectWnd(CProject& project, const CMatrixAnimEffect* effect, CEffectEngine* engine,
                                   CFixtureMatrix* matrix, CTimeWidget* timeWidget, bool effectScene,
                                   QWidget* parent)
    : CEffectWnd(engine, timeWidget, effectScene, parent), m_project(project),
      m_effect(effect ? new CMatrixAnimEffect(*effect) : new CMatrixAnimEffect(matrix, kNewStepTime))
{
    if (m_effect->m_matrix != matrix) {
        m_effect->ReleaseMatrix();
        m_effect->SetMatrix(matrix);
    }
    // What a file holds is brought into what the controls can show.
    m_effect->m_matrixType = qBound(0, m_effect->m_matrixType, kKinds - 1);
    m_effect->m_number = qBound(2, m_effect->m_number, kSwatches);
    m_effect->m_fade = qBound(kStepGrain, m_effect->m_fade, kMaxSpeed * kStepGrain);
    m_effect->m_intensity = qBound(10, m_effect->m_intensity, 100);
    m_project.BindEffectToSelection(m_effect, m_effectScene, false);
    m_engine->SetEffect(m_effect);

    m_previewGroup = new QGroupBox(this);
    m_scroll = new QScrollArea(m_previewGroup);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_preview = new CMatrixPreviewWnd(m_project);
    m_preview->SetStepTime(m_effect->m_fade);
    m_scroll->setWidget(m_preview);
    auto* previewLayout = new QVBoxLayout(m_previewGroup);
    previewLayout->setContentsMargins(6, 2, 6, 6);
    previewLayout->addWidget(m_scroll);

    m_effect->FillDefaultColors();
    m_colorsGroup = new QGroupBox(this);
    m_chooser = new CColorChooser(kSwatches, m_effect->m_number, m_colorsGroup);
    m_chooser->m_colors = m_effect->m_colors.mid(0, kSwatches);
    auto* colorsLayout = new QVBoxLayout(m_colorsGroup);
    colorsLayout->addWidget(m_chooser);

    m_paramsGroup = new QGroupBox(this);
    m_kind = new QComboBox(m_paramsGroup);
    m_direction = new QPushButton(m_paramsGroup);
    m_direction->setFixedSize(32, 24);
    UpdateDirectionIcon();
    m_number = new CSliderCtrl(GetLangText(Txt::EffectNum), m_paramsGroup);
    m_number->SetRange(2, kSwatches);
    m_number->SetValue(m_effect->m_number);
    m_size = new CSliderCtrl(GetLangText(Txt::EffectSize), m_paramsGroup);
    UpdateSizeRange();
    m_size->SetValue(m_effect->m_size);
    m_effect->m_size = m_size->Value();
    m_speed = new CSliderCtrl(GetLangText(Txt::EffectSpeed), m_paramsGroup);
    m_speed->SetRange(1, kMaxSpeed);
    m_speed->SetValue(kMaxSpeed + 1 - m_effect->m_fade / kStepGrain);
    m_intensityGroup = new QGroupBox(this);
    m_intensity = new CSliderCtrl(GetLangText(Txt::EffectIntensityShort), m_intensityGroup);
    m_intensity->SetRange(10, 100);
    m_intensity->SetValue(m_effect->m_intensity);
    auto* intensityLayout = new QVBoxLayout(m_intensityGroup);
    intensityLayout->addWidget(m_intensity);

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
    m_vertical = new QCheckBox(m_propsGroup);
    m_fade->setChecked(m_effect->m_hasFade);
    m_loop->setChecked(m_effect->m_comeBack);
    m_vertical->setChecked(m_effect->m_vertical);
    auto* propsLayout = new QVBoxLayout(m_propsGroup);
    for (QCheckBox* box : {m_fade, m_loop, m_vertical})
        propsLayout->addWidget(box);

    auto* left = new QVBoxLayout;
    left->addWidget(m_paramsGroup);
    left->addWidget(m_colorsGroup);
    auto* right = new QVBoxLayout;
    right->addWidget(m_previewGroup);
    right->addWidget(m_propsGroup);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(6);
    outer->addLayout(left, 0);
    outer->addLayout(right, 1);
    outer->addWidget(m_intensityGroup, 0);

    Retranslate();
    m_kind->setCurrentIndex(m_effect->m_matrixType);
    connect(m_chooser, &CColorChooser::selChanged, this, &CMatrixEffectWnd::OnSelColorChanged);
    connect(m_kind, qOverload<int>(&QComboBox::currentIndexChanged), this, &CMatrixEffectWnd::OnComboChanged);
    connect(m_direction, &QPushButton::pressed, this, &CMatrixEffectWnd::OnSwitchDirection);
    connect(m_number, &CSliderCtrl::valueChanged, this, &CMatrixEffectWnd::OnNumValueChanged);
    connect(m_size, &CSliderCtrl::valueChanged, this, &CMatrixEffectWnd::OnSizeValueChanged);
    connect(m_speed, &CSliderCtrl::valueChanged, this, &CMatrixEffectWnd::OnSpeedValueChanged);
    connect(m_fade, &QCheckBox::stateChanged, this, &CMatrixEffectWnd::OnCheckFade);
    connect(m_loop, &QCheckBox::stateChanged, this, &CMatrixEffectWnd::OnCheckComeBack);
    connect(m_vertical, &QCheckBox::stateChanged, this, &CMatrixEffectWnd::OnCheckVertical);
    connect(m_intensity, &CSliderCtrl::valueChanged, this, &CMatrixEffectWnd::OnIntensityChanged);

    BorrowColorControl();
    OnComboChanged(m_effect->m_matrixType);
    m_effect->m_flag = false;
}

void CMatrixEffectWnd::UpdateSizeRange()
{
    m_size->SetRange(1, qMax(1, qMax(m_engine->m_rows, m_engine->m_cols)));
}

void CMatrixEffectWnd::ColorControlChanged()
{
    ShowSwatch(0);
}

void CMatrixEffectWnd::ShowSwatch(int index)
{
    if (!m_colorCtrl || index < 0 || index >= m_effect->m_colors.size())
        return;
    const CRgbwColor color = m_effect->m_colors.at(index);
    m_colorGuard = true;
    m_colorCtrl->SetColor(color.r, color.g, color.b, color.w, true);
    m_colorGuard = false;
}

void CMatrixEffectWnd::Regenerate(bool restart)
{
    m_preview->Stop();
    m_engine->GenerateEffect();
    m_preview->Start(restart);
    m_effect->m_flag = true;
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
}

void CMatrixEffectWnd::UpdateDirectionIcon()
{
    m_direction->setIcon(QIcon(m_effect->m_sens ? QStringLiteral(":/Orvane/Images/Icons/DirLeft.png")
                                                : QStringLiteral(":/Orvane/Images/Icons/DirRight.png")));
}

void CMatrixEffectWnd::UpdateEnabled(int kind)
{
    const CKindRule& rule = kKindRules[qBound(0, kind, kKinds - 1)];
    m_numberGuard = true;
    m_direction->setEnabled(rule.direction);
    m_fade->setEnabled(rule.fade);
    m_loop->setEnabled(rule.loop);
    m_vertical->setEnabled(rule.vertical);
    m_number->setEnabled(rule.number);
    if (rule.forcedNumber) {
        m_effect->m_number = rule.forcedNumber;
        m_number->SetValue(rule.forcedNumber);
        m_chooser->SetNbColors(rule.forcedNumber);
    }
    m_numberGuard = false;
}

void CMatrixEffectWnd::OnComboChanged(int index)
{
    if (m_comboGuard || index < 0 || index >= kKinds)
        return;
    m_effect->m_matrixType = index;
    UpdateEnabled(index);
    Regenerate(true);
}

void CMatrixEffectWnd::OnCheckFade(int state)
{
    m_effect->m_hasFade = state == Qt::Checked;
    Regenerate(false);
}

void CMatrixEffectWnd::OnCheckComeBack(int state)
{
    m_effect->m_comeBack = state == Qt::Checked;
    Regenerate(false);
}

void CMatrixEffectWnd::OnCheckVertical(int state)
{
    m_effect->m_vertical = state == Qt::Checked;
    Regenerate(false);
}

void CMatrixEffectWnd::OnNumValueChanged(int value)
{
    if (m_numberGuard)
        return;
    m_effect->m_number = qBound(2, value, kSwatches);
    m_chooser->SetNbColors(m_effect->m_number);
    Regenerate(false);
}

void CMatrixEffectWnd::OnSizeValueChanged(int value)
{
    m_effect->m_size = qBound(m_size->Minimum(), value, m_size->Maximum());
    Regenerate(false);
}

void CMatrixEffectWnd::OnSpeedValueChanged(int value)
{
    m_effect->m_fade = (kMaxSpeed + 1 - qBound(1, value, kMaxSpeed)) * kStepGrain;
    m_preview->SetStepTime(m_effect->m_fade);
    m_effect->m_flag = true;
}

void CMatrixEffectWnd::OnIntensityChanged(int value)
{
    m_effect->m_intensity = qBound(10, value, 100);
    m_preview->Stop();
    m_engine->ApplyIntensitySaturation();
    m_preview->Start(false);
    m_effect->m_flag = true;
}

void CMatrixEffectWnd::OnSwitchDirection()
{
    m_effect->m_sens = !m_effect->m_sens;
    UpdateDirectionIcon();
    Regenerate(false);
}

void CMatrixEffectWnd::OnSelColorChanged(int index)
{
    ShowSwatch(index);
}

void CMatrixEffectWnd::OnColorChanged(uchar red, uchar green, uchar blue, uchar white)
{
    if (m_colorGuard || !m_colorCtrl)
        return;
    const CRgbwColor color(red, green, blue, white);
    for (int index : m_chooser->m_selected) {
        if (index < 0 || index >= kSwatches)
            continue;
        if (index < m_chooser->NbColors() && index < m_chooser->m_colors.size())
            m_chooser->m_colors[index] = color;
        if (index < m_effect->m_colors.size())
            m_effect->m_colors[index] = color;
    }
    m_chooser->update();
    Regenerate(false);
}

void CMatrixEffectWnd::Rebind()
{
    m_project.BindEffectToSelection(m_effect, m_effectScene, false);
}

void CMatrixEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    if (!matrix)
        return;
    m_preview->Stop();
    if (matrix != m_effect->m_matrix || m_effect->m_applySel) {
        if (matrix != m_effect->m_matrix) {
            m_effect->ReleaseMatrix();
            m_effect->SetMatrix(matrix);
        }
        Rebind();
        m_engine->SetEffect(nullptr);
        // A larger size than the new matrix holds would only draw outside it.
        UpdateSizeRange();
        m_effect->m_size = m_size->Value();
        m_engine->GenerateEffect();
        m_preview->UpdateGeometry();
    } else {
        Rebind();
    }
    m_preview->Start(false);
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
}

void CMatrixEffectWnd::SetPlayPosition(int step, int timeMs)
{
    m_preview->SetPlayPosition(step, timeMs);
}

int CMatrixEffectWnd::GetPlayStep() const
{
    return m_preview->GetPlayStep();
}

int CMatrixEffectWnd::GetPlayTime() const
{
    return m_preview->GetPlayTime();
}

void CMatrixEffectWnd::Tick(int elapsedMs)
{
    m_preview->Tick(ShowHost().SendEditDmxOption(), elapsedMs);
}

void CMatrixEffectWnd::Retranslate()
{
    m_fade->setText(GetLangText(Txt::EffectFadeTransition));
    m_loop->setText(GetLangText(Txt::EffectLoop));
    m_vertical->setText(GetLangText(Txt::EffectVertical));
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
    for (int text : {Txt::EffectCircles, Txt::EffectRhombus, Txt::EffectFountain, Txt::EffectHeadlight,
                     Txt::EffectBorderLines, Txt::EffectRainbow, Txt::EffectWave})
        m_kind->addItem(GetLangText(text));
    m_kind->addItem(GetLangText(Txt::EffectWave) + tr(" 2"));
    m_kind->setCurrentIndex(index);
    m_comboGuard = false;
}
