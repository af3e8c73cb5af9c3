#include "TestRegistry.h"

#include "DataTable.h"
#include "LibraryProfileBuilder.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/Scene.h"

#include <QRegularExpression>
#include <QtTest>

using namespace ProfileBuilder;

namespace {

class TestItem : public CLayoutItem
{
public:
    explicit TestItem(const QRect& rect) : m_rect(rect) {}
    QRect ItemRect() const override { return m_rect; }

private:
    QRect m_rect;
};

const QColor kBlack(0, 0, 0);
const QColor kBlue(76, 120, 255);
const QColor kGreen(25, 255, 82);
const QColor kPurple(190, 128, 255);

// One letter per colour, as a row of a table spells them.
QChar ColourLetter(const QColor& colour)
{
    return colour == kBlue ? 'B' : colour == kGreen ? 'G' : colour == kPurple ? 'U' : colour == kBlack ? 'K' : '?';
}

// Starts and stops one scene on the fixture, returning the driving tallies touched.
quint64 TalliesTouched(CPatchedFixture& fixture, const CScene& scene)
{
    const quint64 before = CPatchedFixture::DrivingTalliesTouched();
    fixture.AddPlayingScene(&scene);
    fixture.RemovePlayingScene(&scene);
    return CPatchedFixture::DrivingTalliesTouched() - before;
}

CPatchedFixture MakeFixture(CLibraryProfile* profile)
{
    return CPatchedFixture(10, 1, 7, -1, QStringLiteral("Bar"), profile, false, false, 0);
}

// Three pixels, each with its colour set and pan/tilt pair, plus a master colour set.
void MakeThreePixelBar(CLibraryProfile& profile)
{
    SetBeams(profile, {{0.0f, 0.0f}, {1.0f, 0.0f}, {2.0f, 0.0f}});
    for (int beam = 0; beam < 3; ++beam) {
        AddColorSet(profile, ChannelType::Red, Beams({beam}));
        AddChannel(profile, ChannelType::Pan, Beams({beam}));
        AddChannel(profile, ChannelType::Tilt, Beams({beam}));
    }
    AddColorSet(profile, ChannelType::Red);
    profile.AnalyseChannels();
}

} // namespace

class PatchedFixtureTest : public QObject
{
    Q_OBJECT

private slots:
    void oneBeamFlagPerBeam()
    {
        CLibraryProfile single;
        CPatchedFixture spot = MakeFixture(&single);
        QCOMPARE(spot.BeamFlags(), QList<bool>({false}));

        CLibraryProfile bar;
        MakeThreePixelBar(bar);
        TestItem item(QRect(40, 60, 61, 21));
        CPatchedFixture patched(0, 0, 1, -1, QStringLiteral("Bar"), &bar, true, false, &item);
        QCOMPARE(patched.BeamFlags(), QList<bool>({false, false, false}));
        QCOMPARE(patched.ItemPosition(), QPoint(40, 60));

        CPatchedFixture raw(511, 3);
        QCOMPARE(raw.m_id, -1);
        QVERIFY(raw.BeamFlags().isEmpty());
        QCOMPARE(raw.ItemPosition(), QPoint(0, 0));
        QCOMPARE(raw.FirstSelectedColor(false), 0);

        // Another profile: the flags follow it and keep the beams both have.
        patched.BeamFlags()[0] = true;
        patched.SetProfile(&single);
        QCOMPARE(patched.BeamFlags(), QList<bool>({true}));
        QVERIFY(patched.m_masterColors.isEmpty());
    }

    void positionsPerGroup()
    {
        CPatchedFixture fixture(0, 0);
        fixture.AddPosition(QPoint(5, 6));
        fixture.AddPosition(7, 8);
        QCOMPARE(fixture.Position(1), QPoint(7, 8));
        // A group added after the fixture has no position yet.
        QCOMPARE(fixture.Position(2), QPoint(0, 0));
        QCOMPARE(fixture.Position(-1), QPoint(0, 0));

        QVERIFY(!fixture.SetPosition(2, QPoint(1, 1)));
        QVERIFY(!fixture.SetPosition(-1, QPoint(1, 1)));
        QVERIFY(fixture.SetPosition(0, QPoint(9, 9)));
        QVERIFY(!fixture.RemovePosition(2));
        QVERIFY(!fixture.RemovePosition(-1));
        QCOMPARE(fixture.PositionCount(), 2);
        QVERIFY(fixture.RemovePosition(0));
        QCOMPARE(fixture.Position(0), QPoint(7, 8));
    }

