#pragma once

#include "classes/painting/ZRImagePainting.h"

/// Alpha-blends the whole 32-bit `source` into `target` with its top-left corner at `at`; what
/// falls outside the target is left out. Buttons, labels, line edits and views put their rendered
/// captions and icons into composed images with it.
inline void blendWholeImageAt(QImage& target, const QPoint& at, const QImage& source) {
    blendImageAt(target, at, source, source.rect());
}
