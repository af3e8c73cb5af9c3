#include "TestRegistry.h"

#include "../model/LibraryProfileBuilder.h"
#include "LayerDifference.h"
#include "RecordingHost.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Project.h"
#include "show/RenderedStep.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/SlotRuns.h"
#include "show/DmxLayer.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <new>

using namespace ProfileBuilder;

namespace {

constexpr int kUniverses = 3;

// RGB with a dimmer, CMY, a head with its fine bytes next to the coarse
// ones, and one whose fine bytes follow both coarse ones.
void AddProfiles(CProject& project)
{
    QList<CLibraryProfile*> profiles;
    for (int kind = 0; kind < 4; ++kind) {
        auto* p = new CLibraryProfile;
        if (kind == 0) {
            AddDimmer(*p);
            AddColorSet(*p, ChannelType::Red);
        } else if (kind == 1) {
            AddColorSet(*p, ChannelType::Cyan);
        } else if (kind == 2) {
            AddDimmer(*p);
            AddFine(*p, AddChannel(*p, ChannelType::Pan));
            AddFine(*p, AddChannel(*p, ChannelType::Tilt));
        } else {
            CProfileChannelDef* pan = AddChannel(*p, ChannelType::Pan);
            CProfileChannelDef* tilt = AddChannel(*p, ChannelType::Tilt);
            AddFine(*p, pan);
            AddFine(*p, tilt);
        }
        p->UpdateRoles();
        project.m_library << p;
    }
}

// Fixtures and raw channels at random places (some overlap, some run past
// the universe's end), and scenes of up to `mostSteps` random steps, fades,
// masks, modes and jumps.
void BuildShow(CProject& project, quint32 seed, int mostSteps = 3)
{
    QRandomGenerator random(seed);
    project.NewProject(kUniverses);
    AddProfiles(project);
    QList<CPatchedFixture*> fixtures;
    for (int i = 0; i < 30; ++i) {
        const int u = random.bounded(kUniverses);
        if (random.bounded(4) == 0) {
            fixtures << project.GetChannelFixture(u, random.bounded(512));
            continue;
        }
        auto* fixture = new CPatchedFixture(random.bounded(i < 25 ? 120 : 512), u, i + 1, -1,
                                            QStringLiteral("F%1").arg(i), project.m_library[random.bounded(4)],
                                            false, false, 0);
        project.m_generalGroup->AddFixture(fixture);
        fixtures << fixture;
    }
    project.UpdateAfterPatch(false, false);

    for (int s = 0; s < 6; ++s) {
        auto* scene = new CScene(QStringLiteral("S%1").arg(s), kUniverses);
        const int times[] = {0, 60, 150, 600};
        scene->m_fadeIn = times[random.bounded(4)];
        scene->m_fadeOut = times[random.bounded(4)];
        scene->m_playMode = random.bounded(4);
        scene->m_loopCount = qint16(random.bounded(3));
        for (int k = 1 + random.bounded(mostSteps); k > 0; --k) {
            auto* step = new CSceneStep(times[random.bounded(4)], times[random.bounded(4)] * 2);
            for (CPatchedFixture* fixture : fixtures) {
                if (random.bounded(3) == 0)
                    continue;
                auto* entry = new CStepFixture(fixture, scene);
                for (int c = 0; c < entry->ChannelCount(); ++c)
                    entry->SetLevel(c, quint8(random.bounded(256)), random.bounded(5) != 0, false);
                step->AddEntry(entry);
            }
            scene->m_steps << step;
        }
        scene->UpdateLength();
        project.m_firstPage->m_scenes << scene;
    }
    for (CScene* scene : project.m_firstPage->m_scenes) {
        const int jump = random.bounded(4);
        scene->m_autoJump = jump == 1;
        scene->m_jumpTarget = jump == 2 ? project.m_firstPage->m_scenes[random.bounded(6)] : nullptr;
    }
}

// One operator action drawn from `random`, done the same way on any project
// built from the same seed.
void Act(CProject& project, QRandomGenerator& random)
{
    CPage* page = project.m_firstPage;
    CScene* scene = page->m_scenes[random.bounded(page->m_scenes.size())];
    CSceneStep* step = scene->m_steps[random.bounded(scene->m_steps.size())];
    const int value = random.bounded(256);
    switch (random.bounded(14)) {
    case 0: case 1: case 2:
        page->ToggleScene(scene, true, true, false);
        break;
    case 3:
        project.SetDimmer(value * 100 / 255);
        break;
    case 4:
        project.SetBlackOut(value & 1);
        break;
    case 5:
        project.SetBeamOn(value & 1);
        break;
    case 6:
        if (value & 1)
            project.SetLiveColor(quint8(value), quint8(255 - value), quint8(value / 2));
        else
            project.SetColorOverride(false);
        break;
    case 7:
        scene->SetDimmer(value * 100 / 255);
        break;
    case 8:
        if (!step->m_entries.isEmpty())
            step->m_entries[random.bounded(step->m_entries.size())]->SetLevel(0, quint8(value), value & 1, false);
        break;
    case 9:
        if (CSlotMask* mask = scene->ActiveMask(random.bounded(kUniverses))) {
            const int slot = random.bounded(512);
            mask->Set(slot, !mask->Test(slot));
        }
        break;
    case 10: {
        // Replaces the fixture's entry where the step has one.
        const QList<CPatchedFixture*>& fixtures = project.m_generalGroup->m_fixtures;
        auto* entry = new CStepFixture(fixtures[random.bounded(fixtures.size())], scene);
        entry->SetLevel(0, quint8(value), true, false);
        step->AddEntry(entry);
        break;
    }
    case 11:
        scene->m_jumpTarget = value & 1 ? page->m_scenes[value % page->m_scenes.size()] : nullptr;
        break;
    default:
        break; // most ticks just play
    }
}

// The plain mix of one entry, slot by slot, as the tick did before it kept
// its renders.
void PlainMix(const CScene& scene, const CStepFixture& entry, float t, const CDmxLayer& from, const CDmxLayer& to,
              CDmxLayer& target)
{
    const int u = entry.Fixture()->m_universe;
    quint8 active[CSlotMask::kSlots], override[CSlotMask::kSlots];
    scene.ActiveMask(u)->ToBytes(active);
    scene.OverrideMask(u)->ToBytes(override);
    const CProfileMode* mode = entry.Profile() ? entry.Profile()->CurrentMode() : nullptr;
    const int count = mode ? qMin(entry.ChannelCount(), mode->ChannelCount()) : 1;
    auto mix = [t](int a, int b) { return int(float(a) * (1.0f - t) + float(b) * t); };
    for (int c = 0; c < count; ++c) {
        const int slot = entry.Fixture()->m_address + c;
        const CProfileChannelDef* def = mode ? mode->m_channels[c] : nullptr;
        if (slot >= 512 || (def && def->m_lsb && def->m_partner16Index != c))
            continue;
        const int fineSlot = def && def->m_msb ? entry.Fixture()->m_address + def->m_partner16Index : -1;
        if (fineSlot >= 0 && fineSlot < 512) {
            if (override[slot]) {
                target[u][slot] = to[u][slot];
                target[u][fineSlot] = to[u][fineSlot];
            } else if (active[slot]) {
                const int v = mix(from[u][slot] * 256 + from[u][fineSlot], to[u][slot] * 256 + to[u][fineSlot]);
                target[u][slot] = quint8(v / 256);
                target[u][fineSlot] = quint8(v % 256);
            }
        } else if (override[slot]) {
            target[u][slot] = to[u][slot];
        } else if (active[slot]) {
            target[u][slot] = quint8(mix(from[u][slot], to[u][slot]));
        }
    }
}

void Fill(CDmxLayer& layer, QRandomGenerator& random)
{
    for (int u = 0; u < layer.UniverseCount(); ++u)
        random.fillRange(reinterpret_cast<quint32*>(layer[u]), CDmxLayer::kSlots / 4);
}

// The crossfade's levels by definition: the blend in single precision,
// floored at the lower end, truncated.
int FloatMix(int a, int b, float t)
{
    return int(std::max(float(a) * (1.0f - t) + float(b) * t, float(std::min(a, b))));
}

// FloatMix of 8-bit levels at one ratio, in fewer steps: each product
// rounds once whatever the other level, so it is worked out once per level.
class CFloatMix8
{
public:
    explicit CFloatMix8(float t)
    {
        for (int level = 0; level < 256; ++level) {
            m_starts[level] = float(level) * (1.0f - t);
            m_ends[level] = float(level) * t;
        }
    }
    int operator()(int a, int b) const
    {
        const float blend = m_starts[a] + m_ends[b], lower = float(a < b ? a : b);
        return int(blend < lower ? lower : blend);
    }

private:
    float m_starts[256], m_ends[256];
};

// The 16-bit value of pair `pair` of `layer`, coarse and fine slots side by
// side, 256 pairs a universe.
int Get16(const CDmxLayer& layer, int pair)
{
    const quint8* bytes = layer[pair / 256] + pair % 256 * 2;
    return bytes[0] * 256 + bytes[1];
}

void Put16(CDmxLayer& layer, int pair, int value)
{
    quint8* bytes = layer[pair / 256] + pair % 256 * 2;
    bytes[0] = quint8(value / 256);
    bytes[1] = quint8(value % 256);
}

void AddSeeds()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u, 5u, 8u, 13u, 21u, 34u})
        QTest::newRow(qPrintable(QString::number(seed))) << seed;
}

} // namespace

