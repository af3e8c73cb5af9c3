#include "editors/EditSceneWnd.h"

#include "Captions.h"
#include "editors/DmxBlink.h"
#include "editors/EditSceneShared.h"
#include "editors/EffectsList.h"
#include "editors/ModalRun.h"
#include "editors/RecordDmxDlg.h"
#include "model/Language.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowHost.h"
#include "show/UndoKind.h"
#include "widgets/TimeWidget.h"

#include <QHeaderView>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>

using namespace EditScene;

namespace {

// Shared by every editor, as the blinking is the program's one signal that
// edited levels do not reach the output.
CDmxBlink g_blink;

} // namespace

// --- Play, record and output

void CEditSceneWnd::SetTableEditable(bool editable)
{
    m_steps->setEnabled(editable);
    m_undo->setEnabled(editable);
    m_effectList->setEnabled(editable);
    for (Tool tool : {ToolAdd, ToolRemove, ToolTime, ToolCut, ToolCopy, ToolPaste, ToolUndo, ToolRedo, ToolRecord,
                      ToolCopyLive})
        m_tools[size_t(tool)]->setEnabled(editable);
}

void CEditSceneWnd::SetToolIcon(Tool tool, const QString& name)
{
    m_tools[size_t(tool)]->setIcon(QIcon(kIcons + name));
}

void CEditSceneWnd::Play()
{
    if (m_playing)
        StopPlay(true);
    else
        StartPlay(true);
}

void CEditSceneWnd::StartPlay(bool start)
{
    if (!m_scene)
        return;
    SetTableEditable(false);
    SetToolIcon(ToolPlay, QStringLiteral("Stop.png"));
    m_playing = true;
    if (start && m_page) {
        const int index = m_scene->CurrentStepIndex();
        m_page->PlayScene(m_scene, index, index >= 0 ? 0 : -1);
    }
    ShowPlayingStep(m_scene);
    ShowHost().EnableLevelPanels(false);
}

void CEditSceneWnd::StopPlay(bool stop)
{
    if (!m_scene)
        return;
    m_playing = false;
    if (stop && m_page)
        m_page->StopScene(m_scene, false, false, true, true);
    SetTableEditable(true);
    UpdateActions();
    UpdateUndoButtons();
    SetToolIcon(ToolPlay, QStringLiteral("Play.png"));
    m_clock->SetTime(m_scene->m_cycleLength);
    ShowHost().EnableLevelPanels(true);
    OnSelStepChanged();
}

void CEditSceneWnd::ShowPlayingStep(CScene* scene)
{
    if (!m_playing || !scene || scene != m_scene)
        return;
    const int row = m_scene->StepToRow(m_scene->m_currentStep);
    if (row < 0)
        return;
    QSignalBlocker block(m_steps);
    m_steps->setCurrentCell(row, 0);
}

void CEditSceneWnd::Record()
{
    if (!m_scene || m_playing || ShowHost().IsRecording() || m_recordDlg)
        return;
    ShowHost().SetRecordDialogOpen(true);
    const int result = [this] {
        CRecordDmxDlg dialog(m_project, m_page, this);
        m_recordDlg = &dialog;
        const int answer = RunDialog(dialog);
        m_recordDlg = nullptr;
        return answer;
    }();
    ShowHost().SetRecordDialogOpen(false);
    TakeRecordedSteps(result == QDialog::Accepted);
}

void CEditSceneWnd::TakeRecordedSteps(bool keep)
{
    CScene* recorded = m_project.m_recordScene;
    if (!recorded)
        return;
    m_project.m_recordScene = nullptr;
    for (CPage* page : qAsConst(m_project.m_pages))
        page->DropScene(recorded);
    int row = CurrentRow();
    if (row < 0)
        row = m_steps->rowCount() - 1;
    if (keep && m_scene && RoomForPaste(recorded->m_steps)) {
        QScopedValueRollback<bool> busy(m_busy, true);
        BeginStepCommand();
        m_scene->PasteSteps(row, recorded->m_steps);
        m_scene->MarkActiveChannelsOf(*recorded);
        FillStepsTable(row + 1);
        UpdateDuration();
        PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoPasteSteps));
    }
    delete recorded;
}

void CEditSceneWnd::OnRecordStopped()
{
    if (m_recordDlg)
        m_recordDlg->OnRecordStopped();
}

void CEditSceneWnd::EnableDmx()
{
    ShowHost().ToggleSendEditDmx();
    UpdateDmxButton();
}

void CEditSceneWnd::UpdateDmxButton()
{
    const bool on = ShowHost().SendEditDmxOption();
    SetToolIcon(ToolDmx, on ? QStringLiteral("XLR.png") : QStringLiteral("XLR_Cross.png"));
    m_clock->SetPenColor(on ? QColor(80, 80, 80) : QColor(255, 0, 0));
    SetStepNumbersStyle(on ? kBlackHeader : kRedHeader);
}

void CEditSceneWnd::SetStepNumbersStyle(const QString& sheet)
{
    // A style sheet gives every row the style's height. Rows are made at
    // the plain step's height: each row resized places every row after it
    // again, and a table of 131,072 steps filled row by row took seconds.
    // The effect rows keep their own height.
    QVector<int> heights(m_steps->rowCount());
    for (int row = 0; row < heights.size(); ++row)
        heights[row] = m_steps->rowHeight(row);
    m_steps->verticalHeader()->setStyleSheet(sheet);
    m_steps->verticalHeader()->setDefaultSectionSize(kPlainRowHeight);
    for (int row = 0; row < heights.size(); ++row)
        m_steps->setRowHeight(row, heights[row]);
}

void CEditSceneWnd::Tick(int elapsedMs, int ticks)
{
    Q_UNUSED(ticks);
    if (!ShowHost().SendEditDmxOption() && g_blink.Advance(elapsedMs))
        SetToolIcon(ToolDmx, g_blink.IconName());
    if (m_playing && m_scene) {
        m_clock->SetTime(m_scene->m_roundedPosition);
    } else if (m_recordDlg) {
        if (m_recordDlg->IsPlayingBack() && m_project.m_recordScene)
            m_recordDlg->Clock()->SetTime(m_project.m_recordScene->m_roundedPosition);
        else if (ShowHost().IsRecording())
            m_recordDlg->Clock()->SetTime(ShowHost().DmxRecordElapsedMs());
    }
}
