#pragma once

#include "engine/timeline/ZRTimeline.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

/// A timeline without modules whose host callbacks record what the engine tells the host.
struct HostRecord {
    std::vector<std::string> output;
    std::vector<std::string> debug;
    std::vector<std::pair<int, std::string>> events;
    std::vector<int> inserted;
    std::vector<std::string> infos;
    std::vector<std::string> appConfig; ///< texts received through setAppConfigString
    /// Answered by appConfigString for every object; null: the entry is not set.
    const char* editorData = nullptr;
    /// Called by appConfigString before it answers, when set.
    std::function<void(IZRObject*)> onEditorData;
};

/// The record the callbacks write to (one per test program at a time).
HostRecord& hostRecord();
/// A callback table filled with recording entries.
IZRCallbacks* recordingCallbacks(bool withEditorData = false);
/// A new timeline on the recording callbacks; the default frame rate is reset to 30 first.
std::unique_ptr<ZRTimeline> makeTimeline(bool withEditorData = false);
/// Runs `text` on `timeline` (declaring the host functions when needed).
bool run(ZRTimeline& timeline, const std::string& text);
/// A temporary file path in the test's private home.
std::string tempPath(const std::string& name);
