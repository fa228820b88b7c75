#pragma once

// The tracks the track-drop fuzz target drives, top to bottom. Each track kind that takes drops
// adds itself here.

#include "views/ZRAudioTrack.h"
#include "views/ZRTimelineView.h"
#include "views/ZRTitleTrack.h"
#include "views/ZRTransitionTrack.h"
#include "views/ZRVideoTrack.h"

inline void insertFuzzTracks(ZRTimelineView* view) {
    view->insertTrack(new ZRTransitionTrack(QStringLiteral("TRANSITION"), 1001, 1000), -1);
    view->insertTrack(new ZRVideoTrack(QStringLiteral("VIDEO"), 1000, 1002, 1001), -1);
    view->insertTrack(new ZRAudioTrack(QStringLiteral("AUDIO1"), -1, 1001, 1002), -1);
    view->insertTrack(new ZRTitleTrack(QStringLiteral("TITLES"), 4, -1), -1);
    view->insertTrack(new ZRAudioTrack(QStringLiteral("AUDIO2"), 10, -1, 2), -1);
    view->insertTrack(new ZRAudioTrack(QStringLiteral("AUDIO3"), 11, -1, 3), -1);
}
