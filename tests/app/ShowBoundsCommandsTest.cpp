#include "DataTable.h"
#include "MaskSlots.h"
#include "RecordingHost.h"
#include "ShowAtBound.h"
#include "ShownDialogs.h"
#include "TestRegistry.h"
#include "WindowRig.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "app/DefaultEffects.h"
#include "app/DmxRecorder.h"
#include "effects/GradientEffect.h"
#include "editors/EditSceneWnd.h"
#include "effects/CurveEffect.h"
#include "layout/FixturesWnd.h"
#include "live/FadingWnd.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "model/Language.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"
#include "widgets/HTabsWnd.h"
#include "Captions.h"

#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>

// Every command that grows a show asks first whether the show has room: at
// the bound it says so in the user's words and changes nothing, so that
// whatever the program lets a user make it also saves and opens again.
// Nothing here starts Art-Net.

namespace {

// The main window over a show of `universes`, with scene T (one step on one
// fixture) on the first page, and a fixture T does not drive that the one
// mask sets.
struct CBoundsRig : CWindowRigBase
{
    explicit CBoundsRig(int universes)
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup), QStringLiteral("NbUniverses=%1\n").arg(universes).toUtf8());
        auto* profile = new CLibraryProfile;
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        profile->UpdateRoles();
        Project().m_library << profile;
        fixture = new CPatchedFixture(0, 0, 1, -1, QStringLiteral("F"), profile, false, false, 0);
        fixture->AddPosition(10, 10);
        Project().m_generalGroup->AddFixture(fixture);
        other = new CPatchedFixture(10, 0, 2, -1, QStringLiteral("O"), profile, false, false, 0);
        other->AddPosition(30, 10);
        Project().m_generalGroup->AddFixture(other);
        Project().m_masks << CMask{QStringLiteral("M"), {CChannelLevel{0, 10, 200}}};
        Project().UpdateAfterPatch(true, false);
        t = new CScene(QStringLiteral("T"), Project().UniverseCount());
        auto* step = new CSceneStep(0, 1000);
        step->AddEntry(new CStepFixture(fixture, t));
        t->m_steps << step;
        Project().m_firstPage->m_scenes << t;
        Pages().ReloadPages();
    }

    CProject& Project() { return window->Project(); }
    CPagesWnd& Pages() { return *window->LivePages(); }
    CTimeLineCtrl& TimeLine() { return window->TimeLinePanel()->Control(); }
    CEditSceneWnd* EditT()
    {
        return Pages().EditScene(Project().m_firstPage, t) ? dynamic_cast<CEditSceneWnd*>(Pages().ShownEditor())
                                                           : nullptr;
    }

    // T's editor with its steps selected, as a level edit finds it.
    CEditSceneWnd* EditTSelected()
    {
        CEditSceneWnd* editor = EditT();
        editor->Scene()->m_selection = editor->Scene()->m_steps;
        return editor;
    }

    CPatchedFixture* fixture = nullptr;
    CPatchedFixture* other = nullptr;
    CScene* t = nullptr;
};

// A curve over T's fixture, applied after T's step; true when it was.
bool CurveApplied(CBoundsRig& rig)
{
    CProject& project = rig.Project();
    rig.EditT();
    project.m_currentGroup->m_selectedFixtures = {rig.fixture};
    auto* effect = new CCurveEffect(1000);
    effect->SetChannelsFromProfile(rig.fixture->Profile(), false);
    project.BindEffectToSelection(effect, false, true);
    project.m_effectEngine.SetEffect(effect);
    return project.ApplyEffect(project.m_editedScene, false, -1, -1, -1);
}

void ApplyCurve(CBoundsRig& rig)
{
    QVERIFY(!CurveApplied(rig));
}

// T's steps copied and pasted after themselves.
void PasteT(CBoundsRig& rig)
{
    CEditSceneWnd* editor = rig.EditTSelected();
    editor->ToolButton(CEditSceneWnd::ToolCopy)->click();
    editor->ToolButton(CEditSceneWnd::ToolPaste)->click();
}

