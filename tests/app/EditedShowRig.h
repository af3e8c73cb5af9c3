#pragma once

#include "FixturesWindowRig.h"
#include "ShowReferences.h"
#include "ShownDialogs.h"

#include "editors/EditSceneWnd.h"
#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "effects/MatrixAnimEffect.h"
#include "layout/FixturesWnd.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"

#include <QTableWidget>
#include "model/FixtureMatrix.h"
#include "setup/AddFixturesDlg.h"
#include "setup/PatchBlock.h"
#include "setup/PatchTab.h"
#include "show/Page.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"

#include <QPointer>

// The main window with a show to edit: fixtures patched in the fixtures
// window's project, scenes on the first page, the scene editor opened as the
// page opens it, removals through the fixtures window's Remove, and the
// master tick's passes run by hand. Nothing here starts Art-Net.
struct CEditedShowRig : CFixturesWindowRig
{
    CPagesWnd& Pages() { return *window->LivePages(); }
    CEditSceneWnd* Editor() { return dynamic_cast<CEditSceneWnd*>(Pages().ShownEditor()); }

    // A matrix of `members` new fixtures of one colour profile from `address` on.
    CFixtureMatrix* PatchMatrix(int address, int members)
    {
        CProject& project = Project();
        CLibraryProfile* profile = ColorProfile();
        const int id = 100 + project.m_generalGroup->m_matrices.size();
        CFixtureMatrix* matrix = project.AddMatrix(profile, id, members, 1, nullptr);
        for (int i = 0; i < members; ++i)
            matrix->AddMember(project.AddFixture(address + 3 * i, 0, id * 10 + i, id, QStringLiteral("M"), profile,
                                                 false, false, nullptr),
                              QRect(20 * i, 0, 20, 20));
        project.UpdateAfterPatch(true, false);
        return matrix;
    }

    // A red, green and blue profile of the library.
    CLibraryProfile* ColorProfile()
    {
        auto* profile = new CLibraryProfile;
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        profile->UpdateRoles();
        Project().m_library << profile;
        return profile;
    }

    // The patch dialog, opened on the fixtures window, gives the fixture's
    // block `profile` and is accepted.
    void ChangeProfile(CPatchedFixture* fixture, CLibraryProfile* profile)
    {
        Fixtures().AddFixtures();
        for (CPatchBlock* block : Fixtures().PatchDialog()->PatchPage()->m_blocks)
            if (block->m_fixture == fixture)
                block->m_profile = profile;
        Fixtures().PatchDialog()->accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A scene on the first page whose one step drives every fixture given.
    CScene* AddScene(const QString& name, const QList<CPatchedFixture*>& fixtures, quint8 level = 200)
    {
        CProject& project = Project();
        auto* scene = new CScene(name, project.UniverseCount());
        auto* step = new CSceneStep(0, 1000);
        for (CPatchedFixture* fixture : fixtures) {
            auto* entry = new CStepFixture(fixture, scene);
            for (int c = 0; c < entry->ChannelCount(); ++c)
                entry->SetLevel(c, level, true, false);
            step->AddEntry(entry);
        }
        scene->m_steps << step;
        scene->UpdateLength();
        project.m_firstPage->m_scenes << scene;
        Pages().ReloadPages();
        return scene;
    }

    CEditSceneWnd* Edit(CScene* scene)
    {
        return Pages().EditScene(Project().m_firstPage, scene) ? Editor() : nullptr;
    }

    // What the effects window writes when applied: a matrix animation row
    // on `matrix`, after the scene's steps.
    void ApplyMatrixEffect(CScene* scene, CFixtureMatrix* matrix)
    {
        CProject& project = Project();
        CGroup* group = project.m_currentGroup;
        group->m_selectedMatrices = {matrix};
        group->m_selectedFixtures = matrix->Members();
        for (CPatchedFixture* member : matrix->Members())
            for (bool& flag : member->BeamFlags())
                flag = true;
        auto* effect = new CMatrixAnimEffect(matrix, 40);
        project.BindEffectToSelection(effect, false, false);
        project.m_effectEngine.SetEffect(effect);
        project.ApplyEffect(scene, false, -1, -1, -1);
        group->m_selectedMatrices.clear();
        group->m_selectedFixtures.clear();
    }

    // A curve row on `fixtures`, its channels named after their profile.
    void ApplyCurveEffect(CScene* scene, const QList<CPatchedFixture*>& fixtures)
    {
        CProject& project = Project();
        CGroup* group = project.m_currentGroup;
        group->m_selectedFixtures = fixtures;
        auto* effect = new CCurveEffect(1000);
        effect->SetChannelsFromProfile(fixtures.first()->Profile(), false);
        project.BindEffectToSelection(effect, false, true);
        project.m_effectEngine.SetEffect(effect);
        project.ApplyEffect(scene, false, -1, -1, -1);
        group->m_selectedFixtures.clear();
    }

    // The fixtures window's Remove on the fixtures and matrices given,
    // answered Yes; the questions it asked.
    QStringList Remove(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices = {})
    {
        Select(fixtures);
        Project().m_generalGroup->m_selectedMatrices = matrices;
        CShownDialogs dialogs(QMessageBox::Yes);
        Fixtures().ToolAction(CFixturesWnd::RemoveAction)->trigger();
        return dialogs.shown;
    }

    // The passes of the master tick, 25 ms of show time each.
    void Tick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            window->TickTimeline(25);
            window->TickProject(25, 1);
            window->TickLivePagesOrEditor(25, 1);
            window->MergeOutput();
            window->TickLayoutView(25);
        }
    }

    // The scene's button pressed on the shown page.
    void Press(CScene* scene)
    {
        Pages().SelectPage(Project().m_pages.indexOf(Project().m_firstPage));
        const int n = Project().m_firstPage->m_scenes.indexOf(scene);
        QVERIFY(n >= 0);
        Pages().PageView()->PressButton(n);
    }

    // What the show names and no longer holds, one line each.
    QString StaleInShow() { return StaleReferences(Project()).join(QLatin1Char('\n')); }
};
