#include "views/ZRTimelineScale.h"

#include <cmath>

namespace {

constexpr double kSteps[ZRTimelineScale::kLevels] = {0,  0.2, 1,   2,   5,   10,   20,
                                                     30, 60,  120, 300, 600, 1200, 3600};
// Above this a unit would no longer fit an int comfortably; no video runs this fast.
constexpr double kMaxRate = 10000.0;

} // namespace

double ZRTimelineScale::stepSeconds(int level) {
    return level >= 0 && level < kLevels ? kSteps[level] : 0.0;
}

bool ZRTimelineScale::setFramerate(double rate) {
    if (!std::isfinite(rate) || rate <= 0.0 || rate > kMaxRate) return false;
    if (std::trunc(rate * 3.0 + 0.5) < 1.0) return false;
    m_rate = rate;
    recompute();
    return true;
}

bool ZRTimelineScale::setZoomLevel(int level) {
    if (level < 0 || level >= kLevels) return false;
    m_level = level;
    recompute();
    return true;
}

void ZRTimelineScale::recompute() {
    m_pixelsPerUnit = int(std::trunc(m_rate * 3.0 + 0.5));
    m_framesPerUnit = m_level == 0 ? 1.0 : kSteps[m_level] * m_rate;
    if (m_framesPerUnit < 1.0) m_framesPerUnit = 1.0;
    const double perFrame = std::trunc(m_pixelsPerUnit / m_framesPerUnit);
    m_pixelsPerFrame = perFrame >= 2.0 ? int(perFrame) : 0;
}

int64_t ZRTimelineScale::framesAt(int64_t contentX) const {
    return int64_t(std::trunc(double(contentX) * m_framesPerUnit / m_pixelsPerUnit));
}

int64_t ZRTimelineScale::xOfFrames(double frames) const {
    return int64_t(std::trunc(frames * m_pixelsPerUnit / m_framesPerUnit + 0.5));
}

int64_t ZRTimelineScale::unitOfFrames(double frames) const {
    return xOfFrames(frames) / m_pixelsPerUnit;
}

int64_t ZRTimelineScale::labelFrame(int64_t unit) const {
    return int64_t(std::trunc(double(unit) * m_framesPerUnit + 0.5));
}
