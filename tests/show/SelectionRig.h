#pragma once

#include "PlaybackRig.h"

// Every fixture's beams selected, and the fixtures made the selection of
// the current group.
inline void SelectAll(CProject& project, const QList<CPatchedFixture*>& fixtures)
{
    for (CPatchedFixture* fixture : fixtures) {
        for (bool& flag : fixture->BeamFlags())
            flag = true;
    }
    project.m_currentGroup->m_selectedFixtures = fixtures;
}

// An 8-bit pan and an 8-bit tilt channel and nothing else, in the project's
// library.
inline CLibraryProfile* PanTiltProfile(CProject& project)
{
    auto* profile = new CLibraryProfile;
    ProfileBuilder::AddChannel(*profile, ChannelType::Pan);
    ProfileBuilder::AddChannel(*profile, ChannelType::Tilt);
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}
