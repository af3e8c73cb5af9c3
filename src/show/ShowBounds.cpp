#include "show/ShowBounds.h"

#include "effects/Effect.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "show/StepFixture.h"
#include "show/TimeLine.h"
#include "Captions.h"

#include <QSet>

#include <algorithm>

namespace {

// Indexed by CShowBounds::Kind.
const qint64 kBounds[CShowBounds::KindCount] = {
    1024,            // pages
    qint64(1) << 13, // scenes
    qint64(1) << 17, // steps
    // Steps without fixtures of their own repeat the previous step's, so a
    // few bytes of file can ask for millions of entries (some 200 MB here).
    qint64(1) << 21, // step entries
    qint64(1) << 26, // step levels
    4096,            // groups
    4096,            // masks
    4096,            // crossfade buttons
    4096,            // timeline lines
    qint64(1) << 16, // timeline blocks
    qint64(1) << 16, // timeline markers
    4096,            // patch blocks
    // A member costs its places in the group's lists and its beam flags,
    // some 36 bytes as read, and its fixture's place in the group's plan a
    // run of 12 more, with the run of its general place after it: 2,048
    // groups of 1,024 open in 150 MB and save in 210. Room for every
    // fixture of a rig of 2,048 in each of 1,024 groups.
    qint64(1) << 21, // group members
    // A generated entry costs some 56 bytes and no file: a file of a few
    // kilobytes may ask for all of them. 3,000,000 take some 170 MB, and
    // hold a hundred scenes of a curve row over 150 fixtures. Past 12
    // levels an entry keeps them in a block of its own: ten levels to an
    // entry keep that within the same memory.
    3000000,         // generated entries
    30000000,        // generated levels
    // A fixture of an effect costs its place in two lists, a beam in three,
    // some 24 bytes. Every show an earlier build saved holds fewer than
    // 1.4 million: it wrote each as an element of three nodes or more, in
    // a document of no more than 4 million.
    qint64(1) << 21, // fixtures and beams in effect selections
};

// The most text an element of each kind takes as the program writes it,
// with names of a few words: what shows saved by the program measure, with
// room to spare. Levels are stored compressed, as two digits a byte, which
// levels that vary from step to step do not shrink; an entry is its
// fixture's record in the step's list, a member its id in the group's and
// its place, a patch block its profile with the fixtures' records.
const qint64 kTextBytes[CShowBounds::KindCount] = {
    512,  // pages (some 40)
    1024, // scenes (some 620)
    128,  // steps (some 90)
    12,   // step entries
    2,    // step levels
    512,  // groups (some 280)
    1024, // masks
    256,  // crossfade buttons (some 40)
    256,  // timeline lines (some 40)
    160,  // timeline blocks (some 100)
    96,   // timeline markers (some 50)
    2048, // patch blocks (some 760 for a small profile)
    32,   // group members (some 4, and its fixture's place in the group's plan
          // with the run of its general place after it, some 24)
    // Generated steps are not written, their row is: its records of its
    // fixtures, spread over the steps it generates (some 1 an entry).
    8,    // generated entries
    0,    // generated levels
    10,   // fixtures and beams in effect selections (an id and a flag, some 7)
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

void EntriesHeld(const CProject& project, bool generated, qint64& entries, qint64& levels)
{
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes)
            CShowBounds::CountEntries(scene->m_steps, entries, levels, generated);
    }
}

// The rows of the plain scenes. Running copies of playing effect scenes are
// saved to start again only while they fit beside these, and read so: a
// show that plays live is never refused for them.
qint64 EffectFixturesHeld(const CProject& project)
{
    qint64 held = 0;
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes)
            held += CShowBounds::EffectFixturesOf(scene->m_steps);
    }
    return held;
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

qint64 GroupMembersHeld(const CProject& project)
{
    qint64 members = 0;
    for (const CGroup* group : project.m_groups) {
        if (group != project.m_generalGroup)
            members += group->m_fixtures.size() + group->m_matrices.size();
    }
    return members;
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
    case StepLevels:
    case GeneratedEntries:
    case GeneratedLevels: {
        qint64 entries = 0;
        qint64 levels = 0;
        EntriesHeld(project, kind == GeneratedEntries || kind == GeneratedLevels, entries, levels);
        return kind == StepEntries || kind == GeneratedEntries ? entries : levels;
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
    case GroupMembers:
        return GroupMembersHeld(project);
    case EffectFixtures:
        return EffectFixturesHeld(project);
    case KindCount:
        break;
    }
    return 0;
}

qint64 CShowBounds::UniverseBufferBytes(qint64 buffers)
{
    return std::max<qint64>(0, buffers) * kSlotsPerUniverse;
}

