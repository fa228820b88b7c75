// The media import module: movies, sound files and still pictures read through FFmpeg (DV AVI,
// raw DV, MPEG-1/2 program and transport streams, AVI, MP4/MOV, MKV, WAV, MP3, PNG, JPEG, BMP
// and whatever else the libraries know), served through the single entry point `zrPluginCall`.
// Each opened file keeps its own decoder state in the call block's `moduleData`. Nothing thrown
// inside leaves the entry point: a failed call answers -1 and delivers nothing.
#include "engine/api/zrplugin.h"
#include "platform/media/MediaFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

ZRPluginInfo info = {1, ZR_MEDIA_IMPORT_NAME};

// The longest stretch of sound one request may ask for, in seconds.
constexpr int kMaxAudioSeconds = 60;

struct Session {
    mediaimport::MediaFile file;
    int64_t videoFrame = 0;
    std::vector<int16_t> audio;
};

double argumentTime(const ZRCallBlock* block) {
    if (!block->argument) return 0.0;
    const double time = *static_cast<const double*>(block->argument);
    return std::isfinite(time) ? time : 0.0;
}

void note(ZRCallBlock* block, const std::string& text) {
    ZRHostContext* context = block->context;
    if (context && context->host && context->host->message)
        context->host->message(context, "Debug Text", text.c_str());
}

ZRAudioFormat audioFormat(const mediaimport::MediaFile& file) {
    if (!file.hasAudio()) return ZRAudioFormat{0, 0, 0};
    return ZRAudioFormat{file.sampleRate(), 16, file.channels()};
}

intptr_t open(ZRCallBlock* block) {
    ZRHostContext* context = block->context;
    if (!context || !context->fileName) return 1;
    auto session = std::make_unique<Session>();
    std::string error;
    if (!session->file.open(context->fileName, &error)) {
        note(block,
             std::string("Media Import: cannot open '") + context->fileName + "': " + error + "\n");
        return 1;
    }
    const mediaimport::MediaFile& file = session->file;
    block->frameRate = file.frameRate();
    block->playLength = file.playLength();
    block->sourceLength = file.sourceLength();
    block->hasVideo = file.hasVideo() ? 1 : 0;
    block->hasAudio = file.hasAudio() ? 1 : 0;
    const bool dvSize = file.width() == 720 && (file.height() == 576 || file.height() == 480);
    block->formatCode = file.isDV() && dvSize ? ZR_FORMAT_DV : ZR_FORMAT_NONE;
    block->videoWidth = file.width();
    block->videoHeight = file.height();
    block->audio = audioFormat(file);
    block->moduleData = session.release();
    return 0;
}

void setNative(ZRCallBlock* block, mediaimport::VideoReader* video) {
    ZRVideoDescriptor& v = block->video;
    const std::vector<uint8_t>& native = video->native();
    v.nativeKind = native.empty() ? ZR_NATIVE_NONE : ZR_NATIVE_DV;
    v.nativeData = native.empty() ? nullptr : const_cast<uint8_t*>(native.data());
    v.nativeLength = int32_t(native.size());
    v.nativeWord1 = 0;
    v.nativeWord2 = 0;
}

intptr_t renderVideo(ZRCallBlock* block, Session& session) {
    mediaimport::MediaFile& file = session.file;
    mediaimport::VideoReader* video = file.video();
    if (!video) return -1;
    const bool found = video->seek(session.videoFrame);
    const AVFrame* frame = found ? video->frame() : nullptr;
    const int width = frame ? frame->width : file.width();
    const int height = frame ? frame->height : file.height();
    ZRHostContext* context = block->context;
    ZRVideoDescriptor* target = nullptr;
    if (context->host->videoBuffer(context, width, height, ZR_COLOUR_BGRA, &target) != 0 ||
        !target || !target->pixels)
        return -1;
    if (!frame || !video->convert(target->pixels, target->stride)) {
        // A picture that does not decode shows as black.
        for (int y = 0; y < target->height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(target->pixels + ptrdiff_t(y) * target->stride);
            std::fill(row, row + target->width, 0xFF000000u);
        }
    }
    target->flags = (frame && video->interlaced() ? ZR_VIDEO_INTERLACED : 0) |
                    (file.isStill() ? ZR_VIDEO_STILL : 0);
    setNative(block, video);
    return 0;
}

