#include "editors/EditSceneWnd.h"

#include "Captions.h"
#include "editors/EditSceneShared.h"
#include "editors/EffectsList.h"
#include "editors/ModalRun.h"
#include "editors/TimeStepDlg.h"
#include "model/Language.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"
#include "show/StepAlignment.h"
#include "show/StepFixture.h"
#include "show/UndoKind.h"
#include "widgets/TimeBoxDelegate.h"
#include "widgets/TimeWidget.h"

#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSet>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>

#include <memory>

using namespace EditScene;

namespace {

// What the alignment gives the steps, generated and hand-made apart.
void CountAlignment(const CStepAlignment& alignment, const QList<CSceneStep*>& steps, CShowBounds::SStepGrowth& growth)
{
    for (const CSceneStep* step : steps) {
        const bool generated = step->m_effect;
        CStepAlignment::Count(alignment.MissingIn(*step), generated ? growth.generatedEntries : growth.entries,
                              generated ? growth.generatedLevels : growth.levels);
    }
}

constexpr int kMinWaitMs = 40;

const CEffectKind* KindOf(int type)
{
    for (const CEffectKind& kind : kEffectKinds) {
        if (kind.type == type)
            return &kind;
    }
    return nullptr;
}

// A step never has fade and wait both 0.
void KeepPlayable(CSceneStep& step)
{
    if (step.m_fade + step.m_wait == 0) {
        step.m_fade = 0;
        step.m_wait = kMinWaitMs;
    }
}

} // namespace

// --- Steps table

void CEditSceneWnd::FillStepsTable(int row)
{
    if (!m_scene)
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    {
        QSignalBlocker block(m_steps);
        m_steps->clearContents();
        const QList<CSceneStep*>& steps = m_scene->m_steps;
        m_steps->setRowCount(m_scene->RowCount());
        qint64 total = 0;
        int tableRow = 0;
        for (int i = 0; i < steps.size(); ++tableRow) {
            const CSceneStep* step = steps.at(i);
            int end = i + 1;
            qint64 length = step->Duration();
            if (step->m_effect) {
                while (end < steps.size() && steps.at(end)->m_effect == step->m_effect)
                    length += steps.at(end++)->Duration();
            }
            FillStepRow(step, tableRow, total, length);
            i = end;
        }
        m_steps->clearSelection();
        if (row >= 0 && row < m_steps->rowCount())
            m_steps->setCurrentCell(row, 0);
    }
    OnSelStepChanged();
}

void CEditSceneWnd::FillStepRow(const CSceneStep* step, int row, qint64& total, qint64 rowLength)
{
    const Qt::ItemFlags fixed = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    QTableWidgetItem* first = nullptr;
    QTableWidgetItem* second = nullptr;
    if (step->m_effect) {
        const CEffectKind* kind = KindOf(step->m_effect->m_type);
        first = new QTableWidgetItem(kind ? GetLangText(kind->caption) : QString());
        if (kind)
            first->setIcon(EffectIcon(*kind));
        second = new QTableWidgetItem(CellText(rowLength));
        // A generated row is changed in the effects window, not by its times.
        for (QTableWidgetItem* item : {first, second}) {
            item->setFlags(fixed);
            item->setBackground(QColor(175, 175, 205));
        }
        total += rowLength;
        if (row == 0)
            total -= step->m_fade;
        m_steps->setRowHeight(row, 40);
    } else {
        first = new QTableWidgetItem(CellText(step->m_fade));
        second = new QTableWidgetItem(CellText(step->m_wait));
        total += step->m_wait;
        if (row != 0)
            total += step->m_fade;
        m_steps->setRowHeight(row, kPlainRowHeight);
    }
    auto* third = new QTableWidgetItem(CellText(total));
    third->setFlags(fixed);
    m_steps->setItem(row, 0, first);
    m_steps->setItem(row, 1, second);
    m_steps->setItem(row, 2, third);
}

