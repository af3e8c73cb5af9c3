#pragma once

#include "WindowRig.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "app/Orvane.h"
#include "layout/FixturesWnd.h"
#include "layout/view/FixturesView.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"

// The main window with the fixtures window in it. Nothing here starts
// Art-Net.
struct CFixturesWindowRig : CWindowRigBase
{
    CFixturesWindowRig()
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup));
    }

    CProject& Project() { return window->Project(); }
    CFixturesWnd& Fixtures() { return *window->FixturesWindow(); }

    // A fixture of red, green and blue, or of one dimmer, on the plan at `at`.
    CPatchedFixture* Patch(int address, bool colour = true, const QPoint& at = QPoint(10, 10))
    {
        auto* profile = new CLibraryProfile;
        if (colour)
            ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        else
            ProfileBuilder::AddDimmer(*profile);
        profile->UpdateRoles();
        Project().m_library << profile;
        auto* fixture = new CPatchedFixture(address, 0, address + 1, -1, QStringLiteral("F"), profile, false, false, 0);
        fixture->AddPosition(at.x(), at.y());
        Project().m_generalGroup->AddFixture(fixture);
        return fixture;
    }

    // The first beam of each of `fixtures`, and nothing else, selected as a
    // click in the view selects it.
    void Select(const QList<CPatchedFixture*>& fixtures)
    {
        for (CPatchedFixture* fixture : Project().m_generalGroup->m_fixtures) {
            for (bool& flag : fixture->BeamFlags())
                flag = false;
        }
        for (CPatchedFixture* fixture : fixtures)
            fixture->BeamFlags()[0] = true;
        Fixtures().View()->RefreshSelectedFlags();
        Fixtures().OnSelChanged();
    }
};
