#pragma once

#include "model/PatchedFixture.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowBounds.h"
#include "show/TimeLine.h"

#include <QtGlobal>

// A member more for the user's groups: groups of 1,024 fixtures patched
// for them (of the first fixture's profile), which leaves the show's own
// fixtures free to join a group.
inline void AddGroupMember(CProject& project)
{
    constexpr int kFillers = 1024;
    constexpr int kFirstId = 100000;
    CGroup* general = project.m_generalGroup;
    if (general->m_fixtures.last()->m_id != kFirstId + kFillers - 1) {
        for (int n = 0; n < kFillers; ++n) {
            auto* filler = new CPatchedFixture(0, 0, kFirstId + n, -1, QStringLiteral("Filler"),
                                               general->m_fixtures.first()->Profile(), false, false, 0);
            general->m_fixtures << filler;
            general->m_beamFlags << filler->BeamFlags();
        }
    }
    CGroup* group = project.m_groups.last();
    if (group == general || group->m_fixtures.size() == kFillers) {
        group = new CGroup(QStringLiteral("G"));
        project.m_groups << group;
    }
    CPatchedFixture* filler = general->m_fixtures[general->m_fixtures.size() - kFillers + group->m_fixtures.size()];
    group->m_fixtures << filler;
    group->m_beamFlags << filler->BeamFlags();
}

// Brings the show to `room` elements short of what it may hold of the kind,
// made straight in the model (a command each would take minutes). Scenes
// stop at their bound or, with many universes, at the universe buffers';
// steps go to a scene of their own on the first page; blocks to the first
// line, on `scene`.
inline void FillToBound(CProject& project, CShowBounds::Kind kind, qint64 room = 0, CScene* scene = nullptr)
{
    const qint64 bound = CShowBounds::Bound(kind) - room;
    qint64 held = CShowBounds::Held(project, kind);
    CScene* filler = nullptr;
    for (; held < bound; ++held) {
        switch (kind) {
        case CShowBounds::Pages:
            project.m_pages << new CPage(project, QStringLiteral("P"));
            break;
        case CShowBounds::Scenes:
            if (!CShowBounds::HasRoom(project, kind, room + 1))
                return;
            project.m_firstPage->m_scenes << new CScene(QStringLiteral("S"), project.UniverseCount());
            break;
        case CShowBounds::Steps:
            if (!filler) {
                filler = new CScene(QStringLiteral("Steps"), project.UniverseCount());
                project.m_firstPage->m_scenes << filler;
            }
            filler->m_steps << new CSceneStep(0, 1000);
            break;
        case CShowBounds::Groups:
            project.m_groups << new CGroup(QStringLiteral("G"));
            break;
        case CShowBounds::GroupMembers:
            AddGroupMember(project);
            break;
        case CShowBounds::Masks:
            project.m_masks << CMask{QStringLiteral("M"), {}};
            break;
        case CShowBounds::FadingButtons:
            project.m_fadingButtons << new CFadingButton(QStringLiteral("F"));
            break;
        case CShowBounds::TimeLines:
            project.m_timeLine.AddLine(new CTimeLine(QStringLiteral("L")));
            break;
        case CShowBounds::TimeBlocks:
            project.m_timeLine.m_lines.first()->AddBlock(new CTimeBlock(project.m_firstPage, scene));
            break;
        case CShowBounds::TimeMarkers:
            project.m_timeLine.AddMarker(new CTimeMarker(int(held)));
            break;
        default:
            qFatal("FillToBound: no filler for kind %d", int(kind));
        }
    }
}
