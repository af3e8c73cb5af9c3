#pragma once

#include "media/FfmpegSupport.h"

#include <vector>

// Turns decoded sound frames into interleaved signed 16-bit samples at a
// chosen rate and channel count (or the frame's own), rebuilding its
// resampler when a stream changes format midway.
class CSampleConverter
{
public:
    // 0 keeps the frame's own rate or channel count.
    void SetOutput(int rate, int channels);

    // More samples per channel than one frame ever converts to: some twenty
    // seconds at 48 kHz, while a file claiming a rate of 1 Hz would have a
    // frame of a few thousand samples ask for gigabytes.
    static constexpr int kMaxOutSamples = 1 << 20;

    // Samples per channel now in Samples(); -1 when the frame cannot be
    // converted, or would convert to more than kMaxOutSamples.
    int Convert(const AVFrame* frame);
    // What the resampler still holds at the end of the stream.
    int Flush();

    const int16_t* Samples() const { return m_out.data(); }
    int Channels() const { return m_outChannels; }
    int Rate() const { return m_outRate; }

private:
    bool Prepare(const AVFrame* frame);
    int Run(const uint8_t* const* input, int inSamples);

    SwrPtr m_swr;
    int m_wantRate = 0;
    int m_wantChannels = 0;
    int m_inFormat = -1;
    int m_inRate = 0;
    int m_inChannels = 0;
    int m_outRate = 0;
    int m_outChannels = 0;
    std::vector<int16_t> m_out;
};
