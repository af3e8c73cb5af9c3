// The profile file format: the tree of "ZKProfile" inside a document, used
// by the ".kvp"/".zkp" files and embedded in project files.

#include "Captions.h"
#include "model/FixtureProfile.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

#include <algorithm>
#include <cmath>

namespace {

// Beam positions are stored in hundredths of a cell. No fixture is a
// thousand cells wide; beyond that the pixel arithmetic of the layout and
// the matrices would overflow.
constexpr int kMaxBeamHundredths = 100000;

int ToHundredths(float coordinate)
{
    // In floats 0.53f x 100 is 52.99...: a position read as k / 100 is
    // written as k again only when nudged a millionth away from zero.
    const double raw = double(coordinate) * 100.0;
    const double scaled = std::trunc(raw + std::copysign(std::max(1e-6, std::fabs(raw) * 1e-6), raw));
    if (!(scaled > -float(kMaxBeamHundredths)))
        return -kMaxBeamHundredths;
    if (scaled > float(kMaxBeamHundredths))
        return kMaxBeamHundredths;
    return int(scaled);
}

enum class PresetGroup {
    None,
    Color,
    HalfColor,
    ParamsWithTarget,
    ParamRange,
    ParamMin,
    ParamsWithoutTarget,
    Gobo,
    Lamp,
    Prism,
    Filter,
};

PresetGroup GroupOf(int type)
{
    switch (type) {
    case 1: return PresetGroup::Color;
    case 2: return PresetGroup::HalfColor;
    case 3: case 8: case 9: case 10: case 11: case 28: case 29: case 30: case 32: case 33:
        return PresetGroup::ParamsWithTarget;
    case 4: case 12: case 15: case 26: case 34: case 37:
        return PresetGroup::ParamRange;
    case 5: case 13: case 16: case 27: case 38:
        return PresetGroup::ParamMin;
    case 6: case 14: case 21: case 22: case 36: case 39: case 40:
        return PresetGroup::ParamsWithoutTarget;
    case 7: return PresetGroup::Gobo;
    case 17: case 18: return PresetGroup::Lamp;
    case 31: return PresetGroup::Prism;
    case 35: return PresetGroup::Filter;
    default: return PresetGroup::None;
    }
}

QString Key(const char* name)
{
    return QString::fromLatin1(name);
}

// Writes or reads one preset's attributes on the current element. The two
// directions share the layout so they cannot drift apart.
class CPresetFields
{
public:
    CPresetFields(CXmlDocument& doc, bool writing)
        : m_doc(doc), m_writing(writing)
    {
    }

    void Transfer(CProfilePresetDef& p)
    {
        Int("ZKPresetType", p.m_type);
        String("ZKPresetName", p.m_name);
        String("ZKPresetIcon", p.m_icon);
        Byte("ZKPresetDmxStart", p.m_dmxStart);
        Byte("ZKPresetDmxEnd", p.m_dmxEnd);
        Byte("ZKPresetDmxDefault", p.m_dmxDefault);
        Bool("ZKPresetShowDimmer", p.m_showDimmer);
        if (m_writing) {
            m_doc.SetAttrBool(Key("ZKPresetDefaultPreset"), p.CanBeDefault() && p.m_defaultPreset);
        } else if (p.CanBeDefault()) {
            Bool("ZKPresetDefaultPreset", p.m_defaultPreset);
        } else {
            p.m_defaultPreset = false;
        }

        switch (GroupOf(p.m_type)) {
        case PresetGroup::Color:
            Color("ZKPresetColor", p.m_colors[0]);
            break;
        case PresetGroup::HalfColor:
            Int("ZKPresetEffectType", p.m_effectType);
            Color("ZKPresetColor", p.m_colors[0]);
            Color("ZKPresetColor2", p.m_colors[1]);
            if (p.m_effectType > 2)
                Color("ZKPresetColor3", p.m_colors[2]);
            if (p.m_effectType > 3)
                Color("ZKPresetColor4", p.m_colors[3]);
            break;
        case PresetGroup::ParamsWithTarget:
            Int("ZKPresetTarget", p.m_target);
            Parameters(p);
            break;
        case PresetGroup::ParamRange:
            Int("ZKPresetParamMin", p.m_paramMin);
            Int("ZKPresetParamMax", p.m_paramMax);
            break;
        case PresetGroup::ParamMin:
            Int("ZKPresetParamMin", p.m_paramMin);
            break;
        case PresetGroup::ParamsWithoutTarget:
            Parameters(p);
            break;
        case PresetGroup::Gobo:
            Color("ZKPresetColor", p.m_colors[0]);
            Bool("ZKPresetRotary", p.m_rotary);
            Bool("ZKPresetShake", p.m_shake);
            if (p.m_rotary || p.m_shake)
                SelfRotary(p);
            break;
        case PresetGroup::Lamp:
            Int("ZKPresetEffectType", p.m_effectType);
            if (p.m_effectType > 0)
                Int("ZKPresetParamMin", p.m_paramMin);
            break;
        case PresetGroup::Prism:
            Int("ZKPresetPrismType", p.m_effectType);
            Bool("ZKPresetRotary", p.m_rotary);
            if (p.m_rotary)
                SelfRotary(p);
            break;
        case PresetGroup::Filter:
            Int("ZKPresetParamMin", p.m_paramMin);
            Color("ZKPresetColor", p.m_colors[0]);
            break;
        case PresetGroup::None:
            break;
        }
    }

private:
    void Parameters(CProfilePresetDef& p)
    {
        Int("ZKPresetParamMin", p.m_paramMin);
        Int("ZKPresetParamMax", p.m_paramMax);
        Byte("ZKPresetLevelMin", p.m_levelMin);
        Byte("ZKPresetLevelMax", p.m_levelMax);
        Int("ZKPresetEffectType", p.m_effectType);
        Bool("ZKPresetPriority", p.m_priority);
    }