qint64 CShowBounds::SceneBufferBytes(const CScene& scene)
{
    qint64 buffers = kSceneBuffers * qint64(scene.MaskUniversesHeld());
    if (scene.IsEffectScene())
        buffers += kStaticBuffers * qint64(static_cast<const CEffectScene&>(scene).StaticUniversesHeld());
    return UniverseBufferBytes(buffers);
}

qint64 CShowBounds::BufferBytesHeld(const CProject& project)
{
    qint64 bytes = 0;
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes)
            bytes += SceneBufferBytes(*scene);
    }
    for (const CEffectScene* scene : project.m_effectScenes)
        bytes += SceneBufferBytes(*scene);
    for (const CEffectScene* copy : project.m_runningCopies)
        bytes += copy->m_source ? SceneBufferBytes(*copy) : 0;
    return bytes + BeamFlagBytes(project);
}

qint64 CShowBounds::BufferBytesSaved(const CProject& project)
{
    qint64 masks = 0;
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes) {
            for (int u : scene->MaskUniverses()) {
                masks += project.IsActive(u) && scene->ActiveMask(u)->Any();
            }
        }
    }
    return UniverseBufferBytes(kSceneBuffers * masks) + BeamFlagBytes(project);
}

qint64 CShowBounds::BeamFlagBytes(const CProject& project)
{
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
    return flags * kBeamFlagBytes;
}

qint64 CShowBounds::TextBytes(Kind kind)
{
    return kind >= 0 && kind < KindCount ? kTextBytes[kind] : 0;
}

qint64 CShowBounds::DocumentBytes()
{
    qint64 bytes = 1024 * 1024; // the show's parameters and what every show holds
    for (int kind = 0; kind < KindCount; ++kind)
        bytes += kBounds[kind] * kTextBytes[kind];
    return bytes + kMaxUniverseBufferBytes / UniverseBufferBytes(kSceneBuffers) * kMaskTextBytes;
}

QString CShowBounds::BuffersTooLarge()
{
    return GetLangText(Txt::ShowBuffersFull).arg(kMaxUniverseBufferBytes / (1024 * 1024));
}

bool CShowBounds::HasRoom(const CProject& project, Kind kind, qint64 more)
{
    if (more <= 0)
        return true;
    if (Held(project, kind) + more > Bound(kind))
        return false;
    // A new page or scene marks nothing yet; a show past its buffer bound,
    // which would not save, takes none more.
    return (kind != Pages && kind != Scenes) || BufferBytesHeld(project) <= kMaxUniverseBufferBytes;
}

bool CShowBounds::AskRoom(const CProject& project, Kind kind, qint64 more)
{
    if (HasRoom(project, kind, more))
        return true;
    TellNoRoom(project, kind, more);
    return false;
}