int CEditSceneWnd::CurrentRow() const
{
    return m_steps->currentRow();
}

void CEditSceneWnd::OnSelStepChanged()
{
    if (m_playing || !m_scene)
        return;
    m_scene->ClearSelection();
    // The current row goes last: its first step becomes the current step.
    const int current = m_steps->currentRow();
    bool currentSelected = false;
    QList<int> rows;
    for (const QTableWidgetItem* item : m_steps->selectedItems()) {
        if (item->column() != 0)
            continue;
        if (item->row() == current)
            currentSelected = true;
        else
            rows << item->row();
    }
    if (currentSelected)
        rows << current;
    m_scene->SelectRows(rows);
    m_project.RefreshEditLayer(true);
    UpdateActions();
    m_lastUndoKind = 0;
}

void CEditSceneWnd::UpdateActions()
{
    const bool current = m_scene && m_scene->m_currentStep;
    m_tools[ToolAdd]->setEnabled(true);
    for (Tool tool : {ToolRemove, ToolTime, ToolCut, ToolCopy, ToolCopyLive})
        m_tools[size_t(tool)]->setEnabled(current);
    m_tools[ToolPaste]->setEnabled(!ClipboardSteps().isEmpty());
    m_tools[ToolPlay]->setEnabled(m_scene && m_scene->IsDynamic());
    m_tools[ToolRecord]->setEnabled(ShowHost().HasDmxInputPort());
}

void CEditSceneWnd::UpdateUndoButtons()
{
    const int entries = m_history.Count();
    m_tools[ToolUndo]->setEnabled(m_currentUndo != 0 && entries > 1);
    m_tools[ToolRedo]->setEnabled(m_currentUndo >= 0 && m_currentUndo <= entries - 2);
}

void CEditSceneWnd::UpdateDuration()
{
    if (!m_scene)
        return;
    m_scene->UpdateLength();
    m_clock->SetTime(m_scene->m_cycleLength);
    m_duration->setText(m_scene->DurationText());
    m_tools[ToolPlay]->setEnabled(m_scene->IsDynamic());
}

void CEditSceneWnd::UpdateEffectList()
{
    const CSelectionCaps& caps = m_project.m_selectionCaps;
    const bool color = caps.m_color || caps.m_masterColor;
    const CGroup* group = m_project.m_currentGroup;
    const bool matrix = color && group && group->m_selectedMatrices.size() == 1 && group->AllSelectedHaveIds();
    for (int i = 0; i < m_effectList->count(); ++i) {
        bool shown = false;
        switch (kEffectKinds[i].type) {
        case EffectType::Gradient:
        case EffectType::Trichro:
            shown = color;
            break;
        case EffectType::Curve:
            shown = !caps.m_profiles.isEmpty();
            break;
        case EffectType::PanTilt:
            shown = caps.m_panTilt;
            break;
        default:
            shown = matrix;
        }
        m_effectList->item(i)->setHidden(!shown);
    }
}

// --- Step operations

void CEditSceneWnd::EmptyClipboard()
{
    delete m_clip;
    m_clip = nullptr;
}

const QList<CSceneStep*>& CEditSceneWnd::ClipboardSteps() const
{
    static const QList<CSceneStep*> none;
    return m_clip ? m_clip->m_steps : none;
}

const QList<CEffect*>& CEditSceneWnd::ClipboardEffects() const
{
    static const QList<CEffect*> none;
    return m_clip ? m_clip->m_effects : none;
}

