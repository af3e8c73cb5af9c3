// Running copies following their effect scene: a new effect re-applied, the
// live sliders passed on, and the level of a preset effect read back from
// or written into the copies' steps.

#include "show/Project.h"

#include "effects/Effect.h"
#include "effects/PresetEffect.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileChannelDef.h"
#include "model/ProfilePresetDef.h"
#include "show/EffectScene.h"
#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/SceneStep.h"

#include <algorithm>

namespace {

CPresetEffect* AsPresetEffect(CEffect* effect)
{
    return effect && effect->m_type == EffectType::Preset ? static_cast<CPresetEffect*>(effect) : nullptr;
}


const CProfilePresetDef* FirstMatchingPreset(const CPresetEffect& effect, const CProfileChannelDef& channel)
{
    for (const CProfilePresetDef* preset : channel.m_presets) {
        if (preset && effect.DrivesPreset(*preset))
            return preset;
    }
    return nullptr;
}

// (value - low) x 100 / (high - low), truncated; false for an empty range.
bool PercentOfRange(int value, int low, int high, int& percent)
{
    if (high == low)
        return false;
    percent = int(qint64(value - low) * 100 / (high - low));
    return true;
}

// PrValue from a channel level: over the DMX range, or over the percent
// range of p, the level's percentage of `start`..`end`.
bool LevelToSetting(const CPresetEffect& effect, int level, int start, int end, int& setting)
{
    if (!effect.m_percent)
        return PercentOfRange(level, effect.m_dmxMin, effect.m_dmxMax, setting);
    int p = 0;
    return PercentOfRange(level, start, end, p) && PercentOfRange(p, effect.m_percentMin, effect.m_percentMax, setting);
}

quint8 ClampedByte(qint64 value)
{
    return quint8(std::clamp<qint64>(value, 0, 255));
}

// The levels a preset effect's setting gives: a percentage, and a DMX level
// kept to 8 bits.
struct CPresetLevels
{
    explicit CPresetLevels(const CPresetEffect& effect)
        : percent(effect.m_percentMin
                  + int(qint64(effect.m_percentMax - effect.m_percentMin) * effect.m_prValue / 100)),
          raw(quint8((effect.m_dmxMin + qint64(effect.m_dmxMax - effect.m_dmxMin) * effect.m_prValue / 100) & 0xFF))
    {
    }

    quint8 ForChannel(bool usePercent) const { return usePercent ? ClampedByte(qint64(percent) * 255 / 100) : raw; }
    quint8 ForPreset(bool usePercent, const CProfilePresetDef& preset) const
    {
        const int start = preset.m_dmxStart;
        const int end = preset.m_dmxEnd;
        if (usePercent)
            return ClampedByte(start + qint64(end - start) * percent / 100);
        return quint8(std::clamp(int(raw), std::min(start, end), std::max(start, end)));
    }

    int percent;
    quint8 raw;
};

void WritePresetLevels(const CPresetEffect& effect, const CPresetLevels& levels, CPatchedFixture& fixture,
                       CStepFixture& entry)
{
    const CLibraryProfile* profile = fixture.Profile();
    if (!profile)
        return;
    for (const COtherChannel& other : profile->OtherChannels()) {
        const CProfileChannelDef* channel = other.channel;
        if (!channel)
            continue;
        if (channel->m_presets.isEmpty()) {
            if (effect.m_channelTypes.contains(channel->m_type))
                fixture.StoreChannel(&entry, channel, levels.ForChannel(effect.m_percent), false);
            continue;
        }
        if (const CProfilePresetDef* preset = FirstMatchingPreset(effect, *channel))
            fixture.StoreChannel(&entry, channel, levels.ForPreset(effect.m_percent, *preset), false);
    }
}

// Rebuilds a copy's steps from its first effect, bound as it is, and starts
// it at the step and time; false when nothing is left to play.
bool RestartFromEffect(CProject& project, CEffectScene& copy, int stepIndex, int timeMs)
{
    const CEffect* effect = copy.m_effects.value(0);
    project.m_boundFixtureCount = effect ? effect->m_fixtures.size() : 0;
    return project.RemakeCopySteps(copy) && copy.CScene::Start(stepIndex, timeMs, false, false, false);
}

} // namespace

