// The timeline's export: frame by frame through an export module, or, for the format "AVI",
// through the engine's own AVI writer; the AVI compressor choice; and the frame-push export
// sessions the factory hands out.
#include "ZRTimeline.h"

#include "export/ZRExportClock.h"
#include "export/ZRExportFlags.h"
#include "export/ZRExportLoop.h"
#include "export/ZRExportPalette.h"
#include "export/ZRModuleExportSession.h"
#include "modules/ZRExportModule.h"
#include "modules/ZRModuleLocale.h"
#include "platform/aviwriter/AviWriter.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Format names are compared with "AVI" case-sensitively.
bool isAvi(const char* format) {
    return format && std::strcmp(format, ZRAviExportSettings::kFormatName) == 0;
}

// The whole name or nothing: a name that does not fit the record is refused, never cut.
bool setRecordName(ZRExportRecord& record, const char* name) {
    const size_t length = std::strlen(name);
    if (length >= sizeof record.fileName) return false;
    std::memcpy(record.fileName, name, length + 1);
    return true;
}

// A position's frame count at the timeline rate `rate`, whatever rate the position counts in.
int64_t framesAt(const IZRPos* position, double rate) {
    ZRPos copy;
    copy.assign(position);
    copy.changeFramerate(rate);
    return std::llround(copy.toFrames());
}

} // namespace

bool ZRTimeline::configureExportModule(const char* format) {
    const ZREngineString path = moduleFilePath("Export", format, nullptr);
    if (path.isEmpty()) return false;
    auto record = std::make_unique<ZRExportRecord>();
    record->hasAudio = 1;
    record->audioRate = sampleRate();
    record->audioBits = bitsPerSample();
    record->audioChannels = channels();
    record->reserved = nullptr;
    ZRExportModule module;
    module.setHost(&m_host);
    if (module.bind(QString::fromUtf8(path.c_str()))) {
        module.info(0, moduleLocaleString);
        module.config(record.get());
    }
    return true;
}

const char* const* ZRTimeline::exportCodecSetting(const char* format, bool video) {
    return isAvi(format) ? m_export.avi.compressors(video) : nullptr;
}

void ZRTimeline::setExportCodecName(const char* format, bool video, const char* codec) {
    if (isAvi(format)) m_export.avi.setCodecName(video, codec);
}

const char* ZRTimeline::exportCodecName(const char* format, bool video) {
    return isAvi(format) ? m_export.avi.codecName(video) : nullptr;
}

