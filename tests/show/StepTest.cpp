#include "LevelLists.h"
#include "MaskSlots.h"
#include "TestRegistry.h"

#include "../model/LibraryProfileBuilder.h"
#include "RecordingHost.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <QtTest>
#include <memory>
#include <vector>

using namespace ProfileBuilder;

namespace {

// The project's edit layer and fixture lists, as steps see them.
class FakeSource : public CStepSource
{
public:
    explicit FakeSource(int universes = 4)
        : m_universes(universes), m_edit(universes * 512, 0), m_mask(universes * 512, 0)
    {
    }

    void Edit(int universe, int slot, quint8 level)
    {
        m_edit[universe * 512 + slot] = level;
        m_mask[universe * 512 + slot] = 1;
    }
    CPatchedFixture* AddRaw(int universe, int slot)
    {
        m_raw.push_back(std::make_unique<CPatchedFixture>(slot, universe));
        return m_raw.back().get();
    }
    int RawCount() const { return int(m_raw.size()); }

    int UniverseCount() const override { return m_universes; }
    const quint8* EditLevels(int universe) const override
    {
        return universe >= 0 && universe < m_universes ? m_edit.constData() + universe * 512 : nullptr;
    }
    const quint8* EditMask(int universe) const override
    {
        return universe >= 0 && universe < m_universes ? m_mask.constData() + universe * 512 : nullptr;
    }
    QList<CPatchedFixture*> PatchedFixtures() const override { return patched; }
    QList<CPatchedFixture*> GroupFixtures() const override { return group; }
    QList<CPatchedFixture*> SelectedFixtures() const override { return selected; }
    CPatchedFixture* FixtureAt(int universe, int slot) const override
    {
        for (CPatchedFixture* f : patched) {
            if (f->Profile() && f->m_universe == universe && f->m_address == slot)
                return f;
        }
        return nullptr;
    }
    CPatchedFixture* RawChannelAt(int universe, int slot) const override
    {
        for (const auto& raw : m_raw) {
            if (raw->m_universe == universe && raw->m_address == slot)
                return raw.get();
        }
        return nullptr;
    }
    CPatchedFixture* ChannelFixture(int universe, int slot) override
    {
        if (CPatchedFixture* raw = RawChannelAt(universe, slot))
            return raw;
        return AddRaw(universe, slot);
    }

    QList<CPatchedFixture*> patched;
    QList<CPatchedFixture*> group;
    QList<CPatchedFixture*> selected;

private:
    int m_universes;
    QVector<quint8> m_edit;
    QVector<quint8> m_mask;
    std::vector<std::unique_ptr<CPatchedFixture>> m_raw;
};

// Four universes of output, prefilled so that untouched slots show.
struct Output
{
    explicit Output(quint8 fill = 0) : bytes(4 * 512, fill) {}
    CLevelBuffers Buffers() { return CLevelBuffers(bytes.data(), 4); }
    quint8 At(int universe, int slot) const { return bytes.at(universe * 512 + slot); }
    QVector<quint8> bytes;
};

// Dimmer, red, green, blue, white.
void MakeRgbwDimmer(CLibraryProfile& profile)
{
    AddDimmer(profile);
    AddColorSet(profile, ChannelType::Red);
    AddChannel(profile, ChannelType::White);
    profile.AnalyseChannels();
}

// Cyan, magenta, yellow, a dimmer whose default preset opens it to 200, a shutter.
void MakeCmy(CLibraryProfile& profile)
{
    AddColorSet(profile, ChannelType::Cyan);
    CProfileChannelDef* dimmer = AddDimmer(profile);
    dimmer->m_presets.first()->m_defaultPreset = true;
    dimmer->m_presets.first()->m_dmxDefault = 200;
    AddChannel(profile, ChannelType::Shutter);
    profile.AnalyseChannels();
}

// Two pixels with a colour set each.
void MakeTwoPixels(CLibraryProfile& profile)
{
    SetBeams(profile, {{0.0f, 0.0f}, {1.0f, 0.0f}});
    AddColorSet(profile, ChannelType::Red, Beams({0}));
    AddColorSet(profile, ChannelType::Red, Beams({1}));
    profile.AnalyseChannels();
}

// A profile of `channels` gobo channels: one channel of no colour or beam role each.
void MakeGobos(CLibraryProfile& profile, int channels)
{
    for (int c = 0; c < channels; ++c)
        AddChannel(profile, ChannelType::GoboWheel);
    profile.AnalyseChannels();
}

CPatchedFixture* Patch(std::vector<std::unique_ptr<CPatchedFixture>>& owner, CLibraryProfile* profile,
                       int universe, int address)
{
    owner.push_back(std::make_unique<CPatchedFixture>(address, universe, int(owner.size()) + 1, -1,
                                                      QStringLiteral("F"), profile, false, false, 0));
    return owner.back().get();
}

void SetLevels(CStepFixture& entry, std::initializer_list<int> levels)
{
    int i = 0;
    for (int level : levels)
        entry.SetLevel(i++, quint8(level), true, false);
}

QList<int> Slots(const Output& out, int universe, int first, int count)
{
    QList<int> levels;
    for (int s = first; s < first + count; ++s)
        levels << out.At(universe, s);
    return levels;
}

} // namespace