struct SCommand
{
    CShowBounds::Kind kind;
    int universes;
    std::function<void(CBoundsRig&)> run;
};

using Kind = CShowBounds::Kind;

const QMap<QString, SCommand>& Commands()
{
    static const QMap<QString, SCommand> commands = {
        {"new page", {Kind::Pages, 1, [](CBoundsRig& rig) { emit rig.Pages().PageView()->newPageRequested(); }}},
        {"new page tab",
         {Kind::Pages, 1,
          [](CBoundsRig& rig) {
              CHTabsWnd* tabs = rig.Pages().findChild<CHTabsWnd*>();
              QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->AddButtonRect().center());
          }}},
        {"new scene", {Kind::Scenes, 256, [](CBoundsRig& rig) { rig.Pages().PageView()->NewScene(); }}},
        {"new effect scene",
         {Kind::Scenes, 256,
          [](CBoundsRig& rig) {
              rig.Pages().ShowEffectsTab();
              rig.Pages().PageView()->NewScene();
          }}},
        {"scene copied", {Kind::Scenes, 256, [](CBoundsRig& rig) { rig.Pages().PageView()->CopyScene(0); }}},
        {"new group", {Kind::Groups, 1, [](CBoundsRig& rig) { rig.window->FixturesWindow()->OnAddToNewGroup(); }}},
        {"new group tab",
         {Kind::Groups, 1,
          [](CBoundsRig& rig) {
              // Refused before the bar measures a tab.
              CHTabsWnd* tabs = rig.window->FixturesWindow()->findChild<CHTabsWnd*>();
              const qint64 measured = tabs->WidthsMeasured();
              QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->AddButtonRect().center());
              QCOMPARE(tabs->WidthsMeasured(), measured);
          }}},
        {"new group of the selection",
         {Kind::GroupMembers, 1,
          [](CBoundsRig& rig) {
              rig.Project().m_generalGroup->m_selectedFixtures = {rig.fixture};
              rig.window->FixturesWindow()->OnAddToNewGroup();
          }}},
        {"selection added to a group",
         {Kind::GroupMembers, 1,
          [](CBoundsRig& rig) {
              rig.Project().m_generalGroup->m_selectedFixtures = {rig.fixture};
              rig.window->FixturesWindow()->OnAddToGroup(1);
          }}},
        {"new mask", {Kind::Masks, 1, [](CBoundsRig& rig) { rig.window->AddMask(); }}},
        {"new crossfade button",
         {Kind::FadingButtons, 1, [](CBoundsRig& rig) { rig.window->FadingPanel()->StoreButton()->click(); }}},
        {"new timeline line", {Kind::TimeLines, 1, [](CBoundsRig& rig) { rig.TimeLine().InsertLine(0); }}},
        {"new timeline block",
         {Kind::TimeBlocks, 1,
          [](CBoundsRig& rig) {
              rig.TimeLine().AddSceneBlock(rig.Project().m_firstPage, rig.t, rig.TimeLine().SceneLine(0), 0);
          }}},
        {"new timeline marker", {Kind::TimeMarkers, 1, [](CBoundsRig& rig) { rig.TimeLine().AddMarkerAt(0); }}},
        {"step added",
         {Kind::Steps, 1, [](CBoundsRig& rig) { rig.EditT()->ToolButton(CEditSceneWnd::ToolAdd)->click(); }}},
        {"steps pasted", {Kind::Steps, 1, PasteT}},
        {"effect row applied", {Kind::Steps, 1, ApplyCurve}},
        {"effect row applied at the generated entries", {Kind::GeneratedEntries, 1, ApplyCurve}},
        {"effect row applied at the effect selections", {Kind::EffectFixtures, 1, ApplyCurve}},
        {"steps pasted at the effect selections", {Kind::EffectFixtures, 1, PasteT}},
        {"scene copied at the effect selections",
         {Kind::EffectFixtures, 1, [](CBoundsRig& rig) { rig.Pages().PageView()->CopyScene(0); }}},
        // Step commands at the entry bound, with room for steps.
        {"step added at the entries",
         {Kind::StepEntries, 1, [](CBoundsRig& rig) { rig.EditT()->ToolButton(CEditSceneWnd::ToolAdd)->click(); }}},
        {"steps pasted at the entries", {Kind::StepEntries, 1, PasteT}},
        {"scene copied at the steps", {Kind::Steps, 1, [](CBoundsRig& rig) { rig.Pages().PageView()->CopyScene(0); }}},
        {"scene copied at the entries",
         {Kind::StepEntries, 1, [](CBoundsRig& rig) { rig.Pages().PageView()->CopyScene(0); }}},
        // Level edits that store a fixture new to T, which every step of T
        // then drives.
        {"live levels copied",
         {Kind::StepEntries, 1,
          [](CBoundsRig& rig) { rig.EditTSelected()->ToolButton(CEditSceneWnd::ToolCopyLive)->click(); }}},
        {"mask applied",
         {Kind::StepEntries, 1,
          [](CBoundsRig& rig) { QMetaObject::invokeMethod(rig.EditTSelected(), "OnMaskChanged", Q_ARG(int, 0)); }}},
        {"fader moved",
         {Kind::StepEntries, 1,
          [](CBoundsRig& rig) {
              rig.EditTSelected();
              rig.Project().SetFixtureChannelLevel(rig.other, 0, 200);
          }}},
        {"fixture colour picked",
         {Kind::StepEntries, 1,
          [](CBoundsRig& rig) {
              rig.EditTSelected();
              rig.Project().SetFixtureColor(rig.other, 0, 200, 0, 0, 0);
          }}},
        {"selection colour set",
         {Kind::StepEntries, 1,
          [](CBoundsRig& rig) {
              rig.EditTSelected();
              rig.Project().m_currentGroup->m_selectedFixtures = {rig.other};
              rig.Project().SetSelectionColor(200, 0, 0, 0, false);
          }}},
        {"default levels",
         {Kind::StepEntries, 1,
          [](CBoundsRig& rig) {
              rig.EditTSelected();
              rig.Project().m_currentGroup->m_selectedFixtures = {rig.other};
              rig.Project().DefaultLevels();
          }}},
    };
    return commands;
}

