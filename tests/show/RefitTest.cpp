#include "DataTable.h"
#include "ScenesText.h"
#include "ShowReferences.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "ShowEdits.h"
#include "effects/GradientEffect.h"
#include "effects/PresetEffect.h"
#include "model/FixtureProfile.h"
#include "show/EffectScene.h"
#include "show/SlotRuns.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

QString Repeat(const char* letters, int times)
{
    return QString::fromLatin1(letters).repeated(times);
}

QList<int> Numbers(int first, int count, int step = 1)
{
    QList<int> numbers;
    for (int i = 0; i < count; ++i)
        numbers << first + i * step;
    return numbers;
}

QList<int> LevelsOf(const CStepFixture* entry)
{
    QList<int> levels;
    for (int c = 0; entry && c < entry->ChannelCount(); ++c)
        levels << entry->Level(c);
    return levels;
}

// The slots the scene marks where none of its entries lies, by universe * 512 + slot.
QList<int> MarksOutsideEntries(const CScene& scene)
{
    QSet<int> covered;
    for (const CSceneStep* step : scene.m_steps) {
        for (const CStepFixture* entry : step->m_entries) {
            for (int c = 0; entry->Fixture() && c < entry->ChannelCount(); ++c)
                covered << entry->Fixture()->m_universe * 512 + entry->Fixture()->m_address + c;
        }
    }
    QList<int> outside;
    for (int at = 0; at < scene.UniverseCount() * 512; ++at) {
        if (scene.IsChannelActive(at / 512, at % 512) && !covered.contains(at))
            outside << at;
    }
    return outside;
}

enum class Fade { None, Out, DynamicIn, CopyOut };

// Where the rig patches: its fixture at `address` of `universe` (-1: of
// none) of `universes`, and a dimmer pair at `pairAt` of the same universe
// (-1: at the start of universe 1). The scene marks `leftMark` of the
// fixture's universe with no entry there, as a deleted step leaves it, and
// leaves the fixture's channel `undriven` unmarked, as a level set on its
// own leaves its neighbours.
struct SPlace
{
    int address = 10;
    int pairAt = -1;
    int universe = 0;
    int universes = 4;
    int leftMark = -1;
    int undriven = -1;
};

// The profile of `letters`; "-" for none: one channel, no mode.
CLibraryProfile* Profile(CPlaybackRig& rig, const QString& letters)
{
    if (letters == QLatin1String("-"))
        return nullptr;
    return rig.AddProfile([&](CLibraryProfile& p) { AddChannels(p, qPrintable(letters)); });
}

