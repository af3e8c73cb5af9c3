#include "TestRegistry.h"

#include "FileBytes.h"
#include "LibraryProfileBuilder.h"
#include "PictureFiles.h"
#include "model/LibraryProfile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ProfileBuilder;

namespace {

CProfileChannelDef* Ch(const CLibraryProfile& profile, int n)
{
    return profile.GetChannel(n);
}

// Two beams side by side: channels naming one beam are pixel channels,
// channels naming none or both are master channels.
void MakeTwoBeams(CLibraryProfile& profile)
{
    SetBeams(profile, {{0.0f, 0.0f}, {1.0f, 0.0f}});
}

struct ColorSetNumbers
{
    int a, b, c;
    bool operator==(const ColorSetNumbers& o) const { return a == o.a && b == o.b && c == o.c; }
};

ColorSetNumbers FindSet(const CLibraryProfile& profile, const CProfileChannelDef* channel)
{
    ColorSetNumbers n{99, 99, 99};
    profile.FindColorSet(channel, n.a, n.b, n.c);
    return n;
}

} // namespace

namespace QTest {
template <>
char* toString(const ColorSetNumbers& n)
{
    return qstrdup(QByteArray::number(n.a) + ", " + QByteArray::number(n.b) + ", " + QByteArray::number(n.c));
}
} // namespace QTest

class LibraryProfileTest : public QObject
{
    Q_OBJECT

private slots:
    void panAndTiltPairInOrderOfCompletion()
    {
        CLibraryProfile tiltFirst;
        AddChannel(tiltFirst, ChannelType::Tilt);
        AddChannel(tiltFirst, ChannelType::Pan);
        tiltFirst.AnalyseChannels();
        QCOMPARE(tiltFirst.PanTiltPairs().size(), 1);
        QCOMPARE(tiltFirst.PanTiltPairs().at(0).pan, Ch(tiltFirst, 1));
        QCOMPARE(tiltFirst.PanTiltPairs().at(0).tilt, Ch(tiltFirst, 0));

        // The second pan replaces the first, which ends in no table at all.
        CLibraryProfile twoPans;
        AddChannel(twoPans, ChannelType::Pan);
        AddChannel(twoPans, ChannelType::Pan);
        AddChannel(twoPans, ChannelType::Tilt);
        twoPans.AnalyseChannels();
        QCOMPARE(twoPans.PanTiltPairs().size(), 1);
        QCOMPARE(twoPans.PanTiltPairs().at(0).pan, Ch(twoPans, 1));
        QVERIFY(twoPans.OtherChannels().isEmpty());

        // A fine byte is the partner of its coarse channel, never a role of its own.
        CLibraryProfile fine;
        CProfileChannelDef* pan = AddChannel(fine, ChannelType::Pan);
        AddFine(fine, pan);
        AddChannel(fine, ChannelType::Tilt);
        fine.UpdateRoles();
        QCOMPARE(fine.PanTiltPairs().size(), 1);
        QCOMPARE(fine.PanTiltPairs().at(0).panFine, Ch(fine, 1));
        QCOMPARE(fine.PanTiltPairs().at(0).tiltFine, nullptr);
        QVERIFY(fine.OtherChannels().isEmpty());
        QVERIFY(!fine.HasFinePanTilt());
    }