bool CEditSceneWnd::RoomForNewStep(int row, bool selectionOnly) const
{
    if (!m_scene || m_scene->IsEffectScene())
        return true;
    CShowBounds::SStepGrowth growth;
    growth.steps = 1;
    const CSceneStep* model = m_scene->m_currentStep;
    // A copy of one of the scene's own steps drives its fixtures already.
    if (model && !model->m_effect && m_scene->m_steps.contains(const_cast<CSceneStep*>(model))) {
        CShowBounds::CountEntries({const_cast<CSceneStep*>(model)}, growth.entries, growth.levels);
        return CShowBounds::AskRoomForStepGrowth(m_project, growth);
    }
    // Made once on a scene of the same marks but no steps: what capturing
    // the step marks stays there.
    CScene trial(*m_scene, false, false, false);
    const CSceneStep* step = trial.InsertStep(row, selectionOnly, model, m_project);
    growth.maskBytes = CShowBounds::MaskBytesAdded(*m_scene, trial.m_steps);
    for (const CSceneStep* made : trial.m_steps)
        CShowBounds::CountStepEntries(made, growth.entries, growth.levels);
    if (!m_scene->m_steps.isEmpty()) {
        const CStepAlignment alignment(CStepAlignment::FixturesOf(step),
                                       CStepAlignment::FixturesOf(m_scene->m_steps.first()));
        CountAlignment(alignment, m_scene->m_steps, growth);
        CStepAlignment::Count(alignment.MissingInA(), growth.entries, growth.levels);
    }
    return CShowBounds::AskRoomForStepGrowth(m_project, growth);
}

bool CEditSceneWnd::RoomForPaste(const QList<CSceneStep*>& pasted) const
{
    if (!m_scene || m_scene->IsEffectScene())
        return true;
    CShowBounds::SStepGrowth growth;
    growth.maskBytes = CShowBounds::MaskBytesAdded(*m_scene, pasted);
    growth.effectFixtures = CShowBounds::EffectFixturesOf(pasted);
    const QSet<const CSceneStep*> own(m_scene->m_steps.cbegin(), m_scene->m_steps.cend());
    const CSceneStep* first = m_scene->m_steps.value(0);
    // The runs of PasteSteps: each after one from a step not of the scene
    // gives every step then in the scene the fixtures of its last step and
    // of the first step.
    struct SRun {
        int begin;
        int end;
        bool aligns;
    };
    QList<SRun> runs;
    for (int i = 0; i < pasted.size();) {
        if (!pasted.at(i)) {
            ++i;
            continue;
        }
        const CEffect* effect = pasted.at(i)->m_effect;
        SRun run{i, i + 1, false};
        while (effect && run.end < pasted.size() && pasted.at(run.end) && pasted.at(run.end)->m_effect == effect)
            ++run.end;
        for (int k = run.begin; k < run.end; ++k) {
            CShowBounds::CountStepEntries(pasted.at(k), effect ? growth.generatedEntries : growth.entries,
                                      effect ? growth.generatedLevels : growth.levels);
            run.aligns = run.aligns || !own.contains(pasted.at(k));
        }
        run.aligns = run.aligns && first;
        growth.steps += run.end - run.begin;
        runs << run;
        i = run.end;
    }
    // Each aligning run takes the first step's fixtures as the runs before
    // left them: after the last, every step then in the scene drives the
    // fixtures of every aligning run's last step and of the first step.
    QList<CPatchedFixture*> lasts;
    int lastAligning = -1;
    for (int r = 0; r < runs.size(); ++r) {
        if (runs.at(r).aligns) {
            lasts << CStepAlignment::FixturesOf(pasted.at(runs.at(r).end - 1));
            lastAligning = r;
        }
    }
    if (lastAligning < 0)
        return CShowBounds::AskRoomForStepGrowth(m_project, growth);
    const CStepAlignment alignment(lasts, CStepAlignment::FixturesOf(first));
    CountAlignment(alignment, m_scene->m_steps, growth);
    for (int r = 0; r <= lastAligning; ++r) {
        for (int k = runs.at(r).begin; k < runs.at(r).end; ++k) {
            const bool generated = pasted.at(k)->m_effect;
            CStepAlignment::Count(alignment.MissingIn(*pasted.at(k)),
                                  generated ? growth.generatedEntries : growth.entries,
                                  generated ? growth.generatedLevels : growth.levels);
        }
    }
    return CShowBounds::AskRoomForStepGrowth(m_project, growth);
}