class MixingTest : public QObject
{
    Q_OBJECT

private slots:
    // A kept render and its runs write what rendering the step onto the
    // layer and mixing it entry by entry write, whatever lay there.
    void keptRenderMatchesPlainRender_data() { AddSeeds(); }
    void keptRenderMatchesPlainRender()
    {
        QFETCH(quint32, seed);
        CRecordingHost host;
        CProject project;
        BuildShow(project, seed);
        QRandomGenerator random(seed * 7919);
        CDmxLayer probe(kUniverses), from(kUniverses), plain(kUniverses), kept(kUniverses), to(kUniverses);
        CRenderedStep rendered(kUniverses);
        for (CScene* scene : project.m_firstPage->m_scenes) {
            scene->SetDimmer(random.bounded(101));
            scene->m_blackout = random.bounded(4) == 0;
            scene->m_beamOn = random.bounded(4) == 0;
            scene->m_liveColor = random.bounded(2) == 0;
            scene->m_red = quint8(random.bounded(256));
            for (const CSceneStep* step : scene->m_steps) {
                QVERIFY(rendered.Render(*step, *scene, probe));
                Fill(plain, random);
                kept.CopyFrom(plain);
                step->ApplyLevels(CProject::Buffers(plain), true);
                rendered.WriteTo(kept);
                QVERIFY2(FirstDifference(kept, plain).isEmpty(), qPrintable(FirstDifference(kept, plain)));

                to.Zero();
                step->ApplyLevels(CProject::Buffers(to), true);
                Fill(from, random);
                Fill(plain, random);
                kept.CopyFrom(plain);
                const float t = float(random.bounded(1001)) / 1000.0f;
                for (const CStepFixture* entry : step->m_entries)
                    PlainMix(*scene, *entry, t, from, to, plain);
                rendered.MixInto(t, from, kept);
                QVERIFY2(FirstDifference(kept, plain).isEmpty(), qPrintable(FirstDifference(kept, plain)));
            }
        }
    }

