#include "LibraryProfileBuilder.h"
#include "TestRegistry.h"

#include "model/FixtureProfile.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

// A mode with a 16-bit pan, a two-presets colour wheel pair and a preset
// that targets another channel.
void BuildLinkedMode(CFixtureProfile& profile)
{
    CProfileMode& mode = *profile.m_modes[0];
    CProfileChannelDef* pan = AddChannel(mode, ChannelType::Pan, QStringLiteral("Pan"));
    CProfileChannelDef* panFine = AddChannel(mode, ChannelType::Pan, QStringLiteral("Pan fine"));
    CProfileChannelDef* wheel = AddChannel(mode, ChannelType::ColorWheel, QStringLiteral("Wheel"));
    AddChannel(mode, ChannelType::ColorWheelRot, QStringLiteral("Wheel rot"));
    pan->m_msb = true;
    pan->m_partner16Index = 1;
    panFine->m_lsb = true;
    panFine->m_partner16Index = 0;
    AddPreset(*pan, PresetType::Undef, 0, 255);
    wheel->m_twoPresets = true;
    wheel->m_twoPresetIndex = 3;
    AddPreset(*wheel, PresetType::Color, 0, 10)->m_target = 3;
    profile.LinkChannels();
}

// Every link of a profile points at a channel of that profile's own modes.
bool LinksStayInside(const CFixtureProfile& profile)
{
    QSet<const CProfileChannelDef*> own;
    for (const CProfileMode* mode : profile.m_modes)
        for (const CProfileChannelDef* c : mode->m_channels)
            own.insert(c);
    const auto inside = [&](const CProfileChannelDef* c) { return !c || own.contains(c); };
    for (const CProfileMode* mode : profile.m_modes) {
        for (const CProfileChannelDef* c : mode->m_channels) {
            if (!inside(c->m_partner16) || !inside(c->m_twoPresetPartner))
                return false;
            for (const CProfilePresetDef* p : c->m_presets)
                if (!inside(p->m_partner16) || !inside(p->m_targetChannel))
                    return false;
        }
    }
    return true;
}

} // namespace

class ProfileModelTest : public QObject
{
    Q_OBJECT

private slots:
    void typeNamesAndIcons()
    {
        QCOMPARE(GetChannelTypeName(34), QStringLiteral("Control"));
        for (int outside : {0, 35, -1, 1000})
            QCOMPARE(GetChannelTypeName(outside), QStringLiteral("Undef"));
        const QString channels = QStringLiteral(":/Orvane/Images/Channels/");
        QCOMPARE(GetChannelTypeIcon(3, channels), channels + QStringLiteral("RollerX.png"));
        QCOMPARE(GetChannelTypeIcon(35, channels), channels + QStringLiteral("Undef.png"));

        const QString presets = QStringLiteral("System/Presets/");
        QCOMPARE(GetPresetTypeName(40), QStringLiteral("Zoom Pulse"));
        // The odd file names are the names the pictures carry.
        QCOMPARE(GetPresetTypeIcon(14, presets), presets + QStringLiteral("Iris/IrisPulsDouble.png.png"));
        QCOMPARE(GetPresetTypeIcon(31, presets), presets + QStringLiteral("Prism/Prism3F"));
        QCOMPARE(GetPresetTypeIcon(17, presets), presets + QStringLiteral("Lamp/LampOn"));
        QCOMPARE(GetPresetTypeIcon(7, presets), presets + QStringLiteral("Undef.png"));
        // The editor's pattern, pan and tilt presets have no entry of their own.
        for (int type : {0, int(PresetType::Pattern), int(PresetType::PanPosition), int(PresetType::TiltPosition), -4}) {
            QCOMPARE(GetPresetTypeName(type), QStringLiteral("Undef"));
            QCOMPARE(GetPresetTypeIcon(type, presets), presets + QStringLiteral("Undef.png"));
        }
    }

