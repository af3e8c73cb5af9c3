#include "show/Group.h"

#include "model/FixtureMatrix.h"
#include "model/PatchedFixture.h"

CGroup::CGroup(const QString& name) : m_name(name) {}

CGroup::~CGroup()
{
    Clear(false);
}

void CGroup::Clear(bool deleteMembers)
{
    m_selectedFixtures.clear();
    m_selectedMatrices.clear();
    if (deleteMembers) {
        qDeleteAll(m_fixtures);
        qDeleteAll(m_matrices);
    }
    m_fixtures.clear();
    m_matrices.clear();
    m_beamFlags.clear();
}

CPatchedFixture* CGroup::FindFixture(int id) const
{
    for (CPatchedFixture* fixture : m_fixtures) {
        if (fixture->m_id == id)
            return fixture;
    }
    return nullptr;
}

void CGroup::AddFixture(CPatchedFixture* fixture)
{
    if (!fixture || m_fixtures.contains(fixture))
        return;
    m_fixtures << fixture;
    m_beamFlags << fixture->BeamFlags();
}

void CGroup::SortFixtures()
{
    QList<CPatchedFixture*> fixtures;
    QList<QList<bool>> flags;
    for (int i = 0; i < m_fixtures.size(); ++i) {
        CPatchedFixture* fixture = m_fixtures[i];
        int at = fixtures.size();
        for (int j = 0; j < fixtures.size(); ++j) {
            const CPatchedFixture* placed = fixtures[j];
            if (placed->m_universe > fixture->m_universe
                || (placed->m_universe == fixture->m_universe && placed->m_address > fixture->m_address)) {
                at = j;
                break;
            }
        }
        fixtures.insert(at, fixture);
        flags.insert(at, i < m_beamFlags.size() ? m_beamFlags[i] : fixture->BeamFlags());
    }
    m_fixtures = fixtures;
    m_beamFlags = flags;
}
