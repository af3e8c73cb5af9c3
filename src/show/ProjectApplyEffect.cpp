// Applying an effect to a scene: generated values become written steps of a
// plain scene or the steps an effect scene regenerates at each start, and
// effects are bound to the fixtures of the selection.

#include "show/Project.h"

#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "effects/GradientEffect.h"
#include "effects/MatrixColorEffect.h"
#include "effects/PanTiltEffect.h"
#include "effects/PresetEffect.h"
#include "effects/TrichroEffect.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"
#include "show/StepAlignment.h"
#include "Captions.h"

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr int kTimeGrainMs = 40;
constexpr int kPresetStepWaitMs = 10000;
constexpr int kCurvePhaseSpan = 200; // positions of a curve's value arrays

quint8 ByteAt(const QByteArray& bytes, int index)
{
    return index >= 0 && index < bytes.size() ? quint8(bytes.at(index)) : 0;
}

quint8 Mean(quint8 red, quint8 green, quint8 blue)
{
    return quint8((int(red) + green + blue) / 3);
}

quint8 ClampedByte(qint64 value)
{
    return quint8(std::clamp<qint64>(value, 0, 255));
}

bool IsMatrixKind(int type)
{
    return type >= EffectType::MatrixAnim && type <= EffectType::MatrixText;
}

bool HasDimmers(const CLibraryProfile& profile)
{
    return profile.HasDimmers(false) || profile.HasDimmers(true);
}

// --- Writing generated steps

// The host's progress text for a write that takes longer than half a
// second: from then on, the steps written so far, a few times a second.
class CWriteProgress
{
public:
    CWriteProgress() { m_clock.start(); }
    ~CWriteProgress()
    {
        if (m_shown)
            ShowHost().CloseSplash();
    }
    CWriteProgress(const CWriteProgress&) = delete;
    CWriteProgress& operator=(const CWriteProgress&) = delete;

    void Report(int steps)
    {
        const qint64 now = m_clock.elapsed();
        if (now < kFirstMs || now - m_shownAt < kRefreshMs)
            return;
        m_shown = true;
        m_shownAt = now;
        ShowHost().ShowSplashMessage(GetLangText(Txt::ApplyingEffect).arg(steps));
    }

private:
    static constexpr qint64 kFirstMs = 500;
    static constexpr qint64 kRefreshMs = 250;
    QElapsedTimer m_clock;
    qint64 m_shownAt = -kRefreshMs;
    bool m_shown = false;
};

// Turns what an engine generated for its bound effect into steps of one
// scene, inserted from a position on. Only entries of the effect's enabled
// fixtures are written; a track of an empty matrix slot (no fixture) or of
// a fixture without an entry is skipped.
class CGeneratedStepWriter
{
public:
    CGeneratedStepWriter(CProject& project, const CEffectEngine& engine, CScene& scene, CEffect* clone,
                         int position)
        : m_project(project),
          m_engine(engine),
          m_scene(scene),
          m_effectScene(scene.IsEffectScene() ? static_cast<CEffectScene*>(&scene) : nullptr),
          m_clone(clone),
          m_position(std::clamp(position, 0, int(scene.m_steps.size())))
    {
        const CEffect& effect = *engine.Effect();
        for (int i = 0; i < effect.m_fixtures.size(); ++i) {
            CPatchedFixture* fixture = effect.m_fixtures.at(i);
            if (fixture && effect.m_fixtureSel.value(i, false) && !m_entryIndexes.contains(fixture)) {
                m_entryIndexes.insert(fixture, m_enabled.size());
                m_enabled << fixture;
                m_enabledIndexes << i;
            }
        }
    }

    bool HasFixtures() const { return !m_enabled.isEmpty(); }
    // The fixtures each written step holds an entry of, in order.
    const QList<CPatchedFixture*>& Enabled() const { return m_enabled; }

    // What Write will make: every step holds an entry per enabled fixture
    // (an effect scene's static channels may add theirs).
    CScene::SEffectRowSize Size() const
    {
        CScene::SEffectRowSize size;
        size.steps = StepsToWrite();
        qint64 levels = 0;
        for (const CPatchedFixture* fixture : m_enabled)
            levels += CShowBounds::LevelsOf(fixture);
        const qint64 statics = m_effectScene ? m_effectScene->m_channelStaticLevels.size() : 0;
        size.entries = size.steps * (m_enabled.size() + statics);
        size.levels = size.steps * (levels + statics);
        return size;
    }

    void Write()
    {
        const CEffect* effect = m_engine.Effect();
        if (const auto* gradient = dynamic_cast<const CGradientEffect*>(effect))
            WriteGradient(*gradient);
        else if (const auto* sequence = dynamic_cast<const CTrichroEffect*>(effect))
            WriteColorSequence(sequence->m_fade);
        else if (const auto* matrix = dynamic_cast<const CMatrixColorEffect*>(effect))
            WriteColorSequence(matrix->m_fade);
        else if (const auto* panTilt = dynamic_cast<const CPanTiltEffect*>(effect))
            WritePanTilt(panTilt->m_fade);
        else if (const auto* curve = dynamic_cast<const CCurveEffect*>(effect))
            WriteCurve(*curve);
        else if (const auto* preset = dynamic_cast<const CPresetEffect*>(effect))
            WritePreset(*preset);
    }

