#pragma once

#include <atomic>

class ZRTimeline;
class ZRTimelineWorker;

/// A timeline's way to its scripts and projects: runs of texts, files and lines through the
/// engine's script front end, with the host functions declared first, and the project writer.
/// Whole runs and saves hold the background renderer suspended.
/// Thread-safety: the front end serialises runs under the interpreter's own lock; the
/// declared flag is atomic. Called on the host's thread.
class ZRScriptBridge {
public:
    ZRScriptBridge(ZRTimeline& timeline, ZRTimelineWorker& renderer)
        : m_timeline(timeline), m_renderer(renderer) {}
    ZRScriptBridge(const ZRScriptBridge&) = delete;
    ZRScriptBridge& operator=(const ZRScriptBridge&) = delete;

    /// Runs `text` (false for null), declaring the host functions first when this timeline
    /// has not declared yet, when `redeclare` asks for it, or when the declarations are gone.
    bool runText(char* text, bool redeclare);
    /// Runs the regular file at `path` (CR LF read as LF); a file larger than a project may be
    /// is refused with a line to the host's script output.
    bool runFile(const char* path, bool redeclare);
    /// Runs one line, declaring nothing: it acts on the timeline that declared last, or on this
    /// one when that timeline is gone and this one had declared.
    bool runLine(const char* line);
    /// Writes the project to `fileName` (".zrs" added when missing) through a temporary file
    /// that replaces the old project only when every byte is out.
    bool saveProject(const char* fileName);

private:
    void declareIfNeeded(bool redeclare);

    ZRTimeline& m_timeline;
    ZRTimelineWorker& m_renderer;
    // Set once this timeline has declared the host functions.
    std::atomic<bool> m_declared{false};
};
