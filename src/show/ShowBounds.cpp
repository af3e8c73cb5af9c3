#include "show/ShowBounds.h"

#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "show/StepFixture.h"
#include "show/TimeLine.h"
#include "Captions.h"

#include <QSet>

#include <algorithm>
#include <tuple>

namespace {

// Indexed by CShowBounds::Kind.
const qint64 kBounds[CShowBounds::KindCount] = {
    1024,            // pages
    // A page's scenes are read as one tree: a page of twice as many new
    // scenes would take more than a tree may, and would never save.
    qint64(1) << 13, // scenes
    qint64(1) << 17, // steps: as many as a page can save
    // Steps without fixtures of their own repeat the previous step's, so a
    // few bytes of file can ask for millions of entries (some 300 MB here).
    qint64(1) << 21, // step entries
    qint64(1) << 26, // step levels
    4096,            // groups
    4096,            // masks
    4096,            // crossfade buttons
    4096,            // timeline lines
    qint64(1) << 16, // timeline blocks
    qint64(1) << 16, // timeline markers
    4096,            // patch blocks
};

qint64 ScenesHeld(const CProject& project)
{
    qint64 scenes = project.m_effectScenes.size();
    for (const CPage* page : project.m_pages)
        scenes += page->m_scenes.size();
    for (const CEffectScene* copy : project.m_runningCopies)
        scenes += copy->m_source ? 1 : 0;
    return scenes;
}

// Generated entries count as hand-made ones do: the rows of an effect are
// generated again on open and take the same memory.
void EntriesHeld(const CProject& project, qint64& entries, qint64& levels)
{
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes)
            CShowBounds::CountEntries(scene->m_steps, entries, levels);
    }
}

qint64 PatchBlocksHeld(const CProject& project)
{
    if (!project.m_generalGroup)
        return 0;
    QSet<int> matrices;
    for (const CFixtureMatrix* matrix : project.m_generalGroup->m_matrices)
        matrices.insert(matrix->Id());
    QSet<int> matrixBlocks;
    QSet<const CLibraryProfile*> profileBlocks;
    for (const CPatchedFixture* fixture : project.m_generalGroup->m_fixtures) {
        if (fixture->m_matrixId >= 0 && matrices.contains(fixture->m_matrixId))
            matrixBlocks.insert(fixture->m_matrixId);
        else if (fixture->Profile())
            profileBlocks.insert(fixture->Profile());
    }
    return matrixBlocks.size() + profileBlocks.size();
}

} // namespace

qint64 CShowBounds::Bound(Kind kind)
{
    return kBounds[kind];
}

QString CShowBounds::Word(Kind kind)
{
    // One caption holds every word, in the order of the kinds: the language
    // table has a fixed number of lines.
    return GetLangText(Txt::BoundWords).split(QLatin1Char('|')).value(kind);
}

QString CShowBounds::FileAsksTooMany(Kind kind)
{
    return GetLangText(Txt::TooManyElements).arg(Bound(kind)).arg(Word(kind));
}

QString CShowBounds::ShowHoldsTooMany(Kind kind)
{
    return GetLangText(Txt::ShowHoldsTooMany).arg(Bound(kind)).arg(Word(kind));
}

qint64 CShowBounds::Held(const CProject& project, Kind kind)
{
    qint64 held = 0;
    switch (kind) {
    case Pages:
        return project.m_pages.size();
    case Scenes:
        return ScenesHeld(project);
    case Steps:
        for (const CPage* page : project.m_pages) {
            for (const CScene* scene : page->m_scenes)
                held += scene->m_steps.size();
        }
        return held;
    case StepEntries:
    case StepLevels: {
        qint64 entries = 0;
        qint64 levels = 0;
        EntriesHeld(project, entries, levels);
        return kind == StepEntries ? entries : levels;
    }
    case Groups:
        // The general group is always there and is not one of the file's groups.
        return std::max(0, int(project.m_groups.size()) - 1);
    case Masks:
        return project.m_masks.size();
    case FadingButtons:
        return project.m_fadingButtons.size();
    case TimeLines:
        return project.m_timeLine.m_lines.size();
    case TimeBlocks:
        for (const CTimeLine* line : project.m_timeLine.m_lines)
            held += line->m_blocks.size();
        return held;
    case TimeMarkers:
        return project.m_timeLine.m_markers.size();
    case PatchBlocks:
        return PatchBlocksHeld(project);
    case KindCount:
        break;
    }
    return 0;
}

qint64 CShowBounds::UniverseBufferBytes(const CProject& project, qint64 buffers)
{
    return std::max<qint64>(0, buffers) * kSlotsPerUniverse * std::max(1, project.UniverseCount());
}