    // The effect scene's own levels on every written step.
    void WriteStaticLevels()
    {
        if (!m_effectScene || (m_effectScene->m_modeStaticLevels.isEmpty()
                               && m_effectScene->m_channelStaticLevels.isEmpty()))
            return;
        for (int s = 0; s < m_written.size(); ++s) {
            const bool registering = s == 0;
            CSceneStep* step = m_written.at(s);
            for (const CStaticChannelLevel& level : qAsConst(m_effectScene->m_channelStaticLevels))
                WriteChannelStaticLevel(step, level, registering);
            for (CPatchedFixture* fixture : qAsConst(m_enabled))
                WriteModeStaticLevels(step, fixture, registering);
        }
    }

private:
    qint64 StepsToWrite() const
    {
        const CEffect* effect = m_engine.Effect();
        if (const auto* gradient = dynamic_cast<const CGradientEffect*>(effect))
            return gradient->m_gradType != 0 ? std::max(0, m_engine.m_stepCount) : 1;
        if (dynamic_cast<const CTrichroEffect*>(effect) || dynamic_cast<const CMatrixColorEffect*>(effect)
            || dynamic_cast<const CPanTiltEffect*>(effect))
            return std::max(0, m_engine.m_stepCount);
        if (const auto* curve = dynamic_cast<const CCurveEffect*>(effect)) {
            qint64 steps = 0;
            ForEachCurveStep(*curve, [&](int, int) { ++steps; });
            return steps;
        }
        return dynamic_cast<const CPresetEffect*>(effect) ? 1 : 0;
    }

    CSceneStep* NewStep(int fade, int wait)
    {
        // The enabled fixtures are distinct and not null (see the constructor).
        return new CSceneStep(&m_scene, fade, wait, m_clone, m_enabled, m_project, true);
    }

    // A new step holds one entry per enabled fixture, in their order; a
    // search of thousands of entries for every track would cost their square.
    // Tracks mostly follow that order too, so the entry after the last one
    // found is tried first.
    CStepFixture* EntryOf(const CSceneStep* step, const CPatchedFixture* fixture) const
    {
        const auto holds = [step, fixture](int i) {
            return i >= 0 && i < step->m_entries.size() && step->m_entries.at(i)->Fixture() == fixture;
        };
        int i = m_lastEntry + 1;
        if (!holds(i))
            i = m_entryIndexes.value(fixture, -1);
        if (!holds(i))
            return fixture ? step->FindEntry(fixture) : nullptr;
        m_lastEntry = i;
        return step->m_entries.at(i);
    }

    // Static channels are declared while the first step is written only.
    bool Registering() const { return m_effectScene && m_written.isEmpty(); }

    void Insert(CSceneStep* step)
    {
        m_scene.m_steps.insert(m_position + m_written.size(), step);
        m_written << step;
        m_progress.Report(m_written.size());
    }

    // --- Colour kinds

    // A dimmer-only fixture takes the mean of the colour on its dimmers.
    void WriteColorTrack(CSceneStep* step, const CColorStepRecord& track, int s, bool allSets)
    {
        CPatchedFixture* fixture = track.m_fixture;
        CStepFixture* entry = EntryOf(step, fixture);
        if (!entry || !fixture->Profile())
            return;
        const quint8 red = ByteAt(track.m_outRed, s);
        const quint8 green = ByteAt(track.m_outGreen, s);
        const quint8 blue = ByteAt(track.m_outBlue, s);
        const quint8 white = ByteAt(track.m_outWhite, s);
        const bool registering = Registering();
        if (fixture->Profile()->IsDimmerOnly()) {
            const quint8 level = Mean(red, green, blue);
            if (allSets) {
                fixture->StoreAllDimmers(entry, level);
                if (registering)
                    m_effectScene->AddStaticDimmers(fixture);
            } else {
                fixture->StoreDimmer(entry, track.m_beam, level);
                if (registering)
                    m_effectScene->AddStaticDimmer(fixture, track.m_beam);
            }
            return;
        }
        if (allSets) {
            fixture->StoreAllColors(entry, red, green, blue, white, false, true);
            if (registering)
                m_effectScene->AddStaticColorSets(fixture);
        } else {
            fixture->StoreColor(entry, track.m_beam, red, green, blue, white);
            if (registering)
                m_effectScene->AddStaticColorSet(fixture, track.m_beam);
        }
    }

    void WriteGradient(const CGradientEffect& gradient)
    {
        const bool moving = gradient.m_gradType != 0;
        if (!moving) {
            CSceneStep* step = NewStep(0, gradient.m_len);
            for (const CColorStepRecord& track : m_engine.m_colorRecords)
                WriteColorTrack(step, track, 0, true);
            Insert(step);
            return;
        }
        for (int s = 0; s < m_engine.m_stepCount; ++s) {
            CSceneStep* step = NewStep(gradient.m_stepTimes.value(s, 0), 0);
            for (const CColorStepRecord& track : m_engine.m_colorRecords)
                WriteColorTrack(step, track, s, true);
            Insert(step);
        }
    }

