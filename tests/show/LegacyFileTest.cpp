#include "DataTable.h"
#include "FileBytes.h"
#include "LevelLists.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "StepEntries.h"
#include "model/FixtureMatrix.h"
#include "model/XmlDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Opening the two older project formats: files written by hand from their
// layout, read into the model and checked against values worked out here.

namespace {

QString RgbProfile()
{
    return QStringLiteral("<ZKProfile><ZKProperties ZKFixtPath=\"Rgb.kvp\"/><ZKModes ZKNbMode=\"1\">"
                          "<ZKMode ZKNbChannel=\"3\"><ZKChannel ZKChannelType=\"%1\"/><ZKChannel ZKChannelType=\"%2\"/>"
                          "<ZKChannel ZKChannelType=\"%3\"/></ZKMode></ZKModes></ZKProfile>")
        .arg(ChannelType::Red)
        .arg(ChannelType::Green)
        .arg(ChannelType::Blue);
}

QString DimmerProfile()
{
    return QStringLiteral("<ZKProfile><ZKProperties ZKFixtPath=\"Dimmer.kvp\"/><ZKModes ZKNbMode=\"1\">"
                          "<ZKMode ZKNbChannel=\"1\"><ZKChannel ZKChannelType=\"%1\"/></ZKMode></ZKModes></ZKProfile>")
        .arg(ChannelType::Dimmer);
}

QString Blob(std::initializer_list<int> values)
{
    return CXmlDocument::EncodeBlob(Bytes(values));
}

// A patch of one RGB fixture (id 1, universe 0, slots 0-2) and the scenes.
QString OneFixtureShow(const QString& scenes, const QString& version = QStringLiteral("1.5"))
{
    return QStringLiteral("<ZKFile Version=\"%1\"><ZKPatch><ZKFixtures><ZKLibrary>%2</ZKLibrary>"
                          "<ZKFixture ZKId=\"1\"/></ZKFixtures></ZKPatch><ZKScenes>%3</ZKScenes></ZKFile>")
        .arg(version, RgbProfile(), scenes);
}

} // namespace

class LegacyFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Write(const QString& name, const QByteArray& bytes) const { return WrittenFile(m_dir.filePath(name), bytes); }
    // The suffix chooses the storage: ".kv1" hexadecimal text, else compressed.
    QString WriteXml(const QString& name, const QString& xml) const
    {
        const QByteArray bytes = xml.toUtf8();
        return Write(name, name.endsWith(QLatin1String(".kv1")) ? bytes.toHex() : qCompress(bytes, -1));
    }

