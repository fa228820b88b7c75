#include "engine/modules/ZRModuleBinder.h"

#include <QLibrary>

#include <map>
#include <mutex>

namespace {

// The process's loaded module files, counted by the binders that hold them. QLibrary's own count
// is not kept across QLibrary objects (unloading through one object can unload the file under
// another that still holds it), so one QLibrary per file serves every binder.
class LoadedLibraries {
public:
    QLibrary* acquire(const QString& path) {
        std::lock_guard locker(m_mutex);
        auto found = m_libraries.find(path);
        if (found != m_libraries.end()) {
            ++found->second.users;
            return found->second.library.get();
        }
        auto library = std::make_unique<QLibrary>(path);
        if (!library->load()) return nullptr;
        QLibrary* loaded = library.get();
        m_libraries.emplace(path, Entry{std::move(library), 1});
        return loaded;
    }

    void release(const QString& path) {
        std::lock_guard locker(m_mutex);
        auto found = m_libraries.find(path);
        if (found == m_libraries.end() || --found->second.users > 0) return;
        found->second.library->unload();
        m_libraries.erase(found);
    }

private:
    struct Entry {
        std::unique_ptr<QLibrary> library;
        int users;
    };
    std::mutex m_mutex;
    std::map<QString, Entry> m_libraries;
};

LoadedLibraries& loadedLibraries() {
    static LoadedLibraries libraries;
    return libraries;
}

} // namespace

ZRModuleBinder::ZRModuleBinder() = default;

ZRModuleBinder::~ZRModuleBinder() {
    unload();
}

bool ZRModuleBinder::isLoaded() const {
    return m_library != nullptr;
}

bool ZRModuleBinder::load(const QString& path) {
    unload();
    if (path.isEmpty()) return false;
    m_library = loadedLibraries().acquire(path);
    if (m_library) m_path = path;
    return m_library != nullptr;
}

void ZRModuleBinder::unload() {
    if (m_library) loadedLibraries().release(m_path);
    m_library = nullptr;
    m_path.clear();
}

void (*ZRModuleBinder::resolveAddress(const char* name) const)() {
    return m_library ? m_library->resolve(name) : nullptr;
}
