#include "platform/ffmpeg/OrderedEncoders.h"

#include <algorithm>
#include <climits>

namespace platform::ffmpeg {

OrderedEncoders::OrderedEncoders(int workers, int64_t unitFrames, Contexts contexts,
                                 OpenContext open, size_t queuedFrames, Prepare prepare,
                                 int64_t warmupFrames)
    : m_unitFrames(std::max<int64_t>(unitFrames, 1)), m_contexts(contexts), m_open(std::move(open)),
      m_queuedFrames(std::max<size_t>(queuedFrames, 1)), m_prepare(std::move(prepare)),
      m_warmupFrames(contexts != Contexts::PerWorker ? std::max<int64_t>(warmupFrames, 0) : 0) {
    for (int i = 0; i < std::max(workers, 1); ++i)
        m_workers.push_back(std::make_unique<Worker>());
    for (auto& worker : m_workers)
        worker->thread = std::thread([this, w = worker.get()] {
            if (m_contexts == Contexts::Strided)
                runStrided(*w);
            else
                run(*w);
        });
}

OrderedEncoders::~OrderedEncoders() {
    for (auto& worker : m_workers) {
        {
            std::lock_guard lock(worker->mutex);
            worker->input.clear();
            worker->stopping = true;
        }
        worker->changed.notify_all();
    }
    for (auto& worker : m_workers)
        if (worker->thread.joinable()) worker->thread.join();
}

void OrderedEncoders::fail(int error) {
    {
        std::lock_guard lock(m_shared);
        if (!m_error) m_error = error;
    }
    // Taking each worker's mutex before telling it means a thread that checked the error under
    // that mutex and is about to wait cannot miss the news.
    for (auto& worker : m_workers) {
        { std::lock_guard lock(worker->mutex); }
        worker->changed.notify_all();
    }
}

int OrderedEncoders::error() {
    std::lock_guard lock(m_shared);
    return m_error;
}

FrameHandle OrderedEncoders::spare() {
    std::lock_guard lock(m_shared);
    m_spareWanted = true;
    if (m_spare.empty()) return nullptr;
    FrameHandle frame = std::move(m_spare.back());
    m_spare.pop_back();
    return frame;
}

int OrderedEncoders::encodeInto(Worker& worker, AVCodecContext* context, const AVFrame* frame,
                                int64_t keepFrom, int64_t origin) {
    int result = avcodec_send_frame(context, frame);
    while (result >= 0) {
        PacketHandle packet(av_packet_alloc());
        if (!packet) return AVERROR(ENOMEM);
        result = avcodec_receive_packet(context, packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
        if (result < 0) break;
        if (packet->pts != AV_NOPTS_VALUE) packet->pts += origin;
        if (packet->dts != AV_NOPTS_VALUE) packet->dts += origin;
        if (packet->pts != AV_NOPTS_VALUE && packet->pts < keepFrom) continue;
        putOutput(worker, std::move(packet));
    }
    return result;
}

const AVFrame* OrderedEncoders::picture(const AVFrame* frame, FrameHandle& prepared, int* result) {
    *result = 0;
    if (!m_prepare) return frame;
    if (!prepared && !(prepared = FrameHandle(av_frame_alloc()))) {
        *result = AVERROR(ENOMEM);
        return nullptr;
    }
    if ((*result = m_prepare(frame, prepared.get())) < 0) return nullptr;
    if ((*result = av_frame_copy_props(prepared.get(), frame)) < 0) return nullptr;
    return prepared.get();
}

// Hands the producer one packet of the worker's output, or with none the end of a unit.
void OrderedEncoders::putOutput(Worker& worker, PacketHandle packet) {
    {
        std::lock_guard lock(worker.mutex);
        worker.output.push_back(Output{std::move(packet)});
    }
    worker.changed.notify_all();
}

// Keeps a frame the encoder is done with for the producer to fill again, as many as the queues
// hold: a producer that takes none back does not make the pile grow with the stream, and one that
// never asks for them (making each frame anew) keeps none of them alive.
void OrderedEncoders::keepSpare(FrameHandle frame) {
    std::lock_guard lock(m_shared);
    if (m_spareWanted && m_spare.size() < m_workers.size() * m_queuedFrames)
        m_spare.push_back(std::move(frame));
}

// Waits for the worker's next input and takes it (telling a producer waiting for room); false
// once the worker is stopping with nothing left.
bool OrderedEncoders::takeInput(Worker& worker, Input& next) {
    {
        std::unique_lock lock(worker.mutex);
        worker.changed.wait(lock, [&] { return !worker.input.empty() || worker.stopping; });
        if (worker.input.empty()) return false;
        next = std::move(worker.input.front());
        worker.input.pop_front();
    }
    worker.changed.notify_all();
    return true;
}

// After an error a worker goes on taking its input and marking the ends of its units, so that
// neither the producer waiting for room nor one waiting for a unit waits for ever.
// A unit that opens with warm-up frames keeps nothing its context gives before its first own
// frame, and then only packets from that frame's pts on: with B-frames the warm-up's last packets
// come out after the unit's first frame went in. A context of its own sees its unit's timestamps
// counted from the unit's first frame: rate control budgets bits by timestamp, and a context
// that starts at a later one spends to make up for frames it never had.
void OrderedEncoders::run(Worker& worker) {
    CodecContextHandle context;
    FrameHandle prepared;
    bool inUnit = false;
    int64_t keepFrom = INT64_MIN;
    int64_t origin = 0;
    for (;;) {
        Input next; // one input at a time: its frame is let go before the next wait
        if (!takeInput(worker, next)) break;
        FrameHandle& frame = next.frame;
        const bool failed = error() != 0;
        if (frame) {
            if (!inUnit) {
                keepFrom = next.warmup ? INT64_MAX : INT64_MIN;
                origin = m_contexts == Contexts::PerUnit && frame->pts != AV_NOPTS_VALUE
                             ? frame->pts
                             : 0;
            }
            inUnit = true;
            if (!next.warmup && keepFrom == INT64_MAX) keepFrom = frame->pts;
            if (frame->pts != AV_NOPTS_VALUE) frame->pts -= origin;
            if (!failed && !context && !(context = m_open())) fail(AVERROR(ENOMEM));
            int result = 0;
            if (!failed && context) {
                const AVFrame* in = picture(frame.get(), prepared, &result);
                if (in) result = encodeInto(worker, context.get(), in, keepFrom, origin);
            }
            if (result < 0) fail(result);
            keepSpare(std::move(frame));
            continue;
        }
        inUnit = false;
        if (m_contexts == Contexts::PerUnit && context) {
            if (!failed) {
                const int result = encodeInto(worker, context.get(), nullptr, keepFrom, origin);
                if (result < 0) fail(result);
            }
            context.reset();
        }
        putOutput(worker, nullptr);
    }
    // A context kept for the whole stream is flushed at its end; what it still gives (nothing,
    // for the encoders this mode is meant for) follows every unit. A unit's context left at the
    // end has only warmed up for a unit that never came: nothing of it is kept.
    if (m_contexts == Contexts::PerWorker && context && error() == 0) {
        const int result = encodeInto(worker, context.get(), nullptr);
        if (result < 0) fail(result);
    }
}

// A unit's packets are those the context gives after the packets of the worker's units before:
// one a frame, and a closed group is coded only after the group before it. A unit's end is
// marked once all of them are out, which for the last units is at the flush. A worker's first
// unit may come after warm-up frames (the unit before it, encoded on the worker's context too,
// its packets dropped), so that the context starts the unit as a context that has been running
// does.
void OrderedEncoders::runStrided(Worker& worker) {
    struct Pending {
        int64_t streamStart = 0; ///< the pts of the unit's first frame in the stream
        int64_t ownStart = 0;    ///< and on the context
        int64_t frames = 0;
        int64_t packets = 0;
        bool ended = false;
        bool warmup = false; ///< its packets are dropped and it has no end to mark
    };
    std::deque<Pending> pending;
    CodecContextHandle context;
    FrameHandle prepared;
    int64_t ownNext = 0;
    bool inUnit = false;
    const auto markEnds = [&] {
        while (!pending.empty() && pending.front().ended &&
               (pending.front().packets >= pending.front().frames || error() != 0)) {
            const bool warmup = pending.front().warmup;
            pending.pop_front();
            if (warmup) continue;
            putOutput(worker, nullptr);
        }
    };
    const auto encode = [&](const AVFrame* frame) {
        int result = avcodec_send_frame(context.get(), frame);
        while (result >= 0) {
            PacketHandle packet(av_packet_alloc());
            if (!packet) return AVERROR(ENOMEM);
            result = avcodec_receive_packet(context.get(), packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
            if (result < 0) break;
            if (pending.empty()) return AVERROR_BUG;
            Pending& unit = pending.front();
            if (packet->pts != AV_NOPTS_VALUE) packet->pts += unit.streamStart - unit.ownStart;
            if (packet->dts != AV_NOPTS_VALUE) packet->dts += unit.streamStart - unit.ownStart;
            ++unit.packets;
            if (unit.warmup) {
                markEnds();
                continue;
            }
            putOutput(worker, std::move(packet));
            markEnds();
        }
        return result;
    };
    for (;;) {
        Input next; // one input at a time: its frame is let go before the next wait
        if (!takeInput(worker, next)) break;
        const bool failed = error() != 0;
        if (FrameHandle& frame = next.frame) {
            const bool starts = !inUnit || (pending.back().warmup && !next.warmup);
            if (starts) {
                if (inUnit) pending.back().ended = true;
                pending.push_back(Pending{frame->pts, ownNext, 0, 0, false, next.warmup});
            }
            frame->pict_type = starts ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
            inUnit = true;
            ++pending.back().frames;
            frame->pts = ownNext++;
            if (!failed && !context && !(context = m_open())) fail(AVERROR(ENOMEM));
            int result = 0;
            if (!failed && context) {
                const AVFrame* in = picture(frame.get(), prepared, &result);
                if (in) result = encode(in);
            }
            if (result < 0) fail(result);
            keepSpare(std::move(frame));
            continue;
        }
        if (next.flush) {
            if (!failed && context) {
                const int result = encode(nullptr);
                if (result < 0) fail(result);
            }
            context.reset();
            // Whatever did not come out (after an error) ends all the same, and so does a
            // warm-up for a unit that never came.
            for (Pending& unit : pending) {
                unit.packets = unit.frames;
                unit.ended = unit.ended || unit.warmup;
            }
        } else {
            inUnit = false;
            if (!pending.empty()) pending.back().ended = true;
            // A unit without frames (none was sent to this worker) still ends in turn.
            else
                pending.push_back(Pending{0, 0, 0, 0, true});
        }
        markEnds();
    }
}

void OrderedEncoders::queueEnd(int64_t unit) {
    Worker& worker = *m_workers[size_t(unit % int64_t(m_workers.size()))];
    {
        std::lock_guard lock(worker.mutex);
        worker.input.push_back(Input{});
    }
    worker.changed.notify_all();
}

int OrderedEncoders::queueFrame(Worker& worker, Input input) {
    {
        std::unique_lock lock(worker.mutex);
        worker.changed.wait(lock, [&] {
            size_t frames = 0;
            for (const Input& queued : worker.input)
                frames += queued.frame ? 1 : 0;
            return frames < m_queuedFrames || error() != 0;
        });
        if (const int failed = error()) return failed;
        worker.input.push_back(std::move(input));
    }
    worker.changed.notify_all();
    return 0;
}

// With several workers the next unit's worker takes its warm-up frames as they come, so that it
// warms up while the unit before is encoded; its own unit before has ended already. With one
// worker they wait for the first frame of the unit, after the end of the unit before.
int OrderedEncoders::send(FrameHandle frame, const PacketSink& sink) {
    if (m_finished || !frame) return AVERROR(EINVAL);
    if (const int failed = error()) return failed;
    const int64_t unit = m_frames / m_unitFrames;
    const int64_t index = m_frames % m_unitFrames;
    Worker& worker = *m_workers[size_t(unit % int64_t(m_workers.size()))];
    int result = 0;
    if (index == 0) {
        for (FrameHandle& warmup : m_warmup)
            if (result >= 0) result = queueFrame(worker, Input{std::move(warmup), true});
        m_warmup.clear();
        if (result < 0) return result;
    }
    FrameHandle reference;
    const bool warmsUp = m_contexts == Contexts::Strided
                             ? m_warmupFrames > 0 && unit + 1 < int64_t(m_workers.size()) &&
                                   index >= m_unitFrames - m_warmupFrames
                             : index >= m_unitFrames - m_warmupFrames;
    if (warmsUp && !(reference = FrameHandle(av_frame_clone(frame.get())))) return AVERROR(ENOMEM);
    if ((result = queueFrame(worker, Input{std::move(frame), false})) < 0) return result;
    if (reference && m_workers.size() > 1) {
        Worker& next = *m_workers[size_t((unit + 1) % int64_t(m_workers.size()))];
        result = queueFrame(next, Input{std::move(reference), true});
        if (result < 0) return result;
    } else if (reference) {
        m_warmup.push_back(std::move(reference));
    }
    if (++m_frames % m_unitFrames == 0) queueEnd(unit);
    return deliver(sink, false, INT64_MAX);
}

int OrderedEncoders::deliver(const PacketSink& sink, bool wait, int64_t lastUnit) {
    while (m_deliveredUnit < lastUnit) {
        Worker& worker = *m_workers[size_t(m_deliveredUnit % int64_t(m_workers.size()))];
        Output next;
        {
            std::unique_lock lock(worker.mutex);
            if (wait)
                worker.changed.wait(lock, [&] { return !worker.output.empty() || error() != 0; });
            if (const int failed = error()) return failed;
            if (worker.output.empty()) return 0;
            next = std::move(worker.output.front());
            worker.output.pop_front();
        }
        if (!next.packet) {
            ++m_deliveredUnit;
            continue;
        }
        const int result = sink(next.packet.get());
        if (result < 0) {
            fail(result);
            return result;
        }
    }
    return error();
}

int OrderedEncoders::finish(const PacketSink& sink) {
    if (m_finished) return AVERROR(EINVAL);
    m_finished = true;
    m_warmup.clear();
    if (m_frames % m_unitFrames != 0) queueEnd(m_frames / m_unitFrames);
    if (m_contexts == Contexts::Strided)
        for (auto& worker : m_workers) {
            {
                std::lock_guard lock(worker->mutex);
                worker->input.push_back(Input{nullptr, false, true});
            }
            worker->changed.notify_all();
        }
    const int64_t units = (m_frames + m_unitFrames - 1) / m_unitFrames;
    int result = deliver(sink, true, units);
    for (auto& worker : m_workers) {
        {
            std::lock_guard lock(worker->mutex);
            worker->stopping = true;
        }
        worker->changed.notify_all();
    }
    for (auto& worker : m_workers)
        if (worker->thread.joinable()) worker->thread.join();
    for (auto& worker : m_workers)
        for (Output& left : worker->output)
            if (result >= 0 && left.packet && (result = sink(left.packet.get())) < 0) fail(result);
    const int failed = error();
    return failed ? failed : std::min(result, 0);
}

} // namespace platform::ffmpeg
