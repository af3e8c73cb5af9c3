#pragma once

#include "model/FixtureProfile.h"

#include <QImage>
#include <QList>
#include <QString>

// A colour set of a profile: red, green and blue channels, or cyan, magenta
// and yellow on a CMY profile, and the white/amber channel attached to the
// set (null when the set has none).
struct CColorSet
{
    CProfileChannelDef* red = nullptr;   // or cyan
    CProfileChannelDef* green = nullptr; // or magenta
    CProfileChannelDef* blue = nullptr;  // or yellow
    CProfileChannelDef* white = nullptr;
};

// A pan channel and a tilt channel moved together, with their fine bytes
// (null for an 8-bit axis).
struct CPanTiltPair
{
    CProfileChannelDef* pan = nullptr;
    CProfileChannelDef* panFine = nullptr;
    CProfileChannelDef* tilt = nullptr;
    CProfileChannelDef* tiltFine = nullptr;
};

// The channel whose beams decide whether a whole set (pair) counts as
// selected: the red (cyan) of a colour set, the pan of a pair.
inline const CProfileChannelDef* LeadChannel(const CColorSet& set)
{
    return set.red;
}
inline const CProfileChannelDef* LeadChannel(const CPanTiltPair& pair)
{
    return pair.pan;
}

// A channel that is neither colour nor pan/tilt, with its fine byte if any.
struct COtherChannel
{
    CProfileChannelDef* channel = nullptr;
    CProfileChannelDef* fine = nullptr;
};

// A dimmer channel and the preset that gives its DMX range.
struct CDimmerChannel
{
    CProfileChannelDef* channel = nullptr;
    CProfilePresetDef* preset = nullptr;
};

// A profile in the show's library. Besides the profile itself it sorts the
// channels of the current mode by role, so that everything that sets colour,
// pan/tilt or dimmer levels walks these tables rather than the raw channels.
//
// Most tables exist twice. The first group holds channels that serve one
// beam (a channel naming exactly one beam, or any channel of a one-beam
// fixture); the second group holds channels serving several beams, which the
// presets window shows as master colour and master pan/tilt. Table entries
// point into the profile's own channels.
class CLibraryProfile : public CFixtureProfile
{
public:
    // Empty profile; the project readers fill it from the embedded copy.
    CLibraryProfile();
    // Loads the profile file; the role tables stay empty until AnalyseChannels.
    explicit CLibraryProfile(const QString& path);
    // Copies the profile only; the role tables of the copy start empty.
    CLibraryProfile(const CLibraryProfile& other);
    CLibraryProfile& operator=(const CLibraryProfile&) = delete;
    ~CLibraryProfile() override;

    // Rebuilds the role tables of the current mode from scratch.
    void AnalyseChannels();
    // After the profile was read from a project file: links, beam extent, roles.
    void UpdateRoles();

    // Channel numbers of the other members of the channel's first-group
    // colour set: for red/cyan a = green, b = blue, c = white; for green
    // a = red, b = blue; for blue a = red, b = green; for a white a, b, c are
    // red, green, blue. -1 where there is no such member.
    void FindColorSet(const CProfileChannelDef* channel, int& a, int& b, int& c) const;
    // The occurrence-th other channel of `type` (counting from 0), advancing
    // `occurrence` past it; null when there is none.
    CProfileChannelDef* NextChannelOfType(int type, int& occurrence) const;

    // No first-group colour set but first-group dimmers.
    bool IsDimmerOnly() const;

    // Beam positions of the profile, at least one.
    int BeamCount() const;
    // Channels of the current mode when the tables were built.
    int AnalysedChannelCount() const { return m_channelCount; }

    const QList<CColorSet>& ColorSets(bool secondGroup = false) const
    {
        return secondGroup ? m_colorSets2 : m_colorSets1;
    }
    const QList<CPanTiltPair>& PanTiltPairs(bool secondGroup = false) const
    {
        return secondGroup ? m_panTilt2 : m_panTilt1;
    }
    // First group: dimmers serving one beam; second: dimmers serving several.
    const QList<CDimmerChannel>& Dimmers(bool secondGroup = false) const
    {
        return secondGroup ? m_dimmers2 : m_dimmers1;
    }
    const QList<CProfileChannelDef*>& ColorDimmers() const { return m_colorDimmers; }
    const QList<COtherChannel>& OtherChannels() const { return m_others; }

    bool HasColor(bool secondGroup = false) const { return !ColorSets(secondGroup).isEmpty(); }
    bool HasPanTilt(bool secondGroup = false) const { return !PanTiltPairs(secondGroup).isEmpty(); }
    bool HasDimmers(bool secondGroup = false) const { return !Dimmers(secondGroup).isEmpty(); }
    bool HasColorDimmers() const { return !m_colorDimmers.isEmpty(); }
    // The colour sets are cyan/magenta/yellow: their levels are written inverted.
    bool IsCmy() const { return m_cmy; }
    // Whites are attached to the sets of at least one group; a set may still
    // have none (the other group's).
    bool HasWhite() const { return m_hasWhite; }
    // There are pan/tilt pairs and every one of them has both fine bytes.
    bool HasFinePanTilt() const { return m_finePanTilt; }

    // Every writer of levels (layers, steps, static levels) spreads a colour
    // or a position over a set's channels by these rules, calling
    // put(channel, level) per channel, a null channel included.
    // Colour: red, green and blue inverted (255 - value) on a CMY profile;
    // white never inverted and only on a profile with white.
    template <typename Put>
    void ForEachColorLevel(const CColorSet& set, quint8 red, quint8 green, quint8 blue, quint8 white, Put put) const
    {
        const auto level = [this](quint8 value) { return m_cmy ? quint8(255 - value) : value; };
        put(set.red, level(red));
        put(set.green, level(green));
        put(set.blue, level(blue));
        if (m_hasWhite)
            put(set.white, white);
    }
    // Position: pan and tilt, then their fine bytes on a profile with 16-bit
    // pan/tilt.
    template <typename Put>
    void ForEachPanTiltLevel(const CPanTiltPair& pair, quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine,
                             Put put) const
    {
        put(pair.pan, pan);
        put(pair.tilt, tilt);
        if (m_finePanTilt) {
            put(pair.panFine, panFine);
            put(pair.tiltFine, tiltFine);
        }
    }

    const QImage& Icon() const { return m_icon; }

private:
    void ResetRoles();
    void AddPanTiltPair(CProfileChannelDef* pan, CProfileChannelDef* tilt, int beamCount);
    bool AddColorSet(CProfileChannelDef* first, CProfileChannelDef* second,
                     CProfileChannelDef* third, bool cmy, int beamCount);
    void AddOtherChannel(CProfileChannelDef* channel, int typeCounters[], int beamCount);
    void UpdateFinePanTilt();
    void AttachWhites(const QList<CProfileChannelDef*>& singleBeamWhites,
                      const QList<CProfileChannelDef*>& multiBeamWhites);

    int m_channelCount = 0;
    bool m_cmy = false;
    bool m_hasWhite = false;
    bool m_finePanTilt = false;
    QImage m_icon;
    QList<CColorSet> m_colorSets1;
    QList<CColorSet> m_colorSets2;
    QList<CPanTiltPair> m_panTilt1;
    QList<CPanTiltPair> m_panTilt2;
    QList<COtherChannel> m_others;
    QList<CDimmerChannel> m_dimmers1;
    QList<CDimmerChannel> m_dimmers2;
    QList<CProfileChannelDef*> m_colorDimmers;
};
