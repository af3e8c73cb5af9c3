#include "LevelLists.h"
#include "TestRegistry.h"

#include "LibraryProfileBuilder.h"
#include "RecordingHost.h"
#include "model/PatchedFixture.h"
#include "show/DmxLayer.h"
#include "show/Scene.h"
#include "show/StepFixture.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

const QString kLiveChanged = QStringLiteral("RaiseLiveLevelsChanged");

CPatchedFixture Patch(CLibraryProfile* profile, int universe, int address)
{
    return CPatchedFixture(address, universe, 1, -1, QStringLiteral("F"), profile, false, false, 0);
}

// Live and edit layers of two universes with their masks.
struct Layers
{
    CDmxLayer liveLevels{2}, liveMask{2}, editLevels{2}, editMask{2};
    CLayerTarget live{liveLevels, liveMask, true};
    CLayerTarget edit{editLevels, editMask, false};

    QList<int> Live(int universe, int from, int count) const { return LayerLevels(liveLevels, universe, from, count); }
    QList<int> LiveMask(int universe, int from, int count) const { return LayerLevels(liveMask, universe, from, count); }
};

// Two beams: set 0 (channels 0-2) serves beam 0, set 1 (3-5) beam 1, the
// master set (6-8) names no beam and so serves both.
void MakeTwoBeamBar(CLibraryProfile& profile)
{
    SetBeams(profile, {{0.0f, 0.0f}, {1.0f, 0.0f}});
    AddColorSet(profile, ChannelType::Red, Beams({0}));
    AddColorSet(profile, ChannelType::Red, Beams({1}));
    AddColorSet(profile, ChannelType::Red);
    profile.UpdateRoles();
}

// Dimmer 0, pan 1 + fine 2, tilt 3 + fine 4.
void MakeMovingHead(CLibraryProfile& profile)
{
    AddDimmer(profile);
    AddFine(profile, AddChannel(profile, ChannelType::Pan));
    AddFine(profile, AddChannel(profile, ChannelType::Tilt));
    profile.UpdateRoles();
}

} // namespace

class LevelWritersTest : public QObject
{
    Q_OBJECT

private slots:
    void channelWritesLiveAndEdit()
    {
        CRecordingHost host;
        Layers layers;
        CLibraryProfile rgb;
        AddColorSet(rgb, ChannelType::Red);
        rgb.UpdateRoles();
        CPatchedFixture fixture = Patch(&rgb, 1, 10);

        fixture.WriteChannel(rgb.GetChannel(1), 200, layers.live);
        QCOMPARE(layers.Live(1, 10, 3), QList<int>({0, 200, 0}));
        QCOMPARE(layers.LiveMask(1, 10, 3), QList<int>({0, 1, 0}));
        QCOMPARE(host.Count(kLiveChanged), 1);
        // Already held live: the level changes, the flag is not raised again.
        fixture.WriteChannel(rgb.GetChannel(1), 100, layers.live);
        QCOMPARE(layers.Live(1, 10, 3), QList<int>({0, 100, 0}));
        QCOMPARE(host.Count(kLiveChanged), 1);

        fixture.WriteChannel(rgb.GetChannel(2), 50, layers.edit);
        QCOMPARE(int(layers.editLevels[1][12]), 50);
        QCOMPARE(int(layers.editMask[1][12]), 1);
        QCOMPARE(int(layers.liveMask[1][12]), 0);
        QCOMPARE(host.Count(kLiveChanged), 1);

        CLibraryProfile bar;
        MakeTwoBeamBar(bar);
        CPatchedFixture barFixture = Patch(&bar, 0, 0);
        barFixture.BeamFlags()[1] = true;
        barFixture.WriteChannel(bar.GetChannel(0), 9, layers.live); // serves beam 0 only
        barFixture.WriteChannel(bar.GetChannel(3), 8, layers.live);
        QCOMPARE(layers.Live(0, 0, 4), QList<int>({0, 0, 0, 8}));
    }

