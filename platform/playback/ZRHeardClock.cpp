#include "platform/playback/ZRHeardClock.h"

#include <algorithm>

ZRHeardClock::ZRHeardClock(const std::unique_ptr<ZRSoundOutput>& output,
                           const ZRPlaybackClock* reference)
    : m_output(output), m_reference(reference), m_base(this->reference().now()) {}

const ZRPlaybackClock& ZRHeardClock::reference() const {
    if (m_reference) return *m_reference;
    // An output paced by a clock of its own (a null output in tests) is held to that clock.
    const ZRSoundOutput* output = m_output.get();
    const ZRPlaybackClock* pace = output ? output->paceClock() : nullptr;
    return pace ? *pace : m_monotonic;
}

ZRMediaTime ZRHeardClock::now() const {
    ZRSoundOutput* output = m_output.get();
    if (!output) return 0;
    const int rate = std::max(output->format().sampleRate, 1);
    const ZRMediaTime heard =
        ZRMediaTime((__int128)output->heardFrames() * kZRMediaTimePerSecond / rate);
    // A device's heard position is the better clock while it plays in real time (it is what the
    // user hears); the reference only stops one that swallows sound faster.
    return std::min(heard, elapsed() + m_slack.load());
}

void ZRHeardClock::restart() {
    m_base.store(reference().now());
}

ZRMediaTime ZRHeardClock::elapsed() const {
    return std::max<ZRMediaTime>(reference().now() - m_base.load(), 0);
}

void ZRHeardClock::setSlack(ZRMediaTime slack) {
    m_slack.store(std::max<ZRMediaTime>(slack, 0));
}
