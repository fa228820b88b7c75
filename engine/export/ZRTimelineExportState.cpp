#include "engine/export/ZRTimelineExportState.h"

#include "engine/api/ZRExportSession.h"

#include <algorithm>

ZRTimelineExportState::ZRTimelineExportState() {
    fileName.reserve(256);
}

// Each session's destructor leaves the registry itself, so the registry is emptied first.
ZRTimelineExportState::~ZRTimelineExportState() {
    std::vector<ZRExportSession*> left;
    {
        std::lock_guard lock(m_sessionsMutex);
        left.swap(m_sessions);
    }
    for (ZRExportSession* session : left)
        delete session;
}

void ZRTimelineExportState::addSession(ZRExportSession* session) {
    std::lock_guard lock(m_sessionsMutex);
    m_sessions.push_back(session);
}

bool ZRTimelineExportState::removeSession(ZRExportSession* session) {
    std::lock_guard lock(m_sessionsMutex);
    auto found = std::find(m_sessions.begin(), m_sessions.end(), session);
    if (found == m_sessions.end()) return false;
    m_sessions.erase(found);
    return true;
}

bool ZRTimelineExportState::hasSession(const void* session) {
    std::lock_guard lock(m_sessionsMutex);
    return std::find(m_sessions.begin(), m_sessions.end(), session) != m_sessions.end();
}
