#include "EditedShowRig.h"
#include "TestRegistry.h"

#include "DataTable.h"
#include "ScenesText.h"
#include "ShowAtBound.h"
#include "editors/CurveEffectWnd.h"
#include "editors/EffectsWnd.h"
#include "show/StepFixture.h"
#include "show/UndoKind.h"
#include "widgets/ZKTimeEdit.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QtTest>

#include <functional>

// The scene editor's history of step commands made in the main window (an
// effect row applied in the effects window, steps added, pasted, cut and
// deleted): undo and redo give back each state exactly, and an entry costs
// what its command changed, not what the scene already holds.

namespace {

// The main window with dimmers D1 to D3 and scene S on the first page, its
// hand-made steps driving the fixtures numbered in `steps` ("1 12": a step
// on D1, then one on D1 and D2), opened in the scene editor.
struct CHistoryRig : CEditedShowRig
{
    explicit CHistoryRig(const QString& steps)
    {
        for (int i = 0; i < 3; ++i)
            dimmers << Patch(10 * i, false, QPoint(10 + 20 * i, 10));
        Project().UpdateAfterPatch(true, false);
        Fixtures().LoadProject();
        scene = new CScene(QStringLiteral("S"), Project().UniverseCount());
        int level = 10;
        for (const QString& fixtures : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            auto* step = new CSceneStep(0, 1000);
            for (const QChar digit : fixtures) {
                auto* entry = new CStepFixture(dimmers.at(digit.digitValue() - 1), scene);
                entry->SetLevel(0, quint8(level++), true, false);
                step->AddEntry(entry);
            }
            scene->m_steps << step;
        }
        scene->UpdateLength();
        Project().m_firstPage->m_scenes << scene;
        Pages().ReloadPages();
        editor = Edit(scene);
    }

    // The edited scene as undo must give it back.
    QString State() { return SceneStateText(*editor->Scene()); }

