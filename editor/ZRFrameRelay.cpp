#include "editor/ZRFrameRelay.h"

#include "editor/ZRAppState.h"
#include "engine/api/IZRPos.h"

#include <QCoreApplication>
#include <QWidget>

#include <cmath>
#include <mutex>

namespace {

constexpr QEvent::Type kWakeEvent = QEvent::Type(3099);

// Guards the relay pointer and every relay's pending notices. Qt's own locks are invisible to
// the thread sanitizer, so the hand-over between threads happens under this one.
std::mutex& relayMutex() {
    static std::mutex mutex;
    return mutex;
}

ZRFrameRelay* gRelay = nullptr;

} // namespace

ZRFrameRelay::ZRFrameRelay(QObject* parent)
    : QObject(parent), m_wake(std::make_unique<QEvent>(kWakeEvent)) {
    std::lock_guard lock(relayMutex());
    gRelay = this;
}

ZRFrameRelay::~ZRFrameRelay() {
    std::lock_guard lock(relayMutex());
    if (gRelay == this) gRelay = nullptr;
}

// Under the relay mutex. The wake event is made on the GUI thread, which alone reads and frees
// it; the renderer thread only hands its pointer to Qt.
void ZRFrameRelay::wake() {
    if (m_wake) QCoreApplication::postEvent(this, m_wake.release());
}

void ZRFrameRelay::frameRendered(const IZRPos* position) {
    if (!position) return;
    const ZRFramePosition copy{int(std::lround(position->toFrames())), position->framerate()};
    std::lock_guard lock(relayMutex());
    if (!gRelay) return;
    gRelay->m_frames.push_back(copy);
    gRelay->wake();
}

void ZRFrameRelay::rendererHalted() {
    std::lock_guard lock(relayMutex());
    if (!gRelay) return;
    gRelay->m_halted = true;
    gRelay->wake();
}

bool ZRFrameRelay::event(QEvent* event) {
    if (event->type() != kWakeEvent) return QObject::event(event);
    deliver();
    return true;
}

void ZRFrameRelay::deliver() {
    std::vector<ZRFramePosition> frames;
    bool halted = false;
    auto nextWake = std::make_unique<QEvent>(kWakeEvent);
    {
        std::lock_guard lock(relayMutex());
        frames.swap(m_frames);
        halted = m_halted;
        m_halted = false;
        m_wake = std::move(nextWake);
    }
    ZRAppState& state = appState();
    for (const ZRFramePosition& position : frames) {
        // Read again for every notice: a view's handler may hide or delete the other view.
        for (const QPointer<QWidget>* view : {&state.storyboard, &state.timelineView}) {
            QWidget* widget = view->data();
            if (!widget || !widget->isVisible()) continue;
            ZRFrameRenderedEvent notice(position);
            QCoreApplication::sendEvent(widget, &notice);
        }
    }
    if (halted && state.mainWindow)
        QCoreApplication::postEvent(state.mainWindow, new ZRRendererHaltedEvent);
}
