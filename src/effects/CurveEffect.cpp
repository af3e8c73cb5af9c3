#include "effects/CurveEffect.h"

#include "Captions.h"
#include "effects/EffectParams.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/ProfileChannelDef.h"
#include "model/XmlDocument.h"

#include <map>

namespace {

QVector<int> ZeroTable()
{
    return QVector<int>(kCurvePoints, 0);
}

// The parallel lists may disagree in length after a damaged file.
template <typename List>
void RemoveIfPresent(List& list, int index)
{
    if (index < list.size())
        list.removeAt(index);
}

} // namespace

CCurveEffect::CCurveEffect()
    : CEffect(EffectType::Curve)
{
}

CCurveEffect::CCurveEffect(int length)
    : CEffect(EffectType::Curve), m_precision(4), m_pointCount(kCurvePoints)
{
    m_len = length;
    m_pointTime = float(length) / float(m_pointCount);
}

CCurveEffect::CCurveEffect(const CCurveEffect& other)
    : CEffect(other)
    , m_precision(other.m_precision)
    , m_pointCount(PointCountOf(other.m_precision))
    , m_onMatrix(other.m_onMatrix)
{
    m_pointTime = float(m_len) / float(m_pointCount);
    const int count = other.m_params.size();
    if (other.m_activeChannels.size() != count || other.m_tables.size() != count)
        return;
    for (int i = 0; i < count; ++i) {
        AppendChannel(other.m_params.at(i), other.m_activeChannels.at(i), other.m_tables.at(i),
                      other.m_chanTypes.value(i, 0), other.m_chanNums.value(i, 0),
                      other.m_channelDefs.value(i, nullptr));
    }
    if (other.m_outputs.size() == count)
        m_outputs = other.m_outputs;
}

QString CCurveEffect::GetName() const
{
    return GetLangText(Txt::EffectCurve);
}

int CCurveEffect::PointCountOf(int precision)
{
    switch (precision) {
    case 1:
        return 25;
    case 2:
        return 50;
    case 3:
        return 100;
    default:
        return kCurvePoints;
    }
}

void CCurveEffect::AddChannel(CProfileChannelDef* def, int& counter)
{
    if (!def)
        return;
    for (int i = 0; i < m_params.size(); ++i) {
        if (m_chanTypes.value(i, -1) == def->m_type && int(m_chanNums.value(i, 0)) == counter
            && i < m_channelDefs.size()) {
            m_channelDefs[i] = def;
            ++counter;
            return;
        }
    }
    CCurveParam param;
    param.m_fine = def->m_msb;
    AppendChannel(param, false, ZeroTable(), def->m_type, static_cast<unsigned char>(counter), def);
    ++counter;
}

void CCurveEffect::AppendChannel(const CCurveParam& param, bool active, const QVector<int>& table, int type,
                                 unsigned char number, CProfileChannelDef* def)
{
    m_params.append(param);
    m_activeChannels.append(active);
    m_tables.append(table);
    m_chanTypes.append(type);
    m_chanNums.append(number);
    m_channelDefs.append(def);
}

void CCurveEffect::RemoveChannel(int index)
{
    if (index < 0)
        return;
    RemoveIfPresent(m_params, index);
    RemoveIfPresent(m_activeChannels, index);
    RemoveIfPresent(m_chanTypes, index);
    RemoveIfPresent(m_chanNums, index);
    RemoveIfPresent(m_channelDefs, index);
    RemoveIfPresent(m_tables, index);
    RemoveIfPresent(m_outputs, index);
}

void CCurveEffect::ClearChannels()
{
    m_currentChannel = 0;
    m_params.clear();
    m_activeChannels.clear();
    m_tables.clear();
    m_chanTypes.clear();
    m_chanNums.clear();
    m_channelDefs.clear();
    m_outputs.clear();
}

void CCurveEffect::ClearChannelRecords()
{
    m_outputs.clear();
}

void CCurveEffect::SetChannelsFromProfile(CLibraryProfile* profile, bool keep)
{
    if (!profile)
        return;
    if (m_activeChannels.contains(true)) {
        for (int i = m_params.size() - 1; i >= 0; --i) {
            if (!m_activeChannels.value(i, false))
                RemoveChannel(i);
        }
    } else {
        ClearChannels();
    }

    // Keyed by type, so types a profile file invents need no table of their own.
    std::map<int, int> counters;
    const CColorSet* colors = profile->HasColor() ? &profile->ColorSets().first() : nullptr;
    const CPanTiltPair* panTilt = profile->HasPanTilt() ? &profile->PanTiltPairs().first() : nullptr;

    if (keep && !m_params.isEmpty()) {
        for (int i = 0; i < m_params.size(); ++i) {
            const int type = m_chanTypes.value(i, 0);
            CProfileChannelDef* def = nullptr;
            switch (type) {
            case 1:
                def = panTilt ? panTilt->pan : nullptr;
                break;
            case 2:
                def = panTilt ? panTilt->tilt : nullptr;
                break;
            case 25:
            case 28:
                def = colors ? colors->red : nullptr;
                break;
            case 26:
            case 29:
                def = colors ? colors->green : nullptr;
                break;
            case 27:
            case 30:
                def = colors ? colors->blue : nullptr;
                break;
            case 31:
                def = colors ? colors->white : nullptr;
                break;
            default: {
                int& counter = counters[type];
                const int before = counter;
                CProfileChannelDef* next = profile->NextChannelOfType(type, counter);
                if (next && int(m_chanNums.value(i, 0)) == before)
                    def = next;
                break;
            }
            }
            if (i >= m_channelDefs.size())
                continue;
            if (def)
                m_channelDefs[i] = def;
            else if (!m_activeChannels.value(i, false))
                m_channelDefs[i] = nullptr;
        }
    } else {
        const auto add = [&](CProfileChannelDef* def) {
            if (def)
                AddChannel(def, counters[def->m_type]);
        };
        if (colors) {
            add(colors->red);
            add(colors->green);
            add(colors->blue);
            add(colors->white);
        }
        if (panTilt) {
            add(panTilt->pan);
            add(panTilt->tilt);
        }
        for (const COtherChannel& other : profile->OtherChannels()) {
            if (other.channel && !other.channel->m_lsb)
                add(other.channel);
        }
    }

    for (int i = m_params.size() - 1; i >= 0; --i) {
        if (!m_channelDefs.value(i, nullptr))
            RemoveChannel(i);
    }
}

