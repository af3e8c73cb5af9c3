#include "layout/FixturesWnd.h"

#include "Captions.h"
#include "app/options/AppOptions.h"
#include "layout/GroupOptionsDlg.h"
#include "layout/view/FixtViewScrollArea.h"
#include "layout/view/FixtureItem.h"
#include "layout/view/FixturesView.h"
#include "layout/view/MatrixItem.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/HTabsWnd.h"
#include "widgets/RIRIdidIre.h"
#include "widgets/TBToolButtonStyle.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kRefreshStepMs = 40;
constexpr float kMinZoom = 0.1f;
constexpr float kMaxZoom = 3.0f;
constexpr std::array<float, 6> kZoomSteps{kMinZoom, 0.25f, 0.5f, 1.0f, 2.0f, kMaxZoom};

QIcon Icon(const char* name)
{
    return QIcon(QStringLiteral(":/Orvane/Images/Icons/") + QLatin1String(name));
}

const QIcon& DrawTypeIcon(int type)
{
    static const std::array<QIcon, 4> icons{Icon("DrawDefault.png"), Icon("DrawPicture.png"), Icon("DrawColors.png"),
                                            Icon("DrawFullColors.png")};
    return icons[size_t(type >= 1 && type <= 3 ? type : 0)];
}

int RefreshChoice()
{
    const CAppOptions* options = ShowHost().AppOptions();
    return options ? qBound(1, options->m_refreshChoice, 4) : 1;
}

bool IsLiveType(int type)
{
    return type == 2 || type == 3;
}

// The scroll area sets the real range once it lays the view out; until then
// the value must not be clamped to the range of the previous group.
void RestoreScroll(QScrollBar* bar, int value, int content, int port)
{
    if (!bar)
        return;
    bar->setRange(0, std::max({0, content - port, bar->maximum()}));
    bar->setValue(value);
}

// A group read from a file may hold any zoom and rectangles; the view
// multiplies them into widget sizes, so each is held to what the tools can
// make.
void HoldViewToRange(CGroup& group)
{
    const auto warn = [&group](const char* what) {
        qWarning("Fixture group \"%s\": %s out of range, held", qPrintable(group.m_name), what);
    };
    if (!(group.m_zoom >= kMinZoom && group.m_zoom <= kMaxZoom)) {
        warn("zoom");
        group.m_zoom = group.m_zoom > kMaxZoom ? kMaxZoom : kMinZoom;
    }
    const QRect bounds(0, 0, CGroupOptionsDlg::kMaxLayoutSide, CGroupOptionsDlg::kMaxLayoutSide);
    if (group.m_layoutRect.isValid() && !bounds.contains(group.m_layoutRect)) {
        warn("layout size");
        group.m_layoutRect = group.m_layoutRect.intersected(bounds);
    }
    if (group.m_viewRect.isValid() && !bounds.contains(group.m_viewRect)) {
        warn("crop");
        group.m_viewRect = group.m_viewRect.intersected(bounds);
    }
}

} // namespace

CFixturesWnd::CFixturesWnd(CProject& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
    , m_refreshInterval(RefreshChoice() * kRefreshStepMs)
{
    CGroup* current = CurrentGroup();
    m_tabBar = new RIRIdidIre(current ? current->m_name : QString(), this);
    CHTabsWnd* tabs = Tabs();
    connect(tabs, &CHTabsWnd::addRequested, this, &CFixturesWnd::OnAddToNewGroup);
    connect(tabs, &CHTabsWnd::tabClosed, this, &CFixturesWnd::OnTabClosed);
    connect(tabs, &CHTabsWnd::tabChanged, this, &CFixturesWnd::OnTabChanged);
    connect(tabs, &CHTabsWnd::doubleClicked, this, &CFixturesWnd::OnDoubleClicked);

    m_view = new CFixturesView(project, this);
    connect(m_view, &CFixturesView::selChanged, this, &CFixturesWnd::OnSelChanged);
    connect(m_view, &CFixturesView::addToNewGroup, this, &CFixturesWnd::OnAddToNewGroup);
    connect(m_view, &CFixturesView::addToGroup, this, &CFixturesWnd::OnAddToGroup);
    connect(m_view, &CFixturesView::liveDrawingStarted, this, [this] { m_liveDrawing = true; });
    m_scrollArea = new CFixtViewScrollArea(this);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setAlignment(Qt::AlignCenter);
    m_scrollArea->setWidget(m_view);
    m_view->SetScrollArea(m_scrollArea);

    CreateActions();
    CreateToolBar();

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(m_toolBar);
    body->addWidget(m_scrollArea);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabBar);
    layout->addLayout(body);
    Retranslate();
}

