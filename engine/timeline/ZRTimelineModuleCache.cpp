// The timeline's IZRModuleConfig: typed access to the module cache "tmp_modules.ini".
#include "engine/timeline/ZRTimeline.h"

bool ZRTimeline::openModuleCacheGroup(const char* first, const char* second) {
    return m_moduleCache.openGroup(first, second);
}

const char* ZRTimeline::firstModuleCacheKey() {
    return m_moduleCache.firstKey();
}

const char* ZRTimeline::nextModuleCacheKey() {
    return m_moduleCache.nextKey();
}

int ZRTimeline::readModuleCacheInt(const char* key) {
    return m_moduleCache.readInt(key);
}

bool ZRTimeline::readModuleCacheBool(const char* key) {
    return m_moduleCache.readBool(key);
}

double ZRTimeline::readModuleCacheDouble(const char* key) {
    return m_moduleCache.readDouble(key);
}

const char* ZRTimeline::readModuleCacheString(const char* key) {
    return m_moduleCache.readString(key);
}

void ZRTimeline::writeModuleCacheString(const char* key, const char* value) {
    m_moduleCache.writeString(key, value);
}

void ZRTimeline::writeModuleCacheDouble(const char* key, double value) {
    m_moduleCache.writeDouble(key, value);
}

void ZRTimeline::writeModuleCacheBool(const char* key, bool value) {
    m_moduleCache.writeBool(key, value);
}

void ZRTimeline::writeModuleCacheInt(const char* key, int value) {
    m_moduleCache.writeInt(key, value);
}
