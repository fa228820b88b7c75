#include "platform/media/SharedSlices.h"

#include "platform/scaler/RowWorkers.h"

#include <mutex>

namespace mediaimport {

namespace {

struct Pool {
    std::mutex busy;
    platform::RowWorkers workers{platform::RowWorkers::machineThreads()};
};

Pool& pool() {
    static Pool shared;
    return shared;
}

int runJobs(AVCodecContext* context, int (*job)(AVCodecContext*, void*), void* arguments,
            int* results, int count, int size) {
    auto* base = static_cast<char*>(arguments);
    auto band = [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            const int result = job(context, base + ptrdiff_t(i) * size);
            if (results) results[i] = result;
        }
    };
    Pool& shared = pool();
    std::unique_lock lock(shared.busy, std::try_to_lock);
    if (lock)
        shared.workers.run(count, 1, band);
    else
        band(0, count);
    return 0;
}

} // namespace

void shareSliceThreads(AVCodecContext* decoder) {
    // DV's jobs are its video segments, each decoded from its own blocks into its own area.
    if (decoder && decoder->codec_id == AV_CODEC_ID_DVVIDEO) decoder->execute = runJobs;
}

} // namespace mediaimport
