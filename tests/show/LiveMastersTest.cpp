#include "TestRegistry.h"

#include "LayerDifference.h"
#include "PlaybackRig.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace ProfileBuilder;

namespace {

// The operator's masters, from words: "dimmer 25", "blackout", "blackout
// off", "beamon", "colour 255 0 0", "white 9", "scene blackout".
void Act(CProject& project, CScene* scene, const QString& actions)
{
    for (const QString& action : actions.split(';')) {
        const QStringList w = action.split(' ');
        if (w[0] == "dimmer")
            project.SetDimmer(w[1].toInt());
        else if (w[0] == "blackout")
            project.SetBlackOut(w.size() == 1);
        else if (w[0] == "beamon")
            project.SetBeamOn(true);
        else if (w[0] == "colour")
            project.SetLiveColor(quint8(w[1].toInt()), quint8(w[2].toInt()), quint8(w[3].toInt()));
        else if (w[0] == "white")
            project.SetLiveWhite(quint8(w[1].toInt()));
        else
            scene->m_blackout = true;
    }
}

// Channel numbers as the roles tables were built leave them; a profile
// renumbered by hand may put two sets on the same slots.
void Overlap(CPatchedFixture* fixture)
{
    const CColorSet& second = fixture->Profile()->ColorSets()[1];
    second.red->m_index = 1;
    second.green->m_index = 0;
}

// A fixture of a kind: "rgb", "cmy", "head" (dimmer, 16-bit pan and tilt),
// "fine" (16-bit dimmer and RGB), "spot" (a shutter that opens at 32, RGB
// and amber), "fine red" (RGB with a 16-bit red), "overlapping" (two RGB
// sets, the second's red and green on the first's green and red) or "raw"
// (a loose channel).
CPatchedFixture* PatchKind(CPlaybackRig& rig, const QString& kind, int universe, int address)
{
    if (kind == "raw")
        return rig.project.GetChannelFixture(universe, address);
    if (kind == "rgb")
        return rig.Patch(rig.RgbProfile(), universe, address);
    if (kind == "cmy")
        return rig.Patch(rig.CmyProfile(), universe, address);
    if (kind == "head")
        return rig.Patch(rig.MovingHeadProfile(), universe, address);
    CPatchedFixture* fixture = rig.Patch(rig.AddProfile([&kind](CLibraryProfile& profile) {
        if (kind == "spot") {
            CProfilePresetDef* open = AddPreset(AddChannel(profile, ChannelType::Shutter), PresetType::Undef, 20, 40);
            open->m_defaultPreset = true;
            open->m_dmxDefault = 32;
            AddColorSet(profile, ChannelType::Red);
            AddChannel(profile, ChannelType::White);
        } else if (kind == "fine red") {
            AddFine(profile, AddChannel(profile, ChannelType::Red));
            AddChannel(profile, ChannelType::Green);
            AddChannel(profile, ChannelType::Blue);
        } else if (kind == "overlapping") {
            AddColorSet(profile, ChannelType::Red);
            AddColorSet(profile, ChannelType::Red);
        } else {
            AddFine(profile, AddDimmer(profile));
            AddColorSet(profile, ChannelType::Red);
        }
    }), universe, address);
    if (kind == "overlapping")
        Overlap(fixture);
    return fixture;
}

// Scenes of random steps on fixtures of every kind, side by side (mostly
// six slots apart): the live parameters are applied after a kept render.
// The first scene is a chase longer than the renders a scene keeps. Some
// fixtures gain a channel after their steps were recorded. Levels are
// often at full, where the dimmer has the most to do.
void BuildShow(CPlaybackRig& rig, quint32 seed)
{
    QRandomGenerator random(seed);
    // The first five take the masters after a kept render; a step with any
    // of the others is rendered with them.
    const QStringList kinds{"rgb", "cmy", "head", "spot", "raw", "fine", "fine red", "overlapping", "grown"};
    QList<CPatchedFixture*> fixtures;
    QList<bool> takeAfter;
    QList<CLibraryProfile*> grown;
    int next[2] = {0, 0};
    for (int i = 0; i < 16; ++i) {
        const int k = random.bounded(kinds.size());
        fixtures << PatchKind(rig, k == 8 ? "rgb" : kinds[k], i / 8, next[i / 8]);
        takeAfter << (k < 5);
        next[i / 8] += random.bounded(3) == 0 ? 7 : 6;
        if (kinds[k] == "grown")
            grown << fixtures.last()->Profile();
    }
    for (int s = 0; s < 4; ++s) {
        CScene* scene = rig.AddScene(QStringLiteral("S%1").arg(s), random.bounded(3) * 100, random.bounded(3) * 100);
        scene->m_playMode = random.bounded(2) ? ReleaseNone : ReleaseSameChannels;
        const bool anyKind = s != 0 && random.bounded(2) == 0;
        for (int k = s == 0 ? 9 + random.bounded(4) : 1 + random.bounded(3); k > 0; --k) {
            // The chase goes round its steps between the operator's starts and stops.
            auto* step = s == 0 ? new CSceneStep(random.bounded(2) * 50, 25)
                                : new CSceneStep(random.bounded(3) * 100, 50 + random.bounded(3) * 100);
            for (int f = 0; f < fixtures.size(); ++f) {
                if (random.bounded(3) == 0 || !(anyKind || takeAfter[f]))
                    continue;
                auto* entry = new CStepFixture(fixtures[f], scene);
                for (int c = 0; c < entry->ChannelCount(); ++c) {
                    const int level = random.bounded(3) == 0 ? 255 : random.bounded(256);
                    entry->SetLevel(c, quint8(level), random.bounded(4) != 0, false);
                }
                step->AddEntry(entry);
            }
            scene->m_steps << step;
        }
        scene->UpdateLength();
    }
    // Their steps were recorded before the profile grew a channel.
    for (CLibraryProfile* profile : grown) {
        AddChannel(*profile, ChannelType::Zoom);
        profile->UpdateRoles();
    }
}

void ActAtRandom(CProject& project, QRandomGenerator& random)
{
    const QList<CScene*>& scenes = project.m_firstPage->m_scenes;
    CScene* scene = scenes[random.bounded(scenes.size())];
    const int value = random.bounded(256);
    switch (random.bounded(12)) {
    case 0: case 1: project.m_firstPage->ToggleScene(scene, true, true, false); break;
    case 2: project.SetDimmer(value * 100 / 255); break;
    // Either hides the colour override: on a quarter of the time each.
    case 3: project.SetBlackOut(value % 4 == 0); break;
    case 4: project.SetBeamOn(value % 4 == 0); break;
    case 5:
        if (value % 3 == 0)
            project.SetColorOverride(false);
        else if (value % 3 == 1)
            project.SetLiveColor(quint8(value), quint8(255 - value), quint8(value / 3));
        else
            project.SetLiveWhite(quint8(value));
        break;
    case 6: scene->SetDimmer(value * 100 / 255); break;
    case 7: scene->m_blackout = value & 1; break;
    default: break;
    }
}

} // namespace