void CCurveEffect::ForgetChannelsOf(const CFixtureProfile& profile)
{
    for (const CProfileMode* mode : profile.m_modes) {
        for (CProfileChannelDef*& def : m_channelDefs) {
            if (def && mode->m_channels.contains(def))
                def = nullptr;
        }
    }
}

void CCurveEffect::Load(CXmlDocument& doc)
{
    CEffect::Load(doc);
    doc.GetAttrInt(QStringLiteral("ZKEPrecision"), m_precision);
    doc.GetAttrBool(QStringLiteral("ZKEMatrix"), m_onMatrix);
    int ignoredId = 0;
    doc.GetAttrInt(QStringLiteral("ZKId"), ignoredId);
    m_pointCount = PointCountOf(m_precision);
    m_pointTime = float(m_len) / float(m_pointCount);

    // These four repeat the previous channel's value when missing.
    int ratio = 0;
    bool active = false;
    int type = 0;
    quint8 number = 0;
    ReadEffectParams(doc, QStringLiteral("ZKEParams"), QStringLiteral("ZKECurveParam"),
                     EffectLimits::kMaxCurveChannels, [&](CXmlDocument& item) {
                         CCurveParam param;
                         item.GetAttrInt(QStringLiteral("ZKEType"), param.m_type);
                         item.GetAttrInt(QStringLiteral("ZKEPhi"), param.m_phi);
                         item.GetAttrInt(QStringLiteral("ZKEOffset2"), param.m_offset2);
                         item.GetAttrInt(QStringLiteral("ZKEDirection"), param.m_direction);
                         item.GetAttrInt(QStringLiteral("ZKEAmpli"), param.m_ampli);
                         item.GetAttrInt(QStringLiteral("ZKEPHase"), param.m_phase);
                         item.GetAttrInt(QStringLiteral("ZKEOffset"), param.m_offset);
                         item.GetAttrTime(QStringLiteral("ZKEFade"), param.m_fade);
                         item.GetAttrInt(QStringLiteral("ZKERatio"), ratio);
                         param.m_ratio = float(ratio) / 100.0f;
                         item.GetAttrBool(QStringLiteral("ZKEFine"), param.m_fine);
                         item.GetAttrBool(QStringLiteral("ZKEActivChan"), active);
                         item.GetAttrInt(QStringLiteral("ZKEChanType"), type);
                         item.GetAttrByte(QStringLiteral("ZKEChanNum"), number);
                         if (m_params.size() >= EffectLimits::kMaxCurveChannels)
                             return;
                         AppendChannel(param, active, ZeroTable(), type, number, nullptr);
                     });
}

void CCurveEffect::Save(CXmlDocument& doc) const
{
    CEffect::Save(doc);
    doc.SetAttrInt(QStringLiteral("ZKEPrecision"), m_precision);
    doc.SetAttrBool(QStringLiteral("ZKEMatrix"), m_onMatrix);
    CEffectParamWriter writer(doc);
    writer.BeginEffectParams(m_params.size(), QStringLiteral("ZKEParams"));
    for (int i = 0; i < m_params.size(); ++i) {
        const CCurveParam& param = m_params.at(i);
        writer.AddEffectParam(QStringLiteral("ZKECurveParam"));
        doc.SetAttrInt(QStringLiteral("ZKEType"), param.m_type);
        doc.SetAttrInt(QStringLiteral("ZKEPhi"), param.m_phi);
        doc.SetAttrInt(QStringLiteral("ZKEOffset2"), param.m_offset2);
        doc.SetAttrInt(QStringLiteral("ZKEDirection"), param.m_direction);
        doc.SetAttrInt(QStringLiteral("ZKEAmpli"), param.m_ampli);
        doc.SetAttrInt(QStringLiteral("ZKEPHase"), param.m_phase);
        doc.SetAttrInt(QStringLiteral("ZKEOffset"), param.m_offset);
        doc.SetAttrInt(QStringLiteral("ZKEFade"), param.m_fade);
        doc.SetAttrInt(QStringLiteral("ZKERatio"), ToHundredths(param.m_ratio));
        doc.SetAttrBool(QStringLiteral("ZKEFine"), param.m_fine);
        doc.SetAttrBool(QStringLiteral("ZKEActivChan"), m_activeChannels.value(i, false));
        doc.SetAttrInt(QStringLiteral("ZKEChanType"), m_chanTypes.value(i, 0));
        doc.SetAttrByte(QStringLiteral("ZKEChanNum"), m_chanNums.value(i, 0));
    }
    writer.ReturnToEffect();
}
