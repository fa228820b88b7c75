#pragma once

#include <QByteArray>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class IZRTimeline;
struct IZRCallbacks;

/// Makes clip pictures off the GUI thread: a few threads, each with a private engine timeline
/// (and so its own import objects and decoders), import the requested files and render their
/// first frames into pictures of `pictureSize()`. The timelines are made in the constructor and
/// deleted in the destructor, both on the GUI thread (timelines are made and destroyed on one
/// thread); the destructor joins the threads first. Requests go by path into one queue that
/// every thread takes from at the front; answers come by the signal `pictureReady`, emitted on
/// the thread that owns the worker (a posted notice wakes it), in the order they are made (not the
/// order asked), tagged with the generation in force when the request was taken, so that answers to
/// a queue since replaced are recognised as stale.
///
/// Thread-safety: the queue, the answers, the notice, the picture size and the generation are
/// guarded by `m_lock`; each private timeline is used by its own thread alone once made. Public
/// calls belong to the owning (GUI) thread.
class ZRThumbnailWorker : public QObject {
    Q_OBJECT
public:
    enum Result { Frame = 0, NoVideo = 1, Failed = 2 };
    /// The engine's entry points that make and destroy a timeline; the program hands them in,
    /// since the pages do not link the engine.
    struct Engine {
        IZRTimeline* (*create)(IZRCallbacks*, const char*, unsigned) = nullptr;
        void (*destroy)(IZRTimeline*) = nullptr;
    };

    /// Makes `threads` private timelines over `baseFolder` (empty: the engine's own folder), at
    /// least one, and a thread for each; `threads` 0 takes `machineThreads()`. Without entry
    /// points or a timeline one thread answers every request Failed.
    explicit ZRThumbnailWorker(Engine engine, const QByteArray& baseFolder = QByteArray(),
                               int threads = 0, QObject* parent = nullptr);
    /// Stops and joins the threads, then deletes the timelines; answers not delivered are lost.
    ~ZRThumbnailWorker() override;

    bool hasTimeline() const { return !m_lanes.empty() && m_lanes.front().timeline; }
    /// The threads making pictures.
    int threads() const { return int(m_lanes.size()); }
    /// One thread for each core the process may run on (`taskset` narrows them), 1 to 8.
    static int machineThreads();
    void setPictureSize(const QSize& size);
    QSize pictureSize() const;

    /// Queues `paths` after those waiting (the first of them are done first).
    void request(const QStringList& paths);
    /// Moves those of `paths` still waiting to the front of the queue, in the order given (those
    /// in sight go first); paths taken already or never asked for are left alone.
    void prioritise(const QStringList& paths);
    /// Drops every waiting request and starts a new generation: an answer to an older request
    /// still arrives, with its old generation.
    void clear();
    uint64_t generation() const;
    /// The number of requests waiting.
    int pending() const;

Q_SIGNALS:
    /// A picture (`Frame`: the first frame; `NoVideo`, `Failed`: null) for `path`.
    void pictureReady(const QString& path, int result, const QImage& picture, quint64 generation);

protected:
    /// Takes the notice that answers wait and emits `pictureReady` for each.
    bool event(QEvent* e) override;

private:
    struct Answer {
        QString path;
        int result;
        QImage picture;
        quint64 generation;
    };
    /// A thread and the timeline it alone uses.
    struct Lane {
        IZRTimeline* timeline = nullptr;
        std::thread thread;
    };
    void run(IZRTimeline* timeline);
    void deliverAnswers();
    static QEvent::Type noticeType();
    static Result render(IZRTimeline* timeline, const QString& path, const QSize& size,
                         QImage& picture);

    Engine m_engine;
    std::vector<Lane> m_lanes;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<QString> m_queue;
    std::deque<Answer> m_answers;
    /// The notice a thread posts when the first answer waits: made on the owner's thread and
    /// only handed to Qt by the thread, as Qt's own locks are invisible to the thread
    /// sanitizer; null while one is on its way.
    std::unique_ptr<QEvent> m_notice;
    QSize m_pictureSize{60, 40};
    uint64_t m_generation = 0;
    bool m_stop = false;
};
