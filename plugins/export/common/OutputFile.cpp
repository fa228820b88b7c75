#include "plugins/export/common/OutputFile.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

namespace exportmodule {

bool keepFailure(std::string& error, const std::string& what, int code) {
    if (error.empty()) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(code, text, sizeof text);
        error = what + ": " + text;
    }
    return false;
}

bool completeOutput(platform::ffmpeg::OutputHandle& output, const std::vector<std::string>& files,
                    std::string& error) {
    if (!output) return true;
    int result = av_write_trailer(output.get());
    if (result >= 0 && output->pb) {
        avio_flush(output->pb);
        result = output->pb->error;
    }
    const int closed = output->pb ? avio_closep(&output->pb) : 0;
    output.reset();
    const std::string name = files.empty() ? std::string() : files.back();
    if (result < 0) return keepFailure(error, "cannot complete " + name, result);
    if (closed < 0) return keepFailure(error, "cannot close " + name, closed);
    return true;
}

bool makeOutput(platform::ffmpeg::OutputHandle& output, const char* muxer, const std::string& path,
                std::string& error) {
    int result = 0;
    output = platform::ffmpeg::makeOutput(muxer, path.c_str(), result);
    return output || keepFailure(error, "muxer", result);
}

} // namespace exportmodule