bool CProject::RemakeCopySteps(CEffectScene& copy)
{
    if (copy.m_effects.isEmpty() || !copy.m_effects.first())
        return false;
    CEffect* effect = copy.m_effects.first();
    if ((effect->IsMatrix() && !effect->m_matrix) || effect->m_fixtures.isEmpty())
        return false;

    copy.DeleteSteps();
    const QList<CEffect*> others = copy.m_effects.mid(1);
    copy.m_effects = {effect};
    qDeleteAll(others);
    copy.ClearActiveMasks();
    GenerateEffectSteps(effect, &copy, 0);
    // The generated steps point at a clone the writing added; the copy keeps
    // its own effect as its only one.
    const QList<CEffect*> generated = copy.m_effects.mid(1);
    copy.m_effects = {effect};
    for (CSceneStep* step : qAsConst(copy.m_steps)) {
        if (generated.contains(step->m_effect))
            step->m_effect = effect;
    }
    qDeleteAll(generated);
    copy.UpdateLength();
    return true;
}

void CProject::ReapplyEffectScene(CEffectScene* effectScene, bool onSelection, int stepIndex, int timeMs)
{
    if (!effectScene)
        return;
    if (onSelection) {
        if (!SelectedFixtures().isEmpty())
            PlayEffectScene(effectScene, stepIndex, timeMs);
        return;
    }
    // A refreshed copy takes its predecessor's place in the list.
    for (int i = 0; i < m_runningCopies.size(); ++i) {
        if (m_runningCopies[i]->m_source == effectScene)
            RefreshRunningCopy(i, stepIndex, timeMs);
    }
}

bool CProject::RefreshRunningCopy(int index, int stepIndex, int timeMs)
{
    if (index < 0 || index >= m_runningCopies.size() || !m_firstPage)
        return false;
    CEffectScene* copy = m_runningCopies[index];
    CEffectScene* effectScene = copy->m_source;
    const int entryAt = m_firstPage->IndexOfPlaying(copy);
    if (!effectScene || entryAt < 0 || effectScene->m_effects.isEmpty())
        return false;
    CEffect* effect = CloneEffect(effectScene->m_effects.first());
    if (!effect)
        return false;
    if (!copy->m_effects.isEmpty() && copy->m_effects.first())
        effect->CopyFrom(*copy->m_effects.first());

    auto* fresh = new CEffectScene(*copy, true, true, false, false);
    fresh->m_runningCopy = true;
    fresh->m_source = effectScene;
    fresh->m_capturedSelection = copy->m_capturedSelection;
    fresh->m_effects << effect;
    if (!RestartFromEffect(*this, *fresh, stepIndex, timeMs)) {
        delete fresh;
        return false;
    }

    copy->UnmarkFixturesPlaying();
    fresh->MarkFixturesPlaying();
    m_runningCopies[index] = fresh;
    delete m_firstPage->m_playing[entryAt];
    m_firstPage->m_playing[entryAt] = new CPlayingScene(*this, fresh, false);
    const int pendingAt = m_firstPage->m_pending.indexOf(copy);
    if (pendingAt >= 0)
        m_firstPage->m_pending[pendingAt] = fresh;
    const int releasingAt = m_releasingCopies.indexOf(copy);
    if (releasingAt >= 0)
        m_releasingCopies[releasingAt] = fresh;
    delete copy;
    return true;
}

