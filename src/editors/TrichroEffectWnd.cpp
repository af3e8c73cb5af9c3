#include "editors/TrichroEffectWnd.h"

#include "Captions.h"
#include "editors/MatrixPreviewWnd.h"
#include "effects/EffectEngine.h"
#include "effects/TrichroEffect.h"
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
constexpr int kKinds = 5;
// Speed 1 to 20 against a step time of (21 − speed) × 40 ms.
constexpr int kMaxSpeed = 20;
constexpr int kStepGrain = 40;
constexpr int kNewStepTime = 120;

const bool kRegistered = [] {
    RegisterEffectPage(EffectType::Trichro, [](const CEffectPageArgs& args) -> CEffectWnd* {
        if (!args.project || !args.engine)
            return nullptr;
        return new CTrichroEffectWnd(*args.project, dynamic_cast<const CTrichroEffect*>(args.effect), args.engine,
                                     args.matrix, args.timeWidget, args.effectScene, args.parent);
    });
    return true;
}();

} // namespace

CTrichroEffectWnd::CTrichroEffectWnd(CProject& project, const CTrichroEffect* effect, CEffectEngine* engine,
                                     CFixtureMatrix* matrix, CTimeWidget* timeWidget, bool effectScene,
                                     QWidget* parent)
    : CEffectWnd(engine, timeWidget, effectScene, parent), m_project(project),
      m_effect(effect ? new CTrichroEffect(*effect) : new CTrichroEffect(kNewStepTime))
{
    if (m_effect->m_matrix != matrix) {
        m_effect->ReleaseMatrix();
        m_effect->m_matrix = matrix;
    }
    // What a file holds is brought into what the controls can show.
    m_effect->m_trichroType = qBound(0, m_effect->m_trichroType, kKinds - 1);
    m_effect->m_number = qBound(2, m_effect->m_number, kSwatches);
    m_effect->m_fade = qBound(kStepGrain, m_effect->m_fade, kMaxSpeed * kStepGrain);
    m_effect->m_intensity = qBound(10, m_effect->m_intensity, 100);
    m_project.BindEffectToSelection(m_effect, m_effectScene, false);
    m_engine->SetEffect(m_effect);

    m_previewGroup = new QGroupBox(this);
    m_scroll = new QScrollArea(m_previewGroup);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignCenter);
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
    const int cells = m_engine->m_fixtureCount;
    const int sizeMin = cells >= 300 ? int(cells * 0.06) : 1;
    m_size->SetRange(sizeMin, cells > sizeMin ? cells : sizeMin);
    m_size->SetValue(m_effect->m_size);
    m_effect->m_size = m_size->Value();
    m_speed = new CSliderCtrl(GetLangText(Txt::EffectSpeed), m_paramsGroup);
    m_speed->SetRange(1, kMaxSpeed);
    m_speed->SetValue(kMaxSpeed + 1 - m_effect->m_fade / kStepGrain);
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
    m_continue = new QCheckBox(m_propsGroup);
    m_fade->setChecked(m_effect->m_hasFade);
    m_loop->setChecked(m_effect->m_comeBack);
    m_continue->setChecked(m_effect->m_continue);
    auto* propsLayout = new QVBoxLayout(m_propsGroup);
    for (QCheckBox* box : {m_fade, m_loop, m_continue})
        propsLayout->addWidget(box);

    m_intensityGroup = new QGroupBox(this);
    m_intensity = new CSliderCtrl(GetLangText(Txt::EffectIntensityShort), m_intensityGroup);
    m_intensity->SetRange(10, 100);
    m_intensity->SetValue(m_effect->m_intensity);
    auto* intensityLayout = new QVBoxLayout(m_intensityGroup);
    intensityLayout->addWidget(m_intensity);

    m_left = new QVBoxLayout;
    m_left->setSpacing(4);
    m_right = new QVBoxLayout;
    m_right->setSpacing(4);
    m_columns = new QHBoxLayout;
    m_columns->setSpacing(6);
    m_columns->addLayout(m_left);
    m_columns->addLayout(m_right);
    m_main = new QVBoxLayout;
    m_main->addLayout(m_columns, 1);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(6);
    outer->addLayout(m_main, 1);
    outer->addWidget(m_intensityGroup, 0);

    Retranslate();
    m_kind->setCurrentIndex(m_effect->m_trichroType);
    connect(m_chooser, &CColorChooser::selChanged, this, &CTrichroEffectWnd::OnSelColorChanged);
    connect(m_kind, qOverload<int>(&QComboBox::currentIndexChanged), this, &CTrichroEffectWnd::OnComboChanged);
    connect(m_direction, &QPushButton::pressed, this, &CTrichroEffectWnd::OnSwitchDirection);
    connect(m_number, &CSliderCtrl::valueChanged, this, &CTrichroEffectWnd::OnNumValueChanged);
    connect(m_size, &CSliderCtrl::valueChanged, this, &CTrichroEffectWnd::OnSizeValueChanged);
    connect(m_speed, &CSliderCtrl::valueChanged, this, &CTrichroEffectWnd::OnSpeedValueChanged);
    connect(m_fade, &QCheckBox::stateChanged, this, &CTrichroEffectWnd::OnCheckFade);
    connect(m_loop, &QCheckBox::stateChanged, this, &CTrichroEffectWnd::OnCheckComeBack);
    connect(m_continue, &QCheckBox::stateChanged, this, &CTrichroEffectWnd::OnCheckContinue);
    connect(m_intensity, &CSliderCtrl::valueChanged, this, &CTrichroEffectWnd::OnIntensityChanged);

    if (m_effect->m_matrix)
        CreateMatrixPreview();
    else
        CreateColorPreview();
    BorrowColorControl();
    OnComboChanged(m_effect->m_trichroType);
    m_effect->m_flag = false;
}

