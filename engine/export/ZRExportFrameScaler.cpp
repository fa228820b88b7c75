#include "engine/export/ZRExportFrameScaler.h"

#include "engine/api/IZRImage.h"
#include "platform/scaler/SRScaler.h"

bool zrExportScalesFields(int sourceHeight, int targetHeight) {
    return sourceHeight < 480 || targetHeight > 288;
}

bool zrScaleExportFrame(IZRImage* source, IZRImage* target, bool fields) {
    if (!source || !target) return false;
    const unsigned char* in = source->pixels();
    unsigned char* out = target->pixels();
    const int sw = source->width(), sh = source->height(), ss = source->stride();
    const int tw = target->width(), th = target->height(), ts = target->stride();
    if (!in || !out || sw < 1 || sh < 1 || tw < 1 || th < 1) return false;

    // A picture of one line has no second field: it is scaled whole.
    if (sh < 2 || th < 2)
        return SRScaler_FourCC_BGRA(0, kFourCC_BGRA, in, ss, sw, sh, out, ts, tw, th, 0, 1);
    if (!fields)
        return SRScaler_FourCC_BGRA(0, kFourCC_BGRA, in, ss * 2, sw, (sh + 1) / 2, out, ts, tw, th,
                                    0, 1);
    return SRScaler_FourCC_BGRA(0, kFourCC_BGRA, in, ss * 2, sw, (sh + 1) / 2, out, ts * 2, tw,
                                (th + 1) / 2, 0, 1) &&
           SRScaler_FourCC_BGRA(0, kFourCC_BGRA, in + ss, ss * 2, sw, sh / 2, out + ts, ts * 2, tw,
                                th / 2, 0, 1);
}