    void coloursLive()
    {
        CRecordingHost host;
        Layers layers;
        CLibraryProfile rgb;
        AddColorSet(rgb, ChannelType::Red);
        rgb.UpdateRoles();
        CPatchedFixture fixture = Patch(&rgb, 0, 20);

        // A set already held live changes levels without a new notice.
        for (int s = 20; s < 23; ++s)
            layers.liveMask[0][s] = 1;
        fixture.WriteColor(0, 10, 20, 30, 40, layers.live);
        QCOMPARE(layers.Live(0, 20, 3), QList<int>({10, 20, 30}));
        QCOMPARE(host.Count(kLiveChanged), 0);

        // A fresh set is masked whole and notified once.
        CPatchedFixture second = Patch(&rgb, 0, 30);
        second.WriteAllColors(1, 2, 3, 0, false, layers.live);
        QCOMPARE(layers.LiveMask(0, 30, 3), QList<int>({1, 1, 1}));
        QCOMPARE(host.Count(kLiveChanged), 1);

        // Red alone was set by hand first: green and blue must still reach the output.
        CPatchedFixture third = Patch(&rgb, 0, 40);
        third.WriteChannel(rgb.GetChannel(0), 99, layers.live);
        third.WriteAllColors(5, 6, 7, 0, false, layers.live);
        QCOMPARE(layers.Live(0, 40, 3), QList<int>({5, 6, 7}));
        QCOMPARE(layers.LiveMask(0, 40, 3), QList<int>({1, 1, 1}));
    }

    void cmyIsInvertedWhiteIsNot()
    {
        CRecordingHost host;
        Layers layers;
        CLibraryProfile cmy;
        AddColorSet(cmy, ChannelType::Cyan);
        cmy.UpdateRoles();
        CPatchedFixture fixture = Patch(&cmy, 0, 0);
        fixture.WriteColor(0, 255, 0, 0, 0, layers.live);
        QCOMPARE(layers.Live(0, 0, 3), QList<int>({0, 255, 255}));
        fixture.WriteAllColors(0, 128, 255, 0, false, layers.edit);
        QCOMPARE(LayerLevels(layers.editLevels, 0, 0, 3), QList<int>({255, 127, 0}));

        CLibraryProfile cmyw;
        AddColorSet(cmyw, ChannelType::Cyan);
        AddChannel(cmyw, ChannelType::White);
        cmyw.UpdateRoles();
        QVERIFY(cmyw.HasWhite());
        CPatchedFixture withWhite = Patch(&cmyw, 1, 100);
        withWhite.WriteAllColors(255, 0, 0, 77, false, layers.live);
        QCOMPARE(layers.Live(1, 100, 4), QList<int>({0, 255, 255, 77}));
        QCOMPARE(layers.LiveMask(1, 100, 4), QList<int>({1, 1, 1, 1}));

        CScene scene(QStringLiteral("S"), 2);
        CStepFixture entry(&fixture, &scene);
        QVERIFY(fixture.StoreColor(&entry, 0, 255, 0, 0, 0));
        QCOMPARE(EntryLevels(entry), QList<int>({0, 255, 255}));
    }

    void twoBeamsWithBeamOneSelected()
    {
        CRecordingHost host;
        Layers layers;
        CLibraryProfile bar;
        MakeTwoBeamBar(bar);
        CPatchedFixture fixture = Patch(&bar, 0, 0);
        fixture.BeamFlags()[1] = true;

        fixture.WriteAllColors(1, 2, 3, 0, false, layers.live);
        QCOMPARE(layers.Live(0, 0, 9), QList<int>({0, 0, 0, 1, 2, 3, 0, 0, 0}));
        QCOMPARE(layers.LiveMask(0, 0, 9), QList<int>({0, 0, 0, 1, 1, 1, 0, 0, 0}));
        fixture.WriteAllColors(4, 5, 6, 0, true, layers.live);
        QCOMPARE(layers.Live(0, 6, 3), QList<int>({4, 5, 6}));
        // WriteColor names its set and ignores the selection.
        fixture.WriteColor(0, 7, 8, 9, 0, layers.live);
        QCOMPARE(layers.Live(0, 0, 3), QList<int>({7, 8, 9}));
        fixture.WriteColor(2, 1, 1, 1, 0, layers.live); // the master set is not in the first group
        QCOMPARE(layers.Live(0, 6, 3), QList<int>({4, 5, 6}));
    }

