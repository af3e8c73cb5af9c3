#pragma once

#include <QColor>
#include <QString>

class CProfileChannelDef;

// One named DMX range of a channel (a colour, a gobo, a strobe speed...).
// Plain data: readers and editors set the fields directly.
class CProfilePresetDef
{
public:
    CProfilePresetDef();
    // A copy drops the default-preset flag of types that may not carry it,
    // and its links are null: they point into a mode and are rebuilt by
    // CFixtureProfile::LinkChannels once the copy sits in one.
    CProfilePresetDef(const CProfilePresetDef& other);
    CProfilePresetDef& operator=(const CProfilePresetDef& other);

    void Reset();

    bool CanBeDefault() const;
    void ClearDefaultIfNotAllowed();
    void UpdateDefaultValue();
    void SetTypeDefaults(int zoomRange);

    // Same meaning for a show (same colour, same gobo...), whatever range.
    bool IsSame(const CProfilePresetDef& other) const;
    bool Contains(int value) const { return m_dmxStart <= value && value <= m_dmxEnd; }
    bool HasSameRange(const CProfilePresetDef& other) const
    {
        return m_dmxStart == other.m_dmxStart && m_dmxEnd == other.m_dmxEnd;
    }

    // Number of colours a half-colour preset really has: its effect-type
    // field, at most four.
    int UsedColorCount() const;

    int m_type = 0;
    QString m_name;
    QString m_icon; // below "System/Presets/" (types 2 and 7: the preset's own picture)
    int m_index = 0;
    quint8 m_dmxStart = 0;
    quint8 m_dmxEnd = 0;
    quint8 m_dmxDefault = 0;
    bool m_defaultPreset = false;
    bool m_showDimmer = false;
    QColor m_colors[4];
    int m_target = -1; // index of the channel the preset acts on
    int m_paramMin = 0;
    int m_paramMax = 0;
    quint8 m_levelMin = 0;
    quint8 m_levelMax = 255;
    // Also the prism type (type 31) and the colour count (type 2; -2 marks
    // the automatic half colour).
    int m_effectType = 0;
    bool m_priority = false;
    bool m_rotary = false;
    bool m_shake = false;
    bool m_indexFlag = false;
    bool m_selfRotary = false;

    // Links into the owning mode, set by CFixtureProfile::LinkChannels.
    CProfileChannelDef* m_partner16 = nullptr; // the owning channel's 16-bit partner
    CProfileChannelDef* m_targetChannel = nullptr;
};
