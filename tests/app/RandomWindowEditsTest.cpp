#include "EditedShowRig.h"
#include "TestRegistry.h"

#include "DataTable.h"
#include "ScenesText.h"
#include "ShowReferences.h"
#include "app/DefaultEffects.h"
#include "editors/EditorFactory.h"
#include "editors/EffectsList.h"
#include "effects/GradientEffect.h"
#include "setup/PatchMatrixBlock.h"
#include "show/EffectScene.h"
#include "show/UndoKind.h"
#include "widgets/HTabsWnd.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QtTest>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

// Random edits and playback through the main window: the scene editor's
// operations, the fixtures window's patch and Remove, the page's buttons and
// the file commands, in any order, with the master tick's passes between
// them. A run passes when nothing crashes, the sanitizers report nothing and
// nothing in the show names what the show no longer holds, and the scene
// editor's undo and redo give back each state a step command left.
//
// ORVANE_RANDOM_SEEDS and ORVANE_RANDOM_OPERATIONS set the number of seeds
// and of operations a seed runs (by hand, more; 0 seeds, none);
// ORVANE_RANDOM_SEED runs that seed alone; ORVANE_RANDOM_TRACE=1 prints each
// operation.

namespace {

constexpr int kDefaultSeeds = 40;
constexpr int kOperations = 150;

// A click on the close cross of tab n; false when the bar shows none.
bool ClickClose(CHTabsWnd& tabs, int n)
{
    tabs.UpdateLayout();
    const QRect cross = tabs.CloseButtonRect(n);
    if (!cross.isValid() || !tabs.rect().contains(cross.center()))
        return false;
    QMouseEvent press(QEvent::MouseButtonPress, cross.center(), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&tabs, &press);
    return true;
}

class CRandomWindowRun;
CRandomWindowRun* g_running = nullptr;

class CRandomWindowRun
{
public:
    explicit CRandomWindowRun(quint32 seed)
        : m_seed(seed), m_random(seed), m_trace(qEnvironmentVariableIntValue("ORVANE_RANDOM_TRACE"))
    {
        g_running = this;
        m_path = m_rig.Path(QStringLiteral("random.kv3"));
        m_dialogs.pick = m_path;
        BuildShow();
    }

    ~CRandomWindowRun() { g_running = nullptr; }

    // A sanitizer report ends the program: what the run had done is told first.
    void TellWhereItStands() const
    {
        fprintf(stderr, "random window edits: seed %u, after %d operations, the last: %s\n", m_seed,
                int(m_log.size()), qPrintable(m_log.mid(qMax(0, int(m_log.size()) - 8)).join(QStringLiteral(" | "))));
    }

    // The operations done, one line each; empty when the run held.
    QString Run(int operations)
    {
        for (int i = 0; i < operations; ++i) {
            const SHistoryMark before = MarkHistory();
            const QString done = Step();
            m_log << done;
            if (m_trace)
                qInfo("%d: %s", i, qPrintable(done));
            const QString history = FollowHistory(before, done);
            if (!history.isEmpty())
                return m_log.join(QLatin1Char('\n')) + QStringLiteral("\nundo gave back otherwise:\n") + history;
            // What the event loop would deliver before the operator's next action.
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            m_rig.Tick(Below(3));
            const QStringList stale = StaleReferences(m_rig.Project());
            if (!stale.isEmpty())
                return m_log.join(QLatin1Char('\n')) + QStringLiteral("\nstale: ") + stale.join(QStringLiteral("; "));
            if (!m_reopened.isEmpty())
                return m_log.join(QLatin1Char('\n')) + QStringLiteral("\nreopened otherwise:\n") + m_reopened;
        }
        return QString();
    }

private:
    // The scene editor's history as the run saw it made: per entry, the
    // edited scene as a step command left it, or nothing where the run does
    // not know the entry's state (a run of level stores takes the state where
    // it ends; the patch cleans every state).
    struct SHistoryMark
    {
        CEditSceneWnd* editor = nullptr;
        int count = 0;
        int current = -1;
        const QTableWidgetItem* last = nullptr;
    };
    SHistoryMark MarkHistory()
    {
        if (CEditSceneWnd* shown = m_rig.Editor())
            m_historyEditor = shown;
        CEditSceneWnd* editor = m_historyEditor.data();
        if (!editor || !editor->Scene())
            return {};
        const int count = editor->UndoCount();
        return {editor, count, editor->CurrentUndoIndex(), count ? editor->UndoTable()->item(count - 1, 0) : nullptr};
    }
    // Empty while undo and redo give back what the run knows.
    QString FollowHistory(const SHistoryMark& before, const QString& done)
    {
        const SHistoryMark after = MarkHistory();
        if (!after.editor || after.editor != before.editor || !done.startsWith(QLatin1String("editor"))) {
            m_states = QStringList();
            for (int i = 0; i < after.count; ++i)
                m_states << QString();
            return {};
        }
        const QString now = SceneStateText(*after.editor->Scene());
        // An entry made from an earlier one takes the place of the later
        // ones, perhaps at the address of the last one's row.
        if (after.count != before.count || after.last != before.last || (before.current >= 0 && after.current < 0)) {
            // A change made from an earlier entry drops the later ones; at the
            // history's limit the oldest goes.
            if (before.current >= 0)
                m_states = m_states.mid(0, before.current + 1);
            if (m_states.size() == CEditSceneWnd::kUndoLimit)
                m_states.removeFirst();
            static const QStringList stepCommands{"editor: add step", "editor: delete steps", "editor: cut",
                                                  "editor: paste", "editor: insert effect", "editor: replace effect"};
            m_states << (stepCommands.contains(done) ? now : QString());
            if (m_states.size() != after.count)
                return QStringLiteral("%1 entries, %2 followed").arg(after.count).arg(m_states.size());
        } else if ((done == QLatin1String("editor: undo") || done == QLatin1String("editor: redo"))
                   && after.current >= 0 && !m_states.value(after.current).isEmpty()
                   && m_states.at(after.current) != now) {
            const QStringList expected = m_states.at(after.current).split(QLatin1Char('\n'));
            const QStringList got = now.split(QLatin1Char('\n'));
            return QStringLiteral("entry %1 of %2:\n").arg(after.current).arg(after.count)
                   + FirstDifference(expected, got);
        }
        return {};
    }

