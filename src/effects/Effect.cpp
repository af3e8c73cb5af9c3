#include "effects/Effect.h"

#include "Captions.h"
#include "effects/CurveEffect.h"
#include "effects/GradientEffect.h"
#include "effects/MatrixAnimEffect.h"
#include "effects/MatrixGifEffect.h"
#include "effects/MatrixMediaEffect.h"
#include "effects/MatrixTextEffect.h"
#include "effects/PanTiltEffect.h"
#include "effects/PresetEffect.h"
#include "effects/TrichroEffect.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/XmlDocument.h"
#include "show/Scene.h"

CEffect::CEffect(int type)
    : m_type(type)
{
}

CEffect::CEffect(const CEffect& other)
    : m_sId(other.m_sId)
    , m_phi(other.m_phi)
    , m_len(other.m_len)
    , m_type(other.m_type)
    , m_fixtures(other.m_fixtures)
    , m_fixtureSel(other.m_fixtureSel)
    , m_beamIndex(other.m_beamIndex)
    , m_beamFixtures(other.m_beamFixtures)
    , m_beamSel(other.m_beamSel)
{
    TakeMatrixOf(other);
}

CEffect::~CEffect()
{
    if (m_ownsMatrix)
        delete m_matrix;
}

QString CEffect::GetName() const
{
    return GetLangText(Txt::EffectGeneric);
}

void CEffect::ReleaseMatrix()
{
    if (m_ownsMatrix)
        delete m_matrix;
    m_matrix = nullptr;
    m_ownsMatrix = false;
}

void CEffect::TakeMatrixOf(const CEffect& other)
{
    m_matrix = nullptr;
    m_ownsMatrix = false;
    if (!other.m_matrix)
        return;
    if (other.m_matrix->IsVirtual()) {
        m_matrix = new CFixtureMatrix(*other.m_matrix);
        m_ownsMatrix = true;
    } else {
        m_matrix = other.m_matrix;
    }
}

void CEffect::CopyFrom(const CEffect& other)
{
    if (&other == this)
        return;
    ClearFixtures();
    // Releasing a matrix the other effect also points to would leave it
    // nothing to copy from.
    if (other.m_matrix != m_matrix) {
        ReleaseMatrix();
        TakeMatrixOf(other);
    }
    m_fixtures = other.m_fixtures;
    m_fixtureSel = other.m_fixtureSel;
    m_beamIndex = other.m_beamIndex;
    m_beamFixtures = other.m_beamFixtures;
    m_beamSel = other.m_beamSel;
}

void CEffect::ClearFixtures()
{
    m_fixtures.clear();
    m_fixtureSel.clear();
    m_beamIndex.clear();
    m_beamFixtures.clear();
    m_beamSel.clear();
}

bool CEffect::RemoveFixture(const CPatchedFixture* fixture)
{
    const int index = m_fixtures.indexOf(const_cast<CPatchedFixture*>(fixture));
    if (index >= 0) {
        m_fixtures.removeAt(index);
        if (index < m_fixtureSel.size())
            m_fixtureSel.removeAt(index);
    }
    for (int i = m_beamFixtures.size() - 1; i >= 0; --i) {
        if (m_beamFixtures.at(i) != fixture)
            continue;
        m_beamFixtures.removeAt(i);
        if (i < m_beamIndex.size())
            m_beamIndex.removeAt(i);
        if (i < m_beamSel.size())
            m_beamSel.removeAt(i);
    }
    if (m_ownsMatrix && m_matrix && m_matrix->RemoveMember(fixture) && m_matrix->MemberCount() == 0)
        ReleaseMatrix();
    return index >= 0;
}

bool CEffect::UsesChannelType(int channelType, unsigned char occurrence) const
{
    switch (m_type) {
    case EffectType::Gradient:
    case EffectType::Trichro:
    case EffectType::MatrixAnim:
    case EffectType::MatrixGif:
    case EffectType::MatrixMedia:
    case EffectType::MatrixText:
        return channelType >= 25 && channelType <= 31;
    case EffectType::PanTilt:
        return channelType == 1 || channelType == 2;
    case EffectType::Curve: {
        const auto* curve = dynamic_cast<const CCurveEffect*>(this);
        if (!curve)
            return false;
        const int count = qMin(curve->m_chanTypes.size(), curve->m_chanNums.size());
        for (int i = 0; i < count; ++i) {
            if (curve->m_chanTypes.at(i) == channelType && curve->m_chanNums.at(i) == occurrence)
                return curve->m_activeChannels.value(i, false);
        }
        return false;
    }
    default:
        return false;
    }
}

void CEffect::Load(CXmlDocument& doc)
{
    doc.GetAttrInt(QStringLiteral("ZKESId"), m_sId);
    doc.GetAttrInt(QStringLiteral("ZKEPhi"), m_phi);
    doc.GetAttrTime(QStringLiteral("ZKELen"), m_len);
}

void CEffect::Save(CXmlDocument& doc) const
{
    if (m_sId >= 0)
        doc.SetAttrInt(QStringLiteral("ZKESId"), m_sId);
    doc.SetAttrInt(QStringLiteral("ZKEPhi"), m_phi);
    doc.SetAttrInt(QStringLiteral("ZKELen"), m_len);
}

namespace {

template <class T>
CEffect* CopyAs(const CEffect& source)
{
    // The type code is only a number: a mismatched object is not copied.
    const T* typed = dynamic_cast<const T*>(&source);
    return typed ? new T(*typed) : nullptr;
}

} // namespace

CEffect* CloneEffect(const CEffect* source)
{
    if (!source)
        return nullptr;
    switch (source->m_type) {
    case EffectType::Gradient:
        return CopyAs<CGradientEffect>(*source);
    case EffectType::Trichro:
        return CopyAs<CTrichroEffect>(*source);
    case EffectType::Curve:
        return CopyAs<CCurveEffect>(*source);
    case EffectType::PanTilt:
        return CopyAs<CPanTiltEffect>(*source);
    case EffectType::Preset:
        return CopyAs<CPresetEffect>(*source);
    case EffectType::MatrixAnim:
        return CopyAs<CMatrixAnimEffect>(*source);
    case EffectType::MatrixGif:
        return CopyAs<CMatrixGifEffect>(*source);
    case EffectType::MatrixMedia:
        return CopyAs<CMatrixMediaEffect>(*source);
    case EffectType::MatrixText:
        return CopyAs<CMatrixTextEffect>(*source);
    default:
        return nullptr;
    }
}

CEffect* CreateEffect(int type)
{
    switch (type) {
    case EffectType::Gradient:
        return new CGradientEffect;
    case EffectType::Trichro:
        return new CTrichroEffect;
    case EffectType::Curve:
        return new CCurveEffect;
    case EffectType::PanTilt:
        return new CPanTiltEffect;
    case EffectType::Preset:
        return new CPresetEffect;
    case EffectType::MatrixAnim:
        return new CMatrixAnimEffect;
    case EffectType::MatrixGif:
        return new CMatrixGifEffect;
    case EffectType::MatrixMedia:
        return new CMatrixMediaEffect;
    case EffectType::MatrixText:
        return new CMatrixTextEffect;
    default:
        return nullptr;
    }
}

void RegisterEffectOperations()
{
    CEffectOperations operations;
    operations.clone = [](const CEffect& effect) { return CloneEffect(&effect); };
    operations.destroy = [](CEffect* effect) { delete effect; };
    operations.fixtures = [](const CEffect& effect) { return effect.m_fixtures; };
    SetEffectOperations(operations);
}
