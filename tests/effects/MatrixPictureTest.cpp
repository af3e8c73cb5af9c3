#include "EffectRig.h"
#include "FileBytes.h"
#include "TestRegistry.h"

#include "effects/EffectEngine.h"
#include "effects/MatrixGifEffect.h"
#include "effects/MatrixMediaEffect.h"
#include "effects/MatrixTextEffect.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <vector>

static char* toString(const CRgbwColor& color)
{
    return qstrdup(QStringLiteral("(%1,%2,%3,%4)").arg(color.r).arg(color.g).arg(color.b).arg(color.w).toLatin1());
}

namespace {

const CRgbwColor kBlack;
const CRgbwColor kRed(255, 0, 0, 0);
const CRgbwColor kGreen(0, 255, 0, 0);
const CRgbwColor kBlue(0, 0, 255, 0);

// A GIF of palette indexes 0..3, one frame after the other, written by hand
// so that the test needs no encoder: every LZW code is 3 bits wide because a
// clear code follows every two pixels.
QByteArray MakeGif(int width, int height, const std::vector<QRgb>& palette,
                   const std::vector<std::vector<int>>& frames, bool loop)
{
    QByteArray out("GIF89a");
    auto u16 = [&out](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    u16(width);
    u16(height);
    out.append(char(0x81)); // global colour table of 4 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 4; ++i) {
        const QRgb c = i < int(palette.size()) ? palette[i] : 0;
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    if (loop)
        out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (const std::vector<int>& frame : frames) {
        out.append("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);
        out.append(char(0x2C));
        u16(0);
        u16(0);
        u16(frame.size() == 1 ? 1 : width);
        u16(frame.size() == 1 ? 1 : height);
        out.append(char(0));
        out.append(char(2)); // minimum code size: clear 4, end 5
        std::vector<int> codes;
        for (size_t i = 0; i < frame.size(); ++i) {
            if (i % 2 == 0)
                codes.push_back(4);
            codes.push_back(frame[i]);
        }
        codes.push_back(5);
        QByteArray data;
        unsigned bits = 0;
        int count = 0;
        for (int code : codes) {
            bits |= unsigned(code) << count;
            count += 3;
            while (count >= 8) {
                data.append(char(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        }
        if (count > 0)
            data.append(char(bits & 0xFF));
        for (int i = 0; i < data.size(); i += 255) {
            const int n = qMin(255, data.size() - i);
            out.append(char(n));
            out.append(data.mid(i, n));
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}

template <class Effect>
Effect* OnMatrix(Effect* effect, int rows, int columns)
{
    effect->m_rows = rows;
    effect->m_cols = columns;
    effect->m_fade = 40;
    return effect;
}

QSet<quint32> ColorsOf(const CEffectEngine& engine)
{
    QSet<quint32> colors;
    for (int s = 0; s < engine.m_stepCount; ++s)
        for (const CRgbwColor& c : RawStep(engine, s))
            colors << (quint32(c.r) << 24 | quint32(c.g) << 16 | quint32(c.b) << 8 | c.w);
    return colors;
}

quint32 Key(const CRgbwColor& c)
{
    return quint32(c.r) << 24 | quint32(c.g) << 16 | quint32(c.b) << 8 | c.w;
}

QFont TestFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

CMatrixTextEffect* NewText(int rows, int columns, const QString& text, const QFont& font, int direction,
                           const CRgbwColor& textColor, const CRgbwColor& backColor)
{
    auto* effect = OnMatrix(new CMatrixTextEffect, rows, columns);
    effect->m_text = text;
    effect->m_font = font;
    effect->m_direction = direction;
    effect->m_textColor = textColor;
    effect->m_backColor = backColor;
    return effect;
}

} // namespace

class MatrixPictureTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QString WriteFile(const QString& name, const QByteArray& bytes) { return WrittenFile(Path(name), bytes); }

    // A picture of 2 x 2 blocks: block (column c, row r) has colour (30c, 60r, 100).
    QString WriteBlockPicture(const QString& name, int columns, int rows)
    {
        QImage image(2 * columns, 2 * rows, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(30 * (x / 2), 60 * (y / 2), 100));
        image.save(Path(name), "PNG");
        return Path(name);
    }

    static const std::vector<QRgb>& Palette()
    {
        static const std::vector<QRgb> palette{qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        return palette;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // ---- Still pictures ----

    void stillPictureSampledOntoTwoByTwo()
    {
        QImage image(4, 4, QImage::Format_RGB32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                image.setPixel(x, y, y < 2 ? (x < 2 ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                                           : (x < 2 ? qRgb(0, 0, 255) : qRgb(10, 20, 30)));
        QVERIFY(image.save(Path("quarters.png"), "PNG"));

        CEffectEngine engine;
        auto* effect = OnMatrix(new CMatrixMediaEffect, 2, 2);
        effect->m_file = Path("quarters.png");
        engine.SetEffect(effect);
        QCOMPARE(engine.GenerateMatrixMedia(), 40);
        QCOMPARE(engine.m_stepCount, 1);
        QCOMPARE(RawStep(engine, 0), (QVector<CRgbwColor>{kRed, kGreen, kBlue, CRgbwColor(10, 20, 30, 0)}));
        QCOMPARE(effect->m_len, 40);
    }

    void pictureOfAnySizeFillsEightByFour()
    {
        CEffectEngine engine;
        auto* effect = OnMatrix(new CMatrixMediaEffect, 4, 8);
        effect->m_file = WriteBlockPicture("blocks.png", 8, 4);
        engine.SetEffect(effect);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 1);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 8; ++c)
                QCOMPARE(RawColor(engine, 8 * r + c, 0), CRgbwColor(30 * c, 60 * r, 100, 0));
    }

    void missingOrUndecodablePictureKeepsTheSteps()
    {
        CEffectEngine engine;
        auto* effect = OnMatrix(new CMatrixMediaEffect, 4, 8);
        effect->m_file = WriteBlockPicture("kept.png", 8, 4);
        engine.SetEffect(effect);
        engine.GenerateEffect();
        const QVector<CRgbwColor> before = RawStep(engine, 0);

        QFile real(effect->m_file);
        QVERIFY(real.open(QIODevice::ReadOnly));
        const QByteArray png = real.readAll();
        const QStringList bad{
            Path("absent.png"),
            m_dir.path(), // a folder
            WriteFile("garbage.png", QByteArray(300, '\x5A')),
            WriteFile("truncated.png", png.left(40)),
            WriteFile("empty.gif", QByteArray()),
        };
        for (const QString& file : bad) {
            effect->m_file = file;
            effect->m_len = 999;
            QCOMPARE(engine.GenerateMatrixMedia(), 0);
            QCOMPARE(effect->m_len, 0);
            QCOMPARE(engine.m_stepCount, 1);
            QCOMPARE(RawStep(engine, 0), before);
        }
    }

    void hugeDeclaredSizesAreRefusedBeforeDecoding()
    {
        // Headers that declare pictures of billions of pixels and hold almost nothing.
        QByteArray bmp("BM");
        auto u32 = [&bmp](quint32 v) {
            for (int i = 0; i < 4; ++i)
                bmp.append(char((v >> (8 * i)) & 0xFF));
        };
        u32(54);
        u32(0);
        u32(54);
        u32(40);
        u32(50000);
        u32(50000);
        bmp.append("\x01\x00\x18\x00", 4);
        for (int i = 0; i < 6; ++i)
            u32(0);
        // A one-pixel frame on a logical screen of 60000 x 60000, and of 6000 x 6000
        // (144 MB of pixels, which the image library itself would allocate).
        QByteArray gif = MakeGif(2, 2, Palette(), {{1}}, false);
        QByteArray largeGif = gif;
        gif[6] = gif[8] = char(0x60);
        gif[7] = gif[9] = char(0xEA);
        largeGif[6] = largeGif[8] = char(0x70);
        largeGif[7] = largeGif[9] = char(0x17);

        CEffectEngine engine;
        auto* effect = OnMatrix(new CMatrixMediaEffect, 2, 2);
        engine.SetEffect(effect);
        for (int type : {int(CMatrixMediaEffect::Picture), int(CMatrixMediaEffect::AnimatedPicture)}) {
            effect->m_mediaType = type;
            effect->m_file = WriteFile("huge.bmp", bmp);
            QCOMPARE(engine.GenerateMatrixMedia(), 0);
            effect->m_file = WriteFile("huge.gif", gif);
            QCOMPARE(engine.GenerateMatrixMedia(), 0);
            effect->m_file = WriteFile("large.gif", largeGif);
            QCOMPARE(engine.GenerateMatrixMedia(), 0);
        }
        QCOMPARE(engine.m_stepCount, 0);
    }

    // ---- Animated pictures ----

    void animatedPictureGivesOneStepPerFrame()
    {
        // Pixel order of each frame: (0,0) (1,0) (0,1) (1,1).
        const std::vector<std::vector<int>> frames{{1, 2, 3, 0}, {2, 3, 0, 1}, {3, 3, 3, 3}};
        for (bool loop : {false, true}) {
            CEffectEngine engine;
            auto* effect = OnMatrix(new CMatrixGifEffect, 2, 2);
            effect->m_file = WriteFile(QStringLiteral("anim%1.gif").arg(loop), MakeGif(2, 2, Palette(), frames, loop));
            engine.SetEffect(effect);
            engine.GenerateEffect();
            QCOMPARE(engine.m_stepCount, 3);
            QCOMPARE(effect->m_len, 120);
            QCOMPARE(RawStep(engine, 0), (QVector<CRgbwColor>{kRed, kGreen, kBlue, kBlack}));
            QCOMPARE(RawStep(engine, 1), (QVector<CRgbwColor>{kGreen, kBlue, kBlack, kRed}));
            QCOMPARE(RawStep(engine, 2), (QVector<CRgbwColor>{kBlue, kBlue, kBlue, kBlue}));
        }
    }

    // Every frame is decoded at the declared size: many one-pixel frames on a
    // large screen would take minutes, and are refused as too large.
    void animationDecodingTooMuchMakesNoSteps()
    {
        QByteArray gif = MakeGif(2, 2, Palette(), std::vector<std::vector<int>>(200, {1}), false);
        gif[6] = gif[8] = char(0x88); // a screen of 5000 x 5000
        gif[7] = gif[9] = char(0x13);
        CEffectEngine engine;
        auto* effect = OnMatrix(new CMatrixGifEffect, 2, 2);
        effect->m_file = WriteFile("many.gif", gif);
        engine.SetEffect(effect);
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 0);
        QCOMPARE(effect->m_len, 0);
        QVERIFY(engine.TooLarge());
    }

    void animatedPictureIsScaledToTheMatrix()
    {
        std::vector<int> red(16, 1);
        std::vector<int> blue(16, 3);
        CEffectEngine engine;
        auto* effect = OnMatrix(new CMatrixMediaEffect, 2, 3);
        effect->m_mediaType = CMatrixMediaEffect::AnimatedPicture;
        effect->m_file = WriteFile("big.gif", MakeGif(4, 4, Palette(), {red, blue}, false));
        engine.SetEffect(effect);
        QCOMPARE(engine.GenerateMatrixMedia(), 80);
        QCOMPARE(RawStep(engine, 0), QVector<CRgbwColor>(6, kRed));
        QCOMPARE(RawStep(engine, 1), QVector<CRgbwColor>(6, kBlue));
    }

    void brokenAnimatedPictureMakesNoSteps()
    {
        QByteArray gif = MakeGif(2, 2, Palette(), {{1, 1, 1, 1}, {2, 2, 2, 2}}, false);
        CEffectEngine engine;
        auto* effect = OnMatrix(new CMatrixGifEffect, 2, 2);
        engine.SetEffect(effect);
        for (const QByteArray& bytes : {gif.left(13), gif.left(6), QByteArray("GIF89a\xFF\xFF\xFF\xFF", 10)}) {
            effect->m_file = WriteFile("broken.gif", bytes);
            effect->m_len = 999;
            engine.GenerateEffect();
            QCOMPARE(effect->m_len, 0);
            QCOMPARE(engine.m_stepCount, 0);
        }
        effect->m_file.clear();
        engine.GenerateEffect();
        QCOMPARE(effect->m_len, 0);
    }

    // ---- Stored frames ----

    void storedFramesAreSampledAndANullFrameIsBlack()
    {
        QImage red(5, 3, QImage::Format_RGB32);
        red.fill(qRgb(255, 0, 0));
        QImage blue(1, 1, QImage::Format_ARGB32);
        blue.fill(qRgb(0, 0, 255));
        CEffectEngine engine;
        auto* effect = OnMatrix(new CMatrixMediaEffect, 2, 2);
        effect->m_mediaType = CMatrixMediaEffect::StoredFrames;
        QImage green(2, 2, QImage::Format_RGB32);
        green.fill(qRgb(0, 255, 0));
        effect->m_frames = {red, green, blue};
        engine.SetEffect(effect);
        engine.GenerateMatrixMedia();
        QCOMPARE(RawStep(engine, 1), QVector<CRgbwColor>(4, kGreen));
        // A frame that could not be decoded: black, not what the step held before.
        effect->m_frames[1] = QImage();
        QCOMPARE(engine.GenerateMatrixMedia(), 120);
        QCOMPARE(engine.m_stepCount, 3);
        QCOMPARE(RawStep(engine, 0), QVector<CRgbwColor>(4, kRed));
        QCOMPARE(RawStep(engine, 1), QVector<CRgbwColor>(4, kBlack));
        QCOMPARE(RawStep(engine, 2), QVector<CRgbwColor>(4, kBlue));

        effect->m_frames.clear();
        QCOMPARE(engine.GenerateMatrixMedia(), 0);
        QCOMPARE(engine.m_stepCount, 3);
    }

    void sourceSizeIgnoresNonPositiveSizes()
    {
        CMatrixMediaEffect effect;
        effect.m_frames << QImage(2, 2, QImage::Format_RGB32);
        for (const QSize& size : {QSize(0, 5), QSize(5, 0), QSize(-4, -4)}) {
            effect.SetSourceSize(size.width(), size.height());
            QCOMPARE(effect.m_frameWidth, 100);
            QCOMPARE(effect.m_frameHeight, 100);
            QCOMPARE(effect.m_frames.size(), 1);
        }
        effect.SetSourceSize(300, 150);
        QCOMPARE(effect.m_frameWidth, 100);
        QCOMPARE(effect.m_frameHeight, 50);
    }

    // ---- Text: colours only, never glyph shapes ----

    void emptyTextShowsTheBackColourAsTheImageHoldsIt()
    {
        CEffectEngine engine;
        // 16-bit image: red 10 -> 1 -> 8, green 20 -> 5 -> 20, blue 30 -> 3 -> 24; white always 0.
        engine.SetEffect(NewText(3, 4, QString(), TestFont(8, false), 0, kRed, CRgbwColor(10, 20, 30, 77)));
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 1);
        QCOMPARE(engine.Effect()->m_len, 40);
        QCOMPARE(RawStep(engine, 0), QVector<CRgbwColor>(12, CRgbwColor(8, 20, 24, 0)));
    }

    void textPixelsAreTextOrBackColour()
    {
        CEffectEngine engine;
        engine.SetEffect(NewText(24, 32, QStringLiteral("MW"), TestFont(24, true), 0, CRgbwColor(255, 0, 0, 90),
                                 CRgbwColor(0, 0, 255, 40)));
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, 1);
        const QSet<quint32> colors = ColorsOf(engine);
        QVERIFY(colors.contains(Key(kRed)));  // pure red survives the 16-bit image
        QVERIFY(colors.contains(Key(kBlue)));
        for (const CRgbwColor& c : RawStep(engine, 0)) {
            QCOMPARE(int(c.g), 0);
            QCOMPARE(int(c.w), 0);
        }
    }

    void textColourIsReducedToSixteenBits()
    {
        CEffectEngine engine;
        // (100, 100, 100): red 12 of 31 -> 99, green 25 of 63 -> 101, blue 99.
        engine.SetEffect(NewText(24, 32, QStringLiteral("MW"), TestFont(24, true), 0, CRgbwColor(100, 100, 100, 0),
                                 kBlack));
        engine.GenerateEffect();
        QVERIFY(ColorsOf(engine).contains(Key(CRgbwColor(99, 101, 99, 0))));
        for (const CRgbwColor& c : RawStep(engine, 0))
            QVERIFY(c.r <= 99 && c.g <= 101 && c.b <= 99);
    }

    void offsetsOffTheMatrixGiveAPlainBackFrame()
    {
        for (const QPoint& offset : {QPoint(1000, 0), QPoint(0, -1000), QPoint(INT_MIN, INT_MAX),
                                     QPoint(INT_MAX, INT_MIN)}) {
            CEffectEngine engine;
            CMatrixTextEffect* effect =
                NewText(8, 8, QStringLiteral("MW"), TestFont(8, true), 0, kRed, CRgbwColor(0, 0, 255, 0));
            effect->m_hOffset = offset.x();
            effect->m_vOffset = offset.y();
            engine.SetEffect(effect);
            engine.GenerateEffect();
            QCOMPARE(RawStep(engine, 0), QVector<CRgbwColor>(64, kBlue));
        }
    }

    void scrollingTextMovesOnePixelPerStep()
    {
        CEffectEngine engine;
        // A text narrower than the matrix: the image is as wide as the matrix.
        engine.SetEffect(NewText(8, 40, QStringLiteral("."), TestFont(6, false), 1, kRed, kBlack));
        engine.GenerateEffect();
        const int n = engine.m_stepCount;
        QCOMPARE(n, 80);
        QCOMPARE(engine.Effect()->m_len, 3200);
        QCOMPARE(RawStep(engine, 0), QVector<CRgbwColor>(320, kBlack));
        QVector<QVector<CRgbwColor>> left;
        for (int s = 0; s < n; ++s)
            left << RawStep(engine, s);
        QVERIFY(ColorsOf(engine).size() > 1); // the dot shows somewhere
        for (int s = 0; s + 1 < n; ++s)
            for (int r = 0; r < 8; ++r)
                for (int c = 0; c + 1 < 40; ++c)
                    QCOMPARE(left[s + 1][40 * r + c], left[s][40 * r + c + 1]);

        engine.SetEffect(NewText(8, 40, QStringLiteral("."), TestFont(6, false), 2, kRed, kBlack));
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, n);
        for (int s = 0; s < n; ++s)
            QCOMPARE(RawStep(engine, s), left[n - 1 - s]);
    }

    void verticalTextScrollsUpAndDown()
    {
        CEffectEngine engine;
        engine.SetEffect(NewText(6, 12, QStringLiteral("Hi"), TestFont(8, true), 3, kGreen, kBlack));
        engine.GenerateEffect();
        const int n = engine.m_stepCount;
        QVERIFY(n > 6);
        QVector<QVector<CRgbwColor>> up;
        for (int s = 0; s < n; ++s)
            up << RawStep(engine, s);
        QCOMPARE(up.first(), QVector<CRgbwColor>(72, kBlack));
        QVERIFY(ColorsOf(engine).size() > 1);
        for (int s = 0; s + 1 < n; ++s)
            for (int r = 0; r + 1 < 6; ++r)
                for (int c = 0; c < 12; ++c)
                    QCOMPARE(up[s + 1][12 * r + c], up[s][12 * (r + 1) + c]);

        // One word: direction 4 keeps it and plays the frames backwards.
        engine.SetEffect(NewText(6, 12, QStringLiteral("Hi"), TestFont(8, true), 4, kGreen, kBlack));
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, n);
        for (int s = 0; s < n; ++s)
            QCOMPARE(RawStep(engine, s), up[n - 1 - s]);
    }

    void verticalTextDownReversesTheWords()
    {
        CEffectEngine engine;
        engine.SetEffect(NewText(5, 10, QStringLiteral("Ba Ab"), TestFont(7, false), 3, kRed, kBlack));
        engine.GenerateEffect();
        const int n = engine.m_stepCount;
        QVector<QVector<CRgbwColor>> up;
        for (int s = 0; s < n; ++s)
            up << RawStep(engine, s);

        engine.SetEffect(NewText(5, 10, QStringLiteral("Ab Ba"), TestFont(7, false), 4, kRed, kBlack));
        engine.GenerateEffect();
        QCOMPARE(engine.m_stepCount, n);
        for (int s = 0; s < n; ++s)
            QCOMPARE(RawStep(engine, s), up[n - 1 - s]);
    }

    void hostileTextMakesNoCrash()
    {
        CEffectEngine engine;
        // Far too wide an image: no steps, length 0.
        CMatrixTextEffect* wide = NewText(8, 8, QString(4096, QLatin1Char('W')), TestFont(8, false), 1, kRed, kBlack);
        wide->m_font.setPointSize(1000);
        engine.SetEffect(wide);
        engine.GenerateEffect();
        QCOMPARE(wide->m_len, 0);
        QCOMPARE(engine.m_stepCount, 0);

        // Words of nothing but spaces: only back colour.
        engine.SetEffect(NewText(4, 4, QString(4096, QLatin1Char(' ')), TestFont(8, false), 3, kRed, kBlue));
        engine.GenerateEffect();
        QVERIFY(engine.m_stepCount >= 4);
        QCOMPARE(ColorsOf(engine), QSet<quint32>{Key(kBlue)});

        for (int direction : {-7, 0, 1, 2, 3, 4, 99}) {
            CMatrixTextEffect* text = NewText(1, 1, QStringLiteral("a b"), QFont(), direction, kRed, kBlue);
            engine.SetEffect(text);
            engine.GenerateEffect();
            QVERIFY(text->m_len >= 40);
        }
    }
};

ORVANE_TEST(MatrixPictureTest)
#include "MatrixPictureTest.moc"