    void clearedProfileHasDefaultsAndOneEmptyMode()
    {
        CFixtureProfile profile(QStringLiteral(":/pics/"));
        QCOMPARE(profile.m_modes.size(), 1);
        QCOMPARE(profile.ChannelCount(), 0);
        QCOMPARE(profile.m_beamOpening, 16);
        QCOMPARE(profile.m_ampliPan, 360);
        QCOMPARE(profile.m_ampliTilt, 220);
        QCOMPARE(profile.m_panCenter, quint8(127));

        profile.m_modes.append(new CProfileMode);
        AddChannel(*profile.m_modes[1], ChannelType::Dimmer);
        profile.m_currentMode = 1;
        profile.m_beams = {{0, 0}, {1, 0}};
        profile.m_ampliPan = 540;
        profile.m_path = QStringLiteral("x.kvp");
        profile.Clear(true);
        QCOMPARE(profile.m_modes.size(), 1);
        QCOMPARE(profile.m_modes[0]->ChannelCount(), 0);
        QCOMPARE(profile.m_currentMode, 0);
        QVERIFY(profile.m_beams.isEmpty());
        QCOMPARE(profile.m_ampliPan, 360);
        QVERIFY(profile.m_path.isEmpty());
        QCOMPARE(profile.m_pictureFolder, QStringLiteral(":/pics/"));
    }

    void pathIsKeptRelativeToTheProfileFolder()
    {
        CFixtureProfile profile;
        profile.SetPath(QStringLiteral("/home/op/Profiles/old/Profiles/Moving.Head 2.kvp"));
        QCOMPARE(profile.GetPath(), QStringLiteral("Moving.Head 2.kvp"));
        QCOMPARE(profile.GetBaseName(), QStringLiteral("Moving.Head 2"));
        profile.SetPath(QStringLiteral("/home/op/profiles/Par.kvp")); // the folder name is case-sensitive
        QCOMPARE(profile.GetPath(), QStringLiteral("/home/op/profiles/Par.kvp"));
        profile.SetPath(QStringLiteral("Profiles/"));
        QCOMPARE(profile.GetPath(), QString());
    }

    void picturePerFixtureType()
    {
        CFixtureProfile profile(QStringLiteral(":/F/"));
        profile.m_fixtureType = 7;
        profile.m_pictureIndex = 2;
        profile.UpdatePicture();
        QCOMPARE(profile.m_picture, QStringLiteral(":/F/OTHER/OTHER3.png"));
        profile.m_fixtureType = 4;
        profile.m_pictureIndex = 0;
        profile.UpdatePicture();
        QCOMPARE(profile.m_picture, QStringLiteral(":/F/OTHER/LASER1.png"));
        profile.m_fixtureType = 3;
        profile.m_pictureIndex = 2147483647; // from a file: no overflow
        profile.UpdatePicture();
        QCOMPARE(profile.m_picture, QStringLiteral(":/F/MH/MH2147483648.png"));
    }

    void channelAccessIsRangeChecked()
    {
        CFixtureProfile profile;
        AddChannel(*profile.m_modes[0], ChannelType::Dimmer);
        AddChannel(*profile.m_modes[0], ChannelType::Red);
        QCOMPARE(profile.GetChannel(1)->m_type, int(ChannelType::Red));
        QVERIFY(!profile.GetChannel(2));
        QVERIFY(!profile.GetChannel(-1));
        profile.m_currentMode = 1;
        QVERIFY(!profile.CurrentMode());
        QVERIFY(!profile.GetChannel(0));
        QCOMPARE(profile.ChannelCount(), 0);
        profile.m_currentMode = -1;
        QVERIFY(!profile.GetChannel(0));
    }

