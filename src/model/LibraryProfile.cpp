#include "model/LibraryProfile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMutex>

namespace {

const QString kLibraryPictureFolder = QStringLiteral(":/Orvane/Images/Fixtures/");

// Beam numbers are bytes; a byte read as a negative char is a number above 127.
int BeamNumber(char beam)
{
    return static_cast<quint8>(beam);
}

void DropBeamsOutside(CProfileChannelDef* channel, int beamCount)
{
    for (int i = channel->m_beams.size() - 1; i >= 0; --i) {
        if (BeamNumber(channel->m_beams.at(i)) >= beamCount)
            channel->m_beams.remove(i, 1);
    }
}

// A white may join a multi-beam set only when it lights exactly the beams of
// the set's first channel.
bool ServesSameBeams(const CProfileChannelDef* white, const CProfileChannelDef* setChannel)
{
    if (white->m_beams.size() != setChannel->m_beams.size())
        return false;
    for (char beam : white->m_beams) {
        if (!setChannel->m_beams.contains(beam))
            return false;
    }
    return true;
}

int ChannelNumber(const CProfileChannelDef* channel)
{
    return channel ? channel->m_index : -1;
}

// A profile's picture is shown as a small icon: one larger than this is
// left out rather than decoded.
constexpr qint64 kMaxIconPixels = qint64(2048) * 2048;

// Profiles of one picture share its icon: a patch of tens of thousands of
// blocks of one profile held as many copies of it (a gigabyte). A picture
// changed on disk is read again.
QImage SharedIcon(const QString& path)
{
    static QMutex mutex;
    static QHash<QString, QImage> icons;
    const QFileInfo file(path);
    const QString key = path + QLatin1Char('\n') + QString::number(file.size()) + QLatin1Char('\n')
        + QString::number(file.lastModified().toMSecsSinceEpoch());
    QMutexLocker lock(&mutex);
    const auto found = icons.constFind(key);
    if (found != icons.constEnd())
        return found.value();
    QImageReader reader(path);
    const QSize size = reader.size();
    QImage icon;
    if (!size.isValid() || qint64(size.width()) * size.height() <= kMaxIconPixels)
        icon = reader.read();
    icons.insert(key, icon);
    return icon;
}

} // namespace

CLibraryProfile::CLibraryProfile()
    : CFixtureProfile(kLibraryPictureFolder)
{
}

CLibraryProfile::CLibraryProfile(const QString& path)
    : CFixtureProfile(path, kLibraryPictureFolder, false)
{
}

CLibraryProfile::CLibraryProfile(const CLibraryProfile& other)
    : CFixtureProfile(other)
{
}

CLibraryProfile::~CLibraryProfile() = default;

int CLibraryProfile::BeamCount() const
{
    return m_beams.isEmpty() ? 1 : m_beams.size();
}

bool CLibraryProfile::IsDimmerOnly() const
{
    return !HasColor(false) && HasDimmers(false);
}

void CLibraryProfile::UpdateRoles()
{
    LinkChannels();
    UpdateBeamExtent();
    AnalyseChannels();
}

void CLibraryProfile::ResetRoles()
{
    m_channelCount = 0;
    m_cmy = false;
    m_hasWhite = false;
    m_finePanTilt = false;
    m_icon = QImage();
    m_colorSets1.clear();
    m_colorSets2.clear();
    m_panTilt1.clear();
    m_panTilt2.clear();
    m_others.clear();
    m_dimmers1.clear();
    m_dimmers2.clear();
    m_colorDimmers.clear();
}

void CLibraryProfile::AnalyseChannels()
{
    ResetRoles();
    const CProfileMode* mode = CurrentMode();
    m_channelCount = mode ? mode->ChannelCount() : 0;
    const int beamCount = BeamCount();
    int typeCounters[ChannelType::kCount] = {};

    CProfileChannelDef* pan = nullptr;
    CProfileChannelDef* tilt = nullptr;
    CProfileChannelDef* rgb[3] = {};
    CProfileChannelDef* cmy[3] = {};
    QList<CProfileChannelDef*> singleBeamWhites;
    QList<CProfileChannelDef*> multiBeamWhites;

    for (int i = 0; i < m_channelCount; ++i) {
        CProfileChannelDef* channel = mode->m_channels.at(i);
        channel->m_index = i;
        DropBeamsOutside(channel, beamCount);
        if (channel->m_lsb)
            continue;

        switch (channel->m_type) {
        case ChannelType::Pan:
        case ChannelType::Tilt:
            (channel->m_type == ChannelType::Pan ? pan : tilt) = channel;
            if (pan && tilt) {
                AddPanTiltPair(pan, tilt, beamCount);
                pan = tilt = nullptr;
            }
            break;
        case ChannelType::Red:
        case ChannelType::Green:
        case ChannelType::Blue:
            rgb[channel->m_type - ChannelType::Red] = channel;
            if (rgb[0] && rgb[1] && rgb[2] && AddColorSet(rgb[0], rgb[1], rgb[2], false, beamCount))
                rgb[0] = rgb[1] = rgb[2] = nullptr;
            break;
        case ChannelType::Cyan:
        case ChannelType::Magenta:
        case ChannelType::Yellow:
            cmy[channel->m_type - ChannelType::Cyan] = channel;
            if (cmy[0] && cmy[1] && cmy[2] && AddColorSet(cmy[0], cmy[1], cmy[2], true, beamCount))
                cmy[0] = cmy[1] = cmy[2] = nullptr;
            break;
        case ChannelType::White:
            (channel->IsMultiBeam(beamCount) ? multiBeamWhites : singleBeamWhites) << channel;
            break;
        default:
            AddOtherChannel(channel, typeCounters, beamCount);
            break;
        }
    }

    UpdateFinePanTilt();
    AttachWhites(singleBeamWhites, multiBeamWhites);
    if (!m_picture.isEmpty())
        m_icon = SharedIcon(m_picture);
}

