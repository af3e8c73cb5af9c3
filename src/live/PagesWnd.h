#pragma once

#include "live/LiveEditor.h"
#include "live/TriggerDispatcher.h"

#include <QPointer>
#include <QWidget>

class CEffect;
class CEffectScene;
class CHTabsWnd;
class CPage;
class CPageWnd;
class CProject;
class CScene;
class QStackedWidget;
class QToolButton;

// The live pages window: a tab per page and the effects tab over one page
// view, or, while something is edited, the editor in their place.
//
// Modes: 0 the pages, 1 the scene editor, 2 the effect scene editor, 3 the
// effects window, 4 the masks editor. The effects window is opened from the
// scene or effect scene editor, which waits hidden until it closes.
class CPagesWnd : public QWidget, public CLiveTriggerView
{
    Q_OBJECT
public:
    enum ViewMode { PagesMode = 0, SceneEditMode = 1, EffectSceneEditMode = 2, EffectsMode = 3, MasksMode = 4 };

    explicit CPagesWnd(CProject& project, QWidget* parent = nullptr);
    ~CPagesWnd() override;

    // The factory stays the caller's; without one nothing can be edited.
    void SetEditorFactory(CLiveEditorFactory* factory) { m_factory = factory; }

    CPageWnd* PageView() const { return m_pageWnd; }
    CHTabsWnd* PageTabs() const { return m_tabs; }

    int Mode() const override { return m_mode; }
    // The effect the effects window edits; null when none.
    CEffect* EditedEffect() const;
    // The editor shown in place of the pages; null in mode 0.
    CLiveEditor* ShownEditor() const;

    // Makes page n current, shows it and selects its tab; a page that does
    // not exist is ignored.
    void SelectPage(int n) override;
    void ShowEffectsTab();
    bool IsEffectsTabShown() const override;
    // The tabs again from the project's pages, after a load or File New.
    void ReloadPages();
    // Before the document is cleared for an open: the buttons let go of its
    // scenes, so that nothing painted while the file loads reads a freed one.
    void DetachFromProject();

    // The scene whose options popup is open; null when none is.
    CScene* PopupScene() const override;
    // A live command changed the popup scene's live values.
    void PopupSceneChanged(bool dimmerChanged) override;
    bool TriggerEffectScene(CEffectScene* scene, int kind, int value) override;
    bool ToggleEffectScene(CEffectScene* scene, bool allowPlay, bool allowStop) override;

    // Opening the editors; false when one is open already or none can be made.
    bool EditScene(CPage* page, CScene* scene);
    // `made`: New made the scene for this edit; cancelled before it holds an
    // effect, it goes again.
    bool EditEffectScene(CEffectScene* scene, bool made = false);
    bool EditMasks();

    // The open edit before the show goes (File Open, New, Exit, a show
    // handed over), the effects window and the editor waiting behind it
    // taken as one edit: whether it holds changes, what its question names,
    // and its end without a question, kept or dropped; false when an editor
    // stays open.
    bool EditHasChanges() const;
    QString EditedName() const;
    bool EndEdit(bool keep);

    // Passed on to the editor shown; HandleKey is true when it used the key.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    void Tick(int elapsedMs, int ticks = 1);
    void Retranslate();
    void UpdateEffectList();
    void UpdatePage();
    void RefreshEditMode();

signals:
    void modeChanged(int mode);

public slots:
    // From the scene or effect scene editor: open the effects window.
    void OnEditEffect(eEffect type, bool edit);
    // From the scene, effect scene and masks editors.
    void OnCloseEditor();
    // From the effects window: (true, false) applied, (true, true)
    // cancelled, (false, true) back to the effect scene's parameters.
    void OnCloseEffects(bool done, bool cancelled);

private:
    void OnTabChanged(int n);
    void OnTabClosed(int n);
    void OnNewPageRequested();
    void RefreshTabs();
    CLiveEditor* Open(CLiveEditorFactory::Kind kind);
    void ShowEditor(CLiveEditor* editor);
    // Opens the editor of `kind` in place of the pages, for `scene` (null
    // when it edits none); null when it cannot be opened.
    CLiveEditor* StartEditor(CLiveEditorFactory::Kind kind, CScene* scene);
    // Shows the editor StartEditor gave, in `mode`.
    void PresentEditor(CLiveEditor* editor, int mode);
    void DeleteEditor(CLiveEditor*& editor, QPointer<QWidget>& widget);
    void ShowPages();
    void SetMode(int mode);
    // The effect scene edit is over; what New made for it goes again when
    // the edit was cancelled and left it without an effect.
    void EndEffectSceneEdit(bool cancelled);
    // The scene the waiting editor edits, as long as the show still holds it.
    CScene* EditedScene() const;

    CProject& m_project;
    CLiveEditorFactory* m_factory = nullptr;
    int m_mode = PagesMode;

    CHTabsWnd* m_tabs;
    QToolButton* m_effectsTab;
    CPageWnd* m_pageWnd;
    QStackedWidget* m_stack;
    QWidget* m_pagesPane;

    // The editor of a scene or effect scene, kept hidden while the effects
    // window shows; the effects window; the masks editor. The pointers are
    // valid while their widget lives.
    CLiveEditor* m_editor = nullptr;
    QPointer<QWidget> m_editorWidget;
    CLiveEditor* m_effectsEditor = nullptr;
    QPointer<QWidget> m_effectsWidget;
    int m_editorMode = PagesMode;
    CScene* m_editedScene = nullptr;
    CEffectScene* m_madeEffectScene = nullptr;
};
