#include "editors/EditSceneWnd.h"

#include "Captions.h"
#include "editors/EditSceneShared.h"
#include "editors/ModalRun.h"
#include "editors/SceneMediaDlg.h"
#include "editors/ScenesListDlg.h"
#include "live/TriggerDispatcher.h"
#include "model/Language.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "show/UndoKind.h"
#include "widgets/TimeWidget.h"
#include "widgets/ZKTimeEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QListWidgetItem>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableWidget>

using namespace EditScene;

// --- Opening and fields

void CEditSceneWnd::SetScene(CPage* page, CScene* scene, bool playing)
{
    if (!page || !scene)
        return;
    m_page = page;
    m_scene = scene;
    delete m_opened;
    m_opened = CopyOf(*scene);
    m_project.SetEditedScene(nullptr, scene);
    Retranslate();
    SetSceneFields(true);
    UpdateEffectList();
    UpdateDmxButton();
    PushUndo(UndoEdit, GetLangText(Txt::EdEdit));
    if (playing)
        StartPlay(false);
    else
        StopPlay(false);
}

void CEditSceneWnd::SetSceneFields(bool resetHistory)
{
    QScopedValueRollback<bool> busy(m_busy, true);
    m_name->setText(m_scene->m_name);
    m_fadeIn->SetTime(TimeOf(m_scene->m_fadeIn));
    m_fadeOut->SetTime(TimeOf(m_scene->m_fadeOut));
    if (m_loops->count() != kLoopItems)
        FillLoopItems(*m_loops);
    ShowLoopCount(*m_loops, m_scene->m_loopCount);
    FillJumpCombo();
    const int mode = m_scene->m_playMode;
    m_releaseMode->setCurrentIndex(mode >= 0 && mode < kPlayModes ? mode : -1);
    m_triggers->setText(m_scene->m_triggers.GetText());
    m_currentTab->setChecked(!m_scene->m_playInCurrentPage);
    FillStepsTable(0);
    m_clock->SetTime(m_scene->m_cycleLength);
    m_duration->setText(m_scene->DurationText());
    if (resetHistory) {
        ClearUndo();
        QSignalBlocker block(m_undo);
        m_undo->clearContents();
        m_undo->setRowCount(0);
    }
    UpdateUndoButtons();
    m_lastUndoKind = 0;
}

void CEditSceneWnd::FillJumpCombo()
{
    QSignalBlocker block(m_jump);
    m_jump->clear();
    m_jump->addItem(GetLangText(Txt::EdStop));
    m_jump->addItem(GetLangText(Txt::EdNext));
    for (const CScene* other : qAsConst(m_page->m_scenes)) {
        if (other != m_scene)
            m_jump->addItem(other->m_name);
    }
    if (m_scene->m_loopCount == 0) {
        m_jump->setCurrentIndex(0);
        m_jump->setEnabled(false);
        return;
    }
    m_jump->setEnabled(true);
    int index = 0;
    if (m_scene->m_autoJump) {
        index = 1;
    } else if (m_scene->m_jumpTarget) {
        for (int i = 2; i < m_jump->count(); ++i) {
            if (m_jump->itemText(i) == m_scene->m_jumpTarget->m_name) {
                index = i;
                break;
            }
        }
    }
    m_jump->setCurrentIndex(index);
}

void CEditSceneWnd::StoreParams()
{
    if (!m_scene)
        return;
    EditScene::StoreName(*m_name, *m_scene);
    m_scene->SetFadeIn(m_fadeIn->GetTime());
    m_scene->SetFadeOut(m_fadeOut->GetTime());
    if (m_loops->currentIndex() >= 0)
        m_scene->m_loopCount = qint16(m_loops->currentIndex());
    if (m_scene->m_loopCount != 0 && m_jump->currentIndex() >= 0) {
        // The first two items are "Stop" and "Next"; only the names after
        // them are scenes, whatever a scene is called.
        const int index = m_jump->currentIndex();
        m_scene->m_autoJump = index == 1;
        m_scene->m_jumpTarget = index >= 2 && m_page ? m_page->FindScene(m_jump->currentText()) : nullptr;
    } else if (m_scene->m_loopCount == 0) {
        m_scene->m_autoJump = false;
        m_scene->m_jumpTarget = nullptr;
    }
    if (m_scene->m_jumpTarget == m_scene)
        m_scene->m_jumpTarget = nullptr;
    m_scene->m_jumpIndex = m_page && m_scene->m_jumpTarget ? m_page->m_scenes.indexOf(m_scene->m_jumpTarget) : -1;
    if (m_releaseMode->currentIndex() >= 0)
        m_scene->m_playMode = m_releaseMode->currentIndex();
    m_scene->m_playInCurrentPage = !m_currentTab->isChecked();
    ShowHost().SetModified(true);
}

