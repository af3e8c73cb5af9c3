#include "DataTable.h"
#include "FileBytes.h"
#include "TestRegistry.h"

#include "PlaybackRig.h"
#include "ShowEdits.h"
#include "effects/CurveEffect.h"
#include "model/Language.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/ProjectFileV3.h"
#include "show/ShowBounds.h"
#include "show/TimeLine.h"
#include "Captions.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// The show's bounds on the file side: a show at a bound saves and opens
// again as it was, one past it is refused by the save in the words a
// reader would use, and every reader counts what it makes against the same
// bounds, whatever the format and however the file spreads it.

namespace {

using B = CShowBounds;

// Universes of a rig whose show may hold each kind up to its bound: the
// scenes' buffers of every universe must stay within theirs.
int UniversesFor(B::Kind kind)
{
    switch (kind) {
    case B::Scenes:
        return 1;
    case B::StepLevels:
        return 4;
    case B::PatchBlocks:
        return 8;
    default:
        return 2;
    }
}

// Adds `count` elements of the kind to the show, as bare as the model makes
// them. Steps hold entries of 32 one-channel fixtures or of 4 fixtures of
// 512 channels for levels; timeline blocks are spread over 16 lines.
class CBoundShow
{
public:
    CBoundShow(CPlaybackRig& rig, B::Kind kind) : m_rig(rig), m_project(rig.project), m_kind(kind) {}

    // For levels, an entry of 512 at a time.
    void Grow(qint64 count)
    {
        for (qint64 i = 0; i < count; i += m_kind == B::StepLevels ? 512 : 1) {
            switch (m_kind) {
            case B::Pages:
                m_project.m_pages << new CPage(m_project, QStringLiteral("P"));
                break;
            case B::Scenes:
                AddScene();
                break;
            case B::Steps:
                Scene()->m_steps << new CSceneStep(0, 40);
                break;
            case B::StepEntries:
            case B::StepLevels:
                AddEntry();
                break;
            case B::Groups:
                m_project.m_groups << new CGroup(QStringLiteral("G"));
                break;
            case B::Masks:
                m_project.m_masks << CMask{QStringLiteral("M"), {}};
                break;
            case B::FadingButtons:
                m_project.m_fadingButtons << new CFadingButton(QStringLiteral("F"));
                break;
            case B::TimeLines:
                m_project.m_timeLine.AddLine(new CTimeLine(QStringLiteral("L")));
                break;
            case B::TimeBlocks:
                AddBlock();
                break;
            case B::TimeMarkers:
                m_project.m_timeLine.AddMarker(new CTimeMarker(int(m_project.m_timeLine.m_markers.size()) * 40));
                break;
            case B::PatchBlocks:
                AddProfileBlock();
                break;
            case B::KindCount:
                break;
            }
        }
    }

private:
    CScene* Scene()
    {
        if (m_project.m_firstPage->m_scenes.isEmpty())
            m_rig.AddScene(QStringLiteral("S"));
        return m_project.m_firstPage->m_scenes.first();
    }

    // A page holds no more scenes than its text may: 64 to a page, as many
    // pages as a show may hold.
    void AddScene()
    {
        CPage* page = m_project.m_pages.last();
        if (page->m_scenes.size() == 64) {
            page = new CPage(m_project, QStringLiteral("P"));
            m_project.m_pages << page;
        }
        page->m_scenes << new CScene(QStringLiteral("S"), m_project.UniverseCount());
    }

    void AddEntry()
    {
        const bool levels = m_kind == B::StepLevels;
        if (m_fixtures.isEmpty()) {
            CLibraryProfile* profile = m_rig.AddProfile([levels](CLibraryProfile& built) {
                for (int c = 0; c < (levels ? 512 : 1); ++c)
                    ProfileBuilder::AddChannel(built, ChannelType::Zoom);
            });
            for (int f = 0; f < (levels ? 4 : 32); ++f)
                m_fixtures << m_rig.Patch(profile, levels ? f : 0, levels ? 0 : f);
        }
        CScene* scene = Scene();
        if (scene->m_steps.isEmpty() || scene->m_steps.last()->m_entries.size() == m_fixtures.size())
            scene->m_steps << new CSceneStep(0, 40);
        CSceneStep* step = scene->m_steps.last();
        auto* entry = new CStepFixture(m_fixtures[step->m_entries.size()], scene);
        entry->SetLevel(0, 1, false, false);
        step->AddEntry(entry);
    }

