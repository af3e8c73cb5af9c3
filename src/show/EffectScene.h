#pragma once

#include "show/Scene.h"

#include <QMap>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

class CEffectScene;
class CFixtureProfile;
class CPatchedFixture;

// Levels an effect scene holds whatever its effect does, for the channels of
// one profile mode: (channel index, level) pairs.
struct CModeStaticLevels
{
    QString m_profile; // profile path
    int m_mode = 0;
    QList<QPair<int, quint8>> m_levels;
    // The mode's channel count, then the type of each channel. A project
    // file keeps only the mode a profile is used in and renumbers it 0, so a
    // record finds its profiles by path and layout; with the layout unknown
    // (empty) by path and mode index.
    QList<int> m_layout = {};

    bool Matches(const CFixtureProfile* profile) const;
    static QList<int> LayoutOf(const CFixtureProfile* profile);
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
// Returns the builder installed before, for a test to put back.
EffectStepBuilder SetEffectStepBuilder(EffectStepBuilder builder);

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
    // The universes that have static channels.
    int StaticUniversesHeld() const { return m_staticChannels.size(); }

    // Scene editing
    // Static levels of a profile mode (the profile's current mode) and of
    // single DMX channels; setting either raises m_staticLevelsChanged.
    void SetStaticLevel(const CLibraryProfile* profile, int channel, quint8 level);
    bool HasStaticLevel(const CLibraryProfile* profile, int channel) const;
    // Keeps the mode's record even when it is left empty.
    void RemoveStaticLevel(const CLibraryProfile* profile, int channel);
    void SetChannelStaticLevel(int universe, int channel, quint8 level);
    void RemoveChannelStaticLevel(int universe, int channel);
    // Static channels: the output slots (0-511) the effect drives, per
    // universe. Slots past the universe or universes past the scene's are
    // ignored; a slot is listed once. -1 skips an optional channel.
    void AddStaticChannel(int universe, int channel);
    void AddStaticColorChannels(int universe, int red, int green, int blue, int white);
    void AddStaticPanTiltChannels(int universe, int pan, int tilt, int panFine, int tiltFine);
    // The fixture's first-group colour sets, pan/tilt pairs, dimmers or one
    // mode channel, where they serve a selected beam of the fixture.
    void AddStaticColorSet(const CPatchedFixture* fixture, int set);
    void AddStaticColorSets(const CPatchedFixture* fixture);
    void AddStaticPanTiltSet(const CPatchedFixture* fixture, int pair);
    void AddStaticPanTiltSets(const CPatchedFixture* fixture);
    void AddStaticDimmer(const CPatchedFixture* fixture, int dimmer);
    void AddStaticDimmers(const CPatchedFixture* fixture);
    void AddStaticModeChannel(const CPatchedFixture* fixture, const CProfileChannelDef* channel);
    bool IsStaticChannel(int universe, int channel) const;
    // Static channels move with their fixtures before the masks do.
    void RemapChannels(const QList<int>& oldUniverses, const QList<int>& oldAddresses,
                       const QList<int>& newUniverses, const QList<int>& newAddresses,
                       const QList<int>& lengths) override;
    // A running copy gives up the fixtures of `other`'s captured selection
    // whose channels both copies hold static. True when its first step is
    // left without entries (the caller then stops it).
    bool ReleaseSharedFixtures(const CEffectScene& other);

    bool m_runningCopy = false;
    bool m_staticLevelsChanged = false;
    CEffectScene* m_source = nullptr; // for a running copy: the scene it copies; not owned
    QList<CModeStaticLevels> m_modeStaticLevels;
    QList<CStaticChannelLevel> m_channelStaticLevels;
    QList<CPatchedFixture*> m_drivenFixtures;     // not owned
    QList<CPatchedFixture*> m_capturedSelection; // not owned

private:
    QMap<int, QList<int>> m_staticChannels; // by universe, only those that have some
};