// What the show holds of every kind, the channels T marks, and whether the
// window has marked the show.
QString Counts(CBoundsRig& rig)
{
    QStringList counts;
    for (int kind = 0; kind < CShowBounds::KindCount; ++kind)
        counts << QString::number(CShowBounds::Held(rig.Project(), Kind(kind)));
    counts << QString::number(CShowBounds::BufferBytesHeld(rig.Project()));
    counts << QString::number(MaskSlots(qAsConst(*rig.t).ActiveMask(0), 0, kSlotsPerUniverse).count(1));
    return counts.join(QLatin1Char(' ')) + (rig.window->IsModified() ? QStringLiteral(" *") : QString());
}

// What the scene editor's history holds before the show fills up: the
// steps removed, a step added and taken back, a step added.
enum EHistory { Removed, Redone, Added };

} // namespace

class ShowBoundsCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void aCommandAtTheBoundSaysSoAndChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        for (const QString& name : Commands().keys())
            QTest::newRow(qPrintable(name)) << name;
    }
    void aCommandAtTheBoundSaysSoAndChangesNothing()
    {
        QFETCH(QString, command);
        const SCommand& row = Commands()[command];
        CBoundsRig rig(row.universes);
        CProject& project = rig.Project();
        FillToBound(project, row.kind, 0, rig.t);
        if (row.kind == Kind::Pages)
            rig.Pages().ReloadPages();
        rig.window->FixturesWindow()->LoadProject();
        const QString before = Counts(rig);
        QVERIFY(!before.endsWith(QLatin1Char('*')));

        CShownDialogs dialogs(QMessageBox::Ok);
        row.run(rig);

        const bool buffers = CShowBounds::Held(project, row.kind) < CShowBounds::Bound(row.kind);
        const QString words = buffers ? CShowBounds::BuffersTooLarge()
                                      : CShowBounds::ShowHoldsTooMany(row.kind);
        QCOMPARE(dialogs.shown, QStringList{words});
        QCOMPARE(rig.window->statusBar()->currentMessage(), words);
        QCOMPARE(Counts(rig), before);
        // The tab bars show what the show holds, no more.
        QCOMPARE(rig.Pages().findChild<CHTabsWnd*>()->m_tabNames.size(), project.m_pages.size());
        QCOMPARE(rig.window->FixturesWindow()->findChild<CHTabsWnd*>()->m_tabNames.size(), project.m_groups.size());
        // The editor's history holds its opening only.
        if (auto* editor = dynamic_cast<CEditSceneWnd*>(rig.Pages().ShownEditor()))
            QCOMPARE(editor->UndoTable()->rowCount(), 1);
    }

    // Undo and Redo in the scene editor put back a state of the scene: when
    // the show has filled the room it left since, they say so and change
    // nothing, and once there is room again the same click puts it back. A
    // state that holds no more than the scene goes back at the bound.
    void anUndoPastTheRoomLeftSaysSoAndChangesNothing_data()
    {
        Columns<int, bool, int, bool>("kind", "row", "history", "refused");
        QTest::newRow("a step undone at the steps") << int(Kind::Steps) << false << int(Removed) << true;
        QTest::newRow("an entry undone at the entries") << int(Kind::StepEntries) << false << int(Removed) << true;
        QTest::newRow("a row undone at the generated entries")
            << int(Kind::GeneratedEntries) << true << int(Removed) << true;
        QTest::newRow("a row undone at the effect selections")
            << int(Kind::EffectFixtures) << true << int(Removed) << true;
        QTest::newRow("a step redone at the steps") << int(Kind::Steps) << false << int(Redone) << true;
        QTest::newRow("a new step undone at the steps") << int(Kind::Steps) << false << int(Added) << false;
        QTest::newRow("a new step undone at the entries") << int(Kind::StepEntries) << false << int(Added) << false;
        QTest::newRow("a new step undone at the effect selections")
            << int(Kind::EffectFixtures) << true << int(Added) << false;
        QTest::newRow("a new step undone at the generated entries")
            << int(Kind::GeneratedEntries) << true << int(Added) << false;
    }
    void anUndoPastTheRoomLeftSaysSoAndChangesNothing()
    {
        const auto [kindIndex, row, history, refused] = Row<int, bool, int, bool>("kind", "row", "history", "refused");
        const Kind kind = Kind(kindIndex);
        CBoundsRig rig(1);
        CEditSceneWnd* editor = rig.EditT();
        if (row) {
            // The history keeps the row with the next step command.
            QVERIFY(CurveApplied(rig));
            QCOMPARE(rig.Pages().ShownEditor(), editor);
            editor->ToolButton(CEditSceneWnd::ToolAdd)->click();
        }
        const int steps = editor->Scene()->m_steps.size();
        if (history == Removed) {
            editor->Scene()->m_selection = editor->Scene()->m_steps;
            editor->ToolButton(CEditSceneWnd::ToolRemove)->click();
            QCOMPARE(editor->Scene()->m_steps.size(), 0);
        } else {
            editor->ToolButton(CEditSceneWnd::ToolAdd)->click();
            if (history == Redone)
                editor->ToolButton(CEditSceneWnd::ToolUndo)->click();
        }
        FillToBound(rig.Project(), kind);
        rig.t = editor->Scene();
        const auto state = [&] {
            const QTableWidget* undo = editor->UndoTable();
            return Counts(rig) + QStringLiteral(", entry %1, %2 selected").arg(undo->currentRow()).arg(undo->selectedItems().size());
        };
        const QString before = state();
        QToolButton* again = editor->ToolButton(history == Redone ? CEditSceneWnd::ToolRedo : CEditSceneWnd::ToolUndo);
        const int wanted = history == Redone ? steps + 1 : steps;
        {
            CShownDialogs dialogs(QMessageBox::Ok);
            again->click();
            QCOMPARE(dialogs.shown, refused ? QStringList{CShowBounds::ShowHoldsTooMany(kind)} : QStringList());
        }
        if (refused) {
            QCOMPARE(state(), before);
            delete rig.Project().m_firstPage->m_scenes.takeLast(); // the filler
            rig.Pages().ReloadPages();
            again->click();
        }
        QCOMPARE(editor->Scene()->m_steps.size(), wanted);
        QVERIFY(CShowBounds::HoldsWithin(rig.Project()));
    }

    // The group tab "+" after opening a show of many groups: the new tab
    // comes last, current and in sight, in work in proportion to the tabs.
    void theGroupTabAddsAfterManyGroupsInOneLayout()
    {
        CBoundsRig rig(1);
        for (int g = 0; g < 1000; ++g)
            rig.Project().m_groups << new CGroup(QStringLiteral("G%1").arg(g));
        rig.window->FixturesWindow()->LoadProject();
        CHTabsWnd* tabs = rig.window->FixturesWindow()->findChild<CHTabsWnd*>();
        const qint64 measured = tabs->WidthsMeasured();
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->AddButtonRect().center());
        QCOMPARE(rig.Project().m_groups.size(), 1002);
        QCOMPARE(tabs->TabCount(), 1002);
        QCOMPARE(tabs->m_current, 1001);
        QCOMPARE(rig.Project().CurrentGroupIndex(), 1001);
        QVERIFY(tabs->m_tabRects[1001].left() >= 0);
        QVERIFY(tabs->FirstVisibleTab() > 0);
        QVERIFY(tabs->WidthsMeasured() - measured <= 8 * 1002);
        QVERIFY(rig.window->IsModified());
    }

    // The recorder stops where the show, with the recording pasted into the
    // scene edited, would pass the bound; what it recorded stays.
    void theRecorderStopsAtTheBoundAndKeepsWhatItRecorded_data()
    {
        QTest::addColumn<int>("into");
        QTest::newRow("into an empty scene") << 0;
        QTest::newRow("into a scene of two steps") << 2;
    }
    void theRecorderStopsAtTheBoundAndKeepsWhatItRecorded()
    {
        QFETCH(int, into);
        CRecordingHost host;
        CProject project;
        project.NewProject(1);
        auto* edited = new CScene(QStringLiteral("T"), 1);
        for (int i = 0; i < into; ++i)
            edited->m_steps << new CSceneStep(0, 1000);
        project.m_firstPage->m_scenes << edited;
        FillToBound(project, Kind::Steps, 5);
        project.m_recordScene = new CScene(QStringLiteral("DMX Record"), 1);
        CDmxRecorder recorder;
        recorder.Start(project, CRecordConfig{25, false, false, false, 60, false, 0}, {0}, edited);
        int samples = 0;
        bool going = true;
        for (; going && samples < 20; ++samples) {
            project.m_dmxInput[0][0] = quint8(samples + 1);
            going = recorder.Tick(project, 25);
        }
        QCOMPARE(samples, 6);
        QCOMPARE(project.m_recordScene->m_steps.size(), 5);
        Kind full = Kind::KindCount;
        QVERIFY(recorder.StoppedAtBound(&full));
        QCOMPARE(full, Kind::Steps);
        QVERIFY(!recorder.Tick(project, 25));
    }

    // The recorder counts what pasting its steps into the edited scene adds
    // (the fixtures of the scene's first step in every recorded step, the
    // recorded fixtures in every step of the scene), and stops with the
    // last step that the paste admits. A step dropped at the bound takes
    // the entries its new channels gave the steps before it.
    void theRecorderStopsWhereItsPasteStillFits_data()
    {
        // The scene's steps and the raw channels each drives, the channels
        // the first sample drives, whether each sample drives one more,
        // and the steps kept with room for 50 entries.
        Columns<int, int, int, bool, int>("intoSteps", "intoChannels", "channels", "growing", "kept");
        QTest::newRow("into an empty scene") << 0 << 0 << 4 << false << 12;
        QTest::newRow("into steps of other channels") << 3 << 5 << 4 << false << 4;
        QTest::newRow("a new channel every sample") << 1 << 2 << 1 << true << 5;
    }
    void theRecorderStopsWhereItsPasteStillFits()
    {
        const auto [intoSteps, intoChannels, channels, growing, kept] =
            Row<int, int, int, bool, int>("intoSteps", "intoChannels", "channels", "growing", "kept");
        // Recorded on universe 0; the scene's and the filler's channels are
        // of universe 1, which the recording does not capture.
        CRecordingHost host;
        CProject project;
        project.NewProject(2);
        auto* edited = new CScene(QStringLiteral("T"), 2);
        for (int i = 0; i < intoSteps; ++i) {
            edited->m_steps << new CSceneStep(0, 1000);
            for (int c = 0; c < intoChannels; ++c)
                edited->m_steps.last()->AddEntry(new CStepFixture(project.GetChannelFixture(1, 100 + c), edited));
        }
        project.m_firstPage->m_scenes << edited;
        FillToBound(project, Kind::StepEntries, 50);
        project.m_recordScene = new CScene(QStringLiteral("DMX Record"), 2);
        CDmxRecorder recorder;
        recorder.Start(project, CRecordConfig{25, false, false, false, 60, false, 0}, {0}, edited);
        for (int sample = 0; sample < 50 && recorder.Tick(project, 25); ++sample) {
            for (int c = 0; c < channels + (growing ? sample + 1 : 0); ++c)
                project.m_dmxInput[0][c] = quint8(sample + 1);
        }
        Kind full = Kind::KindCount;
        QVERIFY(recorder.StoppedAtBound(&full));
        QCOMPARE(full, Kind::StepEntries);
        const CScene& recorded = *project.m_recordScene;
        QCOMPARE(recorded.m_steps.size(), kept);
        // The first sample, of an input still at 0, drives nothing; growing,
        // the n-th kept step drives n channels, and every step those.
        for (const CSceneStep* step : recorded.m_steps)
            QCOMPARE(step->EntryCount(), growing ? kept : channels);

        // Pasted as the editor pastes it, the show still holds within every bound.
        edited->PasteSteps(intoSteps, recorded.m_steps);
        QVERIFY(CShowBounds::HoldsWithin(project));
    }

    // Default effects come all or none: with room for one of two, none.
    void defaultEffectsNeedRoomForAll_data()
    {
        Columns<int, int>("room", "added");
        QTest::newRow("room for one of two") << 1 << 0;
        QTest::newRow("room for both") << 2 << 2;
    }
    void defaultEffectsNeedRoomForAll()
    {
        const auto [room, added] = Row<int, int>("room", "added");
        CRecordingHost host;
        CProject project;
        project.NewProject(1);
        FillToBound(project, Kind::Scenes, room);
        std::vector<SDefaultEffect> effects;
        for (int i = 0; i < 2; ++i)
            effects.push_back({std::make_unique<CGradientEffect>(1000), QStringLiteral("E"), Txt::EdSequencer});
        QCOMPARE(AddDefaultEffects(project, std::move(effects)).size(), added);
        QCOMPARE(CShowBounds::Held(project, Kind::Scenes), CShowBounds::Bound(Kind::Scenes) - room + added);
    }

    // A show grown to the bound by the commands saves and opens again.
    void aShowGrownToTheBoundSavesAndOpensAgain()
    {
        CRecordingHost host;
        CProject project;
        project.NewProject(1);
        while (project.AddPage(QStringLiteral("P")))
            ;
        QCOMPARE(CShowBounds::Held(project, Kind::Pages), CShowBounds::Bound(Kind::Pages));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("full.kv3"));
        QString error;
        QVERIFY2(project.SaveProject(path, &error), qPrintable(error));
        CProject opened;
        QVERIFY(opened.OpenProject(path));
        QCOMPARE(CShowBounds::Held(opened, Kind::Pages), CShowBounds::Bound(Kind::Pages));
    }
};

ORVANE_TEST(ShowBoundsCommandsTest)
#include "ShowBoundsCommandsTest.moc"
