#pragma once

#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <QSet>
#include <QStringList>

// What the show's objects point at and no longer exists, one line per
// pointer, found by comparing addresses only: a stale pointer is never read.
// Entries name a patched fixture or a raw channel and that fixture's
// profile, which the library holds if any; effects bind patched fixtures and a
// matrix of the patch or their own; groups, their stored selections and
// matrices hold patched fixtures; jumps, release lists, crossfades and
// timeline blocks name scenes of the pages; copies, running, waiting or
// finished, name an effect scene of the show, the selection's capabilities
// profiles of the library, groups a page.
// The links between the pages' scenes, by name: "T releases S", "T jumps
// to S". A target that is no scene of the pages reads "a deleted scene".
// Names survive what addresses do not: a scene deleted while a link to it
// stays, its address then given to a new copy of the scene holding the
// link, passes an address check; by name the link then reads "T releases
// T", where none should be left.
inline QStringList SceneLinks(const CProject& project)
{
    QSet<const CScene*> pageScenes;
    for (const CPage* page : project.m_pages)
        pageScenes.unite(QSet<const CScene*>(page->m_scenes.begin(), page->m_scenes.end()));
    const auto name = [&pageScenes](const CScene* scene) {
        return pageScenes.contains(scene) ? scene->m_name : QStringLiteral("a deleted scene");
    };
    QStringList links;
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes) {
            if (scene->m_jumpTarget)
                links << scene->m_name + QStringLiteral(" jumps to ") + name(scene->m_jumpTarget);
            for (const CScene* released : scene->m_releaseList)
                links << scene->m_name + QStringLiteral(" releases ") + name(released);
        }
    }
    return links;
}

