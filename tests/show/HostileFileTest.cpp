#include "TestRegistry.h"

#include "DataTable.h"
#include "FileBytes.h"
#include "CrowdedShow.h"
#include "HostileXml.h"
#include "Captions.h"
#include "PlaybackRig.h"
#include "model/Language.h"
#include "model/XmlDocument.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/ProjectFileV3.h"
#include "show/ShowBounds.h"
#include "show/TimeLine.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <new>

// Whole opens of files built to hurt: each is refused with a message that
// says what is wrong, ends in the empty show and switches no output on.

namespace {

const QString kHead = QStringLiteral("<ZKFile Version=\"2.0\"><ZKParams ZKDmxMode=\"2\"/><ZKGroups ZKNumber=\"1\">"
                                     "<ZKGlobalGroup ZKName=\"General\"/></ZKGroups>");

QString OneScene(const QString& sceneAttributes, const QString& steps)
{
    return QStringLiteral("<ZKPages><ZKPage ZKName=\"P\"><ZKScenes><ZKScene ZKName=\"S\" %1><ZKSteps>%2</ZKSteps>"
                          "</ZKScene></ZKScenes></ZKPage></ZKPages>")
        .arg(sceneAttributes, steps);
}

// 512 raw channels listed once, then repeated by steps that list nothing.
QByteArray StepEntryBomb(int steps)
{
    QStringList records;
    for (int slot = 0; slot < 512; ++slot)
        records << QStringLiteral("-1|0|%1").arg(slot);
    const QString first = QStringLiteral("<ZKStep><SData SIds=\"%1\" SLvl=\"\"/></ZKStep>").arg(records.join('|'));
    return (kHead + OneScene({}, first + QStringLiteral("<ZKStep><SData SLvl=\"\"/></ZKStep>").repeated(steps))
            + QStringLiteral("</ZKFile>"))
        .toUtf8();
}

// Steps whose blobs each inflate to almost 64 MB: a few hundred would take
// minutes to open.
QByteArray InflatingSteps(int steps)
{
    const QString blob = QString::fromLatin1(qCompress(QByteArray(CXmlDocument::kMaxDocumentBytes - 64, '\0'), 9).toHex());
    const QString step = QStringLiteral("<ZKStep><SData SIds=\"-1|0|0\" SLvl=\"%1\"/></ZKStep>").arg(blob);
    return (kHead + OneScene({}, step.repeated(steps)) + QStringLiteral("</ZKFile>")).toUtf8();
}

// Fixtures of a one-channel profile of 256 beams, all at one address: a
// flag per beam each.
QByteArray BeamFlagBomb(int fixtures)
{
    const QByteArray library = "<ZKLibrary ZKMatrixId=\"-1\"><ZKProfile><ZKProperties>" + BeamsXml(256)
        + "</ZKProperties><ZKModes><ZKMode><ZKChannel ZKChannelType=\"7\"/></ZKMode></ZKModes></ZKProfile></ZKLibrary>";
    return kHead.toUtf8() + "<ZKPatch><ZKFixtures>" + library + QByteArray("<ZKFixture/>").repeated(fixtures)
        + "</ZKFixtures></ZKPatch></ZKFile>";
}

// Per kind of CrowdedShows(), the reader's bound and the message past it.
QPair<int, QString> CrowdedBound(const QString& kind)
{
    using B = CShowBounds;
    const QHash<QString, B::Kind> kinds = {
        {"groups", B::Groups},
        {"pages", B::Pages},
        {"scenes", B::Scenes},
        {"effect scenes", B::Scenes},
        {"steps", B::Steps},
        {"matrices", B::PatchBlocks},
        {"fading buttons", B::FadingButtons},
        {"timeline lines", B::TimeLines},
        {"timeline blocks", B::TimeBlocks},
        {"timeline markers", B::TimeMarkers},
        {"masks", B::Masks},
    };
    if (!kinds.contains(kind))
        return {};
    return qMakePair(int(B::Bound(kinds[kind])), B::FileAsksTooMany(kinds[kind]));
}

// Runs out of memory where the patch asks about the universes.
class COutOfMemoryHost : public CRecordingHost
{
public:
    int AskQuestion(const QString& title, const QString& text) override
    {
        CRecordingHost::AskQuestion(title, text);
        if (failing)
            throw std::bad_alloc();
        return No;
    }
    bool failing = true;
};

} // namespace

class HostileFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Store(const QString& name, const QByteArray& xml)
    {
        WriteBytes(m_dir.filePath(name), xml.startsWith('<') ? qCompress(xml) : xml);
        return m_dir.filePath(name);
    }

private slots:
    void refusedFilesSayWhyAndLeaveAnEmptyShow_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("step entries") << StepEntryBomb(4200) << CShowBounds::FileAsksTooMany(CShowBounds::StepEntries);
        QTest::newRow("inflating step levels") << InflatingSteps(2)
                                               << CShowBounds::FileAsksTooMany(CShowBounds::StepLevels);
        QTest::newRow("deep") << QByteArray("<a>").repeated(100000)
                              << GetLangText(Txt::DocumentTooDeep).arg(CXmlDocument::kMaxDepth);
        QTest::newRow("beam flags") << BeamFlagBomb(131000)
                                    << CShowBounds::BuffersTooLarge();
        // Each part of a patch block follows 4,096 fixtures of it. The
        // block's matrix, made first, goes with the refusal.
        QTest::newRow("parts of a patch block past any document")
            << "<ZKFile Version=\"2.0\"><ZKPatch><ZKFixtures><ZKLibrary ZKMatrixId=\"1\"><ZKMatrix ZKMatrixSizeX=\"1\""
                   " ZKMatrixSizeY=\"1\"/><ZKProfile><ZKProperties/></ZKProfile></ZKLibrary><ZKMoreFixtures>"
                   + QByteArray("<ZKFixturePart/>").repeated(CXmlDocument::kMaxDocumentNodes / 4096 + 1)
                   + "</ZKMoreFixtures></ZKFixtures></ZKPatch></ZKFile>"
            << GetLangText(Txt::DocumentTooManyElements).arg(CXmlDocument::kMaxDocumentNodes);
        QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << GetLangText(Txt::NotAProjectFile);
        for (const CHostileXml& document : HostileXmlDocuments())
            QTest::newRow(document.name) << document.xml << document.Error();
        // One past the bound is refused before the first of them is made.
        for (const CCrowdedShow& show : CrowdedShows()) {
            const QPair<int, QString> bound = CrowdedBound(show.kind);
            QTest::newRow(qPrintable(QStringLiteral("%1 past the bound").arg(show.kind)))
                << show.Xml(bound.first + 1) << bound.second;
        }
    }

    // A show's worth of each kind opens, every element made.
    void crowdedKindsOpenAtAShowsSize()
    {
        for (const CCrowdedShow& show : CrowdedShows()) {
            QVERIFY(!CrowdedBound(show.kind).second.isEmpty());
            CPlaybackRig rig;
            QVERIFY2(rig.project.OpenProject(Store(QStringLiteral("show.kv3"), show.Xml(40))), show.kind);
            const CProject& p = rig.project;
            const QHash<QString, int> made = {
                {"groups", p.m_groups.size() - 1},
                {"pages", p.m_pages.size()},
                {"scenes", p.m_firstPage->m_scenes.size()},
                {"steps", p.m_firstPage->m_scenes.value(0) ? p.m_firstPage->m_scenes[0]->m_steps.size() : 0},
                {"effect scenes", p.m_effectScenes.size()},
                {"matrices", p.m_generalGroup->m_matrices.size()},
                {"fading buttons", p.m_fadingButtons.size()},
                {"timeline lines", p.m_timeLine.m_lines.size()},
                {"timeline blocks", p.m_timeLine.m_lines.value(0) ? p.m_timeLine.m_lines[0]->m_blocks.size() : 0},
                {"timeline markers", p.m_timeLine.m_markers.size()},
                {"masks", p.m_masks.size()},
            };
            QCOMPARE(made.value(show.kind), 40);
        }
    }

    // Names of a few hundred megabytes in a file of a few hundred
    // kilobytes: what the show would keep of them (two bytes a letter),
    // with the text a save makes again, is past what reading may take.
    void longNamesAreRefused()
    {
        const QByteArray scene = "<ZKScene ZKName=\"" + QByteArray(100000, 'n') + "\"/>";
        const int scenes = int(CXmlDocument::kMaxReadBytes / 3 / scene.size()) + 8;
        const QString path = Store(QStringLiteral("names.kv3"), kHead.toUtf8() + "<ZKPages><ZKPage><ZKScenes>"
                                                                    + scene.repeated(scenes)
                                                                    + "</ZKScenes></ZKPage></ZKPages></ZKFile>");
        CPlaybackRig rig;
        QVERIFY(!rig.project.OpenProject(path));
        QCOMPARE(rig.host.calls.filter(QStringLiteral("ShowSplashMessage:")),
                 QStringList("ShowSplashMessage:"
                             + GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(CXmlDocument::kMaxReadBytes >> 20)));
    }

    void refusedFilesSayWhyAndLeaveAnEmptyShow()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        CPlaybackRig rig;
        QVERIFY(!rig.project.OpenProject(Store(QStringLiteral("bad.kv3"), bytes)));
        QCOMPARE(rig.host.calls.filter(QStringLiteral("ShowSplashMessage:")), QStringList("ShowSplashMessage:" + message));
        QVERIFY(rig.host.calls.contains(QStringLiteral("WaitAfterLoadError")));
        // The mode the refused file named is forgotten: the empty show sends nothing.
        QCOMPARE(rig.project.m_loadedDmxMode, 0);
        QCOMPARE(rig.project.m_pages.size(), 1);
        QVERIFY(rig.project.m_firstPage->m_scenes.isEmpty() && rig.project.m_rawChannels.isEmpty());
    }

    // An allocation that fails while reading ends in the empty show with a
    // message; a patch the user refused ends there without one.
    void runningOutOfMemoryEndsInTheEmptyShow()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 6, 0);
        const QString path = m_dir.filePath(QStringLiteral("wide.kv3"));
        QVERIFY(rig.project.SaveProject(path));
        COutOfMemoryHost host;
        for (bool failing : {true, false}) {
            host.failing = failing;
            host.calls.clear();
            QVERIFY(!rig.project.OpenProject(path));
            QVERIFY(rig.project.PatchedFixtures().isEmpty());
            const QString told = "ShowSplashMessage:" + GetLangText(Txt::NotEnoughMemoryToOpen);
            QCOMPARE(host.calls.filter(QStringLiteral("ShowSplashMessage:")), failing ? QStringList(told) : QStringList());
        }
    }

    void fixturesLeftOutAreToldOnce_data()
    {
        QTest::addColumn<bool>("pastLastUniverse");
        QTest::addColumn<int>("leftOut");
        QTest::addColumn<QString>("caption");
        QTest::newRow("one") << false << 1 << GetLangText(Txt::FixtureLeftOut);
        QTest::newRow("two") << true << 2 << GetLangText(Txt::FixturesLeftOut);
    }

    void fixturesLeftOutAreToldOnce()
    {
        QFETCH(bool, pastLastUniverse);
        QFETCH(int, leftOut);
        QFETCH(QString, caption);
        CPlaybackRig rig;
        for (int address : {0, 10, 20, 30})
            rig.Patch(rig.RgbProfile(), 0, address);
        const QString saved = m_dir.filePath(QStringLiteral("patch.kv3"));
        QVERIFY(rig.project.SaveProject(saved));
        // Channels that run past slot 512 (id 2), a universe past the last (id 4).
        QString xml = QString::fromUtf8(qUncompress(ReadBytes(saved)));
        xml.replace(QRegularExpression(QStringLiteral("ZKAddress=\"10\"")), QStringLiteral("ZKAddress=\"510\""));
        if (pastLastUniverse)
            xml.replace(QRegularExpression(QStringLiteral("ZKId=\"4\"(.*)ZKUniverse=\"0\"")),
                        QStringLiteral("ZKId=\"4\"\\1ZKUniverse=\"256\""));
        rig.host.calls.clear();
        QVERIFY(rig.project.OpenProject(Store(QStringLiteral("dropped.kv3"), xml.toUtf8())));
        QCOMPARE(rig.project.PatchedFixtures().size(), 4 - leftOut);
        const QString told =
            QStringLiteral("ShowInformation:%1:%2").arg(GetLangText(Txt::Warning), caption.arg(leftOut));
        QCOMPARE(rig.host.calls.filter(QStringLiteral("ShowInformation:")), QStringList(told));
        // Saved without them, the show opens without a word.
        QVERIFY(rig.project.SaveProject(saved));
        rig.host.calls.clear();
        QVERIFY(rig.project.OpenProject(saved));
        QVERIFY(rig.host.calls.filter(QStringLiteral("ShowInformation:")).isEmpty());
    }

    // A profile of more beams than a channel can name, patched many times:
    // the show opens with the beams a channel can reach, and no more.
    void beamsPastWhatAChannelCanNameAreLeftOut_data()
    {
        Columns<int, int>("beams", "fixtures");
        QTest::newRow("64 fixtures of 65536 beams") << 65536 << 64;
        QTest::newRow("100 fixtures of 10000 beams") << 10000 << 100;
    }
    void beamsPastWhatAChannelCanNameAreLeftOut()
    {
        const auto [beams, fixtures] = Row<int, int>("beams", "fixtures");
        CPlaybackRig rig;
        CLibraryProfile* profile = rig.RgbProfile();
        ProfileBuilder::SetBeams(*profile, {{0, 0}, {1, 0}});
        for (int i = 0; i < fixtures; ++i)
            rig.Patch(profile, i / 128, 3 * (i % 128));
        const QString path = m_dir.filePath(QStringLiteral("beams.kv3"));
        QVERIFY(rig.project.SaveProject(path));
        QString xml = QString::fromUtf8(qUncompress(ReadBytes(path)));
        const QRegularExpression two(QStringLiteral("<ZKBeams ZKNbBeam=\"2\">.*</ZKBeams>"),
                                     QRegularExpression::DotMatchesEverythingOption
                                         | QRegularExpression::InvertedGreedinessOption);
        QCOMPARE(xml.count(two), 1);
        xml.replace(two, QString::fromLatin1(BeamsXml(beams)));

        QVERIFY(rig.project.OpenProject(Store(QStringLiteral("many.kv3"), xml.toUtf8())));
        QCOMPARE(rig.project.PatchedFixtures().size(), fixtures);
        for (const CPatchedFixture* fixture : rig.project.PatchedFixtures()) {
            QCOMPARE(fixture->Profile()->m_beams.size(), CFixtureProfile::kMaxBeams);
            QCOMPARE(fixture->BeamFlags().size(), CFixtureProfile::kMaxBeams);
        }
    }

    // A list is read as far as it can name something (a group each fixture
    // once; a step each fixture and every channel of every universe): past
    // that it is damage, and a few kilobytes of it could ask for gigabytes.
    void listsAreReadNoFurtherThanTheyCanName_data()
    {
        Columns<QString, QString, bool>("attribute", "list", "named");
        const QString channels = QStringLiteral("-1|0|0|").repeated(256 * 512);
        QTest::newRow("group, as long as it may be") << "ZKFixtures" << "%1" << true;
        QTest::newRow("group, longer") << "ZKFixtures" << "99|%1" << false;
        QTest::newRow("step, as long as it may be") << "SIds" << channels + "%1|3" << true;
        QTest::newRow("step, longer") << "SIds" << channels + "-1|0|1|%1|3" << false;
    }
    void listsAreReadNoFurtherThanTheyCanName()
    {
        const auto [attribute, list, named] = Row<QString, QString, bool>("attribute", "list", "named");
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        rig.AddStep(rig.AddScene(QStringLiteral("S")), 0, 1000, {{rgb, {1, 2, 3}}});
        rig.project.m_generalGroup->m_selectedFixtures = {rgb};
        QVERIFY(rig.project.AddGroup(QStringLiteral("G")));
        const QString path = m_dir.filePath(QStringLiteral("lists.kv3"));
        QVERIFY(rig.project.SaveProject(path));
        QString xml = QString::fromUtf8(qUncompress(ReadBytes(path)));
        const QString was = QStringLiteral("%1=\"%2").arg(attribute, QString::number(rgb->m_id));
        QCOMPARE(xml.count(was), 1);
        xml.replace(was, QStringLiteral("%1=\"%2").arg(attribute, list.arg(rgb->m_id)));

        QVERIFY(rig.project.OpenProject(Store(QStringLiteral("long.kv3"), xml.toUtf8())));
        CPatchedFixture* fixture = rig.project.PatchedFixtures().value(0);
        const CSceneStep* step = rig.project.m_firstPage->m_scenes.value(0)->m_steps.value(0);
        QVERIFY(fixture && step && rig.project.m_groups.size() == 2);
        const bool inStep = std::any_of(step->m_entries.begin(), step->m_entries.end(),
                                        [&](const CStepFixture* entry) { return entry->Fixture() == fixture; });
        QCOMPARE(attribute == QLatin1String("SIds") ? inStep : rig.project.m_groups[1]->m_fixtures.contains(fixture),
                 named);
    }

    void stepTimesAreClampedOnRead()
    {
        CPlaybackRig rig;
        const QString big = QStringLiteral("2147483647");
        const QString xml = kHead
            + OneScene(QStringLiteral("ZKFadeIn=\"%1\" ZKFadeOutDelay=\"-5\" ZKCustomFadeOut=\"99\"").arg(big),
                       QStringLiteral("<ZKStep ZKFade=\"%1\" ZKWait=\"-1\"/><ZKStep ZKWait=\"%1\"/>").arg(big))
            + QStringLiteral("<ZKEffScenes><ZKEffScene ZKName=\"E\" ZKFadeIn=\"-3\" ZKFadeOut=\"%1\"/></ZKEffScenes>")
                  .arg(big)
            + QStringLiteral("</ZKFile>");
        QVERIFY(rig.project.OpenProject(Store(QStringLiteral("times.kv3"), xml.toUtf8())));
        const int longest = CXmlDocument::kMaxTimeMs;
        const CScene* s = rig.project.m_firstPage->m_scenes.value(0);
        const CEffectScene* e = rig.project.m_effectScenes.value(0);
        QVERIFY(s && e && s->m_steps.size() == 2);
        QCOMPARE(QList<int>({s->m_fadeIn, s->m_fadeOutDelay, s->m_customFadeOut, s->m_steps[0]->m_fade,
                             s->m_steps[0]->m_wait, s->m_steps[1]->m_wait, e->m_fadeIn, e->m_fadeOut}),
                 QList<int>({longest, 0, 99, longest, 0, longest, 0, longest}));
    }

    // Steps as long as an int holds: the cycle position saturates instead
    // of overflowing (the sanitizer build stops on an overflow).
    void theLongestStepsCannotOverflowTheTick()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Long"));
        rig.AddStep(scene, 0, INT_MAX, {{rgb, {90, 0, 0}}});
        rig.AddStep(scene, INT_MAX, INT_MAX, {{rgb, {0, 0, 0}}});
        scene->SetSpeed(100);
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick();
        scene->SeekTo(INT_MAX - 10);
        rig.Tick(3);
        QCOMPARE(scene->m_cyclePosition, INT_MAX);
        QCOMPARE(rig.Out(0, 0), 90);
    }
};

ORVANE_TEST(HostileFileTest)
#include "HostileFileTest.moc"
