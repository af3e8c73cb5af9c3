#include "editors/PreviewEffectWnd.h"

#include "editors/TrichroPreviewWnd.h"
#include "effects/EffectEngine.h"
#include "effects/MatrixColorEffect.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/TimeWidget.h"

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
