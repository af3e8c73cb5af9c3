#include "DataTable.h"
#include "ShowReferences.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "ShowEdits.h"

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

enum class Fade { None, Out, DynamicIn };

// A fixture at `address` of universe 0 and a dimmer pair at `pairAt` of
// universe 0 (-1: at the start of universe 1), both in the two steps of a
// scene with 2-s fades; another scene holds the fixture at other levels.
struct CRefitRig : CPlaybackRig
{
    CRefitRig(const QString& from, const QList<int>& levels, const QString& to, int address, int pairAt)
    {
        had = AddProfile([&](CLibraryProfile& p) { AddChannels(p, qPrintable(from)); });
        has = AddProfile([&](CLibraryProfile& p) { AddChannels(p, qPrintable(to)); });
        fixture = Patch(had, 0, address);
        pair = Patch(AddProfile([](CLibraryProfile& p) { AddChannels(p, "DD"); }), pairAt < 0 ? 1 : 0,
                     std::max(0, pairAt));
        under = AddScene(QStringLiteral("U"));
        std::vector<int> others;
        for (int level : levels)
            others.push_back(255 - level);
        AddStep(under, 0, 100000, {{fixture, others}});
        scene = AddScene(QStringLiteral("S"), 0, 2000);
        scene->m_customFadeIn = 2000;
        scene->m_dynamicFadeIn = true;
        for (int s = 0; s < 2; ++s)
            AddStep(scene, 0, 100000, {{fixture, std::vector<int>(levels.begin(), levels.end())}, {pair, {77, 88}}});
    }
    // Plays the scene; with a fade, up to halfway through it.
    void Play(Fade fade)
    {
        if (fade == Fade::DynamicIn) {
            Page()->PlayScene(under);
            Tick(2);
        }
        Page()->PlayScene(scene, -1, -1, fade == Fade::DynamicIn);
        Tick(fade == Fade::DynamicIn ? 40 : 2);
        if (fade != Fade::Out)
            return;
        Page()->StopScene(scene, false, false, false, true);
        Tick(40);
    }
    void Refit()
    {
        fixture->SetProfile(has);
        project.FitEntriesToProfiles();
    }
    // The fixture's slots inside its universe, then the pair's.
    QList<int> Output() const
    {
        QList<int> out;
        for (int c = 0; c < CStepFixture::ChannelCountFor(has) && fixture->m_address + c < 512; ++c)
            out << Out(0, fixture->m_address + c);
        return out << Out(pair->m_universe, pair->m_address) << Out(pair->m_universe, pair->m_address + 1);
    }

    CLibraryProfile* had = nullptr;
    CLibraryProfile* has = nullptr;
    CPatchedFixture* fixture = nullptr;
    CPatchedFixture* pair = nullptr;
    CScene* under = nullptr;
    CScene* scene = nullptr;
};

} // namespace

