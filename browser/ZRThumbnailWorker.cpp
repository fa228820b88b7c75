#include "browser/ZRThumbnailWorker.h"

#include "engine/api/IZRImage.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRTimeline.h"
#include "platform/scaler/RowWorkers.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>

#include <algorithm>


namespace {

/* ** The private timeline needs the import modules only: no fonts and titles, no video
   effects, no transitions. */
constexpr unsigned kImportsOnly = 1 | 2 | 4;
constexpr int kMaxThreads = 8;

} // namespace

ZRThumbnailWorker::ZRThumbnailWorker(Engine engine, const QByteArray& baseFolder, int threads,
                                     QObject* parent)
    : QObject(parent), m_engine(engine), m_notice(std::make_unique<QEvent>(noticeType())) {
    // The notice crosses threads through Qt's queue; the answers themselves cross under m_lock,
    // where the thread sanitizer sees the hand-over. A notice still queued dies with this object.
    const int wanted = std::clamp(threads > 0 ? threads : machineThreads(), 1, kMaxThreads);
    /* ** One timeline a thread: a timeline's import objects and their decoders are then touched
       by one thread only, and no thread waits on another's object locks. Made here, on the
       owner's thread, as the engine's process-wide tables are set up by whichever timeline
       comes first. */
    if (m_engine.create && m_engine.destroy)
        for (int i = 0; i < wanted; ++i) {
            IZRTimeline* timeline = m_engine.create(
                nullptr, baseFolder.isEmpty() ? nullptr : baseFolder.constData(), kImportsOnly);
            if (!timeline) break;
            m_lanes.push_back({timeline, {}});
        }
    if (m_lanes.empty()) m_lanes.push_back({});
    for (Lane& lane : m_lanes)
        lane.thread = std::thread([this, timeline = lane.timeline] { run(timeline); });
}

ZRThumbnailWorker::~ZRThumbnailWorker() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (Lane& lane : m_lanes)
        lane.thread.join();
    // Answers posted but not delivered name this object: they go with it.
    for (Lane& lane : m_lanes)
        if (lane.timeline) m_engine.destroy(lane.timeline);
}

// The cores the process may run on, not all the machine's: threads beyond them only take turns,
// and each holds a timeline and its decoders.
int ZRThumbnailWorker::machineThreads() {
    return std::clamp(platform::RowWorkers::machineThreads(), 1, kMaxThreads);
}

void ZRThumbnailWorker::setPictureSize(const QSize& size) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_pictureSize = size;
}

QSize ZRThumbnailWorker::pictureSize() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_pictureSize;
}

void ZRThumbnailWorker::request(const QStringList& paths) {
    if (paths.isEmpty()) return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (const QString& path : paths)
            m_queue.push_back(path);
    }
    m_wake.notify_all();
}

void ZRThumbnailWorker::prioritise(const QStringList& paths) {
    if (paths.isEmpty()) return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        // Only what still waits moves: a path a thread has taken would otherwise be made twice.
        const QSet<QString> wanted(paths.cbegin(), paths.cend());
        QSet<QString> waiting;
        const auto first = std::stable_partition(
            m_queue.begin(), m_queue.end(), [&](const QString& p) { return !wanted.contains(p); });
        for (auto it = first; it != m_queue.end(); ++it)
            waiting.insert(*it);
        m_queue.erase(first, m_queue.end());
        for (auto it = paths.crbegin(); it != paths.crend(); ++it)
            if (waiting.remove(*it)) m_queue.push_front(*it);
    }
    m_wake.notify_all();
}

void ZRThumbnailWorker::clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_queue.clear();
    ++m_generation;
}

uint64_t ZRThumbnailWorker::generation() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_generation;
}

int ZRThumbnailWorker::pending() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return int(m_queue.size());
}

void ZRThumbnailWorker::run(IZRTimeline* timeline) {
    for (;;) {
        QString path;
        QSize size;
        uint64_t generation = 0;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            m_wake.wait(guard, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            path = m_queue.front();
            m_queue.pop_front();
            size = m_pictureSize;
            generation = m_generation;
        }
        QImage picture;
        const Result result = render(timeline, path, size, picture);
        // One notice for a run of answers: the owner's thread takes all that wait.
        std::unique_ptr<QEvent> notice;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_answers.push_back({path, int(result), std::move(picture), quint64(generation)});
            notice = std::move(m_notice);
        }
        if (notice) QCoreApplication::postEvent(this, notice.release());
    }
}

QEvent::Type ZRThumbnailWorker::noticeType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

bool ZRThumbnailWorker::event(QEvent* e) {
    if (e->type() != noticeType()) return QObject::event(e);
    deliverAnswers();
    return true;
}

void ZRThumbnailWorker::deliverAnswers() {
    std::deque<Answer> answers;
    // The next notice is made here, so that Qt frees on this thread what this thread made;
    // an answer pushed after the swap finds it and posts it.
    auto next = std::make_unique<QEvent>(noticeType());
    {
        std::lock_guard<std::mutex> guard(m_lock);
        answers.swap(m_answers);
        if (!m_notice) m_notice = std::move(next);
    }
    for (const Answer& a : answers)
        Q_EMIT pictureReady(a.path, a.result, a.picture, a.generation);
}

ZRThumbnailWorker::Result ZRThumbnailWorker::render(IZRTimeline* timeline, const QString& path,
                                                    const QSize& size, QImage& picture) {
    if (!timeline) return Failed;
    const QByteArray name = QFile::encodeName(path);
    const char* module = timeline->suggestImportModule(name.constData());
    IZRObjectFactory* factory = timeline->factory();
    IZRObject* object =
        factory->createObject("Import", module ? module : "", nullptr, name.constData());
    if (!object) return Failed;
    Result result = NoVideo;
    if (object->hasVideo() && !size.isEmpty()) {
        // The engine's fourth byte is no alpha: the picture is opaque RGB32.
        picture = QImage(size, QImage::Format_RGB32);
        picture.fill(Qt::black);
        IZRImage* target = factory->createEmptyImage();
        IZRPos* start = factory->createPos();
        if (target && start) {
            target->attach(picture.bits(), picture.width(), picture.height(),
                           int(picture.bytesPerLine()));
            start->assign(object->startPos());
            object->renderVideo(start, target);
            result = Frame;
        } else {
            picture = QImage();
            result = Failed;
        }
        if (start) factory->destroyPos(start);
        if (target) factory->destroyImage(target);
    }
    factory->destroyObject(object);
    return result;
}