CFixturesWnd::~CFixturesWnd()
{
    // The items go with the view: no fixture may keep a pointer to one.
    if (CGroup* general = m_project.m_generalGroup) {
        for (CPatchedFixture* fixture : qAsConst(general->m_fixtures))
            fixture->SetLayoutItem(nullptr);
        for (CFixtureMatrix* matrix : qAsConst(general->m_matrices))
            matrix->SetLayoutItem(nullptr);
    }
}

CHTabsWnd* CFixturesWnd::Tabs() const
{
    return m_tabBar->Tabs();
}

void CFixturesWnd::CreateActions()
{
    const struct {
        Action action;
        const char* icon;
        void (CFixturesWnd::*slot)();
    } table[] = {
        {RemoveAction, "Remove.png", &CFixturesWnd::DelFixtures},
        {AssignIdsAction, "AssignIDs.png", &CFixturesWnd::AssignIDs},
        {DrawTypeAction, "DrawColors.png", &CFixturesWnd::DrawType},
        {DrawFullAction, "DrawFullColors.png", &CFixturesWnd::DrawFull},
        {PosLineAction, "PosLine.png", &CFixturesWnd::SetPosLine},
        {PosCircleAction, "PosCircle.png", &CFixturesWnd::SetPosCircle},
        {PosMatrixAction, "PosMatrix.png", &CFixturesWnd::SetPosMatrix},
    };
    QList<QAction*> menu;
    for (const auto& entry : table) {
        auto* action = new QAction(Icon(entry.icon), QString(), this);
        connect(action, &QAction::triggered, this, entry.slot);
        m_actions[size_t(entry.action)] = action;
        menu << action;
    }
    m_view->SetMenuActions(menu);
}

QToolButton* CFixturesWnd::SetupToolButton(Button button, const char* icon)
{
    auto* tool = new QToolButton(this);
    tool->setIcon(Icon(icon));
    tool->setFixedSize(24, 24);
    tool->setIconSize(QSize(16, 16));
    new CTBToolButtonStyle(tool);
    m_buttons[size_t(button)] = tool;
    return tool;
}