// Results: 0 written (or stopped by the host); 1 no module, a module that would not bind or
// start, a refused frame, a file that could not be written or a name that does not fit; 2 and 3
// the AVI writer refused the video or the audio format.
int ZRTimeline::exportProject(const char* fileName, const char* format, IZRPos* rangeStart,
                              IZRPos* rangeEnd, int width, int height, double rate) {
    m_export.passThrough = false;
    if (!fileName || !*fileName) return 1;
    const bool avi = isAvi(format);
    ZREngineString modulePath;
    if (!avi) {
        modulePath = moduleFilePath("Export", format, nullptr);
        if (modulePath.isEmpty()) return 1;
    }

    // From here on every way out resumes the renderer, clears the pass-through flag and gives
    // back the scratch images.
    struct Run {
        ZRTimeline* timeline;
        bool wasRunning = zrExportRunning();
        IZRImage* scaled = nullptr;
        IZRImage* blank = nullptr;
        explicit Run(ZRTimeline* t) : timeline(t) {
            timeline->suspendRenderer();
            zrSetExportRunning(true);
            zrSetStopRequested(false);
        }
        ~Run() {
            timeline->m_export.passThrough = false;
            timeline->destroyImage(scaled);
            timeline->destroyImage(blank);
            zrSetStopRequested(false);
            zrSetExportRunning(wasRunning);
            timeline->resumeRenderer();
        }
    } run(this);

    const double timelineRate = ZRPos::defaultFrameRate();
    int64_t startFrame = 0;
    const ZRPos endOfProject = projectEnd();
    int64_t length = framesAt(&endOfProject, timelineRate);
    if (rangeStart && rangeEnd) {
        const int64_t first = framesAt(rangeStart, timelineRate);
        const int64_t last = framesAt(rangeEnd, timelineRate);
        if (first <= last && last <= length) {
            startFrame = first;
            length = last - first + 1;
        }
    }
    const ZRExportClock clock(timelineRate, rate, length, sampleRate(), avi ? 1 : 5);
    if (!clock.isValid() || startFrame + length > INT32_MAX) return 1;

    int outWidth = videoWidth();
    int outHeight = videoHeight();
    if (width > 0 && height > 0 && (width != videoWidth() || height != videoHeight())) {
        outWidth = width;
        outHeight = height;
        run.scaled = createImage(width, height, 0);
        if (!run.scaled || !run.scaled->pixels()) return 1;
    }
    run.blank = createImage(outWidth, outHeight, 0);

    ZRExportLoopRun loop;
    loop.timeline = this;
    loop.host = &m_host;
    loop.startFrame = startFrame;
    loop.clock = &clock;
    loop.scaled = run.scaled;
    loop.alwaysFields = avi;
    loop.blank = run.blank;
    loop.passThrough = &m_export.passThrough;

    if (avi) {
        std::string name = fileName;
        if (name.find('.') == std::string::npos) name += ".avi";
        m_export.fileName = name;
        platform::AviWriter writer;
        writer.setDebug(
            [this](const char* line) { m_host.debug((std::string(line) + "\n").c_str()); });
        const int opened =
            writer.openDShow(m_export.avi.codecName(true), m_export.avi.codecName(false),
                             name.c_str(), outWidth, outHeight, clock.outputRate(), sampleRate(),
                             channels(), bitsPerSample(), 0, -1, -1, -1);
        if (opened == platform::kAviVideoRefused) return 2;
        if (opened == platform::kAviAudioRefused) return 3;
        if (opened != platform::kAviOk) return 1;
        loop.push = [&](ZRImageRecord& frame, const void* audio, int32_t bytes) {
            if (frame.width != outWidth || frame.height != outHeight) return false;
            if (audio && writer.genAudioSample(audio, bytes) != 0) return false;
            return writer.genVideoSample(frame.pixels, frame.stride) == 0;
        };
        const ZRExportLoopEnd end = zrRunExportLoop(loop);
        const int closed = writer.closeDShow(end == ZRExportLoopEnd::Refused ? 1 : 0);
        return end == ZRExportLoopEnd::Refused || closed != 0 ? 1 : 0;
    }

    auto record = std::make_unique<ZRExportRecord>();
    if (!setRecordName(*record, fileName)) {
        m_host.debug("exportProject: the file name is too long for an export module\n");
        return 1;
    }
    record->hasAudio = 1;
    record->audioRate = sampleRate();
    record->audioBits = bitsPerSample();
    record->audioChannels = channels();
    record->reserved = nullptr;
    record->frameRate = clock.outputRate();
    record->width = outWidth;
    record->height = outHeight;

    int result = 1;
    ZRExportModule module;
    module.setHost(&m_host);
    if (module.bind(QString::fromUtf8(modulePath.c_str()))) {
        module.info(0, moduleLocaleString);
        const int32_t total = int32_t(std::min<int64_t>(clock.outputFrames(), INT32_MAX));
        if (module.start(record.get(), total)) {
            if (record->paletteRequest) zrFillExportPalette(*record);
            loop.push = [&module](ZRImageRecord& frame, const void* audio, int32_t bytes) {
                return module.encode(&frame, audio, bytes);
            };
            result = zrRunExportLoop(loop) == ZRExportLoopEnd::Refused ? 1 : 0;
            module.end();
        }
    }
    record->fileName[sizeof record->fileName - 1] = 0;
    m_export.fileName = record->fileName;
    return result;
}

ZRExportSession* ZRTimeline::createExportModule(const char* moduleName, IZRImage* size,
                                                int32_t totalFrames, double rate,
                                                const char* fileName) {
    if (!size) return nullptr;
    auto session = std::make_unique<ZRModuleExportSession>(*this, totalFrames);
    if (!session->startExportSession(moduleName, size->width(), size->height(), rate, fileName))
        return nullptr;
    m_export.addSession(session.get());
    return session.release();
}
