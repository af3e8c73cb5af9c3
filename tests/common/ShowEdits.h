#pragma once

#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "effects/GradientEffect.h"
#include "effects/MatrixAnimEffect.h"
#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/Scene.h"

// Edits of the show library as the windows make them, for tests that edit
// a show step by step.
namespace ShowEdits {

// The fixtures, every beam of them, become the current group's selection.
inline void Select(CProject& project, const QList<CPatchedFixture*>& fixtures)
{
    for (CPatchedFixture* fixture : fixtures) {
        for (bool& flag : fixture->BeamFlags())
            flag = true;
    }
    project.m_currentGroup->m_selectedFixtures = fixtures;
    project.m_currentGroup->m_selectedMatrices.clear();
}

// The plan's click on one of the current group's matrices: its members
// with a beam lit join the selection, whether the group holds them or not.
inline void SelectThroughMatrix(CProject& project, CFixtureMatrix* matrix)
{
    CGroup* group = project.m_currentGroup;
    group->m_selectedFixtures.clear();
    for (CPatchedFixture* member : matrix->Members()) {
        if (member->IsAnyBeamSelected())
            group->m_selectedFixtures << member;
    }
    group->m_selectedMatrices = {matrix};
}

// A level on the edit layer, as the control panels leave it for a store.
inline void SetEditLevel(CProject& project, const CPatchedFixture* fixture, int channel, quint8 level)
{
    const int slot = fixture->m_address + channel;
    if (!project.IsUniverse(fixture->m_universe) || slot < 0 || slot >= 512)
        return;
    project.m_edit[fixture->m_universe][slot] = level;
    project.m_editMask[fixture->m_universe][slot] = 1;
}

// The effect editor's OK: the effect (taken) is bound to the selection and
// written after the row (or in place of its effect row with `replace`).
inline void ApplyEffect(CProject& project, CEffect* effect, CScene* scene, int row, bool replace)
{
    scene->m_currentStep = scene->StepAtRow(row);
    project.BindEffectToSelection(effect, false, false);
    project.m_effectEngine.SetEffect(effect);
    project.ApplyEffect(scene, replace, -1, -1, -1);
}

// A curve on every channel of the profile: a step each 40 ms of `length`.
inline CCurveEffect* ChannelCurve(CLibraryProfile* profile, int length)
{
    auto* curve = new CCurveEffect(length);
    curve->SetChannelsFromProfile(profile, false);
    for (int c = 0; c < curve->m_activeChannels.size(); ++c)
        curve->m_activeChannels[c] = true;
    return curve;
}

// A gradient of one colour: one step of it over one second.
inline CEffect* Gradient(const CRgbwColor& color)
{
    auto* gradient = new CGradientEffect(1000);
    gradient->m_pegColors = {color};
    gradient->m_pegPositions = {0.0};
    return gradient;
}

// Matrix 1 of `members` fixtures of the profile, four slots apart from
// `address` on, patched.
inline CFixtureMatrix* PatchMatrix(CProject& project, CLibraryProfile* profile, int members, int address)
{
    CFixtureMatrix* matrix = project.AddMatrix(profile, 1, members, 1, nullptr);
    for (int i = 0; i < members; ++i)
        matrix->AddMember(project.AddFixture(address + 4 * i, 0, 10 + i, 1, QStringLiteral("M"), profile, false,
                                             false, nullptr),
                          QRect(20 * i, 0, 20, 20));
    project.UpdateAfterPatch(true, false);
    return matrix;
}

// An animation on the matrix's first `count` members, applied to the
// scene: on part of a matrix it plays on a grid of its own.
inline CEffect* ApplyOnPartOf(CProject& project, CFixtureMatrix* matrix, int count, CScene* scene)
{
    auto* effect = new CMatrixAnimEffect(matrix, 0);
    effect->m_applySel = true;
    Select(project, matrix->Members().mid(0, count));
    project.m_currentGroup->m_selectedMatrices = {matrix};
    ApplyEffect(project, effect, scene, -1, false);
    return scene->m_effects.value(0);
}

// The patch dialog's OK for a block given another profile or mode.
inline void ChangeProfile(CProject& project, CPatchedFixture* fixture, CLibraryProfile* profile)
{
    fixture->SetProfile(profile);
    project.DropProfilesIfUnused({profile});
    project.UpdateAfterPatch(true, false);
}

// The patch dialog's OK for a block moved to another address.
inline void MoveFixture(CProject& project, CPatchedFixture* fixture, int universe, int address)
{
    const QList<int> oldUniverses{fixture->m_universe}, oldAddresses{fixture->m_address};
    fixture->m_universe = universe;
    fixture->m_address = address;
    const int length = fixture->Profile() ? fixture->Profile()->ChannelCount() : 1;
    project.PatchChanged(oldUniverses, oldAddresses, {universe}, {address}, {length});
    project.RemoveFixturesFromScenes({fixture});
    project.UpdateAfterPatch(true, false);
}

} // namespace ShowEdits