void CFixturesWnd::CreateToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/VertToolBarBig.png\") }"));
    m_toolBar->setOrientation(Qt::Vertical);
    m_toolBar->setFixedWidth(50);

    using Slot = void (CFixturesWnd::*)();
    struct Entry {
        Button button;
        const char* icon;
        bool onRelease;
        Slot slot;
    };
    const auto addGrid = [this](std::initializer_list<Entry> entries) {
        auto* holder = new QWidget(m_toolBar);
        auto* grid = new QGridLayout(holder);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setSpacing(0);
        int i = 0;
        for (const Entry& entry : entries) {
            QToolButton* tool = SetupToolButton(entry.button, entry.icon);
            connect(tool, entry.onRelease ? &QToolButton::released : &QToolButton::pressed, this, entry.slot);
            grid->addWidget(tool, i / 2, i % 2);
            ++i;
        }
        m_toolBar->addWidget(holder);
    };
    addGrid({{AddButton, "Add.png", true, &CFixturesWnd::AddFixtures},
             {RemoveButton, "Remove.png", true, &CFixturesWnd::DelFixtures},
             {ZoomInButton, "ZoomIn.png", false, &CFixturesWnd::ZoomIn},
             {ZoomOutButton, "ZoomOut.png", false, &CFixturesWnd::ZoomOut},
             {DrawTypeButton, "DrawDefault.png", false, &CFixturesWnd::DrawType},
             {AssignIdsButton, "AssignIDs.png", true, &CFixturesWnd::AssignIDs},
             {OptionsButton, "Params.png", true, &CFixturesWnd::Options},
             {ResetCropButton, "ResetCrop.png", false, &CFixturesWnd::ResetCrop},
             {DefaultLevelsButton, "DefaultLevels.png", false, &CFixturesWnd::DefaultLevels},
             {CommonPosButton, "CommonPos.png", false, &CFixturesWnd::CommonPos}});
    m_toolBar->addSeparator();
    addGrid({{SelectAllButton, "SelectAll.png", false, &CFixturesWnd::SelectAll},
             {SelectActiveButton, "SelectActiv.png", false, &CFixturesWnd::SelectActiv},
             {InvertButton, "InvertSelect.png", false, &CFixturesWnd::InvertSelection},
             {Select12Button, "Select12.png", false, &CFixturesWnd::Select12},
             {LockButton, "Lock.png", false, &CFixturesWnd::Lock},
             {PosLineButton, "PosLine.png", false, &CFixturesWnd::SetPosLine},
             {PosMatrixButton, "PosMatrix.png", false, &CFixturesWnd::SetPosMatrix},
             {PosCircleButton, "PosCircle.png", false, &CFixturesWnd::SetPosCircle}});
    ToolButton(CommonPosButton)->setCheckable(true);
    ToolButton(LockButton)->setCheckable(true);
    m_toolBar->addSeparator();
    auto* row = new QWidget(m_toolBar);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(0);
    QToolButton* add = SetupToolButton(SubGroupAddButton, "AddBlue.png");
    QToolButton* remove = SetupToolButton(SubGroupRemoveButton, "Remove.png");
    connect(add, &QToolButton::released, this, &CFixturesWnd::AddSubGroup);
    connect(remove, &QToolButton::released, this, &CFixturesWnd::DelSubGroup);
    rowLayout->addWidget(add);
    rowLayout->addWidget(remove);
    m_toolBar->addWidget(row);
    auto* column = new QWidget(m_toolBar);
    m_subGroupLayout = new QVBoxLayout(column);
    m_subGroupLayout->setContentsMargins(0, 0, 0, 0);
    m_subGroupLayout->setSpacing(0);
    m_toolBar->addWidget(column);
}

void CFixturesWnd::Retranslate()
{
    const auto tip = [this](Button button, int text) { ToolButton(button)->setToolTip(GetLangText(text)); };
    const auto act = [this](Action action, int text) {
        ToolAction(action)->setText(GetLangText(text));
        ToolAction(action)->setToolTip(GetLangText(text));
    };
    tip(AddButton, Txt::FixtAdd);
    tip(RemoveButton, Txt::Remove);
    act(RemoveAction, Txt::Remove);
    tip(AssignIdsButton, Txt::AssignIds);
    act(AssignIdsAction, Txt::AssignIds);
    tip(ZoomInButton, Txt::ZoomIn);
    tip(ZoomOutButton, Txt::FixtZoomOut);
    tip(OptionsButton, Txt::FixtOptions);
    tip(CommonPosButton, Txt::FixtCommonPositions);
    tip(ResetCropButton, Txt::FixtResetCrop);
    tip(DrawTypeButton, Txt::TypeOfDrawing);
    act(DrawTypeAction, Txt::TypeOfDrawing);
    act(DrawFullAction, Txt::DrawColorsWithoutEffectDimmer);
    tip(LockButton, Txt::FixtLock);
    tip(PosLineButton, Txt::SetFixturesInLine);
    act(PosLineAction, Txt::SetFixturesInLine);
    tip(PosCircleButton, Txt::SetFixturesInCircle);
    act(PosCircleAction, Txt::SetFixturesInCircle);
    tip(PosMatrixButton, Txt::SetFixturesInMatrix);
    act(PosMatrixAction, Txt::SetFixturesInMatrix);
    tip(DefaultLevelsButton, Txt::FixtDefaultLevels);
    tip(SelectAllButton, Txt::FixtSelectAll);
    tip(Select12Button, Txt::FixtSelect12);
    tip(InvertButton, Txt::FixtInvertSelection);
    tip(SelectActiveButton, Txt::FixtSelectActive);
    tip(SubGroupAddButton, Txt::FixtAddSubGroup);
    tip(SubGroupRemoveButton, Txt::FixtRemoveSubGroup);
}

