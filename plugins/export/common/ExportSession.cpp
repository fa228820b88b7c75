#include "plugins/export/common/ExportSession.h"

#include "platform/scaler/RowWorkers.h"

namespace exportmodule {

using platform::ffmpeg::FrameHandle;

bool convertPicture(const ZRImageRecord& frame, const PictureFormat& format,
                    VideoConverter& converter, ExportJob& job) {
    if (!frame.pixels || frame.width < 1 || frame.height < 1 || frame.stride < frame.width * 4)
        return false;
    if (!job.picture && !(job.picture = FrameHandle(av_frame_alloc()))) return false;
    AVFrame* picture = job.picture.get();
    const bool reusable = picture->buf[0] && av_frame_is_writable(picture) &&
                          picture->format == format.format && picture->width == format.width &&
                          picture->height == format.height;
    if (!reusable) {
        av_frame_unref(picture);
        picture->format = format.format;
        picture->width = format.width;
        picture->height = format.height;
        if (av_frame_get_buffer(picture, 0) < 0) return false;
    }
    // A native DV frame comes from an interlaced source even where the engine does not say so.
    job.interlaced = frame.interlaced != 0 || frame.nativeKind == ZR_NATIVE_DV;
    return converter.convert(frame.pixels, frame.width, frame.height, frame.stride, picture);
}

int encoderThreads() {
    return platform::RowWorkers::machineThreads();
}

} // namespace exportmodule
