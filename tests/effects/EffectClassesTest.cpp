#include "TestRegistry.h"
#include "XmlText.h"

#include "../model/LibraryProfileBuilder.h"
#include "effects/CurveEffect.h"
#include "effects/EffectParams.h"
#include "effects/GradientEffect.h"
#include "effects/MatrixAnimEffect.h"
#include "effects/MatrixGifEffect.h"
#include "effects/MatrixMediaEffect.h"
#include "effects/MatrixTextEffect.h"
#include "effects/PanTiltEffect.h"
#include "effects/PresetEffect.h"
#include "effects/TrichroEffect.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/PatchedFixture.h"
#include "model/XmlDocument.h"

#include <QBuffer>
#include <QPair>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// A document whose current element is a fresh effect element, as the show
// writer hands it to Save.
QDomElement NewEffectElement(CXmlDocument& doc)
{
    doc.NewDocument();
    doc.AddElement(QStringLiteral("ZKEffect"), doc.CurrentElement());
    return doc.CurrentElement();
}

// Saves `source` and loads what was written into `target`, which saved in
// turn writes the same: every attribute comes back into the field it came
// from (the fields a file does not hold are the tests' to check).
template <class T>
void RoundTrip(const T& source, T& target)
{
    CXmlDocument doc;
    const QDomElement effect = NewEffectElement(doc);
    source.Save(doc);
    QCOMPARE(doc.CurrentElement(), effect);
    target.Load(doc);
    QCOMPARE(doc.CurrentElement(), effect);
    CXmlDocument again;
    NewEffectElement(again);
    target.Save(again);
    QCOMPARE(Canonical(again.CurrentElement()), Canonical(effect));
}

// The document holds `xml` with its root element current.
void SetXml(CXmlDocument& doc, const QString& xml)
{
    QVERIFY(doc.m_document.setContent(xml));
    doc.CurrentElement() = doc.m_document.documentElement();
}

QDomElement SavedElement(const CEffect& effect, CXmlDocument& doc)
{
    const QDomElement element = NewEffectElement(doc);
    effect.Save(doc);
    return element;
}

// Every attribute written below and on the effect element, as
// "element.attribute", sorted: order carries no meaning in the file.
QStringList WrittenNames(CEffect& effect)
{
    effect.m_sId = 1;
    CXmlDocument doc;
    QStringList names;
    std::function<void(const QDomElement&)> collect = [&](const QDomElement& element) {
        const QDomNamedNodeMap attributes = element.attributes();
        for (int i = 0; i < attributes.count(); ++i)
            names << element.tagName() + QLatin1Char('.') + attributes.item(i).nodeName();
        for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
            collect(child);
    };
    collect(SavedElement(effect, doc));
    names.sort();
    names.removeDuplicates();
    return names;
}

QImage Picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(40 * x, 60 * y, 200));
    }
    return image;
}

std::unique_ptr<CFixtureMatrix> ProjectMatrix()
{
    return std::make_unique<CFixtureMatrix>(nullptr, 7, 4, 3, 0);
}

// A matrix as the selection tools make them for one effect.
CFixtureMatrix* VirtualGrid(CFixtureMatrix& matrix, CPatchedFixture& member)
{
    member.BeamFlags() = {true};
    matrix.AddMember(&member, QRect(0, 0, 20, 20));
    CFixtureMatrix* grid = matrix.BuildVirtualGrid();
    return grid != &matrix ? grid : nullptr;
}

} // namespace

class EffectClassesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
        SetLanguage(0);
    }

    void colourText()
    {
        QCOMPARE(CRgbwColor::FromString(QStringLiteral("1|2|3|4")), CRgbwColor(1, 2, 3, 4));
        // Only exactly four parts make a colour.
        QCOMPARE(CRgbwColor::FromString(QStringLiteral("12|34|56")), CRgbwColor());
        QCOMPARE(CRgbwColor::FromString(QStringLiteral("1|2|3|4|5")), CRgbwColor());
        QCOMPARE(CRgbwColor::FromString(QString()), CRgbwColor());
        QCOMPARE(CRgbwColor::FromString(QStringLiteral("1|2|3|4") + QString(60, QLatin1Char(' '))), CRgbwColor());
        QCOMPARE(CRgbwColor::FromString(QStringLiteral("-2147483647|-2147483647|-2147483647|-2147483647")),
                 CRgbwColor(1, 1, 1, 1));
        // Values keep their low byte; a part that is no number is 0.
        QCOMPARE(CRgbwColor::FromString(QStringLiteral("300|0|0|0")), CRgbwColor(44, 0, 0, 0));
        QCOMPARE(CRgbwColor::FromString(QStringLiteral("-1|x||7")), CRgbwColor(255, 0, 0, 7));
        QCOMPARE(CRgbwColor(255, 0, 9, 128).ToString(), QStringLiteral("255|0|9|128"));
    }

    void defaultColours()
    {
        CTrichroEffect sequence(300);
        QCOMPARE(sequence.m_colors.size(), 8);
        QCOMPARE(sequence.m_colors.first(), CRgbwColor(0, 57, 229));
        sequence.FillDefaultColors();
        QCOMPARE(sequence.m_colors.size(), 10);
        QCOMPARE(sequence.m_colors.at(8), CRgbwColor(76, 254, 121));
        QCOMPARE(sequence.m_colors.at(9), CRgbwColor(76, 121, 254));
        // Colours the operator chose stay; only the missing ones are added.
        CMatrixAnimEffect anim;
        anim.m_colors = {CRgbwColor(1, 1, 1), CRgbwColor(2, 2, 2), CRgbwColor(3, 3, 3)};
        anim.FillDefaultColors();
        QCOMPARE(anim.m_colors.size(), 10);
        QCOMPARE(anim.m_colors.at(2), CRgbwColor(3, 3, 3));
        QCOMPARE(anim.m_colors.at(3), CRgbwColor(191, 255, 127));
        QList<CRgbwColor> many;
        for (int i = 0; i < 12; ++i)
            many << CRgbwColor(quint8(i), 0, 0);
        FillDefaultColorList(many);
        QCOMPARE(many.size(), 12);
    }

    void constructorDefaults()
    {
        CGradientEffect gradient(2000);
        QCOMPARE(gradient.m_len, 2000);
        QCOMPARE(gradient.m_intensity, 100);
        QCOMPARE(gradient.m_pegColors, (QList<CRgbwColor>{CRgbwColor(0, 0, 0, 0), CRgbwColor(255, 255, 255, 0)}));
        QCOMPARE(gradient.m_pegPositions, (QList<double>{0.0, 1.0}));
        QVERIFY(CGradientEffect().m_pegColors.isEmpty());

        CCurveEffect curve(1000);
        QCOMPARE(curve.m_precision, 4);
        QCOMPARE(curve.m_pointCount, 200);
        QCOMPARE(curve.m_pointTime, 5.0f);
        QVERIFY(curve.m_regenerateAll);
        QCOMPARE(CCurveEffect().m_pointCount, 0);

        auto matrix = ProjectMatrix();
        CMatrixAnimEffect anim(matrix.get(), 80);
        QCOMPARE(anim.m_matrix, matrix.get());
        QVERIFY(!anim.m_ownsMatrix);
        QCOMPARE(anim.m_fade, 80);
        QCOMPARE(anim.m_rows, matrix->PixelRows());
        QCOMPARE(anim.m_cols, matrix->PixelColumns());
        QCOMPARE(anim.m_number, 8);
        QCOMPARE(anim.m_size, 2);
        QVERIFY(anim.m_hasFade);

        CMatrixTextEffect text;
        QCOMPARE(text.m_font.family(), QStringLiteral("Arial"));
        QCOMPARE(text.m_font.pointSize(), 8);
        QCOMPARE(text.m_textColor, CRgbwColor(255, 255, 255, 0));
        QCOMPARE(text.m_backColor, CRgbwColor(0, 0, 0, 0));

        CPanTiltEffect panTilt;
        QCOMPARE(panTilt.m_shapeType, 1);
        QCOMPARE(panTilt.m_nbControls, 4);
        QCOMPARE(panTilt.m_pathCount, 8);
        QCOMPARE(panTilt.m_fade, 600);
        CMatrixMediaEffect media;
        QCOMPARE(media.m_frameWidth, 100);
        QCOMPARE(media.m_frameHeight, 100);
    }

    void namesAndKinds()
    {
        CTrichroEffect sequence;
        sequence.m_trichroType = 2;
        QCOMPARE(sequence.GetName(), QStringLiteral("Half Wave"));
        sequence.m_trichroType = 7;
        QCOMPARE(sequence.GetName(), QStringLiteral("Sequencer"));
        CMatrixAnimEffect anim;
        anim.m_matrixType = 7;
        QCOMPARE(anim.GetName(), QStringLiteral("Wave"));
        anim.m_matrixType = 8;
        QCOMPARE(anim.GetName(), QStringLiteral("Matrix"));
        CPanTiltEffect panTilt;
        QCOMPARE(panTilt.GetName(), QStringLiteral("Lines"));
        panTilt.m_shapeType = -1;
        QCOMPARE(panTilt.GetName(), QStringLiteral("Pan Tilt"));
        CMatrixGifEffect gif;
        QCOMPARE(gif.GetName(), QStringLiteral("Animated"));
        gif.m_file = QStringLiteral("/shows/loops/intro.final.gif");
        QCOMPARE(gif.GetName(), QStringLiteral("intro.final"));
        CMatrixMediaEffect media;
        QCOMPARE(media.GetName(), QStringLiteral("Media"));
        CPresetEffect preset;
        QCOMPARE(preset.GetName(), QStringLiteral("Preset"));
        preset.m_presetTypes1 << PresetType::Gobo;
        QCOMPARE(preset.GetName(), GetPresetTypeName(PresetType::Gobo));
        preset.m_channelTypes << ChannelType::Zoom;
        QCOMPARE(preset.GetName(), GetChannelTypeName(ChannelType::Zoom));

        QVERIFY(anim.IsMatrix() && anim.IsColor() && !anim.IsPanTilt());
        QVERIFY(!sequence.IsMatrix() && sequence.IsColor());
        QVERIFY(panTilt.IsPanTilt() && !panTilt.IsColor());
        QVERIFY(!CCurveEffect().IsColor());
    }

    // Base, colour and matrix-colour attributes come back with every kind.
    void baseAttributesRoundTrip()
    {
        CMatrixAnimEffect source;
        source.m_sId = 12;
        source.m_phi = 35;
        source.m_len = 4800;
        source.m_intensity = 70;
        source.m_saturation = -20;
        source.m_rows = 8;
        source.m_cols = 16;
        source.m_fade = 120;
        source.m_applySel = true;
        source.m_matrixType = CMatrixAnimEffect::Rain;
        source.m_number = 3;
        source.m_size = 5;
        source.m_sens = true;
        source.m_hasFade = false;
        source.m_comeBack = true;
        source.m_vertical = true;
        source.m_colors = {CRgbwColor(1, 2, 3, 4), CRgbwColor(250, 0, 10, 0)};
        CMatrixAnimEffect loaded;
        RoundTrip(source, loaded);
        QCOMPARE(loaded.m_colors, source.m_colors);
        QVERIFY(!loaded.m_matrix);
        QVERIFY(!loaded.m_ownsMatrix);
    }

    // Older files and other programs' files name the attributes so: a name
    // misspelt alike on save and load would pass every round trip.
    void attributeNamesAsWrittenInFiles()
    {
        const QString base = QStringLiteral("ZKEffect.ZKELen ZKEffect.ZKEPhi ZKEffect.ZKESId ");
        const QString colour = base + QStringLiteral("ZKEffect.ZKEIntensity ZKEffect.ZKESaturation ");
        const QString matrix = colour + QStringLiteral("ZKEffect.ZKEApplySel ZKEffect.ZKEFade ZKEffect.ZKENbCols "
                                                       "ZKEffect.ZKENbRows ");
        const QString colourList = QStringLiteral("ZKEParams.ZKENumber ZKETrichroClr.ZKEClr ");
        CGradientEffect gradient(1000);
        CTrichroEffect sequence(250);
        CMatrixAnimEffect anim;
        anim.m_colors = {CRgbwColor(1, 2, 3, 4)};
        CMatrixGifEffect gif;
        CMatrixMediaEffect media;
        CMatrixTextEffect text;
        CPanTiltEffect panTilt;
        panTilt.m_nbControls = 1;
        panTilt.m_controlX = {1};
        panTilt.m_controlY = {2};
        CPresetEffect preset;
        preset.m_channelTypes = {4};
        preset.m_presetTypes1 = {1};
        preset.m_presetTypes2 = {2};
        CCurveEffect curve(1000);
        curve.m_params = {CCurveParam()};
        curve.m_activeChannels = {true};
        curve.m_tables = {QVector<int>(kCurvePoints, 0)};
        curve.m_chanTypes = {ChannelType::Dimmer};
        curve.m_chanNums = {0};
        curve.m_channelDefs = {nullptr};
        const QList<QPair<CEffect*, QString>> table{
            {&gradient, colour + "ZKEffect.ZKEGradType ZKEParams.ZKENumber ZKEPeg.ZKEPegClr ZKEPeg.ZKEPegPos"},
            {&sequence, colour + colourList + "ZKEffect.ZKEComeBack ZKEffect.ZKEContinue ZKEffect.ZKEFade "
                                              "ZKEffect.ZKEHasFade ZKEffect.ZKENumber ZKEffect.ZKESens "
                                              "ZKEffect.ZKESize ZKEffect.ZKETrichroType"},
            {&anim, matrix + colourList + "ZKEffect.ZKEComeBack ZKEffect.ZKEHasFade ZKEffect.ZKEMatrixType "
                                          "ZKEffect.ZKENumber ZKEffect.ZKESens ZKEffect.ZKESize ZKEffect.ZKEVertical"},
            {&gif, matrix + "ZKEffect.ZKEFile"},
            {&media, matrix + "ZKEffect.ZKEFile ZKEffect.ZKEMediaType"},
            {&text, matrix + "ZKEffect.ZKEBackClr ZKEffect.ZKEDirection ZKEffect.ZKEFontFamily "
                             "ZKEffect.ZKEFontItalic ZKEffect.ZKEFontPointSize ZKEffect.ZKEFontWeight "
                             "ZKEffect.ZKEHOffset ZKEffect.ZKEText ZKEffect.ZKETextClr ZKEffect.ZKEVOffset"},
            {&panTilt, base + "ZKEPanTiltPos.ZKEPosX ZKEPanTiltPos.ZKEPosY ZKEParams.ZKENumber ZKEffect.ZKEFade "
                              "ZKEffect.ZKENbControls ZKEffect.ZKENbPtsPerCtrl ZKEffect.ZKEOffsetX "
                              "ZKEffect.ZKEOffsetY ZKEffect.ZKESens ZKEffect.ZKEShapeType ZKEffect.ZKEStart"},
            {&preset, base + "ZKEChannel.ZKEType1 ZKEChannels.ZKENumber ZKEPreset.ZKEType1 ZKEPreset.ZKEType2 "
                             "ZKEPresets.ZKENumber ZKEffect.ZKECursor ZKEffect.ZKEDmxMax ZKEffect.ZKEDmxMin "
                             "ZKEffect.ZKEPercent ZKEffect.ZKEPercentMax ZKEffect.ZKEPercentMin ZKEffect.ZKEPrValue"},
            {&curve, base + "ZKECurveParam.ZKEActivChan ZKECurveParam.ZKEAmpli ZKECurveParam.ZKEChanNum "
                            "ZKECurveParam.ZKEChanType ZKECurveParam.ZKEDirection ZKECurveParam.ZKEFade "
                            "ZKECurveParam.ZKEFine ZKECurveParam.ZKEOffset ZKECurveParam.ZKEOffset2 "
                            "ZKECurveParam.ZKEPHase ZKECurveParam.ZKEPhi ZKECurveParam.ZKERatio "
                            "ZKECurveParam.ZKEType ZKEParams.ZKENumber ZKEffect.ZKEMatrix ZKEffect.ZKEPrecision"},
        };
        for (const auto& row : table) {
            QStringList expected = row.second.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            expected.sort();
            QCOMPARE(WrittenNames(*row.first).join(QLatin1Char(' ')), expected.join(QLatin1Char(' ')));
        }
    }

    void identifierIsOptional()
    {
        CGradientEffect gradient(1000);
        CXmlDocument doc;
        const QDomElement element = SavedElement(gradient, doc);
        QVERIFY(!element.hasAttribute(QStringLiteral("ZKESId")));
        CGradientEffect loaded;
        loaded.Load(doc);
        QCOMPARE(loaded.m_sId, -1);
    }

    void gradientRoundTrip()
    {
        CGradientEffect source(3000);
        source.m_gradType = 1;
        source.m_pegColors = {CRgbwColor(255, 0, 0, 0), CRgbwColor(0, 255, 0, 9), CRgbwColor(0, 0, 255, 0)};
        source.m_pegPositions = {0.0, 0.999, 0.29};
        source.m_stepTimes = {40, 80};
        CXmlDocument doc;
        const QDomElement element = SavedElement(source, doc);
        const QDomElement list = element.firstChildElement(QStringLiteral("ZKEParams"));
        QCOMPARE(list.attribute(QStringLiteral("ZKENumber")), QStringLiteral("3"));
        const QDomElement second = list.firstChildElement().nextSiblingElement();
        QCOMPARE(second.attribute(QStringLiteral("ZKEPegClr")), QStringLiteral("0|255|0|9"));
        // Fractions are stored as truncated hundredths.
        QCOMPARE(second.attribute(QStringLiteral("ZKEPegPos")), QStringLiteral("99"));
        // ... but a value that is a whole number of hundredths keeps it, though
        // 0.29 x 100 is 28.999... in binary.
        QCOMPARE(list.lastChildElement().attribute(QStringLiteral("ZKEPegPos")), QStringLiteral("29"));

        CGradientEffect loaded;
        loaded.Load(doc);
        QCOMPARE(loaded.m_gradType, 1);
        QCOMPARE(loaded.m_len, 3000);
        QCOMPARE(loaded.m_pegColors, source.m_pegColors);
        QCOMPARE(loaded.m_pegPositions, (QList<double>{0.0, 0.99, 0.29}));
        QVERIFY(loaded.m_stepTimes.isEmpty());
    }

    void sequenceRoundTrip()
    {
        CTrichroEffect source(250);
        source.m_trichroType = CTrichroEffect::Wagons;
        source.m_number = 4;
        source.m_size = 6;
        source.m_sens = true;
        source.m_hasFade = false;
        source.m_comeBack = true;
        source.m_continue = true;
        source.m_intensity = 40;
        CTrichroEffect loaded;
        RoundTrip(source, loaded);
        QCOMPARE(loaded.m_colors, source.m_colors);
    }

    // Hundredths are truncated, but a value read back as k / 100, in a float
    // or a double, is written as k again: no save may lose a hundredth.
    void fractionsAreStoredAsStableHundredths_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("stored");
        QTest::newRow("float 2.34") << double(2.34f) << 234;
        QTest::newRow("float 655.35") << double(655.35f) << 65535;
        QTest::newRow("double 0.29") << 0.29 << 29;
        QTest::newRow("truncated") << double(2.345f) << 234;
        QTest::newRow("truncated double") << 0.999 << 99;
        QTest::newRow("negative") << -1.5 << -150;
        QTest::newRow("negative float") << double(-2.34f) << -234;
    }
    void fractionsAreStoredAsStableHundredths()
    {
        QFETCH(double, value);
        QFETCH(int, stored);
        QCOMPARE(ToHundredths(value), stored);
    }

    void curveRoundTrip()
    {
        CCurveEffect source(2000);
        source.m_precision = 2;
        source.m_onMatrix = true;
        CCurveParam first;
        first.m_type = CCurveParam::Triangle;
        first.m_phi = 25;
        first.m_offset2 = 10;
        first.m_direction = 3;
        first.m_ampli = 200;
        first.m_phase = 4;
        first.m_offset = 90;
        first.m_fade = 80;
        first.m_ratio = 2.345f;
        first.m_fine = true;
        CCurveParam second;
        source.m_params = {first, second};
        source.m_activeChannels = {true, false};
        source.m_tables = {QVector<int>(kCurvePoints, 7), QVector<int>(kCurvePoints, 9)};
        source.m_chanTypes = {ChannelType::Dimmer, ChannelType::Pan};
        source.m_chanNums = {1, 0};
        source.m_channelDefs = {nullptr, nullptr};

        CXmlDocument doc;
        const QDomElement element = SavedElement(source, doc);
        const QDomElement list = element.firstChildElement(QStringLiteral("ZKEParams"));
        QCOMPARE(list.attribute(QStringLiteral("ZKENumber")), QStringLiteral("2"));
        QCOMPARE(list.firstChildElement().attribute(QStringLiteral("ZKERatio")), QStringLiteral("234"));
        QCOMPARE(list.lastChildElement().attribute(QStringLiteral("ZKERatio")), QStringLiteral("500"));

        CCurveEffect loaded;
        RoundTrip(source, loaded);
        QCOMPARE(loaded.m_pointCount, 50);
        QCOMPARE(loaded.m_pointTime, 40.0f);
        QCOMPARE(loaded.ChannelCount(), 2);
        QCOMPARE(loaded.m_params.first().m_ratio, 2.34f);
        QCOMPARE(loaded.m_params.at(1).m_ratio, 5.0f);
        // Tables are generated, never stored.
        QCOMPARE(loaded.m_tables.at(0), QVector<int>(kCurvePoints, 0));
        QCOMPARE(loaded.m_channelDefs, (QList<CProfileChannelDef*>{nullptr, nullptr}));
        QVERIFY(loaded.m_outputs.isEmpty());
    }

    // Within a curve parameter list, a missing ratio, active flag, type or
    // occurrence repeats the previous parameter's; the others keep defaults.
    void curveMissingAttributes()
    {
        CXmlDocument doc;
        SetXml(doc, QStringLiteral("<ZKEffect ZKELen='1000' ZKEPrecision='9'><ZKEParams ZKENumber='5'>"
                                   "<ZKECurveParam ZKEAmpli='10'/>"
                                   "<ZKECurveParam ZKERatio='300' ZKEActivChan='1' ZKEChanType='7' ZKEChanNum='2'/>"
                                   "<ZKECurveParam ZKEPhi='5'/>"
                                   "</ZKEParams></ZKEffect>"));
        CCurveEffect curve;
        curve.Load(doc);
        QCOMPARE(curve.m_pointCount, 200);
        QCOMPARE(curve.m_pointTime, 5.0f);
        QCOMPARE(curve.ChannelCount(), 3);
        QCOMPARE(curve.m_params.at(0).m_ratio, 0.0f);
        QCOMPARE(curve.m_params.at(0).m_ampli, 10);
        QCOMPARE(curve.m_params.at(0).m_offset, 127);
        QVERIFY(!curve.m_activeChannels.at(0));
        QCOMPARE(curve.m_params.at(2).m_ratio, 3.0f);
        QCOMPARE(curve.m_params.at(2).m_ampli, 255);
        QVERIFY(curve.m_activeChannels.at(2));
        QCOMPARE(curve.m_chanTypes.at(2), 7);
        QCOMPARE(int(curve.m_chanNums.at(2)), 2);
        QCOMPARE(curve.m_tables.size(), 3);
    }

    void panTiltRoundTrip()
    {
        CPanTiltEffect source;
        source.m_shapeType = CPanTiltEffect::Star;
        source.m_start = 3;
        source.m_nbControls = 3;
        source.m_nbPtsPerCtrl = 5;
        source.m_fade = 900;
        source.m_offsetX = 4;
        source.m_offsetY = -2;
        source.m_sens = true;
        source.m_phi = 50;
        source.m_controlX = {100, 65535, 0};
        source.m_controlY = {200, 300, 65535};
        source.m_pathX = QVector<int>(15, 1);
        source.m_pathY = QVector<int>(15, 2);
        source.m_pathCount = 15;
        CPanTiltEffect loaded;
        RoundTrip(source, loaded);
        QCOMPARE(loaded.m_controlX, source.m_controlX);
        QCOMPARE(loaded.m_controlY, source.m_controlY);
        // The path is rebuilt from the points, never read.
        QVERIFY(loaded.m_pathX.isEmpty());
        QCOMPARE(loaded.m_pathCount, 0);
    }

    // The count a file claims never outruns the points it holds; a missing
    // coordinate repeats the previous point's, and a missing kind is 0.
    void panTiltPointsDecideTheCount()
    {
        CXmlDocument doc;
        SetXml(doc, QStringLiteral("<ZKEffect ZKENbControls='1000000' ZKENbPtsPerCtrl='-3'><ZKEParams ZKENumber='9'>"
                                   "<ZKEPanTiltPos ZKEPosX='10' ZKEPosY='20'/><ZKEPanTiltPos ZKEPosY='30'/>"
                                   "</ZKEParams></ZKEffect>"));
        CPanTiltEffect effect;
        effect.Load(doc);
        QCOMPARE(effect.m_shapeType, 0);
        QCOMPARE(effect.m_nbControls, 2);
        QCOMPARE(effect.m_nbPtsPerCtrl, 0);
        QCOMPARE(effect.m_controlX, (QVector<int>{10, 10}));
        QCOMPARE(effect.m_controlY, (QVector<int>{20, 30}));

        SetXml(doc, QStringLiteral("<ZKEffect ZKENbControls='6' ZKENbPtsPerCtrl='99999'/>"));
        CPanTiltEffect noList;
        noList.Load(doc);
        QCOMPARE(noList.m_nbControls, 0);
        QCOMPARE(noList.m_nbPtsPerCtrl, EffectLimits::kMaxPointsPerControl);
    }

    void presetRoundTrip()
    {
        CPresetEffect source;
        source.m_prValue = 3;
        source.m_percentMin = 10;
        source.m_percentMax = 90;
        source.m_dmxMin = 5;
        source.m_dmxMax = 250;
        source.m_percent = false;
        source.m_cursor = false;
        source.m_channelTypes = {ChannelType::Dimmer, ChannelType::Zoom};
        source.m_presetTypes1 = {4, 7, 12};
        source.m_presetTypes2 = {0, 1, 2};
        CXmlDocument doc;
        const QDomElement element = SavedElement(source, doc);
        QCOMPARE(element.firstChildElement(QStringLiteral("ZKEChannels")).attribute(QStringLiteral("ZKENumber")),
                 QStringLiteral("2"));
        QCOMPARE(element.firstChildElement(QStringLiteral("ZKEPresets")).attribute(QStringLiteral("ZKENumber")),
                 QStringLiteral("3"));
        CPresetEffect loaded;
        RoundTrip(source, loaded);
        QCOMPARE(loaded.m_channelTypes, source.m_channelTypes);
        QCOMPARE(loaded.m_presetTypes1, source.m_presetTypes1);
        QCOMPARE(loaded.m_presetTypes2, source.m_presetTypes2);
    }

    void presetSkipsIncompleteEntries()
    {
        CXmlDocument doc;
        SetXml(doc, QStringLiteral("<ZKEffect><ZKEChannels><ZKEChannel/><ZKEChannel ZKEType1='14'/></ZKEChannels>"
                                   "<ZKEPresets><ZKEPreset ZKEType1='4'/><ZKEPreset ZKEType1='5' ZKEType2='6'/>"
                                   "<ZKEPreset ZKEType2='9'/></ZKEPresets></ZKEffect>"));
        CPresetEffect preset;
        preset.Load(doc);
        QCOMPARE(preset.m_channelTypes, (QList<int>{14}));
        QCOMPARE(preset.m_presetTypes1, (QList<int>{5}));
        QCOMPARE(preset.m_presetTypes2, (QList<int>{6}));
    }

    void pictureEffectsRoundTrip()
    {
        CMatrixGifEffect gif;
        gif.m_file = QStringLiteral("/media/a.gif");
        CMatrixGifEffect loadedGif;
        RoundTrip(gif, loadedGif);
        QCOMPARE(loadedGif.m_file, gif.m_file);

        CMatrixMediaEffect media;
        media.m_mediaType = CMatrixMediaEffect::StoredFrames;
        media.m_file = QStringLiteral("clip.mp4");
        media.SetSourceSize(4, 3);
        QCOMPARE(media.m_frameWidth, 100);
        QCOMPARE(media.m_frameHeight, 75);
        media.m_frameWidth = 4; // small frames keep the comparison exact
        media.m_frameHeight = 3;
        media.AddFrame(Picture(4, 3));
        media.AddFrame(Picture(8, 6).mirrored());
        CMatrixMediaEffect loaded;
        RoundTrip(media, loaded);
        QCOMPARE(loaded.m_mediaType, int(CMatrixMediaEffect::StoredFrames));
        QCOMPARE(loaded.m_file, media.m_file);
        QCOMPARE(loaded.m_frames.size(), 2);
        for (int f = 0; f < 2; ++f) {
            QCOMPARE(loaded.m_frames.at(f).size(), QSize(4, 3));
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 4; ++x)
                    QCOMPARE(loaded.m_frames.at(f).pixel(x, y) & 0xFFFFFF,
                             media.m_frames.at(f).pixel(x, y) & 0xFFFFFF);
            }
        }

        // Frames belong in the file only for stored-frame media.
        media.m_mediaType = CMatrixMediaEffect::Picture;
        CXmlDocument doc;
        QVERIFY(SavedElement(media, doc).firstChildElement(QStringLiteral("ZKEParams")).isNull());
    }

    void textRoundTrip()
    {
        QFont font(QStringLiteral("Courier"), 12, QFont::Bold, true);
        CMatrixTextEffect source(nullptr, 90, QStringLiteral("HELLO world"), font, 2, -1, 3, CRgbwColor(255, 0, 0),
                                 CRgbwColor(0, 0, 40));
        CMatrixTextEffect loaded;
        RoundTrip(source, loaded);
        QCOMPARE(loaded.m_text, QStringLiteral("HELLO world"));
        QCOMPARE(loaded.m_font.family(), font.family());
        QCOMPARE(loaded.m_font.pointSize(), 12);
        QCOMPARE(loaded.m_font.weight(), int(QFont::Bold));
        QVERIFY(loaded.m_font.italic());
        QCOMPARE(loaded.m_backColor, CRgbwColor(0, 0, 40));
    }

    // Stored files rely on the one colour buffer: a missing back colour
    // repeats the text colour, a missing text colour is black.
    void textMissingAttributes()
    {
        CXmlDocument doc;
        SetXml(doc, QStringLiteral("<ZKEffect ZKETextClr='1|2|3|0' ZKEFontPointSize='2000000000' "
                                   "ZKEFontWeight='500'/>"));
        CMatrixTextEffect text;
        text.Load(doc);
        QCOMPARE(text.m_textColor, CRgbwColor(1, 2, 3, 0));
        QCOMPARE(text.m_backColor, CRgbwColor(1, 2, 3, 0));
        QCOMPARE(text.m_font.family(), QStringLiteral("Arial"));
        QCOMPARE(text.m_font.pointSize(), EffectLimits::kMaxFontPointSize);
        QCOMPARE(text.m_font.weight(), 99);

        SetXml(doc, QStringLiteral("<ZKEffect ZKEBackClr='9|9|9|9'/>"));
        CMatrixTextEffect noText;
        noText.Load(doc);
        QCOMPARE(noText.m_textColor, CRgbwColor());
        QCOMPARE(noText.m_backColor, CRgbwColor(9, 9, 9, 9));
    }

    // In peg and colour lists a missing attribute repeats the previous
    // element's; the first element falls back to black at 0.
    void listAttributesCarryOver()
    {
        CXmlDocument doc;
        SetXml(doc, QStringLiteral("<ZKEffect><ZKEParams><ZKEPeg ZKEPegPos='50'/>"
                                   "<ZKEPeg ZKEPegClr='9|8|7|6'/><ZKEPeg ZKEPegPos='100'/></ZKEParams></ZKEffect>"));
        CGradientEffect gradient;
        gradient.Load(doc);
        QCOMPARE(gradient.m_pegColors, (QList<CRgbwColor>{CRgbwColor(), CRgbwColor(9, 8, 7, 6),
                                                          CRgbwColor(9, 8, 7, 6)}));
        QCOMPARE(gradient.m_pegPositions, (QList<double>{0.5, 0.5, 1.0}));

        SetXml(doc, QStringLiteral("<ZKEffect><ZKEParams><ZKETrichroClr/><ZKETrichroClr ZKEClr='1|1|1|1'/>"
                                   "<ZKETrichroClr/><ZKEOther ZKEClr='5|5|5|5'/></ZKEParams></ZKEffect>"));
        CTrichroEffect sequence;
        sequence.Load(doc);
        QCOMPARE(sequence.m_colors,
                 (QList<CRgbwColor>{CRgbwColor(), CRgbwColor(1, 1, 1, 1), CRgbwColor(1, 1, 1, 1)}));
    }

    // Sizes and counts from a file are held to what a show can use before
    // anything is sized by them.
    void hostileSizesAreBounded()
    {
        CXmlDocument doc;
        QString colors;
        for (int i = 0; i < EffectLimits::kMaxListItems + 50; ++i)
            colors += QStringLiteral("<ZKETrichroClr ZKEClr='1|2|3|4'/>");
        SetXml(doc, QStringLiteral("<ZKEffect ZKENbRows='2147483647' ZKENbCols='-5' ZKENumber='99999999' "
                                   "ZKESize='-4'><ZKEParams ZKENumber='-1'>%1</ZKEParams></ZKEffect>")
                        .arg(colors));
        CMatrixAnimEffect anim;
        anim.Load(doc);
        QCOMPARE(anim.m_rows, EffectLimits::kMaxMatrixSide);
        QCOMPARE(anim.m_cols, 0);
        QCOMPARE(anim.m_number, EffectLimits::kMaxNumber);
        QCOMPARE(anim.m_size, 0);
        QCOMPARE(anim.m_colors.size(), EffectLimits::kMaxListItems);

        QString params;
        for (int i = 0; i < EffectLimits::kMaxCurveChannels + 3; ++i)
            params += QStringLiteral("<ZKECurveParam/>");
        SetXml(doc, QStringLiteral("<ZKEffect><ZKEParams>%1</ZKEParams></ZKEffect>").arg(params));
        CCurveEffect curve;
        curve.Load(doc);
        QCOMPARE(curve.ChannelCount(), EffectLimits::kMaxCurveChannels);
        QCOMPARE(curve.m_tables.size(), EffectLimits::kMaxCurveChannels);
    }

    // Frame data that is not a usable picture still takes its place as an
    // empty frame, which plays black; nothing hostile is decoded.
    void badStoredFrames()
    {
        QByteArray header; // a BMP header claiming 100000 x 100000 pixels
        {
            QByteArray bmp = "BM";
            bmp += QByteArray(12, '\0');
            bmp += QByteArray::fromHex("28000000a0860100a086010001001800");
            bmp += QByteArray(24, '\0');
            header = bmp;
        }
        const QString hugeBmp = CXmlDocument::EncodeBlob(header);
        const QString garbage = CXmlDocument::EncodeBlob("not a picture at all");
        QString bomb; // compressed, claims 1 GB once uncompressed
        {
            QByteArray compressed = qCompress(QByteArray(1024, 'x'));
            compressed[0] = char(0x40);
            bomb = QString::fromLatin1(compressed.toHex());
        }
        CXmlDocument doc;
        SetXml(doc, QStringLiteral("<ZKEffect ZKEMediaType='2'><ZKEParams ZKENumber='40000'>"
                                   "<ZKEPixmap ZKEData='zz'/><ZKEPixmap ZKEData='abc'/><ZKEPixmap/>"
                                   "<ZKEPixmap ZKEData='%1'/><ZKEPixmap ZKEData='%2'/><ZKEPixmap ZKEData='%3'/>"
                                   "</ZKEParams></ZKEffect>")
                        .arg(hugeBmp, garbage, bomb));
        CMatrixMediaEffect media;
        media.Load(doc);
        QCOMPARE(media.m_frames.size(), 5);
        for (const QImage& frame : media.m_frames)
            QVERIFY(frame.isNull());

        // Frames are read only for stored-frame media.
        SetXml(doc, QStringLiteral("<ZKEffect ZKEMediaType='1'><ZKEParams><ZKEPixmap ZKEData='%1'/></ZKEParams>"
                                   "</ZKEffect>")
                        .arg(garbage));
        CMatrixMediaEffect animated;
        animated.Load(doc);
        QVERIFY(animated.m_frames.isEmpty());
    }

    void sourceSizeAndFrames()
    {
        CMatrixMediaEffect media;
        media.AddFrame(Picture(3, 3));
        media.SetSourceSize(1920, 1080);
        QVERIFY(media.m_frames.isEmpty());
        QCOMPARE(media.m_frameWidth, 100);
        QCOMPARE(media.m_frameHeight, 56);
        media.SetSourceSize(1080, 1920);
        QCOMPARE(media.m_frameWidth, 56);
        QCOMPARE(media.m_frameHeight, 100);
        media.AddFrame(Picture(30, 30));
        QCOMPARE(media.m_frames.first().size(), QSize(56, 100));
        // A source without a size changes nothing.
        media.SetSourceSize(0, 480);
        media.SetSourceSize(640, -1);
        QCOMPARE(media.m_frames.size(), 1);
        QCOMPARE(media.m_frameWidth, 56);
    }

    void paramWriterKeepsListsOnTheEffect()
    {
        CXmlDocument doc;
        const QDomElement effect = NewEffectElement(doc);
        CEffectParamWriter writer(doc);
        writer.BeginEffectParams(2, QStringLiteral("ZKEChannels"));
        writer.AddEffectParam(QStringLiteral("ZKEChannel"));
        writer.AddEffectParam(QStringLiteral("ZKEChannel"));
        doc.SetAttrInt(QStringLiteral("ZKEType1"), 5);
        writer.BeginEffectParams(0, QStringLiteral("ZKEPresets"));
        writer.ReturnToEffect();
        QCOMPARE(doc.CurrentElement(), effect);
        const QDomElement channels = effect.firstChildElement(QStringLiteral("ZKEChannels"));
        QCOMPARE(channels.elementsByTagName(QStringLiteral("ZKEChannel")).size(), 2);
        QCOMPARE(channels.lastChildElement().attribute(QStringLiteral("ZKEType1")), QStringLiteral("5"));
        QCOMPARE(effect.firstChildElement(QStringLiteral("ZKEPresets")).parentNode(), QDomNode(effect));
        QCOMPARE(effect.childNodes().size(), 2);
    }

    void clonesKeepTheirClass()
    {
        QVERIFY(!CloneEffect(nullptr));
        CEffect orphan(7);
        QVERIFY(!CloneEffect(&orphan));
        // A type code that does not match the object is not trusted.
        CEffect mislabelled(EffectType::Gradient);
        QVERIFY(!CloneEffect(&mislabelled));

        CTrichroEffect sequence(100);
        sequence.m_flag = true;
        sequence.m_sId = 4;
        sequence.m_trichroType = 3;
        std::unique_ptr<CEffect> copy(CloneEffect(&sequence));
        auto* typed = dynamic_cast<CTrichroEffect*>(copy.get());
        QVERIFY(typed);
        QCOMPARE(typed->m_sId, 4);
        QCOMPARE(typed->m_trichroType, 3);
        QCOMPARE(typed->m_colors, sequence.m_colors);
        QVERIFY(!typed->m_flag);

        const int types[] = {1, 2, 3, 4, 5, 10, 11, 12, 13};
        std::vector<std::unique_ptr<CEffect>> sources;
        sources.emplace_back(new CGradientEffect(1));
        sources.emplace_back(new CTrichroEffect(1));
        sources.emplace_back(new CCurveEffect(1));
        sources.emplace_back(new CPanTiltEffect);
        sources.emplace_back(new CPresetEffect);
        sources.emplace_back(new CMatrixAnimEffect);
        sources.emplace_back(new CMatrixGifEffect);
        sources.emplace_back(new CMatrixMediaEffect);
        sources.emplace_back(new CMatrixTextEffect);
        for (size_t i = 0; i < sources.size(); ++i) {
            QCOMPARE(sources[i]->m_type, types[i]);
            std::unique_ptr<CEffect> clone(CloneEffect(sources[i].get()));
            QVERIFY(clone);
            const CEffect& copy = *clone;
            const CEffect& source = *sources[i];
            QCOMPARE(typeid(copy), typeid(source));
        }
    }

    void curveCopyRules()
    {
        CCurveEffect empty(600);
        empty.m_regenerateAll = false;
        empty.m_currentChannel = 3;
        std::unique_ptr<CEffect> copy(CloneEffect(&empty));
        auto* curve = static_cast<CCurveEffect*>(copy.get());
        QCOMPARE(curve->ChannelCount(), 0);
        QVERIFY(curve->m_regenerateAll);
        QCOMPARE(curve->m_currentChannel, 0);
        QCOMPARE(curve->m_pointTime, 3.0f);

        CCurveEffect source(1000);
        source.m_precision = 1;
        source.m_params = {CCurveParam(), CCurveParam()};
        source.m_activeChannels = {true, false};
        source.m_tables = {QVector<int>(kCurvePoints, 1), QVector<int>(kCurvePoints, 2)};
        source.m_chanTypes = {25, 26};
        source.m_chanNums = {0, 0};
        source.m_channelDefs = {nullptr, nullptr};
        CChannelStepRecord record;
        record.m_beam = 2;
        record.m_coarse = "abc";
        source.m_outputs = {{record}, {record, record}};
        CCurveEffect same(source);
        QCOMPARE(same.m_pointCount, 25);
        QCOMPARE(same.m_pointTime, 40.0f);
        QCOMPARE(same.ChannelCount(), 2);
        QCOMPARE(same.m_tables.at(1), QVector<int>(kCurvePoints, 2));
        QCOMPARE(same.m_chanTypes, (QList<int>{25, 26}));
        QCOMPARE(same.m_outputs.size(), 2);
        QCOMPARE(same.m_outputs.at(1).at(1).m_coarse, QByteArray("abc"));
        // The copy's arrays are its own.
        same.m_outputs[0][0].m_coarse[0] = 'z';
        QCOMPARE(source.m_outputs.at(0).at(0).m_coarse, QByteArray("abc"));

        source.m_outputs.removeLast();
        QVERIFY(CCurveEffect(source).m_outputs.isEmpty());
        source.m_tables.removeLast();
        QCOMPARE(CCurveEffect(source).ChannelCount(), 0);
    }

    void panTiltCopyRules()
    {
        CPanTiltEffect source;
        source.m_nbControls = 3;
        source.m_controlX = {1, 2};
        source.m_controlY = {4, 5, 6, 7};
        source.m_pathCount = 4;
        CPanTiltEffect noPath(source);
        QCOMPARE(noPath.m_controlX, (QVector<int>{1, 2, 0}));
        QCOMPARE(noPath.m_controlY, (QVector<int>{4, 5, 6}));
        QVERIFY(noPath.m_pathX.isEmpty());
        QCOMPARE(noPath.m_pathCount, 4);
        source.m_pathX = {9, 9, 9, 9, 9};
        source.m_pathY = {8};
        CPanTiltEffect withPath(source);
        QCOMPARE(withPath.m_pathX, (QVector<int>{9, 9, 9, 9}));
        QCOMPARE(withPath.m_pathY, (QVector<int>{8, 0, 0, 0}));
    }

    // A matrix made for one effect is owned by it; a project matrix never is.
    void matrixOwnership()
    {
        auto project = ProjectMatrix();
        CPatchedFixture member(0, 0, 1, 7, QString(), nullptr, false, false, 0);
        CFixtureMatrix* grid = VirtualGrid(*project, member);
        QVERIFY(grid);
        QVERIFY(grid->IsVirtual());

        CMatrixAnimEffect owner;
        owner.SetMatrix(grid);
        QVERIFY(owner.m_ownsMatrix);
        QCOMPARE(owner.m_rows, grid->PixelRows());

        {
            // A clone has its own copy; deleting the clone leaves the grid.
            std::unique_ptr<CEffect> clone(CloneEffect(&owner));
            QVERIFY(clone->m_matrix && clone->m_matrix != grid);
            QVERIFY(clone->m_ownsMatrix);
            clone->ReleaseMatrix();
            QVERIFY(!clone->m_matrix);
        }
        QCOMPARE(owner.m_matrix, grid);

        CMatrixAnimEffect shared(project.get(), 40);
        QVERIFY(!shared.m_ownsMatrix);
        std::unique_ptr<CEffect> sharedClone(CloneEffect(&shared));
        QCOMPARE(sharedClone->m_matrix, project.get());
        QVERIFY(!sharedClone->m_ownsMatrix);

        // CopyFrom a project matrix: the owned grid goes, the project matrix
        // is shared and never owned.
        owner.CopyFrom(shared);
        QCOMPARE(owner.m_matrix, project.get());
        QVERIFY(!owner.m_ownsMatrix);
        owner.ReleaseMatrix();
        QVERIFY(!owner.m_matrix);

        // CopyFrom a virtual matrix: a copy of its own, owned.
        CMatrixAnimEffect gridOwner;
        gridOwner.SetMatrix(VirtualGrid(*project, member));
        CTrichroEffect sequence;
        sequence.CopyFrom(gridOwner);
        QVERIFY(sequence.m_matrix && sequence.m_matrix != gridOwner.m_matrix);
        QVERIFY(sequence.m_ownsMatrix);
        // Copying oneself changes nothing.
        CFixtureMatrix* before = sequence.m_matrix;
        sequence.CopyFrom(sequence);
        QCOMPARE(sequence.m_matrix, before);
    }

    void copyFromReplacesTheBaseOnly()
    {
        CPatchedFixture a(0, 0), b(1, 0);
        CGradientEffect source(500);
        source.m_fixtures = {&a, &b};
        source.m_fixtureSel = {true, false};
        source.m_beamIndex = {0, 1, 0};
        source.m_beamFixtures = {&a, &a, &b};
        source.m_beamSel = {true, true, false};
        source.m_len = 777;
        CTrichroEffect target(100);
        target.m_fixtures = {&b};
        target.CopyFrom(source);
        QCOMPARE(target.m_fixtures, source.m_fixtures);
        QCOMPARE(target.m_fixtureSel, source.m_fixtureSel);
        QCOMPARE(target.m_beamIndex, source.m_beamIndex);
        QCOMPARE(target.m_beamFixtures, source.m_beamFixtures);
        QCOMPARE(target.m_beamSel, source.m_beamSel);
        QCOMPARE(target.m_len, 0);
        QCOMPARE(target.m_fade, 100);
    }

    void removeFixture()
    {
        CPatchedFixture a(0, 0), b(1, 0), c(2, 0);
        CGradientEffect effect(0);
        effect.m_fixtures = {&a, &b};
        effect.m_fixtureSel = {true, false};
        effect.m_beamIndex = {0, 1, 0, 2};
        effect.m_beamFixtures = {&a, &b, &b, &a};
        effect.m_beamSel = {true, false, true, false};
        QVERIFY(effect.RemoveFixture(&b));
        QCOMPARE(effect.m_fixtures, (QList<CPatchedFixture*>{&a}));
        QCOMPARE(effect.m_fixtureSel, (QVector<bool>{true}));
        QCOMPARE(effect.m_beamIndex, (QVector<int>{0, 2}));
        QCOMPARE(effect.m_beamFixtures, (QList<CPatchedFixture*>{&a, &a}));
        QCOMPARE(effect.m_beamSel, (QVector<bool>{true, false}));
        QVERIFY(!effect.RemoveFixture(&c));
        // Lists that disagree in length from a file are no reason to crash.
        effect.m_fixtureSel.clear();
        effect.m_beamSel.clear();
        QVERIFY(effect.RemoveFixture(&a));
        QVERIFY(effect.m_beamFixtures.isEmpty());
        QVERIFY(effect.m_beamIndex.isEmpty());
    }

    // An effect's own grid goes with its last member, and not before: it
    // keeps the profile the grid draws with in the library till then.
    void ownGridGoesWithItsLastMember_data()
    {
        QTest::addColumn<int>("removed");
        QTest::newRow("one of three") << 1;
        QTest::newRow("two of three") << 2;
        QTest::newRow("all three") << 3;
    }
    void ownGridGoesWithItsLastMember()
    {
        QFETCH(int, removed);
        auto project = ProjectMatrix();
        CPatchedFixture members[3] = {{0, 0, 1, 7, QString(), nullptr, false, false, 0},
                                      {3, 0, 2, 7, QString(), nullptr, false, false, 0},
                                      {6, 0, 3, 7, QString(), nullptr, false, false, 0}};
        for (int i = 0; i < 3; ++i) {
            members[i].BeamFlags() = {true};
            project->AddMember(&members[i], QRect(20 * i, 0, 20, 20));
        }
        CMatrixAnimEffect effect;
        effect.SetMatrix(project->BuildVirtualGrid());
        QVERIFY(effect.m_ownsMatrix && effect.m_matrix->MemberCount() == 3);
        for (int i = 0; i < removed; ++i)
            effect.RemoveFixture(&members[i]);
        QCOMPARE(effect.m_ownsMatrix, removed < 3);
        QCOMPARE(effect.m_matrix ? effect.m_matrix->MemberCount() : 0, 3 - removed);
    }

    void usesChannelType()
    {
        CGradientEffect gradient(0);
        QVERIFY(gradient.UsesChannelType(25, 0));
        QVERIFY(gradient.UsesChannelType(31, 3));
        QVERIFY(!gradient.UsesChannelType(24, 0));
        QVERIFY(!gradient.UsesChannelType(32, 0));
        CPanTiltEffect panTilt;
        QVERIFY(panTilt.UsesChannelType(1, 0) && panTilt.UsesChannelType(2, 0));
        QVERIFY(!panTilt.UsesChannelType(3, 0));
        QVERIFY(!CPresetEffect().UsesChannelType(7, 0));
        CCurveEffect curve(0);
        curve.m_params = {CCurveParam(), CCurveParam(), CCurveParam()};
        curve.m_chanTypes = {7, 7, 8};
        curve.m_chanNums = {0, 1, 0};
        curve.m_activeChannels = {false, true, true};
        QVERIFY(!curve.UsesChannelType(7, 0));
        QVERIFY(curve.UsesChannelType(7, 1));
        QVERIFY(curve.UsesChannelType(8, 0));
        QVERIFY(!curve.UsesChannelType(8, 1));
    }

    void curveChannelsFromProfile()
    {
        using namespace ProfileBuilder;
        CLibraryProfile profile;
        AddColorSet(profile, ChannelType::Red);
        AddChannel(profile, ChannelType::White);
        CProfileChannelDef* pan = AddChannel(profile, ChannelType::Pan);
        AddFine(profile, pan);
        AddChannel(profile, ChannelType::Tilt);
        AddDimmer(profile);
        CProfileChannelDef* zoom = AddChannel(profile, ChannelType::Zoom);
        AddFine(profile, zoom);
        AddDimmer(profile);
        profile.UpdateRoles();

        CCurveEffect curve(1000);
        curve.SetChannelsFromProfile(&profile, false);
        // Colours first, then pan and tilt, then the others without fine bytes.
        QCOMPARE(curve.m_chanTypes, (QList<int>{25, 26, 27, 31, 1, 2, 7, 14, 7}));
        QCOMPARE(curve.m_chanNums, (QList<unsigned char>{0, 0, 0, 0, 0, 0, 0, 0, 1}));
        QCOMPARE(curve.m_params.at(4).m_fine, true);  // pan is a 16-bit pair
        QCOMPARE(curve.m_params.at(5).m_fine, false); // tilt is not
        QCOMPARE(curve.m_params.at(7).m_fine, true);
        QCOMPARE(curve.m_tables.size(), 9);
        QVERIFY(!curve.m_activeChannels.contains(true));
        QVERIFY(!curve.m_channelDefs.contains(nullptr));

        // Keeping: the active channels stay, with their definitions refreshed.
        curve.m_activeChannels[8] = true;
        curve.m_activeChannels[4] = true;
        curve.SetChannelsFromProfile(&profile, true);
        QCOMPARE(curve.m_chanTypes, (QList<int>{1, 7}));
        QCOMPARE(curve.m_chanNums, (QList<unsigned char>{0, 1}));
        QCOMPARE(curve.m_channelDefs.at(0), pan);

        // A profile without the channel: an active channel keeps its old
        // definition, an inactive one is dropped.
        CLibraryProfile dimmerOnly;
        AddDimmer(dimmerOnly);
        dimmerOnly.UpdateRoles();
        curve.m_activeChannels[1] = false;
        curve.SetChannelsFromProfile(&dimmerOnly, true);
        QCOMPARE(curve.m_chanTypes, (QList<int>{1}));
        QCOMPARE(curve.m_channelDefs.at(0), pan);

        curve.SetChannelsFromProfile(nullptr, false);
        QCOMPARE(curve.ChannelCount(), 1);
        curve.RemoveChannel(5);
        curve.RemoveChannel(-1);
        QCOMPARE(curve.ChannelCount(), 1);
        curve.m_currentChannel = 1;
        curve.ClearChannels();
        QCOMPARE(curve.ChannelCount(), 0);
        QCOMPARE(curve.m_currentChannel, 0);
    }
};

ORVANE_TEST(EffectClassesTest)
#include "EffectClassesTest.moc"
