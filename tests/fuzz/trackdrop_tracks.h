#pragma once

// The tracks the track-drop fuzz target drives, top to bottom. Each track kind that takes drops
// adds itself here.

#include "ZRTimelineView.h"
#include "ZRTitleTrack.h"
#include "ZRTransitionTrack.h"

inline void insertFuzzTracks(ZRTimelineView* view) {
    view->insertTrack(new ZRTransitionTrack(QStringLiteral("TRANSITION"), 1001, 1000), -1);
    view->insertTrack(new ZRTitleTrack(QStringLiteral("TITLES"), 4, -1), -1);
}