    int Below(int n) { return n > 0 ? int(m_random.bounded(quint32(n))) : 0; }
    bool Chance(int percent) { return Below(100) < percent; }
    template <typename T>
    T Pick(const QList<T>& list) { return list.isEmpty() ? T() : list.at(Below(list.size())); }

    CProject& Project() { return m_rig.Project(); }
    CGroup& General() { return *Project().m_generalGroup; }
    QList<CPatchedFixture*> Loose()
    {
        QList<CPatchedFixture*> loose;
        for (CPatchedFixture* fixture : General().m_fixtures)
            if (fixture->m_matrixId < 0)
                loose << fixture;
        return loose;
    }
    QList<CPatchedFixture*> Some(const QList<CPatchedFixture*>& from)
    {
        QList<CPatchedFixture*> some;
        for (CPatchedFixture* fixture : from)
            if (Chance(50))
                some << fixture;
        return some.isEmpty() && !from.isEmpty() ? QList<CPatchedFixture*>{from.first()} : some;
    }
    QList<CScene*> Scenes()
    {
        QList<CScene*> scenes;
        for (CPage* page : Project().m_pages)
            scenes += page->m_scenes;
        return scenes;
    }
    CPage* PageOf(const CScene* scene)
    {
        for (CPage* page : Project().m_pages)
            if (page->m_scenes.contains(const_cast<CScene*>(scene)))
                return page;
        return nullptr;
    }
    int FreeAddress()
    {
        int end = 0;
        for (const CPatchedFixture* fixture : General().m_fixtures)
            end = qMax(end, fixture->m_address + 8);
        return end < 480 ? end : -1;
    }

    void BuildShow()
    {
        const QList<CLibraryProfile*> profiles{m_rig.ColorProfile(), m_rig.ColorProfile()};
        for (int i = 0; i < 4; ++i)
            Project().AddFixture(4 * i, 0, i + 1, -1, QStringLiteral("P%1").arg(i), profiles.at(i % 2), false,
                                 false, nullptr);
        m_rig.PatchMatrix(40, 3);
        Project().m_masks << CMask{QStringLiteral("Half"), {{0, 0, 128}, {0, 1, 128}}};
        m_rig.Fixtures().LoadProject();
        for (int i = 0; i < 3; ++i)
            AddScene();
        m_rig.Select(General().m_fixtures.mid(0, 2));
        AddDefaultEffects(Project(), {profiles.first()}, nullptr);
        m_rig.Pages().ReloadPages();
    }