void CTrichroEffectWnd::ColorControlChanged()
{
    ShowSwatch(0);
}

void CTrichroEffectWnd::ShowSwatch(int index)
{
    if (!m_colorCtrl || index < 0 || index >= m_effect->m_colors.size())
        return;
    const CRgbwColor color = m_effect->m_colors.at(index);
    m_colorGuard = true;
    m_colorCtrl->SetColor(color.r, color.g, color.b, color.w, true);
    m_colorGuard = false;
}

void CTrichroEffectWnd::ArrangeGroups(bool matrix)
{
    for (QWidget* group : {static_cast<QWidget*>(m_previewGroup), static_cast<QWidget*>(m_colorsGroup),
                           static_cast<QWidget*>(m_paramsGroup), static_cast<QWidget*>(m_propsGroup)}) {
        m_left->removeWidget(group);
        m_right->removeWidget(group);
        m_main->removeWidget(group);
    }
    if (matrix) {
        m_left->addWidget(m_paramsGroup);
        m_left->addWidget(m_colorsGroup);
        m_right->addWidget(m_previewGroup);
        m_right->addWidget(m_propsGroup);
    } else {
        m_left->addWidget(m_paramsGroup);
        m_right->addWidget(m_colorsGroup);
        m_right->addWidget(m_propsGroup);
        m_main->insertWidget(0, m_previewGroup, 0);
    }
    m_matrixLayout = matrix;
    m_colorLayout = !matrix;
}

void CTrichroEffectWnd::CreateColorPreview()
{
    m_preview = new CTrichroPreviewWnd(m_project);
    m_preview->SetStepTime(m_effect->m_fade);
    m_scroll->setWidget(m_preview);
    ArrangeGroups(false);
    m_preview->Refresh();
}

void CTrichroEffectWnd::CreateMatrixPreview()
{
    m_preview = new CMatrixPreviewWnd(m_project);
    m_preview->SetStepTime(m_effect->m_fade);
    m_scroll->setWidget(m_preview);
    ArrangeGroups(true);
}

void CTrichroEffectWnd::Regenerate(bool restart)
{
    m_preview->Stop();
    m_engine->GenerateEffect();
    m_effect->m_flag = true;
    m_preview->Start(restart);
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
}

void CTrichroEffectWnd::UpdateDirectionIcon()
{
    m_direction->setIcon(QIcon(m_effect->m_sens ? QStringLiteral(":/Orvane/Images/Icons/DirLeft.png")
                                                : QStringLiteral(":/Orvane/Images/Icons/DirRight.png")));
}

void CTrichroEffectWnd::UpdateEnabled(int kind)
{
    // direction, fade, loop, continue, number; by kind.
    static const bool kEnabled[kKinds][5] = {
        {true, true, true, false, true},       // rainbow
        {true, true, true, true, false},       // wave
        {false, false, false, false, true},    // half wave
        {false, false, false, false, true},    // random
        {false, false, false, false, true},    // wagons
    };
    const bool* on = kEnabled[qBound(0, kind, kKinds - 1)];
    m_numberGuard = true;
    m_direction->setEnabled(on[0]);
    m_fade->setEnabled(on[1]);
    m_loop->setEnabled(on[2]);
    m_continue->setEnabled(on[3]);
    m_number->setEnabled(on[4]);
    if (kind == CTrichroEffect::Wave) {
        m_effect->m_number = 2;
        m_number->SetValue(2);
        m_chooser->SetNbColors(2);
    }
    m_numberGuard = false;
}

