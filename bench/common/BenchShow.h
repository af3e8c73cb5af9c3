#pragma once

// Show-building pieces the benchmarks have in common.

#include "model/LibraryProfile.h"
#include "model/ProfileChannelDef.h"
#include "model/PatchedFixture.h"
#include "model/ProfileTypes.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/StepFixture.h"

// A three-channel RGB profile, added to the project's library.
inline CLibraryProfile* RgbProfile(CProject& project)
{
    auto* profile = new CLibraryProfile;
    profile->m_path = QStringLiteral("Bench/Rgb.kvp");
    for (int type : {ChannelType::Red, ChannelType::Green, ChannelType::Blue}) {
        auto* channel = new CProfileChannelDef;
        channel->m_type = type;
        profile->CurrentMode()->m_channels << channel;
    }
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

constexpr int kRgbWidth = 3;

// A new show of `universes` universes, each patched full of RGB fixtures.
inline void NewRgbShow(CProject& project, int universes)
{
    project.NewProject(universes);
    CLibraryProfile* profile = RgbProfile(project);
    int id = 0;
    for (int u = 0; u < universes; ++u) {
        for (int address = 0; address + kRgbWidth <= 512; address += kRgbWidth) {
            ++id;
            project.m_generalGroup->AddFixture(new CPatchedFixture(
                address, u, id, -1, QStringLiteral("RGB %1").arg(id), profile, false, false, 0));
        }
    }
    project.UpdateAfterPatch(false, false);
}

// An entry whose levels differ between scenes, steps, fixtures and channels,
// so that every crossfade moves every channel.
inline CStepFixture* PatternEntry(CPatchedFixture* fixture, CScene* scene, int sceneIndex, int stepIndex,
                                  int fixtureIndex)
{
    auto* entry = new CStepFixture(fixture, scene);
    for (int ch = 0; ch < kRgbWidth; ++ch)
        entry->SetLevel(ch, quint8((sceneIndex * 37 + stepIndex * 101 + ch * 53 + fixtureIndex) & 0xFF), true, true);
    return entry;
}