    void panTilt()
    {
        CRecordingHost host;
        Layers layers;
        CLibraryProfile head;
        MakeMovingHead(head);
        QVERIFY(head.HasFinePanTilt());
        CPatchedFixture fixture = Patch(&head, 1, 100);
        fixture.WriteAllPanTilt(0x12, 0x34, 0x56, 0x78, false, layers.live);
        QCOMPARE(layers.Live(1, 100, 5), QList<int>({0, 0x12, 0x56, 0x34, 0x78}));
        QCOMPARE(layers.LiveMask(1, 100, 5), QList<int>({0, 1, 1, 1, 1}));
        QCOMPARE(host.Count(kLiveChanged), 1);
        fixture.WriteAllPanTilt(1, 2, 3, 4, false, layers.edit);
        QCOMPARE(LayerLevels(layers.editMask, 1, 100, 5), QList<int>({0, 1, 1, 1, 1}));

        // Pan has a fine byte, tilt has none: no 16-bit pan/tilt, so the
        // pan fine slot is left alone.
        CLibraryProfile halfFine;
        AddFine(halfFine, AddChannel(halfFine, ChannelType::Pan));
        AddChannel(halfFine, ChannelType::Tilt);
        halfFine.UpdateRoles();
        QVERIFY(!halfFine.HasFinePanTilt());
        QVERIFY(halfFine.PanTiltPairs().at(0).panFine);
        CPatchedFixture coarse = Patch(&halfFine, 0, 0);
        coarse.WriteAllPanTilt(10, 20, 30, 40, false, layers.live);
        QCOMPARE(layers.Live(0, 0, 3), QList<int>({10, 0, 20}));
        QCOMPARE(layers.LiveMask(0, 0, 3), QList<int>({1, 0, 1}));

        CScene scene(QStringLiteral("S"), 2);
        CStepFixture entry(&coarse, &scene);
        QVERIFY(coarse.StorePanTilt(&entry, 0, 10, 20, 30, 40));
        QCOMPARE(EntryLevels(entry), QList<int>({10, 0, 20}));
        QVERIFY(!coarse.StorePanTilt(&entry, 1, 1, 1, 1, 1));
    }

    void slotsOutsideTheFixtureOrUniverseAreSkipped()
    {
        CRecordingHost host;
        Layers layers;
        CLibraryProfile rgb;
        AddColorSet(rgb, ChannelType::Red);
        rgb.UpdateRoles();

        // Blue would be slot 512, the first slot of the next universe in the block.
        CPatchedFixture atEnd = Patch(&rgb, 0, 510);
        atEnd.WriteColor(0, 1, 2, 3, 0, layers.live);
        QCOMPARE(layers.Live(0, 510, 2), QList<int>({1, 2}));
        QCOMPARE(int(layers.liveLevels[1][0]), 0);
        QCOMPARE(int(layers.liveMask[1][0]), 0);
        const int notices = host.Count(kLiveChanged);
        atEnd.WriteChannel(rgb.GetChannel(2), 9, layers.live);
        QCOMPARE(int(layers.liveLevels[1][0]), 0);
        QCOMPARE(host.Count(kLiveChanged), notices);

        CLibraryProfile head;
        MakeMovingHead(head);
        CPatchedFixture headAtEnd = Patch(&head, 0, 509);
        headAtEnd.WriteAllPanTilt(1, 2, 3, 4, false, layers.edit);
        QCOMPARE(LayerLevels(layers.editLevels, 0, 510, 2), QList<int>({1, 3}));
        QCOMPARE(LayerLevels(layers.editMask, 1, 0, 2), QList<int>({0, 0}));

        for (int universe : {2, -1}) {
            CPatchedFixture outside = Patch(&rgb, universe, 0);
            outside.WriteColor(0, 1, 2, 3, 4, layers.live);
            outside.WriteAllColors(1, 2, 3, 4, false, layers.live);
            outside.WriteChannel(rgb.GetChannel(0), 5, layers.edit);
        }
        QCOMPARE(host.Count(kLiveChanged), notices);

        // A channel that is not in the current mode has no slot of the
        // fixture, even just past its last one.
        CProfileChannelDef stray;
        stray.m_index = 3;
        CPatchedFixture fixture = Patch(&rgb, 1, 100);
        fixture.WriteChannel(&stray, 5, layers.live);
        QCOMPARE(int(layers.liveLevels[1][103]), 0);
    }

