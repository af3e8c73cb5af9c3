#include "layout/FixturesWnd.h"

#include "Captions.h"
#include "layout/view/FixtureItem.h"
#include "layout/view/FixturesView.h"
#include "layout/view/MatrixItem.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/Triggers.h"
#include "setup/AddFixturesDlg.h"
#include "setup/PatchBlock.h"
#include "setup/PatchMatrixBlock.h"
#include "setup/PatchTab.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/ShowHost.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QToolButton>

#include <cmath>

// What one applied patch changed; the lists feed the scenes, the selection
// and the default effects.
struct CPatchRun
{
    QList<int> oldUniverses, oldAddresses, newUniverses, newAddresses, lengths;
    QList<CPatchedFixture*> changed;
    QList<CPatchedFixture*> created;
    QList<CLibraryProfile*> profiles;
    CFixtureMatrix* colorMatrix = nullptr;

    void Created(CPatchedFixture* fixture, bool free)
    {
        changed << fixture;
        if (free)
            created << fixture;
        if (!profiles.contains(fixture->Profile()))
            profiles << fixture->Profile();
    }
};

namespace {

class CWaitCursor
{
public:
    CWaitCursor()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QApplication::processEvents();
    }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
};

void WarnPlaying()
{
    ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::SomethingPlaying) + QLatin1Char('\n') +
                                                              GetLangText(Txt::StopScenesToProceed));
}

// The fixtures that leave the project with the General group's selection:
// the selected ones outside matrices, then every member of each selected
// matrix, from the last matrix to the first.
QList<CPatchedFixture*> ProjectRemovalList(const CGroup& general)
{
    QList<CPatchedFixture*> list;
    for (CPatchedFixture* fixture : general.m_selectedFixtures)
        if (fixture->m_matrixId < 0)
            list << fixture;
    const QList<CFixtureMatrix*>& matrices = general.m_selectedMatrices;
    for (int i = matrices.size() - 1; i >= 0; --i)
        list += matrices.at(i)->Members();
    return list;
}

// Names what goes, so that a Yes is given knowingly: the fixture's name
// when it is one, else their number; a group other than General loses them
// while the project keeps them.
QString RemovalQuestion(const QList<CPatchedFixture*>& fixtures, const CGroup* group)
{
    const bool one = fixtures.size() == 1;
    const QString what = one ? fixtures.first()->m_name : QString::number(fixtures.size());
    if (!group)
        return GetLangText(one ? Txt::RemoveFixtureNamed : Txt::RemoveFixtureCount).arg(what);
    return GetLangText(one ? Txt::UngroupFixtureNamed : Txt::UngroupFixtureCount).arg(what, group->m_name);
}

bool IsNullCell(const QRect& cell)
{
    return cell.left() > cell.right() || cell.top() > cell.bottom();
}

// Flags stored for a re-profiled fixture would index beams it no longer has.
void FitStoredFlags(const QList<CGroup*>& groups, const CPatchedFixture* fixture)
{
    const int beams = std::max(1, fixture->Profile() ? fixture->Profile()->BeamCount() : 1);
    auto fit = [&](const QList<CPatchedFixture*>& fixtures, QList<QList<bool>>& flags) {
        for (int i = 0; i < fixtures.size() && i < flags.size(); ++i)
            if (fixtures.at(i) == fixture)
                flags[i] = QVector<bool>(beams, false).toList();
    };
    for (CGroup* group : groups) {
        fit(group->m_fixtures, group->m_beamFlags);
        for (CSubGroup* sub : qAsConst(group->m_subGroups))
            fit(sub->m_fixtures, sub->m_beamFlags);
    }
}

} // namespace