void CProject::SetSceneLiveParams(CScene* scene, bool dimmerChanged)
{
    if (!scene || !scene->IsEffectScene())
        return;
    // Waiting copies took the sliders as they were when they were made;
    // they start with the new ones.
    for (CEffectScene* copy : m_runningCopies + m_queuedCopies) {
        if (copy->m_source != scene)
            continue;
        if (dimmerChanged) {
            copy->SetDimmer(scene->Dimmer());
            if (m_firstPage)
                m_firstPage->RebaseStepFade(copy);
        } else {
            copy->SetSpeed(scene->Speed());
            copy->m_paused = scene->m_paused;
            copy->m_blackout = scene->m_blackout;
            copy->m_beamOn = scene->m_beamOn;
        }
    }
}

void CProject::ReadPresetEffectLevel(CEffect* effect, const CEffectScene* effectScene)
{
    CPresetEffect* preset = AsPresetEffect(effect);
    if (!preset || !effectScene || effectScene->m_steps.isEmpty())
        return;
    const CSceneStep* step = effectScene->m_steps.first();
    const QList<CPatchedFixture*> selected = SelectedFixtures();

    for (CPatchedFixture* fixture : qAsConst(preset->m_fixtures)) {
        if (!fixture || !effectScene->m_drivenFixtures.contains(fixture) || !selected.contains(fixture))
            continue;
        const CStepFixture* entry = step->FindEntry(fixture);
        const CLibraryProfile* profile = fixture->Profile();
        if (!entry || !profile)
            continue;
        const QList<COtherChannel>& others = profile->OtherChannels();
        int setting = 0;

        for (int type : qAsConst(preset->m_channelTypes)) {
            for (const COtherChannel& other : others) {
                const CProfileChannelDef* channel = other.channel;
                if (!channel || channel->m_type != type || !channel->m_presets.isEmpty())
                    continue;
                if (LevelToSetting(*preset, entry->Level(channel->m_index), 0, 255, setting))
                    preset->m_prValue = setting;
                return;
            }
        }
        const int pairs = std::min(preset->m_presetTypes1.size(), preset->m_presetTypes2.size());
        for (int i = 0; i < pairs; ++i) {
            const int type = preset->m_presetTypes1.at(i);
            const int effectType = preset->m_presetTypes2.at(i);
            for (const COtherChannel& other : others) {
                const CProfileChannelDef* channel = other.channel;
                if (!channel)
                    continue;
                for (const CProfilePresetDef* candidate : channel->m_presets) {
                    if (!candidate || candidate->m_type != type
                        || (effectType != -1 && candidate->m_effectType != effectType))
                        continue;
                    if (LevelToSetting(*preset, entry->Level(channel->m_index), candidate->m_dmxStart,
                                       candidate->m_dmxEnd, setting))
                        preset->m_prValue = setting;
                    return;
                }
            }
        }
    }
}

void CProject::UpdatePresetEffectLevel(CEffectScene* effectScene, bool selectionOnly)
{
    if (!effectScene || effectScene->m_effects.isEmpty())
        return;
    const CPresetEffect* preset = AsPresetEffect(effectScene->m_effects.first());
    if (!preset)
        return;
    const CPresetLevels levels(*preset);
    const QList<CPatchedFixture*> selected = SelectedFixtures();

    for (CEffectScene* copy : qAsConst(m_runningCopies)) {
        if (copy->m_source != effectScene || copy->m_steps.isEmpty())
            continue;
        CSceneStep* step = copy->m_steps.first();
        // The copy's own effect is the one bound to the fixtures it plays on.
        const CEffect* bound = copy->m_effects.isEmpty() || !copy->m_effects.first() ? preset
                                                                                      : copy->m_effects.first();
        const int fixtures = std::min(bound->m_fixtures.size(), bound->m_fixtureSel.size());
        for (int i = 0; i < fixtures; ++i) {
            CPatchedFixture* fixture = bound->m_fixtures.at(i);
            if (!fixture || !bound->m_fixtureSel.at(i))
                continue;
            CStepFixture* entry = step->FindEntry(fixture);
            if (!entry)
                continue;
            if (!selected.isEmpty()
                && !(selectionOnly && copy->m_drivenFixtures.contains(fixture) && selected.contains(fixture)))
                continue;
            WritePresetLevels(*preset, levels, *fixture, *entry);
        }
    }
}