// ---- Groups

CGroup* CFixturesWnd::CurrentGroup() const
{
    return m_project.m_currentGroup;
}

bool CFixturesWnd::IsGeneral(const CGroup* group) const
{
    return group && group == m_project.m_generalGroup;
}

void CFixturesWnd::Modified()
{
    ShowHost().SetModified(true);
}

void CFixturesWnd::LoadProject()
{
    QStringList names;
    for (const CGroup* group : qAsConst(m_project.m_groups))
        names << group->m_name;
    Tabs()->SetTabs(names);
    ToolButton(LockButton)->setChecked(m_view->IsLocked());
    LoadGroup(true);
}

void CFixturesWnd::StoreGroupView()
{
    CGroup* group = CurrentGroup();
    if (!group)
        return;
    const QScrollBar* h = m_scrollArea->horizontalScrollBar();
    const QScrollBar* v = m_scrollArea->verticalScrollBar();
    group->SaveViewState(m_project.CurrentGroupIndex(), h ? h->value() : 0, v ? v->value() : 0, m_view->CropRect());
    if (IsGeneral(group))
        group->m_layoutRect = m_view->SceneRect();
}

void CFixturesWnd::ApplyOptions()
{
    m_refreshInterval = RefreshChoice() * kRefreshStepMs;
}

bool CFixturesWnd::Tick(int ms)
{
    if (!m_liveDrawing)
        return false;
    m_refreshElapsed += ms;
    if (m_refreshElapsed < m_refreshInterval)
        return false;
    m_refreshElapsed = 0;
    m_view->RefreshLiveColors();
    return true;
}

void CFixturesWnd::UpdateLiveView()
{
    if (m_liveDrawing)
        m_view->update();
}

void CFixturesWnd::UpdateView()
{
    m_view->update();
}

void CFixturesWnd::SelectEffectFixtures(const CEffect* effect)
{
    if (!effect || m_view->SelectEffectFixtures(effect) || IsGeneral(CurrentGroup()))
        return;
    StoreGroupView();
    Tabs()->m_current = 0;
    Tabs()->update();
    m_project.SetCurrentGroup(0);
    ReloadGroupView();
    m_view->SelectEffectFixtures(effect);
}

void CFixturesWnd::SelectLinkedPage()
{
    const CGroup* group = CurrentGroup();
    const int page = group && group->m_page ? int(m_project.m_pages.indexOf(group->m_page)) : -1;
    if (page >= 0 && ShowHost().LivePagesMode() == 0)
        ShowHost().SelectLivePage(page);
}

void CFixturesWnd::SwitchGroup(int n)
{
    // A tab signal may name a group not made yet or already gone.
    if (n < 0 || n >= m_project.m_groups.size())
        return;
    StoreGroupView();
    m_project.SetCurrentGroup(n);
    LoadGroup(true);
    SelectLinkedPage();
}

void CFixturesWnd::CloseGroup(int n, int current)
{
    Q_UNUSED(current); // the tab bar's index is read after the removal
    if (n <= 0 || n >= m_project.m_groups.size())
        return;
    StoreGroupView();
    m_project.RemoveGroup(n);
    m_project.SetCurrentGroup(qBound(0, Tabs()->m_current, int(m_project.m_groups.size()) - 1));
    LoadGroup(true);
    SelectLinkedPage();
    Modified();
}

void CFixturesWnd::SelectGroupTab(int n)
{
    if (n == m_project.CurrentGroupIndex() || n < 0 || n >= m_project.m_groups.size())
        return;
    SwitchGroup(n);
    Tabs()->m_current = n;
    Tabs()->update();
}

