#pragma once

#include "effects/Effect.h"
#include "effects/EffectEngine.h"
#include "model/PatchedFixture.h"

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