    // Played side by side through fades, step changes, loops, jumps, play
    // modes, masters and edits, a page that keeps its renders and one that
    // renders every tick send the same levels, tick by tick. Chases have more
    // steps than a scene keeps renders of, and render ahead in many parts.
    void keptRendersPlayAsRenderingEveryTick_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("mostSteps");
        QTest::addColumn<qint64>("aheadBudget");
        for (quint32 seed : {1u, 2u, 3u, 5u, 8u, 13u, 21u, 34u}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 short").arg(seed))) << seed << 3 << qint64(8192);
            QTest::newRow(qPrintable(QStringLiteral("%1 chase").arg(seed))) << seed << 12 << qint64(3);
        }
    }
    void keptRendersPlayAsRenderingEveryTick()
    {
        QFETCH(quint32, seed);
        QFETCH(int, mostSteps);
        QFETCH(qint64, aheadBudget);
        CRecordingHost host;
        CProject kept, plain;
        BuildShow(kept, seed, mostSteps);
        BuildShow(plain, seed, mostSteps);
        kept.m_firstPage->SetAheadBudget(aheadBudget);
        plain.m_firstPage->SetKeepRenders(false);
        QRandomGenerator keptActions(seed + 1), plainActions(seed + 1);
        for (int tick = 0; tick < 600; ++tick) {
            Act(kept, keptActions);
            Act(plain, plainActions);
            for (CProject* project : {&kept, &plain}) {
                project->Tick(25);
                project->MergeOutput();
            }
            const QString difference = FirstDifference(kept.m_output, plain.m_output);
            QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("tick %1, %2").arg(tick).arg(difference)));
        }
    }

    // However many scenes change step in the same tick, the step each goes
    // on to was rendered in the ticks before.
    void nextStepIsRenderedBeforeItIsDue_data()
    {
        QTest::addColumn<int>("fade");
        QTest::addColumn<int>("wait");
        QTest::addColumn<qint64>("aheadBudget");
        QTest::newRow("fades and waits") << 100 << 100 << qint64(8192);
        QTest::newRow("in many parts") << 100 << 100 << qint64(1);
        QTest::newRow("waits only") << 0 << 250 << qint64(1);
        QTest::newRow("a tick a step") << 0 << 25 << qint64(1);
        QTest::newRow("longer than rendered ahead") << 1000 << 5000 << qint64(1);
    }
    void nextStepIsRenderedBeforeItIsDue()
    {
        QFETCH(int, fade);
        QFETCH(int, wait);
        QFETCH(qint64, aheadBudget);
        CRecordingHost host;
        CProject project;
        BuildShow(project, 3, 12);
        CPage* page = project.m_firstPage;
        page->SetAheadBudget(aheadBudget);
        for (CScene* scene : page->m_scenes) {
            for (CSceneStep* step : scene->m_steps) {
                step->m_fade = fade;
                step->m_wait = wait;
            }
            scene->UpdateLength();
            scene->m_playMode = ReleaseNone;
            scene->m_loopCount = 0;
            scene->m_fadeIn = 0;
            page->PlayScene(scene);
        }
        for (int tick = 0; tick < 500; ++tick) {
            for (CPlayingScene* entry : page->m_playing) {
                const CScene* scene = entry->Scene();
                const int index = scene->CurrentStepIndex();
                if (tick == 0 || scene->m_currentStep->Duration() - scene->m_stepTime > 25)
                    continue;
                const CSceneStep* next = scene->m_steps[(index + 1) % scene->m_steps.size()];
                QVERIFY2(entry->KeptRender(next, false),
                         qPrintable(QStringLiteral("tick %1, %2 step %3").arg(tick).arg(scene->m_name).arg(index)));
            }
            project.Tick(25);
        }
    }

    // Steady playing, with another scene open in the editor or not, changes
    // nothing a kept render depends on.
    void ticksKeepTheRenders_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::newRow("playing") << false;
        QTest::newRow("editing") << true;
    }
    void ticksKeepTheRenders()
    {
        QFETCH(bool, editing);
        CRecordingHost host;
        CProject project;
        BuildShow(project, 1);
        CScene* edited = project.m_firstPage->m_scenes.takeLast();
        for (CScene* scene : project.m_firstPage->m_scenes) {
            scene->m_playMode = ReleaseNone;
            scene->m_loopCount = 0;
            project.m_firstPage->PlayScene(scene);
        }
        project.m_firstPage->m_scenes << edited;
        if (editing)
            project.m_editedScene = edited;
        project.Tick(25);
        project.MergeOutput();
        auto generations = [&project] {
            QVector<quint64> all{RenderGeneration()};
            for (const CScene* scene : project.m_firstPage->m_scenes)
                all << RenderGeneration(*scene);
            return all;
        };
        const QVector<quint64> before = generations();
        for (int tick = 0; tick < 40; ++tick) {
            project.Tick(25);
            project.MergeOutput();
        }
        QCOMPARE(generations(), before);
    }

    // A change within one playing scene drops that scene's render alone, so
    // that the next tick renders one step, not one for every scene playing;
    // a scene deleted with its steps drops none, a change of the patch all.
    void aChangeDropsItsOwnScenesRender_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("ownKept");
        QTest::addColumn<bool>("othersKept");
        QTest::newRow("a level") << 0 << false << true;
        QTest::newRow("an active mask") << 1 << false << true;
        QTest::newRow("an entry made") << 2 << false << true;
        QTest::newRow("levels cleared") << 3 << false << true;
        QTest::newRow("another scene deleted") << 4 << true << true;
        QTest::newRow("the patch") << 5 << false << false;
    }
    void aChangeDropsItsOwnScenesRender()
    {
        QFETCH(int, change);
        QFETCH(bool, ownKept);
        QFETCH(bool, othersKept);
        CRecordingHost host;
        CProject project;
        BuildShow(project, 1);
        CPage* page = project.m_firstPage;
        for (CScene* scene : page->m_scenes) {
            scene->m_playMode = ReleaseNone;
            scene->m_loopCount = 0;
            page->PlayScene(scene);
        }
        project.Tick(25);
        QList<CPlayingScene*> kept;
        for (CPlayingScene* entry : page->m_playing) {
            if (entry->KeptRender(entry->Scene()->m_currentStep, false))
                kept << entry;
        }
        QVERIFY(kept.size() >= 3);
        CScene* changed = kept.first()->Scene();
        CSceneStep* step = changed->m_currentStep;
        QVERIFY(!step->m_entries.isEmpty());
        CStepFixture* entry = step->m_entries.first();
        switch (change) {
        case 0: entry->SetLevel(0, quint8(entry->Level(0) ^ 1), false, false); break;
        case 1: changed->ActiveMask(0)->Set(7, !changed->ActiveMask(0)->Test(7)); break;
        case 2:
            for (CPatchedFixture* fixture : project.m_generalGroup->m_fixtures) {
                if (!step->FindEntry(fixture)) {
                    QVERIFY(step->AddEntry(new CStepFixture(fixture, changed)));
                    break;
                }
            }
            break;
        case 3: entry->ClearLevels(); break;
        case 4: {
            auto* other = new CScene(QStringLiteral("Other"), kUniverses);
            other->m_steps << new CSceneStep(0, 1000);
            other->m_steps[0]->AddEntry(new CStepFixture(entry->Fixture(), other));
            delete other;
            break;
        }
        default: project.UpdateAfterPatch(false, false); break;
        }
        for (CPlayingScene* playing : kept) {
            const bool stands = playing->KeptRender(playing->Scene()->m_currentStep, false) != nullptr;
            QCOMPARE(stands, playing == kept.first() ? ownKept : othersKept);
        }
    }

    // Deleted quietly, a step leaves its render standing: a step made where
    // it lay is still not taken for it.
    void aStepInADeletedOnesPlaceIsRenderedAfresh()
    {
        CRecordingHost host;
        CProject project;
        BuildShow(project, 1);
        CScene* scene = project.m_firstPage->m_scenes[0];
        alignas(CSceneStep) unsigned char place[sizeof(CSceneStep)];
        CRenderedStep rendered(kUniverses);
        CDmxLayer work(kUniverses);
        auto* step = new (place) CSceneStep(0, 1000);
        step->AddEntry(new CStepFixture(project.m_generalGroup->m_fixtures[0], scene));
        QVERIFY(rendered.Render(*step, *scene, work));
        QVERIFY(rendered.IsCurrent(step, *scene));
        step->~CSceneStep();
        auto* again = new (place) CSceneStep(0, 1000);
        QVERIFY(!rendered.IsCurrent(again, *scene));
        again->~CSceneStep();
    }
    // Every pair of levels at every ratio a fade passes through, a fade of
    // n ticks or one of a length in ms as a step plays it: a mix gives the
    // single-precision blend's levels exactly, never leaving the range of its
    // two ends, so a level both sides hold stays put for the whole crossfade.
    // Mixed into a layer of its own and in place; 16-bit pairs from a sample
    // of edges, equal ends and random values.
    void aMixStaysBetweenItsEnds_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("every");
        for (int ticks = 1; ticks <= 24; ++ticks)
            QTest::addRow("%d ticks", ticks) << ticks << 0 << 1;
        for (int ticks : {40, 120, 400})
            QTest::addRow("%d ticks", ticks) << ticks << 0 << 1;
        for (int length : {1000, 1337, 3000})
            QTest::addRow("%d ms", length) << 0 << length << 1;
        QTest::addRow("65535 ms, every tenth tick") << 0 << 65535 << 10;
    }
    void aMixStaysBetweenItsEnds()
    {
        QFETCH(int, ticks);
        QFETCH(int, length);
        QFETCH(int, every);
        QVector<float> ratios;
        for (int k = 0; k <= ticks && ticks > 0; ++k)
            ratios << float(k * 25) / float(ticks * 25);
        for (int elapsed = 0; length > 0 && (ratios.isEmpty() || ratios.last() < 1.0f); elapsed += 25 * every)
            ratios << qMin(1.0f, float(elapsed + 40) / float(length));

        // Runs of a length off sixteens and a last one of four pairs.
        constexpr int kRun = 508, kPairs = 256 * 256, kUniverses = kPairs / kRun + 1;
        CDmxLayer from(kUniverses), to(kUniverses), apart(kUniverses), inPlace(kUniverses);
        CSlotRuns mix8;
        for (int pair = 0; pair < kPairs; ++pair) {
            from[pair / kRun][pair % kRun] = quint8(pair / 256);
            to[pair / kRun][pair % kRun] = quint8(pair % 256);
            mix8.Add(pair / kRun, pair % kRun, CSlotRuns::Mix8);
        }
        constexpr int kUniverses16 = 8, kPairs16 = kUniverses16 * CDmxLayer::kSlots / 2;
        CDmxLayer from16(kUniverses16), to16(kUniverses16), out16(kUniverses16);
        CSlotRuns mix16;
        QRandomGenerator random(quint32(ticks * 65536 + length));
        const int edges[] = {0, 1, 2, 127, 128, 255, 256, 257, 32767, 32768, 65279, 65280, 65534, 65535};
        constexpr int kEdges = sizeof edges / sizeof *edges;
        for (int pair = 0; pair < kPairs16; ++pair) {
            const bool edge = pair < kEdges * kEdges;
            const int a = edge ? edges[pair / kEdges] : random.bounded(65536);
            const int b = edge ? edges[pair % kEdges] : pair % 5 ? random.bounded(65536) : a;
            Put16(from16, pair, a);
            Put16(to16, pair, b);
            mix16.Add(pair / 256, pair % 256 * 2, CSlotRuns::Mix16, 1);
        }

        for (const float t : ratios) {
            mix8.Apply(t, from, to, apart);
            const CFloatMix8 expected(t);
            for (int u = 0; u < kUniverses; ++u) {
                const quint8* a = from[u];
                const quint8* b = to[u];
                const quint8* level = apart[u];
                for (int slot = 0; slot < kRun && u * kRun + slot < kPairs; ++slot) {
                    const int mix = expected(a[slot], b[slot]);
                    if (level[slot] != mix || mix < (a[slot] < b[slot] ? a[slot] : b[slot])
                        || mix > (a[slot] < b[slot] ? b[slot] : a[slot]))
                        QFAIL(qPrintable(QStringLiteral("%1 to %2 at %3 gave %4, not %5")
                                             .arg(a[slot]).arg(b[slot]).arg(double(t), 0, 'g', 9).arg(level[slot]).arg(mix)));
                }
            }
            inPlace.CopyFrom(to);
            mix8.Apply(t, from, inPlace, inPlace);
            if (std::memcmp(inPlace[0], apart[0], size_t(kUniverses) * CDmxLayer::kSlots) != 0)
                QFAIL(qPrintable(QStringLiteral("in place at %1, %2").arg(double(t), 0, 'g', 9).arg(FirstDifference(inPlace, apart))));

            mix16.Apply(t, from16, to16, out16);
            for (int pair = 0; pair < kPairs16; ++pair) {
                const int a = Get16(from16, pair), b = Get16(to16, pair), level = Get16(out16, pair);
                if (level != FloatMix(a, b, t) || level < qMin(a, b) || level > qMax(a, b))
                    QFAIL(qPrintable(QStringLiteral("16-bit %1 to %2 at %3 gave %4, not %5")
                                         .arg(a).arg(b).arg(double(t), 0, 'g', 9).arg(level).arg(FloatMix(a, b, t))));
            }
        }
    }

    // Levels worked out by hand: the blend a×(1-t) + b×t truncated, never
    // below the lower end; a 16-bit pair blends coarse×256 + fine; an
    // overridden slot takes the end level at once. "c/f" is a pair.
    void crossfadeByHand_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<float>("t");
        QTest::addColumn<QString>("level");
        QTest::newRow("halfway up") << int(CSlotRuns::Mix8) << "0" << "255" << 0.5f << "127";
        QTest::newRow("halfway down") << int(CSlotRuns::Mix8) << "255" << "0" << 0.5f << "127";
        QTest::newRow("a quarter down") << int(CSlotRuns::Mix8) << "200" << "100" << 0.25f << "175";
        QTest::newRow("three quarters up") << int(CSlotRuns::Mix8) << "100" << "200" << 0.75f << "175";
        QTest::newRow("a tenth down") << int(CSlotRuns::Mix8) << "255" << "0" << 0.1f << "229";
        QTest::newRow("held level stays") << int(CSlotRuns::Mix8) << "37" << "37" << 0.1f << "37";
        QTest::newRow("start") << int(CSlotRuns::Mix8) << "10" << "20" << 0.0f << "10";
        QTest::newRow("end") << int(CSlotRuns::Mix8) << "10" << "20" << 1.0f << "20";
        QTest::newRow("override jumps") << int(CSlotRuns::Copy) << "10" << "20" << 0.25f << "20";
        QTest::newRow("pair halfway") << int(CSlotRuns::Mix16) << "0/0" << "255/255" << 0.5f << "127/255";
        QTest::newRow("pair carries into coarse") << int(CSlotRuns::Mix16) << "1/0" << "3/0" << 0.25f << "1/128";
        QTest::newRow("pair a quarter down") << int(CSlotRuns::Mix16) << "255/255" << "0/0" << 0.25f << "191/255";
    }
    void crossfadeByHand()
    {
        QFETCH(int, kind);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(float, t);
        QFETCH(QString, level);
        // Twenty slots (ten pairs) of the same levels: a run long enough for
        // the mix's block path, and its tail.
        constexpr int kSlots = 20;
        const int width = kind == CSlotRuns::Mix16 ? 2 : 1;
        CDmxLayer a(1), b(1), out(1);
        CSlotRuns runs;
        const auto put = [](CDmxLayer& layer, int slot, const QString& levels) {
            const QStringList bytes = levels.split('/');
            for (int i = 0; i < bytes.size(); ++i)
                layer[0][slot + i] = quint8(bytes[i].toInt());
        };
        for (int slot = 0; slot < kSlots; slot += width) {
            put(a, slot, from);
            put(b, slot, to);
            runs.Add(0, slot, CSlotRuns::Kind(kind), width - 1);
        }
        runs.Apply(t, a, b, out);
        for (int slot = 0; slot < kSlots; slot += width) {
            const QString mixed = width == 2 ? QStringLiteral("%1/%2").arg(out[0][slot]).arg(out[0][slot + 1])
                                             : QString::number(out[0][slot]);
            QCOMPARE(mixed, level);
        }
    }
};

ORVANE_TEST(MixingTest)
#include "MixingTest.moc"
