#include "platform/playback/ZRPreviewOutput.h"

#include "platform/playback/ZRAlsaOutput.h"

namespace {

std::function<std::unique_ptr<ZRSoundOutput>()>& factory() {
    static std::function<std::unique_ptr<ZRSoundOutput>()> f;
    return f;
}

} // namespace

std::unique_ptr<ZRSoundOutput> zrCreatePreviewOutput() {
    if (factory()) return factory()();
    return std::make_unique<ZRAlsaOutput>("default");
}

void zrSetPreviewOutputFactory(std::function<std::unique_ptr<ZRSoundOutput>()> f) {
    factory() = std::move(f);
}
