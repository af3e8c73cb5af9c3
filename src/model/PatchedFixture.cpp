#include "model/PatchedFixture.h"

#include "model/LibraryProfile.h"
#include "show/Scene.h"

namespace {

const QColor kEffectSceneColor(76, 120, 255);
const QColor kPlainSceneColor(25, 255, 82);
const QColor kMixedScenesColor(190, 128, 255);

bool IsBeamSet(char beam, const QList<bool>& beamFlags)
{
    const int b = static_cast<quint8>(beam);
    return b < beamFlags.size() && beamFlags.at(b);
}

bool NamesSetBeam(const CProfileChannelDef& channel, const QList<bool>& beamFlags)
{
    for (char beam : channel.m_beams) {
        if (IsBeamSet(beam, beamFlags))
            return true;
    }
    return false;
}

} // namespace

bool IsAnyBeamSelected(const QList<bool>& beamFlags)
{
    return beamFlags.contains(true);
}

CPatchedFixture::CPatchedFixture(int address, int universe)
    : m_address(address)
    , m_universe(universe)
{
}

CPatchedFixture::CPatchedFixture(int address, int universe, int id, int matrixId, const QString& name,
                                 CLibraryProfile* profile, bool invertPan, bool invertTilt,
                                 CLayoutItem* layoutItem)
    : CPatchedFixture(address, universe, id, matrixId, name, profile, invertPan, invertTilt, 0)
{
    SetLayoutItem(layoutItem);
}

CPatchedFixture::CPatchedFixture(int address, int universe, int id, int matrixId, const QString& name,
                                 CLibraryProfile* profile, bool invertPan, bool invertTilt, int drawType)
    : m_id(id)
    , m_matrixId(matrixId)
    , m_address(address)
    , m_universe(universe)
    , m_invertPan(invertPan)
    , m_invertTilt(invertTilt)
    , m_name(name)
    , m_drawType(drawType)
{
    SetProfile(profile);
}

int CPatchedFixture::BeamCount() const
{
    return m_profile ? m_profile->BeamCount() : 0;
}

void CPatchedFixture::SetProfile(CLibraryProfile* profile)
{
    if (m_profile && m_profile != profile)
        ++s_profileChanges;
    m_profile = profile;
    const int beams = BeamCount();
    while (m_beamFlags.size() > beams)
        m_beamFlags.removeLast();
    while (m_beamFlags.size() < beams)
        m_beamFlags << false;
    InitColorSlots();
}

void CPatchedFixture::InitColorSlots()
{
    m_masterColors.clear();
    m_beamColors.clear();
    m_beamColorFlags.clear();
    if (!m_profile || !m_profile->HasColor(true))
        return;
    for (int i = 0; i < m_profile->ColorSets(true).size(); ++i)
        m_masterColors << QColor(Qt::black);
    for (int i = 0; i < m_profile->ColorSets(false).size(); ++i) {
        m_beamColors << QColor(Qt::black);
        m_beamColorFlags << 0;
    }
}

bool CPatchedFixture::IsChannelSelected(const CProfileChannelDef* channel) const
{
    if (!channel)
        return false;
    return channel->m_beams.isEmpty() || NamesSetBeam(*channel, m_beamFlags);
}

bool CPatchedFixture::IsChannelInBeams(const CProfileChannelDef* channel, const QList<bool>& beamFlags)
{
    if (!channel)
        return false;
    return channel->m_beams.isEmpty() ? ::IsAnyBeamSelected(beamFlags) : NamesSetBeam(*channel, beamFlags);
}

template <typename Group>
int CPatchedFixture::FirstSelected(const QList<Group>& groups) const
{
    if (groups.size() < 2)
        return 0;
    for (int i = 0; i < groups.size(); ++i) {
        if (IsGroupSelected(groups, i))
            return i;
    }
    return 0;
}

int CPatchedFixture::FirstSelectedColor(bool secondGroup) const
{
    return m_profile ? FirstSelected(m_profile->ColorSets(secondGroup)) : 0;
}

int CPatchedFixture::FirstSelectedPanTilt(bool secondGroup) const
{
    return m_profile ? FirstSelected(m_profile->PanTiltPairs(secondGroup)) : 0;
}

quint64 CPatchedFixture::s_drivingTalliesTouched = 0;
quint64 CPatchedFixture::s_profileChanges = 0;

CPatchedFixture::DrivingKind CPatchedFixture::KindOf(const CScene* scene)
{
    return scene->IsEffectScene() ? EffectScene : PlainScene;
}

void CPatchedFixture::AddPlayingScene(const CScene* scene)
{
    if (!scene)
        return;
    ++s_drivingTalliesTouched;
    // Only whether a kind drives the fixture shows, not how many scenes of it.
    if (++m_drivingCounts[KindOf(scene)] == 1)
        UpdateDisplayColor();
}

void CPatchedFixture::RemovePlayingScene(const CScene* scene)
{
    if (!scene)
        return;
    int& count = m_drivingCounts[KindOf(scene)];
    ++s_drivingTalliesTouched;
    // A stop of a kind that was never counted must not cancel a later start.
    if (count == 0)
        return;
    if (--count == 0)
        UpdateDisplayColor();
}

void CPatchedFixture::UpdateDisplayColor()
{
    const bool plain = m_drivingCounts[PlainScene] > 0;
    const bool effect = m_drivingCounts[EffectScene] > 0;
    m_displayColor = plain && effect ? kMixedScenesColor
                     : effect        ? kEffectSceneColor
                     : plain         ? kPlainSceneColor
                                     : QColor(Qt::black);
}
