#pragma once

#include "editors/EffectWnd.h"

#include <functional>

class CMatrixColorEffect;
class CSliderCtrl;
class CTrichroPreviewWnd;
class QGroupBox;

// The pages whose effect plays in a preview of its own: the play position
// and the clock go to the preview, and speed, colour and matrix changes
// restart it the same way on every page.
class CPreviewEffectWnd : public CEffectWnd
{
    Q_OBJECT
public:
    void SetPlayPosition(int step, int timeMs) override;
    int GetPlayStep() const override;
    int GetPlayTime() const override;
    void Tick(int elapsedMs) override;

protected:
    using CEffectWnd::CEffectWnd;

    // The fastest speed gives one grain per step, each notch below one more.
    void ApplySpeed(int& stepTime, int speed, int maxSpeed, int grain);
    void ReapplyIntensitySaturation();
    // Between unbinding from the engine and generating anew, the page may
    // fit its controls to the new matrix.
    void MoveToMatrix(CProject& project, CMatrixColorEffect* effect, CFixtureMatrix* matrix,
                      const std::function<void()>& fitControls = {});

    // The page's own copy of the effect onto `matrix`, what a file holds
    // brought into what the controls can show, bound and handed to the engine.
    void AdoptEffect(CProject& project, CMatrixColorEffect* effect, CFixtureMatrix* matrix, int maxSpeed, int grain);
    // A matrix preview in a scroll area, and the speed, intensity and
    // saturation sliders set from the effect; the page lays them out.
    void BuildMatrixPreview(CProject& project, const CMatrixColorEffect& effect, int maxSpeed, int grain,
                            Qt::Alignment previewAlignment);
    void RetranslateMatrixPreview();

    CTrichroPreviewWnd* m_preview = nullptr;
    QGroupBox* m_previewGroup = nullptr;
    QGroupBox* m_paramsGroup = nullptr;
    CSliderCtrl* m_speed = nullptr;
    CSliderCtrl* m_intensity = nullptr;
    CSliderCtrl* m_saturation = nullptr;
};