// The fixture and the pair are both in the two steps of a scene with 2-s
// fades. Another scene holds the fixture at other levels, or raw channels
// on its slots (`under`, 0 for none), and an effect scene fades a copy of
// its zoom out over 2 s.
struct CRefitRig : CPlaybackRig
{
    CRefitRig(const QString& from, const QList<int>& levels, const QString& to, const SPlace& place,
              const QList<int>& raw)
        : CPlaybackRig(place.universes)
    {
        had = Profile(*this, from);
        for (const QString& letters : to.split(QLatin1Char('|')))
            refits << Profile(*this, letters);
        fixture = Patch(had, place.universe, place.address);
        pair = Patch(Profile(*this, QStringLiteral("DD")), place.pairAt < 0 ? 1 : place.universe,
                     std::max(0, place.pairAt));
        under = AddScene(QStringLiteral("U"));
        std::vector<int> others;
        for (int level : levels)
            others.push_back(255 - level);
        CSceneStep* step =
            raw.isEmpty() ? AddStep(under, 0, 100000, {{fixture, others}}) : AddStep(under, 0, 100000, {});
        for (int c = 0; c < raw.size(); ++c) {
            if (raw[c] == 0)
                continue;
            auto* entry = new CStepFixture(project.GetChannelFixture(place.universe, place.address + c), under);
            entry->SetLevel(0, quint8(raw[c]), true, true);
            step->AddEntry(entry);
        }
        scene = AddScene(QStringLiteral("S"), 0, 2000);
        scene->m_customFadeIn = 2000;
        scene->m_dynamicFadeIn = true;
        scene->m_playMode = ReleaseNone;
        if (place.leftMark >= 0)
            scene->ActiveMask(place.universe)->Set(place.leftMark);
        for (int s = 0; s < 2; ++s)
            AddStep(scene, 0, 100000, {{fixture, std::vector<int>(levels.begin(), levels.end())}, {pair, {77, 88}}});
        if (place.undriven >= 0)
            scene->ActiveMask(place.universe)->Set(place.address + place.undriven, false);
        auto* zoom = new CPresetEffect;
        zoom->m_percent = false;
        zoom->m_dmxMin = zoom->m_dmxMax = 255;
        zoom->m_channelTypes = {ChannelType::Zoom};
        effectScene = project.AddEffectScene();
        effectScene->m_effects << zoom;
        effectScene->m_fadeOut = 2000;
    }
    // Plays the scene; with a fade, up to halfway through it. A copy's fade
    // is left where its stop was asked for, before its first tick.
    void Play(Fade fade)
    {
        if (fade == Fade::DynamicIn || !under->m_steps[0]->FindEntry(fixture)) {
            Page()->PlayScene(under);
            Tick(2);
        }
        Page()->PlayScene(scene, -1, -1, fade == Fade::DynamicIn);
        Tick(fade == Fade::DynamicIn ? 40 : 2);
        if (fade == Fade::CopyOut) {
            project.m_currentGroup->m_selectedFixtures = {fixture};
            QVERIFY(project.PlayEffectScene(effectScene));
            Tick(2);
            QVERIFY(project.StopEffectScene(effectScene, false));
            QCOMPARE(project.m_copyFadeFrom.size(), 1);
        }
        if (fade != Fade::Out)
            return;
        Page()->StopScene(scene, false, false, false, true);
        Tick(40);
    }
    void Refit()
    {
        for (CLibraryProfile* profile : qAsConst(refits)) {
            fixture->SetProfile(profile);
            project.FitEntriesToProfiles();
        }
    }
    // The fixture's slots inside its universe, then the pair's.
    QList<int> Output() const
    {
        QList<int> out;
        const int channels = fixture->m_universe < 0 ? 0 : CStepFixture::ChannelCountFor(refits.last());
        for (int c = 0; c < channels && fixture->m_address + c < 512; ++c)
            out << Out(fixture->m_universe, fixture->m_address + c);
        return out << Out(pair->m_universe, pair->m_address) << Out(pair->m_universe, pair->m_address + 1);
    }

    CLibraryProfile* had = nullptr;
    QList<CLibraryProfile*> refits;
    CPatchedFixture* fixture = nullptr;
    CPatchedFixture* pair = nullptr;
    CScene* under = nullptr;
    CScene* scene = nullptr;
    CEffectScene* effectScene = nullptr;
};

// A gradient from 11, 22, 33: static, or moving in three steps that fade.
CGradientEffect* ThreeColours(bool moving)
{
    auto* gradient = new CGradientEffect(1200);
    gradient->m_gradType = moving ? 1 : 0;
    gradient->m_pegColors = {CRgbwColor(11, 22, 33), CRgbwColor(44, 55, 66), CRgbwColor(77, 88, 99)};
    gradient->m_pegPositions = {0.0, 0.5, 1.0};
    return gradient;
}

// A fixture refit in turn to the profiles after the first: what the copy
// and row rigs share.
struct CRefitThroughRig : CPlaybackRig
{
    void Refit()
    {
        for (CLibraryProfile* profile : profiles.mid(1))
            ShowEdits::ChangeProfile(project, fixture, profile);
    }

    QList<CLibraryProfile*> profiles;
    CPatchedFixture* fixture = nullptr;
};

// A fixture held by scene S at 200, 0, 0, 0 and by a playing copy of an
// effect scene whose gradient gives it a colour: "static", "moving" (three
// steps that fade), or static and "fading out" over 2 s, a quarter through.
// `fitFirst` gives the fixture its last profile before anything plays.
struct CCopyRig : CRefitThroughRig
{
    CCopyRig(const QString& to, bool copyFirst, const QString& copy, bool fitFirst)
    {
        for (const QString& letters : QStringList{QStringLiteral("DRGB")} + to.split(QLatin1Char('|')))
            profiles << Profile(*this, letters);
        fixture = Patch(profiles.first(), 0, 10);
        scene = AddScene(QStringLiteral("S"));
        AddStep(scene, 0, 100000, {{fixture, {200, 0, 0, 0}}});
        effectScene = project.AddEffectScene();
        effectScene->m_effects << ThreeColours(copy == QLatin1String("moving"));
        effectScene->m_fadeOut = 2000;
        if (fitFirst)
            Refit();
        ShowEdits::Select(project, {fixture});
        for (int i = 0; i < 2; ++i) {
            if ((i == 0) == copyFirst)
                QVERIFY(project.PlayEffectScene(effectScene));
            else
                Page()->PlayScene(scene);
            Tick(2);
        }
        Tick(16);
        if (copy == QLatin1String("fading out"))
            QVERIFY(project.StopEffectScene(effectScene, false));
        Tick(copy == QLatin1String("fading out") ? 20 : 0);
    }

