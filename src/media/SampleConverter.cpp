#include "media/SampleConverter.h"

void CSampleConverter::SetOutput(int rate, int channels)
{
    m_wantRate = qMax(rate, 0);
    m_wantChannels = qMax(channels, 0);
    m_swr.reset();
    m_inFormat = -1;
}

bool CSampleConverter::Prepare(const AVFrame* frame)
{
    const int channels = frame->ch_layout.nb_channels;
    if (channels < 1 || frame->sample_rate < 1 || frame->nb_samples < 0)
        return false;
    if (m_swr && frame->format == m_inFormat && frame->sample_rate == m_inRate && channels == m_inChannels)
        return true;
    m_swr.reset();
    m_inFormat = frame->format;
    m_inRate = frame->sample_rate;
    m_inChannels = channels;
    m_outRate = m_wantRate ? m_wantRate : m_inRate;
    m_outChannels = m_wantChannels ? m_wantChannels : m_inChannels;
    // Files often leave the channel order unspecified; the usual order for
    // the count is what a player assumes too.
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, m_inChannels);
    av_channel_layout_default(&outLayout, m_outChannels);
    SwrContext* raw = nullptr;
    const int made = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, m_outRate, &inLayout,
                                         AVSampleFormat(m_inFormat), m_inRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    SwrPtr swr(raw);
    if (made < 0 || swr_init(swr.get()) < 0)
        return false;
    m_swr = std::move(swr);
    return true;
}

int CSampleConverter::Run(const uint8_t* const* input, int inSamples)
{
    const int capacity = swr_get_out_samples(m_swr.get(), inSamples);
    if (capacity < 0 || capacity > kMaxOutSamples)
        return -1;
    m_out.resize(size_t(qMax(capacity, 1)) * size_t(m_outChannels));
    uint8_t* out = reinterpret_cast<uint8_t*>(m_out.data());
    return swr_convert(m_swr.get(), &out, capacity, const_cast<const uint8_t**>(input), inSamples);
}

int CSampleConverter::Convert(const AVFrame* frame)
{
    if (!Prepare(frame))
        return -1;
    return Run(frame->extended_data, frame->nb_samples);
}

int CSampleConverter::Flush()
{
    return m_swr ? Run(nullptr, 0) : 0;
}
