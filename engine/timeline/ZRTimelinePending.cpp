// Timeline operations whose subsystems are not part of the engine yet. Each answers the safe
// "nothing happened" result of its interface (false, null, 0, no effect) until it moves to the
// file of its own subsystem.
#include "ZRTimeline.h"

IZRImage* ZRTimeline::videoAt(IZRPos*, int) {
    return nullptr;
}
bool ZRTimeline::startAudioAt(IZRPos*) {
    return false;
}
void* ZRTimeline::renderAudio(int32_t, int32_t* bytes) {
    if (bytes) *bytes = 0;
    return nullptr;
}
bool ZRTimeline::configureExportModule(const char*) {
    return false;
}
const char* const* ZRTimeline::exportCodecSetting(const char*, bool) {
    return nullptr;
}
void ZRTimeline::setExportCodecName(const char*, bool, const char*) {}
const char* ZRTimeline::exportCodecName(const char*, bool) {
    return nullptr;
}
int ZRTimeline::exportProject(const char*, const char*, IZRPos*, IZRPos*, int, int, double) {
    return 1;
}
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


ZRExportSession* ZRTimeline::createExportModule(const char*, IZRImage*, int32_t, double,
                                                const char*) {
    return nullptr;
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
void ZRTimeline::setRendererEnabled(bool on) { m_backgroundRendering = on; }
