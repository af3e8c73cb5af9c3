#include "model/ProfileChannelDef.h"

#include <algorithm>

CProfileChannelDef::CProfileChannelDef() = default;

CProfileChannelDef::CProfileChannelDef(const CProfileChannelDef& other)
{
    CopyFrom(other);
}

CProfileChannelDef& CProfileChannelDef::operator=(const CProfileChannelDef& other)
{
    if (this != &other) {
        ClearPresets();
        CopyFrom(other);
    }
    return *this;
}

CProfileChannelDef::~CProfileChannelDef()
{
    ClearPresets();
}

void CProfileChannelDef::CopyFrom(const CProfileChannelDef& other)
{
    m_type = other.m_type;
    m_name = other.m_name;
    m_index = other.m_index;
    m_typeIndex = other.m_typeIndex;
    m_msb = other.m_msb;
    m_lsb = other.m_lsb;
    m_twoPresets = other.m_twoPresets;
    m_isTwoPresetPartner = other.m_isTwoPresetPartner;
    m_function = other.m_function;
    m_partner16Index = other.m_partner16Index;
    m_twoPresetIndex = other.m_twoPresetIndex;
    m_rangeCount = other.m_rangeCount;
    m_colorMin = other.m_colorMin;
    m_colorMax = other.m_colorMax;
    m_beams = other.m_beams;
    m_rangeMin = other.m_rangeMin;
    m_rangeMax = other.m_rangeMax;
    for (const CProfilePresetDef* preset : other.m_presets)
        m_presets.append(new CProfilePresetDef(*preset));
    if (other.m_secondPresets)
        m_secondPresets = new CProfileChannelDef(*other.m_secondPresets);
    // Links of the original point into its own mode.
    m_partner16 = nullptr;
    m_twoPresetPartner = nullptr;
}

void CProfileChannelDef::Reset()
{
    ClearPresets();
    *this = CProfileChannelDef();
}

void CProfileChannelDef::ClearPresets()
{
    qDeleteAll(m_presets);
    m_presets.clear();
    delete m_secondPresets;
    m_secondPresets = nullptr;
}

void CProfileChannelDef::AddDimmerPreset(int start, int end, bool isDefault)
{
    auto* preset = new CProfilePresetDef;
    preset->m_type = 4;
    preset->m_name = QStringLiteral("Dimmer");
    preset->m_icon = QStringLiteral("System/Presets/Dimmer/Dimmer.png");
    preset->m_dmxStart = quint8(std::clamp(start, 0, 255));
    preset->m_dmxEnd = quint8(std::clamp(end, 0, 255));
    preset->m_dmxDefault = preset->m_dmxEnd;
    preset->m_defaultPreset = isDefault;
    preset->m_effectType = 0;
    preset->SetTypeDefaults(16);
    m_presets.append(preset);
}

CProfilePresetDef* CProfileChannelDef::FindPreset(int value) const
{
    for (CProfilePresetDef* preset : m_presets) {
        if (preset->Contains(value))
            return preset;
    }
    return nullptr;
}

CProfilePresetDef* CProfileChannelDef::FindPresetInRanges(int value) const
{
    const int ranges = RangeCount();
    for (int i = 0; i < ranges; ++i) {
        if (quint8(m_rangeMin[i]) <= value && value <= quint8(m_rangeMax[i]))
            return FindPreset(value);
    }
    return m_secondPresets ? m_secondPresets->FindPreset(value) : nullptr;
}

CProfilePresetDef* CProfileChannelDef::FindSamePreset(const CProfilePresetDef& preset) const
{
    for (CProfilePresetDef* own : m_presets) {
        if (own->IsSame(preset))
            return own;
    }
    return nullptr;
}

int CProfileChannelDef::RangeCount() const
{
    return std::max(0, std::min({m_rangeCount, int(m_rangeMin.size()), int(m_rangeMax.size())}));
}

void CProfileChannelDef::AddRange(quint8 min, quint8 max)
{
    // Appending after a count that disagrees with the arrays would pair the
    // new bounds with stale ones.
    m_rangeMin.truncate(RangeCount());
    m_rangeMax.truncate(RangeCount());
    m_rangeMin.append(char(min));
    m_rangeMax.append(char(max));
    m_rangeCount = m_rangeMin.size();
}

bool CProfileChannelDef::IsOneBeamOfMany(int fixtureBeams) const
{
    return m_beams.size() == 1 && fixtureBeams >= 2;
}

bool CProfileChannelDef::IsMultiBeam(int fixtureBeams) const
{
    return m_beams.size() > 1 || (m_beams.isEmpty() && fixtureBeams > 1);
}

bool CProfileChannelDef::IsSameFunction(const CProfileChannelDef& other, bool allowOtherIndex,
                                        int fixtureBeams) const
{
    if (m_type != other.m_type || m_function != other.m_function)
        return false;
    if (m_typeIndex == other.m_typeIndex)
        return true;
    return allowOtherIndex && (m_beams.size() == 1 || fixtureBeams == 1);
}

bool CProfileChannelDef::HasSamePresetRanges(const CProfileChannelDef& other) const
{
    if (m_presets.size() != other.m_presets.size())
        return false;
    for (int i = 0; i < m_presets.size(); ++i) {
        if (!m_presets[i]->HasSameRange(*other.m_presets[i]))
            return false;
    }
    return true;
}
