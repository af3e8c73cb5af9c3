#include "layout/FixturesWnd.h"

#include "layout/view/FixturesView.h"
#include "model/PatchedFixture.h"
#include "setup/AssignIdsDlg.h"
#include "setup/PatchBlock.h"
#include "setup/PatchTab.h"
#include "show/Group.h"
#include "show/ShowHost.h"

#include <memory>
#include <vector>

void CFixturesWnd::AssignIDs()
{
    const CGroup* group = CurrentGroup();
    if (!group || group->m_selectedFixtures.isEmpty() || m_patchDialog)
        return;
    std::vector<std::unique_ptr<CPatchBlock>> owned;
    QList<CPatchBlock*> blocks;
    for (CPatchedFixture* fixture : group->m_selectedFixtures) {
        owned.push_back(std::make_unique<CPatchBlock>(fixture->Profile(), fixture->m_universe, fixture->m_address,
                                                      fixture->m_matrixId));
        owned.back()->SetFixture(fixture);
        blocks << owned.back().get();
    }

    CAssignIdsDlg dialog(m_project, blocks, this);
    ShowHost().SuspendVideoWindow();
    const int result = m_assignIdsRunner ? m_assignIdsRunner(dialog) : dialog.exec();
    ShowHost().ResumeVideoWindow();
    if (result != QDialog::Accepted)
        return;
    for (int n = 0; n < dialog.Count(); ++n) {
        CPatchedFixture* fixture = dialog.FixtureAt(n);
        const int id = dialog.NewIdAt(n);
        if (!fixture || fixture->m_id == id)
            continue;
        fixture->m_id = id;
        fixture->m_name = CPatchTab::NameBase(fixture->m_name) + QLatin1Char('.') + QString::number(id);
    }
    m_view->update();
    OnSelChanged();
    Modified();
}