void CLibraryProfile::AddPanTiltPair(CProfileChannelDef* pan, CProfileChannelDef* tilt, int beamCount)
{
    const bool secondGroup = pan->IsMultiBeam(beamCount) && tilt->IsMultiBeam(beamCount);
    (secondGroup ? m_panTilt2 : m_panTilt1) << CPanTiltPair{pan, pan->m_partner16, tilt, tilt->m_partner16};
}

// A profile holds RGB sets or CMY sets, whichever kind completes first.
bool CLibraryProfile::AddColorSet(CProfileChannelDef* first, CProfileChannelDef* second,
                                  CProfileChannelDef* third, bool cmy, int beamCount)
{
    const bool anySet = !m_colorSets1.isEmpty() || !m_colorSets2.isEmpty();
    if (anySet && m_cmy != cmy)
        return false;
    m_cmy = cmy;
    const bool secondGroup = first->IsMultiBeam(beamCount) && second->IsMultiBeam(beamCount)
                             && third->IsMultiBeam(beamCount);
    (secondGroup ? m_colorSets2 : m_colorSets1) << CColorSet{first, second, third, nullptr};
    return true;
}

void CLibraryProfile::AddOtherChannel(CProfileChannelDef* channel, int typeCounters[], int beamCount)
{
    m_others << COtherChannel{channel, channel->m_partner16};
    for (int p = 0; p < channel->m_presets.size(); ++p)
        channel->m_presets.at(p)->m_index = p;

    // The type comes from a file: an unknown one is numbered 0 and counts nothing.
    const int type = channel->m_type;
    if (type >= 0 && type < ChannelType::kCount)
        channel->m_typeIndex = typeCounters[type]++;
    else
        channel->m_typeIndex = 0;
    const bool multiBeam = channel->IsMultiBeam(beamCount);
    channel->m_function = multiBeam;

    if (type == ChannelType::Dimmer) {
        for (CProfilePresetDef* preset : qAsConst(channel->m_presets)) {
            if (preset->m_type == PresetType::Dimmer) {
                (multiBeam ? m_dimmers2 : m_dimmers1) << CDimmerChannel{channel, preset};
                break;
            }
        }
    } else if (type == ChannelType::ColorDimmer) {
        m_colorDimmers << channel;
    }
}

void CLibraryProfile::UpdateFinePanTilt()
{
    auto allFine = [](const QList<CPanTiltPair>& pairs) {
        for (const CPanTiltPair& pair : pairs) {
            if (!pair.panFine || !pair.tiltFine)
                return false;
        }
        return true;
    };
    m_finePanTilt = (HasPanTilt(false) || HasPanTilt(true)) && allFine(m_panTilt1) && allFine(m_panTilt2);
}

// Whites are matched to the sets by order of appearance, and only when there
// are exactly as many whites as sets in the group.
void CLibraryProfile::AttachWhites(const QList<CProfileChannelDef*>& singleBeamWhites,
                                   const QList<CProfileChannelDef*>& multiBeamWhites)
{
    if (!multiBeamWhites.isEmpty() && multiBeamWhites.size() == m_colorSets2.size()) {
        for (int i = 0; i < m_colorSets2.size(); ++i) {
            if (!ServesSameBeams(multiBeamWhites.at(i), m_colorSets2.at(i).red)) {
                // A white that lights other beams than its set makes the
                // profile's whites untrustworthy: none is used.
                m_hasWhite = false;
                return;
            }
        }
        for (int i = 0; i < m_colorSets2.size(); ++i)
            m_colorSets2[i].white = multiBeamWhites.at(i);
        m_hasWhite = true;
    }
    if (!singleBeamWhites.isEmpty() && singleBeamWhites.size() == m_colorSets1.size()) {
        for (int i = 0; i < m_colorSets1.size(); ++i)
            m_colorSets1[i].white = singleBeamWhites.at(i);
        m_hasWhite = true;
    }
}

void CLibraryProfile::FindColorSet(const CProfileChannelDef* channel, int& a, int& b, int& c) const
{
    a = b = c = -1;
    if (!channel)
        return;
    const int type = channel->m_type;
    for (const CColorSet& set : m_colorSets1) {
        const int white = m_hasWhite ? ChannelNumber(set.white) : -1;
        if ((type == ChannelType::Red || type == ChannelType::Cyan) && set.red == channel) {
            a = ChannelNumber(set.green);
            b = ChannelNumber(set.blue);
            c = white;
            return;
        }
        if ((type == ChannelType::Green || type == ChannelType::Magenta) && set.green == channel) {
            a = ChannelNumber(set.red);
            b = ChannelNumber(set.blue);
            c = white;
            return;
        }
        if ((type == ChannelType::Blue || type == ChannelType::Yellow) && set.blue == channel) {
            a = ChannelNumber(set.red);
            b = ChannelNumber(set.green);
            c = white;
            return;
        }
        if (type == ChannelType::White && m_hasWhite && set.white == channel) {
            a = ChannelNumber(set.red);
            b = ChannelNumber(set.green);
            c = ChannelNumber(set.blue);
            return;
        }
    }
}

CProfileChannelDef* CLibraryProfile::NextChannelOfType(int type, int& occurrence) const
{
    int seen = 0;
    for (const COtherChannel& other : m_others) {
        if (other.channel->m_type != type)
            continue;
        if (seen == occurrence) {
            ++occurrence;
            return other.channel;
        }
        ++seen;
    }
    return nullptr;
}
