#include "views/ZRSBVideoView.h"

#include "classes/painting/ZRFramePainting.h"
#include "classes/painting/ZRImagePainting.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRTimeline.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

ZRSBVideoView::ZRSBVideoView(QWidget* parent, const char* name) : QSBWidget(parent, name) {
    // Without a skinned parent the background is the parent's own pixels, tinted: Qt must
    // paint them under the view first.
    setAttribute(Qt::WA_OpaquePaintEvent, hasSkinParent());
    setAcceptDrops(true);
    // A queued connection made once: a functor handed to invokeMethod per frame is freed by
    // whichever thread drops it last, through reference counts the thread sanitizer cannot see.
    connect(
        this, &ZRSBVideoView::frameReady, this, [this] { update(); }, Qt::QueuedConnection);
    m_width = width();
    m_height = height();
    m_enabled = isEnabled();
    startThread();
}

ZRSBVideoView::~ZRSBVideoView() {
    stopThread();
    releaseEngineData();
}

void ZRSBVideoView::startThread() {
    if (m_thread.joinable()) return;
    {
        std::lock_guard state(m_state);
        m_stopRequested = false;
    }
    m_thread = std::thread([this] { run(); });
}

void ZRSBVideoView::stopThread() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard state(m_state);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void ZRSBVideoView::releaseEngineData() {
    if (!m_timeline) return;
    IZRObjectFactory* factory = m_timeline->factory();
    factory->destroyPos(m_position);
    factory->destroyPos(m_secondPosition);
    factory->destroyImage(m_images[0]);
    factory->destroyImage(m_images[1]);
    m_position = m_secondPosition = nullptr;
    m_requested = PositionValues();
    m_images[0] = m_images[1] = nullptr;
    m_frontValid = false;
}

IZRTimeline* ZRSBVideoView::setTimeline(IZRTimeline* timeline) {
    std::lock_guard paint(m_paint);
    std::lock_guard state(m_state);
    IZRTimeline* previous = m_timeline;
    releaseEngineData();
    m_timeline = timeline;
    if (timeline) {
        IZRObjectFactory* factory = timeline->factory();
        m_position = factory->createPos();
        m_secondPosition = factory->createPos();
        m_images[0] = factory->createEmptyImage();
        m_images[1] = factory->createEmptyImage();
    }
    // A pass that started before the swap must not show what it rendered.
    ++m_request;
    return previous;
}

IZRTimeline* ZRSBVideoView::timeline() const {
    std::lock_guard state(m_state);
    return m_timeline;
}

void ZRSBVideoView::lock() {
    m_paint.lock();
}

bool ZRSBVideoView::tryLock() {
    return m_paint.try_lock();
}

void ZRSBVideoView::unlock() {
    m_paint.unlock();
}

bool ZRSBVideoView::tintBackground() const {
    std::lock_guard state(m_state);
    return m_tint;
}

void ZRSBVideoView::setTintBackground(bool on) {
    {
        std::lock_guard state(m_state);
        if (m_tint == on) return;
        m_tint = on;
    }
    update();
}

void ZRSBVideoView::gotoPosition(IZRObject* object, IZRPos* position, QWidget*) {
    {
        std::lock_guard state(m_state);
        m_object = object;
    }
    if (!position) {
        setEnabled(false);
        return;
    }
    if (!isEnabled()) setEnabled(true);
    {
        std::lock_guard state(m_state);
        if (m_position) m_position->assign(position);
        m_requested = {position->hours(),  position->minutes(),   position->seconds(),
                       position->frames(), position->framerate(), true};
    }
    updateContents(nullptr);
}

void ZRSBVideoView::requestLocked() {
    m_dirty = true;
    ++m_request;
    m_wake.notify_all();
}

void ZRSBVideoView::updateContents(QWidget* sender) {
    if (sender == this) return;
    std::lock_guard state(m_state);
    if (m_suspended) return;
    requestLocked();
}

void ZRSBVideoView::deleteObject(IZRObject* object) {
    {
        std::lock_guard state(m_state);
        if (object && object != m_object) return;
        m_object = nullptr;
    }
    // A pass holds the paint lock from its snapshot to its swap: once the lock is free, no pass
    // renders the object any more, and later ones no longer see it.
    std::lock_guard paint(m_paint);
}

