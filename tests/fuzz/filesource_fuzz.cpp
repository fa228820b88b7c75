// Arbitrary bytes as a media file held in memory, played through the file source: open, the
// formats, a few pictures after seeks and on, and some sound.
#include "platform/playback/ZRFileSource.h"

extern "C" {
#include <libavutil/log.h>
}

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("filesource_fuzz", 0);
    if (fd < 0) return 0;
    if (write(fd, data, size) != ssize_t(size)) {
        close(fd);
        return 0;
    }
    const QString path = QString::fromStdString("/proc/self/fd/" + std::to_string(fd));

    ZRFileSource source;
    if (source.open(path)) {
        ZRVideoFormatRecord video{};
        ZRMediaTime time = 0;
        source.getDuration(&time);
        source.getFrameDuration(&time);
        // Pictures up to a full HD frame are drawn; larger ones only described.
        if (source.getVideoFormat(0, &video) == kZROk && source.setVideoFormat(&video) == kZROk &&
            int64_t(video.width) * video.height <= int64_t(1920) * 1080) {
            const int stride = video.width * 4;
            std::vector<unsigned char> pixels(size_t(stride) * size_t(video.height));
            for (const ZRMediaTime at : {ZRMediaTime(0), ZRMediaTime(5000000), ZRMediaTime(400000)})
                source.renderVideoAt(at, 0, pixels.data(), stride);
            for (int i = 0; i < 3; ++i)
                source.renderNextVideo(0, pixels.data(), stride, &time);
        }
        ZRAudioFormatRecord audio{};
        if (source.getAudioFormat(0, &audio) == kZROk) {
            std::vector<unsigned char> sound(4096);
            for (const ZRMediaTime at : {ZRMediaTime(0), ZRMediaTime(3000000)}) {
                source.seekAudio(at);
                for (int i = 0; i < 2; ++i) {
                    int32_t bytes = int32_t(sound.size());
                    source.renderAudio(0, sound.data(), &bytes, &time);
                }
            }
        }
    }
    close(fd);
    return 0;
}