    // Edits of the places, checked place by place against a plain list: the
    // runs stay as few as the places allow. "+p*n" adds n places at (p, p),
    // "sg=p" sets group g's, "-g" removes it.
    void placesKeptAsRuns_data()
    {
        Columns<QString>("edits");
        QTest::newRow("adds extend the last run") << "+1*3 +1 +2 +1*2 +3*0";
        QTest::newRow("sets split a run at its start, middle and end") << "+1*5 s0=2 s2=3 s4=4";
        QTest::newRow("a set back joins the run again") << "+1*5 s2=3 s2=1 s0=2 s0=1";
        QTest::newRow("a set joins both neighbours") << "+1 +2 +1 s1=1 +2 s3=1";
        QTest::newRow("removals empty a run and join its neighbours") << "+1 +2 +1 -1 +2*2 +1 -2 -2";
        QTest::newRow("removals shorten a run") << "+1*4 -0 -2 -1 -0 +5";
        QTest::newRow("outside the places nothing changes") << "+1 +2 s2=3 s-1=3 -2 --1 +4*2";
    }
    void placesKeptAsRuns()
    {
        const auto [edits] = Row<QString>("edits");
        CPatchedFixture fixture(0, 0);
        QList<QPoint> plain;
        for (const QString& edit : edits.split(QLatin1Char(' '))) {
            const QStringList parts = edit.mid(1).split(QRegularExpression(QStringLiteral("[*=]")));
            const int first = parts.value(0).toInt();
            if (edit.startsWith(QLatin1Char('+'))) {
                const int count = parts.size() > 1 ? parts[1].toInt() : 1;
                fixture.AddPositions(QPoint(first, first), count);
                for (int i = 0; i < count; ++i)
                    plain << QPoint(first, first);
            } else if (edit.startsWith(QLatin1Char('s'))) {
                const QPoint point(parts[1].toInt(), parts[1].toInt());
                const bool inside = first >= 0 && first < plain.size();
                QCOMPARE(fixture.SetPosition(first, point), inside);
                if (inside)
                    plain[first] = point;
            } else {
                const bool inside = first >= 0 && first < plain.size();
                QCOMPARE(fixture.RemovePosition(first), inside);
                if (inside)
                    plain.removeAt(first);
            }
            QCOMPARE(fixture.PositionCount(), plain.size());
            int changes = 0;
            for (int g = -1; g <= plain.size(); ++g) {
                QCOMPARE(fixture.Position(g), plain.value(g));
                changes += g > 0 && g < plain.size() && plain[g] != plain[g - 1];
            }
            QCOMPARE(fixture.Runs().size(), plain.isEmpty() ? 0 : changes + 1);
        }
    }

    void channelsServeSelectedBeams()
    {
        CLibraryProfile profile;
        SetBeams(profile, {{0.0f, 0.0f}, {1.0f, 0.0f}});
        CPatchedFixture fixture = MakeFixture(&profile);

        CProfileChannelDef everyBeam;
        CProfileChannelDef second;
        second.m_beams = Beams({1});
        CProfileChannelDef missing;
        missing.m_beams = Beams({3, 200});

        QVERIFY(fixture.IsChannelSelected(&everyBeam));
        QVERIFY(!fixture.IsChannelSelected(&second));
        fixture.BeamFlags() = {true, true};
        QVERIFY(fixture.IsChannelSelected(&second));
        QVERIFY(!fixture.IsChannelSelected(&missing));
        QVERIFY(!fixture.IsChannelSelected(nullptr));

        // Against another selection, a channel of every beam needs one selected.
        QVERIFY(!CPatchedFixture::IsChannelInBeams(&everyBeam, {}));
        QVERIFY(!CPatchedFixture::IsChannelInBeams(&everyBeam, {false, false}));
        QVERIFY(CPatchedFixture::IsChannelInBeams(&everyBeam, {false, true}));
        QVERIFY(CPatchedFixture::IsChannelInBeams(&second, {false, true}));
        QVERIFY(!CPatchedFixture::IsChannelInBeams(&second, {true}));
        QVERIFY(!CPatchedFixture::IsChannelInBeams(&missing, {true, true, true}));

        QVERIFY(!IsAnyBeamSelected({}));
        QVERIFY(IsAnyBeamSelected({false, true}));
    }

