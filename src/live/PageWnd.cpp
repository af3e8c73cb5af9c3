#include "live/PageWnd.h"

#include "Captions.h"
#include "effects/Effect.h"
#include "effects/PresetEffect.h"
#include "live/PageOptionsDlg.h"
#include "live/SceneButton.h"
#include "live/SceneButtonMime.h"
#include "live/SceneOptionsPopup.h"
#include "model/Language.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kGap = 6;
const char* const kSceneLineFormat = "image/zk-sceneline";
const char* const kSceneButFormat = "image/zk-scenebut";

int RunModal(QDialog& dialog)
{
    ShowHost().SuspendVideoWindow();
    const int result = dialog.exec();
    ShowHost().ResumeVideoWindow();
    return result;
}

CPresetEffect* PresetEffectOf(CScene* scene)
{
    if (!scene || !scene->IsEffectScene() || scene->m_effects.isEmpty())
        return nullptr;
    CEffect* effect = scene->m_effects.first();
    return effect && effect->m_type == EffectType::Preset ? static_cast<CPresetEffect*>(effect) : nullptr;
}

// The page's rule for copies' names, over the effect scenes.
QString UniqueEffectSceneName(const CProject& project, const QString& name)
{
    auto used = [&project](const QString& candidate) {
        return std::any_of(project.m_effectScenes.begin(), project.m_effectScenes.end(),
                           [&candidate](const CEffectScene* scene) { return scene->m_name == candidate; });
    };
    if (!used(name))
        return name;
    for (int n = 1;; ++n) {
        const QString candidate = name + QStringLiteral("_copy_%1").arg(n);
        if (!used(candidate))
            return candidate;
    }
}

template <typename List>
void MovePageOfScene(List& pages, const QList<CScene*>& scenes, const CScene* scene, CPage* page)
{
    for (int i = 0; i < scenes.size() && i < pages.size(); ++i) {
        if (scenes[i] == scene)
            pages[i] = page;
    }
}

} // namespace

CPageWnd::CPageWnd(CProject& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
    , m_scroll(new QScrollArea(this))
    , m_area(new QWidget)
    , m_popup(new CSceneOptionsPopup(project, this))
    , m_runDialog(RunModal)
{
    m_scroll->setWidget(m_area);
    m_scroll->setWidgetResizable(false);
    m_scroll->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
}

// --- What is shown

void CPageWnd::ShowPage(CPage* page)
{
    if (page && !m_project.m_pages.contains(page))
        page = nullptr;
    m_page = page;
    m_effects = false;
    m_bound = page != nullptr;
    MakePageCurrent();
    Rebuild();
}

void CPageWnd::ShowEffects()
{
    m_effects = true;
    Rebuild();
}

void CPageWnd::MakePageCurrent()
{
    if (m_page && !m_effects)
        m_project.m_currentPage = m_page;
}

QList<CScene*> CPageWnd::Scenes() const
{
    if (m_effects) {
        QList<CScene*> scenes;
        for (CEffectScene* scene : m_project.m_effectScenes)
            scenes << scene;
        return scenes;
    }
    return m_page ? m_page->m_scenes : QList<CScene*>();
}

CScene* CPageWnd::SceneAt(int n) const
{
    const QList<CScene*> scenes = Scenes();
    return n >= 0 && n < scenes.size() ? scenes[n] : nullptr;
}

CSceneButton* CPageWnd::Button(int n) const
{
    return n >= 0 && n < m_buttons.size() ? m_buttons[n] : nullptr;
}

void CPageWnd::Reload()
{
    if (!m_bound || !m_project.m_pages.contains(m_page)) {
        m_page = m_project.m_firstPage ? m_project.m_firstPage
                                       : (m_project.m_pages.isEmpty() ? nullptr : m_project.m_pages.first());
        m_bound = m_page != nullptr;
        MakePageCurrent();
    }
    Rebuild();
    ShowHost().SetModified(true);
}

void CPageWnd::Rebuild()
{
    // A button may be rebuilt from inside its own signal: it goes later.
    for (CSceneButton* button : qAsConst(m_buttons)) {
        button->hide();
        button->disconnect(this);
        button->deleteLater();
    }
    m_buttons.clear();
    const QList<CScene*> scenes = Scenes();
    for (int i = 0; i < scenes.size(); ++i) {
        auto* button = new CSceneButton(scenes[i], i, m_area);
        connect(button, &CSceneButton::pressed, this, &CPageWnd::PressButton);
        connect(button, &CSceneButton::optionsRequested, this, &CPageWnd::OpenOptions);
        connect(button, &CSceneButton::dragRequested, this, &CPageWnd::StartDrag);
        connect(button, &CSceneButton::menuRequested, this, &CPageWnd::ShowMenu);
        connect(button, &CSceneButton::levelMoved, this, &CPageWnd::SetPresetLevel);
        if (CPresetEffect* preset = PresetEffectOf(scenes[i])) {
            m_project.ReadPresetEffectLevel(preset, static_cast<CEffectScene*>(scenes[i]));
            button->ShowLevelFader(preset->m_prValue);
        }
        button->show();
        m_buttons << button;
    }
    if (m_current >= m_buttons.size())
        m_current = -1;
    if (CSceneButton* current = Button(m_current))
        current->SetCurrent(true);
    ClosePopupIfGone();
    RefreshMarks();
    LayoutButtons();
}

void CPageWnd::LayoutButtons()
{
    const int cell = CSceneButton::kWidth + kGap;
    const int columns = std::max(1, (m_scroll->viewport()->width() - kGap) / cell);
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->move(kGap + (i % columns) * cell, kGap + (i / columns) * (CSceneButton::kHeight + kGap));
    const int rows = (m_buttons.size() + columns - 1) / columns;
    m_area->resize(kGap + columns * cell, kGap + rows * (CSceneButton::kHeight + kGap));
}

void CPageWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutButtons();
}

