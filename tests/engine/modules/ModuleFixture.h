#pragma once

#include "engine/api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"
#include "tests/support/TimelineDeleter.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace modulefixture {

/// The root of the fixture tree the test modules are built into (ends in "/").
inline QString root() {
    static const int anchor = 0;
    return platform::folderOfAddress(&anchor) + QStringLiteral("modulefixture/");
}

inline std::string rootUtf8() {
    return root().toStdString();
}

/// What the engine told the host, collected from the callback table.
struct HostLog {
    std::vector<std::string> debug;
    std::vector<std::string> messages; ///< "kind: text"
};

inline HostLog& hostLog() {
    static HostLog log;
    return log;
}

inline IZRCallbacks* callbacks() {
    static IZRCallbacks table = [] {
        IZRCallbacks c{};
        c.debug = [](const char* text) { hostLog().debug.emplace_back(text); };
        c.message = [](const char* kind, const char* text) {
            hostLog().messages.push_back(std::string(kind) + ": " + text);
        };
        return c;
    }();
    return &table;
}

using Timeline = std::unique_ptr<IZRTimeline, TimelineDeleter>;

/// A timeline on `base` (the fixture tree when null) reporting to `hostLog`, which is emptied.
inline Timeline makeTimeline(const char* base = nullptr, unsigned flags = 0) {
    hostLog() = HostLog{};
    const std::string folder = base ? base : rootUtf8();
    return Timeline(IZRCreateTimelineInstance(callbacks(), folder.c_str(), flags));
}

/// The names of a name table up to its empty entry.
inline std::vector<std::string> names(const void* table, size_t limit = 64) {
    std::vector<std::string> out;
    const char* entry = static_cast<const char*>(table);
    for (size_t i = 0; entry && i < limit && entry[i * 50]; ++i)
        out.emplace_back(entry + i * 50);
    return out;
}

} // namespace modulefixture
