#pragma once

#include "engine/api/IZRTimeline.h"

// Lets a std::unique_ptr own a timeline made through the exported interface.
struct TimelineDeleter {
    void operator()(IZRTimeline* t) const { IZRDeleteTimelineInstance(t); }
};
