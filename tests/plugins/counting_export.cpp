// An export module for the tests: counts what it is given. A file name holding "refuse" is
// refused at the start, one holding "throw" makes every frame throw, one holding "rename" is
// overwritten at the start with "r"s to the record's last byte; it asks for the palette.
#include "engine/api/zrplugin.h"

#include <cstring>
#include <stdexcept>

namespace {

ZRModuleInfo info = {1, "Test MPEG Export", 0, "Counts frames"};
bool throwing = false;
int frames = 0;
int ends = 0;
int configs = 0;

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY void exportConfig(int32_t, ZRExportRecord*) {
    ++configs;
}

ZR_PLUGIN_ENTRY int32_t exportStart(ZRExportRecord* record, int32_t) {
    if (std::strstr(record->fileName, "refuse")) return 0;
    throwing = std::strstr(record->fileName, "throw") != nullptr;
    if (std::strstr(record->fileName, "rename"))
        std::memset(record->fileName, 'r', sizeof record->fileName);
    record->paletteRequest = 1;
    frames = 0;
    return 1;
}

ZR_PLUGIN_ENTRY int32_t exportEncode(ZRImageRecord*, const void*, int32_t) {
    if (throwing) throw std::runtime_error("encoder fault");
    ++frames;
    return 1;
}

ZR_PLUGIN_ENTRY void exportEnd(void) {
    ++ends;
}

ZR_PLUGIN_ENTRY void exportCounts(int* frameCount, int* endCount, int* configCount) {
    *frameCount = frames;
    *endCount = ends;
    *configCount = configs;
}