    void WriteColorSequence(int fade)
    {
        for (int s = 0; s < m_engine.m_stepCount; ++s) {
            CSceneStep* step = NewStep(fade, 0);
            for (const CColorStepRecord& track : m_engine.m_colorRecords)
                WriteColorTrack(step, track, s, false);
            Insert(step);
        }
    }

    // --- Pan/tilt

    void WritePanTilt(int fade)
    {
        for (int s = 0; s < m_engine.m_stepCount; ++s) {
            CSceneStep* step = NewStep(fade, 0);
            const bool registering = Registering();
            for (const CPanTiltStepRecord& track : m_engine.m_panTiltRecords) {
                CPatchedFixture* fixture = track.m_fixture;
                CStepFixture* entry = EntryOf(step, fixture);
                if (!entry)
                    continue;
                fixture->StorePanTilt(entry, track.m_beam, ByteAt(track.m_panCoarse, s), ByteAt(track.m_tiltCoarse, s),
                                      ByteAt(track.m_panFine, s), ByteAt(track.m_tiltFine, s));
                if (registering)
                    m_effectScene->AddStaticPanTiltSet(fixture, track.m_beam);
            }
            Insert(step);
        }
    }

    // --- Curve

    // One step per curve point, each lasting a whole number of 40 ms grains:
    // points closer than that to the last written step fold into the next.
    // `step(fade, phase)` is called for each step to write.
    template <typename Step>
    static void ForEachCurveStep(const CCurveEffect& curve, Step step)
    {
        const int points = curve.m_pointCount;
        const double pointTime = curve.m_pointTime;
        if (points < 1 || !std::isfinite(pointTime) || pointTime < 0.0)
            return;
        const double phaseStep = double(kCurvePhaseSpan) / points;
        qint64 elapsed = 0;
        qint64 written = 0;
        int phase = 0;
        // Far beyond any show, and inside what a step's time can hold.
        constexpr double kLongestMs = double(std::numeric_limits<int>::max());
        for (int k = 0; k < points; ++k) {
            elapsed = qint64(std::min(pointTime + double(elapsed), kLongestMs));
            const qint64 fade = (elapsed - written) / kTimeGrainMs * kTimeGrainMs;
            if (fade > 0) {
                step(int(fade), phase);
                written += fade;
            }
            phase = int(phaseStep + phase);
        }
    }

    void WriteCurve(const CCurveEffect& curve)
    {
        ForEachCurveStep(curve, [&](int fade, int phase) {
            CSceneStep* step = NewStep(fade, 0);
            CEffectScene* registerIn = Registering() ? m_effectScene : nullptr;
            for (int i = 0; i < m_enabled.size(); ++i) {
                CPatchedFixture* fixture = m_enabled.at(i);
                if (CStepFixture* entry = EntryOf(step, fixture))
                    m_project.StoreCurveValues(registerIn, &curve, fixture, entry, m_enabledIndexes.at(i), phase);
            }
            Insert(step);
        });
    }

    // --- Preset

    void WritePreset(const CPresetEffect& effect)
    {
        const int setting = effect.m_prValue;
        const int percent =
            effect.m_percentMin + int(qint64(effect.m_percentMax - effect.m_percentMin) * setting / 100);
        const quint8 raw =
            quint8((effect.m_dmxMin + qint64(effect.m_dmxMax - effect.m_dmxMin) * setting / 100) & 0xFF);
        const quint8 channelLevel = effect.m_percent ? ClampedByte(qint64(percent) * 255 / 100) : raw;

        CSceneStep* step = NewStep(0, kPresetStepWaitMs);
        for (CPatchedFixture* fixture : qAsConst(m_enabled)) {
            CStepFixture* entry = EntryOf(step, fixture);
            const CLibraryProfile* profile = fixture->Profile();
            if (!entry || !profile)
                continue;
            for (const COtherChannel& other : profile->OtherChannels()) {
                const CProfileChannelDef* channel = other.channel;
                if (!channel)
                    continue;
                if (channel->m_presets.isEmpty()) {
                    if (effect.m_channelTypes.contains(channel->m_type))
                        StoreStatic(fixture, entry, channel, channelLevel);
                    continue;
                }
                for (const CProfilePresetDef* preset : channel->m_presets) {
                    if (!preset || !effect.DrivesPreset(*preset))
                        continue;
                    const int start = preset->m_dmxStart;
                    const int end = preset->m_dmxEnd;
                    const quint8 level = effect.m_percent
                                             ? ClampedByte(start + qint64(end - start) * percent / 100)
                                             : quint8(std::clamp(int(raw), std::min(start, end), std::max(start, end)));
                    StoreStatic(fixture, entry, channel, level);
                }
            }
        }
        Insert(step);
    }

    void StoreStatic(CPatchedFixture* fixture, CStepFixture* entry, const CProfileChannelDef* channel, quint8 level)
    {
        fixture->StoreChannel(entry, channel, level, false);
        if (Registering())
            m_effectScene->AddStaticModeChannel(fixture, channel);
    }

    // --- Static levels of an effect scene

