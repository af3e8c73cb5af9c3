#pragma once

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"

// A fixture of the profile (its roles made, kept in the library) at
// address 0, with every beam selected, as the current group's selection.
inline CPatchedFixture* PatchSelected(CProject& project, CLibraryProfile* profile)
{
    profile->UpdateRoles();
    project.m_library << profile;
    auto* fixture = new CPatchedFixture(0, 0, 1, -1, QStringLiteral("Wash"), profile, false, false, 0);
    project.m_generalGroup->AddFixture(fixture);
    project.UpdateAfterPatch(false, false);
    for (bool& flag : fixture->BeamFlags())
        flag = true;
    project.m_currentGroup->m_selectedFixtures = {fixture};
    return fixture;
}
