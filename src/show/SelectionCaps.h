#pragma once

#include <QList>

class CLibraryProfile;

// What the profiles of the current selection offer, so that the presets
// window builds the right colour and pan/tilt controls. Recomputed on every
// selection change (CProject::ComputeSelectionCaps).
struct CSelectionCaps
{
    // All flags off, no profile.
    void Reset();
    // Appends the profile unless it is present already; a null profile is
    // ignored.
    void AddProfile(CLibraryProfile* profile);
    // Derives the flags from the profile list.
    void Update();

    bool m_color = false;         // show the colour control
    bool m_masterColor = false;   // show the master colour control
    bool m_panTilt = false;       // show the pan/tilt control
    bool m_masterPanTilt = false; // show the master pan/tilt control
    bool m_anyColor1 = false;     // some profile has single-beam colour sets
    bool m_color2 = false;        // multi-beam colour sets (see Update)
    bool m_anyPanTilt1 = false;
    bool m_panTilt2 = false;
    bool m_anyDimmers1 = false; // single-beam dimmers
    bool m_anyDimmers2 = false; // multi-beam dimmers
    bool m_cmy = false;
    bool m_white = false;
    int m_finePanTilt = 0; // 0 or 1
    QList<CLibraryProfile*> m_profiles; // not owned
};
