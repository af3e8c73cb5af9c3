#include "setup/ProfileEditRules.h"

#include "model/FixtureProfile.h"
#include "model/ProfileTypes.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace ProfileEditRules {

namespace {

constexpr int kBeamStart = 10;
constexpr int kBeamsPerRow = 10;
// Far beyond any view, and far from int overflow once multiplied.
constexpr float kMaxCoordinate = 100000.0f;

int ToPixels(float position)
{
    if (!std::isfinite(position))
        return 0;
    return int(std::clamp(position, -kMaxCoordinate, kMaxCoordinate) * kBeamCell);
}

} // namespace

QList<QPoint> DefaultBeamLayout(int count)
{
    QList<QPoint> layout;
    int x = kBeamStart;
    int y = kBeamStart;
    for (int n = 1; n <= std::min(count, kMaxBeams); ++n) {
        layout << QPoint(x, y);
        if (n % kBeamsPerRow == 0) {
            y += kBeamCell;
            x = kBeamStart;
        } else {
            x += kBeamCell;
        }
    }
    return layout;
}

QList<QPoint> BeamLayoutOf(const CFixtureProfile* profile)
{
    if (!profile || profile->m_beams.size() < 2)
        return {QPoint(kBeamStart, kBeamStart)};
    QList<QPoint> layout;
    for (const CBeamPosition& beam : profile->m_beams)
        layout << QPoint(ToPixels(beam.x), ToPixels(beam.y));
    return layout;
}

void StoreBeamLayout(CFixtureProfile& profile, const QList<QPoint>& layout)
{
    profile.m_beams.clear();
    if (layout.size() >= 2) {
        float minX = 65535.0f;
        float minY = 65535.0f;
        for (const QPoint& topLeft : layout) {
            const CBeamPosition position{float(topLeft.x()) / kBeamCell, float(topLeft.y()) / kBeamCell};
            minX = std::min(minX, position.x);
            minY = std::min(minY, position.y);
            profile.m_beams << position;
        }
        for (CBeamPosition& position : profile.m_beams) {
            position.x -= minX;
            position.y -= minY;
        }
    }
    profile.UpdateBeamExtent();
}

bool SameBeamLayout(const CFixtureProfile& profile, const QList<QPoint>& layout)
{
    CFixtureProfile stored;
    StoreBeamLayout(stored, layout);
    if (stored.m_beams.size() != profile.m_beams.size())
        return false;
    for (int i = 0; i < stored.m_beams.size(); ++i) {
        if (stored.m_beams[i].x != profile.m_beams[i].x || stored.m_beams[i].y != profile.m_beams[i].y)
            return false;
    }
    return true;
}

int AutoAssignBeams(CProfileMode& mode)
{
    int pans = 0;
    int colors = 0;
    int dimmers = 0;
    int shutters = 0;
    for (const CProfileChannelDef* channel : mode.m_channels) {
        if (channel->m_lsb)
            continue;
        switch (channel->m_type) {
        case ChannelType::Pan: case ChannelType::RollerX: ++pans; break;
        case ChannelType::Red: case ChannelType::Cyan: ++colors; break;
        case ChannelType::Dimmer: case ChannelType::ColorDimmer: ++dimmers; break;
        case ChannelType::Shutter: ++shutters; break;
        default: break;
        }
    }
    const int beams = std::max({pans, colors, dimmers, shutters});

    QList<CProfileChannelDef*> work = mode.m_channels;
    while (!work.isEmpty()) {
        const int type = work.first()->m_type;
        QList<CProfileChannelDef*> coarse;
        QList<CProfileChannelDef*> fine;
        for (auto it = work.begin(); it != work.end();) {
            if ((*it)->m_type == type) {
                ((*it)->m_lsb ? fine : coarse) << *it;
                it = work.erase(it);
            } else {
                ++it;
            }
        }
        if (coarse.size() == 1) {
            coarse.first()->m_beams.clear();
            if (fine.size() == 1)
                fine.first()->m_beams.clear();
            continue;
        }
        int beam = 0;
        for (int i = 0; i < coarse.size(); ++i) {
            // Beam numbers are stored as bytes.
            const char stored = char(std::min(beam, 255));
            coarse[i]->m_beams = QByteArray(1, stored);
            if (i < fine.size())
                fine[i]->m_beams = QByteArray(1, stored);
            if (beam < beams - 1)
                ++beam;
        }
    }
    return beams;
}

void Retarget(CProfileMode& mode, const CProfileChannelDef* from, CProfileChannelDef* to)
{
    for (CProfileChannelDef* channel : mode.m_channels) {
        if (channel->m_partner16 == from)
            channel->m_partner16 = to;
        if (channel->m_twoPresetPartner == from)
            channel->m_twoPresetPartner = to;
        for (CProfilePresetDef* preset : channel->m_presets) {
            if (preset->m_targetChannel == from)
                preset->m_targetChannel = to;
            if (preset->m_partner16 == from)
                preset->m_partner16 = to;
        }
    }
}

void MakeStandalone(CProfileChannelDef& channel, const CProfileMode& mode)
{
    channel.m_msb = false;
    channel.m_lsb = false;
    channel.m_partner16 = nullptr;
    channel.m_partner16Index = -1;
    channel.m_twoPresets = false;
    channel.m_isTwoPresetPartner = false;
    channel.m_twoPresetPartner = nullptr;
    channel.m_twoPresetIndex = -1;
    channel.m_beams.clear();
    for (CProfilePresetDef* preset : channel.m_presets) {
        preset->m_partner16 = nullptr;
        preset->m_targetChannel = mode.Channel(preset->m_target);
    }
}

void RelinkMode(CProfileMode& mode)
{
    QHash<const CProfileChannelDef*, int> position;
    for (int i = 0; i < mode.m_channels.size(); ++i)
        position.insert(mode.m_channels[i], i);
    const auto inMode = [&position](const CProfileChannelDef* channel) {
        return channel && position.contains(channel);
    };

    for (CProfileChannelDef* channel : mode.m_channels) {
        if (!inMode(channel->m_partner16) || channel->m_partner16 == channel)
            channel->m_partner16 = nullptr;
        // A half whose other half went is an ordinary channel again.
        if (!channel->m_partner16) {
            channel->m_msb = false;
            channel->m_lsb = false;
        }
        if (!inMode(channel->m_twoPresetPartner))
            channel->m_twoPresetPartner = nullptr;
        if (!channel->m_twoPresetPartner)
            channel->m_isTwoPresetPartner = false;
    }
    for (int i = 0; i < mode.m_channels.size(); ++i) {
        CProfileChannelDef* channel = mode.m_channels[i];
        channel->m_index = i;
        channel->m_partner16Index = channel->m_partner16 ? position.value(channel->m_partner16) : -1;
        channel->m_twoPresetIndex = channel->m_twoPresets && channel->m_twoPresetPartner
                                        ? position.value(channel->m_twoPresetPartner)
                                        : -1;
        for (CProfilePresetDef* preset : channel->m_presets) {
            if (!inMode(preset->m_targetChannel))
                preset->m_targetChannel = nullptr;
            preset->m_target = preset->m_targetChannel ? position.value(preset->m_targetChannel) : -1;
            preset->m_partner16 = channel->m_msb ? channel->m_partner16 : nullptr;
        }
    }
}

void RelinkProfile(CFixtureProfile& profile)
{
    for (CProfileMode* mode : profile.m_modes)
        RelinkMode(*mode);
}

} // namespace ProfileEditRules