    void finePanTiltNeedsBothFineBytesOfEveryPair()
    {
        CLibraryProfile none;
        AddChannel(none, ChannelType::Dimmer);
        none.AnalyseChannels();
        QVERIFY(!none.HasFinePanTilt());

        CLibraryProfile allFine;
        MakeTwoBeams(allFine);
        AddFine(allFine, AddChannel(allFine, ChannelType::Pan));
        AddFine(allFine, AddChannel(allFine, ChannelType::Tilt));
        AddFine(allFine, AddChannel(allFine, ChannelType::Pan, Beams({0})));
        AddFine(allFine, AddChannel(allFine, ChannelType::Tilt, Beams({0})));
        allFine.UpdateRoles();
        QCOMPARE(allFine.PanTiltPairs(true).size(), 1);
        QCOMPARE(allFine.PanTiltPairs(false).size(), 1);
        QVERIFY(allFine.HasFinePanTilt());

        // A coarse-only master pair is not rescued by a fine pixel pair after it.
        CLibraryProfile coarseMaster;
        MakeTwoBeams(coarseMaster);
        AddChannel(coarseMaster, ChannelType::Pan);
        AddChannel(coarseMaster, ChannelType::Tilt);
        AddFine(coarseMaster, AddChannel(coarseMaster, ChannelType::Pan, Beams({1})));
        AddFine(coarseMaster, AddChannel(coarseMaster, ChannelType::Tilt, Beams({1})));
        coarseMaster.UpdateRoles();
        QCOMPARE(coarseMaster.PanTiltPairs(true).size(), 1);
        QCOMPARE(coarseMaster.PanTiltPairs(false).size(), 1);
        QVERIFY(!coarseMaster.HasFinePanTilt());
    }

    void rgbOrCmyWhicheverCompletesFirst()
    {
        CLibraryProfile rgbFirst;
        AddColorSet(rgbFirst, ChannelType::Red);
        AddColorSet(rgbFirst, ChannelType::Cyan);
        rgbFirst.AnalyseChannels();
        QCOMPARE(rgbFirst.ColorSets().size(), 1);
        QCOMPARE(rgbFirst.ColorSets().at(0).blue, Ch(rgbFirst, 2));
        QVERIFY(!rgbFirst.IsCmy());
        QVERIFY(rgbFirst.OtherChannels().isEmpty()); // refused CMY channels are nowhere

        CLibraryProfile cmyFirst;
        AddColorSet(cmyFirst, ChannelType::Cyan);
        AddColorSet(cmyFirst, ChannelType::Red);
        cmyFirst.AnalyseChannels();
        QCOMPARE(cmyFirst.ColorSets().size(), 1);
        QCOMPARE(cmyFirst.ColorSets().at(0).red, Ch(cmyFirst, 0));
        QVERIFY(cmyFirst.IsCmy());
    }

    void setsServingOneBeamOrSeveral()
    {
        CLibraryProfile bar;
        MakeTwoBeams(bar);
        AddColorSet(bar, ChannelType::Red);                 // master: names no beam
        AddColorSet(bar, ChannelType::Red, Beams({0}));
        AddColorSet(bar, ChannelType::Red, Beams({1}));
        AddChannel(bar, ChannelType::Red, Beams({0, 1}));  // one master channel is not enough
        AddChannel(bar, ChannelType::Green, Beams({0, 1}));
        AddChannel(bar, ChannelType::Blue, Beams({1}));
        bar.AnalyseChannels();
        QCOMPARE(bar.ColorSets(true).size(), 1);
        QCOMPARE(bar.ColorSets(false).size(), 3);
        QCOMPARE(bar.ColorSets(false).at(2).red, Ch(bar, 9));

        // On a one-beam fixture every channel serves that beam, whatever it names.
        CLibraryProfile spot;
        AddColorSet(spot, ChannelType::Red, Beams({0, 1, 2}));
        AddChannel(spot, ChannelType::Pan);
        AddChannel(spot, ChannelType::Tilt, Beams({0, 3}));
        AddDimmer(spot);
        spot.AnalyseChannels();
        QVERIFY(!spot.HasColor(true) && !spot.HasPanTilt(true) && !spot.HasDimmers(true));
        QVERIFY(spot.HasColor(false) && spot.HasPanTilt(false) && spot.HasDimmers(false));
        QCOMPARE(Ch(spot, 0)->m_beams, Beams({0}));
    }

    void beamsBeyondTheProfileAreDropped()
    {
        CLibraryProfile profile;
        MakeTwoBeams(profile);
        CProfileChannelDef* mixed = AddChannel(profile, ChannelType::GoboWheel, Beams({1, 5, 200, 0}));
        CProfileChannelDef* beyond = AddChannel(profile, ChannelType::GoboWheel, Beams({2}));
        profile.AnalyseChannels();
        QCOMPARE(mixed->m_beams, Beams({1, 0}));
        // Naming only missing beams, it now serves every beam.
        QVERIFY(beyond->m_beams.isEmpty());
        QVERIFY(beyond->m_function);
    }

