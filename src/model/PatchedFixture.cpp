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
    : m_id(id)
    , m_matrixId(matrixId)
    , m_address(address)
    , m_universe(universe)
    , m_invertPan(invertPan)
    , m_invertTilt(invertTilt)
    , m_name(name)
    , m_layoutItem(layoutItem)
{
    SetProfile(profile);
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

QPoint CPatchedFixture::Position(int group) const
{
    return group >= 0 && group < m_positions.size() ? m_positions.at(group) : QPoint(0, 0);
}

bool CPatchedFixture::SetPosition(int group, const QPoint& point)
{
    if (group < 0 || group >= m_positions.size())
        return false;
    m_positions[group] = point;
    return true;
}

bool CPatchedFixture::RemovePosition(int group)
{
    if (group < 0 || group >= m_positions.size())
        return false;
    m_positions.removeAt(group);
    return true;
}

QPoint CPatchedFixture::ItemPosition() const
{
    return m_layoutItem ? m_layoutItem->ItemRect().topLeft() : QPoint(0, 0);
}

bool CPatchedFixture::IsChannelSelected(const CProfileChannelDef* channel) const
{
    if (!channel)
        return false;
    if (channel->m_beams.isEmpty())
        return true;
    for (char beam : channel->m_beams) {
        if (IsBeamSet(beam, m_beamFlags))
            return true;
    }
    return false;
}

bool CPatchedFixture::IsChannelInBeams(const CProfileChannelDef* channel, const QList<bool>& beamFlags)
{
    if (!channel)
        return false;
    if (channel->m_beams.isEmpty())
        return ::IsAnyBeamSelected(beamFlags);
    for (char beam : channel->m_beams) {
        if (IsBeamSet(beam, beamFlags))
            return true;
    }
    return false;
}

int CPatchedFixture::FirstSelectedColor(bool secondGroup) const
{
    if (!m_profile)
        return 0;
    const QList<CColorSet>& sets = m_profile->ColorSets(secondGroup);
    if (sets.size() < 2)
        return 0;
    for (int i = 0; i < sets.size(); ++i) {
        if (IsChannelSelected(sets.at(i).red))
            return i;
    }
    return 0;
}

int CPatchedFixture::FirstSelectedPanTilt(bool secondGroup) const
{
    if (!m_profile)
        return 0;
    const QList<CPanTiltPair>& pairs = m_profile->PanTiltPairs(secondGroup);
    if (pairs.size() < 2)
        return 0;
    for (int i = 0; i < pairs.size(); ++i) {
        if (IsChannelSelected(pairs.at(i).pan))
            return i;
    }
    return 0;
}

void CPatchedFixture::AddPlayingScene(const CScene* scene)
{
    if (!scene)
        return;
    m_drivingKinds << (scene->IsEffectScene() ? EffectScene : PlainScene);
    UpdateDisplayColor();
}

void CPatchedFixture::RemovePlayingScene(const CScene* scene)
{
    if (!scene)
        return;
    m_drivingKinds.removeOne(scene->IsEffectScene() ? EffectScene : PlainScene);
    UpdateDisplayColor();
}

void CPatchedFixture::UpdateDisplayColor()
{
    if (m_drivingKinds.isEmpty()) {
        m_displayColor = Qt::black;
        return;
    }
    const quint8 first = m_drivingKinds.first();
    m_displayColor = first == EffectScene ? kEffectSceneColor : kPlainSceneColor;
    for (quint8 kind : qAsConst(m_drivingKinds)) {
        if (kind != first) {
            m_displayColor = kMixedScenesColor;
            return;
        }
    }
}