    void fineBytePartnerOutsideTheMode()
    {
        CRecordingHost host;
        Layers layers;
        // A pan whose 16-bit partner is not one of the mode's channels.
        CProfileChannelDef stray;
        stray.m_index = 40;
        CLibraryProfile broken;
        AddDimmer(broken);
        CProfileChannelDef* pan = AddChannel(broken, ChannelType::Pan);
        AddFine(broken, AddChannel(broken, ChannelType::Tilt));
        broken.LinkChannels();
        pan->m_partner16 = &stray;
        broken.AnalyseChannels();
        QVERIFY(broken.HasFinePanTilt());

        CPatchedFixture fixture = Patch(&broken, 0, 0);
        fixture.WriteAllPanTilt(1, 2, 3, 4, false, layers.live);
        QCOMPARE(layers.Live(0, 0, 4), QList<int>({0, 1, 2, 4}));
        QCOMPARE(int(layers.liveLevels[0][40]), 0);
        QCOMPARE(int(layers.liveMask[0][40]), 0);

        CScene scene(QStringLiteral("S"), 2);
        CStepFixture entry(&fixture, &scene);
        fixture.StoreAllPanTilt(&entry, 1, 2, 3, 4, false, true);
        QCOMPARE(EntryLevels(entry), QList<int>({0, 1, 2, 4}));
        QVERIFY(!scene.IsChannelActive(0, 40));
    }