    QString AddScene()
    {
        const QList<CPatchedFixture*> fixtures = Some(General().m_fixtures);
        CScene* scene = m_rig.AddScene(QStringLiteral("S%1").arg(++m_made), fixtures, quint8(Below(256)));
        for (int k = Below(3); k > 0; --k) {
            auto* step = new CSceneStep(scene, *scene->m_steps.first(), nullptr);
            step->m_fade = 100 * Below(5);
            scene->m_steps << step;
        }
        if (Chance(30) && !General().m_matrices.isEmpty())
            m_rig.ApplyMatrixEffect(scene, Pick(General().m_matrices));
        scene->UpdateLength();
        m_rig.Pages().ReloadPages();
        return QStringLiteral("add scene %1 of %2 fixtures").arg(scene->m_name).arg(fixtures.size());
    }

    // One operation the windows offer in the state they are in.
    QString Step()
    {
        const int mode = m_rig.window->LivePagesMode();
        const int roll = Below(100);
        if (roll < 6)
            return FileCommand();
        if (roll < 14)
            return PatchCommand();
        if (mode == CPagesWnd::SceneEditMode && m_rig.Editor() && m_rig.Editor()->Scene())
            return EditorCommand();
        if (mode == CPagesWnd::EffectsMode) {
            m_rig.Pages().ShownEditor()->Cancel();
            return QStringLiteral("effects window: cancel");
        }
        if (mode != CPagesWnd::PagesMode) {
            CloseAny();
            return QStringLiteral("editor: cancel");
        }
        return PageCommand();
    }

    void CloseAny()
    {
        if (CLiveEditor* editor = m_rig.Pages().ShownEditor())
            editor->Cancel();
    }

    QString FileCommand()
    {
        switch (Below(5)) {
        case 0:
            m_rig.window->OnFileNew();
            return QStringLiteral("file new");
        case 1:
            if (QFileInfo::exists(m_path)) {
                m_rig.window->OnFileOpen();
                return QStringLiteral("file open");
            }
            Q_FALLTHROUGH();
        case 2: {
            // What the file gives back is every scene as it was saved.
            const QStringList saved = ScenesText(Project());
            if (!m_rig.window->SaveProject(m_path))
                return QStringLiteral("save refused");
            m_rig.window->OnFileOpen();
            m_reopened = FirstDifference(saved, ScenesText(Project()));
            return QStringLiteral("save and open");
        }
        default:
            m_rig.window->SaveProject(m_path);
            return QStringLiteral("save");
        }
    }

    QString PatchCommand()
    {
        CFixturesWnd& fixtures = m_rig.Fixtures();
        if (Loose().size() < 3 || General().m_matrices.isEmpty())
            return PatchDialogCommand();
        switch (Below(6)) {
        case 0: {
            const QList<CPatchedFixture*> some = Some(Loose());
            m_rig.Remove(some);
            return QStringLiteral("remove %1 fixtures").arg(some.size());
        }
        case 1:
            m_rig.Remove({}, {Pick(General().m_matrices)});
            return QStringLiteral("remove a matrix");
        case 2: {
            CPatchedFixture* fixture = Pick(Loose());
            // The patch offers only profiles of as many channels.
            QList<CLibraryProfile*> fitting;
            for (CLibraryProfile* profile : Project().m_library)
                if (profile->AnalysedChannelCount() == fixture->Profile()->AnalysedChannelCount())
                    fitting << profile;
            m_rig.ChangeProfile(fixture, Chance(30) ? m_rig.ColorProfile() : Pick(fitting));
            return QStringLiteral("profile of %1").arg(fixture->m_name);
        }
        case 3:
            return PatchDialogCommand();
        case 4:
            if (Project().m_groups.size() > 1) {
                CShownDialogs yes(QMessageBox::Yes);
                if (ClickClose(*fixtures.Tabs(), 1 + Below(int(Project().m_groups.size()) - 1)))
                    return QStringLiteral("close a group");
            }
            m_rig.Select(Some(Loose()));
            fixtures.OnAddToNewGroup();
            return QStringLiteral("new group");
        default:
            m_rig.Remove(Some(General().m_fixtures));
            return QStringLiteral("remove fixtures and members");
        }
    }