// A DV frame is handed on as the file stores it, never decoded; other sources (and a DV frame
// that cannot be read whole) are decoded to find their native data, if any.
intptr_t nativeVideo(ZRCallBlock* block, Session& session) {
    mediaimport::VideoReader* video = session.file.video();
    if (!video) return -1;
    ZRVideoDescriptor& v = block->video;
    if (video->readNative(session.videoFrame)) {
        const std::vector<uint8_t>& native = video->nativeRead();
        v.width = session.file.width();
        v.height = session.file.height();
        // Standard-definition DV always holds two fields.
        v.flags = ZR_VIDEO_INTERLACED;
        v.nativeKind = ZR_NATIVE_DV;
        v.nativeData = const_cast<uint8_t*>(native.data());
        v.nativeLength = int32_t(native.size());
        v.nativeWord1 = 0;
        v.nativeWord2 = 0;
        return 0;
    }
    const bool found = video->seek(session.videoFrame);
    const AVFrame* frame = found ? video->frame() : nullptr;
    v.width = frame ? frame->width : session.file.width();
    v.height = frame ? frame->height : session.file.height();
    v.flags = frame && video->interlaced() ? ZR_VIDEO_INTERLACED : 0;
    setNative(block, video);
    return 0;
}

intptr_t seekAudio(ZRCallBlock* block, Session& session) {
    block->audio = audioFormat(session.file);
    mediaimport::AudioReader* audio = session.file.audio();
    if (!audio) return -1;
    audio->seek(argumentTime(block));
    return 0;
}

intptr_t renderAudio(ZRCallBlock* block, Session& session) {
    const auto* request = static_cast<const ZRAudioRequest*>(block->argument);
    mediaimport::AudioReader* audio = session.file.audio();
    if (!request || !audio || request->sampleFrames < 1) return -1;
    const int frames = std::min(request->sampleFrames, kMaxAudioSeconds * audio->sampleRate());
    const size_t channels = size_t(audio->channels());
    session.audio.resize(size_t(frames) * channels);
    const int delivered = audio->read(session.audio.data(), frames);
    // The host's buffer is asked for what arrived: the engine plays silence for the rest.
    ZRHostContext* context = block->context;
    const ZRAudioFormat format = audioFormat(session.file);
    void* data = nullptr;
    if (context->host->audioBuffer(context, &format, delivered, &data) != 0 || !data) return -1;
    std::memcpy(data, session.audio.data(), size_t(delivered) * channels * sizeof(int16_t));
    return 0;
}

intptr_t dispatch(ZRCallBlock* block, int32_t opcode) {
    if (opcode == ZR_PLUGIN_INFO) return reinterpret_cast<intptr_t>(&info);
    if (!block) return -1;
    if (opcode == ZR_PLUGIN_OPEN) {
        delete static_cast<Session*>(block->moduleData);
        block->moduleData = nullptr;
        return open(block);
    }
    auto* session = static_cast<Session*>(block->moduleData);
    if (!session) return -1;
    switch (opcode) {
    case ZR_PLUGIN_CLEANUP:
        delete session;
        block->moduleData = nullptr;
        return 0;
    case ZR_PLUGIN_SEEK_VIDEO: {
        const double frames = argumentTime(block) * session->file.frameRate();
        session->videoFrame = std::llround(std::clamp(frames, 0.0, 1.0e12));
        return 0;
    }
    case ZR_PLUGIN_RENDER_VIDEO:
        return renderVideo(block, *session);
    case ZR_PLUGIN_NATIVE_VIDEO:
        return nativeVideo(block, *session);
    case ZR_PLUGIN_SEEK_AUDIO:
        return seekAudio(block, *session);
    case ZR_PLUGIN_RENDER_AUDIO:
        return renderAudio(block, *session);
    default:
        return -1;
    }
}

} // namespace

ZR_PLUGIN_ENTRY intptr_t zrPluginCall(ZRCallBlock* block, intptr_t, int32_t opcode) {
    try {
        return dispatch(block, opcode);
    } catch (...) {
        return -1;
    }
}