    void SelfRotary(CProfilePresetDef& p)
    {
        Bool("ZKPresetSelfRotary", p.m_selfRotary);
        if (p.m_selfRotary) {
            Bool("ZKPresetIndex", p.m_indexFlag);
            Parameters(p);
        }
    }

    void Int(const char* name, int& value)
    {
        m_writing ? m_doc.SetAttrInt(Key(name), value) : void(m_doc.GetAttrInt(Key(name), value));
    }
    void Byte(const char* name, quint8& value)
    {
        m_writing ? m_doc.SetAttrByte(Key(name), value) : void(m_doc.GetAttrByte(Key(name), value));
    }
    void Bool(const char* name, bool& value)
    {
        m_writing ? m_doc.SetAttrBool(Key(name), value) : void(m_doc.GetAttrBool(Key(name), value));
    }
    void String(const char* name, QString& value)
    {
        m_writing ? m_doc.SetAttrString(Key(name), value) : void(m_doc.GetAttrString(Key(name), value));
    }
    void Color(const char* name, QColor& value)
    {
        m_writing ? m_doc.SetAttrColor(Key(name), value) : void(m_doc.GetAttrColor(Key(name), value));
    }

    CXmlDocument& m_doc;
    bool m_writing;
};

void WritePresets(CXmlDocument& doc, const char* tag, const QList<CProfilePresetDef*>& presets)
{
    doc.AddElement(Key(tag), doc.m_element[CXmlDocument::ChannelSlot]);
    doc.m_element[CXmlDocument::PresetsSlot] = doc.CurrentElement();
    doc.SetAttrInt(Key("ZKNbPreset"), presets.size());
    CPresetFields fields(doc, true);
    for (CProfilePresetDef* preset : presets) {
        doc.AddElement(Key("ZKPreset"), doc.m_element[CXmlDocument::PresetsSlot]);
        fields.Transfer(*preset);
    }
}

void ReadPresets(CXmlDocument& doc, const QDomElement& presetsElement, QList<CProfilePresetDef*>& presets)
{
    CPresetFields fields(doc, false);
    int index = 0;
    for (QDomElement e = presetsElement.firstChildElement(Key("ZKPreset")); !e.isNull();
         e = e.nextSiblingElement(Key("ZKPreset"))) {
        doc.CurrentElement() = e;
        auto* preset = new CProfilePresetDef;
        preset->m_index = index++;
        fields.Transfer(*preset);
        presets.append(preset);
    }
}

// Position of a linked channel in the mode being written, -1 when the link
// points elsewhere.
int PositionIn(const CProfileMode& mode, const CProfileChannelDef* partner)
{
    return partner ? mode.m_channels.indexOf(const_cast<CProfileChannelDef*>(partner)) : -1;
}

void WriteChannel(CXmlDocument& doc, const CProfileMode& mode, const CProfileChannelDef& c)
{
    doc.AddElement(Key("ZKChannel"), doc.m_element[CXmlDocument::ModeSlot]);
    doc.m_element[CXmlDocument::ChannelSlot] = doc.CurrentElement();
    doc.SetAttrInt(Key("ZKChannelType"), c.m_type);
    doc.SetAttrString(Key("ZKChannelName"), c.m_name);
    doc.SetAttrInt(Key("ZKChannelTypeIndex"), c.m_typeIndex);
    if (c.m_type == ChannelType::White || c.m_type == ChannelType::ColorDimmer) {
        doc.SetAttrColor(Key("ZKChannelColorMin"), c.m_colorMin);
        doc.SetAttrColor(Key("ZKChannelColorMax"), c.m_colorMax);
    }
    const int partner16 = PositionIn(mode, c.m_partner16);
    const bool msb = c.m_msb && partner16 >= 0;
    const bool lsb = !msb && c.m_lsb && partner16 >= 0;
    doc.SetAttrBool(Key("ZKChannelMSB"), msb);
    doc.SetAttrBool(Key("ZKChannelLSB"), lsb);
    if (msb || lsb)
        doc.SetAttrInt(Key("ZKChannel16BitsIndex"), partner16);
    const int twoPresetPartner = PositionIn(mode, c.m_twoPresetPartner);
    const bool twoPresets = c.m_twoPresets && twoPresetPartner >= 0;
    doc.SetAttrBool(Key("ZKChannel2Presets"), twoPresets);
    if (twoPresets)
        doc.SetAttrInt(Key("ZKChannel2PresetsIndex"), twoPresetPartner);

    if (twoPresets) {
        doc.AddElement(Key("ZKChannelDmxRanges"), doc.m_element[CXmlDocument::ChannelSlot]);
        doc.m_element[CXmlDocument::RangesSlot] = doc.CurrentElement();
        const int ranges = c.RangeCount();
        doc.SetAttrInt(Key("ZKChannelNbRange"), ranges);
        for (int i = 0; i < ranges; ++i) {
            doc.AddElement(Key("ZKChannelDmxRange"), doc.m_element[CXmlDocument::RangesSlot]);
            doc.SetAttrByte(Key("ZKChannelRangeMin"), quint8(c.m_rangeMin[i]));
            doc.SetAttrByte(Key("ZKChannelRangeMax"), quint8(c.m_rangeMax[i]));
        }
    }
    if (!c.m_beams.isEmpty()) {
        doc.AddElement(Key("ZKBeams"), doc.m_element[CXmlDocument::ChannelSlot]);
        doc.m_element[CXmlDocument::BeamsSlot] = doc.CurrentElement();
        doc.SetAttrInt(Key("ZKNbBeam"), c.m_beams.size());
        for (char beam : c.m_beams) {
            doc.AddElement(Key("ZKBeam"), doc.m_element[CXmlDocument::BeamsSlot]);
            doc.SetAttrByte(Key("ZKBeamIndex"), quint8(beam));
        }
    }
    // Left out for what is written as fine, not for a flag without partner.
    if (!lsb) {
        WritePresets(doc, "ZKPresets", c.m_presets);
        if (c.m_twoPresets && c.m_secondPresets)
            WritePresets(doc, "ZKPresets2", c.m_secondPresets->m_presets);
    }
}

void ReadChannelPresets(CXmlDocument& doc, const QDomElement& element, CProfileChannelDef& c)
{
    const QDomElement presets = element.firstChildElement(Key("ZKPresets"));
    if (presets.isNull())
        return;
    ReadPresets(doc, presets, c.m_presets);
    const QDomElement second = element.firstChildElement(Key("ZKPresets2"));
    if (c.m_twoPresets && !second.isNull()) {
        c.m_secondPresets = new CProfileChannelDef;
        ReadPresets(doc, second, c.m_secondPresets->m_presets);
    }
}

void ReadChannel(CXmlDocument& doc, CProfileChannelDef& c)
{
    const QDomElement element = doc.CurrentElement();
    doc.GetAttrInt(Key("ZKChannelType"), c.m_type);
    if (doc.GetAttrString(Key("ZKChannelName"), c.m_name))
        c.m_name.remove(QChar(0x00C2));
    doc.GetAttrInt(Key("ZKChannelTypeIndex"), c.m_typeIndex);
    if (c.m_type == ChannelType::White || c.m_type == ChannelType::ColorDimmer) {
        doc.GetAttrColor(Key("ZKChannelColorMin"), c.m_colorMin);
        doc.GetAttrColor(Key("ZKChannelColorMax"), c.m_colorMax);
    }
    doc.GetAttrBool(Key("ZKChannelMSB"), c.m_msb);
    if (c.m_msb) {
        doc.GetAttrInt(Key("ZKChannel16BitsIndex"), c.m_partner16Index);
    } else {
        doc.GetAttrBool(Key("ZKChannelLSB"), c.m_lsb);
        if (c.m_lsb)
            doc.GetAttrInt(Key("ZKChannel16BitsIndex"), c.m_partner16Index);
    }
    doc.GetAttrBool(Key("ZKChannel2Presets"), c.m_twoPresets);
    if (c.m_twoPresets) {
        doc.GetAttrInt(Key("ZKChannel2PresetsIndex"), c.m_twoPresetIndex);
        const QDomElement ranges = element.firstChildElement(Key("ZKChannelDmxRanges"));
        for (QDomElement e = ranges.firstChildElement(Key("ZKChannelDmxRange")); !e.isNull();
             e = e.nextSiblingElement(Key("ZKChannelDmxRange"))) {
            doc.CurrentElement() = e;
            quint8 min = 0;
            quint8 max = 0;
            doc.GetAttrByte(Key("ZKChannelRangeMin"), min);
            doc.GetAttrByte(Key("ZKChannelRangeMax"), max);
            c.AddRange(min, max);
        }
    }
    const QDomElement beams = element.firstChildElement(Key("ZKBeams"));
    for (QDomElement e = beams.firstChildElement(Key("ZKBeam")); !e.isNull(); e = e.nextSiblingElement(Key("ZKBeam"))) {
        doc.CurrentElement() = e;
        quint8 beam = 0;
        if (doc.GetAttrByte(Key("ZKBeamIndex"), beam))
            c.m_beams.append(char(beam));
    }
    if (!c.m_lsb)
        ReadChannelPresets(doc, element, c);
}

// A coarse or fine flag without a partner in the mode is damage: the writer
// can only write it as unset, so it is read as unset, and a fine channel
// that turns out coarse gets its presets. Otherwise the channel would be
// fine until saved, coarse once opened again, and a second save would differ
// from the first.
void DropUnpairedFlags(CXmlDocument& doc, const CProfileMode& mode, const QList<QDomElement>& elements)
{
    for (int i = 0; i < mode.m_channels.size(); ++i) {
        CProfileChannelDef& c = *mode.m_channels[i];
        if (!(c.m_msb || c.m_lsb) || mode.Channel(c.m_partner16Index))
            continue;
        const bool wasFine = c.m_lsb;
        c.m_msb = c.m_lsb = false;
        c.m_partner16Index = -1;
        if (wasFine)
            ReadChannelPresets(doc, elements[i], c);
    }
}

} // namespace

