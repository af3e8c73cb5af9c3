// The host operations the show library asks of the window: messages and the
// splash screen, the loaded project, the live pages and the layout view, the
// masks and the scene sound.

#include "app/Orvane.h"

#include "app/ModalWrappers.h"
#include "app/ZikoraImportDlg.h"
#include "editors/EditSceneWnd.h"
#include "editors/EditorFactory.h"
#include "live/CommandsWnd.h"
#include "live/DmxChannelsWnd.h"
#include "live/DmxLevelsWnd.h"
#include "live/FadingWnd.h"
#include "layout/FixturesWnd.h"
#include "layout/view/FixturesView.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "media/SystemMusicPlayer.h"
#include "panels/PresetsWnd.h"
#include "timeline/TimeLineWnd.h"
#include "show/ShowBounds.h"
#include "widgets/FitMessage.h"
#include "model/Language.h"
#include "Captions.h"

#include <QAction>
#include <QCoreApplication>
#include <QTimer>
#include <QInputDialog>
#include <QLineEdit>
#include <QPainter>
#include <QSplashScreen>
#include <QThread>

#include <utility>

namespace {

// The splash draws its message this far in from both sides.
constexpr int kSplashMargin = 5;

QPixmap SplashPicture()
{
    QPixmap picture(420, 220);
    picture.fill(QColor(210, 218, 238));
    QPainter painter(&picture);
    painter.setPen(QColor(229, 121, 72));
    QFont font = painter.font();
    font.setPointSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(picture.rect().adjusted(0, 0, 0, -40), Qt::AlignCenter, QStringLiteral("Orvane"));
    painter.setPen(QColor(60, 60, 60));
    painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    return picture;
}

} // namespace

void Orvane::ShowSplashMessage(const QString& text)
{
    // Above the main window, which comes up maximised behind it, so that a
    // load error is seen; a long message wraps and a long path loses its middle.
    if (!m_splash)
        m_splash = std::make_unique<QSplashScreen>(SplashPicture(), Qt::WindowStaysOnTopHint);
    m_splash->show();
    m_splashText = text;
    const int width = m_splash->width() - 2 * kSplashMargin;
    m_splash->showMessage(FitMessage(text, m_splash->fontMetrics(), width),
                          Qt::AlignBottom | Qt::AlignHCenter | Qt::TextWordWrap, QColor(60, 60, 60));
    QCoreApplication::processEvents();
}

void Orvane::CloseSplash()
{
    if (!m_splash)
        return;
    m_splash->close();
    m_splash.reset();
}

int Orvane::AskQuestion(const QString& title, const QString& text)
{
    return ::AskQuestion(this, title, text);
}

int Orvane::AskYesNoCancel(const QString& title, const QString& text)
{
    return ::AskYesNoCancel(this, title, text);
}

void Orvane::ShowInformation(const QString& title, const QString& text)
{
    // A box inside a file flow, or before the tick starts, would hold the
    // show on the wire for as long as it stays open.
    if (m_bBusy || !m_timer) {
        m_heldMessages.append({title, text});
        return;
    }
    ::ShowInformation(this, title, text);
}

void Orvane::ShowHeldMessages()
{
    if (m_bBusy || !m_timer)
        return;
    // Taken first: a flow started under a box holds its own.
    const QVector<SHeldMessage> held = std::exchange(m_heldMessages, {});
    for (const SHeldMessage& message : held)
        ::ShowInformation(this, message.title, message.text);
}

void Orvane::WaitAfterLoadError()
{
    // The error stays on the splash screen long enough to be read, and is
    // told again in a box once the flow ends.
    m_loadError = m_splashText;
    QThread::msleep(ulong(qMax(0, m_setup.loadErrorWaitMs)));
}

void Orvane::EffectTooLarge()
{
    ::ShowInformation(this, GetLangText(Txt::Warning), GetLangText(Txt::EffectTooLarge));
}

void Orvane::SuspendVideoWindow()
{
    ::SuspendVideoWindow();
}

void Orvane::ResumeVideoWindow()
{
    ::ResumeVideoWindow();
}

bool Orvane::ChooseImportScenes(const QStringList& sceneNames, QList<bool>& keep, bool& newPage)
{
    CZikoraImportDlg dialog(sceneNames, this);
    ::SuspendVideoWindow();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    ::ResumeVideoWindow();
    keep = dialog.SceneChecks();
    newPage = dialog.NewTabState() == Qt::Checked;
    return accepted;
}

