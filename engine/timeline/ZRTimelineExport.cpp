// The timeline's export: frame by frame through an export module, or, for the format "AVI",
// through the engine's own AVI writer; the AVI compressor choice; and the frame-push export
// sessions the factory hands out.
#include "engine/timeline/ZRTimeline.h"

#include "engine/export/ZRAviExportSink.h"
#include "engine/export/ZRExportClock.h"
#include "engine/export/ZRExportComposers.h"
#include "engine/export/ZRExportFlags.h"
#include "engine/export/ZRExportLoop.h"
#include "engine/export/ZRExportModuleRun.h"
#include "engine/export/ZRModuleExportSession.h"
#include "engine/export/ZRModuleExportSink.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Format names are compared with "AVI" case-sensitively.
bool isAvi(const char* format) {
    return format && std::strcmp(format, ZRAviExportSettings::kFormatName) == 0;
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
    const std::string path = moduleFilePath("Export", format, nullptr);
    if (path.empty()) return false;
    ZRExportRecordFormat recordFormat;
    recordFormat.audio = ZRExportAudioFormat{sampleRate(), bitsPerSample(), channels()};
    ZRExportModuleRun run;
    if (run.open(QString::fromUtf8(path.c_str()), &m_host, nullptr, recordFormat) ==
        ZRExportModuleRun::Opened::Ok)
        run.configure();
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
    const ZRExportAudioFormat audio{sampleRate(), bitsPerSample(), channels()};
    std::unique_ptr<ZRExportSink> sink;
    if (isAvi(format)) {
        sink = std::make_unique<ZRAviExportSink>(fileName, m_export.avi, audio, m_host);
    } else {
        const std::string modulePath = moduleFilePath("Export", format, nullptr);
        if (modulePath.empty()) return 1;
        sink = std::make_unique<ZRModuleExportSink>(QString::fromUtf8(modulePath.c_str()), fileName,
                                                    audio, m_host);
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
    const ZRExportClock clock(timelineRate, rate, length, sampleRate(), sink->leadFrames());
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

    int result = sink->open(clock, outWidth, outHeight);
    if (result == 0) {
        ZRExportLoopRun loop;
        loop.timeline = this;
        loop.host = &m_host;
        loop.startFrame = startFrame;
        loop.clock = &clock;
        loop.scaled = run.scaled;
        loop.alwaysFields = sink->scalesFields();
        loop.blank = run.blank;
        loop.passThrough = &m_export.passThrough;
        loop.push = [&sink](ZRImageRecord& frame, const void* audio, int32_t bytes) {
            return sink->push(frame, audio, bytes);
        };
        // Frames are composed ahead on a thread a core, each into buffers of its own.
        std::unique_ptr<ZRExportComposers> composers;
        const int threads = ZRExportComposers::machineThreads();
        if (threads > 1 && videoWidth() > 0 && videoHeight() > 0)
            composers = std::make_unique<ZRExportComposers>(
                this, threads, videoWidth(), videoHeight(), clock.outputFrames(),
                [this, startFrame, &clock](int64_t k, ZRImage* frame, ZRImage* a, ZRImage* b) {
                    ZRPos at;
                    at.assignFrames(int(startFrame + clock.timelineFrame(k)));
                    composeInto(at, frame, a, b);
                });
        loop.composers = composers.get();
        if (composers) loop.show = [this](IZRImage* composed) { showExportFrame(composed); };
        const ZRExportLoopEnd end = zrRunExportLoop(loop);
        // The frames composed beyond a stop are not waited for by the output.
        composers.reset();
        result = sink->close(end);
    }
    if (std::optional<std::string> written = sink->fileName())
        m_export.fileName = std::move(*written);
    return result;
}

void ZRTimeline::showExportFrame(IZRImage* composed) {
    ZRImage* shown = m_compositor.buffer(0);
    std::lock_guard lock(*shown);
    if (!composed || !shown->pixels() || shown->width() != composed->width() ||
        shown->height() != composed->height())
        return;
    composed->copyTo(shown->pixels(), shown->stride(), 0, false);
    shown->resetNative();
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
