#include "model/ProfilePresetDef.h"

#include <algorithm>

CProfilePresetDef::CProfilePresetDef()
{
    Reset();
}

CProfilePresetDef::CProfilePresetDef(const CProfilePresetDef& other)
{
    *this = other;
}

CProfilePresetDef& CProfilePresetDef::operator=(const CProfilePresetDef& other)
{
    if (this == &other)
        return *this;
    m_type = other.m_type;
    m_name = other.m_name;
    m_icon = other.m_icon;
    m_index = other.m_index;
    m_dmxStart = other.m_dmxStart;
    m_dmxEnd = other.m_dmxEnd;
    m_dmxDefault = other.m_dmxDefault;
    m_defaultPreset = other.m_defaultPreset;
    m_showDimmer = other.m_showDimmer;
    std::copy(std::begin(other.m_colors), std::end(other.m_colors), std::begin(m_colors));
    m_target = other.m_target;
    m_paramMin = other.m_paramMin;
    m_paramMax = other.m_paramMax;
    m_levelMin = other.m_levelMin;
    m_levelMax = other.m_levelMax;
    m_effectType = other.m_effectType;
    m_priority = other.m_priority;
    m_rotary = other.m_rotary;
    m_shake = other.m_shake;
    m_indexFlag = other.m_indexFlag;
    m_selfRotary = other.m_selfRotary;
    m_partner16 = nullptr;
    m_targetChannel = nullptr;
    ClearDefaultIfNotAllowed();
    return *this;
}

void CProfilePresetDef::Reset()
{
    m_type = 0;
    m_name.clear();
    m_icon.clear();
    m_index = 0;
    m_dmxStart = m_dmxEnd = m_dmxDefault = 0;
    m_defaultPreset = false;
    m_showDimmer = false;
    std::fill(std::begin(m_colors), std::end(m_colors), QColor(Qt::white));
    m_target = -1;
    m_paramMin = m_paramMax = 0;
    m_levelMin = 0;
    m_levelMax = 255;
    m_effectType = 0;
    m_priority = m_rotary = m_shake = m_indexFlag = m_selfRotary = false;
    m_partner16 = nullptr;
    m_targetChannel = nullptr;
}

bool CProfilePresetDef::CanBeDefault() const
{
    switch (m_type) {
    case 0: case 4: case 5: case 6: case 12: case 13:
    case 15: case 16: case 19: case 20: case 26: case 27:
        return true;
    default:
        return false;
    }
}

void CProfilePresetDef::ClearDefaultIfNotAllowed()
{
    if (!CanBeDefault())
        m_defaultPreset = false;
}

void CProfilePresetDef::UpdateDefaultValue()
{
    if (m_type == 4 || m_type == 12 || m_type == 15)
        m_dmxDefault = m_dmxEnd;
    else
        m_dmxDefault = quint8((int(m_dmxStart) + int(m_dmxEnd)) / 2);
}

void CProfilePresetDef::SetTypeDefaults(int zoomRange)
{
    switch (m_type) {
    case 3: case 4: case 6: case 8: case 10: case 11: case 12: case 14:
    case 24: case 26: case 28: case 29: case 32: case 36: case 37: case 39:
        m_showDimmer = true;
        m_paramMin = 0;
        m_paramMax = 100;
        break;
    case 5: case 13: case 25: case 27: case 30: case 38:
        m_paramMin = 50;
        break;
    case 9: case 33:
        m_showDimmer = true;
        m_paramMin = 0;
        m_paramMax = 720;
        break;
    case 15:
        m_showDimmer = true;
        m_paramMin = 0;
        m_paramMax = zoomRange;
        break;
    case 16:
        m_paramMin = zoomRange / 2;
        break;
    case 17: case 18:
        m_paramMin = 10;
        m_paramMax = 10;
        break;
    case 21: case 22:
        m_showDimmer = true;
        m_paramMin = 0;
        m_paramMax = 250;
        break;
    case 34:
        m_showDimmer = true;
        m_paramMin = 1;
        m_paramMax = 22;
        break;
    case 35:
        m_paramMin = 7;
        break;
    default:
        m_paramMin = 0;
        m_paramMax = 100;
        break;
    }
}

int CProfilePresetDef::UsedColorCount() const
{
    return std::clamp(m_effectType, 0, 4);
}

bool CProfilePresetDef::IsSame(const CProfilePresetDef& other) const
{
    if (m_type != other.m_type)
        return false;
    switch (m_type) {
    case 0:
        return m_name == other.m_name;
    case 1:
        return m_colors[0].rgb() == other.m_colors[0].rgb();
    case 2:
        // The count comes from a file: never compare past the four colours.
        for (int i = 0; i < UsedColorCount(); ++i) {
            if (m_colors[i].rgb() != other.m_colors[i].rgb())
                return false;
        }
        return true;
    case 7:
        return m_icon == other.m_icon && m_name == other.m_name;
    default:
        return m_effectType == other.m_effectType && m_name == other.m_name;
    }
}
