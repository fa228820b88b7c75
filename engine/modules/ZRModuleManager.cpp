#include "ZRModuleManager.h"

// Module discovery comes with the plug-in module interface; until then no folder holds modules.

int ZRModuleManager::moduleCount(const QString&, const char*) const {
    return 0;
}

void ZRModuleManager::registerFolder(const QString&, const char*, const char*, ZRNameTable&, size_t,
                                     ZRStringMap<ZRModuleBinder>*) {}

ZRModuleBinder* ZRModuleManager::lookup(const char*, const char*) const {
    return nullptr;
}
