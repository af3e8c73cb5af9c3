#include "model/ColorMath.h"

#include <algorithm>
#include <cmath>

namespace {

int ClampByte(int value)
{
    return std::clamp(value, 0, 255);
}

} // namespace

double GetAngle(const QPoint& first, const QPoint& second)
{
    const double dx = first.x() - second.x();
    const double dy = second.y() - first.y();
    if (dx == 0.0 && dy == 0.0)
        return 0.0;
    return std::atan2(dy, dx);
}

int GetDistance(const QPoint& first, const QPoint& second)
{
    const int dx = first.x() - second.x();
    const int dy = first.y() - second.y();
    return int(std::sqrt(double(dx * dx + dy * dy)));
}

QPoint GetPointOnCircle(double angleDegrees, double radius, int level, const QPoint& centre)
{
    const double a = angleDegrees * M_PI / 180.0;
    const double d = level * radius / 255.0;
    return QPoint(centre.x() + int(std::cos(a) * d), centre.y() - int(std::sin(a) * d));
}

void RgbToHsv(int red, int green, int blue, int& hue, int& saturation, int& value)
{
    const int maxC = std::max({red, green, blue});
    const int minC = std::min({red, green, blue});
    value = maxC;
    const double delta = maxC - minC;
    if (delta == 0.0) {
        hue = 0;
        saturation = 0;
        return;
    }
    saturation = int(delta / maxC * 255);
    double h;
    if (red == maxC)
        h = (green - blue) / delta;
    else if (green != maxC)
        h = (red - green) / delta + 4;
    else
        h = (blue - red) / delta + 2;
    h *= 60;
    if (h < 0)
        h += 360;
    if (h == 360)
        h = 0;
    hue = int(h);
}

void HsvToRgb(int hue, int saturation, int value, int& red, int& green, int& blue)
{
    const double c = double(saturation) * value / 255.0;
    const double m = value - c;
    const int vInt = value;
    const int mInt = int(m);
    const double t = hue / 60.0;
    // The sector limits are 61 and 301: both neighbouring formulas agree at
    // 60 and 300, and the stored levels were made with these limits.
    if (hue >= 61 && hue <= 300) {
        if (hue >= 180) {
            blue = vInt;
            const double u = (t - 4) * c;
            if (hue >= 240) {
                green = mInt;
                red = int(m + u);
            } else {
                red = mInt;
                green = int(m - u);
            }
        } else {
            green = vInt;
            const double u = (t - 2) * c;
            if (hue >= 120) {
                red = mInt;
                blue = int(m + u);
            } else {
                blue = mInt;
                red = int(m - u);
            }
        }
    } else if (hue < 61) {
        red = vInt;
        blue = mInt;
        green = int(t * c + m);
    } else {
        red = vInt;
        green = mInt;
        blue = int(m - ((hue - 360) / 60.0) * c);
    }
    red = ClampByte(red);
    green = ClampByte(green);
    blue = ClampByte(blue);
}

int GetWhiteLevel(int red, int green, int blue, int mode)
{
    int hue, s, v;
    RgbToHsv(red, green, blue, hue, s, v);
    const float w = float((255 - s) * v) / 65025.0f;
    int level;
    if (mode == 2)
        level = w < 0.5f ? 0 : int((w - 0.5f) * 255.0f * 2.0f);
    else if (mode == 3)
        level = int(std::exp(6.0 * double(w) - 6.0) * 255.0);
    else
        level = int(w * 255.0f);
    return ClampByte(level);
}

QColor MixColors(const QColor& a, const QColor& b, int mode)
{
    const int first[3] = {a.red(), a.green(), a.blue()};
    const int second[3] = {b.red(), b.green(), b.blue()};
    int mixed[3];
    int largest = 0;
    for (int i = 0; i < 3; ++i) {
        if (mode == 0)
            mixed[i] = std::max(0, first[i] + second[i] - 255);
        else
            mixed[i] = int(float((first[i] + second[i]) / 2 + std::max(first[i], second[i])) * 0.75f);
        largest = std::max(largest, mixed[i]);
    }
    if (largest > 255) {
        for (int& component : mixed)
            component = component * 255 / largest;
    }
    return QColor(mixed[0], mixed[1], mixed[2]);
}

int ColorToInt(const QColor& color)
{
    return color.red() + color.green() * 256 + color.blue() * 65536;
}

QColor IntToColor(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}
