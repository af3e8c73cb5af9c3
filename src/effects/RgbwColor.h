#pragma once

#include <QString>

// A colour as colour fixtures take it: red, green, blue and white levels,
// copied by value.
struct CRgbwColor
{
    unsigned char r = 0;
    unsigned char g = 0;
    unsigned char b = 0;
    unsigned char w = 0;

    constexpr CRgbwColor() = default;
    constexpr CRgbwColor(unsigned char red, unsigned char green, unsigned char blue, unsigned char white = 0)
        : r(red), g(green), b(blue), w(white)
    {
    }

    // File form "r|g|b|w" in decimal.
    QString ToString() const;
    // Exactly four parts, each a base-10 number truncated to a byte (not a
    // number: 0); any other text, or one longer than four numbers with
    // room to spare, gives (0,0,0,0).
    static CRgbwColor FromString(const QString& text);

    friend constexpr bool operator==(const CRgbwColor& x, const CRgbwColor& y)
    {
        return x.r == y.r && x.g == y.g && x.b == y.b && x.w == y.w;
    }
    friend constexpr bool operator!=(const CRgbwColor& x, const CRgbwColor& y) { return !(x == y); }
};
