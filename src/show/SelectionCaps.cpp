#include "show/SelectionCaps.h"

#include "model/LibraryProfile.h"

void CSelectionCaps::Reset()
{
    *this = CSelectionCaps();
}

void CSelectionCaps::AddProfile(CLibraryProfile* profile)
{
    if (!profile)
        return;
    // The object, not its file: an edited copy shares its original's path
    // and mode but not its channel numbers.
    if (!m_profiles.contains(profile))
        m_profiles << profile;
}

void CSelectionCaps::Update()
{
    if (m_profiles.size() == 1) {
        const CLibraryProfile* profile = m_profiles.first();
        m_anyColor1 = profile->HasColor(false);
        m_color2 = profile->HasColor(true);
        m_anyPanTilt1 = profile->HasPanTilt(false);
        m_panTilt2 = profile->HasPanTilt(true);
        m_anyDimmers1 = profile->HasDimmers(false);
        m_anyDimmers2 = profile->HasDimmers(true);
        m_cmy = profile->IsCmy();
        m_white = profile->HasWhite();
        m_finePanTilt = profile->HasFinePanTilt() ? 1 : 0;
        m_color = m_anyColor1;
        m_masterColor = m_color2;
        m_panTilt = m_anyPanTilt1;
        m_masterPanTilt = m_panTilt2;
        return;
    }

    // Several profiles: a control is shown only when every profile has what
    // it drives. With none the presets window builds every control.
    m_color = m_masterColor = m_panTilt = m_masterPanTilt = true;
    m_cmy = true;
    m_anyColor1 = m_color2 = m_anyPanTilt1 = m_panTilt2 = false;
    m_anyDimmers1 = m_anyDimmers2 = false;
    m_white = false;
    m_finePanTilt = 0;
    for (const CLibraryProfile* profile : m_profiles) {
        if (profile->HasColor(false)) {
            m_anyColor1 = true;
            m_color2 = profile->HasColor(true);
            if (!profile->IsCmy())
                m_cmy = false;
            if (profile->HasWhite())
                m_white = true;
            if (!profile->HasColor(true))
                m_masterColor = false;
        } else {
            m_color = false;
            m_masterColor = false;
        }
        if (profile->HasPanTilt(false)) {
            m_anyPanTilt1 = true;
            m_panTilt2 = profile->HasPanTilt(true);
            if (profile->HasFinePanTilt())
                m_finePanTilt = 1;
            if (!profile->HasPanTilt(true))
                m_masterPanTilt = false;
        } else {
            m_panTilt = false;
            m_masterPanTilt = false;
        }
        m_anyDimmers1 = m_anyDimmers1 || profile->HasDimmers(false);
        m_anyDimmers2 = m_anyDimmers2 || profile->HasDimmers(true);
    }
}