    void beamExtentAndBeamsRect()
    {
        CFixtureProfile profile;
        QCOMPARE(profile.GetBeamsRect(10, 8), QRect(0, 0, 10, 8));

        profile.m_beams = {{0.0f, 0.0f}, {1.5f, 0.25f}, {0.5f, 2.0f}};
        profile.UpdateBeamExtent();
        QCOMPARE(profile.m_beamExtentX, 1.5f);
        QCOMPARE(profile.m_beamExtentY, 2.0f);
        // (1.5 + 1) * 10 - 1 and (2 + 1) * 7 - 1
        QCOMPARE(profile.GetBeamsRect(10, 7), QRect(QPoint(0, 0), QPoint(24, 20)));
        // trunc((0.25 + 1) * 5) - 1 = 5 with x = 0.25: the fraction is cut.
        profile.m_beams = {{0.25f, 0.0f}, {0.0f, 0.0f}};
        profile.UpdateBeamExtent();
        QCOMPARE(profile.GetBeamsRect(5, 5), QRect(QPoint(0, 0), QPoint(5, 4)));

        // Negative positions never shrink the grid below one cell.
        profile.m_beams = {{-3.0f, -1.0f}, {-0.5f, -2.0f}};
        profile.UpdateBeamExtent();
        QCOMPARE(profile.m_beamExtentX, 0.0f);
        QCOMPARE(profile.m_beamExtentY, 0.0f);
        QCOMPARE(profile.GetBeamsRect(6, 4), QRect(0, 0, 6, 4));

        // One beam: no extent, whatever was there before.
        profile.m_beamExtentX = 4.0f;
        profile.m_beams = {{4.0f, 4.0f}};
        profile.UpdateBeamExtent();
        QCOMPARE(profile.m_beamExtentX, 0.0f);
        QCOMPARE(profile.GetBeamsRect(6, 4), QRect(0, 0, 6, 4));

        profile.m_beamExtentX = 3.0e9f; // set by hand: the rectangle stays representable
        QVERIFY(profile.GetBeamsRect(1000, 4).right() > 0);
    }

    void linksFollowTheStoredIndices()
    {
        CFixtureProfile profile;
        BuildLinkedMode(profile);
        CProfileMode& mode = *profile.m_modes[0];
        QCOMPARE(mode.m_channels[0]->m_partner16, mode.m_channels[1]);
        QCOMPARE(mode.m_channels[1]->m_partner16, mode.m_channels[0]);
        QCOMPARE(mode.m_channels[0]->m_presets[0]->m_partner16, mode.m_channels[1]);
        QCOMPARE(mode.m_channels[2]->m_twoPresetPartner, mode.m_channels[3]);
        QCOMPARE(mode.m_channels[3]->m_twoPresetPartner, mode.m_channels[2]);
        QVERIFY(mode.m_channels[3]->m_isTwoPresetPartner);
        QVERIFY(!mode.m_channels[2]->m_isTwoPresetPartner);
        QCOMPARE(mode.m_channels[2]->m_presets[0]->m_targetChannel, mode.m_channels[3]);
        QVERIFY(!mode.m_channels[2]->m_presets[0]->m_partner16); // not an MSB channel
    }

    void partnerIndicesOutsideTheModeLinkNothing()
    {
        for (int bad : {-1, 4, 1000}) {
            CFixtureProfile profile;
            BuildLinkedMode(profile);
            CProfileMode& mode = *profile.m_modes[0];
            mode.m_channels[2]->m_twoPresetIndex = bad;
            mode.m_channels[0]->m_partner16Index = bad;
            mode.m_channels[2]->m_presets[0]->m_target = bad;
            profile.LinkChannels();
            QVERIFY(!mode.m_channels[2]->m_twoPresetPartner);
            for (const CProfileChannelDef* c : mode.m_channels)
                QVERIFY(!c->m_isTwoPresetPartner);
            // An index changed after linking must not leave the old link.
            QVERIFY(!mode.m_channels[0]->m_partner16);
            QVERIFY(!mode.m_channels[0]->m_presets[0]->m_partner16);
            QVERIFY(!mode.m_channels[2]->m_presets[0]->m_targetChannel);
            QCOMPARE(mode.m_channels[1]->m_partner16, mode.m_channels[0]);
        }
    }

