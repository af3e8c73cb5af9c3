#pragma once

#include "show/Scene.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

class CEffectScene;
class CPatchedFixture;

// Levels an effect scene holds whatever its effect does, for the channels of
// one profile mode: (channel index, level) pairs.
struct CModeStaticLevels
{
    QString m_profile; // profile path
    int m_mode = 0;
    QList<QPair<int, quint8>> m_levels;
};

// A level an effect scene holds on one DMX channel.
struct CStaticChannelLevel
{
    int m_universe = 0;
    int m_channel = 0;
    quint8 m_level = 0;
};

// Builds an effect scene's steps from its first effect for the fixtures
// selected at that moment, just before the scene starts. The effect engine
// installs it; without one, effect scenes do not start.
using EffectStepBuilder = bool (*)(CEffectScene& scene);
void SetEffectStepBuilder(EffectStepBuilder builder);

// A scene whose steps are generated from its effect at every start, with
// static levels on channels the effect leaves alone. Running copies of an
// effect scene play it on the live selection.
class CEffectScene : public CScene
{
public:
    CEffectScene(const QString& name, int universeCount);
    // CScene's copy with the last three flags, plus the static levels; with
    // copyLists also the driven fixtures and the static channels.
    CEffectScene(const CEffectScene& source, bool copyLists, bool copyLiveParameters, bool copyTriggers,
                 bool copySteps);

    bool IsEffectScene() const override { return true; }
    // An effect scene plays as long as it has an effect.
    bool IsDynamic() const override;
    // Regenerates the steps for the current selection (the installed
    // builder), then starts as any scene. False without an effect, without a
    // builder or when the builder finds nothing to drive.
    bool Start(int stepIndex = -1, int stepTime = -1, bool markFixtures = false, bool customFadeIn = false,
               bool noLoopCount = false) override;

    // What the builder clears before generating: every step, the current
    // step and the active masks; the effects stay.
    void ClearGeneratedSteps();

    // Static channels of a universe; empty outside the scene's universes.
    QList<int> StaticChannels(int universe) const;
    void SetStaticChannels(int universe, const QList<int>& channels);

    bool m_runningCopy = false;
    bool m_staticLevelsChanged = false;
    CEffectScene* m_source = nullptr; // for a running copy: the scene it copies; not owned
    QList<CModeStaticLevels> m_modeStaticLevels;
    QList<CStaticChannelLevel> m_channelStaticLevels;
    QList<CPatchedFixture*> m_drivenFixtures;     // not owned
    QList<CPatchedFixture*> m_capturedSelection; // not owned

private:
    QVector<QList<int>> m_staticChannels; // per universe
};
