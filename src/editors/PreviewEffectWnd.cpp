#include "editors/PreviewEffectWnd.h"

#include "Captions.h"
#include "editors/MatrixPreviewWnd.h"
#include "editors/TrichroPreviewWnd.h"
#include "effects/EffectEngine.h"
#include "effects/MatrixColorEffect.h"
#include "model/Language.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

void CPreviewEffectWnd::SetPlayPosition(int step, int timeMs)
{
    m_preview->SetPlayPosition(step, timeMs);
}

int CPreviewEffectWnd::GetPlayStep() const
{
    return m_preview->GetPlayStep();
}

int CPreviewEffectWnd::GetPlayTime() const
{
    return m_preview->GetPlayTime();
}

void CPreviewEffectWnd::Tick(int elapsedMs)
{
    m_preview->Tick(ShowHost().SendEditDmxOption(), elapsedMs);
}

void CPreviewEffectWnd::ApplySpeed(int& stepTime, int speed, int maxSpeed, int grain)
{
    stepTime = (maxSpeed + 1 - qBound(1, speed, maxSpeed)) * grain;
    m_preview->SetStepTime(stepTime);
}

void CPreviewEffectWnd::ReapplyIntensitySaturation()
{
    m_preview->Stop();
    m_engine->ApplyIntensitySaturation();
    m_preview->Start(false);
}

void CPreviewEffectWnd::GenerateAnew(CEffect& effect, bool restart)
{
    m_preview->Stop();
    m_engine->GenerateEffect();
    m_preview->Start(restart);
    effect.m_flag = true;
    if (m_timeWidget)
        m_timeWidget->SetTime(effect.m_len);
}

void CPreviewEffectWnd::OnSpeedValueChanged(int value)
{
    ApplySpeed(m_matrixEffect->m_fade, value, m_maxSpeed, m_grain);
    m_matrixEffect->m_flag = true;
}

void CPreviewEffectWnd::OnIntensityChanged(int value)
{
    m_matrixEffect->m_intensity = qBound(10, value, 100);
    ReapplyIntensitySaturation();
    m_matrixEffect->m_flag = true;
}

void CPreviewEffectWnd::OnSaturationChanged(int value)
{
    m_matrixEffect->m_saturation = qBound(0, value, 100);
    ReapplyIntensitySaturation();
    m_matrixEffect->m_flag = true;
}

void CPreviewEffectWnd::AdoptEffect(CProject& project, CMatrixColorEffect* effect, CFixtureMatrix* matrix,
                                    int maxSpeed, int grain)
{
    m_matrixEffect = effect;
    m_maxSpeed = maxSpeed;
    m_grain = grain;
    if (effect->m_matrix != matrix) {
        effect->ReleaseMatrix();
        effect->SetMatrix(matrix);
    }
    effect->m_fade = qBound(grain, effect->m_fade, maxSpeed * grain);
    effect->m_intensity = qBound(10, effect->m_intensity, 100);
    effect->m_saturation = qBound(0, effect->m_saturation, 100);
    project.BindEffectToSelection(effect, m_effectScene, false);
    m_engine->SetEffect(effect);
}

void CPreviewEffectWnd::MoveToMatrix(CProject& project, CMatrixColorEffect* effect, CFixtureMatrix* matrix,
                                     const std::function<void()>& fitControls)
{
    if (!matrix)
        return;
    m_preview->Stop();
    if (matrix != effect->m_matrix || effect->m_applySel) {
        if (matrix != effect->m_matrix) {
            effect->ReleaseMatrix();
            effect->SetMatrix(matrix);
        }
        project.BindEffectToSelection(effect, m_effectScene, false);
        m_engine->SetEffect(nullptr);
        if (fitControls)
            fitControls();
        m_engine->GenerateEffect();
        m_preview->UpdateGeometry();
    } else {
        project.BindEffectToSelection(effect, m_effectScene, false);
    }
    m_preview->Start(false);
    if (m_timeWidget)
        m_timeWidget->SetTime(effect->m_len);
}

void CPreviewEffectWnd::BuildMatrixPreview(CProject& project, Qt::Alignment previewAlignment)
{
    const CMatrixColorEffect& effect = *m_matrixEffect;
    m_previewGroup = new QGroupBox(this);
    auto* scroll = new QScrollArea(m_previewGroup);
    scroll->setWidgetResizable(true);
    scroll->setAlignment(previewAlignment);
    auto* preview = new CMatrixPreviewWnd(project);
    m_preview = preview;
    m_preview->SetStepTime(effect.m_fade);
    scroll->setWidget(preview);
    auto* previewLayout = new QVBoxLayout(m_previewGroup);
    previewLayout->setContentsMargins(6, 2, 6, 6);
    previewLayout->addWidget(scroll);

    m_paramsGroup = new QGroupBox(this);
    m_paramsGroup->setFixedHeight(140);
    m_speed = new CSliderCtrl(GetLangText(Txt::EffectSpeed), m_paramsGroup);
    m_speed->SetRange(1, m_maxSpeed);
    m_speed->SetValue(m_maxSpeed + 1 - effect.m_fade / m_grain);
    m_intensity = new CSliderCtrl(GetLangText(Txt::EffectIntensityShort), m_paramsGroup);
    m_intensity->SetRange(10, 100);
    m_intensity->SetValue(effect.m_intensity);
    m_saturation = new CSliderCtrl(GetLangText(Txt::EffectSaturationShort), m_paramsGroup);
    m_saturation->SetRange(0, 100);
    m_saturation->SetValue(effect.m_saturation);
    auto* paramsLayout = new QHBoxLayout(m_paramsGroup);
    paramsLayout->setContentsMargins(6, 2, 6, 6);
    paramsLayout->setSpacing(2);
    for (CSliderCtrl* slider : {m_speed, m_intensity, m_saturation})
        paramsLayout->addWidget(slider);
    connect(m_speed, &CSliderCtrl::valueChanged, this, &CPreviewEffectWnd::OnSpeedValueChanged);
    connect(m_intensity, &CSliderCtrl::valueChanged, this, &CPreviewEffectWnd::OnIntensityChanged);
    connect(m_saturation, &CSliderCtrl::valueChanged, this, &CPreviewEffectWnd::OnSaturationChanged);
}

void CPreviewEffectWnd::RetranslateMatrixPreview()
{
    m_previewGroup->setTitle(GetLangText(Txt::EffectPreview));
    m_speed->SetCaption(GetLangText(Txt::EffectSpeed));
    m_paramsGroup->setTitle(GetLangText(Txt::EffectSpeed) + QStringLiteral(" / ") + GetLangText(Txt::EffectIntensity)
                            + QStringLiteral(" / ") + GetLangText(Txt::EffectSaturation));
}
