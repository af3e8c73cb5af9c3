#include "model/FixtureProfile.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

// ---- CProfileMode ----

CProfileMode::CProfileMode(const CProfileMode& other)
{
    for (const CProfileChannelDef* channel : other.m_channels)
        m_channels.append(new CProfileChannelDef(*channel));
}

CProfileMode& CProfileMode::operator=(const CProfileMode& other)
{
    if (this != &other) {
        Clear();
        for (const CProfileChannelDef* channel : other.m_channels)
            m_channels.append(new CProfileChannelDef(*channel));
    }
    return *this;
}

CProfileMode::~CProfileMode()
{
    Clear();
}

void CProfileMode::Clear()
{
    qDeleteAll(m_channels);
    m_channels.clear();
}

CProfileChannelDef* CProfileMode::Channel(int n) const
{
    return n >= 0 && n < m_channels.size() ? m_channels[n] : nullptr;
}

// ---- CFixtureProfile ----

CFixtureProfile::CFixtureProfile(const QString& pictureFolder)
    : m_pictureFolder(pictureFolder)
{
    Clear(false);
}

CFixtureProfile::CFixtureProfile(const QString& path, const QString& pictureFolder, bool oldLayout)
    : m_pictureFolder(pictureFolder)
{
    Clear(false);
    Load(path, oldLayout);
}

CFixtureProfile::CFixtureProfile(const CFixtureProfile& other)
{
    CopyFrom(other);
}

CFixtureProfile& CFixtureProfile::operator=(const CFixtureProfile& other)
{
    if (this != &other) {
        DeleteModes();
        CopyFrom(other);
    }
    return *this;
}

CFixtureProfile::~CFixtureProfile()
{
    DeleteModes();
}

void CFixtureProfile::CopyFrom(const CFixtureProfile& other)
{
    m_picture = other.m_picture;
    m_path = other.m_path;
    m_pictureFolder = other.m_pictureFolder;
    m_currentMode = other.m_currentMode;
    m_pictureIndex = other.m_pictureIndex;
    m_beamOpening = other.m_beamOpening;
    m_ampliPan = other.m_ampliPan;
    m_ampliTilt = other.m_ampliTilt;
    m_timePan = other.m_timePan;
    m_timeTilt = other.m_timeTilt;
    m_panCenter = other.m_panCenter;
    m_tiltCenter = other.m_tiltCenter;
    m_fixtureType = other.m_fixtureType;
    m_shapeType = other.m_shapeType;
    m_beamExtentX = other.m_beamExtentX;
    m_beamExtentY = other.m_beamExtentY;
    m_beams = other.m_beams;
    for (const CProfileMode* mode : other.m_modes)
        m_modes.append(new CProfileMode(*mode));
    LinkChannels();
}

void CFixtureProfile::DeleteModes()
{
    qDeleteAll(m_modes);
    m_modes.clear();
}

void CFixtureProfile::Clear(bool deleteModes)
{
    m_picture.clear();
    m_path.clear();
    m_currentMode = 0;
    m_pictureIndex = 0;
    m_beamOpening = 16;
    m_ampliPan = 360;
    m_ampliTilt = 220;
    m_timePan = 0;
    m_timeTilt = 0;
    m_panCenter = 127;
    m_tiltCenter = 127;
    m_fixtureType = 0;
    m_shapeType = 0;
    m_beamExtentX = 0.0f;
    m_beamExtentY = 0.0f;
    m_beams.clear();
    if (deleteModes)
        DeleteModes();
    m_modes.append(new CProfileMode);
}

void CFixtureProfile::SetPath(const QString& path)
{
    static const QString kFolder = QStringLiteral("Profiles/");
    m_path = path;
    const int at = m_path.lastIndexOf(kFolder);
    if (at >= 0)
        m_path.remove(0, at + kFolder.size());
}

QString CFixtureProfile::GetBaseName() const
{
    return QFileInfo(m_path).completeBaseName();
}

