#pragma once

#include <cstdint>

/// The timeline's time scale: a zoom level (0..13) chooses the time between two ruler labels,
/// one ruler unit is round(3 x rate) pixels wide. Content x counts pixels from time 0 and is
/// 64-bit: at level 0 an hour-long project is already millions of pixels wide.
///
/// A rate that is not finite, not above 0 or too small to give a unit of at least one pixel is
/// refused and the last valid scale stays (25 fps before any), so no conversion ever divides by
/// zero. A plain value; each view owns its own.
class ZRTimelineScale {
public:
    static constexpr int kLevels = 14;
    static constexpr int kDefaultLevel = 4;
    static constexpr double kDefaultRate = 25.0;

    /// Seconds between two ruler labels at each level; 0 stands for one frame.
    static double stepSeconds(int level);

    /// Adopts `rate` and recomputes the scale; false (nothing changed) for an unusable rate.
    bool setFramerate(double rate);
    /// Adopts `level` (0..13) and recomputes the scale; false when out of range.
    bool setZoomLevel(int level);

    double framerate() const { return m_rate; }
    int zoomLevel() const { return m_level; }
    /// Width of one ruler unit in pixels (75 at 25 fps); at least 1.
    int pixelsPerUnit() const { return m_pixelsPerUnit; }
    /// Frames in one ruler unit (125 at 25 fps, level 4); at least 1.
    double framesPerUnit() const { return m_framesPerUnit; }
    /// Pixels of one frame when that is at least 2, else 0 (the cursor then does not snap).
    int pixelsPerFrame() const { return m_pixelsPerFrame; }
    double stepSeconds() const { return stepSeconds(m_level); }

    /// trunc(x x framesPerUnit / pixelsPerUnit).
    int64_t framesAt(int64_t contentX) const;
    /// trunc(frames x pixelsPerUnit / framesPerUnit + 0.5).
    int64_t xOfFrames(double frames) const;
    /// Whole units (scroll value) that reach the frame: xOfFrames(frames) / pixelsPerUnit.
    int64_t unitOfFrames(double frames) const;
    /// The frame ruler label `unit` names: the one nearest the label's time.
    int64_t labelFrame(int64_t unit) const;

private:
    void recompute();

    double m_rate = kDefaultRate;
    int m_level = kDefaultLevel;
    int m_pixelsPerUnit = 75;
    double m_framesPerUnit = 125.0;
    int m_pixelsPerFrame = 0;
};
