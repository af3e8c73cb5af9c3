#include "ShowAtBound.h"
#include "TestRegistry.h"

#include "SceneEditorRig.h"
#include "editors/EffectsList.h"
#include "editors/SceneMediaDlg.h"
#include "editors/ScenesListDlg.h"
#include "editors/TimeStepDlg.h"
#include "editors/TriggerDlg.h"
#include "show/ShowBounds.h"
#include "show/UndoKind.h"
#include "widgets/ZKTimeEdit.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

Q_DECLARE_METATYPE(eEffect)

namespace {

QString HeightsOf(const QTableWidget& table)
{
    QStringList rows;
    for (int i = 0; i < table.rowCount(); ++i)
        rows << QString::number(table.rowHeight(i));
    return rows.join(',');
}

// Runs the editor's operations written in `ops`, blank-separated: add, del,
// cut, copy, paste, undo, redo, "sel:<row>", "colorN" (N colour pushes)
// and "name:<text>".
void Run(CSceneEditorRig& r, const QString& ops)
{
    CEditSceneWnd& e = *r.editor;
    for (const QString& op : ops.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (op == "add")
            e.AddStep();
        else if (op == "del")
            e.DelSteps();
        else if (op == "cut")
            e.CutSteps();
        else if (op == "copy")
            e.CopySteps();
        else if (op == "paste")
            e.PasteSteps();
        else if (op == "undo")
            e.Undo();
        else if (op == "redo")
            e.Redo();
        else if (op.startsWith("sel:"))
            r.SelectRows({op.mid(4).toInt()});
        else if (op.startsWith("color"))
            for (int i = 0; i < op.mid(5).toInt(); ++i)
                e.PushUndo(UndoColor, QStringLiteral("Color"));
        else if (op.startsWith("name:"))
            e.NameEdit()->setText(op.mid(5));
    }
}

} // namespace

