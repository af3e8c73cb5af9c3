#include "effects/PresetEffect.h"

#include "model/ProfilePresetDef.h"

#include <algorithm>

#include "Captions.h"
#include "effects/EffectParams.h"
#include "model/Language.h"
#include "model/ProfileTypes.h"
#include "model/XmlDocument.h"

CPresetEffect::CPresetEffect()
    : CEffect(EffectType::Preset)
{
}

QString CPresetEffect::GetName() const
{
    if (!m_channelTypes.isEmpty())
        return GetChannelTypeName(m_channelTypes.first());
    if (!m_presetTypes1.isEmpty())
        return GetPresetTypeName(m_presetTypes1.first());
    return GetLangText(Txt::EffectPreset);
}

void CPresetEffect::Load(CXmlDocument& doc)
{
    CEffect::Load(doc);
    doc.GetAttrInt(QStringLiteral("ZKEPrValue"), m_prValue);
    doc.GetAttrInt(QStringLiteral("ZKEPercentMin"), m_percentMin);
    doc.GetAttrInt(QStringLiteral("ZKEPercentMax"), m_percentMax);
    doc.GetAttrInt(QStringLiteral("ZKEDmxMin"), m_dmxMin);
    doc.GetAttrInt(QStringLiteral("ZKEDmxMax"), m_dmxMax);
    doc.GetAttrBool(QStringLiteral("ZKEPercent"), m_percent);
    doc.GetAttrBool(QStringLiteral("ZKECursor"), m_cursor);
    ReadEffectParams(doc, QStringLiteral("ZKEChannels"), QStringLiteral("ZKEChannel"), EffectLimits::kMaxListItems,
                     [&](CXmlDocument& item) {
                         int type = 0;
                         if (item.GetAttrInt(QStringLiteral("ZKEType1"), type)
                             && m_channelTypes.size() < EffectLimits::kMaxListItems)
                             m_channelTypes.append(type);
                     });
    ReadEffectParams(doc, QStringLiteral("ZKEPresets"), QStringLiteral("ZKEPreset"), EffectLimits::kMaxListItems,
                     [&](CXmlDocument& item) {
                         int type1 = 0;
                         int type2 = 0;
                         if (item.GetAttrInt(QStringLiteral("ZKEType1"), type1)
                             && item.GetAttrInt(QStringLiteral("ZKEType2"), type2)
                             && m_presetTypes1.size() < EffectLimits::kMaxListItems) {
                             m_presetTypes1.append(type1);
                             m_presetTypes2.append(type2);
                         }
                     });
}

void CPresetEffect::Save(CXmlDocument& doc) const
{
    CEffect::Save(doc);
    doc.SetAttrInt(QStringLiteral("ZKEPrValue"), m_prValue);
    doc.SetAttrInt(QStringLiteral("ZKEPercentMin"), m_percentMin);
    doc.SetAttrInt(QStringLiteral("ZKEPercentMax"), m_percentMax);
    doc.SetAttrInt(QStringLiteral("ZKEDmxMin"), m_dmxMin);
    doc.SetAttrInt(QStringLiteral("ZKEDmxMax"), m_dmxMax);
    doc.SetAttrBool(QStringLiteral("ZKEPercent"), m_percent);
    doc.SetAttrBool(QStringLiteral("ZKECursor"), m_cursor);
    CEffectParamWriter writer(doc);
    writer.BeginEffectParams(m_channelTypes.size(), QStringLiteral("ZKEChannels"));
    for (int type : m_channelTypes) {
        writer.AddEffectParam(QStringLiteral("ZKEChannel"));
        doc.SetAttrInt(QStringLiteral("ZKEType1"), type);
    }
    const int presets = qMin(m_presetTypes1.size(), m_presetTypes2.size());
    writer.BeginEffectParams(presets, QStringLiteral("ZKEPresets"));
    for (int i = 0; i < presets; ++i) {
        writer.AddEffectParam(QStringLiteral("ZKEPreset"));
        doc.SetAttrInt(QStringLiteral("ZKEType1"), m_presetTypes1.at(i));
        doc.SetAttrInt(QStringLiteral("ZKEType2"), m_presetTypes2.at(i));
    }
    writer.ReturnToEffect();
}

bool CPresetEffect::DrivesPreset(const CProfilePresetDef& preset) const
{
    const int pairs = std::min(m_presetTypes1.size(), m_presetTypes2.size());
    for (int i = 0; i < pairs; ++i) {
        const int subType = m_presetTypes2.at(i);
        if (preset.m_type == m_presetTypes1.at(i) && (subType == -1 || preset.m_effectType == subType))
            return true;
    }
    return false;
}