bool CEditSceneWnd::ChangedFrom(const CScene& reference) const
{
    const int loops = m_loops->currentIndex() >= 0 ? m_loops->currentIndex() : reference.m_loopCount;
    bool autoJump = false;
    const CScene* target = nullptr;
    if (loops != 0) {
        autoJump = m_jump->currentIndex() == 1;
        target = m_jump->currentIndex() >= 2 ? m_page->FindScene(m_jump->currentText()) : nullptr;
        if (m_jump->currentIndex() < 0) {
            autoJump = reference.m_autoJump;
            target = reference.m_jumpTarget;
        }
    }
    const int mode = m_releaseMode->currentIndex() >= 0 ? m_releaseMode->currentIndex() : reference.m_playMode;
    return m_name->text() != reference.m_name || Ms(m_fadeIn->GetTime()) != reference.m_fadeIn ||
           Ms(m_fadeOut->GetTime()) != reference.m_fadeOut || loops != reference.m_loopCount ||
           autoJump != reference.m_autoJump || target != reference.m_jumpTarget || mode != reference.m_playMode ||
           m_currentTab->isChecked() == reference.m_playInCurrentPage ||
           CTriggerDispatcher::FormatCommandTrigger(m_scene->m_triggers) !=
               CTriggerDispatcher::FormatCommandTrigger(reference.m_triggers) ||
           m_scene->m_playSound != reference.m_playSound || m_scene->m_sound != reference.m_sound ||
           m_scene->m_defaultButtonPicture != reference.m_defaultButtonPicture ||
           m_scene->m_buttonPicture != reference.m_buttonPicture || m_scene->m_releaseList != reference.m_releaseList;
}

void CEditSceneWnd::RestoreParams(const CScene& reference)
{
    if (m_scene->m_name != reference.m_name) {
        m_scene->m_name = reference.m_name;
        ShowHost().UpdateSceneName(m_scene);
    }
    m_scene->m_fadeIn = reference.m_fadeIn;
    m_scene->m_fadeOut = reference.m_fadeOut;
    m_scene->m_loopCount = reference.m_loopCount;
    m_scene->m_autoJump = reference.m_autoJump;
    m_scene->m_jumpTarget = reference.m_jumpTarget;
    m_scene->m_jumpIndex = reference.m_jumpIndex;
    m_scene->m_playMode = reference.m_playMode;
    m_scene->m_playInCurrentPage = reference.m_playInCurrentPage;
    m_scene->m_triggers = reference.m_triggers;
    m_scene->m_playSound = reference.m_playSound;
    m_scene->m_sound = reference.m_sound;
    m_scene->m_defaultButtonPicture = reference.m_defaultButtonPicture;
    m_scene->m_buttonPicture = reference.m_buttonPicture;
    m_scene->m_releaseList = reference.m_releaseList;
    m_scene->LoadButtonPicture();
    m_scene->UpdateLength();
}

// --- Effects

void CEditSceneWnd::OnSelEffectChanged(QListWidgetItem* item)
{
    if (m_playing || !item)
        return;
    m_lastUndoKind = 0;
    emit editEffect(eEffect(item->data(Qt::UserRole).toInt()), false);
}

void CEditSceneWnd::EditStepEffect()
{
    if (m_busy || m_playing || !m_scene || !m_scene->m_currentStep || !m_scene->m_currentStep->m_effect)
        return;
    emit editEffect(eEffect(m_scene->m_currentStep->m_effect->m_type), true);
}

void CEditSceneWnd::OnCelStepDoubleClicked(int row, int column)
{
    Q_UNUSED(row);
    Q_UNUSED(column);
    EditStepEffect();
}

void CEditSceneWnd::OnSelStepClicked(QTableWidgetItem* item)
{
    Q_UNUSED(item);
    if (!(QApplication::mouseButtons() & Qt::RightButton) || !m_scene || !m_scene->m_currentStep ||
        !m_scene->m_currentStep->m_effect)
        return;
    QMenu menu(this);
    menu.setStyleSheet(QStringLiteral("QMenu { background: rgb(195, 195, 190) }"));
    menu.addAction(QIcon(kIcons + QStringLiteral("Params.png")), GetLangText(Txt::EdEdit), this,
                   &CEditSceneWnd::EditStepEffect);
    menu.exec(QCursor::pos());
}

// --- Parameters

void CEditSceneWnd::OnLoopsChanged(int index)
{
    if (m_busy || !m_scene || index < 0)
        return;
    if (index == 0)
        m_jump->setCurrentIndex(0);
    m_jump->setEnabled(index != 0);
    m_scene->m_loopCount = qint16(index);
    UpdateDuration();
}

void CEditSceneWnd::OnPlayModeChanged(int index)
{
    if (m_busy || !m_scene || index != ReleaseList)
        return;
    const QList<CScene*> saved = m_scene->m_releaseList;
    CScenesListDlg dialog(m_page, m_scene, this);
    if (RunDialog(dialog) != QDialog::Accepted && m_scene)
        m_scene->m_releaseList = saved;
}

void CEditSceneWnd::OnPlayModeInfo()
{
    const int texts[] = {Txt::EdHelpIdentical, Txt::EdHelpLtp, Txt::EdHelpAuto, Txt::EdHelpAll, Txt::EdHelpList};
    const int mode = m_releaseMode->currentIndex();
    if (mode >= 0 && mode < kPlayModes)
        ShowHost().ShowInformation(GetLangText(Txt::EdHelp), GetLangText(texts[mode]));
}

void CEditSceneWnd::OnTriggers()
{
    if (!m_scene)
        return;
    if (EditScene::EditTriggers(m_scene->m_triggers, m_project.UniverseCount(), this) && m_scene)
        m_triggers->setText(m_scene->m_triggers.GetText());
}

void CEditSceneWnd::OnMedias()
{
    if (!m_scene)
        return;
    CSceneMediaDlg dialog(*m_scene, this);
    RunDialog(dialog);
}