void CFixturesWnd::LoadGroup(bool restore)
{
    CGroup* group = CurrentGroup();
    if (restore && group) {
        for (int i = 0; i < group->m_fixtures.size() && i < group->m_beamFlags.size(); ++i) {
            QList<bool>& flags = group->m_fixtures[i]->BeamFlags();
            const QList<bool>& stored = group->m_beamFlags.at(i);
            // A stored list of another length (a file, a changed profile) keeps the beams it names.
            for (int b = 0; b < flags.size(); ++b)
                flags[b] = b < stored.size() && stored.at(b);
        }
    }
    m_project.SelectionChanged();
    ReloadGroupView();
    UpdateSelectionActions();
    m_view->RefreshSelectedFlags();
}

void CFixturesWnd::ReloadGroupView()
{
    CGroup* group = CurrentGroup();
    if (!group)
        return;
    HoldViewToRange(*group);
    m_view->ApplyViewSettings(*group, IsGeneral(group));
    const QSize port = m_scrollArea->viewport()->size();
    RestoreScroll(m_scrollArea->horizontalScrollBar(), group->m_scrollX, m_view->width(), port.width());
    RestoreScroll(m_scrollArea->verticalScrollBar(), group->m_scrollY, m_view->height(), port.height());
    RebuildItems();
    UpdateLiveDrawing();
    RebuildSubGroupButtons();
    UpdateToolState();
}

void CFixturesWnd::RebuildItems()
{
    // Every fixture of the show lets go of its item first: one outside the
    // group shown would otherwise keep a pointer to a deleted item.
    if (CGroup* general = m_project.m_generalGroup) {
        for (CPatchedFixture* fixture : qAsConst(general->m_fixtures))
            fixture->SetLayoutItem(nullptr);
        for (CFixtureMatrix* matrix : qAsConst(general->m_matrices))
            matrix->SetLayoutItem(nullptr);
    }
    m_view->Reset();
    CGroup* group = CurrentGroup();
    if (!group)
        return;
    const int slot = group->m_commonPositions ? 0 : m_project.CurrentGroupIndex();
    for (CPatchedFixture* fixture : qAsConst(group->m_fixtures)) {
        if (fixture->m_matrixId >= 0)
            continue;
        auto* item = new CFixtureItem(fixture, CFixtureItem::FixtureType);
        item->m_rect.moveTopLeft(fixture->Position(slot));
        fixture->SetLayoutItem(item);
        m_view->AddFixtureItem(item);
    }
    for (CFixtureMatrix* matrix : qAsConst(group->m_matrices)) {
        auto* item = new CMatrixItem(matrix);
        item->m_rect.moveTopLeft(matrix->Position(slot));
        item->SetMatrix(matrix);
        matrix->SetLayoutItem(item);
        for (CPatchedFixture* member : matrix->Members())
            member->SetLayoutItem(item);
        m_view->AddMatrixItem(item);
    }
    m_view->RefreshSelectedFlags();
}

// ---- Tab bar and view signals

void CFixturesWnd::OnAddToNewGroup()
{
    // The group is asked for before the bar or the layout builds anything:
    // a refusal costs nothing, however many tabs the bar holds.
    StoreGroupView();
    CGroup* group = m_project.AddGroup(GetLangText(Txt::NewTab));
    if (!group)
        return;
    Tabs()->AddTab(group->m_name);
    LoadGroup(false);
    Modified();
}

void CFixturesWnd::OnAddToGroup(int n)
{
    if (n < 1 || n >= m_project.m_groups.size())
        return;
    StoreGroupView();
    if (!m_project.AddSelectionToGroup(n))
        return;
    Tabs()->m_current = n;
    Tabs()->update();
    LoadGroup(false);
    Modified();
}

void CFixturesWnd::OnTabChanged(int n)
{
    SwitchGroup(n);
}

void CFixturesWnd::OnTabClosed(int n)
{
    CloseGroup(n, Tabs()->m_current);
}

void CFixturesWnd::OnDoubleClicked(int n)
{
    if (n >= 0 && n < m_project.m_groups.size())
        OpenGroupOptions(m_project.m_groups[n]);
}

void CFixturesWnd::Options()
{
    OpenGroupOptions(CurrentGroup());
}