// --- Marks

bool CPageWnd::EffectSceneRuns(const CEffectScene* scene) const
{
    const CPage* first = m_project.m_firstPage;
    for (const CEffectScene* copy : m_project.m_runningCopies) {
        if (copy->m_source == scene && !(first && first->IsPending(copy)) &&
            !m_project.m_releasingCopies.contains(const_cast<CEffectScene*>(copy)))
            return true;
    }
    // A copy waiting for the next tick counts, unless it only starts to fade out.
    for (const CEffectScene* copy : m_project.m_queuedCopies) {
        if (copy->m_source == scene && !m_project.m_copyFadeFrom.contains(copy) &&
            !m_project.m_releasingCopies.contains(const_cast<CEffectScene*>(copy)))
            return true;
    }
    return false;
}

bool CPageWnd::IsLit(CScene* scene) const
{
    if (m_effects)
        return scene->IsEffectScene() && EffectSceneRuns(static_cast<CEffectScene*>(scene));
    // A scene fading out after its stop is already released for the operator.
    return m_page && m_page->IsPlaying(scene) && !m_page->IsPending(scene);
}

void CPageWnd::RefreshMarks()
{
    for (CSceneButton* button : qAsConst(m_buttons))
        button->SetMarked(IsLit(button->Scene()));
}

void CPageWnd::OnSceneStarted(CPage* page, CScene* scene)
{
    if (!m_effects && page && page == m_page) {
        for (CSceneButton* button : qAsConst(m_buttons)) {
            if (button->Scene() == scene)
                button->SetMarked(true);
        }
    }
    ShowHost().UpdateReleaseScenesAction(false);
    ShowHost().RaiseUiUpdate();
}

void CPageWnd::OnSceneStopped(CPage* page, CScene* scene)
{
    if (m_effects) {
        RefreshMarks();
    } else if (page && page == m_page) {
        for (CSceneButton* button : qAsConst(m_buttons)) {
            if (button->Scene() == scene)
                button->SetMarked(false);
        }
    }
    ShowHost().UpdateReleaseScenesAction(false);
}

CScene* CPageWnd::CurrentScene() const
{
    const CSceneButton* button = Button(m_current);
    return button ? button->Scene() : nullptr;
}

void CPageWnd::SetCurrentIndex(int n)
{
    if (n < 0 || n >= m_buttons.size())
        n = -1;
    if (CSceneButton* old = Button(m_current))
        old->SetCurrent(false);
    m_current = n;
    if (CSceneButton* button = Button(n))
        button->SetCurrent(true);
}

// --- Buttons

void CPageWnd::PressButton(int n)
{
    CScene* scene = SceneAt(n);
    if (!scene)
        return;
    SetCurrentIndex(n);
    if (m_effects) {
        if (scene->IsEffectScene())
            m_project.ToggleEffectScene(static_cast<CEffectScene*>(scene), true, true);
    } else if (m_page) {
        m_page->ToggleScene(scene, true, true, false);
        ShowHost().UpdateReleaseScenesAction(false);
    }
    // A start may release other scenes of the page (its release mode).
    RefreshMarks();
}

void CPageWnd::OpenOptions(int n)
{
    CScene* scene = SceneAt(n);
    CSceneButton* button = Button(n);
    if (!scene || !button)
        return;
    SetCurrentIndex(n);
    m_popup->Open(scene, button->mapToGlobal(QPoint(0, button->height())));
}

CScene* CPageWnd::PopupScene() const
{
    CScene* scene = m_popup->Scene();
    return scene && Scenes().contains(scene) ? scene : nullptr;
}

