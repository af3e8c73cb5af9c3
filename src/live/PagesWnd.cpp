#include "live/PagesWnd.h"

#include "Captions.h"
#include "live/PageWnd.h"
#include "live/SceneOptionsPopup.h"
#include "model/Language.h"
#include "show/EffectScene.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "show/UndoKind.h"
#include "widgets/HTabsWnd.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

CPagesWnd::CPagesWnd(CProject& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
    , m_tabs(new CHTabsWnd)
    , m_effectsTab(new QToolButton)
    , m_pageWnd(new CPageWnd(project))
    , m_stack(new QStackedWidget(this))
    , m_pagesPane(new QWidget)
{
    m_effectsTab->setCheckable(true);
    m_effectsTab->setAutoRaise(true);
    m_effectsTab->setFixedHeight(CHTabsWnd::kHeight);

    auto* tabRow = new QHBoxLayout;
    tabRow->setContentsMargins(0, 0, 0, 0);
    tabRow->setSpacing(2);
    tabRow->addWidget(m_effectsTab);
    tabRow->addWidget(m_tabs, 1);
    auto* pane = new QVBoxLayout(m_pagesPane);
    pane->setContentsMargins(0, 0, 0, 0);
    pane->setSpacing(0);
    pane->addLayout(tabRow);
    pane->addWidget(m_pageWnd, 1);
    m_stack->addWidget(m_pagesPane);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    connect(m_tabs, &CHTabsWnd::tabChanged, this, &CPagesWnd::OnTabChanged);
    connect(m_tabs, &CHTabsWnd::addRequested, this, &CPagesWnd::OnNewPageRequested);
    connect(m_tabs, &CHTabsWnd::tabClosed, this, &CPagesWnd::OnTabClosed);
    connect(m_effectsTab, &QToolButton::clicked, this, [this] { ShowEffectsTab(); });
    connect(m_pageWnd, &CPageWnd::editScene, this, &CPagesWnd::EditScene);
    connect(m_pageWnd, &CPageWnd::editEffectScene, this, &CPagesWnd::EditEffectScene);
    connect(m_pageWnd, &CPageWnd::newPageRequested, this, &CPagesWnd::OnNewPageRequested);
    connect(m_pageWnd, &CPageWnd::pagesChanged, this, &CPagesWnd::RefreshTabs);
    Retranslate();
    ReloadPages();
}

CPagesWnd::~CPagesWnd()
{
    // The editors may still point into the project; they go first.
    delete m_effectsWidget.data();
    delete m_editorWidget.data();
}

// --- Pages

void CPagesWnd::ReloadPages()
{
    CPage* page = m_project.m_currentPage;
    if (!m_project.m_pages.contains(page))
        page = m_project.m_pages.isEmpty() ? nullptr : m_project.m_pages.first();
    m_pageWnd->ShowPage(page);
    m_effectsTab->setChecked(false);
    RefreshTabs();
}

void CPagesWnd::DetachFromProject()
{
    m_pageWnd->ShowPage(nullptr);
}

void CPagesWnd::RefreshTabs()
{
    QStringList names;
    for (const CPage* page : qAsConst(m_project.m_pages))
        names << page->m_name;
    m_tabs->SetTabs(names);
    m_tabs->m_current = m_pageWnd->IsEffectsTab() ? -1 : m_project.m_pages.indexOf(m_pageWnd->Page());
    m_tabs->UpdateLayout();
    m_tabs->update();
}

void CPagesWnd::SelectPage(int n)
{
    // A page index may come from a file (a group's linked page).
    if (n < 0 || n >= m_project.m_pages.size() || m_mode != PagesMode)
        return;
    m_effectsTab->setChecked(false);
    m_pageWnd->ShowPage(m_project.m_pages[n]);
    m_tabs->m_current = n;
    m_tabs->update();
}

void CPagesWnd::ShowEffectsTab()
{
    if (m_mode != PagesMode)
        return;
    m_effectsTab->setChecked(true);
    m_tabs->m_current = -1;
    m_tabs->update();
    m_pageWnd->ShowEffects();
}

bool CPagesWnd::IsEffectsTabShown() const
{
    return m_pageWnd->IsEffectsTab();
}

void CPagesWnd::OnTabChanged(int n)
{
    SelectPage(n);
}

void CPagesWnd::OnNewPageRequested()
{
    if (!m_project.AddPage(GetLangText(Txt::NewTab)))
        return;
    ShowHost().SetModified(true);
    RefreshTabs();
    SelectPage(m_project.m_pages.size() - 1);
}

void CPagesWnd::OnTabClosed(int n)
{
    CPage* shown = m_pageWnd->Page();
    const bool asked = n >= 1 && n < m_project.m_pages.size() &&
                       ShowHost().AskQuestion(GetLangText(Txt::AppTitle), GetLangText(Txt::ReallyRemove)) ==
                           CShowHost::Yes;
    // The bar dropped the tab already; a page that stays gets it back.
    if (asked && m_project.RemovePage(n)) {
        ShowHost().SetModified(true);
        if (!m_project.m_pages.contains(shown))
            m_pageWnd->ShowPage(m_project.m_currentPage);
    }
    RefreshTabs();
}

// --- What the trigger dispatcher asks

CScene* CPagesWnd::PopupScene() const
{
    return m_mode == PagesMode ? m_pageWnd->PopupScene() : nullptr;
}

void CPagesWnd::PopupSceneChanged(bool dimmerChanged)
{
    if (PopupScene())
        m_pageWnd->OptionsPopup()->SceneChanged(dimmerChanged);
}

bool CPagesWnd::TriggerEffectScene(CEffectScene* scene, int kind, int value)
{
    const bool result = scene && m_project.TriggerEffectScene(scene, kind, value);
    if (m_pageWnd->IsEffectsTab())
        m_pageWnd->RefreshMarks();
    return result;
}

bool CPagesWnd::ToggleEffectScene(CEffectScene* scene, bool allowPlay, bool allowStop)
{
    const bool result = scene && m_project.ToggleEffectScene(scene, allowPlay, allowStop);
    if (m_pageWnd->IsEffectsTab())
        m_pageWnd->RefreshMarks();
    return result;
}

// --- Editors

CEffect* CPagesWnd::EditedEffect() const
{
    return m_mode == EffectsMode && m_effectsWidget ? m_effectsEditor->EditedEffect() : nullptr;
}

CLiveEditor* CPagesWnd::ShownEditor() const
{
    if (m_mode == EffectsMode)
        return m_effectsWidget ? m_effectsEditor : nullptr;
    if (m_mode != PagesMode)
        return m_editorWidget ? m_editor : nullptr;
    return nullptr;
}

CLiveEditor* CPagesWnd::Open(CLiveEditorFactory::Kind kind)
{
    CLiveEditor* editor = m_factory ? m_factory->Create(kind, this) : nullptr;
    if (editor && !editor->Widget()) {
        delete editor;
        return nullptr;
    }
    if (!editor)
        return nullptr;
    QWidget* widget = editor->Widget();
    const QMetaObject* meta = widget->metaObject();
    // Editors are connected by signature, as each declares the signals it has.
    auto has = [meta](const char* signature) {
        return meta->indexOfSignal(QMetaObject::normalizedSignature(signature).constData()) >= 0;
    };
    if (kind == CLiveEditorFactory::EffectsWindow) {
        if (has("closeWnd(bool,bool)"))
            connect(widget, SIGNAL(closeWnd(bool, bool)), this, SLOT(OnCloseEffects(bool, bool)));
    } else {
        if (has("closeWnd()"))
            connect(widget, SIGNAL(closeWnd()), this, SLOT(OnCloseEditor()));
        if (has("editEffect(eEffect,bool)"))
            connect(widget, SIGNAL(editEffect(eEffect, bool)), this, SLOT(OnEditEffect(eEffect, bool)));
    }
    m_stack->addWidget(widget);
    return editor;
}

void CPagesWnd::ShowEditor(CLiveEditor* editor)
{
    QWidget* widget = editor->Widget();
    m_stack->setCurrentWidget(widget);
    widget->show();
    widget->setFocus();
}

void CPagesWnd::DeleteEditor(CLiveEditor*& editor, QPointer<QWidget>& widget)
{
    if (QWidget* w = widget.data()) {
        w->hide();
        m_stack->removeWidget(w);
        w->disconnect(this);
        // It may be inside its own closing signal.
        w->deleteLater();
    }
    widget.clear();
    editor = nullptr;
}

CScene* CPagesWnd::EditedScene() const
{
    // The scene editor may swap the scene object (undo): the project knows the one edited now.
    CScene* scene = m_project.m_editedScene ? m_project.m_editedScene : m_editedScene;
    for (const CPage* page : qAsConst(m_project.m_pages)) {
        if (page->m_scenes.contains(scene))
            return scene;
    }
    for (CEffectScene* effectScene : qAsConst(m_project.m_effectScenes)) {
        if (effectScene == scene)
            return scene;
    }
    return nullptr;
}

void CPagesWnd::EndEffectSceneEdit(bool cancelled)
{
    // Left, it would be a button that plays nothing.
    CEffectScene* made = m_madeEffectScene;
    m_madeEffectScene = nullptr;
    const int index = m_project.m_effectScenes.indexOf(made);
    if (cancelled && index >= 0 && made->m_effects.isEmpty())
        m_project.RemoveEffectScene(index);
}

void CPagesWnd::ShowPages()
{
    m_stack->setCurrentWidget(m_pagesPane);
    m_pageWnd->Refresh();
}

void CPagesWnd::SetMode(int mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    emit modeChanged(mode);
}

bool CPagesWnd::EditScene(CPage* page, CScene* scene)
{
    if (m_mode != PagesMode || !page || !scene || !page->m_scenes.contains(scene))
        return false;
    CLiveEditor* editor = StartEditor(CLiveEditorFactory::SceneEditor, scene);
    if (!editor)
        return false;
    editor->SetScene(page, scene, m_project.IsScenePlaying(scene));
    PresentEditor(editor, SceneEditMode);
    return true;
}

bool CPagesWnd::EditEffectScene(CEffectScene* scene, bool made)
{
    if (m_mode != PagesMode || !scene || !m_project.m_effectScenes.contains(scene))
        return false;
    CLiveEditor* editor = StartEditor(CLiveEditorFactory::EffectSceneEditor, scene);
    if (!editor)
        return false;
    m_madeEffectScene = made ? scene : nullptr;
    editor->SetEffectScene(scene);
    PresentEditor(editor, EffectSceneEditMode);
    return true;
}

bool CPagesWnd::EditMasks()
{
    if (m_mode != PagesMode)
        return false;
    CLiveEditor* editor = StartEditor(CLiveEditorFactory::MasksEditor, nullptr);
    if (!editor)
        return false;
    PresentEditor(editor, MasksMode);
    return true;
}

CLiveEditor* CPagesWnd::StartEditor(CLiveEditorFactory::Kind kind, CScene* scene)
{
    CLiveEditor* editor = Open(kind);
    if (!editor)
        return nullptr;
    m_pageWnd->OptionsPopup()->CloseFor(nullptr);
    m_editor = editor;
    m_editorWidget = editor->Widget();
    m_editedScene = scene;
    return editor;
}

void CPagesWnd::PresentEditor(CLiveEditor* editor, int mode)
{
    m_editorMode = mode;
    ShowEditor(editor);
    SetMode(mode);
}

void CPagesWnd::OnEditEffect(eEffect type, bool edit)
{
    if (m_mode != SceneEditMode && m_mode != EffectSceneEditMode)
        return;
    if (sender() && sender() != m_editorWidget.data())
        return;
    CLiveEditor* effects = Open(CLiveEditorFactory::EffectsWindow);
    if (!effects)
        return;
    m_effectsEditor = effects;
    m_effectsWidget = effects->Widget();
    // The editor waits, hidden, for the effect's edit to end.
    if (m_editorWidget)
        m_editorWidget->hide();
    effects->EditEffect(EditedScene(), int(type), edit);
    ShowEditor(effects);
    SetMode(EffectsMode);
}

void CPagesWnd::OnCloseEffects(bool done, bool cancelled)
{
    if (m_mode != EffectsMode)
        return;
    if (sender() && sender() != m_effectsWidget.data())
        return;
    DeleteEditor(m_effectsEditor, m_effectsWidget);
    if (!m_editorWidget) {
        m_editor = nullptr;
        m_editedScene = nullptr;
        EndEffectSceneEdit(done && cancelled);
        ShowPages();
        SetMode(PagesMode);
        return;
    }
    // A scene that went while its effect was edited leaves the editor
    // behind it nothing to show: the edit ends below.
    if (m_editorMode == SceneEditMode && EditedScene()) {
        ShowEditor(m_editor);
        m_editor->UpdateDmxButton();
        if (done && !cancelled)
            m_editor->PushUndo(UndoNewEffect, GetLangText(Txt::PagesUndoNewEffect));
        m_editor->FillStepsTable();
        m_editor->UpdateDuration();
        m_editor->UpdateEffectList();
        SetMode(SceneEditMode);
        return;
    }
    // The effect scene's editor comes back for its parameters only; an
    // apply or a cancel ends the whole edit.
    if (m_editorMode != SceneEditMode && !done && cancelled) {
        ShowEditor(m_editor);
        // The selection may have changed while the effect was edited.
        m_editor->UpdateEffectList();
        SetMode(EffectSceneEditMode);
        return;
    }
    m_editor->ReleaseScene();
    DeleteEditor(m_editor, m_editorWidget);
    m_editedScene = nullptr;
    EndEffectSceneEdit(cancelled);
    ShowPages();
    SetMode(PagesMode);
}

void CPagesWnd::OnCloseEditor()
{
    if (m_mode == PagesMode || m_mode == EffectsMode)
        return;
    if (sender() && sender() != m_editorWidget.data())
        return;
    const bool cancelled = m_editor && m_editor->WasCancelled();
    DeleteEditor(m_editor, m_editorWidget);
    m_editedScene = nullptr;
    EndEffectSceneEdit(cancelled);
    ShowPages();
    SetMode(PagesMode);
}

bool CPagesWnd::EditHasChanges() const
{
    if (m_mode == PagesMode)
        return false;
    return (m_effectsWidget && m_effectsEditor->HasChanges()) || (m_editorWidget && m_editor->HasChanges());
}

QString CPagesWnd::EditedName() const
{
    // The effects window edits part of the scene of the editor behind it:
    // the one shown names the edit.
    const CLiveEditor* shown = ShownEditor();
    return shown ? shown->EditedName() : QString();
}

bool CPagesWnd::EndEdit(bool keep)
{
    // The effects window gives way to the editor waiting behind it, which
    // then ends in turn: two at most.
    for (int round = 0; round < 2 && m_mode != PagesMode; ++round) {
        CLiveEditor* editor = ShownEditor();
        if (!editor)
            break;
        editor->EndEdit(keep);
    }
    return m_mode == PagesMode;
}

bool CPagesWnd::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    CLiveEditor* editor = ShownEditor();
    return editor && editor->HandleKey(key, modifiers);
}

void CPagesWnd::Tick(int elapsedMs, int ticks)
{
    if (CLiveEditor* editor = ShownEditor()) {
        editor->Tick(elapsedMs, ticks);
        return;
    }
    // Scenes stop on their own (fade-outs, loop counts, effect copies): the
    // lights follow the show.
    if (m_mode == PagesMode)
        m_pageWnd->RefreshMarks();
}

void CPagesWnd::Retranslate()
{
    m_effectsTab->setText(GetLangText(Txt::PagesEffects));
    m_pageWnd->Retranslate();
    if (m_editorWidget)
        m_editor->Retranslate();
    if (m_effectsWidget)
        m_effectsEditor->Retranslate();
}

void CPagesWnd::UpdateEffectList()
{
    if (CLiveEditor* editor = ShownEditor())
        editor->UpdateEffectList();
}

void CPagesWnd::UpdatePage()
{
    if (CLiveEditor* editor = ShownEditor())
        editor->UpdatePage();
}

void CPagesWnd::RefreshEditMode()
{
    if (CLiveEditor* editor = ShownEditor())
        editor->RefreshEditMode();
}
