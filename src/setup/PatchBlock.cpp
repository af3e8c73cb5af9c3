#include "setup/PatchBlock.h"

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/Triggers.h"

int PatchChannelCount(const CLibraryProfile* profile)
{
    const CProfileMode* mode = profile ? profile->CurrentMode() : nullptr;
    return mode ? mode->ChannelCount() : 0;
}

CPatchBlock::CPatchBlock(CLibraryProfile* profile, int universe, int start, int matrixId)
    : m_matrixId(matrixId), m_universe(universe), m_profile(profile)
{
    SetStart(start);
}

CPatchBlock::CPatchBlock(const CPatchBlock& source, int universe, int start)
    : m_overlap(source.m_overlap), m_invertPan(source.m_invertPan), m_invertTilt(source.m_invertTilt),
      m_fixture(source.m_fixture), m_profile(source.m_profile)
{
    m_universe = universe;
    SetStart(start);
}

int CPatchBlock::ChannelCount() const
{
    return PatchChannelCount(m_profile);
}

void CPatchBlock::SetStart(int address)
{
    const int n = ChannelCount();
    m_start = address + n < kDmxChannelsPerUniverse ? address : kDmxChannelsPerUniverse - n;
    m_end = m_start + n - 1;
}

void CPatchBlock::SetFixture(CPatchedFixture* fixture)
{
    m_new = false;
    m_fixture = fixture;
    m_profile = fixture->Profile();
    m_id = fixture->m_id;
    m_name = fixture->m_name;
    m_invertPan = fixture->m_invertPan;
    m_invertTilt = fixture->m_invertTilt;
}
