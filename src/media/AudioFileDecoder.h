#pragma once

#include "media/SampleConverter.h"

#include <QString>
#include <QVector>

// Turns the sound of a media file into the short envelope the timeline
// draws: one value per span (40 ms at 25 values a second), the mean absolute
// sample over it, per channel or mixed. The whole sound is never kept.
class CAudioFileDecoder
{
public:
    // The caller's wish for two envelopes; after a decode it stays set only
    // when the file has exactly two channels.
    void SetStereo(bool stereo) { m_stereo = stereo; }
    bool IsStereo() const { return m_stereo; }

    // maxLength (ms): in, the longest envelope wanted (<= 0: the whole
    // file); out, cut to the file's duration when that is known and shorter.
    // duration: out, the file's duration in ms, -1 when unknown.
    bool DecodeAudioFile(const QString& path, int valuesPerSecond, int& maxLength, int& duration);
    // ms, or -1 when the file cannot be read or does not say.
    int GetMediaDuration(const QString& path);
    // A 21-tap windowed-sinc low-pass at f1 Hz, shifted to a band around f2
    // Hz when f2 > 0, against the rate of the last decoded file.
    void BandFilter(const int* values, int count, int f1, int f2);

    void ClearValues();

    const QVector<int>& LeftValues() const { return m_left; }
    const QVector<int>& RightValues() const { return m_right; }
    int LeftPeak() const { return m_leftPeak; }
    int RightPeak() const { return m_rightPeak; }
    const QVector<int>& FilterOutput() const { return m_filtered; }
    int FilterPeak() const { return m_filterPeak; }
    const QString& Message() const { return m_message; }
    int Channels() const { return m_channels; }
    int SampleRate() const { return m_sampleRate; }

private:
    bool Decode(AVFormatContext* format, int stream, AVCodecContext* codec);
    bool TakeFrame(const AVFrame* frame);
    template <typename T, int Zero>
    bool Accumulate(const uint8_t* const* data, bool planar, int frames);
    bool CloseValue();

    bool m_stereo = false;
    int m_channels = 0;
    int m_sampleRate = 0;
    int m_samplesPerValue = 0;
    qint64 m_valueLimit = 0;
    int m_counter = 0;
    QVector<qint64> m_sums;
    CSampleConverter m_converter;
    QString m_message;
    QVector<int> m_left;
    QVector<int> m_right;
    int m_leftPeak = 0;
    int m_rightPeak = 0;
    QVector<int> m_filtered;
    int m_filterPeak = 0;
};
