#include "engine/export/ZRExportFlags.h"

#include <atomic>

namespace {

std::atomic<bool> exportRunning{false};
std::atomic<bool> stopRequested{false};

} // namespace

bool zrExportRunning() {
    return exportRunning.load();
}
void zrSetExportRunning(bool on) {
    exportRunning.store(on);
}
bool zrStopRequested() {
    return stopRequested.load();
}
void zrSetStopRequested(bool on) {
    stopRequested.store(on);
}
