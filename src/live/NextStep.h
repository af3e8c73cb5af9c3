#pragma once

class CPage;
class CProject;
class CScene;

// The live "next": the wait of a playing scene's current step ends now and
// its next step fades in from the levels on stage, paused or not, so an
// operator can pause a chase and walk it by hand. Past the last step the
// scene loops, or ends when its loop count is reached, as its own run would.
// False when the scene does not play on the page, is being released, is
// being edited, has no step or is an effect scene.
bool MoveSceneToNextStep(CProject& project, CPage& page, CScene& scene);

// Every playing plain scene of every page; the number of scenes moved.
int MovePlayingScenesToNextStep(CProject& project);