    void WriteChannelStaticLevel(CSceneStep* step, const CStaticChannelLevel& level, bool registering)
    {
        CPatchedFixture* raw = m_project.GetChannelFixture(level.m_universe, level.m_channel);
        if (!raw)
            return;
        CStepFixture* entry = step->FindEntry(raw);
        if (!entry)
            entry = step->AddEntry(new CStepFixture(raw, &m_scene));
        if (!entry)
            return;
        entry->SetLevel(0, level.m_level, true, false);
        if (registering)
            m_effectScene->AddStaticChannel(level.m_universe, level.m_channel);
    }

    // Channels the effect itself drives keep the effect's levels.
    void WriteModeStaticLevels(CSceneStep* step, CPatchedFixture* fixture, bool registering)
    {
        const CLibraryProfile* profile = fixture->Profile();
        CStepFixture* entry = EntryOf(step, fixture);
        if (!profile || !entry)
            return;
        for (const CModeStaticLevels& record : qAsConst(m_effectScene->m_modeStaticLevels)) {
            if (record.m_profile != profile->GetPath() || record.m_mode != profile->m_currentMode)
                continue;
            for (const auto& level : record.m_levels) {
                const CProfileChannelDef* channel = profile->GetChannel(level.first);
                if (!channel)
                    continue;
                const int type = channel->m_type;
                if ((type == 1 || type == 2) && (!profile->HasPanTilt(false) || m_clone->IsPanTilt()))
                    continue;
                if (type >= 25 && type <= 31 && (!profile->HasColor(false) || m_clone->IsColor()))
                    continue;
                fixture->StoreChannel(entry, channel, level.second, false);
                if (registering)
                    m_effectScene->AddStaticModeChannel(fixture, channel);
            }
        }
    }

    CProject& m_project;
    const CEffectEngine& m_engine;
    CScene& m_scene;
    CEffectScene* m_effectScene;
    CEffect* m_clone;
    const int m_position;
    QList<CPatchedFixture*> m_enabled;
    QList<int> m_enabledIndexes; // of each enabled fixture in the effect's lists
    QHash<const CPatchedFixture*, int> m_entryIndexes; // of each enabled fixture in m_enabled
    mutable int m_lastEntry = -1;
    CWriteProgress m_progress;
    QList<CSceneStep*> m_written;
};

// Writes the engine's bound effect into the scene; the scene owns the clone
// its steps point to. `admit`, when given, learns what the row will make
// before anything is made, and may throw to refuse it.
void WriteEngineSteps(CProject& project, const CEffectEngine& engine, CScene* scene, int position,
                      const CScene::EffectRowAdmit& admit = {})
{
    if (!scene || !engine.Effect())
        return;
    std::unique_ptr<CEffect> clone(CloneEffect(engine.Effect()));
    if (!clone)
        return;
    CGeneratedStepWriter writer(project, engine, *scene, clone.get(), position);
    if (!writer.HasFixtures())
        return;
    if (admit)
        admit(writer.Size());
    if (scene->IsEffectScene()) {
        auto* effectScene = static_cast<CEffectScene*>(scene);
        for (int universe = 0; universe < effectScene->UniverseCount(); ++universe)
            effectScene->SetStaticChannels(universe, {});
    }
    writer.Write();
    scene->m_effects << clone.release();
    writer.WriteStaticLevels();
    scene->UpdateLength();
}

// Generates the effect (the caller keeps it) and writes its steps into the
// scene from step index `position` on.
void GenerateRow(CProject& project, const CEffect* effect, CScene* scene, int position,
                 const CScene::EffectRowAdmit& admit)
{
    if (!effect || !scene)
        return;
    CEffect* clone = CloneEffect(effect);
    if (!clone)
        return;
    // An engine of its own: the project's engine holds the effect the
    // editor is working on, which a start or a patch change must not take.
    CEffectEngine engine;
    engine.SetEffect(clone);
    engine.GenerateEffect();
    WriteEngineSteps(project, engine, scene, position, admit);
}

// --- Binding

// The effect's lists sized to a matrix: `cells` fixture slots and `beams`
// beam slots, all empty.
void SizeListsToMatrix(CEffect& effect, int cells, int beams, int emptyBeamIndex)
{
    for (int c = 0; c < cells; ++c) {
        effect.m_fixtures << nullptr;
        effect.m_fixtureSel << false;
    }
    for (int p = 0; p < beams; ++p) {
        effect.m_beamIndex << emptyBeamIndex;
        effect.m_beamFixtures << nullptr;
        effect.m_beamSel << false;
    }
}

int CellCount(const CFixtureMatrix& matrix)
{
    return std::max(0, matrix.Columns()) * std::max(0, matrix.Rows());
}

// Gradients, curves and presets on a matrix: one slot per cell in all five
// lists, a member in the slot of its cell.
void FillMatrixCells(CEffect& effect, const CFixtureMatrix& matrix)
{
    const int cells = CellCount(matrix);
    SizeListsToMatrix(effect, cells, cells, 0);
    for (int i = 0; i < matrix.MemberCount(); ++i) {
        CPatchedFixture* fixture = matrix.Member(i);
        const int c = matrix.FirstPixelOfMember(i);
        if (!fixture || c < 0 || c >= cells)
            continue;
        effect.m_fixtures[c] = fixture;
        effect.m_beamFixtures[c] = fixture;
        if (fixture->IsAnyBeamSelected()) {
            effect.m_fixtureSel[c] = true;
            effect.m_beamSel[c] = true;
        }
    }
}

