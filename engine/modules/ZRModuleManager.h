#pragma once

#include "modules/ZRModuleBinder.h"
#include "timeline/ZRNameTable.h"
#include "util/ZRStringMap.h"

#include <QString>

/// Finds the plug-in modules in the program's folders and registers them by category.
/// Used on the thread that makes the timeline.
class ZRModuleManager {
public:
    using MessageFunction = void (*)(const char* kind, const char* text);

    /// The host's status-note entry, told of each module registered.
    void setMessage(MessageFunction message) { m_message = message; }

    /// How many modules `folder` (relative to `baseFolder`) holds.
    int moduleCount(const QString& baseFolder, const char* folder) const;
    /// Registers the modules of `folder` under `category`, writing their names into `names` from
    /// `firstSlot` on and, when `map` is given, their binders into it.
    void registerFolder(const QString& baseFolder, const char* folder, const char* category,
                        ZRNameTable& names, size_t firstSlot, ZRStringMap<ZRModuleBinder>* map);
    /// The registered module of `category` called `name`, or null.
    ZRModuleBinder* lookup(const char* category, const char* name) const;

private:
    MessageFunction m_message = nullptr;
};