    void firstSelectedColorAndPanTilt()
    {
        CLibraryProfile bar;
        MakeThreePixelBar(bar);
        CPatchedFixture fixture = MakeFixture(&bar);
        QCOMPARE(fixture.FirstSelectedColor(false), 0);
        fixture.BeamFlags() = {false, true, true};
        QCOMPARE(fixture.FirstSelectedColor(false), 1);
        QCOMPARE(fixture.FirstSelectedPanTilt(false), 1);
        // The master group has a single set.
        QCOMPARE(fixture.FirstSelectedColor(true), 0);
        fixture.BeamFlags() = {false, false, true};
        QCOMPARE(fixture.FirstSelectedColor(false), 2);

        // One set: 0, whether or not its beam is selected.
        CLibraryProfile pair;
        SetBeams(pair, {{0.0f, 0.0f}, {1.0f, 0.0f}});
        AddColorSet(pair, ChannelType::Red, Beams({1}));
        pair.AnalyseChannels();
        CPatchedFixture one = MakeFixture(&pair);
        one.BeamFlags() = {true, false};
        QCOMPARE(one.FirstSelectedColor(false), 0);
        one.BeamFlags() = {false, true};
        QCOMPARE(one.FirstSelectedColor(false), 0);
    }

    void colourCachesOnlyWithMasterColour()
    {
        CLibraryProfile bar;
        MakeThreePixelBar(bar);
        CPatchedFixture fixture = MakeFixture(&bar);
        QCOMPARE(fixture.m_masterColors, QList<QColor>({kBlack}));
        QCOMPARE(fixture.m_beamColors.size(), 3);
        QCOMPARE(fixture.m_beamColorFlags, QList<quint8>({0, 0, 0}));
        fixture.InitColorSlots();
        QCOMPARE(fixture.m_beamColors.size(), 3);

        CLibraryProfile pixelsOnly;
        SetBeams(pixelsOnly, {{0.0f, 0.0f}, {1.0f, 0.0f}});
        AddColorSet(pixelsOnly, ChannelType::Red, Beams({0}));
        AddColorSet(pixelsOnly, ChannelType::Red, Beams({1}));
        pixelsOnly.AnalyseChannels();
        CPatchedFixture plain = MakeFixture(&pixelsOnly);
        QVERIFY(plain.m_masterColors.isEmpty() && plain.m_beamColors.isEmpty() && plain.m_beamColorFlags.isEmpty());
    }

    void displayColourFollowsDrivingScenes()
    {
        CScene plain(QStringLiteral("Plain"), 1);
        CEffectScene effect(QStringLiteral("Effect"), 1);
        CPatchedFixture fixture(0, 0);
        QCOMPARE(fixture.DisplayColor(), kBlack);

        fixture.AddPlayingScene(&effect);
        QCOMPARE(fixture.DisplayColor(), kBlue);
        fixture.AddPlayingScene(&plain);
        QCOMPARE(fixture.DisplayColor(), kPurple);
        fixture.RemovePlayingScene(&effect);
        QCOMPARE(fixture.DisplayColor(), kGreen);
        // A kind that does not drive the fixture changes nothing.
        fixture.RemovePlayingScene(&effect);
        QCOMPARE(fixture.DisplayColor(), kGreen);
        QCOMPARE(fixture.DrivingSceneCount(), 1);
        fixture.RemovePlayingScene(&plain);
        QCOMPARE(fixture.DisplayColor(), kBlack);

        fixture.AddPlayingScene(&plain);
        fixture.AddPlayingScene(&plain);
        fixture.AddPlayingScene(&effect);
        QCOMPARE(fixture.DisplayColor(), kPurple);
        fixture.RemovePlayingScene(&plain);
        QCOMPARE(fixture.DisplayColor(), kPurple);
        fixture.RemovePlayingScene(&plain);
        QCOMPARE(fixture.DisplayColor(), kBlue);
    }

