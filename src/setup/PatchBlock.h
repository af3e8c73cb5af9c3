#pragma once

#include <QString>

class CLibraryProfile;
class CPatchedFixture;

// One fixture while the patch is edited. The add-fixtures dialog never
// touches the project's fixtures: it moves, renames and removes these
// records, and the fixtures window applies them after OK.
class CPatchBlock
{
public:
    CPatchBlock(CLibraryProfile* profile, int universe, int start, int matrixId);
    // A pasted copy: new, but still pointing at its source's fixture so the
    // inversions and the profile carry over.
    CPatchBlock(const CPatchBlock& source, int universe, int start);
    CPatchBlock(const CPatchBlock&) = delete;
    CPatchBlock& operator=(const CPatchBlock&) = delete;

    // Pulls a block that would pass the end of a universe back onto its
    // last channel.
    void SetStart(int address);
    void SetFixture(CPatchedFixture* fixture);
    bool IsInMatrix() const { return m_matrixId >= 0; }
    // Channels of the profile's current mode; 0 without one.
    int ChannelCount() const;

    QString m_name;
    int m_id = -1;
    int m_matrixId = -1;
    int m_start = 0;
    int m_end = -1;
    int m_universe = 0;
    bool m_new = true;
    bool m_overlap = false; // set while a move or drop lands on an unmoved block
    bool m_invertPan = false;
    bool m_invertTilt = false;
    CPatchedFixture* m_fixture = nullptr;
    CLibraryProfile* m_profile = nullptr; // owned by the project
};

// Channels of a profile's current mode; 0 for none or an invalid mode.
int PatchChannelCount(const CLibraryProfile* profile);
