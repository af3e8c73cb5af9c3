#include "show/Group.h"

#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/ShowHost.h"

#include <QSet>
#include <QVector>

#include <algorithm>
#include <numeric>

bool CSubGroup::RemoveFixture(const CPatchedFixture* fixture)
{
    const int index = m_fixtures.indexOf(const_cast<CPatchedFixture*>(fixture));
    if (index < 0)
        return false;
    m_fixtures.removeAt(index);
    if (index < m_beamFlags.size())
        m_beamFlags.removeAt(index);
    return true;
}

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
        ShowHost().FixturesDeleting(m_fixtures, m_matrices);
        qDeleteAll(m_fixtures);
        qDeleteAll(m_matrices);
    }
    m_fixtures.clear();
    m_matrices.clear();
    m_beamFlags.clear();
    qDeleteAll(m_subGroups);
    m_subGroups.clear();
    for (QList<CPresetConfig*>& configs : m_presetConfigs)
        qDeleteAll(configs);
    m_presetConfigs.clear();
    m_presetProfiles.clear();
}

// --- Lookup

CPatchedFixture* CGroup::FindFixture(int id) const
{
    for (CPatchedFixture* fixture : m_fixtures) {
        if (fixture->m_id == id)
            return fixture;
    }
    return nullptr;
}

CFixtureMatrix* CGroup::FindMatrix(int id) const
{
    for (CFixtureMatrix* matrix : m_matrices) {
        if (matrix->Id() == id)
            return matrix;
    }
    return nullptr;
}

CPatchedFixture* CGroup::FindFixtureAt(int universe, int slot) const
{
    for (CPatchedFixture* fixture : m_fixtures) {
        if (fixture->m_universe != universe || !fixture->Profile())
            continue;
        const int count = fixture->Profile()->ChannelCount();
        if (slot >= fixture->m_address && slot < fixture->m_address + count)
            return fixture;
    }
    return nullptr;
}

CFixtureMatrix* CGroup::MatrixOf(const CPatchedFixture* fixture) const
{
    if (!fixture || fixture->m_matrixId < 0)
        return nullptr;
    for (CFixtureMatrix* matrix : m_matrices) {
        if (matrix->Id() == fixture->m_matrixId && matrix->IndexOfMember(fixture) >= 0)
            return matrix;
    }
    return nullptr;
}

// --- Members

void CGroup::AddFixture(CPatchedFixture* fixture)
{
    if (!fixture || m_fixtures.contains(fixture))
        return;
    m_fixtures << fixture;
    m_beamFlags << fixture->BeamFlags();
}

void CGroup::AddFixtures(const QList<CPatchedFixture*>& fixtures)
{
    QSet<const CPatchedFixture*> members(m_fixtures.cbegin(), m_fixtures.cend());
    for (CPatchedFixture* fixture : fixtures) {
        if (!fixture || members.contains(fixture))
            continue;
        members.insert(fixture);
        m_fixtures << fixture;
        m_beamFlags << fixture->BeamFlags();
    }
}

CPatchedFixture* CGroup::AddFixture(int address, int universe, int id, int matrixId, const QString& name,
                                    CLibraryProfile* profile, bool invertPan, bool invertTilt, int groupCount,
                                    CLayoutItem* layoutItem)
{
    auto* fixture = new CPatchedFixture(address, universe, id, matrixId, name, profile, invertPan, invertTilt,
                                        layoutItem);
    const QPoint at = fixture->ItemPosition();
    const int positions = matrixId >= 0 ? 1 : qMax(1, groupCount);
    for (int i = 0; i < positions; ++i)
        fixture->AddPosition(at);
    m_fixtures << fixture;
    m_beamFlags << fixture->BeamFlags();
    return fixture;
}

CFixtureMatrix* CGroup::AddMatrix(CLibraryProfile* profile, int id, int columns, int rows, int groupCount,
                                  CLayoutItem* layoutItem)
{
    auto* matrix = new CFixtureMatrix(profile, id, columns, rows, layoutItem);
    const QPoint at = matrix->ItemPosition();
    for (int i = 0; i < qMax(1, groupCount); ++i)
        matrix->AddPosition(at);
    m_matrices << matrix;
    return matrix;
}

void CGroup::RemoveFixture(CPatchedFixture* fixture, bool matrixCleanUp, bool deleteFixture)
{
    // Selecting one of the group's matrices selects its members, whether the
    // group holds them or not: a non-member may be selected and stored in a
    // sub-group, and must not be named there once it is gone.
    m_selectedFixtures.removeAll(fixture);
    for (CSubGroup* subGroup : m_subGroups) {
        while (subGroup->RemoveFixture(fixture)) {
        }
    }
    const int index = m_fixtures.indexOf(fixture);
    if (index < 0)
        return;
    if (matrixCleanUp) {
        if (CFixtureMatrix* matrix = MatrixOf(fixture)) {
            matrix->RemoveMember(fixture);
            if (matrix->MemberCount() == 0)
                RemoveMatrix(matrix, true);
        }
    }
    if (deleteFixture) {
        ShowHost().FixturesDeleting({fixture}, {});
        delete fixture;
    }
    m_fixtures.removeAt(index);
    if (index < m_beamFlags.size())
        m_beamFlags.removeAt(index);
}

void CGroup::RemoveMatrix(CFixtureMatrix* matrix, bool deleteMatrix)
{
    if (!matrix || !m_matrices.contains(matrix))
        return;
    // A selected matrix left behind would be a dangling pointer once deleted.
    m_selectedMatrices.removeAll(matrix);
    m_matrices.removeAll(matrix);
    if (deleteMatrix) {
        ShowHost().FixturesDeleting({}, {matrix});
        delete matrix;
    }
}

