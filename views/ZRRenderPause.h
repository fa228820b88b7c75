#pragma once

#include "editor/ZREngineKeys.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"

/// Pauses the timeline's background renderer for its life, so that it never renders a
/// half-changed timeline. The engine counts nested pauses: an edit that calls the editor, which
/// pauses again, stays paused until the outermost scope ends. Null timeline: does nothing.
/// Confined to the GUI thread.
class ZRRenderPause {
public:
    explicit ZRRenderPause(IZRTimeline* timeline) : m_timeline(timeline) {
        if (m_timeline) m_timeline->settings()->setIntSetting(kKey, 1);
    }
    ~ZRRenderPause() {
        if (m_timeline) m_timeline->settings()->setIntSetting(kKey, 0);
    }
    ZRRenderPause(const ZRRenderPause&) = delete;
    ZRRenderPause& operator=(const ZRRenderPause&) = delete;

    static constexpr const char* kKey = enginekeys::kPauseBackgroundRendering;

private:
    IZRTimeline* m_timeline;
};