    // The patch dialog: a fixture moved to a free address, or a new fixture
    // or matrix patched there.
    QString PatchDialogCommand()
    {
        const int address = FreeAddress();
        if (address < 0)
            return QStringLiteral("no room");
        CFixturesWnd& fixtures = m_rig.Fixtures();
        fixtures.AddFixtures();
        CPatchTab& tab = *fixtures.PatchDialog()->PatchPage();
        CPatchedFixture* moved = Loose().size() >= 3 ? Pick(Loose()) : nullptr;
        QString done = QStringLiteral("patch a fixture");
        if (moved && Chance(50)) {
            for (CPatchBlock* block : tab.m_blocks)
                if (block->m_fixture == moved)
                    block->m_start = address;
            done = QStringLiteral("move a fixture");
        } else if (General().m_matrices.isEmpty() || Chance(20)) {
            CLibraryProfile* profile = m_rig.ColorProfile();
            auto* matrix = new CPatchMatrixBlock(profile, 2, 1);
            matrix->m_id = 50 + ++m_made;
            for (int i = 0; i < 2; ++i) {
                auto* member = new CPatchBlock(profile, 0, address + 4 * i, matrix->m_id);
                tab.SetIdAndName(member, QStringLiteral("M"));
                tab.m_blocks << member;
                matrix->m_members << member;
                matrix->m_cells << QRect(20 * i, 0, 20, 20);
            }
            tab.m_matrixBlocks << matrix;
            done = QStringLiteral("patch a matrix");
        } else {
            auto* block = new CPatchBlock(m_rig.ColorProfile(), 0, address, -1);
            tab.SetIdAndName(block, QStringLiteral("N"));
            tab.m_blocks << block;
        }
        fixtures.PatchDialog()->accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return done;
    }

    QString PageCommand()
    {
        CScene* scene = Pick(Scenes());
        CPage* page = PageOf(scene);
        // Taken now: an operation may delete the scene.
        const QString name = scene ? scene->m_name : QString();
        switch (Below(9)) {
        case 0:
        case 1:
            if (scene && m_rig.Pages().EditScene(page, scene))
                return QStringLiteral("edit ") + name;
            break;
        case 2:
        case 3:
            if (scene) {
                m_rig.Pages().SelectPage(Project().m_pages.indexOf(page));
                m_rig.Pages().PageView()->PressButton(page->m_scenes.indexOf(scene));
                return QStringLiteral("press ") + name;
            }
            break;
        case 4:
            m_rig.window->OnReleaseScenes();
            return QStringLiteral("release scenes");
        case 5:
            if (scene && Chance(50)) {
                CShownDialogs yes(QMessageBox::Yes);
                m_rig.Pages().SelectPage(Project().m_pages.indexOf(page));
                m_rig.Pages().PageView()->DeleteScene(page->m_scenes.indexOf(scene));
                return QStringLiteral("delete ") + name;
            }
            if (Project().m_pages.size() > 1 && Chance(50)) {
                CShownDialogs yes(QMessageBox::Yes);
                if (ClickClose(*m_rig.Pages().PageTabs(), int(Project().m_pages.size()) - 1))
                    return QStringLiteral("close a page");
            }
            Project().AddPage(QStringLiteral("Page"));
            m_rig.Pages().ReloadPages();
            return AddScene();
        case 6:
            return AddScene();
        default:
            if (Chance(50)) {
                m_rig.Action("actionMasks")->trigger();
                return QStringLiteral("masks editor");
            }
            if (CEffectScene* effects = Pick(Project().m_effectScenes)) {
                m_rig.Pages().EditEffectScene(effects);
                return QStringLiteral("effect scene editor");
            }
            break;
        }
        m_rig.Tick(10 + Below(40));
        return QStringLiteral("ticks");
    }