void CXmlDocument::WriteProfile(const CFixtureProfile& profile, bool allModes)
{
    const QDomElement start = m_element[CurrentSlot];

    AddElement(Key("ZKProfile"), start);
    m_element[ProfileSlot] = m_element[CurrentSlot];

    AddElement(Key("ZKProperties"), m_element[ProfileSlot]);
    m_element[PropertiesSlot] = m_element[CurrentSlot];
    SetAttrString(Key("ZKFixtPath"), profile.m_path);
    SetAttrInt(Key("ZKFixtType"), profile.m_fixtureType);
    SetAttrInt(Key("ZKShapeType"), profile.m_shapeType);
    SetAttrInt(Key("ZKPictureIndex"), profile.m_pictureIndex);
    SetAttrInt(Key("ZKBeamOpening"), profile.m_beamOpening);
    SetAttrInt(Key("ZKAmpliPan"), profile.m_ampliPan);
    SetAttrInt(Key("ZKAmpliTilt"), profile.m_ampliTilt);
    SetAttrInt(Key("ZKTimePan"), profile.m_timePan);
    SetAttrInt(Key("ZKTimeTilt"), profile.m_timeTilt);
    SetAttrByte(Key("ZKPanCenter"), profile.m_panCenter);
    SetAttrByte(Key("ZKTiltCenter"), profile.m_tiltCenter);

    if (profile.m_beams.size() >= 2) {
        AddElement(Key("ZKBeams"), m_element[PropertiesSlot]);
        m_element[BeamsSlot] = m_element[CurrentSlot];
        SetAttrInt(Key("ZKNbBeam"), profile.m_beams.size());
        for (const CBeamPosition& beam : profile.m_beams) {
            AddElement(Key("ZKBeam"), m_element[BeamsSlot]);
            m_element[BeamSlot] = m_element[CurrentSlot];
            SetAttrInt(Key("ZKBeamPosX"), ToHundredths(beam.x));
            SetAttrInt(Key("ZKBeamPosY"), ToHundredths(beam.y));
        }
    }

    QList<const CProfileMode*> modes;
    if (allModes) {
        for (const CProfileMode* mode : profile.m_modes)
            modes.append(mode);
    } else if (const CProfileMode* current = profile.CurrentMode()) {
        modes.append(current);
    }
    if (!allModes || !profile.m_modes.isEmpty()) {
        AddElement(Key("ZKModes"), m_element[ProfileSlot]);
        m_element[ModesSlot] = m_element[CurrentSlot];
        SetAttrInt(Key("ZKNbMode"), allModes ? profile.m_modes.size() : 1);
    }
    for (const CProfileMode* mode : modes) {
        // The reader ends every profile with an empty mode of its own: a last
        // mode without channels is that one. Any other empty mode is written,
        // or the modes after it would move up a place when the file is read.
        if (mode->m_channels.isEmpty() && mode == modes.last())
            continue;
        AddElement(Key("ZKMode"), m_element[ModesSlot]);
        m_element[ModeSlot] = m_element[CurrentSlot];
        SetAttrInt(Key("ZKNbChannel"), mode->ChannelCount());
        for (const CProfileChannelDef* channel : mode->m_channels)
            WriteChannel(*this, *mode, *channel);
    }

    m_element[CurrentSlot] = start;
}