void CFixturesWnd::AddFixtures()
{
    if (m_patchDialog) {
        m_patchDialog->raise();
        m_patchDialog->activateWindow();
        return;
    }
    ToolAction(RemoveAction)->setEnabled(false);
    ToolButton(RemoveButton)->setEnabled(false);
    ToolAction(AssignIdsAction)->setEnabled(false);
    ToolButton(AssignIdsButton)->setEnabled(false);
    m_patchDialog = new CAddFixturesDlg(m_project, kDmxChannelsPerUniverse, this);
    connect(m_patchDialog, &QDialog::accepted, this, &CFixturesWnd::OnPatchOk);
    connect(m_patchDialog, &QDialog::rejected, this, &CFixturesWnd::OnPatchCancel);
    CPatchTab* tab = m_patchDialog->PatchPage();
    if (CGroup* general = m_project.m_generalGroup) {
        for (CPatchedFixture* fixture : qAsConst(general->m_fixtures))
            if (fixture->m_matrixId < 0)
                tab->AddPatchedFixture(fixture);
        for (CFixtureMatrix* matrix : qAsConst(general->m_matrices))
            tab->AddPatchedMatrix(matrix);
    }
    ShowHost().SuspendVideoWindow();
    m_patchDialog->show();
    m_patchDialog->raise();
    m_patchDialog->activateWindow();
}

void CFixturesWnd::ClosePatchDialog()
{
    // The dialog is still inside its accepted() or rejected() emission.
    if (m_patchDialog) {
        m_patchDialog->disconnect(this);
        m_patchDialog->hide();
        m_patchDialog->deleteLater();
    }
    m_patchDialog = nullptr;
    ShowHost().ResumeVideoWindow();
    UpdateSelectionActions();
}

void CFixturesWnd::CancelPatchDialog()
{
    if (m_patchDialog)
        OnPatchCancel();
}

void CFixturesWnd::OnPatchCancel()
{
    m_project.m_addedProfiles.clear();
    ClosePatchDialog();
}

void CFixturesWnd::DropFixtureItem(CFixtureItem* item)
{
    if (!item)
        return;
    m_view->RemoveFixtureItem(item);
    delete item;
}

void CFixturesWnd::DropMatrixItem(CFixtureMatrix* matrix)
{
    auto* item = dynamic_cast<CMatrixItem*>(matrix->LayoutItem());
    for (CPatchedFixture* member : matrix->Members())
        if (member->LayoutItem() == item)
            member->SetLayoutItem(nullptr);
    if (!item)
        return;
    m_view->RemoveMatrixItem(item);
    delete item;
}

