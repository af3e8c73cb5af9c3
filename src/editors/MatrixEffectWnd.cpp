#include "editors/MatrixEffectWnd.h"

#include "Captions.h"
#include "editors/MatrixPreviewWnd.h"
#include "effects/EffectEngine.h"
#include "effects/MatrixAnimEffect.h"
#include "model/Language.h"
#include "widgets/SliderCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int kKinds = 8;
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

const bool kRegistered = RegisterMatrixEffectPage<CMatrixEffectWnd, CMatrixAnimEffect>(EffectType::MatrixAnim);

} // namespace

CMatrixEffectWnd::CMatrixEffectWnd(CProject& project, const CMatrixAnimEffect* effect, CEffectEngine* engine,
                                   CFixtureMatrix* matrix, CTimeWidget* timeWidget, bool effectScene,
                                   QWidget* parent)
    : CSwatchEffectWnd(project, engine, timeWidget, effectScene, parent),
      m_effect(effect ? new CMatrixAnimEffect(*effect) : new CMatrixAnimEffect(matrix, kNewStepTime))
{
    if (m_effect->m_matrix != matrix) {
        m_effect->ReleaseMatrix();
        m_effect->SetMatrix(matrix);
    }
    m_effect->m_matrixType = qBound(0, m_effect->m_matrixType, kKinds - 1);
    BindEffect(m_effect, {&m_effect->m_number, &m_effect->m_size, &m_effect->m_fade, &m_effect->m_sens,
                          &m_effect->m_hasFade, &m_effect->m_comeBack, &m_effect->m_colors});

    CreatePreviewGroup();
    m_preview = new CMatrixPreviewWnd(m_project);
    m_preview->SetStepTime(m_effect->m_fade);
    m_scroll->setWidget(m_preview);
    CreateColorsGroup();
    CreateParamsGroup(1, SizeMax());
    CreateIntensityGroup();
    CreatePropsGroup(m_effect->m_vertical);

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
    ConnectControls();
    connect(m_kind, qOverload<int>(&QComboBox::currentIndexChanged), this, &CMatrixEffectWnd::OnComboChanged);
    connect(m_third, &QCheckBox::stateChanged, this, &CMatrixEffectWnd::OnCheckVertical);

    BorrowColorControl();
    OnComboChanged(m_effect->m_matrixType);
    m_effect->m_flag = false;
}

CMatrixPreviewWnd* CMatrixEffectWnd::Preview() const
{
    return static_cast<CMatrixPreviewWnd*>(m_preview);
}

int CMatrixEffectWnd::SizeMax() const
{
    return qMax(1, qMax(m_engine->m_rows, m_engine->m_cols));
}

void CMatrixEffectWnd::UpdateEnabled(int kind)
{
    const CKindRule& rule = kKindRules[qBound(0, kind, kKinds - 1)];
    ApplyEnabled(rule.direction, rule.fade, rule.loop, rule.vertical, rule.number, rule.forcedNumber);
}

void CMatrixEffectWnd::OnComboChanged(int index)
{
    if (m_comboGuard || index < 0 || index >= kKinds)
        return;
    m_effect->m_matrixType = index;
    UpdateEnabled(index);
    Regenerate(true);
}

void CMatrixEffectWnd::OnCheckVertical(int state)
{
    SetOption(m_effect->m_vertical, state);
}

void CMatrixEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    MoveToMatrix(m_project, m_effect, matrix, [this] {
        // A larger size than the new matrix holds would only draw outside it.
        m_size->SetRange(1, SizeMax());
        m_effect->m_size = m_size->Value();
    });
}

void CMatrixEffectWnd::Retranslate()
{
    QStringList kinds;
    for (int text : {Txt::EffectCircles, Txt::EffectRhombus, Txt::EffectFountain, Txt::EffectHeadlight,
                     Txt::EffectBorderLines, Txt::EffectRainbow, Txt::EffectWave})
        kinds << GetLangText(text);
    kinds << GetLangText(Txt::EffectWave) + tr(" 2");
    RetranslateControls(GetLangText(Txt::EffectVertical), kinds);
}
