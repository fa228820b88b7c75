#pragma once

#include "api/zrplugin.h"

class IZRImage;

/// The record through which modules see `image`: its pixels and geometry, and the native frame
/// the image carries. A null image gives an empty record. The record points into the image and
/// is valid while the image is locked and unchanged.
ZRImageRecord zrImageRecord(IZRImage* image);

/// Stores a module's native frame description in `image` (kind, data, length and the rest of
/// the record's native fields that the image keeps).
void zrStoreNative(IZRImage* image, const ZRImageRecord& native);