    void dimmerPresetRescaling_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("stored");
        QTest::newRow("0..255 keeps 0") << 0 << 0 << 255 << 0;
        QTest::newRow("0..255 keeps 100") << 100 << 0 << 255 << 100;
        QTest::newRow("0..255 keeps 255") << 255 << 0 << 255 << 255;
        QTest::newRow("10..10 is full") << 37 << 10 << 10 << 255;
        QTest::newRow("10..10 at 0 is full") << 0 << 10 << 10 << 255;
        QTest::newRow("0..127 top") << 127 << 0 << 127 << 255;
        QTest::newRow("0..127 middle") << 63 << 0 << 127 << 126;   // 16065 / 127
        QTest::newRow("10..100 middle") << 55 << 10 << 100 << 127; // 11475 / 90
        QTest::newRow("10..100 start") << 10 << 10 << 100 << 0;
        // Outside the range the level is held, not wrapped (-14 and 401 would
        // have been 242 and 145).
        QTest::newRow("below the start") << 5 << 10 << 100 << 0;
        QTest::newRow("above the end") << 200 << 0 << 127 << 255;
    }
    void dimmerPresetRescaling()
    {
        QFETCH(int, level);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, stored);
        QCOMPARE(int(CPatchedFixture::DimmerPresetLevel(level, start, end)), stored);
    }

    void dimmerEntries()
    {
        CRecordingHost host;
        CLibraryProfile profile;
        SetBeams(profile, {{0.0f, 0.0f}, {1.0f, 0.0f}});
        AddPreset(AddChannel(profile, ChannelType::Dimmer, Beams({0})), PresetType::Dimmer, 0, 127);
        AddPreset(AddChannel(profile, ChannelType::Dimmer, Beams({1})), PresetType::Dimmer, 10, 10);
        profile.UpdateRoles();
        QCOMPARE(profile.Dimmers(false).size(), 2);
        CPatchedFixture fixture = Patch(&profile, 1, 200);
        CScene scene(QStringLiteral("S"), 2);
        CStepFixture entry(&fixture, &scene);

        fixture.BeamFlags()[0] = true;
        fixture.StoreAllDimmers(&entry, 63);
        QCOMPARE(EntryLevels(entry), QList<int>({126, 0}));
        QVERIFY(scene.IsChannelActive(1, 200));
        QVERIFY(!scene.IsChannelActive(1, 201));
        QVERIFY(!fixture.StoreDimmer(&entry, 1, 63));

        fixture.BeamFlags()[1] = true;
        fixture.StoreAllDimmers(&entry, 127);
        QCOMPARE(EntryLevels(entry), QList<int>({255, 255}));
        QVERIFY(fixture.StoreDimmer(&entry, 1, 0));
        QVERIFY(!fixture.StoreDimmer(&entry, 2, 0));
        QVERIFY(!fixture.StoreDimmer(&entry, -1, 0));
        QVERIFY(!fixture.StoreDimmer(nullptr, 0, 0));
    }

    void entryWritersFollowTheSelection()
    {
        CRecordingHost host;
        CLibraryProfile bar;
        MakeTwoBeamBar(bar);
        CPatchedFixture fixture = Patch(&bar, 0, 0);
        fixture.BeamFlags()[1] = true;
        CScene scene(QStringLiteral("S"), 2);
        CStepFixture entry(&fixture, &scene);

        fixture.StoreChannel(&entry, bar.GetChannel(0), 9, true);
        fixture.StoreChannel(&entry, bar.GetChannel(4), 8, true);
        QCOMPARE(EntryLevels(entry), QList<int>({0, 0, 0, 0, 8, 0, 0, 0, 0}));
        // With partners a colour channel brings its whole set into the scene.
        QVERIFY(scene.IsChannelActive(0, 3) && scene.IsChannelActive(0, 5));
        QVERIFY(!scene.IsChannelActive(0, 0));

        QVERIFY(!fixture.StoreColor(&entry, 0, 1, 2, 3, 0));
        QVERIFY(fixture.StoreColor(&entry, 1, 1, 2, 3, 0));
        QVERIFY(!fixture.StoreColor(&entry, 2, 1, 2, 3, 0));
        QCOMPARE(EntryLevels(entry), QList<int>({0, 0, 0, 1, 2, 3, 0, 0, 0}));

        fixture.StoreAllColors(&entry, 4, 5, 6, 0, true, false);
        QCOMPARE(EntryLevels(entry).mid(6), QList<int>({4, 5, 6}));
        QVERIFY(!scene.IsChannelActive(0, 6));
        fixture.StoreAllColors(&entry, 7, 7, 7, 0, false, true);
        QCOMPARE(EntryLevels(entry).mid(0, 6), QList<int>({0, 0, 0, 7, 7, 7}));

        fixture.StoreModeChannel(&entry, 7, 77, false);
        QCOMPARE(entry.Level(7), quint8(77));
        QVERIFY(!scene.IsChannelActive(0, 7));
        fixture.StoreModeChannel(&entry, 1, 66, true); // beam 0
        fixture.StoreModeChannel(&entry, 99, 66, true);
        QCOMPARE(entry.Level(1), quint8(0));

        CLibraryProfile master;
        SetBeams(master, {{0.0f, 0.0f}, {1.0f, 0.0f}});
        AddFine(master, AddChannel(master, ChannelType::Pan));
        AddFine(master, AddChannel(master, ChannelType::Tilt));
        master.UpdateRoles();
        QCOMPARE(master.PanTiltPairs(true).size(), 1);
        CPatchedFixture head = Patch(&master, 1, 0);
        CStepFixture headEntry(&head, &scene);
        QVERIFY(!head.StorePanTilt(&headEntry, 0, 1, 2, 3, 4)); // no single-beam pair
        head.StoreAllPanTilt(&headEntry, 1, 2, 3, 4, true, true);
        QCOMPARE(EntryLevels(headEntry), QList<int>({1, 3, 2, 4}));
        QVERIFY(scene.IsChannelActive(1, 3));
    }
};

ORVANE_TEST(LevelWritersTest)
#include "LevelWritersTest.moc"
