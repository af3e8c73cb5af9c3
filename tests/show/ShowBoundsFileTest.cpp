#include "DataTable.h"
#include "HeapInUse.h"
#include "MaskSlots.h"
#include "FileBytes.h"
#include "TestRegistry.h"

#include "EarlierShow.h"
#include "PlaybackRig.h"
#include "ShowAtBound.h"
#include "ShowEdits.h"
#include "effects/CurveEffect.h"
#include "effects/GradientEffect.h"
#include "model/Language.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/MemberGroups.h"
#include "show/Page.h"
#include "show/ProjectFileV3.h"
#include "show/BackgroundFree.h"
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

// The records of each running copy's effect selection, in order.
QList<qint64> CopySelections(const CProject& project)
{
    QList<qint64> records;
    for (const CEffectScene* copy : project.m_runningCopies)
        records << B::EffectFixturesOf(copy->m_effects.value(0, nullptr));
    return records;
}

// Adds `count` elements of the kind to the show, as bare as the model makes
// them. Steps hold entries of 32 one-channel fixtures or of 4 fixtures of
// 512 channels for levels; timeline blocks are spread over 16 lines.
// Generated entries come a scene at a time, each a copy of one curve row
// of 200 steps over 1,000 one-channel fixtures; one more is an entry that
// aligning gave a generated step.
class CBoundShow
{
public:
    CBoundShow(CPlaybackRig& rig, B::Kind kind) : m_rig(rig), m_project(rig.project), m_kind(kind) {}

    // For levels, an entry of 512 at a time.
    void Grow(qint64 count)
    {
        if (m_kind == B::GeneratedEntries) {
            GrowRows(count);
            return;
        }
        if (m_kind == B::EffectFixtures) {
            GrowSelections(count);
            return;
        }
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
            case B::GroupMembers:
                AddMember();
                break;
            default:
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

    void GrowRows(qint64 count)
    {
        if (!m_row) {
            CLibraryProfile* profile =
                m_rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
            for (int f = 0; f < 1000; ++f)
                m_fixtures << m_rig.AddFixture(profile, f / 512, f % 512);
            m_rig.project.UpdateAfterPatch(false, false);
            ShowEdits::Select(m_project, m_fixtures);
            m_row = m_rig.AddScene(QStringLiteral("R"));
            ShowEdits::ApplyEffect(m_project, ShowEdits::ChannelCurve(profile, 200 * 40), m_row, -1, false);
            m_rowSize = B::Held(m_project, m_kind);
            count -= m_rowSize;
        }
        if (m_rowSize <= 0)
            return;
        for (; count >= m_rowSize; count -= m_rowSize)
            m_project.m_firstPage->m_scenes << new CScene(*m_row, true, true, true);
        if (count > 0) {
            CPatchedFixture* extra = m_rig.Patch(m_rig.AddProfile([](CLibraryProfile& built) {
                ProfileBuilder::AddDimmer(built);
            }), 1, 511);
            m_row->m_steps.first()->AddEntry(new CStepFixture(extra, m_row));
        }
    }

    // Rows of an effect bound to empty matrix places only, 65,536 to a row:
    // the reader keeps such a row as the one step that holds its effect.
    void GrowSelections(qint64 count)
    {
        CScene* scene = Scene();
        for (; count > 0; --count) {
            if (!m_effect || m_effect->m_fixtures.size() == 65536) {
                m_effect = new CGradientEffect(1000);
                scene->m_effects << m_effect;
                scene->m_steps << new CSceneStep(0, 40);
                scene->m_steps.last()->m_effect = m_effect;
            }
            m_effect->m_fixtures << nullptr;
            m_effect->m_fixtureSel << false;
        }
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

    // Groups of the same 1,024 one-channel fixtures, filled one by one.
    void AddMember()
    {
        if (m_fixtures.isEmpty()) {
            CLibraryProfile* profile = m_rig.AddProfile([](CLibraryProfile& built) {
                ProfileBuilder::AddChannel(built, ChannelType::Zoom);
            });
            for (int f = 0; f < 1024; ++f)
                m_fixtures << m_rig.AddFixture(profile, f / 512, f % 512);
        }
        CGroup* group = m_project.m_groups.last();
        if (group == m_project.m_generalGroup || group->m_fixtures.size() == m_fixtures.size()) {
            group = new CGroup(QStringLiteral("G"));
            m_project.m_groups << group;
        }
        CPatchedFixture* fixture = m_fixtures[group->m_fixtures.size()];
        group->m_fixtures << fixture;
        group->m_beamFlags << fixture->BeamFlags();
    }

    CPlaybackRig& m_rig;
    CProject& m_project;
    const B::Kind m_kind;
    QList<CPatchedFixture*> m_fixtures;
    CScene* m_row = nullptr;
    qint64 m_rowSize = 0;
    CEffect* m_effect = nullptr;
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
// curve row of 200 steps of 40 ms over `fixtures` one-channel fixtures, the
// row made by the engine once and repeated in the text. 200 rows over 1,024
// fixtures are a file of some 500 KB.
QByteArray CurveRowsXml(int fixtures, int rows, int handMade)
{
    CPlaybackRig rig((fixtures + 511) / 512);
    CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
    QList<CPatchedFixture*> patched;
    for (int f = 0; f < fixtures; ++f)
        patched << rig.AddFixture(profile, f / 512, f % 512);
    rig.project.UpdateAfterPatch(false, false);
    ShowEdits::Select(rig.project, patched);
    CScene* scene = rig.AddScene(QStringLiteral("S"));
    ShowEdits::ApplyEffect(rig.project, ShowEdits::ChannelCurve(profile, 200 * 40), scene, -1, false);
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

// Every scene's steps and marked slots, page by page, for comparing shows.
QStringList MasksOf(const CProject& project)
{
    QStringList scenes;
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes) {
            QString line = scene->m_name + QLatin1Char(' ') + QString::number(scene->m_steps.size());
            for (int u : scene->MaskUniverses())
                line += QStringLiteral(" %1:").arg(u) + MarkedSlots(*scene->ActiveMask(u));
            scenes << line;
        }
    }
    return scenes;
}

} // namespace

class ShowBoundsFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Saves the rig's show and opens it in `opened`: the heap the open took,
    // -1 when either failed.
    qint64 HeapToReopen(CPlaybackRig& rig, CPlaybackRig& opened, const char* name)
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        if (!rig.project.SaveProject(path))
            return -1;
        CBackgroundFree::Wait();
        const qint64 heap = HeapInUse();
        return opened.project.OpenProject(path) ? HeapInUse() - heap : -1;
    }

    // Saves the rig's show, opens it in `opened` and saves that again: true
    // when both saves wrote the same bytes.
    // `ticks` after the open start what it restarts.
    bool SavedAlikeAfterOpen(CPlaybackRig& rig, CPlaybackRig& opened, const char* name, int ticks = 0)
    {
        const QString first = m_dir.filePath(QLatin1String(name));
        const QString second = first + QStringLiteral(".again");
        if (!rig.project.SaveProject(first) || !opened.project.OpenProject(first))
            return false;
        opened.Tick(ticks);
        return opened.project.SaveProject(second) && ReadBytes(first) == ReadBytes(second);
    }

