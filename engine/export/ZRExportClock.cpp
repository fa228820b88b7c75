#include "engine/export/ZRExportClock.h"

#include <cmath>

namespace {

bool usableRate(double rate) {
    return std::isfinite(rate) && rate > 0 && rate <= 1000.0;
}

} // namespace

ZRExportClock::ZRExportClock(double timelineRate, double exportRate, int64_t lengthFrames,
                             int audioRate, int leadFrames)
    : m_timelineRate(timelineRate), m_outputRate(exportRate == 0.0 ? timelineRate : exportRate),
      m_length(lengthFrames > 0 ? lengthFrames : 0), m_audioRate(audioRate > 0 ? audioRate : 0),
      m_lead(leadFrames), m_steps(exportRate != 0.0),
      m_valid(usableRate(timelineRate) && usableRate(m_outputRate) && leadFrames >= 1) {
    if (!m_valid || m_length == 0) return;
    if (!m_steps) {
        m_outputFrames = m_length;
        return;
    }
    // The first k whose timeline frame lies past the range; found by the closed form and made
    // exact against timelineFrame itself, which rounds.
    int64_t k = int64_t(std::ceil((double(m_length) - 0.5) * m_outputRate / m_timelineRate));
    if (k < 0) k = 0;
    while (k > 0 && timelineFrame(k - 1) >= m_length)
        --k;
    while (timelineFrame(k) < m_length)
        ++k;
    m_outputFrames = k;
}

int64_t ZRExportClock::timelineFrame(int64_t k) const {
    if (!m_steps) return k;
    return int64_t(std::floor(static_cast<long double>(k) * m_timelineRate / m_outputRate + 0.5L));
}

int64_t ZRExportClock::audioTotal(int64_t n) const {
    if (n <= 0 || !m_valid) return 0;
    const long double frames = static_cast<long double>(n + m_lead - 1);
    return int64_t(std::floor(frames * m_audioRate / m_outputRate));
}
