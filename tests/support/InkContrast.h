#pragma once

// Contrast of text on its ground, as the legibility tests of the skin measure it: the ratio of
// two relative luminances, each plus 0.05 (1 for the same colour, 21 for black on white).

#include <QHash>
#include <QImage>
#include <QRect>
#include <QRgb>

#include <algorithm>
#include <cmath>

namespace inkcontrast {

/// The relative luminance of `rgb` (sRGB channels made linear, then weighted).
inline double luminance(QRgb rgb) {
    const auto channel = [](int v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) +
           0.0722 * channel(qBlue(rgb));
}

inline double ratio(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

/// The contrast between two colours.
inline double between(QRgb a, QRgb b) {
    return ratio(luminance(a), luminance(b));
}

/// The contrast between the commonest colour of `area` of `image` (its ground) and the pixel
/// farthest from it in luminance (its ink).
inline double ofInk(const QImage& image, const QRect& area) {
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y) | 0xFF000000u];
    QRgb ground = 0;
    int most = -1;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() > most) most = it.value(), ground = it.key();
    const double g = luminance(ground);
    double ink = g;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (std::abs(luminance(it.key()) - g) > std::abs(ink - g)) ink = luminance(it.key());
    return ratio(ink, g);
}

/// `ofInk` over the whole image.
inline double ofInk(const QImage& image) {
    return ofInk(image, image.rect());
}

} // namespace inkcontrast
