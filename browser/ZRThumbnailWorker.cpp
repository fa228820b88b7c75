#include "browser/ZRThumbnailWorker.h"

#include "engine/api/IZRImage.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRTimeline.h"

#include <QFile>

#include <algorithm>

namespace {

/* ** The private timeline needs the import modules only: no fonts and titles, no video
   effects, no transitions. */
constexpr unsigned kImportsOnly = 1 | 2 | 4;

} // namespace

ZRThumbnailWorker::ZRThumbnailWorker(Engine engine, const QByteArray& baseFolder, QObject* parent)
    : QObject(parent), m_engine(engine) {
    // The notice crosses threads through Qt's queue; the answers themselves cross under m_lock,
    // where the thread sanitizer sees the hand-over. A notice still queued dies with this object.
    connect(this, &ZRThumbnailWorker::answersWaiting, this, &ZRThumbnailWorker::deliverAnswers,
            Qt::QueuedConnection);
    if (m_engine.create && m_engine.destroy)
        m_timeline = m_engine.create(
            nullptr, baseFolder.isEmpty() ? nullptr : baseFolder.constData(), kImportsOnly);
    m_thread = std::thread([this] { run(); });
}

ZRThumbnailWorker::~ZRThumbnailWorker() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
    // Answers posted but not delivered name this object: they go with it.
    if (m_timeline) m_engine.destroy(m_timeline);
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
    m_wake.notify_one();
}

void ZRThumbnailWorker::prioritise(const QStringList& paths) {
    if (paths.isEmpty()) return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto first = std::remove_if(m_queue.begin(), m_queue.end(),
                                          [&](const QString& p) { return paths.contains(p); });
        m_queue.erase(first, m_queue.end());
        for (auto it = paths.crbegin(); it != paths.crend(); ++it)
            m_queue.push_front(*it);
    }
    m_wake.notify_one();
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

void ZRThumbnailWorker::run() {
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
        const Result result = render(path, size, picture);
        bool first = false;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            first = m_answers.empty();
            m_answers.push_back({path, int(result), std::move(picture), quint64(generation)});
        }
        // One notice for a run of answers: the owner's thread takes all that wait.
        if (first) Q_EMIT answersWaiting();
    }
}

void ZRThumbnailWorker::deliverAnswers() {
    std::deque<Answer> answers;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        answers.swap(m_answers);
    }
    for (const Answer& a : answers)
        Q_EMIT pictureReady(a.path, a.result, a.picture, a.generation);
}

ZRThumbnailWorker::Result ZRThumbnailWorker::render(const QString& path, const QSize& size,
                                                    QImage& picture) {
    if (!m_timeline) return Failed;
    const QByteArray name = QFile::encodeName(path);
    const char* module = m_timeline->suggestImportModule(name.constData());
    IZRObjectFactory* factory = m_timeline->factory();
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