    // Ops "p+", "e-" start and stop plain scenes p, q and effect scenes e, f;
    // one colour letter per op: K black, G green, B blue, U purple; then the
    // scenes left driving.
    void displayColourInAnyOrder_data()
    {
        Columns<QString, QString, int>("ops", "colours", "left");
        QTest::newRow("stopped in start order") << "p+ e+ p- e-" << "GUBK" << 0;
        QTest::newRow("stopped in reverse order") << "p+ e+ e- p-" << "GUGK" << 0;
        QTest::newRow("effect first") << "e+ p+ e- p-" << "BUGK" << 0;
        QTest::newRow("same scene twice") << "p+ p+ e+ p- p- e-" << "GGUUBK" << 0;
        QTest::newRow("same effect twice") << "e+ e+ p+ e- p- e-" << "BBUUBK" << 0;
        QTest::newRow("stops before any start") << "p- e- p+ e+" << "KKGU" << 2;
        QTest::newRow("stop of a kind not driving") << "p+ e- e+ e-" << "GGUG" << 1;
        QTest::newRow("interleaved") << "p+ e+ q+ f+ p- e- q- f-" << "GUUUUUBK" << 0;
    }

    void displayColourInAnyOrder()
    {
        const auto [ops, colours, left] = Row<QString, QString, int>("ops", "colours", "left");
        CScene p(QStringLiteral("P"), 1), q(QStringLiteral("Q"), 1);
        CEffectScene e(QStringLiteral("E"), 1), f(QStringLiteral("F"), 1);
        const QHash<QChar, const CScene*> scenes{{'p', &p}, {'q', &q}, {'e', &e}, {'f', &f}};
        CPatchedFixture fixture(0, 0);
        QString seen;
        for (const QString& op : ops.split(' ')) {
            if (op.at(1) == '+')
                fixture.AddPlayingScene(scenes.value(op.at(0)));
            else
                fixture.RemovePlayingScene(scenes.value(op.at(0)));
            seen += ColourLetter(fixture.DisplayColor());
        }
        QCOMPARE(seen, colours);
        QCOMPARE(fixture.DrivingSceneCount(), left);
    }

    // Fifty scenes started at once over thousands of fixtures: one more
    // start and stop must not cost more for each scene already driving.
    void startAndStopCostTheSameHoweverManyDrive_data()
    {
        Columns<int, bool>("driving", "effects");
        QTest::newRow("one plain") << 1 << false;
        QTest::newRow("fifty plain") << 50 << false;
        QTest::newRow("fifty effects") << 50 << true;
        QTest::newRow("a thousand plain") << 1000 << false;
    }

    void startAndStopCostTheSameHoweverManyDrive()
    {
        const auto [driving, effects] = Row<int, bool>("driving", "effects");
        CScene plain(QStringLiteral("Plain"), 1);
        CEffectScene effect(QStringLiteral("Effect"), 1);
        const CScene& others = effects ? static_cast<const CScene&>(effect) : plain;
        CPatchedFixture alone(0, 0), busy(0, 0);
        for (int i = 0; i < driving; ++i)
            busy.AddPlayingScene(&others);
        for (const CScene* scene : {static_cast<const CScene*>(&plain), static_cast<const CScene*>(&effect)}) {
            // The start and the stop each touch their tally, so that a cost
            // the count misses cannot hide.
            QCOMPARE(TalliesTouched(alone, *scene), quint64(2));
            QCOMPARE(TalliesTouched(busy, *scene), quint64(2));
        }
        QCOMPARE(busy.DrivingSceneCount(), driving);
        QCOMPARE(busy.DisplayColor(), effects ? kBlue : kGreen);
    }
};

ORVANE_TEST(PatchedFixtureTest)
#include "PatchedFixtureTest.moc"
