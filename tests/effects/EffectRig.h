#pragma once

#include "effects/Effect.h"
#include "effects/EffectEngine.h"
#include "effects/RgbwColor.h"
#include "model/PatchedFixture.h"

#include <QVector>

#include <memory>
#include <vector>

// Raw fixtures `AddressStep` slots apart, bound to an effect with one driven
// beam each, as the effect editors bind them.
template <int AddressStep>
class EffectRig
{
public:
    explicit EffectRig(int fixtures)
    {
        for (int i = 0; i < fixtures; ++i)
            m_fixtures.push_back(std::make_unique<CPatchedFixture>(i * AddressStep, 0));
    }

    void Drive(CEffect& effect) const
    {
        for (const auto& fixture : m_fixtures) {
            effect.m_fixtures << fixture.get();
            effect.m_fixtureSel << true;
            effect.m_beamIndex << 0;
            effect.m_beamFixtures << fixture.get();
            effect.m_beamSel << true;
        }
    }

    // Drives the effect, binds it to the engine (which owns it from then on)
    // and generates its steps.
    void Generate(CEffectEngine& engine, CEffect* effect) const
    {
        Drive(*effect);
        engine.SetEffect(effect);
        engine.GenerateEffect();
    }

private:
    std::vector<std::unique_ptr<CPatchedFixture>> m_fixtures;
};

// A record's colour on one step as the builder wrote it (raw) or as it goes
// out after intensity and saturation, and every record's colour on a step.
inline CRgbwColor RawColor(const CEffectEngine& engine, int record, int step)
{
    const CColorStepRecord& r = engine.m_colorRecords.at(record);
    return CRgbwColor(quint8(r.m_rawRed.at(step)), quint8(r.m_rawGreen.at(step)), quint8(r.m_rawBlue.at(step)),
                      quint8(r.m_rawWhite.at(step)));
}

inline CRgbwColor OutputColor(const CEffectEngine& engine, int record, int step)
{
    const CColorStepRecord& r = engine.m_colorRecords.at(record);
    return CRgbwColor(quint8(r.m_outRed.at(step)), quint8(r.m_outGreen.at(step)), quint8(r.m_outBlue.at(step)),
                      quint8(r.m_outWhite.at(step)));
}

inline QVector<CRgbwColor> RawStep(const CEffectEngine& engine, int step)
{
    QVector<CRgbwColor> colors;
    for (int i = 0; i < engine.m_colorRecords.size(); ++i)
        colors << RawColor(engine, i, step);
    return colors;
}

inline QVector<CRgbwColor> OutputStep(const CEffectEngine& engine, int step)
{
    QVector<CRgbwColor> colors;
    for (int i = 0; i < engine.m_colorRecords.size(); ++i)
        colors << OutputColor(engine, i, step);
    return colors;
}