void CFixturesWnd::OpenGroupOptions(CGroup* group)
{
    if (!group)
        return;
    const bool current = group == CurrentGroup();
    const bool general = IsGeneral(group);
    // Null rectangles: no size section.
    QRect layoutRect(QPoint(0, 0), QPoint(-1, -1));
    QRect extent = layoutRect;
    // The view shows only the current group: another group keeps its own
    // crop and has no size here.
    if (current && !general)
        group->m_viewRect = m_view->CropRect();
    if (current && general) {
        layoutRect = m_view->SceneRect();
        extent = m_view->ItemsExtent();
    }
    CGroupOptionsDlg dialog(m_project, *group, layoutRect, extent, this);
    dialog.activateWindow();
    ShowHost().SuspendVideoWindow();
    const int result = m_optionsRunner ? m_optionsRunner(dialog) : dialog.exec();
    ShowHost().ResumeVideoWindow();
    if (result != QDialog::Accepted)
        return;
    Tabs()->SetTabText(m_project.m_groups.indexOf(group), group->m_name);
    if (current)
        m_view->ApplyViewSettings(*group, general);
    Modified();
}

// ---- Selection

void CFixturesWnd::AddItemToSelection(CGroup* group, const CFixtureItem* item, bool matrix)
{
    if (!matrix) {
        CPatchedFixture* fixture = item->Fixture();
        if (!fixture)
            return;
        QList<CPatchedFixture*>& list = group->m_selectedFixtures;
        int at = 0;
        while (at < list.size() && list.at(at)->m_id <= fixture->m_id)
            ++at;
        list.insert(at, fixture);
        return;
    }
    CFixtureMatrix* grid = static_cast<const CMatrixItem*>(item)->Matrix();
    if (!grid)
        return;
    for (CPatchedFixture* member : grid->Members()) {
        if (member && member->IsAnyBeamSelected())
            group->m_selectedFixtures << member;
    }
    group->m_selectedMatrices << grid;
}

void CFixturesWnd::OnSelChanged()
{
    CGroup* group = CurrentGroup();
    if (m_inSelChanged || !group)
        return;
    m_inSelChanged = true;
    group->m_selectedFixtures.clear();
    group->m_selectedMatrices.clear();
    for (const CFixtureItem* item : m_view->FixtureItems()) {
        if (item->IsSelected())
            AddItemToSelection(group, item, false);
    }
    for (const CMatrixItem* item : m_view->MatrixItems()) {
        if (item->IsSelected())
            AddItemToSelection(group, item, true);
    }
    m_currentSubGroup = -1;
    m_project.SelectionChanged();
    UpdateSelectionActions();
    m_inSelChanged = false;
    Modified();
}

void CFixturesWnd::UpdateSelectionActions()
{
    const CGroup* group = CurrentGroup();
    if (group && !group->m_selectedFixtures.isEmpty()) {
        if (!ToolButton(RemoveButton)->isEnabled())
            EnableActions(true);
        UpdateDrawTypeIcon();
    } else if (ToolButton(RemoveButton)->isEnabled()) {
        EnableActions(false);
    } else {
        ToolButton(SubGroupRemoveButton)->setEnabled(false);
    }
}

void CFixturesWnd::EnableActions(bool on)
{
    // No removal and no new IDs behind the back of an open patch dialog: its
    // OK writes back the IDs and names of its copies.
    for (Action action : {RemoveAction, AssignIdsAction})
        ToolAction(action)->setEnabled(on && !m_patchDialog);
    for (Button button : {RemoveButton, AssignIdsButton})
        ToolButton(button)->setEnabled(on && !m_patchDialog);
    for (Button button : {DefaultLevelsButton, DrawTypeButton, SubGroupAddButton})
        ToolButton(button)->setEnabled(on);
    for (Action action : {DrawTypeAction, DrawFullAction})
        ToolAction(action)->setEnabled(on);
    if (!on)
        ToolButton(SubGroupRemoveButton)->setEnabled(false);
    const bool arrange = on && !m_view->IsLocked();
    for (Button button : {PosLineButton, PosCircleButton, PosMatrixButton})
        ToolButton(button)->setEnabled(arrange);
    for (Action action : {PosLineAction, PosCircleAction, PosMatrixAction})
        ToolAction(action)->setEnabled(arrange);
}

