#pragma once

#include <QList>
#include <QWidget>

#include <array>
#include <functional>

class CAddFixturesDlg;
class CAssignIdsDlg;
struct CPatchRun;
class CEffect;
class CFixtViewScrollArea;
class CFixtureItem;
class CFixtureMatrix;
class CFixturesView;
class CGroup;
class CGroupOptionsDlg;
class CHTabsWnd;
class CPatchedFixture;
class CProject;
class QAction;
class QGridLayout;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class RIRIdidIre;

// The "Fixtures" panel: one tab per fixture group over the layout view of
// the current group, with a vertical tool bar of view, selection and
// arrangement commands and a column of sub-group buttons. Switching groups
// stores the outgoing group's view (scroll, crop, positions, beams) and
// restores the incoming one's.
class CFixturesWnd : public QWidget
{
    Q_OBJECT
public:
    enum Button {
        AddButton,
        RemoveButton,
        ZoomInButton,
        ZoomOutButton,
        AssignIdsButton,
        OptionsButton,
        ResetCropButton,
        DrawTypeButton,
        CommonPosButton,
        SelectAllButton,
        SelectActiveButton,
        InvertButton,
        Select12Button,
        LockButton,
        DefaultLevelsButton,
        PosLineButton,
        PosMatrixButton,
        PosCircleButton,
        SubGroupAddButton,
        SubGroupRemoveButton,
        kButtonCount
    };
    // In the order the view's context menu takes them.
    enum Action {
        RemoveAction,
        AssignIdsAction,
        DrawTypeAction,
        DrawFullAction,
        PosLineAction,
        PosCircleAction,
        PosMatrixAction,
        kActionCount
    };
    // Run the group options and the ID dialogs; tests answer them without a
    // modal loop.
    using OptionsRunner = std::function<int(CGroupOptionsDlg& dialog)>;
    using AssignIdsRunner = std::function<int(CAssignIdsDlg& dialog)>;

    explicit CFixturesWnd(CProject& project, QWidget* parent = nullptr);
    ~CFixturesWnd() override;

    void Retranslate();
    void LoadProject();
    void StoreGroupView();
    void ApplyOptions();
    // Repaints the live colours once the ticks add up to the refresh
    // interval, only while live colours are drawn; true when it did.
    bool Tick(int ms);
    void UpdateLiveView();
    void UpdateView();
    // Selects the effect's beams, in the General group when the current
    // group lacks them.
    void SelectEffectFixtures(const CEffect* effect);

    // Group triggers; each makes the first matching group current.
    void OnKeyTrigger(int key, Qt::KeyboardModifiers modifiers);
    void OnMidiTrigger(int kind, int channel, int number, int value);
    void OnDmxTrigger(int universe);
    void OnSaTrigger(int a, int b, int c);

    void SwitchGroup(int n);
    void CloseGroup(int n, int current);
    void SelectGroupTab(int n);
    void LoadGroup(bool restore);
    void ReloadGroupView();
    void RebuildItems();
    void SelectSubGroup(int n);
    void OpenGroupOptions(CGroup* group);
    void SetOptionsRunner(OptionsRunner runner) { m_optionsRunner = std::move(runner); }
    void SetAssignIdsRunner(AssignIdsRunner runner) { m_assignIdsRunner = std::move(runner); }

    CFixturesView* View() const { return m_view; }
    CFixtViewScrollArea* ScrollArea() const { return m_scrollArea; }
    CHTabsWnd* Tabs() const;
    QToolButton* ToolButton(Button button) const { return m_buttons[size_t(button)]; }
    QAction* ToolAction(Action action) const { return m_actions[size_t(action)]; }
    const QList<QToolButton*>& SubGroupButtons() const { return m_subGroupButtons; }
    int CurrentSubGroup() const { return m_currentSubGroup; }
    int RefreshInterval() const { return m_refreshInterval; }
    bool IsLiveDrawing() const { return m_liveDrawing; }

public slots:
    void OnAddToNewGroup();
    void OnAddToGroup(int n);
    void OnTabChanged(int n);
    void OnTabClosed(int n);
    void OnDoubleClicked(int n);
    void Options();
    void OnSelChanged();
    void AddSubGroup();
    void DelSubGroup();
    void OnSelSubGroup();
    void CommonPos();
    void ResetCrop();
    void Lock();
    void ZoomIn();
    void ZoomOut();
    void DrawType();
    void DrawFull();
    void SelectAll();
    void Select12();
    void InvertSelection();
    void SelectActiv();
    void SetPosLine();
    void SetPosCircle();
    void SetPosMatrix();
    void DefaultLevels();
    // At most one patch dialog: a second call raises it.
    void AddFixtures();
    void OnPatchOk();
    void OnPatchCancel();
    void DelFixtures();
    void AssignIDs();

public:
    CAddFixturesDlg* PatchDialog() const { return m_patchDialog; }
    // Before a project is opened, imported or reset.
    void CancelPatchDialog();

private:
    void CreateActions();
    void CreateToolBar();
    QToolButton* SetupToolButton(Button button, const char* icon);
    CGroup* CurrentGroup() const;
    bool IsGeneral(const CGroup* group) const;
    void SelectLinkedPage();
    void AddItemToSelection(CGroup* group, const class CFixtureItem* item, bool matrix);
    void UpdateSelectionActions();
    void EnableActions(bool on);
    void UpdateToolState();
    void UpdateLiveDrawing();
    void UpdateDrawTypeIcon();
    void SetDrawType(int type);
    // One step of the zoom ladder up (1) or down (-1).
    void StepZoom(int direction);
    void AddSubGroupButton();
    void RemoveSubGroupButton();
    void RebuildSubGroupButtons();
    void Modified();
    // `list`: the General group's selected fixtures and its selected
    // matrices' members, as the question named them.
    void RemoveFromProject(const QList<CPatchedFixture*>& list);
    void RemoveFromGroup();
    void ClosePatchDialog();
    void DropFixtureItem(CFixtureItem* item);
    void DropMatrixItem(CFixtureMatrix* matrix);
    void ApplyMovedBlocks(CPatchRun& run);
    void PlaceNewFixtures(CPatchRun& run);
    void ApplyMatrixBlocks(CPatchRun& run);

    CProject& m_project;
    int m_refreshInterval = 40;
    int m_refreshElapsed = 0;
    int m_currentSubGroup = -1;
    bool m_liveDrawing = false;
    bool m_inSelChanged = false;
    std::array<QToolButton*, kButtonCount> m_buttons{};
    std::array<QAction*, kActionCount> m_actions{};
    QList<QToolButton*> m_subGroupButtons;
    QVBoxLayout* m_subGroupLayout = nullptr;
    QToolBar* m_toolBar = nullptr;
    RIRIdidIre* m_tabBar = nullptr;
    CFixturesView* m_view = nullptr;
    CFixtViewScrollArea* m_scrollArea = nullptr;
    OptionsRunner m_optionsRunner;
    AssignIdsRunner m_assignIdsRunner;
    CAddFixturesDlg* m_patchDialog = nullptr;
};
