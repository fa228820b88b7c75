#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

class IZRTimeline;
struct IZRCallbacks;

/// Makes clip pictures off the GUI thread: one thread imports each requested file into a
/// private engine timeline and renders its first frame into a picture of `pictureSize()`.
/// The timeline is made in the constructor and deleted in the destructor, both on the GUI
/// thread (timelines are made and destroyed on one thread); the destructor joins the thread
/// first. Requests go by path; answers come by the queued signal `pictureReady` on the thread
/// that owns the worker, tagged with the generation in force when the request was queued, so
/// that answers to a queue since replaced are recognised as stale.
///
/// Thread-safety: the queue, the picture size and the generation are guarded by `m_lock`; the
/// private timeline is used by the worker thread alone once made. Public calls belong to the
/// owning (GUI) thread.
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

    /// Makes the private timeline over `baseFolder` (empty: the engine's own folder) and starts
    /// the thread. Without entry points or a timeline every request answers Failed.
    explicit ZRThumbnailWorker(Engine engine, const QByteArray& baseFolder = QByteArray(),
                               QObject* parent = nullptr);
    /// Stops and joins the thread, then deletes the timeline; answers not delivered are lost.
    ~ZRThumbnailWorker() override;

    bool hasTimeline() const { return m_timeline != nullptr; }
    void setPictureSize(const QSize& size);
    QSize pictureSize() const;

    /// Queues `paths` after those waiting (the first of them are done first).
    void request(const QStringList& paths);
    /// Puts `paths` at the front of the queue (those in sight go first), dropping any copies
    /// already waiting.
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
    /// Emitted by the worker thread when answers wait; delivered queued to this object, which
    /// then emits `pictureReady` for each. No answer travels through the event queue itself.
    void answersWaiting();

private:
    struct Answer {
        QString path;
        int result;
        QImage picture;
        quint64 generation;
    };
    void run();
    void deliverAnswers();
    Result render(const QString& path, const QSize& size, QImage& picture);

    Engine m_engine;
    IZRTimeline* m_timeline = nullptr;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<QString> m_queue;
    std::deque<Answer> m_answers;
    QSize m_pictureSize{60, 40};
    uint64_t m_generation = 0;
    bool m_stop = false;
    std::thread m_thread;
};