inline QStringList StaleReferences(const CProject& project)
{
    QStringList stale;
    if (!project.m_generalGroup)
        return stale;
    const CGroup& general = *project.m_generalGroup;
    const QSet<const CPatchedFixture*> patched(general.m_fixtures.begin(), general.m_fixtures.end());
    const QSet<const CPatchedFixture*> raw(project.m_rawChannels.begin(), project.m_rawChannels.end());
    const QSet<const CFixtureMatrix*> matrices(general.m_matrices.begin(), general.m_matrices.end());
    const QSet<const CLibraryProfile*> library(project.m_library.begin(), project.m_library.end());
    QSet<const CProfileChannelDef*> channels;
    for (const CLibraryProfile* profile : project.m_library) {
        for (const CProfileMode* mode : profile->m_modes)
            channels.unite(QSet<const CProfileChannelDef*>(mode->m_channels.begin(), mode->m_channels.end()));
    }
    QSet<const CScene*> pageScenes;
    for (const CPage* page : project.m_pages)
        pageScenes.unite(QSet<const CScene*>(page->m_scenes.begin(), page->m_scenes.end()));

    const auto checkScene = [&](const CScene* scene, const QString& where) {
        QList<const CSceneStep*> steps(scene->m_steps.begin(), scene->m_steps.end());
        if (scene->m_transitionStep)
            steps << scene->m_transitionStep;
        for (const CSceneStep* step : steps) {
            for (const CStepFixture* entry : step->m_entries) {
                const CPatchedFixture* fixture = entry->Fixture();
                if (raw.contains(fixture))
                    continue;
                if (!patched.contains(fixture))
                    stale << where + QStringLiteral(": entry of a deleted fixture");
                else if (entry->Profile() != fixture->Profile())
                    stale << where + QStringLiteral(": entry of %1 keeps a former profile").arg(fixture->m_name);
                else if (entry->Profile() && !library.contains(entry->Profile()))
                    stale << where + QStringLiteral(": entry of %1 names a profile out of the library")
                                         .arg(fixture->m_name);
            }
            if (step->m_effect && !scene->m_effects.contains(step->m_effect))
                stale << where + QStringLiteral(": step of an effect the scene lost");
        }
        for (const CEffect* effect : scene->m_effects) {
            // A matrix effect leaves the slots of empty cells null.
            for (const CPatchedFixture* fixture : effect->m_fixtures + effect->m_beamFixtures) {
                if (fixture && !patched.contains(fixture))
                    stale << where + QStringLiteral(": effect binds a deleted fixture");
            }
            if (effect->m_matrix && !effect->m_ownsMatrix && !matrices.contains(effect->m_matrix))
                stale << where + QStringLiteral(": effect on a deleted matrix");
            for (const CPatchedFixture* member : effect->m_ownsMatrix ? effect->m_matrix->Members()
                                                                      : QList<CPatchedFixture*>()) {
                if (!patched.contains(member))
                    stale << where + QStringLiteral(": effect's own grid keeps a deleted member");
            }
            if (effect->m_ownsMatrix && effect->m_matrix && !library.contains(effect->m_matrix->Profile()))
                stale << where + QStringLiteral(": effect's own grid names a profile out of the library");
            if (const auto* curve = dynamic_cast<const CCurveEffect*>(effect)) {
                for (const CProfileChannelDef* channel : curve->m_channelDefs) {
                    if (channel && !channels.contains(channel))
                        stale << where + QStringLiteral(": curve names a channel of a deleted profile");
                }
            }
        }
        if (scene->m_jumpTarget && !pageScenes.contains(scene->m_jumpTarget))
            stale << where + QStringLiteral(": jump to a deleted scene");
        for (const CScene* released : scene->m_releaseList) {
            if (!pageScenes.contains(released))
                stale << where + QStringLiteral(": releases a deleted scene");
        }
    };
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes)
            checkScene(scene, page->m_name + QLatin1Char('/') + scene->m_name);
    }
    for (const CEffectScene* scene : project.m_effectScenes)
        checkScene(scene, scene->m_name);
    for (const CEffectScene* scene : project.m_runningCopies)
        checkScene(scene, QStringLiteral("running copy of ") + scene->m_name);

    for (const CGroup* group : project.m_groups) {
        for (const CPatchedFixture* fixture : group->m_fixtures + group->m_selectedFixtures) {
            if (!patched.contains(fixture))
                stale << group->m_name + QStringLiteral(": holds a deleted fixture");
        }
        for (const CFixtureMatrix* matrix : group->m_matrices + group->m_selectedMatrices) {
            if (!matrices.contains(matrix))
                stale << group->m_name + QStringLiteral(": holds a deleted matrix");
        }
        for (const CSubGroup* subGroup : group->m_subGroups) {
            for (const CPatchedFixture* fixture : subGroup->m_fixtures) {
                if (!patched.contains(fixture))
                    stale << group->m_name + QStringLiteral(": stored selection holds a deleted fixture");
            }
        }
    }
    for (const CFixtureMatrix* matrix : general.m_matrices) {
        if (!library.contains(matrix->Profile()))
            stale << QStringLiteral("matrix %1: profile out of the library").arg(matrix->Id());
        for (const CPatchedFixture* member : matrix->Members()) {
            if (!patched.contains(member))
                stale << QStringLiteral("matrix %1: deleted member").arg(matrix->Id());
        }
    }
    const QSet<const CEffectScene*> effectScenes(project.m_effectScenes.begin(), project.m_effectScenes.end());
    for (const CEffectScene* copy : project.m_runningCopies + project.m_queuedCopies + project.m_retiredCopies) {
        if (copy->m_source && !effectScenes.contains(copy->m_source))
            stale << QStringLiteral("copy of %1: source is no effect scene of the show").arg(copy->m_name);
    }
    for (const CLibraryProfile* profile : project.m_selectionCaps.m_profiles) {
        if (!library.contains(profile))
            stale << QStringLiteral("selection capabilities: profile out of the library");
    }
    const QSet<const CPage*> pages(project.m_pages.begin(), project.m_pages.end());
    for (const CGroup* group : project.m_groups) {
        if (group->m_page && !pages.contains(group->m_page))
            stale << group->m_name + QStringLiteral(": linked to a closed page");
    }
    for (const CFadingButton* button : project.m_fadingButtons) {
        for (const CScene* scene : button->m_fadeInScenes + button->m_fadeOutScenes) {
            if (!pageScenes.contains(scene))
                stale << button->m_name + QStringLiteral(": crossfade of a deleted scene");
        }
    }
    for (const CTimeLine* line : project.m_timeLine.m_lines) {
        for (const CTimeBlock* block : line->m_blocks) {
            if (block->m_scene && !pageScenes.contains(block->m_scene))
                stale << QStringLiteral("timeline: block of a deleted scene");
        }
    }
    return stale;
}
