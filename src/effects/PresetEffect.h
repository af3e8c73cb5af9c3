#pragma once

#include "effects/Effect.h"

// A sequence of channel presets.
class CProfilePresetDef;

class CPresetEffect : public CEffect
{
public:
    CPresetEffect();
    CPresetEffect(const CPresetEffect& other) = default;

    // The first channel type's name, else the first preset type's, else "Preset".
    QString GetName() const override;
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    // A channel preset is driven when one of the effect's pairs names its
    // preset type and its effect (or prism) sub-type, -1 taking any sub-type:
    // the sub-type is what the preset page stores as the pair's second value.
    bool DrivesPreset(const CProfilePresetDef& preset) const;

    int m_prValue = 0;
    int m_percentMin = 0;
    int m_percentMax = 100;
    int m_dmxMin = 0;
    int m_dmxMax = 255;
    bool m_percent = true;
    bool m_cursor = true;
    QList<int> m_channelTypes;
    QList<int> m_presetTypes1; // parallel: one pair per preset
    QList<int> m_presetTypes2;
};