bool CXmlDocument::ReadProfile(CFixtureProfile& profile, QString* error)
{
    const QDomElement start = m_element[CurrentSlot];
    const auto fail = [&](const QString& text) {
        m_element[CurrentSlot] = start;
        if (error)
            *error = text;
        return false;
    };

    m_element[ProfileSlot] = start.firstChildElement(Key("ZKProfile"));
    m_element[PropertiesSlot] = m_element[ProfileSlot].firstChildElement(Key("ZKProperties"));
    if (m_element[PropertiesSlot].isNull())
        return fail(GetLangText(Txt::NoFixtureProfile));

    m_element[CurrentSlot] = m_element[PropertiesSlot];
    GetAttrString(Key("ZKFixtPath"), profile.m_path);
    GetAttrInt(Key("ZKFixtType"), profile.m_fixtureType);
    GetAttrInt(Key("ZKShapeType"), profile.m_shapeType);
    GetAttrInt(Key("ZKPictureIndex"), profile.m_pictureIndex);
    GetAttrInt(Key("ZKBeamOpening"), profile.m_beamOpening);
    GetAttrInt(Key("ZKAmpliPan"), profile.m_ampliPan);
    GetAttrInt(Key("ZKAmpliTilt"), profile.m_ampliTilt);
    GetAttrInt(Key("ZKTimePan"), profile.m_timePan);
    GetAttrInt(Key("ZKTimeTilt"), profile.m_timeTilt);
    GetAttrByte(Key("ZKPanCenter"), profile.m_panCenter);
    GetAttrByte(Key("ZKTiltCenter"), profile.m_tiltCenter);
    profile.UpdatePicture();

    profile.m_beams.clear();
    m_element[BeamsSlot] = m_element[PropertiesSlot].firstChildElement(Key("ZKBeams"));
    int x = 0;
    int y = 0; // a missing coordinate repeats the previous beam's
    for (QDomElement e = m_element[BeamsSlot].firstChildElement(Key("ZKBeam"));
         !e.isNull() && profile.m_beams.size() < CFixtureProfile::kMaxBeams; e = e.nextSiblingElement(Key("ZKBeam"))) {
        m_element[BeamSlot] = m_element[CurrentSlot] = e;
        GetAttrInt(Key("ZKBeamPosX"), x);
        GetAttrInt(Key("ZKBeamPosY"), y);
        if (std::abs(qint64(x)) > kMaxBeamHundredths || std::abs(qint64(y)) > kMaxBeamHundredths)
            return fail(GetLangText(Txt::BeamPositionOutOfRange));
        profile.m_beams.append({float(x) / 100.0f, float(y) / 100.0f});
    }

    // Each file mode appends a mode but fills position k, so a cleared
    // profile ends with one extra, empty mode; stored profiles rely on it.
    m_element[ModesSlot] = m_element[ProfileSlot].firstChildElement(Key("ZKModes"));
    int k = 0;
    for (QDomElement modeElement = m_element[ModesSlot].firstChildElement(Key("ZKMode")); !modeElement.isNull();
         modeElement = modeElement.nextSiblingElement(Key("ZKMode")), ++k) {
        m_element[ModeSlot] = modeElement;
        profile.m_modes.append(new CProfileMode);
        CProfileMode* mode = profile.m_modes[k];
        int index = 0;
        QList<QDomElement> elements;
        for (QDomElement e = modeElement.firstChildElement(Key("ZKChannel")); !e.isNull();
             e = e.nextSiblingElement(Key("ZKChannel"))) {
            m_element[ChannelSlot] = m_element[CurrentSlot] = e;
            auto* channel = new CProfileChannelDef;
            channel->m_index = index++;
            mode->m_channels.append(channel);
            elements.append(e);
            ReadChannel(*this, *channel);
        }
        DropUnpairedFlags(*this, *mode, elements);
    }
    profile.m_currentMode = 0;

    m_element[CurrentSlot] = start;
    return true;
}

