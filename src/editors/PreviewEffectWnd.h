#pragma once

#include "editors/EffectWnd.h"

#include <functional>

class CEffect;
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

public slots:
    // On the adopted effect; the pages that adopt none override the first two.
    virtual void OnSpeedValueChanged(int value);
    virtual void OnIntensityChanged(int value);
    void OnSaturationChanged(int value);

protected:
    using CEffectWnd::CEffectWnd;

    // The fastest speed gives one grain per step, each notch below one more.
    void ApplySpeed(int& stepTime, int speed, int maxSpeed, int grain);
    void ReapplyIntensitySaturation();
    // Generates the effect anew, marks it changed and restarts the preview.
    void GenerateAnew(CEffect& effect, bool restart);
    // Between unbinding from the engine and generating anew, the page may
    // fit its controls to the new matrix.
    void MoveToMatrix(CProject& project, CMatrixColorEffect* effect, CFixtureMatrix* matrix,
                      const std::function<void()>& fitControls = {});

    // The page's own copy of the effect onto `matrix`, what a file holds
    // brought into what the controls can show, bound and handed to the engine.
    void AdoptEffect(CProject& project, CMatrixColorEffect* effect, CFixtureMatrix* matrix, int maxSpeed, int grain);
    // A matrix preview in a scroll area, and the speed, intensity and
    // saturation sliders set from the adopted effect and changing it; the
    // page lays them out.
    void BuildMatrixPreview(CProject& project, Qt::Alignment previewAlignment);
    void RetranslateMatrixPreview();

    CTrichroPreviewWnd* m_preview = nullptr;
    QGroupBox* m_previewGroup = nullptr;
    QGroupBox* m_paramsGroup = nullptr;
    CSliderCtrl* m_speed = nullptr;
    CSliderCtrl* m_intensity = nullptr;
    CSliderCtrl* m_saturation = nullptr;

private:
    CMatrixColorEffect* m_matrixEffect = nullptr;
    int m_maxSpeed = 0;
    int m_grain = 0;
};