    // The fixture's slots, then the copy's step, its time in it and its position.
    QList<int> Shown() const
    {
        QList<int> out;
        for (int c = 0; c < CStepFixture::ChannelCountFor(fixture->Profile()); ++c)
            out << Out(0, 10 + c);
        if (const CEffectScene* copy = project.m_runningCopies.value(0))
            out << copy->CurrentStepIndex() << copy->m_stepTime << copy->m_roundedPosition;
        return out;
    }

    CScene* scene = nullptr;
    CEffectScene* effectScene = nullptr;
};

// Fixture 1 at slot 10, DRGB, its dimmer held by hand at 200 in scene S,
// and scene U a row of a gradient on it, `moving` or not. `beside` the
// effect, U may hold the fixture's dimmer at 90 on the row's steps
// ("stored") or on those of a row of fixture 2 ("row"), or at 0 in a step
// of its own ("step"). Both play, U last
// with `rowOver`. `fitFirst` refits the fixture before the row is made.
struct CRowRig : CRefitThroughRig
{
    CRowRig(const QString& to, bool rowOver, bool moving, const QString& beside, bool fitFirst)
    {
        for (const QString& letters : QStringList{QStringLiteral("DRGB")} + to.split(QLatin1Char('|'))) {
            profiles << Profile(*this, letters);
            profiles.last()->SetPath(QStringLiteral("Test/%1.kvp").arg(profiles.size()));
        }
        fixture = Patch(profiles.first(), 0, 10);
        fixture->m_id = 1;
        CScene* held = AddScene(QStringLiteral("S"));
        AddStep(held, 0, 100000, {{fixture, {200}}});
        CScene* row = AddScene(QStringLiteral("U"));
        if (beside == QLatin1String("step"))
            AddStep(row, 0, 300, {{fixture, {0}}});
        if (fitFirst)
            Refit();
        ShowEdits::Select(project, {fixture});
        ShowEdits::ApplyEffect(project, ThreeColours(moving), row, -1, false);
        const CEffect* own = row->m_effects.value(0);
        if (beside == QLatin1String("row")) {
            CPatchedFixture* other = Patch(profiles.first(), 0, 30);
            other->m_id = 2;
            ShowEdits::Select(project, {other});
            ShowEdits::ApplyEffect(project, ThreeColours(false), row, -1, false);
        }
        const CLibraryProfile* profile = fixture->Profile();
        const int dimmer = profile->HasDimmers() ? profile->Dimmers().first().channel->m_index : -1;
        for (CSceneStep* step : row->m_steps) {
            if (dimmer < 0 || !step->m_effect || (step->m_effect == own) != (beside == QLatin1String("stored")))
                continue;
            CStepFixture* entry = step->FindEntry(fixture);
            if (!entry)
                entry = step->AddEntry(new CStepFixture(fixture, row));
            entry->SetLevel(dimmer, 90, true, false);
        }
        for (CScene* scene : rowOver ? QList<CScene*>{held, row} : QList<CScene*>{row, held}) {
            Page()->PlayScene(scene);
            Tick(2);
        }
    }

    // What goes out on the fixture's slots, then which of them S and U mark.
    QList<int> Shown() const
    {
        QList<int> out;
        const int channels = CStepFixture::ChannelCountFor(fixture->Profile());
        for (int c = 0; c < channels; ++c)
            out << Out(0, 10 + c);
        for (const CScene* scene : project.m_firstPage->m_scenes) {
            for (int c = 0; c < channels; ++c)
                out << (scene->IsChannelActive(0, 10 + c) ? 1 : 0);
        }
        return out;
    }

};

} // namespace

Q_DECLARE_METATYPE(SPlace)

