#pragma once

#include "effects/StepRecords.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <memory>

class CEffect;
class CCurveEffect;
class CPanTiltEffect;
class CMatrixMediaEffect;
// The builders' tools, each in its own header of the effects library.
class CColorTable;
class CCurveGenerator;
class CPanTiltShape;
class CMatrixPattern;

// Turns the one bound effect into timed steps: byte arrays with one byte per
// step, per driven beam and per output channel. The engine owns the bound
// effect. One builder per effect type fills the records of the current mode;
// every builder lives in its own source file.
class CEffectEngine
{
public:
    enum Mode : int { ChannelMode = 0, ColorMode = 1, PanTiltMode = 2 };

    // A generation never makes more than this many steps x records; beyond
    // it a builder makes no steps and sets the effect's length to 0.
    static constexpr qint64 kMaxStepCells = qint64(1) << 23;

    CEffectEngine();
    ~CEffectEngine();
    CEffectEngine(const CEffectEngine&) = delete;
    CEffectEngine& operator=(const CEffectEngine&) = delete;

    // Binds the effect (deleting the one bound before) and builds its empty
    // records. Null, or the effect already bound, rebuilds the records of
    // the bound effect and keeps it.
    void SetEffect(CEffect* effect);
    // Regenerates the steps of the bound effect; a nested call does nothing.
    void GenerateEffect();
    // Drops the records and arrays of the current mode; with deleteEffect
    // also deletes and unbinds the effect.
    void Clear(bool deleteEffect);
    // Every array of the current mode (engine and records) to m_stepCount
    // bytes: existing bytes kept, new bytes zero.
    void ResizeStepBuffers();
    // Output colours from the raw colours of every colour record.
    void ApplyIntensitySaturation();

    // The shared start of most builders: when `count` differs from the step
    // count and is at least 1, takes it and resizes.
    void ResizeSteps(int count);
    // Whether `steps` steps over the bound records stay within kMaxStepCells.
    bool FitsStepBudget(qint64 steps) const;
    // The last generation was refused for exceeding the step budget: the
    // effect is too large for its fixtures or matrix, and the user is told.
    bool TooLarge() const { return m_tooLarge; }

    CEffect* Effect() const { return m_effect; }
    CColorTable& ColorTable() { return *m_colorTable; }
    CCurveGenerator& CurveGenerator() { return *m_curveGenerator; }
    CPanTiltShape& PanTiltShape() { return *m_panTiltShape; }
    CMatrixPattern& MatrixPattern() { return *m_matrixPattern; }

    // --- Colour builders (gradient, colour sequence) ---
    void GenerateGradient();
    void GenerateTrichro();
    void CopyColorTable(int stepCount);

    // --- Curve builder ---
    void PrepareCurveRecords(CCurveEffect& curve);
    void GenerateCurve();
    void GenerateCurveChannel(CCurveEffect& curve, int channel);
    void CurveTableToSteps(const QVector<int>& table, bool fine);
    void SpreadCurve(int offset2, bool fine);
    void SpreadCurvePhased(int phi, int offset2, bool fine);
    void SpreadCurveOnMatrix(int phi, int direction, bool fine);
    void SpreadMatrixColumns(int shift, bool fine);
    void SpreadMatrixDiagonal(int shift, bool fine);
    void SpreadMatrixRows(int shift, bool fine);
    void SpreadMatrixAntiDiagonal(int shift, bool fine);
    void SpreadMatrixColumnsReversed(int shift, bool fine);
    void SpreadMatrixDiagonalReversed(int shift, bool fine);
    void SpreadMatrixRowsReversed(int shift, bool fine);
    void SpreadMatrixAntiDiagonalReversed(int shift, bool fine);

    // --- Pan/tilt builder ---
    void GeneratePanTilt();
    void CopyPathToSteps(const CPanTiltEffect& effect);
    void SpreadPanTilt(int offsetX, int offsetY);
    void SpreadPanTiltPhased(int phase, int offsetX, int offsetY);
    void DistributePanTilt(int phase, int offsetX, int offsetY);

    // --- Matrix animation builder ---
    void GenerateMatrixAnim();
    void FramesToSteps(int frames);

    // --- Matrix picture, media and text builders ---
    void GenerateMatrixGif();
    // Returns the effect's new length.
    int GenerateMatrixMedia();
    void GenerateMatrixText();
    int LoadMovieFrames(const QString& file);
    int LoadPicture(const QString& file);
    int LoadVideoFrames(const CMatrixMediaEffect& effect);

    int m_stepCount = 0;
    int m_fixtureCount = 0; // beam entries of the bound effect
    int m_rows = 0;         // matrix size of the matrix and matrix-curve builders
    int m_cols = 0;
    int m_mode = ChannelMode;
    bool m_generating = false;
    mutable bool m_tooLarge = false;

    // Channel mode.
    QByteArray m_curveCoarse, m_curveFine;
    // Colour mode: resized with the records, not written by the builders.
    QByteArray m_red, m_green, m_blue, m_white;
    // Pan/tilt mode.
    QByteArray m_panCoarse, m_panFine, m_tiltCoarse, m_tiltFine;

    // One record per beam entry, in the effect's order; only the list of the
    // current mode is in use.
    QVector<CChannelStepRecord> m_channelRecords;
    QVector<CColorStepRecord> m_colorRecords;
    QVector<CPanTiltStepRecord> m_panTiltRecords;

private:
    void BuildRecords(bool effectIsNew);

    CEffect* m_effect = nullptr;
    std::unique_ptr<CColorTable> m_colorTable;
    std::unique_ptr<CCurveGenerator> m_curveGenerator;
    std::unique_ptr<CPanTiltShape> m_panTiltShape;
    std::unique_ptr<CMatrixPattern> m_matrixPattern;
};