void Orvane::OnProjectLoaded()
{
    m_sceneSoundFailedTold = false;
    if (m_timeLine)
        m_timeLine->UpdateFromProject();
    // The first reset comes before the panels are built.
    FixturesChanged();
    if (m_fixtures)
        m_fixtures->LoadProject();
    if (m_pages)
        m_pages->ReloadPages();
    if (m_fading) {
        m_fading->Reload();
        m_faders->UpdateSelection();
        m_commands->Refresh();
    }
    if (m_levelMonitor)
        m_levelMonitor->Reload();
    const int loadedMode = m_document->LoadedDmxMode();
    if (loadedMode != 0) {
        // Output is on before the mode is set, which starts Art-Net when
        // the mode uses it. A mode the window does not know comes from a
        // damaged file: the output keeps its mode, and starts nothing new.
        m_bOutputOn = true;
        UpdateOutputActions();
        SetOutputMode(loadedMode);
        m_document->ClearLoadedDmxMode();
    }
    UpdateReleaseScenesAction(false);
    UpdateReleaseEffectsAction();
    m_actReleaseLive->setEnabled(m_document->HasLiveLevels());
    ShowVolume();
    UpdateMaskMenu();
}

void Orvane::RepaintLayoutView()
{
    if (m_fixtures)
        m_fixtures->UpdateLiveView();
}

void Orvane::RepaintPlayingMarks()
{
    // The marks of the fixtures a scene drives are drawn whether or not the
    // view shows live colours.
    if (m_fixtures)
        m_fixtures->UpdateView();
}

void Orvane::StoreGroupView()
{
    if (m_fixtures)
        m_fixtures->StoreGroupView();
}

void Orvane::FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices)
{
    if (m_fixtures)
        m_fixtures->View()->ForgetFixtures(fixtures, matrices);
    if (m_editorFactory)
        m_editorFactory->FixturesDeleting(fixtures, matrices);
}

void Orvane::FixtureProfilesChanged()
{
    if (m_editorFactory)
        m_editorFactory->FixtureProfilesChanged();
}

void Orvane::ProfilesDeleting(const QList<CLibraryProfile*>& profiles)
{
    if (m_editorFactory)
        m_editorFactory->ProfilesDeleting(profiles);
}

bool Orvane::IsLayoutMoveLocked() const
{
    return m_fixtures && m_fixtures->View()->IsLocked();
}

void Orvane::SetLayoutMoveLocked(bool locked)
{
    if (m_fixtures)
        m_fixtures->View()->SetLocked(locked);
}

void Orvane::SelectEffectFixtures(const CEffect* effect)
{
    if (m_fixtures)
        m_fixtures->SelectEffectFixtures(effect);
}

void Orvane::SelectLivePage(int n)
{
    if (m_pages)
        m_pages->SelectPage(n);
}

void Orvane::RefreshEffectState(int effectSceneIndex)
{
    Q_UNUSED(effectSceneIndex); // every effect scene's light is read again
    RefreshPageMarks();
    UpdateReleaseEffectsAction();
    RepaintPlayingMarks();
}

void Orvane::RefreshLivePage()
{
    RefreshPageMarks();
    m_bUiUpdate = true;
    RepaintPlayingMarks();
}

CPageWnd* Orvane::SettledPageView() const
{
    // A file flow may have cleared the project under the buttons: they are
    // not read before OnProjectLoaded rebuilds them.
    return m_pages && !m_bBusy ? m_pages->PageView() : nullptr;
}

void Orvane::RefreshPageMarks()
{
    // Behind an editor the page view is hidden; it rebuilds as it returns.
    CPageWnd* view = SettledPageView();
    if (view && m_pages->Mode() == CPagesWnd::PagesMode)
        view->RefreshMarks();
}

void Orvane::ReloadPage()
{
    // Safe at any time: the view takes its page afresh from the project.
    if (m_pages)
        m_pages->PageView()->Reload();
}

void Orvane::RefreshEffectActions()
{
    if (m_document->HasRunningEffects())
        m_actReleaseEffects->setEnabled(true);
    RepaintPlayingMarks();
}

void Orvane::NotifySceneEditorScene(CScene* scene)
{
    if (auto* editor = dynamic_cast<CEditSceneWnd*>(m_pages->ShownEditor()))
        editor->ShowPlayingStep(scene);
}

void Orvane::NotifySceneEditor(int undoKind, const QString& label)
{
    if (m_pages->Mode() == CPagesWnd::SceneEditMode) {
        if (CLiveEditor* editor = m_pages->ShownEditor())
            editor->PushUndo(undoKind, label);
    }
}

void Orvane::RefreshOutputViews()
{
    m_document->RefreshOutput();
    if (m_presets && m_toolPanel == kPresetsPanel)
        m_presets->RefreshControls();
    RefreshShownPanel();
}

void Orvane::RefreshCurrentPanel()
{
    RefreshShownPanel();
    m_bUiUpdate = true;
}

