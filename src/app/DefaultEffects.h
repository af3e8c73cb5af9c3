#pragma once

#include <QList>

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

// Whether AddDefaultEffects would make any effect scene, so that the operator
// is not offered effects for fixtures that none of them can drive.
bool HasDefaultEffects(CProject& project, const QList<CLibraryProfile*>& profiles, CFixtureMatrix* colorMatrix);
