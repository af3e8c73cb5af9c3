#pragma once

#include <QColor>
#include <QPoint>

// Geometry of the circular colour and direction controls and the colour
// conversions whose exact truncations the stored levels depend on.

// Direction from `second` to `first`, counter-clockwise from the x axis with
// y pointing up, in radians; 0 for equal points.
double GetAngle(const QPoint& first, const QPoint& second);
int GetDistance(const QPoint& first, const QPoint& second);
// `level` (0-255) scales the radius; angle in degrees.
QPoint GetPointOnCircle(double angleDegrees, double radius, int level, const QPoint& centre);

// Hue in degrees 0-359; saturation and value 0-255.
void RgbToHsv(int red, int green, int blue, int& hue, int& saturation, int& value);
void HsvToRgb(int hue, int saturation, int value, int& red, int& green, int& blue);

// White level derived from the colour's whiteness: mode 2 keeps only the
// upper half, mode 3 follows an exponential curve, others are linear.
int GetWhiteLevel(int red, int green, int blue, int mode);

// Two colours mixed per component. Mode 0 is subtractive, max(0, a + b - 255),
// so a grey of 255 leaves a colour as it is and black makes it black; any
// other mode is additive, (average + larger) * 0.75, all three scaled down
// together when one goes over 255. The result is opaque.
QColor MixColors(const QColor& a, const QColor& b, int mode);

// Colours are stored in files as red + green * 256 + blue * 65536.
int ColorToInt(const QColor& color);
QColor IntToColor(int value);