class SceneEditorTest : public QObject
{
    Q_OBJECT

private slots:
    void stepsTable_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("totals");
        QTest::addColumn<QString>("heights");
        QTest::newRow("first fade not counted") << "1000/2000 500/500 0/1000"
                                                << "00m 02s 000,00m 03s 000,00m 04s 000" << "20,20,20";
        QTest::newRow("effect row") << "fx:25x40" << "00m 01s 000" << "40";
        QTest::newRow("effect then plain") << "fx:3x1000 500/500" << "00m 03s 000,00m 04s 000" << "40,20";
        QTest::newRow("an hour shows nothing") << "0/3599000 0/1000" << "59m 59s 000," << "20,20";
        QTest::newRow("plain around a row") << "0/1000 fx:2x500 0/1000" << "00m 01s 000,00m 02s 000,00m 03s 000"
                                            << "20,40,20";
    }
    // Only the rows of another height than a plain step's are resized: each
    // resize places every row after it again, and a scene holds 131,072.
    // The steps' numbers turn red and back with the DMX button, and the
    // rows keep their heights.
    void stepsTable()
    {
        QFETCH(QString, steps);
        QFETCH(QString, totals);
        QFETCH(QString, heights);
        CSceneEditorRig r;
        QSignalSpy resized(r.editor->StepsTable()->verticalHeader(), &QHeaderView::sectionResized);
        r.Open(0, steps);
        QCOMPARE(r.Column(2), totals);
        QCOMPARE(HeightsOf(*r.editor->StepsTable()), heights);
        const QStringList tall = heights.split(',');
        for (const QList<QVariant>& resize : qAsConst(resized))
            QCOMPARE(tall.value(resize.at(0).toInt()), QStringLiteral("40"));
        r.editor->UpdateDmxButton();
        QCOMPARE(HeightsOf(*r.editor->StepsTable()), heights);
    }

    void effectRowCellsAreNotEditable()
    {
        CSceneEditorRig r;
        r.Open(0, "fx:25x40 0/1000");
        QTableWidget* table = r.editor->StepsTable();
        QCOMPARE(r.Column(1), QStringLiteral("00m 01s 000,00m 01s 000"));
        QVERIFY(!(table->item(0, 0)->flags() & Qt::ItemIsEditable));
        QVERIFY(!(table->item(0, 1)->flags() & Qt::ItemIsEditable));
        QVERIFY(table->item(1, 1)->flags() & Qt::ItemIsEditable);
        QVERIFY(!(table->item(1, 2)->flags() & Qt::ItemIsEditable));
    }

    // Rows selected in any order: each row's steps are selected, and the
    // current row's first step is the current step.
    void theCurrentRowGivesTheCurrentStep_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("down") << QList<int>{0, 2};
        QTest::newRow("up") << QList<int>{2, 0};
        QTest::newRow("from the middle") << QList<int>{1, 2, 0};
    }
    void theCurrentRowGivesTheCurrentStep()
    {
        QFETCH(QList<int>, rows);
        CSceneEditorRig r;
        r.Open(0, "0/1000 0/2000 0/3000");
        r.SelectRows(rows);
        const CScene* scene = r.editor->Scene();
        QCOMPARE(scene->m_currentStep, scene->m_steps[rows.last()]);
        QCOMPARE(scene->m_selection.size(), rows.size());
    }

    void clipboard()
    {
        CSceneEditorRig r;
        r.Open(0, "fx:3x40 0/1000 0/2000");
        r.SelectRows({0, 1});
        r.editor->CopySteps();
        QCOMPARE(r.editor->ClipboardSteps().size(), 4);
        QCOMPARE(r.editor->ClipboardEffects().size(), 1);
        Run(r, "sel:2 paste sel:0 paste");
        CScene* scene = r.editor->Scene();
        QCOMPARE(scene->m_steps.size(), 13);
        QCOMPARE(scene->m_effects.size(), 3);
        QCOMPARE(QSet<CEffect*>({scene->m_steps[0]->m_effect, scene->m_steps[4]->m_effect,
                                 scene->m_steps[9]->m_effect}).size(), 3);
        QCOMPARE(r.editor->ClipboardSteps().size(), 4); // pasted again as it was
    }

    void cutThenPasteMovesCutThenCopyDrops()
    {
        CSceneEditorRig r;
        r.Open(0, "0/1000 0/2000 0/3000");
        Run(r, "sel:0 cut sel:1 paste");
        QCOMPARE(r.Column(1), QStringLiteral("00m 02s 000,00m 03s 000,00m 01s 000"));
        Run(r, "sel:2 cut sel:0 copy");
        QCOMPARE(r.editor->ClipboardSteps().size(), 1);
        QCOMPARE(r.editor->ClipboardSteps()[0]->m_wait, 2000);
        QCOMPARE(r.editor->Scene()->m_steps.size(), 2);
    }

    void zeroTimesKeepAHold()
    {
        CSceneEditorRig r;
        r.Open(0, "500/500 500/500");
        r.SelectRows({0});
        SetDialogRunner([](QDialog& d) {
            auto& dialog = static_cast<CTimeStepDlg&>(d);
            dialog.FadeEdit()->SetTime(QTime(0, 0));
            dialog.HoldEdit()->SetTime(QTime(0, 0));
            return int(QDialog::Accepted);
        });
        r.editor->TimeSteps();
        CScene* scene = r.editor->Scene();
        QCOMPARE(scene->m_steps[0]->m_fade, 0);
        QCOMPARE(scene->m_steps[0]->m_wait, 40);
        QCOMPARE(r.UndoLabels(), QStringLiteral("Edit,Time Step(s)"));
        // A committed cell of 0 keeps the hold as well.
        r.editor->StepsTable()->item(1, 1)->setText(QStringLiteral("00m 00s 000"));
        r.editor->StepsTable()->item(1, 0)->setText(QStringLiteral("00m 00s 000"));
        QCOMPARE(r.editor->Scene()->m_steps[1]->m_fade, 0);
        QCOMPARE(r.editor->Scene()->m_steps[1]->m_wait, 40);
    }

    void loopsAndJump_data()
    {
        QTest::addColumn<int>("loops");
        QTest::addColumn<QString>("jump");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("autoJump");
        QTest::newRow("loops 0 forces Stop") << 0 << "B" << QString() << false;
        QTest::newRow("Next") << 3 << "Next" << QString() << true;
        QTest::newRow("scene") << 255 << "C" << "C" << false;
        QTest::newRow("unknown name") << 2 << "Ghost" << QString() << false;
    }
    void loopsAndJump()
    {
        QFETCH(int, loops);
        QFETCH(QString, jump);
        QFETCH(QString, target);
        QFETCH(bool, autoJump);
        CSceneEditorRig r;
        r.Scene(0)->m_loopCount = 1;
        r.Open(0, "0/1000");
        QComboBox* combo = r.editor->JumpCombo();
        QCOMPARE(r.editor->LoopsCombo()->count(), 256);
        if (combo->findText(jump) < 0)
            combo->addItem(jump);
        combo->setCurrentIndex(combo->findText(jump));
        r.editor->LoopsCombo()->setCurrentIndex(loops);
        QCOMPARE(combo->isEnabled(), loops != 0);
        r.editor->StoreParams();
        CScene* scene = r.editor->Scene();
        QCOMPARE(int(scene->m_loopCount), loops);
        QCOMPARE(scene->m_jumpTarget ? scene->m_jumpTarget->m_name : QString(), target);
        QCOMPARE(scene->m_autoJump, autoJump);
        if (loops == 0)
            QCOMPARE(combo->currentText(), QStringLiteral("Stop"));
    }

    void fieldsOutOfRangeAreKept()
    {
        CSceneEditorRig r;
        r.Scene(0)->m_loopCount = 300;
        r.Scene(0)->m_playMode = 7;
        r.Open(0, "0/1000");
        QCOMPARE(r.editor->LoopsCombo()->currentIndex(), -1);
        QCOMPARE(r.editor->ReleaseModeCombo()->currentIndex(), -1);
        r.editor->NameEdit()->setText(QStringLiteral("  "));
        r.editor->StoreParams();
        QCOMPARE(r.Scene(0)->m_name, QStringLiteral("A"));
        QCOMPARE(int(r.Scene(0)->m_loopCount), 300);
        QCOMPARE(r.Scene(0)->m_playMode, 7);
        QVERIFY(!r.host.calls.contains(QStringLiteral("AskQuestion:Orvane:Do you want to save your changes?")));
        r.editor->OnCancel();
        QVERIFY(!r.host.calls.join(' ').contains("AskQuestion"));
    }

    void undoSequences_data()
    {
        QTest::addColumn<QString>("ops");
        QTest::addColumn<QString>("labels");
        QTest::addColumn<bool>("undoEnabled");
        QTest::addColumn<int>("steps");
        QTest::newRow("opened") << "" << "Edit" << false << 1;
        QTest::newRow("undo then new operation")
            << "add add add undo undo del" << "Edit,New Step,Remove Step(s)" << true << 1;
        QTest::newRow("colour run is one entry") << "color10" << "Edit,Color" << true << 1;
        QTest::newRow("row change splits a run")
            << "add color2 sel:0 color1" << "Edit,New Step,Color,Color" << true << 2;
        QTest::newRow("step operations always record") << "add sel:0 copy paste paste"
                                                        << "Edit,New Step,Paste Step(s),Paste Step(s)" << true << 4;
        QTest::newRow("undo to the first entry") << "add undo" << "Edit,New Step" << false << 1;
        // The entry dropped by the change must not be the one undo goes back to.
        QTest::newRow("undo, change, undo") << "add add undo add undo" << "Edit,New Step,New Step" << true << 2;
    }
    void undoSequences()
    {
        QFETCH(QString, ops);
        QFETCH(QString, labels);
        QFETCH(bool, undoEnabled);
        CSceneEditorRig r;
        r.Open(0, "0/1000");
        Run(r, ops);
        QCOMPARE(r.UndoLabels(), labels);
        QCOMPARE(r.editor->ToolButton(CEditSceneWnd::ToolUndo)->isEnabled(), undoEnabled);
        QTEST(int(r.editor->Scene()->m_steps.size()), "steps");
    }

    void okStoresTheFieldsAndMarksTheShowModified()
    {
        CSceneEditorRig r;
        r.Open(0, "0/1000");
        r.host.modified = false;
        Run(r, "name:Renamed");
        QSignalSpy closed(r.editor.get(), &CEditSceneWnd::closeWnd);
        r.editor->OnOk();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(r.Scene(0)->m_name, QStringLiteral("Renamed"));
        QVERIFY(r.host.modified);
    }

    void historyKeepsFifteenAndCancelStillRestores()
    {
        CSceneEditorRig r;
        r.Open(0, "0/1000");
        CScene* opened = r.Scene(0);
        for (int i = 0; i < 20; ++i)
            Run(r, "add");
        QCOMPARE(r.editor->UndoTable()->rowCount(), 15);
        QVERIFY(!r.UndoLabels().contains("Edit"));
        r.host.answer = CShowHost::No;
        QSignalSpy closed(r.editor.get(), &CEditSceneWnd::closeWnd);
        r.editor->OnCancel();
        QCOMPARE(closed.count(), 1);
        QVERIFY(r.Scene(0) != opened);
        QCOMPARE(r.Scene(0)->m_steps.size(), 1);
        QCOMPARE(r.Scene(0)->m_name, QStringLiteral("A"));
    }

    void undoRestoresStepsNotTheName()
    {
        CSceneEditorRig r;
        r.Open(0, "0/1000");
        Run(r, "add name:Renamed undo");
        QCOMPARE(r.editor->Scene()->m_steps.size(), 1);
        QCOMPARE(r.editor->Scene()->m_name, QStringLiteral("Renamed"));
        QCOMPARE(r.Scene(0), r.editor->Scene());
        QCOMPARE(r.editor->CurrentUndoIndex(), 0);
        Run(r, "redo");
        QCOMPARE(r.editor->Scene()->m_steps.size(), 2);
    }

    void colourRunHoldsTheLastColour()
    {
        CSceneEditorRig r;
        r.Open(0, "0/1000");
        for (int red = 1; red <= 10; ++red) {
            r.editor->Scene()->m_steps[0]->FindEntry(r.rgb)->SetLevel(0, quint8(red), true, true);
            r.editor->PushUndo(UndoColor, QStringLiteral("Color"));
        }
        Run(r, "add undo");
        QCOMPARE(r.UndoLabels(), QStringLiteral("Edit,Color,New Step"));
        QCOMPARE(r.Reds(), QStringLiteral("10"));
    }

    void cancelAsks_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("asks");
        QTest::newRow("nothing") << "" << false;
        QTest::newRow("step operation") << "add" << true;
        QTest::newRow("name") << "name" << true;
        QTest::newRow("trigger alone") << "trigger" << true;
        QTest::newRow("release list alone") << "release" << true;
    }
    void cancelAsks()
    {
        QFETCH(QString, change);
        QFETCH(bool, asks);
        CSceneEditorRig r;
        r.Open(0, "0/1000");
        if (change == "add")
            Run(r, "add");
        else if (change == "name")
            Run(r, "name:Other");
        else if (change == "trigger")
            r.Scene(0)->m_triggers.ParseShortCut(QStringLiteral("F5"));
        else if (change == "release")
            r.Scene(0)->m_releaseList << r.Scene(1);
        QTest::keyClick(r.editor.get(), Qt::Key_Escape);
        QCOMPARE(r.host.calls.join(' ').contains("AskQuestion"), asks);
        // No puts the scene back as it was opened.
        CScene* scene = r.Scene(0);
        QCOMPARE(scene->m_steps.size(), 1);
        QCOMPARE(scene->m_name, QStringLiteral("A"));
        QVERIFY(scene->m_releaseList.isEmpty());
        QCOMPARE(scene->m_triggers.GetText(), CScene(QString(), 1).m_triggers.GetText());
        QVERIFY(!r.project.m_editedScene);
    }

    void cancelWhilePlayingThenTick()
    {
        CSceneEditorRig r;
        r.Open(0, "0/1000 0/1000");
        Run(r, "add");
        r.editor->Play();
        QVERIFY(r.editor->IsPlaying());
        r.Tick(10);
        r.editor->OnCancel();
        QVERIFY(r.Page()->IsPlaying(r.Scene(0)));
        QCOMPARE(r.Scene(0)->CurrentStepIndex(), 0);
        r.Tick(60);
        QCOMPARE(r.Scene(0)->m_steps.size(), 2);
    }

    void keysWhilePlayingAreIgnored()
    {
        CSceneEditorRig r;
        r.Open(0, "0/1000 0/1000", true);
        QVERIFY(!r.editor->HandleKey(Qt::Key_Delete, Qt::NoModifier));
        QVERIFY(!r.editor->StepsTable()->isEnabled());
        QVERIFY(r.editor->HandleKey(Qt::Key_M, Qt::NoModifier) == false);
    }

    void keys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("labels");
        QTest::addColumn<int>("steps");
        QTest::newRow("ctrl+M adds") << "^M" << "Edit,New Step" << 3;
        QTest::newRow("M alone does nothing") << "M" << "Edit" << 2;
        QTest::newRow("delete") << "Del" << "Edit,Remove Step(s)" << 1;
        QTest::newRow("select all, delete") << "^A Del" << "Edit,Remove Step(s)" << 0;
        QTest::newRow("cut") << "^X" << "Edit,Cut Step(s)" << 1;
        QTest::newRow("copy, paste") << "^C ^V" << "Edit,Paste Step(s)" << 3;
    }
    void keys()
    {
        QFETCH(QString, keys);
        QFETCH(QString, labels);
        QFETCH(int, steps);
        CSceneEditorRig r;
        r.Open(0, "0/1000 0/2000");
        for (const QString& key : keys.split(' ')) {
            const bool ctrl = key.startsWith('^');
            const int code = key.endsWith("Del") ? int(Qt::Key_Delete) : int(Qt::Key_A) + key.back().unicode() - 'A';
            r.editor->HandleKey(code, ctrl ? Qt::ControlModifier : Qt::NoModifier);
        }
        QCOMPARE(r.UndoLabels(), labels);
        QCOMPARE(r.editor->Scene()->m_steps.size(), steps);
    }

    // Add Step and Paste count what they add before they make it: a step
    // of dimmer X (captured, or pasted from scene B) and the entry of the
    // RGB fixture it lacks, hand-made; X's in the two steps of scene A's
    // effect row, generated. Each kind against its own bound.
    void stepCommandsAreCountedInFullAgainstTheEntryBound_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("room");
        for (bool paste : {false, true}) {
            const char* command = paste ? "paste" : "add";
            for (int kind : {int(CShowBounds::StepEntries), int(CShowBounds::GeneratedEntries)}) {
                const char* word = kind == CShowBounds::StepEntries ? "entry" : "generated entry";
                QTest::newRow(qPrintable(QStringLiteral("%1, room for each %2").arg(command, word)))
                    << paste << kind << qint64(2);
                QTest::newRow(qPrintable(QStringLiteral("%1, a %2 short").arg(command, word)))
                    << paste << kind << qint64(1);
            }
        }
    }
    void stepCommandsAreCountedInFullAgainstTheEntryBound()
    {
        QFETCH(bool, paste);
        QFETCH(int, kind);
        QFETCH(qint64, room);
        CSceneEditorRig r;
        CLibraryProfile* dimmer = r.AddProfile([](CLibraryProfile& p) { ProfileBuilder::AddDimmer(p); });
        CPatchedFixture* x = r.Patch(dimmer, 0, 100);
        QList<CPatchedFixture*> fill;
        for (int a = 0; a < 64; ++a)
            fill << r.AddFixture(dimmer, 1, a);
        r.project.UpdateAfterPatch(false, false);
        for (bool& flag : x->BeamFlags())
            flag = true;
        r.project.m_currentGroup->m_selectedFixtures = {x};
        if (paste) {
            r.AddStep(r.Scene(1), 0, 1000, {{x, {7}}});
            r.editor->SetScene(r.Page(), r.Scene(1), false);
            r.editor->Scene()->m_selection = r.editor->Scene()->m_steps;
            r.editor->ToolButton(CEditSceneWnd::ToolCopy)->click();
        }
        r.Open(0, "fx:2x1000");
        const auto bounded = CShowBounds::Kind(kind);
        const qint64 held = CShowBounds::Bound(bounded) - room;
        if (bounded == CShowBounds::GeneratedEntries) {
            FillToBound(r.project, bounded, room);
        } else {
            CScene* filler = r.Scene(2);
            for (qint64 entries = CShowBounds::Held(r.project, bounded); entries < held; entries += 64) {
                auto* step = new CSceneStep(0, 40);
                for (int f = 0; f < 64 && entries + f < held; ++f)
                    step->m_entries << new CStepFixture(fill.at(f), filler);
                filler->m_steps << step;
            }
        }
        QCOMPARE(CShowBounds::Held(r.project, bounded), held);
        r.editor->ToolButton(paste ? CEditSceneWnd::ToolPaste : CEditSceneWnd::ToolAdd)->click();
        const bool fits = room == 2;
        QCOMPARE(r.editor->Scene()->m_steps.size(), fits ? 3 : 2);
        QCOMPARE(CShowBounds::Held(r.project, bounded), fits ? held + room : held);
    }

    void effectsGoToTheEffectsWindow()
    {
        CSceneEditorRig r;
        r.Open(0, "fx:3x40 0/1000");
        qRegisterMetaType<eEffect>("eEffect");
        QSignalSpy edits(r.editor.get(), &CEditSceneWnd::editEffect);
        r.editor->EditStepEffect();
        r.SelectRows({1});
        r.editor->EditStepEffect(); // a plain row has no effect to edit
        emit r.editor->EffectList()->itemClicked(r.editor->EffectList()->item(3));
        QCOMPARE(edits.count(), 2);
        QCOMPARE(edits[0][0].value<eEffect>(), eEffectGradient);
        QCOMPARE(edits[0][1].toBool(), true);
        QCOMPARE(edits[1][0].value<eEffect>(), eEffectPanTilt);
        QCOMPARE(edits[1][1].toBool(), false);
        // Return keeps what was done and ends the edit.
        QSignalSpy closed(r.editor.get(), &CEditSceneWnd::closeWnd);
        r.editor->NameEdit()->setText(QStringLiteral("Kept"));
        r.editor->HandleKey(Qt::Key_Return, Qt::NoModifier);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(r.Scene(0)->m_name, QStringLiteral("Kept"));
        QVERIFY(r.host.calls.contains(QStringLiteral("UpdateSceneName")));
    }

    // The effect's channels keep what it generated, which is what a file gives back.
    void aMaskLeavesWhatAnEffectGenerates()
    {
        CSceneEditorRig r;
        r.Open(0, "0/1000 fx:2x0");
        CEffect* effect = r.Scene(0)->m_effects.first();
        effect->m_fixtures << r.rgb;
        effect->m_fixtureSel << true;
        r.project.m_masks << CMask{QStringLiteral("M"), {{0, 0, 99}}};
        r.SelectRows({0, 1, 2});
        r.editor->OnMaskChanged(0);
        QCOMPARE(r.Reds(), QStringLiteral("99,0,1"));
        // Listed but not enabled, the fixture is not generated: it takes the mask.
        effect->m_fixtureSel[0] = false;
        r.editor->OnMaskChanged(0);
        QCOMPARE(r.Reds(), QStringLiteral("99,99,99"));
    }

    void releaseListDialog_data()
    {
        QTest::addColumn<bool>("onlyScene");
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("list");
        QTest::newRow("only the edited scene") << true << "" << true << "";
        QTest::newRow("uncheck and check again") << false << "0 0" << true << "B";
        QTest::newRow("check another") << false << "1" << true << "B C";
        QTest::newRow("uncheck") << false << "0" << true << "";
        QTest::newRow("cancel restores") << false << "0 1" << false << "B";
    }
    void releaseListDialog()
    {
        QFETCH(bool, onlyScene);
        QFETCH(QString, clicks);
        QFETCH(bool, accept);
        QFETCH(QString, list);
        CSceneEditorRig r;
        if (onlyScene) {
            delete r.Page()->m_scenes.takeLast();
            delete r.Page()->m_scenes.takeLast();
        } else {
            r.Scene(0)->m_releaseList << r.Scene(1);
        }
        r.Open(0, "0/1000");
        int rows = -1;
        SetDialogRunner([&](QDialog& d) {
            QTableWidget* table = static_cast<CScenesListDlg&>(d).Table();
            rows = table->rowCount();
            for (const QString& row : clicks.split(' ', Qt::SkipEmptyParts))
                static_cast<QCheckBox*>(table->cellWidget(row.toInt(), 1))->click();
            return accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        r.editor->ReleaseModeCombo()->setCurrentIndex(ReleaseList);
        QCOMPARE(rows, onlyScene ? 0 : 2);
        QStringList names;
        for (const CScene* scene : r.Scene(0)->m_releaseList)
            names << scene->m_name;
        QCOMPARE(names.join(' '), list);
    }

    void triggersRunTheTriggerDialog()
    {
        CSceneEditorRig r;
        r.Open(0, "0/1000");
        bool autoRelease = false;
        SetDialogRunner([&](QDialog& d) {
            auto& dialog = static_cast<CTriggerDlg&>(d);
            autoRelease = dialog.AutoReleaseBox()->isEnabled();
            dialog.ShortcutList()->setCurrentIndex(dialog.ShortcutList()->findText(QStringLiteral("F5")));
            dialog.OnOk();
            return dialog.result();
        });
        r.editor->OnTriggers();
        QVERIFY(autoRelease);
        QCOMPARE(r.editor->TriggersButton()->text(), r.Scene(0)->m_triggers.GetText());
        QVERIFY(r.Scene(0)->m_triggers.GetText().contains("F5"));
        QVERIFY(r.host.calls.contains(QStringLiteral("SuspendVideoWindow")));
    }

    void mediaDialog_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("sound");
        QTest::addColumn<bool>("playSound");
        QTest::newRow("ok stores the shown path") << "ok" << "old.wav" << false;
        QTest::newRow("browse then ok") << "browse ok" << "/new.mp3" << true;
        QTest::newRow("cancelled browse keeps") << "nobrowse ok" << "old.wav" << true;
        QTest::newRow("escape changes nothing") << "browse escape" << "old.wav" << false;
    }
    void mediaDialog()
    {
        QFETCH(QString, action);
        QFETCH(QString, sound);
        QFETCH(bool, playSound);
        CSceneEditorRig r;
        CScene* scene = r.Scene(0);
        scene->m_sound = QStringLiteral("old.wav");
        CSceneMediaDlg dialog(*scene);
        QVERIFY(!dialog.SoundEdit()->isEnabled());
        QVERIFY(!dialog.PictureEdit()->isEnabled());
        QString filter;
        SetOpenFileRunner([&](QWidget*, const QString&, const QString& f) {
            filter = f;
            return action.contains("nobrowse") ? QString() : QStringLiteral("/new.mp3");
        });
        if (action.contains("browse")) {
            dialog.PlayBox()->setChecked(true);
            dialog.OnBrowseSound();
            QVERIFY(filter.contains("*.ogg"));
        }
        QTest::keyClick(&dialog, action.endsWith("ok") ? Qt::Key_Return : Qt::Key_Escape);
        QCOMPARE(scene->m_sound, sound);
        QCOMPARE(scene->m_playSound, playSound);
        QVERIFY(scene->m_defaultButtonPicture);
    }

    void effectListRefusesDrops()
    {
        CEffectsList list;
        QMimeData data;
        data.setText(QStringLiteral("x"));
        QDragEnterEvent event(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &event);
        QVERIFY(!event.isAccepted());
    }
};

ORVANE_TEST(SceneEditorTest)
#include "SceneEditorTest.moc"
