#include "views/ZRTimelinePlacement.h"

#include <algorithm>
#include <cmath>
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

ZRDropSpot placeInGap(const std::vector<ZRPlacementObject>& objects, int skip, double pointer,
                      double gapEnd, double length) {
    double g0 = 0.0;
    double g1 = gapEnd;
    for (int i = 0; i < int(objects.size()); ++i) {
        if (i == skip) continue;
        const ZRPlacementObject& o = objects[std::size_t(i)];
        const double s = o.start;
        const double e = o.start + o.duration - 1.0;
        if (pointer < s) {
            g1 = s - 1.0;
            break;
        }
        if (pointer > e) {
            g0 = e + 1.0;
            continue;
        }
        if (pointer >= s + 0.5 * o.duration || g0 >= s) {
            g0 = e + 1.0;
            continue;
        }
        g1 = s - 1.0;
        break;
    }
    ZRDropSpot spot;
    if (g1 < g0) return spot;
    // An object without length still takes one frame.
    const double d = std::max(1.0, length);
    const double half = 0.5 * d;
    if (g0 >= pointer - half) {
        spot.start = g0;
        spot.end = std::min(g0 + d - 1.0, g1);
    } else if (g1 <= pointer + half) {
        spot.end = g1;
        spot.start = d <= g1 + 1.0 && g1 + 1.0 - d >= g0 ? g1 + 1.0 - d : g0;
    } else {
        spot.start = std::trunc(pointer - half + 0.5);
        spot.end = std::min(spot.start + d - 1.0, g1);
    }
    spot.valid = true;
    return spot;
}

ZRPlacementResult placeTransitions(const ZRPlacementInput& in, double shift, double editEnd) {
    if (!in.dropActive) return placeTrackObjects(in);
    ZRPlacementResult out;
    const double dropLength = in.dropEnd + 1.0 - in.dropStart;
    const ZRPlacement dropItem{-1, in.dropStart, dropLength};
    bool passed = false;
    for (int i = 0; i < int(in.objects.size()); ++i) {
        const ZRPlacementObject& o = in.objects[std::size_t(i)];
        const bool hidden = in.moving && i == in.dropIndex;
        if (!passed && in.dropStart <= o.start && in.dropEnd < o.start + shift) {
            passed = true;
            out.items.push_back(dropItem);
        }
        if (!passed) {
            if (!hidden) out.items.push_back({i, o.start, o.duration});
            continue;
        }
        const double start = o.start + shift;
        if (start > editEnd - 1.0) break;
        const double end = std::min(start + o.duration - 1.0, editEnd - 1.0);
        if (!hidden) out.items.push_back({i, start, end + 1.0 - start});
    }
    if (!passed) out.items.push_back(dropItem);
    return out;
}