// Pixel kinds: a fixture slot per cell and a beam slot per pixel, each
// pixel naming the colour set (or dimmer) of the member that lights it.
// Slots no member fills stay empty.
void FillMatrixPixels(CEffect& effect, const CFixtureMatrix& matrix)
{
    const CLibraryProfile* profile = matrix.Profile();
    if (!profile)
        return;
    const bool dimmerMode = profile->IsDimmerOnly();
    const int sets = dimmerMode ? profile->Dimmers(false).size() : profile->ColorSets(false).size();
    const int cells = CellCount(matrix);
    const int pixels = std::max(0, matrix.PixelColumns()) * std::max(0, matrix.PixelRows());
    SizeListsToMatrix(effect, cells, pixels, -1);
    for (int i = 0; i < matrix.MemberCount(); ++i) {
        CPatchedFixture* fixture = matrix.Member(i);
        if (!fixture)
            continue;
        const bool selected = fixture->IsAnyBeamSelected();
        const int c = matrix.FirstPixelOfMember(i);
        if (c >= 0 && c < cells) {
            effect.m_fixtures[c] = fixture;
            effect.m_fixtureSel[c] = selected;
        }
        for (int k = 0; k < sets; ++k) {
            const CProfileChannelDef* channel =
                dimmerMode ? profile->Dimmers(false).at(k).channel : profile->ColorSets(false).at(k).red;
            if (!channel)
                continue;
            const int p = matrix.PixelOfMember(i, channel->m_beams);
            if (p < 0 || p >= pixels)
                continue;
            effect.m_beamIndex[p] = k;
            effect.m_beamFixtures[p] = fixture;
            if (selected && CPatchedFixture::IsChannelInBeams(channel, fixture->BeamFlags()))
                effect.m_beamSel[p] = true;
        }
    }
}

// --- Seams of scenes

QList<CProject*>& LiveProjects()
{
    static QList<CProject*> projects;
    return projects;
}

CProject* SeamProject()
{
    return LiveProjects().isEmpty() ? nullptr : LiveProjects().last();
}

void RegenerateEffectRow(CScene& scene, CEffect* effect, int position, const CScene::EffectRowAdmit& admit)
{
    if (CProject* project = SeamProject())
        GenerateRow(*project, effect, &scene, position, admit);
}

// Writes an effect scene's steps. While copies saved as playing start again
// after an open, a copy whose steps would pass the room left is not started,
// and the status bar says why.
bool GenerateSceneSteps(CProject& project, const CEffect* effect, CEffectScene& scene)
{
    using B = CShowBounds;
    struct SNoRoom {};
    CScene::EffectRowAdmit admit;
    if (project.m_restartRoom) {
        CProject::SRestartRoom& room = *project.m_restartRoom;
        admit = [&room, &scene](const CScene::SEffectRowSize& size) {
            const struct {
                qint64 need;
                qint64& left;
                B::Kind kind;
            } kinds[] = {{size.steps, room.steps, B::Steps},
                         {size.entries, room.entries, B::GeneratedEntries},
                         {size.levels, room.levels, B::GeneratedLevels}};
            for (const auto& k : kinds) {
                if (k.need > k.left) {
                    ShowHost().ShowStatusMessage(
                        GetLangText(Txt::EffectNotStartedAgain).arg(scene.GetName(), B::ShowHoldsTooMany(k.kind)));
                    throw SNoRoom();
                }
            }
            for (const auto& k : kinds)
                k.left -= k.need;
        };
    }
    try {
        GenerateRow(project, effect, &scene, 0, admit);
    } catch (const SNoRoom&) {
        return false;
    }
    return true;
}

// An effect scene's steps for the fixtures selected now. The scene keeps
// its own effect object: the generated steps are pointed at it.
bool BuildEffectSceneSteps(CEffectScene& scene)
{
    CProject* project = SeamProject();
    CGroup* group = project ? project->m_currentGroup : nullptr;
    if (!project || scene.m_effects.isEmpty() || !scene.m_effects.first())
        return false;
    // Nothing plays: the operator is told why, or it would look like success.
    if (!group || group->m_selectedFixtures.isEmpty()) {
        ShowHost().ShowStatusMessage(GetLangText(Txt::PagesEffectNoSelection));
        return false;
    }
    const auto fitsNone = [] {
        ShowHost().ShowStatusMessage(GetLangText(Txt::PagesEffectNoFixture));
        return false;
    };
    CEffect* effect = scene.m_effects.first();

    CFixtureMatrix* target = group->IsMatrixSelection() && group->m_selectedMatrices.size() == 1
                                 ? group->m_selectedMatrices.first()
                                 : nullptr;
    if (auto* matrixEffect = dynamic_cast<CMatrixColorEffect*>(effect)) {
        if (!target)
            return fitsNone();
        matrixEffect->SetMatrix(target);
    } else if (effect->m_matrix != target) {
        effect->ReleaseMatrix();
        effect->m_matrix = target;
    }

    project->BindEffectToSelection(effect, false, false);
    if (project->m_boundFixtureCount == 0)
        return fitsNone();

    scene.DeleteSteps();
    const QList<CEffect*> others = scene.m_effects.mid(1);
    scene.m_effects.clear();
    qDeleteAll(others);

    scene.m_drivenFixtures.clear();
    for (CPatchedFixture* fixture : qAsConst(group->m_selectedFixtures)) {
        if (effect->m_fixtures.contains(fixture))
            scene.m_drivenFixtures << fixture;
    }
    scene.ClearActiveMasks();
    if (!GenerateSceneSteps(*project, effect, scene)) {
        scene.m_effects = {effect};
        return false;
    }

    const QList<CEffect*> generated = scene.m_effects;
    scene.m_effects = {effect};
    for (CSceneStep* step : qAsConst(scene.m_steps)) {
        if (generated.contains(step->m_effect))
            step->m_effect = effect;
    }
    qDeleteAll(generated);
    scene.UpdateLength();
    return true;
}

