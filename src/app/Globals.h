#pragma once

// The three program-wide objects. The main window creates the project and
// the options and publishes all three in its constructor; they are null
// before that and after it is destroyed. The show library never uses them:
// it reaches the program through its host interface.
class Orvane;
class CProject;
class CAppOptions;

extern Orvane* g_pMainWnd;
extern CProject* g_pProject;
extern CAppOptions* g_pOptions;
