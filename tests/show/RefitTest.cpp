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

} // namespace

// A fixture given another profile or mode keeps each level on the channel
// of the same function, in every step and in the step a scene fades out
// from, and the scene drives those channels from the next tick on.
class RefitTest : public QObject
{
    Q_OBJECT

private slots:
    void levelsFollowTheirFunction_data()
    {
        Columns<QString, QList<int>, QString, QList<int>>("from", "levels", "to", "expected");
        const QList<int> dimRgb{200, 10, 20, 30};
        QTest::newRow("green before red") << "DRGB" << dimRgb << "DGRB" << QList<int>{200, 20, 10, 30};
        QTest::newRow("dimmer moved first") << "RGBD" << QList<int>{10, 20, 30, 200} << "DRGB" << dimRgb;
        QTest::newRow("white added before blue") << "DRGB" << dimRgb << "DRGWB" << QList<int>{200, 10, 20, 0, 30};
        QTest::newRow("a channel dropped") << "DRGBW" << QList<int>{200, 10, 20, 30, 40} << "RGBW"
                                           << QList<int>{10, 20, 30, 40};
        QTest::newRow("fine bytes stay fine") << "DPpTt" << QList<int>{200, 1, 2, 3, 4} << "PTptD"
                                              << QList<int>{1, 3, 2, 4, 200};
        // A channel whose function the other profile lacks keeps the level
        // of its place, unless that level went to its function elsewhere.
        QTest::newRow("the rest by position") << "DZXG" << QList<int>{200, 7, 9, 40} << "IDXS"
                                              << QList<int>{0, 200, 9, 40};
        QTest::newRow("a larger profile") << "DRGB" << dimRgb << "DRGBZSPT" << dimRgb + QList<int>{0, 0, 0, 0};
        QTest::newRow("a smaller profile") << "DRGBZS" << QList<int>{200, 10, 20, 30, 5, 6} << "BGR"
                                           << QList<int>{30, 20, 10};
        // Two sets of each colour: the first red stays the first red.
        QTest::newRow("more than 24 channels shrink") << Repeat("RGB", 10) << Numbers(1, 30) << Repeat("GRB", 4)
                                                      << QList<int>{2, 1, 3, 5, 4, 6, 8, 7, 9, 11, 10, 12};
        QTest::newRow("growing past 24 channels") << "DRGB" << dimRgb << "D" + Repeat("RGB", 9)
                                                  << dimRgb + Numbers(0, 24, 0);
    }
    void levelsFollowTheirFunction()
    {
        const auto [from, levels, to, expected] =
            Row<QString, QList<int>, QString, QList<int>>("from", "levels", "to", "expected");
        for (const bool fading : {false, true}) {
            CPlaybackRig rig;
            CLibraryProfile* had = rig.AddProfile([&](CLibraryProfile& p) { AddChannels(p, qPrintable(from)); });
            CLibraryProfile* has = rig.AddProfile([&](CLibraryProfile& p) { AddChannels(p, qPrintable(to)); });
            CPatchedFixture* fixture = rig.Patch(had, 0, 10);
            CScene* scene = rig.AddScene(QStringLiteral("S"), 0, 100000);
            rig.AddStep(scene, 0, 100000, {{fixture, std::vector<int>(levels.begin(), levels.end())}});
            rig.Page()->PlayScene(scene);
            rig.Tick(2);
            if (fading) {
                rig.Page()->StopScene(scene, false, false, false, true);
                rig.Tick();
                QVERIFY(scene->m_transitionStep);
            }
            // Heap blocks of entries come and go: a level left unset would show.
            for (int i = 0; i < 8; ++i) {
                auto* block = new quint8[size_t(expected.size())];
                std::memset(block, 0xA5, size_t(expected.size()));
                delete[] block;
            }
            fixture->SetProfile(has);
            rig.project.FitEntriesToProfiles();
            rig.Tick(2);

            QCOMPARE(LevelsOf(scene->m_steps.first()->FindEntry(fixture)), expected);
            QCOMPARE(StaleReferences(rig.project), QStringList());
            if (fading)
                continue;
            QList<int> out;
            for (int c = 0; c < expected.size(); ++c)
                out << rig.Out(0, 10 + c);
            QCOMPARE(out, expected);
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
