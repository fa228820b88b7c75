#pragma once

#include "engine/modules/ZRModuleGuard.h"

#include <QString>

class QLibrary;
class ZRHostCallbacks;

/// A plug-in module's shared object, loaded by the binder and bound by entry-point name. The
/// library stays loaded for the binder's lifetime; deleting the binder unloads it once no other
/// binder of the same file holds it.
/// Thread-safety: a binder is used by one thread at a time (its owner's lock).
class ZRModuleBinder {
public:
    ZRModuleBinder();
    virtual ~ZRModuleBinder();
    ZRModuleBinder(const ZRModuleBinder&) = delete;
    ZRModuleBinder& operator=(const ZRModuleBinder&) = delete;

    bool isLoaded() const;
    /// The module file as it was loaded; empty when nothing is loaded.
    const QString& filePath() const { return m_path; }
    /// Where the guard lines of module calls go besides the debug output (may be null).
    void setHost(const ZRHostCallbacks* host) { m_host = host; }

protected:
    /// Loads the module file `path` (unloading any earlier one); false when it cannot be loaded.
    bool load(const QString& path);
    void unload();
    /// The entry point `name` as a `Function` pointer, or null.
    template <class Function> Function resolve(const char* name) const {
        return reinterpret_cast<Function>(resolveAddress(name));
    }
    /// Runs a module call under the guard (see `zrGuardedCall`); the line names this binder's
    /// class, the caller's `line`, the operation and the module file.
    template <class Call> bool guarded(long line, const char* operation, Call&& call) const {
        return zrGuardedCall(m_host, sourceName(), line, operation, static_cast<Call&&>(call),
                             m_path.toUtf8().constData());
    }
    /// The name the guard lines give for this binder.
    virtual const char* sourceName() const = 0;

private:
    void (*resolveAddress(const char* name) const)();

    QLibrary* m_library = nullptr; // shared by the binders of one file
    QString m_path;
    const ZRHostCallbacks* m_host = nullptr;
};