private slots:
    void sameShowInBothStorageModes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("hexadecimal") << "show.kv1";
        QTest::newRow("compressed") << "show.kv2";
    }

    // Par 1: id 3, universe 0, slots 10-12, pan inverted. Par 2: id 4,
    // universe 1, slots 20-22. A 1 x 1 matrix of one fixture, id 5.
    void sameShowInBothStorageModes()
    {
        QFETCH(QString, name);
        const QString xml =
            QStringLiteral(
                "<ZKFile Version=\"1.5\">"
                "<ZKParams ZKSceneRectX=\"800\" ZKSceneRectY=\"600\" ZKSceneColorBack=\"255\""
                " ZKSceneDrawImageBack=\"1\" ZKSceneImageBack=\"\" ZKDmxConfig=\"2;0;0;7;-1;-1|1;2\" ZKDmxMode=\"1\"/>"
                "<ZKPatch><ZKFixtures><ZKLibrary ZKMatrixId=\"-1\">%1</ZKLibrary>"
                "<ZKFixture ZKName=\"Par 1\" ZKAddress=\"10\" ZKId=\"3\" ZKPosX=\"40\" ZKPosY=\"60\" ZKInvPan=\"1\"/>"
                "<ZKFixture ZKName=\"Par 2\" ZKAddress=\"20\" ZKUniverse=\"1\" ZKId=\"4\"/></ZKFixtures>"
                "<ZKFixtures><ZKLibrary ZKMatrixId=\"2\">%1<ZKMatrix ZKMatrixSizeX=\"1\" ZKMatrixSizeY=\"1\""
                " ZKMatrixPosX=\"100\" ZKMatrixPosY=\"200\"/></ZKLibrary>"
                "<ZKFixture ZKId=\"5\" ZKAddress=\"30\"/></ZKFixtures></ZKPatch>"
                "<ZKScenes>"
                "<ZKScene ZKName=\"Warm\" ZKFade=\"1500\" ZKLoop=\"70000\" ZKJump=\"1\"><ZKSteps>"
                "<ZKStep ZKFade=\"100\" ZKWait=\"2000\"><SData SIds=\"3|3|-1|0|5\" SLvl=\"%2\"/></ZKStep>"
                "<ZKStep><SData SLvl=\"%3\"/></ZKStep></ZKSteps></ZKScene>"
                "<ZKScene ZKName=\"Cold\" ZKPlaySound=\"1\" ZKSound=\"bell.wav\"><ZKSteps><ZKStep><ZKStepFixts>"
                "<ZKStepFixt ZKId=\"4\" ZKDmxBuffer=\"255000128\"/>"
                "<ZKStepFixt ZKId=\"-1\" ZKUniverse=\"0\" ZKAddress=\"7\" ZKDmxBuffer=\"042\"/>"
                "</ZKStepFixts></ZKStep></ZKSteps></ZKScene></ZKScenes>"
                "<ZKPrograms><ZKScene ZKName=\"Prog\"><ZKActivUniverses>"
                "<ZKActivUniverse ZKUniverse=\"1\" ZKActivBuffer=\"0011\"/></ZKActivUniverses>"
                "<ZKSteps><ZKStep><SData SIds=\"4|3\" SLvl=\"%3\"/></ZKStep></ZKSteps></ZKScene></ZKPrograms>"
                "<ZKGroups><ZKGroup ZKName=\"Not read\"/></ZKGroups></ZKFile>")
                .arg(RgbProfile(), Blob({10, 20, 30, 99}), Blob({1, 2, 3, 4}));
        CPlaybackRig rig;
        CProject& project = rig.project;
        QVERIFY(project.OpenProject(WriteXml(name, xml)));

        QCOMPARE(project.m_pages.size(), 1);
        QCOMPARE(project.m_groups.size(), 1);
        const QList<CScene*>& scenes = project.m_firstPage->m_scenes;
        QCOMPARE(scenes.size(), 3);
        const CScene* warm = scenes[0];
        QCOMPARE(warm->m_fadeIn, 1500);
        QCOMPARE(int(warm->m_loopCount), 70000 - 65536);
        QCOMPARE(warm->m_jumpTarget, scenes[1]);
        QCOMPARE(Entries(warm->m_steps[0]), QStringLiteral("#3=10,20,30 0.5=99"));
        QCOMPARE(warm->m_steps[0]->m_fade, 100);
        QCOMPARE(warm->m_steps[0]->m_wait, 2000);
        // Without "SIds" a step repeats the fixtures of the one before.
        QCOMPARE(Entries(warm->m_steps[1]), QStringLiteral("#3=1,2,3 0.5=4"));
        // A plain scene claims every channel its first step drives.
        QCOMPARE(ActiveSlots(*warm, 0), QList<int>({5, 10, 11, 12}));
        QCOMPARE(Entries(scenes[1]->m_steps[0]), QStringLiteral("#4=255,0,128 0.7=42"));
        QCOMPARE(ActiveSlots(*scenes[1], 1), QList<int>({20, 21, 22}));
        QCOMPARE(scenes[1]->m_sound, QStringLiteral("bell.wav"));
        // A program keeps the channels the file gives it.
        QCOMPARE(ActiveSlots(*scenes[2], 1), QList<int>({2, 3}));

        const CGroup* general = project.m_generalGroup;
        QCOMPARE(general->m_layoutRect, QRect(0, 0, 800, 600));
        QCOMPARE(general->m_backColor, QColor(255, 0, 0));
        QVERIFY(!general->m_drawBackImage); // no picture to draw
        // Interface universes are limited to the 4 the project has.
        QCOMPARE(project.m_dmxConfig.size(), 1);
        QCOMPARE(project.m_dmxConfig[0]->m_portBUniverse, 3);
        QCOMPARE(project.m_dmxConfig[0]->m_secondaryPortAUniverse, -1);
        QCOMPARE(project.m_loadedDmxMode, 1);
        QCOMPARE(general->m_fixtures.size(), 3);
        QCOMPARE(general->m_fixtures[0]->Position(0), QPoint(40, 60));
        QCOMPARE(project.m_invertedFixtures, QList<CPatchedFixture*>{general->m_fixtures[0]});
        QCOMPARE(general->m_matrices.size(), 1);
        QCOMPARE(general->m_matrices[0]->Position(0), QPoint(100, 200));
        const CPatchedFixture* member = general->FindFixture(5);
        QVERIFY(member);
        QCOMPARE(member->m_matrixId, 2);
        QVERIFY(project.IsActive(0) && project.IsActive(1));
    }

    void jumpAndAutoJump_data()
    {
        QTest::addColumn<QString>("attributes");
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("autoJump");
        QTest::newRow("jump 2: auto jump not read") << "ZKJump=\"2\" ZKAutoJump=\"1\"" << 2 << false;
        QTest::newRow("no jump: auto jump read") << "ZKAutoJump=\"1\"" << -1 << true;
        QTest::newRow("jump -1: auto jump read") << "ZKJump=\"-1\" ZKAutoJump=\"1\"" << -1 << true;
        QTest::newRow("jump past the scenes: none") << "ZKJump=\"3\" ZKAutoJump=\"1\"" << -1 << false;
        // Text that is no whole number names no scene (as an int it would be the first).
        QTest::newRow("jump 1.5: none") << "ZKJump=\"1.5\" ZKAutoJump=\"1\"" << -1 << true;
        QTest::newRow("jump abc: none") << "ZKJump=\"abc\" ZKAutoJump=\"1\"" << -1 << true;
    }

    void jumpAndAutoJump()
    {
        QFETCH(QString, attributes);
        QFETCH(int, target);
        QFETCH(bool, autoJump);
        const QString xml =
            OneFixtureShow(QStringLiteral("<ZKScene ZKName=\"A\" %1/><ZKScene/><ZKScene/>").arg(attributes));
        CPlaybackRig rig;
        QVERIFY(rig.project.OpenProject(WriteXml(QStringLiteral("jump.kv2"), xml)));
        const QList<CScene*>& scenes = rig.project.m_firstPage->m_scenes;
        QCOMPARE(scenes[0]->m_jumpIndex, target);
        QCOMPARE(scenes[0]->m_jumpTarget, target >= 0 ? scenes[target] : nullptr);
        QCOMPARE(scenes[0]->m_autoJump, autoJump);
    }

    // Version "1.0" kept the compressed levels as the UTF-16 code units of
    // the attribute, low byte first; later versions as hexadecimal text.
    void oldVersionLevelBlob()
    {
        QByteArray compressed = qCompress(Bytes({10, 20, 30, 200}));
        if (compressed.size() % 2)
            compressed.append('\0'); // zlib ignores what follows its stream
        QString units;
        for (int i = 0; i < compressed.size(); i += 2) {
            const int unit = quint8(compressed[i]) | (quint8(compressed[i + 1]) << 8);
            QVERIFY2(unit < 0xD800 || unit > 0xDFFF, "the test data must stay valid XML");
            units += QStringLiteral("&#x%1;").arg(unit, 0, 16);
        }
        const QString scene = QStringLiteral("<ZKScene><ZKSteps><ZKStep><SData SIds=\"1|3|-1|2|9\" SLvl=\"%1\"/>"
                                             "</ZKStep></ZKSteps></ZKScene>")
                                  .arg(units);
        CPlaybackRig old;
        QVERIFY(old.project.OpenProject(WriteXml(QStringLiteral("v10.kv1"), OneFixtureShow(scene, "1.0"))));
        QCOMPARE(Entries(old.project.m_firstPage->m_scenes[0]->m_steps[0]), QStringLiteral("#1=10,20,30 2.9=200"));
        CPlaybackRig newer;
        QVERIFY(newer.project.OpenProject(WriteXml(QStringLiteral("v15.kv1"), OneFixtureShow(scene, "1.5"))));
        QCOMPARE(Entries(newer.project.m_firstPage->m_scenes[0]->m_steps[0]), QStringLiteral("#1=0,0,0 2.9=0"));
    }

    // Records that name nothing keep their place in the level data.
    void unmatchedRecordsPassTheirBytes()
    {
        const QString xml = OneFixtureShow(
            QStringLiteral("<ZKScene><ZKSteps>"
                           "<ZKStep><SData SIds=\"99|2|-1|7|0|1|3|1|3|-1|0|511\" SLvl=\"%1\"/></ZKStep>"
                           "<ZKStep><SData SIds=\"1|2\" SLvl=\"%2\"/></ZKStep>"
                           "<ZKStep><SData SLvl=\"zz\"/></ZKStep>"
                           "<ZKStep><ZKStepFixts><ZKStepFixt ZKId=\"1\" ZKDmxBuffer=\"001002003004\"/>"
                           "<ZKStepFixt ZKId=\"-1\" ZKUniverse=\"0\" ZKDmxBuffer=\"009\"/>"
                           "<ZKStepFixt ZKId=\"5\" ZKDmxBuffer=\"009\"/></ZKStepFixts></ZKStep>"
                           "</ZKSteps></ZKScene>")
                .arg(Blob({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), Blob({50})));
        CPlaybackRig rig;
        QVERIFY(rig.project.OpenProject(WriteXml(QStringLiteral("records.kv2"), xml)));
        const QList<CSceneStep*>& steps = rig.project.m_firstPage->m_scenes[0]->m_steps;
        // Id 99 (2 bytes) and universe 7 (1 byte) name nothing; fixture 1
        // reads bytes 4-6, its second listing passes 7-9, slot 511 reads 10.
        QCOMPARE(Entries(steps[0]), QStringLiteral("#1=4,5,6 0.511=10"));
        QCOMPARE(Entries(steps[1]), QStringLiteral("#1=50,0,0"));
        QCOMPARE(Entries(steps[2]), QStringLiteral("#1=0,0,0")); // damaged data is none
        QCOMPARE(Entries(steps[3]), QStringLiteral("#1=1,2,3"));
    }

    // A step's list is read as far as it can name something (each fixture,
    // every channel of every universe); past that it is damage, and a few
    // kilobytes of it could ask for gigabytes.
    void stepListsAreReadNoFurtherThanTheyCanName_data()
    {
        Columns<QString, bool>("before", "named");
        QTest::newRow("as long as it may be") << QString() << true;
        QTest::newRow("longer") << "-1|0|1|" << false;
    }
    void stepListsAreReadNoFurtherThanTheyCanName()
    {
        const auto [before, named] = Row<QString, bool>("before", "named");
        const QString ids = QStringLiteral("-1|0|0|").repeated(256 * 512) + before + QStringLiteral("1|3");
        const QString xml = OneFixtureShow(
            QStringLiteral("<ZKScene><ZKSteps><ZKStep><SData SIds=\"%1\" SLvl=\"%2\"/></ZKStep></ZKSteps></ZKScene>")
                .arg(ids, Blob({1})));
        CPlaybackRig rig;
        QVERIFY(rig.project.OpenProject(WriteXml(QStringLiteral("list.kv2"), xml)));
        QCOMPARE(Entries(rig.project.m_firstPage->m_scenes[0]->m_steps[0]).contains(QStringLiteral("#1=")), named);
    }

    // Fixtures written without an id would all have had 0.
    void missingIdsGetFreeOnes()
    {
        const QString xml =
            QStringLiteral("<ZKFile><ZKPatch><ZKFixtures><ZKLibrary>%1</ZKLibrary>"
                           "<ZKFixture ZKName=\"a\"/><ZKFixture ZKName=\"b\" ZKAddress=\"3\" ZKId=\"0\"/>"
                           "<ZKFixture ZKName=\"c\" ZKAddress=\"6\"/>"
                           "<ZKFixture ZKName=\"d\" ZKAddress=\"9\" ZKId=\"2\"/></ZKFixtures></ZKPatch>"
                           "<ZKScenes><ZKScene><ZKSteps><ZKStep><SData SIds=\"0|3\" SLvl=\"%2\"/></ZKStep>"
                           "</ZKSteps></ZKScene></ZKScenes></ZKFile>")
                .arg(RgbProfile(), Blob({7, 8, 9}));
        CPlaybackRig rig;
        QVERIFY(rig.project.OpenProject(WriteXml(QStringLiteral("ids.kv2"), xml)));
        QStringList ids;
        for (const CPatchedFixture* fixture : rig.project.m_generalGroup->m_fixtures)
            ids << fixture->m_name + QString::number(fixture->m_id);
        // "b" keeps the 0 it was given; "a" and "c" take 1 and 3.
        QCOMPARE(ids.join(QLatin1Char(' ')), QStringLiteral("a1 b0 c3 d2"));
        QCOMPARE(Entries(rig.project.m_firstPage->m_scenes[0]->m_steps[0]), QStringLiteral("#0=7,8,9"));
    }

    // Ids repeat only in a damaged file. The first fixture patched with an
    // id keeps it; a later one is left out, and told, with a matrix of its
    // own. The first matrix of an id keeps it too; the fixtures of a later
    // one are patched free. A save writes the patch in address order (the
    // later one first here): were both kept, a step or matrix naming the id
    // would find the other one once the save is opened.
    void aRepeatedIdKeepsItsFirstOwner_data()
    {
        Columns<QString, QString, QString, QString, int, int>("name", "first", "later", "patch", "matrices",
                                                              "leftOut");
        const QString free = QStringLiteral("<ZKFixtures><ZKLibrary ZKMatrixId=\"-1\">%1</ZKLibrary>%2</ZKFixtures>");
        const QString matrix = QStringLiteral("<ZKFixtures><ZKLibrary ZKMatrixId=\"2\">%1<ZKMatrix ZKMatrixSizeX=\"1\""
                                              " ZKMatrixSizeY=\"1\"/></ZKLibrary>%2</ZKFixtures>");
        const QString first = QStringLiteral("<ZKFixture ZKName=\"first\" ZKId=\"4\" ZKUniverse=\"1\" ZKAddress=\"20\"/>");
        const QString later = QStringLiteral("<ZKFixture ZKName=\"later\" ZKId=\"%1\"/>");
        const QString firstFree = free.arg(RgbProfile(), first);
        const QString firstInMatrix = matrix.arg(RgbProfile(), first);
        const QString laterFree = free.arg(DimmerProfile(), later.arg(4));
        const QString laterInMatrix = matrix.arg(DimmerProfile(), later.arg(4));
        for (const char* suffix : {"kv2", "kv3"}) {
            const QString name = QStringLiteral("dup.") + suffix;
            QTest::addRow("%s fixture, fixture", suffix) << name << firstFree << laterFree << "first:3" << 0 << 1;
            QTest::addRow("%s fixture, matrix fixture", suffix)
                << name << firstFree << laterInMatrix << "first:3" << 0 << 1;
            QTest::addRow("%s matrix fixture, fixture", suffix)
                << name << firstInMatrix << laterFree << "first:3" << 1 << 1;
            QTest::addRow("%s matrix, matrix", suffix)
                << name << firstInMatrix << matrix.arg(DimmerProfile(), later.arg(5)) << "later:1 first:3" << 1 << 0;
        }
        QTest::newRow("kv1 fixture, matrix fixture") << "dup.kv1" << firstFree << laterInMatrix << "first:3" << 0 << 1;
    }
    void aRepeatedIdKeepsItsFirstOwner()
    {
        const auto [name, first, later, patch, matrices, leftOut] =
            Row<QString, QString, QString, QString, int, int>("name", "first", "later", "patch", "matrices", "leftOut");
        QString scene = QStringLiteral("<ZKScenes><ZKScene><ZKSteps><ZKStep><SData SIds=\"4|3\" SLvl=\"%1\"/></ZKStep>"
                                       "</ZKSteps></ZKScene></ZKScenes>")
                            .arg(Blob({1, 2, 3}));
        if (name.endsWith(QLatin1String("kv3")))
            scene = QStringLiteral("<ZKPages><ZKPage>%1</ZKPage></ZKPages>").arg(scene);
        const QString xml =
            QStringLiteral("<ZKFile Version=\"2.0\"><ZKPatch>%1%2</ZKPatch>%3</ZKFile>").arg(first, later, scene);
        CPlaybackRig rig;
        CProject& project = rig.project;
        QVERIFY(project.OpenProject(WriteXml(name, xml)));
        QCOMPARE(project.m_fixturesLeftOut, leftOut);
        QByteArray saved;
        for (int round = 0; round < 2; ++round) {
            QStringList fixtures;
            for (const CPatchedFixture* fixture : project.m_generalGroup->m_fixtures)
                fixtures << fixture->m_name + QLatin1Char(':') + QString::number(fixture->Profile()->ChannelCount());
            QCOMPARE(fixtures.join(QLatin1Char(' ')), patch);
            QCOMPARE(project.m_generalGroup->m_matrices.size(), matrices);
            if (matrices > 0)
                QCOMPARE(project.m_generalGroup->m_matrices[0]->MemberCount(), 1);
            QCOMPARE(Entries(project.m_firstPage->m_scenes[0]->m_steps[0]), QStringLiteral("#4=1,2,3"));
            const QString path = m_dir.filePath(QStringLiteral("saved%1.kv3").arg(round));
            QVERIFY(project.SaveProject(path));
            if (round == 1)
                QCOMPARE(ReadBytes(path), saved);
            saved = ReadBytes(path);
            QVERIFY(project.OpenProject(path));
        }
        QCOMPARE(project.m_fixturesLeftOut, 0);
    }

    void damagedFilesEndInANewProject_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("loadError");
        const QByteArray xml = OneFixtureShow(QStringLiteral("<ZKScene/>")).toUtf8();
        QTest::newRow("hex text cut in a byte") << "cut.kv1" << xml.toHex().left(301) << true;
        // More fixtures than 4 universes have channels can only be damage.
        QString many = QStringLiteral("<ZKFile><ZKPatch><ZKFixtures><ZKLibrary>%1</ZKLibrary>").arg(RgbProfile());
        for (int i = 0; i <= 4 * 512; ++i)
            many += QStringLiteral("<ZKFixture ZKId=\"%1\"/>").arg(i);
        many += QStringLiteral("</ZKFixtures></ZKPatch><ZKScenes><ZKScene/></ZKScenes></ZKFile>");
        QTest::newRow("more fixtures than channels") << "many.kv2" << qCompress(many.toUtf8()) << true;
        QString wide = OneFixtureShow(QStringLiteral("<ZKScene/>"));
        wide.replace(QStringLiteral("ZKId=\"1\""), QStringLiteral("ZKId=\"1\" ZKUniverse=\"4\""));
        QTest::newRow("fixture beyond the universes") << "wide.kv2" << qCompress(wide.toUtf8()) << false;
    }

    void damagedFilesEndInANewProject()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loadError);
        CPlaybackRig rig;
        rig.AddScene(QStringLiteral("Before"));
        QVERIFY(!rig.project.OpenProject(Write(name, bytes)));
        QCOMPARE(rig.host.calls.contains(QStringLiteral("WaitAfterLoadError")), loadError);
        const int questions = name == QLatin1String("wide.kv2") ? 1 : 0;
        QCOMPARE(rig.host.calls.filter(QStringLiteral("AskQuestion:Warning:")).size(), questions);
        QCOMPARE(rig.project.m_pages.size(), 1);
        QVERIFY(rig.project.m_firstPage->m_scenes.isEmpty());
        QVERIFY(rig.project.m_generalGroup->m_fixtures.isEmpty());
        QVERIFY(rig.project.m_library.isEmpty());
    }
};

ORVANE_TEST(LegacyFileTest)
#include "LegacyFileTest.moc"
