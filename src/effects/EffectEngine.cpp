#include "effects/EffectEngine.h"

#include "effects/ColorEffect.h"
#include "effects/ColorTables.h"
#include "effects/CurveEffect.h"
#include "effects/CurveTables.h"
#include "effects/Effect.h"
#include "effects/GradientEffect.h"
#include "effects/MatrixAnimEffect.h"
#include "effects/MatrixGifEffect.h"
#include "effects/MatrixMediaEffect.h"
#include "effects/MatrixPatterns.h"
#include "effects/MatrixTextEffect.h"
#include "effects/PanTiltEffect.h"
#include "effects/PanTiltShapes.h"
#include "effects/TrichroEffect.h"
#include "model/FixtureMatrix.h"

namespace {

// Pixels of the largest matrix effect the engine builds records for.
constexpr qint64 kMaxMatrixPixels = 256 * 256;

int ModeOfType(int type)
{
    switch (type) {
    case EffectType::Curve:
        return CEffectEngine::ChannelMode;
    case EffectType::PanTilt:
        return CEffectEngine::PanTiltMode;
    default:
        return CEffectEngine::ColorMode;
    }
}

unsigned char ScaledByte(unsigned char raw, float factor)
{
    const float value = float(raw) * factor;
    if (!(value > 0.0f)) // also NaN
        return 0;
    if (value >= 255.0f)
        return 255;
    return static_cast<unsigned char>(value);
}

} // namespace

CEffectEngine::CEffectEngine()
    : m_colorTable(std::make_unique<CColorTable>())
    , m_curveGenerator(std::make_unique<CCurveGenerator>())
    , m_panTiltShape(std::make_unique<CPanTiltShape>())
    , m_matrixPattern(std::make_unique<CMatrixPattern>())
{
    // The document owns one engine for its whole life: from then on scenes
    // can copy and delete effects.
    RegisterEffectOperations();
}

CEffectEngine::~CEffectEngine()
{
    Clear(true);
}

void CEffectEngine::SetEffect(CEffect* effect)
{
    if (effect && effect != m_effect) {
        Clear(true);
        m_effect = effect;
        m_mode = ModeOfType(effect->m_type);
    } else {
        // Null, or the bound effect again: rebuild its records and keep it.
        if (!m_effect)
            return;
        Clear(false);
    }
    m_stepCount = 0;
    BuildRecords(effect != nullptr);
}

void CEffectEngine::BuildRecords(bool effectIsNew)
{
    CEffect* effect = m_effect;
    m_fixtureCount = effect->m_beamIndex.size();
    if (effect->IsMatrix()) {
        // One record per pixel, pixel (r, c) being record cols * r + c,
        // whatever the beam lists hold.
        const auto* matrixEffect = static_cast<const CMatrixColorEffect*>(effect);
        const qint64 pixels = qint64(qMax(0, matrixEffect->m_rows)) * qMax(0, matrixEffect->m_cols);
        m_fixtureCount = pixels <= kMaxMatrixPixels ? int(pixels) : 0;
    }

    switch (m_mode) {
    case ColorMode:
        m_colorRecords.resize(m_fixtureCount);
        for (int i = 0; i < m_fixtureCount; ++i) {
            m_colorRecords[i].m_fixture = effect->m_beamFixtures.value(i, nullptr);
            m_colorRecords[i].m_beam = effect->m_beamIndex.value(i, -1);
        }
        break;
    case PanTiltMode:
        if (effectIsNew) {
            if (auto* panTilt = dynamic_cast<CPanTiltEffect*>(effect))
                m_panTiltShape->SetEffect(panTilt);
        }
        m_panTiltRecords.resize(m_fixtureCount);
        for (int i = 0; i < m_fixtureCount; ++i) {
            m_panTiltRecords[i].m_fixture = effect->m_beamFixtures.value(i, nullptr);
            m_panTiltRecords[i].m_beam = effect->m_beamIndex.value(i, -1);
        }
        break;
    default:
        m_channelRecords.resize(m_fixtureCount);
        for (int i = 0; i < m_fixtureCount; ++i) {
            m_channelRecords[i].m_fixture = effect->m_beamFixtures.value(i, nullptr);
            m_channelRecords[i].m_beam = effect->m_beamIndex.value(i, -1);
        }
        break;
    }

    switch (effect->m_type) {
    case EffectType::Trichro:
        if (effect->m_matrix) {
            m_rows = effect->m_matrix->PixelRows();
            m_cols = effect->m_matrix->PixelColumns();
        }
        break;
    case EffectType::Curve:
        if (auto* curve = dynamic_cast<CCurveEffect*>(effect)) {
            curve->m_onMatrix = effect->m_matrix != nullptr;
            if (effect->m_matrix) {
                m_rows = effect->m_matrix->Rows();
                m_cols = effect->m_matrix->Columns();
            }
            PrepareCurveRecords(*curve);
            curve->m_regenerateAll = true;
        }
        break;
    case EffectType::MatrixAnim:
    case EffectType::MatrixGif:
    case EffectType::MatrixMedia:
    case EffectType::MatrixText:
        if (const auto* matrixEffect = dynamic_cast<const CMatrixColorEffect*>(effect)) {
            m_rows = matrixEffect->m_rows;
            m_cols = matrixEffect->m_cols;
        }
        break;
    default:
        break;
    }
}