private slots:
    // The capacities as an operator reads them, a console's published ones:
    // every other test reads them from the table.
    void publishedCapacities_data()
    {
        Columns<int, QString, qint64>("kind", "word", "capacity");
        const auto row = [](B::Kind kind, const char* word, qint64 capacity) {
            QTest::newRow(word) << int(kind) << QString::fromLatin1(word) << capacity;
        };
        row(B::Pages, "pages", 1024);
        row(B::Scenes, "scenes", 8192);
        row(B::Steps, "steps", 131072);
        row(B::StepEntries, "fixture entries in steps", 2097152);
        row(B::StepLevels, "channel levels in steps", 67108864);
        row(B::Groups, "groups", 4096);
        row(B::Masks, "masks", 4096);
        row(B::FadingButtons, "crossfade buttons", 4096);
        row(B::TimeLines, "timeline lines", 4096);
        row(B::TimeBlocks, "timeline blocks", 65536);
        row(B::TimeMarkers, "timeline markers", 65536);
        row(B::PatchBlocks, "fixture profiles and matrices in the patch", 4096);
        row(B::GroupMembers, "group members", 2097152);
        row(B::GeneratedEntries, "fixture entries in steps made by effects", 3000000);
        row(B::GeneratedLevels, "channel levels in steps made by effects", 30000000);
        row(B::EffectFixtures, "fixtures and beams in effect selections", 2097152);
        QCOMPARE(int(B::KindCount), 16);
    }
    void publishedCapacities()
    {
        const auto [kind, word, capacity] = Row<int, QString, qint64>("kind", "word", "capacity");
        QCOMPARE(B::Word(B::Kind(kind)), word);
        QCOMPARE(B::Bound(B::Kind(kind)), capacity);
    }

    // What the show holds of a kind as the save and the room checks count
    // it: running copies of effect scenes are scenes, an entry of a raw
    // channel holds one level, and a generated step's entries are not
    // hand-made ones.
    void heldAsTheSaveAndTheCommandsCountIt_data()
    {
        Columns<QString, int, qint64>("show", "kind", "held");
        QTest::newRow("running copies") << "copies" << int(B::Scenes) << B::Bound(B::Scenes) + 1;
        QTest::newRow("raw channels' levels") << "raw" << int(B::StepLevels) << qint64(3 + 4);
        QTest::newRow("hand-made entries beside generated ones") << "raw" << int(B::StepEntries) << qint64(4);
        QTest::newRow("generated entries") << "raw" << int(B::GeneratedEntries) << qint64(2);
        QTest::newRow("generated levels") << "raw" << int(B::GeneratedLevels) << qint64(1 + 4);
        QTest::newRow("a row's selection, once a run") << "rows" << int(B::EffectFixtures) << qint64(2 * 3);
    }
    void heldAsTheSaveAndTheCommandsCountIt()
    {
        const auto [show, kind, held] = Row<QString, int, qint64>("show", "kind", "held");
        const auto k = B::Kind(kind);
        CPlaybackRig rig(1);
        if (show == "copies") {
            // Plain scenes one short of the bound, an effect scene and a copy
            // of it running: at the bound; one more copy passes it.
            FillToBound(rig.project, B::Scenes, 2);
            CEffectScene* source = rig.project.AddEffectScene();
            for (int i = 0; i < 2; ++i) {
                auto* copy = new CEffectScene(QStringLiteral("C"), 1);
                copy->m_runningCopy = true;
                copy->m_source = source;
                rig.project.m_runningCopies << copy;
                QCOMPARE(B::HasRoom(rig.project, B::Scenes), false);
            }
        } else if (show == "rows") {
            // Two fixtures and a beam, in two runs of steps with a plain
            // step between them; a copy of an effect scene running is not
            // the show's.
            CScene* scene = rig.AddScene(QStringLiteral("S"));
            auto* effect = new CGradientEffect(1000);
            effect->m_fixtures = {nullptr, nullptr};
            effect->m_beamFixtures = {nullptr};
            scene->m_effects << effect;
            for (int s = 0; s < 4; ++s) {
                scene->m_steps << new CSceneStep(0, 40);
                scene->m_steps.last()->m_effect = s == 2 ? nullptr : effect;
            }
            auto* copy = new CEffectScene(QStringLiteral("C"), 1);
            copy->m_runningCopy = true;
            copy->m_source = rig.project.AddEffectScene();
            copy->m_effects << new CGradientEffect(1000);
            copy->m_effects.first()->m_fixtures = {nullptr};
            rig.project.m_runningCopies << copy;
        } else {
            // A step of three raw channels and a fixture of four channels,
            // and a generated step of one raw channel and that fixture.
            CPatchedFixture* four = rig.Patch(rig.AddProfile([](CLibraryProfile& built) {
                for (int c = 0; c < 4; ++c)
                    ProfileBuilder::AddChannel(built, ChannelType::Zoom);
            }), 0, 0);
            CScene* scene = rig.AddScene(QStringLiteral("S"));
            scene->m_effects << new CGradientEffect(1000);
            for (int generated = 0; generated < 2; ++generated) {
                auto* step = new CSceneStep(0, 40);
                step->m_effect = generated ? scene->m_effects.first() : nullptr;
                for (int c = 0; c < (generated ? 1 : 3); ++c)
                    step->AddEntry(new CStepFixture(rig.project.GetChannelFixture(0, 100 + c), scene));
                step->AddEntry(new CStepFixture(four, scene));
                scene->m_steps << step;
            }
        }
        QCOMPARE(B::Held(rig.project, k), held);
        QCOMPARE(B::HoldsWithin(rig.project), held <= B::Bound(k));
        const QString path = m_dir.filePath(QStringLiteral("held.kv3"));
        QString error;
        QCOMPARE(rig.project.SaveProject(path, &error), held <= B::Bound(k));
        if (held > B::Bound(k))
            QCOMPARE(error, SaveRefusal(path, B::FileAsksTooMany(k)));
    }

    // Whatever the program lets a show hold, it saves and opens again as it
    // was; one more is refused by the save, which keeps the file it had.
    void showAtEachBoundSavesAndOpensAgain_data()
    {
        QTest::addColumn<int>("kind");
        // Generated levels at their bound take minutes to generate in a
        // sanitizer build: the reader's and the save's counts of them are
        // tested on rows that claim them (ProjectFileScenesTest).
        for (int kind = 0; kind < B::KindCount; ++kind) {
            if (kind != B::GeneratedLevels)
                QTest::newRow(qPrintable(B::Word(B::Kind(kind)))) << kind;
        }
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
        // Weighed as the reader cuts it, element by element: never made
        // whole to be scanned.
        const qint64 scanned = CXmlDocument::ReadWork().scanned;
        QVERIFY2(rig.project.SaveProject(first, &error), qPrintable(error));
        QCOMPARE(CXmlDocument::ReadWork().scanned, scanned);
        // Within what a show's document holds for the kind.
        const QString empty = m_dir.filePath(QStringLiteral("empty.kv3"));
        QVERIFY(CPlaybackRig(UniversesFor(k)).project.SaveProject(empty));
        QVERIFY(qUncompress(ReadBytes(first)).size() - qUncompress(ReadBytes(empty)).size()
                <= B::Bound(k) * B::TextBytes(k));
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

    // Kinds at their capacities together: the file's trees hold one
    // element of a kind at a time, and its limits are the table's, so the
    // show saves, opens again and saves the same bytes. Entries come
    // before the steps, which fill the same scene up to their bound.
    void kindsAtTheirCapacitiesTogetherSaveAndOpenAgain_data()
    {
        QTest::addColumn<QVector<int>>("kinds");
        // Steps beside markers, blocks or groups at their capacities were
        // each refused once; every kind at once holds those pairs too.
        // Kinds that add others first: members add groups, blocks lines,
        // scenes pages.
        QTest::newRow("every kind") << QVector<int>{B::StepEntries, B::GeneratedEntries, B::EffectFixtures,
                                                    B::GroupMembers, B::Groups,
                                                    B::TimeBlocks, B::TimeLines, B::TimeMarkers, B::PatchBlocks,
                                                    B::Masks, B::FadingButtons, B::Scenes, B::Pages, B::Steps};
    }
    void kindsAtTheirCapacitiesTogetherSaveAndOpenAgain()
    {
        QFETCH(QVector<int>, kinds);
        CPlaybackRig rig(UniversesFor(B::PatchBlocks));
        for (int kind : kinds) {
            const auto k = B::Kind(kind);
            CBoundShow(rig, k).Grow(B::Bound(k) - B::Held(rig.project, k));
        }
        rig.project.UpdateAfterPatch(false, false);
        for (int kind : kinds)
            QCOMPARE(B::Held(rig.project, B::Kind(kind)), B::Bound(B::Kind(kind)));

        const QString first = m_dir.filePath(QStringLiteral("together.kv3"));
        const QString second = m_dir.filePath(QStringLiteral("together2.kv3"));
        QString error;
        const qint64 scanned = CXmlDocument::ReadWork().scanned;
        QVERIFY2(rig.project.SaveProject(first, &error), qPrintable(error));
        QCOMPARE(CXmlDocument::ReadWork().scanned, scanned);
        CPlaybackRig opened(UniversesFor(B::PatchBlocks));
        QVERIFY(opened.project.OpenProject(first));
        for (int kind : kinds)
            QCOMPARE(B::Held(opened.project, B::Kind(kind)), B::Bound(B::Kind(kind)));
        QVERIFY2(opened.project.SaveProject(second, &error), qPrintable(error));
        QVERIFY(ReadBytes(first) == ReadBytes(second));
    }

    // 131,072 steps on one page over 4 one-channel fixtures, in 64 scenes
    // of 2,048 or in one (a page of some 16 MB of text, whose tree, or its
    // scene's, would take more than a tree may): the reader builds each
    // scene's tree apart from the page's and each step's apart from the
    // scene's, and the save weighs them so, without scanning the text; the
    // show saves, opens again and saves the same bytes.
    void stepsAtTheirBoundOnOnePageSaveAndOpenAgain_data()
    {
        QTest::addColumn<int>("scenes");
        QTest::newRow("64 scenes") << 64;
        QTest::newRow("one scene") << 1;
    }
    void stepsAtTheirBoundOnOnePageSaveAndOpenAgain()
    {
        QFETCH(int, scenes);
        CPlaybackRig rig(1);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        QList<CPatchedFixture*> fixtures;
        for (int f = 0; f < 4; ++f)
            fixtures << rig.AddFixture(profile, 0, f);
        rig.project.UpdateAfterPatch(false, false);
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
        const qint64 scanned = CXmlDocument::ReadWork().scanned;
        QVERIFY2(rig.project.SaveProject(first, &error), qPrintable(error));
        QCOMPARE(CXmlDocument::ReadWork().scanned, scanned);
        CPlaybackRig opened(1);
        QVERIFY(opened.project.OpenProject(first));
        QCOMPARE(opened.project.m_pages.size(), 1);
        QCOMPARE(B::Held(opened.project, B::Steps), B::Bound(B::Steps));
        QVERIFY(opened.project.SaveProject(second));
        QVERIFY(ReadBytes(first) == ReadBytes(second));
    }

    // A show the model holds may make a text past the bounds of reading:
    // one-channel fixtures, many to a slot, each of ten nodes, more than a
    // document holds. The save is refused in the reader's words as soon as
    // it is past them, and keeps the file it had.
    void saveOfATextPastTheBoundsStopsThere()
    {
        CPlaybackRig rig(1);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        CGroup* general = rig.project.m_generalGroup;
        for (int f = 0; f < CXmlDocument::kMaxDocumentNodes / 9; ++f) {
            auto* fixture = new CPatchedFixture(f % 512, 0, f + 1, -1, QString(), profile, false, false, 0);
            general->m_fixtures << fixture;
            general->m_beamFlags << fixture->BeamFlags();
        }
        const QString tooMany = GetLangText(Txt::DocumentTooManyElements).arg(CXmlDocument::kMaxDocumentNodes);
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
        // entries: refused at the fifteenth row, before it is generated.
        QTest::newRow("effect rows past the entries") << "rows.kv3" << 2 << CurveRowsXml(1024, 200, 0)
                                                      << B::FileAsksTooMany(B::GeneratedEntries);
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

    // Entries that effect rows generate have a bound of their own, far
    // above the hand-made ones': ten curve rows over 1,100 one-channel
    // fixtures, a file of a few kilobytes, make 2,200,000 and open.
    void generatedEntriesHaveABoundOfTheirOwn()
    {
        const QString path = m_dir.filePath(QStringLiteral("generated.kv3"));
        QVERIFY(WriteBytes(path, qCompress(CurveRowsXml(1100, 10, 0))));
        CPlaybackRig rig(4);
        QVERIFY(rig.project.OpenProject(path));
        QCOMPARE(B::Held(rig.project, B::GeneratedEntries), qint64(2200000));
        QCOMPARE(B::Held(rig.project, B::StepEntries), qint64(0));
        QString error;
        QVERIFY2(rig.project.SaveProject(m_dir.filePath(QStringLiteral("saved.kv3")), &error), qPrintable(error));
    }

    // New Scene until the show says no: at the scene bound whatever the
    // universe count, each scene marking a few of every universe in use.
    // What the command let the operator make saves, opens and saves again
    // byte for byte.
    void scenesMadeUntilRefusedSaveAndOpen_data()
    {
        QTest::addColumn<int>("universes");
        QTest::newRow("one universe") << 1;
        QTest::newRow("256 universes in use") << 256;
    }
    void scenesMadeUntilRefusedSaveAndOpen()
    {
        QFETCH(int, universes);
        CPlaybackRig rig(universes);
        CLibraryProfile* dimmer = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        for (int u = 0; u < universes; ++u)
            rig.AddFixture(dimmer, u, 0);
        rig.project.UpdateAfterPatch(false, false);
        for (int made = 0; CScene* scene = rig.project.AddScene(false); ++made) {
            for (int u = 0; u < 4; ++u)
                scene->ActiveMask((4 * made + u) % universes)->Set(made % 512);
        }
        QCOMPARE(B::Held(rig.project, B::Scenes), B::Bound(B::Scenes));
        const QString first = m_dir.filePath(QStringLiteral("made.kv3"));
        const QString second = m_dir.filePath(QStringLiteral("again.kv3"));
        QString error;
        QVERIFY2(rig.project.SaveProject(first, &error), qPrintable(error));
        QVERIFY(qUncompress(ReadBytes(first)).size()
                <= B::Bound(B::Scenes) * (B::TextBytes(B::Scenes) + 4 * B::kMaskTextBytes) + (1 << 20));
        CPlaybackRig again(universes);
        QVERIFY(again.project.OpenProject(first));
        QCOMPARE(MasksOf(again.project), MasksOf(rig.project));
        QVERIFY(again.project.SaveProject(second));
        QVERIFY(ReadBytes(first) == ReadBytes(second));
    }

    // Every fixture keeps a place in every group's plan, and a show of as
    // many groups as it may hold keeps them all on reopening; the bound is
    // of the user's groups, the general group aside.
    void everyPlaceOfEveryGroupOpensAgain_data()
    {
        Columns<int, bool>("groups", "roomForOneMore");
        QTest::newRow("one short of the bound") << int(B::Bound(B::Groups)) - 1 << true;
        QTest::newRow("at the bound") << int(B::Bound(B::Groups)) << false;
    }
    void everyPlaceOfEveryGroupOpensAgain()
    {
        const auto [groups, roomForOneMore] = Row<int, bool>("groups", "roomForOneMore");
        CPlaybackRig rig(1);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        CPatchedFixture* fixture = rig.Patch(profile, 0, 0);
        for (int g = 0; g < groups; ++g) {
            auto* group = new CGroup(QStringLiteral("G"));
            group->AddFixture(fixture);
            rig.project.m_groups << group;
        }
        for (int g = 0; g <= groups; ++g) {
            if (!fixture->SetPosition(g, QPoint(g, 7)))
                fixture->AddPosition(g, 7);
        }
        QCOMPARE(rig.project.m_groups.size(), groups + 1);
        QCOMPARE(B::HasRoom(rig.project, B::Groups), roomForOneMore);

        const QString first = m_dir.filePath(QStringLiteral("places.kv3"));
        const QString second = m_dir.filePath(QStringLiteral("places2.kv3"));
        QVERIFY(rig.project.SaveProject(first));
        CPlaybackRig opened(1);
        QVERIFY(opened.project.OpenProject(first));
        const CPatchedFixture* reopened = opened.project.m_generalGroup->m_fixtures.value(0);
        QVERIFY(reopened);
        QCOMPARE(reopened->PositionCount(), groups + 1);
        QCOMPARE(reopened->Position(groups), QPoint(groups, 7));
        QVERIFY(opened.project.SaveProject(second));
        QVERIFY(ReadBytes(first) == ReadBytes(second));
    }

    // The members of every group count together, as the reader meets them:
    // a file at the bound opens, one member more anywhere is refused.
    void groupMembersPastTheBoundAreRefused_data()
    {
        Columns<int, QString>("extra", "refusal");
        QTest::newRow("at the bound") << 0 << QString();
        QTest::newRow("one member past") << 1 << B::FileAsksTooMany(B::GroupMembers);
    }
    // A member read takes its places in its group's lists, not the room of
    // lists grown a member at a time (a third more, at groups of 1,500):
    // the heap is counted once what the save gave up has gone.
    void groupMembersTakeTheirOwnRoom()
    {
        CPlaybackRig rig(3);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        QList<CPatchedFixture*> fixtures;
        for (int f = 0; f < 1500; ++f)
            fixtures << rig.AddFixture(profile, f / 512, f % 512);
        for (int g = 0; g < 1000; ++g) {
            auto* group = new CGroup(QStringLiteral("G"));
            rig.project.m_groups << group;
            for (CPatchedFixture* fixture : qAsConst(fixtures)) {
                group->m_fixtures << fixture;
                group->m_beamFlags << fixture->BeamFlags();
            }
            // Every member selected, as in a new group of the selection.
            for (QList<bool>& flags : group->m_beamFlags)
                std::fill(flags.begin(), flags.end(), true);
        }
        rig.project.UpdateAfterPatch(false, false);
        CPlaybackRig opened(3);
        const qint64 heap = HeapToReopen(rig, opened, "groups.kv3");
        QCOMPARE(B::Held(opened.project, B::GroupMembers), qint64(1500000));
        QCOMPARE(opened.project.m_groups.last()->m_selectedFixtures.size(), 1500);
        // A member's place in the lists of members, flags and selection.
        QVERIFY2(heap >= 0 && heap < 1500000 * 28, QByteArray::number(heap));
        // Nor are the lists of a group in order made again by the patch.
        const CGroup* group = opened.project.m_groups.last();
        CPatchedFixture* const* members = &group->m_fixtures.constFirst();
        opened.project.UpdateAfterPatch(true, false);
        QCOMPARE(&group->m_fixtures.constFirst(), members);
    }

    // The save's list of the groups that hold each fixture, for the patch's
    // places: four bytes a member and a few for each fixture. As sorted
    // pairs of fixture and group it took 16, and up to 48 while it grew: 50
    // MB at the members' capacity, the peak of a large show's save. A
    // fixture reads its own place only in the groups that hold it.
    void saveListsTheGroupsOfEachFixtureInFourBytes()
    {
        CPlaybackRig rig(1);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        QList<CPatchedFixture*> fixtures;
        for (int f = 0; f < 500; ++f)
            fixtures << rig.AddFixture(profile, 0, f);
        for (int g = 1; g <= 400; ++g) {
            rig.project.m_groups << new CGroup(QStringLiteral("G"));
            if (g != 2 && g != 4)
                rig.project.m_groups.last()->m_fixtures = fixtures.mid(1);
            else
                rig.project.m_groups.last()->m_fixtures = fixtures;
        }
        CPatchedFixture* first = fixtures.first();
        while (first->PositionCount() > 0)
            first->RemovePosition(0);
        first->AddPosition(7, 7);
        for (int g = 1; g < 6; ++g)
            first->AddPosition(10 * g, 1);

        CBackgroundFree::Wait();
        const qint64 heap = HeapInUse();
        const CMemberGroups members(rig.project);
        const qint64 held = HeapInUse() - heap;
        QVERIFY2(held > 0 && held < 200000 * 6, QByteArray::number(held));
        const QPoint general(7, 7);
        QCOMPARE(members.PlacesOf(*first), (CProjectFileV3::PlaceRuns{
                                               {general, 2}, {QPoint(20, 1), 1}, {general, 1}, {QPoint(40, 1), 1},
                                               {general, 1}}));
    }

    // What a show holds most of, read from a file, takes little room each.
    // An effect's selection keeps a fixture's place and a byte for whether
    // it is selected, in lists of its size: a flag in a list of pointer-sized
    // places took 8, 16 MB of a show at the selections' capacity, and lists
    // grown a record at a time held room for as many again. A step entry
    // of a few channels is one block of 32 bytes with its levels, beside
    // its place in the step: naming its scene by pointer, it took 40.
    void elementsTakeTheirOwnRoom_data()
    {
        Columns<int, int, int>("kind", "count", "bytes");
        QTest::newRow("effect selections") << int(B::EffectFixtures) << 4 * 65536 << 12;
        QTest::newRow("step entries") << int(B::StepEntries) << 65536 << 48;
    }
    void elementsTakeTheirOwnRoom()
    {
        const auto [kind, count, bytes] = Row<int, int, int>("kind", "count", "bytes");
        CPlaybackRig rig(1);
        CBoundShow(rig, B::Kind(kind)).Grow(count);
        CPlaybackRig opened(1);
        const qint64 heap = HeapToReopen(rig, opened, "elements.kv3");
        QCOMPARE(B::Held(opened.project, B::Kind(kind)), qint64(count));
        QVERIFY2(heap >= 0 && heap < qint64(count) * bytes, QByteArray::number(double(heap) / count));
    }

    // Every slot patched with a dimmer and groups added by the command, each
    // of two fixtures moved in its plan, the general plan moved now and then
    // in between: a fixture has a place in every group's plan, and the
    // show saves, opens and saves the same bytes, at any universe count. A
    // fixture keeps its place in the groups that hold it; the others never
    // show it, and it reads its general place there. Places cost what
    // differs, not a place per group: the memory of the open is bounded by
    // the fixtures, not fixtures times groups.
    void everySlotInManyGroupsSavesAndOpens_data()
    {
        Columns<int, int>("universes", "groups");
        QTest::newRow("4 universes, every group") << 4 << int(B::Bound(B::Groups));
        QTest::newRow("64 universes, 256 groups") << 64 << 256;
    }
    void everySlotInManyGroupsSavesAndOpens()
    {
        const auto [universes, groups] = Row<int, int>("universes", "groups");
        CPlaybackRig rig(universes);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        const QList<CPatchedFixture*> fixtures = rig.Fill(profile, 1);
        const int count = fixtures.size();
        const auto place = [](int f, int shift) { return QPoint(20 * (f % 64) + shift, 20 * (f / 64)); };
        for (int f = 0; f < count; ++f)
            fixtures[f]->SetPosition(0, place(f, 0));
        CProject& project = rig.project;
        for (int g = 1; g <= groups; ++g) {
            if (g % 64 == 0) {
                for (int f = 0; f < count; ++f)
                    fixtures[f]->SetPosition(0, place(f, g));
            }
            project.SetCurrentGroup(0);
            // In the patch's order, which the open gives a group's list.
            const int a = g % count, b = (g * 7 + 1) % count;
            project.m_generalGroup->m_selectedFixtures = {fixtures[qMin(a, b)], fixtures[qMax(a, b)]};
            QVERIFY(project.AddGroup(QStringLiteral("G")));
            fixtures[g % count]->SetPosition(g, QPoint(g, 5));
        }

        CPlaybackRig opened(universes);
        const qint64 heap = HeapToReopen(rig, opened, "slots.kv3");
        QVERIFY(heap >= 0);
        // Some 340 bytes a fixture and 700 a group; a place a group would
        // take 8 bytes times fixtures times groups more.
        QVERIFY2(heap < qint64(count) * 512 + qint64(groups) * 1024, QByteArray::number(heap));
        const QList<CPatchedFixture*>& read = opened.project.m_generalGroup->m_fixtures;
        QCOMPARE(read.size(), count);
        QCOMPARE(opened.project.m_groups.size(), groups + 1);
        int runs = 0;
        for (int f = 0; f < count; ++f) {
            QCOMPARE(read[f]->PositionCount(), groups + 1);
            runs += read[f]->Runs().size();
        }
        // A run for each fixture, and two for each place of a member.
        QVERIFY2(runs <= count + 4 * groups, QByteArray::number(runs));
        const auto reopened = [&](int f) { return opened.project.m_generalGroup->FindFixture(fixtures[f % count]->m_id); };
        for (int g = 1; g <= groups; ++g) {
            const CGroup* group = opened.project.m_groups[g];
            QCOMPARE(group->m_fixtures.size(), 2);
            QCOMPARE(reopened(g)->Position(g), QPoint(g, 5));
            QCOMPARE(reopened(g * 7 + 1)->Position(g), fixtures[(g * 7 + 1) % count]->Position(g));
            const CPatchedFixture* outside = reopened(g + 2);
            if (!group->m_fixtures.contains(const_cast<CPatchedFixture*>(outside)))
                QCOMPARE(outside->Position(g), outside->Position(0));
        }
        const QString again = m_dir.filePath(QStringLiteral("slots2.kv3"));
        QVERIFY(opened.project.SaveProject(again));
        QVERIFY(ReadBytes(m_dir.filePath(QStringLiteral("slots.kv3"))) == ReadBytes(again));
    }

    // One profile patched into every slot of 128 universes, alone or as one
    // matrix: a block of the patch no tree could hold, written in parts
    // read apart, and read back as the one profile or matrix.
    void oneProfileInEverySlotSavesAndOpens_data()
    {
        Columns<bool>("matrix");
        QTest::newRow("free fixtures") << false;
        QTest::newRow("a matrix of 256 by 256") << true;
    }
    void oneProfileInEverySlotSavesAndOpens()
    {
        const auto [asMatrix] = Row<bool>("matrix");
        CPlaybackRig rig(128);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        const QList<CPatchedFixture*> fixtures = rig.Fill(profile, 1);
        if (asMatrix) {
            auto* matrix = new CFixtureMatrix(profile, 1, 256, 256, 0);
            matrix->AddPosition(5, 6);
            rig.project.m_generalGroup->m_matrices << matrix;
            for (int f = 0; f < fixtures.size(); ++f) {
                fixtures[f]->m_matrixId = 1;
                matrix->AddMember(fixtures[f], QRect(20 * (f % 256), 20 * (f / 256), 20, 20));
            }
            matrix->OrderMembers();
        }
        CPlaybackRig opened(128);
        QVERIFY(SavedAlikeAfterOpen(rig, opened, "slots.kv3"));
        QCOMPARE(opened.project.m_library.size(), 1);
        const QList<CPatchedFixture*>& read = opened.project.m_generalGroup->m_fixtures;
        QCOMPARE(read.size(), fixtures.size());
        QCOMPARE(read.last()->m_id, fixtures.last()->m_id);
        QCOMPARE(read.last()->Profile(), opened.project.m_library.first());
        QCOMPARE(opened.project.m_generalGroup->m_matrices.size(), asMatrix ? 1 : 0);
        if (asMatrix) {
            const CFixtureMatrix* matrix = opened.project.m_generalGroup->m_matrices.first();
            QCOMPARE(matrix->MemberCount(), fixtures.size());
            QCOMPARE(matrix->Position(0), QPoint(5, 6));
            QCOMPARE(matrix->CellOfFixture(read.last()), QPoint(255 * 20, 255 * 20));
            QCOMPARE(read.last()->m_matrixId, 1);
        }
    }

    // Effects over many fixtures, each fixture in the effect's lists and in
    // its stored step: one row over every slot of 128 universes, many rows
    // over a few thousand, and copies of an effect scene playing on every
    // slot, saved to start again.
    void effectsOverManyFixturesSaveAndOpen_data()
    {
        Columns<int, int, int>("universes", "rows", "copies");
        QTest::newRow("a row over 65,536 dimmers") << 128 << 1 << 0;
        QTest::newRow("110 rows over 4,096") << 8 << 110 << 0;
        QTest::newRow("two copies over 8,192") << 16 << 0 << 2;
    }
    void effectsOverManyFixturesSaveAndOpen()
    {
        const auto [universes, rows, copies] = Row<int, int, int>("universes", "rows", "copies");
        CPlaybackRig rig(universes);
        CLibraryProfile* profile = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        const QList<CPatchedFixture*> fixtures = rig.Fill(profile, 1);
        ShowEdits::Select(rig.project, fixtures);
        CScene* scene = rig.AddScene(QStringLiteral("S"));
        for (int r = 0; r < rows; ++r)
            ShowEdits::ApplyEffect(rig.project, ShowEdits::Gradient(CRgbwColor(r, 2, 3)), scene, -1, false);
        QCOMPARE(scene->m_steps.size(), rows);
        if (copies) {
            CEffectScene* effectScene = rig.project.AddEffectScene();
            ShowEdits::ApplyEffect(rig.project, ShowEdits::Gradient(CRgbwColor(1, 2, 3)), effectScene, -1, false);
            for (int c = 0; c < copies; ++c) {
                ShowEdits::Select(rig.project, fixtures.mid(c));
                QVERIFY(rig.project.PlayEffectScene(effectScene));
                rig.Tick(1);
            }
            rig.Tick(2);
            QCOMPARE(rig.project.m_runningCopies.size(), copies);
        }
        CPlaybackRig opened(universes);
        opened.host.startScenes = true;
        QVERIFY(SavedAlikeAfterOpen(rig, opened, "effects.kv3", 2));
        for (B::Kind kind : {B::GeneratedEntries, B::EffectFixtures})
            QCOMPARE(B::Held(opened.project, kind), B::Held(rig.project, kind));
        QCOMPARE(CopySelections(opened.project), CopySelections(rig.project));
        QCOMPARE(CopySelections(opened.project).size(), copies);
    }

    // Running copies are saved to start again while they fit beside the
    // rows' selections, and read so: the one past is left out of the file
    // and the show saves, opens and saves alike.
    void playingCopiesPastTheRoomAreLeftOut()
    {
        CPlaybackRig rig(1);
        const QList<CPatchedFixture*> fixtures = {rig.Patch(rig.RgbProfile(), 0, 0), rig.Patch(rig.RgbProfile(), 0, 3)};
        FillToBound(rig.project, B::EffectFixtures, 3);
        CEffectScene* effectScene = rig.project.AddEffectScene();
        ShowEdits::ApplyEffect(rig.project, ShowEdits::Gradient(CRgbwColor(1, 2, 3)), effectScene, -1, false);
        for (CPatchedFixture* fixture : fixtures) {
            ShowEdits::Select(rig.project, {fixture});
            QVERIFY(rig.project.PlayEffectScene(effectScene));
            rig.Tick(1);
        }
        QCOMPARE(CopySelections(rig.project), QList<qint64>({2, 2}));
        CPlaybackRig opened(1);
        opened.host.startScenes = true;
        QVERIFY(SavedAlikeAfterOpen(rig, opened, "copies.kv3", 2));
        QCOMPARE(CopySelections(opened.project), QList<qint64>({2}));
        QCOMPARE(opened.project.m_runningCopies.first()->m_effects.first()->m_fixtures,
                 QList<CPatchedFixture*>({opened.project.m_generalGroup->m_fixtures.first()}));

        // A file of both copies opens with the one that fits.
        const QString path = m_dir.filePath(QStringLiteral("copies.kv3"));
        QByteArray xml = qUncompress(ReadBytes(path));
        const int from = xml.indexOf("<ZKPlayingEffect>");
        const int to = xml.indexOf("</ZKPlayingEffect>") + int(strlen("</ZKPlayingEffect>"));
        QVERIFY(from > 0 && to > from);
        xml.insert(to, xml.mid(from, to - from));
        QVERIFY(WriteBytes(path, qCompress(xml)));
        CPlaybackRig both(1);
        both.host.startScenes = true;
        QVERIFY(both.project.OpenProject(path));
        both.Tick(2);
        QCOMPARE(CopySelections(both.project), QList<qint64>({2}));
    }

    // A file keeps a playing copy as its selection, and the copy makes its
    // effect's steps over all of it as it starts again: copies start only
    // within the room the show's steps and generated entries and levels
    // leave, and the rest of the show opens as saved. Each of `copies`
    // effect scenes plays a curve of 200 steps over its share of `fixtures`
    // of `channels` channels; `rows` scenes hold the curve as a row over
    // the first 8. The saved copies are bound as a start binds them, without
    // the steps they would make here.
    void copiesStartAgainWithinTheRoomLeft_data()
    {
        Columns<int, int, int, int, qint64, int, int>("fixtures", "channels", "rows", "copies", "steps left",
                                                      "started", "full");
        const int none = B::KindCount;
        QTest::newRow("the copy's steps left") << 4 << 1 << 0 << 1 << qint64(200) << 1 << none;
        QTest::newRow("a step fewer") << 4 << 1 << 0 << 1 << qint64(199) << 0 << int(B::Steps);
        QTest::newRow("two copies, the steps of one") << 4 << 1 << 0 << 2 << qint64(399) << 1 << int(B::Steps);
        QTest::newRow("an entry fewer") << 14993 << 1 << 1 << 1 << qint64(-1) << 0 << int(B::GeneratedEntries);
        QTest::newRow("two copies, the levels of one") << 8 << 512 << 36 << 2 << qint64(-1) << 1
                                                        << int(B::GeneratedLevels);
    }
    void copiesStartAgainWithinTheRoomLeft()
    {
        const auto [fixtures, channels, rows, copies, stepsLeft, started, full] =
            Row<int, int, int, int, qint64, int, int>("fixtures", "channels", "rows", "copies", "steps left",
                                                      "started", "full");
        const int universes = (fixtures * channels + 511) / 512;
        CPlaybackRig rig(universes);
        CLibraryProfile* profile = rig.AddProfile([channels = channels](CLibraryProfile& built) {
            for (int c = 0; c < channels; ++c)
                ProfileBuilder::AddChannel(built, ChannelType::Zoom);
        });
        QList<CPatchedFixture*> patched;
        for (int f = 0; f < fixtures; ++f)
            patched << rig.AddFixture(profile, f * channels / 512, f * channels % 512);
        rig.project.UpdateAfterPatch(false, false);
        const auto apply = [&](const QList<CPatchedFixture*>& selection, CScene* scene) {
            ShowEdits::Select(rig.project, selection);
            ShowEdits::ApplyEffect(rig.project, ShowEdits::ChannelCurve(profile, 200 * 40), scene, -1, false);
        };
        if (rows > 0) {
            CScene* row = rig.AddScene(QStringLiteral("R"));
            apply(patched.mid(0, 8), row);
            for (int r = 1; r < rows; ++r)
                rig.project.m_firstPage->m_scenes << new CScene(*row, true, true, true);
        }
        if (stepsLeft >= 0)
            FillToBound(rig.project, B::Steps, stepsLeft);
        const int share = fixtures / copies;
        QStringList names;
        for (int c = 0; c < copies; ++c) {
            CEffectScene* effectScene = rig.project.AddEffectScene();
            names << effectScene->GetName();
            apply(patched.mid(c * share, share), effectScene);
            auto* copy = new CEffectScene(*effectScene, false, true, false, false);
            copy->m_runningCopy = true;
            copy->m_source = effectScene;
            copy->m_effects << CloneEffect(effectScene->m_effects.first());
            rig.project.BindEffectToSelection(copy->m_effects.first(), false, false);
            rig.project.m_runningCopies << copy;
        }
        const QString path = m_dir.filePath(QStringLiteral("copies.kv3"));
        QVERIFY(rig.project.SaveProject(path));

        CPlaybackRig opened(universes);
        opened.host.startScenes = true;
        const quint64 made = CStepFixture::EntriesMade();
        QVERIFY(opened.project.OpenProject(path));
        opened.Tick(1);
        for (B::Kind kind : {B::Steps, B::GeneratedEntries, B::GeneratedLevels})
            QCOMPARE(B::Held(opened.project, kind), B::Held(rig.project, kind));
        QCOMPARE(opened.project.m_runningCopies.size(), started);
        QCOMPARE(qint64(CStepFixture::EntriesMade() - made),
                 B::Held(opened.project, B::GeneratedEntries) + 200 * share * started);
        QStringList told;
        for (const QString& name : names)
            told << opened.host.calls.filter(GetLangText(Txt::EffectNotStartedAgain).arg(name, QString()));
        QCOMPARE(told.size(), copies - started);
        if (full == B::KindCount)
            return;
        QVERIFY(told.first().endsWith(B::ShowHoldsTooMany(B::Kind(full))));
        if (full != B::Steps)
            return;
        // The room bounds only what the file asks for: the operator's own
        // start is never refused.
        for (int c = 0; c < copies; ++c) {
            CEffectScene* effectScene = opened.project.m_effectScenes[c];
            if (!opened.project.IsScenePlaying(effectScene)) {
                ShowEdits::Select(opened.project, opened.project.m_generalGroup->m_fixtures.mid(c * share, share));
                QVERIFY(opened.project.PlayEffectScene(effectScene));
            }
        }
        opened.Tick(1);
        QCOMPARE(opened.project.m_runningCopies.size(), copies);
    }

    void groupMembersPastTheBoundAreRefused()
    {
        const auto [extra, refusal] = Row<int, QString>("extra", "refusal");
        CPlaybackRig rig(2);
        CBoundShow(rig, B::GroupMembers).Grow(1024);
        CProjectFileV3 doc;
        doc.WriteProject(rig.project);
        QByteArray xml = doc.ToBytes();
        // The one group of all 1,024, repeated to the bound; the extra
        // group names a fixture, an id no fixture has and itself again.
        const int from = xml.indexOf("<ZKGroup ");
        const int to = xml.indexOf("</ZKGroup>", from) + int(strlen("</ZKGroup>"));
        QVERIFY(from > 0 && to > from);
        const QByteArray group = xml.mid(from, to - from);
        QByteArray more = group.repeated(int(B::Bound(B::GroupMembers) / 1024) - 1);
        if (extra)
            more += "<ZKGroup ZKName=\"X\" ZKFixtures=\"5|99999|5\"/>";
        xml.insert(to, more);
        const QString path = m_dir.filePath(QStringLiteral("members.kv3"));
        QVERIFY(WriteBytes(path, qCompress(xml)));
        CPlaybackRig opened(2);
        QCOMPARE(opened.project.OpenProject(path), refusal.isEmpty());
        if (refusal.isEmpty()) {
            QCOMPARE(B::Held(opened.project, B::GroupMembers), B::Bound(B::GroupMembers));
            return;
        }
        const QStringList told = opened.host.calls.filter(QStringLiteral("ShowSplashMessage:"));
        QCOMPARE(told.value(told.size() - 1), "ShowSplashMessage:" + refusal);
    }

    // Shows an earlier build saved, which wrote a mask of every universe in
    // use, cleared or not, open at every universe count the program may set,
    // their scenes holding the masks that mark a slot and no other; saved,
    // they lose only the cleared masks and open to the same bytes again.
    void showsSavedEarlierOpenAtEveryUniverseCount_data()
    {
        Columns<int, int, int, int>("scenes", "steps", "savedAt", "universes");
        const int shows[][3] = {{300, 10, 16}, {1100, 1, 16}, {260, 1, 256}, {1100, 1, 64}};
        for (const auto& show : shows) {
            for (int universes : {4, 16, 64, 256}) {
                const QString name = QStringLiteral("%1 scenes of %2 steps saved at %3, opened at %4")
                                         .arg(show[0]).arg(show[1]).arg(show[2]).arg(universes);
                QTest::newRow(qPrintable(name)) << show[0] << show[1] << show[2] << universes;
            }
        }
    }
    void showsSavedEarlierOpenAtEveryUniverseCount()
    {
        const auto [scenes, steps, savedAt, universes] = Row<int, int, int, int>("scenes", "steps", "savedAt", "universes");
        // Each show is made once for the four universe counts.
        const QString earlier = m_dir.filePath(QStringLiteral("earlier-%1-%2-%3.kv3").arg(scenes).arg(steps).arg(savedAt));
        static QHash<QString, QPair<QByteArray, QStringList>> made;
        if (!made.contains(earlier)) {
            CPlaybackRig saved(savedAt);
            const QByteArray bytes = EarlierShow(saved, scenes, steps, m_dir.filePath(QStringLiteral("now.kv3")));
            QVERIFY(!bytes.isEmpty());
            QVERIFY(WriteBytes(earlier, qCompress(WithClearMasks(qUncompress(bytes)))));
            made.insert(earlier, qMakePair(bytes, MasksOf(saved.project)));
        }
        const QByteArray now = made.value(earlier).first;

        CPlaybackRig opened(universes);
        QVERIFY(opened.project.OpenProject(earlier));
        QCOMPARE(MasksOf(opened.project), made.value(earlier).second);
        QCOMPARE(B::BufferBytesHeld(opened.project) - B::BeamFlagBytes(opened.project),
                 B::UniverseBufferBytes(B::kSceneBuffers) * scenes);
        // A mask whose last mark went is not written either.
        CScene* cleared = opened.project.m_firstPage->m_scenes.first();
        cleared->ActiveMask(3)->Set(0);
        cleared->ActiveMask(3)->Set(0, false);
        const QString first = m_dir.filePath(QStringLiteral("first.kv3"));
        const QString second = m_dir.filePath(QStringLiteral("second.kv3"));
        QVERIFY(opened.project.SaveProject(first));
        if (universes == savedAt)
            QVERIFY(ReadBytes(first) == now);
        CPlaybackRig again(universes);
        QVERIFY(again.project.OpenProject(first));
        QVERIFY(again.project.SaveProject(second));
        QVERIFY(ReadBytes(first) == ReadBytes(second));
    }

    // The buffer bound counts what the show holds: the masks of the
    // universes its scenes mark, its effect scenes' static channels, its
    // fixtures' beams and their places in subgroups. Two kilobytes short of
    // the bound, New Scene still makes a scene where these take two more,
    // and says why not past them.
    void newScenesStopWhereTheShowHoldsTooMuch_data()
    {
        Columns<int, int, int, bool, bool>("masks", "statics", "beams", "subGroup", "room");
        QTest::newRow("two masks") << 2 << 0 << 0 << false << true;
        QTest::newRow("three masks") << 3 << 0 << 0 << false << false;
        QTest::newRow("static channels of four universes") << 0 << 4 << 0 << false << true;
        QTest::newRow("static channels of five universes") << 0 << 5 << 0 << false << false;
        QTest::newRow("a fixture of 128 beams") << 0 << 0 << 128 << false << true;
        QTest::newRow("and its place in a subgroup") << 0 << 0 << 128 << true << false;
    }
    void newScenesStopWhereTheShowHoldsTooMuch()
    {
        const auto [masks, statics, beams, subGroup, room] =
            Row<int, int, int, bool, bool>("masks", "statics", "beams", "subGroup", "room");
        CPlaybackRig rig(256);
        const int short2k = int(B::kMaxUniverseBufferBytes / B::UniverseBufferBytes(B::kSceneBuffers)) - 2;
        for (int held = 0; held < short2k;) {
            CScene* scene = rig.AddScene(QStringLiteral("S"));
            for (int u = 0; u < 256 && held < short2k; ++u, ++held)
                scene->ActiveMask(u)->Set(7);
        }
        CScene* extra = rig.AddScene(QStringLiteral("X"));
        for (int u = 0; u < masks; ++u)
            extra->ActiveMask(u)->Set(8);
        auto* effect = new CEffectScene(QStringLiteral("E"), 256);
        rig.project.m_effectScenes << effect;
        for (int u = 0; u < statics; ++u)
            effect->AddStaticChannel(u, 3);
        if (beams > 0) {
            CLibraryProfile* profile = rig.RgbProfile();
            for (int b = 0; b < beams; ++b)
                profile->m_beams << CBeamPosition{0, 0};
            CPatchedFixture* fixture = rig.Patch(profile, 0, 0);
            if (subGroup) {
                auto* sub = new CSubGroup;
                sub->m_fixtures << fixture;
                sub->m_beamFlags << QList<bool>();
                rig.project.m_generalGroup->m_subGroups << sub;
            }
        }
        rig.host.calls.clear();
        QCOMPARE(rig.project.AddScene(false) != nullptr, room);
        QCOMPARE(rig.host.calls.contains(QStringLiteral("ShowInformation:%1:%2")
                                             .arg(GetLangText(Txt::Warning), B::BuffersTooLarge())),
                 !room);
    }

    // A level edit storing fixtures of universes the scene marks for the
    // first time asks for their masks too, with room for one more universe
    // and not two.
    void levelEditsAskForTheMasksOfNewUniverses_data()
    {
        Columns<QList<int>, bool>("universes", "room");
        QTest::newRow("a universe it marks already and a new one") << QList<int>{0, 1} << true;
        QTest::newRow("one new universe") << QList<int>{1} << true;
        QTest::newRow("two fixtures of one new universe") << QList<int>{1, 1} << true;
        QTest::newRow("two new universes") << QList<int>{1, 2} << false;
    }
    void levelEditsAskForTheMasksOfNewUniverses()
    {
        const auto [universes, room] = Row<QList<int>, bool>("universes", "room");
        CPlaybackRig rig(256);
        CScene* edited = rig.AddScene(QStringLiteral("X"));
        edited->ActiveMask(0)->Set(7);
        // Two masks short, less the fixtures' beam flags.
        const int short1k = int(B::kMaxUniverseBufferBytes / B::UniverseBufferBytes(B::kSceneBuffers)) - 3;
        for (int held = 0; held < short1k;) {
            CScene* scene = rig.AddScene(QStringLiteral("S"));
            for (int u = 0; u < 256 && held < short1k; ++u, ++held)
                scene->ActiveMask(u)->Set(7);
        }
        CLibraryProfile* dimmer = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
        QList<CPatchedFixture*> fixtures;
        for (int u : universes)
            fixtures << rig.AddFixture(dimmer, u, int(fixtures.size()));
        rig.project.UpdateAfterPatch(false, false);
        rig.host.calls.clear();
        QCOMPARE(B::AskRoomForFixtures(rig.project, *edited, fixtures), room);
        QCOMPARE(rig.host.calls.contains(QStringLiteral("ShowInformation:%1:%2")
                                             .arg(GetLangText(Txt::Warning), B::BuffersTooLarge())),
                 !room);
    }

    // A mark takes a bit: scenes that mark slots of an eighth of the
    // universes the buffers hold open in a fraction of the bytes counted
    // for their masks, which a byte a mark took in full.
    void marksOpenInABitEach()
    {
        CPlaybackRig rig(256);
        for (int u = 0; u < 256; ++u)
            rig.project.GetChannelFixture(u, 0);
        const qint64 counted = B::kMaxUniverseBufferBytes / 8;
        const int scenes = int(counted / (256 * B::UniverseBufferBytes(B::kSceneBuffers)));
        for (int s = 0; s < scenes; ++s) {
            CScene* scene = rig.AddScene(QStringLiteral("S"));
            for (int u = 0; u < 256; ++u)
                scene->ActiveMask(u)->Set((s + u) % 512);
        }
        CPlaybackRig opened(256);
        const qint64 heap = HeapToReopen(rig, opened, "marks.kv3");
        QCOMPARE(B::BufferBytesHeld(opened.project), counted);
        QVERIFY(opened.project.m_pages.first()->m_scenes.last()->IsChannelActive(255, (scenes - 1 + 255) % 512));
        QVERIFY2(heap >= 0 && heap < counted / 4, QByteArray::number(heap));
    }

    // A show's markers are one tree as they are read, of some 60 MB at
    // their capacity: read once the show was built, that tree was held
    // beside the whole of it, the largest part of the open's peak.
    void markersAreReadBeforeTheShow()
    {
        CPlaybackRig rig(1);
        CBoundShow(rig, B::TimeMarkers).Grow(3);
        rig.AddScene(QStringLiteral("S"));
        CPlaybackRig opened(1);
        QList<int> markersAtScenes;
        opened.host.startScenesAsked = [&] { markersAtScenes << opened.project.m_timeLine.m_markers.size(); };
        QVERIFY(HeapToReopen(rig, opened, "markers.kv3") >= 0);
        QVERIFY(!markersAtScenes.isEmpty());
        QCOMPARE(markersAtScenes.count(3), markersAtScenes.size());
    }

    // Elements the save writes out as it goes keep a few bytes each beside
    // their text until the file is made: a mark left in the tree for each
    // of a show's steps or markers, or a copy of its tag, would take the
    // memory of a large show's save past its open.
    void saveKeepsLittleForEachElementWrittenOut_data()
    {
        Columns<int, int>("kind", "count");
        QTest::newRow("steps, within their scenes") << int(B::Steps) << 50000;
        QTest::newRow("timeline markers") << int(B::TimeMarkers) << 50000;
    }
    void saveKeepsLittleForEachElementWrittenOut()
    {
        const auto [kind, count] = Row<int, int>("kind", "count");
        CPlaybackRig rig(1);
        CBoundShow(rig, B::Kind(kind)).Grow(count);
        CProjectFileV3 doc;
        CBackgroundFree::Wait();
        const qint64 heap = HeapInUse();
        doc.WriteProject(rig.project, true);
        const qint64 each = (HeapInUse() - heap) / count;
        QVERIFY2(each > 0 && each < 104, QByteArray::number(each));
    }

    // A show whose scenes really mark many universes is refused by the save
    // in the words the reader would use, the file's by the reader before it
    // makes their masks.
    void saveRefusesScenesPastTheBuffers()
    {
        CPlaybackRig rig(256);
        for (int u = 0; u < 256; ++u)
            rig.project.GetChannelFixture(u, 0);
        const int scenes = int(B::kMaxUniverseBufferBytes / (256 * B::UniverseBufferBytes(B::kSceneBuffers))) + 1;
        for (int s = 0; s < scenes; ++s) {
            CScene* scene = rig.AddScene(QStringLiteral("S"));
            for (int u = 0; u < 256; ++u)
                scene->ActiveMask(u)->Set(s % 512);
        }
        const QString path = m_dir.filePath(QStringLiteral("buffers.kv3"));
        QString error;
        QVERIFY(!rig.project.SaveProject(path, &error));
        QCOMPARE(error, SaveRefusal(path, B::BuffersTooLarge()));
    }
};

ORVANE_TEST(ShowBoundsFileTest)
#include "ShowBoundsFileTest.moc"
