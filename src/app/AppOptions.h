#pragma once

// The program's options, kept in the options file beside the program.
class CAppOptions
{
public:
    bool m_bStartScenes = false;
    bool m_bSendEditDmx = true;
    int m_nbUniverses = 4;
};