void CFixturesWnd::UpdateToolState()
{
    const CGroup* group = CurrentGroup();
    const float zoom = group ? group->m_zoom : 1.0f;
    ToolButton(ZoomInButton)->setEnabled(zoom < kMaxZoom);
    ToolButton(ZoomOutButton)->setEnabled(zoom > kMinZoom);
    const bool other = group && !IsGeneral(group);
    ToolButton(CommonPosButton)->setEnabled(other);
    ToolButton(ResetCropButton)->setEnabled(other);
    ToolButton(CommonPosButton)->setChecked(other && group->m_commonPositions);
    for (Button button : {PosLineButton, PosCircleButton, PosMatrixButton})
        ToolButton(button)->setEnabled(!m_view->IsLocked());
}

// ---- Tools

void CFixturesWnd::CommonPos()
{
    CGroup* group = CurrentGroup();
    if (!group || IsGeneral(group))
        return;
    StoreGroupView();
    group->m_commonPositions = !group->m_commonPositions;
    RebuildItems();
    Modified();
}

void CFixturesWnd::ResetCrop()
{
    CGroup* group = CurrentGroup();
    if (!group || IsGeneral(group) || !group->m_viewRect.isValid())
        return;
    group->m_viewRect = QRect();
    m_view->SetCrop(true, QRect());
    m_view->UpdateSize();
    Modified();
}

void CFixturesWnd::Lock()
{
    m_view->SetLocked(!m_view->IsLocked());
    for (Button button : {PosLineButton, PosCircleButton, PosMatrixButton})
        ToolButton(button)->setEnabled(!m_view->IsLocked());
    Modified();
}

void CFixturesWnd::StepZoom(int direction)
{
    CGroup* group = CurrentGroup();
    if (!group || (direction > 0 ? group->m_zoom >= kMaxZoom : group->m_zoom <= kMinZoom))
        return;
    // From an exact step to the next; any other factor (a file's) goes
    // straight to the end.
    const auto at = std::find(kZoomSteps.begin(), kZoomSteps.end(), group->m_zoom);
    const float next = at == kZoomSteps.end() ? (direction > 0 ? kMaxZoom : kMinZoom) : *(at + direction);
    ToolButton(ZoomInButton)->setEnabled(next < kMaxZoom);
    ToolButton(ZoomOutButton)->setEnabled(next > kMinZoom);
    group->m_zoom = next;
    m_view->SetZoom(next);
    Modified();
}

void CFixturesWnd::ZoomIn()
{
    StepZoom(1);
}

void CFixturesWnd::ZoomOut()
{
    StepZoom(-1);
}

void CFixturesWnd::UpdateLiveDrawing()
{
    m_liveDrawing = false;
    if (const CGroup* group = CurrentGroup()) {
        for (const CPatchedFixture* fixture : group->m_fixtures)
            m_liveDrawing = m_liveDrawing || IsLiveType(fixture->m_drawType);
        for (const CFixtureMatrix* matrix : group->m_matrices)
            m_liveDrawing = m_liveDrawing || IsLiveType(matrix->DrawType());
    }
}

void CFixturesWnd::UpdateDrawTypeIcon()
{
    const CGroup* group = CurrentGroup();
    if (!group || group->m_selectedFixtures.isEmpty())
        return;
    const QIcon& icon = DrawTypeIcon(group->m_selectedFixtures.first()->m_drawType);
    ToolAction(DrawTypeAction)->setIcon(icon);
    ToolButton(DrawTypeButton)->setIcon(icon);
}

void CFixturesWnd::SetDrawType(int type)
{
    CGroup* group = CurrentGroup();
    for (CPatchedFixture* fixture : qAsConst(group->m_selectedFixtures))
        fixture->m_drawType = type;
    for (CFixtureMatrix* matrix : qAsConst(group->m_selectedMatrices))
        matrix->SetDrawType(type);
    if (IsLiveType(type))
        m_liveDrawing = true;
    else
        UpdateLiveDrawing();
    UpdateDrawTypeIcon();
    if (m_liveDrawing)
        m_project.MergeOutput();
    m_view->update();
    Modified();
}