void CPageWnd::ClosePopupIfGone()
{
    CScene* scene = m_popup->Scene();
    if (scene && !Scenes().contains(scene))
        m_popup->CloseFor(nullptr);
}

void CPageWnd::SetPresetLevel(int n, int percent)
{
    CScene* scene = SceneAt(n);
    CPresetEffect* preset = PresetEffectOf(scene);
    if (!preset)
        return;
    preset->m_prValue = std::clamp(percent, 0, 100);
    m_project.UpdatePresetEffectLevel(static_cast<CEffectScene*>(scene), true);
    ShowHost().SetModified(true);
}

QMimeData* CPageWnd::MakeDragData(int n) const
{
    CScene* scene = SceneAt(n);
    if (m_effects || !m_page || !scene)
        return nullptr;
    auto* data = new QMimeData;
    // The timeline reads the live page's current scene, not the payload.
    data->setData(QLatin1String(kSceneLineFormat), scene->m_name.toUtf8());
    data->setData(QLatin1String(kSceneButFormat),
                  SceneButtonMime::Encode(m_project.m_pages.indexOf(m_page), m_page->m_scenes.indexOf(scene)));
    return data;
}

void CPageWnd::StartDrag(int n)
{
    QMimeData* data = MakeDragData(n);
    if (!data)
        return;
    SetCurrentIndex(n);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

// --- Menu

void CPageWnd::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    ShowMenu(-1, event->globalPos());
}

void CPageWnd::ShowMenu(int n, const QPoint& globalPos)
{
    SetCurrentIndex(n);
    QMenu* menu = BuildMenu(n);
    menu->exec(globalPos);
    delete menu;
}

QMenu* CPageWnd::BuildMenu(int n)
{
    auto* menu = new QMenu(this);
    CScene* scene = SceneAt(n);
    menu->addAction(GetLangText(m_effects ? Txt::PagesNewEffectScene : Txt::PagesNewScene), this,
                    [this] { NewScene(); });
    if (!m_effects)
        menu->addAction(GetLangText(Txt::PagesNewPage), this, [this] { emit newPageRequested(); });
    if (scene) {
        menu->addSeparator();
        menu->addAction(GetLangText(Txt::PagesEdit), this, [this, n] { EditScene(n); });
        menu->addAction(GetLangText(Txt::PagesCopy), this, [this, n] { CopyScene(n); });
        menu->addAction(GetLangText(Txt::PagesDelete), this, [this, n] { DeleteScene(n); });
        menu->addAction(GetLangText(Txt::PagesOptions), this, [this, n] { OpenOptions(n); });
        if (!m_effects) {
            QMenu* move = menu->addMenu(GetLangText(Txt::PagesMoveTo));
            move->setEnabled(!m_page->IsPlaying(scene) && !m_page->IsPending(scene));
            for (CPage* page : qAsConst(m_project.m_pages)) {
                if (page != m_page)
                    move->addAction(page->m_name, this, [this, n, page] { MoveScene(n, page); });
            }
            if (move->isEmpty())
                move->setEnabled(false);
            QMenu* timeLine = menu->addMenu(GetLangText(Txt::PagesAddToTimeLine));
            const int lines = ShowHost().TimeLineSceneLineCount();
            for (int line = 0; line < lines; ++line) {
                QAction* action = timeLine->addAction(GetLangText(Txt::PagesTimeLineLine).arg(line + 1), this,
                                                      [this, n, line] { AddToTimeLine(n, line); });
                action->setEnabled(ShowHost().TimeLineLineEndX(line) >= 0);
            }
            if (lines > 0) {
                timeLine->addSeparator();
                timeLine->addAction(GetLangText(Txt::TimeLineNewLine), this, [] { ShowHost().AddTimeLineSceneLine(); });
            }
            timeLine->setEnabled(lines > 0);
        }
    }
    if (!m_effects && m_page) {
        menu->addSeparator();
        menu->addAction(GetLangText(Txt::PagesPageOptions), this, [this] { EditPageOptions(); });
    }
    return menu;
}

CScene* CPageWnd::NewScene()
{
    CScene* scene = nullptr;
    if (m_effects) {
        scene = m_project.AddEffectScene();
        if (scene)
            m_project.UniqueEffectScenePosition(m_project.m_effectScenes.size() - 1);
    } else if (m_page) {
        MakePageCurrent();
        scene = m_project.AddScene(false);
        if (scene)
            m_page->UniqueScenePosition(m_page->m_scenes.size() - 1);
    }
    if (!scene)
        return nullptr;
    Rebuild();
    ShowHost().SetModified(true);
    SetCurrentIndex(m_buttons.size() - 1);
    EditScene(m_buttons.size() - 1, true);
    return scene;
}

