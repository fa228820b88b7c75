#include "engine/export/ZRExportLoop.h"

#include "engine/api/IZRTimeline.h"
#include "engine/base/ZRHostCallbacks.h"
#include "engine/base/ZRPos.h"
#include "engine/export/ZRExportComposers.h"
#include "engine/export/ZRExportFlags.h"
#include "engine/export/ZRExportFrameScaler.h"
#include "engine/modules/ZRImageRecord.h"

#include <mutex>

ZRExportLoopEnd zrRunExportLoop(const ZRExportLoopRun& run) {
    const ZRExportClock& clock = *run.clock;
    const int64_t total = clock.outputFrames();
    const int32_t reportedTotal = int32_t(std::min<int64_t>(total, INT32_MAX));
    ZRPos current;
    current.assignFrames(int(run.startFrame));
    run.timeline->startAudioAt(&current);

    for (int64_t k = 0; k < total; ++k) {
        current.assignFrames(int(run.startFrame + clock.timelineFrame(k)));
        // The composed frame comes locked: given back (unlocked) on every way out of one step.
        struct Composed {
            ZRExportComposers* composers;
            int64_t k;
            IZRImage* image;
            ~Composed() {
                if (composers)
                    composers->giveBack(k);
                else if (image)
                    image->unlock();
            }
        } held{run.composers, k,
               run.composers ? run.composers->take(k) : run.timeline->videoAt(&current, 0)};
        IZRImage* const composed = held.image;
        IZRImage* frame = composed ? composed : run.blank;
        if (run.scaled && frame != run.blank) {
            const bool fields =
                run.alwaysFields || zrExportScalesFields(frame->height(), run.scaled->height());
            if (!zrScaleExportFrame(frame, run.scaled, fields)) run.scaled->clear();
            frame = run.scaled;
        }

        const int64_t n = k + 1;
        int32_t bytes = 0;
        const void* audio = run.timeline->renderAudio(clock.audioSamples(n), &bytes);
        if (!audio || bytes < 0) bytes = 0;
        if (!bytes) audio = nullptr;

        ZRImageRecord record = zrImageRecord(frame);
        if (!run.push(record, audio, bytes)) return ZRExportLoopEnd::Refused;
        const bool passedThrough = record.nativeKind == ZR_NATIVE_PASSED;
        if (run.passThrough) run.passThrough->store(passedThrough);

        // The host shows the frame buffer once a second while it is recompressed; composers
        // write frames of their own, so the one being written is put there first.
        if (run.show && composed && !passedThrough && current.frames() == 0) run.show(composed);
        const bool goOn = run.host->progress(int(std::min<int64_t>(n, INT32_MAX)), reportedTotal,
                                             &current, !passedThrough) &&
                          !zrStopRequested();
        if (!goOn) return ZRExportLoopEnd::Stopped;
    }
    return ZRExportLoopEnd::Finished;
}