void Orvane::OnSceneStarted(CPage* page, CScene* scene)
{
    if (CPageWnd* view = SettledPageView())
        view->OnSceneStarted(page, scene);
}

void Orvane::RenderStartedScenes()
{
    m_rendersAsked = true;
    if (m_renderTimer && !m_renderTimer->isActive())
        m_renderTimer->start(0);
}

void Orvane::SetBusy(bool busy)
{
    m_bBusy = busy;
    // Renders asked for during a file flow wait for its end.
    if (!busy && m_rendersAsked)
        RenderStartedScenes();
}

// Fifty scenes started by one key would leave the tick that sends their
// first frame fifty renders to make. They are made here instead, one at a
// time while the slot is further off than a render takes, and after that
// tick in the time before the next; a render only starts where it ends
// before its slot. What is not ready by then the tick plays as it goes.
void Orvane::RenderBeforeTick()
{
    if (!m_bTickOn || m_bBusy || m_tick.IsRunning())
        return;
    TickIfDue();
    const qint64 left = m_tick.MsToNextSlot();
    if (double(left) <= m_renderMs + 1) {
        // Just after the slot, when the tick has gone out; that tick plays
        // them as they go, a fraction of what rendering them would hold
        // its frame back by.
        m_document->LeaveDueRendersBetweenTicks();
        m_renderTimer->start(int(qBound<qint64>(0, left, kTickMs)) + 1);
        // One render slowed by the machine holds none off for good.
        m_renderMs *= 0.75;
        return;
    }
    const qint64 begun = m_setup.renderClockNs();
    qint64 budget = 1; // a render
    const bool more = m_document->RenderDueNow(budget);
    m_renderMs = qMax(double(m_setup.renderClockNs() - begun) / 1e6, m_renderMs * 0.75);
    m_rendersAsked = more;
    if (more)
        m_renderTimer->start(0);
}

void Orvane::OnSceneStopped(CPage* page, CScene* scene)
{
    if (CPageWnd* view = SettledPageView())
        view->OnSceneStopped(page, scene);
    if (m_fading)
        m_fading->OnSceneStopped(scene);
}

void Orvane::AddMask()
{
    if (!CShowBounds::AskRoom(m_project, CShowBounds::Masks))
        return;
    const QString proposal = GetLangText(Txt::EdMaskNumbered).arg(m_project.m_masks.size() + 1);
    SuspendVideoWindow();
    bool ok = false;
    const QString name = QInputDialog::getText(this, GetLangText(Txt::EdMasks), GetLangText(Txt::EdMaskName),
                                               QLineEdit::Normal, proposal, &ok);
    ResumeVideoWindow();
    if (!ok || name.trimmed().isEmpty())
        return;
    // The levels set: those of the scene edited, else the live ones.
    const bool edited = m_project.m_editedScene != nullptr;
    CMask mask;
    mask.m_name = name;
    for (int u = 0; u < m_project.UniverseCount(); ++u) {
        if (!m_project.IsActive(u))
            continue;
        const quint8* levels = edited ? m_project.m_edit[u] : m_project.m_live[u];
        const quint8* set = edited ? m_project.m_editMask[u] : m_project.m_liveMask[u];
        for (int slot = 0; slot < CDmxLayer::kSlots; ++slot) {
            if (set[slot])
                mask.m_levels.append({u, slot, levels[slot]});
        }
    }
    // Part of the masks editor's edit, which marks the show if it is kept.
    m_project.m_masks << mask;
}

void Orvane::PlaySceneSound(const QString& path, int volume)
{
    if (!m_sceneSound) {
        m_sceneSound = m_makeMusicPlayer ? m_makeMusicPlayer(this) : new CSystemMusicPlayer(this);
        // Told after the start that failed, never inside the scene's start.
        connect(m_sceneSound, &CMusicPlayer::failed, this, &Orvane::OnSceneSoundFailed, Qt::QueuedConnection);
    }
    m_sceneSound->Stop();
    m_sceneSound->SetFile(path);
    m_sceneSound->SetVolume(qBound(0, volume, 100));
    m_sceneSound->Play();
}

void Orvane::OnSceneSoundFailed(const QString& reason)
{
    // Without a sound output every start fails alike: one box a show, as
    // for the timeline's music.
    if (m_sceneSoundFailedTold)
        return;
    m_sceneSoundFailedTold = true;
    ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::SceneSoundFailed).arg(reason));
}

void Orvane::StopSceneSound()
{
    if (m_sceneSound)
        m_sceneSound->Stop();
}

void Orvane::SetSceneSoundVolume(int volume)
{
    // The volume is the project's: a player made later starts with it.
    if (m_sceneSound)
        m_sceneSound->SetVolume(qBound(0, volume, 100));
}