void CTrichroEffectWnd::OnComboChanged(int index)
{
    if (m_comboGuard || index < 0 || index >= kKinds)
        return;
    m_effect->m_trichroType = index;
    UpdateEnabled(index);
    Regenerate(true);
}

void CTrichroEffectWnd::OnCheckFade(int state)
{
    m_effect->m_hasFade = state == Qt::Checked;
    Regenerate(false);
}

void CTrichroEffectWnd::OnCheckComeBack(int state)
{
    m_effect->m_comeBack = state == Qt::Checked;
    Regenerate(false);
}

void CTrichroEffectWnd::OnCheckContinue(int state)
{
    m_effect->m_continue = state == Qt::Checked;
    Regenerate(false);
}

void CTrichroEffectWnd::OnNumValueChanged(int value)
{
    if (m_numberGuard)
        return;
    m_effect->m_number = qBound(2, value, kSwatches);
    m_chooser->SetNbColors(m_effect->m_number);
    Regenerate(false);
}

void CTrichroEffectWnd::OnSizeValueChanged(int value)
{
    m_effect->m_size = qBound(m_size->Minimum(), value, m_size->Maximum());
    Regenerate(false);
}

void CTrichroEffectWnd::OnSpeedValueChanged(int value)
{
    m_effect->m_fade = (kMaxSpeed + 1 - qBound(1, value, kMaxSpeed)) * kStepGrain;
    m_preview->SetStepTime(m_effect->m_fade);
    m_effect->m_flag = true;
}

void CTrichroEffectWnd::OnIntensityChanged(int value)
{
    m_effect->m_intensity = qBound(10, value, 100);
    m_preview->Stop();
    m_engine->ApplyIntensitySaturation();
    m_effect->m_flag = true;
    m_preview->Start(false);
}

void CTrichroEffectWnd::OnSwitchDirection()
{
    m_effect->m_sens = !m_effect->m_sens;
    UpdateDirectionIcon();
    Regenerate(false);
}

void CTrichroEffectWnd::OnSelColorChanged(int index)
{
    ShowSwatch(index);
}

void CTrichroEffectWnd::OnColorChanged(uchar red, uchar green, uchar blue, uchar white)
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

void CTrichroEffectWnd::Rebind()
{
    m_project.BindEffectToSelection(m_effect, m_effectScene, false);
}

void CTrichroEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    m_preview->Stop();
    CFixtureMatrix* before = m_effect->m_matrix;
    if (matrix && matrix != before) {
        m_effect->ReleaseMatrix();
        m_effect->m_matrix = matrix;
        Rebind();
        if (!before)
            CreateMatrixPreview();
        m_engine->SetEffect(nullptr);
        m_engine->GenerateEffect();
        m_preview->UpdateGeometry();
    } else if (matrix) {
        Rebind();
    } else {
        if (before) {
            m_effect->ReleaseMatrix();
            Rebind();
            CreateColorPreview();
        } else {
            Rebind();
        }
        m_engine->SetEffect(nullptr);
        m_engine->GenerateEffect();
        m_preview->Refresh();
    }
    const int cells = m_engine->m_fixtureCount;
    m_size->SetRange(1, cells < 2 ? 1 : cells);
    m_preview->Start(false);
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
}

void CTrichroEffectWnd::SetPlayPosition(int step, int timeMs)
{
    m_preview->SetPlayPosition(step, timeMs);
}

int CTrichroEffectWnd::GetPlayStep() const
{
    return m_preview->GetPlayStep();
}

int CTrichroEffectWnd::GetPlayTime() const
{
    return m_preview->GetPlayTime();
}

void CTrichroEffectWnd::Tick(int elapsedMs)
{
    m_preview->Tick(ShowHost().SendEditDmxOption(), elapsedMs);
}

void CTrichroEffectWnd::Retranslate()
{
    m_fade->setText(GetLangText(Txt::EffectFadeTransition));
    m_loop->setText(GetLangText(Txt::EffectLoop));
    m_continue->setText(GetLangText(Txt::EffectContinue));
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
    for (int text : {Txt::EffectRainbow, Txt::EffectWave, Txt::EffectHalfWaveSmall, Txt::EffectRandom,
                     Txt::EffectWagons})
        m_kind->addItem(GetLangText(text));
    m_kind->setCurrentIndex(index);
    m_comboGuard = false;
}
