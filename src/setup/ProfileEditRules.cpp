#include "setup/ProfileEditRules.h"

#include "model/FixtureProfile.h"

#include <QHash>

namespace ProfileEditRules {

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
