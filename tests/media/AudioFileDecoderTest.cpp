#include "MediaFiles.h"
#include "TestRegistry.h"

#include "Captions.h"
#include "media/AudioFileDecoder.h"
#include "model/Language.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Decoded {
    bool ok = false;
    int maxLength = 0;
    int duration = 0;
};

Decoded Decode(CAudioFileDecoder& decoder, const QString& path, bool stereo, int maxLength = 0)
{
    Decoded d;
    d.maxLength = maxLength;
    decoder.SetStereo(stereo);
    d.ok = decoder.DecodeAudioFile(path, 25, d.maxLength, d.duration);
    return d;
}

bool AllEqual(const QVector<int>& values, int expected)
{
    return std::all_of(values.begin(), values.end(), [expected](int v) { return v == expected; });
}

} // namespace

class AudioFileDecoderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Wav(const QString& name, const WavFormat& format, int frames, const SampleFn& sample)
    {
        return WriteWav(QDir(m_dir.path()), name, format, frames, sample);
    }

private slots:
    void sampleFormats_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("isFloat");
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<int>("expected");
        QTest::newRow("unsigned 8-bit") << 8 << false << 50.0 << 50;
        QTest::newRow("16-bit") << 16 << false << 10000.0 << 10000;
        QTest::newRow("32-bit") << 32 << false << 10000.0 * 65536 << 655360000;
        QTest::newRow("float as 16-bit") << 32 << true << 10000.0 / 32768 << 10000;
    }
    // 2 s of 44.1 kHz stereo, a square on the left and silence on the right.
    void sampleFormats()
    {
        QFETCH(int, bits);
        QFETCH(bool, isFloat);
        QFETCH(double, amplitude);
        QFETCH(int, expected);
        const QString path = Wav("square.wav", {44100, 2, bits, isFloat}, 88200, SquareOn(0, amplitude));
        CAudioFileDecoder decoder;
        const Decoded d = Decode(decoder, path, true);
        QVERIFY(d.ok);
        QCOMPARE(decoder.Message(), GetLangText(Txt::MediaDecoded));
        QCOMPARE(d.duration, 2000);
        QCOMPARE(d.maxLength, 2000);
        QVERIFY(decoder.IsStereo());
        QCOMPARE(decoder.LeftValues().size(), 50);
        QCOMPARE(decoder.RightValues().size(), 50);
        QVERIFY(AllEqual(decoder.LeftValues(), expected));
        QVERIFY(AllEqual(decoder.RightValues(), 0));
        QCOMPARE(decoder.LeftPeak(), expected);
        QCOMPARE(decoder.GetMediaDuration(path), 2000);
    }

    void channelMixes_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("values");
        QTest::addColumn<int>("expected");
        // Only the samples a frame really holds count: one short of 50 spans is 49.
        QTest::newRow("one sample short") << 2 << 88199 << 49 << 5500;
        QTest::newRow("mono") << 1 << 88200 << 50 << 1000;
        QTest::newRow("six channels") << 6 << 88200 << 50 << 3500;
        QTest::newRow("eight channels") << 8 << 88200 << 50 << 4500;
    }
    // Channel c at +-1000 * (c + 1), asked for stereo: only two channels stay apart.
    void channelMixes()
    {
        QFETCH(int, channels);
        QFETCH(int, frames);
        QFETCH(int, values);
        QFETCH(int, expected);
        const QString path = Wav("mix.wav", {44100, channels, 16, false}, frames,
                                 [](int i, int c) { return (i % 2 ? -1000.0 : 1000.0) * (c + 1); });
        CAudioFileDecoder decoder;
        QVERIFY(Decode(decoder, path, true).ok);
        QCOMPARE(decoder.LeftValues().size(), values);
        if (channels == 2) {
            QVERIFY(decoder.IsStereo());
            QVERIFY(AllEqual(decoder.LeftValues(), 1000));
            QVERIFY(AllEqual(decoder.RightValues(), 2000));
            return;
        }
        QVERIFY(!decoder.IsStereo());
        QVERIFY(decoder.RightValues().isEmpty());
        QVERIFY(AllEqual(decoder.LeftValues(), expected));
    }

    void maximumLengthIsKept()
    {
        const QString path = Wav("long.wav", {8000, 1, 16, false}, 8000 * 300, SquareOn(0, 300));
        CAudioFileDecoder decoder;
        const Decoded d = Decode(decoder, path, false, 60000);
        QVERIFY(d.ok);
        QCOMPARE(d.maxLength, 60000);
        QCOMPARE(d.duration, 300000);
        QCOMPARE(decoder.LeftValues().size(), 1500);
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("duration");
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        const QByteArray wav = MakeWav({8000, 1, 16, false}, 8000, SquareOn(0, 100));
        QByteArray zeroRate = wav;
        zeroRate.replace(24, 4, QByteArray(4, '\0'));
        QTest::newRow("picture") << png << "picture.png" << GetLangText(Txt::MediaNoAudioStream) << -1;
        QTest::newRow("text named mp3") << QByteArray("just some words\n").repeated(40) << "text.mp3"
                                        << GetLangText(Txt::MediaOpenFailed) << -1;
        QTest::newRow("empty") << QByteArray() << "empty.wav" << GetLangText(Txt::MediaOpenFailed) << -1;
        QTest::newRow("zero rate") << zeroRate << "zero.wav" << GetLangText(Txt::MediaOpenFailed) << -1;
        QTest::newRow("missing") << QByteArray() << "" << GetLangText(Txt::MediaOpenFailed) << -1;
        // Fewer samples a second than envelope values: nothing to average.
        QTest::newRow("rate below values") << MakeWav({20, 1, 16, false}, 20, SquareOn(0, 100)) << "slow.wav"
                                           << GetLangText(Txt::MediaDecoderFailed) << 1000;
    }
    void badFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(int, duration);
        const QString path = m_dir.filePath(name.isEmpty() ? QStringLiteral("nowhere.wav") : name);
        if (!name.isEmpty())
            QVERIFY(WriteTestFile(path, bytes));
        CAudioFileDecoder decoder;
        const Decoded d = Decode(decoder, path, true, 5000);
        QVERIFY(!d.ok);
        QCOMPARE(decoder.Message(), message);
        QCOMPARE(d.maxLength, qMin(5000, duration < 0 ? 5000 : duration));
        QCOMPARE(decoder.GetMediaDuration(path), duration);
        QVERIFY(decoder.LeftValues().isEmpty());
    }

    void shortFiles_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("values");
        QTest::newRow("cut short") << 8000 << 44 + 3200 << 5;
        QTest::newRow("no samples") << 0 << 44 << 0;
    }
    // A file cut off, or empty of sound, decodes what it holds.
    void shortFiles()
    {
        QFETCH(int, frames);
        QFETCH(int, bytes);
        QFETCH(int, values);
        const QString path = Wav("cut.wav", {8000, 1, 16, false}, frames, SquareOn(0, 100));
        QVERIFY(QFile::resize(path, bytes));
        CAudioFileDecoder decoder;
        QVERIFY(Decode(decoder, path, false).ok);
        QCOMPARE(decoder.LeftValues().size(), values);
        QVERIFY(AllEqual(decoder.LeftValues(), 100));
    }

    // An impulse through the 1 kHz low-pass of an 8 kHz file shows the filter's taps.
    void bandFilter()
    {
        CAudioFileDecoder decoder;
        QVERIFY(Decode(decoder, Wav("rate.wav", {8000, 1, 16, false}, 800, SquareOn(0, 1)), false).ok);
        QVector<int> impulse(21, 0);
        impulse[10] = 1000;
        decoder.BandFilter(impulse.constData(), impulse.size(), 1000, 0);
        const QVector<int>& out = decoder.FilterOutput();
        QCOMPARE(out.size(), 21);
        QCOMPARE(out[10], 250);
        QCOMPARE(out[9], 220);
        QCOMPARE(out[11], 220);
        QCOMPARE(out[8], 146);
        QCOMPARE(out[7], 62);
        QCOMPARE(decoder.FilterPeak(), 250);
    }
};

ORVANE_TEST(AudioFileDecoderTest)
#include "AudioFileDecoderTest.moc"
