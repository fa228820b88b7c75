#include "engine/export/ZRExportPalette.h"

void zrFillExportPalette(ZRExportRecord& record) {
    for (int i = 0; i < ZR_EXPORT_PALETTE_ENTRIES; ++i) {
        uint8_t* entry = record.palette[i];
        entry[0] = uint8_t(((i >> 5) & 7) * 255 / 7);
        entry[1] = uint8_t(((i >> 2) & 7) * 255 / 7);
        entry[2] = uint8_t((i & 3) * 255 / 3);
        entry[3] = 0;
    }
}