// A fixture given another profile or mode keeps each level on the channel
// of the same function, in every step, and the scene drives those channels
// from the next tick on; a fade under way goes on from the levels it faded
// from, on their new channels.
class RefitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterEffectOperations(); }

    void levelsFollowTheirFunction_data()
    {
        Columns<QString, QList<int>, QString, QList<int>, QList<int>, SPlace, QList<int>>(
            "from", "levels", "to", "expected", "out", "place", "under");
        // What goes out on the fixture's slots is its levels unless given.
        // Refits in turn are parted by "|".
        auto row = [](const char* name, const char* from, const QList<int>& levels, const QString& to,
                      const QList<int>& expected, const QList<int>& out = {}, const SPlace& place = {},
                      const QList<int>& under = {}) {
            QTest::newRow(name) << QString(from) << levels << to << expected << out << place << under;
        };
        const QList<int> dimRgb{200, 10, 20, 30};
        row("green before red", "DRGB", dimRgb, "DGRB", {200, 20, 10, 30});
        row("dimmer moved first", "RGBD", {10, 20, 30, 200}, "DRGB", dimRgb);
        row("white added before blue", "DRGB", dimRgb, "DRGWB", {200, 10, 20, 0, 30});
        row("a channel dropped", "DRGBW", {200, 10, 20, 30, 40}, "RGBW", {10, 20, 30, 40});
        row("fine bytes stay fine", "DPpTt", {200, 1, 2, 3, 4}, "PTptD", {1, 3, 2, 4, 200});
        row("a fine byte ahead of its coarse one", "pPD", {1, 2, 3}, "PpD", {2, 1, 3});
        row("a lone pan beside a 16-bit one", "PpP", {1, 2, 3}, "PPp", {1, 3, 2});
        // A new fine byte fades from what a fresh patch has there, not from
        // the channel that was at its slot: coarse and fine fade as one.
        row("pan and tilt made 16-bit", "DPT", {200, 100, 50}, "DPpTt", {200, 100, 0, 50, 0});
        row("16-bit ahead of the dimmer", "PTD", {100, 50, 200}, "PpTtD", {100, 0, 50, 0, 200});
        // Where the fixture drove nothing before, its new fine byte is driven
        // with its coarse one.
        row("a new fine byte past the former channels", "DPT", {200, 100, 50}, "DPTt", {200, 100, 50, 0});
        // A known function never takes another's level: it starts at 0.
        row("a function without its own", "DZXG", {200, 7, 9, 40}, "IDXS", {0, 200, 9, 0});
        row("a shutter does not turn white", "RGBS", {200, 60, 10, 255}, "RGBW", {200, 60, 10, 0});
        row("colours do not move a head", "DRGB", dimRgb, "DPpTt", {200, 0, 0, 0, 0});
        row("nor drive its fine byte alone", "DRGB", dimRgb, "DPpTt", {200, 0, 0, 0, 0}, {200, 0, 44, 0, 0}, {},
            {0, 0, 44});
        // Channels of no known type go by position, and only to each other.
        row("undefined channels", "XDX", {1, 2, 3}, "DXX", {2, 0, 3});
        row("channels of unknown types", "UDU", {1, 2, 3}, "DUU", {2, 0, 3});
        row("no profile", "XRGB", {5, 10, 20, 30}, "-", {5});
        row("a larger profile", "DRGB", dimRgb, "DRGBZSPT", dimRgb + QList<int>{0, 0, 0, 0});
        row("a smaller profile", "DRGBZS", {200, 10, 20, 30, 5, 6}, "BGR", {30, 20, 10});
        // A dropped channel's slot is no longer driven nor faded from: grown
        // back, it leaves what plays under it alone.
        row("shrunk, then grown back", "DRGB", dimRgb, "D|DRGB", {200, 0, 0, 0}, {200, 11, 22, 33}, {},
            {0, 11, 22, 33});
        row("a fine byte dropped, then back", "DPp", {200, 100, 50}, "DP|DPp", {200, 100, 0});
        // A fine byte moved with its level keeps its own mark: undriven
        // beside a driven coarse byte, it stays so.
        row("an undriven fine byte moved", "DPp", {200, 100, 50}, "PpD", {100, 50, 200}, {100, 0, 200},
            {10, -1, 0, 4, -1, 2});
        row("grown over a mark left behind", "DRGB", dimRgb, "DRGBZ", dimRgb + QList<int>{0}, dimRgb + QList<int>{99},
            {10, -1, 0, 4, 14}, {0, 0, 0, 0, 99});
        // The pair's slots stay the pair's; nothing plays under them.
        row("shrunk under the next fixture", "DRGB", dimRgb, "D", {200}, {}, {10, 12}, {0});
        // Two sets of each colour: the first red stays the first red. The
        // levels move between the entry and a block of their own, at the
        // one channel past what an entry holds, too.
        row("30 channels shrink to 12", qPrintable(Repeat("RGB", 10)), Numbers(1, 30), Repeat("GRB", 4),
            {2, 1, 3, 5, 4, 6, 8, 7, 9, 11, 10, 12});
        row("growing from 4 channels to 28", "DRGB", dimRgb, "D" + Repeat("RGB", 9), dimRgb + Numbers(0, 24, 0));
        row("growing from 12 channels to 13", qPrintable(Repeat("RGB", 4)), Numbers(1, 12), "D" + Repeat("RGB", 4),
            QList<int>{0} + Numbers(1, 12));
        row("13 channels shrink to 12", qPrintable("D" + Repeat("RGB", 4)), Numbers(1, 13), Repeat("BGR", 4),
            {4, 3, 2, 7, 6, 5, 10, 9, 8, 13, 12, 11});
        // Green and blue lay past the universe, where the scene drove
        // nothing; the next universe keeps its own.
        row("at the end of a universe", "DRGB", dimRgb, "GDRB", {20, 200, 10, 30}, {0, 200}, {510});
        row("in the last of two universes", "DRGB", dimRgb, "GDRB", {20, 200, 10, 30}, {}, {10, -1, 1, 2});
        row("in the last of four universes", "DRGB", dimRgb, "GDRB", {20, 200, 10, 30}, {}, {10, -1, 3, 4});
        row("in no universe", "DRGB", dimRgb, "GDRB", {20, 200, 10, 30}, {}, {10, -1, -1});
        // The zoom's slot is the next fixture's, which drives it still.
        row("grown over the next fixture", "DRGB", dimRgb, "DRGBZ", dimRgb + QList<int>{0}, dimRgb + QList<int>{77},
            {10, 14});
        // A zoom before and after: a copy fading it out goes on from its level.
        row("a zoom moved first", "DRGBZ", {200, 10, 20, 30, 5}, "ZDRGB", {5, 200, 10, 20, 30});
    }
    void levelsFollowTheirFunction()
    {
        const auto [from, levels, to, expected, out, place, under] =
            Row<QString, QList<int>, QString, QList<int>, QList<int>, SPlace, QList<int>>(
                "from", "levels", "to", "expected", "out", "place", "under");
        // Where the fixture has a zoom throughout, a copy of the effect
        // scene fades it out as well.
        QList<Fade> fades{Fade::None, Fade::Out, Fade::DynamicIn};
        const QStringList profiles = QStringList{from} + to.split(QLatin1Char('|'));
        if (profiles.filter(QStringLiteral("Z")).size() == profiles.size())
            fades << Fade::CopyOut;
        for (const Fade fade : fades) {
            // A fade goes on as if the fixture had had its new profile all
            // along. Effect copies bind the selection of the last show
            // made: one rig at a time.
            QList<int> fresh;
            {
                CRefitRig fitted(from, levels, to, place, under);
                fitted.Refit();
                fitted.Play(fade);
                fitted.Tick(2);
                fresh = fitted.Output();
            }
            CRefitRig rig(from, levels, to, place, under);
            rig.Play(fade);
            // Heap blocks of entries come and go: a level left unset would show.
            for (int i = 0; i < 8; ++i) {
                auto* block = new quint8[size_t(expected.size())];
                std::memset(block, 0xA5, size_t(expected.size()));
                delete[] block;
            }
            rig.Refit();
            rig.Tick(2);

            for (const CSceneStep* step : rig.scene->m_steps)
                QCOMPARE(LevelsOf(step->FindEntry(rig.fixture)), expected);
            // Every fine byte of a driven coarse one is driven.
            const CProfileMode* mode = rig.fixture->Profile() ? rig.fixture->Profile()->CurrentMode() : nullptr;
            for (int c = 0; mode && place.universe >= 0 && place.undriven < 0 && c < mode->ChannelCount(); ++c) {
                const int fine = CSlotRuns::FinePartner(*mode, c, mode->ChannelCount());
                const int coarseSlot = place.address + c, fineSlot = place.address + fine;
                if (fine >= 0 && fineSlot < kSlotsPerUniverse && rig.scene->IsChannelActive(place.universe, coarseSlot))
                    QVERIFY(rig.scene->IsChannelActive(place.universe, fineSlot));
            }
            QCOMPARE(StaleReferences(rig.project), QStringList());
            QCOMPARE(MarksOutsideEntries(*rig.scene), QList<int>());
            const QList<int> output = rig.Output();
            if (fade == Fade::CopyOut) {
                const int zoom = output.value(profiles.last().indexOf(QLatin1Char('Z')));
                QVERIFY2(zoom > 5 && zoom < 255, qPrintable(QString::number(zoom)));
                QCOMPARE(output, fresh);
            } else if (fade != Fade::None) {
                QVERIFY(rig.scene->m_fadingIn || rig.scene->m_transitionStep);
                const int pairDimmer = output.value(output.size() - 2);
                QVERIFY(pairDimmer > 0 && pairDimmer < 77);
                QCOMPARE(output, fresh);
            } else {
                const QList<int> pair{77, 88};
                const QList<int> shown = place.universe < 0 ? QList<int>() : out.isEmpty() ? expected : out;
                QCOMPARE(output, shown + pair);
                QCOMPARE(rig.StepsRendered(), rig.Page()->m_playing.size());
            }
        }
    }

    // A playing copy of an effect scene gives a refit fixture the effect's
    // levels for its new profile, where it plays, as a copy started on it
    // now would: a channel the former profile lacked shows the effect again.
    void effectCopyFollowsRefit_data()
    {
        Columns<QString, bool, QString, QList<int>>("to", "copyFirst", "copy", "expected");
        // Where given, what goes out on the fixture's slots; else what a
        // refit before the play gives. S no longer holds the colour it held
        // at 0: the copy's shows.
        QTest::newRow("shrunk, then grown back, the copy under") << "D|DRGB" << true << "static"
                                                                 << QList<int>{200, 11, 22, 33};
        QTest::newRow("shrunk, then grown back, the copy over") << "D|DRGB" << false << "static"
                                                                << QList<int>{200, 11, 22, 33};
        // On a dimmer alone the effect drives the dimmer. Through a profile
        // it drives nothing of, the copy plays on, as S does; S's dimmer went.
        QTest::newRow("a dimmer alone") << "D" << false << "static" << QList<int>{22};
        QTest::newRow("through a zoom alone") << "Z|DRGB" << false << "static" << QList<int>{0, 11, 22, 33};
        // A moving copy goes on at its point of the cycle, halfway through a
        // fade, from the levels it faded from on their new channels.
        QTest::newRow("moving, colours moved") << "BGRD" << false << "moving" << QList<int>();
        QTest::newRow("moving, grown") << "DRGBZ" << true << "moving" << QList<int>();
        // One on its way out fades out what it had, from where it was: a
        // colour the fixture lost in between is not faded out again.
        QTest::newRow("fading out, colours moved") << "BGRD" << false << "fading out" << QList<int>();
        QTest::newRow("fading out, shrunk and grown back")
            << "D|DRGB" << true << "fading out" << QList<int>{200, 0, 0, 0};
    }
    void effectCopyFollowsRefit()
    {
        const auto [to, copyFirst, copy, expected] = Row<QString, bool, QString, QList<int>>(
            "to", "copyFirst", "copy", "expected");
        QList<int> fresh;
        {
            CCopyRig fitted(to, copyFirst, copy, true);
            fitted.Tick();
            fresh = fitted.Shown();
        }
        CCopyRig rig(to, copyFirst, copy, false);
        rig.Refit();
        rig.Tick();
        if (expected.isEmpty())
        QCOMPARE(rig.Shown(), fresh);
        else
            QCOMPARE(rig.Shown().mid(0, expected.size()), expected);
        QCOMPARE(StaleReferences(rig.project), QStringList());

        // S and the copy each count once as driving the fixture, whatever
        // the copy holds now, and no longer once stopped.
        QCOMPARE(rig.fixture->DrivingSceneCount(), 2);
        rig.project.StopEffectScene(rig.effectScene, true);
        rig.Page()->StopScene(rig.scene, false, false, false, false);
        rig.Tick(2);
        QCOMPARE(rig.fixture->DrivingSceneCount(), 0);
    }

    // An effect row follows a refit of its fixture as if the fixture had
    // had its new profile when the row was made: what the effect generated
    // for a profile in between, a dimmer level and its mark, is not kept as
    // the operator's, and what the operator stored beside the effect stays.
    // The show then reopens as it was.
    void effectRowFollowsRefit_data()
    {
        Columns<QString, bool, bool, QString>("to", "rowOver", "moving", "beside");
        const auto row = [](const char* name, const char* to, bool rowOver, bool moving, const char* beside = "") {
            QTest::newRow(name) << QString(to) << rowOver << moving << QString(beside);
        };
        // On a dimmer alone the row gives it the colour's mean.
        row("through a dimmer alone and back, the row over", "D|DRGB", true, false);
        row("through a dimmer alone and back, the row under", "D|DRGB", false, false);
        row("moving, through a dimmer alone and back", "D|DRGB", true, true);
        row("moving, on a dimmer alone", "D", true, true);
        row("through a zoom alone and back", "Z|DRGB", true, false);
        row("moving, through a zoom alone and back, the row under", "Z|DRGB", false, true);
        row("moving, colours moved", "BGRD", true, true);
        // The dimmer's fine byte it marked with it is the row's too.
        row("through a 16-bit dimmer alone to a 16-bit dimmer and colours", "Dd|DdRGB", true, false);
        // The operator's dimmer moves with its function; one held by a step
        // of U's own, or beside another row, keeps the mark the row shared
        // on a dimmer alone.
        row("a dimmer stored on the row, moved", "RGBDZ", true, false, "stored");
        row("a step of the dimmer beside the row, through a dimmer alone", "D|DRGB", true, false, "step");
        row("moving, a step of the dimmer beside the row, colours moved", "BGRD", false, true, "step");
        row("the dimmer stored beside another row, through a dimmer alone", "D|DRGB", true, false, "row");
    }
    void effectRowFollowsRefit()
    {
        const auto [to, rowOver, moving, beside] =
            Row<QString, bool, bool, QString>("to", "rowOver", "moving", "beside");
        // A moving row goes on at its place; where every profile has the
        // colours, the fade under way goes on from them, else the next one
        // starts from the levels made for the new profile.
        bool colours = true;
        for (const QString& letters : to.split(QLatin1Char('|')))
            colours = colours && letters.contains(QLatin1Char('R')) && letters.contains(QLatin1Char('B'));
        const auto shown = [colours](CRowRig& rig) {
            rig.Tick(2);
            const QList<int> soon = colours ? rig.Shown() : QList<int>();
            rig.Tick(24);
            return soon + rig.Shown();
        };
        QList<int> fresh;
        QStringList freshScenes;
        {
            CRowRig fitted(to, rowOver, moving, beside, true);
            fresh = shown(fitted);
            freshScenes = ScenesText(fitted.project);
        }
        CRowRig rig(to, rowOver, moving, beside, false);
        rig.Refit();
        QCOMPARE(shown(rig), fresh);
        QCOMPARE(FirstDifference(freshScenes, ScenesText(rig.project)), QString());
        QCOMPARE(StaleReferences(rig.project), QStringList());

        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("show.kv3"));
        const QList<int> marks = rig.Shown().mid(rig.fixture->Profile()->ChannelCount());
        QVERIFY(rig.project.SaveProject(path) && rig.project.OpenProject(path));
        QCOMPARE(FirstDifference(freshScenes, ScenesText(rig.project)), QString());
        rig.fixture = rig.project.m_generalGroup->m_fixtures.value(0);
        QVERIFY(rig.fixture);
        QCOMPARE(rig.Shown().mid(rig.fixture->Profile()->ChannelCount()), marks);
    }

    // A copy that gave a fixture up to a newer copy keeps it given up
    // through a refit, though its effect still binds it: the newer one
    // alone drives it.
    void copyKeepsWhatItGaveUp()
    {
        CPlaybackRig rig;
        const QList<CLibraryProfile*> profiles{Profile(rig, QStringLiteral("DRGB")), Profile(rig, QStringLiteral("D"))};
        const QList<CPatchedFixture*> fixtures{rig.Patch(profiles[0], 0, 10), rig.Patch(profiles[0], 0, 20)};
        for (const CRgbwColor& colour : {CRgbwColor(11, 22, 33), CRgbwColor(44, 55, 66)}) {
            rig.project.AddEffectScene()->m_effects << ShowEdits::Gradient(colour);
            ShowEdits::Select(rig.project, fixtures.mid(0, rig.project.m_runningCopies.isEmpty() ? 2 : 1));
            QVERIFY(rig.project.PlayEffectScene(rig.project.m_effectScenes.last()));
            rig.Tick(2);
        }
        for (CLibraryProfile* profile : {profiles[1], profiles[0]}) {
            for (CPatchedFixture* fixture : fixtures)
                ShowEdits::ChangeProfile(rig.project, fixture, profile);
        }
        rig.Tick(2);
        QVERIFY(!rig.project.m_runningCopies[0]->m_steps.first()->FindEntry(fixtures[0]));
        QCOMPARE(fixtures[0]->DrivingSceneCount(), 1);
        QList<int> out;
        for (int slot : {11, 12, 13, 21, 22, 23})
            out << rig.Out(0, slot);
        QCOMPARE(out, QList<int>({44, 55, 66, 11, 22, 33}));
    }

    // An effect scene's effect on part of a matrix plays on a grid of its
    // own, of the matrix's profile. The matrix then takes another profile:
    // the grid's keeps its place in the library until the grid goes, with
    // its last member or with the effect scene; a copy outside the show
    // lets go of it when it leaves.
    void ownGridKeepsItsProfile_data()
    {
        Columns<QString>("then");
        QTest::newRow("its members leave the patch") << "members";
        QTest::newRow("its effect scene is deleted") << "scene";
    }
    void ownGridKeepsItsProfile()
    {
        const auto [then] = Row<QString>("then");
        CPlaybackRig rig;
        CLibraryProfile* had = rig.AddProfile([](CLibraryProfile& p) { AddChannels(p, "DRGB"); });
        CLibraryProfile* has = rig.AddProfile([](CLibraryProfile& p) { AddChannels(p, "RGBD"); });
        CFixtureMatrix* matrix = ShowEdits::PatchMatrix(rig.project, had, 3, 0);
        const QList<CPatchedFixture*> members = matrix->Members();
        CEffect* effect = ShowEdits::ApplyOnPartOf(rig.project, matrix, 2, rig.project.AddEffectScene());
        QVERIFY(effect && effect->m_ownsMatrix);
        CScene clipboard(QStringLiteral("clipboard"), 4);
        CEffect* copied = CloneEffect(effect);
        clipboard.m_effects << copied;
        rig.host.profilesDeleting = [&clipboard](const QList<CLibraryProfile*>& profiles) {
            clipboard.ForgetProfiles(profiles);
        };

        matrix->SetProfile(has);
        for (CPatchedFixture* member : members)
            member->SetProfile(has);
        rig.project.DropProfilesIfUnused({had});
        rig.project.UpdateAfterPatch(true, false);
        QVERIFY(rig.project.m_library.contains(had));
        QVERIFY(effect->m_ownsMatrix && effect->m_matrix->Profile() == had);

        if (then == "members") {
            rig.project.RemoveFixtures(members.mid(0, 2), true);
            QVERIFY(!effect->m_ownsMatrix && !effect->m_matrix);
        } else {
            QVERIFY(rig.project.RemoveEffectScene(0));
        }
        rig.project.DropProfilesIfUnused({had});
        QVERIFY(!rig.project.m_library.contains(had));
        QVERIFY(!copied->m_ownsMatrix && !copied->m_matrix);
        QCOMPARE(StaleReferences(rig.project), QStringList());
        rig.host.profilesDeleting = nullptr;
    }

    // The selection's capabilities name the selection's profiles: never one
    // leaving the library, nor one of a show that closed.
    void selectionCapsLetGoOfProfiles()
    {
        CPlaybackRig rig;
        CLibraryProfile* had = rig.AddProfile([](CLibraryProfile& p) { AddChannels(p, "DRGB"); });
        CLibraryProfile* has = rig.AddProfile([](CLibraryProfile& p) { AddChannels(p, "RGBD"); });
        CPatchedFixture* fixture = rig.Patch(had, 0, 0);
        ShowEdits::Select(rig.project, {fixture});
        rig.project.SelectionChanged();
        QCOMPARE(rig.project.m_selectionCaps.m_profiles, QList<CLibraryProfile*>({had}));
        QList<CLibraryProfile*> named;
        rig.host.profilesDeleting = [&](const QList<CLibraryProfile*>&) {
            named = rig.project.m_selectionCaps.m_profiles;
        };
        fixture->SetProfile(has);
        rig.project.DropProfilesIfUnused({had});
        rig.host.profilesDeleting = nullptr;
        QVERIFY(!rig.project.m_library.contains(had));
        QCOMPARE(named, QList<CLibraryProfile*>({has}));
        rig.project.Clear();
        QVERIFY(rig.project.m_selectionCaps.m_profiles.isEmpty());
    }
};

ORVANE_TEST(RefitTest)
#include "RefitTest.moc"
