#include "editors/EditSceneWnd.h"

#include "editors/EditSceneShared.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowBounds.h"
#include "show/UndoKind.h"

#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>

using namespace EditScene;

// --- Undo history

void CEditSceneWnd::PushUndo(int kind, const QString& label)
{
    if (!m_scene)
        return;
    if (kind == m_lastUndoKind && kind != UndoStepOperation) {
        // The run goes on: the entry is refreshed again at its end.
        m_lastEntryRefreshed = false;
        m_history.Disarm();
        return;
    }
    QScopedValueRollback<bool> busy(m_busy, true);
    QSignalBlocker block(m_undo);
    m_lastUndoKind = kind;
    int n = m_undo->rowCount();
    if (m_currentUndo == -1) {
        if (!m_lastEntryRefreshed)
            RefreshLastUndo();
    } else {
        // A change made while an earlier entry is shown drops the later ones.
        m_history.Truncate(m_currentUndo + 1);
        m_undo->setRowCount(m_currentUndo + 1);
        n = m_currentUndo + 1;
        m_currentUndo = -1;
        m_undo->clearSelection();
    }
    int row = n;
    if (n < kUndoLimit) {
        m_undo->insertRow(n);
    } else {
        m_undo->removeRow(0);
        m_history.RemoveFirst();
        row = kUndoLimit - 1;
        m_undo->insertRow(row);
    }
    // A step command the history saw coming costs what it changed.
    if (kind == UndoStepOperation || kind == UndoNewEffect)
        m_history.PushChange(*m_scene);
    else
        m_history.PushCopy(*m_scene);
    auto* item = new QTableWidgetItem(label);
    item->setData(Qt::UserRole, kind);
    m_undo->setItem(row, 0, item);
    m_tools[ToolUndo]->setEnabled(m_history.Count() > 1);
    m_tools[ToolRedo]->setEnabled(false);
    m_lastEntryRefreshed = false;
}

void CEditSceneWnd::BeginChange()
{
    // The entry of a run of level changes is refreshed lazily, at the next
    // push; the editor's own operations refresh it before they change the
    // scene, so that it never holds what they did.
    if (m_currentUndo == -1 && !m_lastEntryRefreshed) {
        RefreshLastUndo();
        m_lastEntryRefreshed = true;
    }
    m_history.Disarm();
}

void CEditSceneWnd::BeginStepCommand()
{
    BeginChange();
    if (m_scene && m_currentUndo == -1)
        m_history.Arm(*m_scene);
}

void CEditSceneWnd::StepCommandComing(CScene* scene)
{
    // Whatever comes, the history is armed for it alone: every entry of a
    // step command is pushed after its own BeginChange, BeginStepCommand or
    // this, so that no change made since an earlier, refused command passes
    // for one the newest entry holds.
    if (scene && scene == m_scene && !m_playing)
        BeginStepCommand();
    else
        m_history.Disarm();
}

void CEditSceneWnd::RefreshLastUndo()
{
    const int rows = m_undo->rowCount();
    if (rows == 0 || m_history.Count() != rows)
        return;
    const QTableWidgetItem* item = m_undo->item(rows - 1, 0);
    if (!item || item->data(Qt::UserRole).toInt() <= UndoStepOperation)
        return;
    m_history.RefreshLast(*m_scene);
}

void CEditSceneWnd::ClearUndo()
{
    m_history.Clear();
    m_currentUndo = -1;
}

void CEditSceneWnd::Undo()
{
    if (m_playing || m_currentUndo == 0 || m_history.Count() == 0)
        return;
    const int target = m_currentUndo > 0 ? m_currentUndo - 1 : m_history.Count() - 2;
    if (target >= 0)
        m_undo->setCurrentCell(target, 0);
}

void CEditSceneWnd::Redo()
{
    if (m_playing || m_currentUndo < 0 || m_currentUndo >= m_history.Count() - 1)
        return;
    m_undo->setCurrentCell(m_currentUndo + 1, 0);
}

void CEditSceneWnd::OnSelUndoChanged()
{
    if (m_busy || m_playing || !m_scene)
        return;
    const int r = m_undo->currentRow();
    if (r < 0 || r >= m_history.Count())
        return;
    if (m_currentUndo == -1)
        RefreshLastUndo();
    CScene* state = m_history.StateAt(r);
    if (!CShowBounds::AskRoomToReplace(m_project, *m_scene, *state)) {
        // The show has filled the room the state left: the scene stays as
        // it is, and so does the entry shown.
        delete state;
        QScopedValueRollback<bool> busy(m_busy, true);
        m_undo->setCurrentCell(m_currentUndo, m_currentUndo >= 0 ? 0 : -1);
        return;
    }
    m_currentUndo = r;
    ReplaceScene(state);
    // Undo gives back steps, effects, triggers and media; the fields shown stay.
    StoreParams();
    SetSceneFields(false);
}

void CEditSceneWnd::ReplaceScene(CScene* copy)
{
    CScene* old = m_scene;
    m_project.SetEditedScene(old, copy);
    m_scene = copy;
    if (m_page && m_page->IsPlaying(copy)) {
        // The copy is idle: it plays on from its first step, or stops at once
        // when it has nothing to play.
        copy->UpdateLength();
        if (!copy->Start(0, 0))
            m_page->DropScene(copy);
    }
    delete old;
}

QList<CScene*> CEditSceneWnd::Copies()
{
    // The states kept in part are made whole first: the steps they hold
    // are cleaned as the scenes' are, and no state names a fixture that went.
    QList<CScene*> copies = m_history.WholeScenes();
    if (m_opened)
        copies << m_opened;
    if (m_clip)
        copies << m_clip;
    return copies;
}

void CEditSceneWnd::FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices)
{
    // The show's scenes are cleaned by the project; the same calls clean the copies.
    for (CScene* copy : Copies()) {
        copy->RemoveFixtures(fixtures, m_project);
        copy->UnbindFixtures(fixtures);
        for (const CFixtureMatrix* matrix : matrices)
            copy->ReleaseMatrix(matrix);
    }
}

void CEditSceneWnd::FixtureProfilesChanged()
{
    for (CScene* copy : Copies())
        copy->FitEntriesToProfiles();
}

void CEditSceneWnd::ProfilesDeleting(const QList<CLibraryProfile*>& profiles)
{
    for (CScene* copy : Copies())
        copy->ForgetProfiles(profiles);
}

void CEditSceneWnd::SceneDeleting(CScene* scene)
{
    // Jumps and release lists are settings, which every state keeps whole.
    QList<CScene*> copies = m_history.SettingScenes();
    if (m_opened)
        copies << m_opened;
    if (m_clip)
        copies << m_clip;
    for (CScene* copy : copies)
        copy->ForgetScene(scene);
    if (!scene || scene != m_scene)
        return;
    if (m_playing)
        ShowHost().EnableLevelPanels(true);
    m_playing = false;
    m_scene = nullptr;
    // The page is in the middle of deleting the scene: the pages come back
    // once it is gone.
    QMetaObject::invokeMethod(this, &CEditSceneWnd::Close, Qt::QueuedConnection);
}