    void whitesJoinSetsOnlyWhenTheyMatch()
    {
        CLibraryProfile twoWhites;
        AddColorSet(twoWhites, ChannelType::Red);
        AddChannel(twoWhites, ChannelType::White);
        AddChannel(twoWhites, ChannelType::White);
        twoWhites.AnalyseChannels();
        QVERIFY(!twoWhites.HasWhite());
        QCOMPARE(twoWhites.ColorSets().at(0).white, nullptr);
        QCOMPARE(FindSet(twoWhites, Ch(twoWhites, 0)), (ColorSetNumbers{1, 2, -1}));
        QCOMPARE(FindSet(twoWhites, Ch(twoWhites, 3)), (ColorSetNumbers{-1, -1, -1}));

        // Whites follow their sets in order, even when they come first.
        CLibraryProfile rgbw;
        AddChannel(rgbw, ChannelType::White);
        AddColorSet(rgbw, ChannelType::Red);
        AddChannel(rgbw, ChannelType::Dimmer);
        AddChannel(rgbw, ChannelType::White);
        AddColorSet(rgbw, ChannelType::Red);
        rgbw.AnalyseChannels();
        QVERIFY(rgbw.HasWhite());
        QCOMPARE(rgbw.ColorSets().at(1).white, Ch(rgbw, 5));
        QCOMPARE(FindSet(rgbw, Ch(rgbw, 2)), (ColorSetNumbers{1, 3, 0}));
        QCOMPARE(FindSet(rgbw, Ch(rgbw, 8)), (ColorSetNumbers{6, 7, 5}));
        QCOMPARE(FindSet(rgbw, Ch(rgbw, 5)), (ColorSetNumbers{6, 7, 8}));
        QCOMPARE(FindSet(rgbw, Ch(rgbw, 4)), (ColorSetNumbers{-1, -1, -1}));
        QCOMPARE(FindSet(rgbw, nullptr), (ColorSetNumbers{-1, -1, -1}));
    }

    void whitesOfOneGroupLeaveTheOtherWithout()
    {
        CLibraryProfile bar;
        MakeTwoBeams(bar);
        AddColorSet(bar, ChannelType::Red, Beams({0}));
        AddColorSet(bar, ChannelType::Red, Beams({1}));
        AddColorSet(bar, ChannelType::Red);
        AddChannel(bar, ChannelType::White);
        bar.AnalyseChannels();
        QVERIFY(bar.HasWhite());
        QCOMPARE(bar.ColorSets(true).at(0).white, Ch(bar, 9));
        QCOMPARE(bar.ColorSets(false).at(1).white, nullptr);
        // A pixel set has no white to report.
        QCOMPARE(FindSet(bar, Ch(bar, 3)), (ColorSetNumbers{4, 5, -1}));
        // Master sets are not searched.
        QCOMPARE(FindSet(bar, Ch(bar, 9)), (ColorSetNumbers{-1, -1, -1}));

        // A master white lighting other beams than its set is not used.
        CLibraryProfile mismatch;
        SetBeams(mismatch, {{0.0f, 0.0f}, {1.0f, 0.0f}, {2.0f, 0.0f}});
        AddColorSet(mismatch, ChannelType::Red, Beams({0, 1}));
        AddChannel(mismatch, ChannelType::White, Beams({1, 2}));
        mismatch.AnalyseChannels();
        QCOMPARE(mismatch.ColorSets(true).size(), 1);
        QVERIFY(!mismatch.HasWhite());
        QCOMPARE(mismatch.ColorSets(true).at(0).white, nullptr);
    }

