#include "TestRegistry.h"

#include "PlaybackRig.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace ProfileBuilder;

namespace {

// The operator's masters, from words: "dimmer 25", "blackout", "blackout
// off", "beamon", "colour 255 0 0", "scene blackout".
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
        else
            scene->m_blackout = true;
    }
}

// A fixture of a kind: "rgb", "cmy", "head" (dimmer, 16-bit pan and tilt),
// "fine" (16-bit dimmer and RGB) or "raw" (a loose channel).
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
    auto* profile = new CLibraryProfile;
    AddFine(*profile, AddDimmer(*profile));
    AddColorSet(*profile, ChannelType::Red);
    profile->UpdateRoles();
    rig.project.m_library << profile;
    return rig.Patch(profile, universe, address);
}

// Scenes of random steps on fixtures of every kind, side by side (mostly
// five slots apart): the live parameters are applied after a kept render.
void BuildShow(CPlaybackRig& rig, quint32 seed)
{
    QRandomGenerator random(seed);
    QList<CPatchedFixture*> fixtures;
    int next[2] = {0, 0};
    for (int i = 0; i < 12; ++i) {
        const QString kind = QStringList{"rgb", "rgb", "cmy", "head", "fine", "raw"}[random.bounded(6)];
        fixtures << PatchKind(rig, kind, i / 6, next[i / 6]);
        next[i / 6] += random.bounded(3) == 0 ? 6 : 5;
    }
    for (int s = 0; s < 4; ++s) {
        CScene* scene = rig.AddScene(QStringLiteral("S%1").arg(s), random.bounded(3) * 100, random.bounded(3) * 100);
        scene->m_playMode = random.bounded(2) ? ReleaseNone : ReleaseSameChannels;
        for (int k = 1 + random.bounded(3); k > 0; --k) {
            auto* step = new CSceneStep(random.bounded(3) * 100, 50 + random.bounded(3) * 100);
            for (CPatchedFixture* fixture : fixtures) {
                if (random.bounded(3) == 0)
                    continue;
                auto* entry = new CStepFixture(fixture, scene);
                for (int c = 0; c < entry->ChannelCount(); ++c)
                    entry->SetLevel(c, quint8(random.bounded(256)), random.bounded(4) != 0, false);
                step->AddEntry(entry);
            }
            scene->m_steps << step;
        }
        scene->UpdateLength();
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
    case 3: project.SetBlackOut(value & 1); break;
    case 4: project.SetBeamOn(value & 1); break;
    case 5:
        if (value & 1)
            project.SetLiveColor(quint8(value), quint8(255 - value), quint8(value / 3));
        else
            project.SetColorOverride(false);
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
        for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u})
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
            for (int u = 0; u < 2; ++u) {
                for (int s = 0; s < 72; ++s) {
                    QVERIFY2(kept.Out(u, s) == plain.Out(u, s),
                             qPrintable(QStringLiteral("tick %1 universe %2 slot %3: %4, plainly %5")
                                            .arg(tick).arg(u).arg(s).arg(kept.Out(u, s)).arg(plain.Out(u, s))));
                }
            }
        }
    }
};

ORVANE_TEST(LiveMastersTest)
#include "LiveMastersTest.moc"