void CFixturesWnd::DrawType()
{
    const CGroup* group = CurrentGroup();
    if (!group || group->m_selectedFixtures.isEmpty())
        return;
    const int type = group->m_selectedFixtures.first()->m_drawType;
    SetDrawType(type == 0 ? 1 : type == 1 ? 2 : 0);
}

void CFixturesWnd::DrawFull()
{
    const CGroup* group = CurrentGroup();
    if (!group || group->m_selectedFixtures.isEmpty())
        return;
    SetDrawType(3);
}

void CFixturesWnd::SelectAll()
{
    m_view->SelectAll();
}

void CFixturesWnd::Select12()
{
    m_view->Select12();
}

void CFixturesWnd::InvertSelection()
{
    m_view->InvertSelection();
}

void CFixturesWnd::SelectActiv()
{
    m_view->SelectActiv();
}

void CFixturesWnd::SetPosLine()
{
    m_view->ArrangeInLine();
}

void CFixturesWnd::SetPosCircle()
{
    m_view->ArrangeInCircle();
}

void CFixturesWnd::SetPosMatrix()
{
    m_view->ArrangeAsMatrix();
}

void CFixturesWnd::DefaultLevels()
{
    m_project.DefaultLevels();
}

// ---- Sub-groups

void CFixturesWnd::AddSubGroup()
{
    CGroup* group = CurrentGroup();
    if (!group || !group->AddSubGroup())
        return;
    AddSubGroupButton();
    Modified();
}

void CFixturesWnd::DelSubGroup()
{
    CGroup* group = CurrentGroup();
    if (!group || !group->RemoveSubGroup(m_currentSubGroup))
        return;
    RemoveSubGroupButton();
    Modified();
}

void CFixturesWnd::OnSelSubGroup()
{
    SelectSubGroup(m_subGroupButtons.indexOf(qobject_cast<QToolButton*>(sender())));
}

void CFixturesWnd::SelectSubGroup(int n)
{
    const CGroup* group = CurrentGroup();
    if (!group || n < 0 || n >= group->m_subGroups.size())
        return;
    const CSubGroup* sub = group->m_subGroups.at(n);
    // Only a selection of exactly these beams clears them; with others
    // selected too the press adds the sub-group again.
    if (group->m_selectedFixtures.size() == sub->m_fixtures.size()
        && group->IsSelection(sub->m_fixtures, sub->m_beamFlags))
        m_view->RemoveBeamsFromSelection(sub->m_fixtures, sub->m_beamFlags);
    else
        m_view->AddBeamsToSelection(sub->m_fixtures, sub->m_beamFlags);
    m_currentSubGroup = n;
    ToolButton(SubGroupRemoveButton)->setEnabled(true);
}

void CFixturesWnd::AddSubGroupButton()
{
    auto* button = new QToolButton(this);
    button->setText(QString::number(m_subGroupButtons.size() + 1));
    button->setFixedSize(46, 24);
    connect(button, &QToolButton::pressed, this, &CFixturesWnd::OnSelSubGroup);
    m_subGroupButtons << button;
    m_subGroupLayout->addWidget(button);
}

void CFixturesWnd::RemoveSubGroupButton()
{
    if (m_currentSubGroup < 0 || m_currentSubGroup >= m_subGroupButtons.size())
        return;
    QToolButton* button = m_subGroupButtons.takeAt(m_currentSubGroup);
    m_subGroupLayout->removeWidget(button);
    delete button;
    for (int i = m_currentSubGroup; i < m_subGroupButtons.size(); ++i)
        m_subGroupButtons.at(i)->setText(QString::number(i + 1));
    m_currentSubGroup = -1;
    ToolButton(SubGroupRemoveButton)->setEnabled(false);
}

void CFixturesWnd::RebuildSubGroupButtons()
{
    qDeleteAll(m_subGroupButtons);
    m_subGroupButtons.clear();
    m_currentSubGroup = -1;
    if (const CGroup* group = CurrentGroup()) {
        for (int i = 0; i < group->m_subGroups.size(); ++i)
            AddSubGroupButton();
    }
    ToolButton(SubGroupRemoveButton)->setEnabled(false);
}
