#pragma once

#include "effects/Effect.h"
#include "effects/StepRecords.h"

#include <QList>
#include <QVector>

class CFixtureProfile;
class CLibraryProfile;
class CProfileChannelDef;

// Waveform parameters of one curve channel.
struct CCurveParam
{
    enum Waveform : int { Sinus = 0, Square = 1, Triangle = 2, Pulse = 3 };

    int m_type = Sinus;
    int m_phi = 0;
    int m_offset2 = 0;
    int m_direction = 0;
    int m_ampli = 255;
    int m_phase = 0;
    int m_offset = 127;
    int m_fade = 40;
    float m_ratio = 5.0f; // stored as a whole number of hundredths
    bool m_fine = false;

    void Reset() { *this = CCurveParam(); }
};

// Every curve table has this many points, each a 16-bit level.
constexpr int kCurvePoints = 200;

// Ordinary channels driven by periodic waveforms. Each curve channel stands
// for one channel of the profile (a channel type and its occurrence number);
// the seven channel lists are parallel.
class CCurveEffect : public CEffect
{
public:
    // Reader: precision 0, no channels.
    CCurveEffect();
    // New: precision 4 (200 points).
    explicit CCurveEffect(int length);
    // Channels are copied only when the source's parameter, flag and table
    // lists agree; outputs only when there is exactly one list per channel.
    CCurveEffect(const CCurveEffect& other);

    QString GetName() const override;
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    // 25, 50, 100 for precision 1, 2, 3; 200 otherwise.
    static int PointCountOf(int precision);
    int ChannelCount() const { return m_params.size(); }

    // Channel list operations (CurveEffect.cpp). AddChannel replaces the
    // definition of the channel with the same type and occurrence, or
    // appends an inactive channel; either way the counter grows by one.
    void AddChannel(CProfileChannelDef* def, int& counter);
    void RemoveChannel(int index);
    void ClearChannels();
    void ClearChannelRecords();
    void SetChannelsFromProfile(CLibraryProfile* profile, bool keep);
    // The profile leaves the library: its channels are no longer named (the
    // curves stay, known by type and occurrence as when read from a file).
    void ForgetChannelsOf(const CFixtureProfile& profile);

    int m_precision = 0;
    int m_pointCount = 0;
    int m_currentChannel = 0;
    float m_pointTime = 0.0f; // m_len / m_pointCount
    bool m_onMatrix = false;
    bool m_regenerateAll = true;
    QList<CCurveParam> m_params;
    QList<bool> m_activeChannels;
    QList<QVector<int>> m_tables; // kCurvePoints entries each
    QList<int> m_chanTypes;       // channel type 1-34
    QList<unsigned char> m_chanNums; // occurrence of that type in the profile
    QList<CProfileChannelDef*> m_channelDefs; // not owned; may be null
    // Per channel, one record per beam entry of the effect.
    QList<QList<CChannelStepRecord>> m_outputs;

private:
    // One channel more on every parallel list but the outputs.
    void AppendChannel(const CCurveParam& param, bool active, const QVector<int>& table, int type,
                       unsigned char number, CProfileChannelDef* def);
};