class LiveMastersTest : public QObject
{
    Q_OBJECT

private slots:
    // Worked by hand: each master on a fixture kind, through a fade-in of
    // 200 ms (the first tick mixes a fifth of the way) or once reached.
    void mastersGiveTheirLevels_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QVector<int>>("levels");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<int>("fadeIn");
        QTest::addColumn<QVector<int>>("expected");
        const QVector<int> rgb{10, 20, 200}, head{200, 1, 2, 3, 4}, fine{200, 100, 10, 20, 30};
        QTest::newRow("rgb dimmed up") << "rgb" << rgb << "dimmer 75" << 0 << QVector<int>{16, 31, 227};
        QTest::newRow("rgb dimmed, fading in") << "rgb" << rgb << "dimmer 25" << 200 << QVector<int>{1, 2, 20};
        QTest::newRow("rgb black-out, fading in") << "rgb" << rgb << "blackout" << 200 << QVector<int>{0, 0, 0};
        QTest::newRow("rgb black-out, then beam on") << "rgb" << rgb << "blackout;beamon" << 0
                                                     << QVector<int>{255, 255, 255};
        QTest::newRow("rgb beam on, then black-out") << "rgb" << rgb << "beamon;blackout" << 0
                                                     << QVector<int>{0, 0, 0};
        QTest::newRow("rgb black-out off") << "rgb" << rgb << "blackout;blackout off" << 0 << rgb;
        QTest::newRow("rgb colour dimmed, fading in") << "rgb" << rgb << "dimmer 25;colour 255 0 7" << 200
                                                      << QVector<int>{255, 0, 7};
        QTest::newRow("rgb scene's own black-out") << "rgb" << rgb << "scene blackout" << 0 << QVector<int>{0, 0, 0};
        QTest::newRow("cmy black-out") << "cmy" << rgb << "blackout" << 0 << QVector<int>{255, 255, 255};
        QTest::newRow("cmy colour") << "cmy" << rgb << "colour 255 0 7" << 0 << QVector<int>{0, 255, 248};
        QTest::newRow("no colour channels, colour") << "head" << head << "colour 255 0 7" << 0 << head;
        QTest::newRow("head dimmed") << "head" << head << "dimmer 25" << 0 << QVector<int>{100, 1, 2, 3, 4};
        QTest::newRow("head beam on, fading in") << "head" << head << "beamon" << 200
                                                 << QVector<int>{255, 0, 51, 0, 154};
        QTest::newRow("16-bit dimmer black-out, fading in") << "fine" << fine << "blackout" << 200
                                                            << QVector<int>{0, 0, 0, 0, 0};
        const QVector<int> spot{0, 10, 20, 30, 40}, full{255, 255, 128, 0, 255};
        QTest::newRow("spot at full dimmed") << "spot" << full << "dimmer 25" << 0 << QVector<int>{255, 127, 64, 0, 127};
        QTest::newRow("spot colour and amber") << "spot" << spot << "colour 255 0 7;white 9" << 0
                                               << QVector<int>{0, 255, 0, 7, 9};
        QTest::newRow("spot beam on opens to its preset") << "spot" << spot << "beamon" << 0
                                                          << QVector<int>{32, 255, 255, 255, 255};
        // The colour takes the coarse red; its fine byte jumps along with it.
        QTest::newRow("16-bit red colour, fading in") << "fine red" << QVector<int>{10, 20, 30, 40} << "colour 255 0 7"
                                                      << 200 << QVector<int>{255, 20, 0, 7};
        // The second set's red is on slot 1 and its green on slot 0: the
        // last set's components win.
        QTest::newRow("overlapping sets colour") << "overlapping" << QVector<int>{10, 20, 30, 40, 50, 60}
                                                 << "colour 255 0 7" << 0 << QVector<int>{0, 255, 7, 40, 50, 7};
        QTest::newRow("raw channel dimmed") << "raw" << QVector<int>{90} << "dimmer 25" << 0 << QVector<int>{90};
        QTest::newRow("raw channel black-out") << "raw" << QVector<int>{90} << "blackout" << 0 << QVector<int>{0};
    }
    void mastersGiveTheirLevels()
    {
        QFETCH(QString, kind);
        QFETCH(QVector<int>, levels);
        QFETCH(QString, actions);
        QFETCH(int, fadeIn);
        QFETCH(QVector<int>, expected);
        CPlaybackRig rig;
        CPatchedFixture* fixture = PatchKind(rig, kind, 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("S"), fadeIn);
        rig.AddStep(scene, 0, 100000, {{fixture, std::vector<int>(levels.begin(), levels.end())}});
        rig.Page()->PlayScene(scene);
        if (fadeIn == 0)
            rig.Tick(); // a render kept before the masters move
        Act(rig.project, scene, actions);
        rig.Tick();
        QVector<int> output;
        for (int s = 0; s < expected.size(); ++s)
            output << rig.Out(0, s);
        QCOMPARE(output, expected);
    }

    // A page that keeps its renders and applies the masters to them sends
    // what one that renders every step every tick sends, through fades,
    // step changes, starts and stops and every master.
    void keptRendersFollowTheMasters_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 16; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }
    void keptRendersFollowTheMasters()
    {
        QFETCH(quint32, seed);
        CPlaybackRig kept(2), plain(2);
        BuildShow(kept, seed);
        BuildShow(plain, seed);
        plain.Page()->SetKeepRenders(false);
        kept.Page()->SetRenderBudget(1);
        QRandomGenerator keptActions(seed * 31), plainActions(seed * 31);
        for (int tick = 0; tick < 500; ++tick) {
            ActAtRandom(kept.project, keptActions);
            ActAtRandom(plain.project, plainActions);
            kept.Tick();
            plain.Tick();
            const QString difference = FirstDifference(kept.project.m_output, plain.project.m_output);
            QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("tick %1, %2").arg(tick).arg(difference)));
        }
    }
};

ORVANE_TEST(LiveMastersTest)
#include "LiveMastersTest.moc"