    void copiesNeverPointIntoTheOriginal()
    {
        auto* original = new CFixtureProfile(QStringLiteral(":/F/"));
        BuildLinkedMode(*original);
        original->m_modes.append(new CProfileMode(*original->m_modes[0]));
        original->m_currentMode = 1;
        original->m_beams = {{0, 0}, {2, 1}};
        original->UpdateBeamExtent();
        original->m_modes[0]->m_channels[2]->m_secondPresets = new CProfileChannelDef;
        AddPreset(*original->m_modes[0]->m_channels[2]->m_secondPresets, PresetType::Gobo, 20, 30);

        CFixtureProfile copy(*original);
        CFixtureProfile assigned;
        assigned = *original;
        delete original; // dangling links would show under the sanitizer

        for (CFixtureProfile* p : {&copy, &assigned}) {
            QCOMPARE(p->m_currentMode, 1);
            QCOMPARE(p->m_modes.size(), 2);
            QCOMPARE(p->m_beamExtentX, 2.0f);
            QVERIFY(LinksStayInside(*p));
            for (CProfileMode* mode : p->m_modes) {
                QCOMPARE(mode->m_channels[0]->m_partner16, mode->m_channels[1]);
                QCOMPARE(mode->m_channels[2]->m_presets[0]->m_targetChannel->m_name, QStringLiteral("Wheel rot"));
            }
            QCOMPARE(p->m_modes[0]->m_channels[2]->m_secondPresets->m_presets[0]->m_dmxStart, quint8(20));
            QCOMPARE(p->GetChannel(3)->m_twoPresetPartner, p->GetChannel(2));
        }
        // A bare mode copy has null links until a profile links it.
        CProfileMode modeCopy(*copy.m_modes[0]);
        QVERIFY(!modeCopy.m_channels[0]->m_partner16);
        QVERIFY(!modeCopy.m_channels[2]->m_presets[0]->m_targetChannel);
    }

    void channelCopyIsDeepWithNullLinks()
    {
        CFixtureProfile profile;
        BuildLinkedMode(profile);
        CProfileChannelDef* pan = profile.GetChannel(0);
        pan->m_beams = QByteArray("\x00\x02", 2);
        CProfileChannelDef copy(*pan);
        QVERIFY(!copy.m_partner16);
        QCOMPARE(copy.m_partner16Index, 1);
        QVERIFY(copy.m_msb);
        QCOMPARE(copy.m_presets.size(), 1);
        QVERIFY(copy.m_presets[0] != pan->m_presets[0]);
        QVERIFY(!copy.m_presets[0]->m_partner16);
        QCOMPARE(copy.m_beams, pan->m_beams);

        CProfileChannelDef other;
        AddPreset(other, PresetType::Gobo, 0, 5);
        other = copy; // replaces the presets
        QCOMPARE(other.m_presets.size(), 1);
        QCOMPARE(other.m_presets[0]->m_type, 0);
        other.Reset();
        QVERIFY(other.m_presets.isEmpty());
        QCOMPARE(other.m_partner16Index, -1);
        QCOMPARE(other.m_colorMin, QColor(Qt::black));
        QCOMPARE(other.m_colorMax, QColor(Qt::white));
    }

    void defaultFlagSurvivesOnlyWhereAllowed()
    {
        CProfilePresetDef gobo;
        gobo.m_type = PresetType::Gobo;
        gobo.m_defaultPreset = true;
        QVERIFY(!CProfilePresetDef(gobo).m_defaultPreset);
        CProfilePresetDef assigned;
        assigned = gobo;
        QVERIFY(!assigned.m_defaultPreset);

        for (int type : {0, 4, 5, 6, 12, 13, 15, 16, 19, 20, 26, 27}) {
            CProfilePresetDef p;
            p.m_type = type;
            p.m_defaultPreset = true;
            QVERIFY2(CProfilePresetDef(p).m_defaultPreset, qPrintable(QString::number(type)));
        }
        for (int type : {1, 2, 3, 17, 21, 40, 41, 43}) {
            CProfilePresetDef p;
            p.m_type = type;
            p.m_defaultPreset = true;
            p.ClearDefaultIfNotAllowed();
            QVERIFY2(!p.m_defaultPreset, qPrintable(QString::number(type)));
        }
    }

