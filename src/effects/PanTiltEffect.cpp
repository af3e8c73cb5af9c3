#include "effects/PanTiltEffect.h"

#include "Captions.h"
#include "effects/EffectParams.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

namespace {

// The vector resized to `count` entries (new ones 0).
QVector<int> Resized(const QVector<int>& source, int count)
{
    QVector<int> copy = source;
    copy.resize(qMax(0, count));
    return copy;
}

} // namespace

CPanTiltEffect::CPanTiltEffect()
    : CEffect(EffectType::PanTilt)
{
}

CPanTiltEffect::CPanTiltEffect(const CPanTiltEffect& other)
    : CEffect(other)
    , m_shapeType(other.m_shapeType)
    , m_start(other.m_start)
    , m_nbControls(other.m_nbControls)
    , m_pathCount(other.m_pathCount)
    , m_nbPtsPerCtrl(other.m_nbPtsPerCtrl)
    , m_fade(other.m_fade)
    , m_offsetX(other.m_offsetX)
    , m_offsetY(other.m_offsetY)
    , m_sens(other.m_sens)
    , m_controlX(Resized(other.m_controlX, other.m_nbControls))
    , m_controlY(Resized(other.m_controlY, other.m_nbControls))
{
    if (!other.m_pathX.isEmpty()) {
        m_pathX = Resized(other.m_pathX, other.m_pathCount);
        m_pathY = Resized(other.m_pathY, other.m_pathCount);
    }
}

QString CPanTiltEffect::GetName() const
{
    switch (m_shapeType) {
    case Random:
        return GetLangText(Txt::EffectRandom);
    case Lines:
        return GetLangText(Txt::EffectLines);
    case Circle:
        return GetLangText(Txt::EffectCircle);
    case Star:
        return GetLangText(Txt::EffectStar);
    case Cross:
        return GetLangText(Txt::EffectCross);
    case Flower:
        return GetLangText(Txt::EffectFlower);
    case Vortex:
        return GetLangText(Txt::EffectVortex);
    default:
        return GetLangText(Txt::EffectPanTilt);
    }
}

void CPanTiltEffect::Load(CXmlDocument& doc)
{
    CEffect::Load(doc);
    m_shapeType = 0;
    doc.GetAttrInt(QStringLiteral("ZKEShapeType"), m_shapeType);
    doc.GetAttrInt(QStringLiteral("ZKEStart"), m_start);
    doc.GetAttrInt(QStringLiteral("ZKENbControls"), m_nbControls);
    doc.GetAttrInt(QStringLiteral("ZKENbPtsPerCtrl"), m_nbPtsPerCtrl);
    m_nbPtsPerCtrl = qBound(0, m_nbPtsPerCtrl, EffectLimits::kMaxPointsPerControl);
    doc.GetAttrTime(QStringLiteral("ZKEFade"), m_fade);
    doc.GetAttrInt(QStringLiteral("ZKEOffsetX"), m_offsetX);
    doc.GetAttrInt(QStringLiteral("ZKEOffsetY"), m_offsetY);
    doc.GetAttrBool(QStringLiteral("ZKESens"), m_sens);
    int x = 0;
    int y = 0;
    ReadEffectParams(doc, QStringLiteral("ZKEParams"), QStringLiteral("ZKEPanTiltPos"),
                     EffectLimits::kMaxControlPoints, [&](CXmlDocument& item) {
                         // A missing coordinate repeats the previous point's.
                         item.GetAttrInt(QStringLiteral("ZKEPosX"), x);
                         item.GetAttrInt(QStringLiteral("ZKEPosY"), y);
                         if (m_controlX.size() >= EffectLimits::kMaxControlPoints)
                             return;
                         m_controlX.append(x);
                         m_controlY.append(y);
                     });
    // The stored count is only a claim: the points decide, so the shape
    // never reads past them. The path is rebuilt from the points.
    m_nbControls = m_controlX.size();
    m_pathX.clear();
    m_pathY.clear();
    m_pathCount = 0;
}

void CPanTiltEffect::Save(CXmlDocument& doc) const
{
    CEffect::Save(doc);
    doc.SetAttrInt(QStringLiteral("ZKEShapeType"), m_shapeType);
    doc.SetAttrInt(QStringLiteral("ZKEStart"), m_start);
    doc.SetAttrInt(QStringLiteral("ZKENbControls"), m_nbControls);
    doc.SetAttrInt(QStringLiteral("ZKENbPtsPerCtrl"), m_nbPtsPerCtrl);
    doc.SetAttrInt(QStringLiteral("ZKEFade"), m_fade);
    doc.SetAttrInt(QStringLiteral("ZKEOffsetX"), m_offsetX);
    doc.SetAttrInt(QStringLiteral("ZKEOffsetY"), m_offsetY);
    doc.SetAttrBool(QStringLiteral("ZKESens"), m_sens);
    const int count = qMin(qMax(0, m_nbControls), qMin(m_controlX.size(), m_controlY.size()));
    CEffectParamWriter writer(doc);
    writer.BeginEffectParams(count, QStringLiteral("ZKEParams"));
    for (int i = 0; i < count; ++i) {
        writer.AddEffectParam(QStringLiteral("ZKEPanTiltPos"));
        doc.SetAttrInt(QStringLiteral("ZKEPosX"), m_controlX.at(i));
        doc.SetAttrInt(QStringLiteral("ZKEPosY"), m_controlY.at(i));
    }
    writer.ReturnToEffect();
}