qint64 CShowBounds::BufferBytesHeld(const CProject& project)
{
    qint64 buffers = kPageBuffers * qint64(std::max(1, int(project.m_pages.size())));
    for (const CPage* page : project.m_pages)
        buffers += kSceneBuffers * qint64(page->m_scenes.size());
    buffers += kEffectSceneBuffers * qint64(project.m_effectScenes.size());
    for (const CEffectScene* copy : project.m_runningCopies)
        buffers += copy->m_source ? kEffectSceneBuffers : 0;
    qint64 flags = 0;
    if (project.m_generalGroup) {
        for (const CPatchedFixture* fixture : project.m_generalGroup->m_fixtures)
            flags += fixture->BeamCount();
    }
    for (const CGroup* group : project.m_groups) {
        for (const CSubGroup* subGroup : group->m_subGroups) {
            for (const CPatchedFixture* fixture : subGroup->m_fixtures)
                flags += fixture->BeamCount();
        }
    }
    return UniverseBufferBytes(project, buffers) + flags * kBeamFlagBytes;
}

QString CShowBounds::BuffersTooLarge()
{
    return GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(kMaxUniverseBufferBytes / (1024 * 1024));
}

bool CShowBounds::HasRoom(const CProject& project, Kind kind, qint64 more, bool effectScenes)
{
    if (more <= 0)
        return true;
    if (Held(project, kind) + more > Bound(kind))
        return false;
    int buffers = 0;
    if (kind == Pages)
        buffers = kPageBuffers;
    else if (kind == Scenes)
        buffers = effectScenes ? kEffectSceneBuffers : kSceneBuffers;
    return buffers == 0
        || BufferBytesHeld(project) + UniverseBufferBytes(project, buffers * more) <= kMaxUniverseBufferBytes;
}

bool CShowBounds::AskRoom(const CProject& project, Kind kind, qint64 more, bool effectScenes)
{
    if (HasRoom(project, kind, more, effectScenes))
        return true;
    TellNoRoom(project, kind, more);
    return false;
}

QString CShowBounds::NoRoomText(const CProject& project, Kind kind, qint64 more)
{
    if (Held(project, kind) + more <= Bound(kind))
        return GetLangText(Txt::ShowBuffersFull).arg(project.UniverseCount()).arg(Word(kind));
    return ShowHoldsTooMany(kind);
}

void CShowBounds::TellNoRoom(const CProject& project, Kind kind, qint64 more)
{
    const QString text = NoRoomText(project, kind, more);
    ShowHost().ShowStatusMessage(text);
    ShowHost().ShowInformation(GetLangText(Txt::Warning), text);
}

qint64 CShowBounds::LevelsOf(const CPatchedFixture* fixture)
{
    return fixture && fixture->Profile() ? std::max(1, fixture->Profile()->ChannelCount()) : 1;
}

void CShowBounds::CountEntries(const QList<CSceneStep*>& steps, qint64& entries, qint64& levels)
{
    // Generated steps count as Held counts them.
    for (const CSceneStep* step : steps) {
        if (!step)
            continue;
        for (const CStepFixture* entry : step->m_entries) {
            if (!entry->Fixture())
                continue;
            ++entries;
            levels += LevelsOf(entry->Fixture());
        }
    }
}

bool CShowBounds::AskRoomForSteps(const CProject& project, const QList<CSceneStep*>& steps)
{
    qint64 entries = 0;
    qint64 levels = 0;
    CountEntries(steps, entries, levels);
    return AskRoom(project, Steps, steps.size()) && AskRoom(project, StepEntries, entries)
        && AskRoom(project, StepLevels, levels);
}

bool CShowBounds::AskRoomForStepGrowth(const CProject& project, const SStepGrowth& growth)
{
    if (!AskRoom(project, Steps, growth.steps))
        return false;
    // Generated entries count as hand-made ones do (EntriesHeld), both
    // counts from one walk through the show's entries.
    const qint64 entries = growth.entries + growth.generatedEntries;
    const qint64 levels = growth.levels + growth.generatedLevels;
    if (entries <= 0 && levels <= 0)
        return true;
    qint64 heldEntries = 0;
    qint64 heldLevels = 0;
    EntriesHeld(project, heldEntries, heldLevels);
    for (const auto& [kind, held, more] : {std::tuple{StepEntries, heldEntries, entries},
                                           std::tuple{StepLevels, heldLevels, levels}}) {
        if (more > 0 && held + more > Bound(kind)) {
            TellNoRoom(project, kind, more);
            return false;
        }
    }
    return true;
}

bool CShowBounds::HoldsWithin(const CProject& project, Kind* over)
{
    for (int kind = 0; kind < KindCount; ++kind) {
        if (Held(project, Kind(kind)) > Bound(Kind(kind))) {
            if (over)
                *over = Kind(kind);
            return false;
        }
    }
    if (BufferBytesHeld(project) > kMaxUniverseBufferBytes) {
        // Pages and scenes keep the buffers; the scenes are what grows.
        if (over)
            *over = Scenes;
        return false;
    }
    return true;
}

bool CShowBounds::AskHoldsWithin(const CProject& project)
{
    Kind over = Scenes;
    if (HoldsWithin(project, &over))
        return true;
    TellNoRoom(project, over, 0);
    return false;
}