void CFixturesWnd::OnPatchOk()
{
    if (!m_patchDialog)
        return;
    CPatchTab* tab = m_patchDialog->PatchPage();
    const QList<CPatchedFixture*> removed = tab->m_removedFixtures;
    if (!m_project.CanRemoveFixtures(removed)) {
        WarnPlaying();
        OnPatchCancel();
        return;
    }
    CWaitCursor wait;
    StoreGroupView();
    m_project.AnalyseNewProfiles();
    for (CFixtureMatrix* matrix : qAsConst(tab->m_removedMatrices))
        DropMatrixItem(matrix);
    bool cellsChanged = false;
    for (CPatchedFixture* fixture : removed) {
        if (fixture->m_matrixId < 0) {
            DropFixtureItem(dynamic_cast<CFixtureItem*>(fixture->LayoutItem()));
            continue;
        }
        CFixtureMatrix* matrix = m_project.m_generalGroup->FindMatrix(fixture->m_matrixId);
        const int i = matrix ? matrix->IndexOfMember(fixture) : -1;
        if (i >= 0) {
            matrix->SetMemberCell(i, QRect());
            cellsChanged = true;
        }
    }
    // A pasted copy or a re-patch of a removed fixture still needs its profile.
    QList<CLibraryProfile*> blockProfiles;
    for (const CPatchBlock* block : qAsConst(tab->m_blocks))
        if (block && block->m_profile && !blockProfiles.contains(block->m_profile))
            blockProfiles << block->m_profile;
    m_project.RemoveFixtures(removed, true, blockProfiles);
    if (cellsChanged) {
        for (CFixtureMatrix* matrix : qAsConst(m_project.m_generalGroup->m_matrices))
            for (int i = matrix->MemberCount() - 1; i >= 0; --i)
                if (IsNullCell(matrix->MemberCell(i)))
                    matrix->RemoveMember(i);
    }

    CPatchRun run;
    ApplyMovedBlocks(run);
    PlaceNewFixtures(run);
    ApplyMatrixBlocks(run);
    for (CLibraryProfile* profile : qAsConst(blockProfiles))
        m_project.DropProfileIfUnused(profile);
    m_project.PatchChanged(run.oldUniverses, run.oldAddresses, run.newUniverses, run.newAddresses, run.lengths);
    m_project.RemoveFixturesFromScenes(run.changed);

    const QRect current = m_view->SceneRect();
    const QRect extent = m_view->ItemsExtent();
    const int width = std::max(extent.width(), current.isValid() ? current.width() : 600);
    const int height = std::max(extent.height(), current.isValid() ? current.height() : 400);
    m_view->SetSceneRect(QRect(0, 0, width, height));
    if (m_liveDrawing)
        m_project.MergeOutput();
    m_view->update();
    m_project.UpdateAfterPatch(true, false);
    ShowHost().ResetPortRefresh();

    if (!run.created.isEmpty()) {
        CGroup* group = CurrentGroup();
        group->m_selectedFixtures.clear();
        group->m_selectedMatrices.clear();
        m_view->SelectFixtures(run.created);
        m_project.SelectionChanged();
    } else if (!removed.isEmpty()) {
        OnSelChanged();
    }
    ShowHost().CreateEffectsForFixtures(run.profiles, run.colorMatrix, !run.created.isEmpty());
    ShowHost().FixturesChanged();
    Modified();
    ClosePatchDialog();
}

void CFixturesWnd::ApplyMovedBlocks(CPatchRun& run)
{
    for (CPatchBlock* block : qAsConst(m_patchDialog->PatchPage()->m_blocks)) {
        CPatchedFixture* fixture = block ? block->m_fixture : nullptr;
        if (!fixture || block->m_new)
            continue;
        if (block->m_universe != fixture->m_universe || block->m_start != fixture->m_address) {
            run.oldUniverses << fixture->m_universe;
            run.oldAddresses << fixture->m_address;
            fixture->m_universe = block->m_universe;
            fixture->m_address = block->m_start;
            run.newUniverses << fixture->m_universe;
            run.newAddresses << fixture->m_address;
            run.lengths << PatchChannelCount(fixture->Profile());
            run.changed << fixture;
        }
        fixture->m_id = block->m_id;
        fixture->m_name = block->m_name;
        const bool had = fixture->m_invertPan || fixture->m_invertTilt;
        const bool has = block->m_invertPan || block->m_invertTilt;
        if (had != has) {
            // Listed at most once: every entry inverts the output again.
            m_project.m_invertedFixtures.removeAll(fixture);
            if (has)
                m_project.m_invertedFixtures << fixture;
            m_project.m_hasInvertedFixtures = !m_project.m_invertedFixtures.isEmpty();
        }
        fixture->m_invertPan = block->m_invertPan;
        fixture->m_invertTilt = block->m_invertTilt;
        if (block->m_profile && block->m_profile != fixture->Profile()) {
            // Fits the beam flags and restarts the colour caches.
            fixture->SetProfile(block->m_profile);
            FitStoredFlags(m_project.m_groups, fixture);
            if (!block->IsInMatrix())
                if (auto* item = dynamic_cast<CFixtureItem*>(fixture->LayoutItem()))
                    item->Drawer().SetLibraryProfile(block->m_profile);
        }
    }
}