// Scenes reach the document through these from the start of the program.
const bool g_seamsInstalled = [] {
    CScene::SetEffectRowGenerator(&RegenerateEffectRow);
    SetEffectStepBuilder(&BuildEffectSceneSteps);
    return true;
}();

// --- Applying to a plain scene

// Index just past the row that holds step `index`.
int RowEndOf(const CScene& scene, int index)
{
    const CEffect* effect = scene.m_steps.at(index)->m_effect;
    int end = index + 1;
    if (effect) {
        while (end < scene.m_steps.size() && scene.m_steps.at(end)->m_effect == effect)
            ++end;
    }
    return end;
}

// Deletes the steps of the effect from `from` on and the effect itself.
// Steps of it before `from` stay as hand-made steps.
void CutEffectRow(CScene& scene, int from, CEffect* effect)
{
    for (int i = scene.m_steps.size() - 1; i >= 0; --i) {
        CSceneStep* step = scene.m_steps.at(i);
        if (step->m_effect != effect)
            continue;
        if (i < from) {
            step->m_effect = nullptr;
            continue;
        }
        scene.m_selection.removeAll(step);
        delete scene.m_steps.takeAt(i);
    }
    scene.RemoveEffectIfUnused(effect, true);
}

// Where a row goes: after the current step's row, or with replace in place
// of the current step and the rest of its effect row (`cut`); at the end
// without a current step.
struct SRowPlace {
    int current = -1;
    int position = 0;
    CEffect* cut = nullptr;
};

SRowPlace PlaceOfRow(const CScene& scene, bool replace)
{
    SRowPlace place;
    place.current = scene.CurrentStepIndex();
    place.position = scene.m_steps.size();
    if (place.current >= 0) {
        CEffect* rowEffect = scene.m_steps.at(place.current)->m_effect;
        if (!replace) {
            place.position = RowEndOf(scene, place.current);
        } else if (rowEffect) {
            place.cut = rowEffect;
            place.position = place.current;
        }
    }
    return place;
}

void CountStep(const CSceneStep* step, bool generated, qint64 sign, CShowBounds::SStepGrowth& growth)
{
    qint64 entries = 0;
    qint64 levels = 0;
    CShowBounds::CountStepEntries(step, entries, levels);
    (generated ? growth.generatedEntries : growth.entries) += sign * entries;
    (generated ? growth.generatedLevels : growth.levels) += sign * levels;
}

// What writing the engine's row into a plain scene will add, found before
// anything is made: the row's own steps, those of the cut row that go, and
// the entries aligning the steps on the fixtures of the row and the first
// step gives them (CScene::AddMissingEntries), kept for the writing so that
// it walks the scene's steps no more. Costs the row's size and a look at
// each step's list of fixtures.
struct SRowPlan {
    SRowPlace place;
    CShowBounds::SStepGrowth growth;
    QList<QPair<CSceneStep*, QList<CPatchedFixture*>>> lacking; // steps kept that lack some, in order
    QList<CPatchedFixture*> lackingInRow;                        // of each of the row's steps
};

