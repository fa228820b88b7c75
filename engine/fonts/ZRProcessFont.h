#pragma once

#include "engine/api/ZRFontData.h"

class ZRFont;
class ZRImage;

/// The process's one font object, made when the library loads and destroyed when it unloads.
/// Shared by every rendering thread: bracket each open-measure-draw sequence with its
/// `lock()` / `unlock()`.
ZRFont* zrProcessFont();

/// Draws `data->text` into the 32-bit `target` with the process-wide font (locked for the
/// call), at the point its movement reaches at `frame` of `frames` (`info` is the text's box).
void renderTextFrame(ZRImage* target, ZRStringInfo& info, ZRFontData* data, double frame,
                     double frames);