class StepTest : public QObject
{
    Q_OBJECT

private slots:
    void dimKeepsLevelsInRange()
    {
        QCOMPARE(int(Dim(200, 25)), 100);
        QCOMPARE(int(Dim(200, 75)), 227); // 200 + trunc(0.5 * 55)
        QCOMPARE(int(Dim(0, 100)), 0);
        QCOMPARE(int(Dim(1, 100)), 255);
        QCOMPARE(int(Dim(200, 50)), 200);
        QCOMPARE(int(Dim(255, 0)), 0);
        QCOMPARE(int(Dim(10, 49)), 9); // 9.8 truncated
        // Out-of-range dimmers behave as their nearest end, never wrap.
        QCOMPARE(int(Dim(200, 150)), 255);
        QCOMPARE(int(Dim(200, -5)), 0);
    }

    void colourDimKeepsProportions()
    {
        quint8 r = 255, g = 128, b = 0;
        ColourDim(r, g, b, 75);
        QCOMPARE(QList<int>({r, g, b}), QList<int>({255, 128, 0}));

        r = 100, g = 50, b = 0;
        ColourDim(r, g, b, 100);
        QCOMPARE(QList<int>({r, g, b}), QList<int>({255, 152, 0})); // 50 + 0.5 * 205

        r = 200, g = 100, b = 50;
        ColourDim(r, g, b, 25);
        QCOMPARE(QList<int>({r, g, b}), QList<int>({100, 50, 25}));

        // Black has no colour to brighten.
        r = g = b = 0;
        ColourDim(r, g, b, 100);
        QCOMPARE(QList<int>({r, g, b}), QList<int>({0, 0, 0}));
    }

    void renderCopiesOnlyActiveChannels()
    {
        CLibraryProfile profile;
        MakeRgbwDimmer(profile);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fixture = Patch(owner, &profile, 1, 10);
        CScene scene(QStringLiteral("S"), 4);
        CStepFixture entry(fixture, &scene);
        QCOMPARE(entry.ChannelCount(), 5);
        entry.SetLevel(0, 200, true, false);
        entry.SetLevel(1, 100, false, false); // stored but not driven
        entry.SetLevel(2, 50, true, false);

        Output out(7);
        entry.ApplyLevels(out.Buffers(), true);
        QCOMPARE(Slots(out, 1, 10, 5), QList<int>({200, 7, 50, 7, 7}));
        QCOMPARE(int(out.At(0, 10)), 7);
    }

    void dimmerRewritesDimmersAndColourSets()
    {
        CLibraryProfile profile;
        MakeRgbwDimmer(profile);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fixture = Patch(owner, &profile, 0, 0);
        CScene scene(QStringLiteral("S"), 4);
        CStepFixture entry(fixture, &scene);
        SetLevels(entry, {200, 100, 50, 0, 10});

        Output out;
        entry.ApplyLevels(out.Buffers(), true);
        QCOMPARE(Slots(out, 0, 0, 5), QList<int>({200, 100, 50, 0, 10}));

        scene.SetDimmer(75);
        entry.ApplyLevels(out.Buffers(), true);
        // Dim(200) = 227; colour: 100 + 77, 50 + trunc(0.5 * 102.5); white 10 + 122.
        QCOMPARE(Slots(out, 0, 0, 5), QList<int>({227, 177, 101, 0, 132}));

        // Without live parameters the dimmer is ignored.
        entry.ApplyLevels(out.Buffers(), false);
        QCOMPARE(Slots(out, 0, 0, 5), QList<int>({200, 100, 50, 0, 10}));

        // A set with an undriven component is not colour-dimmed; white still is.
        scene.SetDimmer(25);
        scene.ActiveMask(0)->Set(2, false);
        Output partial(99);
        entry.ApplyLevels(partial.Buffers(), true);
        QCOMPARE(Slots(partial, 0, 0, 5), QList<int>({100, 100, 99, 0, 5}));
    }

