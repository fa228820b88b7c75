#pragma once

#include "engine/api/zrplugin.h"

/// Fills the record's 256-entry palette: entry i = red ((i >> 5) & 7) * 255 / 7, green
/// ((i >> 2) & 7) * 255 / 7, blue (i & 3) * 255 / 3 (integer division), fourth byte 0. Modules
/// ask for it by setting `paletteRequest` in `exportStart`.
void zrFillExportPalette(ZRExportRecord& record);
