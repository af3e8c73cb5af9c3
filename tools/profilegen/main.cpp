// Writes the generic fixture profiles the program ships in "Profiles", so a
// new user can patch at once. They are made with the program's own profile
// writer at build time.
#include "model/FixtureProfile.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <functional>

namespace {

namespace CT = ChannelType;

// Fixture families of a profile.
enum Family { Led = 0, Trad = 1, Scan = 2, MovingHead = 3 };

struct CFixtureWriter
{
    CFixtureProfile profile;

    CProfileChannelDef* Add(int type, const char* name, int beam = -1)
    {
        auto* channel = new CProfileChannelDef;
        channel->m_type = type;
        channel->m_name = QString::fromLatin1(name);
        channel->m_index = profile.CurrentMode()->ChannelCount();
        if (beam >= 0)
            channel->m_beams = QByteArray(1, char(beam));
        profile.CurrentMode()->m_channels << channel;
        return channel;
    }
    void AddFine(CProfileChannelDef* coarse, const char* name)
    {
        CProfileChannelDef* fine = Add(coarse->m_type, name);
        fine->m_lsb = true;
        fine->m_partner16Index = coarse->m_index;
        coarse->m_msb = true;
        coarse->m_partner16Index = fine->m_index;
    }
    CProfilePresetDef* Preset(CProfileChannelDef* channel, int type, const char* name, int start, int end,
                              bool isDefault = false)
    {
        auto* preset = new CProfilePresetDef;
        preset->m_type = type;
        preset->m_name = QString::fromLatin1(name);
        preset->m_index = channel->m_presets.size();
        preset->m_dmxStart = quint8(start);
        preset->m_dmxEnd = quint8(end);
        preset->m_dmxDefault = quint8(start);
        preset->m_defaultPreset = isDefault;
        channel->m_presets << preset;
        return preset;
    }
    void Dimmer(int beam = -1) { Add(CT::Dimmer, "Dimmer", beam)->AddDimmerPreset(0, 255, true); }
    void Colors(std::initializer_list<std::pair<int, const char*>> channels, int beam = -1)
    {
        for (const auto& channel : channels)
            Add(channel.first, channel.second, beam);
    }
    void Shutter()
    {
        CProfileChannelDef* shutter = Add(CT::Shutter, "Shutter");
        Preset(shutter, PresetType::ShutterClosed, "Closed", 0, 15);
        Preset(shutter, PresetType::ShutterOpen, "Open", 16, 31, true);
        Preset(shutter, PresetType::Strob, "Strobe", 32, 255);
    }
    void ColorWheel()
    {
        static const struct { const char* name; QRgb rgb; } colors[] = {
            {"White", 0xffffff}, {"Red", 0xff0000}, {"Orange", 0xff8000}, {"Yellow", 0xffff00},
            {"Green", 0x00ff00}, {"Cyan", 0x00ffff}, {"Blue", 0x0000ff}, {"Magenta", 0xff00ff},
        };
        CProfileChannelDef* wheel = Add(CT::ColorWheel, "Color wheel");
        int start = 0;
        for (const auto& color : colors) {
            Preset(wheel, PresetType::Color, color.name, start, start + 15, start == 0)->m_colors[0] = QColor(color.rgb);
            start += 16;
        }
    }
    void GoboWheel()
    {
        CProfileChannelDef* wheel = Add(CT::GoboWheel, "Gobo wheel");
        Preset(wheel, PresetType::Gobo, "Open", 0, 15, true);
        for (int g = 1; g < 8; ++g) {
            const QByteArray name = "Gobo " + QByteArray::number(g);
            Preset(wheel, PresetType::Gobo, name.constData(), g * 16, g * 16 + 15);
        }
    }
};

struct CProfileRecipe
{
    const char* file;
    Family family;
    std::function<void(CFixtureWriter&)> build;
};

const std::pair<int, const char*> kRed{CT::Red, "Red"};
const std::pair<int, const char*> kGreen{CT::Green, "Green"};
const std::pair<int, const char*> kBlue{CT::Blue, "Blue"};

const CProfileRecipe kRecipes[] = {
    {"Dimmer.kvp", Trad, [](CFixtureWriter& w) { w.Dimmer(); }},
    {"RGB.kvp", Led, [](CFixtureWriter& w) { w.Colors({kRed, kGreen, kBlue}); }},
    {"RGBW.kvp", Led, [](CFixtureWriter& w) { w.Colors({kRed, kGreen, kBlue, {CT::White, "White"}}); }},
    {"RGBA.kvp", Led, [](CFixtureWriter& w) { w.Colors({kRed, kGreen, kBlue, {CT::White, "Amber"}}); }},
    {"CMY.kvp", Led,
     [](CFixtureWriter& w) { w.Colors({{CT::Cyan, "Cyan"}, {CT::Magenta, "Magenta"}, {CT::Yellow, "Yellow"}}); }},
    {"RGB Dimmer.kvp", Led,
     [](CFixtureWriter& w) {
         w.Dimmer();
         w.Colors({kRed, kGreen, kBlue});
     }},
    {"RGB Bar 8x1.kvp", Led,
     [](CFixtureWriter& w) {
         for (int beam = 0; beam < 8; ++beam) {
             w.profile.m_beams.append({float(beam), 0.0f});
             w.Colors({kRed, kGreen, kBlue}, beam);
         }
         w.profile.UpdateBeamExtent();
     }},
    {"Scanner.kvp", Scan,
     [](CFixtureWriter& w) {
         w.Add(CT::Pan, "Pan");
         w.Add(CT::Tilt, "Tilt");
         w.ColorWheel();
         w.GoboWheel();
         w.Shutter();
         w.Dimmer();
     }},
    {"Moving Head.kvp", MovingHead,
     [](CFixtureWriter& w) {
         w.AddFine(w.Add(CT::Pan, "Pan"), "Pan fine");
         w.AddFine(w.Add(CT::Tilt, "Tilt"), "Tilt fine");
         w.Add(CT::Speed, "Pan/Tilt speed");
         w.ColorWheel();
         w.GoboWheel();
         w.Add(CT::GoboRot, "Gobo rotation");
         w.Shutter();
         w.Dimmer();
     }},
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: profilegen <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "profilegen: cannot make %s\n", argv[1]);
        return 1;
    }
    for (const CProfileRecipe& recipe : kRecipes) {
        CFixtureWriter writer;
        writer.profile.m_fixtureType = recipe.family;
        recipe.build(writer);
        writer.profile.LinkChannels();
        QString error;
        if (!writer.profile.Save(folder + QLatin1Char('/') + QLatin1String(recipe.file), &error)) {
            std::fprintf(stderr, "profilegen: %s: %s\n", recipe.file, qPrintable(error));
            return 1;
        }
    }
    return 0;
}