    void SelectRow(int row)
    {
        QTableWidget* table = editor->StepsTable();
        table->clearSelection();
        table->setCurrentCell(row, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // A curve on the dimmers numbered in `fixtures`, made in the effects
    // window and applied with OK: a new row after the current one, or with
    // `edit` the current row made again, `seconds` long.
    void ApplyCurve(const QString& fixtures, bool edit, int seconds)
    {
        // As the layout view selects: every beam of the fixtures numbered.
        CGroup* group = Project().m_currentGroup;
        group->m_selectedFixtures.clear();
        for (int i = 0; i < dimmers.size(); ++i) {
            const bool selected = fixtures.contains(QChar('1' + i));
            for (bool& flag : dimmers.at(i)->BeamFlags())
                flag = selected;
            if (selected)
                group->m_selectedFixtures << dimmers.at(i);
        }
        Project().SelectionChanged();
        Pages().OnEditEffect(eEffectCurve, edit);
        auto* effects = dynamic_cast<CEffectsWnd*>(Pages().ShownEditor());
        auto* page = effects ? qobject_cast<CCurveEffectWnd*>(effects->Page()) : nullptr;
        QVERIFY(page && page->Table()->rowCount() > 0);
        if (!edit)
            qobject_cast<QCheckBox*>(page->Table()->cellWidget(0, 1))->setChecked(true);
        page->TimeEdit()->Seconds()->setValue(seconds);
        effects->OnOk();
        QCOMPARE(Pages().ShownEditor(), static_cast<CLiveEditor*>(editor));
    }

    // One command of a script: "apply:12" a curve on D1 and D2, "edit:12"
    // the current row made again on them, "row:N" the current row, "add",
    // "copy", "paste", "cut", "delete"; "stored:N" a level of step N stored
    // as the level panels store it, "level:N" as a store made while the
    // effects window is open changes it, without a word to the editor;
    // "refused" a row the show then refuses, "cell:N" a time typed in row N,
    // "fade" the current step's fade field edited, "play" the editor's Play.
    void Run(const QString& command)
    {
        const QString what = command.section(QLatin1Char(':'), 0, 0);
        const QString arg = command.section(QLatin1Char(':'), 1);
        const auto setLevel = [&] {
            editor->Scene()->m_steps.at(arg.toInt())->m_entries.first()->SetLevel(0, quint8(200 + ++seconds), true,
                                                                                  false);
        };
        const QHash<QString, std::function<void()>> commands{
            {"apply", [&] { ApplyCurve(arg, false, 2 + seconds++); }},
            {"edit", [&] { ApplyCurve(arg, true, 2 + seconds++); }},
            {"row", [&] { SelectRow(arg.toInt()); }},
            {"add", [&] { editor->AddStep(); }},
            {"copy", [&] { editor->CopySteps(); }},
            {"paste", [&] { editor->PasteSteps(); }},
            {"cut", [&] { editor->CutSteps(); }},
            {"delete", [&] { editor->DelSteps(); }},
            {"level", setLevel},
            {"stored", [&] { setLevel(), editor->PushUndo(UndoColor, QStringLiteral("Color")); }},
            {"refused", [&] { editor->StepCommandComing(editor->Scene()); }},
            {"cell", [&] { editor->OnCelStepChanged(arg.toInt(), 0); }},
            {"fade", [&] { editor->OnTimeFadeChanged(QTime(0, 0).addMSecs(480)); }},
            {"play", [&] { editor->Play(); }},
        };
        QVERIFY2(commands.contains(what), qPrintable(command));
        commands.value(what)();
    }

    QList<CPatchedFixture*> dimmers;
    CScene* scene = nullptr;
    CEditSceneWnd* editor = nullptr;
    int seconds = 0;
};

} // namespace

class StepHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    // Each command of the script makes an entry; undone one by one back to
    // the scene as opened and redone to the end, twice, every state comes
    // back as the command left it.
    void undoAndRedoGiveBackEveryState_data()
    {
        Columns<QString, QString>("steps", "script");
        QTest::newRow("a row into an empty scene") << "" << "apply:12";
        QTest::newRow("a row between hand-made steps") << "12 12 12" << "row:0 apply:12";
        QTest::newRow("a row on fixtures the steps lack") << "1 1" << "row:0 apply:23";
        QTest::newRow("rows before and after a row") << "12" << "apply:12 row:0 apply:2 row:2 apply:13";
        QTest::newRow("a row replacing an edited row") << "1" << "apply:12 row:1 edit:12 row:1 edit:3";
        QTest::newRow("a level changed unannounced before a row") << "12 12" << "row:0 apply:1 level:0 row:2 apply:2";
        QTest::newRow("a run of level stores before a row") << "12 12" << "stored:0 stored:1 row:0 apply:2";
        QTest::newRow("a fade edited before a step added") << "12 12" << "row:0 fade add";
        QTest::newRow("a refused row, then a time typed") << "12 12" << "refused level:0 cell:0";
        QTest::newRow("a refused row, then a row while playing") << "12 12" << "refused level:0 play apply:1 play";
        QTest::newRow("steps added and pasted around rows")
            << "12" << "apply:1 row:1 add row:1 copy row:0 paste row:3 cut row:0 delete apply:23";
    }
    void undoAndRedoGiveBackEveryState()
    {
        const auto [steps, script] = Row<QString, QString>("steps", "script");
        CHistoryRig rig(steps);
        QVERIFY(rig.editor);
        QStringList states{rig.State()};
        for (const QString& command : script.split(QLatin1Char(' '))) {
            const int entries = rig.editor->UndoCount();
            rig.Run(command);
            if (QTest::currentTestFailed())
                return;
            // A run of stores is one entry, which holds where the run ends.
            if (rig.editor->UndoCount() > entries)
                states << rig.State();
            else if (command.startsWith(QLatin1String("stored")))
                states.last() = rig.State();
        }
        QCOMPARE(rig.editor->UndoCount(), states.size());
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = states.size() - 2; i >= 0; --i) {
                rig.editor->Undo();
                QCOMPARE(rig.editor->CurrentUndoIndex(), i);
                QCOMPARE(rig.State(), states.at(i));
            }
            for (int i = 1; i < states.size(); ++i) {
                rig.editor->Redo();
                QCOMPARE(rig.State(), states.at(i));
            }
        }
        // A command after an undo drops the entries after it, and what stays
        // comes back as it was.
        rig.editor->Undo();
        rig.SelectRow(0);
        rig.Run(QStringLiteral("apply:1"));
        QCOMPARE(rig.editor->UndoCount(), states.size());
        rig.editor->Undo();
        QCOMPARE(rig.State(), states.at(states.size() - 2));
        rig.editor->Undo();
        if (states.size() > 2)
            QCOMPARE(rig.State(), states.at(states.size() - 3));
        QCOMPARE(rig.StaleInShow(), QString());
    }

    // A row applied into a scene of `rows` rows already: the step entries
    // the whole command makes are the row's and the history's copy of it,
    // whatever the scene holds. A step added makes its entries, the capture
    // it is made from and the history's copy.
    void anEntryCostsWhatItsCommandChanged_data()
    {
        Columns<int>("rows");
        QTest::newRow("into an empty scene") << 0;
        QTest::newRow("after one row") << 1;
        QTest::newRow("after four rows") << 4;
    }
    void anEntryCostsWhatItsCommandChanged()
    {
        const auto [rows] = Row<int>("rows");
        CHistoryRig rig(QString{});
        for (int r = 0; r < rows && !QTest::currentTestFailed(); ++r)
            rig.ApplyCurve(QStringLiteral("123"), false, 8);
        const quint64 before = CStepFixture::EntriesMade();
        const int steps = rig.editor->Scene()->m_steps.size();
        rig.ApplyCurve(QStringLiteral("123"), false, 8);
        const quint64 rowEntries = quint64(rig.editor->Scene()->m_steps.size() - steps) * 3;
        QVERIFY(rowEntries > 0);
        QCOMPARE(CStepFixture::EntriesMade() - before, 2 * rowEntries);
        QCOMPARE(rig.editor->UndoCount(), rows + 2);

        rig.SelectRow(0);
        const quint64 beforeAdd = CStepFixture::EntriesMade();
        rig.editor->AddStep();
        QCOMPARE(CStepFixture::EntriesMade() - beforeAdd, quint64(3 * 3));
        QCOMPARE(rig.editor->UndoCount(), rows + 3);
    }

    // A row the show has no room for adds no entry and changes nothing;
    // undo and redo then give back the states as they were.
    void aRefusedRowAddsNoEntry()
    {
        CHistoryRig rig(QStringLiteral("12"));
        rig.Run(QStringLiteral("apply:1"));
        const QString applied = rig.State();
        FillToBound(rig.Project(), CShowBounds::Steps);
        {
            CShownDialogs ok(QMessageBox::Ok);
            rig.Run(QStringLiteral("apply:2"));
            QCOMPARE(ok.shown.size(), 1);
        }
        QCOMPARE(rig.editor->UndoCount(), 2);
        QCOMPARE(rig.State(), applied);
        rig.Run(QStringLiteral("level:0"));
        const QString changed = rig.State();
        rig.Run(QStringLiteral("cell:0"));
        QCOMPARE(rig.editor->UndoCount(), 3);
        rig.editor->Undo();
        QCOMPARE(rig.State(), applied);
        rig.editor->Redo();
        QCOMPARE(rig.State(), changed);
    }

    // What the show deletes meanwhile leaves every state, those the history
    // holds in part too: a fixture the patch removes, a scene jumped to.
    void whatTheShowDeletesLeavesEveryState_data()
    {
        Columns<QString>("deleted");
        QTest::newRow("a fixture") << "fixture";
        QTest::newRow("a scene jumped to") << "scene";
    }
    void whatTheShowDeletesLeavesEveryState()
    {
        const auto [deleted] = Row<QString>("deleted");
        CHistoryRig rig(QStringLiteral("12 3"));
        CScene* target = new CScene(QStringLiteral("J"), rig.Project().UniverseCount());
        rig.Project().m_firstPage->m_scenes << target;
        rig.Pages().ReloadPages();
        CScene* edited = rig.editor->Scene();
        edited->m_jumpTarget = target;
        edited->m_jumpIndex = 1;
        edited->m_playMode = ReleaseList;
        edited->m_releaseList = {target};
        for (const char* command : {"row:0", "apply:23", "row:1", "add", "row:1", "apply:12"})
            rig.Run(QLatin1String(command));
        QCOMPARE(rig.editor->UndoCount(), 4);
        if (deleted == "fixture") {
            QCOMPARE(rig.Remove({rig.dimmers.at(1)}).size(), 1);
        } else {
            CShownDialogs yes(QMessageBox::Yes);
            QVERIFY(rig.Pages().PageView()->DeleteScene(1));
        }
        const QString now = rig.State();
        for (int i = 0; i < 3; ++i) {
            rig.editor->Undo();
            QCOMPARE(rig.StaleInShow(), QString());
            const CScene& state = *rig.editor->Scene();
            QVERIFY2(deleted != "fixture" || !rig.State().contains(QLatin1String("F11=")), qPrintable(rig.State()));
            QVERIFY(deleted != "scene" || (!state.m_jumpTarget && state.m_releaseList.isEmpty()));
        }
        for (int i = 0; i < 3; ++i)
            rig.editor->Redo();
        QCOMPARE(rig.State(), now);
    }
};

ORVANE_TEST(StepHistoryTest)
#include "StepHistoryTest.moc"
