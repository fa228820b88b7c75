#pragma once

#include <QString>
#include <QStringList>

/// What a device path's `getAVProp` answers: the current value (or index) and its range, or
/// for the list codes (7 inputs, 9 TV formats) the names.
struct ZRAVProp {
    long value = 0;
    long low = 0;
    long high = 0;
    QStringList names;
};

/// The property codes of the capture paths.
namespace zravprop {
inline constexpr int kBrightness = 1;
inline constexpr int kContrast = 2;
inline constexpr int kHue = 3;
inline constexpr int kSaturation = 4;
inline constexpr int kSharpness = 5;
inline constexpr int kBitRate = 6;
inline constexpr int kInput = 7;
inline constexpr int kTVTuner = 8;
inline constexpr int kTVFormat = 9;
inline constexpr int kVolume = 10;
inline constexpr int kBalance = 11;
inline constexpr int kTVAudio = 12;
/// Brightness to sharpness: the picture controls, read and written through the device's
/// processing amplifier at `code - 1`.
inline bool isPictureControl(long code) {
    return code >= kBrightness && code <= kSharpness;
}
} // namespace zravprop
