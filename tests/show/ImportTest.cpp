#include "FileBytes.h"
#include "HostileXml.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "ShowAtBound.h"
#include "model/Language.h"
#include "Captions.h"
#include "StepEntries.h"
#include "model/XmlDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// File Import of older project files into an open project: which scenes
// arrive, where, with which levels and jumps, and that every way an import
// can end early leaves the project as it was.

namespace {

// An older file with a block of RGB fixtures (1 x 1 matrix 0, which an
// import does not make) and the given scenes.
QString OldFile(const QString& fixtures, const QString& scenes)
{
    return QStringLiteral("<ZKFile Version=\"1.5\"><ZKParams ZKDmxMode=\"2\"/><ZKPatch><ZKFixtures>"
                          "<ZKLibrary ZKMatrixId=\"0\"><ZKMatrix ZKMatrixSizeX=\"1\" ZKMatrixSizeY=\"1\"/>"
                          "<ZKProfile><ZKProperties ZKFixtPath=\"Old.kvp\"/><ZKModes ZKNbMode=\"1\">"
                          "<ZKMode ZKNbChannel=\"3\"><ZKChannel ZKChannelType=\"%1\"/><ZKChannel ZKChannelType=\"%2\"/>"
                          "<ZKChannel ZKChannelType=\"%3\"/></ZKMode></ZKModes></ZKProfile></ZKLibrary>%4</ZKFixtures>"
                          "</ZKPatch><ZKScenes>%5</ZKScenes></ZKFile>")
        .arg(ChannelType::Red)
        .arg(ChannelType::Green)
        .arg(ChannelType::Blue)
        .arg(fixtures, scenes);
}

// A scene whose one step sets the file's RGB fixture `id`.
QString RgbScene(const QString& name, int id, int level, const QString& extra = QString())
{
    const QByteArray levels(3, char(level));
    return QStringLiteral("<ZKScene ZKName=\"%1\" %2><ZKSteps><ZKStep><SData SIds=\"%3|3\" SLvl=\"%4\"/></ZKStep>"
                          "</ZKSteps></ZKScene>")
        .arg(name, extra)
        .arg(id)
        .arg(CXmlDocument::EncodeBlob(levels));
}

QString Names(const QList<CScene*>& scenes)
{
    QStringList names;
    for (const CScene* scene : scenes)
        names << scene->m_name;
    return names.join(QLatin1Char(','));
}

// What an import must give back when it does not finish.
QString State(const CProject& project)
{
    QStringList lines;
    for (const CPage* page : project.m_pages)
        lines << page->m_name + QLatin1Char(':') + Names(page->m_scenes);
    for (const CPatchedFixture* fixture : project.m_generalGroup->m_fixtures)
        lines << QString::number(fixture->m_id);
    QString active;
    for (int u = 0; u < project.UniverseCount(); ++u)
        active += project.IsActive(u) ? QLatin1Char('1') : QLatin1Char('0');
    lines << QStringLiteral("current %1 matrices %2 library %3 inverted %4 raw %5 mode %6 active %7 lists %8 %9 has-inverted %10")
                 .arg(project.m_pages.indexOf(project.m_currentPage))
                 .arg(project.m_generalGroup->m_matrices.size())
                 .arg(project.m_library.size())
                 .arg(project.m_invertedFixtures.size())
                 .arg(project.m_rawChannels.size())
                 .arg(project.m_loadedDmxMode)
                 .arg(active)
                 .arg(project.m_importFixtures.size())
                 .arg(project.m_importScenes.size())
                 .arg(project.m_hasInvertedFixtures);
    return lines.join(QLatin1Char('\n'));
}

// A show with a scene of its own and two RGB fixtures at universe 0: id 3
// at slot 100 and id 50003 at slot 200, both of which an imported fixture 3
// must miss.
struct CShowRig
{
    CShowRig()
    {
        CLibraryProfile* profile = rig.RgbProfile();
        own = rig.Patch(profile, 0, 100);
        own->m_id = 3;
        rig.Patch(profile, 0, 200)->m_id = 50003;
        mine = rig.AddScene(QStringLiteral("Mine"));
        rig.AddStep(mine, 0, 1000, {{own, {1, 1, 1}}});
        rig.host.importAccepted = true;
    }
    CPlaybackRig rig;
    CProject& project = rig.project;
    CPatchedFixture* own = nullptr;
    CScene* mine = nullptr;
};

} // namespace

class ImportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Write(const QString& name, const QByteArray& bytes) const { return WrittenFile(m_dir.filePath(name), bytes); }
    QString WriteKv2(const QString& name, const QString& xml) const { return Write(name, qCompress(xml.toUtf8())); }

private slots:
    // A show past its buffer bound takes no import, not even of a scene
    // that marks nothing: the import says why and leaves the show as it was.
    void importIntoAShowPastTheBuffersChangesNothing_data()
    {
        QTest::addColumn<int>("past");
        QTest::newRow("at the bound") << 0;
        QTest::newRow("a mask past it") << 1;
    }
    void importIntoAShowPastTheBuffersChangesNothing()
    {
        QFETCH(int, past);
        CPlaybackRig rig(256);
        rig.host.importAccepted = true;
        rig.host.importKeep = {true};
        const int full = int(CShowBounds::kMaxUniverseBufferBytes / CShowBounds::UniverseBufferBytes(256 * CShowBounds::kSceneBuffers));
        for (int s = 0; s < full; ++s) {
            CScene* scene = rig.AddScene(QStringLiteral("S"));
            for (int u = 0; u < 256; ++u)
                scene->ActiveMask(u)->Set(1);
        }
        for (int u = 0; u < past; ++u)
            rig.AddScene(QStringLiteral("Past"))->ActiveMask(u)->Set(1);
        const QString before = State(rig.project);
        const QString xml = QStringLiteral("<ZKFile Version=\"1.5\"><ZKScenes><ZKScene ZKName=\"Bare\"/></ZKScenes></ZKFile>");
        rig.host.calls.clear();
        QCOMPARE(rig.project.ImportProject(WriteKv2(QStringLiteral("bare.kv2"), xml)), past == 0);
        QCOMPARE(rig.host.calls.contains(QStringLiteral("ShowInformation:%1:%2")
                                             .arg(GetLangText(Txt::Warning), CShowBounds::BuffersTooLarge())),
                 past > 0);
        if (past > 0)
            QCOMPARE(State(rig.project), before);
    }

    // A show with room for one step more takes no file of two: the import
    // says so in the user's words and leaves the show as it was.
    void importIntoAFullShowChangesNothing_data()
    {
        QTest::addColumn<int>("room");
        QTest::addColumn<bool>("imported");
        QTest::newRow("room for one") << 1 << false;
        QTest::newRow("room for both") << 2 << true;
    }
    void importIntoAFullShowChangesNothing()
    {
        QFETCH(int, room);
        QFETCH(bool, imported);
        CShowRig show;
        show.rig.host.importKeep = {true};
        FillToBound(show.project, CShowBounds::Steps, room);
        const QString before = State(show.project);
        const QString twoSteps = RgbScene(QStringLiteral("Two"), 3, 9).replace(
            QStringLiteral("</ZKStep></ZKSteps>"), QStringLiteral("</ZKStep><ZKStep/></ZKSteps>"));
        const QString xml = OldFile(QStringLiteral("<ZKFixture ZKId=\"3\" ZKAddress=\"10\"/>"), twoSteps);
        show.rig.host.calls.clear();
        QCOMPARE(show.project.ImportProject(WriteKv2(QStringLiteral("two.kv2"), xml)), imported);
        QCOMPARE(CShowBounds::Held(show.project, CShowBounds::Steps), CShowBounds::Bound(CShowBounds::Steps) - room + (imported ? 2 : 0));
        const QString refused = QStringLiteral("ShowInformation:%1:%2")
                                    .arg(GetLangText(Txt::Warning), CShowBounds::ShowHoldsTooMany(CShowBounds::Steps));
        QCOMPARE(show.rig.host.calls.contains(refused), !imported);
        if (!imported)
            QCOMPARE(State(show.project), before);
    }

    void importedIdsAreTheFilesOwn()
    {
        CShowRig show;
        show.rig.host.importKeep = {true};
        const QString before = State(show.project);
        const QString xml = OldFile(QStringLiteral("<ZKFixture ZKId=\"3\" ZKAddress=\"10\"/>"),
                                    QStringLiteral("<ZKScene ZKName=\"Imported\"><ZKSteps>"
                                                   "<ZKStep><SData SIds=\"3|3\" SLvl=\"%1\"/></ZKStep>"
                                                   "<ZKStep><ZKStepFixts>"
                                                   "<ZKStepFixt ZKId=\"3\" ZKDmxBuffer=\"004005006\"/>"
                                                   "</ZKStepFixts></ZKStep></ZKSteps></ZKScene>")
                                        .arg(CXmlDocument::EncodeBlob(QByteArray("\1\2\3"))));
        QVERIFY(show.project.ImportProject(WriteKv2(QStringLiteral("ids.kv2"), xml)));

        // Raw channels where the file's fixture was: nothing at 100 or 200.
        const CScene* imported = show.project.m_firstPage->m_scenes.value(1);
        QVERIFY(imported);
        QCOMPARE(Entries(imported->m_steps[0]), QStringLiteral("0.10=1 0.11=2 0.12=3"));
        QCOMPARE(Entries(imported->m_steps[1]), QStringLiteral("0.10=4 0.11=5 0.12=6"));
        QVERIFY(imported->IsChannelActive(0, 12) && !imported->IsChannelActive(0, 100));
        QCOMPARE(Entries(show.mine->m_steps[0]), QStringLiteral("#3=1,1,1"));
        // The file's fixture, profile and matrix came and went; no params
        // were read. Only the new scene and its raw channels stay.
        QString after = before;
        after.replace(QStringLiteral("Scenes:Mine"), QStringLiteral("Scenes:Mine,Imported"));
        after.replace(QStringLiteral("raw 0"), QStringLiteral("raw 3"));
        QCOMPARE(State(show.project), after);

        const QStringList& calls = show.rig.host.calls;
        const int dialog = calls.indexOf(QStringLiteral("ChooseImportScenes:Imported"));
        QVERIFY(dialog > 0);
        QCOMPARE(calls[dialog - 1], QStringLiteral("CloseSplash"));
        QVERIFY(calls.indexOf(QStringLiteral("ShowSplashMessage:Loading...")) > dialog);
        QVERIFY(calls.indexOf(QStringLiteral("OnProjectLoaded")) > dialog);
    }

    // Levels over a fixture of the project join that fixture's entry, as
    // when an old show is imported into its new patch.
    void levelsOverThePatchJoinItsFixtures()
    {
        CShowRig show;
        show.rig.host.importKeep = {true};
        const QString xml = OldFile(QStringLiteral("<ZKFixture ZKId=\"1\" ZKAddress=\"100\"/>"),
                                    RgbScene(QStringLiteral("Look"), 1, 7));
        QVERIFY(show.project.ImportProject(WriteKv2(QStringLiteral("patch.kv2"), xml)));
        QCOMPARE(Entries(show.project.m_firstPage->m_scenes[1]->m_steps[0]), QStringLiteral("#3=7,7,7"));
        QCOMPARE(show.project.m_firstPage->m_scenes[1]->m_steps[0]->m_entries[0]->Fixture(), show.own);
    }

    // The file numbers jumps among its own scenes. The page already holds
    // two whose jump indexes are stale (they are refreshed when saving):
    // their jumps stay as they are.
    void jumpsCountWithinTheImportedFile()
    {
        CShowRig show;
        CScene* b = show.rig.AddScene(QStringLiteral("B"));
        show.mine->m_jumpTarget = b;
        show.mine->m_jumpIndex = 1;
        b->m_jumpTarget = show.mine;
        show.rig.host.importKeep = {true, true, true};
        const QString xml = OldFile(QStringLiteral("<ZKFixture ZKId=\"1\"/>"),
                                    RgbScene(QStringLiteral("X"), 1, 1, QStringLiteral("ZKJump=\"2\""))
                                        + RgbScene(QStringLiteral("Y"), 1, 2, QStringLiteral("ZKJump=\"0\""))
                                        + RgbScene(QStringLiteral("Z"), 1, 3, QStringLiteral("ZKJump=\"3\"")));
        QVERIFY(show.project.ImportProject(WriteKv2(QStringLiteral("jumps.kv2"), xml)));

        const QList<CScene*>& scenes = show.project.m_firstPage->m_scenes;
        QCOMPARE(Names(scenes), QStringLiteral("Mine,B,X,Y,Z"));
        QCOMPARE(scenes[2]->m_jumpTarget, scenes[4]);
        QCOMPARE(scenes[2]->m_jumpIndex, 4);
        QCOMPARE(scenes[3]->m_jumpTarget, scenes[2]);
        QCOMPARE(scenes[3]->m_jumpIndex, 2);
        QCOMPARE(scenes[4]->m_jumpTarget, nullptr); // the file has no scene 3
        QCOMPARE(show.mine->m_jumpTarget, b);
        QCOMPARE(b->m_jumpTarget, show.mine);
    }

    void newTabWithTwoOfThreeScenes()
    {
        CShowRig show;
        CPage* first = show.project.m_firstPage;
        show.rig.host.importKeep = {true, false, true};
        show.rig.host.importNewPage = true;
        const QString xml = OldFile(QStringLiteral("<ZKFixture ZKId=\"1\"/>"),
                                    RgbScene(QStringLiteral("S1"), 1, 1, QStringLiteral("ZKJump=\"1\""))
                                        + RgbScene(QStringLiteral("S2"), 1, 2)
                                        + RgbScene(QStringLiteral("S3"), 1, 3, QStringLiteral("ZKJump=\"0\"")));
        QVERIFY(show.project.ImportProject(WriteKv2(QStringLiteral("tab.kv2"), xml)));

        QVERIFY(show.rig.host.calls.contains(QStringLiteral("ChooseImportScenes:S1|S2|S3")));
        QCOMPARE(show.project.m_pages.size(), 2);
        QCOMPARE(show.project.m_firstPage, first);
        QCOMPARE(Names(first->m_scenes), QStringLiteral("Mine"));
        CPage* tab = show.project.m_pages[1];
        QCOMPARE(tab->m_name, QStringLiteral("New"));
        QCOMPARE(show.project.m_currentPage, tab);
        QCOMPARE(Names(tab->m_scenes), QStringLiteral("S1,S3"));
        QCOMPARE(tab->m_scenes[1]->m_indexInPage, 1);
        QCOMPARE(Entries(tab->m_scenes[1]->m_steps[0]), QStringLiteral("0.0=3 0.1=3 0.2=3"));
        // S1 jumped to the scene left out; S3's jump moved along with S1.
        QCOMPARE(tab->m_scenes[0]->m_jumpTarget, nullptr);
        QCOMPARE(tab->m_scenes[1]->m_jumpTarget, tab->m_scenes[0]);
    }

    // Raw channels that no kept step names do not stay behind: each would
    // keep its universe active, which the show saved and opened again no
    // longer has.
    void importKeepsOnlyTheRawChannelsItsScenesName_data()
    {
        QTest::addColumn<QString>("fixtures");
        QTest::addColumn<QString>("scenes");
        QTest::addColumn<QString>("keep");
        QTest::addColumn<int>("raw");
        QTest::addColumn<QString>("active");
        const QString atZero = QStringLiteral("<ZKFixture ZKId=\"1\"/>");
        const QString atTwo = QStringLiteral("<ZKFixture ZKId=\"2\" ZKUniverse=\"2\"/>");
        const QString lit = RgbScene(QStringLiteral("Lit"), 1, 5);
        QTest::newRow("channel record without levels")
            << atZero
            << lit + QStringLiteral("<ZKScene ZKName=\"Bare\"><ZKSteps><ZKStep><SData SIds=\"-1|2|5\"/>"
                                    "</ZKStep></ZKSteps></ZKScene>")
            << "11" << 3 << "1000";
        QTest::newRow("scene left out") << atZero + atTwo << lit + RgbScene(QStringLiteral("Out"), 2, 5) << "10"
                                        << 3 << "1000";
        QTest::newRow("levels folded into the patch")
            << QStringLiteral("<ZKFixture ZKId=\"1\" ZKAddress=\"100\"/>") << lit << "1" << 0 << "1000";
        QTest::newRow("kept scene in another universe") << atTwo << RgbScene(QStringLiteral("Two"), 2, 5) << "1"
                                                        << 3 << "1010";
    }

    void importKeepsOnlyTheRawChannelsItsScenesName()
    {
        QFETCH(QString, fixtures);
        QFETCH(QString, scenes);
        QFETCH(QString, keep);
        QFETCH(int, raw);
        QFETCH(QString, active);
        CShowRig show;
        for (const QChar c : keep)
            show.rig.host.importKeep << (c == QLatin1Char('1'));
        QVERIFY(show.project.ImportProject(WriteKv2(QStringLiteral("raw.kv2"), OldFile(fixtures, scenes))));
        QString flags;
        for (int u = 0; u < show.project.UniverseCount(); ++u)
            flags += show.project.IsActive(u) ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(flags, active);
        QCOMPARE(show.project.m_rawChannels.size(), raw);
        QCOMPARE(Entries(show.mine->m_steps[0]), QStringLiteral("#3=1,1,1"));
    }

    // The same of a show opened, older or current: a record named by no
    // entry keeps no universe active, so the show saves the same bytes once
    // reopened.
    void openKeepsOnlyTheRawChannelsItsScenesName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("xml");
        const QString scene = QStringLiteral("<ZKScenes><ZKScene ZKName=\"Bare\"><ZKSteps><ZKStep>"
                                             "<SData SIds=\"-1|2|5\"/></ZKStep></ZKSteps></ZKScene></ZKScenes>");
        QTest::newRow("older") << "bare.kv2"
                               << "<ZKFile Version=\"1.5\"><ZKParams ZKDmxMode=\"2\"/><ZKPatch/>" + scene
                + "</ZKFile>";
        QTest::newRow("current") << "bare.kv3"
                                 << "<ZKFile Version=\"2.0\"><ZKParams ZKDmxMode=\"2\"/><ZKPages><ZKPage ZKName=\"P\">"
                + scene + "</ZKPage></ZKPages></ZKFile>";
    }
    void openKeepsOnlyTheRawChannelsItsScenesName()
    {
        QFETCH(QString, name);
        QFETCH(QString, xml);
        CShowRig show;
        QVERIFY(show.project.OpenProject(WriteKv2(name, xml)));
        QCOMPARE(show.project.m_firstPage->m_scenes.size(), 1);
        QVERIFY(!show.project.IsActive(2));
        QCOMPARE(show.project.m_rawChannels.size(), 0);
    }

    void unfinishedImportLeavesTheProject_data()
    {
        QTest::addColumn<QString>("fixtures");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("dialogShown");
        QTest::addColumn<QString>("expectedCall");
        // Fixture 1 inverted, its scene on raw channels of inactive universe 2.
        const QString inverted = QStringLiteral("<ZKFixture ZKId=\"1\" ZKUniverse=\"3\" ZKInvPan=\"1\"/>");
        const QString wide = inverted + QStringLiteral("<ZKFixture ZKId=\"2\" ZKUniverse=\"4\"/>");
        QTest::newRow("universe question, yes") << wide << int(CShowHost::Yes) << false << "AskQuestion:Warning:";
        QTest::newRow("universe question, no") << wide << int(CShowHost::No) << false << "AskQuestion:Warning:";
        QTest::newRow("dialog cancelled") << inverted << int(CShowHost::No) << true << "ChooseImportScenes:S";
        // Fixture 2049 throws inside the reader, after 2048 were patched.
        QString many;
        for (int i = 0; i <= 4 * 512; ++i)
            many += QStringLiteral("<ZKFixture ZKId=\"%1\" ZKAddress=\"%2\"/>").arg(i).arg(i % 500);
        QTest::newRow("file refused inside the reader") << many << int(CShowHost::No) << false << "";
    }

    void unfinishedImportLeavesTheProject()
    {
        QFETCH(QString, fixtures);
        QFETCH(int, answer);
        QFETCH(bool, dialogShown);
        QFETCH(QString, expectedCall);
        CShowRig show;
        show.rig.host.answer = answer;
        // A dialog that is not to be reached would accept.
        show.rig.host.importAccepted = !dialogShown;
        show.rig.host.importKeep = {true};
        const QString before = State(show.project);
        const QString scene = QStringLiteral("<ZKScene ZKName=\"S\"><ZKSteps><ZKStep><SData SIds=\"-1|2|40|1|3\" "
                                             "SLvl=\"%1\"/></ZKStep></ZKSteps></ZKScene>")
                                  .arg(CXmlDocument::EncodeBlob(QByteArray("\11\1\2\3")));
        QVERIFY(!show.project.ImportProject(WriteKv2(QStringLiteral("unfinished.kv2"), OldFile(fixtures, scene))));
        QCOMPARE(State(show.project), before);
        QCOMPARE(show.project.RawChannelAt(2, 40), nullptr);
        QCOMPARE(Entries(show.mine->m_steps[0]), QStringLiteral("#3=1,1,1"));
        const QStringList& calls = show.rig.host.calls;
        QVERIFY(expectedCall.isEmpty() || !calls.filter(expectedCall).isEmpty());
        QCOMPARE(show.rig.host.universeCount, answer == CShowHost::Yes ? 5 : 4);
        QCOMPARE(!calls.filter(QStringLiteral("ChooseImportScenes")).isEmpty(), dialogShown);
    }

    void filesThatAreNotImported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("loadError");
        // Readable by the older reader: only the suffix keeps it out.
        const QByteArray readable =
            qCompress(OldFile(QStringLiteral("<ZKFixture ZKId=\"1\"/>"), RgbScene(QStringLiteral("S"), 1, 1)).toUtf8());
        QTest::newRow("kv3") << "show.kv3" << readable << false;
        QTest::newRow("kv3 in capitals") << "SHOW.KV3" << readable << false;
        QTest::newRow("unreadable") << "bad.kv1" << QByteArray("not hexadecimal") << true;
        QTest::newRow("entity bomb") << "bomb.kv1" << EntityBombXml(1000).toHex() << true;
        QTest::newRow("comment bomb") << "bomb.kv2" << qCompress(CrowdedXml("<!---->", CXmlDocument::kMaxNodes)) << true;
    }

    void filesThatAreNotImported()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loadError);
        CShowRig show;
        show.rig.host.importKeep = {true};
        show.rig.host.calls.clear();
        const QString before = State(show.project);
        QVERIFY(!show.project.ImportProject(Write(name, bytes)));
        QCOMPARE(State(show.project), before);
        // Only an unreadable file says so, with the pause to read it.
        const QStringList& calls = show.rig.host.calls;
        QCOMPARE(calls.size(), loadError ? 2 : 0);
        if (loadError) {
            QVERIFY(calls[0].startsWith(QLatin1String("ShowSplashMessage:")));
            QCOMPARE(calls[1], QStringLiteral("WaitAfterLoadError"));
        }
    }
};

ORVANE_TEST(ImportTest)
#include "ImportTest.moc"
