#include "LevelLists.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "effects/CurveEffect.h"
#include "show/EffectScene.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

constexpr int kPosition = 3;

// Channel record i holds 10 x (i + 1) at kPosition, and 100 + i as its
// fine value there; one fixture's values.
void AddRecord(CCurveEffect& curve, int type, bool active = true, bool fine = false)
{
    const int i = curve.m_params.size();
    CCurveParam param;
    param.m_fine = fine;
    curve.m_params << param;
    curve.m_activeChannels << active;
    curve.m_tables << QVector<int>(kCurvePoints);
    curve.m_chanTypes << type;
    curve.m_chanNums << 0;
    curve.m_channelDefs << nullptr;
    CChannelStepRecord values;
    values.m_coarse = QByteArray(5, 0);
    values.m_fine = QByteArray(5, 0);
    values.m_coarse[kPosition] = char(10 * (i + 1));
    values.m_fine[kPosition] = char(100 + i);
    curve.m_outputs << QList<CChannelStepRecord>({values});
}

// 0 pan, 1 fine pan, 2 tilt, 3 fine tilt, 4-6 and 7-9 two RGB sets,
// 10 and 11 dimmers, 12 zoom with 13 its fine byte, 14 and 15 a channel
// type no table knows.
CLibraryProfile* FullProfile(CProject& project)
{
    auto* profile = new CLibraryProfile;
    AddFine(*profile, AddChannel(*profile, ChannelType::Pan));
    AddFine(*profile, AddChannel(*profile, ChannelType::Tilt));
    AddColorSet(*profile, ChannelType::Red);
    AddColorSet(*profile, ChannelType::Red);
    AddChannel(*profile, ChannelType::Dimmer);
    AddChannel(*profile, ChannelType::Dimmer);
    AddFine(*profile, AddChannel(*profile, ChannelType::Zoom));
    AddChannel(*profile, 40);
    AddChannel(*profile, 40);
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

} // namespace

class CurveValuesTest : public QObject
{
    Q_OBJECT

private slots:
    void eachChannelTypeFindsItsChannels()
    {
        CPlaybackRig rig;
        CPatchedFixture* fixture = rig.Patch(FullProfile(rig.project), 0, 0);
        for (bool& flag : fixture->BeamFlags())
            flag = true;
        CCurveEffect curve;
        AddRecord(curve, ChannelType::Pan);                 // 10, fine 100
        AddRecord(curve, ChannelType::Red);                 // 20: both sets
        AddRecord(curve, ChannelType::Dimmer);              // 30: first dimmer
        AddRecord(curve, ChannelType::Dimmer, false);       // disabled: takes no dimmer
        AddRecord(curve, ChannelType::Dimmer);              // 50: second dimmer
        AddRecord(curve, ChannelType::Dimmer);              // none left
        AddRecord(curve, ChannelType::Zoom, true, true);    // 70, fine 106
        AddRecord(curve, 40);                               // 80
        AddRecord(curve, 40);                               // 90
        AddRecord(curve, ChannelType::White);               // the sets have no white
        AddRecord(curve, ChannelType::Tilt, false);

        CEffectScene scene(QStringLiteral("E"), 4);
        CStepFixture entry(fixture, &scene);
        rig.project.StoreCurveValues(&scene, &curve, fixture, &entry, 0, kPosition);
        QCOMPARE(EntryLevels(entry), QList<int>({10, 100, 0, 0, 20, 0, 0, 20, 0, 0, 30, 50, 70, 106, 80, 90}));
        QCOMPARE(scene.StaticChannels(0), QList<int>({0, 1, 4, 7, 10, 11, 12, 13, 14, 15}));
        QVERIFY(scene.IsChannelActive(0, 7));
        QVERIFY(!scene.IsChannelActive(0, 8)); // a written colour does not bring its set

        // Without an effect scene the levels arrive and nothing is declared.
        CEffectScene other(QStringLiteral("O"), 4);
        CStepFixture plain(fixture, &other);
        rig.project.StoreCurveValues(nullptr, &curve, fixture, &plain, 0, kPosition);
        QCOMPARE(EntryLevels(plain), EntryLevels(entry));
        QVERIFY(other.StaticChannels(0).isEmpty());
    }

    void profilesWithoutTheRoleIgnoreTheRecord()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CCurveEffect curve;
        AddRecord(curve, ChannelType::Pan);
        AddRecord(curve, ChannelType::Tilt);
        AddRecord(curve, ChannelType::Blue);
        AddRecord(curve, ChannelType::Yellow); // CMY roles land on RGB sets alike
        CScene scene(QStringLiteral("S"), 4);
        CStepFixture entry(rgb, &scene);
        rig.project.StoreCurveValues(nullptr, &curve, rgb, &entry, 0, kPosition);
        QCOMPARE(EntryLevels(entry), QList<int>({0, 0, 40}));
    }

    void channelsOfUnselectedBeamsStayUntouched()
    {
        CPlaybackRig rig;
        auto* profile = new CLibraryProfile;
        SetBeams(*profile, {CBeamPosition(), CBeamPosition()});
        AddChannel(*profile, ChannelType::Dimmer, Beams({0}));
        AddChannel(*profile, ChannelType::Dimmer, Beams({1}));
        profile->UpdateRoles();
        rig.project.m_library << profile;
        CPatchedFixture* fixture = rig.Patch(profile, 0, 0);
        fixture->BeamFlags() = {false, true};
        CCurveEffect curve;
        AddRecord(curve, ChannelType::Dimmer);
        AddRecord(curve, ChannelType::Dimmer);
        CEffectScene scene(QStringLiteral("E"), 4);
        CStepFixture entry(fixture, &scene);
        rig.project.StoreCurveValues(&scene, &curve, fixture, &entry, 0, kPosition);
        QCOMPARE(EntryLevels(entry), QList<int>({0, 20}));
        QCOMPARE(scene.StaticChannels(0), QList<int>({1}));
    }

    void indexesOutsideTheValuesStoreNothing()
    {
        CPlaybackRig rig;
        CPatchedFixture* fixture = rig.Patch(FullProfile(rig.project), 0, 0);
        CCurveEffect curve;
        AddRecord(curve, ChannelType::Dimmer);
        AddRecord(curve, ChannelType::Dimmer);
        CScene scene(QStringLiteral("S"), 4);
        CStepFixture entry(fixture, &scene);
        for (int fixtureIndex : {-1, 1})
            rig.project.StoreCurveValues(nullptr, &curve, fixture, &entry, fixtureIndex, kPosition);
        for (int position : {-1, 5, kCurvePoints})
            rig.project.StoreCurveValues(nullptr, &curve, fixture, &entry, 0, position);
        rig.project.StoreCurveValues(nullptr, nullptr, fixture, &entry, 0, kPosition);
        rig.project.StoreCurveValues(nullptr, &curve, fixture, nullptr, 0, kPosition);
        QCOMPARE(EntryLevels(entry), QVector<int>(16, 0).toList());

        // A record without values still holds its place among its type.
        curve.m_outputs[0][0].m_coarse.clear();
        rig.project.StoreCurveValues(nullptr, &curve, fixture, &entry, 0, kPosition);
        QCOMPARE(entry.Level(10), quint8(0));
        QCOMPARE(entry.Level(11), quint8(20));
    }
};

ORVANE_TEST(CurveValuesTest)
#include "CurveValuesTest.moc"
