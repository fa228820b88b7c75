#pragma once

#include "engine/export/ZRAviExportSettings.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class ZRExportSession;

/// What a timeline keeps for export: the AVI settings, the pass-through flag the video path
/// reads, the file the last export wrote, and the export sessions handed out by the factory.
/// Thread-safety: the pass-through flag is atomic (read by the compositor on any thread); the
/// session registry has its own lock; the rest is confined to the host's thread.
class ZRTimelineExportState {
public:
    ZRTimelineExportState();
    /// Deletes the sessions still registered.
    ~ZRTimelineExportState();
    ZRTimelineExportState(const ZRTimelineExportState&) = delete;
    ZRTimelineExportState& operator=(const ZRTimelineExportState&) = delete;

    ZRAviExportSettings avi;
    /// Set after a frame the export module wrote out from its native data unchanged; the
    /// compositor then keeps handing native frames on. Clear at rest.
    std::atomic<bool> passThrough{false};
    /// The file the last export wrote (the string setting "Export Filename"), never cut. Holds
    /// room for 255 bytes at least, which hosts may write into directly.
    std::string fileName;

    void addSession(ZRExportSession* session);
    /// True when `session` was registered (it is no longer).
    bool removeSession(ZRExportSession* session);
    bool hasSession(const void* session);

private:
    std::mutex m_sessionsMutex;
    std::vector<ZRExportSession*> m_sessions;
};
