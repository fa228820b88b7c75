#include "engine/modules/ZRPluginModule.h"

#include <QByteArray>

#include <cstring>

bool ZRPluginModule::bind(const QString& path) {
    release();
    if (!load(path)) return false;
    m_entry = resolve<ZRPluginCallFunction>("zrPluginCall");
    if (!m_entry) unload();
    return m_entry != nullptr;
}

void ZRPluginModule::release() {
    m_entry = nullptr;
    unload();
}

QByteArray ZRPluginModule::displayName() const {
    if (!m_entry) return {};
    intptr_t answer = 0;
    guarded(__LINE__, "module info", [&] { answer = m_entry(nullptr, 0, ZR_PLUGIN_INFO); });
    const auto* info = reinterpret_cast<const ZRPluginInfo*>(answer);
    if (!info) return {};
    return QByteArray(info->name, int(strnlen(info->name, sizeof info->name)));
}
