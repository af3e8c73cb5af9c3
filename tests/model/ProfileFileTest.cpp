#include "DataTable.h"
#include "FileBytes.h"
#include "HostileXml.h"
#include "LibraryProfileBuilder.h"
#include "TestRegistry.h"

#include "Captions.h"
#include "model/FixtureProfile.h"
#include "model/Language.h"
#include "model/XmlDocument.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ProfileBuilder;

namespace {

const QString kLyre = QStringLiteral("Lyre à tête Ω 光");

// Every field away from its default, so that a field the file drops shows.
void FillPreset(CProfilePresetDef& p, int type)
{
    p.m_type = type;
    p.m_name = QStringLiteral("Préset %1 ✦").arg(type);
    p.m_icon = QStringLiteral("System/Presets/Gobos/G%1.png").arg(type);
    p.m_dmxStart = quint8(type * 5);
    p.m_dmxEnd = quint8(type * 5 + 4);
    p.m_dmxDefault = quint8(type * 5 + 2);
    p.m_defaultPreset = true;
    p.m_showDimmer = true;
    p.m_colors[0] = QColor(200, 10, 1);
    p.m_colors[1] = QColor(2, 201, 11);
    p.m_colors[2] = QColor(12, 3, 202);
    p.m_colors[3] = QColor(99, 98, 97);
    p.m_target = 2;
    p.m_paramMin = -5 - type;
    p.m_paramMax = 700 + type;
    p.m_levelMin = 10;
    p.m_levelMax = 200;
    p.m_effectType = 3;
    p.m_priority = true;
    p.m_rotary = true;
    p.m_shake = true;
    p.m_indexFlag = true;
    p.m_selfRotary = true;
}

// What survives a file per preset type group, as the file layout lists it.
enum Field : unsigned {
    Color1 = 1 << 0,
    Color2 = 1 << 1,
    Color4 = 1 << 2,
    Color3 = 1 << 13,
    Target = 1 << 3,
    ParamMin = 1 << 4,
    ParamMax = 1 << 5,
    Levels = 1 << 6,
    Effect = 1 << 7,
    Priority = 1 << 8,
    Rotary = 1 << 9,
    Shake = 1 << 10,
    SelfRotary = 1 << 11,
    IndexFlag = 1 << 12,
};
constexpr unsigned kParams = ParamMin | ParamMax | Levels | Effect | Priority;

unsigned KeptFields(int type)
{
    switch (type) {
    case 1: return Color1;
    case 2: return Effect | Color1 | Color2 | Color3; // three colours: colour 4 is not written
    case 3: case 8: case 9: case 10: case 11: case 28: case 29: case 30: case 32: case 33:
        return Target | kParams;
    case 4: case 12: case 15: case 26: case 34: case 37: return ParamMin | ParamMax;
    case 5: case 13: case 16: case 27: case 38: return ParamMin;
    case 6: case 14: case 21: case 22: case 36: case 39: case 40: return kParams;
    case 7: return Color1 | Rotary | Shake | SelfRotary | IndexFlag | kParams;
    case 17: case 18: return Effect | ParamMin;
    case 31: return Effect | Rotary | SelfRotary | IndexFlag | kParams;
    case 35: return ParamMin | Color1;
    default: return 0;
    }
}

QString ComparePreset(const CProfilePresetDef& in, const CProfilePresetDef& out, unsigned kept)
{
    const CProfilePresetDef fresh;
    QStringList wrong;
    const auto check = [&](const char* name, bool keptField, auto inValue, auto outValue, auto freshValue) {
        if (!(outValue == (keptField ? inValue : freshValue)))
            wrong << QString::fromLatin1(name);
    };
    check("type", true, in.m_type, out.m_type, 0);
    check("name", true, in.m_name, out.m_name, QString());
    check("icon", true, in.m_icon, out.m_icon, QString());
    check("start", true, in.m_dmxStart, out.m_dmxStart, quint8(0));
    check("end", true, in.m_dmxEnd, out.m_dmxEnd, quint8(0));
    check("default", true, in.m_dmxDefault, out.m_dmxDefault, quint8(0));
    check("showDimmer", true, in.m_showDimmer, out.m_showDimmer, false);
    check("defaultPreset", in.CanBeDefault(), in.m_defaultPreset, out.m_defaultPreset, false);
    check("colour1", kept & Color1, in.m_colors[0], out.m_colors[0], fresh.m_colors[0]);
    check("colour2", kept & Color2, in.m_colors[1], out.m_colors[1], fresh.m_colors[1]);
    check("colour3", kept & Color3, in.m_colors[2], out.m_colors[2], fresh.m_colors[2]);
    check("colour4", kept & Color4, in.m_colors[3], out.m_colors[3], fresh.m_colors[3]);
    check("target", kept & Target, in.m_target, out.m_target, -1);
    check("paramMin", kept & ParamMin, in.m_paramMin, out.m_paramMin, 0);
    check("paramMax", kept & ParamMax, in.m_paramMax, out.m_paramMax, 0);
    check("levelMin", kept & Levels, in.m_levelMin, out.m_levelMin, quint8(0));
    check("levelMax", kept & Levels, in.m_levelMax, out.m_levelMax, quint8(255));
    check("effect", kept & Effect, in.m_effectType, out.m_effectType, 0);
    check("priority", kept & Priority, in.m_priority, out.m_priority, false);
    check("rotary", kept & Rotary, in.m_rotary, out.m_rotary, false);
    check("shake", kept & Shake, in.m_shake, out.m_shake, false);
    check("selfRotary", kept & SelfRotary, in.m_selfRotary, out.m_selfRotary, false);
    check("index", kept & IndexFlag, in.m_indexFlag, out.m_indexFlag, false);
    return wrong.join(QLatin1Char(' '));
}

// Two modes with channels and one without: a 16-bit pan (its fine channel
// carrying a stray preset), a two-presets colour wheel pair, colour-dimmer
// and white colours, a beam-specific gobo wheel with a preset of every type.
void BuildRichProfile(CFixtureProfile& profile)
{
    profile.m_fixtureType = 3;
    profile.m_shapeType = 2;
    profile.m_pictureIndex = 4;
    profile.m_beamOpening = 7;
    profile.m_ampliPan = 540;
    profile.m_ampliTilt = 270;
    profile.m_timePan = 1200;
    profile.m_timeTilt = 900;
    profile.m_panCenter = 128;
    profile.m_tiltCenter = 3;
    profile.m_beams = {{0.0f, 0.0f}, {1.25f, 0.5f}, {2.75f, 1.0f}};

    CProfileMode& mode = *profile.m_modes[0];
    CProfileChannelDef* pan = AddChannel(mode, ChannelType::Pan, QStringLiteral("Pan"));
    CProfileChannelDef* panFine = AddChannel(mode, ChannelType::Pan, QStringLiteral("Pan fin"));
    AddChannel(mode, ChannelType::Tilt, QStringLiteral("Tilt"));
    CProfileChannelDef* wheel = AddChannel(mode, ChannelType::ColorWheel, QStringLiteral("Roue"));
    CProfileChannelDef* wheelRot = AddChannel(mode, ChannelType::ColorWheelRot, QStringLiteral("Roue rot"));
    CProfileChannelDef* colorDimmer = AddChannel(mode, ChannelType::ColorDimmer, QStringLiteral("Gradateur ç"));
    CProfileChannelDef* white = AddChannel(mode, ChannelType::White, QStringLiteral("Ambre"));
    CProfileChannelDef* gobos = AddChannel(mode, ChannelType::GoboWheel, kLyre);
    CProfileChannelDef* red = AddChannel(mode, ChannelType::Red, QStringLiteral("Rouge"));

    pan->m_msb = true;
    pan->m_partner16Index = 1;
    pan->m_typeIndex = 0;
    AddPreset(*pan, PresetType::Undef)->m_name = QStringLiteral("Centre");
    panFine->m_lsb = true;
    panFine->m_partner16Index = 0;
    AddPreset(*panFine, PresetType::Undef)->m_name = QStringLiteral("stray");

    wheel->m_twoPresets = true;
    wheel->m_twoPresetIndex = 4;
    wheel->AddRange(0, 99);
    wheel->AddRange(200, 255);
    FillPreset(*AddPreset(*wheel, PresetType::Color), PresetType::Color);
    wheel->m_secondPresets = new CProfileChannelDef;
    FillPreset(*AddPreset(*wheel->m_secondPresets, PresetType::ColorWheelRotation), PresetType::ColorWheelRotation);
    wheelRot->m_typeIndex = 2;

    colorDimmer->m_colorMin = QColor(1, 2, 3);
    colorDimmer->m_colorMax = QColor(250, 128, 0);
    white->m_colorMin = QColor(40, 0, 0);
    white->m_colorMax = QColor(255, 191, 0);
    red->m_colorMin = QColor(9, 9, 9); // only colour channels keep their colours

    gobos->m_beams = QByteArray("\x00\x02", 2);
    gobos->m_typeIndex = 1;
    for (int type = 0; type <= PresetType::TiltPosition; ++type)
        FillPreset(*AddPreset(*gobos, type), type);

    profile.m_modes.append(new CProfileMode);
    AddChannel(*profile.m_modes[1], ChannelType::Dimmer, QStringLiteral("Dim"))->AddDimmerPreset(0, 255, true);
    profile.m_modes.append(new CProfileMode);
    profile.LinkChannels();
    profile.UpdateBeamExtent();
}

// The XML text of a saved ".kvp".
QString SavedXml(const QString& path)
{
    return QString::fromUtf8(QByteArray::fromHex(ReadBytes(path)));
}

QString ProfileXml(const QString& channels, const QString& properties = QStringLiteral("<ZKProperties/>"))
{
    return QStringLiteral("<ZKFile Version=\"2.0\"><ZKProfile>%1<ZKModes ZKNbMode=\"1\"><ZKMode>%2</ZKMode>"
                          "</ZKModes></ZKProfile></ZKFile>")
        .arg(properties, channels);
}

bool IsCleared(const CFixtureProfile& profile)
{
    return profile.m_modes.size() == 1 && profile.m_modes[0]->m_channels.isEmpty() && profile.m_path.isEmpty()
        && profile.m_beams.isEmpty() && profile.m_fixtureType == 0 && profile.m_ampliPan == 360;
}

} // namespace

class ProfileFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    bool WriteXml(const QString& name, const QString& xml) { return WriteBytes(Path(name), xml.toUtf8().toHex()); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Profiles/Fabricant")));
        ResetLanguageTables();
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
        SetLanguage(0);
    }

    void cleanupTestCase() { ResetLanguageTables(); }

    void richProfileRoundTripsFieldByField()
    {
        CFixtureProfile saved(QStringLiteral(":/Orvane/Images/Fixtures/"));
        BuildRichProfile(saved);
        const QString path = Path(QStringLiteral("Profiles/Fabricant/") + kLyre + QStringLiteral(".kvp"));
        QVERIFY(saved.Save(path));
        QCOMPARE(saved.GetPath(), QStringLiteral("Fabricant/") + kLyre + QStringLiteral(".kvp"));

        CFixtureProfile loaded(path, QStringLiteral(":/Orvane/Images/Fixtures/"), false);
        QCOMPARE(loaded.GetPath(), saved.GetPath());
        QCOMPARE(loaded.GetBaseName(), kLyre);
        QCOMPARE(loaded.m_fixtureType, 3);
        QCOMPARE(loaded.m_shapeType, 2);
        QCOMPARE(loaded.m_pictureIndex, 4);
        QCOMPARE(loaded.m_picture, QStringLiteral(":/Orvane/Images/Fixtures/MH/MH5.png"));
        QCOMPARE(loaded.m_beamOpening, 7);
        QCOMPARE(loaded.m_ampliPan, 540);
        QCOMPARE(loaded.m_ampliTilt, 270);
        QCOMPARE(loaded.m_timePan, 1200);
        QCOMPARE(loaded.m_timeTilt, 900);
        QCOMPARE(loaded.m_panCenter, quint8(128));
        QCOMPARE(loaded.m_tiltCenter, quint8(3));
        QCOMPARE(loaded.m_beams.size(), 3);
        QCOMPARE(loaded.m_beams[1].x, 1.25f);
        QCOMPARE(loaded.m_beams[2].x, 2.75f);
        QCOMPARE(loaded.m_beams[2].y, 1.0f);
        QCOMPARE(loaded.m_beamExtentX, 2.75f);
        QCOMPARE(loaded.m_beamExtentY, 1.0f);
        QCOMPARE(loaded.m_currentMode, 0);

        // Mode without channels: counted, not written; every file mode
        // appends one, so the last is the extra, empty one.
        const QString xml = SavedXml(path);
        QVERIFY(xml.contains(QStringLiteral("ZKNbMode=\"3\"")));
        QCOMPARE(xml.count(QStringLiteral("<ZKMode ")), 2);
        QCOMPARE(loaded.m_modes.size(), 3);
        QCOMPARE(loaded.m_modes[1]->ChannelCount(), 1);
        QCOMPARE(loaded.m_modes[1]->m_channels[0]->m_presets[0]->m_type, int(PresetType::Dimmer));
        QVERIFY(loaded.m_modes[1]->m_channels[0]->m_presets[0]->m_defaultPreset);
        QCOMPARE(loaded.m_modes[2]->ChannelCount(), 0);

        const CProfileMode& in = *saved.m_modes[0];
        const CProfileMode& out = *loaded.m_modes[0];
        QCOMPARE(out.ChannelCount(), in.ChannelCount());
        for (int i = 0; i < in.ChannelCount(); ++i) {
            const CProfileChannelDef& a = *in.m_channels[i];
            const CProfileChannelDef& b = *out.m_channels[i];
            QCOMPARE(b.m_index, i);
            QCOMPARE(b.m_type, a.m_type);
            QCOMPARE(b.m_name, a.m_name);
            QCOMPARE(b.m_typeIndex, a.m_typeIndex);
            QCOMPARE(b.m_msb, a.m_msb);
            QCOMPARE(b.m_lsb, a.m_lsb);
            QCOMPARE(b.m_twoPresets, a.m_twoPresets);
            QCOMPARE(b.m_beams, a.m_beams);
        }
        QCOMPARE(out.m_channels[0]->m_partner16, out.m_channels[1]);
        QCOMPARE(out.m_channels[1]->m_partner16, out.m_channels[0]);
        QCOMPARE(out.m_channels[0]->m_partner16Index, 1);
        QCOMPARE(out.m_channels[0]->m_presets[0]->m_partner16, out.m_channels[1]);
        QCOMPARE(out.m_channels[0]->m_presets[0]->m_name, QStringLiteral("Centre"));
        QVERIFY(out.m_channels[1]->m_presets.isEmpty()); // the fine byte's stray preset

        const CProfileChannelDef& wheel = *out.m_channels[3];
        QCOMPARE(wheel.m_twoPresetIndex, 4);
        QCOMPARE(wheel.m_twoPresetPartner, out.m_channels[4]);
        QVERIFY(out.m_channels[4]->m_isTwoPresetPartner);
        QCOMPARE(wheel.RangeCount(), 2);
        QCOMPARE(wheel.m_rangeMin, QByteArray("\x00\xc8", 2));
        QCOMPARE(wheel.m_rangeMax, QByteArray("\x63\xff", 2));
        QCOMPARE(wheel.m_presets.size(), 1);
        QCOMPARE(ComparePreset(*in.m_channels[3]->m_presets[0], *wheel.m_presets[0], KeptFields(1)), QString());
        QVERIFY(wheel.m_secondPresets);
        QCOMPARE(wheel.m_secondPresets->m_presets.size(), 1);
        QCOMPARE(ComparePreset(*in.m_channels[3]->m_secondPresets->m_presets[0], *wheel.m_secondPresets->m_presets[0],
                               KeptFields(3)),
                 QString());
        QCOMPARE(wheel.FindPresetInRanges(7), wheel.m_presets[0]);

        QCOMPARE(out.m_channels[5]->m_colorMin, QColor(1, 2, 3));
        QCOMPARE(out.m_channels[5]->m_colorMax, QColor(250, 128, 0));
        QCOMPARE(out.m_channels[6]->m_colorMin, QColor(40, 0, 0));
        QCOMPARE(out.m_channels[6]->m_colorMax, QColor(255, 191, 0));
        QCOMPARE(out.m_channels[8]->m_colorMin, QColor(Qt::black));

        // Every preset type, each with the attributes of its group.
        const CProfileChannelDef& gobosIn = *in.m_channels[7];
        const CProfileChannelDef& gobosOut = *out.m_channels[7];
        QCOMPARE(gobosOut.m_presets.size(), gobosIn.m_presets.size());
        for (int i = 0; i < gobosIn.m_presets.size(); ++i) {
            const CProfilePresetDef& p = *gobosOut.m_presets[i];
            QCOMPARE(p.m_index, i);
            QVERIFY2(ComparePreset(*gobosIn.m_presets[i], p, KeptFields(i)).isEmpty(),
                     qPrintable(QStringLiteral("type %1: %2").arg(i).arg(ComparePreset(*gobosIn.m_presets[i], p, KeptFields(i)))));
            QCOMPARE(p.m_targetChannel, (KeptFields(i) & Target) ? out.m_channels[2] : nullptr);
        }

        // Saved again over the same file, the loaded profile writes the same XML.
        QVERIFY(loaded.Save(path));
        QCOMPARE(SavedXml(path), xml);
    }

    void conditionalPresetAttributes()
    {
        struct Case {
            int type;
            int effect;
            bool rotary;
            bool shake;
            bool selfRotary;
            unsigned kept;
        };
        const Case cases[] = {
            {PresetType::Gobo, 3, false, false, true, Color1 | Rotary | Shake},
            {PresetType::Gobo, 3, false, true, true, Color1 | Rotary | Shake | SelfRotary | IndexFlag | kParams},
            {PresetType::Gobo, 3, true, false, false, Color1 | Rotary | Shake | SelfRotary},
            {PresetType::LampOn, 0, true, true, true, Effect},
            {PresetType::LampOff, 1, true, true, true, Effect | ParamMin},
            {PresetType::HalfColor, 4, true, true, true, Effect | Color1 | Color2 | Color3 | Color4},
            {PresetType::HalfColor, 2, true, true, true, Effect | Color1 | Color2},
            {PresetType::HalfColor, -2, true, true, true, Effect | Color1 | Color2},
            {PresetType::Prism, 5, false, true, true, Effect | Rotary},
            {PresetType::Prism, 5, true, true, false, Effect | Rotary | SelfRotary},
        };
        CFixtureProfile profile;
        CProfileChannelDef* channel = AddChannel(*profile.m_modes[0], ChannelType::GoboWheel, QStringLiteral("G"));
        for (const Case& c : cases) {
            CProfilePresetDef* p = AddPreset(*channel, c.type);
            FillPreset(*p, c.type);
            p->m_effectType = c.effect;
            p->m_rotary = c.rotary;
            p->m_shake = c.shake;
            p->m_selfRotary = c.selfRotary;
        }
        QVERIFY(profile.Save(Path(QStringLiteral("conditional.kvp"))));
        CFixtureProfile loaded;
        QVERIFY(loaded.Load(Path(QStringLiteral("conditional.kvp"))));
        QCOMPARE(loaded.GetChannel(0)->m_presets.size(), int(std::size(cases)));
        for (int i = 0; i < int(std::size(cases)); ++i) {
            const QString wrong = ComparePreset(*channel->m_presets[i], *loaded.GetChannel(0)->m_presets[i], cases[i].kept);
            QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("case %1: %2").arg(i).arg(wrong)));
        }
    }

    void modesAndBeamsInTheFile()
    {
        CFixtureProfile profile;
        for (int m = 0; m < 3; ++m) {
            if (m > 0)
                profile.m_modes.append(new CProfileMode);
            for (int c = 0; c <= m; ++c)
                AddChannel(*profile.m_modes[m], ChannelType::Dimmer, QStringLiteral("D%1").arg(c));
        }
        profile.m_beams = {{3.0f, 2.0f}};
        const QString path = Path(QStringLiteral("modes.kvp"));
        QVERIFY(profile.Save(path));
        QVERIFY(!SavedXml(path).contains(QStringLiteral("ZKBeams")));

        CFixtureProfile loaded;
        QVERIFY(loaded.Load(path));
        QVERIFY(loaded.m_beams.isEmpty());
        QCOMPARE(loaded.GetBeamsRect(10, 10), QRect(0, 0, 10, 10));
        QCOMPARE(loaded.m_modes.size(), 4);
        for (int m = 0; m < 3; ++m)
            QCOMPARE(loaded.m_modes[m]->ChannelCount(), m + 1);
        QCOMPARE(loaded.m_modes[3]->ChannelCount(), 0);

        // Coordinates are stored in hundredths, truncated.
        profile.m_beams = {{0.287f, 0.0f}, {-1.5f, 2.999f}};
        QVERIFY(profile.Save(path));
        QVERIFY(SavedXml(path).contains(QStringLiteral("ZKBeamPosX=\"28\"")));
        QVERIFY(loaded.Load(path));
        QCOMPARE(loaded.m_beams[0].x, 0.28f);
        QCOMPARE(loaded.m_beams[1].x, -1.5f);
        QCOMPARE(loaded.m_beams[1].y, 2.99f);
        QCOMPARE(loaded.m_beamExtentX, 0.28f);
    }

    // The reader ends every profile with an empty mode; any other mode
    // without channels keeps its place, and a second save is the first.
    void emptyModesKeepTheirPlace_data()
    {
        QTest::addColumn<QList<int>>("channels");
        QTest::newRow("between two") << QList<int>{1, 0, 2};
        QTest::newRow("first") << QList<int>{0, 3};
        QTest::newRow("two in a row") << QList<int>{2, 0, 0, 1};
        QTest::newRow("last, besides the reader's") << QList<int>{1, 0};
    }
    void emptyModesKeepTheirPlace()
    {
        QFETCH(QList<int>, channels);
        CFixtureProfile profile;
        for (int m = 0; m < channels.size(); ++m) {
            if (m > 0)
                profile.m_modes.append(new CProfileMode);
            for (int c = 0; c < channels[m]; ++c)
                AddChannel(*profile.m_modes[m], ChannelType::Dimmer, QStringLiteral("M%1.%2").arg(m).arg(c));
        }
        profile.m_modes.append(new CProfileMode);
        const QString path = Path(QStringLiteral("empty.kvp"));
        QVERIFY(profile.Save(path));
        const QByteArray first = ReadBytes(path);
        CFixtureProfile loaded;
        QVERIFY(loaded.Load(path));
        QList<int> read;
        for (const CProfileMode* mode : loaded.m_modes)
            read << mode->ChannelCount();
        QCOMPARE(read, channels + QList<int>{0});
        QVERIFY(loaded.Save(path));
        QCOMPARE(ReadBytes(path), first);
    }

    // A thousand cells either way is the most a beam may lie off; a file
    // beyond it is refused, a profile beyond it is written at the limit, and
    // a position is written as it was read.
    void beamPositionsAreBoundedAtAThousandCells_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("loads");
        QTest::newRow("53 hundredths") << "53" << true; // 52.99... in floats
        QTest::newRow("limit") << "100000" << true;
        QTest::newRow("negative limit") << "-100000" << true;
        QTest::newRow("past it") << "100001" << false;
        QTest::newRow("negative past it") << "-100001" << false;
    }
    void beamPositionsAreBoundedAtAThousandCells()
    {
        QFETCH(QString, stored);
        QFETCH(bool, loads);
        const QString name = QStringLiteral("beam%1.kvp").arg(QTest::currentDataTag()).remove(QLatin1Char(' '));
        // A single beam is never written: two of them.
        QVERIFY(WriteXml(name, ProfileXml(QString(), QStringLiteral("<ZKProperties><ZKBeams><ZKBeam ZKBeamPosX=\"%1\" "
                                                                    "ZKBeamPosY=\"0\"/><ZKBeam/></ZKBeams></ZKProperties>")
                                                         .arg(stored))));
        CFixtureProfile profile;
        QCOMPARE(profile.Load(Path(name)), loads);
        if (!loads)
            return;
        QCOMPARE(profile.m_beams[0].x, stored.toFloat() / 100.0f);
        // Saved again as it was read; past the limit, at the limit.
        for (float scale : {1.0f, qAbs(stored.toInt()) == 100000 ? 5.0f : 1.0f}) {
            profile.m_beams[0].x *= scale;
            QVERIFY(profile.Save(Path(name)));
            QVERIFY(SavedXml(Path(name)).contains(QStringLiteral("ZKBeamPosX=\"%1\"").arg(stored)));
        }
    }

    // A channel names its beams by a byte: positions past the 256th are
    // left out, whatever they hold, and the rest read as written.
    void beamCountIsHeldToWhatAChannelCanName_data()
    {
        Columns<int, int>("inFile", "read");
        QTest::newRow("two") << 2 << 2;
        QTest::newRow("as many as a channel can name") << 256 << 256;
        QTest::newRow("one more") << 257 << 256;
        QTest::newRow("65536") << 65536 << 256;
    }
    void beamCountIsHeldToWhatAChannelCanName()
    {
        const auto [inFile, read] = Row<int, int>("inFile", "read");
        // Past the 256th, a position out of range is not even looked at.
        QByteArray beams = BeamsXml(inFile);
        if (inFile > 256)
            beams.replace("</ZKBeams>", "<ZKBeam ZKBeamPosX=\"100001\"/></ZKBeams>");
        const QString name = QStringLiteral("beams%1.kvp").arg(inFile);
        QVERIFY(WriteXml(name, ProfileXml(QString(), "<ZKProperties>" + beams + "</ZKProperties>")));
        CFixtureProfile profile;
        QVERIFY(profile.Load(Path(name)));
        QCOMPARE(profile.m_beams.size(), read);
        QCOMPARE(profile.m_beams.last().x, float((read - 1) % 256) / 100.0f);
    }

    void profileInsideAnotherDocument()
    {
        CFixtureProfile profile;
        BuildRichProfile(profile);
        profile.m_currentMode = 1;
        CXmlDocument doc;
        doc.NewDocument();
        doc.AddElement(QStringLiteral("ZKLibrary"), doc.m_element[CXmlDocument::RootSlot]);
        const QDomElement library = doc.CurrentElement();
        doc.WriteProfile(profile, false);
        QCOMPARE(doc.CurrentElement(), library);
        const QString xml = doc.m_document.toString();
        QVERIFY(xml.contains(QStringLiteral("ZKNbMode=\"1\"")));
        QCOMPARE(xml.count(QStringLiteral("<ZKMode ")), 1);

        CFixtureProfile embedded;
        QVERIFY(doc.ReadProfile(embedded));
        QCOMPARE(doc.CurrentElement(), library);
        QCOMPARE(embedded.m_currentMode, 0);
        QCOMPARE(embedded.ChannelCount(), 1);
        QCOMPARE(embedded.GetChannel(0)->m_name, QStringLiteral("Dim"));

        // Nothing there: false, cursor unchanged.
        doc.CurrentElement() = doc.m_element[CXmlDocument::RootSlot];
        QString error;
        QVERIFY(!doc.ReadProfile(embedded, &error));
        QCOMPARE(error, GetLangText(Txt::NoFixtureProfile));
        QCOMPARE(doc.CurrentElement(), doc.m_element[CXmlDocument::RootSlot]);

        // A current mode outside the list writes no mode at all.
        profile.m_currentMode = 9;
        doc.CurrentElement() = library;
        doc.WriteProfile(profile, false);
        QCOMPARE(doc.m_document.toString().count(QStringLiteral("<ZKMode ")), 1);
    }

    void lsbChannelReadsNoPresetsEvenWhenTheFileHasThem()
    {
        QVERIFY(WriteXml(QStringLiteral("lsb.kvp"),
                         ProfileXml(QStringLiteral(
                             "<ZKChannel ZKChannelType=\"1\" ZKChannelMSB=\"1\" ZKChannel16BitsIndex=\"1\">"
                             "<ZKPresets><ZKPreset ZKPresetType=\"0\"/></ZKPresets></ZKChannel>"
                             "<ZKChannel ZKChannelType=\"1\" ZKChannelMSB=\"0\" ZKChannelLSB=\"1\" ZKChannel16BitsIndex=\"0\">"
                             "<ZKPresets><ZKPreset ZKPresetType=\"4\"/><ZKPreset/></ZKPresets></ZKChannel>"))));
        CFixtureProfile profile;
        QVERIFY(profile.Load(Path(QStringLiteral("lsb.kvp"))));
        QCOMPARE(profile.GetChannel(0)->m_presets.size(), 1);
        QVERIFY(profile.GetChannel(1)->m_lsb);
        QVERIFY(profile.GetChannel(1)->m_presets.isEmpty());
        QCOMPARE(profile.GetChannel(1)->m_partner16, profile.GetChannel(0));
    }

    // A 16-bit flag goes out only with its partner's index: alone, the
    // reader would pair the channel with whatever index 0 holds.
    void sixteenBitFlagsAreWrittenOnlyWithTheirPartner()
    {
        CFixtureProfile profile;
        CProfileMode& mode = *profile.m_modes[0];
        CProfileChannelDef outside;
        CProfileChannelDef* pan = AddChannel(mode, ChannelType::Pan, QStringLiteral("P"));
        pan->m_lsb = true; // no partner at all: written coarse, presets and all
        pan->AddDimmerPreset(0, 255, true);
        CProfileChannelDef* tilt = AddChannel(mode, ChannelType::Tilt, QStringLiteral("T"));
        tilt->m_msb = true;
        tilt->m_partner16 = &outside; // not in the mode
        const QString path = Path(QStringLiteral("alone.kvp"));
        QVERIFY(profile.Save(path));
        const QString xml = SavedXml(path);
        QVERIFY(!xml.contains(QStringLiteral("ZKChannelLSB=\"1\"")));
        QVERIFY(!xml.contains(QStringLiteral("ZKChannelMSB=\"1\"")));
        QVERIFY(!xml.contains(QStringLiteral("ZKChannel16BitsIndex")));
        CFixtureProfile loaded;
        QVERIFY(loaded.Load(path));
        QVERIFY(!loaded.GetChannel(0)->m_lsb && !loaded.GetChannel(1)->m_msb);
        QVERIFY(!loaded.GetChannel(0)->m_partner16 && !loaded.GetChannel(1)->m_partner16);
        QCOMPARE(loaded.GetChannel(0)->m_presets.size(), 1);
    }

    // The flags of a channel as the file holds them, damaged or not: fine or
    // coarse without a partner in the mode is neither (a fine one gets its
    // presets, the stale partner is forgotten); second presets come only
    // with their flag and with first ones. A save reads back the same.
    void presetFlagsAsTheFileHoldsThem_data()
    {
        Columns<QString, int, int>("channel", "presets", "secondPresets");
        const QString two = QStringLiteral("<ZKPresets><ZKPreset/><ZKPreset/></ZKPresets>");
        const QString one = QStringLiteral("<ZKPresets2><ZKPreset/></ZKPresets2>");
        QTest::newRow("fine, partner past the mode") << "ZKChannelLSB=\"1\" ZKChannel16BitsIndex=\"9\">" + two << 2 << -1;
        QTest::newRow("coarse, partner past the mode") << "ZKChannelMSB=\"1\" ZKChannel16BitsIndex=\"5\">" + two << 2 << -1;
        QTest::newRow("second presets") << "ZKChannel2Presets=\"1\" ZKChannel2PresetsIndex=\"0\">" + two + one << 2 << 1;
        QTest::newRow("second presets without the flag") << "ZKChannel2Presets=\"0\">" + two + one << 2 << -1;
        QTest::newRow("second presets without first ones") << "ZKChannel2Presets=\"1\" ZKChannel2PresetsIndex=\"0\">" + one
                                                           << 0 << -1;
    }
    void presetFlagsAsTheFileHoldsThem()
    {
        const auto [channel, presets, secondPresets] = Row<QString, int, int>("channel", "presets", "secondPresets");
        QVERIFY(WriteXml(QStringLiteral("flags.kvp"), ProfileXml("<ZKChannel ZKChannelType=\"1\" " + channel + "</ZKChannel>")));
        CFixtureProfile profile;
        for (int pass = 0; pass < 2; ++pass) {
            QVERIFY(profile.Load(Path(QStringLiteral("flags.kvp"))));
            const CProfileChannelDef* c = profile.GetChannel(0);
            QVERIFY(!c->m_lsb && !c->m_msb);
            QCOMPARE(c->m_partner16Index, -1);
            QCOMPARE(c->m_presets.size(), presets);
            QCOMPARE(c->m_secondPresets ? c->m_secondPresets->m_presets.size() : -1, secondPresets);
            QVERIFY(profile.Save(Path(QStringLiteral("flags.kvp"))));
        }
    }

    void otherStoredForms()
    {
        CFixtureProfile profile;
        AddChannel(*profile.m_modes[0], ChannelType::Dimmer, QStringLiteral("D"));
        CXmlDocument doc;
        doc.NewDocument();
        doc.WriteProfile(profile, true);
        QVERIFY(doc.SaveFile(Path(QStringLiteral("scrambled.zkp"))));
        QVERIFY(doc.SaveFile(Path(QStringLiteral("CAPITAL.KVP"))));
        QCOMPARE(ReadBytes(Path(QStringLiteral("CAPITAL.KVP"))), doc.ToBytes().toHex());
        for (const QString& name : {QStringLiteral("scrambled.zkp"), QStringLiteral("CAPITAL.KVP")}) {
            CFixtureProfile loaded;
            QString error;
            QVERIFY2(loaded.Load(Path(name), false, &error), qPrintable(error));
            QCOMPARE(loaded.GetChannel(0)->m_name, QStringLiteral("D"));
        }

        // The oldest layout: the kind of fixture and the channel counts only.
        QVERIFY(WriteXml(QStringLiteral("old.kvp"),
                         ProfileXml(QStringLiteral("<ZKChannel ZKChannelType=\"7\"/><ZKChannel ZKChannelType=\"25\"/>"),
                                    QStringLiteral("<ZKProperties ZKFixtType=\"2\" ZKShapeType=\"1\" ZKAmpliPan=\"99\"/>"))));
        CFixtureProfile old;
        QVERIFY(old.Load(Path(QStringLiteral("old.kvp")), true));
        QCOMPARE(old.m_fixtureType, 2);
        QCOMPARE(old.m_shapeType, 1);
        QCOMPARE(old.m_ampliPan, 360);
        QCOMPARE(old.m_modes.size(), 2);
        QCOMPARE(old.m_modes[1]->ChannelCount(), 2);
        QCOMPARE(old.m_modes[1]->m_channels[1]->m_type, 0);
        QVERIFY(WriteXml(QStringLiteral("old2.kvp"), QStringLiteral("<ZKFile><ZKProfile><ZKProperties/></ZKProfile></ZKFile>")));
        QVERIFY(!old.Load(Path(QStringLiteral("old2.kvp")), true));
        QVERIFY(IsCleared(old));
    }

    void missingAttributesKeepDefaults()
    {
        QVERIFY(WriteXml(QStringLiteral("sparse.kvp"),
                         ProfileXml(QStringLiteral("<ZKChannel><ZKPresets><ZKPreset/><ZKPreset ZKPresetType=\"2\"/></ZKPresets></ZKChannel>"
                                                   "<ZKChannel ZKChannelName=\"Ä\u00C2b\u00C2\" ZKChannel2Presets=\"1\">"
                                                   "<ZKChannelDmxRanges ZKChannelNbRange=\"7\"><ZKChannelDmxRange ZKChannelRangeMin=\"9\"/>"
                                                   "</ZKChannelDmxRanges><ZKBeams><ZKBeam/><ZKBeam ZKBeamIndex=\"1\"/></ZKBeams></ZKChannel>"),
                                    QStringLiteral("<ZKProperties><ZKBeams><ZKBeam ZKBeamPosX=\"150\"/><ZKBeam ZKBeamPosY=\"50\"/></ZKBeams></ZKProperties>"))));
        CFixtureProfile profile;
        QString error;
        QVERIFY2(profile.Load(Path(QStringLiteral("sparse.kvp")), false, &error), qPrintable(error));
        QCOMPARE(profile.m_ampliTilt, 220);
        QCOMPARE(profile.m_picture, QStringLiteral("LED/LED1.png"));
        // A missing coordinate repeats the previous beam's.
        QCOMPARE(profile.m_beams.size(), 2);
        QCOMPARE(profile.m_beams[1].x, 1.5f);
        QCOMPARE(profile.m_beams[1].y, 0.5f);
        const CProfileChannelDef* bare = profile.GetChannel(0);
        QCOMPARE(bare->m_type, 0);
        QCOMPARE(bare->m_presets.size(), 2);
        QCOMPARE(bare->m_presets[1]->m_index, 1);
        QCOMPARE(bare->m_presets[1]->m_colors[2], QColor(Qt::white));
        const CProfileChannelDef* named = profile.GetChannel(1);
        QCOMPARE(named->m_name, QStringLiteral("Äb")); // U+00C2 removed, other letters kept
        QCOMPARE(named->RangeCount(), 1); // the elements count, not the count attribute
        QCOMPARE(named->m_rangeMin, QByteArray(1, '\x09'));
        QCOMPARE(named->m_beams, QByteArray(1, '\x01'));
        QVERIFY(!named->m_twoPresetPartner); // no partner index
        QVERIFY(!named->m_secondPresets);
    }

    void outOfRangeNumbersAreHarmless()
    {
        QVERIFY(WriteXml(QStringLiteral("wild.kvp"),
                         ProfileXml(QStringLiteral(
                             "<ZKChannel ZKChannelType=\"999\" ZKChannelMSB=\"1\" ZKChannel16BitsIndex=\"70000\">"
                             "<ZKBeams><ZKBeam ZKBeamIndex=\"300\"/></ZKBeams>"
                             "<ZKPresets ZKNbPreset=\"2000000000\"><ZKPreset ZKPresetType=\"2\" ZKPresetEffectType=\"1000000\""
                             " ZKPresetColor=\"-1\" ZKPresetColor4=\"99999999999\" ZKPresetDmxStart=\"-3\"/>"
                             "<ZKPreset ZKPresetType=\"3\" ZKPresetTarget=\"-5\"/><ZKPreset ZKPresetType=\"77\"/></ZKPresets></ZKChannel>"
                             "<ZKChannel ZKChannelType=\"-4\" ZKChannel2Presets=\"1\" ZKChannel2PresetsIndex=\"-2\"/>"),
                                    QStringLiteral("<ZKProperties ZKPanCenter=\"300\" ZKPictureIndex=\"2147483647\" ZKFixtType=\"-9\">"
                                                   "<ZKBeams ZKNbBeam=\"-1\"><ZKBeam ZKBeamPosX=\"-250\" ZKBeamPosY=\"-1\"/>"
                                                   "<ZKBeam ZKBeamPosX=\"-100\" ZKBeamPosY=\"-700\"/></ZKBeams></ZKProperties>"))));
        CFixtureProfile profile;
        QString error;
        QVERIFY2(profile.Load(Path(QStringLiteral("wild.kvp")), false, &error), qPrintable(error));
        QCOMPARE(profile.m_panCenter, quint8(300 & 0xFF));
        QCOMPARE(profile.m_picture, QStringLiteral("OTHER/OTHER2147483648.png"));
        QCOMPARE(profile.m_beamExtentX, 0.0f);
        QCOMPARE(profile.m_beamExtentY, 0.0f);
        QCOMPARE(profile.GetBeamsRect(4, 4), QRect(0, 0, 4, 4));
        CProfileChannelDef* wild = profile.GetChannel(0);
        QCOMPARE(GetChannelTypeName(wild->m_type), QStringLiteral("Undef"));
        QVERIFY(!wild->m_partner16);
        QCOMPARE(wild->m_beams, QByteArray(1, char(300 & 0xFF)));
        QCOMPARE(wild->m_presets.size(), 3);
        CProfilePresetDef* halfColor = wild->m_presets[0];
        QCOMPARE(halfColor->m_dmxStart, quint8(253));
        QVERIFY(halfColor->IsSame(*halfColor));
        QVERIFY(!wild->m_presets[1]->m_targetChannel);
        QCOMPARE(wild->m_presets[2]->m_type, 77);
        QVERIFY(!profile.GetChannel(1)->m_twoPresetPartner);
        QVERIFY(!profile.GetChannel(0)->m_isTwoPresetPartner);

        // Saved again, the odd values stay as they came.
        QVERIFY(profile.Save(Path(QStringLiteral("wild2.kvp"))));
        CFixtureProfile again;
        QVERIFY(again.Load(Path(QStringLiteral("wild2.kvp"))));
        QCOMPARE(again.GetChannel(0)->m_type, 999);
        QCOMPARE(again.GetChannel(0)->m_presets[2]->m_type, 77);
        QCOMPARE(again.m_beams[1].y, -7.0f);
    }

    void brokenProfilesLeaveAClearedProfileAndAReason()
    {
        struct Case {
            const char* name;
            QByteArray stored;
            QString error;
        };
        const QByteArray good = ProfileXml(QStringLiteral("<ZKChannel ZKChannelType=\"7\"/>")).toUtf8().toHex();
        const Case cases[] = {
            {"cut.kvp", good.left(good.size() - 3), GetLangText(Txt::NotHexText)},
            {"noprofile.kvp", QByteArray("<ZKFile Version=\"2.0\"><ZKOther/></ZKFile>").toHex(), GetLangText(Txt::NoFixtureProfile)},
            {"noproperties.kvp", QByteArray("<ZKFile><ZKProfile><ZKModes/></ZKProfile></ZKFile>").toHex(),
             GetLangText(Txt::NoFixtureProfile)},
            {"root.kvp", QByteArray("<ZKProfile><ZKProperties/></ZKProfile>").toHex(), GetLangText(Txt::BadFileFormat)},
            {"beams.kvp",
             ProfileXml(QString(), QStringLiteral("<ZKProperties><ZKBeams><ZKBeam ZKBeamPosX=\"0\"/>"
                                                  "<ZKBeam ZKBeamPosX=\"2147483647\"/></ZKBeams></ZKProperties>"))
                 .toUtf8()
                 .toHex(),
             GetLangText(Txt::BeamPositionOutOfRange)},
            {"bomb.zkp", CXmlDocument::EncodeStorage(CXmlDocument::ScrambledStorage, EntityBombXml(1000)),
             GetLangText(Txt::DocumentDeclaresEntities)},
        };
        for (const Case& c : cases) {
            QVERIFY(WriteBytes(Path(QString::fromLatin1(c.name)), c.stored));
            CFixtureProfile profile;
            AddChannel(*profile.m_modes[0], ChannelType::Dimmer, QStringLiteral("before"));
            profile.m_ampliPan = 1;
            QString error;
            QVERIFY2(!profile.Load(Path(QString::fromLatin1(c.name)), false, &error), c.name);
            QCOMPARE(error, c.error);
            QVERIFY2(IsCleared(profile), c.name);
        }
        CFixtureProfile missing(Path(QStringLiteral("absent.kvp")), QString(), false);
        QVERIFY(IsCleared(missing));
        QString error;
        QVERIFY(!missing.Load(Path(QStringLiteral("absent.kvp")), false, &error));
        QVERIFY(error.contains(QStringLiteral("absent.kvp")));
    }

    void failedSaveKeepsTheOldProfile()
    {
        const QString path = Path(QStringLiteral("keep.kvp"));
        CFixtureProfile profile;
        AddChannel(*profile.m_modes[0], ChannelType::Dimmer, QStringLiteral("kept"));
        QVERIFY(profile.Save(path));
        const QByteArray before = ReadBytes(path);
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("keep.kvp.dir")));
        QString error;
        QVERIFY(!profile.Save(Path(QStringLiteral("keep.kvp.dir")), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!profile.Save(Path(QStringLiteral("none/keep.kvp"))));
        QCOMPARE(ReadBytes(path), before);
    }
};

ORVANE_TEST(ProfileFileTest)
#include "ProfileFileTest.moc"