void ZRSBVideoView::suspendThread() {
    std::lock_guard state(m_state);
    m_suspended = true;
}

void ZRSBVideoView::resumeThread() {
    std::lock_guard state(m_state);
    m_suspended = false;
    requestLocked();
}

void ZRSBVideoView::run() {
    for (;;) {
        {
            std::unique_lock state(m_state);
            m_wake.wait(state, [this] { return m_dirty || m_stopRequested; });
            if (m_stopRequested) return;
            m_dirty = false;
        }
        renderPass();
    }
}

void ZRSBVideoView::renderPass() {
    std::lock_guard paint(m_paint);
    RenderRequest request;
    PositionValues requested;
    IZRImage* back = nullptr;
    {
        std::lock_guard state(m_state);
        request.timeline = m_timeline;
        request.object = m_object;
        request.width = m_width;
        request.height = m_height;
        request.number = m_request;
        request.enabled = m_enabled;
        requested = m_requested;
        back = m_images[1 - m_front];
    }
    // The pass's own position, made with its values and given back when the pass ends.
    IZRObjectFactory* factory = request.timeline ? request.timeline->factory() : nullptr;
    if (factory && requested.valid)
        request.position =
            factory->createPosAt(requested.hours, requested.minutes, requested.seconds,
                                 requested.frames, requested.rate);
    bool drawn = false;
    if (back && request.width > 0 && request.height > 0) {
        if (back->width() != request.width || back->height() != request.height)
            back->create(request.width, request.height, 0);
        if (back->pixels()) drawn = renderFrame(request, back);
    }
    if (request.position) factory->destroyPos(request.position);
    bool current = false;
    {
        std::lock_guard state(m_state);
        current = request.number == m_request;
        if (current) {
            if (drawn) m_front = 1 - m_front;
            m_frontValid = drawn;
        }
    }
    if (current) Q_EMIT frameReady();
}

bool ZRSBVideoView::renderFrame(const RenderRequest& request, IZRImage* target) {
    if (!request.enabled || !request.timeline || !request.object || !request.position) return false;
    return request.object->renderVideo(request.position, target) != nullptr;
}

void ZRSBVideoView::paintEvent(QPaintEvent* e) {
    // The thread renders with the paint lock held and queues a repaint when it is done.
    if (!tryLock()) return;
    IZRImage* front = nullptr;
    bool tint = true;
    {
        std::lock_guard state(m_state);
        if (m_enabled && m_frontValid) front = m_images[m_front];
        tint = m_tint;
    }
    QPainter painter(this);
    if (front) {
        painter.setClipRegion(e->region());
        std::lock_guard frontLock(*front);
        stretchFrameToWidget(front, painter, 0, 0, width(), height());
    } else {
        paintBackground(painter, e->region(), tint);
    }
    unlock();
}

void ZRSBVideoView::paintBackground(QPainter& painter, const QRegion& region, bool tint) {
    QImage* image = composedImage();
    if (!hasSkinParent() || !image || image->isNull()) {
        // What the parent painted under the view is tinted where it lies, not replaced.
        if (tint)
            for (const QRect& r : region.intersected(rect()))
                painter.fillRect(r, QColor::fromRgba(kTintColour));
        return;
    }
    const QRegion inside = region.intersected(rect());
    composeRegion(inside);
    if (tint)
        tintImageClipped(inside.translated(mapPointToSkinRoot(QPoint(0, 0))), *image,
                         mapRectToSkinRoot(rect()), kTintColour);
    for (const QRect& r : inside)
        presentComposedRect(painter, r);
}

void ZRSBVideoView::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    std::lock_guard state(m_state);
    if (m_width == width() && m_height == height()) return;
    m_width = width();
    m_height = height();
    if (!m_suspended) requestLocked();
}

void ZRSBVideoView::changeEvent(QEvent* e) {
    QSBWidget::changeEvent(e);
    if (e->type() != QEvent::EnabledChange) return;
    {
        std::lock_guard state(m_state);
        const bool wasEnabled = m_enabled;
        m_enabled = isEnabled();
        if (wasEnabled == m_enabled) return;
        if (!m_enabled) {
            m_object = nullptr;
            // A frame in flight belongs to the enabled view: drop it.
            ++m_request;
        } else if (!m_suspended) {
            requestLocked();
        }
    }
    update();
}
