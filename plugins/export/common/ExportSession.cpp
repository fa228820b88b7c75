#include "ExportSession.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace exportmodule {

bool copyPicture(const ZRImageRecord& frame, ExportJob& job) {
    if (!frame.pixels || frame.width < 1 || frame.height < 1 || frame.stride < frame.width * 4)
        return false;
    const size_t row = size_t(frame.width) * 4;
    job.pixels.resize(row * size_t(frame.height));
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(job.pixels.data() + row * size_t(y),
                    frame.pixels + size_t(frame.stride) * size_t(y), row);
    job.width = frame.width;
    job.height = frame.height;
    job.stride = int(row);
    job.interlaced = frame.interlaced != 0;
    return true;
}

int encoderThreads() {
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

} // namespace exportmodule