    void blackoutClosesBeamsOfEveryChannel()
    {
        CLibraryProfile rgb;
        AddDimmer(rgb);
        AddColorSet(rgb, ChannelType::Red);
        AddChannel(rgb, ChannelType::White);
        AddChannel(rgb, ChannelType::GoboWheel);
        rgb.AnalyseChannels();
        CLibraryProfile cmy;
        MakeCmy(cmy);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CScene scene(QStringLiteral("S"), 4);
        scene.m_blackout = true;
        scene.m_beamOn = true; // blackout wins

        CStepFixture rgbEntry(Patch(owner, &rgb, 0, 0), &scene);
        SetLevels(rgbEntry, {200, 100, 50, 25, 10, 33});
        CStepFixture cmyEntry(Patch(owner, &cmy, 0, 20), &scene);
        SetLevels(cmyEntry, {1, 2, 3, 4, 5});
        CPatchedFixture raw(40, 0);
        CStepFixture rawEntry(&raw, &scene);
        rawEntry.SetLevel(0, 90, true, false);

        Output out(7);
        rgbEntry.ApplyLevels(out.Buffers(), true);
        cmyEntry.ApplyLevels(out.Buffers(), true);
        rawEntry.ApplyLevels(out.Buffers(), true);
        QCOMPARE(Slots(out, 0, 0, 6), QList<int>({0, 0, 0, 0, 0, 33}));
        QCOMPARE(Slots(out, 0, 20, 5), QList<int>({255, 255, 255, 0, 0}));
        QCOMPARE(int(out.At(0, 40)), 0);
        const CSlotMask* overridden = scene.OverrideMask(0);
        QCOMPARE(MaskSlots(overridden, 0, 6), QList<int>({1, 1, 1, 1, 1, 0}));
        QCOMPARE(MaskSlots(overridden, 20, 5), QList<int>({1, 1, 1, 1, 1}));
        QVERIFY(overridden->Test(40));
        // A universe where the scene marks nothing gets its masks to force a slot.
        CStepFixture unmarked(Patch(owner, &rgb, 3, 0), &scene);
        unmarked.SetLevel(0, 90, false, false);
        QVERIFY(!scene.HasMasks(3));
        unmarked.ApplyLevels(out.Buffers(), true);
        QCOMPARE(Slots(out, 3, 0, 2), QList<int>({0, 0}));
        QCOMPARE(MaskSlots(std::as_const(scene).OverrideMask(3), 0, 6), QList<int>({1, 1, 1, 1, 1, 0}));

        // A render without live parameters forgets the override.
        rgbEntry.ApplyLevels(out.Buffers(), false);
        QCOMPARE(MaskSlots(overridden, 0, 6), QList<int>({0, 0, 0, 0, 0, 0}));
        QCOMPARE(Slots(out, 0, 0, 6), QList<int>({200, 100, 50, 25, 10, 33}));
    }

    void beamOnOpensBeamsAndBeatsColourOverride()
    {
        CLibraryProfile cmy;
        MakeCmy(cmy);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CScene scene(QStringLiteral("S"), 4);
        scene.m_beamOn = true;
        scene.m_liveColor = true;
        scene.m_red = 10;
        CStepFixture entry(Patch(owner, &cmy, 2, 100), &scene);
        SetLevels(entry, {10, 10, 10, 10, 10});

        Output out;
        entry.ApplyLevels(out.Buffers(), true);
        // Cyan, magenta, yellow 0; the dimmer's default 200; the shutter has no default: 255.
        QCOMPARE(Slots(out, 2, 100, 5), QList<int>({0, 0, 0, 200, 255}));
        QCOMPARE(MaskSlots(scene.OverrideMask(2), 100, 5), QList<int>({1, 1, 1, 1, 1}));
    }

    void liveColourReplacesDrivenColourSlots()
    {
        CLibraryProfile rgb;
        MakeRgbwDimmer(rgb);
        CLibraryProfile cmy;
        MakeCmy(cmy);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CScene scene(QStringLiteral("S"), 4);
        scene.m_liveColor = true;
        scene.m_red = 255;
        scene.m_green = 0;
        scene.m_blue = 128;
        scene.m_white = 40;

        CStepFixture rgbEntry(Patch(owner, &rgb, 0, 0), &scene);
        SetLevels(rgbEntry, {128, 1, 2, 3, 4});
        rgbEntry.SetLevel(3, 3, false, false);
        scene.ActiveMask(0)->Set(3, false); // blue undriven: keeps what the layer had
        CStepFixture cmyEntry(Patch(owner, &cmy, 0, 10), &scene);
        SetLevels(cmyEntry, {1, 2, 3, 4, 5});

        Output out(7);
        rgbEntry.ApplyLevels(out.Buffers(), true);
        cmyEntry.ApplyLevels(out.Buffers(), true);
        QCOMPARE(Slots(out, 0, 0, 5), QList<int>({128, 255, 0, 7, 40}));
        QCOMPARE(MaskSlots(scene.OverrideMask(0), 0, 5), QList<int>({0, 1, 1, 0, 1}));
        // Subtractive sets get the complement; the dimmer and shutter keep their levels.
        QCOMPARE(Slots(out, 0, 10, 5), QList<int>({0, 255, 127, 4, 5}));
    }

    void slotsPastTheUniverseAreSkipped()
    {
        CLibraryProfile profile;
        MakeRgbwDimmer(profile);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CScene scene(QStringLiteral("S"), 2);
        scene.m_blackout = true;

        // Channels 3 and 4 would lie at 512 and 513.
        CStepFixture edge(Patch(owner, &profile, 1, 509), &scene);
        SetLevels(edge, {1, 2, 3, 4, 5});
        QCOMPARE(MaskSlots(scene.ActiveMask(1), 509, 3), QList<int>({1, 1, 1}));
        Output out(7);
        edge.ApplyLevels(out.Buffers(), false);
        QCOMPARE(Slots(out, 1, 509, 3), QList<int>({1, 2, 3}));
        QCOMPARE(int(out.At(2, 0)), 7);
        edge.ApplyLevels(out.Buffers(), true);
        QCOMPARE(Slots(out, 1, 509, 3), QList<int>({0, 0, 0}));

        // A universe the scene holds no mask for, or the output lacks, writes nothing.
        CStepFixture outside(Patch(owner, &profile, 3, 0), &scene);
        SetLevels(outside, {1, 2, 3, 4, 5});
        outside.ApplyLevels(out.Buffers(), true);
        QCOMPARE(Slots(out, 3, 0, 5), QList<int>({7, 7, 7, 7, 7}));
        CStepFixture farAway(Patch(owner, &profile, 1, 0), &scene);
        SetLevels(farAway, {9, 9, 9, 9, 9});
        QVector<quint8> oneUniverse(512, 7);
        farAway.ApplyLevels(CLevelBuffers(oneUniverse.data(), 1), true);
        QCOMPARE(int(oneUniverse.at(0)), 7);
    }