void CFixturesWnd::PlaceNewFixtures(CPatchRun& run)
{
    QList<CPatchBlock*> blocks;
    QList<CFixtureItem*> items;
    int w = 0;
    int h = 0;
    for (CPatchBlock* block : qAsConst(m_patchDialog->PatchPage()->m_blocks)) {
        if (!block || !block->m_new || block->IsInMatrix())
            continue;
        auto* item = new CFixtureItem(block->m_profile, CFixtureItem::FixtureType);
        blocks << block;
        items << item;
        w = std::max(w, item->m_rect.width());
        h = std::max(h, item->m_rect.height());
    }
    const int n = blocks.size();
    if (n == 0)
        return;
    const int s = int(std::sqrt(double(n)));
    const int r = s ? n / s : 0;
    const int columns = std::max(s, r);
    const QPoint origin = m_view->FreePosition(columns * w, r * h);
    QPoint place = origin;
    int column = 0;
    int rowBottom = 20;
    for (int i = 0; i < n; ++i) {
        CPatchBlock* block = blocks.at(i);
        CFixtureItem* item = items.at(i);
        item->m_rect.moveTopLeft(place);
        if (++column == columns) {
            column = 0;
            place = QPoint(origin.x(), 1 + std::max(rowBottom, item->m_rect.bottom()));
            rowBottom = 20;
        } else {
            rowBottom = std::max(rowBottom, item->m_rect.bottom());
            place.setX(item->m_rect.right() + 1);
        }
        CPatchedFixture* fixture =
            m_project.AddFixture(block->m_start, block->m_universe, block->m_id, -1, block->m_name, block->m_profile,
                                 block->m_invertPan, block->m_invertTilt, item);
        item->SetFixture(fixture);
        run.Created(fixture, true);
        m_view->AddFixtureItem(item);
    }
}

void CFixturesWnd::ApplyMatrixBlocks(CPatchRun& run)
{
    for (CPatchMatrixBlock* block : qAsConst(m_patchDialog->PatchPage()->m_matrixBlocks)) {
        if (!block || block->m_members.isEmpty())
            continue;
        CFixtureMatrix* matrix = block->m_matrix;
        CMatrixItem* item = nullptr;
        if (!block->m_new && matrix) {
            item = dynamic_cast<CMatrixItem*>(matrix->LayoutItem());
            if (block->m_profile && block->m_profile != matrix->Profile()) {
                matrix->SetProfile(block->m_profile);
                if (item)
                    item->Drawer().SetLibraryProfile(block->m_profile);
                if (!block->m_edited) {
                    // The cells are sized by the profile's beams: at the old
                    // size the new symbols would overlap or leave gaps.
                    const QSize size = block->m_profile->GetBeamsRect(20, 20).size();
                    for (int i = 0; i < matrix->MemberCount(); ++i) {
                        const QRect cell = matrix->MemberCell(i);
                        if (cell.width() > 0 && cell.height() > 0)
                            matrix->SetMemberCell(i, QRect(cell.left() / cell.width() * size.width(),
                                                           cell.top() / cell.height() * size.height(),
                                                           size.width(), size.height()));
                    }
                    if (item)
                        item->SetMatrix(matrix);
                }
            }
            if (!block->m_edited)
                continue;
            if (block->m_columns != matrix->Columns() || block->m_rows != matrix->Rows())
                matrix->SetSize(block->m_columns, block->m_rows);
            matrix->ClearMembers();
        } else {
            item = new CMatrixItem(block->m_profile);
            matrix = m_project.AddMatrix(block->m_profile, block->m_id, block->m_columns, block->m_rows, item);
            if (block->m_profile && block->m_profile->HasColor())
                run.colorMatrix = matrix;
        }
        for (int i = 0; i < block->m_members.size(); ++i) {
            CPatchBlock* member = block->m_members.at(i);
            if (!member)
                continue;
            CPatchedFixture* fixture = member->m_new ? nullptr : member->m_fixture;
            if (!fixture) {
                fixture = m_project.AddFixture(member->m_start, member->m_universe, member->m_id, matrix->Id(),
                                               member->m_name, member->m_profile, member->m_invertPan,
                                               member->m_invertTilt, item);
                run.Created(fixture, block->m_new);
            }
            matrix->AddMember(fixture, block->m_cells.value(i));
        }
        matrix->OrderMembers();
        if (!item)
            continue;
        item->SetMatrix(matrix);
        if (block->m_new) {
            item->m_rect.moveTopLeft(m_view->FreePosition(item->m_rect.width(), item->m_rect.height()));
            m_view->AddMatrixItem(item);
        }
    }
}

