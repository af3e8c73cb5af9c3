#pragma once

#include "model/ProfilePresetDef.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

// One channel of a profile mode with its DMX ranges, beams and presets.
// Plain data: readers and editors set the fields directly. The channel owns
// its presets and its second preset set.
class CProfileChannelDef
{
public:
    CProfileChannelDef();
    // Deep copy of the presets and the second set. Partner links of the copy
    // are null (partner indices are kept): they are rebuilt by
    // CFixtureProfile::LinkChannels once the copy sits in a mode.
    CProfileChannelDef(const CProfileChannelDef& other);
    CProfileChannelDef& operator=(const CProfileChannelDef& other);
    ~CProfileChannelDef();

    void Reset();
    void ClearPresets();

    void AddDimmerPreset(int start, int end, bool isDefault);
    CProfilePresetDef* FindPreset(int value) const;
    CProfilePresetDef* FindPresetInRanges(int value) const;
    CProfilePresetDef* FindSamePreset(const CProfilePresetDef& preset) const;

    // Number of DMX ranges that both range arrays really hold.
    int RangeCount() const;
    void AddRange(quint8 min, quint8 max);

    bool IsColorMixChannel() const { return m_type >= 25 && m_type <= 31; }
    bool IsPanTiltChannel() const { return m_type >= 1 && m_type <= 3; }
    bool HasTwoPresets() const { return m_twoPresets; }
    bool IsOneBeamOfMany(int fixtureBeams) const;
    bool IsMultiBeam(int fixtureBeams) const;
    bool IsSameFunction(const CProfileChannelDef& other, bool allowOtherIndex, int fixtureBeams) const;
    bool HasSamePresetRanges(const CProfileChannelDef& other) const;

    int m_type = 0;
    QString m_name;
    int m_index = 0; // position in its mode
    int m_typeIndex = 0;
    bool m_msb = false; // coarse byte of a 16-bit pair
    bool m_lsb = false; // fine byte of a 16-bit pair
    bool m_twoPresets = false;
    bool m_isTwoPresetPartner = false;
    bool m_function = false; // set by the library profile, not stored in files
    int m_partner16Index = -1;
    int m_twoPresetIndex = -1;
    int m_rangeCount = 0;
    QColor m_colorMin{Qt::black}; // colour dimmer and white/amber channels
    QColor m_colorMax{Qt::white};
    QByteArray m_beams; // beam numbers; empty: serves every beam
    QByteArray m_rangeMin;
    QByteArray m_rangeMax;
    CProfileChannelDef* m_secondPresets = nullptr; // owned; only its preset list is used
    QList<CProfilePresetDef*> m_presets; // owned

    // Links inside the owning mode, set by CFixtureProfile::LinkChannels.
    CProfileChannelDef* m_partner16 = nullptr;
    CProfileChannelDef* m_twoPresetPartner = nullptr;

private:
    void CopyFrom(const CProfileChannelDef& other);
};