CScene* CPageWnd::CopyScene(int n)
{
    CScene* source = SceneAt(n);
    if (!source)
        return nullptr;
    CScene* copy = nullptr;
    if (m_effects ? !CShowBounds::AskRoom(m_project, CShowBounds::Scenes)
                  : !m_page || !CShowBounds::AskRoom(m_project, CShowBounds::Scenes)
                        || !CShowBounds::AskRoomForSteps(m_project, source->m_steps))
        return nullptr;
    if (m_effects) {
        auto* effectSource = static_cast<CEffectScene*>(source);
        auto* effectCopy = new CEffectScene(*effectSource, true, true, true, true);
        effectCopy->m_name = UniqueEffectSceneName(m_project, source->m_name);
        m_project.m_effectScenes << effectCopy;
        m_project.UniqueEffectScenePosition(m_project.m_effectScenes.size() - 1);
        copy = effectCopy;
    } else {
        copy = new CScene(*source, true, true, true);
        copy->m_name = m_page->UniqueSceneName(source->m_name);
        m_page->m_scenes << copy;
        m_page->UniqueScenePosition(m_page->m_scenes.size() - 1);
    }
    Rebuild();
    ShowHost().SetModified(true);
    return copy;
}

bool CPageWnd::DeleteScene(int n)
{
    CScene* scene = SceneAt(n);
    if (!scene)
        return false;
    if (ShowHost().AskQuestion(GetLangText(Txt::AppTitle), GetLangText(Txt::ReallyRemove)) != CShowHost::Yes)
        return false;
    m_popup->CloseFor(scene);
    bool removed = false;
    if (m_effects) {
        removed = m_project.RemoveEffectScene(m_project.m_effectScenes.indexOf(static_cast<CEffectScene*>(scene)));
    } else {
        MakePageCurrent();
        removed = m_project.RemoveScene(n);
    }
    if (m_current == n)
        m_current = -1;
    Rebuild();
    ShowHost().SetModified(true);
    return removed;
}

void CPageWnd::EditScene(int n)
{
    EditScene(n, false);
}

void CPageWnd::EditScene(int n, bool made)
{
    CScene* scene = SceneAt(n);
    if (!scene)
        return;
    m_popup->CloseFor(nullptr);
    if (m_effects)
        emit editEffectScene(static_cast<CEffectScene*>(scene), made);
    else
        emit editScene(m_page, scene);
}

bool CPageWnd::MoveScene(int n, CPage* target)
{
    CScene* scene = SceneAt(n);
    if (m_effects || !scene || !target || target == m_page || !m_project.m_pages.contains(target))
        return false;
    if (m_page->IsPlaying(scene) || m_page->IsPending(scene))
        return false;
    // Jumps and release lists name scenes of their own page only.
    for (CScene* other : qAsConst(m_page->m_scenes))
        other->ForgetScene(scene);
    scene->m_jumpTarget = nullptr;
    scene->m_jumpIndex = -1;
    scene->m_releaseList.clear();
    m_page->m_scenes.removeOne(scene);
    target->m_scenes << scene;
    target->UniqueScenePosition(target->m_scenes.size() - 1);
    // Stored crossfades name each scene with its page.
    for (CFadingButton* button : qAsConst(m_project.m_fadingButtons)) {
        MovePageOfScene(button->m_fadeOutPages, button->m_fadeOutScenes, scene, target);
        MovePageOfScene(button->m_fadeInPages, button->m_fadeInScenes, scene, target);
    }
    m_popup->CloseFor(scene);
    ShowHost().UpdateScenePage(scene, target);
    m_current = -1;
    Rebuild();
    ShowHost().SetModified(true);
    return true;
}

bool CPageWnd::AddToTimeLine(int n, int line)
{
    CScene* scene = SceneAt(n);
    if (m_effects || !scene || line < 0 || line >= ShowHost().TimeLineSceneLineCount())
        return false;
    const int x = ShowHost().TimeLineLineEndX(line);
    if (x < 0)
        return false;
    ShowHost().AddTimeLineSceneBlock(m_page, scene, line, x);
    return true;
}

bool CPageWnd::EditPageOptions()
{
    if (m_effects || !m_page)
        return false;
    CPageOptionsDlg dialog(*m_page, this);
    if (m_runDialog(dialog) != QDialog::Accepted)
        return false;
    const QString name = dialog.Name();
    if (!name.isEmpty() && name != m_page->m_name) {
        m_page->m_name = name;
        for (CScene* scene : qAsConst(m_page->m_scenes))
            ShowHost().UpdateSceneName(scene);
        emit pagesChanged();
    }
    ShowHost().SetModified(true);
    return true;
}

void CPageWnd::Retranslate()
{
    m_popup->Retranslate();
}
