#pragma once

#include "effects/Effect.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class CEffectScene;
class CFixtureMatrix;
class CLibraryProfile;
class CProject;

// Effect scenes for fixtures just patched, so that they can be shown moving
// at once: a colour sequence for each profile with colours, a pan/tilt
// circle for each profile with pan and tilt, and an animation on the new
// colour matrix, whose members take no colour sequence of their own. Each
// is bound to the new fixtures it drives, taken from the current group's
// selection (the patch leaves the new fixtures selected), and named after
// its profile and its kind; a kind that would drive nothing is left out.
// Returns the effect scenes appended to the project's.
QList<CEffectScene*> AddDefaultEffects(CProject& project, const QList<CLibraryProfile*>& profiles,
                                       CFixtureMatrix* colorMatrix);

// A default effect bound to the fixtures it drives, not yet in a scene:
// what it drives and the caption of its kind name the scene.
struct SDefaultEffect
{
    std::unique_ptr<CEffect> effect;
    QString driven;
    int kindCaption = 0;
};
// The effects AddDefaultEffects makes, made once so that the operator is
// asked only when there is something to make, and none is bound twice.
std::vector<SDefaultEffect> MakeDefaultEffects(CProject& project, const QList<CLibraryProfile*>& profiles,
                                               CFixtureMatrix* colorMatrix);
// Puts made effects into effect scenes of their own, in order.
QList<CEffectScene*> AddDefaultEffects(CProject& project, std::vector<SDefaultEffect> effects);
