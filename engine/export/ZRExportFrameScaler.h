#pragma once

class IZRImage;

/// Scales an exported frame to the export size.
///
/// `fields` scales each field of the interlaced picture separately (even lines into even lines,
/// odd into odd); otherwise only the first field of the source is scaled to the whole target
/// (which drops the second field's motion when shrinking a full frame to a half-height one).
/// False, with the target unchanged, when either image has no pixels.
/// Thread-safety: the caller holds both images.
bool zrScaleExportFrame(IZRImage* source, IZRImage* target, bool fields);

/// The module export's choice: fields separately when the source is shorter than 480 lines or
/// the target taller than 288, else the first field only.
bool zrExportScalesFields(int sourceHeight, int targetHeight);
