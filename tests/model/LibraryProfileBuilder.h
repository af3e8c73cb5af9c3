#pragma once

#include "model/LibraryProfile.h"

#include <initializer_list>

// Builds the current mode of a profile channel by channel, the way a
// profile file would fill it.
namespace ProfileBuilder {

inline void SetBeams(CFixtureProfile& profile, std::initializer_list<CBeamPosition> beams)
{
    profile.m_beams.clear();
    for (const CBeamPosition& beam : beams)
        profile.m_beams << beam;
    profile.UpdateBeamExtent();
}

inline CProfileChannelDef* AddChannel(CFixtureProfile& profile, int type, const QByteArray& beams = QByteArray())
{
    auto* channel = new CProfileChannelDef;
    channel->m_type = type;
    channel->m_beams = beams;
    profile.CurrentMode()->m_channels << channel;
    return channel;
}

// Appends the fine byte of `coarse`; links are made by LinkChannels.
inline CProfileChannelDef* AddFine(CFixtureProfile& profile, CProfileChannelDef* coarse)
{
    const int coarseIndex = profile.CurrentMode()->m_channels.indexOf(coarse);
    CProfileChannelDef* fine = AddChannel(profile, coarse->m_type, coarse->m_beams);
    fine->m_lsb = true;
    fine->m_partner16Index = coarseIndex;
    coarse->m_msb = true;
    coarse->m_partner16Index = profile.CurrentMode()->m_channels.size() - 1;
    return fine;
}

inline CProfilePresetDef* AddPreset(CProfileChannelDef* channel, int type, int start, int end)
{
    auto* preset = new CProfilePresetDef;
    preset->m_type = type;
    preset->m_dmxStart = quint8(start);
    preset->m_dmxEnd = quint8(end);
    channel->m_presets << preset;
    return preset;
}

// A named channel of any mode, and a preset of a channel, numbered in
// their lists as a profile file numbers them.
inline CProfileChannelDef* AddChannel(CProfileMode& mode, int type, const QString& name = QString())
{
    auto* channel = new CProfileChannelDef;
    channel->m_type = type;
    channel->m_name = name;
    channel->m_index = mode.m_channels.size();
    mode.m_channels.append(channel);
    return channel;
}

inline CProfilePresetDef* AddPreset(CProfileChannelDef& channel, int type, int start = 0, int end = 0)
{
    CProfilePresetDef* preset = AddPreset(&channel, type, start, end);
    preset->m_index = channel.m_presets.size() - 1;
    return preset;
}

inline CProfileChannelDef* AddDimmer(CFixtureProfile& profile, const QByteArray& beams = QByteArray())
{
    CProfileChannelDef* dimmer = AddChannel(profile, ChannelType::Dimmer, beams);
    AddPreset(dimmer, PresetType::Dimmer, 0, 255);
    return dimmer;
}

// Red, green and blue (or cyan, magenta and yellow) serving the same beams.
inline void AddColorSet(CFixtureProfile& profile, int firstType, const QByteArray& beams = QByteArray())
{
    for (int t = firstType; t < firstType + 3; ++t)
        AddChannel(profile, t, beams);
}

// One channel per letter, in order: D dimmer, R G B W red, green, blue and
// white, P T pan and tilt, p t the fine byte of the last pan or tilt (of the
// next one when none came yet), d the fine byte of the last dimmer, Z zoom, S shutter, I iris, X a channel of
// undefined type, U one of a type no release knows. Spaces are skipped.
inline void AddChannels(CFixtureProfile& profile, const char* letters)
{
    CProfileChannelDef* coarse[2] = {nullptr, nullptr};
    CProfileChannelDef* early[2] = {nullptr, nullptr}; // fine bytes ahead of their coarse one
    CProfileChannelDef* dimmer = nullptr; // the last, whose fine byte 'd' follows it
    auto addCoarse = [&](int axis, int type) {
        coarse[axis] = AddChannel(profile, type);
        if (CProfileChannelDef* fine = early[axis]) {
            const QList<CProfileChannelDef*>& channels = profile.CurrentMode()->m_channels;
            fine->m_lsb = true;
            fine->m_partner16Index = channels.indexOf(coarse[axis]);
            coarse[axis]->m_msb = true;
            coarse[axis]->m_partner16Index = channels.indexOf(fine);
            early[axis] = nullptr;
        }
    };
    auto addFine = [&](int axis, int type) {
        if (coarse[axis])
            AddFine(profile, coarse[axis]);
        else
            early[axis] = AddChannel(profile, type);
    };
    for (const char* c = letters; *c; ++c) {
        switch (*c) {
        case 'D': dimmer = AddDimmer(profile); break;
        case 'd':
            if (dimmer)
                AddFine(profile, dimmer);
            break;
        case 'R': AddChannel(profile, ChannelType::Red); break;
        case 'G': AddChannel(profile, ChannelType::Green); break;
        case 'B': AddChannel(profile, ChannelType::Blue); break;
        case 'W': AddChannel(profile, ChannelType::White); break;
        case 'P': addCoarse(0, ChannelType::Pan); break;
        case 'T': addCoarse(1, ChannelType::Tilt); break;
        case 'p': addFine(0, ChannelType::Pan); break;
        case 't': addFine(1, ChannelType::Tilt); break;
        case 'Z': AddChannel(profile, ChannelType::Zoom); break;
        case 'S': AddChannel(profile, ChannelType::Shutter); break;
        case 'I': AddChannel(profile, ChannelType::Iris); break;
        case 'X': AddChannel(profile, ChannelType::Undef); break;
        case 'U': AddChannel(profile, ChannelType::kCount + 64); break;
        default: break;
        }
    }
}

inline QByteArray Beams(std::initializer_list<int> numbers)
{
    QByteArray bytes;
    for (int n : numbers)
        bytes.append(char(n));
    return bytes;
}

} // namespace ProfileBuilder