    void settersMarkPartnersAndInvertSubtractiveColour()
    {
        CRecordingHost host;
        CLibraryProfile cmy;
        MakeCmy(cmy);
        CLibraryProfile rgb;
        MakeRgbwDimmer(rgb);
        CLibraryProfile head;
        CProfileChannelDef* pan = AddChannel(head, ChannelType::Pan);
        AddFine(head, pan);
        CProfileChannelDef* tilt = AddChannel(head, ChannelType::Tilt);
        AddFine(head, tilt);
        head.LinkChannels();
        head.AnalyseChannels();
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CScene scene(QStringLiteral("S"), 4);

        CStepFixture cmyEntry(Patch(owner, &cmy, 0, 0), &scene);
        cmyEntry.SetColor(0, 255, 0, 128, 0, true);
        QCOMPARE(EntryLevels(cmyEntry), QList<int>({0, 255, 127, 0, 0}));

        // Marking one colour channel marks its whole set, white included.
        CStepFixture rgbEntry(Patch(owner, &rgb, 0, 10), &scene);
        rgbEntry.SetLevel(2, 5, true, true);
        QCOMPARE(MaskSlots(scene.ActiveMask(0), 10, 5), QList<int>({0, 1, 1, 1, 1}));
        // A set is never masked as a side effect of a level without mark.
        rgbEntry.SetColor(0, 1, 2, 3, 4, false);
        QCOMPARE(EntryLevels(rgbEntry), QList<int>({0, 1, 2, 3, 4}));

        CStepFixture headEntry(Patch(owner, &head, 0, 20), &scene);
        headEntry.SetLevel(0, 18, true, true);
        QCOMPARE(MaskSlots(scene.ActiveMask(0), 20, 4), QList<int>({1, 1, 0, 0}));
        headEntry.SetPanTilt(0, 0x12, 0x34, 0x56, 0x78, true);
        QCOMPARE(EntryLevels(headEntry), QList<int>({0x12, 0x56, 0x34, 0x78}));
        QCOMPARE(MaskSlots(scene.ActiveMask(0), 20, 4), QList<int>({1, 1, 1, 1}));
        // A partner link that leads outside the mode marks nothing.
        CProfileChannelDef stray;
        stray.m_index = 9;
        pan->m_partner16 = &stray;
        CScene fresh(QStringLiteral("F"), 4);
        CStepFixture strayEntry(owner.back().get(), &fresh);
        strayEntry.SetLevel(0, 1, true, true);
        QCOMPARE(MaskSlots(fresh.ActiveMask(0), 20, 12), QList<int>({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        pan->m_partner16 = nullptr;
        // Sets and pairs that do not exist are ignored.
        headEntry.SetPanTilt(1, 1, 1, 1, 1, true);
        headEntry.SetColor(0, 1, 1, 1, 1, true);
        QCOMPARE(EntryLevels(headEntry), QList<int>({0x12, 0x56, 0x34, 0x78}));
        QVERIFY(host.Count(QStringLiteral("RaiseChangeFlag")) >= 3);
    }

    void captureFollowsEditMaskAndSelectedBeams()
    {
        CLibraryProfile pixels;
        MakeTwoPixels(pixels);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fixture = Patch(owner, &pixels, 0, 0);
        fixture->BeamFlags() = {true, false};
        FakeSource source;
        for (int slot = 0; slot < 6; ++slot)
            source.Edit(0, slot, 100);

        CScene scene(QStringLiteral("S"), 4);
        scene.ActiveMask(0)->Set(3); // already driven: stored whatever its beam
        CStepFixture entry(fixture, &scene);
        QVERIFY(entry.CaptureLevels(source, true));
        QCOMPARE(EntryLevels(entry), QList<int>({100, 100, 100, 100, 0, 0}));
        QCOMPARE(MaskSlots(scene.ActiveMask(0), 0, 6), QList<int>({1, 1, 1, 1, 0, 0}));

        // Without the beam rule every edited level is kept and marked.
        CScene other(QStringLiteral("T"), 4);
        CStepFixture all(fixture, &other, source, false);
        QCOMPARE(EntryLevels(all), QList<int>({100, 100, 100, 100, 100, 100}));
        QCOMPARE(MaskSlots(other.ActiveMask(0), 0, 6), QList<int>({1, 1, 1, 1, 1, 1}));
        QVERIFY(!all.CaptureLevels(source, false)); // nothing new to mark

        // Unedited slots read 0; an edited 0 is stored but never marked.
        FakeSource quiet;
        quiet.Edit(0, 1, 0);
        CScene third(QStringLiteral("U"), 4);
        CStepFixture none(fixture, &third, quiet, false);
        QCOMPARE(EntryLevels(none), QList<int>({0, 0, 0, 0, 0, 0}));
        QCOMPARE(MaskSlots(third.ActiveMask(0), 0, 6), QList<int>({0, 0, 0, 0, 0, 0}));
    }

    void newStepsTakeEditedFixturesAndLooseChannels()
    {
        CLibraryProfile rgb;
        AddColorSet(rgb, ChannelType::Red);
        rgb.AnalyseChannels();
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* edited = Patch(owner, &rgb, 0, 0);
        CPatchedFixture* untouched = Patch(owner, &rgb, 0, 3);
        FakeSource source;
        source.patched = {edited, untouched};
        source.Edit(0, 1, 0); // a patched slot left at 0 is no loose channel
        source.Edit(1, 100, 60);
        source.Edit(1, 200, 70);
        CScene scene(QStringLiteral("S"), 4);
        scene.ActiveMask(1)->Set(200); // the scene drives it already

        CSceneStep step(&scene, true, false, source);
        QCOMPARE(step.m_fade, 0);
        QCOMPARE(step.m_wait, 1000);
        QCOMPARE(step.EntryCount(), 2);
        QVERIFY(step.FindEntry(edited));
        QVERIFY(!step.FindEntry(untouched));
        QCOMPARE(source.RawCount(), 1);
        CStepFixture* raw = step.FindEntry(source.RawChannelAt(1, 100));
        QVERIFY(raw);
        QCOMPARE(int(raw->Level(0)), 60);
        QVERIFY(scene.IsChannelActive(1, 100));

        CSceneStep empty(&scene, false, false, source);
        QCOMPARE(empty.EntryCount(), 0);

        source.selected = {untouched};
        CSceneStep selection(&scene, true, true, source);
        QCOMPARE(selection.EntryCount(), 1);
        QVERIFY(selection.FindEntry(untouched));
    }

    void addAllFixturesWalksTheWholeUniverse()
    {
        CLibraryProfile rgb;
        AddColorSet(rgb, ChannelType::Red);
        rgb.AnalyseChannels();
        CLibraryProfile noChannels;
        noChannels.AnalyseChannels();
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* first = Patch(owner, &rgb, 0, 0);
        CPatchedFixture* empty = Patch(owner, &noChannels, 0, 5);
        CPatchedFixture* elsewhere = Patch(owner, &rgb, 1, 8);
        CPatchedFixture* last = Patch(owner, &rgb, 0, 510);
        FakeSource source;
        source.patched = {first, empty, elsewhere, last};
        CPatchedFixture* raw = source.AddRaw(0, 7);
        source.Edit(0, 7, 33);
        source.Edit(0, 511, 44);

        CScene scene(QStringLiteral("S"), 4);
        // A mode with no channels must not stall the walk.
        CSceneStep step(&scene, 500, 2000, 0, source);
        QCOMPARE(step.m_fade, 500);
        QCOMPARE(step.m_wait, 2000);
        QCOMPARE(step.EntryCount(), 4);
        QCOMPARE(step.m_entries.at(0)->Fixture(), first);
        QCOMPARE(step.m_entries.at(1)->Fixture(), empty);
        QCOMPARE(step.m_entries.at(1)->ChannelCount(), 0);
        QCOMPARE(step.m_entries.at(2)->Fixture(), raw);
        QCOMPARE(int(step.m_entries.at(2)->Level(0)), 33);
        QCOMPARE(step.m_entries.at(3)->Fixture(), last);
        QCOMPARE(EntryLevels(*step.m_entries.at(3)), QList<int>({0, 44, 0}));
    }

    void generatedAndCopiedSteps()
    {
        CLibraryProfile rgb;
        AddColorSet(rgb, ChannelType::Red);
        rgb.AnalyseChannels();
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fixture = Patch(owner, &rgb, 0, 0);
        FakeSource source;
        source.Edit(0, 0, 120);

        CScene plain(QStringLiteral("P"), 4);
        CSceneStep fromEdit(&plain, 40, 0, nullptr, {fixture}, source);
        QCOMPARE(EntryLevels(*fromEdit.FindEntry(fixture)), QList<int>({120, 0, 0}));

        CEffectScene effects(QStringLiteral("E"), 4);
        CSceneStep zeroed(&effects, 40, 0, nullptr, {fixture}, source);
        QCOMPARE(EntryLevels(*zeroed.FindEntry(fixture)), QList<int>({0, 0, 0}));
        QVERIFY(!effects.IsChannelActive(0, 0));

        CScene other(QStringLiteral("O"), 4);
        CSceneStep copy(&other, fromEdit, nullptr);
        QCOMPARE(copy.m_fade, 40);
        QCOMPARE(copy.FindEntry(fixture)->Scene(), &other);
        copy.ClearLevels();
        QCOMPARE(EntryLevels(*copy.FindEntry(fixture)), QList<int>({0, 0, 0}));
        QCOMPARE(EntryLevels(*fromEdit.FindEntry(fixture)), QList<int>({120, 0, 0}));
    }

    // An entry names its scene by the scene's number: once the scene is
    // gone it finds none, and no scene made while others wait takes the
    // number; numbers are given again all the same, or their table would
    // grow with every running copy ever made.
    void entryOfAGoneSceneFindsNone()
    {
        CLibraryProfile profile;
        MakeGobos(profile, 1);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fixture = Patch(owner, &profile, 0, 0);
        const auto made = [](int count) {
            std::vector<std::unique_ptr<CScene>> scenes;
            for (int i = 0; i < count; ++i)
                scenes.push_back(std::make_unique<CScene>(QStringLiteral("L"), 4));
            return scenes;
        };
        made(2 * CSceneNumber::kReuseDelay);
        auto scene = std::make_unique<CScene>(QStringLiteral("S"), 4);
        CScene other(QStringLiteral("O"), 4);
        CStepFixture entry(fixture, scene.get()), copy(entry, &other);
        QCOMPARE(entry.Scene(), scene.get());
        QCOMPARE(copy.Scene(), &other);
        scene.reset();
        const auto later = made(2 * CSceneNumber::kReuseDelay);
        QVERIFY(!entry.Scene());
        QCOMPARE(copy.Scene(), &other);

        const quint32 numbers = CSceneNumber::Made();
        for (int i = 0; i < 4 * CSceneNumber::kReuseDelay; ++i)
            CScene(QStringLiteral("C"), 4);
        QVERIFY2(CSceneNumber::Made() <= numbers + 1, qPrintable(QString::number(CSceneNumber::Made() - numbers)));
    }

    // Small modes keep their levels inside the entry, larger ones apart: on
    // both sides of that line every channel keeps its own level through a
    // copy, a clear of the copy and a render.
    void entriesOfAnySizeKeepTheirLevels_data()
    {
        QTest::addColumn<int>("channels");
        for (int channels : {1, 3, 10, 11, 12, 23, 24, 25, 64})
            QTest::addRow("%d channels", channels) << channels;
    }
    void entriesOfAnySizeKeepTheirLevels()
    {
        QFETCH(int, channels);
        CLibraryProfile profile;
        MakeGobos(profile, channels);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fixture = Patch(owner, &profile, 1, 400);
        CScene scene(QStringLiteral("S"), 4);
        CStepFixture entry(fixture, &scene);
        QCOMPARE(entry.ChannelCount(), channels);
        QList<int> expected;
        for (int c = 0; c < channels; ++c) {
            entry.SetLevel(c, quint8(7 * c + 1), true, false);
            expected << ((7 * c + 1) & 0xFF);
        }
        QCOMPARE(EntryLevels(entry), expected);
        QCOMPARE(entry.Level(channels), quint8(0));
        QCOMPARE(entry.Level(-1), quint8(0));

        CScene other(QStringLiteral("O"), 4);
        CStepFixture copy(entry, &other);
        copy.ClearLevels();
        QCOMPARE(EntryLevels(copy), QVector<int>(channels, 0).toList());
        QCOMPARE(EntryLevels(entry), expected);
        QByteArray expectedBytes;
        for (int level : expected)
            expectedBytes.append(char(level));
        QCOMPARE(entry.Levels(), expectedBytes);

        Output out;
        entry.ApplyLevels(out.Buffers(), false);
        QCOMPARE(Slots(out, 1, 400, channels), expected);
    }

    // An entry counts its channels in two bytes: a mode of more keeps the
    // first 65,535 levels, never a count that wrapped round past them.
    void modePastTheEntrysCountKeepsItsFirstLevels()
    {
        CLibraryProfile profile;
        MakeGobos(profile, 65536 + 7);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fixture = Patch(owner, &profile, 0, 0);
        CScene scene(QStringLiteral("S"), 4);
        CStepFixture entry(fixture, &scene);
        entry.SetLevel(65534, 9, false, false);
        entry.SetLevel(8, 7, false, false);
        CStepFixture copy(entry, &scene);
        QCOMPARE(copy.ChannelCount(), 65535);
        QCOMPARE(copy.Levels().count(char(0)), 65533);
        QCOMPARE(int(copy.Level(8)), 7);
        QCOMPARE(int(copy.Level(65534)), 9);
    }

    // Entries and their level blocks lie side by side in their pools: a
    // block a byte short, or one handed out twice, shows as a neighbour's
    // levels changed. Half are made again in the blocks given back.
    void entriesSideBySideKeepTheirLevels_data()
    {
        QTest::addColumn<int>("channels");
        for (int channels : {10, 11, 12, 13, 16, 17, 24, 25, 40, 63, 64, 65, 200})
            QTest::addRow("%d channels", channels) << channels;
    }
    void entriesSideBySideKeepTheirLevels()
    {
        QFETCH(int, channels);
        CLibraryProfile profile;
        MakeGobos(profile, channels);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fixture = Patch(owner, &profile, 1, 0);
        CScene scene(QStringLiteral("S"), 4);
        std::vector<std::unique_ptr<CStepFixture>> entries(3000);
        const auto make = [&](size_t i) {
            entries[i].reset(new CStepFixture(fixture, &scene));
            for (int c = 0; c < channels; ++c)
                entries[i]->SetLevel(c, quint8(i * 37 + c * 11 + 1), false, false);
        };
        for (size_t i = 0; i < entries.size(); ++i)
            make(i);
        for (size_t i = 0; i < entries.size(); i += 2)
            entries[i].reset();
        for (size_t i = 0; i < entries.size(); i += 2)
            make(i);
        for (size_t i = 0; i < entries.size(); ++i) {
            for (int c = 0; c < channels; ++c) {
                if (entries[i]->Level(c) != quint8(i * 37 + c * 11 + 1))
                    QFAIL(qPrintable(QStringLiteral("entry %1 channel %2 changed").arg(i).arg(c)));
            }
        }
    }

    // A generated step holds one entry per fixture, in the list's order,
    // whatever repeats or gaps the list has.
    void generatedStepTakesEachFixtureOnce_data()
    {
        QTest::addColumn<QList<int>>("list"); // fixture numbers, -1 for none
        QTest::addColumn<QList<int>>("entries");
        QTest::newRow("distinct") << QList<int>{2, 0, 1} << QList<int>{2, 0, 1};
        QTest::newRow("repeated") << QList<int>{1, 0, 1, 0} << QList<int>{1, 0};
        QTest::newRow("gaps") << QList<int>{-1, 2, -1} << QList<int>{2};
        QTest::newRow("repeated gaps") << QList<int>{-1, 1, -1, 1} << QList<int>{1};
        QTest::newRow("none") << QList<int>{} << QList<int>{};
    }
    void generatedStepTakesEachFixtureOnce()
    {
        QFETCH(QList<int>, list);
        QFETCH(QList<int>, entries);
        CLibraryProfile rgb;
        AddColorSet(rgb, ChannelType::Red);
        rgb.AnalyseChannels();
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        const QList<CPatchedFixture*> fixtures = {Patch(owner, &rgb, 0, 0), Patch(owner, &rgb, 0, 3),
                                                  Patch(owner, &rgb, 0, 6)};
        QList<CPatchedFixture*> given;
        for (int n : list)
            given << (n >= 0 ? fixtures[n] : nullptr);
        FakeSource source;
        CScene scene(QStringLiteral("P"), 4);
        CSceneStep step(&scene, 0, 0, nullptr, given, source);
        QList<int> made;
        for (const CStepFixture* entry : step.m_entries)
            made << fixtures.indexOf(entry->Fixture());
        QCOMPARE(made, entries);
    }

    void laterEntriesWinOnSharedSlots()
    {
        CLibraryProfile rgb;
        AddColorSet(rgb, ChannelType::Red);
        rgb.AnalyseChannels();
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CScene scene(QStringLiteral("S"), 4);
        CSceneStep step;
        CStepFixture* lamp = step.AddEntry(new CStepFixture(Patch(owner, &rgb, 0, 0), &scene));
        SetLevels(*lamp, {10, 50, 90});
        CPatchedFixture raw(1, 0);
        CStepFixture* loose = step.AddEntry(new CStepFixture(&raw, &scene));
        loose->SetLevel(0, 9, true, false);
        // A second entry for the same fixture is refused.
        QVERIFY(!step.AddEntry(new CStepFixture(&raw, &scene)));

        Output out;
        step.ApplyLevels(out.Buffers(), true);
        QCOMPARE(Slots(out, 0, 0, 3), QList<int>({10, 9, 90}));
    }

    void selectionWritersStoreForSelectedBeams()
    {
        CLibraryProfile pixels;
        MakeTwoPixels(pixels);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* bar = Patch(owner, &pixels, 0, 0);
        bar->BeamFlags() = {false, true};
        CPatchedFixture* newcomer = Patch(owner, &pixels, 0, 10);
        newcomer->BeamFlags() = {true, true};
        FakeSource source;
        source.selected = {bar, newcomer};
        source.Edit(0, 10, 77); // what the colour control wrote into the edit layer

        CScene scene(QStringLiteral("S"), 4);
        auto* first = new CSceneStep;
        auto* second = new CSceneStep;
        scene.m_steps = {first, second};
        second->AddEntry(new CStepFixture(bar, &scene));

        second->StoreAllColorsForSelection(&scene, 10, 20, 30, 0, false, source);
        QCOMPARE(EntryLevels(*second->FindEntry(bar)), QList<int>({0, 0, 0, 10, 20, 30}));
        // The new entry is captured from the edit layer, and since that drove
        // a new channel every step of the scene now carries the fixture.
        QCOMPARE(EntryLevels(*second->FindEntry(newcomer)), QList<int>({77, 0, 0, 0, 0, 0}));
        QVERIFY(first->FindEntry(newcomer));
        QCOMPARE(EntryLevels(*first->FindEntry(newcomer)), QList<int>({0, 0, 0, 0, 0, 0}));

        // The second group does not exist on this profile: nothing changes.
        second->StoreAllColorsForSelection(&scene, 1, 1, 1, 1, true, source);
        QCOMPARE(EntryLevels(*second->FindEntry(bar)), QList<int>({0, 0, 0, 10, 20, 30}));
    }

    void channelWritersStayOnTheirProfile()
    {
        CLibraryProfile a;
        MakeRgbwDimmer(a);
        CLibraryProfile b;
        MakeRgbwDimmer(b);
        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fa = Patch(owner, &a, 0, 0);
        CPatchedFixture* fb = Patch(owner, &b, 0, 10);
        FakeSource source;
        source.selected = {fa, fb};
        CScene scene(QStringLiteral("S"), 4);
        CSceneStep step;
        step.AddEntry(new CStepFixture(fa, &scene));
        step.AddEntry(new CStepFixture(fb, &scene));

        step.StoreChannelForSelection(&scene, a.GetChannel(0), 140, true, source);
        QCOMPARE(EntryLevels(*step.FindEntry(fa)), QList<int>({140, 0, 0, 0, 0}));
        QCOMPARE(EntryLevels(*step.FindEntry(fb)), QList<int>({0, 0, 0, 0, 0}));
        QVERIFY(scene.IsChannelActive(0, 0));

        // A fader moved without mark stores the level only.
        step.StoreModeChannel(&scene, fb, b.GetChannel(4), 66, false, source);
        QCOMPARE(EntryLevels(*step.FindEntry(fb)), QList<int>({0, 0, 0, 0, 66}));
        QVERIFY(!scene.IsChannelActive(0, 14));
        step.StoreModeChannel(&scene, fb, a.GetChannel(4), 99, true, source); // not fb's channel
        QCOMPARE(EntryLevels(*step.FindEntry(fb)), QList<int>({0, 0, 0, 0, 66}));

        step.StoreColorForFixture(&scene, fa, 0, 1, 2, 3, 4, source);
        QCOMPARE(EntryLevels(*step.FindEntry(fa)), QList<int>({140, 1, 2, 3, 4}));
    }

    void functionWriterReachesEveryMatchingChannel()
    {
        // The dimmer comes first and does not match a gobo: the gobo and zoom
        // after it must still be written.
        CLibraryProfile profile;
        AddDimmer(profile);
        CProfileChannelDef* gobo = AddChannel(profile, ChannelType::GoboWheel);
        CProfilePresetDef* open = AddPreset(gobo, PresetType::Gobo, 0, 9);
        open->m_name = QStringLiteral("Open");
        CProfilePresetDef* stars = AddPreset(gobo, PresetType::Gobo, 10, 20);
        stars->m_name = QStringLiteral("Stars");
        CProfileChannelDef* zoom = AddChannel(profile, ChannelType::Zoom);
        AddFine(profile, zoom);
        profile.LinkChannels();
        profile.AnalyseChannels();

        std::vector<std::unique_ptr<CPatchedFixture>> owner;
        CPatchedFixture* fixture = Patch(owner, &profile, 0, 0);
        CPatchedFixture* fresh = Patch(owner, &profile, 0, 20);
        FakeSource source;
        source.selected = {fixture, fresh};
        source.Edit(0, 21, 55);
        CScene scene(QStringLiteral("S"), 4);
        CSceneStep step;
        step.AddEntry(new CStepFixture(fixture, &scene));

        step.StoreFunctionForSelection(&scene, gobo, nullptr, 77, false, false, source);
        QCOMPARE(EntryLevels(*step.FindEntry(fixture)), QList<int>({0, 77, 0, 0}));
        QVERIFY(scene.IsChannelActive(0, 1));
        // A fixture without an entry gets one captured from the edit layer.
        QCOMPARE(EntryLevels(*step.FindEntry(fresh)), QList<int>({0, 55, 0, 0}));

        // Presets are found by meaning and the level mapped into their range.
        CProfilePresetDef starsElsewhere;
        starsElsewhere.m_type = PresetType::Gobo;
        starsElsewhere.m_name = QStringLiteral("Stars");
        step.StoreFunctionForSelection(&scene, gobo, &starsElsewhere, 128, false, false, source);
        QCOMPARE(int(step.FindEntry(fixture)->Level(1)), 15); // 10 + 10 * 128 / 255
        step.StoreFunctionForSelection(&scene, gobo, &starsElsewhere, 255, false, false, source);
        QCOMPARE(int(step.FindEntry(fixture)->Level(1)), 20);
        starsElsewhere.m_name = QStringLiteral("Flames");
        step.StoreFunctionForSelection(&scene, gobo, &starsElsewhere, 0, false, false, source);
        QCOMPARE(int(step.FindEntry(fixture)->Level(1)), 20);

        // The fine flag writes the channel's fine byte only.
        step.StoreFunctionForSelection(&scene, zoom, nullptr, 9, false, true, source);
        QCOMPARE(EntryLevels(*step.FindEntry(fixture)), QList<int>({0, 20, 0, 9}));
    }
};

ORVANE_TEST(StepTest)
#include "StepTest.moc"