    void defaultValueAndTypeDefaults()
    {
        CProfilePresetDef p;
        p.m_dmxStart = 10;
        p.m_dmxEnd = 21;
        p.m_type = PresetType::Gobo;
        p.UpdateDefaultValue();
        QCOMPARE(p.m_dmxDefault, quint8(15));
        p.m_type = PresetType::Zoom;
        p.UpdateDefaultValue();
        QCOMPARE(p.m_dmxDefault, quint8(21));
        p.m_dmxStart = 255;
        p.m_dmxEnd = 255;
        p.m_type = PresetType::Gobo;
        p.UpdateDefaultValue();
        QCOMPARE(p.m_dmxDefault, quint8(255));

        struct Case { int type; bool showDimmer; int min; int max; };
        // From show-dimmer off, min 3 and max 4: what a type leaves alone stays.
        const Case cases[] = {
            {PresetType::DimmerLevel, false, 50, 4}, {PresetType::Zoom, true, 0, 17},
            {PresetType::ZoomLevel, false, 8, 4},    {PresetType::FilterLevel, false, 7, 4},
            {PresetType::TiltPosition, false, 0, 100},
        };
        for (const Case& c : cases) {
            CProfilePresetDef q;
            q.m_type = c.type;
            q.m_paramMin = 3;
            q.m_paramMax = 4;
            q.SetTypeDefaults(17);
            QCOMPARE(q.m_showDimmer, c.showDimmer);
            QCOMPARE(q.m_paramMin, c.min);
            QCOMPARE(q.m_paramMax, c.max);
        }
    }

    void sameMeaningByType()
    {
        CProfilePresetDef a;
        CProfilePresetDef b;
        a.m_type = b.m_type = PresetType::HalfColor;
        for (int i = 0; i < 4; ++i)
            a.m_colors[i] = b.m_colors[i] = QColor(10 * i, 0, 0);
        b.m_colors[2] = Qt::blue;
        a.m_effectType = 2;
        QVERIFY(a.IsSame(b)); // only two colours count
        a.m_effectType = 3;
        QVERIFY(!a.IsSame(b));
        a.m_effectType = -2; // automatic half colour: no colours to compare
        QVERIFY(a.IsSame(b));
        // A count from a file beyond four compares the four colours there are.
        b.m_colors[2] = a.m_colors[2];
        a.m_effectType = 1000;
        QVERIFY(a.IsSame(b));
        b.m_colors[3] = Qt::green;
        QVERIFY(!a.IsSame(b));
        b.m_type = PresetType::Color;
        QVERIFY(!a.IsSame(b));

        CProfilePresetDef g1;
        CProfilePresetDef g2;
        g1.m_type = g2.m_type = PresetType::Gobo;
        g1.m_name = g2.m_name = QStringLiteral("Star");
        g1.m_icon = QStringLiteral("System/Presets/Gobos/1.png");
        g2.m_icon = QStringLiteral("System/Presets/Gobos/2.png");
        g1.m_effectType = 5;
        QVERIFY(!g1.IsSame(g2));
        g2.m_icon = g1.m_icon;
        QVERIFY(g1.IsSame(g2)); // gobos ignore the effect type

        CProfilePresetDef s1;
        CProfilePresetDef s2;
        s1.m_type = s2.m_type = PresetType::Strob;
        s1.m_name = s2.m_name = QStringLiteral("Strobe");
        s1.m_dmxStart = 40;
        QVERIFY(s1.IsSame(s2));
        s1.m_effectType = 1;
        QVERIFY(!s1.IsSame(s2));

        CProfilePresetDef c1;
        CProfilePresetDef c2;
        c1.m_type = c2.m_type = PresetType::Color;
        c1.m_name = QStringLiteral("Red");
        c1.m_colors[0] = QColor(255, 0, 0);
        c2.m_colors[0] = QColor(255, 0, 0, 10);
        QVERIFY(c1.IsSame(c2)); // colours compare without transparency, names do not count
    }

