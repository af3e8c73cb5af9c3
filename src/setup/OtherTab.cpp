#include "setup/OtherTab.h"

#include "setup/PresetsList.h"
#include "setup/PresetsListWnd.h"

#include "Captions.h"
#include "model/Language.h"

namespace {

struct SPicture
{
    const char* name;
    const char* path; // below "System/Presets/"
    int type;
    int parameter;
};

const SPicture kBeam[] = {
    {"Shutter open", "Shutter/ShutterOpen.png", 19, 0},
    {"Shutter closed", "Shutter/ShutterClose.png", 20, 0},
    {"Blackout while moving", "Shutter/BlackOutMoving.png", 23, 0},
    {"Strob", "Shutter/ShutterStrob.png", 21, 0},
    {"Strob Off", "Shutter/ShutterStrobOff.png", 0, 0},
    {"Flash", "Shutter/ShutterStrobFlash.png", 22, 0},
    {"Dimmer", "Dimmer/Dimmer.png", 4, 0},
    {"Dimmer pulse open", "Dimmer/DimOpen.png", 6, 0},
    {"Dimmer pulse close", "Dimmer/DimClose.png", 6, 1},
    {"Double Dimmer pulse", "Dimmer/DimDouble.png", 6, 2},
    {"Iris", "Iris/Iris.png", 12, 0},
    {"Iris pulse open", "Iris/IrisPulsOp.png", 14, 0},
    {"Iris pulse close", "Iris/IrisPulsCl.png", 14, 1},
    {"Double Iris pulse", "Iris/IrisPulsDouble.png", 14, 2},
    {"Zoom", "Zoom/Zoom.png", 15, 0},
    {"Zoom pulse open", "Zoom/ZoomPulsOp.png", 40, 0},
    {"Zoom pulse close", "Zoom/ZoomPulsCl.png", 40, 1},
    {"Double Zoom pulse", "Zoom/ZoomPulsDouble.png", 40, 2},
    {"Focus", "Focus/Focus.png", 24, 0},
    {"Frost", "Frost/Frost.png", 26, 0},
    {"Frost pulse open", "Frost/FrostPulsOp.png", 39, 0},
    {"Frost pulse close", "Frost/FrostPulsCl.png", 39, 1},
    {"Double Frost pulse", "Frost/FrostPulsDouble.png", 39, 2},
};

const SPicture kRotation[] = {
    {"Clockwise Color wheel Rotation", "Rotation/ColorRotRight.png", 3, 0},
    {"Counter clockwise Color wheel Rotation", "Rotation/ColorRotLeft.png", 3, 1},
    {"Double Color wheel Rotation", "Rotation/ColorRot.png", 3, 2},
    {"Clockwise Gobo wheel Rotation", "Rotation/GoboWheelRotRight.png", 11, 0},
    {"Counter clockwise Gobo wheel Rotation", "Rotation/GoboWheelRotLeft.png", 11, 1},
    {"Double Gobo wheel Rotation", "Rotation/GoboWheelRot.png", 11, 2},
    {"Clockwise Gobo Rotation", "Rotation/GoboRotRight.png", 8, 0},
    {"Counter clockwise Gobo Rotation", "Rotation/GoboRotLeft.png", 8, 1},
    {"Double Gobo Rotation", "Rotation/GoboRot.png", 8, 2},
    {"Gobo Index", "Rotation/GoboIndex.png", 9, 0},
    {"Gobo Shake", "Rotation/GoboShake.png", 10, 0},
    {"Clockwise Prism Rotation", "Rotation/PrismRotRight.png", 32, 0},
    {"Counter clockwise Prism Rotation", "Rotation/PrismRotLeft.png", 32, 1},
    {"Double Prism Rotation", "Rotation/PrismRot.png", 32, 2},
    {"Prism Index", "Rotation/PrismIndex.png", 33, 0},
    {"Clockwise Roller Rotation", "Rotation/RollerRight.png", 36, 0},
    {"Counter clockwise Roller Rotation", "Rotation/RollerLeft.png", 36, 1},
    {"Double Roller Rotation", "Rotation/Roller.png", 36, 2},
    {"Roller Index", "Rotation/RollerIndex.png", 36, 3},
    {"Clockwise Rotation", "Rotation/RotRight.png", 0, 0},
    {"Counter clockwise Rotation", "Rotation/RotLeft.png", 0, 0},
    {"Double Rotation", "Rotation/Rotation.png", 0, 0},
    {"Rotation Index", "Rotation/RotIndex.png", 0, 0},
    {"Rotation Off", "Rotation/RotOff.png", 0, 0},
};

const SPicture kPrism[] = {
    {"Prism 2F", "Prism/Prism2F.png", 31, 1},     {"Prism 3F", "Prism/Prism3F.png", 31, 2},
    {"Prism 4F", "Prism/Prism4F.png", 31, 3},     {"Prism 5F", "Prism/Prism5F.png", 31, 4},
    {"Prism 5FC", "Prism/Prism5FC.png", 31, 5},   {"Prism 3FC", "Prism/Prism3FC.png", 31, 6},
    {"Prism 3FL", "Prism/Prism3FL.png", 31, 7},   {"Prism 4FC", "Prism/Prism4FC.png", 31, 8},
    {"Prism 4FL", "Prism/Prism4FL.png", 31, 9},   {"Prism 5FCL", "Prism/Prism5FCL.png", 31, 10},
    {"Prism 5FL", "Prism/Prism5FL.png", 31, 11},
};

// The "Other" list; the twenty numbered programmes stand before its last entry.
const SPicture kOther[] = {
    {"Pan", "Pan.png", 42, 0},
    {"Tilt", "Tilt.png", 43, 0},
    {"Lamp On", "Lamp/LampOn.png", 17, 0},
    {"Lamp Off", "Lamp/LampOff.png", 18, 0},
    {"Reset", "Lamp/Reset.png", 0, 0},
    {"Filter", "Filter/Filter.png", 34, 0},
    {"Speed", "Speed/Speed.png", 28, 0},
    {"Smoke", "Smoke/Smoke.png", 37, 0},
    {"Smoke Off", "Smoke/SmokeOff.png", 0, 0},
    {"Sound", "Sound.png", 0, 0},
    {"Color", "Color.png", 0, 0},
    {"Left Right", "LeftRight.png", 0, 0},
    {"Right Left", "RightLeft.png", 0, 0},
    {"Left Right Left", "LeftRightLeft.png", 0, 0},
    {"UpDown", "UpDown.png", 0, 0},
    {"DownUp", "DownUp.png", 0, 0},
    {"DownUpDown", "DownUpDown.png", 0, 0},
    {"Movement", "Movement.png", 0, 0},
    {"Point", "LaserPoint.png", 0, 0},
    {"Line", "LaserLine.png", 0, 0},
    {"Dbl Line", "LaserDblLine.png", 0, 0},
    {"Fan 10", "Fan10.png", 0, 0},
    {"Fan 100", "Fan100.png", 0, 0},
    {"Fan Off", "FanOff.png", 0, 0},
};

const QString kPresetsFolder = QStringLiteral("System/Presets/");

template <size_t N>
void AddPictures(CPresetsList* list, const SPicture (&pictures)[N])
{
    for (const SPicture& picture : pictures)
        list->AddPresetFromFile(picture.type, QLatin1String(picture.name), kPresetsFolder + QLatin1String(picture.path),
                                picture.parameter);
}

void AddNumbered(CPresetsList* list, const char* name, const char* path)
{
    for (int n = 1; n <= 20; ++n)
        list->AddPresetFromFile(0, QString::fromLatin1(name).arg(n), kPresetsFolder + QString::fromLatin1(path).arg(n), 0);
}

} // namespace

COtherTab::COtherTab(QWidget* parent) : CSubTabsPresetTab(parent)
{
    AddPictures(AddWindow(GetLangText(Txt::Beam), false)->List(), kBeam);
    AddPictures(AddWindow(GetLangText(Txt::Rotation), false)->List(), kRotation);
    AddPictures(AddWindow(GetLangText(Txt::Prism), false)->List(), kPrism);
    AddNumbered(AddWindow(GetLangText(Txt::Colors), false)->List(), "Undef Color #%1", "Colors/Color%1.png");
    CPresetsList* other = AddWindow(GetLangText(Txt::Other), false)->List();
    AddPictures(other, kOther);
    AddNumbered(other, "Auto #%1", "Auto/Auto%1.png");
    other->AddPresetFromFile(0, QStringLiteral("Undef"), kPresetsFolder + QStringLiteral("Undef.png"), 0);
}
