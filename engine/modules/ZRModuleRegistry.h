#pragma once

#include "engine/base/ZRNameTable.h"
#include "engine/util/ZRStringMap.h"

#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

/// The process's plug-in modules, found by the scan of the first timeline: module keys
/// ("kind::a::b", compared without regard to case) mapped to module files, and the groups
/// (sub-folders) of transitions and video effects mapped to the name tables of their modules.
/// Rebuilt, not added to, by every scan. Registering a key again adds a second entry; a lookup
/// answers the first one registered.
/// Thread-safety: the key map is guarded by the registry's lock; the group tables are written
/// only while a scan runs (the host's thread, before any timeline is used) and read afterwards.
class ZRModuleRegistry {
public:
    static ZRModuleRegistry& instance();

    /// Forgets every module and group.
    void clear();
    void add(std::string_view key, const QString& path);
    /// The file registered first under `key`, or nothing.
    std::optional<QString> find(std::string_view key) const;
    /// "kind::a::b"; null parts count as empty.
    static std::string key(const char* kind, const char* a, const char* b);

    /// Group name -> module name table, for "Transition" or "Video Effect"; null for other kinds.
    ZRStringMap<ZRNameTable>* groups(const char* kind);
    /// The module name table of one group, or null.
    const ZRNameTable* groupTable(const char* kind, const char* group) const;

private:
    ZRModuleRegistry();

    mutable std::mutex m_mutex;
    std::unique_ptr<ZRStringMap<QString>> m_modules;
    std::unique_ptr<ZRStringMap<ZRNameTable>> m_transitionGroups;
    std::unique_ptr<ZRStringMap<ZRNameTable>> m_effectGroups;
};
