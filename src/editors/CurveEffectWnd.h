#pragma once

#include "editors/EffectWnd.h"
#include "widgets/FullDirectionCtrl.h"

#include <QByteArray>
#include <QList>
#include <QTime>

#include <utility>

class CCurveEffect;
class CDrawCurveCtrl;
class CFullDirectionCtrl;
class CLibraryProfile;
class CPatchedFixture;
class CProfileChannelDef;
class CProject;
class CSliderCtrl;
class CZKTimeEdit;
class QComboBox;
class QGroupBox;
class QTableWidget;

// The page of the curve effect: a waveform per channel kind of the
// selection, switched on or off per row, previewed in the edit layer.
class CCurveEffectWnd : public CEffectWnd
{
    Q_OBJECT
public:
    enum Slider { SlAmpli, SlPhase, SlRatio, SlOffset, SlPhi, SlOffset2, SlPrec, SliderCount };

    CCurveEffectWnd(CProject& project, const CEffect* effect, CEffectEngine* engine, CFixtureMatrix* matrix,
                    CTimeWidget* timeWidget, bool effectScene, QWidget* parent = nullptr);

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;
    void SetPlayPosition(int step, int timeMs) override;
    int GetPlayStep() const override { return m_currentStep; }
    int GetPlayTime() const override { return int(m_pointClock); }
    void Tick(int elapsedMs) override;

    void RefreshChannels();

    CCurveEffect* Effect() const { return m_effect; }
    QTableWidget* Table() const { return m_table; }
    QComboBox* WaveformBox() const { return m_waveform; }
    CZKTimeEdit* TimeEdit() const { return m_timeEdit; }
    CDrawCurveCtrl* Drawing() const { return m_drawing; }
    CFullDirectionCtrl* DirectionPad() const { return m_direction; }
    CSliderCtrl* SliderAt(Slider slider) const { return m_sliders[slider]; }
    int NextStep() const { return m_nextStep; }

public slots:
    void OnAmpliChanged(int value);
    void OnPhaseChanged(int value);
    void OnRatioChanged(int value);
    void OnOffsetChanged(int value);
    void OnPhiChanged(int value);
    void OnOffset2Changed(int value);
    void OnPrecChanged(int value);
    void OnCurveChanged(int index);
    void OnTimeChanged(const QTime& time);
    void OnSelChanged();
    void OnCheckCurve(int state);
    void OnDirectionChanged(eFullDirection direction);

private:
    void BuildWidgets();
    void BuildTable();
    void ApplyMatrixLook();
    void AttachMatrix(CFixtureMatrix* matrix);
    void ShowRow();
    void Regenerate();
    void RestartPreview();
    // Only while the page is not writing its own widgets and has rows.
    bool ParamEditable() const;
    void SetRowActive(int row, bool active);
    void CheckRow(int row, bool checked);
    // The profile's channels that play the row's channel kind: every pan or
    // tilt of its pairs and every member of its colour sets, else the row's
    // channel of that kind; each with, for a 16-bit row, its fine byte
    // (else null).
    using ChannelPair = std::pair<const CProfileChannelDef*, const CProfileChannelDef*>;
    QList<ChannelPair> RowChannels(const CLibraryProfile& profile, int row) const;
    void WriteFixtureRow(CPatchedFixture& fixture, int row, int record, float fraction);

    CProject& m_project;
    CCurveEffect* m_effect; // the engine owns it
    QComboBox* m_waveform = nullptr;
    CZKTimeEdit* m_timeEdit = nullptr;
    QTableWidget* m_table = nullptr;
    CDrawCurveCtrl* m_drawing = nullptr;
    CFullDirectionCtrl* m_direction = nullptr;
    CSliderCtrl* m_sliders[SliderCount] = {};
    QGroupBox* m_curveBox = nullptr;
    QGroupBox* m_durationBox = nullptr;
    QGroupBox* m_paramBox = nullptr;
    int m_currentStep = 0;
    int m_nextStep = 0;
    float m_stepPosition = 0.0f;
    float m_pointClock = 0.0f; // ms within the current point
    int m_rowCount = 0;
    bool m_writing = true;
    bool m_rebuildingTable = false;
    QList<QByteArray> m_savedLevels; // the edit layer per universe as the page found it
};
