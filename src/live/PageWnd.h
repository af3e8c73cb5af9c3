#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class CEffectScene;
class CPage;
class CProject;
class CScene;
class CSceneButton;
class CSceneOptionsPopup;
class QDialog;
class QMenu;
class QMimeData;
class QScrollArea;

// The buttons of one live page's scenes, or of the project's effect scenes
// on the effects tab. A press plays or stops the scene; the button is lit
// while the scene plays. The menu makes, copies, deletes, edits and moves
// scenes and opens the page's options; a button dragged out carries the
// scene to the timeline and the crossfade window.
class CPageWnd : public QWidget
{
    Q_OBJECT
public:
    // Runs a modal dialog and returns its result.
    using DialogRunner = std::function<int(QDialog& dialog)>;

    explicit CPageWnd(CProject& project, QWidget* parent = nullptr);

    // Shows a page of the project, or the effect scenes; neither marks the
    // project modified.
    void ShowPage(CPage* page);
    void ShowEffects();
    // The page shown; null on the effects tab.
    CPage* Page() const { return m_effects ? nullptr : m_page; }
    bool IsEffectsTab() const { return m_effects; }

    // What the show tells the live page.
    void OnSceneStarted(CPage* page, CScene* scene);
    void OnSceneStopped(CPage* page, CScene* scene);
    // The buttons again, from the page shown (the first page when none is
    // shown yet or the one shown is gone); the project is marked modified.
    void Reload();
    // The buttons again from what is shown, the project left unmarked.
    void Refresh() { Rebuild(); }
    // The scene of the current button; null when no button is current.
    CScene* CurrentScene() const;
    int CurrentIndex() const { return m_current; }
    void SetCurrentIndex(int n);
    // Lights every button whose scene plays.
    void RefreshMarks();

    int ButtonCount() const { return m_buttons.size(); }
    CSceneButton* Button(int n) const;

    // What the buttons do; n is the button's index.
    void PressButton(int n);
    void OpenOptions(int n);
    CSceneOptionsPopup* OptionsPopup() const { return m_popup; }
    // The popup's scene while it is open; null otherwise.
    CScene* PopupScene() const;
    void SetPresetLevel(int n, int percent);
    // The drag formats of button n's scene (the caller owns the data); null
    // on the effects tab or for no button.
    QMimeData* MakeDragData(int n) const;

    // The menu for button n (-1: the page's background); the caller owns it.
    QMenu* BuildMenu(int n);
    // The menu's commands, each acting on the page shown.
    CScene* NewScene();
    CScene* CopyScene(int n);
    // Asks first; false when nothing is deleted.
    bool DeleteScene(int n);
    void EditScene(int n);
    // A scene that plays cannot move: its playing entry belongs to its page.
    bool MoveScene(int n, CPage* target);
    bool AddToTimeLine(int n, int line);
    bool EditPageOptions();

    void SetDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }
    void Retranslate();

signals:
    void editScene(CPage* page, CScene* scene);
    // `made`: the scene was made for this edit, by New.
    void editEffectScene(CEffectScene* scene, bool made);
    void newPageRequested();
    // A page was renamed.
    void pagesChanged();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QList<CScene*> Scenes() const;
    CScene* SceneAt(int n) const;
    bool IsLit(CScene* scene) const;
    bool EffectSceneRuns(const CEffectScene* scene) const;
    void Rebuild();
    void LayoutButtons();
    void StartDrag(int n);
    void ShowMenu(int n, const QPoint& globalPos);
    void ClosePopupIfGone();
    // The project's current page follows the page shown, so that its page
    // operations act here.
    void MakePageCurrent();
    void EditScene(int n, bool made);

    CProject& m_project;
    CPage* m_page = nullptr;
    bool m_effects = false;
    bool m_bound = false;
    int m_current = -1;
    QScrollArea* m_scroll;
    QWidget* m_area;
    QList<CSceneButton*> m_buttons;
    CSceneOptionsPopup* m_popup;
    DialogRunner m_runDialog;
};
