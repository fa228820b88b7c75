#pragma once

#include "engine/api/zrplugin.h"

class IZRImage;

/// The record through which modules see `image`: its pixels and geometry, and the native frame
/// the image carries. A null image gives an empty record. The record points into the image and
/// is valid while the image is locked and unchanged.
ZRImageRecord zrImageRecord(IZRImage* image);

/// Stores a module's native frame description in `image` (kind, a copy of the data, length and
/// the rest of the record's native fields that the image keeps): the module may close its file
/// before the frame is used.
void zrStoreNative(IZRImage* image, const ZRImageRecord& native);