SRowPlan PlanRow(CProject& project, const CEffectEngine& engine, CScene& scene, bool replace)
{
    SRowPlan plan;
    plan.place = PlaceOfRow(scene, replace);
    const SRowPlace& place = plan.place;
    CShowBounds::SStepGrowth& growth = plan.growth;
    QList<CSceneStep*> kept;
    QList<CSceneStep*> cut;
    kept.reserve(scene.m_steps.size());
    for (int i = 0; i < scene.m_steps.size(); ++i) {
        CSceneStep* step = scene.m_steps.at(i);
        if (place.cut && step->m_effect == place.cut) {
            cut << step;
            if (i >= place.current) {
                --growth.steps;
                CountStep(step, true, -1, growth);
                continue;
            }
            // Stays as a hand-made step.
            CountStep(step, true, -1, growth);
            CountStep(step, false, 1, growth);
        }
        kept << step;
    }

    const CGeneratedStepWriter writer(project, engine, scene, nullptr, place.position);
    if (!writer.HasFixtures())
        return plan;
    // The row keeps a copy of the effect and its selection; the one it
    // replaces goes with each run of steps it made.
    growth.effectFixtures = CShowBounds::EffectFixturesOf(engine.Effect()) - CShowBounds::EffectFixturesOf(cut);
    const CScene::SEffectRowSize row = writer.Size();
    growth.steps += row.steps;
    growth.generatedEntries += row.entries;
    growth.generatedLevels += row.levels;
    growth.maskBytes = CShowBounds::MaskBytesAdded(scene, writer.Enabled());
    if (kept.isEmpty() || row.steps <= 0)
        return plan;
    // The row's first step is the scene's first when it goes in at the front.
    const CStepAlignment alignment(writer.Enabled(), place.position == 0 ? writer.Enabled()
                                                                        : CStepAlignment::FixturesOf(kept.first()));
    for (CSceneStep* step : qAsConst(kept)) {
        QList<CPatchedFixture*> missing = alignment.MissingIn(*step);
        if (missing.isEmpty())
            continue;
        const bool generated = step->m_effect && step->m_effect != place.cut;
        CStepAlignment::Count(missing, generated ? growth.generatedEntries : growth.entries,
                              generated ? growth.generatedLevels : growth.levels);
        plan.lacking.append({step, missing});
    }
    plan.lackingInRow = alignment.MissingInA();
    qint64 entries = 0;
    qint64 levels = 0;
    CStepAlignment::Count(plan.lackingInRow, entries, levels);
    growth.generatedEntries += row.steps * entries;
    growth.generatedLevels += row.steps * levels;
    return plan;
}

// ApplyEffect's row in a plain scene, as planned: after the current step's
// row, or in place of its effect row with replace.
void WriteRow(CProject& project, CScene& scene, const SRowPlan& plan)
{
    const SRowPlace& place = plan.place;
    if (place.cut) {
        scene.m_currentStep = nullptr; // about to be deleted
        CutEffectRow(scene, place.current, place.cut);
    }
    const int stepsBefore = scene.m_steps.size();
    project.ApplyEffectToScene(&scene, place.position);
    const int written = scene.m_steps.size() - stepsBefore;
    if (stepsBefore > 0 && written > 0) {
        for (const auto& lacking : plan.lacking)
            CStepAlignment::Append(&scene, *lacking.first, lacking.second);
        for (int i = place.position; i < place.position + written; ++i)
            CStepAlignment::Append(&scene, *scene.m_steps.at(i), plan.lackingInRow);
    }
    scene.SettleAfterStepChange(place.current);
    // The replaced step's place shows what replaced it.
    if (place.cut && !scene.m_steps.isEmpty())
        scene.GoToStep(std::min(place.position, int(scene.m_steps.size()) - 1), 0);
}

} // namespace

// --- Seams

CProject::CEffectSeams::CEffectSeams(CProject& project) : m_project(project)
{
    Q_UNUSED(g_seamsInstalled);
    LiveProjects() << &m_project;
}

CProject::CEffectSeams::~CEffectSeams()
{
    LiveProjects().removeAll(&m_project);
}

// --- Applying

bool CProject::ApplyEffect(CScene* scene, bool replace, int scope, int step, int time)
{
    const CEffect* bound = m_effectEngine.Effect();
    if (!scene || !bound) {
        m_effectEngine.Clear(true);
        return false;
    }

    if (scene->IsEffectScene()) {
        auto* effectScene = static_cast<CEffectScene*>(scene);
        CEffect* clone = CloneEffect(bound);
        if (!effectScene->m_effects.isEmpty()) {
            CEffect* old = effectScene->m_effects.takeFirst();
            // Steps made from the old effect would point at a deleted one.
            for (int i = effectScene->m_steps.size() - 1; i >= 0; --i) {
                if (effectScene->m_steps.at(i)->m_effect == old) {
                    effectScene->m_selection.removeAll(effectScene->m_steps.at(i));
                    delete effectScene->m_steps.takeAt(i);
                }
            }
            if (!effectScene->m_steps.contains(effectScene->m_currentStep))
                effectScene->m_currentStep = nullptr;
            delete old;
            effectScene->SettleAfterStepChange(0);
        }
        effectScene->ClearActiveMasks();
        if (clone)
            effectScene->m_effects << clone;
        m_effectEngine.Clear(true);
        if (scope == 0 || scope == 1)
            ReapplyEffectScene(effectScene, scope == 0, step, time);
        return true;
    }

    // The editor generated the effect it shows; generating again would
    // give a random effect other values than the preview.
    if (m_effectEngine.m_stepCount == 0)
        m_effectEngine.GenerateEffect();
    // A preset effect is written from its settings, not from generated steps.
    if (m_effectEngine.m_stepCount == 0 && bound->m_type != EffectType::Preset) {
        // Refused, not failed: the user learns the effect is too large here.
        if (m_effectEngine.TooLarge())
            ShowHost().EffectTooLarge();
        m_effectEngine.Clear(true);
        return false;
    }

    const SRowPlan plan = PlanRow(*this, m_effectEngine, *scene, replace);
    if (!CShowBounds::AskRoomForStepGrowth(*this, plan.growth)) {
        m_effectEngine.Clear(true);
        return false;
    }
    WriteRow(*this, *scene, plan);
    m_effectEngine.Clear(true);
    return true;
}

