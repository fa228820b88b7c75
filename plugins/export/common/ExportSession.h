#pragma once

#include "engine/api/zrplugin.h"

#include "plugins/export/common/ExportPipeline.h"
#include "plugins/export/common/VideoConverter.h"

#include <memory>
#include <string>
#include <vector>

namespace exportmodule {

/// The pictures a writer encodes: pixel format and size.
struct PictureFormat {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    int width = 0;
    int height = 0;
};

/// Converts the engine's 32-bit picture of `frame` into `job.picture`, made (or given new
/// buffers while the encoder still holds the old ones) in `format`; false when `frame` holds no
/// usable picture or it cannot be converted.
bool convertPicture(const ZRImageRecord& frame, const PictureFormat& format,
                    VideoConverter& converter, ExportJob& job);
/// The threads an encoder or a conversion may use: one for each core the process may run on,
/// 1 to 8.
int encoderThreads();

/// One running export of our export modules: each frame from the engine is converted into the
/// encoder's format (on several threads, straight from the engine's pixels) in a job of a short
/// queue and written on the queue's own thread by `Writer` (`pictureFormat()`,
/// `write(ExportJob&)`, `finish()`) while the engine composes the next ones. The last frame waits
/// for the files to be complete, so that a failure to write them is still reported to the engine.
/// Complete files take their names (`Writer::publish()`); after a failure or an early stop they
/// are removed (`Writer::discard()`), so that nothing of a failed or stopped export looks
/// finished (an older file of the name stays as it was).
/// A module says how a frame fills a job (`fill`), what completes its files (`complete`) and
/// what gives them their names (`publish`).
template <class Writer> class ExportSession {
public:
    /// Takes the opened `writer`; `total` frames will come.
    ExportSession(std::unique_ptr<Writer> writer, int32_t total)
        : m_writer(std::move(writer)),
          m_pipeline(std::make_unique<ExportPipeline>(
              kQueueDepth, [w = m_writer.get()](ExportJob& job) { return w->write(job); })),
          m_converter(encoderThreads()), m_total(total) {}
    virtual ~ExportSession() = default;
    ExportSession(const ExportSession&) = delete;
    ExportSession& operator=(const ExportSession&) = delete;

    /// Queues `frame` and its audio; the engine's answer for the frame (0: the export failed).
    int32_t encode(ZRImageRecord* frame, const void* audio, int32_t audioBytes) {
        if (m_finished || !frame) return 0;
        ExportJob* job = m_pipeline->acquire();
        if (!job) return 0;
        if (!fill(*frame, *job)) {
            m_pipeline->release(job);
            return 0;
        }
        const auto* bytes = static_cast<const uint8_t*>(audio);
        job->audio.assign(bytes, bytes && audioBytes > 0 ? bytes + audioBytes : bytes);
        if (!m_pipeline->submit(job)) return 0;
        if (++m_received == m_total) return finish() ? 1 : 0;
        return 1;
    }

    /// Drains the queue and completes the files (once); true when all of it succeeded. Files
    /// of an export that ended before the frames `exportStart` announced are discarded: they
    /// would pass for the whole range under its name.
    bool finish() {
        if (m_finished) return m_completed;
        m_finished = true;
        const bool drained = m_pipeline->finish();
        const bool whole = m_received >= m_total;
        m_completed = complete() && drained && whole && publish();
        if (!m_completed) m_writer->discard();
        return m_completed;
    }

protected:
    Writer& writer() { return *m_writer; }
    /// Fills `job` from `frame` on the engine's thread; false refuses the frame.
    virtual bool fill(ZRImageRecord& frame, ExportJob& job) {
        return convertPicture(frame, m_writer->pictureFormat(), m_converter, job);
    }
    /// Completes the files once the queue is drained.
    virtual bool complete() { return m_writer->finish(); }
    /// Gives the completed files their names.
    virtual bool publish() { return m_writer->publish(); }

private:
    // The frames in flight between the engine and the encoder.
    static constexpr size_t kQueueDepth = 4;

    // The writer is declared first so that it outlives the queue's thread.
    std::unique_ptr<Writer> m_writer;
    std::unique_ptr<ExportPipeline> m_pipeline;
    VideoConverter m_converter; ///< used on the engine's thread only
    int32_t m_total = 0;
    int32_t m_received = 0;
    bool m_finished = false;
    bool m_completed = false;
};

/// The export a module is running and the guarded work of its entry points: no exception leaves
/// them, and a new start ends the export before it.
template <class Session> class CurrentExport {
public:
    /// exportStart: `open(record, totalFrames)` makes the new session, or null when it cannot
    /// start. 1 when it started.
    template <class Open>
    int32_t start(ZRExportRecord* record, int32_t totalFrames, Open&& open) noexcept {
        try {
            m_session.reset();
            if (!record) return 0;
            record->fileName[sizeof record->fileName - 1] = 0;
            m_session = open(*record, totalFrames);
            return m_session ? 1 : 0;
        } catch (...) {
            m_session.reset();
            return 0;
        }
    }

    /// exportEncode.
    int32_t encode(ZRImageRecord* frame, const void* audio, int32_t audioBytes) noexcept {
        try {
            return m_session ? m_session->encode(frame, audio, audioBytes) : 0;
        } catch (...) {
            return 0;
        }
    }

    /// exportEnd: completes what the export wrote; an export stopped early leaves no file.
    void end() noexcept {
        try {
            if (m_session) m_session->finish();
        } catch (...) {
        }
        m_session.reset();
    }

private:
    std::unique_ptr<Session> m_session;
};

} // namespace exportmodule