void CEditSceneWnd::AddStep()
{
    if (!m_scene || m_playing)
        return;
    const int row = CurrentRow();
    const bool selectionOnly = !ShowHost().ChannelFadersShown();
    if (!RoomForNewStep(row, selectionOnly))
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginStepCommand();
    m_scene->InsertStep(row, selectionOnly, m_scene->m_currentStep, m_project);
    FillStepsTable(row + 1);
    UpdateDuration();
    if (m_scene->m_steps.size() == 1)
        ShowHost().RefreshCurrentPanel();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoNewStep));
}

void CEditSceneWnd::DelSteps()
{
    if (!m_scene || m_playing || m_scene->m_selection.isEmpty())
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginStepCommand();
    m_scene->RemoveSelectedSteps(true);
    FillStepsTable(0);
    UpdateDuration();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoRemoveSteps));
}

void CEditSceneWnd::CutSteps()
{
    if (!m_scene || m_playing || m_scene->m_selection.isEmpty())
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginStepCommand();
    FillClipboard();
    m_scene->RemoveSelectedSteps(true);
    FillStepsTable(0);
    UpdateDuration();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoCutSteps));
}

void CEditSceneWnd::CopySteps()
{
    if (!m_scene || m_playing)
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    FillClipboard();
    UpdateActions();
}

void CEditSceneWnd::FillClipboard()
{
    EmptyClipboard();
    m_clip = new CScene(m_scene->m_name, m_scene->UniverseCount());
    const CEffect* runEffect = nullptr;
    CEffect* runClone = nullptr;
    QList<const CSceneStep*> copied;
    for (const CSceneStep* step : qAsConst(m_scene->m_selection)) {
        if (!m_scene->m_steps.contains(const_cast<CSceneStep*>(step)) || copied.contains(step))
            continue;
        copied << step;
        if (step->m_effect && step->m_effect != runEffect) {
            runEffect = step->m_effect;
            runClone = CloneEffect(step->m_effect);
            if (runClone)
                m_clip->m_effects << runClone;
        } else if (!step->m_effect) {
            runEffect = nullptr;
            runClone = nullptr;
        }
        m_clip->m_steps << new CSceneStep(m_clip, *step, step->m_effect ? runClone : nullptr);
    }
}

void CEditSceneWnd::PasteSteps()
{
    if (!m_scene || m_playing)
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginStepCommand();
    int row = CurrentRow();
    if (row < 0)
        row = m_steps->rowCount() - 1;
    if (!RoomForPaste(ClipboardSteps()))
        return;
    m_scene->PasteSteps(row, ClipboardSteps());
    FillStepsTable(qMax(0, row));
    UpdateDuration();
    ShowHost().RefreshCurrentPanel();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoPasteSteps));
}

void CEditSceneWnd::TimeSteps()
{
    if (!m_scene || m_playing || !m_scene->m_currentStep || m_scene->m_currentStep->m_effect)
        return;
    CTimeStepDlg dialog(*m_scene->m_currentStep, this);
    if (RunDialog(dialog) != QDialog::Accepted || !m_scene)
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    for (CSceneStep* step : qAsConst(m_scene->m_selection)) {
        if (!m_scene->m_steps.contains(step))
            continue;
        step->SetFade(dialog.FadeTime());
        step->SetWait(dialog.HoldTime());
        KeepPlayable(*step);
    }
    FillStepsTable(0);
    UpdateDuration();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoTimeSteps));
}

void CEditSceneWnd::OnTimeFadeChanged(const QTime& time)
{
    CSceneStep* step = m_scene ? m_scene->m_currentStep : nullptr;
    if (m_busy || m_playing || !step || step->m_effect)
        return;
    BeginChange();
    step->SetFade(time);
    KeepPlayable(*step);
    UpdateDuration();
}

