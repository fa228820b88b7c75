#include "ZRTimelinePlacement.h"

#include <cstddef>

ZRPlacementResult placeTrackObjects(const ZRPlacementInput& in) {
    ZRPlacementResult out;
    // The inclusive range dropStart..dropEnd is one frame longer than their difference.
    const double dropLength = in.dropEnd + 1.0 - in.dropStart;
    const ZRPlacement dropItem{-1, in.dropStart, dropLength};
    if (in.objects.empty()) {
        if (in.dropActive) out.items.push_back(dropItem);
        return out;
    }
    bool passedDrop = false;
    bool shifting = false;
    double shift = 0.0;
    for (int i = 0; i < int(in.objects.size()); ++i) {
        const ZRPlacementObject& o = in.objects[std::size_t(i)];
        const bool isDragged = i == in.dropIndex;
        double start = o.start;
        double length = o.duration;
        if (in.dropActive && !in.ripple) {
            if (isDragged) {
                passedDrop = true;
                if (!in.moving) out.items.push_back(dropItem);
            }
        } else if (in.dropActive) {
            if (isDragged) passedDrop = true;
            // Objects behind a moved one close its old place first.
            if (passedDrop && in.moving && start > 0.0) start -= dropLength;
            const double half = o.duration > 1.0 ? 0.5 * o.duration : 0.0;
            if (!shifting && in.dropStart <= start + half && !(isDragged && in.moving)) {
                if (o.chainIndex >= 0) out.insertIndex = o.chainIndex;
                shifting = true;
                shift = dropLength;
            }
            start += shift;
        } else if (i == in.trimIndex) {
            start = in.trimStart;
            length = in.trimEnd + 1.0 - in.trimStart;
        }
        if (!(in.moving && isDragged && in.dropActive)) out.items.push_back({i, start, length});
    }
    if (in.dropActive) out.items.push_back(dropItem);
    return out;
}