    void SelectRows(CEditSceneWnd& editor)
    {
        QTableWidget* table = editor.StepsTable();
        if (table->rowCount() == 0)
            return;
        table->clearSelection();
        int last = 0;
        for (int r = 0; r < table->rowCount(); ++r) {
            if (Chance(40)) {
                table->selectionModel()->select(table->model()->index(r, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
                last = r;
            }
        }
        table->setCurrentCell(last, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QString EditorCommand()
    {
        CEditSceneWnd& editor = *m_rig.Editor();
        if (editor.IsPlaying()) {
            if (Chance(60)) {
                m_rig.Tick(Below(40));
                return QStringLiteral("editor plays");
            }
            editor.Play();
            return QStringLiteral("editor: stop");
        }
        switch (Below(16)) {
        case 0:
            SelectRows(editor);
            editor.AddStep();
            return QStringLiteral("editor: add step");
        case 1:
            SelectRows(editor);
            editor.DelSteps();
            return QStringLiteral("editor: delete steps");
        case 2:
            SelectRows(editor);
            editor.CopySteps();
            return QStringLiteral("editor: copy");
        case 3:
            SelectRows(editor);
            editor.CutSteps();
            return QStringLiteral("editor: cut");
        case 4:
            SelectRows(editor);
            editor.PasteSteps();
            return QStringLiteral("editor: paste");
        case 5:
            editor.Undo();
            return QStringLiteral("editor: undo");
        case 6:
            editor.Redo();
            return QStringLiteral("editor: redo");
        case 7: {
            SelectRows(editor);
            m_rig.Select(Some(Loose()));
            Project().SetSelectionColor(Below(256), Below(256), Below(256), 0, false);
            return QStringLiteral("editor: store a colour");
        }
        case 8:
            SelectRows(editor);
            m_rig.window->ApplyMaskToEditedScene(Below(int(Project().m_masks.size()) + 1));
            return QStringLiteral("editor: mask");
        case 9:
            return ApplyEffect(editor);
        case 10:
            editor.Play();
            return QStringLiteral("editor: play");
        case 11:
            if (editor.EffectList()->count() > 0) {
                editor.OnSelEffectChanged(editor.EffectList()->item(Below(editor.EffectList()->count())));
                return QStringLiteral("editor: effects window");
            }
            break;
        case 12:
            editor.OnOk();
            return QStringLiteral("editor: OK");
        case 13: {
            CShownDialogs answer(Chance(50) ? QMessageBox::Yes : QMessageBox::No);
            editor.OnCancel();
            return QStringLiteral("editor: cancel");
        }
        default:
            break;
        }
        m_rig.Tick(Below(10));
        return QStringLiteral("editor ticks");
    }

    // What the effects window's OK writes: an effect on the selection, after
    // the current row or in place of its effect row.
    QString ApplyEffect(CEditSceneWnd& editor)
    {
        SelectRows(editor);
        CScene* scene = editor.Scene();
        CEffect* effect = nullptr;
        if (Chance(40) && !General().m_matrices.isEmpty()) {
            CFixtureMatrix* matrix = Pick(General().m_matrices);
            m_rig.Select(matrix->Members());
            Project().m_currentGroup->m_selectedMatrices = {matrix};
            effect = new CMatrixAnimEffect(matrix, 40);
        } else {
            m_rig.Select(Some(Loose()));
            auto* gradient = new CGradientEffect(400 + 200 * Below(4));
            gradient->m_gradType = Below(2);
            effect = gradient;
        }
        const bool replace = scene->m_currentStep && scene->m_currentStep->m_effect && Chance(50);
        Project().BindEffectToSelection(effect, false, false);
        Project().m_effectEngine.SetEffect(effect);
        // As the effects window tells the editor before it applies.
        editor.StepCommandComing(scene);
        if (Project().ApplyEffect(scene, replace, -1, -1, -1))
            editor.PushUndo(UndoNewEffect, QStringLiteral("Effect"));
        editor.FillStepsTable();
        editor.UpdateDuration();
        return replace ? QStringLiteral("editor: replace effect") : QStringLiteral("editor: insert effect");
    }

    CEditedShowRig m_rig;
    QPointer<CEditSceneWnd> m_historyEditor;
    QStringList m_states;
    const quint32 m_seed;
    QRandomGenerator m_random;
    const bool m_trace;
    QString m_path;
    QStringList m_log;
    QString m_reopened; // where the last save and open differ, or empty
    int m_made = 0;
    // Every question no operation answers itself is answered No (a save
    // question among them); every file dialog picks the project saved by the run.
    CShownDialogs m_dialogs{QMessageBox::No};
};

} // namespace

class RandomWindowEditsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_set_death_callback([] {
            if (g_running)
                g_running->TellWhereItStands();
        });
#endif
    }

    void editsAndPlayback_data()
    {
        Columns<quint32>("seed");
        const int only = qEnvironmentVariableIntValue("ORVANE_RANDOM_SEED");
        const int seeds = qEnvironmentVariableIsSet("ORVANE_RANDOM_SEEDS")
                              ? qEnvironmentVariableIntValue("ORVANE_RANDOM_SEEDS")
                              : kDefaultSeeds;
        if (only <= 0 && seeds <= 0)
            QTest::newRow("no seeds") << quint32(0);
        for (int seed = only > 0 ? only : 1; seed <= (only > 0 ? only : seeds); ++seed)
            QTest::addRow("seed %d", seed) << quint32(seed);
    }
    void editsAndPlayback()
    {
        const auto [seed] = Row<quint32>("seed");
        if (seed == 0)
            QSKIP("no seeds asked for");
        const int operations = qEnvironmentVariableIntValue("ORVANE_RANDOM_OPERATIONS");
        CRandomWindowRun run(seed);
        const QString failed = run.Run(operations > 0 ? operations : kOperations);
        if (!failed.isEmpty())
            fprintf(stderr, "%s\n", qPrintable(failed));
        QVERIFY2(failed.isEmpty(), qPrintable(failed.section(QLatin1Char('\n'), -3)));
    }
};

ORVANE_TEST(RandomWindowEditsTest)
#include "RandomWindowEditsTest.moc"
