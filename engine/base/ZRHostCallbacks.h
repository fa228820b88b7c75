#pragma once

#include "engine/api/IZRCallbacks.h"

#include <cstdint>

/// The host's callback table as the engine calls it: every call tests the table and the entry
/// for null and does nothing when either is missing. The table outlives the timeline.
class ZRHostCallbacks {
public:
    explicit ZRHostCallbacks(IZRCallbacks* table) : m_table(table) {}

    IZRCallbacks* table() const { return m_table; }
    template <class F> bool has(F IZRCallbacks::*entry) const { return m_table && m_table->*entry; }

    void message(const char* kind, const char* text) const {
        if (has(&IZRCallbacks::message)) m_table->message(kind, text);
    }
    /// True (go on) when the host has no progress entry.
    bool progress(int frame, int total, IZRPos* position, bool recompressing) const {
        return !has(&IZRCallbacks::progress) ||
               m_table->progress(frame, total, position, recompressing);
    }
    void frameRendered(IZRPos* position) const {
        if (has(&IZRCallbacks::frameRendered)) m_table->frameRendered(position);
    }
    void debug(const char* text) const {
        if (has(&IZRCallbacks::debug)) m_table->debug(text);
    }
    void scriptOutput(const char* text) const {
        if (has(&IZRCallbacks::scriptOutput)) m_table->scriptOutput(text);
    }
    void objectInserted(int track) const {
        if (has(&IZRCallbacks::objectInserted)) m_table->objectInserted(track);
    }
    /// 0 when the host has no entry.
    intptr_t createUserData(IZRObject* object) const {
        return has(&IZRCallbacks::createUserData) ? m_table->createUserData(object) : 0;
    }
    void deleteUserData(intptr_t value) const {
        if (has(&IZRCallbacks::deleteUserData)) m_table->deleteUserData(value);
    }
    void scriptInfo(void* info) const {
        if (has(&IZRCallbacks::scriptInfo)) m_table->scriptInfo(info);
    }
    void setAppConfigString(IZRObject* object, const char* text) const {
        if (has(&IZRCallbacks::setAppConfigString)) m_table->setAppConfigString(object, text);
    }
    /// Null when the host has no entry.
    const char* appConfigString(IZRObject* object) const {
        return has(&IZRCallbacks::appConfigString) ? m_table->appConfigString(object) : nullptr;
    }
    void event(int code, const char* text) const {
        if (has(&IZRCallbacks::event)) m_table->event(code, text);
    }

private:
    IZRCallbacks* m_table;
};