void CEditSceneWnd::OnTimeWaitChanged(const QTime& time)
{
    CSceneStep* step = m_scene ? m_scene->m_currentStep : nullptr;
    if (m_busy || m_playing || !step || step->m_effect)
        return;
    BeginChange();
    step->SetWait(time);
    KeepPlayable(*step);
    UpdateDuration();
}

void CEditSceneWnd::OnCelStepChanged(int row, int column)
{
    if (m_busy || m_playing || !m_scene)
        return;
    // The committed cell is the time the step keeps, whichever way it was typed.
    CSceneStep* step = m_scene->StepAtRow(row);
    const QTableWidgetItem* item = m_steps->item(row, column);
    BeginChange();
    if (step && !step->m_effect && item && column < 2) {
        const QTime time = CTimeBoxDelegate::ParseCellText(item->text());
        if (time.isValid()) {
            (column == 0 ? step->m_fade : step->m_wait) = Ms(time);
            KeepPlayable(*step);
        }
    }
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoTimeSteps));
    FillStepsTable(CurrentRow());
    UpdateDuration();
}

void CEditSceneWnd::ApplyLevelsToSelection(const QString& label)
{
    for (CSceneStep* step : qAsConst(m_scene->m_selection)) {
        if (m_scene->m_steps.contains(step))
            step->StoreFixtures(m_scene, false, m_project);
    }
    LevelsStored(label);
}

void CEditSceneWnd::LevelsStored(const QString& label)
{
    m_project.RefreshEditLayer(true);
    ShowHost().RefreshCurrentPanel();
    PushUndo(UndoCopyLive, label);
}

void CEditSceneWnd::CopyLive()
{
    // A fixture of the group new to the scene joins every step.
    if (!m_scene || m_playing || m_scene->m_selection.isEmpty()
        || !CShowBounds::AskRoomForFixtures(m_project, *m_scene, m_project.GroupFixtures()))
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    m_project.CopyLiveToEdit();
    ApplyLevelsToSelection(GetLangText(Txt::EdUndoCopyLive));
}

void CEditSceneWnd::OnMaskChanged(int mask)
{
    if (!m_scene || m_playing || m_scene->m_selection.isEmpty() || mask < 0 || mask >= m_project.m_masks.size())
        return;
    // The mask's levels alone: a fixture or channel it does not hold keeps
    // its levels in each step, where Copy Live would take the whole group
    // from the edit layer. A slot of no fixture has nowhere to go.
    struct SOwnedLevel {
        CPatchedFixture* fixture;
        int channel;
        quint8 level;
    };
    QList<SOwnedLevel> owned;
    QList<CPatchedFixture*> fixtures;
    for (const CChannelLevel& level : m_project.m_masks.at(mask).m_levels) {
        CPatchedFixture* fixture = m_project.m_generalGroup
            ? m_project.m_generalGroup->FindFixtureAt(level.m_universe, level.m_channel) : nullptr;
        if (fixture) {
            owned.append({fixture, level.m_channel - fixture->m_address, level.m_level});
            fixtures << fixture;
        }
    }
    if (!CShowBounds::AskRoomForFixtures(m_project, *m_scene, fixtures) || !m_project.ApplyMask(mask))
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    for (CSceneStep* step : qAsConst(m_scene->m_selection)) {
        if (!m_scene->m_steps.contains(step))
            continue;
        for (const SOwnedLevel& level : qAsConst(owned)) {
            if (step->EffectDrives(level.fixture, level.channel))
                continue;
            CStepFixture* entry = step->FindEntry(level.fixture);
            if (!entry)
                entry = step->AddEntryFor(level.fixture, m_scene, false, m_project);
            if (entry)
                entry->SetLevel(level.channel, level.level, true, false);
        }
    }
    LevelsStored(GetLangText(Txt::EdUndoApplyMask));
}