    void AddBlock()
    {
        CTimeLineData& timeLine = m_project.m_timeLine;
        if (timeLine.m_lines.isEmpty()) {
            for (int l = 0; l < 16; ++l)
                timeLine.AddLine(new CTimeLine(QStringLiteral("L")));
        }
        CTimeLine* line = timeLine.m_lines[m_blocks++ % 16];
        auto* block = new CTimeBlock(m_project.m_firstPage, Scene());
        block->m_start = int(line->m_blocks.size()) * 40;
        line->AddBlock(block);
    }

    void AddProfileBlock()
    {
        const int n = m_blocks++;
        CLibraryProfile* profile = m_rig.AddProfile([](CLibraryProfile& built) {
            ProfileBuilder::AddChannel(built, ChannelType::Zoom);
        });
        profile->SetPath(QStringLiteral("p%1.kvp").arg(n));
        m_rig.AddFixture(profile, n / 512, n % 512);
    }

    CPlaybackRig& m_rig;
    CProject& m_project;
    const B::Kind m_kind;
    QList<CPatchedFixture*> m_fixtures;
    int m_blocks = 0;
};

QString SaveRefusal(const QString& path, const QString& reason)
{
    return GetLangText(Txt::CannotWriteFile)
        .arg(QDir::toNativeSeparators(path), GetLangText(Txt::WouldNotOpenAgain).arg(reason));
}

// A show file of `universes`, its first page holding `xml` (ZKScene
// elements) below a bare root, and `rest` after the pages.
QByteArray ShowXml(const QByteArray& scenes, const QByteArray& rest = {})
{
    const QByteArray pages = scenes.isEmpty() ? QByteArray()
                                              : "<ZKPages><ZKPage><ZKScenes>" + scenes + "</ZKScenes></ZKPage></ZKPages>";
    return "<ZKFile Version=\"2.0\">" + pages + rest + "</ZKFile>";
}

// A show whose one scene holds `handMade` empty steps, then `rows` times a
// curve row of 200 steps of 40 ms over `fixtures` one-channel fixtures (of
// two universes), the row made by the engine once and repeated in the text.
// 200 rows over 1,024 fixtures are a file of some 500 KB.
QByteArray CurveRowsXml(int fixtures, int rows, int handMade)
{
    CPlaybackRig rig(2);
    CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
    QList<CPatchedFixture*> patched;
    for (int f = 0; f < fixtures; ++f)
        patched << rig.AddFixture(profile, f / 512, f % 512);
    rig.project.UpdateAfterPatch(false, false);
    ShowEdits::Select(rig.project, patched);
    auto* curve = new CCurveEffect(200 * 40);
    curve->SetChannelsFromProfile(profile, false);
    for (int c = 0; c < curve->m_activeChannels.size(); ++c)
        curve->m_activeChannels[c] = true;
    CScene* scene = rig.AddScene(QStringLiteral("S"));
    ShowEdits::ApplyEffect(rig.project, curve, scene, -1, false);
    if (scene->m_steps.size() != 200)
        return {};
    CProjectFileV3 doc;
    doc.WriteProject(rig.project);
    const QByteArray xml = doc.ToBytes();
    const int first = xml.indexOf("<ZKStep>");
    const int end = xml.indexOf("</ZKSteps>");
    if (first < 0 || end < first)
        return {};
    // The row bare, as small as a hostile file makes it: the fixtures it
    // selects, without their beams or levels.
    QByteArray row = xml.mid(first, end - first);
    for (const char* name : {"ZKEBeamFixts", "ZKStepFixts"}) {
        const QByteArray tag(name);
        const int from = row.indexOf("<" + tag);
        const int to = row.indexOf("</" + tag + ">");
        if (from >= 0 && to > from)
            row.remove(from, to + tag.size() + 3 - from);
    }
    return xml.left(first) + QByteArray("<ZKStep/>").repeated(handMade) + row.repeated(rows) + xml.mid(end);
}

} // namespace

class ShowBoundsFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // Whatever the program lets a show hold, it saves and opens again as it
    // was; one more is refused by the save, which keeps the file it had.
    void showAtEachBoundSavesAndOpensAgain_data()
    {
        QTest::addColumn<int>("kind");
        for (int kind = 0; kind < B::KindCount; ++kind)
            QTest::newRow(qPrintable(B::Word(B::Kind(kind)))) << kind;
    }
    void showAtEachBoundSavesAndOpensAgain()
    {
        QFETCH(int, kind);
        const auto k = B::Kind(kind);
        CPlaybackRig rig(UniversesFor(k));
        CBoundShow show(rig, k);
        show.Grow(B::Bound(k) - B::Held(rig.project, k));
        rig.project.UpdateAfterPatch(false, false);
        QCOMPARE(B::Held(rig.project, k), B::Bound(k));

        const QString first = m_dir.filePath(QStringLiteral("first.kv3"));
        const QString second = m_dir.filePath(QStringLiteral("second.kv3"));
        QString error;
        QVERIFY2(rig.project.SaveProject(first, &error), qPrintable(error));
        CPlaybackRig opened(UniversesFor(k));
        QVERIFY(opened.project.OpenProject(first));
        QCOMPARE(B::Held(opened.project, k), B::Bound(k));
        QVERIFY(opened.project.SaveProject(second));
        QVERIFY(ReadBytes(first) == ReadBytes(second));

        show.Grow(1);
        QVERIFY(!rig.project.SaveProject(first, &error));
        QCOMPARE(error, SaveRefusal(first, B::FileAsksTooMany(k)));
        QVERIFY(ReadBytes(first) == ReadBytes(second));
    }

    // 131,072 steps in 64 scenes of 2,048 on one page, over 4 one-channel
    // fixtures (a page of some 16 MB of text, whose tree would take more
    // than a tree may): the reader builds each scene's tree apart from the
    // page's, and the save weighs them so; the show saves, opens again and
    // saves the same bytes.
    void stepsAtTheirBoundOnOnePageSaveAndOpenAgain()
    {
        CPlaybackRig rig(1);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        QList<CPatchedFixture*> fixtures;
        for (int f = 0; f < 4; ++f)
            fixtures << rig.AddFixture(profile, 0, f);
        rig.project.UpdateAfterPatch(false, false);
        const int scenes = 64;
        for (int s = 0; s < scenes; ++s) {
            CScene* scene = rig.AddScene(QStringLiteral("S"));
            for (int i = 0; i < B::Bound(B::Steps) / scenes; ++i) {
                auto* step = new CSceneStep(0, 40);
                for (int f = 0; f < fixtures.size(); ++f) {
                    auto* entry = new CStepFixture(fixtures[f], scene);
                    entry->SetLevel(0, quint8(f ? s * 4 + i / 512 + f : i), false, false);
                    step->AddEntry(entry);
                }
                scene->m_steps << step;
            }
        }
        QCOMPARE(B::Held(rig.project, B::Steps), B::Bound(B::Steps));
        const QString first = m_dir.filePath(QStringLiteral("page.kv3"));
        const QString second = m_dir.filePath(QStringLiteral("page2.kv3"));
        QString error;
        QVERIFY2(rig.project.SaveProject(first, &error), qPrintable(error));
        CPlaybackRig opened(1);
        QVERIFY(opened.project.OpenProject(first));
        QCOMPARE(opened.project.m_pages.size(), 1);
        QCOMPARE(B::Held(opened.project, B::Steps), B::Bound(B::Steps));
        QVERIFY(opened.project.SaveProject(second));
        QVERIFY(ReadBytes(first) == ReadBytes(second));
    }

    // A show of a few kilobytes of file may make a text past the bounds of
    // reading (fixtures are one-channel, each of nine nodes): the save stops
    // as soon as what it made is past them, having written out no more than
    // that, and keeps the file it had.
    void saveOfATextPastTheBoundsStopsThere()
    {
        CPlaybackRig rig(1);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        const int fixtures = CXmlDocument::kMaxNodes / 7;
        for (int f = 0; f < fixtures; ++f)
            rig.AddFixture(profile, 0, f % 512);
        const QString tooMany = GetLangText(Txt::DocumentTooManyElements).arg(CXmlDocument::kMaxNodes);
        CProjectFileV3 doc;
        QString refusal;
        try {
            doc.WriteProject(rig.project, true);
        } catch (const CFileRefused& refused) {
            refusal = refused.Message();
        }
        QCOMPARE(refusal, tooMany);
        QVERIFY(doc.ToBytes().count("<ZKFixture ") <= CXmlDocument::kMaxNodes / 9 + 1);

        const QString path = m_dir.filePath(QStringLiteral("kept.kv3"));
        QVERIFY(CPlaybackRig(1).project.SaveProject(path));
        const QByteArray kept = ReadBytes(path);
        QString error;
        QVERIFY(!rig.project.SaveProject(path, &error));
        QCOMPARE(error, SaveRefusal(path, tooMany));
        QVERIFY(ReadBytes(path) == kept);
    }

    // What a reader refuses, it refuses before making it, whatever the
    // format and however the file spreads it, in the user's words; a file
    // at the bound opens.
    void readersCountEveryFormatAlike_data()
    {
        Columns<QString, int, QByteArray, QString>("name", "universes", "xml", "refusal");
        const QString steps = B::FileAsksTooMany(B::Steps);
        const QByteArray oldSteps = "<ZKFile Version=\"1.5\"><ZKScenes><ZKScene><ZKSteps>%1</ZKSteps></ZKScene></ZKScenes></ZKFile>";
        const auto oldFile = [&](int count) { return QByteArray(oldSteps).replace("%1", QByteArray("<ZKStep/>").repeated(count)); };
        QTest::newRow("older file at the step bound") << "at.kv2" << 4 << oldFile(1 << 17) << QString();
        QTest::newRow("older file one step past") << "past.kv2" << 4 << oldFile((1 << 17) + 1) << steps;
        QTest::newRow("hex file one step past") << "past.kv1" << 4 << oldFile((1 << 17) + 1) << steps;
        // Every generated step of every row counts, with the hand-made ones.
        QTest::newRow("effect rows at the step bound") << "rows.kv3" << 2 << CurveRowsXml(1, 655, 72) << QString();
        QTest::newRow("effect rows one step past") << "rows.kv3" << 2 << CurveRowsXml(1, 655, 73) << steps;
        // 200 rows of 200 steps over 1,024 fixtures would make 40,960,000
        // entries: refused at the eleventh row, before it is generated.
        QTest::newRow("effect rows past the entries") << "rows.kv3" << 2 << CurveRowsXml(1024, 200, 0)
                                                      << B::FileAsksTooMany(B::StepEntries);
        // Blocks count over every line, not line by line.
        const int half = int(B::Bound(B::TimeBlocks) / 2) + 1;
        const QByteArray line = "<ZKTimeLine ZKName=\"\" Type=\"0\"><ZKTimeBlocks>"
            + QByteArray("<ZKTimeBlock ZKTBPage=\"0\" ZKTBScene=\"0\"/>").repeated(half) + "</ZKTimeBlocks></ZKTimeLine>";
        QTest::newRow("timeline blocks over two lines") << "blocks.kv3" << 2
                                                        << ShowXml("<ZKScene/>", "<ZKTimeLines>" + line + line + "</ZKTimeLines>")
                                                        << B::FileAsksTooMany(B::TimeBlocks);
        // Running copies of an effect scene are scenes: one effect scene and
        // as many copies as there may be scenes is one too many.
        const QByteArray copies = "<ZKEffScenes><ZKEffScene><ZKEffect ZKEType=\"1\"/><ZKPlayingEffects>"
            + QByteArray("<ZKPlayingEffect/>").repeated(int(B::Bound(B::Scenes))) + "</ZKPlayingEffects></ZKEffScene></ZKEffScenes>";
        QTest::newRow("running copies past the scenes") << "copies.kv3" << 1 << ShowXml({}, copies)
                                                        << B::FileAsksTooMany(B::Scenes);
        // 256 MB of buffers at 256 universes: 2,048 of a universe each. A
        // file without pages gets one, which keeps three.
        const QByteArray effectScenes = "<ZKEffScenes>" + QByteArray("<ZKEffScene/>").repeated(682) + "</ZKEffScenes>";
        QTest::newRow("no pages, effect scenes past the buffers") << "buffers.kv3" << 256 << ShowXml({}, effectScenes)
                                                                  << B::BuffersTooLarge();
        QTest::newRow("1,100 empty scenes at 256 universes") << "scenes.kv3" << 256
                                                             << ShowXml(QByteArray("<ZKScene/>").repeated(1100))
                                                             << B::BuffersTooLarge();
    }
    void readersCountEveryFormatAlike()
    {
        const auto [name, universes, xml, refusal] = Row<QString, int, QByteArray, QString>("name", "universes", "xml", "refusal");
        QVERIFY(!xml.isEmpty());
        const QString path = m_dir.filePath(name);
        QVERIFY(WriteBytes(path, name.endsWith(QLatin1String(".kv1")) ? xml.toHex() : qCompress(xml)));
        CPlaybackRig rig(universes);
        rig.host.startScenes = true;
        QCOMPARE(rig.project.OpenProject(path), refusal.isEmpty());
        if (!refusal.isEmpty()) {
            // After what a slow generation tells of its progress.
            const QStringList told = rig.host.calls.filter(QStringLiteral("ShowSplashMessage:"));
            QCOMPARE(told.value(told.size() - 1), "ShowSplashMessage:" + refusal);
            QCOMPARE(B::Held(rig.project, B::Steps), qint64(0));
            return;
        }
        // What opens saves, and the save opens again.
        QCOMPARE(B::Held(rig.project, B::Steps), B::Bound(B::Steps));
        const QString saved = m_dir.filePath(QStringLiteral("saved.kv3"));
        QString error;
        QVERIFY2(rig.project.SaveProject(saved, &error), qPrintable(error));
        CPlaybackRig opened(universes);
        QVERIFY(opened.project.OpenProject(saved));
        QCOMPARE(B::Held(opened.project, B::Steps), B::Bound(B::Steps));
    }

    // New scenes on one page until the show says no: by the scene bound
    // with one universe, by the buffers with every one of 256 in use. What
    // the command let the operator make saves and opens again.
    void scenesMadeUntilRefusedSaveAndOpen_data()
    {
        QTest::addColumn<int>("universes");
        QTest::addColumn<int>("scenes");
        QTest::newRow("one universe") << 1 << int(B::Bound(B::Scenes));
        QTest::newRow("256 universes in use") << 256 << 254;
    }
    void scenesMadeUntilRefusedSaveAndOpen()
    {
        QFETCH(int, universes);
        QFETCH(int, scenes);
        CPlaybackRig rig(universes);
        for (int u = 0; u < universes; ++u)
            rig.project.GetChannelFixture(u, 0);
        while (rig.project.AddScene(false)) {
        }
        QCOMPARE(B::Held(rig.project, B::Scenes), qint64(scenes));
        const QString path = m_dir.filePath(QStringLiteral("made.kv3"));
        QString error;
        QVERIFY2(rig.project.SaveProject(path, &error), qPrintable(error));
        CPlaybackRig again(universes);
        QVERIFY(again.project.OpenProject(path));
        QCOMPARE(B::Held(again.project, B::Scenes), qint64(scenes));
    }

    // A show the program made past the buffers is refused by the save in
    // the words the reader would use.
    void saveRefusesScenesPastTheBuffers()
    {
        CPlaybackRig rig(256);
        CBoundShow(rig, B::Scenes).Grow(1100);
        const QString path = m_dir.filePath(QStringLiteral("buffers.kv3"));
        QString error;
        QVERIFY(!rig.project.SaveProject(path, &error));
        QCOMPARE(error, SaveRefusal(path, B::BuffersTooLarge()));
    }
};

ORVANE_TEST(ShowBoundsFileTest)
#include "ShowBoundsFileTest.moc"
