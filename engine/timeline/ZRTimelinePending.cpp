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
bool ZRTimeline::insertObject(int, IZRPos*, IZRObject*) {
    return false;
}
void ZRTimeline::removeObject(IZRObject*) {}
ZRGuardedList* ZRTimeline::track(int, bool) {
    return nullptr;
}
void ZRTimeline::packTrack(int, bool) {}
void ZRTimeline::shiftTrackObjects(int, bool, IZRObject*, IZRPos*, bool) {}
IZRObject* ZRTimeline::objectAt(int, IZRPos*, bool) {
    return nullptr;
}
void ZRTimeline::clear() {}
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
IZRPos* ZRTimeline::endPosition() {
    QMutexLocker locker(&m_endPositionMutex);
    m_endPosition.set(0, 0, 0, 0, m_frameRate);
    return &m_endPosition;
}
bool ZRTimeline::setObjectMarkIn(IZRObject*, IZRPos*) {
    return false;
}
bool ZRTimeline::setObjectMarkOut(IZRObject*, IZRPos*) {
    return false;
}
void ZRTimeline::dumpTrack(int, bool) {}
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
const char* ZRTimeline::suggestImportModule(const char*) {
    qstrncpy(m_textBuffer, "Misc", sizeof m_textBuffer);
    return m_textBuffer;
}
bool ZRTimeline::identifyMediaFile(const char*, char*, uint32_t*) {
    return false;
}

bool ZRTimeline::getFadeFactor(const char*, double*, double*, double*, double*) {
    return false;
}
bool ZRTimeline::getTrackChannelDoubleSetting(const char*, int*, unsigned*, double*) {
    return false;
}
bool ZRTimeline::getUnicodeStringSetting(const char*, const char16_t**) {
    return false;
}
bool ZRTimeline::getStringSetting(const char*, char**) {
    return false;
}
bool ZRTimeline::getIntTripleSetting(const char*, int*, int*, int*) {
    return false;
}
bool ZRTimeline::getIntPairSetting(const char*, int*, int*) {
    return false;
}
bool ZRTimeline::getIndexedDoubleSetting(const char*, int*, double*) {
    return false;
}
bool ZRTimeline::getDoubleSetting(const char*, double*) {
    return false;
}
bool ZRTimeline::getIntSetting(const char*, int*) {
    return false;
}
bool ZRTimeline::addFadePoint(const char*, double, double) {
    return false;
}
bool ZRTimeline::setTrackChannelDoubleSetting(const char*, int, unsigned, double) {
    return false;
}
bool ZRTimeline::setUnicodeStringSetting(const char*, const char16_t*) {
    return false;
}
bool ZRTimeline::setStringSetting(const char*, const char*) {
    return false;
}
bool ZRTimeline::setIntTripleSetting(const char*, int, int, int) {
    return false;
}
bool ZRTimeline::setIntPairSetting(const char*, int, int) {
    return false;
}
bool ZRTimeline::setIndexedDoubleSetting(const char*, int, double) {
    return false;
}
bool ZRTimeline::setDoubleSetting(const char*, double) {
    return false;
}
bool ZRTimeline::setIntSetting(const char*, intptr_t) {
    return false;
}

IZRObject* ZRTimeline::duplicateObject(IZRObject*) {
    return nullptr;
}
IZRObject* ZRTimeline::createObject(const char*, const char*, const char*, const char*) {
    return nullptr;
}
void ZRTimeline::destroyObject(IZRObject* object) {
    {
        QMutexLocker locker(&m_objectsMutex);
        if (!object || !m_objects.remove(object)) return;
    }
    delete object;
}
ZREffect* ZRTimeline::createEffect(const char*, const char*, const char*) {
    return nullptr;
}
void ZRTimeline::destroyEffect(ZREffect* effect) {
    QMutexLocker locker(&m_effectsMutex);
    m_effects.remove(effect);
}
ZRGuardedList* ZRTimeline::createList() {
    return nullptr;
}
void ZRTimeline::destroyList(ZRGuardedList* list) {
    {
        QMutexLocker locker(&m_listsMutex);
        if (!list || !m_lists.remove(list)) return;
    }
    delete list;
}
ZRExportSession* ZRTimeline::createExportModule(const char*, IZRImage*, int32_t, double,
                                                const char*) {
    return nullptr;
}

bool ZRTimeline::openModuleCacheGroup(const char*, const char*) {
    return false;
}
const char* ZRTimeline::firstModuleCacheKey() {
    return nullptr;
}
const char* ZRTimeline::nextModuleCacheKey() {
    return nullptr;
}
int ZRTimeline::readModuleCacheInt(const char*) {
    return 0;
}
bool ZRTimeline::readModuleCacheBool(const char*) {
    return false;
}
double ZRTimeline::readModuleCacheDouble(const char*) {
    return 0.0;
}
const char* ZRTimeline::readModuleCacheString(const char*) {
    return nullptr;
}
void ZRTimeline::writeModuleCacheString(const char*, const char*) {}
void ZRTimeline::writeModuleCacheDouble(const char*, double) {}
void ZRTimeline::writeModuleCacheBool(const char*, bool) {}
void ZRTimeline::writeModuleCacheInt(const char*, int) {}
