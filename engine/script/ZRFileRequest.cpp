#include "engine/script/ZRFileRequest.h"

#include "engine/api/ZRFileRequester.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace {

std::atomic<ZRFileRequesterFunction> installedRequester{nullptr};

// Longer than any path the system accepts, so that every real file name fits.
constexpr size_t kPathBytes = 4096 + 1;

} // namespace

extern "C" ZR_EXPORT void ZRSetFileRequester(ZRFileRequesterFunction requester) {
    installedRequester.store(requester);
}

namespace zrscript {

std::string requestFile() {
    const ZRFileRequesterFunction requester = installedRequester.load();
    if (!requester) return {};
    std::vector<char> buffer(kPathBytes, '\0');
    if (!requester(buffer.data(), buffer.size())) return {};
    // A requester that forgot the terminator answers nothing rather than a cut path.
    const void* end = std::memchr(buffer.data(), '\0', buffer.size());
    if (!end) return {};
    return std::string(buffer.data(), size_t(static_cast<const char*>(end) - buffer.data()));
}

} // namespace zrscript
