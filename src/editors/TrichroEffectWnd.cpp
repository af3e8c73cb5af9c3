#include "editors/TrichroEffectWnd.h"

#include "Captions.h"
#include "editors/MatrixPreviewWnd.h"
#include "effects/EffectEngine.h"
#include "effects/TrichroEffect.h"
#include "model/Language.h"
#include "widgets/ColorChooser.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int kKinds = 5;
constexpr int kNewStepTime = 120;

const bool kRegistered = RegisterMatrixEffectPage<CTrichroEffectWnd, CTrichroEffect>(EffectType::Trichro);

} // namespace

CTrichroEffectWnd::CTrichroEffectWnd(CProject& project, const CTrichroEffect* effect, CEffectEngine* engine,
                                     CFixtureMatrix* matrix, CTimeWidget* timeWidget, bool effectScene,
                                     QWidget* parent)
    : CSwatchEffectWnd(project, engine, timeWidget, effectScene, parent),
      m_effect(effect ? new CTrichroEffect(*effect) : new CTrichroEffect(kNewStepTime))
{
    if (m_effect->m_matrix != matrix) {
        m_effect->ReleaseMatrix();
        m_effect->m_matrix = matrix;
    }
    m_effect->m_trichroType = qBound(0, m_effect->m_trichroType, kKinds - 1);
    BindEffect(m_effect, {&m_effect->m_number, &m_effect->m_size, &m_effect->m_fade, &m_effect->m_sens,
                          &m_effect->m_hasFade, &m_effect->m_comeBack, &m_effect->m_colors});

    CreatePreviewGroup();
    CreateColorsGroup();
    const int cells = m_engine->m_fixtureCount;
    const int sizeMin = cells >= 300 ? int(cells * 0.06) : 1;
    CreateParamsGroup(sizeMin, cells > sizeMin ? cells : sizeMin);
    CreatePropsGroup(m_effect->m_continue);
    CreateIntensityGroup();

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
    ConnectControls();
    connect(m_kind, qOverload<int>(&QComboBox::currentIndexChanged), this, &CTrichroEffectWnd::OnComboChanged);
    connect(m_third, &QCheckBox::stateChanged, this, &CTrichroEffectWnd::OnCheckContinue);

    if (m_effect->m_matrix)
        CreateMatrixPreview();
    else
        CreateColorPreview();
    BorrowColorControl();
    OnComboChanged(m_effect->m_trichroType);
    m_effect->m_flag = false;
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
    ApplyEnabled(on[0], on[1], on[2], on[3], on[4], kind == CTrichroEffect::Wave ? 2 : 0);
}

void CTrichroEffectWnd::OnComboChanged(int index)
{
    if (m_comboGuard || index < 0 || index >= kKinds)
        return;
    m_effect->m_trichroType = index;
    UpdateEnabled(index);
    Regenerate(true);
}

void CTrichroEffectWnd::OnCheckContinue(int state)
{
    SetOption(m_effect->m_continue, state);
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

void CTrichroEffectWnd::Retranslate()
{
    QStringList kinds;
    for (int text : {Txt::EffectRainbow, Txt::EffectWave, Txt::EffectHalfWaveSmall, Txt::EffectRandom,
                     Txt::EffectWagons})
        kinds << GetLangText(text);
    RetranslateControls(GetLangText(Txt::EffectContinue), kinds);
}
