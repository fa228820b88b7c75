#include "engine/timeline/ZRFadeCurve.h"

#include <algorithm>
#include <cmath>

namespace {
int clamp1000(int v) {
    return std::clamp(v, 0, 1000);
}

int64_t truncated(double v) {
    if (!(v == v)) return 0;
    return static_cast<int64_t>(std::clamp(v, -9.0e18, 9.0e18));
}
} // namespace

void ZRFadeCurve::setLinear() {
    m_count = 2;
    m_x[0] = m_y[0] = 0;
    m_x[1] = m_y[1] = 1000;
}

void ZRFadeCurve::setSine() {
    setLinear();
    static const int sine[] = {6,   24,  54,  95,  146, 206, 273, 345, 421, 500,
                               578, 654, 726, 793, 853, 904, 945, 975, 993};
    for (int i = 0; i < 19; ++i)
        addPoint((i + 1) * 50, sine[i]);
}

bool ZRFadeCurve::addPoint(int x, int y) {
    if (m_count + 1 >= kMaxPoints) return false;
    x = clamp1000(x);
    y = clamp1000(y);
    for (int i = 0; i < m_count; ++i) {
        if (m_x[i] == x) {
            m_y[i] = y;
            return true;
        }
        if (m_x[i] > x) {
            for (int k = m_count; k > i; --k) {
                m_x[k] = m_x[k - 1];
                m_y[k] = m_y[k - 1];
            }
            m_x[i] = x;
            m_y[i] = y;
            ++m_count;
            return true;
        }
    }
    return true;
}

int ZRFadeCurve::at(int x) const {
    x = clamp1000(x);
    for (int i = 0; i < m_count; ++i) {
        if (m_x[i] < x) continue;
        if (m_x[i] == x || i == 0) return m_y[i];
        return (m_y[i] - m_y[i - 1]) * (x - m_x[i - 1]) / (m_x[i] - m_x[i - 1]) + m_y[i - 1];
    }
    return m_count ? m_y[m_count - 1] : x;
}

int64_t ZRFadeCurve::levelAt(int64_t p, int64_t start, int64_t end, double levelFrom,
                             double levelTo) const {
    const int64_t g0 = truncated(std::pow(10.0, levelFrom * 0.05) * 1000);
    if (start >= end) return g0;
    const int64_t g1 = truncated(std::pow(10.0, levelTo * 0.05) * 1000);
    p = std::min(p, end);
    // 64-bit spans: the product below stays within range for any position in a project.
    int64_t t = (p - start) * 1000 / (end - start);
    const bool falling = g1 < g0;
    if (falling) t = 1000 - t;
    t = at(int(std::clamp<int64_t>(t, -1, 1001)));
    if (falling) t = 1000 - t;
    return (g1 - g0) * t / 1000 + g0;
}
