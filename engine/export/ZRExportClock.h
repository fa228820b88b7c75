#pragma once

#include <cstdint>

/// How an export walks its range: which timeline frame each output frame shows, how many output
/// frames there are, and how many audio sample frames go with each.
///
/// The output runs at rate R (the rate asked for, or the timeline's rate D when none was asked
/// for). Output frame k shows timeline frame round(k * D / R) of the range (k itself without a
/// rate). Audio keeps its fraction: after n output frames exactly floor((n + lead - 1) *
/// audioRate / R) sample frames have been asked for, so the audio never drifts from the video;
/// the first request covers `leadFrames` frames' worth.
/// Thread-safety: immutable after construction.
class ZRExportClock {
public:
    /// `timelineRate` D > 0; `exportRate` R, or 0 for D; `lengthFrames` timeline frames in the
    /// range; `leadFrames` >= 1.
    ZRExportClock(double timelineRate, double exportRate, int64_t lengthFrames, int audioRate,
                  int leadFrames);

    /// False for a timeline or export rate that is not finite and positive (0 for the export
    /// rate is allowed) or a lead below 1.
    bool isValid() const { return m_valid; }
    double outputRate() const { return m_outputRate; }
    /// True when a rate was asked for: timeline frames are then stepped by D / R.
    bool steps() const { return m_steps; }
    /// The number of output frames: those whose timeline frame lies inside the range.
    int64_t outputFrames() const { return m_outputFrames; }
    /// The timeline frame, counted from the range start, that output frame `k` (from 0) shows.
    int64_t timelineFrame(int64_t k) const;
    /// Sample frames handed over with the first `n` output frames together.
    int64_t audioTotal(int64_t n) const;
    /// Sample frames to ask for with output frame `n` (from 1).
    int32_t audioSamples(int64_t n) const { return int32_t(audioTotal(n) - audioTotal(n - 1)); }

private:
    double m_timelineRate;
    double m_outputRate;
    int64_t m_length;
    int m_audioRate;
    int m_lead;
    bool m_steps;
    bool m_valid;
    int64_t m_outputFrames = 0;
};