    void otherChannelsAreNumberedPerType()
    {
        CLibraryProfile profile;
        const int types[] = {ChannelType::GoboWheel, 99, ChannelType::GoboWheel, -3, ChannelType::Control,
                             ChannelType::kCount, ChannelType::GoboWheel, ChannelType::Undef, ChannelType::Control};
        const int expected[] = {0, 0, 1, 0, 0, 0, 2, 0, 1};
        for (int type : types) {
            CProfileChannelDef* channel = AddChannel(profile, type);
            AddPreset(channel, PresetType::Gobo, 0, 9);
            AddPreset(channel, PresetType::Gobo, 10, 19);
        }
        profile.AnalyseChannels();
        QCOMPARE(profile.OtherChannels().size(), 9);
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(Ch(profile, i)->m_index, i);
            QCOMPARE(Ch(profile, i)->m_typeIndex, expected[i]);
            QCOMPARE(Ch(profile, i)->m_presets.at(1)->m_index, 1);
        }

        int occurrence = 0;
        QCOMPARE(profile.NextChannelOfType(ChannelType::GoboWheel, occurrence), Ch(profile, 0));
        QCOMPARE(profile.NextChannelOfType(ChannelType::GoboWheel, occurrence), Ch(profile, 2));
        QCOMPARE(profile.NextChannelOfType(ChannelType::GoboWheel, occurrence), Ch(profile, 6));
        QCOMPARE(occurrence, 3);
        QCOMPARE(profile.NextChannelOfType(ChannelType::GoboWheel, occurrence), nullptr);
        QCOMPARE(occurrence, 3);
        occurrence = 0;
        QCOMPARE(profile.NextChannelOfType(99, occurrence), Ch(profile, 1));
        occurrence = 0;
        QCOMPARE(profile.NextChannelOfType(ChannelType::Pan, occurrence), nullptr);
        QCOMPARE(occurrence, 0);
    }

    void dimmersNeedTheirDimmerPreset()
    {
        CLibraryProfile profile;
        MakeTwoBeams(profile);
        CProfileChannelDef* bare = AddChannel(profile, ChannelType::Dimmer, Beams({0}));
        CProfileChannelDef* pixel = AddChannel(profile, ChannelType::Dimmer, Beams({1}));
        AddPreset(pixel, PresetType::DimmerLevel, 0, 255);
        CProfilePresetDef* range = AddPreset(pixel, PresetType::Dimmer, 8, 200);
        CProfileChannelDef* master = AddDimmer(profile);
        AddChannel(profile, ChannelType::ColorDimmer);
        profile.AnalyseChannels();

        QCOMPARE(profile.OtherChannels().size(), 4);
        QCOMPARE(profile.Dimmers(false).size(), 1);
        QCOMPARE(profile.Dimmers(false).at(0).channel, pixel);
        QCOMPARE(profile.Dimmers(false).at(0).preset, range);
        QCOMPARE(profile.Dimmers(true).size(), 1);
        QCOMPARE(profile.Dimmers(true).at(0).channel, master);
        QCOMPARE(profile.ColorDimmers().size(), 1);
        QCOMPARE(bare->m_typeIndex, 0);
        QCOMPARE(master->m_typeIndex, 2);
        QVERIFY(!pixel->m_function && master->m_function);
    }

    void dimmerOnlyProfiles()
    {
        CLibraryProfile dimmer;
        AddDimmer(dimmer);
        dimmer.AnalyseChannels();
        QVERIFY(dimmer.IsDimmerOnly());

        CLibraryProfile colour;
        AddDimmer(colour);
        AddColorSet(colour, ChannelType::Red);
        colour.AnalyseChannels();
        QVERIFY(!colour.IsDimmerOnly());

        CLibraryProfile masterOnly;
        MakeTwoBeams(masterOnly);
        AddDimmer(masterOnly);
        masterOnly.AnalyseChannels();
        QVERIFY(!masterOnly.IsDimmerOnly());

        QVERIFY(!CLibraryProfile().IsDimmerOnly());
    }

    void analysingAgainRebuildsTheSameTables()
    {
        CLibraryProfile profile;
        MakeTwoBeams(profile);
        AddChannel(profile, ChannelType::Pan);
        AddChannel(profile, ChannelType::Tilt);
        AddColorSet(profile, ChannelType::Cyan, Beams({0}));
        AddChannel(profile, ChannelType::White, Beams({0}));
        AddDimmer(profile);
        AddChannel(profile, ChannelType::GoboWheel);
        profile.AnalyseChannels();
        profile.AnalyseChannels();
        QCOMPARE(profile.AnalysedChannelCount(), 8);
        QCOMPARE(profile.PanTiltPairs(true).size(), 1);
        QCOMPARE(profile.ColorSets(false).size(), 1);
        QCOMPARE(profile.Dimmers(true).size(), 1);
        QCOMPARE(profile.OtherChannels().size(), 2);
        QCOMPARE(Ch(profile, 7)->m_typeIndex, 0);
        QVERIFY(profile.IsCmy() && profile.HasWhite());

        // A mode without channels leaves nothing behind.
        profile.m_currentMode = 5;
        profile.AnalyseChannels();
        QCOMPARE(profile.AnalysedChannelCount(), 0);
        QVERIFY(profile.OtherChannels().isEmpty() && !profile.HasPanTilt(true) && !profile.HasColor());
        QVERIFY(!profile.IsCmy() && !profile.HasWhite());
    }

    void copiesStartWithoutRoles()
    {
        CLibraryProfile source;
        AddColorSet(source, ChannelType::Red);
        source.AnalyseChannels();

        CLibraryProfile copy(source);
        QCOMPARE(copy.ChannelCount(), 3);
        QVERIFY(!copy.HasColor());
        copy.AnalyseChannels();
        QCOMPARE(copy.ColorSets().at(0).red, Ch(copy, 0));
        QVERIFY(copy.ColorSets().at(0).red != source.ColorSets().at(0).red);
    }

    void loadingLeavesRolesToTheCaller()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());

        CLibraryProfile missing(dir.filePath(QStringLiteral("none.kvp")));
        QCOMPARE(missing.ChannelCount(), 0);
        missing.AnalyseChannels();
        QVERIFY(missing.OtherChannels().isEmpty());

        CFixtureProfile written;
        SetBeams(written, {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}});
        AddColorSet(written, ChannelType::Red);
        AddFine(written, AddChannel(written, ChannelType::Pan));
        AddChannel(written, ChannelType::Tilt);
        written.LinkChannels();
        const QString path = dir.filePath(QStringLiteral("Wash.kvp"));
        QVERIFY(written.Save(path));

        CLibraryProfile loaded(path);
        QCOMPARE(loaded.ChannelCount(), 6);
        QVERIFY(!loaded.HasColor(true) && !loaded.HasPanTilt());
        loaded.AnalyseChannels();
        QCOMPARE(loaded.ColorSets(true).size(), 1);
        QCOMPARE(loaded.PanTiltPairs(true).at(0).panFine, Ch(loaded, 4));
        QCOMPARE(loaded.BeamCount(), 4);
    }

    void iconComesFromThePicture()
    {
        QTemporaryDir dir;
        QImage picture(4, 3, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString path = dir.filePath(QStringLiteral("fixture.png"));
        QVERIFY(picture.save(path));

        CLibraryProfile profile;
        profile.m_picture = path;
        profile.AnalyseChannels();
        QCOMPARE(profile.Icon().size(), QSize(4, 3));

        profile.m_picture = dir.filePath(QStringLiteral("gone.png"));
        profile.AnalyseChannels();
        QVERIFY(profile.Icon().isNull());

        // Profiles of one picture share one icon, read again once the
        // picture changes; a picture larger than any icon is left out.
        CLibraryProfile same, other;
        same.m_picture = other.m_picture = path;
        same.AnalyseChannels();
        other.AnalyseChannels();
        QCOMPARE(same.Icon().cacheKey(), other.Icon().cacheKey());
        QVERIFY(QImage(40, 30, QImage::Format_RGB32).save(path));
        other.AnalyseChannels();
        QCOMPARE(other.Icon().size(), QSize(40, 30));
        profile.m_picture = dir.filePath(QStringLiteral("huge.bmp"));
        QVERIFY(WriteBytes(profile.m_picture, HugeBmp()));
        profile.AnalyseChannels();
        QVERIFY(profile.Icon().isNull());
    }
};

ORVANE_TEST(LibraryProfileTest)
#include "LibraryProfileTest.moc"