void CFixturesWnd::DelFixtures()
{
    CGroup* group = CurrentGroup();
    if (m_patchDialog || !group)
        return;
    const bool general = IsGeneral(group);
    const QList<CPatchedFixture*> fixtures = general ? ProjectRemovalList(*group) : group->m_selectedFixtures;
    if (fixtures.isEmpty())
        return;
    // Refused before the question: a Yes would change nothing.
    if (general && !m_project.CanRemoveFixtures(fixtures)) {
        WarnPlaying();
        return;
    }
    if (ShowHost().AskQuestion(GetLangText(Txt::Warning), RemovalQuestion(fixtures, general ? nullptr : group))
        != CShowHost::Yes)
        return;
    if (general)
        RemoveFromProject(fixtures);
    else
        RemoveFromGroup();
}

void CFixturesWnd::RemoveFromProject(const QList<CPatchedFixture*>& list)
{
    CGroup* general = m_project.m_generalGroup;
    const QList<CFixtureMatrix*> matrices = general->m_selectedMatrices;
    if (!m_project.CanRemoveFixtures(list)) {
        WarnPlaying();
        return;
    }
    {
        CWaitCursor wait;
        for (CPatchedFixture* fixture : qAsConst(list))
            if (fixture->m_matrixId < 0)
                DropFixtureItem(dynamic_cast<CFixtureItem*>(fixture->LayoutItem()));
        for (int i = matrices.size() - 1; i >= 0; --i) {
            DropMatrixItem(matrices.at(i));
            m_project.RemoveMatrix(matrices.at(i));
        }
        m_project.RemoveFixtures(list, false);
        general->m_selectedFixtures.clear();
        general->m_selectedMatrices.clear();
        EnableActions(false);
        m_view->UnselectAll();
        m_project.SelectionChanged();
        m_project.UpdateAfterPatch(false, false);
        if (m_liveDrawing)
            m_project.MergeOutput();
        m_view->update();
    }
    ShowHost().FixturesChanged();
    Modified();
}

void CFixturesWnd::RemoveFromGroup()
{
    CGroup* group = CurrentGroup();
    if (!group)
        return;
    CWaitCursor wait;
    const QList<CPatchedFixture*> fixtures = group->m_selectedFixtures;
    for (int i = fixtures.size() - 1; i >= 0; --i) {
        CPatchedFixture* fixture = fixtures.at(i);
        if (fixture->m_matrixId >= 0)
            continue;
        DropFixtureItem(dynamic_cast<CFixtureItem*>(fixture->LayoutItem()));
        group->RemoveFixture(fixture, false, false);
    }
    const QList<CFixtureMatrix*> matrices = group->m_selectedMatrices;
    for (int i = matrices.size() - 1; i >= 0; --i) {
        CFixtureMatrix* matrix = matrices.at(i);
        const QList<CPatchedFixture*> members = matrix->Members();
        for (int k = members.size() - 1; k >= 0; --k)
            group->RemoveFixture(members.at(k), false, false);
        DropMatrixItem(matrix);
        group->RemoveMatrix(matrix, false);
    }
    EnableActions(false);
    m_view->UnselectAll();
    m_project.SelectionChanged();
    ShowHost().FixturesChanged();
    Modified();
}
