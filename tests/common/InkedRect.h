#pragma once

#include <QImage>
#include <QRect>

// The smallest rectangle holding every pixel of the image that is not
// `background`.
inline QRect InkedRect(const QImage& image, QRgb background)
{
    QRect inked;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background)
                inked |= QRect(x, y, 1, 1);
        }
    }
    return inked;
}