    void presetLookups()
    {
        CProfileChannelDef wheel;
        AddPreset(wheel, PresetType::Color, 0, 9);
        AddPreset(wheel, PresetType::Color, 10, 19);
        QCOMPARE(wheel.FindPreset(10), wheel.m_presets[1]);
        QCOMPARE(wheel.FindPreset(9), wheel.m_presets[0]);
        QVERIFY(!wheel.FindPreset(20));

        // Without ranges, and outside them, the second set answers.
        QVERIFY(!wheel.FindPresetInRanges(5));
        wheel.m_secondPresets = new CProfileChannelDef;
        AddPreset(*wheel.m_secondPresets, PresetType::GoboRotation, 0, 127);
        QCOMPARE(wheel.FindPresetInRanges(5), wheel.m_secondPresets->m_presets[0]);
        wheel.AddRange(0, 19);
        wheel.AddRange(200, 210);
        QCOMPARE(wheel.FindPresetInRanges(5), wheel.m_presets[0]);
        QVERIFY(!wheel.FindPresetInRanges(205)); // in a range, no own preset there
        QCOMPARE(wheel.FindPresetInRanges(100), wheel.m_secondPresets->m_presets[0]);
        QVERIFY(!wheel.FindPresetInRanges(150));

        // A count that disagrees with the arrays never reads past them.
        wheel.m_rangeCount = 9;
        QCOMPARE(wheel.RangeCount(), 2);
        QCOMPARE(wheel.FindPresetInRanges(205), nullptr);
        wheel.m_rangeMax.chop(1);
        QCOMPARE(wheel.RangeCount(), 1);
        wheel.AddRange(30, 40);
        QCOMPARE(wheel.m_rangeCount, 2);
        QCOMPARE(wheel.m_rangeMin, QByteArray("\x00\x1e", 2));
        QCOMPARE(wheel.m_rangeMax, QByteArray("\x13\x28", 2));

        CProfilePresetDef key;
        key.m_type = PresetType::Color;
        key.m_colors[0] = Qt::white;
        QCOMPARE(wheel.FindSamePreset(key), wheel.m_presets[0]);
        key.m_colors[0] = Qt::red;
        QVERIFY(!wheel.FindSamePreset(key));

        CProfileChannelDef other;
        AddPreset(other, PresetType::Gobo, 0, 9);
        QVERIFY(!wheel.HasSamePresetRanges(other));
        AddPreset(other, PresetType::Gobo, 10, 19);
        QVERIFY(wheel.HasSamePresetRanges(other));
        other.m_presets[1]->m_dmxEnd = 18;
        QVERIFY(!wheel.HasSamePresetRanges(other));
    }

    void beamRolesAndSameFunction()
    {
        CProfileChannelDef all;
        CProfileChannelDef one;
        one.m_beams = QByteArray(1, '\x02');
        CProfileChannelDef two;
        two.m_beams = QByteArray("\x00\x01", 2);
        QVERIFY(!all.IsOneBeamOfMany(4));
        QVERIFY(one.IsOneBeamOfMany(2));
        QVERIFY(!one.IsOneBeamOfMany(1));
        QVERIFY(all.IsMultiBeam(2));
        QVERIFY(!all.IsMultiBeam(1));
        QVERIFY(two.IsMultiBeam(1));
        QVERIFY(!one.IsMultiBeam(8));

        CProfileChannelDef red1;
        CProfileChannelDef red2;
        red1.m_type = red2.m_type = ChannelType::Red;
        red2.m_typeIndex = 1;
        QVERIFY(!red1.IsSameFunction(red2, false, 1));
        QVERIFY(red1.IsSameFunction(red2, true, 1));
        QVERIFY(!red1.IsSameFunction(red2, true, 4));
        red1.m_beams = QByteArray(1, '\x00');
        QVERIFY(red1.IsSameFunction(red2, true, 4));
        red2.m_typeIndex = 0;
        red2.m_function = true;
        QVERIFY(!red1.IsSameFunction(red2, true, 1));
        red1.m_function = true;
        QVERIFY(red1.IsSameFunction(red2, false, 4));
        red2.m_type = ChannelType::Green;
        QVERIFY(!red1.IsSameFunction(red2, true, 1));
    }
};

ORVANE_TEST(ProfileModelTest)
#include "ProfileModelTest.moc"
