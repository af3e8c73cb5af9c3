#include "show/EffectScene.h"

#include "show/SceneStep.h"
#include "model/FixtureProfile.h"
#include "model/ProfileChannelDef.h"

namespace {

EffectStepBuilder g_stepBuilder = nullptr;

} // namespace

QList<int> CModeStaticLevels::LayoutOf(const CFixtureProfile* profile)
{
    QList<int> layout;
    if (!profile)
        return layout;
    const int count = profile->ChannelCount();
    layout.reserve(count + 1);
    layout << count;
    for (int n = 0; n < count; ++n) {
        const CProfileChannelDef* channel = profile->GetChannel(n);
        layout << (channel ? channel->m_type : -1);
    }
    return layout;
}

bool CModeStaticLevels::Matches(const CFixtureProfile* profile) const
{
    if (!profile || m_profile != profile->GetPath())
        return false;
    return m_layout.isEmpty() ? m_mode == profile->m_currentMode : m_layout == LayoutOf(profile);
}

EffectStepBuilder SetEffectStepBuilder(EffectStepBuilder builder)
{
    const EffectStepBuilder before = g_stepBuilder;
    g_stepBuilder = builder;
    return before;
}

CEffectScene::CEffectScene(const QString& name, int universeCount)
    : CScene(name, universeCount)
{
}

CEffectScene::CEffectScene(const CEffectScene& source, bool copyLists, bool copyLiveParameters, bool copyTriggers,
                           bool copySteps)
    : CScene(source, copyLiveParameters, copyTriggers, copySteps),
      m_modeStaticLevels(source.m_modeStaticLevels),
      m_channelStaticLevels(source.m_channelStaticLevels)
{
    if (copyLists) {
        m_drivenFixtures = source.m_drivenFixtures;
        m_staticChannels = source.m_staticChannels;
    }
}

bool CEffectScene::IsDynamic() const
{
    return !m_effects.isEmpty();
}

bool CEffectScene::Start(int stepIndex, int stepTime, bool markFixtures, bool customFadeIn, bool noLoopCount)
{
    if (m_effects.isEmpty() || !g_stepBuilder || !g_stepBuilder(*this))
        return false;
    return CScene::Start(stepIndex, stepTime, markFixtures, customFadeIn, noLoopCount);
}

void CEffectScene::ClearGeneratedSteps()
{
    DeleteSteps();
    ClearActiveMasks();
    UpdateLength();
}

QList<int> CEffectScene::StaticChannels(int universe) const
{
    return m_staticChannels.value(universe);
}

void CEffectScene::SetStaticChannels(int universe, const QList<int>& channels)
{
    if (universe < 0 || universe >= UniverseCount())
        return;
    if (channels.isEmpty())
        m_staticChannels.remove(universe);
    else
        m_staticChannels.insert(universe, channels);
}