// --- Selection

bool CGroup::IsSelection(const QList<CPatchedFixture*>& fixtures, const QList<QList<bool>>& beamFlags) const
{
    if (m_selectedFixtures.isEmpty())
        return false;
    for (int i = 0; i < fixtures.size(); ++i) {
        CPatchedFixture* fixture = fixtures[i];
        if (!m_selectedFixtures.contains(fixture))
            return false;
        if (i >= beamFlags.size())
            continue;
        const QList<bool>& stored = beamFlags[i];
        const QList<bool>& current = fixture->BeamFlags();
        const int common = qMin(stored.size(), current.size());
        for (int b = 0; b < common; ++b) {
            if (stored[b] != current[b])
                return false;
        }
    }
    return true;
}

bool CGroup::IsMatrixSelection() const
{
    if (m_selectedMatrices.isEmpty())
        return false;
    for (const CPatchedFixture* fixture : m_selectedFixtures) {
        if (fixture->m_matrixId < 0)
            return false;
    }
    return true;
}

bool CGroup::AddSubGroup()
{
    if (m_selectedFixtures.isEmpty())
        return false;
    auto* subGroup = new CSubGroup;
    subGroup->m_fixtures = m_selectedFixtures;
    for (const CPatchedFixture* fixture : m_selectedFixtures)
        subGroup->m_beamFlags << fixture->BeamFlags();
    m_subGroups << subGroup;
    return true;
}

bool CGroup::RemoveSubGroup(int n)
{
    if (n < 0 || n >= m_subGroups.size())
        return false;
    delete m_subGroups.takeAt(n);
    return true;
}

// --- Presets panel layout

CPresetConfig* CGroup::GetPresetConfig(CLibraryProfile* profile, int channel, int channelIndexType)
{
    if (m_presetProfiles.isEmpty()) {
        m_presetProfiles << nullptr;
        m_presetConfigs << QList<CPresetConfig*>();
    }
    // Index 0 is the null profile's, whatever else a file may have put there.
    int index = profile ? -1 : 0;
    for (int i = 1; i < m_presetProfiles.size() && index < 0; ++i) {
        if (m_presetProfiles[i] == profile)
            index = i;
    }
    if (index < 0) {
        m_presetProfiles << profile;
        m_presetConfigs << QList<CPresetConfig*>();
        index = m_presetProfiles.size() - 1;
    }
    while (m_presetConfigs.size() < m_presetProfiles.size())
        m_presetConfigs << QList<CPresetConfig*>();

    QList<CPresetConfig*>& configs = m_presetConfigs[index];
    for (CPresetConfig* config : configs) {
        if (config->m_channel == channel && config->m_channelIndexType == channelIndexType)
            return config;
    }
    auto* config = new CPresetConfig(channel, channelIndexType);
    configs << config;
    return config;
}

void CGroup::RemoveProfileConfigs(CLibraryProfile* profile)
{
    if (!profile)
        return;
    for (int i = m_presetProfiles.size() - 1; i >= 1; --i) {
        if (m_presetProfiles[i] != profile)
            continue;
        if (i < m_presetConfigs.size()) {
            qDeleteAll(m_presetConfigs[i]);
            m_presetConfigs.removeAt(i);
        }
        m_presetProfiles.removeAt(i);
    }
}

// --- Layout view

void CGroup::SaveViewState(int groupIndex, int scrollX, int scrollY, const QRect& viewRect)
{
    m_scrollX = scrollX;
    m_scrollY = scrollY;
    m_viewRect = viewRect;
    const int slot = m_commonPositions && groupIndex > 0 ? 0 : groupIndex;

    for (int i = 0; i < m_fixtures.size(); ++i) {
        CPatchedFixture* fixture = m_fixtures[i];
        if (i < m_beamFlags.size())
            m_beamFlags[i] = fixture->BeamFlags();
        // A group the view cannot place (index -1) has no position slot, a
        // matrix member is placed through its matrix, and one the view does
        // not show yet (patched since) keeps the place it has.
        if (slot >= 0 && fixture->m_matrixId < 0 && fixture->LayoutItem())
            fixture->SetPosition(slot, fixture->ItemPosition());
    }
    if (slot < 0)
        return;
    for (CFixtureMatrix* matrix : m_matrices) {
        if (matrix->LayoutItem())
            matrix->SetPosition(slot, matrix->ItemPosition());
    }
}

void CGroup::SortFixtures()
{
    // By universe, then address; fixtures at the same place keep their order.
    const auto before = [](const CPatchedFixture* x, const CPatchedFixture* y) {
        return x->m_universe != y->m_universe ? x->m_universe < y->m_universe : x->m_address < y->m_address;
    };
    // As a show's file holds them: left as they are, the lists are not made
    // again beside themselves, which over millions of members is tens of
    // megabytes.
    if (std::is_sorted(m_fixtures.cbegin(), m_fixtures.cend(), before) && m_beamFlags.size() == m_fixtures.size())
        return;
    QVector<int> order(m_fixtures.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this, &before](int a, int b) { return before(m_fixtures[a], m_fixtures[b]); });
    QList<CPatchedFixture*> fixtures;
    QList<QList<bool>> flags;
    fixtures.reserve(order.size());
    flags.reserve(order.size());
    for (int i : qAsConst(order)) {
        fixtures << m_fixtures[i];
        flags << (i < m_beamFlags.size() ? m_beamFlags[i] : m_fixtures[i]->BeamFlags());
    }
    m_fixtures = fixtures;
    m_beamFlags = flags;
}