QString CShowBounds::NoRoomText(const CProject& project, Kind kind, qint64 more)
{
    if (Held(project, kind) + more <= Bound(kind))
        return BuffersTooLarge();
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

void CShowBounds::CountEntries(const QList<CSceneStep*>& steps, qint64& entries, qint64& levels, bool generated)
{
    // A generated step counts every entry it holds, those that aligning it
    // on the scene's fixtures gave it too.
    for (const CSceneStep* step : steps) {
        if (step && (step->m_effect != nullptr) == generated)
            CountStepEntries(step, entries, levels);
    }
}

qint64 CShowBounds::EffectFixturesOf(const CEffect* effect)
{
    return effect ? qint64(effect->m_fixtures.size()) + effect->m_beamFixtures.size() : 0;
}

qint64 CShowBounds::EffectFixturesOf(const QList<CSceneStep*>& steps)
{
    qint64 records = 0;
    const CEffect* last = nullptr;
    for (const CSceneStep* step : steps) {
        const CEffect* effect = step ? step->m_effect : nullptr;
        if (effect && effect != last)
            records += EffectFixturesOf(effect);
        last = effect;
    }
    return records;
}

void CShowBounds::CountStepEntries(const CSceneStep* step, qint64& entries, qint64& levels)
{
    for (const CStepFixture* entry : step->m_entries) {
        if (!entry->Fixture())
            continue;
        ++entries;
        levels += LevelsOf(entry->Fixture());
    }
}

namespace {

// Adds the steps' entries and levels, in the order of the kinds from
// StepEntries on: hand-made entries and levels, then generated.
void CountStepKinds(const QList<CSceneStep*>& steps, qint64 (&counts)[4])
{
    CShowBounds::CountEntries(steps, counts[0], counts[1], false);
    CShowBounds::CountEntries(steps, counts[2], counts[3], true);
}

// AskRoom for every kind of a step command, `counts` as CountStepKinds
// gives them.
bool AskRoomForStepKinds(const CProject& project, qint64 steps, const qint64 (&counts)[4], qint64 maskBytes = 0,
                         qint64 effectFixtures = 0)
{
    const CShowBounds::Kind kinds[4] = {CShowBounds::StepEntries, CShowBounds::StepLevels,
                                        CShowBounds::GeneratedEntries, CShowBounds::GeneratedLevels};
    if (!CShowBounds::AskRoom(project, CShowBounds::Steps, steps))
        return false;
    for (int k = 0; k < 4; ++k) {
        if (!CShowBounds::AskRoom(project, kinds[k], counts[k]))
            return false;
    }
    if (!CShowBounds::AskRoom(project, CShowBounds::EffectFixtures, effectFixtures))
        return false;
    if (maskBytes > 0 && CShowBounds::BufferBytesHeld(project) + maskBytes > CShowBounds::kMaxUniverseBufferBytes) {
        CShowBounds::TellNoRoom(project, CShowBounds::Scenes, 0);
        return false;
    }
    return true;
}

} // namespace

bool CShowBounds::AskRoomForSteps(const CProject& project, const QList<CSceneStep*>& steps)
{
    qint64 counts[4] = {};
    CountStepKinds(steps, counts);
    return AskRoomForStepKinds(project, steps.size(), counts, 0, EffectFixturesOf(steps));
}

bool CShowBounds::AskRoomToReplace(const CProject& project, const CScene& scene, const CScene& replacement)
{
    qint64 counts[4] = {};
    qint64 held[4] = {};
    CountStepKinds(replacement.m_steps, counts);
    CountStepKinds(scene.m_steps, held);
    for (int k = 0; k < 4; ++k)
        counts[k] -= held[k];
    return AskRoomForStepKinds(project, replacement.m_steps.size() - scene.m_steps.size(), counts,
                               SceneBufferBytes(replacement) - SceneBufferBytes(scene),
                               EffectFixturesOf(replacement.m_steps) - EffectFixturesOf(scene.m_steps));
}

bool CShowBounds::AskRoomForFixtures(const CProject& project, const CScene& scene,
                                     const QList<CPatchedFixture*>& fixtures)
{
    // The steps of effect scenes are made again from their effect.
    if (scene.IsEffectScene() || fixtures.isEmpty())
        return true;
    QSet<const CPatchedFixture*> wanted;
    qint64 wantedLevels = 0;
    for (const CPatchedFixture* fixture : fixtures) {
        if (fixture && !wanted.contains(fixture)) {
            wanted.insert(fixture);
            wantedLevels += LevelsOf(fixture);
        }
    }
    // One pass over the scene's entries, not a search per fixture and step:
    // a fader moves many times a second.
    qint64 counts[4] = {};
    for (const CSceneStep* step : scene.m_steps) {
        qint64 held = 0;
        qint64 heldLevels = 0;
        for (const CStepFixture* entry : step->m_entries) {
            if (wanted.contains(entry->Fixture())) {
                ++held;
                heldLevels += LevelsOf(entry->Fixture());
            }
        }
        const int k = step->m_effect ? 2 : 0;
        counts[k] += wanted.size() - held;
        counts[k + 1] += wantedLevels - heldLevels;
    }
    return AskRoomForStepKinds(project, 0, counts, MaskBytesAdded(scene, fixtures));
}

qint64 CShowBounds::MaskBytesAdded(const CScene& scene, const QList<CPatchedFixture*>& fixtures)
{
    QSet<int> universes;
    for (const CPatchedFixture* fixture : fixtures) {
        const int u = fixture ? fixture->m_universe : -1;
        if (u >= 0 && u < scene.UniverseCount() && !scene.HasMasks(u))
            universes.insert(u);
    }
    return UniverseBufferBytes(kSceneBuffers * qint64(universes.size()));
}

qint64 CShowBounds::MaskBytesAdded(const CScene& scene, const QList<CSceneStep*>& steps)
{
    QList<CPatchedFixture*> fixtures;
    QSet<const CPatchedFixture*> seen;
    for (const CSceneStep* step : steps) {
        if (!step)
            continue;
        for (const CStepFixture* entry : step->m_entries) {
            CPatchedFixture* fixture = entry->Fixture();
            if (fixture && !seen.contains(fixture)) {
                seen.insert(fixture);
                fixtures << fixture;
            }
        }
    }
    return MaskBytesAdded(scene, fixtures);
}

bool CShowBounds::AskRoomForStepGrowth(const CProject& project, const SStepGrowth& growth)
{
    return AskRoomForStepKinds(project, growth.steps,
                               {growth.entries, growth.levels, growth.generatedEntries, growth.generatedLevels},
                               growth.maskBytes, growth.effectFixtures);
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