// A fixture given another profile or mode keeps each level on the channel
// of the same function, in every step, and the scene drives those channels
// from the next tick on; a fade under way goes on from the levels it faded
// from, on their new channels.
class RefitTest : public QObject
{
    Q_OBJECT

private slots:
    void levelsFollowTheirFunction_data()
    {
        Columns<QString, QList<int>, QString, QList<int>, int, QList<int>, int>("from", "levels", "to", "expected",
                                                                               "address", "out", "pairAt");
        // What goes out on the fixture's slots is its levels unless given.
        auto row = [](const char* name, const char* from, const QList<int>& levels, const QString& to,
                      const QList<int>& expected, int address = 10, const QList<int>& out = {}, int pairAt = -1) {
            QTest::newRow(name) << QString(from) << levels << to << expected << address << out << pairAt;
        };
        const QList<int> dimRgb{200, 10, 20, 30};
        row("green before red", "DRGB", dimRgb, "DGRB", {200, 20, 10, 30});
        row("dimmer moved first", "RGBD", {10, 20, 30, 200}, "DRGB", dimRgb);
        row("white added before blue", "DRGB", dimRgb, "DRGWB", {200, 10, 20, 0, 30});
        row("a channel dropped", "DRGBW", {200, 10, 20, 30, 40}, "RGBW", {10, 20, 30, 40});
        row("fine bytes stay fine", "DPpTt", {200, 1, 2, 3, 4}, "PTptD", {1, 3, 2, 4, 200});
        row("a fine byte ahead of its coarse one", "pPD", {1, 2, 3}, "PpD", {2, 1, 3});
        row("a lone pan beside a 16-bit one", "PpP", {1, 2, 3}, "PPp", {1, 3, 2});
        // A known function never takes another's level: it starts at 0.
        row("a function without its own", "DZXG", {200, 7, 9, 40}, "IDXS", {0, 200, 9, 0});
        row("a shutter does not turn white", "RGBS", {200, 60, 10, 255}, "RGBW", {200, 60, 10, 0});
        row("colours do not move a head", "DRGB", dimRgb, "DPpTt", {200, 0, 0, 0, 0});
        // Channels of no known type go by position, and only to each other.
        row("undefined channels", "XDX", {1, 2, 3}, "DXX", {2, 0, 3});
        row("channels of unknown types", "UDU", {1, 2, 3}, "DUU", {2, 0, 3});
        row("a larger profile", "DRGB", dimRgb, "DRGBZSPT", dimRgb + QList<int>{0, 0, 0, 0});
        row("a smaller profile", "DRGBZS", {200, 10, 20, 30, 5, 6}, "BGR", {30, 20, 10});
        // Two sets of each colour: the first red stays the first red.
        row("more than 24 channels shrink", qPrintable(Repeat("RGB", 10)), Numbers(1, 30), Repeat("GRB", 4),
            {2, 1, 3, 5, 4, 6, 8, 7, 9, 11, 10, 12});
        row("growing past 24 channels", "DRGB", dimRgb, "D" + Repeat("RGB", 9), dimRgb + Numbers(0, 24, 0));
        // Green and blue lay past the universe, where the scene drove
        // nothing; the next universe keeps its own.
        row("at the end of a universe", "DRGB", dimRgb, "GDRB", {20, 200, 10, 30}, 510, {0, 200});
        // The zoom's slot is the next fixture's, which drives it still.
        row("grown over the next fixture", "DRGB", dimRgb, "DRGBZ", dimRgb + QList<int>{0}, 10,
            dimRgb + QList<int>{77}, 14);
    }
    void levelsFollowTheirFunction()
    {
        const auto [from, levels, to, expected, address, out, pairAt] =
            Row<QString, QList<int>, QString, QList<int>, int, QList<int>, int>("from", "levels", "to", "expected",
                                                                              "address", "out", "pairAt");
        for (const Fade fade : {Fade::None, Fade::Out, Fade::DynamicIn}) {
            // A fade goes on as if the fixture had had its new profile all along.
            CRefitRig rig(from, levels, to, address, pairAt), fitted(from, levels, to, address, pairAt);
            fitted.Refit();
            rig.Play(fade);
            fitted.Play(fade);
            // Heap blocks of entries come and go: a level left unset would show.
            for (int i = 0; i < 8; ++i) {
                auto* block = new quint8[size_t(expected.size())];
                std::memset(block, 0xA5, size_t(expected.size()));
                delete[] block;
            }
            rig.Refit();
            rig.Tick(2);
            fitted.Tick(2);

            for (const CSceneStep* step : rig.scene->m_steps)
                QCOMPARE(LevelsOf(step->FindEntry(rig.fixture)), expected);
            QCOMPARE(StaleReferences(rig.project), QStringList());
            if (fade != Fade::None) {
                QVERIFY(rig.scene->m_fadingIn || rig.scene->m_transitionStep);
                const int pairDimmer = rig.Output().value(rig.Output().size() - 2);
                QVERIFY(pairDimmer > 0 && pairDimmer < 77);
                QCOMPARE(rig.Output(), fitted.Output());
            } else {
                const QList<int> pair{77, 88};
                QCOMPARE(rig.Output(), (out.isEmpty() ? expected : out) + pair);
                QCOMPARE(rig.StepsRendered(), 1);
            }
        }
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