CProfileMode* CFixtureProfile::CurrentMode() const
{
    return m_currentMode >= 0 && m_currentMode < m_modes.size() ? m_modes[m_currentMode] : nullptr;
}

int CFixtureProfile::ChannelCount() const
{
    const CProfileMode* mode = CurrentMode();
    return mode ? mode->ChannelCount() : 0;
}

CProfileChannelDef* CFixtureProfile::GetChannel(int n) const
{
    const CProfileMode* mode = CurrentMode();
    return mode ? mode->Channel(n) : nullptr;
}

namespace {

// trunc((extent + 1) * cell) - 1 in single precision, kept inside int.
int BeamsEdge(float extent, int cell)
{
    const float edge = std::trunc((extent + 1.0f) * float(cell));
    if (!(edge > float(std::numeric_limits<int>::min() / 2)))
        return -1;
    if (edge >= float(std::numeric_limits<int>::max() / 2))
        return std::numeric_limits<int>::max() / 2;
    return int(edge) - 1;
}

} // namespace

QRect CFixtureProfile::GetBeamsRect(int cellWidth, int cellHeight) const
{
    if (m_beams.isEmpty())
        return QRect(QPoint(0, 0), QPoint(cellWidth - 1, cellHeight - 1));
    return QRect(QPoint(0, 0), QPoint(BeamsEdge(m_beamExtentX, cellWidth), BeamsEdge(m_beamExtentY, cellHeight)));
}

void CFixtureProfile::UpdateBeamExtent()
{
    // Extents below 0 (beams at negative positions) would make later grid
    // cells empty or negative; one beam has no extent at all.
    m_beamExtentX = 0.0f;
    m_beamExtentY = 0.0f;
    if (m_beams.size() < 2)
        return;
    for (const CBeamPosition& beam : m_beams) {
        m_beamExtentX = std::max(m_beamExtentX, beam.x);
        m_beamExtentY = std::max(m_beamExtentY, beam.y);
    }
}

void CFixtureProfile::LinkChannels()
{
    for (CProfileMode* mode : m_modes) {
        // Stale links could point at channels an editor has removed since.
        for (CProfileChannelDef* channel : mode->m_channels) {
            channel->m_partner16 = nullptr;
            channel->m_twoPresetPartner = nullptr;
            channel->m_isTwoPresetPartner = false;
            for (CProfilePresetDef* preset : channel->m_presets) {
                preset->m_partner16 = nullptr;
                preset->m_targetChannel = nullptr;
            }
        }
        for (CProfileChannelDef* channel : mode->m_channels) {
            CProfileChannelDef* partner16 = mode->Channel(channel->m_partner16Index);
            if ((channel->m_msb || channel->m_lsb) && partner16)
                channel->m_partner16 = partner16;
            if (channel->m_twoPresets) {
                if (CProfileChannelDef* partner = mode->Channel(channel->m_twoPresetIndex)) {
                    channel->m_twoPresetPartner = partner;
                    partner->m_twoPresetPartner = channel;
                    partner->m_isTwoPresetPartner = true;
                }
            }
            for (CProfilePresetDef* preset : channel->m_presets) {
                if (channel->m_msb && partner16)
                    preset->m_partner16 = partner16;
                preset->m_targetChannel = mode->Channel(preset->m_target);
            }
        }
    }
}

void CFixtureProfile::UpdatePicture()
{
    QString pattern;
    switch (m_fixtureType) {
    case 0: pattern = QStringLiteral("LED/LED%1.png"); break;
    case 1: pattern = QStringLiteral("TRAD/TRAD%1.png"); break;
    case 2: pattern = QStringLiteral("SCAN/SCAN%1.png"); break;
    case 3: pattern = QStringLiteral("MH/MH%1.png"); break;
    case 4: pattern = QStringLiteral("OTHER/LASER%1.png"); break;
    default: pattern = QStringLiteral("OTHER/OTHER%1.png"); break;
    }
    m_picture = m_pictureFolder + pattern.arg(qint64(m_pictureIndex) + 1);
}
