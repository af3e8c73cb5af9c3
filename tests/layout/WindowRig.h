#pragma once

#include "../show/PlaybackRig.h"
#include "app/options/AppOptions.h"
#include "layout/FixturesWnd.h"
#include "layout/view/FixturesView.h"
#include "model/FixtureMatrix.h"
#include "widgets/HTabsWnd.h"

#include <QToolButton>

#include <memory>

// A project of one-beam fixtures placed in a row (fixture i at (20 + 60 i,
// 20)), groups made of some of them, and the fixtures window over it, its
// view told of fixtures deleted as the program's is.
class CWindowRig : public CPlaybackRig
{
public:
    explicit CWindowRig(int fixtureCount = 4)
    {
        host.options = &options;
        for (int i = 0; i < fixtureCount; ++i) {
            CPatchedFixture* fixture = Patch(RgbProfile(), 0, 3 * i);
            fixture->AddPosition(20 + 60 * i, 20);
            fixtures << fixture;
        }
        wnd = std::make_unique<CFixturesWnd>(project);
        host.fixturesDeleting = [this](const QList<CPatchedFixture*>& fixtures,
                                       const QList<CFixtureMatrix*>& matrices) {
            wnd->View()->ForgetFixtures(fixtures, matrices);
        };
    }
    // The project outlives the window.
    ~CWindowRig() { host.fixturesDeleting = nullptr; }

    // A group of the given fixtures; every fixture and matrix gets a place
    // for it, a copy of its general one. Call Load() after the last.
    CGroup* AddGroup(const QString& name, std::initializer_list<int> members)
    {
        auto* group = new CGroup(name);
        for (int i : members)
            group->AddFixture(fixtures.at(i));
        project.m_groups << group;
        for (CPatchedFixture* fixture : qAsConst(fixtures))
            fixture->AddPosition(fixture->Position(0));
        for (CFixtureMatrix* matrix : qAsConst(project.m_generalGroup->m_matrices))
            matrix->AddPosition(matrix->Position(0));
        return group;
    }
    // A columns x 1 matrix of new one-beam fixtures at `at` in the general group.
    CFixtureMatrix* AddMatrix(int columns, const QPoint& at)
    {
        CLibraryProfile* profile = RgbProfile();
        auto* matrix = new CFixtureMatrix(profile, 1, columns, 1, 0);
        matrix->AddPosition(at);
        for (int c = 0; c < columns; ++c) {
            CPatchedFixture* member = Patch(profile, 1, 3 * c);
            member->m_matrixId = 1;
            matrix->AddMember(member, QRect(c * 20, 0, 20, 20));
        }
        project.m_generalGroup->m_matrices << matrix;
        return matrix;
    }
    void Load() { wnd->LoadProject(); }

    CFixturesView& View() { return *wnd->View(); }
    CHTabsWnd& Tabs() { return *wnd->Tabs(); }
    QToolButton* Button(CFixturesWnd::Button button) { return wnd->ToolButton(button); }
    int Current() const { return project.CurrentGroupIndex(); }

    // Beam flags of the fixtures as "0110", then a view-driven selection update.
    void Select(const QString& flags)
    {
        for (int i = 0; i < fixtures.size(); ++i)
            fixtures[i]->BeamFlags()[0] = flags.at(i) == QLatin1Char('1');
        View().RefreshSelectedFlags();
        wnd->OnSelChanged();
    }
    QString Selection() const
    {
        QString text;
        for (const CPatchedFixture* fixture : fixtures)
            text += fixture->BeamFlags().at(0) ? QLatin1Char('1') : QLatin1Char('0');
        return text;
    }

    CAppOptions options;
    QList<CPatchedFixture*> fixtures;
    std::unique_ptr<CFixturesWnd> wnd;
};