void CProject::GenerateEffectSteps(const CEffect* effect, CScene* scene, int position)
{
    GenerateRow(*this, effect, scene, position, {});
}

void CProject::ApplyEffectToScene(CScene* scene, int position)
{
    WriteEngineSteps(*this, m_effectEngine, scene, position);
}

// --- Binding

void CProject::BindEffectToSelection(CEffect* effect, bool colorOnly, bool anyChannel)
{
    m_boundFixtureCount = 0;
    if (!effect)
        return;
    effect->ClearFixtures();
    const QList<CPatchedFixture*> selection = m_currentGroup ? m_currentGroup->m_selectedFixtures
                                                             : QList<CPatchedFixture*>();
    const bool matrixSelection = m_currentGroup && m_currentGroup->IsMatrixSelection();
    const auto matrixReached = [&](const CFixtureMatrix* matrix) {
        return EffectUsesProfile(effect, matrix->Profile(), true, colorOnly, anyChannel);
    };

    const int type = effect->m_type;
    if (IsMatrixKind(type)) {
        if (effect->m_matrix && matrixReached(effect->m_matrix)) {
            auto* matrixEffect = dynamic_cast<CMatrixColorEffect*>(effect);
            if (matrixEffect && matrixEffect->m_applySel) {
                CFixtureMatrix* grid = effect->m_matrix->BuildVirtualGrid();
                if (grid && grid != effect->m_matrix && grid->IsVirtual())
                    matrixEffect->SetMatrix(grid);
                else if (grid && grid != effect->m_matrix)
                    delete grid;
            }
            FillMatrixPixels(*effect, *effect->m_matrix);
        }
    } else if (type == EffectType::Gradient || type == EffectType::Curve || type == EffectType::Preset) {
        if (effect->m_matrix && matrixSelection) {
            if (matrixReached(effect->m_matrix))
                FillMatrixCells(*effect, *effect->m_matrix);
        } else {
            effect->ReleaseMatrix();
            for (CPatchedFixture* fixture : selection) {
                if (!fixture || !EffectUsesProfile(effect, fixture->Profile(), false, colorOnly, anyChannel))
                    continue;
                effect->m_fixtures << fixture;
                effect->m_fixtureSel << true;
                effect->m_beamIndex << 0;
                effect->m_beamFixtures << fixture;
                effect->m_beamSel << true;
            }
        }
    } else if (!effect->m_matrix || !matrixSelection) {
        effect->ReleaseMatrix();
        for (CPatchedFixture* fixture : selection) {
            if (!fixture || !EffectUsesProfile(effect, fixture->Profile(), false, colorOnly, false))
                continue;
            effect->m_fixtures << fixture;
            effect->m_fixtureSel << true;
            const int beams = fixture->Profile()->BeamCount();
            for (int b = 0; b < beams; ++b) {
                if (!fixture->BeamFlags().value(b, false))
                    continue;
                effect->m_beamIndex << b;
                effect->m_beamFixtures << fixture;
                effect->m_beamSel << true;
            }
        }
    } else if (matrixReached(effect->m_matrix)) {
        FillMatrixPixels(*effect, *effect->m_matrix);
    }
    m_boundFixtureCount = effect->m_beamFixtures.size();
}

bool CProject::EffectUsesProfile(const CEffect* effect, const CLibraryProfile* profile, bool matrixCell,
                                 bool colorOnly, bool anyChannel)
{
    if (!effect || !profile)
        return false;
    const auto colorOrDimmer = [&] { return profile->HasColor(false) || (HasDimmers(*profile) && !colorOnly); };
    switch (effect->m_type) {
    case EffectType::Gradient:
    case EffectType::Trichro:
        return colorOrDimmer();
    case EffectType::MatrixAnim:
    case EffectType::MatrixGif:
    case EffectType::MatrixMedia:
    case EffectType::MatrixText:
        return matrixCell && colorOrDimmer();
    case EffectType::Curve: {
        if (anyChannel)
            return true;
        const auto* curve = dynamic_cast<const CCurveEffect*>(effect);
        if (!curve)
            return false;
        for (int n = 0; n < profile->ChannelCount(); ++n) {
            const CProfileChannelDef* channel = profile->GetChannel(n);
            if (!channel)
                continue;
            for (int i = 0; i < curve->m_chanTypes.size(); ++i) {
                if (curve->m_activeChannels.value(i, false) && curve->m_chanTypes.at(i) == channel->m_type)
                    return true;
            }
        }
        return false;
    }
    case EffectType::PanTilt:
        return profile->HasPanTilt(false);
    case EffectType::Preset: {
        const auto* preset = dynamic_cast<const CPresetEffect*>(effect);
        if (!preset)
            return false;
        for (const COtherChannel& other : profile->OtherChannels()) {
            if (!other.channel)
                continue;
            if (other.channel->m_presets.isEmpty() && preset->m_channelTypes.contains(other.channel->m_type))
                return true;
            for (const CProfilePresetDef* def : other.channel->m_presets) {
                if (def && preset->DrivesPreset(*def))
                    return true;
            }
        }
        return false;
    }
    default:
        return false;
    }
}
