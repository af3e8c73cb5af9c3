#include "model/ProfileTypes.h"

namespace {

struct TypeEntry {
    const char* name;
    const char* icon;
};

const TypeEntry kUndef = {"Undef", "Undef.png"};

// Index = channel type.
const TypeEntry kChannelTypes[ChannelType::kCount] = {
    kUndef,
    {"Pan", "Pan.png"},
    {"Tilt", "Tilt.png"},
    {"Roller X", "RollerX.png"},
    {"Roller Y", "RollerY.png"},
    {"Color wheel", "ColorWheel.png"},
    {"Color Wheel Rot", "ColorWheelRot.png"},
    {"Dimmer", "Dimmer.png"},
    {"Gobo wheel", "GoboWheel.png"},
    {"Gobo Rot", "GoboRot.png"},
    {"Gobo Index", "GoboIndex.png"},
    {"Gobo Shake", "GoboShake.png"},
    {"Gobo Wheel Rot", "GoboWheelRot.png"},
    {"Iris", "Iris.png"},
    {"Zoom", "Zoom.png"},
    {"Shutter", "Shutter.png"},
    {"Focus", "Focus.png"},
    {"Frost", "Frost.png"},
    {"Speed", "Speed.png"},
    {"Prism", "Prism.png"},
    {"Prism Rot", "PrismRot.png"},
    {"Prism Index", "PrismIndex.png"},
    {"Lamp", "Lamp.png"},
    {"Filter", "Filter.png"},
    {"Smoke", "Smoke.png"},
    {"Red", "Red.png"},
    {"Green", "Green.png"},
    {"Blue", "Blue.png"},
    {"Cyan", "Cyan.png"},
    {"Magenta", "Magenta.png"},
    {"Yellow", "Yellow.png"},
    {"White / Amber", "White.png"},
    {"Color Dimmer", "ColorDimmer.png"},
    {"Macro", "Macro.png"},
    {"Control", "Control.png"},
};

// Index = preset type. Some icon names lack their extension or double it;
// the picture files carry exactly these names.
const TypeEntry kPresetTypes[] = {
    kUndef,
    {"Color", "Color.png"},
    {"Half Color", "Undef.png"},
    {"Color wheel Rotation", "Rotation/ColorRot.png"},
    {"Dimmer", "Dimmer/Dimmer.png"},
    {"Dimmer", "Dimmer/Dimmer.png"},
    {"Dimmer Pulse", "Dimmer/DimDouble.png"},
    {"Gobo", "Undef.png"},
    {"Gobo Rotation", "Rotation/GoboRot.png"},
    {"Gobo Index", "Rotation/GoboIndex.png"},
    {"Gobo Shake", "Rotation/GoboShake.png"},
    {"Gobo wheel Rotation", "Rotation/GoboWheelRot.png"},
    {"Iris", "Iris/Iris.png"},
    {"Iris", "Iris/Iris.png"},
    {"Iris Pulse", "Iris/IrisPulsDouble.png.png"},
    {"Zoom", "Zoom/Zoom.png"},
    {"Zoom", "Zoom/Zoom.png"},
    {"Lamp On", "Lamp/LampOn"},
    {"Lamp Off", "Lamp/LampOff"},
    {"Shutter open", "Shutter/ShutterOpen.png"},
    {"Shutter closed", "Shutter/ShutterClose.png"},
    {"Strob", "Shutter/ShutterStrob.png"},
    {"Flash", "Shutter/ShutterStrobFlash.png"},
    {"Blackout while moving", "Shutter/BlackOutMoving.png"},
    {"Focus", "Focus/Focus.png"},
    {"Focus", "Focus/Focus.png"},
    {"Frost", "Frost/Frost.png"},
    {"Frost", "Frost/Frost.png"},
    {"Speed", "Speed/Speed.png"},
    {"Speed tracking", "Speed/Speed.png"},
    {"Speed", "Speed/Speed.png"},
    {"Prism", "Prism/Prism3F"},
    {"Prism Rotation", "Rotation/PrismRot.png"},
    {"Prism Index", "Rotation/PrismIndex.png"},
    {"Filter", "Filter/Filter.png"},
    {"Filter", "Filter/Filter.png"},
    {"Roller", "Filter/Filter.png"},
    {"Smoke", "Smoke/Smoke.png"},
    {"Smoke", "Smoke/Smoke.png"},
    {"Frost Pulse", "Frost/FrostPulsDouble.png"},
    {"Zoom Pulse", "Zoom/ZoomPulsDouble.png"},
};
constexpr int kPresetTypeCount = int(sizeof(kPresetTypes) / sizeof(kPresetTypes[0]));
static_assert(kPresetTypeCount == 41, "preset types 0 to 40 have names");

// Type 0 shows as "Undef" too, so only the range matters here.
const TypeEntry& ChannelEntry(int type)
{
    return type >= 0 && type < ChannelType::kCount ? kChannelTypes[type] : kUndef;
}

const TypeEntry& PresetEntry(int type)
{
    return type >= 0 && type < kPresetTypeCount ? kPresetTypes[type] : kUndef;
}

} // namespace

QString GetChannelTypeName(int type)
{
    return QString::fromLatin1(ChannelEntry(type).name);
}

QString GetChannelTypeIcon(int type, const QString& folder)
{
    return folder + QLatin1String(ChannelEntry(type).icon);
}

QString GetPresetTypeName(int type)
{
    return QString::fromLatin1(PresetEntry(type).name);
}

QString GetPresetTypeIcon(int type, const QString& folder)
{
    return folder + QLatin1String(PresetEntry(type).icon);
}