void CEffectEngine::GenerateEffect()
{
    if (!m_effect || m_generating || m_fixtureCount == 0)
        return;
    m_generating = true;
    m_tooLarge = false;
    m_matrixPattern->m_tooLarge = false;
    // The type code is only a number; each builder gets the class it expects.
    switch (m_effect->m_type) {
    case EffectType::Gradient:
        if (dynamic_cast<CGradientEffect*>(m_effect))
            GenerateGradient();
        break;
    case EffectType::Trichro:
        if (dynamic_cast<CTrichroEffect*>(m_effect))
            GenerateTrichro();
        break;
    case EffectType::Curve:
        if (dynamic_cast<CCurveEffect*>(m_effect))
            GenerateCurve();
        break;
    case EffectType::PanTilt:
        if (dynamic_cast<CPanTiltEffect*>(m_effect))
            GeneratePanTilt();
        break;
    case EffectType::MatrixAnim:
        if (dynamic_cast<CMatrixAnimEffect*>(m_effect))
            GenerateMatrixAnim();
        break;
    case EffectType::MatrixGif:
        if (dynamic_cast<CMatrixGifEffect*>(m_effect))
            GenerateMatrixGif();
        break;
    case EffectType::MatrixMedia:
        if (dynamic_cast<CMatrixMediaEffect*>(m_effect))
            GenerateMatrixMedia();
        break;
    case EffectType::MatrixText:
        if (dynamic_cast<CMatrixTextEffect*>(m_effect))
            GenerateMatrixText();
        break;
    default:
        break;
    }
    if (m_matrixPattern->m_tooLarge)
        m_tooLarge = true;
    m_generating = false;
}

void CEffectEngine::Clear(bool deleteEffect)
{
    if (!m_effect)
        return;
    if (deleteEffect) {
        // The shape must not keep pointing at the effect it is about to lose.
        m_panTiltShape->SetEffect(nullptr);
        delete m_effect;
        m_effect = nullptr;
    }
    switch (m_mode) {
    case ColorMode:
        m_red.clear();
        m_green.clear();
        m_blue.clear();
        m_white.clear();
        m_colorRecords.clear();
        break;
    case PanTiltMode:
        m_panCoarse.clear();
        m_panFine.clear();
        m_tiltCoarse.clear();
        m_tiltFine.clear();
        m_panTiltRecords.clear();
        break;
    default:
        m_curveCoarse.clear();
        m_curveFine.clear();
        m_channelRecords.clear();
        break;
    }
}

void CEffectEngine::ResizeStepBuffers()
{
    const int steps = m_stepCount;
    switch (m_mode) {
    case ColorMode:
        for (QByteArray* array : {&m_red, &m_green, &m_blue, &m_white})
            ResizeStepArray(*array, steps);
        for (CColorStepRecord& record : m_colorRecords)
            record.Resize(steps);
        break;
    case PanTiltMode:
        for (QByteArray* array : {&m_panCoarse, &m_panFine, &m_tiltCoarse, &m_tiltFine})
            ResizeStepArray(*array, steps);
        for (CPanTiltStepRecord& record : m_panTiltRecords)
            record.Resize(steps);
        break;
    default:
        ResizeStepArray(m_curveCoarse, steps);
        ResizeStepArray(m_curveFine, steps);
        for (CChannelStepRecord& record : m_channelRecords)
            record.Resize(steps);
        break;
    }
}

void CEffectEngine::ResizeSteps(int count)
{
    if (count != m_stepCount && count >= 1) {
        m_stepCount = count;
        ResizeStepBuffers();
    }
}

bool CEffectEngine::FitsStepBudget(qint64 steps) const
{
    const bool fits = steps >= 0 && steps * qMax(1, m_fixtureCount) <= kMaxStepCells;
    if (!fits && steps >= 0)
        m_tooLarge = true;
    return fits;
}

void CEffectEngine::ApplyIntensitySaturation()
{
    const auto* effect = dynamic_cast<const CColorEffect*>(m_effect);
    if (!effect)
        return;
    const int steps = qMax(0, m_stepCount);
    if (effect->m_intensity == 100 && effect->m_saturation == 0) {
        for (CColorStepRecord& record : m_colorRecords) {
            record.m_outRed = record.m_rawRed;
            record.m_outGreen = record.m_rawGreen;
            record.m_outBlue = record.m_rawBlue;
            record.m_outWhite = record.m_rawWhite;
            record.Resize(steps);
        }
        return;
    }
    // Computed in float from the start: values from a file may be anything,
    // and every output is held to a byte.
    const float k = float(effect->m_intensity) / 100.0f;
    const float ks = (float(effect->m_saturation) + 100.0f) / 100.0f * k;
    for (CColorStepRecord& record : m_colorRecords) {
        record.Resize(steps);
        const char* rawRed = record.m_rawRed.constData();
        const char* rawGreen = record.m_rawGreen.constData();
        const char* rawBlue = record.m_rawBlue.constData();
        const char* rawWhite = record.m_rawWhite.constData();
        char* red = record.m_outRed.data();
        char* green = record.m_outGreen.data();
        char* blue = record.m_outBlue.data();
        char* white = record.m_outWhite.data();
        for (int s = 0; s < steps; ++s) {
            red[s] = char(ScaledByte(static_cast<unsigned char>(rawRed[s]), ks));
            green[s] = char(ScaledByte(static_cast<unsigned char>(rawGreen[s]), ks));
            blue[s] = char(ScaledByte(static_cast<unsigned char>(rawBlue[s]), ks));
            white[s] = char(ScaledByte(static_cast<unsigned char>(rawWhite[s]), k));
        }
    }
}
