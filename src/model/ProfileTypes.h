#pragma once

#include <QString>

// Channel and preset types are plain numbers in profile files; these names
// keep the code readable. Numbers outside the tables are kept as they are
// and show as "Undef".

namespace ChannelType {
enum : int {
    Undef = 0,
    Pan = 1,
    Tilt = 2,
    RollerX = 3,
    RollerY = 4,
    ColorWheel = 5,
    ColorWheelRot = 6,
    Dimmer = 7,
    GoboWheel = 8,
    GoboRot = 9,
    GoboIndex = 10,
    GoboShake = 11,
    GoboWheelRot = 12,
    Iris = 13,
    Zoom = 14,
    Shutter = 15,
    Focus = 16,
    Frost = 17,
    Speed = 18,
    Prism = 19,
    PrismRot = 20,
    PrismIndex = 21,
    Lamp = 22,
    Filter = 23,
    Smoke = 24,
    Red = 25,
    Green = 26,
    Blue = 27,
    Cyan = 28,
    Magenta = 29,
    Yellow = 30,
    White = 31, // white or amber
    ColorDimmer = 32,
    Macro = 33,
    Control = 34,
};
// Types 0 to 34; per-type tables are this long.
constexpr int kCount = 35;
} // namespace ChannelType

namespace PresetType {
enum : int {
    Undef = 0,
    Color = 1,
    HalfColor = 2, // several colours; the effect-type field holds their count
    ColorWheelRotation = 3,
    Dimmer = 4,
    DimmerLevel = 5,
    DimmerPulse = 6,
    Gobo = 7,
    GoboRotation = 8,
    GoboIndex = 9,
    GoboShake = 10,
    GoboWheelRotation = 11,
    Iris = 12,
    IrisLevel = 13,
    IrisPulse = 14,
    Zoom = 15,
    ZoomLevel = 16,
    LampOn = 17,
    LampOff = 18,
    ShutterOpen = 19,
    ShutterClosed = 20,
    Strob = 21,
    Flash = 22,
    BlackoutWhileMoving = 23,
    Focus = 24,
    FocusLevel = 25,
    Frost = 26,
    FrostLevel = 27,
    Speed = 28,
    SpeedTracking = 29,
    SpeedLevel = 30,
    Prism = 31, // the effect-type field holds the prism type
    PrismRotation = 32,
    PrismIndex = 33,
    Filter = 34,
    FilterLevel = 35,
    Roller = 36,
    Smoke = 37,
    SmokeLevel = 38,
    FrostPulse = 39,
    ZoomPulse = 40,
    // Stored by the channel preset editor; they have no name or icon of
    // their own but are kept and saved like any other type.
    Pattern = 41,
    PanPosition = 42,
    TiltPosition = 43,
};
} // namespace PresetType

// Display names and icon files; `folder` is prepended to the icon file
// (":/Orvane/Images/Channels/" for channels, "System/Presets/" for presets).
QString GetChannelTypeName(int type);
QString GetChannelTypeIcon(int type, const QString& folder);
QString GetPresetTypeName(int type);
QString GetPresetTypeIcon(int type, const QString& folder);
