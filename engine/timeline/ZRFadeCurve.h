#pragma once

#include <cstdint>

/// The fade characteristic: up to 100 points (x, y) in 0..1000 with strictly increasing x,
/// mapping the progress of a level change to the share of the change applied. Starts linear.
/// Not thread-safe; the timeline's settings calls own it.
class ZRFadeCurve {
public:
    static constexpr int kMaxPoints = 100;

    ZRFadeCurve() { setLinear(); }

    /// (0, 0) and (1000, 1000).
    void setLinear();
    /// The linear points plus a raised cosine at every 50.
    void setSine();
    /// Adds or replaces the point at x (both clamped to 0..1000); false when the curve is full.
    /// A point beyond the last x is not stored (the curve ends at x = 1000).
    bool addPoint(int x, int y);
    /// The curve at x (clamped to 0..1000), interpolated in integers between points.
    int at(int x) const;
    /// Gain x 1000 at `p` on the way from `levelFrom` dB at `start` to `levelTo` dB at `end`,
    /// along the curve (mirrored for falling levels).
    int64_t levelAt(int64_t p, int64_t start, int64_t end, double levelFrom, double levelTo) const;

    int count() const { return m_count; }
    int x(int i) const { return m_x[i]; }
    int y(int i) const { return m_y[i]; }

private:
    int m_x[kMaxPoints] = {};
    int m_y[kMaxPoints] = {};
    int m_count = 0;
};
