#include "engine/modules/ZRModuleRegistry.h"

#include <QByteArray>

#include <mutex>

namespace {

bool isKind(const char* kind, const char* name) {
    return kind && qstricmp(kind, name) == 0;
}

} // namespace

ZRModuleRegistry& ZRModuleRegistry::instance() {
    static ZRModuleRegistry registry;
    return registry;
}

ZRModuleRegistry::ZRModuleRegistry() {
    clear();
}

void ZRModuleRegistry::clear() {
    std::lock_guard locker(m_mutex);
    m_modules = std::make_unique<ZRStringMap<QString>>(true);
    m_transitionGroups = std::make_unique<ZRStringMap<ZRNameTable>>(true);
    m_effectGroups = std::make_unique<ZRStringMap<ZRNameTable>>(true);
}

void ZRModuleRegistry::add(std::string_view key, const QString& path) {
    std::lock_guard locker(m_mutex);
    m_modules->insert(key, new QString(path));
}

std::optional<QString> ZRModuleRegistry::find(std::string_view key) const {
    std::lock_guard locker(m_mutex);
    const QString* path = m_modules->find(key);
    if (!path) return std::nullopt;
    return *path;
}

std::string ZRModuleRegistry::key(const char* kind, const char* a, const char* b) {
    std::string text = kind ? kind : "";
    text += "::";
    text += a ? a : "";
    text += "::";
    text += b ? b : "";
    return text;
}

ZRStringMap<ZRNameTable>* ZRModuleRegistry::groups(const char* kind) {
    if (isKind(kind, "Transition")) return m_transitionGroups.get();
    if (isKind(kind, "Video Effect")) return m_effectGroups.get();
    return nullptr;
}

const ZRNameTable* ZRModuleRegistry::groupTable(const char* kind, const char* group) const {
    if (!group) return nullptr;
    if (isKind(kind, "Transition")) return m_transitionGroups->find(group);
    if (isKind(kind, "Video Effect")) return m_effectGroups->find(group);
    return nullptr;
}
