#include "engine/modules/ZRImageRecord.h"

#include "engine/render/ZRImage.h"

ZRImageRecord zrImageRecord(IZRImage* image) {
    ZRImageRecord record{};
    if (!image) return record;
    record.pixels = image->pixels();
    record.width = image->width();
    record.height = image->height();
    record.stride = image->stride();
    if (auto* own = dynamic_cast<ZRImage*>(image)) {
        record.nativeKind = own->nativeKind();
        record.nativeData = const_cast<unsigned char*>(own->nativeData());
        record.nativeLength = int32_t(own->nativeLength());
    }
    return record;
}

void zrStoreNative(IZRImage* image, const ZRImageRecord& native) {
    auto* own = dynamic_cast<ZRImage*>(image);
    if (!own) return;
    const size_t length = native.nativeLength > 0 ? size_t(native.nativeLength) : 0;
    own->copyNative(native.nativeKind, static_cast<const unsigned char*>(native.nativeData),
                    native.nativeData ? length : 0);
}
