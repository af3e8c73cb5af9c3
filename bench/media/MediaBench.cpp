// Sound envelopes and the sound thread on a 5-minute 44.1 kHz stereo file:
// the envelope decode (WAV and AAC), the band filter over the envelope, and
// how long the GUI thread is held while the sound thread fills the PCM that
// it reads (each read of 4 KiB as an audio output makes, and the restart and
// cancel of a run). Build it in Release for meaningful times:
//   cmake -S . -B build/benchmedia -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build/benchmedia --target bench_media && build/benchmedia/bench/bench_media

#include "MediaFiles.h"

#include "media/AudioFileDecoder.h"
#include "media/PcmBuffer.h"
#include "media/SoundThread.h"
#include "model/Language.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

void Envelope(const char* label, const QString& path)
{
    std::vector<double> decode, filter;
    CAudioFileDecoder decoder;
    int values = 0;
    for (int run = 0; run < 5; ++run) {
        int maxLength = 0, duration = 0;
        decoder.SetStereo(true);
        QElapsedTimer t;
        t.start();
        if (!decoder.DecodeAudioFile(path, 25, maxLength, duration)) {
            std::printf("%s: %s\n", label, qPrintable(decoder.Message()));
            return;
        }
        decode.push_back(Ms(t));
        values = decoder.LeftValues().size();
        for (int f = 0; f < 20; ++f) {
            t.restart();
            decoder.BandFilter(decoder.LeftValues().constData(), values, 500, 2000);
            filter.push_back(Ms(t));
        }
    }
    std::printf("%-24s envelope %6.1f ms (%d values), band filter %6.3f ms\n", label, Median(decode), values,
                Median(filter));
}

// Reads like an audio output, but as fast as it can, for 300 ms a run; with
// running false only the reads, to show what the machine itself adds.
void SoundThread(const QString& path, bool running)
{
    CPcmBuffer pcm;
    pcm.open(QIODevice::ReadOnly);
    CSoundThread thread;
    if (!thread.Open(path, &pcm))
        return;
    // Each read is paired with a call that takes no lock: its long calls are
    // the machine's scheduling, not the PCM's lock.
    std::vector<double> reads, probes;
    double longestStart = 0, longestCancel = 0;
    char block[4096];
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        if (running)
            thread.Start(run * 60000, run + 1);
        longestStart = std::max(longestStart, Ms(t));
        pcm.seek(0);
        QElapsedTimer runClock;
        runClock.start();
        while (runClock.elapsed() < 300) {
            t.restart();
            pcm.read(block, sizeof block);
            reads.push_back(Ms(t));
            t.restart();
            pcm.size();
            probes.push_back(Ms(t));
        }
        t.restart();
        thread.Cancel();
        longestCancel = std::max(longestCancel, Ms(t));
    }
    const char* label = running ? "sound thread running" : "reads alone         ";
    for (std::vector<double>* v : {&reads, &probes}) {
        std::sort(v->begin(), v->end());
        const long over1 = long(v->end() - std::upper_bound(v->begin(), v->end(), 1.0));
        const long over5 = long(v->end() - std::upper_bound(v->begin(), v->end(), 5.0));
        std::printf("%s: %zu %s: median %.4f ms, 99.99%% %.3f ms, longest %.3f ms, %ld over 1 ms, %ld over 5 ms\n",
                    label, v->size(), v == &reads ? "reads of 4 KiB" : "lock-free probes", (*v)[v->size() / 2],
                    (*v)[v->size() * 9999 / 10000], v->back(), over1, over5);
    }
    std::printf("%s: longest restart %.3f ms, cancel %.3f ms\n", label, longestStart, longestCancel);
    if (!running)
        return;
    thread.Start(0, 9);
    QElapsedTimer t;
    t.start();
    thread.wait();
    std::printf("sound thread: one 5-minute run %.1f ms, %lld PCM bytes\n", Ms(t), pcm.size());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    QTemporaryDir dir;
    const int frames = 44100 * 300;
    const QString wav = dir.filePath("five.wav");
    if (!WriteTestFile(wav, MakeWav({44100, 2, 16, false}, frames, [](int i, int c) {
            return (c ? 4000.0 : 9000.0) * std::sin(i * 0.031);
        })))
        return 1;
    VideoRecipe aac;
    aac.video = AV_CODEC_ID_NONE;
    aac.audio = AV_CODEC_ID_AAC;
    aac.frames = 25 * 300;
    const QString mkv = dir.filePath("five.mkv");
    if (!EncodeVideo(mkv, aac))
        return 1;
    Envelope("5 min stereo WAV", wav);
    Envelope("5 min stereo AAC", mkv);
    SoundThread(wav, false);
    SoundThread(wav, true);
    return 0;
}
