// Timeline operations whose subsystems are not part of the engine yet. Each answers the safe
// "nothing happened" result of its interface (false, null, 0, no effect) until it moves to the
// file of its own subsystem.
#include "ZRTimeline.h"

bool ZRTimeline::saveProject(const char*) {
    return false;
}
bool ZRTimeline::runScript(char*, bool) {
    return false;
}
bool ZRTimeline::runScriptFile(const char*, bool) {
    return false;
}
bool ZRTimeline::runScriptLine(const char*, ...) {
    return false;
}
bool ZRTimeline::startDVOutput(int) {
    return false;
}
unsigned char* ZRTimeline::dvOutputFrame(IZRPos*, int* frameSize) {
    if (frameSize) *frameSize = 0;
    return nullptr;
}
void ZRTimeline::stopDVOutput() {}
int ZRTimeline::renderStateAt(IZRPos*) {
    return 0;
}





bool ZRTimeline::backgroundRenderingEnabled() const { return false; }
void ZRTimeline::invalidateRange(const ZRPos&, const ZRPos&) {}
void ZRTimeline::suspendRenderer() {
    ++m_suspendDepth;
    m_rendererPaused = true;
}
void ZRTimeline::resumeRenderer() {
    if (m_suspendDepth > 0 && --m_suspendDepth == 0) m_rendererPaused = false;
}
void ZRTimeline::forgetRenderedFrames() {}
// videoAt's first step: no frame is stored until the background renderer exists.
bool ZRTimeline::loadStoredFrame(const ZRPos&, ZRImage*) {
    return false;
}
void ZRTimeline::setRendererEnabled(bool on) { m_backgroundRendering = on; }
