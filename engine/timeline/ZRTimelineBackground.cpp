// The timeline's side of the background renderer: editing tells it what changed, settings
// switch and pause it, the compositor asks it for stored frames.
#include "engine/timeline/ZRTimeline.h"

bool ZRTimeline::backgroundRenderingEnabled() const {
    return m_worker.isEnabled();
}

bool ZRTimeline::rendererPaused() const {
    return m_worker.isPaused();
}

void ZRTimeline::invalidateRange(const ZRPos& start, const ZRPos& end) {
    m_worker.forgetRange(start, end);
}

void ZRTimeline::suspendRenderer() {
    m_worker.suspend(true);
}

void ZRTimeline::resumeRenderer() {
    m_worker.suspend(false);
}

// Suspended meanwhile, so that a frame in flight is stored before the map is emptied.
void ZRTimeline::forgetRenderedFrames() {
    m_worker.suspend(true);
    m_worker.clearFrames();
    m_worker.suspend(false);
}

// While DV output hands out stored DV frames unchanged, their pixels are not needed.
bool ZRTimeline::loadStoredFrame(const ZRPos& position, ZRImage* frame) {
    const bool keepDVPixels = m_dvOutput.active.load() && m_dvOutput.passThrough.load();
    return m_worker.loadStoredFrame(position, frame, keepDVPixels);
}

void ZRTimeline::setRendererEnabled(bool on) {
    m_worker.start();
    m_worker.setEnabled(on);
}

int ZRTimeline::renderStateAt(IZRPos* position) {
    return position ? m_worker.frameState(*position) : 0;
}