// ---- Profile files ----

namespace {

// Profiles of the first file layout: only the kind of fixture and the
// channel count of each mode are taken.
bool ReadOldLayout(const QDomElement& root, CFixtureProfile& profile)
{
    const QDomElement profileElement = root.firstChildElement(Key("ZKProfile"));
    const QDomElement properties = profileElement.firstChildElement(Key("ZKProperties"));
    const QDomElement modes = profileElement.firstChildElement(Key("ZKModes"));
    if (properties.isNull() || modes.isNull())
        return false;
    if (properties.hasAttribute(Key("ZKFixtType")))
        profile.m_fixtureType = properties.attribute(Key("ZKFixtType")).toInt();
    if (properties.hasAttribute(Key("ZKShapeType")))
        profile.m_shapeType = properties.attribute(Key("ZKShapeType")).toInt();
    for (QDomElement m = modes.firstChildElement(Key("ZKMode")); !m.isNull(); m = m.nextSiblingElement(Key("ZKMode"))) {
        auto* mode = new CProfileMode;
        profile.m_modes.append(mode);
        for (QDomElement c = m.firstChildElement(Key("ZKChannel")); !c.isNull();
             c = c.nextSiblingElement(Key("ZKChannel")))
            mode->m_channels.append(new CProfileChannelDef);
    }
    return true;
}

} // namespace

bool CFixtureProfile::Load(const QString& path, bool oldLayout, QString* error)
{
    Clear(true);
    CXmlDocument doc;
    QString reason;
    if (!doc.LoadFile(path, reason)) {
        if (error)
            *error = reason;
        return false;
    }
    bool read = false;
    if (oldLayout) {
        read = ReadOldLayout(doc.m_element[CXmlDocument::RootSlot], *this);
        reason = GetLangText(Txt::NoFixtureProfile);
    } else {
        read = doc.ReadProfile(*this, &reason);
        if (read) {
            LinkChannels();
            UpdateBeamExtent();
        }
    }
    if (!read) {
        Clear(true);
        if (error)
            *error = reason;
        return false;
    }
    SetPath(path);
    return true;
}

bool CFixtureProfile::Save(const QString& path, QString* error)
{
    SetPath(path);
    CXmlDocument doc;
    doc.NewDocument();
    doc.WriteProfile(*this, true);
    return doc.SaveFile(path, error);
}
